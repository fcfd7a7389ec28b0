// Line of sight: what blocks and thins it, its cache, wall blocking and
// flight paths.
#include <gtest/gtest.h>

#include <cmath>

#include "MapTestUtil.h"
#include "map/Map.h"

namespace {

constexpr int32_t kFlat = 54;  // about 0 m

class SightTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(map.IBlankMap(30, 10, 1.0f, kFlat)); }
    float Vis(float x1, float z1, float x2, float z2, bool endCover = false)
    {
        float vis = -1, len = -1;
        EXPECT_TRUE(map.CheckLOS(false, true, endCover, x1, 100, z1, x2, 100, z2, &vis, &len, nullptr, nullptr,
                                 nullptr));
        return vis;
    }
    Map map;
};

TEST_F(SightTest, OpenGroundDoesNotBlock)
{
    float vis = 0, len = 0, bx = 0, by = 0, bz = 0;
    ASSERT_TRUE(map.CheckLOS(false, true, false, 10, 100, 2, 590, 100, 2, &vis, &len, &bx, &by, &bz));
    EXPECT_FLOAT_EQ(vis, 1.0f);
    EXPECT_FLOAT_EQ(len, 580.0f);
    EXPECT_FLOAT_EQ(bx, 590.0f);
    // Ground to ground over flat land is clear too (not hull-down).
    EXPECT_FLOAT_EQ(Vis(10, map.GetZCoord(10, 100), 300, map.GetZCoord(300, 100)), 1.0f);
}

TEST_F(SightTest, ARidgeBlocksAndReportsWhereSightEnds)
{
    RaisePoints(map, 100, 0, 104, 100, 300);  // a 14 m ridge across x = 200..208
    float vis = 1, len = 0, bx = 0, by = 0, bz = 0;
    ASSERT_TRUE(map.CheckLOS(false, true, false, 10, 100, 2, 590, 100, 2, &vis, &len, &bx, &by, &bz));
    EXPECT_EQ(vis, 0.0f);
    EXPECT_FLOAT_EQ(len, 580.0f);  // the whole length even when blocked
    EXPECT_GT(bx, 190.0f);
    EXPECT_LT(bx, 210.0f);
    // From high above, the ridge no longer matters.
    EXPECT_GT(Vis(10, 80, 590, 80), 0.99f);
    // Hull-down: the ground-only test between ground points is blocked too.
    ASSERT_TRUE(map.CheckLOS(true, true, false, 150, 100, map.GetZCoord(150, 100), 250, 100,
                             map.GetZCoord(250, 100), &vis, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(vis, 0.0f);
}

TEST_F(SightTest, WoodsThinAndThenBlockSight)
{
    PaintTerrain(map, 200, 0, 240, 200, kTerrainWoods);  // 40 m of wood
    float thin = Vis(10, 2, 590, 2);
    EXPECT_GT(thin, 0.0f);
    EXPECT_LT(thin, 0.6f);
    PaintTerrain(map, 200, 0, 400, 200, kTerrainWoods);  // 200 m of wood
    EXPECT_EQ(Vis(10, 2, 590, 2), 0.0f);
    // Above the treetops the view is free.
    EXPECT_GT(Vis(10, 40, 590, 40), 0.99f);
    // Ground-only tests ignore woods.
    float vis = 0;
    map.CheckLOS(true, true, false, 10, 100, 2, 590, 100, 2, &vis, nullptr, nullptr, nullptr, nullptr);
    EXPECT_FLOAT_EQ(vis, 1.0f);
}

TEST_F(SightTest, AUnitSeesOutOfItsOwnCoverUnlessTheEndCoverIsAsked)
{
    PaintTerrain(map, 582, 0, 600, 200, kTerrainTallPines);  // the target stands in pines
    EXPECT_FLOAT_EQ(Vis(10, 2, 590, 2), 1.0f);
    EXPECT_LT(Vis(10, 2, 590, 2, true), 1.0f);
}

TEST_F(SightTest, ABuildingBlocksBelowItsRoof)
{
    PaintTerrain(map, 300, 80, 320, 120, kTerrainHeavyBuilding);
    EXPECT_EQ(Vis(10, 2, 590, 2), 0.0f);
    EXPECT_GT(Vis(10, 30, 590, 30), 0.99f);
}

struct Smoke : MapBattleLink {
    bool HasReferencePointNear(float, float, Affiliation, float) override { return false; }
    void GatherSightObstacles(float, float, float, float, std::vector<SightObstacle>* out) override
    {
        SightObstacle o;
        o.mX = 300;
        o.mY = 100;
        o.mRadius = 25;
        o.mTop = 20;
        o.mDensity = 0.2f;
        o.mTemporary = true;
        out->push_back(o);
    }
};

TEST_F(SightTest, SmokeBlocksUnlessTemporarySmokeIsIgnored)
{
    Smoke battle;
    map.SetBattleLink(&battle);
    float vis = 1, bx = 0;
    map.CheckLOS(false, true, false, 10, 100, 2, 590, 100, 2, &vis, nullptr, &bx, nullptr, nullptr);
    EXPECT_EQ(vis, 0.0f);
    EXPECT_NEAR(bx, 275.0f, 0.5f);
    map.CheckLOS(false, false, false, 10, 100, 2, 590, 100, 2, &vis, nullptr, nullptr, nullptr, nullptr);
    EXPECT_FLOAT_EQ(vis, 1.0f);  // smoke not asked for
    gIgnoreTempSmokeForLOS = true;
    map.CheckLOS(false, true, false, 10, 100, 2, 590, 100, 2, &vis, nullptr, nullptr, nullptr, nullptr);
    gIgnoreTempSmokeForLOS = false;
    EXPECT_FLOAT_EQ(vis, 1.0f);
    EXPECT_GT(Vis(10, 40, 590, 40), 0.99f);  // over the cloud
}

TEST_F(SightTest, NoAnswerWithoutFiniteCoordinates)
{
    float vis = 1;
    EXPECT_FALSE(map.CheckLOS(false, true, false, NAN, 0, 0, 1, 1, 1, &vis, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(vis, 0.0f);
    Map empty;
    EXPECT_FALSE(empty.CheckLOS(false, true, false, 0, 0, 0, 1, 1, 1, &vis, nullptr, nullptr, nullptr, nullptr));
    // Off the map there is nothing to block.
    EXPECT_TRUE(map.CheckLOS(false, true, false, -100, -100, 2, -10, -300, 2, &vis, nullptr, nullptr, nullptr, nullptr));
    EXPECT_FLOAT_EQ(vis, 1.0f);
    // A segment reaching absurdly far is still answered, and at once.
    float length = 0;
    EXPECT_TRUE(map.CheckLOS(false, true, false, 10, 10, 2, 1e15f, 10, 2, &vis, &length, nullptr, nullptr, nullptr));
    EXPECT_FLOAT_EQ(length, 1e15f);
    float ex = 3e37f, ey = 10, ez = 0;
    map.CheckFlightPath(40, 10, 10, 2, &ex, &ey, &ez);
    EXPECT_TRUE(std::isfinite(ex));
}

TEST_F(SightTest, WallsBlockBelowTheirTopAndNameTheirType)
{
    Wall* w = new Wall;
    w->IWall(kTerrainHighHedge, 300, 0, 300, 200, 3.5f);
    map.mWalls->Add(w);
    Wall* bank = new Wall;
    bank->IWall(42, 400, 0, 400, 200, 1.0f);
    map.mWalls->Add(bank);
    map.IndexObjects();
    EXPECT_EQ(map.GetBlockingWallType(250, 100, 1, 350, 100, 1), kTerrainHighHedge);
    EXPECT_EQ(map.GetBlockingWallType(250, 100, 5, 350, 100, 5), 0);
    EXPECT_EQ(map.GetBlockingWallType(350, 100, 0.5f, 450, 100, 0.5f), 42);
    EXPECT_EQ(map.GetBlockingWallType(310, 100, 0.5f, 390, 100, 0.5f), 0);
    EXPECT_EQ(map.GetBlockingWallType(299.5f, 100, 0.5f, 300.5f, 100, 0.5f), kTerrainHighHedge);  // short
    EXPECT_EQ(Vis(10, 2, 590, 2), 0.0f);
    EXPECT_FLOAT_EQ(Vis(299, 2, 590, 6), 1.0f);  // right at the hedge: looks over the bank
}

TEST_F(SightTest, FlightPathsStopAtTheFirstObstacle)
{
    RaisePoints(map, 100, 0, 104, 100, 300);  // ridge at x = 200..208, 14 m
    float ex = 400, ey = 100, ez = 0;
    float f = map.CheckFlightPath(20, 10, 100, 2, &ex, &ey, &ez);  // a flat, fast shot
    EXPECT_GT(f, (198.0f - 10) / 390);  // stopped at the foot of the ridge
    EXPECT_LE(f, (200.0f - 10) / 390);
    EXPECT_NEAR(ex, 10 + 390 * f, 0.01f);
    // A high lob clears the ridge and lands where it was aimed.
    ex = 400, ey = 100, ez = 0;
    EXPECT_FLOAT_EQ(map.CheckFlightPath(800, 10, 100, 2, &ex, &ey, &ez), 1.0f);
    EXPECT_FLOAT_EQ(ex, 400.0f);
    // Woods do not stop shells.
    PaintTerrain(map, 20, 0, 190, 200, kTerrainWoods);
    ex = 150, ey = 100, ez = 0;
    EXPECT_FLOAT_EQ(map.CheckFlightPath(10, 10, 100, 2, &ex, &ey, &ez), 1.0f);
}

struct Movers : MapBattleLink {
    bool HasReferencePointNear(float, float, Affiliation, float) override { return false; }
    int32_t GetMoveStamp(Unit* u) override { return stamps[Index(u)]; }
    void GetUnitXY(Unit* u, float* x, float* y) override
    {
        *x = xs[Index(u)];
        *y = 100;
    }
    static int Index(Unit* u) { return static_cast<int>(reinterpret_cast<uintptr_t>(u) / 8 - 1); }
    int32_t stamps[3] = {-1, -1, -1};
    float xs[3] = {10, 590, 300};
};

Unit* U(int i) { return reinterpret_cast<Unit*>(static_cast<uintptr_t>((i + 1) * 8)); }

TEST_F(SightTest, CacheAnswersLikeAFreshQueryUntilAUnitMovesOrTheAreaIsVoided)
{
    Movers battle;
    map.SetBattleLink(&battle);
    PaintTerrain(map, 200, 0, 240, 200, kTerrainWoods);
    float fresh = Vis(10, 2, 590, 2);
    map.StoreLOS(U(0), U(1), fresh > 0, fresh, true, false, true);
    bool los = false, known = false, hd = false;
    float vis = 0;
    ASSERT_TRUE(map.CheckStoredLOS(U(1), U(0), &los, &vis, &known, &hd));  // either order
    EXPECT_EQ(los, fresh > 0);
    EXPECT_FLOAT_EQ(vis, fresh);
    EXPECT_FALSE(hd);  // hull-down state of the second unit, U(0)
    ASSERT_TRUE(map.CheckStoredLOS(U(0), U(1), &los, nullptr, &known, &hd));
    EXPECT_TRUE(hd);
    // Only the hull-down states change with a visibility of -1.
    map.StoreLOS(U(1), U(0), false, -1.0f, true, false, true);
    ASSERT_TRUE(map.CheckStoredLOS(U(1), U(0), &los, &vis, &known, &hd));
    EXPECT_TRUE(hd);
    EXPECT_FLOAT_EQ(vis, fresh);

    battle.stamps[1] = 55;  // U(1) moved
    EXPECT_FALSE(map.CheckStoredLOS(U(0), U(1), &los, &vis, &known, &hd));

    map.StoreLOS(U(0), U(1), true, 0.5f, false, false, false);
    map.StoreLOS(U(0), U(2), true, 0.5f, false, false, false);
    map.VoidLOS(450, 130, 10);  // 30 m off the line 0-1
    EXPECT_TRUE(map.CheckStoredLOS(U(0), U(1), &los, &vis, &known, &hd));
    map.VoidLOS(450, 110, 10);  // near the line 0-1, beyond unit 2
    EXPECT_FALSE(map.CheckStoredLOS(U(0), U(1), &los, &vis, &known, &hd));
    EXPECT_TRUE(map.CheckStoredLOS(U(2), U(0), &los, &vis, &known, &hd));
    map.DeleteLOSTable();
    EXPECT_FALSE(map.CheckStoredLOS(U(2), U(0), &los, &vis, &known, &hd));

    map.mLOSCacheOn = false;
    map.StoreLOS(U(0), U(1), true, 0.5f, false, false, false);
    EXPECT_FALSE(map.CheckStoredLOS(U(0), U(1), &los, &vis, &known, &hd));
}

} // namespace
