// A vehicle's weapons and aiming, its identity as the enemy sees it, its
// engine sound, corner cutting and order speeds, and blocked vehicles.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "battle/ActionPacket.h"
#include "engine/GOLTA.h"
#include "engine/GString.h"
#include "units/Functions.h"
#include "units/vehicle_fixtures.h"

TEST(VehicleWeapons, ArcsOfGunsWithoutTurret) {
    VehicleTables tables;
    std::unique_ptr<Vehicle> gun(MakeTestVehicle(kTestTank, kAxis, 100, 100, 90));
    EXPECT_TRUE(gun->InGunArc(100, 0, false)); // a turret is always in arc
    tables.vehicles[kTestTank].mTurretKind = 5;
    tables.vehicles[kTestTank].mGunArc = 20;
    tables.vehicles[kTestTank].mGunArcClockwise = 10;
    EXPECT_TRUE(gun->InGunArc(100, 150, false)); // dead ahead along y: dx = 0
    EXPECT_FALSE(gun->InGunArc(100, 50, false));
    const float ccw = 19.0f * 0.0174532925f, cw = 11.0f * 0.0174532925f;
    EXPECT_TRUE(gun->InGunArc(100 - 50 * std::sin(ccw), 100 + 50 * std::cos(ccw), false));
    EXPECT_FALSE(gun->InGunArc(100 + 50 * std::sin(cw), 100 + 50 * std::cos(cw), false));
    EXPECT_FALSE(gun->InGunArc(100 - 50 * std::sin(ccw), 100 + 50 * std::cos(ccw), true)); // half arc
}

TEST(VehicleWeapons, RangesRatesAndFlames) {
    VehicleTables tables;
    std::unique_ptr<Vehicle> tank(MakeTestVehicle(kTestTank, kAxis, 100, 100));
    float lo = 0, hi = 0;
    tank->HeavyWeaponMinMax(&lo, &hi);
    EXPECT_EQ(lo, 8.0f); // a gun's table minimum of 5 m is raised
    EXPECT_EQ(hi, 2000.0f);
    EXPECT_TRUE(tank->InRange(1500, false, 1.0f));
    EXPECT_FALSE(tank->InRange(1500, false, 0.5f));
    tables.vehicles[kTestTank].mMainWeapon = kWeaponNone;
    EXPECT_FALSE(tank->InRange(0.0f, false, 1.0f)); // nothing to fire
    EXPECT_FALSE(tank->InRange(500.0f, false, 1.0f));
    for (uint32_t s = 1; s < 20; ++s) {
        SeedRandomGenerator(s);
        EXPECT_EQ(tank->FlameConsumption(0.0f), 1);
        const int32_t n = tank->FlameConsumption(100.0f);
        EXPECT_TRUE(n == 3 || n == 4) << n;
    }
    tank->mImmobile = true;
    EXPECT_EQ(tank->RotationSpeed(), 0.0f);
    tank->mImmobile = false;
    const float rest = tank->RotationSpeed();
    tank->mPlaybackSpeed = 0.0894f;
    EXPECT_NEAR(rest * 4.0f, tank->RotationSpeed(), rest * 0.01f); // a quarter at rest
}

TEST(VehicleWeapons, GunFacingAndTurretRestStayInRange) {
    VehicleBattle b;
    Vehicle* tank = b.AddVehicle(kTestTank, kAxis, 50, 50, 0);
    tank->mTurretRate = 7.3f;
    for (int32_t now = 1; now < 500; now += 3) {
        tank->ProcessTimeSlice(now, now, 3);
        EXPECT_GE(tank->mTurretBearing, -180.0f);
        EXPECT_LE(tank->mTurretBearing, 180.0f);
    }
    // A turret at -170 returning to a rear rest of 180 turns through +-180.
    Vehicle* rear = b.AddVehicle(kTestRearGun, kAxis, 70, 50, 0);
    rear->mTurretBearing = -170.0f;
    rear->ResetTurretRotation();
    EXPECT_LT(rear->mTurretRate, 0.0f);
    tank->mTurretBearing = 0.1f;
    tank->mTurretRate = 0.0f;
    tank->ResetTurretRotation();
    EXPECT_EQ(tank->mTurretBearing, 0.0f);
    EXPECT_EQ(tank->mTurretRate, 0.0f);
}

TEST(VehicleWeapons, ElevationFollowsTheTiltUnderTheGun) {
    VehicleBattle b;
    Vehicle* tank = b.AddVehicle(kTestTank, kAxis, 50, 50, 0);
    EXPECT_EQ(tank->AdjustGunElevationForBodyTilt(), 0.0f); // flat ground
    for (int32_t i = 0; i < 50; ++i)
        for (int32_t j = 0; j < 50; ++j)
            b.map().SetPoint(i, j, EncodePoint(i, kTerrainOpen));
    tank->Tilt(false);
    const float p = tank->mHullPitch;
    ASSERT_GT(p, 0.0f);
    EXPECT_NEAR(tank->AdjustGunElevationForBodyTilt(), -p, 1e-4f);
    tank->mTurretBearing = 180.0f;
    EXPECT_NEAR(tank->AdjustGunElevationForBodyTilt(), p, 1e-4f);
}

TEST(VehicleIdentity, NamesAndRecordsByWhatTheEnemyKnows) {
    VehicleBattle b;
    Vehicle* tank = b.AddVehicle(kTestTank, kAllies, 50, 50); // the enemy of the viewing Axis
    std::snprintf(b.mTables.vehicles[kTestTank].mName, sizeof(VehicleData::mName), "Long Name");
    std::snprintf(b.mTables.vehicles[kTestTank].mShortName, sizeof(VehicleData::mShortName), "Short");
    b.mTables.vehicles[kTestTank].mClass = 3;
    tank->mMistakenTypes[0] = kTestLorry;
    tank->mContactLevel = 4;
    EXPECT_EQ(&tank->GetVehicleDataRecord(kKnowEnemy), &gVehicleData[kTestLorry]);
    EXPECT_EQ(&tank->GetVehicleDataRecord(kKnowTruth), &gVehicleData[kTestTank]);
    tank->mContactLevel = 5;
    GString63 name;
    tank->ConcatName(&name, true);
    EXPECT_STREQ(name.GetCString(), "Long Name");
    name.IStringText("");
    tank->ConcatName(&name, false);
    EXPECT_STREQ(name.GetCString(), "Short");
    tank->mContactLevel = 3;
    name.IStringText("");
    tank->ConcatName(&name, true);
    EXPECT_EQ(name.GetChar(name.GetLength() - 1), '?');
    EXPECT_EQ(tank->OpenTopStatus(kKnowTruth), 0);
    b.mTables.vehicles[kTestTank].mRoofArmorB = 0;
    EXPECT_EQ(tank->OpenTopStatus(kKnowTruth), 1);
    b.mTables.vehicles[kTestTank].mRoofArmorA = 0;
    EXPECT_EQ(tank->OpenTopStatus(kKnowTruth), 2);
}

TEST(VehicleIdentity, DiggingInDropsPassengers) {
    VehicleBattle b;
    Vehicle* tank = b.AddVehicle(kTestTank, kAxis, 50, 50);
    Vehicle* lorry = b.AddVehicle(kTestLorry, kAxis, 70, 50);
    StandInUnit rider(kUnitInfantry);
    rider.mTransport = tank;
    tank->mPassengers[1] = &rider;
    tank->DigIn();
    EXPECT_TRUE(tank->mDugIn);
    EXPECT_EQ(tank->mPassengers[1], nullptr);
    EXPECT_EQ(rider.mTransport, nullptr);
    EXPECT_TRUE(tank->HullDownToLocation(10, 10));
    tank->DigIn();
    EXPECT_FALSE(tank->mDugIn);
    lorry->DigIn(); // soft and unarmed: cannot dig in
    EXPECT_FALSE(lorry->mDugIn);
}

TEST(VehicleSound, EngineNumbersAndPackets) {
    VehicleBattle b;
    Vehicle* tank = b.AddVehicle(kTestTank, kAxis, 50, 50);
    b.mTables.models[0].mEngineSound = 136;
    EXPECT_EQ(tank->GetEngineRezID(false, kKnowTruth, true), 136);
    EXPECT_EQ(tank->GetEngineRezID(false, kKnowTruth, false), 133);
    b.mTables.models[0].mEngineSound = 140;
    EXPECT_EQ(tank->GetEngineRezID(false, kKnowTruth, false), 1900);
    // Unheard by the enemy: only its own side gets a packet.
    const int32_t before = b.mBattle.mPackets.GetCount();
    tank->mActionSlices = 5;
    tank->AddSoundEffectMove(true);
    ASSERT_EQ(b.mBattle.mPackets.GetCount(), before + 1);
    auto* p = static_cast<ActionPacket*>(b.mBattle.mPackets.GetObjectA(before));
    EXPECT_EQ(p->mSoundNumber, 140);
    EXPECT_EQ(p->mSource, tank);
    tank->mImmobile = true;
    tank->AddSoundEffectMove(true);
    EXPECT_EQ(b.mBattle.mPackets.GetCount(), before + 1);
}

TEST(VehicleDrive, CornersAreCutOnlyCloseToTheTurn) {
    VehicleBattle b;
    Vehicle* tank = b.AddVehicle(kTestTank, kAxis, 50, 50, 0);
    VehicleBattle::Order(tank, 55, 50, kPaceDefaultMove);
    VehicleBattle::Order(tank, 55, 90, kPaceDefaultMove);
    tank->mPlaybackSpeed = 0.2f;
    EXPECT_TRUE(tank->CutCorner());
    EXPECT_EQ(tank->mNrWaypoints, 1);
    EXPECT_GT(tank->mPlaybackSpeed, 0.0f);
    EXPECT_LT(tank->mPlaybackSpeed, 0.2f);
    // 10 m short of the turn: not yet.
    tank->mNrWaypoints = 0;
    VehicleBattle::Order(tank, 60, 50, kPaceDefaultMove);
    VehicleBattle::Order(tank, 60, 90, kPaceDefaultMove);
    tank->mPlaybackSpeed = 0.2f;
    EXPECT_FALSE(tank->CutCorner());
    EXPECT_EQ(tank->mNrWaypoints, 2);
    // A last waypoint inside the turning circle slows the vehicle.
    tank->mNrWaypoints = 0;
    VehicleBattle::Order(tank, 50, 51, kPaceDefaultMove);
    tank->mPlaybackSpeed = 0.2f;
    EXPECT_FALSE(tank->CutCorner());
    EXPECT_NEAR(tank->mPlaybackSpeed, 0.16f, 1e-6f);
}

TEST(VehicleDrive, OrdersCapTheSpeed) {
    VehicleBattle b;
    Vehicle* tank = b.AddVehicle(kTestTank, kAxis, 50, 50, 0);
    tank->mPlaybackSpeed = 10.0f; // no acceleration limit
    VehicleBattle::Order(tank, 150, 50, 11);
    EXPECT_NEAR(tank->MoveSpeed(nullptr), 3.2f * 0.4473f * 0.025f, 1e-6f);
    tank->mWaypoints[0].mOrder = kPaceReverse;
    tank->mHeading = 180.0f;
    EXPECT_NEAR(tank->MoveSpeed(nullptr), 25.0f * 0.27f * 0.4473f * 0.025f, 1e-6f);
}

TEST(VehicleDrive, BlockedByAnIdleLightFriendShovesItAside) {
    VehicleBattle b;
    Vehicle* tank = b.AddVehicle(kTestTank, kAxis, 50, 50, 0);
    Vehicle* lorry = b.AddVehicle(kTestLorry, kAxis, 52, 50);
    VehicleBattle::Order(tank, 100, 50, kPaceDefaultMove);
    tank->Move();
    EXPECT_EQ(tank->mPlaybackSpeed, 0.0f);
    EXPECT_EQ(lorry->mNrWaypoints, 1); // told to get out of the way
    EXPECT_EQ(tank->mCommandDelay, 4.0f);
    EXPECT_EQ(lorry->mX, 52.0f); // not moved by the blocked vehicle itself
}

TEST(VehicleState, WeaponsCrewAndLoadTimes) {
    VehicleTables tables;
    std::unique_ptr<Vehicle> tank(MakeTestVehicle(kTestTank, kAxis, 50, 50));
    tank->mCrewShockTime = 2.0f;
    tank->mCasualties = 4;
    EXPECT_FALSE(tank->HasFunctioningWeapon());
    tank->mWeaponKnockedOut = true;
    tank->mCrewShockTime = 0.0f;
    EXPECT_FALSE(tank->HasFunctioningWeapon());
    EXPECT_LE(tank->FullLoadTime(true, false), 640.0f);
    EXPECT_TRUE(tank->IsStopped());
    EXPECT_TRUE(tank->InGoodOrder());
    tank->mBailOutCountdown = 3;
    EXPECT_FALSE(tank->InGoodOrder());
    EXPECT_TRUE(tank->IsArmoredVehicle(kKnowTruth, true));
    tables.vehicles[kTestTank].mArmorPlates[0].mThickness = 0;
    tables.vehicles[kTestTank].mHasTurretArmor = 1;
    EXPECT_FALSE(tank->IsArmoredVehicle(kKnowTruth, true));
    EXPECT_TRUE(tank->IsArmoredVehicle(kKnowTruth, false));
}

TEST(VehicleTargets, MainGunOrMachineGunsByTargetAndChoice) {
    VehicleBattle b;
    b.mTables.vehicles[kTestTank].mCoaxMG = 5;
    b.mTables.vehicles[kTestTank].mCoaxMGCount = 1;
    Vehicle* tank = b.AddVehicle(kTestTank, kAxis, 50, 50);
    tank->mMGRounds[GetMGAmmoType(5)] = 100;
    ASSERT_TRUE(tank->HasFunctioningMG(false));
    Walker* squad = b.Add(kAllies, 150, 50);
    Vehicle* enemy = b.AddVehicle(kTestLorry, kAllies, 150, 80);
    b.mBattle.mCheckOrders = true;
    tank->ReceiveTargetOrders(squad, squad->mX, squad->mY, false, 0);
    EXPECT_TRUE(tank->mUseMainGun);
    b.mBattle.mCheckOrders = false;
    tank->ReceiveTargetOrders(squad, squad->mX, squad->mY, false, 0);
    EXPECT_FALSE(tank->mUseMainGun); // the player is asked
    tank->RespondToGunUseChoice(true);
    EXPECT_TRUE(tank->mUseMainGun);
    tank->ReceiveTargetOrders(enemy, enemy->mX, enemy->mY, false, 0);
    EXPECT_TRUE(tank->mUseMainGun); // vehicles always draw the main gun
    tank->mMainGunOut = true;
    tank->ReceiveTargetOrders(enemy, enemy->mX, enemy->mY, false, 0);
    EXPECT_FALSE(tank->mUseMainGun);
    EXPECT_EQ(tank->mGunChoicePending, 0);
}

TEST(VehicleDrive, SeededRunsRepeat) {
    auto run = [](uint32_t seed) {
        SeedRandomGenerator(seed);
        VehicleBattle b;
        Vehicle* tank = b.AddVehicle(kTestTank, kAxis, 20, 20, 0);
        Vehicle* lorry = b.AddVehicle(kTestLorry, kAllies, 60, 22, 90);
        lorry->mContactLevel = kContactFull;
        VehicleBattle::Order(tank, 120, 20, kPaceDefaultMove);
        VehicleBattle::Order(tank, 120, 120, kPaceReverse);
        b.Prepare();
        b.Drive(1500);
        return std::vector<float>{tank->mX,  tank->mY,  tank->mHeading,
                                  lorry->mX, lorry->mY, static_cast<float>(GetRandomState())};
    };
    EXPECT_EQ(run(9), run(9));
}
