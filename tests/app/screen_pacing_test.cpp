// When the battle screen draws, in the whole program on the dummy display
// with the largest demo battle: the wait after GO shows the computer's
// planning and the action phase, but draws at most about ten times a second
// of the wait, so drawing does not lengthen it; a still orders phase draws
// nothing until the player acts.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "app/AppTypes.h"
#include "app/BattleScreen.h"
#include "app/MVApplication.h"
#include "app/MapView.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/GBlitView.h"
#include "engine/GFile.h"
#include "engine/GKernel.h"
#include "engine/GOLTA.h"
#include "engine/GView.h"
#include "map/Map.h"
#include "play_through_driver.h"
#include "units/Vehicle.h"

namespace {

constexpr int32_t kGo = 9;

// One GO: the updates the kernel made and the wall time until the turn's
// playback (or the next orders phase) came.
struct GoMeasure {
    uint32_t updates = 0;
    double seconds = 0.0;
};

GoMeasure PressGo(PlayDriver& d) {
    MVApplication* app = d.App();
    GoMeasure m;
    const uint32_t before = gKernel->GetScreenUpdateCount();
    const auto start = std::chrono::steady_clock::now();
    const bool setup = gBattle->mSetupPhase;
    const int32_t turn = gBattle->mTurn;
    // Pressed and released without the driver's own pause after a click.
    GView* go = PlayDriver::FindControl(gKernel->GetWindow(), kGo);
    EXPECT_NE(go, nullptr);
    if (!go) return m;
    int32_t x = 0, y = 0;
    PlayDriver::CentreOf(go, &x, &y);
    d.Press(x, y);
    d.Release(x, y);
    EXPECT_TRUE(d.RunUntil(
        [&] {
            return app->InteractionState() == kStatePlayback ||
                   (gBattle && (gBattle->mSetupPhase != setup || gBattle->mTurn != turn) &&
                    app->InteractionState() == kStateNone && app->mProgressWindow == nullptr);
        },
        120000, "the turn after GO"));
    m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    m.updates = gKernel->GetScreenUpdateCount() - before;
    return m;
}

// The title and menu skipped, the largest demo battle opened as the list
// opens it, one player on side 0, its battle screen shown.
void OpenLargestBattle(PlayDriver& d) {
    MVApplication* app = d.App();
    d.Click(10, 10); // the title
    ASSERT_TRUE(
        d.RunUntil([&] { return app->mFadeScreen == nullptr && app->mMenuPicture; }, 60000, "the menu"));
    d.Click(10, 10); // the overlay
    ASSERT_TRUE(d.RunUntil([&] { return app->mMenuPicture->IsVisible(); }, 60000, "the main menu"));
    // The scenario opened as the list opens it, one player on side 0.
    auto* file = new GFile;
    ASSERT_TRUE(file->IFile((d.Folder() + "/Szenarien/grossangriff.mvg").c_str(), kFileModeCompressedRead));
    app->HighLevelLoadGame(file);
    for (int32_t command : {85, 109, 114, 111, 86}) {
        app->DoCommand(command);
        d.Pass(1); // a pass of its own time
    }
    ASSERT_TRUE(d.RunUntil(
        [&] { return gBattle && gBattle->mMap && gBattle->mMap->mView && gBattle->mMap->mView->IsVisible(); },
        120000, "the battle screen"));
    d.Run(200);
}

} // namespace

TEST(ScreenPacing, TheWaitAfterGoDrawsAtMostTenTimesASecond) {
    PlayDriver d("go-progress", 1024, 768);
    ASSERT_TRUE(d.Start());
    OpenLargestBattle(d);
    if (HasFatalFailure()) return;
    MVApplication* app = d.App();
    ASSERT_TRUE(gBattle->mSetupPhase);

    // The set-up GO: the computer plans its set-up and its first orders.
    const GoMeasure setup = PressGo(d);
    std::printf("set-up GO: %u screen updates in %.2f s\n", setup.updates, setup.seconds);
    EXPECT_LE(setup.updates, 10.0 + setup.seconds * 10.0);
    if (HasFailure()) return;
    // The set-up GO leads to the first orders phase.
    ASSERT_EQ(app->InteractionState(), kStateNone);
    ASSERT_NE(PlayDriver::FindControl(gKernel->GetWindow(), kGo), nullptr);
    // A later GO: the computer plans and the action phase is computed.
    const GoMeasure turn = PressGo(d);
    std::printf("turn GO: %u screen updates in %.2f s\n", turn.updates, turn.seconds);
    EXPECT_LE(turn.updates, 10.0 + turn.seconds * 10.0);

    // The playback moves: frames come without input. Paused, it is still.
    ASSERT_EQ(app->InteractionState(), kStatePlayback);
    uint32_t before = gKernel->GetScreenUpdateCount();
    d.Run(500);
    // Frames come by themselves (fewer on a slow build or a loaded machine).
    EXPECT_GE(gKernel->GetScreenUpdateCount() - before, 3u) << "a playing playback is drawn as it moves";
    GView* pause = app->mBattleScreen.mPlayPause;
    ASSERT_TRUE(pause && pause->IsVisible());
    int32_t x = 0, y = 0;
    PlayDriver::CentreOf(pause, &x, &y);
    d.Click(x, y);
    ASSERT_EQ(gBattle->mPlayState, 13);
    d.Run(300);
    before = gKernel->GetScreenUpdateCount();
    d.Run(1000);
    EXPECT_LE(gKernel->GetScreenUpdateCount() - before, 3u) << "a paused playback is not drawn again";
}

TEST(ScreenPacing, AStillOrdersPhaseDrawsOnlyWhenThePlayerActs) {
    PlayDriver d("still-orders", 1024, 768);
    ASSERT_TRUE(d.Start());
    OpenLargestBattle(d);
    if (HasFatalFailure()) return;
    // Nothing burns, smokes or falls at the start of this battle.
    d.Run(300);
    uint32_t before = gKernel->GetScreenUpdateCount();
    d.Run(1000);
    EXPECT_LE(gKernel->GetScreenUpdateCount() - before, 2u) << "a still scene is not drawn again";
    // The pointer moving over the map is drawn at once.
    before = gKernel->GetScreenUpdateCount();
    d.Move(500, 300);
    EXPECT_GE(gKernel->GetScreenUpdateCount() - before, 1u);
    // The still second is no frame time: motion scaled by the frame rate
    // (a camera step) does not jump. (A frame of this battle on a loaded
    // machine may itself take a few hundred ms; the gap was a whole second.)
    EXPECT_LT(gKernel->mFrameMs, 900);
    // A camera step moves the scene: drawn.
    before = gKernel->GetScreenUpdateCount();
    d.App()->CameraCommand(1);
    d.Pass(1);
    EXPECT_GE(gKernel->GetScreenUpdateCount() - before, 1u);
    // A burning wreck animates its smoke: frames come without input.
    Unit* wreck = nullptr;
    for (int32_t i = 0; i < gBattle->mUnits->GetCount() && !wreck; ++i) {
        Unit* u = gBattle->mUnits->GetUnit(i);
        if (u->mUnitType == kUnitVehicle) wreck = u;
    }
    ASSERT_NE(wreck, nullptr);
    static_cast<Vehicle*>(wreck)->mBurning = true;
    before = gKernel->GetScreenUpdateCount();
    // A still scene draws at most two frames a second (above); the smoke
    // draws without a pause, as fast as a loaded machine manages.
    d.Run(1000);
    EXPECT_GE(gKernel->GetScreenUpdateCount() - before, 4u) << "the smoke of a burning wreck moves";
    static_cast<Vehicle*>(wreck)->mBurning = false;
}
