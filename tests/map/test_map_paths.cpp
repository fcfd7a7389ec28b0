// A* over the path grids: finding, failing and capping paths.
#include <gtest/gtest.h>

#include <cmath>

#include "MapTestUtil.h"
#include "map/Map.h"

namespace {

class PathTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(map.IBlankMap(40, 40, 1.0f, 54)); }
    // Water over whole squares [c0, c1] x [r0, r1].
    void Water(int32_t c0, int32_t r0, int32_t c1, int32_t r1)
    {
        PaintTerrain(map, c0 * 20.0f, r0 * 20.0f, (c1 + 1) * 20.0f, (r1 + 1) * 20.0f, kTerrainWater);
    }
    // Every point of the path stands on enterable ground, and each leg
    // crosses enterable squares only.
    void ExpectWalkable(const Path& p, float x, float y, int32_t legs = -1)
    {
        const PathGrid* g = map.GetPathGrid(kAxis, kPathOnFoot);
        ASSERT_NE(g, nullptr);
        for (int32_t k = 0; k < (legs < 0 ? p.mCount : legs); ++k) {
            for (int s = 0; s <= 20; ++s) {
                float px = x + (p.mX[k] - x) * s / 20, py = y + (p.mY[k] - y) * s / 20;
                int32_t sq = map.SquareIndex(static_cast<int32_t>(px / 20), static_cast<int32_t>(py / 20));
                EXPECT_TRUE(g->Enterable(sq)) << "leg " << k << " at " << px << "," << py;
            }
            x = p.mX[k];
            y = p.mY[k];
        }
    }
    Map map;
};

TEST_F(PathTest, OpenGroundGivesTheDestinationAlone)
{
    Path p;
    ASSERT_EQ(map.AStar(nullptr, 10, 10, 700, 500, false, &p), kPathFound);
    ASSERT_EQ(p.mCount, 1);
    EXPECT_FLOAT_EQ(p.mX[0], 700.0f);
    EXPECT_FLOAT_EQ(p.mY[0], 500.0f);
}

TEST_F(PathTest, AWayIsFoundAroundARiverThroughItsFord)
{
    Water(20, 0, 20, 39);
    PaintTerrain(map, 400, 700, 420, 720, 38);  // shallow water at square (20, 35)
    Path p;
    ASSERT_EQ(map.AStar(nullptr, 100, 100, 700, 100, false, &p), kPathFound);
    EXPECT_GE(p.mCount, 2);
    EXPECT_FLOAT_EQ(p.mX[p.mCount - 1], 700.0f);
    ExpectWalkable(p, 100, 100);
    bool viaFord = false;
    for (int32_t k = 0; k < p.mCount; ++k) viaFord |= p.mY[k] > 600;
    EXPECT_TRUE(viaFord);
}

TEST_F(PathTest, AnEnclosedGoalIsUnreachable)
{
    Water(10, 10, 14, 14);
    PaintTerrain(map, 240, 240, 260, 260, kTerrainOpen);  // an island at (12, 12)
    Path p;
    p.mCount = 7;
    EXPECT_EQ(map.AStar(nullptr, 10, 10, 250, 250, false, &p), kPathUnreachable);
    EXPECT_EQ(p.mCount, 0);
    EXPECT_EQ(map.AStar(nullptr, 10, 10, 210, 210, false, &p), kPathUnreachable);  // into the water
    // From the island the unit cannot get off either, but it may leave a
    // burning square it stands in.
    EXPECT_EQ(map.AStar(nullptr, 250, 250, 10, 10, false, &p), kPathUnreachable);
    map.mFire[map.SquareIndex(0, 0)] = 6;
    map.CalculateAIPathGrids(kAxis, -1);
    EXPECT_EQ(map.AStar(nullptr, 10, 10, 500, 500, false, &p), kPathFound);
    EXPECT_EQ(map.AStar(nullptr, 500, 500, 10, 10, false, &p), kPathUnreachable);
}

TEST_F(PathTest, ALongWindingPathIsCappedAtFiftyPointsAndStillEndsAtTheDestination)
{
    // A serpentine: walls of water across the map with gaps at alternate ends.
    ASSERT_TRUE(map.IBlankMap(120, 10, 1.0f, 54));
    for (int32_t c = 1; c < 120; c += 2) {
        if ((c / 2) % 2 == 0) {
            Water(c, 0, c, 8);
        } else {
            Water(c, 1, c, 9);
        }
    }
    map.CalculateAIPathGrids(kAxis, kPathOnFoot);
    Path p;
    ASSERT_EQ(map.AStar(nullptr, 10, 10, 2390, 10, false, &p), kPathFound);
    EXPECT_EQ(p.mCount, kPathMaxPoints);
    EXPECT_FLOAT_EQ(p.mX[kPathMaxPoints - 1], 2390.0f);
    EXPECT_FLOAT_EQ(p.mY[kPathMaxPoints - 1], 10.0f);
    ExpectWalkable(p, 10, 10, kPathMaxPoints - 1);  // the way up to the cut
    // Points far off the map have no answer; just off it, the edge square serves.
    EXPECT_EQ(map.AStar(nullptr, 10, 10, 1e30f, 10, false, &p), kPathNoAnswer);
    EXPECT_EQ(map.AStar(nullptr, -1e9f, 10, 10, 10, false, &p), kPathNoAnswer);
    ASSERT_EQ(map.AStar(nullptr, 10, 10, -1, 10, false, &p), kPathFound);
    EXPECT_FLOAT_EQ(p.mX[p.mCount - 1], -1.0f);
    // A shorter stretch of the same maze fits and ends at the destination.
    ASSERT_EQ(map.AStar(nullptr, 10, 10, 170, 10, false, &p), kPathFound);
    EXPECT_LT(p.mCount, kPathMaxPoints);
    EXPECT_FLOAT_EQ(p.mX[p.mCount - 1], 170.0f);
    ExpectWalkable(p, 10, 10);
}

TEST_F(PathTest, GridsMarkWhatVehiclesCannotEnter)
{
    PaintTerrain(map, 0, 0, 20, 20, kTerrainWoods);
    PaintTerrain(map, 20, 0, 40, 20, kTerrainLightBuilding);
    map.CalculateAIPathGrids(kAllies, -1);
    const PathGrid* foot = map.GetPathGrid(kAllies, kPathOnFoot);
    const PathGrid* tracks = map.GetPathGrid(kAllies, kPathTracked);
    ASSERT_TRUE(foot && tracks);
    EXPECT_EQ(map.GetPathGrid(kAxis, kPathOnFoot), nullptr);
    EXPECT_TRUE(foot->Enterable(map.SquareIndex(0, 0)));
    EXPECT_FALSE(tracks->Enterable(map.SquareIndex(0, 0)));
    EXPECT_TRUE(foot->Enterable(map.SquareIndex(1, 0)));
    EXPECT_GT(foot->mCost[map.SquareIndex(1, 0)], 1);
    EXPECT_FALSE(tracks->Enterable(map.SquareIndex(1, 0)));
    EXPECT_EQ(foot->mRowWidth, 40);
    EXPECT_EQ(foot->mSize, 1600);
    map.DeleteAIPathGrids();
    EXPECT_EQ(map.GetPathGrid(kAllies, kPathOnFoot), nullptr);
    Path p;
    EXPECT_EQ(map.AStar(nullptr, NAN, 1, 2, 3, false, &p), kPathNoAnswer);
    EXPECT_EQ(map.AStar(nullptr, 1, 1, 2, 3, false, nullptr), kPathNoAnswer);
}

} // namespace
