// Fortification placement of the computer side's set-up.

#include <gtest/gtest.h>

#include "ai_setup_fixture.h"
#include "units/Inanimate.h"

namespace {

Inanimate* Item(SetupBattle& b, InanimateType kind, float x, float y) {
    auto* item = new Inanimate;
    item->mSubtype = kind;
    item->mUnitType = kUnitInanimate;
    item->mSide = 1;
    item->mX = x;
    item->mY = y;
    item->mActive = true;
    b.mBattle.mUnits->Add(item);
    return item;
}

int16_t Rate(SetupBattle& b, Inanimate* item, int32_t c, int32_t r, GDynamicArray* grid = nullptr) {
    (void)b;
    return AIRateTileForInanimate(c, r, item, grid);
}

} // namespace

TEST(AIFortify, RatingsByKindAndTerrain) {
    SetupBattle b(12, 12);
    for (int32_t& owner : b.mBattle.mEdgeOwner)
        owner = 2; // depth factor 1
    auto* wire = Item(b, kInanimateWire, 0.0f, 0.0f);
    auto* block = Item(b, kInanimateRoadblock, 0.0f, 0.0f);
    auto* trench = Item(b, kInanimateTrenches, 0.0f, 0.0f);
    auto* mines = Item(b, kInanimateATMines, 0.0f, 0.0f);
    auto* trp = Item(b, kInanimateTargetReference, 0.0f, 0.0f);
    b.Paint(20.0f, 20.0f, 40.0f, 40.0f, kTerrainWoods); // square (1, 1)
    b.Paint(40.0f, 40.0f, 60.0f, 60.0f, 4);             // square (2, 2)
    b.Paint(60.0f, 60.0f, 80.0f, 80.0f, kTerrainLightBuilding);
    b.Paint(100.0f, 0.0f, 120.0f, 240.0f, kTerrainRoad); // a road along column 5
    b.Paint(80.0f, 100.0f, 100.0f, 120.0f, kTerrainWoods);
    b.Paint(120.0f, 100.0f, 140.0f, 120.0f, kTerrainWoods); // woods either side of (5, 5)
    b.Paint(180.0f, 180.0f, 200.0f, 200.0f, kTerrainWater);
    EXPECT_EQ(Rate(b, wire, 1, 1), 2000);
    EXPECT_EQ(Rate(b, wire, 2, 2), 1700);
    EXPECT_EQ(Rate(b, wire, 0, 0), 1000);
    EXPECT_EQ(Rate(b, wire, 3, 3), 200);
    EXPECT_EQ(Rate(b, wire, 9, 9), 1);  // it cannot stand in water
    EXPECT_EQ(Rate(b, block, 1, 1), 1); // blocked
    EXPECT_EQ(Rate(b, block, 0, 0), 200);
    EXPECT_EQ(Rate(b, block, 5, 5), 2000); // a road between woods
    EXPECT_EQ(Rate(b, block, 5, 8), 1000);
    EXPECT_EQ(Rate(b, mines, 5, 8), 1000);
    EXPECT_EQ(Rate(b, trp, 3, 3), 2000);
    EXPECT_EQ(Rate(b, trp, 0, 0), 1000);
    // Trenches: a trench code rates 2000 without a grid, by sight with one,
    // half on a road.
    EXPECT_EQ(Rate(b, trench, 0, 0), 2000);
    EXPECT_EQ(Rate(b, trench, 5, 8), 1000);
    EXPECT_EQ(Rate(b, trench, 3, 3), 200);
    GDynamicArray* grid = b.Grid((60 << 8) + 30);
    EXPECT_EQ(Rate(b, trench, 0, 0, grid), static_cast<int32_t>(20.0f * (0.333f * 30.0f + 0.667f * 60.0f)));
    // Code 14 halves a trench too; wire takes 1000 up to code 49 and 200
    // from code 50.
    b.Paint(0.0f, 200.0f, 20.0f, 220.0f, 14);  // square (0, 10)
    b.Paint(20.0f, 200.0f, 40.0f, 220.0f, 49); // square (1, 10)
    EXPECT_EQ(Rate(b, trench, 0, 10), 1000);
    EXPECT_EQ(Rate(b, wire, 1, 10), 1000);
    // A kind this rating does not know is no candidate.
    auto* odd = Item(b, 9, 0.0f, 0.0f);
    EXPECT_EQ(Rate(b, odd, 0, 0), 0);
}

TEST(AIFortify, DepthFactorFromTheSidesOwnEdges) {
    SetupBattle b(10, 10);
    auto* wire = Item(b, kInanimateWire, 0.0f, 0.0f);
    for (int32_t& owner : b.mBattle.mEdgeOwner)
        owner = 2;
    b.mBattle.mEdgeOwner[1] = kAxis; // North, with South nobody's
    const float g = (0.4f * 200.0f - 190.0f) / 200.0f * 1.66667f + 1.0f;
    EXPECT_EQ(Rate(b, wire, 0, 9), static_cast<int32_t>(1000.0f * ((g + 1.0f) * 0.5f)));
    EXPECT_EQ(Rate(b, wire, 0, 3), 1000); // y = 70 is not beyond 0.4 H
    const float g90 = (0.4f * 200.0f - 90.0f) / 200.0f * 1.66667f + 1.0f;
    EXPECT_EQ(Rate(b, wire, 0, 4), static_cast<int32_t>(1000.0f * ((g90 + 1.0f) * 0.5f)));
    b.mBattle.mEdgeOwner[3] = kAllies;
    EXPECT_EQ(Rate(b, wire, 0, 9), static_cast<int32_t>(1000.0f * g));
    b.mBattle.mEdgeOwner[3] = kAxis; // both: no depth
    EXPECT_EQ(Rate(b, wire, 0, 9), 1000);
    // South the side's, North the enemy's: below 0.6 H (here y = 110, not 130).
    b.mBattle.mEdgeOwner[1] = kAllies;
    EXPECT_EQ(Rate(b, wire, 0, 5), static_cast<int32_t>(1000.0f * (110.0f * 1.66667f / 200.0f)));
    EXPECT_EQ(Rate(b, wire, 0, 6), 1000);
    // Never below 2: 200 x 0.083 x 0.083 would give 1.
    b.mBattle.mEdgeOwner[1] = kAxis;
    b.mBattle.mEdgeOwner[3] = kAllies;
    b.mBattle.mEdgeOwner[2] = kAxis;
    b.mBattle.mEdgeOwner[0] = kAllies;
    b.Paint(180.0f, 180.0f, 200.0f, 200.0f, kTerrainLightBuilding);
    EXPECT_EQ(Rate(b, wire, 9, 9), 2);
}

TEST(AIFortify, SpacingHeadingsAndZones) {
    SetupBattle b(10, 10);
    for (int32_t& owner : b.mBattle.mEdgeOwner)
        owner = 2;
    b.Zone(0, 0, 9, 9, 4);
    gAIFreeSetup = true;
    b.Paint(0.0f, 0.0f, 200.0f, 200.0f, kTerrainWoods);
    b.Paint(100.0f, 0.0f, 120.0f, 200.0f, kTerrainRoad); // the road along column 5
    auto* soldier = b.Add(kAxis, 110.0f, 150.0f);        // spoils (4..6, 6..8) for road blocks
    (void)soldier;
    GList items;
    items.PreserveObjects();
    auto* r1 = Item(b, kInanimateRoadblock, 5.0f, 5.0f);
    auto* r2 = Item(b, kInanimateRoadblock, 5.0f, 5.0f);
    items.Add(r1);
    items.Add(r2);
    AIPlaceOneTypeOfInanimate(&items, nullptr);
    // Both on the road, on different squares, away from the soldier, turned along it.
    for (Unit* r : {static_cast<Unit*>(r1), static_cast<Unit*>(r2)}) {
        EXPECT_EQ(static_cast<int32_t>(r->mX * 0.05f), 5);
        EXPECT_LT(static_cast<int32_t>(r->mY * 0.05f), 6);
        EXPECT_EQ(r->mHeading, 90.0f);
        EXPECT_LE(std::fabs(r->mX - 110.0f), 2.0f);
    }
    EXPECT_NE(static_cast<int32_t>(r1->mY * 0.05f), static_cast<int32_t>(r2->mY * 0.05f));

    // Wire draws its heading; trenches face north when the side holds the
    // north edge alone.
    auto* wire = Item(b, kInanimateWire, 5.0f, 5.0f);
    items.EmptyOut(false);
    items.Add(wire);
    AIPlaceOneTypeOfInanimate(&items, nullptr);
    EXPECT_GE(wire->mHeading, 0.0f);
    EXPECT_LT(wire->mHeading, 360.0f);
    b.mBattle.mEdgeOwner[1] = kAxis;
    auto* trench = Item(b, kInanimateTrenches, 5.0f, 5.0f);
    items.EmptyOut(false);
    items.Add(trench);
    AIPlaceOneTypeOfInanimate(&items, nullptr);
    EXPECT_EQ(trench->mHeading, 90.0f);

    // An item bound to a zone without candidates stays; without free
    // placement nothing moves.
    auto* bound = Item(b, kInanimateWire, 7.0f, 7.0f);
    bound->mSetupZone = 6;
    items.EmptyOut(false);
    items.Add(bound);
    AIPlaceOneTypeOfInanimate(&items, nullptr);
    EXPECT_EQ(bound->mX, 7.0f);
    bound->mSetupZone = 0;
    gAIFreeSetup = false;
    AIPlaceOneTypeOfInanimate(&items, nullptr);
    EXPECT_EQ(bound->mX, 7.0f);
}

TEST(AIFortify, ASideWithoutZoneSquaresPlacesNothing) {
    SetupBattle b(10, 10);
    gAIFreeSetup = true;
    GList fortifications;
    fortifications.PreserveObjects();
    auto* wire = Item(b, kInanimateWire, 7.0f, 7.0f);
    auto* mine = Item(b, kInanimateAPMines, 9.0f, 9.0f);
    auto* odd = Item(b, 12, 11.0f, 11.0f);
    fortifications.Add(wire);
    fortifications.Add(mine);
    fortifications.Add(odd);
    AIPlaceInanimates(&fortifications);
    EXPECT_EQ(fortifications.GetCount(), 1); // the unknown kind is never taken
    EXPECT_EQ(wire->mX, 7.0f);
    EXPECT_EQ(mine->mX, 9.0f);
    EXPECT_EQ(odd->mX, 11.0f);
    // The squares the side's fortifications spoil are candidates; only a
    // target reference point, bound to no zone, may take one.
    auto* trp = Item(b, kInanimateTargetReference, 50.0f, 50.0f);
    fortifications.Add(trp);
    AIPlaceInanimates(&fortifications);
    EXPECT_NE(trp->mX, 50.0f);
    EXPECT_LE(std::fabs(trp->mX - 10.0f) * std::fabs(trp->mX - 50.0f), 2.0f * 40.0f);
}

TEST(AIFortify, AnItemOfAnyZoneTakesItsSidesZoneBeforeTheSpoiltSquaresOutside) {
    SetupBattle b(10, 10);
    for (int32_t& owner : b.mBattle.mEdgeOwner)
        owner = 2;
    b.Zone(3, 0, 9, 9, 4);
    gAIFreeSetup = true;
    b.Add(kAxis, 70.0f, 90.0f); // spoils columns 0..6 for mines, 0..2 outside the zone
    GList items;
    items.PreserveObjects();
    auto* mine = Item(b, kInanimateAPMines, 170.0f, 170.0f);
    items.Add(mine);
    AIPlaceOneTypeOfInanimate(&items, nullptr);
    EXPECT_NE(mine->mX, 170.0f);
    EXPECT_GE(static_cast<int32_t>(mine->mX * 0.05f), 3);
}
