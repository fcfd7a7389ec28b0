// A unit's frame: culling by the ground tiles, the true size at unit scale 0
// and enlargement with distance, the frame at the unit, balanced matrices,
// and a click that finds the unit through the drawing.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "DrawScene.h"
#include "DrawTestUtil.h"
#include "battle/BattleHost.h"
#include "battle/UnitList.h"
#include "draw/UnitDraw.h"
#include "models/ModelTables.h"
#include "units/DataTables.h"
#include "units/Infantry.h"
#include "units/Vehicle.h"

using namespace dtest;

namespace {

struct OneType {
    TestRows<VehicleData, 1> vehicles{gVehicleData};
    TestRows<VehicleModelData, 236> models{gVehicleModelData};
    TestRows<VehicleClassChart, 1> classes{gVehicleClassChart};
    OneType() {
        vehicles[0].mModel = 28;
        vehicles[0].mTargetSize = 4.0f;
        for (auto& m : models)
            m.mSize[0] = 6.0f;
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

} // namespace

TEST(UnitFrame, TrueSizeAtUnitScaleZeroLargerFarAwayWhenEnlargedAndNothingOffTheView) {
    EXPECT_EQ(UnitEnlargement(1.0f, 0.0f, 0.0f, 900.0f), 1.0f);
    EXPECT_EQ(UnitEnlargement(1.3f, 0.3f, 0.1f, 40.0f), 1.3f);
    EXPECT_GT(UnitEnlargement(1.3f, 0.3f, 0.1f, 400.0f), UnitEnlargement(1.3f, 0.3f, 0.1f, 200.0f));
    EXPECT_GT(UnitEnlargement(1.3f, 0.3f, 0.1f, 1500.0f) / UnitEnlargement(1.3f, 0.3f, 0.0f, 1500.0f), 1.0f);
    // Seen from 3 km up, a unit below the eye takes the base scale; one a
    // little aside hardly more.
    EXPECT_EQ(UnitEnlargement(3.0f, 0.53f, 0.26f, 3000.0f, 3000.0f), 3.0f);
    EXPECT_LT(UnitEnlargement(3.0f, 0.53f, 0.26f, 3300.0f, 3000.0f), 3.2f);
    // An enlarged unit keeps within the map: 8 m of reach 10 m from the edge
    // allow 1.25 times, never less than the true size.
    EXPECT_EQ(EnlargementWithinMap(3.0f, 250.0f, 250.0f, 8.0f, 500.0f, 500.0f), 3.0f);
    EXPECT_FLOAT_EQ(EnlargementWithinMap(3.0f, 250.0f, 490.0f, 8.0f, 500.0f, 500.0f), 1.25f);
    EXPECT_EQ(EnlargementWithinMap(3.0f, 2.0f, 250.0f, 8.0f, 500.0f, 500.0f), 1.0f);
    EXPECT_EQ(EnlargementWithinMap(0.8f, 2.0f, 250.0f, 8.0f, 500.0f, 500.0f), 0.8f);

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
    // One model unit is the unit the model was made in.
    const auto* t = dm::models::FindModelTable("PzIIIM");
    const float unit = t->unitMetres;
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

namespace {

// The built battlefield seen from camera level 1 on a 160 x 120 screen, with
// a click through both pick passes.
class Clicks : public ::testing::Test {
protected:
    static constexpr int32_t w = 160, h = 120;
    DrawFixture f{true, w, h};
    OneType rows;
    dscene::Scene scene{40};
    GGraphic* paint = nullptr;
    void SetUp() override {
        gDrawRecorder = nullptr;
        scene.map->MakeTextures(false);
        paint = f.shop.Make(40000, 0);
        scene.Aim(400, 400, 90, 1);
    }
    void TearDown() override { scene.map->DeleteTextures(); }
    void Frame() {
        g3D->RenderBegin(nullptr);
        scene.map->DrawMap();
        g3D->RenderEnd();
    }
    void Pick(int32_t px, int32_t py) {
        GGraph3D& r = *g3D;
        Frame();
        gPickedUnit = nullptr;
        r.PushMatrix();
        r.ActivatePicking(px, py, w, h, scene.map->mFieldOfView, 1.0f, 5000.0f);
        scene.map->DrawMap();
        r.Continue3DPick();
        scene.map->DrawMap();
        r.FinishedPicking();
        r.PopMatrix();
    }
    std::vector<uint16_t> MiddleColumn() {
        Frame();
        std::vector<uint16_t> column(h);
        for (int32_t y = 0; y < h; ++y)
            column[y] = f.renderer->host.At(w / 2, y);
        return column;
    }
    // The middle row of the pixels that `add` changes down the middle
    // column, or -1 when it changes none.
    template <class F> int32_t RowShowing(F add) {
        const auto [high, low] = RowsShowing(add);
        return high < 0 ? -1 : (low + high) / 2;
    }
    // The top and bottom rows of the longest run of pixels that `add`
    // changes down the middle column (a label may change a few more apart),
    // or -1 for both when it changes none.
    template <class F> std::pair<int32_t, int32_t> RowsShowing(F add) {
        const std::vector<uint16_t> before = MiddleColumn();
        add();
        const std::vector<uint16_t> after = MiddleColumn();
        std::pair<int32_t, int32_t> best{-1, -1};
        for (int32_t y = 0; y < h;) {
            if (after[y] == before[y]) {
                ++y;
                continue;
            }
            const int32_t first = y;
            while (y < h && after[y] != before[y])
                ++y;
            if (best.first < 0 || y - 1 - first > best.second - best.first) best = {first, y - 1};
        }
        return best;
    }
    Infantry* NewSquad(float x, float y) {
        auto* u = new Infantry;
        u->mX = x, u->mY = y;
        u->mHeading = 90.0f;
        u->mActive = true;
        u->mSide = 1; // the viewer's own
        for (auto& set : u->mTextureSets)
            for (auto& t : set)
                t = paint;
        return u;
    }
    // Polygons drawn with the squads' and vehicles' texture, and whether
    // any of them asked for clipping.
    int32_t Painted(bool* clipped = nullptr) const {
        int32_t n = 0;
        for (const DrawCall& c : f.recorder.mCalls)
            if (c.mTexture == paint &&
                (c.mOp == DrawOp::kTextureFan || c.mOp == DrawOp::kTextureStrip ||
                 c.mOp == DrawOp::kTexturedQuad || c.mOp == DrawOp::kTexturedTriangle)) {
                ++n;
                if (clipped && c.mNeedsClip) *clipped = true;
            }
        return n;
    }
};

} // namespace

TEST_F(Clicks, AClickFindsTheNearestVehicleElseTheGroundBehindIt) {
    Vehicle* far = nullptr;
    Vehicle* near = nullptr;
    const int32_t row = RowShowing([&] {
        far = AddVehicle(scene.battle, 400.0f, 430.0f, 0.0f);
        near = AddVehicle(scene.battle, 400.0f, 415.0f, 0.0f);
        for (Vehicle* v : {far, near})
            for (auto& set : v->mTextureSets)
                for (auto& t : set)
                    t = paint;
    });
    ASSERT_GE(row, 0);
    Pick(w / 2, row);
    EXPECT_EQ(gPickedUnit, near);
    EXPECT_NE(gPickedUnit, far);
    // Beside the vehicles: no unit, the ground point.
    Pick(5, h - 5);
    EXPECT_EQ(gPickedUnit, nullptr);
    float p[3];
    ASSERT_TRUE(g3D->GetPickPoint(p, p + 1, p + 2));
    EXPECT_NEAR(p[2], scene.map->GetZCoord(p[0], p[1]), 1.0f);
    EXPECT_EQ(g3D->GetMatrixDepth(), 0);
}

TEST_F(Clicks, AClickOnATowedGunFindsTheGunsUnit) {
    TestRows<InfantryData, 1> infantry{gInfantryData};
    TestRows<WeaponData, 1> weapons{gWeaponData};
    TestRows<SmallArmsData, kSmallArmsCount> arms{gSmallArmsData};
    weapons[0].mClass = kWClassGun;
    weapons[0].mOrdnanceModel = 13; // the light flak gun's model
    weapons[0].mModelScale = 1.0f;
    infantry[0].mHeavyWeapon = 0;
    infantry[0].mNrTeams = 1;
    infantry[0].mNrMen = infantry[0].mTeamMen[0] = 4;
    infantry[0].mTeamAnimGroup[0] = 10;
    Infantry* gun = nullptr;
    const int32_t row = RowShowing([&] {
        gun = new Infantry;
        gun->mX = 400.0f, gun->mY = 408.0f;
        gun->mHeading = 90.0f;
        gun->mActive = true;
        gun->mSide = 1; // the viewer's own
        for (auto& set : gun->mTextureSets)
            for (auto& t : set)
                t = paint;
        scene.battle.mUnits->Add(gun);
    });
    ASSERT_GE(row, 0);
    Pick(w / 2, row);
    EXPECT_EQ(gPickedUnit, gun);
    // A click beside it finds no unit.
    Pick(5, h - 5);
    EXPECT_EQ(gPickedUnit, nullptr);
    EXPECT_EQ(g3D->GetMatrixDepth(), 0);
}

namespace {

// One man of a team, with nothing heavy to carry.
struct OneMan {
    TestRows<InfantryData, 1> infantry{gInfantryData};
    TestRows<UniformGraphics, 2> uniforms{gUniformGraphics};
    OneMan() {
        infantry[0].mIsSquad = 0;
        infantry[0].mHeavyWeapon = 286;
    }
};

} // namespace

TEST_F(Clicks, ASquadsOwnBoxIsInMetresCullingItBesideTheViewAndSparingClipsWithin) {
    OneMan rows2;
    Infantry* beside = NewSquad(300.0f, 420.0f); // far off to the side
    Infantry* ahead = NewSquad(400.0f, 420.0f);
    g3D->RenderBegin(nullptr);
    scene.map->DrawMap(); // the camera's view
    // Every ground tile straddles the view's edge: the squads' own boxes decide.
    SetAllVisible(*scene.map, 1);
    gDrawRecorder = &f.recorder;
    f.recorder.mCalls.clear();
    beside->DrawItself(1.0f, 0.0f, 0.0f);
    EXPECT_EQ(Painted(), 0);
    EXPECT_EQ(Depth(f.recorder), 0);
    f.recorder.mCalls.clear();
    ahead->DrawItself(1.0f, 0.0f, 0.0f);
    bool clipped = false;
    EXPECT_GT(Painted(&clipped), 0);
    EXPECT_FALSE(clipped); // wholly inside the view
    EXPECT_EQ(Depth(f.recorder), 0);
    gDrawRecorder = nullptr;
    g3D->RenderEnd();
    beside->NullifyTextures(false); // the test's paint
    delete beside;
    ahead->NullifyTextures(false);
    delete ahead;
}

TEST_F(Clicks, AClickOnTheTopOrBottomEdgeOfASquadOrVehicleStillFindsIt) {
    OneMan rows2;
    Infantry* squad = nullptr;
    const auto [top, bottom] = RowsShowing([&] {
        squad = NewSquad(400.0f, 406.0f);
        scene.battle.mUnits->Add(squad);
    });
    ASSERT_GE(top, 0);
    for (int32_t row : {top, bottom}) {
        Pick(w / 2, row);
        EXPECT_EQ(gPickedUnit, squad) << "row " << row;
    }
    squad->mOffMapState = 1; // out of the way of the vehicle
    Vehicle* v = nullptr;
    const auto [vtop, vbottom] = RowsShowing([&] {
        v = AddVehicle(scene.battle, 400.0f, 425.0f, 0.0f);
        for (auto& set : v->mTextureSets)
            for (auto& t : set)
                t = paint;
    });
    ASSERT_GE(vtop, 0);
    for (int32_t row : {vtop, vbottom}) {
        Pick(w / 2, row);
        EXPECT_EQ(gPickedUnit, v) << "row " << row;
    }
    EXPECT_EQ(g3D->GetMatrixDepth(), 0);
}

namespace {

struct ShownLabel {
    std::string first, second;
    int32_t kinds[2] = {-1, -1};
    int32_t count = 0;
    int32_t x = 0, y = 0;
};
ShownLabel* sShown = nullptr;

void RecordLabel(Map*, int32_t x, int32_t y, GString* a, int32_t ka, GString* b, int32_t kb) {
    if (!sShown) return;
    sShown->x = x, sShown->y = y;
    sShown->first = a ? a->GetCString() : "";
    sShown->second = b ? b->GetCString() : "";
    sShown->kinds[0] = ka, sShown->kinds[1] = kb;
    ++sShown->count;
}

} // namespace

TEST(HitRecordShown, InTheReplayWithKeyDForTheHitSliceAndTheNext160AndNeverFromADamagedRecord) {
    DrawFixture f;
    OneType rows;
    Battle battle;
    Battle* old = gBattle;
    gBattle = &battle;
    BattleHost host;
    battle.mHost = &host;
    Map* map = FlatMap(20, 20).release();
    battle.mMap = map;
    battle.InstallMapLink();
    rows.vehicles[0].mArmorPlates[2].mThickness = 30; // armoured
    Vehicle* v = AddVehicle(battle, 150.0f, 170.0f, 30.0f);
    Aim(*map, 100.0f, 100.0f, 0.0f, 1);
    map->PositionCamera();
    ShownLabel shown;
    sShown = &shown;
    gDrawHooks.showWarningLabel = RecordLabel;
    f.settings.mShowLabels = false; // only the hit record

    // A clean penetration of the upper hull's front, from the packet's copy.
    v->mHitRecord[0] = 1, v->mHitRecord[1] = 0, v->mHitRecord[2] = 2, v->mHitRecord[3] = 2;
    v->mHitRecordBytes[0] = kHitWeakSpot;
    v->mHitRecordSlice = 1000;
    battle.mPlayNow = 1100;
    auto draw = [&] {
        shown = ShownLabel{};
        v->DrawItself(1.0f, 0.0f, 0.0f);
        EXPECT_EQ(Depth(f.recorder), 0);
        return shown.count;
    };
    f.settings.mState = 8;
    f.settings.mShowHitRecords = true;
    const HitRecordFacts facts = HitFactsOf(v);
    EXPECT_GE(facts.contact, 2);
    EXPECT_TRUE(facts.full);
    v->ShowHitRecord();
    EXPECT_EQ(shown.count, 1);
    ASSERT_EQ(draw(), 1);
    EXPECT_EQ(shown.first, "Front obere Wanne Durchschlag am Schwachpunkt");
    EXPECT_EQ(shown.second, "2 verwundet");
    EXPECT_EQ(shown.kinds[0], 3);
    EXPECT_EQ(shown.kinds[1], 3);
    f.settings.mShowHitRecords = false; // key D off
    EXPECT_EQ(draw(), 0);
    f.settings.mShowHitRecords = true;
    f.settings.mState = 0; // not in the replay
    EXPECT_EQ(draw(), 0);
    f.settings.mState = 8;
    battle.mPlayNow = 1161;
    EXPECT_EQ(draw(), 0);
    battle.mPlayNow = 1160;
    EXPECT_EQ(draw(), 1);

    // Bytes that mean bounced with no grade: a ricochet.
    v->mHitRecord[2] = 0, v->mHitRecord[3] = 0;
    v->mHitRecordBytes[0] = kHitBounced;
    v->ShowHitRecord();
    EXPECT_EQ(shown.second, "Gescho\xDF prallte ab"); // Latin-1

    // A record read from a damaged file shows nothing.
    for (int32_t k : {0, 1, 3}) {
        const int32_t kept = v->mHitRecord[k];
        v->mHitRecord[k] = 9;
        shown = ShownLabel{};
        v->ShowHitRecord();
        EXPECT_EQ(shown.count, 0) << k;
        v->mHitRecord[k] = kept;
    }

    // The label stands 5 m aside while the camera of the side at the screen
    // is at level 5 or above, whichever side that is.
    auto place = [&](Affiliation viewer, int32_t own, int32_t other) {
        host.SetViewingSide(viewer);
        v->mSide = static_cast<char>(viewer == kAxis ? 1 : 0);
        map->mCameraLevel[viewer] = own;
        map->mCameraLevel[1 - viewer] = other;
        v->ShowHitRecord();
        return std::pair<int32_t, int32_t>{shown.x, shown.y};
    };
    const auto plain = place(kAxis, 0, 0);
    EXPECT_NE(place(kAxis, 5, 0), plain);
    EXPECT_EQ(place(kAllies, 5, 0), place(kAxis, 5, 0));
    EXPECT_EQ(place(kAxis, 0, 5), plain);
    EXPECT_EQ(place(kAllies, 0, 5), plain);
    gDrawHooks.showWarningLabel = nullptr;
    sShown = nullptr;
    gBattle = old;
}
