// Height decoding and interpolation, terrain lookups, and the queries at
// square and map edges.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>

#include "MapTestUtil.h"
#include "map/Map.h"
#include "map/MapBattleLink.h"
#include "map/TerrainTable.h"

namespace {

class MapTerrainTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(map.IBlankMap(10, 8, 1.0f, 54)); }
    Map map;
};

TEST(PointDecoding, HeightFormulaLimitsAndScale)
{
    EXPECT_FLOAT_EQ(DecodePointHeight(0, 1.0f), -3.0f);
    // 1023 × 3 × 0.01857... − 3 = 54.0 at the top of the range.
    EXPECT_NEAR(DecodePointHeight(1023, 1.0f), 54.0f, 1e-4);
    EXPECT_NEAR(DecodePointHeight(1023, 2.0f), 108.0f, 2e-4);
    // The terrain bits never leak into the height.
    EXPECT_FLOAT_EQ(DecodePointHeight(EncodePoint(500, 63), 1.0f), DecodePointHeight(500, 1.0f));
    EXPECT_EQ(DecodePointTerrain(EncodePoint(1023, 63)), 63);
    EXPECT_EQ(DecodePointTerrain(EncodePoint(0, 21)), 21);
}

TEST_F(MapTerrainTest, SizesAndGridFollowTheSquares)
{
    EXPECT_EQ(map.mWidth, 10);
    EXPECT_EQ(map.mHeight, 8);
    EXPECT_FLOAT_EQ(map.mWidthMetres, 200.0f);
    EXPECT_FLOAT_EQ(map.mHeightMetres, 160.0f);
    EXPECT_EQ(map.mPointsX, 101);
    EXPECT_EQ(map.mPointsY, 81);
    EXPECT_EQ(map.mSquareCount, 80);
    EXPECT_FALSE(map.IBlankMap(0, 5, 1.0f, 0));
    EXPECT_FALSE(map.IBlankMap(5, kMapMaxSquares + 1, 1.0f, 0));
    EXPECT_FALSE(map.IBlankMap(5, 5, -1.0f, 0));
}

TEST_F(MapTerrainTest, HeightInterpolatesBetweenPointsAndClampsOffTheMap)
{
    RaisePoints(map, 5, 5, 5, 5, 600);  // one raised point at (10 m, 10 m)
    float flat = DecodePointHeight(54, 1.0f);
    float top = DecodePointHeight(600, 1.0f);
    EXPECT_FLOAT_EQ(map.GetZCoord(10.0f, 10.0f), top);
    EXPECT_NEAR(map.GetZCoord(9.0f, 10.0f), (flat + top) * 0.5f, 1e-4);
    EXPECT_NEAR(map.GetZCoord(11.0f, 11.0f), flat + (top - flat) * 0.25f, 1e-4);
    EXPECT_FLOAT_EQ(map.GetZCoord(12.0f, 10.0f), flat);

    // Off the map the point is clamped to 0.01 m inside: never fails.
    RaisePoints(map, 0, 0, 0, 0, 1023);
    EXPECT_FLOAT_EQ(map.GetZCoord(-50.0f, -50.0f), map.GetZCoord(0.01f, 0.01f));
    EXPECT_FLOAT_EQ(map.GetZCoord(1e9f, 1e9f), map.GetZCoord(199.99f, 159.99f));
    EXPECT_TRUE(std::isfinite(map.GetZCoord(NAN, INFINITY)));
}

TEST_F(MapTerrainTest, CornerCentreAndEdgeHeightsAreDerived)
{
    RaisePoints(map, 20, 10, 20, 10, 900);  // the corner at (40 m, 20 m)
    EXPECT_FLOAT_EQ(map.mCornerHeight[2 * (map.mHeight + 1) + 1], DecodePointHeight(900, 1.0f));
    map.mLevels[map.SquareIndex(0, 3)] = 2;
    map.mLevels[map.SquareIndex(9, 7)] = 1;
    map.RecomputeHeights();
    EXPECT_FLOAT_EQ(map.mCenterHeight[map.SquareIndex(0, 3)], 6.0f);
    EXPECT_FLOAT_EQ(map.mLowestEdgeElevation[kDirWest], 0.0f);
    EXPECT_FLOAT_EQ(map.mLowestEdgeElevation[kDirNorth], 0.0f);
    for (int32_t s = 0; s < map.mSquareCount; ++s) map.mLevels[s] = 4;
    map.mLevels[map.SquareIndex(9, 7)] = 1;
    map.RecomputeHeights();
    EXPECT_FLOAT_EQ(map.mLowestEdgeElevation[kDirEast], 3.0f);
    EXPECT_FLOAT_EQ(map.mLowestEdgeElevation[kDirNorth], 3.0f);
    EXPECT_FLOAT_EQ(map.mLowestEdgeElevation[kDirWest], 12.0f);
    EXPECT_FLOAT_EQ(map.mLowestEdgeElevation[kDirSouth], 12.0f);
}

TEST(MapMaking, ABlankMapSetsItsLevelBytesToItsGround)
{
    // Centre heights come from the level bytes (3 m steps): a blank map must
    // set them where its ground lies, or the ground drawing and the lowest
    // edge heights would sit at 0 m over a raised plain.
    for (float scale : {1.0f, 2.5f}) {
        Map map;
        ASSERT_TRUE(map.IBlankMap(5, 4, scale, 700));
        const float ground = map.GetZCoord(50, 50);
        for (int32_t s = 0; s < map.mSquareCount; ++s) EXPECT_NEAR(map.mCenterHeight[s], ground, 1.5f * scale);
        EXPECT_NEAR(map.mLowestEdgeElevation[kDirSouth], ground, 1.5f * scale);
    }
    Map low;
    ASSERT_TRUE(low.IBlankMap(2, 2, 1.0f, 0));  // below 0 m: level 0
    EXPECT_EQ(low.mLevels[0], 0);
}

TEST_F(MapTerrainTest, FarHeightsFollowTheFanOfEachSuperTile)
{
    // A single raised middle corner of the first super tile: the fan rises to
    // it from the tile's four corners.
    RaisePoints(map, 20, 20, 20, 20, 900);
    float flat = DecodePointHeight(54, 1.0f), top = DecodePointHeight(900, 1.0f);
    const int32_t ch = map.mHeight + 1;
    EXPECT_FLOAT_EQ(map.mFarCornerHeight[2 * ch + 2], top);
    EXPECT_NEAR(map.mFarCornerHeight[0], flat, 1e-5);
    EXPECT_NEAR(map.mFarCornerHeight[1 * ch + 2], (flat + top) * 0.5f, 1e-4);
    EXPECT_NEAR(map.mFarCenterHeight[map.SquareIndex(1, 1)], flat + (top - flat) * 0.75f, 1e-4);
}

TEST_F(MapTerrainTest, TerrainIsReadFromTheCellAndIsOpenOffTheMap)
{
    PaintTerrain(map, 20, 20, 40, 40, kTerrainWoods);
    EXPECT_EQ(map.GetTerrain(20.0f, 20.0f, false), kTerrainWoods);
    EXPECT_EQ(map.GetTerrain(39.99f, 39.99f, false), kTerrainWoods);
    EXPECT_EQ(map.GetTerrain(40.0f, 30.0f, false), kTerrainOpen);
    EXPECT_EQ(map.GetTerrain(19.99f, 30.0f, false), kTerrainOpen);
    PaintTerrain(map, 198, 158, 200, 160, kTerrainWater);
    EXPECT_EQ(map.GetTerrain(199.9f, 159.9f, false), kTerrainWater);
    EXPECT_EQ(map.GetTerrain(200.0f, 159.9f, false), kTerrainOpen);
    EXPECT_EQ(map.GetTerrain(-0.01f, 5.0f, false), kTerrainOpen);
    EXPECT_EQ(map.GetTerrain(NAN, 5.0f, false), kTerrainOpen);
}

TEST_F(MapTerrainTest, BuildingsRaiseOnlyTheUpperFloorCodes)
{
    PaintTerrain(map, 0, 0, 20, 20, kTerrainLightBuilding);
    PaintTerrain(map, 20, 0, 40, 20, kTerrainUpperLight);
    PaintTerrain(map, 40, 0, 60, 20, kTerrainUpperHeavyClosed);
    EXPECT_FLOAT_EQ(map.GetZWithBuilding(10, 10), map.GetZCoord(10, 10));
    EXPECT_FLOAT_EQ(map.GetZWithBuilding(30, 10), map.GetZCoord(30, 10) + 6.0f);
    EXPECT_FLOAT_EQ(map.GetZWithBuilding(50, 10), map.GetZCoord(50, 10) + 6.0f);
}

TEST_F(MapTerrainTest, CoverFollowsTheTableAndHoldsOffTheMap)
{
    EXPECT_FALSE(map.IsCover(kTerrainOpen, false));
    EXPECT_TRUE(map.IsCover(kTerrainWoods, true));
    EXPECT_TRUE(map.IsCover(kTerrainGrainField, false));
    EXPECT_FALSE(map.IsCover(kTerrainGrainField, true));  // concealment, not protection
    EXPECT_TRUE(map.IsCover(kTerrainHeavyBuilding, true));
    EXPECT_FALSE(map.IsCover(200, false));                // unknown codes read as open
    EXPECT_TRUE(map.IsCoverAt(-5.0f, 10.0f, true));
    EXPECT_FALSE(map.IsCoverAt(5.0f, 10.0f, false));
}

TEST_F(MapTerrainTest, FireStateIsReadPerSquareXMajor)
{
    map.mFire[map.SquareIndex(3, 2)] = 6;
    EXPECT_EQ(map.GetFireState(65.0f, 45.0f), 6);
    EXPECT_EQ(map.GetFireState(45.0f, 65.0f), 0);
    EXPECT_EQ(map.GetFireState(-1.0f, 45.0f), 0);
    EXPECT_EQ(map.GetSquare(10, 0), nullptr);
    EXPECT_EQ(map.GetSquare(0, 8), nullptr);
    EXPECT_EQ(map.GetSquare(9, 7), &map.mSquares[79]);
}

TEST_F(MapTerrainTest, SetupZoneSitsInTheTopFiveBitsOfItsByte)
{
    Square& sq = *map.GetSquare(2, 3);
    sq.mSetupZone = 5;
    // The byte that holds the bit fields, read as a whole, as callers that
    // take (byte >> 3) do.
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&sq);
    uint8_t raw = bytes[offsetof(Square, mDoodads) + sizeof(sq.mDoodads)];
    EXPECT_EQ(raw >> 3, 5);
}

TEST_F(MapTerrainTest, MapEdgeAimedAtAndItsBoundingHeadings)
{
    EXPECT_EQ(map.GetMapEdgeAimedAt(100, 80, 0.0f), kDirEast);
    EXPECT_EQ(map.GetMapEdgeAimedAt(100, 80, 90.0f), kDirNorth);
    EXPECT_EQ(map.GetMapEdgeAimedAt(100, 80, 180.0f), kDirWest);
    EXPECT_EQ(map.GetMapEdgeAimedAt(100, 80, 270.0f), kDirSouth);
    EXPECT_EQ(map.GetMapEdgeAimedAt(190, 10, 45.0f), kDirEast);

    float d, lo, hi;
    map.GetBoundingHeadings(100, 80, kDirEast, &d, &lo, &hi);
    EXPECT_FLOAT_EQ(d, 100.0f);
    EXPECT_NEAR(lo, 360.0f - 38.659808f, 1e-3);  // towards (200, 0)
    EXPECT_NEAR(hi, 360.0f + 38.659808f, 1e-3);  // towards (200, 160), past 360
    map.GetBoundingHeadings(100, 80, kDirNorth, &d, &lo, &hi);
    EXPECT_FLOAT_EQ(d, 80.0f);
    EXPECT_LT(lo, 90.0f);
    EXPECT_GT(hi, 90.0f);
    map.GetBoundingHeadings(0, 0, kDirSouth, &d, &lo, &hi);
    EXPECT_FLOAT_EQ(d, 0.0f);
}

// The side the map is shown to: the battle's answer when a battle owns the
// map, else the map's own; anything but the Allies counts as the Axis.
TEST_F(MapTerrainTest, TheViewingSideComesFromTheBattleAndOutOfRangeIsTheAxis)
{
    struct Viewer : MapBattleLink {
        bool HasReferencePointNear(float, float, Affiliation, float) override { return false; }
        int32_t ViewingSide(int32_t) override { return side; }
        int32_t side = kAllies;
    } viewer;
    map.mViewingSide = kAxis;
    EXPECT_EQ(map.ViewingSide(), kAxis);
    map.mViewingSide = 7;
    EXPECT_EQ(map.ViewingSide(), kAxis);
    map.mViewingSide = -1;
    EXPECT_EQ(map.ViewingSide(), kAxis);
    map.SetBattleLink(&viewer);
    map.mViewingSide = kAxis;
    EXPECT_EQ(map.ViewingSide(), kAllies) << "the battle's viewer, not the map's own";
    viewer.side = 2;
    EXPECT_EQ(map.ViewingSide(), kAxis);
    map.SetBattleLink(nullptr);
}

TEST_F(MapTerrainTest, GapFollowsTheCameraLevel)
{
    map.mViewingSide = 1;
    map.mCameraLevel[1] = 5;
    EXPECT_FLOAT_EQ(map.GetGap(0, 0), 0.6f);
    map.mCameraLevel[1] = 6;
    EXPECT_FLOAT_EQ(map.GetGap(0, 0), 0.85f);
    map.mCameraLevel[1] = 8;
    EXPECT_FLOAT_EQ(map.GetGap(0, 0), 1.0f);
    map.mCameraLevel[1] = 0;
    map.mCameraX[1] = 0;
    map.mCameraY[1] = 0;
    map.mCameraHeading[1] = 0;
    map.mCameraHeight = 0;
    map.mFieldOfView = 50;
    map.SetScreenWidth(800);
    // 100 m ahead: 800 / 5000 = 0.16, so 0.023 / 0.16.
    EXPECT_NEAR(map.GetGap(100, 0), 0.023f / 0.16f, 1e-6);
    // Right below the camera the resolution is huge and clamps at 0.2.
    EXPECT_NEAR(map.GetGap(0, 0), 0.023f / 0.2f, 1e-6);
    EXPECT_EQ(map.mWidthClass, 1);
    map.SetScreenWidth(699);
    EXPECT_EQ(map.mWidthClass, 0);
    map.SetScreenWidth(900);
    EXPECT_EQ(map.mWidthClass, 2);
}

TEST(TerrainTable, RowsAgreeWithTheRulesThatTestCodesByNumber)
{
    for (Terrain t = kTerrainLightBuilding; t <= kTerrainUpperHeavyClosed; ++t) {
        EXPECT_TRUE(TerrainHas(t, kTFBuilding)) << t;
        EXPECT_LT(TerrainInfoOf(t).mDensity, 0.0f) << t;  // solid
    }
    EXPECT_TRUE(TerrainHas(kTerrainUpperLight, kTFUpperFloors));
    EXPECT_FALSE(TerrainHas(kTerrainLightBuilding, kTFUpperFloors));
    for (Terrain t = kTerrainBridgeFirst; t <= kTerrainBrokenBridgeLast; ++t) EXPECT_TRUE(TerrainHas(t, kTFBridge));
    for (Terrain t : {18, 37, 38, 39, 40}) EXPECT_TRUE(TerrainHas(t, kTFSplash)) << t;
    for (Terrain t : {16, 41, 42, 43, 44}) EXPECT_TRUE(TerrainHas(t, kTFWall)) << t;
    for (Terrain t = 0; t < kTerrainCount; ++t) {
        const TerrainInfo& info = TerrainInfoOf(t);
        EXPECT_TRUE(info.mDigCode == 0 || (info.mDigCode >= 5 && info.mDigCode <= 8)) << t;
        EXPECT_TRUE((info.mTrees < 0) == (info.mTreeKind < 0)) << t;
        EXPECT_TRUE(info.mWalkCost >= 1 && info.mWalkCost <= 9) << t;
        EXPECT_TRUE(!info.mStrictCover || info.mCover) << t;  // strict cover is a subset
        EXPECT_GE(info.mNameString, 5500) << t;
    }
    EXPECT_TRUE(TerrainInfoOf(kTerrainTallPines).mTall);
    EXPECT_EQ(&TerrainInfoOf(-1), &TerrainInfoOf(0));
    EXPECT_EQ(&TerrainInfoOf(64), &TerrainInfoOf(0));
}

} // namespace

namespace {

TEST(MapMaking, SmokeColumnsAndFlamePatternsLieInTheirRanges)
{
    Map map;
    for (int32_t c = 0; c < kSmokeColumns; ++c) {
        EXPECT_GE(map.mColumnAge[c], 0);
        EXPECT_LT(map.mColumnAge[c], 1100);
        for (int32_t k = 0; k < kSmokePuffs; ++k) {
            EXPECT_GE(std::fabs(map.mPuffSpinRate[c][k]), 15.0f);
            EXPECT_LE(std::fabs(map.mPuffSpinRate[c][k]), 30.0f);
        }
    }
    for (int32_t p = 0; p < kFlamePatterns; ++p) {
        for (int32_t n = 0; n < kFlamesPerPattern; ++n) {
            const FlamePattern& f = map.mFlamePatterns[p][n];
            EXPECT_TRUE(f.mFrom.x >= -10 && f.mFrom.x <= 10 && f.mTo.y >= -10 && f.mTo.y <= 10);
            EXPECT_TRUE(f.mHeight >= 0.5f && f.mHeight <= 4.0f && f.mBase >= 0 && f.mBase <= 3.0f);
            EXPECT_LE(map.mFlameWall[p][n], 3);
        }
    }
}

} // namespace
