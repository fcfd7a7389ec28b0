// A vehicle's point value, force readiness and air-target score: boats,
// fixed emplacements and soft vehicles by their rules, records the loader
// allows that would divide by zero, and the value of a vehicle as new.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "engine/GOLTA.h"
#include "units/UnitFactory.h"
#include "units/vehicle_fixtures.h"

TEST(VehicleValue, BoatsBunkersAndSoftVehiclesFollowTheirRules) {
    VehicleBattle b;
    b.mTables.vehicles[kTestLorry].mKind = 5;
    Vehicle* boat = b.AddVehicle(kTestLorry, kAllies, 100, 100);
    EXPECT_EQ(boat->GetVPValue(false, kKnowTruth), 10.0f);
    EXPECT_EQ(boat->GetVPValue(true, kKnowTruth), 10.0f);

    // Without contact the enemy's view skips the experience and leader terms.
    Vehicle* bunker = b.AddVehicle(kTestBunker, kAllies, 150, 100);
    bunker->mContactLevel = 0;
    EXPECT_NEAR(bunker->GetVPValue(false, kKnowEnemy), 5.0f * 1.4f * 0.82f + 15.0f, 1e-4f);
    b.mTables.vehicles[kTestBunker].mExtraValue = 10;
    b.mTables.vehicles[kTestBunker].mExtraValueSteps = 2;
    b.mTables.vehicles[kTestBunker].mExtraStepsOfFive = 1;
    EXPECT_NEAR(bunker->GetVPValue(false, kKnowEnemy), 25.0f * 1.4f * 0.82f + 15.0f, 1e-4f);

    b.mTables.vehicles[kTestLorry].mKind = 0;
    Vehicle* lorry = b.AddVehicle(kTestLorry, kAllies, 200, 100);
    lorry->mContactLevel = 0;
    const float soft =
        5.0f * 0.7f * (40 * 0.0025f + 0.96f) * ((100.0f / 15.0f - 11.0f) * 0.008f + 1.0f) * 0.88f;
    EXPECT_NEAR(lorry->GetVPValue(false, kKnowEnemy), soft * 0.82f + 15.0f, 1e-3f);
    b.mTables.vehicles[kTestLorry].mFlags |= kVLightArmor;
    EXPECT_NEAR(lorry->GetVPValue(false, kKnowEnemy), soft / 0.7f * 0.85f * 0.82f + 15.0f, 1e-3f);
}

TEST(VehicleValue, ZeroWeightHullAndGunCountsStayFinite) {
    VehicleBattle b;
    Vehicle* tank = b.AddVehicle(kTestTank, kAllies, 100, 100);
    const float before = tank->GetVPValue(false, kKnowTruth);
    EXPECT_TRUE(std::isfinite(before));
    b.mTables.vehicles[kTestTank].mWeight = 0;
    b.mTables.vehicles[kTestTank].mHullFigure = 0.0f;
    const float v = tank->GetVPValue(false, kKnowTruth);
    EXPECT_TRUE(std::isfinite(v));
    EXPECT_GT(v, 15.0f);
    // A machine-gun slot with a type but no guns adds nothing.
    b.mTables.vehicles[kTestTank].mCoaxMG = 3;
    b.mTables.vehicles[kTestTank].mCoaxMGCount = 0;
    EXPECT_EQ(tank->GetVPValue(false, kKnowTruth), v);
}

// The armour is measured level with the vehicle: standing 4 m up (a rise)
// changes nothing, where a view from sea level once valued a Panther there
// at 1e18 points and broke the force readiness.
TEST(VehicleValue, AVehicleUpARiseIsValuedAsOnTheLevel) {
    VehicleBattle b;
    b.mTables.vehicles[kTestTank].mArmorPlates[0].mSlope = 55;
    Vehicle* tank = b.AddVehicle(kTestTank, kAllies, 100, 100);
    const float level = tank->GetVPValue(false, kKnowTruth);
    tank->mZ = 4.0f / 6.0f;
    EXPECT_FLOAT_EQ(tank->GetVPValue(false, kKnowTruth), level);
}

TEST(VehicleValue, ValueAsNewDrawsForTheFreshVehicleAndRestoresArmour) {
    VehicleBattle b;
    b.mTables.vehicles[kTestTank].mArmorQuality = 4;
    b.mBattle.mDate = 4405;
    Vehicle* tank = b.AddVehicle(kTestTank, kAllies, 100, 100);
    tank->mArmorFactor[0] = 1.1f;
    const float own = tank->GetVPValue(false, kKnowTruth);
    EXPECT_EQ(tank->mArmorFactor[0], 1.1f);
    SeedRandomGenerator(11);
    const uint32_t seeded = GetRandomState();
    const float fresh = tank->GetVPValue(true, kKnowTruth);
    EXPECT_NE(GetRandomState(), seeded); // the fresh vehicle's set-up draws
    EXPECT_TRUE(std::isfinite(fresh));
    EXPECT_TRUE(std::isfinite(own));
    EXPECT_EQ(tank->mArmorFactor[0], 1.1f);
}

TEST(VehicleValue, ReadinessCountsAmmunitionAndMobility) {
    VehicleBattle b;
    b.mTables.vehicles[kTestTank].mMaxRounds = 40;
    Vehicle* tank = b.AddVehicle(kTestTank, kAllies, 100, 100);
    const int32_t v = static_cast<int32_t>(tank->GetVPValue(false, kKnowTruth));
    int32_t ready = 7, total = 3;
    tank->mActive = false;
    EXPECT_FALSE(tank->ForceReadiness(&ready, &total));
    EXPECT_EQ(ready, 7);
    EXPECT_EQ(total, 3);
    tank->mActive = true;
    for (uint16_t& n : tank->mAmmo)
        n = 0;
    tank->mAmmo[1] = 40;
    tank->mImmobile = true;
    ready = total = 0;
    tank->ForceReadiness(&ready, &total);
    EXPECT_EQ(total, v);
    EXPECT_EQ(ready, static_cast<int32_t>(v * 0.75f));
    // A dug-in vehicle is not the worse for standing still.
    tank->mDugIn = true;
    ready = total = 0;
    tank->ForceReadiness(&ready, &total);
    EXPECT_EQ(ready, v);
}

TEST(VehicleValue, AirTargetScoreByRoofArmourAndState) {
    VehicleBattle b;
    Vehicle* tank = b.AddVehicle(kTestTank, kAllies, 100, 100); // roof 10 mm
    tank->mActive = true;
    tank->mContactLevel = 5;
    // The unit's own score draws a fraction: both sides start from one seed.
    auto base = [tank](AirWeaponKind w) {
        SeedRandomGenerator(5);
        return tank->Unit::AirTargetScore(w);
    };
    auto score = [tank](AirWeaponKind w) {
        SeedRandomGenerator(5);
        return tank->AirTargetScore(w);
    };
    EXPECT_FLOAT_EQ(score(3), base(3) * 2.0f);                      // outside the table
    EXPECT_FLOAT_EQ(score(2), base(2) * 0.1f * 2.0f);               // 10 > 0.5 x 20
    EXPECT_FLOAT_EQ(score(17), base(17) * 2.0f);                    // 10 <= 0.2 x 62
    const float mid = 0.1f + 0.9f * (0.5f * 26 - 10) / (0.3f * 26); // 5.2 < 10 <= 13
    EXPECT_FLOAT_EQ(score(13), base(13) * mid * 2.0f);
    tank->mContactLevel = 0;
    EXPECT_FLOAT_EQ(score(3), base(3) * 2.0f * 0.5f);
    Vehicle* bunker = b.AddVehicle(kTestBunker, kAllies, 150, 100);
    bunker->mContactLevel = 5;
    bunker->mActive = false;
    bunker->mBurning = true;
    EXPECT_EQ(bunker->AirTargetScore(3), 0.0f);
}

TEST(VehicleValue, RarityFollowsTheBattlesModeForceAndRegion) {
    VehicleBattle b;
    VehicleData& d = b.mTables.vehicles[kTestTank];
    d.mTypeDate = 4301;
    d.mRarityIndex = 3;
    for (char& c : d.mRarityCodes)
        c = 14;
    Vehicle* tank = b.AddVehicle(kTestTank, kAllies, 100, 100);
    b.mBattle.mDate = 4306;
    b.mBattle.mRarityMode = 2;
    EXPECT_EQ(tank->GetRarityFactor(), 1.0f);
    b.mBattle.mRarityMode = 1;
    EXPECT_EQ(tank->GetRarityFactor(), RarityFactorFromIndex(3));
    b.mBattle.mRarityMode = 0;
    const float common = tank->GetRarityFactor();
    EXPECT_EQ(common, RarityFactorFromIndex(14));

    // A row in use for the vehicle's force in any region replaces the
    // default codes; one for another region or force does not.
    auto setRow = [&](int32_t j, int32_t region, int32_t force, char code) {
        char* row = d.mRarityRows[j];
        row[0] = 1;
        std::memcpy(row + 4, &region, 4);
        std::memcpy(row + 8, &force, 4);
        for (int32_t m = 12; m < kRarityRowBytes; ++m)
            row[m] = code;
    };
    setRow(0, b.mBattle.mRegion + 1, 63, 5);
    setRow(1, 4, tank->mForce + 1, 6);
    EXPECT_EQ(tank->GetRarityFactor(), common);
    setRow(2, 4, tank->mForce, 7);
    EXPECT_EQ(tank->GetRarityFactor(), RarityFactorFromIndex(7));
    d.mRarityRows[2][0] = 0; // out of use
    EXPECT_EQ(tank->GetRarityFactor(), common);
}

TEST(VehicleValue, OrdersWaitForABailOutAndVoicesSpeakOfTanksByClass) {
    VehicleBattle b;
    Vehicle* tank = b.AddVehicle(kTestTank, kAllies, 100, 100);
    tank->mActive = true;
    EXPECT_TRUE(tank->CanReceiveOrders());
    tank->mBailOutCountdown = 0;
    EXPECT_FALSE(tank->CanReceiveOrders());
    tank->mBailOutCountdown = -1;
    tank->mSurrendered = true;
    EXPECT_FALSE(tank->CanReceiveOrders());

    VehicleData& d = b.mTables.vehicles[kTestTank];
    for (int32_t c : {0, 3, 10, 11, 12, 25, 26, 29, 30, 31}) {
        d.mVoiceClass = c;
        const bool soft = (c >= 11 && c <= 25) || c == 30;
        EXPECT_EQ(tank->ConsideredTankForVoiceEffects(kKnowTruth), !soft) << c;
    }
}

TEST(VehicleValue, OnlyAKnockedOutOrDestroyedVehicleCostsItsSidePoints) {
    VehicleBattle b;
    b.mTables.vehicles[kTestLorry].mKind = 5;
    Vehicle* boat = b.AddVehicle(kTestLorry, kAllies, 100, 100);
    EXPECT_EQ(boat->GetCasualtyVPLoss(), 0.0f);
    boat->mImmobile = true; // still fighting
    EXPECT_EQ(boat->GetCasualtyVPLoss(), 0.0f);
    boat->mKnockedOut = true;
    EXPECT_EQ(boat->GetCasualtyVPLoss(), 10.0f);
}
