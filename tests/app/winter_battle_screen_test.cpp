// The winter battle in the program: the scenario opened as the list opens
// it, one player on the Allies' side. The player moves own wire in the
// set-up through the map view and it stays there after GO; a landmark's name
// shows yellow on the snow.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "app/AppTypes.h"
#include "app/MVApplication.h"
#include "app/MapView.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/GFile.h"
#include "engine/GKernel.h"
#include "engine/GOLTA.h"
#include "engine/GPopup.h"
#include "map/Landmark.h"
#include "map/Map.h"
#include "play_through_driver.h"
#include "units/Hack.h"
#include "units/Unit.h"

namespace {

constexpr uint16_t kYellow565 = 0xFFE0;

// hatten opened through its briefings and the sides screen, the Allies for
// one player; false when the battle screen was not built.
bool OpenHatten(PlayDriver& d) {
    if (!DecryptData() || !d.Start()) return false;
    MVApplication* app = d.App();
    d.Click(d.Width() / 3, d.Height() / 3);
    if (!d.RunUntil([&] { return app->mFadeScreen == nullptr; }, 60000, "the title giving way")) return false;
    auto* file = new GFile;
    if (!file->IFile((d.Folder() + "/Szenarien/hatten.mvg").c_str(), kFileModeCompressedRead)) {
        delete file;
        ADD_FAILURE() << "no demo scenario hatten";
        return false;
    }
    app->HighLevelLoadGame(file);
    return gBattle && OpenBattleScreen(d, kAllies, nullptr);
}

// The camera looks at the point from nearby, from the south.
void LookAt(PlayDriver& d, float x, float y) {
    Map* map = gBattle->mMap;
    const int32_t s = map->ViewingSide();
    d.App()->JumpCameraToLevel(3);
    map->mCameraX[s] = x;
    map->mCameraY[s] = y - 60.0f;
    map->mCameraHeading[s] = 1.5707964f;
    map->mLockedUnit = nullptr;
    map->DirtyClip();
    d.Run(200);
}

} // namespace

TEST(WinterBattleScreen, OwnWireMovedInTheSetUpStaysThereAtGo) {
    PlayDriver d("winter-wire", 1024, 768);
    ASSERT_TRUE(OpenHatten(d));
    MVApplication* app = d.App();
    ASSERT_TRUE(gBattle->mSetupPhase);
    Unit* wire = nullptr;
    for (int32_t i = 0; i < gBattle->mUnits->GetCount() && !wire; ++i) {
        Unit* u = gBattle->mUnits->GetUnit(i);
        if (u->mUnitType == kUnitInanimate && u->mSubtype == kInanimateWire && u->IsOwnUnit(kAllies))
            wire = u;
    }
    ASSERT_NE(wire, nullptr);
    // 40 m east, inside the Allies' zone and off the square it stood on.
    const float toX = wire->mX + 40.0f, toY = wire->mY;
    LookAt(d, toX, toY);
    gBattle->SetSelectedUnit(wire);
    gBattle->mMap->RespondToOrder(57, false); // the set-up move of its orders menu
    ASSERT_EQ(app->InteractionState(), kStateSetupPick57);
    int32_t sx = 0, sy = 0;
    ASSERT_TRUE(d.GroundOnScreen(toX, toY, &sx, &sy));
    d.Move(sx, sy);
    d.Run(100);
    d.Click(sx, sy);
    if (app->InteractionState() == kStateSetupPick59) { // then which way it runs
        d.Move(sx + 40, sy);
        d.Run(100);
        d.Click(sx + 40, sy);
    }
    EXPECT_EQ(app->InteractionState(), kStateNone);
    EXPECT_LT(std::hypot(wire->mX - toX, wire->mY - toY), 5.0f) << "the wire did not go where it was put";
    const float keptX = wire->mX, keptY = wire->mY;
    app->DoCommand(9); // GO: the set-up ends, the computer places its own side
    ASSERT_TRUE(d.RunUntil([&] { return !gBattle->mSetupPhase && app->mState == kStateNone; }, 60000,
                           "the end of the set-up"));
    EXPECT_TRUE(wire->mActive);
    EXPECT_EQ(wire->mX, keptX);
    EXPECT_EQ(wire->mY, keptY);
}

TEST(WinterBattleScreen, ALandmarkIsNamedInYellowOnTheSnow) {
    PlayDriver d("winter-landmark", 1024, 768);
    ASSERT_TRUE(OpenHatten(d));
    MVApplication* app = d.App();
    ASSERT_TRUE(gBattle->mGroundCondition >= 6 && gBattle->mGroundCondition <= 8);
    auto* mark = gBattle->mMap->mLandmarks ? static_cast<Landmark*>(gBattle->mMap->mLandmarks->GetObjectA(0))
                                           : nullptr;
    ASSERT_NE(mark, nullptr);
    const float x = (mark->mColumn + 0.5f) * 20.0f, y = (mark->mRow + 0.5f) * 20.0f;
    // Yellow pixels around the landmark's place, with its names shown and not.
    auto yellow = [&](bool shown) {
        app->mPrefs[kPrefTerrainPoints] = shown ? 1 : 0;
        LookAt(d, x, y);
        int32_t sx = 0, sy = 0;
        if (!d.GroundOnScreen(x, y, &sx, &sy)) return -1;
        const PixelTarget16 back = gKernel->GetBackBuffer();
        int32_t n = 0;
        for (int32_t py = std::max(sy - 20, 0); py < std::min(sy + 20, back.height); ++py)
            for (int32_t px = std::max(sx - 120, 0); px < std::min(sx + 120, back.width); ++px)
                n += back.Row(py)[px] == kYellow565;
        return n;
    };
    const int32_t without = yellow(false);
    const int32_t with = yellow(true);
    ASSERT_GE(without, 0) << "the landmark is not on the screen";
    std::printf("[winter] yellow pixels %d with the names, %d without\n", with, without);
    EXPECT_GE(with - without, 20) << "no yellow name at the landmark (" << with << " against " << without
                                  << ")";
}
