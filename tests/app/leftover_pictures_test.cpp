// What the whole program with the real art shows in hatten, seen by the side
// of its Maginot casemate: the casemate in the unit panel, a block sunk in
// earth, not a hull on its tracks; beyond the map's far edge a marker that
// shows north, not a red lamp on a pole.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "ScenarioPaths.h"
#include "app/InfoPanel.h"
#include "app/MVApplication.h"
#include "app_fixture.h"
#include "battle/Campaign.h"
#include "battle/Battle.h"
#include "battle/GameFile.h"
#include "battle/UnitList.h"
#include "engine/GFile.h"
#include "engine/GKernel.h"
#include "map/Map.h"
#include "renderer/GGraph3D.h"
#include "units/Unit.h"

namespace {

struct Rgb8 {
    int32_t r, g, b;
};
Rgb8 At(int32_t x, int32_t y) {
    const uint16_t p = gKernel->GetBackBuffer().Row(y)[x];
    return {(p >> 11) << 3, ((p >> 5) & 63) << 2, (p & 31) << 3};
}

class LeftoverPictures : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(mProgram.Started());
        GFile file;
        GameFileState state;
        GameFileContents contents;
        ASSERT_TRUE(file.IFile((std::string(DM_SCENARIO_BUILT_DIR) + "/hatten.mvg").c_str(),
                               kFileModeCompressedRead));
        ASSERT_EQ(ReadGameFile(&file, &state, &contents, {.takeSeed = true}), kGameFileLoaded);
        delete contents.campaign;
        gBattle = mBattle = contents.battle;
        mBattle->mHost = mProgram.App();
        for (int32_t i = 0; i < mBattle->mUnits->GetCount() && !mCasemate; ++i)
            if (Unit* u = mBattle->mUnits->GetUnit(i); u->mUnitType == kUnitVehicle && u->mSubtype == 400)
                mCasemate = u;
        ASSERT_NE(mCasemate, nullptr);
        mProgram.App()->mSide = mCasemate->GetAffiliation();
        mBattle->BeginBattle(true, false);
    }
    void TearDown() override {
        delete mBattle;
        gBattle = nullptr;
    }
    RealArtProgram mProgram;
    Battle* mBattle = nullptr;
    Unit* mCasemate = nullptr;
};

} // namespace

// The lower rows inside the right-hand box's armour bars are earth (brownish,
// red above blue); the bare side view left the panel's dark grey under a hull.
TEST_F(LeftoverPictures, TheCasematesPanelPictureStandsInEarth) {
    ASSERT_NE(mBattle->mInfoPanel, nullptr);
    mBattle->SetSelectedUnit(mCasemate);
    mBattle->RefreshInfoPanel();
    gKernel->UpdateScreen();
    LongRect panel;
    mBattle->mInfoPanel->GetGlobalBounds(&panel);
    int32_t earth = 0, seen = 0;
    for (int32_t y = panel.top + 50; y < panel.top + 56; ++y)
        for (int32_t x = panel.left + 380; x < panel.left + 436; ++x, ++seen) {
            const Rgb8 c = At(x, y);
            earth += c.r > c.b + 20 && c.r > 70 && c.g > 50;
        }
    EXPECT_GT(earth * 2, seen);
}

// From camera level 4 in the map's middle, looking north, the marker stands
// 500 m beyond the far edge: within its place on the screen, the pixels that
// change when the game aids are hidden are pale (the arrow) with a dark rim,
// none of them red.
TEST_F(LeftoverPictures, TheMarkerBeyondTheFarEdgeShowsNorthWithoutARedLamp) {
    MVApplication* app = mProgram.App();
    Map* map = mBattle->mMap;
    const int32_t s = map->ViewingSide();
    app->JumpCameraToLevel(4);
    map->mLockedUnit = nullptr;
    map->mCameraX[s] = 0.5f * map->mWidthMetres;
    map->mCameraY[s] = 0.5f * map->mHeightMetres;
    map->mCameraHeading[s] = 1.5707964f;
    map->DirtyClip();
    gKernel->UpdateScreen(); // the level change runs its course
    LongRect box{1 << 20, 1 << 20, -1, -1};
    std::vector<Rgb8> with, without;
    for (int32_t hidden = 0; hidden < 2; ++hidden) {
        app->mPrefs[kPrefHideAids] = static_cast<uint8_t>(hidden);
        map->DirtyClip();
        gKernel->UpdateScreen();
        for (float x : {-12.0f, 12.0f})
            for (float z : {10.0f, 58.0f}) {
                float px = 0.5f * map->mWidthMetres + x, py = map->mHeightMetres + 500.0f;
                g3D->WorldToScreen(&px, &py, z, false);
                box.left = std::min(box.left, static_cast<int32_t>(px) - 2);
                box.right = std::max(box.right, static_cast<int32_t>(px) + 2);
                box.top = std::min(box.top, static_cast<int32_t>(py) - 2);
                box.bottom = std::max(box.bottom, static_cast<int32_t>(py) + 2);
            }
        for (int32_t y = box.top; y <= box.bottom; ++y)
            for (int32_t x = box.left; x <= box.right; ++x)
                (hidden ? without : with).push_back(At(x, y));
    }
    app->mPrefs[kPrefHideAids] = 0;
    int32_t changed = 0, red = 0, pale = 0, dark = 0;
    for (size_t i = 0; i < with.size() && i < without.size(); ++i) {
        const Rgb8 c = with[i], d = without[i];
        if (c.r == d.r && c.g == d.g && c.b == d.b) continue;
        ++changed;
        red += c.r > 150 && c.r > c.g + 60 && c.r > c.b + 60;
        pale += c.r > 170 && c.g > 170 && c.b > 150;
        dark += c.r < 80 && c.g < 80 && c.b < 80;
    }
    EXPECT_GT(changed, 20) << "no marker drawn";
    EXPECT_EQ(red, 0);
    EXPECT_GT(pale, changed / 4);
    EXPECT_GT(dark, changed / 8);
}
