// Buildings, craters and foxholes, trees and the small square services.
#include <gtest/gtest.h>

#include <cmath>

#include "MapTestUtil.h"
#include "map/Map.h"
#include "map/MapBattleLink.h"

namespace {

Building* AddBuilding(Map& map, int32_t col, int32_t row, Terrain type, float inset)
{
    float x0 = col * 20.0f + inset, y0 = row * 20.0f + inset, x1 = col * 20.0f + 20 - inset,
          y1 = row * 20.0f + 20 - inset;
    float cx[4] = {x0, x1, x1, x0}, cy[4] = {y0, y0, y1, y1};
    Building* b = new Building;
    b->IBuilding(col, row, type, cx, cy);
    map.mBuildings->Add(b);
    PaintTerrain(map, col * 20.0f, row * 20.0f, col * 20.0f + 20, row * 20.0f + 20, type);
    return b;
}

TEST(MapBuildings, FoundBySquareAndByFootprint)
{
    Map map;
    ASSERT_TRUE(map.IBlankMap(8, 8, 1.0f, 54));
    Building* a = AddBuilding(map, 2, 3, kTerrainUpperLight, 4.0f);
    Building* b = AddBuilding(map, 5, 5, kTerrainHeavyBuilding, 2.0f);
    map.IndexObjects();

    EXPECT_EQ(map.GetBuildingAtCR(2, 3), a);
    EXPECT_EQ(map.GetBuildingAtCR(5, 5), b);
    EXPECT_EQ(map.GetBuildingAtCR(3, 2), nullptr);  // x-major: column first
    EXPECT_EQ(map.GetBuildingAtCR(-1, 3), nullptr);
    EXPECT_EQ(map.GetBuildingAtCR(8, 0), nullptr);
    EXPECT_EQ(map.GetBuildingAtXY(50, 70), a);
    EXPECT_EQ(map.GetBuildingAtXY(41, 61), a);  // the yard of a building square
    EXPECT_EQ(map.GetBuildingAtXY(30, 70), nullptr);
    EXPECT_EQ(map.GetBuildingAtXY(-5, 70), nullptr);
    EXPECT_TRUE(a->mUpperFloor);
    EXPECT_FALSE(b->mUpperFloor);

    map.FlagNoRoofForBuildingAtXY(50, 70, true);
    EXPECT_EQ(a->mNoRoof, 1);
    map.FlagNoRoofForBuildingAtXY(10, 10, true);  // nothing there, nothing happens

    float x = 44, y = 64;
    a->GravitateXYToCenter(&x, &y);
    EXPECT_FLOAT_EQ(x, 47.0f);
    EXPECT_FLOAT_EQ(y, 67.0f);
    a->mDamage = 2.5f;
    EXPECT_FLOAT_EQ(a->DamageFraction(), 1.0f);
    a->mDamage = 0.3f;
    EXPECT_FLOAT_EQ(a->DamageFraction(), 0.3f);
}

TEST(MapBuildings, FootprintTestTakesAnyWinding)
{
    Building b;
    float cx[4] = {0, 0, 10, 10}, cy[4] = {0, 10, 10, 0};  // clockwise
    b.IBuilding(0, 0, kTerrainLightBuilding, cx, cy);
    EXPECT_TRUE(b.Contains(5, 5));
    EXPECT_FALSE(b.Contains(11, 5));
    float rx[4] = {10, 20, 10, 0}, ry[4] = {0, 10, 20, 10};  // a diamond
    b.IBuilding(0, 0, kTerrainLightBuilding, rx, ry);
    EXPECT_TRUE(b.Contains(10, 10));
    EXPECT_FALSE(b.Contains(1, 1));
}

TEST(MapCraters, FoxholesTurnDiggableGroundIntoFoxholeCodes)
{
    Map map;
    ASSERT_TRUE(map.IBlankMap(5, 5, 1.0f, 54));
    PaintTerrain(map, 40, 0, 60, 20, kTerrainScatteredTrees);
    PaintTerrain(map, 60, 0, 80, 20, kTerrainWater);
    for (float x : {10.0f, 50.0f, 70.0f, 39.5f}) {
        Crater* f = new Crater;
        f->ICrater(x, 10, 1.0f, 1.0f, 0.0f, kCraterKindFoxhole, kAxis);
        map.mFoxholes->Add(f);
    }
    Crater* c = new Crater;
    c->ICrater(90, 90, 3.0f, 1.0f, 0.0f, 0, 2);
    map.mCraters->Add(c);
    map.IndexObjects();

    EXPECT_EQ(map.GetTerrain(10, 10, true), 5);
    EXPECT_EQ(map.GetTerrain(10, 10, false), kTerrainOpen);
    EXPECT_EQ(map.GetTerrain(50.5f, 10.5f, true), 6);              // under scattered trees
    EXPECT_EQ(map.GetTerrain(70, 10, true), kTerrainWater);        // water cannot be dug
    EXPECT_EQ(map.GetTerrain(12, 10, true), kTerrainOpen);         // outside the radius
    EXPECT_EQ(map.GetTerrain(40.4f, 10, true), 6);                 // reaches across the square edge
    EXPECT_EQ(map.GetTerrain(90, 90, true), kTerrainOpen);         // a shell crater is no foxhole
    EXPECT_TRUE(map.IsCoverAt(10, 10, true));

    EXPECT_EQ(map.mCraters->FindCrater(91, 92), c);
    EXPECT_FALSE(map.mLastCraterWasFoxhole);
    EXPECT_EQ(map.mFoxholes->FindCrater(10.5f, 9.5f), map.mFoxholes->GetCrater(0));
    EXPECT_TRUE(map.mLastCraterWasFoxhole);
    EXPECT_EQ(map.mFoxholes->FindCrater(30, 30), nullptr);
    EXPECT_TRUE(map.mLastCraterWasFoxhole);  // a miss leaves the flag
}

// The foxholes are found through lists by square: random foxholes (some
// reaching across square edges, some far off the map, enormous or not a
// number) and shell craters, added and removed between the questions, answer
// every point as a look at each member does.
TEST(MapCraters, FoxholesBySquareAnswerAsEveryMemberAsked)
{
    Map map;
    ASSERT_TRUE(map.IBlankMap(12, 9, 1.0f, 54));
    uint64_t s = 5;
    auto unit = [&s]() {
        s = s * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<float>(s >> 40) / static_cast<float>(1 << 24);
    };
    auto plain = [&map](float x, float y) {
        for (int32_t k = 0; k < map.mFoxholes->GetCount(); ++k)
            if (map.mFoxholes->GetCrater(k)->IsFoxhole() && map.mFoxholes->GetCrater(k)->Covers(x, y)) return true;
        return false;
    };
    int found = 0;
    for (int round = 0; round < 300; ++round) {
        const int what = static_cast<int>(unit() * 10);
        if (what < 5 || map.mFoxholes->GetCount() == 0) {
            Crater* f = new Crater;
            float x = unit() * 260.0f - 10.0f, y = unit() * 200.0f - 10.0f, r = 0.2f + unit() * 6.0f;
            if (what == 1) x = 1e9f;                                        // far off
            if (what == 2 && round % 3 == 0) r = 2e7f;                      // reaches everywhere
            if (what == 3 && round % 4 == 0) y = std::nanf("");
            if (what == 4) x = 20.0f * static_cast<float>(static_cast<int>(x / 20.0f)) + (unit() - 0.5f) * 0.01f;
            f->ICrater(x, y, r, 1.0f, 0.0f, unit() < 0.9f ? kCraterKindFoxhole : 0, kAxis);
            map.mFoxholes->Add(f);
        } else if (what < 7) {
            map.mFoxholes->Delete(map.mFoxholes->GetCrater(static_cast<int32_t>(unit() * map.mFoxholes->GetCount()) %
                                                           map.mFoxholes->GetCount()),
                                  true);
        }
        for (int q = 0; q < 200; ++q) {
            float x = unit() * 240.0f, y = unit() * 180.0f;
            if (q % 4 == 0) x = 20.0f * static_cast<float>(static_cast<int>(x / 20.0f)) + (unit() - 0.5f) * 1e-3f;
            if (q % 4 == 1) {
                // At the edge of a foxhole's reach.
                const Crater* c = map.mFoxholes->GetCrater(static_cast<int32_t>(unit() * 1000) %
                                                           map.mFoxholes->GetCount());
                x = c->mX + (unit() < 0.5f ? -1.0f : 1.0f) * c->mRadius * (0.98f + 0.04f * unit());
                y = c->mY + (unit() - 0.5f) * 2.0f * c->mRadius;
            }
            const bool expected = plain(x, y);
            found += expected ? 1 : 0;
            ASSERT_EQ(map.mFoxholes->HasFoxholeAt(x, y), expected) << "round " << round << " at " << x << ", " << y;
        }
    }
    EXPECT_GT(found, 1000);
}

TEST(MapBuildings, HandAddedObjectsOffTheMapAreNotIndexed)
{
    Map map;
    ASSERT_TRUE(map.IBlankMap(4, 4, 1.0f, 54));
    const float cx[4] = {0, 10, 10, 0}, cy[4] = {0, 0, 10, 10};
    Building* off = new Building;
    off->IBuilding(9, 1, kTerrainLightBuilding, cx, cy);
    map.mBuildings->Add(off);
    Building* on = new Building;
    on->IBuilding(1, 1, kTerrainLightBuilding, cx, cy);
    map.mBuildings->Add(on);
    Wall* wild = new Wall;
    wild->IWall(kTerrainWall, NAN, 0, 1e30f, 5, 1.0f);
    map.mWalls->Add(wild);
    Crater* far = new Crater;
    far->ICrater(-1e30f, 1e30f, 2, 1, 0, kCraterKindFoxhole, kAxis);
    map.mFoxholes->Add(far);
    map.IndexObjects();
    EXPECT_EQ(map.GetBuildingAtCR(1, 1), on);
    EXPECT_EQ(map.GetBuildingAtCR(3, 1), nullptr);
    EXPECT_EQ(map.GetTerrain(10, 10, true), kTerrainOpen);
    EXPECT_EQ(map.GetBlockingWallType(1, 1, 0, 70, 70, 0), 0);
}

TEST(MapTrees, PlantedOnWoodedCodesOnlyAndTheSameEveryTime)
{
    Map a, b;
    for (Map* m : {&a, &b}) {
        ASSERT_TRUE(m->IBlankMap(10, 10, 1.0f, 200));
        PaintTerrain(*m, 0, 0, 100, 100, kTerrainWoods);
        PaintTerrain(*m, 100, 100, 200, 200, kTerrainTallPines);
        m->AddTrees();
    }
    int32_t total = 0;
    for (int list = 0; list < kTreeLists; ++list) {
        ASSERT_EQ(a.mTrees[list]->GetCount(), b.mTrees[list]->GetCount());
        for (int32_t k = 0; k < a.mTrees[list]->GetCount(); ++k) {
            const Tree* t = static_cast<const Tree*>(a.mTrees[list]->GetObjectA(k));
            const Tree* u = static_cast<const Tree*>(b.mTrees[list]->GetObjectA(k));
            EXPECT_EQ(t->mX, u->mX);
            EXPECT_EQ(t->mVariant, u->mVariant);
            Terrain code = a.GetTerrain(t->mX, t->mY, false);
            ASSERT_TRUE(code == kTerrainWoods || code == kTerrainTallPines);
            EXPECT_EQ(t->mTall != 0, code == kTerrainTallPines);
            EXPECT_EQ(t->mKind, TerrainInfoOf(code).mTreeKind);
            EXPECT_FLOAT_EQ(t->mZ, a.GetZCoord(t->mX, t->mY) - 0.2f);
            EXPECT_GE(t->mSize, 0.8f * 9.0f);
            EXPECT_LE(t->mSize, 1.3f * 9.0f);
            EXPECT_LT(t->mVariant, kTreeVariants);
            ++total;
        }
    }
    // 25 squares of wood (3/4 of 16 cells) and 25 of tall pines (1/2): about 500.
    EXPECT_GT(total, 380);
    EXPECT_LT(total, 620);
    // The lists hold equal shares.
    EXPECT_LE(a.mTrees[0]->GetCount() - a.mTrees[3]->GetCount(), 1);
}

TEST(MapSquares, ClearDoodadsEmptiesSlotZeroAndIgnoresPointsOffTheMap)
{
    Map map;
    ASSERT_TRUE(map.IBlankMap(3, 3, 1.0f, 54));
    map.GetSquare(1, 2)->mDoodads[0].mTypeAndVariant = 0xe3;
    map.ClearDoodads(25, 45);
    EXPECT_EQ(map.GetSquare(1, 2)->mDoodads[0].mTypeAndVariant, 0xe0 | kDoodadEmpty);
    map.ClearDoodads(-1, 45);
    map.ClearDoodads(25, 60);
}

TEST(MapSquares, GroundTypeIsDecidedByTheFirstDecidingSquare)
{
    Map map;
    ASSERT_TRUE(map.IBlankMap(3, 3, 1.0f, 54));
    EXPECT_EQ(map.GetGroundType(false), 0);
    map.GetSquare(2, 2)->mOverlay[0] = 25;  // rocky
    map.GetSquare(1, 0)->mOverlay[1] = 1;   // sandy, in the second slot
    EXPECT_EQ(map.GetGroundType(false), 2);
    EXPECT_EQ(map.GetGroundType(true), 1);
}

struct FakeBattle : MapBattleLink {
    bool HasReferencePointNear(float x, float y, Affiliation side, float radius) override
    {
        lastSide = side;
        lastRadius = radius;
        return side == kAllies && x < 100;
    }
    Affiliation lastSide = -1;
    float lastRadius = 0;
};

TEST(MapSquares, BoreSightAsksTheBattleForThatSide)
{
    Map map;
    ASSERT_TRUE(map.IBlankMap(10, 10, 1.0f, 54));
    EXPECT_FALSE(map.NearBoreSight(50, 50, true));  // no battle
    FakeBattle battle;
    map.SetBattleLink(&battle);
    EXPECT_TRUE(map.NearBoreSight(50, 50, true));
    EXPECT_FLOAT_EQ(battle.lastRadius, 20.0f);
    EXPECT_FALSE(map.NearBoreSight(50, 50, false));
    EXPECT_EQ(battle.lastSide, kAxis);
}

TEST(MapSquares, ElevationBandsSpreadOverTheHeightsInUse)
{
    Map map;
    ASSERT_TRUE(map.IBlankMap(4, 4, 1.0f, 54));
    map.ElevationSpan();
    EXPECT_TRUE(map.NeedOpenGroundTexture(kElevationBands / 2));  // flat: one shade
    RaisePoints(map, 0, 0, 5, 5, 1023);
    map.ElevationSpan();
    EXPECT_TRUE(map.NeedOpenGroundTexture(0));
    EXPECT_TRUE(map.NeedOpenGroundTexture(kElevationBands - 1));
    for (int32_t b = 1; b < kElevationBands; ++b) {
        EXPECT_GE(map.mElevationBandTexture[b], map.mElevationBandTexture[b - 1]);
    }
}

} // namespace
