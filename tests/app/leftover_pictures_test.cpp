// What the whole program with the real art shows in hatten: the Maginot
// casemate in the unit panel, a block of concrete sunk in earth, not a hull
// standing on its tracks; and beyond the map's far edge the marker that tells
// the player where north is, not a red lamp on a pole.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "ScenarioPaths.h"
#include "app/InfoPanel.h"
#include "app/MVApplication.h"
#include "app_fixture.h"
#include "battle/Battle.h"
#include "battle/GameFile.h"
#include "battle/UnitList.h"
#include "engine/GFile.h"
#include "engine/GKernel.h"
#include "renderer/GGraph3D.h"
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

// hatten as the game loads it, its battle begun on the screen of the real
// program, seen by `side` (-1: the side of its casemate).
Battle* BeginHatten(MVApplication* app, Unit** casemate) {
    GFile file;
    GameFileState state;
    GameFileContents contents;
    const std::string path = std::string(DM_SCENARIO_BUILT_DIR) + "/hatten.mvg";
    if (!file.IFile(path.c_str(), kFileModeCompressedRead)) return nullptr;
    if (ReadGameFile(&file, &state, &contents, {.takeSeed = true}) != kGameFileLoaded) return nullptr;
    delete contents.campaign;
    Battle* battle = contents.battle;
    gBattle = battle;
    battle->mHost = app;
    *casemate = nullptr;
    for (int32_t i = 0; i < battle->mUnits->GetCount() && !*casemate; ++i) {
        Unit* u = battle->mUnits->GetUnit(i);
        if (u->mUnitType == kUnitVehicle && u->mSubtype == kCasemate) *casemate = u;
    }
    if (*casemate) app->mSide = (*casemate)->GetAffiliation();
    battle->BeginBattle(true, false);
    return battle;
}

} // namespace

TEST(LeftoverPictures, TheCasematesPanelPictureStandsInEarth) {
    RealArtProgram program;
    ASSERT_TRUE(program.Started());
    MVApplication* app = program.App();
    Unit* casemate = nullptr;
    Battle* battle = BeginHatten(app, &casemate);
    ASSERT_NE(battle, nullptr);
    ASSERT_NE(casemate, nullptr);
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

// From camera level 4 in the map's middle, looking north: the marker stands
// 500 m beyond the far edge. Its pixels are those that change when the game
// aids are hidden; none of them is the old lamp's red, and they are pale
// (the arrow) with a dark rim.
TEST(LeftoverPictures, TheMarkerBeyondTheFarEdgeShowsNorthWithoutARedLamp) {
    RealArtProgram program;
    ASSERT_TRUE(program.Started());
    MVApplication* app = program.App();
    Unit* casemate = nullptr;
    Battle* battle = BeginHatten(app, &casemate);
    ASSERT_NE(battle, nullptr);
    Map* map = battle->mMap;
    ASSERT_NE(map, nullptr);
    const int32_t s = map->ViewingSide();
    app->JumpCameraToLevel(4);
    map->mLockedUnit = nullptr;
    map->mCameraX[s] = 0.5f * map->mWidthMetres;
    map->mCameraY[s] = 0.5f * map->mHeightMetres;
    map->mCameraHeading[s] = 1.5707964f;
    auto frame = [&] {
        map->DirtyClip();
        gKernel->UpdateScreen();
        const PixelTarget16 back = gKernel->GetBackBuffer();
        std::vector<uint16_t> pixels;
        for (int32_t y = 0; y < back.height; ++y)
            for (int32_t x = 0; x < back.width; ++x)
                pixels.push_back(back.Row(y)[x]);
        return pixels;
    };
    frame(); // the level change runs its course
    const std::vector<uint16_t> with = frame();
    EXPECT_TRUE(gKernel->SaveScreen(program.Path("marker.png").c_str()));
    app->mPrefs[kPrefHideAids] = 1;
    const std::vector<uint16_t> without = frame();
    app->mPrefs[kPrefHideAids] = 0;
    // The marker's place on the screen (other game aids change pixels too).
    int32_t left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;
    const float cx = 0.5f * map->mWidthMetres, ya = map->mHeightMetres + 500.0f;
    for (float x : {cx - 12.0f, cx + 12.0f})
        for (float z : {10.0f, 58.0f}) {
            float px = x, py = ya;
            g3D->WorldToScreen(&px, &py, z, false);
            left = std::min(left, static_cast<int32_t>(px) - 2), right = std::max(right, static_cast<int32_t>(px) + 2);
            top = std::min(top, static_cast<int32_t>(py) - 2), bottom = std::max(bottom, static_cast<int32_t>(py) + 2);
        }
    const int32_t width = gKernel->GetBackBuffer().width;
    int32_t changed = 0, red = 0, pale = 0, dark = 0;
    for (size_t i = 0; i < with.size(); ++i) {
        const int32_t x = static_cast<int32_t>(i) % width, y = static_cast<int32_t>(i) / width;
        if (with[i] == without[i] || x < left || x > right || y < top || y > bottom) continue;
        ++changed;
        const uint16_t p = with[i];
        const int32_t r = (p >> 11) << 3, g = ((p >> 5) & 63) << 2, b = (p & 31) << 3;
        red += r > 150 && r > g + 60 && r > b + 60;
        pale += r > 170 && g > 170 && b > 150;
        dark += r < 80 && g < 80 && b < 80;
    }
    std::printf("[marker] %d pixels: %d red, %d pale, %d dark\n", changed, red, pale, dark);
    EXPECT_GT(changed, 20) << "no marker drawn";
    EXPECT_EQ(red, 0);
    EXPECT_GT(pale, changed / 4);
    EXPECT_GT(dark, changed / 8);

    delete battle;
    gBattle = nullptr;
}
