// The replay's START spot in the whole program with the real art: the plain
// button that starts the next turn lies inside the blinking one and acts
// only while it blinks, at the replay's end.
#include <gtest/gtest.h>

#include <string>

#include "ScenarioPaths.h"
#include "app/AppTypes.h"
#include "app/BattleScreen.h"
#include "app/MVApplication.h"
#include "app_fixture.h"
#include "battle/Battle.h"
#include "battle/GameFile.h"
#include "engine/GFile.h"
#include "engine/GKernel.h"
#include "platform/PlatformEvent.h"

namespace {

void ClickAt(int32_t x, int32_t y) {
    PlatformEvent e;
    e.type = PlatformEvent::kMouseDown;
    e.x = x;
    e.y = y;
    e.button = 1;
    gKernel->InjectEvent(e);
    gKernel->DoOnePass(0);
    e.type = PlatformEvent::kMouseUp;
    gKernel->InjectEvent(e);
    gKernel->DoOnePass(0);
}

} // namespace

TEST(ReplayStartButton, AClickOnTheDarkStartSpotLeavesTheReplayRunning) {
    RealArtProgram program;
    ASSERT_TRUE(program.Started());
    MVApplication* app = program.App();
    Battle* battle = OpenDemoBattle(app, "hecken");
    ASSERT_NE(battle, nullptr);
    app->mPlayers = 1;
    app->mSide = kAxis;
    app->SetSecondHalf(true); // one player: GO reaches the action phase
    battle->BeginBattle(true, false);
    battle->HandleCommand(9); // the set-up
    ASSERT_FALSE(battle->mSetupPhase);
    battle->HandleCommand(9); // turn 1 computed, its replay runs
    ASSERT_EQ(app->InteractionState(), kStatePlayback);
    ASSERT_FALSE(battle->AtEndOfPlayback());
    ActionButton* start = app->mBattleScreen.mActionButton;
    ASSERT_TRUE(start && start->IsVisible());
    EXPECT_FALSE(start->IsActive()) << "nothing blinks while the replay runs";
    LongRect r;
    start->GetGlobalBounds(&r);
    const int32_t x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;

    ClickAt(x, y);
    EXPECT_EQ(battle->mTurn, 1);
    EXPECT_EQ(app->InteractionState(), kStatePlayback) << "the replay goes on";
    EXPECT_FALSE(battle->AtEndOfPlayback());

    // At its end START blinks, and the same click starts the next orders.
    for (int i = 0; i < 40 && !battle->AtEndOfPlayback(); ++i)
        battle->HandleCommand(14);
    for (int i = 0; i < 10 && !start->IsActive(); ++i)
        gKernel->DoOnePass(0);
    ASSERT_TRUE(start->IsActive());
    ClickAt(x, y);
    EXPECT_EQ(battle->mTurn, 2);
    EXPECT_EQ(app->InteractionState(), kStateNone);
    delete battle;
    gBattle = nullptr;
}
