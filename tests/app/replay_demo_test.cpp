// Demo battles as the game builds them, replayed: the scenario loaded by the
// game's loader into the whole program on the dummy display (its battle
// screen makes the battle's textures), a turn computed with GO, and the
// replay played pass by pass on a clock the test moves while the map view
// draws through the drawing recorder.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "ScenarioPaths.h"
#include "app/AppTypes.h"
#include "app/InfoPanelDraw.h"
#include "app/MVApplication.h"
#include "app/MapSound.h"
#include "app/MapView.h"
#include "app/UnitInfoBalloon.h"
#include "app_fixture.h"
#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "battle/Reinforcement.h"
#include "battle/SmokeShell.h"
#include "battle/UnitList.h"
#include "draw/Draw3D.h"
#include "draw/DrawSettings.h"
#include "draw/InfantryDraw.h"
#include "engine/FileTestFolder.h"
#include "engine/GFile.h"
#include "engine/GFileServices.h"
#include "engine/GKernel.h"
#include "engine/GString.h"
#include "map/BuildingWallCrater.h"
#include "map/Map.h"
#include "renderer/GGraph3D.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/Hack.h"
#include "units/Infantry.h"
#include "units/Vehicle.h"

namespace {

class ReplayDemo : public testing::Test {
protected:
    void TearDown() override {
        gDrawRecorder = nullptr;
        delete mBattle;
        gBattle = nullptr;
        delete gKernel; // the application goes with the kernel, writing its preferences
        gKernel = nullptr;
        SetProgramFolder(nullptr);
        std::error_code ec;
        if (!mFolder.empty()) std::filesystem::remove_all(mFolder, ec);
    }
    // The scenario in the whole program, its battle begun with its screen.
    bool Open(const char* name) {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        if (!DecryptData()) return false;
        // A program folder of the test's own that shares the built game's
        // data, so the preferences the application writes stay out of it.
        const std::string built = GetProgramFolder();
        mFolder = MakeUniqueTestFolder("dm-replay-").string();
        std::error_code ec;
        std::filesystem::create_directory_symlink(built + "/Demo Data", mFolder + "/Demo Data", ec);
        SetProgramFolder(mFolder.c_str());
        gKernel = new GKernel;
        if (!gKernel->IKernel()) return false;
        mApp = new MVApplication;
        gKernel->StartApp(mApp);
        gKernel->SetScreenMode(800, 600);
        const std::string path = std::string(DM_SCENARIO_BUILT_DIR) + "/" + name + ".mvg";
        GFile file;
        GameFileState state;
        GameFileContents contents;
        if (!file.IFile(path.c_str(), kFileModeCompressedRead) ||
            ReadGameFile(&file, &state, &contents, {.takeSeed = true}) != kGameFileLoaded)
            return false;
        delete contents.campaign;
        mBattle = contents.battle;
        gBattle = mBattle;
        mBattle->mHost = mApp;
        mApp->mPlayers = 1;
        mBattle->BeginBattle(true, false);
        return mBattle->mMap && mBattle->mMap->mView;
    }
    // GO until a computed turn plays back.
    bool Go() {
        for (int32_t i = 0; i < 3 && mApp->mState != kStatePlayback; ++i)
            mApp->DoCommand(9);
        return mApp->mState == kStatePlayback && gBattle == mBattle;
    }
    // One pass of the program: the replay steps, the map view draws a frame
    // ms later on the kernel's clock.
    void Pass(uint32_t ms) {
        gKernel->mCurrentTime += ms;
        gKernel->mFrameMs = static_cast<int32_t>(ms);
        MapView* view = mBattle->mMap->mView;
        view->DoIdle();
        if (g3D) g3D->RenderBegin(nullptr);
        view->Draw();
        if (g3D) g3D->RenderEnd();
    }
    void Look(float x, float y) {
        Map* map = mBattle->mMap;
        const int32_t s = map->ViewingSide();
        map->mCameraLevel[s] = 2;
        map->mCameraX[s] = x;
        map->mCameraY[s] = y - 60.0f;
        map->mCameraHeading[s] = 1.5707964f; // looking north
        map->mLockedUnit = nullptr;
        map->DirtyClip();
    }
    MVApplication* mApp = nullptr;
    std::string mFolder;
    Battle* mBattle = nullptr;
    DrawRecorder mRecorder;
};

std::array<float, kPoseValues> PoseOf(const Infantry* u) {
    std::array<float, kPoseValues> p{};
    for (int32_t v = 0; v < kPoseValues; ++v)
        p[static_cast<size_t>(v)] = u->mFigurePos[v][0];
    return p;
}

TEST_F(ReplayDemo, SquadsMoveBetweenPassesAndHoldWhilePaused) {
    ASSERT_TRUE(Open("hecken"));
    ASSERT_TRUE(Go());
    Infantry* squad = nullptr;
    for (int32_t i = 0; i < mBattle->mUnits->GetCount() && !squad; ++i) {
        Unit* u = mBattle->mUnits->GetUnit(i);
        if (u->mUnitType == kUnitInfantry && u->mActive && u->IsOwnUnit(mApp->ViewingSide()))
            squad = static_cast<Infantry*>(u);
    }
    ASSERT_NE(squad, nullptr);
    Look(squad->mX, squad->mY);
    for (int32_t k = 0; k < 4; ++k)
        Pass(33);
    const auto before = PoseOf(squad);
    Pass(100);
    EXPECT_NE(PoseOf(squad), before) << "the squad's pose held for 100 ms of replay";

    mBattle->HandleVCRButton(13, false);
    const auto paused = PoseOf(squad);
    Pass(100);
    Pass(100);
    EXPECT_EQ(PoseOf(squad), paused);
}

TEST_F(ReplayDemo, LorriedInfantryRidesOnTheDeckTwoSquadsApart) {
    ASSERT_TRUE(Open("grossangriff"));
    // The lorried infantry comes with the reinforcements: here they arrive
    // with the first turn.
    for (GList& side : mBattle->mReinforcements)
        for (int32_t k = 0; k < side.GetCount(); ++k) {
            auto* r = static_cast<Reinforcement*>(side.GetObjectA(k));
            r->mArrivalTurn = 1;
            r->mChance = 1.0f;
        }
    mBattle->ReinforcementsArrive();
    ASSERT_TRUE(Go());
    for (int32_t k = 0; k < 3; ++k)
        Pass(33);
    int32_t riders = 0, pairs = 0;
    for (int32_t i = 0; i < mBattle->mUnits->GetCount(); ++i) {
        Unit* u = mBattle->mUnits->GetUnit(i);
        if (u->mUnitType != kUnitVehicle || !u->mActive) continue;
        auto* lorry = static_cast<Vehicle*>(u);
        float xs[2] = {0.0f, 0.0f};
        int32_t aboard = 0;
        for (Unit* p : lorry->mPassengers) {
            if (!p || p->mUnitType != kUnitInfantry) continue;
            auto* rider = static_cast<Infantry*>(p);
            if (rider->mTransport != lorry || rider->HasTowedOrdnance()) continue;
            const RiderPlacement place = PlaceRider(rider, 1.0f);
            ASSERT_EQ(place.carrier, lorry);
            const float* size =
                gVehicleModelData[GetActualModelX(lorry->GetVehicleDataRecord(2).mModel)].mSize;
            // Within the footprint, above the ground and below the roof.
            EXPECT_LE(std::fabs(place.x), size[1] * 0.5f);
            EXPECT_LE(std::fabs(place.y), size[0] * 0.5f);
            EXPECT_GE(place.z, size[2] * 0.4f);
            EXPECT_LE(place.z, size[2] * 0.8f);
            xs[aboard++] = place.x;
            ++riders;

            // The figures are drawn there, in the lorry's turned frame.
            Look(lorry->mX, lorry->mY);
            Pass(33);
            mRecorder.mCalls.clear();
            gDrawRecorder = &mRecorder;
            rider->DrawItself(1.0f, 0.0f, 0.0f);
            gDrawRecorder = nullptr;
            bool placed = false;
            for (const DrawCall& c : mRecorder.mCalls)
                placed |=
                    c.mOp == DrawOp::kTranslate && c.mArgs == std::vector<float>{place.x, place.y, place.z};
            // A rider the viewer has not seen is not drawn at all.
            const bool seen = rider->VisibleToPlayer(false) != kContactNone || rider->ShowsSpotMarker();
            EXPECT_EQ(placed, seen) << "rider " << i;
        }
        if (aboard == 2) {
            ++pairs;
            EXPECT_GE(std::fabs(xs[0] - xs[1]), 0.9f);
        }
    }
    EXPECT_GT(riders, 0) << "no lorried infantry in the battle";
    RecordProperty("pairs", pairs);
}

TEST_F(ReplayDemo, ASmokeCloudOfTheBridgeBattleIsDrawnAtItsCentreFromItsStart) {
    ASSERT_TRUE(Open("bruecke"));
    ASSERT_TRUE(Go());
    // The demo battles raise no smoke in their first turns: a vehicle of the
    // viewing side lays its smoke as the battle records it in a turn, at
    // slice 600 of the replayed one.
    Unit* layer = nullptr;
    for (int32_t i = 0; i < mBattle->mUnits->GetCount() && !layer; ++i) {
        Unit* u = mBattle->mUnits->GetUnit(i);
        if (u->mActive && u->IsOwnUnit(mApp->ViewingSide())) layer = u;
    }
    ASSERT_NE(layer, nullptr);
    const int32_t count = mBattle->mPackets.GetCount();
    mBattle->mTimeSlice = 600;
    mBattle->MakeSmokePacket(layer->mX, layer->mY, 0.0f, 1.0f);
    mBattle->mTimeSlice = -1;
    ASSERT_EQ(mBattle->mPackets.GetCount(), count + 1);
    auto* smoke = static_cast<ActionPacket*>(mBattle->mPackets.GetObjectA(count));
    ASSERT_EQ(smoke->mType, kPacketSmokeOn);
    mBattle->mPacketsSorted = false;
    const float x = smoke->mX, y = smoke->mY;
    const int32_t start = smoke->mTimeSlice;

    // The replay from its start, wound to the cloud's first slice.
    mBattle->HandleVCRButton(13, false);
    mBattle->HandleVCRButton(11, false);
    EXPECT_EQ(mBattle->mMap->mSmokeShells->GetCount(), 0);
    mBattle->SetPlaypoint(start);
    ASSERT_EQ(mBattle->mMap->mSmokeShells->GetCount(), 1);
    Look(x, y);
    mApp->mPrefs[kPrefSmoke] = 2; // the player's smoke detail: full
    gDrawRecorder = &mRecorder;
    Pass(0);
    gDrawRecorder = nullptr;
    Map* map = mBattle->mMap;
    bool drawn = false;
    for (size_t k = 0; k + 2 < mRecorder.mCalls.size(); ++k) {
        const DrawCall& c = mRecorder.mCalls[k + 2];
        if (mRecorder.mCalls[k].mOp != DrawOp::kTexture || c.mOp != DrawOp::kTranslate || c.mArgs.size() != 3)
            continue;
        bool textured = false;
        for (GGraphic* t : map->mSmokeTextures)
            textured |= t && c.mTexture == t;
        drawn |= textured && c.mArgs[0] == x && c.mArgs[1] == y;
    }
    EXPECT_TRUE(drawn) << "no smoke puffs at " << x << ", " << y << " at slice " << start;
}

// A level-1 frame of the replay draws the men near the camera with the
// richest figure's triangles (its thigh strips of 14) from a measure of
// 0.0095 up, and every puff of a smoke column near the eye.
TEST_F(ReplayDemo, ALevelOneFrameDrawsCloseMenRichestAndEveryPuffOfANearColumn) {
    ASSERT_TRUE(Open("hecken"));
    ASSERT_TRUE(Go());
    Infantry* squad = nullptr;
    for (int32_t i = 0; i < mBattle->mUnits->GetCount() && !squad; ++i) {
        Unit* u = mBattle->mUnits->GetUnit(i);
        if (u->mUnitType == kUnitInfantry && u->mActive && u->IsOwnUnit(mApp->ViewingSide()) &&
            !u->IsPassenger(false))
            squad = static_cast<Infantry*>(u);
    }
    ASSERT_NE(squad, nullptr);
    const int32_t count = mBattle->mPackets.GetCount();
    mBattle->mTimeSlice = 100;
    mBattle->MakeSmokePacket(squad->mX + 6.0f, squad->mY + 25.0f, 0.0f, 1.0f);
    mBattle->mTimeSlice = -1;
    ASSERT_EQ(mBattle->mPackets.GetCount(), count + 1);
    mBattle->mPacketsSorted = false;
    const auto* packet = static_cast<ActionPacket*>(mBattle->mPackets.GetObjectA(count));
    const float sx = packet->mX, sy = packet->mY;
    mBattle->HandleVCRButton(13, false);
    mBattle->HandleVCRButton(11, false);
    mBattle->SetPlaypoint(700);
    ASSERT_EQ(mBattle->mMap->mSmokeShells->GetCount(), 1);
    mApp->mPrefs[kPrefSmoke] = 2;
    Map* map = mBattle->mMap;
    const int32_t s = map->ViewingSide();
    // The camera drawn back from the squad until its men measure at most
    // 0.015, where the screen used to draw the good figure instead.
    float factor = 0.0f;
    for (float back = 2.0f; back < 80.0f; back += 1.0f) {
        map->mCameraLevel[s] = 1;
        map->mCameraX[s] = squad->mX;
        map->mCameraY[s] = squad->mY - back;
        map->mCameraHeading[s] = 1.5707964f;
        map->mLockedUnit = nullptr;
        map->DirtyClip();
        mRecorder.mCalls.clear();
        gDrawRecorder = &mRecorder;
        Pass(0);
        const size_t frame = mRecorder.mCalls.size();
        squad->DrawItself(1.0f, 0.0f, 0.0f);
        gDrawRecorder = nullptr;
        float scale = 0.0f;
        int32_t thighs = 0;
        for (size_t k = frame; k < mRecorder.mCalls.size(); ++k) {
            const DrawCall& c = mRecorder.mCalls[k];
            if (c.mOp == DrawOp::kScale && scale == 0.0f) scale = c.mArgs[0];
            thighs += c.mOp == DrawOp::kTextureStrip && c.mCount == 14;
        }
        factor = map->GetRoughResolution(squad->mX, squad->mY, squad->GetZ()) * scale;
        if (factor > 0.015f || !(factor > 0.0095f)) continue;
        EXPECT_GT(thighs, 0) << "close men at a measure of " << factor;
        break;
    }
    ASSERT_GT(factor, 0.0095f);
    ASSERT_LE(factor, 0.015f);
    // Every puff of the column near the eye: the quads after the move to its
    // foot, until the column's matrix goes.
    int32_t puffs = -1, depth = 0, kind = -1;
    for (const DrawCall& c : mRecorder.mCalls) {
        if (puffs < 0) {
            bool smoke = false;
            for (GGraphic* t : map->mSmokeTextures)
                smoke |= t && c.mTexture == t;
            if (smoke && c.mOp == DrawOp::kTranslate && c.mArgs[0] == sx && c.mArgs[1] == sy) puffs = 0;
            continue;
        }
        depth += c.mOp == DrawOp::kPush ? 1 : (c.mOp == DrawOp::kPop ? -1 : 0);
        if (depth < 0) break;
        puffs += c.mOp == DrawOp::kTexturedQuad;
    }
    map->mSmokeShells->DoForEach(
        [](GObject* o, void* k) { *static_cast<int32_t*>(k) = static_cast<SmokeShell*>(o)->mKind; }, &kind);
    EXPECT_EQ(puffs, kind == 1 ? 12 : 6) << "kind " << kind; // a smoke pot's column or a round's
}

// A square burning when the turn is computed crackles in the replay with
// sound 300, class 5; rewound while held, the replay shows the turn's start
// at once and the crackle, recorded before slice 0, comes again on play.
TEST_F(ReplayDemo, ABurningSquareCracklesWithSound300) {
    ASSERT_TRUE(Open("hecken"));
    Map* map = mBattle->mMap;
    const int32_t i = map->mWidth / 2, j = map->mHeight / 2;
    map->mFire[static_cast<size_t>(i) * map->mHeight + j] = 5;
    ASSERT_TRUE(Go());
    Look((i + 0.5f) * 20.0f, (j + 0.5f) * 20.0f);
    auto heard = [&](int32_t passes) {
        for (int32_t k = 0; k < passes; ++k) {
            Pass(33);
            mApp->DoStuffWhileRender();
            for (int32_t n = 0; n < map->mSounds->GetCount(); ++n)
                if (static_cast<MapSound*>(map->mSounds->GetObjectA(n))->GetID() == 300) return true;
        }
        return false;
    };
    EXPECT_TRUE(heard(40));
    mBattle->HandleVCRButton(13, false);
    mBattle->HandleVCRButton(11, false);
    ASSERT_EQ(mBattle->PlaybackTimeSlice(), 0);
    ASSERT_EQ(map->mSounds->GetCount(), 0) << "a rewind clears the replay's sounds";
    mBattle->HandleVCRButton(15, false);
    EXPECT_TRUE(heard(5));
}

// An enemy foxhole spotted in the turn is spotted in the replay from its
// packet on: wound back to the start, or to the slice before, it is hidden.
TEST_F(ReplayDemo, AFoxholeSpottedInTheTurnShowsFromItsPacketOn) {
    ASSERT_TRUE(Open("bruecke"));
    ASSERT_TRUE(Go());
    CraterGroup* holes = mBattle->mMap->mFoxholes;
    Crater* hole = nullptr;
    for (int32_t k = 0; k < holes->GetCount() && !hole; ++k)
        if (holes->GetCrater(k)->HiddenFrom(mApp->ViewingSide())) hole = holes->GetCrater(k);
    ASSERT_NE(hole, nullptr);
    const float x = hole->mX, y = hole->mY;
    mBattle->mTimeSlice = 600;
    hole->MakeSpotPacket();
    mBattle->mTimeSlice = -1;
    mBattle->mPacketsSorted = false;
    // The replay rebuilds the map of the turn's start: the craters are new.
    auto spotted = [&] { return holes->FindCrater(x, y)->mSpotted != 0; };
    mBattle->HandleVCRButton(13, false);
    mBattle->HandleVCRButton(11, false);
    EXPECT_FALSE(spotted()) << "the replay's start shows the foxhole";
    mBattle->SetPlaypoint(599);
    EXPECT_FALSE(spotted()) << "the foxhole shows before its packet";
    mBattle->SetPlaypoint(600);
    EXPECT_TRUE(spotted());
}

// A pick keeps the building under the pointer only when the map wants a
// pick: a pick for the pointer's ground point alone leaves it unreported.
TEST_F(ReplayDemo, APickReportsTheBuildingUnderThePointerOnlyWhenWanted) {
    ASSERT_TRUE(Open("hecken"));
    Map* map = mBattle->mMap;
    Building* house = nullptr;
    for (int32_t n = 0; n < map->mBuildings->GetCount() && !house; ++n) {
        auto* b = static_cast<Building*>(map->mBuildings->GetObjectA(n));
        if (!b->mRuined) house = b;
    }
    ASSERT_NE(house, nullptr);
    float x = 0.0f, y = 0.0f;
    house->GetCenter(&x, &y);
    Look(x, y);
    Pass(33);
    float sx = x, sy = y;
    ASSERT_TRUE(g3D->WorldToScreen(&sx, &sy, map->GetZCoord(x, y) + 2.0f, true));
    MapView* view = map->mView;
    map->DesireUnitPick(false);
    view->Pick(static_cast<int32_t>(sx), static_cast<int32_t>(sy), false, false);
    EXPECT_EQ(map->mPickedBuilding, nullptr);
    view->Pick(static_cast<int32_t>(sx), static_cast<int32_t>(sy), true, false);
    EXPECT_EQ(map->mPickedBuilding, house);
    map->DesireUnitPick(false);
}

} // namespace

namespace {

// The replay's picture for the documentation: the large battle's lorried
// infantry riding up beside a smoke screen, in the whole program. Written
// only when DM_REPLAY_PICTURE names the file.
// The balloon of the panzer battle's PzIV H names each kind of round it
// lists by what the round is: a projectile name only under armour piercing.
TEST_F(ReplayDemo, ThePanzerIVHsBalloonNamesItsRoundsByWhatTheyAre) {
    ASSERT_TRUE(Open("panzer"));
    auto rez = [](int32_t id) {
        GString255 s;
        s.IStringRez(id);
        return std::string(s.GetCString(), s.GetLength());
    };
    Vehicle* tank = nullptr;
    for (int32_t i = 0; i < mBattle->mUnits->GetCount() && !tank; ++i) {
        Unit* u = mBattle->mUnits->GetUnit(i);
        if (u->mUnitType == kUnitVehicle && std::string(gVehicleData[u->mSubtype].mShortName) == "PzIV H")
            tank = static_cast<Vehicle*>(u);
    }
    ASSERT_NE(tank, nullptr);
    mBattle->mSelectedUnit = tank;
    mBattle->mMap->ToggleUnitInfo();
    ASSERT_NE(mBattle->mMap->mInfoBalloon, nullptr);
    InfoDrawLog log;
    gInfoDrawLog = &log;
    mBattle->mMap->mInfoBalloon->Draw();
    gInfoDrawLog = nullptr;
    // A kind's name heads its rows at x 261; the 60-degree row's projectile
    // name, when there is one, stands 25 pixels lower at x 275.
    std::vector<std::pair<std::string, std::string>> rows;
    for (const InfoDrawItem& i : log.mItems) {
        if (i.mKind != 's' || i.mX != 261) continue;
        const InfoDrawItem* name = log.TextAt(275, i.mY + 25);
        rows.emplace_back(i.mText, name ? name->mText : std::string());
    }
    EXPECT_EQ(rows, (std::vector<std::pair<std::string, std::string>>{
                        {rez(1434), rez(2025)}, {rez(1436), ""}, {rez(1433), ""}}));
}

TEST_F(ReplayDemo, ThePictureOfTheReplay) {
    const char* out = std::getenv("DM_REPLAY_PICTURE");
    if (!out) GTEST_SKIP() << "set DM_REPLAY_PICTURE to the picture's path";
    ASSERT_TRUE(Open("grossangriff"));
    for (GList& side : mBattle->mReinforcements)
        for (int32_t k = 0; k < side.GetCount(); ++k) {
            auto* r = static_cast<Reinforcement*>(side.GetObjectA(k));
            r->mArrivalTurn = 1;
            r->mChance = 1.0f;
        }
    mBattle->ReinforcementsArrive();
    ASSERT_TRUE(Go());
    Vehicle* lorry = nullptr;
    for (int32_t i = 0; i < mBattle->mUnits->GetCount() && !lorry; ++i) {
        Unit* u = mBattle->mUnits->GetUnit(i);
        if (u->mUnitType == kUnitVehicle && u->mActive && static_cast<Vehicle*>(u)->mPassengers[0])
            lorry = static_cast<Vehicle*>(u);
    }
    ASSERT_NE(lorry, nullptr);
    const int32_t count = mBattle->mPackets.GetCount();
    mBattle->mTimeSlice = 200;
    const float h = lorry->mHeading * 0.017453292f;
    mBattle->MakeSmokePacket(lorry->mX + 30.0f * std::cos(h) - 8.0f * std::sin(h),
                             lorry->mY + 30.0f * std::sin(h) + 8.0f * std::cos(h), 0.0f, 1.0f);
    mBattle->MakeSmokePacket(lorry->mX + 38.0f * std::cos(h) + 12.0f * std::sin(h),
                             lorry->mY + 38.0f * std::sin(h) - 12.0f * std::cos(h), 0.0f, 1.0f);
    mBattle->mTimeSlice = -1;
    ASSERT_GT(mBattle->mPackets.GetCount(), count);
    mBattle->mPacketsSorted = false;
    mBattle->HandleVCRButton(13, false);
    mBattle->HandleVCRButton(11, false);
    mBattle->SetPlaypoint(1300);
    mApp->mPrefs[kPrefSmoke] = 2;
    Map* map = mBattle->mMap;
    const int32_t s = map->ViewingSide();
    map->mCameraLevel[s] = 0;
    map->mCameraX[s] = lorry->mX - 16.0f * std::cos(h) + 6.0f * std::sin(h);
    map->mCameraY[s] = lorry->mY - 16.0f * std::sin(h) - 6.0f * std::cos(h);
    map->mCameraHeading[s] = h + 0.25f;
    map->mLockedUnit = nullptr;
    map->DirtyClip();
    for (int32_t k = 0; k < 5; ++k)
        Pass(33);
    gKernel->UpdateScreen();
    EXPECT_TRUE(gKernel->SaveScreen(out)) << out;
}

} // namespace
