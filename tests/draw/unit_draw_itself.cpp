// A unit's frame: culling by the ground tiles, the true size at unit scale 0
// and enlargement with distance, the frame at the unit, balanced matrices,
// and a click that finds the unit through the drawing.
#include <gtest/gtest.h>

#include <cmath>

#include "DrawScene.h"
#include "DrawTestUtil.h"
#include "battle/UnitList.h"
#include "draw/UnitDraw.h"
#include "models/ModelTables.h"
#include "units/DataTables.h"
#include "units/Vehicle.h"

using namespace dtest;

namespace {

struct OneType {
    VehicleData vehicles[1] = {};
    VehicleModelData models[236] = {};
    VehicleClassChart classes[1] = {};
    OneType() {
        vehicles[0].mModel = 28;
        vehicles[0].mTargetSize = 4.0f;
        for (auto& m : models)
            m.mSize[0] = 6.0f;
        gVehicleData.Attach(vehicles, 1);
        gVehicleModelData.Attach(models, 236);
        gVehicleClassChart.Attach(classes, 1);
    }
    ~OneType() {
        gVehicleData.Detach();
        gVehicleModelData.Detach();
        gVehicleClassChart.Detach();
    }
};

Vehicle* AddVehicle(Battle& b, float x, float y, float heading) {
    auto* v = new Vehicle;
    v->mX = x, v->mY = y, v->mHeading = heading;
    v->mActive = true;
    v->mSide = 1; // the viewer's own
    b.mUnits->Add(v);
    return v;
}

int Depth(const DrawRecorder& r) {
    int d = 0;
    for (const DrawCall& c : r.mCalls)
        d += c.mOp == DrawOp::kPush ? 1 : c.mOp == DrawOp::kPop ? -1 : 0;
    return d;
}

} // namespace

TEST(UnitFrame, TrueSizeAtUnitScaleZeroLargerFarAwayWhenEnlargedAndNothingOffTheView) {
    EXPECT_EQ(UnitEnlargement(1.0f, 0.0f, 0.0f, 900.0f), 1.0f);
    EXPECT_EQ(UnitEnlargement(1.3f, 0.3f, 0.1f, 40.0f), 1.3f);
    EXPECT_GT(UnitEnlargement(1.3f, 0.3f, 0.1f, 400.0f), UnitEnlargement(1.3f, 0.3f, 0.1f, 200.0f));
    EXPECT_GT(UnitEnlargement(1.3f, 0.3f, 0.1f, 1500.0f) / UnitEnlargement(1.3f, 0.3f, 0.0f, 1500.0f), 1.0f);

    DrawFixture f(false);
    OneType rows;
    Battle battle;
    Battle* old = gBattle;
    gBattle = &battle;
    Map* map = FlatMap(20, 20).release();
    battle.mMap = map;
    Vehicle* v = AddVehicle(battle, 150.0f, 170.0f, 30.0f);
    Aim(*map, 100.0f, 100.0f, 0.0f, 1);

    v->DrawItself(1.0f, 0.0f, 0.0f);
    EXPECT_EQ(Depth(f.recorder), 0);
    const auto moves = CallsOf(f.recorder, DrawOp::kTranslate);
    ASSERT_FALSE(moves.empty());
    EXPECT_EQ(moves[0]->mArgs, (std::vector<float>{150.0f, 170.0f, v->GetZ()}));
    const auto turns = CallsOf(f.recorder, DrawOp::kRotate);
    ASSERT_FALSE(turns.empty());
    EXPECT_EQ(turns[0]->mArgs, (std::vector<float>{2.0f, -60.0f}));
    // One model unit is the vehicle's length over the model's footprint.
    const auto* t = dm::models::FindModelTable("PzIIIM");
    const float unit = 6.0f / (t->footprint[3] - t->footprint[1]);
    const auto scales = CallsOf(f.recorder, DrawOp::kScale);
    ASSERT_FALSE(scales.empty());
    EXPECT_FLOAT_EQ(scales[0]->mArgs[0], unit);

    // Enlarged from afar.
    f.recorder.mCalls.clear();
    Aim(*map, 150.0f, -300.0f, 0.0f, 1);
    v->DrawItself(1.3f, 0.3f, 0.1f);
    EXPECT_GT(CallsOf(f.recorder, DrawOp::kScale)[0]->mArgs[0], unit * 1.3f);

    // On a ground tile out of view nothing at all is drawn.
    SetAllVisible(*map, 0);
    f.recorder.mCalls.clear();
    v->DrawItself(1.0f, 0.0f, 0.0f);
    EXPECT_TRUE(f.recorder.mCalls.empty());
    gBattle = old;
}

TEST(UnitFrame, AClickFindsTheNearestVehicleElseTheGroundBehindIt) {
    const int32_t w = 160, h = 120;
    DrawFixture f(true, w, h);
    OneType rows;
    dscene::Scene scene(40);
    gDrawRecorder = nullptr;
    scene.map->MakeTextures(false);
    GGraphic* paint = f.shop.Make(40000, 0);
    GGraph3D& r = *g3D;
    scene.Aim(400, 400, 90, 1);
    auto frame = [&] {
        r.RenderBegin(nullptr);
        scene.map->DrawMap();
        r.RenderEnd();
    };
    auto pick = [&](int32_t px, int32_t py) {
        frame();
        gPickedUnit = nullptr;
        r.PushMatrix();
        r.ActivatePicking(px, py, w, h, scene.map->mFieldOfView, 1.0f, 5000.0f);
        scene.map->DrawMap();
        r.Continue3DPick();
        scene.map->DrawMap();
        r.FinishedPicking();
        r.PopMatrix();
    };
    // Where the near vehicle shows: the pixels it changes down the middle column.
    frame();
    std::vector<uint16_t> before(h);
    for (int32_t y = 0; y < h; ++y)
        before[y] = f.renderer->host.At(w / 2, y);
    Vehicle* far = AddVehicle(scene.battle, 400.0f, 430.0f, 0.0f);
    Vehicle* near = AddVehicle(scene.battle, 400.0f, 415.0f, 0.0f);
    for (Vehicle* v : {far, near})
        for (auto& set : v->mTextureSets)
            for (auto& t : set)
                t = paint;
    frame();
    int32_t low = -1, high = -1;
    for (int32_t y = 0; y < h; ++y)
        if (f.renderer->host.At(w / 2, y) != before[y]) {
            if (high < 0) high = y;
            low = y;
        }
    ASSERT_GE(high, 0);
    const int32_t row = (low + high) / 2;
    pick(w / 2, row);
    EXPECT_EQ(gPickedUnit, near);
    EXPECT_NE(gPickedUnit, far);
    // Beside the vehicles: no unit, the ground point.
    pick(5, h - 5);
    EXPECT_EQ(gPickedUnit, nullptr);
    float p[3];
    ASSERT_TRUE(r.GetPickPoint(p, p + 1, p + 2));
    EXPECT_NEAR(p[2], scene.map->GetZCoord(p[0], p[1]), 1.0f);
    EXPECT_EQ(g3D->GetMatrixDepth(), 0);
    scene.map->DeleteTextures();
}
