// Hatten's trench with the real art: the dug zig-zag its side places in the
// set-up lies in the ground from the first turn on where it was placed and
// running the same way, and so it stays after the game is saved and loaded.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "ScenarioPaths.h"
#include "app/MVApplication.h"
#include "app/MapView.h"
#include "app_fixture.h"
#include "battle/Battle.h"
#include "battle/GameFile.h"
#include "battle/UnitList.h"
#include "engine/FileTestFolder.h"
#include "engine/GFile.h"
#include "engine/GKernel.h"
#include "map/Map.h"
#include "platform/PixelTarget.h"
#include "renderer/GGraph3D.h"
#include "trench_ditch.h"
#include "units/Inanimate.h"

namespace {

// Frames the ground point from 50 m south of it, high enough to see the
// trench's course, and gathers the ditch about it.
TrenchDitch DitchAround(Map* map, float x, float y) {
    const int32_t side = map->ViewingSide();
    map->mCameraLevel[side] = 3;
    map->mCameraX[side] = x;
    map->mCameraY[side] = y - 50.0f;
    map->mCameraHeading[side] = 1.5707964f;
    map->mLockedUnit = nullptr;
    map->DirtyClip();
    map->mView->Refresh();
    gKernel->UpdateScreen();
    return TrenchDitchInFrame(map, x, y);
}

// Hatten from the trench's side, its trench turned to `heading` degrees
// (a player may turn it in the set-up) or left as the battle places it:
// the dug trench of turn 1, and with `reload` that of the saved and loaded
// game, against the placed one.
void PlaceDigAndCompare(const RealArtProgram& program, const float* heading, bool reload) {
    MVApplication* app = program.App();
    Battle* battle = OpenDemoBattle(app, "hatten");
    ASSERT_NE(battle, nullptr);
    Unit* trench = nullptr;
    for (int32_t i = 0; i < battle->mUnits->GetCount(); ++i) {
        Unit* u = battle->mUnits->GetUnit(i);
        if (u->mUnitType == kUnitInanimate &&
            static_cast<Inanimate*>(u)->GetInanimateType() == kInanimateTrenches)
            trench = u;
    }
    ASSERT_NE(trench, nullptr);
    if (heading) trench->mHeading = *heading;
    const float x = trench->mX, y = trench->mY;
    app->mPlayers = 1;
    app->mSide = trench->GetAffiliation();
    battle->BeginBattle(true, false);
    Map* map = battle->mMap;
    ASSERT_TRUE(map && map->mView);
    ASSERT_TRUE(battle->mSetupPhase);
    const TrenchDitch placed = DitchAround(map, x, y);
    EXPECT_GT(placed.count, 100) << "the placed trench shows its dark ditch";

    battle->HandleCommand(9); // GO: the set-up ends, the trench becomes ground
    ASSERT_FALSE(battle->mSetupPhase);
    const Square* square = map->GetSquare(static_cast<int32_t>(x / 20.0f), static_cast<int32_t>(y / 20.0f));
    ASSERT_TRUE(square && (square->mOverlay[0] == 8 || square->mOverlay[1] == 8));
    ExpectSameTrench(placed, DitchAround(map, x, y), "turn 1");
    if (!reload) {
        delete battle;
        gBattle = nullptr;
        return;
    }

    // Saved and loaded by the program, the ground keeps the trench's turn.
    FileTestFolder folder("dm-trench-");
    const std::string saved = folder.File("graben.mvs");
    {
        GFile out;
        ASSERT_TRUE(out.IFile(saved.c_str(), kFileModeCompressedWrite));
        app->SaveGame(&out);
    }
    GFile in;
    ASSERT_TRUE(in.IFile(saved.c_str(), kFileModeCompressedRead));
    ASSERT_TRUE(app->LoadGame(&in, nullptr));
    ASSERT_TRUE(gBattle && gBattle != battle);
    gBattle->mHost = app;
    gBattle->BeginBattle(true, false);
    ASSERT_TRUE(gBattle->mMap && gBattle->mMap->mView);
    ExpectSameTrench(placed, DitchAround(gBattle->mMap, x, y), "loaded");
    delete gBattle;
    gBattle = nullptr;
}

} // namespace

// Hatten's trench as the battle places it, south to north.
TEST(TrenchLook, TheSetUpsTrenchStaysDugAsPlaced) {
    RealArtProgram program;
    ASSERT_TRUE(program.Started());
    PlaceDigAndCompare(program, nullptr, false);
}

// Turned west to east in the set-up, it runs so in the ground, and still
// after a save and a load.
TEST(TrenchLook, ATurnedTrenchRunsAsTurnedAcrossASave) {
    RealArtProgram program;
    ASSERT_TRUE(program.Started());
    const float westToEast = 0.0f;
    PlaceDigAndCompare(program, &westToEast, true);
}
