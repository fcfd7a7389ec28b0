// The seams between the battle and the program, counted on the real
// application (no subclass) on the dummy display: a demo scenario loaded by
// the game's loader, sides and players chosen, its battle screen built.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/AppViews.h"
#include "app/MapView.h"
#include "app/MVApplication.h"
#include "app/ScenarioTextView.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/GFile.h"
#include "engine/GKernel.h"
#include "engine/GPopup.h"
#include "engine/GSoundManager.h"
#include "map/Map.h"
#include "platform/PixelTarget.h"
#include "platform/PlatformEvent.h"
#include "play_through_driver.h"
#include "seam_census.h"
#include "units/Unit.h"

namespace {

// Opens a demo scenario of the program folder as the scenario list does
// and plays through the opening screens as one player of side 0; on the
// sides screen `sides` may choose.
bool EnterDemoBattle(PlayDriver& d, const std::string& scenario,
                     const std::function<void(MVApplication*)>& sides = nullptr) {
    MVApplication* app = d.App();
    // A click skips the title to the main menu.
    d.Click(d.Width() / 3, d.Height() / 3);
    if (!d.RunUntil([&] { return app->mFadeScreen == nullptr; }, 60000, "the title giving way")) return false;
    auto* file = new GFile;
    if (!file->IFile((d.Folder() + "/Szenarien/" + scenario).c_str(), kFileModeCompressedRead)) {
        delete file;
        ADD_FAILURE() << "no demo scenario " << scenario;
        return false;
    }
    app->HighLevelLoadGame(file);
    return OpenBattleScreen(d, 0, sides);
}

TEST(SeamCensus, TheProgramAnswersEveryQuestionAndInstallsEveryHook) {
    PlayDriver d("seam-census", 800, 600);
    ASSERT_TRUE(d.Start());
    ASSERT_TRUE(EnterDemoBattle(d, "hecken.mvg")) << "the demo battle's screen was not built";
    CheckSeamCensus(d.App());
}

// The map view's pixels on a grid, counted by colour.
std::map<uint16_t, int32_t> MapViewColours() {
    std::map<uint16_t, int32_t> colours;
    LongRect r;
    gBattle->mMap->mView->GetGlobalBounds(&r);
    const PixelTarget16 back = gKernel->GetBackBuffer();
    r = LongRect::Intersect(r, LongRect{0, 0, back.width, back.height});
    for (int32_t y = r.top + 2; y < r.bottom; y += 7)
        for (int32_t x = r.left + 2; x < r.right; x += 7)
            ++colours[back.Row(y)[x]];
    return colours;
}

// In drawing mode 1 (the computer plans, a turn computes, a hand-over) the
// map view shows its own plain 2-D content, not the scene and not what the
// last frame left: here its fill colour over the whole view.
TEST(DrawModeOne, TheMapViewShowsItsPlainContent) {
    PlayDriver d("draw-mode-one", 800, 600);
    ASSERT_TRUE(d.Start());
    ASSERT_TRUE(EnterDemoBattle(d, "hecken.mvg"));
    Map* map = gBattle->mMap;
    ASSERT_NE(map->mView, nullptr);
    d.Run(100);
    ASSERT_EQ(map->mDrawMode, 2);
    const uint16_t fill = 0x7C1F; // a colour the scene does not show
    EXPECT_GT(MapViewColours().size(), 8u) << "the scene is drawn in mode 2";
    EXPECT_EQ(MapViewColours().count(fill), 0u);
    map->mView->SetFillColor(static_cast<int16_t>(fill));
    map->mDrawMode = 1;
    d.Run(100);
    ASSERT_EQ(map->mDrawMode, 1);
    const std::map<uint16_t, int32_t> colours = MapViewColours();
    int32_t total = 0;
    for (const auto& [colour, count] : colours)
        total += count;
    ASSERT_GT(total, 0);
    // Only the view's few 2-D children (none, or a balloon) cover the fill.
    EXPECT_GT(colours.count(fill) ? colours.at(fill) : 0, total * 9 / 10);
    map->mView->ClearFillColor();
    map->mDrawMode = 2;
}

// Where the computer's side (the Allies) stands: units and fortifications.
std::vector<float> ComputerPlaces() {
    std::vector<float> places;
    for (int32_t i = 0; i < gBattle->mUnits->GetCount(); ++i) {
        Unit* u = gBattle->mUnits->GetUnit(i);
        if (u->GetAffiliation() != kAllies) continue;
        places.push_back(u->mX);
        places.push_back(u->mY);
    }
    return places;
}

// The set-up choice on the sides screen (0 "Freie Einheitenaufstellung",
// 1 "Szenario Voreinstellung"), then GO in the set-up turn: the places of
// the computer's units before and after.
void SetUpWithChoice(int32_t choice, std::vector<float>* before, std::vector<float>* after) {
    PlayDriver d(choice == 0 ? "setup-free" : "setup-scenario", 800, 600);
    ASSERT_TRUE(d.Start());
    ASSERT_TRUE(EnterDemoBattle(d, "hecken.mvg", [&](MVApplication* app) {
        ASSERT_NE(Alive(app->mSetupPopup), nullptr) << "the sides screen offers the set-up choice";
        static_cast<GPopup*>(app->mSetupPopup)->Choose(choice);
    }));
    EXPECT_EQ(d.App()->ComputerSetupOption(), choice == 0 ? 1 : 0);
    ASSERT_TRUE(gBattle->mSetupPhase);
    *before = ComputerPlaces();
    d.App()->DoCommand(9); // GO
    ASSERT_TRUE(d.RunUntil([&] { return gBattle && !gBattle->mSetupPhase; }, 60000, "the end of the set-up"));
    *after = ComputerPlaces();
}

TEST(ComputerSetupChoice, TheScenariosSetUpLeavesTheComputersUnitsWhereTheyStand) {
    std::vector<float> before, after;
    SetUpWithChoice(1, &before, &after);
    ASSERT_FALSE(before.empty());
    EXPECT_EQ(after, before);
}

TEST(ComputerSetupChoice, FreeSetUpLetsTheComputerPlaceItsUnits) {
    std::vector<float> before, after;
    SetUpWithChoice(0, &before, &after);
    ASSERT_FALSE(before.empty());
    EXPECT_NE(after, before);
}

// The pointer moves with Shift held or not: the kernel keeps the key's state.
void MoveWithShift(bool shift) {
    PlatformEvent e;
    e.type = PlatformEvent::kMouseMove;
    e.x = 10;
    e.y = 10;
    e.shift = shift;
    gKernel->InjectEvent(e);
    gKernel->DoOnePass(0);
}

TEST(ReplaySteps, BackStepsEightySlicesWithShiftAndFourHundredWithout) {
    PlayDriver d("replay-steps", 800, 600);
    ASSERT_TRUE(d.Start());
    ASSERT_TRUE(EnterDemoBattle(d, "hecken.mvg"));
    MVApplication* app = d.App();
    app->DoCommand(9); // GO: the set-up ends
    ASSERT_TRUE(d.RunUntil([&] { return gBattle && !gBattle->mSetupPhase && app->mState == kStateNone; },
                           60000, "the end of the set-up"));
    app->DoCommand(9); // GO: the first turn is computed and plays back
    ASSERT_TRUE(d.RunUntil([&] { return app->InteractionState() == kStatePlayback; }, 120000, "the replay"));
    app->DoCommand(13); // pause
    for (int i = 0; i < 3; ++i)
        app->DoCommand(14); // forward, 400 slices each
    const int32_t at = gBattle->mPlayNow;
    ASSERT_GT(at, 500);
    // The replay stands one slice past the point a step seeks.
    MoveWithShift(true);
    EXPECT_TRUE(app->ShiftHeld());
    app->DoCommand(12);
    EXPECT_EQ(gBattle->mPlayNow, at - 80 + 1);
    MoveWithShift(false);
    EXPECT_FALSE(app->ShiftHeld());
    app->DoCommand(12);
    EXPECT_EQ(gBattle->mPlayNow, at - 80 + 1 - 400 + 1);
}

TEST(BattleScreenHooks, TheCamerasHeightSetsTheSoundDistanceOfADrawnFrame) {
    PlayDriver d("sound-distance", 800, 600);
    ASSERT_TRUE(d.Start());
    ASSERT_TRUE(EnterDemoBattle(d, "hecken.mvg"));
    if (!gSound) GTEST_SKIP() << "no sound manager on this machine";
    gSound->m3DDistanceOffset = -1.0f;
    d.Move(400, 300); // a still scene is not drawn again: the pointer's move is
    d.Run(100);       // frames drawn outside the replay
    const Map* map = gBattle->mMap;
    EXPECT_FLOAT_EQ(gSound->m3DDistanceOffset, 50.0f - 0.8f * map->mCameraHeight + 125.0f);
}

} // namespace
