// The battlefield's levels of detail on both sides of every edge: the ground's
// far tiles, the overlays' detail distances, the set-up walls' tops, the trees'
// thinning and near mode, the doodads' radius, slots, ranges and top levels,
// the near fires' opacity, the flags' sizes and the unit-enlargement tables.
#include <algorithm>
#include <cmath>

#include "DrawTestUtil.h"
#include "battle/Battle.h"
#include "battle/VictoryFlag.h"
#include "draw/DrawTables.h"
#include "draw/InfantryDraw.h"

using namespace dtest;

namespace {

// The camera looks along +x from a ground point at the eye's height 0, so
// that the rough resolution of a point ahead is width / (distance x fov).
void LookAlongX(Map& m, float cameraX, float cameraY, int32_t level, float fov = 50.0f) {
    Aim(m, cameraX, cameraY, 0.0f, level);
    m.mCameraHeight = 0.0f;
    m.mScreenWidth = 800;
    m.mFieldOfView = fov;
    m.mLevelTransition = 0.0f;
}

} // namespace

// 800 pixels over 100 m at a 50-degree view: 800 / 5000. Only the offset
// along the heading counts, and the height above the point when larger.
TEST(RoughResolution, WidthOverTheLargerOfDistanceAheadAndHeightTimesTheView) {
    DrawFixture f(false);
    auto m = FlatMap(4, 4);
    LookAlongX(*m, 0.0f, 0.0f, 1);
    EXPECT_FLOAT_EQ(m->GetRoughResolution(100.0f, 0.0f, 0.0f), 0.16f);
    EXPECT_FLOAT_EQ(m->GetRoughResolution(-100.0f, 0.0f, 0.0f), 0.16f);
    EXPECT_FLOAT_EQ(m->GetRoughResolution(100.0f, 70.0f, 0.0f), 0.16f); // sideways does not count
    m->mCameraHeight = 200.0f;                                          // now the height is larger
    EXPECT_FLOAT_EQ(m->GetRoughResolution(100.0f, 0.0f, 0.0f), 0.08f);
    EXPECT_FLOAT_EQ(m->GetRoughResolution(100.0f, 0.0f, 150.0f), 0.16f);
    // Turned a quarter: the distance ahead is now along y.
    m->mCameraHeight = 0.0f;
    m->mCameraHeading[0] = 1.5707964f;
    EXPECT_NEAR(m->GetRoughResolution(0.0f, 100.0f, 0.0f), 0.16f, 1e-5f);
    // Straight below the eye the measure is held at width / 0.0001.
    EXPECT_FLOAT_EQ(m->GetRoughResolution(0.0f, 0.0f, 0.0f), 800.0f / 0.0001f);
}

TEST(OverlayDetail, TreeCodesDropJustBelowEachLevelsDetailDistanceAndStayJustAbove) {
    DrawFixture f;
    auto m = FlatMap(4, 4);
    m->mSquares[0].mOverlay[0] = 21; // square (0, 0), centre (10, 10)
    const float table[5] = {0.045f, 0.037f, 0.03f, 0.02f, 0.015f};
    auto drawnAt = [&](int32_t level, float resolution) {
        // 800 / (d x 50) = resolution at the square's centre.
        LookAlongX(*m, 10.0f - 16.0f / resolution, 10.0f, level);
        f.recorder.mCalls.clear();
        m->DrawOverlays();
        return f.recorder.Polygons();
    };
    for (int32_t L = 0; L < 5; ++L) {
        EXPECT_EQ(drawnAt(L, table[L] * 1.01f), 1) << "level " << L;
        EXPECT_EQ(drawnAt(L, table[L] * 0.99f), 0) << "level " << L;
    }
    // From level 5 the tree codes are drawn however far.
    for (int32_t L = 5; L <= 8; ++L)
        EXPECT_EQ(drawnAt(L, 0.001f), 1) << "level " << L;
    // Other codes are never thinned.
    m->mSquares[0].mOverlay[0] = 23;
    EXPECT_EQ(drawnAt(0, 0.001f), 1);
    for (int32_t code : {20, 22}) {
        m->mSquares[0].mOverlay[0] = static_cast<Terrain>(code);
        EXPECT_EQ(drawnAt(2, 0.0297f), 0) << code;
        EXPECT_EQ(drawnAt(2, 0.0303f), 1) << code;
    }
}

TEST(OverlayDetail, EdgeFeaturesRiseFourTenthsOfTheLiftDoubledFromLevelTwo) {
    DrawFixture f;
    auto m = FlatMap(4, 4);
    m->mSquares[0].mEdge[3 * 2 + 1] = 1; // one edge feature, no overlay
    auto ratio = [&](int32_t level) {
        LookAlongX(*m, -30.0f, 10.0f, level);
        f.recorder.mCalls.clear();
        m->DrawOverlays();
        auto moves = CallsOf(f.recorder, DrawOp::kTranslate);
        EXPECT_GE(moves.size(), 2u);
        return moves.size() < 2 ? 0.0f : moves[1]->mArgs[2] / moves[0]->mArgs[2];
    };
    EXPECT_FLOAT_EQ(ratio(0), 0.4f);
    EXPECT_FLOAT_EQ(ratio(1), 0.4f);
    EXPECT_FLOAT_EQ(ratio(2), 0.8f);
    EXPECT_FLOAT_EQ(ratio(4), 0.8f);
}

// The tile (0, 0) of a sloping map (centre 40, 40) is far only when the
// camera is more than 400 m from it along x or y and its resolution is
// below 0.034; only below level 5 and with a limited horizon.
TEST(FarGroundTile, FourHundredMetresAwayAndAResolutionBelowTheLimit) {
    DrawFixture f;
    auto m = FlatMap(50, 50);
    ShapeMap(*m, [](float x, float y) { return 0.02f * x + 0.01f * y + 0.0001f * x * y; });
    SetAllVisible(*m, 1);
    f.settings.mHorizon = 2;
    auto far = [&](float camX, float camY, int32_t level, float fov, float eye = 0.0f) {
        LookAlongX(*m, camX, camY, level, fov);
        m->mCameraHeight = eye;
        m->DrawOpenGround();
        return m->mFarTileDrawn[0] != 0;
    };
    // fov 100: 800 / (400 x 100) = 0.02, well below the limit.
    EXPECT_FALSE(far(440.0f, 40.0f, 2, 100.0f)); // exactly 400 m along x
    EXPECT_TRUE(far(440.5f, 40.0f, 2, 100.0f));
    EXPECT_FALSE(far(440.0f, 440.0f, 2, 100.0f)); // exactly 400 m both ways
    EXPECT_TRUE(far(40.0f, 440.5f, 2, 100.0f, 400.0f)); // along y alone (resolution from the height)
    EXPECT_FALSE(far(40.0f, 440.0f, 2, 100.0f, 400.0f));
    // The resolution edge, 900 m ahead: 800 / (900 x fov) against 0.034.
    const float atLimit = 800.0f / (900.0f * 0.034f);
    EXPECT_TRUE(far(940.0f, 40.0f, 4, atLimit * 1.01f));
    EXPECT_FALSE(far(940.0f, 40.0f, 4, atLimit * 0.99f));
    // Level 5 and an unlimited horizon never draw far tiles.
    EXPECT_FALSE(far(940.0f, 40.0f, 5, 200.0f));
    f.settings.mHorizon = 0;
    EXPECT_FALSE(far(940.0f, 40.0f, 4, 200.0f));
}

// A lone zone square (0, 0): four walls; their tops are drawn below level 5
// only when the resolution at the first wall's point (19, 0) is above 0.04.
TEST(SetupWallTop, CappedAboveFourHundredthsAtTheFirstWallsPointAndAlwaysFromLevelFive) {
    DrawFixture f;
    BattleScope b;
    auto m = FlatMap(8, 8);
    m->mSquares[0].mSetupZone = 4;
    auto quads = [&](float camX, int32_t level) {
        LookAlongX(*m, camX, 0.0f, level);
        f.recorder.mCalls.clear();
        m->DrawSetupZones();
        return f.recorder.Count(DrawOp::kQuad);
    };
    // 395 m from x = 19: 800 / 19750 = 0.0405; the centre (x = 10) would be 404 m.
    EXPECT_EQ(quads(19.0f + 395.0f, 4), 8);
    // 405 m from x = 19: 0.0395; the centre would be 396 m (0.0404).
    EXPECT_EQ(quads(19.0f - 405.0f, 4), 4);
    EXPECT_EQ(quads(19.0f - 405.0f, 5), 8);
    // The top's width: 0.3 below level 5, then (level - 1) x 0.3.
    const float widths[9] = {0.3f, 0.3f, 0.3f, 0.3f, 0.3f, 1.2f, 1.5f, 1.8f, 2.1f};
    for (int32_t L = 0; L <= 8; ++L) {
        ASSERT_EQ(quads(19.0f - 10.0f, L), 8) << L;
        const auto q = CallsOf(f.recorder, DrawOp::kQuad);
        // The first wall (19, 1)-(19, 19), then its top shifted by w.
        EXPECT_NEAR(q[1]->mArgs[3] - q[1]->mArgs[0], widths[L], 1e-5f) << L;
        EXPECT_NEAR(q[1]->mArgs[4] - q[1]->mArgs[1], widths[L], 1e-5f) << L;
    }
}

// One tree at an odd index of list 0: far beyond 600000 m^2 x zoom^2 x
// max(density, 1) below density 3, where odd trees are left out.
TEST(TreeThinning, OddTreesGoJustBeyondTheSquaredDistanceScaledByZoomAndDensity) {
    DrawFixture f;
    auto m = FlatMap(120, 40);
    for (auto& list : m->mTrees)
        list->EmptyOut(true);
    Aim(*m, 10, 400, 0, 1);
    m->mEyeX = 10.0f;
    m->mEyeY = 400.0f;
    auto* near = new Tree;
    near->mX = 5.0f, near->mY = 400.0f;
    auto* odd = new Tree;
    odd->mY = 400.0f;
    m->mTrees[0]->Add(near);
    m->mTrees[0]->Add(odd);
    auto drawn = [&](int32_t density, int32_t zoom, float d2) {
        odd->mX = 10.0f + std::sqrt(d2);
        f.settings.mTreeDensity = density;
        f.settings.mZoom = zoom;
        f.recorder.mCalls.clear();
        m->DrawTrees();
        return f.recorder.Count(DrawOp::kTexturedQuad) - 1;
    };
    const struct { int32_t density, zoom; float limit; } cases[] = {
        {1, 1, 600000.0f}, {2, 1, 1200000.0f}, {1, 2, 2400000.0f}, {2, 2, 4800000.0f}};
    for (const auto& c : cases) {
        EXPECT_EQ(drawn(c.density, c.zoom, c.limit * 0.99f), 1) << c.density << " " << c.zoom;
        EXPECT_EQ(drawn(c.density, c.zoom, c.limit * 1.01f), 0) << c.density << " " << c.zoom;
    }
    // Density 3 never thins; but it draws only lists 0 to 2.
    EXPECT_EQ(drawn(3, 1, 4.0e6f), 1);
}

TEST(TreeMode, UprightBelowLevelFourCrownsFromFiveAndAtFourOnlyWhenChangingFromElsewhereThanThree) {
    DrawFixture f;
    auto m = FlatMap(8, 8);
    for (auto& list : m->mTrees)
        list->EmptyOut(true);
    auto* t = new Tree;
    t->mX = 50.0f, t->mY = 50.0f, t->mSize = 10.0f;
    m->mTrees[0]->Add(t);
    m->mEyeX = 60.0f;
    m->mEyeY = 50.0f;
    f.settings.mTreeDensity = 4;
    // A crown is raised 1.5 m; an upright picture stands on the tree's base.
    auto crown = [&](int32_t level, float transition, int32_t previous) {
        Aim(*m, 60, 50, 0, level);
        m->mLevelTransition = transition;
        m->mPreviousCameraLevel = previous;
        f.recorder.mCalls.clear();
        m->DrawTrees();
        auto moves = CallsOf(f.recorder, DrawOp::kTranslate);
        EXPECT_EQ(moves.size(), 1u);
        return !moves.empty() && moves[0]->mArgs[2] == 1.5f;
    };
    EXPECT_FALSE(crown(3, 0.5f, 5));
    EXPECT_FALSE(crown(4, 0.0f, 5));
    EXPECT_FALSE(crown(4, 0.5f, 3));
    EXPECT_TRUE(crown(4, 0.5f, 5));
    EXPECT_TRUE(crown(4, 0.5f, 2));
    EXPECT_TRUE(crown(5, 0.0f, 4));
}

namespace {

// Square (i, 0) of a 70 x 70 map holds the given doodad types, the rest empty;
// the camera stands in square (0, 0).
struct DoodadField {
    DrawFixture f;
    std::unique_ptr<Map> m = FlatMap(70, 70);
    DoodadField() {
        for (Square& q : m->mSquares)
            for (Doodad& d : q.mDoodads)
                d.mTypeAndVariant = kDoodadEmpty;
        Aim(*m, 10, 10, 0, 1);
        f.settings.mDoodadDensity = 4;
        f.settings.mZoom = 1;
    }
    Square& At(int32_t i) { return m->mSquares[static_cast<size_t>(i) * 70]; }
    void Clear() {
        for (Square& q : m->mSquares)
            for (Doodad& d : q.mDoodads)
                d.mTypeAndVariant = kDoodadEmpty;
    }
    int32_t Quads() {
        f.recorder.mCalls.clear();
        m->DrawDoodads();
        return f.recorder.Count(DrawOp::kTexturedQuad);
    }
};

} // namespace

TEST(DoodadRadius, NineteenThirtyTwoFortyFiveAndSixtyFourSquaresWidenedByTheRootOfTheZoom) {
    DoodadField d;
    // Type 4: one quad, its range the whole radius.
    auto drawnAt = [&](int32_t i, int32_t density, int32_t zoom) {
        d.Clear();
        d.At(i).mDoodads[0].mTypeAndVariant = 4;
        d.f.settings.mDoodadDensity = density;
        d.f.settings.mZoom = zoom;
        return d.Quads();
    };
    const int32_t radius[5] = {0, 19, 32, 45, 64};
    for (int32_t density = 1; density <= 4; ++density) {
        EXPECT_EQ(drawnAt(radius[density], density, 1), 1) << density;
        EXPECT_EQ(drawnAt(radius[density] + 1, density, 1), 0) << density;
    }
    // Zoom 4: twice the radius; zoom 2: trunc(1.414 x 19) = 26.
    EXPECT_EQ(drawnAt(38, 1, 4), 1);
    EXPECT_EQ(drawnAt(39, 1, 4), 0);
    EXPECT_EQ(drawnAt(26, 1, 2), 1);
    EXPECT_EQ(drawnAt(27, 1, 2), 0);
    EXPECT_EQ(drawnAt(0, 0, 1), 0); // no doodads at density 0
}

TEST(DoodadSlots, FiveTenFifteenAndTwentyPerSquareByDensity) {
    DoodadField d;
    for (Doodad& x : d.At(0).mDoodads)
        x.mTypeAndVariant = 4;
    const int32_t slots[5] = {0, 5, 10, 15, 20};
    for (int32_t density = 0; density <= 4; ++density) {
        d.f.settings.mDoodadDensity = density;
        EXPECT_EQ(d.Quads(), slots[density]) << density;
    }
}

// Density 1 (radius 19, R^2 = 361). Type 0 reaches 0.18 R^2 = 64.98: square
// 8 (64) draws, square 9 (81) stops the square. Type 4 (range 1) is drawn
// full size below 0.2 R^2 = 72.2 and twice as wide beyond, skipping a slot.
TEST(DoodadRange, EachTypeStopsItsSquareBeyondItsShareOfTheRadiusAndFarOnesDoubleAndSkip) {
    DoodadField d;
    d.f.settings.mDoodadDensity = 1;
    auto put = [&](int32_t i, std::initializer_list<int> types) {
        d.Clear();
        int k = 0;
        for (int t : types)
            d.At(i).mDoodads[k++].mTypeAndVariant = static_cast<uint8_t>(t);
    };
    put(8, {0});
    EXPECT_EQ(d.Quads(), 2); // crossed: two quads
    put(9, {0, 4});
    EXPECT_EQ(d.Quads(), 0); // stops at the first slot, the type-4 one too
    // Full size: w = h x width 0.5; beyond: 2 h x 0.5, and the second slot is skipped.
    put(8, {4, 4, 4});
    EXPECT_EQ(d.Quads(), 3);
    const float h8 = CallsOf(d.f.recorder, DrawOp::kTexturedQuad)[0]->mArgs[7];
    EXPECT_FLOAT_EQ(CallsOf(d.f.recorder, DrawOp::kTexturedQuad)[0]->mArgs[0], -0.5f * h8);
    put(9, {4, 4, 4});
    EXPECT_EQ(d.Quads(), 2);
    const float h9 = CallsOf(d.f.recorder, DrawOp::kTexturedQuad)[0]->mArgs[7];
    EXPECT_FLOAT_EQ(CallsOf(d.f.recorder, DrawOp::kTexturedQuad)[0]->mArgs[0], -2.0f * 0.5f * h9);
}

TEST(DoodadTopLevel, ATypeIsSkippedAboveItsTopLevelAndTheSlotsAfterItStillDraw) {
    DoodadField d;
    d.At(0).mDoodads[0].mTypeAndVariant = 0; // top level 1, crossed: 2 quads
    d.At(0).mDoodads[1].mTypeAndVariant = 3; // top level 2, crossed: 2 quads
    d.At(0).mDoodads[2].mTypeAndVariant = 4; // top level 6, one quad
    const int32_t expected[9] = {5, 5, 3, 1, 1, 1, 1, 0, 0};
    for (int32_t L = 0; L <= 8; ++L) {
        d.m->mCameraLevel[0] = L;
        EXPECT_EQ(d.Quads(), expected[L]) << L;
    }
}

// A burning open square (0, 0), centre (10, 10): its flames are faint only
// from levels 0 and 1 and within 80 m x zoom of the eye.
TEST(FireOpacity, FaintWithinEightyMetresTimesTheZoomAtLevelsZeroAndOne) {
    DrawFixture f;
    auto m = FlatMap(8, 8);
    m->mFire[0] = 1;
    auto faint = [&](int32_t level, float distance, int32_t zoom) {
        Aim(*m, 10, 10, 0, level);
        m->mEyeX = 10.0f + distance;
        m->mEyeY = 10.0f;
        f.settings.mZoom = zoom;
        f.recorder.mCalls.clear();
        m->DrawFires();
        for (const DrawCall* c : CallsOf(f.recorder, DrawOp::kOpacity))
            if (c->mArgs[0] == 0.9f) return true;
        return false;
    };
    EXPECT_TRUE(faint(0, 79.5f, 1));
    EXPECT_TRUE(faint(1, 79.5f, 1));
    EXPECT_FALSE(faint(1, 80.0f, 1));
    EXPECT_FALSE(faint(2, 10.0f, 1));
    EXPECT_TRUE(faint(1, 159.5f, 2));
    EXPECT_FALSE(faint(1, 160.0f, 2));
}

TEST(FlagSize, ScaledByTheCameraLevelsTableAfterTheLargeFlagsFactor) {
    DrawFixture f;
    BattleScope b;
    auto m = FlatMap(8, 8);
    m->mEyeX = 80;
    m->mEyeY = 40;
    VictoryFlag flag;
    flag.mX = flag.mY = 80;
    const float table[9] = {1.0f, 1.0f, 1.25f, 1.6f, 1.8f, 1.8f, 2.8f, 3.7f, 4.6f};
    for (int32_t kind : {0, 1})
        for (int32_t L = 0; L <= 8; ++L) {
            Aim(*m, 80, 80, 0, L);
            flag.mKind = kind;
            f.recorder.mCalls.clear();
            m->DrawOneFlag(&flag);
            std::vector<float> scales;
            for (const DrawCall* c : CallsOf(f.recorder, DrawOp::kScale))
                scales.push_back(c->mArgs[0]);
            std::vector<float> expected;
            if (kind == 1) expected.push_back(1.75f);
            if (L >= 2) expected.push_back(table[L]);
            EXPECT_EQ(scales, expected) << kind << " " << L;
        }
}

// The unit-enlargement tables by unit scale 0..4 (rows) and camera level
// 0..8 (columns).
TEST(UnitScaleTables, EveryEntryOfTheThreeTables) {
    const float base[5][9] = {{1.00f, 1.00f, 1.00f, 1.00f, 1.00f, 1.00f, 1.00f, 1.00f, 1.00f},
                              {1.02f, 1.17f, 1.30f, 1.30f, 1.30f, 1.50f, 1.75f, 1.87f, 1.95f},
                              {1.05f, 1.35f, 1.60f, 1.70f, 1.75f, 2.00f, 2.50f, 2.75f, 3.00f},
                              {1.14f, 1.55f, 1.95f, 2.15f, 2.25f, 2.10f, 2.61f, 2.85f, 3.00f},
                              {1.20f, 1.75f, 2.25f, 2.45f, 2.55f, 2.40f, 3.00f, 3.30f, 3.50f}};
    const float second[5][9] = {{0, 0, 0, 0, 0, 0, 0, 0, 0},
                                {0.22f, 0.22f, 0.25f, 0.27f, 0.29f, 0.30f, 0.30f, 0.33f, 0.36f},
                                {0.38f, 0.37f, 0.41f, 0.43f, 0.45f, 0.45f, 0.45f, 0.50f, 0.53f},
                                {0.47f, 0.46f, 0.48f, 0.50f, 0.52f, 0.60f, 0.60f, 0.65f, 0.68f},
                                {0.70f, 0.62f, 0.55f, 0.64f, 0.71f, 0.70f, 0.70f, 0.75f, 0.78f}};
    const float third[5][9] = {{0, 0, 0, 0, 0, 0, 0, 0, 0},
                               {0.10f, 0.10f, 0.13f, 0.14f, 0.15f, 0.03f, 0.10f, 0.15f, 0.18f},
                               {0.19f, 0.18f, 0.19f, 0.20f, 0.21f, 0.04f, 0.15f, 0.23f, 0.26f},
                               {0.24f, 0.23f, 0.24f, 0.25f, 0.26f, 0.05f, 0.20f, 0.30f, 0.33f},
                               {0.27f, 0.26f, 0.27f, 0.28f, 0.29f, 0.06f, 0.22f, 0.33f, 0.36f}};
    DrawFixture f(false);
    auto m = FlatMap(4, 4);
    m->mLevelTransition = 0.0f;
    for (int32_t u = 0; u < 5; ++u)
        for (int32_t L = 0; L < 9; ++L) {
            f.settings.mUnitScale = u;
            m->mCameraLevel[0] = L;
            float a, b, c;
            UnitScaleArguments(m.get(), &a, &b, &c);
            EXPECT_EQ(a, base[u][L]) << u << " " << L;
            EXPECT_EQ(b, second[u][L]) << u << " " << L;
            EXPECT_EQ(c, third[u][L]) << u << " " << L;
        }
    // During a change the weight 1 - t goes to the new level, t to the old one.
    f.settings.mUnitScale = 4;
    m->mCameraLevel[0] = 5;
    m->mPreviousCameraLevel = 1;
    m->mLevelTransition = 0.75f;
    float a, b, c;
    UnitScaleArguments(m.get(), &a, &b, &c);
    EXPECT_FLOAT_EQ(a, 2.40f * 0.25f + 1.75f * 0.75f);
    EXPECT_FLOAT_EQ(b, 0.70f * 0.25f + 0.62f * 0.75f);
    EXPECT_FLOAT_EQ(c, 0.06f * 0.25f + 0.26f * 0.75f);
}

// Each figure level starts strictly above its threshold: the next float up
// draws the finer level, the threshold itself the coarser one.
TEST(FigureLevels, TheNextValueAboveEachThresholdDrawsTheFinerLevel) {
    const struct { float edge; FigureDetail above, at; } edges[] = {
        {0.0095f, kFigureBest, kFigureGood},         {0.0065f, kFigureGood, kFigureAverage},
        {0.0045f, kFigureAverage, kFigureSucky},     {0.0033f, kFigureSucky, kFigureCircusFreak},
        {0.0025f, kFigureCircusFreak, kFigurePondScum}, {0.002f, kFigurePondScum, kFigureDistantDot}};
    for (const auto& e : edges) {
        EXPECT_EQ(FigureDetailFor(std::nextafter(e.edge, 1.0f)), e.above) << e.edge;
        EXPECT_EQ(FigureDetailFor(e.edge), e.at) << e.edge;
        EXPECT_EQ(FigureDetailFor(std::nextafter(e.edge, 0.0f)), e.at) << e.edge;
    }
}

// A flat line along x at height 0: its ribbon's edges lie at the level's
// lift, 0.4 m up to level 4 and then level + 0.7 - 5; they stand 0.76 m
// (wide) or 0.38 m (narrow) to either side and the crest half that higher.
TEST(GroundLineLift, LiftByCameraLevelAndRidgeByWidth) {
    DrawFixture f;
    auto m = FlatMap(10, 10);
    const float lift[9] = {0.4f, 0.4f, 0.4f, 0.4f, 0.4f, 0.7f, 1.7f, 2.7f, 3.7f};
    for (int32_t L = 0; L <= 8; ++L)
        for (bool wide : {false, true}) {
            Aim(*m, 40, 40, 0, L);
            f.recorder.mCalls.clear();
            m->DrawConforming3DLine(false, wide, 10, 30, 0, 14, 30, 0);
            const auto quads = CallsOf(f.recorder, DrawOp::kQuad);
            ASSERT_EQ(quads.size(), 2u) << L;
            float low = 1e9f, high = -1e9f, side = 0.0f;
            for (const DrawCall* q : quads)
                for (size_t k = 0; k < 4; ++k) {
                    low = std::min(low, q->mArgs[3 * k + 2]);
                    high = std::max(high, q->mArgs[3 * k + 2]);
                    side = std::max(side, std::fabs(q->mArgs[3 * k + 1] - 30.0f));
                }
            const float w = wide ? 0.76f : 0.38f;
            EXPECT_FLOAT_EQ(low, lift[L]) << L << " " << wide;
            EXPECT_NEAR(high - low, 0.5f * w, 1e-5f) << L << " " << wide;
            EXPECT_NEAR(side, w, 1e-5f) << L << " " << wide;
        }
}

// The backdrop panels: up to level 4; at level 5 only while changing level
// from level 4 or above; never above 5.
TEST(Backdrop, DrawnUpToLevelFourAndAtFiveOnlyWhenComingDownFromFourOrAbove) {
    auto panels = [](int32_t level, float transition, int32_t previous) {
        DrawFixture f;
        auto m = FlatMap(4, 4);
        m->MakeTextures(false);
        Aim(*m, 40, 40, 0.5f * 0.017453292f, level);
        m->mLevelTransition = transition;
        m->mPreviousCameraLevel = previous;
        f.recorder.mCalls.clear();
        m->DrawOutsideWorld();
        int32_t sky = 0;
        for (auto* c : CallsOf(f.recorder, DrawOp::kTexturedQuad)) {
            const int32_t p = f.shop.NumberOf(c->mTexture);
            sky += p >= 1400 && p < 1460;
        }
        return sky / 128;
    };
    EXPECT_EQ(panels(4, 0.0f, 0), 3);
    EXPECT_EQ(panels(4, 0.5f, 5), 3);
    EXPECT_EQ(panels(5, 0.5f, 3), 0);
    EXPECT_EQ(panels(5, 0.5f, 4), 3);
    EXPECT_EQ(panels(5, 0.5f, 6), 3);
    EXPECT_EQ(panels(6, 0.5f, 4), 0);
}

// A warning label stands over the point at 2 m plus half a metre per step of
// the unit enlargement.
TEST(WarningLabelHeight, TwoMetresAndHalfAMetrePerUnitScaleStep) {
    DrawFixture f;
    auto m = FlatMap(20, 20);
    Aim(*m, 200, 200, 0.0f, 1);
    m->PositionCamera();
    static int32_t sx = 0, sy = 0;
    gDrawHooks.showWarningLabel = [](Map*, int32_t x, int32_t y, GString*, int32_t, GString*, int32_t) {
        sx = x;
        sy = y;
    };
    for (int32_t scale = 0; scale <= 4; ++scale) {
        f.settings.mUnitScale = scale;
        m->ShowWarningLabel(nullptr, 0, nullptr, 0, 300.0f, 210.0f, 1.0f);
        float x = 300.0f, y = 210.0f;
        d3::WorldToScreen(&x, &y, 1.0f + 2.0f + 0.5f * static_cast<float>(scale), true);
        EXPECT_EQ(sx, static_cast<int32_t>(x)) << scale;
        EXPECT_EQ(sy, static_cast<int32_t>(y)) << scale;
    }
    // Each step lifts the label on the screen.
    f.settings.mUnitScale = 0;
    m->ShowWarningLabel(nullptr, 0, nullptr, 0, 300.0f, 210.0f, 1.0f);
    const int32_t low = sy;
    f.settings.mUnitScale = 4;
    m->ShowWarningLabel(nullptr, 0, nullptr, 0, 300.0f, 210.0f, 1.0f);
    EXPECT_NE(sy, low);
    gDrawHooks.showWarningLabel = nullptr;
}

// A near tree's picture is as wide as its size times its kind's width
// factor: class 1 0.75, class 2 0.5, class 3 1.7, any other 1.0.
TEST(TreeWidth, TheKindsWidthClassScalesThePictureAcross) {
    DrawFixture f;
    auto m = FlatMap(8, 8);
    for (auto& list : m->mTrees)
        list->EmptyOut(true);
    auto* t = new Tree;
    t->mX = 50.0f, t->mY = 50.0f, t->mSize = 8.0f, t->mKind = 1, t->mVariant = 3;
    m->mTrees[0]->Add(t);
    m->mEyeX = 60.0f;
    m->mEyeY = 50.0f;
    Aim(*m, 60, 50, 0, 1);
    f.settings.mTreeDensity = 4;
    const struct { int8_t cls; float width; } classes[] = {{0, 1.0f}, {1, 0.75f}, {2, 0.5f}, {3, 1.7f}, {7, 1.0f}};
    for (const auto& c : classes) {
        m->mTreeKinds[1 * 20 + 3] = c.cls;
        f.recorder.mCalls.clear();
        m->DrawTrees();
        const auto scales = CallsOf(f.recorder, DrawOp::kScale);
        ASSERT_EQ(scales.size(), 1u);
        EXPECT_FLOAT_EQ(scales[0]->mArgs[0], c.width * 8.0f) << static_cast<int>(c.cls);
        EXPECT_FLOAT_EQ(scales[0]->mArgs[1], 8.0f);
    }
}

// The fires' flicker steps 18 / (1.2 x frames per second) pictures a frame
// (15 pictures a second), as at 4 frames a second when slower.
TEST(FireFlicker, FifteenPicturesASecondAndNoFasterThanAtFourFramesASecond) {
    DrawFixture f;
    auto m = FlatMap(4, 4);
    const struct { float fps, step; } cases[] = {
        {30.0f, 0.5f}, {5.0f, 3.0f}, {4.0f, 3.75f}, {3.9f, 3.75f}, {1.0f, 3.75f}};
    for (const auto& c : cases) {
        sFireFrame = 1.0f;
        f.settings.mFramesPerSecond = c.fps;
        m->DrawFires();
        EXPECT_NEAR(sFireFrame, 1.0f + c.step, 1e-5f) << c.fps;
    }
    // Past 18 it wraps round.
    sFireFrame = 17.75f;
    f.settings.mFramesPerSecond = 30.0f;
    m->DrawFires();
    EXPECT_NEAR(sFireFrame, 0.25f, 1e-5f);
}
