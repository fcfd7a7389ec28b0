// A vehicle as the viewing side sees it: far shape or model by distance and
// identification, the statics its model reads, flames and the shadow.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "DrawTestUtil.h"
#include "battle/Battle.h"
#include "draw/UnitDraw.h"
#include "models/ModelTables.h"
#include "units/DataTables.h"

using namespace dtest;

namespace {

// Installs three vehicle types (model 28, 199, an unmodelled 60) and three
// classes drawn as far tank, far lorry and never as a shape.
struct VehicleRows {
    TestRows<VehicleData, 3> vehicles{gVehicleData};
    TestRows<VehicleClassChart, 4> classes{gVehicleClassChart};
    TestRows<VehicleModelData, 236> models{gVehicleModelData};
    VehicleRows() {
        const int32_t model[3] = {28, 199, 60};
        for (int i = 0; i < 3; ++i) {
            vehicles[i].mModel = model[i];
            vehicles[i].mTargetSize = 4.0f;
            vehicles[i].mClass = i;
            vehicles[i].mGunReach = 1;
        }
        classes[0].mDrawingClass = 0;
        classes[1].mDrawingClass = 1;
        classes[2].mDrawingClass = 2;
        classes[3].mDrawingClass = -1;
        for (auto& m : models)
            m.mSize[0] = 6.0f;
    }
};

class VehicleDraw : public ::testing::Test {
protected:
    DrawFixture f{false};
    VehicleRows rows;
    Battle battle;
    Battle* oldBattle = nullptr;
    Map* map = nullptr;
    char cells[17] = {};
    GGraphic* tex[17];
    VehicleView v;

    void SetUp() override {
        oldBattle = gBattle;
        gBattle = &battle;
        map = FlatMap(20, 20).release();
        battle.mMap = map;
        for (int i = 0; i < 17; ++i)
            tex[i] = reinterpret_cast<GGraphic*>(&cells[i]);
        v.textures = tex;
        v.x = 200.0f, v.y = 200.0f;
        v.contact = 5, v.level = 3;
        v.turretFacing = 25.0f, v.gunElevation = 4.0f, v.wreckGunElevation = 9.0f, v.wreckTurretTilt = 14.0f;
        gModelStatics = ModelStatics{};
    }
    void TearDown() override { gBattle = oldBattle; }

    void Draw(float factor) {
        f.recorder.mCalls.clear();
        DrawVehicleView(v, true, factor);
    }
    // The first scale of the far tank is its size scale (0.85 x size value).
    bool DrewFarTank() const {
        const auto s = CallsOf(f.recorder, DrawOp::kScale);
        return !s.empty() && s[0]->mArgs[0] == 0.85f * 4.0f;
    }
    int Polygons() const {
        int n = 0;
        for (const DrawCall& c : f.recorder.mCalls)
            n += c.mOp == DrawOp::kTextureFan || c.mOp == DrawOp::kTextureStrip || c.mOp == DrawOp::kFan ||
                 c.mOp == DrawOp::kTriangle || c.mOp == DrawOp::kTexturedTriangle;
        return n;
    }
};

} // namespace

TEST_F(VehicleDraw, FarShapesOnlyBelowFactorTwoForIdentifiedVehiclesOfClassZeroOrOne) {
    Draw(1.99f);
    EXPECT_TRUE(DrewFarTank());
    EXPECT_EQ(sShadowCoords[0], 9999.0f); // no shadow under a far shape
    Draw(2.0f);
    EXPECT_FALSE(DrewFarTank());
    EXPECT_EQ(sShadowCoords[0], dm::models::FindModelTable("PzIIIM")->footprint[0]);
    // Seen below contact 3: the full model at any distance, texture set 0.
    v.contact = 2, v.level = 0;
    Draw(0.5f);
    EXPECT_FALSE(DrewFarTank());
    EXPECT_NE(sShadowCoords[0], 9999.0f);
    // The far lorry has no scale and no gun.
    v.contact = 5, v.level = 3, v.knownClass = 1;
    Draw(1.0f);
    EXPECT_TRUE(CallsOf(f.recorder, DrawOp::kScale).empty());
    EXPECT_EQ(Polygons(), 4 + 12 + 16 + 1);
    // Class 2 and a negative class draw the model even far away.
    for (int cls : {2, 3}) {
        v.knownClass = cls;
        Draw(0.1f);
        EXPECT_NE(sShadowCoords[0], 9999.0f) << cls;
    }
}

TEST_F(VehicleDraw, LowDetailBelowFactorFiveAndAShapeKeepsThePreviousSetting) {
    Draw(4.99f);
    EXPECT_TRUE(gDrawLOD);
    Draw(5.0f);
    EXPECT_FALSE(gDrawLOD);
    Draw(1.0f); // far shape
    EXPECT_FALSE(gDrawLOD);
}

TEST_F(VehicleDraw, TurretGunAndTiltFollowWhatTheViewerSees) {
    Draw(10.0f);
    EXPECT_EQ(gModelStatics.headFacing, 25.0f);
    EXPECT_EQ(gModelStatics.gunElevate, 4.0f);
    EXPECT_EQ(gModelStatics.turretTilt, 0.0f);
    v.alive = false;
    v.turretDislodged = true;
    Draw(10.0f);
    EXPECT_EQ(gModelStatics.gunElevate, 9.0f);
    EXPECT_EQ(gModelStatics.turretTilt, 14.0f);
    rows.vehicles[0].mFlags = kVWreckGunThird;
    Draw(10.0f);
    EXPECT_FLOAT_EQ(gModelStatics.gunElevate, 9.0f * 0.33333334f);
    v.contact = 1, v.level = 0;
    Draw(10.0f);
    EXPECT_EQ(gModelStatics.headFacing, 0.0f);
    EXPECT_EQ(gModelStatics.gunElevate, 0.0f);
    EXPECT_EQ(gModelStatics.turretTilt, 0.0f);
}

TEST_F(VehicleDraw, TheBelievedTypeChoosesTheModelAndOnlyModel199GetsTheLongGun) {
    v.shownType = 1;
    Draw(10.0f);
    EXPECT_TRUE(gModelStatics.longBarrel);
    EXPECT_EQ(sShadowCoords[0], dm::models::FindModelTable("M3_Lee")->footprint[0]);
    rows.vehicles[1].mModel = 198;
    Draw(10.0f);
    EXPECT_FALSE(gModelStatics.longBarrel);
    // An unmodelled number draws the general model, which casts no shadow.
    v.shownType = 2;
    Draw(10.0f);
    EXPECT_EQ(sShadowCoords[0], 9999.0f);
    EXPECT_GT(Polygons(), 0);
}

TEST_F(VehicleDraw, FlamesOfABurningVehicleAreFaintOnlyCloseToALowCamera) {
    v.burning = true;
    map->mCameraLevel[0] = 1;
    map->mEyeX = 210.0f, map->mEyeY = 200.0f;
    Draw(10.0f);
    auto opacities = CallsOf(f.recorder, DrawOp::kOpacity);
    ASSERT_FALSE(opacities.empty());
    EXPECT_EQ(opacities.front()->mArgs[0], 0.9f);
    const size_t withFire = f.recorder.mCalls.size();
    map->mCameraLevel[0] = 2;
    Draw(10.0f);
    opacities = CallsOf(f.recorder, DrawOp::kOpacity);
    ASSERT_EQ(opacities.size(), 1u);
    EXPECT_EQ(opacities[0]->mArgs[0], 1.0f);
    // No flames in a pick pass.
    rtest::Fixture renderer(160, 120);
    g3D->mPickPass = 1;
    Draw(10.0f);
    g3D->mPickPass = 0;
    EXPECT_LT(f.recorder.mCalls.size(), withFire - 1);
    EXPECT_TRUE(CallsOf(f.recorder, DrawOp::kOpacity).empty());
}

TEST_F(VehicleDraw, ShadowIsOneQuadOnFlatGroundAFanOnUnevenAndNoneAtNight) {
    Draw(10.0f);
    map->mCameraLevel[0] = 3;
    f.recorder.mCalls.clear();
    DrawVehicleShadow(v, 30.0f, true);
    auto quads = CallsOf(f.recorder, DrawOp::kQuad);
    ASSERT_EQ(quads.size(), 1u);
    // Open ground takes no lift; raised 0.02 x (level + 2) over flat ground;
    // corners turned by facing - 90.
    for (int k = 0; k < 4; ++k)
        EXPECT_FLOAT_EQ(quads[0]->mArgs[3 * k + 2], map->GetZCoord(200.0f, 200.0f) + 0.1f);
    const float* fp = sShadowCoords;
    EXPECT_NEAR(quads[0]->mArgs[0], 200.0f + fp[1] * 30.0f, 1e-3f); // facing 0: x' = y
    EXPECT_NEAR(quads[0]->mArgs[1], 200.0f - fp[0] * 30.0f, 1e-3f);

    // A ridge under the vehicle.
    for (int32_t i = 98; i <= 101; ++i)
        for (int32_t j = 0; j < map->mPointsY; ++j)
            map->SetPoint(i, j, EncodePoint(110, 0));
    map->RecomputeHeights();
    f.recorder.mCalls.clear();
    DrawVehicleShadow(v, 30.0f, true);
    EXPECT_TRUE(CallsOf(f.recorder, DrawOp::kQuad).empty());
    auto fans = CallsOf(f.recorder, DrawOp::kFan);
    ASSERT_EQ(fans.size(), 1u);
    EXPECT_EQ(fans[0]->mCount, 8);

    battle.mTimeOfDay = 3;
    f.recorder.mCalls.clear();
    DrawVehicleShadow(v, 30.0f, true);
    EXPECT_TRUE(f.recorder.mCalls.empty());
    battle.mTimeOfDay = 1;
    v.dugIn = true;
    DrawVehicleShadow(v, 30.0f, true);
    EXPECT_TRUE(f.recorder.mCalls.empty());
}

TEST_F(VehicleDraw, ShadowCornersBeyondTheMapArePulledOntoItsEdge) {
    Draw(10.0f);
    v.x = 1.0f, v.y = map->mHeightMetres - 0.5f;
    f.recorder.mCalls.clear();
    DrawVehicleShadow(v, 30.0f, true);
    auto quads = CallsOf(f.recorder, DrawOp::kQuad);
    ASSERT_EQ(quads.size(), 1u);
    for (int k = 0; k < 4; ++k) {
        EXPECT_GE(quads[0]->mArgs[3 * k], 0.0f);
        EXPECT_LE(quads[0]->mArgs[3 * k + 1], map->mHeightMetres - 0.01f);
    }
    EXPECT_EQ(quads[0]->mArgs[0], 0.0f);
}
