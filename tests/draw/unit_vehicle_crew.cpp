// The crew in a vehicle's hatches: at most two places, turning with the
// turret, ducking or hidden when buttoned, looking about, each face kept.
#include <gtest/gtest.h>

#include <vector>

#include "DrawTestUtil.h"
#include "battle/Battle.h"
#include "draw/InfantryDraw.h"
#include "draw/UnitDraw.h"
#include "units/DataTables.h"
#include "units/Infantry.h"
#include "units/Unit.h"

using namespace dtest;

namespace {

struct Drawn {
    int32_t pose;
    float look;
    bool lowered;
    int32_t face;
    bool faceSetAllowed;
    float scale;
};
std::vector<Drawn> gDrawn;
Drawn gPosing;

// The map's crew figure: records what it is asked to draw.
class Crewman : public Unit {
public:
    void TakeAreaHit(float, int32_t, PendingAttack*) override {}
    void ConcatName(GString*, bool) override {}
    void DrawCode(bool, float scale, float) override {
        Drawn d = gPosing;
        d.face = gFaceTextureIndex;
        d.faceSetAllowed = gAllowFaceSet;
        d.scale = scale;
        gDrawn.push_back(d);
    }
};

void Pose(Unit*, int32_t pose, float look, bool lowered) {
    gPosing = Drawn{pose, look, lowered, 0, true, 0.0f};
}

class VehicleCrew : public ::testing::Test {
protected:
    DrawFixture f{false};
    TestRows<VehicleData, 1> vehicles{gVehicleData};
    TestRows<VehicleModelData, 236> models{gVehicleModelData};
    Battle battle;
    Battle* old = nullptr;
    Crewman crewman;
    VehicleView v;
    void SetUp() override {
        old = gBattle;
        gBattle = &battle;
        battle.mMap = FlatMap(4, 4).release();
        battle.mMap->mCrewDummies[7] = &crewman;
        vehicles[0].mModel = 28;
        VehicleModelData& m = models[28];
        m.mNrCrewPositions = 4; // more places than the data holds poses for
        m.mCrewPose[0] = 2;
        m.mCrewPose[1] = 1;
        m.mCrewPositions[0] = CrewPosition{10.0f, 20.0f, 30.0f, 15.0f, 0.5f, 0.25f};
        m.mCrewPositions[1] = CrewPosition{-10.0f, 5.0f, 30.0f, 0.0f, 0.5f, 0.25f};
        gCrewPoseHook = Pose;
        gDrawn.clear();
        v.contact = 5;
        v.crewPresent = 5;
        v.uniform = 7;
        v.turretFacing = 40.0f;
        v.crewLook[0] = 4500;
        v.crewLook[1] = 9000;
        v.crewFaces[0] = 5;
        v.crewFaces[1] = 14;
    }
    void TearDown() override {
        battle.mMap->mCrewDummies[7] = nullptr;
        gCrewPoseHook = nullptr;
        gBattle = old;
    }
    void Draw() {
        f.recorder.mCalls.clear();
        gDrawn.clear();
        DrawVisibleCrew(v, true, 0.004f);
    }
};

} // namespace

TEST(CrewLook, ClockToAngle) {
    EXPECT_EQ(CrewLookAngle(0), -35.0f);
    EXPECT_EQ(CrewLookAngle(4000), -35.0f);
    EXPECT_FLOAT_EQ(CrewLookAngle(4500), 0.0f);
    EXPECT_EQ(CrewLookAngle(5000), 35.0f);
    EXPECT_EQ(CrewLookAngle(9000), 35.0f);
    EXPECT_FLOAT_EQ(CrewLookAngle(9999), 35.0f - 999 * 0.07f);
}

TEST_F(VehicleCrew, OpenHatchesShowTwoMenAtMostEachWithHisFaceAndLook) {
    Draw();
    ASSERT_EQ(gDrawn.size(), 2u);
    EXPECT_EQ(gDrawn[0].pose, 2);
    EXPECT_FLOAT_EQ(gDrawn[0].look, 0.0f);
    EXPECT_FALSE(gDrawn[0].lowered);
    EXPECT_EQ(gDrawn[0].face, 5);
    EXPECT_EQ(gDrawn[1].face, 2); // a face outside 0..13 draws face 2
    EXPECT_EQ(gDrawn[1].look, 35.0f);
    EXPECT_FALSE(gDrawn[0].faceSetAllowed);
    EXPECT_TRUE(gAllowFaceSet);
    EXPECT_EQ(gDrawn[0].scale, -1.0f);
    EXPECT_EQ(Depth(f.recorder), 0);
    // The man of pose 2 turns with the turret about its pivot; pose 1 does not.
    const auto turns = CallsOf(f.recorder, DrawOp::kRotate);
    ASSERT_EQ(turns.size(), 3u); // turret, then each man's heading
    EXPECT_EQ(turns[0]->mArgs, (std::vector<float>{2.0f, 40.0f}));
    EXPECT_EQ(turns[1]->mArgs, (std::vector<float>{2.0f, 15.0f}));
    const auto moves = CallsOf(f.recorder, DrawOp::kTranslate);
    EXPECT_EQ(moves[0]->mArgs, (std::vector<float>{0.5f, 0.25f, 0.0f}));
    EXPECT_FLOAT_EQ(moves[2]->mArgs[0], 0.04f * 10.0f);
    EXPECT_FLOAT_EQ(moves[2]->mArgs[1], 0.04f * 20.0f);
    EXPECT_FLOAT_EQ(moves[2]->mArgs[2], 0.04f * 30.0f);
}

TEST_F(VehicleCrew, ButtonedOrBarelySeenHidesTheLowPosesAndDucksTheOthers) {
    v.buttoned = true;
    Draw();
    ASSERT_EQ(gDrawn.size(), 1u);
    EXPECT_EQ(gDrawn[0].pose, 2);
    EXPECT_TRUE(gDrawn[0].lowered);
    bool ducked = false;
    for (const auto* c : CallsOf(f.recorder, DrawOp::kTranslate))
        ducked = ducked || c->mArgs == std::vector<float>{0.0f, 0.0f, -0.017f};
    EXPECT_TRUE(ducked);
    EXPECT_EQ(Depth(f.recorder), 0);
    // Seen below contact 3 the hatches count as closed.
    v.buttoned = false;
    v.contact = 2;
    Draw();
    EXPECT_EQ(gDrawn.size(), 1u);
}

TEST_F(VehicleCrew, NoCrewNoTurnWithoutATurretAndNothingWithoutAFigure) {
    vehicles[0].mFlags = kVCrewFixedInTurret;
    Draw();
    EXPECT_EQ(CallsOf(f.recorder, DrawOp::kRotate).size(), 2u);
    vehicles[0].mFlags = 0;
    v.crewPresent = 0;
    Draw();
    EXPECT_TRUE(gDrawn.empty());
    v.crewPresent = 2;
    v.uniform = 8; // no figure of that uniform on the map
    Draw();
    EXPECT_TRUE(gDrawn.empty());
    EXPECT_EQ(Depth(f.recorder), 0);
}

// Pose by pose: poses 0, 2, 3, 4, 7, 8 and 10 turn with the turret; with
// the hatches closed poses 0 and 1 are not drawn and poses 2, 3, 4, 9 and
// 10 duck.
TEST_F(VehicleCrew, EachPoseTurnsAndDucksByItsOwnRule) {
    v.crewPresent = 1;
    for (int32_t pose = 0; pose <= 10; ++pose) {
        models[28].mCrewPose[0] = pose;
        const bool turns = pose == 0 || pose == 2 || pose == 3 || pose == 4 || pose == 7 || pose == 8 || pose == 10;
        const bool ducks = pose == 2 || pose == 3 || pose == 4 || pose == 9 || pose == 10;
        v.buttoned = false;
        Draw();
        ASSERT_EQ(gDrawn.size(), 1u) << pose;
        EXPECT_FALSE(gDrawn[0].lowered) << pose;
        EXPECT_EQ(CallsOf(f.recorder, DrawOp::kRotate).size(), turns ? 2u : 1u) << pose;
        v.buttoned = true;
        Draw();
        ASSERT_EQ(gDrawn.size(), pose < 2 ? 0u : 1u) << pose;
        if (pose >= 2) EXPECT_EQ(gDrawn[0].lowered, ducks) << pose;
        EXPECT_EQ(Depth(f.recorder), 0) << pose;
    }
}

TEST(VehicleCrewDummy, TheMapsDummyOfTheUniformStandsInTheOpenHatchAndGoesWhenItButtons) {
    DrawFixture f{false};
    TestRows<VehicleData, 1> vehicles{gVehicleData};
    TestRows<VehicleModelData, 236> models{gVehicleModelData};
    TestRows<InfantryData, 800> infantry{gInfantryData};
    infantry[790].mNrTeams = 1;
    infantry[790].mNrMen = infantry[790].mTeamMen[0] = 2;
    Battle battle;
    Battle* old = gBattle;
    gBattle = &battle;
    battle.mMap = FlatMap(4, 4).release();
    battle.mMap->MakeCrewDummy(0, 7); // as a vehicle of uniform 7 makes it
    ASSERT_NE(battle.mMap->mCrewDummies[7], nullptr);
    vehicles[0].mModel = 28;
    VehicleModelData& m = models[28];
    m.mNrCrewPositions = 1;
    m.mCrewPose[0] = 1; // a commander standing in his hatch
    m.mCrewPositions[0] = CrewPosition{10.0f, 20.0f, 30.0f, 0.0f, 0.0f, 0.0f};
    VehicleView v;
    v.contact = 5;
    v.crewPresent = 3;
    v.uniform = 7;
    f.recorder.mCalls.clear();
    DrawVisibleCrew(v, true, 0.004f);
    EXPECT_GT(f.recorder.Polygons(), 0) << "no man in the open hatch";
    EXPECT_EQ(Depth(f.recorder), 0);
    v.buttoned = true;
    f.recorder.mCalls.clear();
    DrawVisibleCrew(v, true, 0.004f);
    EXPECT_EQ(f.recorder.Polygons(), 0) << "a man shows in a closed hatch";
    gBattle = old;
}
