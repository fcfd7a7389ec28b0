// The map's rules pinned to values worked by hand: the squares a path may
// step through, what a route costs, the ground under a sight line inside one
// 2 m cell, the height of a shell's arc, the turn a fire burns out, which of
// two equally near craters a packet names, and the fire states a map record
// may hold.
#include <gtest/gtest.h>

#include <cmath>

#include "MapTestUtil.h"
#include "map/Map.h"

namespace {

constexpr int32_t kFlat = 54; // 54 x 3 x 0.018572826 - 3 = 0.0087978 m

// Height of a height code at scale 1, written out from the decoding rule
// (code x 3 x 0.01857282593846321 - 3).
constexpr float kLow = 0.0087978f;   // code 54
constexpr float kHigh = 10.0381238f; // code 234

// ---------------------------------------------------------------- paths

// A 2 x 2 map in which a diagonal step from the start square to the goal
// square would pass the corner of a blocked square.
struct CornerCase {
    int32_t startCol, startRow, goalCol, goalRow;
    bool blockSameRow; // block the square beside the start in its row, else in its column
};

class CornerTest : public ::testing::TestWithParam<CornerCase> {
protected:
    void SetUp() override { ASSERT_TRUE(map.IBlankMap(2, 2, 1.0f, kFlat)); }
    void Block(int32_t col, int32_t row) {
        PaintTerrain(map, col * 20.0f, row * 20.0f, col * 20.0f + 20.0f, row * 20.0f + 20.0f, kTerrainWater);
    }
    Map map;
};

// With one of the two squares beside the diagonal blocked, the way goes
// round through the other one: its centre stays on the path, because the
// straight line (start and goal sit 8 m towards the blocked square) crosses
// the blocked square. A search that cut the corner would give the goal alone.
TEST_P(CornerTest, APathNeverSqueezesPastTheCornerOfABlockedSquare) {
    const CornerCase c = GetParam();
    const int32_t blockCol = c.blockSameRow ? c.goalCol : c.startCol;
    const int32_t blockRow = c.blockSameRow ? c.startRow : c.goalRow;
    const int32_t openCol = c.blockSameRow ? c.startCol : c.goalCol;
    const int32_t openRow = c.blockSameRow ? c.goalRow : c.startRow;
    Block(blockCol, blockRow);
    auto centre = [](int32_t k) { return k * 20.0f + 10.0f; };
    auto toward = [&](int32_t from, int32_t to) { return centre(from) + (to - from) * 8.0f; };
    const float x1 = toward(c.startCol, blockCol), y1 = toward(c.startRow, blockRow);
    const float x2 = toward(c.goalCol, blockCol), y2 = toward(c.goalRow, blockRow);
    Path p;
    ASSERT_EQ(map.AStar(nullptr, x1, y1, x2, y2, false, &p), kPathFound);
    ASSERT_EQ(p.mCount, 2);
    EXPECT_FLOAT_EQ(p.mX[0], centre(openCol));
    EXPECT_FLOAT_EQ(p.mY[0], centre(openRow));
    EXPECT_FLOAT_EQ(p.mX[1], x2);
    EXPECT_FLOAT_EQ(p.mY[1], y2);

    // With both squares beside the diagonal blocked, the goal cannot be reached.
    Block(openCol, openRow);
    map.CalculateAIPathGrids(kAxis, -1);
    EXPECT_EQ(map.AStar(nullptr, x1, y1, x2, y2, false, &p), kPathUnreachable);
}

INSTANTIATE_TEST_SUITE_P(EveryDiagonal, CornerTest,
                         ::testing::Values(CornerCase{0, 0, 1, 1, true}, CornerCase{0, 0, 1, 1, false},
                                           CornerCase{1, 1, 0, 0, true}, CornerCase{1, 1, 0, 0, false},
                                           CornerCase{1, 0, 0, 1, true}, CornerCase{1, 0, 0, 1, false},
                                           CornerCase{0, 1, 1, 0, true}, CornerCase{0, 1, 1, 0, false}));

// From the centre of square (0, 0) to that of (2, 0) on a 3 x 2 grid, either
// straight through (1, 0) or by two diagonal steps through (1, 1). A step
// costs the mean of its two squares, times sqrt 2 diagonally.
class RouteCostTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(map.IBlankMap(3, 2, 1.0f, kFlat));
        BuildPathGrid(map, kPathOnFoot, &grid);
        for (int32_t s = 0; s < grid.mSize; ++s)
            ASSERT_EQ(grid.mCost[s], 1);
    }
    PathResult Find(uint8_t middle, uint8_t above, Path* p) {
        grid.mCost[map.SquareIndex(1, 0)] = middle;
        grid.mCost[map.SquareIndex(1, 1)] = above;
        return finder.Find(map, grid, 10, 10, 50, 10, p);
    }
    Map map;
    PathGrid grid;
    AIPathFinder finder;
};

TEST_F(RouteCostTest, TheDiagonalDetourIsTakenWhenItCostsLess) {
    // Straight: (1 + 2) / 2 + (2 + 1) / 2 = 3. Diagonal: 2 x 1.41421 = 2.828.
    Path p;
    ASSERT_EQ(Find(2, 1, &p), kPathFound);
    ASSERT_EQ(p.mCount, 2);
    EXPECT_FLOAT_EQ(p.mX[0], 30.0f); // the centre of (1, 1)
    EXPECT_FLOAT_EQ(p.mY[0], 30.0f);
    EXPECT_FLOAT_EQ(p.mX[1], 50.0f);
    EXPECT_FLOAT_EQ(p.mY[1], 10.0f);
}

TEST_F(RouteCostTest, TheStraightWayIsTakenWhenTheDiagonalsCostMore) {
    // Straight: (1 + 3) / 2 + (3 + 1) / 2 = 4. Diagonal: 2 x 1.5 x 1.41421 =
    // 4.243 (were diagonal steps priced like straight ones, 3 would win).
    // The straight way over the dearest square it crossed needs no corner
    // point: the destination alone.
    Path p;
    ASSERT_EQ(Find(3, 2, &p), kPathFound);
    ASSERT_EQ(p.mCount, 1);
    EXPECT_FLOAT_EQ(p.mX[0], 50.0f);
    EXPECT_FLOAT_EQ(p.mY[0], 10.0f);
}

// A step costs the mean of both its squares, so the dear start square counts
// half on a diagonal first step as on a straight one. On a 4 x 2 grid
//   row 1:  1  1  3  1
//   row 0:  3  2  4  1     from (0, 0) to (3, 0)
// the row itself costs (3 + 2) / 2 + (2 + 4) / 2 + (4 + 1) / 2 = 8, while
// (0, 0) -> (1, 1) -> (2, 1) -> (3, 0) costs 1.41421 x 2 + 2 + 1.41421 x 2 =
// 7.657 (the next best, through (3, 1), 7.828). Priced by the square left
// alone the row would win: 3 + 2 + 4 = 9 against 9.485.
TEST(RouteCost, AStepCostsTheMeanOfTheSquaresItJoins) {
    Map map;
    ASSERT_TRUE(map.IBlankMap(4, 2, 1.0f, kFlat));
    PathGrid grid;
    BuildPathGrid(map, kPathOnFoot, &grid);
    const uint8_t costs[4][2] = {{3, 1}, {2, 1}, {4, 3}, {1, 1}}; // [column][row]
    for (int32_t c = 0; c < 4; ++c) {
        for (int32_t r = 0; r < 2; ++r)
            grid.mCost[map.SquareIndex(c, r)] = costs[c][r];
    }
    AIPathFinder finder;
    Path p;
    ASSERT_EQ(finder.Find(map, grid, 10, 10, 70, 10, &p), kPathFound);
    // The centre of (1, 1) drops out (the straight way to (2, 1) crosses
    // nothing dearer than 3); that of (2, 1) stays, since the straight way
    // to the goal crosses the 4 of (2, 0).
    ASSERT_EQ(p.mCount, 2);
    EXPECT_FLOAT_EQ(p.mX[0], 50.0f);
    EXPECT_FLOAT_EQ(p.mY[0], 30.0f);
    EXPECT_FLOAT_EQ(p.mX[1], 70.0f);
    EXPECT_FLOAT_EQ(p.mY[1], 10.0f);
    // Back the same way (priced by the square entered alone, the row would
    // win again). From (70, 10) the straight way to (1, 1) crosses the 4 of
    // (2, 0), so (2, 1) stays; from there the goal is in straight reach.
    ASSERT_EQ(finder.Find(map, grid, 70, 10, 10, 10, &p), kPathFound);
    ASSERT_EQ(p.mCount, 2);
    EXPECT_FLOAT_EQ(p.mX[0], 50.0f);
    EXPECT_FLOAT_EQ(p.mY[0], 30.0f);
    EXPECT_FLOAT_EQ(p.mX[1], 10.0f);
    EXPECT_FLOAT_EQ(p.mY[1], 10.0f);
}

// ---------------------------------------------------------------- sight

// The ground rises along one axis only inside one 2 m cell: the points of
// column 50 (x = 100 m) are low, those of column 51 (x = 102 m) and beyond
// high. At x = 101.5 m the bilinear height is a quarter low and three
// quarters high: 0.0087978 + 0.75 x (10.0381238 - 0.0087978) = 7.5307923 m.
// Sight runs 5 cm of slack below the ground before the ground blocks it.
class CellSlopeTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(map.IBlankMap(10, 10, 1.0f, kFlat)); }
    bool Seen(float x1, float y1, float x2, float y2, float z) {
        float vis = -1.0f;
        EXPECT_TRUE(
            map.CheckLOS(true, false, false, x1, y1, z, x2, y2, z, &vis, nullptr, nullptr, nullptr, nullptr));
        return vis > 0.0f;
    }
    Map map;
};

constexpr float kSlopeGround = 7.5307923f;

TEST_F(CellSlopeTest, GroundRisingAlongXIsInterpolatedUnderALineAlongY) {
    RaisePoints(map, 51, 0, 100, 100, 234);
    EXPECT_NEAR(map.GetZCoord(101.5f, 50.0f), kSlopeGround, 1e-4);
    EXPECT_NEAR(map.GetZCoord(100.0f, 51.0f), kLow, 1e-5);
    EXPECT_NEAR(map.GetZCoord(102.0f, 51.0f), kHigh, 1e-4);
    // 3 cm under the ground: within the slack. 8 cm under it: blocked.
    EXPECT_TRUE(Seen(101.5f, 11.0f, 101.5f, 191.0f, kSlopeGround - 0.03f));
    EXPECT_FALSE(Seen(101.5f, 11.0f, 101.5f, 191.0f, kSlopeGround - 0.08f));
}

TEST_F(CellSlopeTest, GroundRisingAlongYIsInterpolatedUnderALineAlongX) {
    RaisePoints(map, 0, 51, 100, 100, 234);
    EXPECT_NEAR(map.GetZCoord(50.0f, 101.5f), kSlopeGround, 1e-4);
    EXPECT_TRUE(Seen(11.0f, 101.5f, 191.0f, 101.5f, kSlopeGround - 0.03f));
    EXPECT_FALSE(Seen(11.0f, 101.5f, 191.0f, 101.5f, kSlopeGround - 0.08f));
}

// A shell flying T seconds rises g T^2 / 8 above its chord at mid-path and
// g T^2 / 2 x t (1 - t) at the part t of the way. Here T = 80 slices = 2 s:
// 9.81 x 4 / 8 = 4.905 m at mid-path. The chord runs 1 m above flat ground
// (z = 1.0087978) from x = 10 to x = 410; a ridge covers x = 208..212.
class FlightArcTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(map.IBlankMap(30, 10, 1.0f, kFlat)); }
    float Fly(int32_t slices, float* ex, float* ez) {
        float ey = 100.0f;
        *ex = 410.0f;
        *ez = kLow + 1.0f;
        return map.CheckFlightPath(slices, 10.0f, 100.0f, kLow + 1.0f, ex, &ey, ez);
    }
    Map map;
};

TEST_F(FlightArcTest, TheArcClearsARidgeBelowItsMidPathHeight) {
    // Ridge top 153 x 0.0557185 - 3 = 5.5249 m; the shell passes at
    // 1.0088 + 4.905 x 4 x 0.495 x 0.505 = 5.9133 m over its near edge.
    RaisePoints(map, 104, 0, 106, 100, 153);
    float ex = 0, ez = 0;
    EXPECT_FLOAT_EQ(Fly(80, &ex, &ez), 1.0f);
    EXPECT_FLOAT_EQ(ex, 410.0f);
    EXPECT_FLOAT_EQ(ez, kLow + 1.0f);
    // Fired flat (no time of flight) the same shell hits the ridge's face.
    EXPECT_LT(Fly(0, &ex, &ez), 1.0f);
}

TEST_F(FlightArcTest, ARidgeAboveTheArcStopsTheShellAtItsFace) {
    // Ridge top 165 x 0.0557185 - 3 = 6.1935 m, above the 5.9133 m the
    // shell reaches at x = 208: the step 99 of 200 stops it, at t = 0.495,
    // 1.0088 + 4.905 x 4 x 0.495 x 0.505 = 5.9133 m high.
    RaisePoints(map, 104, 0, 106, 100, 165);
    float ex = 0, ez = 0;
    EXPECT_FLOAT_EQ(Fly(80, &ex, &ez), 0.495f);
    EXPECT_NEAR(ex, 208.0f, 1e-3);
    EXPECT_NEAR(ez, 5.9133f, 1e-3);
}

// A quarter of the way along the shell has risen 19.62 x 0.245 x 0.755 =
// 3.6292 m over the near edge of a ridge at x = 108..112 (t = 98 / 400):
// 4.6380 m above the ground's zero.
TEST_F(FlightArcTest, OffMidPathTheArcFollowsTheParabola) {
    // Top 108 x 0.0557185 - 3 = 3.0176 m: cleared.
    RaisePoints(map, 54, 0, 56, 100, 108);
    float ex = 0, ez = 0;
    EXPECT_FLOAT_EQ(Fly(80, &ex, &ez), 1.0f);
    // Top 140 x 0.0557185 - 3 = 4.8006 m: stopped at its face.
    RaisePoints(map, 54, 0, 56, 100, 140);
    EXPECT_FLOAT_EQ(Fly(80, &ex, &ez), 0.245f);
    EXPECT_NEAR(ex, 108.0f, 1e-3);
    EXPECT_NEAR(ez, 4.6380f, 1e-3);
}

// ---------------------------------------------------------------- fires

// Small grass fires burn two turns, wood fires three, building fires four;
// a large fire burns as long as a small one of its fuel.
TEST(FireTurns, AFireBurnsUntilItsLastTurnAndIsOutExactlyThen) {
    Map map;
    ASSERT_TRUE(map.IBlankMap(5, 1, 1.0f, kFlat));
    PaintTerrain(map, 20, 0, 60, 20, kTerrainWoods);
    PaintTerrain(map, 60, 0, 100, 20, kTerrainLightBuilding);
    map.StartFire(10, 10, false, false); // grass: 1
    map.StartFire(30, 10, false, false); // wood: 2
    map.StartFire(50, 10, true, false);  // large wood: 6
    map.StartFire(70, 10, false, false); // building: 3
    map.StartFire(90, 10, true, false);  // large building: 7
    const int8_t lit[5] = {1, 2, 6, 3, 7};
    const int32_t lastTurn[5] = {2, 3, 3, 4, 4};
    for (int32_t s = 0; s < 5; ++s)
        ASSERT_EQ(map.mFire[s], lit[s]);
    for (int32_t turn = 1; turn <= 4; ++turn) {
        map.BurnOutFires();
        for (int32_t s = 0; s < 5; ++s) {
            const bool out = turn >= lastTurn[s];
            EXPECT_EQ(map.mFire[s], out ? 0 : lit[s]) << "square " << s << " after turn " << turn;
            EXPECT_EQ(map.mFireAge[s] == kBurntOut, out) << "square " << s << " after turn " << turn;
        }
    }
}

// ---------------------------------------------------------------- craters

// Two craters of radius 3 m centred 4 m apart both cover the point midway.
class CraterTieTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(map.IBlankMap(5, 5, 1.0f, kFlat)); }
    void Add(float x, int32_t kind) { ASSERT_NE(map.HandleCraterPacket(x, 50, 3, 1, 0, kind, 0), nullptr); }
    static float OnlyX(CraterGroup* g) {
        EXPECT_EQ(g->GetCount(), 1);
        return g->GetCount() == 1 ? g->GetCrater(0)->mX : -1.0f;
    }
    Map map;
};

TEST_F(CraterTieTest, OfTwoEquallyNearCratersTheEarlierIsRemoved) {
    Add(50, 0);
    Add(54, 0);
    map.RemoveCrater(52, 50);
    EXPECT_FLOAT_EQ(OnlyX(map.mCraters), 54.0f);
}

TEST_F(CraterTieTest, TheEarlierWinsATieWhicheverSideItLies) {
    Add(54, 0);
    Add(50, 0);
    map.RemoveCrater(52, 50);
    EXPECT_FLOAT_EQ(OnlyX(map.mCraters), 50.0f);
}

TEST_F(CraterTieTest, OffTheMidpointTheNearerCentreIsRemoved) {
    Add(50, 0);
    Add(54, 0);
    map.RemoveCrater(52.5f, 50);
    EXPECT_FLOAT_EQ(OnlyX(map.mCraters), 50.0f);
}

TEST_F(CraterTieTest, AShellCraterGoesBeforeAnEquallyNearFoxhole) {
    Add(54, kCraterKindFoxhole);
    Add(50, 0);
    map.RemoveCrater(52, 50);
    EXPECT_EQ(map.mCraters->GetCount(), 0);
    EXPECT_FLOAT_EQ(OnlyX(map.mFoxholes), 54.0f);
    // A nearer foxhole goes before a crater.
    Add(50, 0);
    map.RemoveCrater(53, 50);
    EXPECT_EQ(map.mFoxholes->GetCount(), 0);
    EXPECT_FLOAT_EQ(OnlyX(map.mCraters), 50.0f);
}

TEST_F(CraterTieTest, SpottingATieSpotsTheEarlierFoxholeOnly) {
    Add(50, kCraterKindFoxhole);
    Add(54, kCraterKindFoxhole);
    map.SpotOneFoxhole(52, 50);
    EXPECT_EQ(map.mFoxholes->GetCrater(0)->mSpotted, 1);
    EXPECT_EQ(map.mFoxholes->GetCrater(1)->mSpotted, 0);
}

// ---------------------------------------------------------------- records

// Offsets in the record of a 2 x 3 map (21 x 31 points): version, two longs
// and the scale (13 bytes), the points (1302), a level byte per square (6),
// the zones (3), six square records of 24 bytes, then the fire states and
// the fire ages, a byte per square each.
constexpr size_t kFireAt = 13 + 21 * 31 * 2 + 6 + 3 + 6 * 24;
constexpr size_t kAgeAt = kFireAt + 6;

TEST(MapRecordFire, FireStatesOutsideTheirRangeAreRefused) {
    Map a;
    ASSERT_TRUE(a.IBlankMap(2, 3, 1.0f, kFlat));
    for (int32_t s = 0; s < 6; ++s)
        a.mFireAge[s] = static_cast<uint8_t>(10 + s);
    a.mFire[4] = 2;
    const std::vector<uint8_t> good = RecordBytes(a);
    ASSERT_GT(good.size(), kAgeAt + 6);
    ASSERT_EQ(good[kFireAt + 4], 2); // the offsets are right
    ASSERT_EQ(good[kAgeAt + 5], 15);
    auto loadsWithFire = [&](int32_t state) {
        std::vector<uint8_t> b = good;
        b[kFireAt + 1] = static_cast<uint8_t>(state);
        auto file = FileWith(b);
        Map m;
        return m.IMap(file.get());
    };
    // 0 none, 1..3 small, 5..7 large; 4 is no state.
    for (int32_t state : {0, 1, 3, 5, 7})
        EXPECT_TRUE(loadsWithFire(state)) << state;
    for (int32_t state : {4, 8, -1, 127, -128})
        EXPECT_FALSE(loadsWithFire(state)) << state;
}

} // namespace
