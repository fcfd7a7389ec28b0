// A frame of the whole program over a shipped battle with the real art: the
// battle screen of bruecke in playback, the camera behind the viewing side's
// first vehicle looking over the village to the stream and its bridge, the
// vehicle having just fired (its muzzle flash at the playback slice). Written to the test's program folder, and to docs/battle-scene.png
// when DM_UPDATE_DOCS is set.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "ScenarioPaths.h"
#include "app/MVApplication.h"
#include "app_fixture.h"
#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "battle/UnitList.h"
#include "engine/GFile.h"
#include "engine/GFileServices.h"
#include "engine/GKernel.h"
#include "engine/GPictureStore.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Hack.h"
#include "units/Vehicle.h"

TEST(BattleScenePicture, AFrameOfBrueckeWithTheRealArt) {
    RealArtProgram program;
    ASSERT_TRUE(program.Started());
    MVApplication* app = program.App();
    Battle* battle = OpenDemoBattle(app, "bruecke");
    ASSERT_NE(battle, nullptr);
    battle->BeginBattle(true, false);
    Map* map = battle->mMap;
    ASSERT_NE(map, nullptr);
    ASSERT_NE(map->mView, nullptr);

    Vehicle* seen = nullptr;
    const Affiliation side = app->ViewingSide();
    for (int32_t i = 0; i < battle->mUnits->GetCount() && !seen; ++i) {
        Unit* u = battle->mUnits->GetUnit(i);
        if (u->mActive && u->mUnitType == kUnitVehicle && u->IsOwnUnit(side)) seen = static_cast<Vehicle*>(u);
    }
    ASSERT_NE(seen, nullptr);
    // The playback slice 102: the vehicle fired at 100 and was hit at 90.
    ActionPacket* shot = battle->CreateActionPacket(0);
    shot->mType = kPacketShell;
    shot->mFirer = seen;
    shot->mTimeSlice = 100;
    battle->mPlayNow = 102;
    seen->mHitRecord[0] = 1, seen->mHitRecord[1] = 1, seen->mHitRecord[2] = 0, seen->mHitRecord[3] = 0;
    seen->mHitRecordBytes[0] = 0x80;
    seen->mHitRecordSlice = 90;
    const int32_t s = map->ViewingSide();
    // Looking from behind the vehicle towards the bridge (600, 500), the
    // vehicle some 120 m before the eye.
    const float heading = std::atan2(500.0f - seen->mY, 600.0f - seen->mX);
    map->mCameraLevel[s] = 2;
    map->mCameraX[s] = seen->mX - 48.0f * std::cos(heading);
    map->mCameraY[s] = seen->mY - 48.0f * std::sin(heading);
    map->mCameraHeading[s] = heading;
    map->mLockedUnit = nullptr;
    map->DirtyClip();
    gKernel->UpdateScreen();
    EXPECT_TRUE(gKernel->SaveScreen(program.Path("battle-scene.png").c_str()));
    const char* src = std::getenv("DM_SOURCE_DIR");
    if (src && std::getenv("DM_UPDATE_DOCS")) {
        EXPECT_TRUE(gKernel->SaveScreen((std::string(src) + "/docs/battle-scene.png").c_str()));
    }

    delete battle;
    gBattle = nullptr;
}
