// What the whole program with the real art shows of hatten's Maginot casemate
// in the unit panel: a block of concrete sunk in earth, not a hull standing on
// its tracks.
#include <gtest/gtest.h>

#include <string>

#include "ScenarioPaths.h"
#include "app/InfoPanel.h"
#include "app/MVApplication.h"
#include "app_fixture.h"
#include "battle/Battle.h"
#include "battle/GameFile.h"
#include "battle/UnitList.h"
#include "engine/GFile.h"
#include "engine/GKernel.h"
#include "map/Map.h"
#include "units/Unit.h"

namespace {

constexpr VehicleType kCasemate = 400;

struct Rgb8 {
    int32_t r, g, b;
};
Rgb8 At(const PixelTarget16& back, int32_t x, int32_t y) {
    const uint16_t p = back.Row(y)[x];
    return {(p >> 11) << 3, ((p >> 5) & 63) << 2, (p & 31) << 3};
}

} // namespace

TEST(FortificationPictures, TheCasematesPanelPictureStandsInEarth) {
    RealArtProgram program;
    ASSERT_TRUE(program.Started());
    MVApplication* app = program.App();
    GFile file;
    GameFileState state;
    GameFileContents contents;
    const std::string path = std::string(DM_SCENARIO_BUILT_DIR) + "/hatten.mvg";
    ASSERT_TRUE(file.IFile(path.c_str(), kFileModeCompressedRead));
    ASSERT_EQ(ReadGameFile(&file, &state, &contents, {.takeSeed = true}), kGameFileLoaded);
    delete contents.campaign;
    Battle* battle = contents.battle;
    gBattle = battle;
    battle->mHost = app;
    Unit* casemate = nullptr;
    for (int32_t i = 0; i < battle->mUnits->GetCount() && !casemate; ++i) {
        Unit* u = battle->mUnits->GetUnit(i);
        if (u->mUnitType == kUnitVehicle && u->mSubtype == kCasemate) casemate = u;
    }
    ASSERT_NE(casemate, nullptr);
    app->mSide = casemate->GetAffiliation();
    battle->BeginBattle(true, false);
    ASSERT_NE(battle->mInfoPanel, nullptr);
    battle->SetSelectedUnit(casemate);
    battle->RefreshInfoPanel();
    gKernel->UpdateScreen();
    EXPECT_TRUE(gKernel->SaveScreen(program.Path("casemate-panel.png").c_str()));

    // The panel's right-hand box, inside the armour diagram's bars: the
    // picture's lower rows are earth (brownish, red above blue), where the
    // bare side view left the panel's dark grey under a hull.
    LongRect panel;
    battle->mInfoPanel->GetGlobalBounds(&panel);
    const PixelTarget16 back = gKernel->GetBackBuffer();
    int32_t earth = 0, seen = 0;
    for (int32_t y = panel.top + 50; y < panel.top + 56; ++y)
        for (int32_t x = panel.left + 380; x < panel.left + 436; ++x) {
            const Rgb8 c = At(back, x, y);
            ++seen;
            earth += c.r > c.b + 20 && c.r > 70 && c.g > 50;
        }
    std::printf("[casemate] %d of %d pixels under the block are earth\n", earth, seen);
    EXPECT_GT(earth * 2, seen);

    delete battle;
    gBattle = nullptr;
}
