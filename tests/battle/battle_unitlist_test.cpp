// Spatial queries over the battle's unit list.

#include <gtest/gtest.h>

#include "battle/battle_fixtures.h"

TEST(UnitListQueries, BurningVehiclesNearASightLine) {
    UnitList units;
    units.IList();
    // The line runs diagonally from (0, 0) to (100, 100); its box reaches
    // from -20 to 120 on both axes.
    const float k = 0.70710678f;
    StandInUnit* near = AddStandIn(&units, kUnitVehicle, kAxis, 50 - 24 * k, 50 + 24 * k);
    StandInUnit* far = AddStandIn(&units, kUnitVehicle, kAxis, 50 - 26 * k, 50 + 26 * k);
    StandInUnit* beyond = AddStandIn(&units, kUnitVehicle, kAxis, 121, 121); // on the line, past the box
    StandInUnit* cold = AddStandIn(&units, kUnitVehicle, kAxis, 50, 50);
    StandInUnit* man = AddStandIn(&units, kUnitInfantry, kAxis, 50, 50);
    near->mBurning = far->mBurning = beyond->mBurning = man->mBurning = true;
    GList out;
    out.IList();
    out.PreserveObjects();
    units.MakeBurningVehicleList(&out, 0, 0, 100, 100);
    ASSERT_EQ(out.GetCount(), 1);
    EXPECT_EQ(out.GetObjectA(0), near);
    EXPECT_FALSE(out.IsMember(cold));

    // A vertical line measures in x alone.
    StandInUnit* side = AddStandIn(&units, kUnitVehicle, kAxis, 59, 100);
    side->mBurning = true;
    out.EmptyOut(false);
    units.MakeBurningVehicleList(&out, 40, 0, 40, 100);
    ASSERT_EQ(out.GetCount(), 3);
    EXPECT_EQ(out.GetObjectA(0), near);
    EXPECT_EQ(out.GetObjectA(1), far);
    EXPECT_EQ(out.GetObjectA(2), side);
}

TEST(UnitListQueries, LivingUnitNearbyBySideAndStrictRange) {
    UnitList units;
    units.IList();
    StandInUnit* axis = AddStandIn(&units, kUnitInanimate, kAxis, 10, 0);
    StandInUnit* allied = AddStandIn(&units, kUnitInanimate, kAllies, 0, 20);
    EXPECT_TRUE(units.LivingUnitIsNearby(0, 0, kAxis, 10.5f, nullptr));
    EXPECT_FALSE(units.LivingUnitIsNearby(0, 0, kAxis, 10.0f, nullptr)); // exactly at range
    EXPECT_FALSE(units.LivingUnitIsNearby(0, 0, kAxis, 30.0f, axis));
    EXPECT_TRUE(units.LivingUnitIsNearby(0, 0, 2, 25.0f, axis));
    EXPECT_FALSE(units.LivingUnitIsNearby(0, 0, kAllies, 15.0f, nullptr));
    allied->mActive = false;
    EXPECT_FALSE(units.LivingUnitIsNearby(0, 0, 2, 25.0f, axis));
}

TEST(UnitListQueries, UniqueIdentityZeroFindsNothing) {
    Battle battle;
    battle.IBattleStub();
    StandInUnit* a = AddStandIn(battle.mUnits, kUnitInanimate, kAxis, 0, 0);
    StandInUnit* b = AddStandIn(battle.mUnits, kUnitInanimate, kAllies, 0, 0);
    a->mLinkID = 0;
    b->mLinkID = 7;
    EXPECT_EQ(battle.GetUnitFromUniqueID(0), nullptr);
    EXPECT_EQ(battle.GetUnitFromUniqueID(7), b);
    EXPECT_EQ(battle.GetUnitFromUniqueID(8), nullptr);
}

TEST(UnitListQueries, VehicleCollisionTestsOnlyCloseSeenVehicles) {
    UnitList units;
    units.IList();
    StandInUnit* mover = AddStandIn(&units, kUnitVehicle, kAxis, 100, 100);
    StandInUnit* edge = AddStandIn(&units, kUnitVehicle, kAxis, 103, 97);
    StandInUnit* outside = AddStandIn(&units, kUnitVehicle, kAxis, 103.1f, 100);
    StandInUnit* enemy = AddStandIn(&units, kUnitVehicle, kAllies, 101, 101);
    edge->mObstacle = 1;
    outside->mObstacle = 3;
    enemy->mObstacle = 2;
    int32_t best = 0;
    EXPECT_EQ(units.VehicleCollision(&best, mover), edge); // the enemy is not spotted
    EXPECT_EQ(best, 1);
    enemy->mContactLevel = kContactSeen;
    best = 0;
    EXPECT_EQ(units.VehicleCollision(&best, mover), enemy);
    EXPECT_EQ(best, 2);
    // A mover that only heeds standing vehicles skips those going somewhere.
    mover->mStationaryOnly = true;
    enemy->mNrWaypoints = 1;
    enemy->mWaypoints[0].mOrder = 4;
    best = 0;
    EXPECT_EQ(units.VehicleCollision(&best, mover), edge);
    enemy->mWaypoints[0].mOrder = kPaceRotate;
    best = 0;
    EXPECT_EQ(units.VehicleCollision(&best, mover), enemy);
}
