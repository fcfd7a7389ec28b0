// A vehicle's decision of one slice on small maps built in code: the
// intents and the action they combine into, shock timers, bail-out of an
// immobilised crew, bogging, the stub waypoint of a moving vehicle, hatches,
// the turret's rest, dust and the close-defence mortar's clock.

#include <gtest/gtest.h>

#include <cmath>

#include "engine/GOLTA.h"
#include "units/vehicle_fixtures.h"

namespace {

// An enemy gun that can knock out a tank from where it stands.
class AntiTankGun : public Walker {
public:
    AntiTankGun() : Walker(kUnitInfantry) { mWalks = false; }
    bool HasAntiArmorWeapon(bool) override { return true; }
};

uint32_t StateAfterDraws(uint32_t seed, int32_t draws) {
    SeedRandomGenerator(seed);
    for (int32_t i = 0; i < draws; ++i)
        Random();
    return GetRandomState();
}

} // namespace

TEST(VehicleDecide, CombinedActionFollowsTheIntentTable) {
    VehicleBattle b;
    Vehicle* tank = b.AddVehicle(kTestTank, kAllies, 100, 100);
    const VehicleAction expected[3][4] = {{0, 0, 1, 1}, {2, 3, 4, 4}, {2, 5, 5, 4}};
    for (TargetingIntent t = 0; t < 3; ++t)
        for (MovementIntent m = 0; m < 4; ++m)
            EXPECT_EQ(tank->CombineIntents(t, m), expected[t][m]) << t << "," << m;
    // Targeting intents above 2 count as 2; unknown movement intents halt.
    EXPECT_EQ(tank->CombineIntents(7, 3), kActionMoveFire);
    EXPECT_EQ(tank->CombineIntents(0, 9), kActionIdle);
    EXPECT_EQ(tank->CombineIntents(1, 9), kActionHaltEngage);
}

TEST(VehicleDecide, MovementIntentByOrdersAndState) {
    VehicleBattle b;
    Vehicle* tank = b.AddVehicle(kTestTank, kAllies, 100, 100);
    EXPECT_EQ(tank->DecideMovementIntent(), kMoveIntentHold); // no waypoints
    VehicleBattle::Order(tank, 150, 100, kPaceDefaultMove);
    EXPECT_EQ(tank->DecideMovementIntent(), kMoveIntentMove);
    tank->mCommandDelay = 1.0f;
    EXPECT_EQ(tank->DecideMovementIntent(), kMoveIntentHold);
    tank->mCommandDelay = 0.0f;
    tank->mWaypoints[0].mOrder = 14; // a pause
    EXPECT_EQ(tank->DecideMovementIntent(), kMoveIntentHold);
    tank->mWaypoints[0].mOrder = 13;
    EXPECT_EQ(tank->DecideMovementIntent(), kMoveIntentHaltToShoot);
    tank->mCrewShockTime = 1.0f;
    EXPECT_EQ(tank->DecideMovementIntent(), kMoveIntentHold);
    tank->mCrewShockTime = 0.0f;
    // A knocked-out gun ends a move that only meant to halt and shoot.
    tank->mWeaponKnockedOut = true;
    EXPECT_EQ(tank->DecideMovementIntent(), kMoveIntentHold);
    EXPECT_EQ(tank->mNrWaypoints, 0);
    // A shocked driver or a bogged vehicle cannot move at all.
    VehicleBattle::Order(tank, 150, 100, kPaceDefaultMove);
    tank->mDriverShockTime = 0.5f;
    EXPECT_EQ(tank->DecideMovementIntent(), kMoveIntentCannot);
    tank->mDriverShockTime = 0.0f;
    tank->mBogged = true;
    EXPECT_EQ(tank->DecideMovementIntent(), kMoveIntentCannot);
}

TEST(VehicleDecide, ShockWearsOffOnlyWithTwoUnhurtCrew) {
    VehicleBattle b;
    Vehicle* tank = b.AddVehicle(kTestTank, kAllies, 100, 100);
    tank->mCasualties = 4; // one of five left
    tank->mCrewShockTime = 1.0f;
    tank->mDriverShockTime = 0.04f;
    tank->ComputeAction();
    EXPECT_EQ(tank->mCrewShockTime, 1.0f);
    EXPECT_NEAR(tank->mDriverShockTime, 0.015f, 1e-6f);
    tank->ComputeAction();
    EXPECT_EQ(tank->mDriverShockTime, 0.0f); // never below zero
    tank->mCasualties = 3;
    tank->ComputeAction();
    EXPECT_NEAR(tank->mCrewShockTime, 0.975f, 1e-6f);
}

TEST(VehicleDecide, ImmobilisedSuppressedCrewBailsOutFixedOnesHoldLonger) {
    VehicleBattle b;
    Vehicle* tank = b.AddVehicle(kTestTank, kAllies, 100, 100);
    tank->mActive = true;
    tank->mImmobile = true;
    tank->mSuppression = 349.0f; // band 4: fights on
    tank->ComputeAction();
    EXPECT_EQ(tank->mBailOutCountdown, -1);
    tank->mSuppression = 350.0f; // band 5
    tank->ComputeAction();
    ASSERT_GE(tank->mBailOutCountdown, 0);
    for (int32_t i = 0; i < 5000 && tank->mBailOutCountdown >= 0; ++i)
        tank->ComputeAction();
    EXPECT_EQ(tank->mBailOutCountdown, -1);
    EXPECT_EQ(gCreditKiller, nullptr);

    Vehicle* bunker = b.AddVehicle(kTestBunker, kAllies, 150, 100);
    bunker->mActive = true;
    bunker->mImmobile = true;
    bunker->mSuppression = 599.0f; // band 5: a fixed one holds
    bunker->ComputeAction();
    EXPECT_EQ(bunker->mBailOutCountdown, -1);
    bunker->mSuppression = 600.0f; // band 6
    bunker->ComputeAction();
    EXPECT_GE(bunker->mBailOutCountdown, 0);
}

TEST(VehicleDecide, BogDrawsAFractionThenTheExperienceModulus) {
    VehicleBattle b;
    Vehicle* tank = b.AddVehicle(kTestTank, kAllies, 100, 100);
    const int32_t e = tank->BaseExperience();
    const double limit = (0.01 + 0.002 * e) * 0.025;
    // A seed whose first fraction frees or immobilises, and one whose does not.
    uint32_t lucky = 0, unlucky = 0;
    for (uint32_t s = 1; s < 200000 && (!lucky || !unlucky); ++s) {
        SeedRandomGenerator(s);
        (RandomFraction() < limit ? lucky : unlucky) = s;
    }
    ASSERT_NE(lucky, 0u);

    tank->mBogged = true;
    SeedRandomGenerator(unlucky);
    tank->HandleBog();
    EXPECT_TRUE(tank->mBogged);
    EXPECT_EQ(GetRandomState(), StateAfterDraws(unlucky, 2));

    SeedRandomGenerator(lucky);
    RandomFraction();
    const bool stuck = RandomPick(static_cast<uint32_t>(e + 2)) == 0;
    SeedRandomGenerator(lucky);
    gPacket = false;
    tank->HandleBog();
    EXPECT_EQ(GetRandomState(), StateAfterDraws(lucky, 4));
    EXPECT_TRUE(gPacket);
    EXPECT_EQ(tank->mImmobile, stuck);
    EXPECT_EQ(tank->mBogged, stuck);

    // An immobilised vehicle draws nothing.
    tank->mImmobile = true;
    tank->mBogged = true;
    SeedRandomGenerator(lucky);
    tank->HandleBog();
    EXPECT_EQ(GetRandomState(), StateAfterDraws(lucky, 0));
}

TEST(VehicleDecide, AVehicleUnderWayGetsAStubWaypointAhead) {
    VehicleBattle b;
    Vehicle* tank = b.AddVehicle(kTestTank, kAllies, 100, 100, 0);
    VehicleBattle::Order(tank, 50, 100, kPaceReverse);
    tank->mWaypoints[0].mZ = 2.0f;
    tank->mWaypoints[0].mHide = 1;
    tank->mPlaybackSpeed = -0.2f;
    tank->mMovingAtFlush = false;
    tank->PrepareForAction();
    ASSERT_EQ(tank->mNrWaypoints, 2);
    EXPECT_NEAR(tank->mWaypoints[0].mX, 99.8f, 1e-4f); // behind, for a reverse order
    EXPECT_NEAR(tank->mWaypoints[0].mY, 100.0f, 1e-4f);
    EXPECT_EQ(tank->mWaypoints[0].mOrder, kPaceReverse);
    EXPECT_EQ(tank->mWaypoints[0].mZ, 2.0f);
    EXPECT_EQ(tank->mWaypoints[0].mHide, 0);
    EXPECT_EQ(tank->mWaypoints[1].mX, 50.0f);

    // A full list loses its last waypoint, never runs past its end.
    Vehicle* full = b.AddVehicle(kTestTank, kAllies, 100, 150, 90);
    for (int32_t i = 0; i < kMaxWaypoints; ++i)
        VehicleBattle::Order(full, 100, 200 + i, kPaceDefaultMove);
    full->mPlaybackSpeed = 0.3f;
    full->PrepareForAction();
    EXPECT_EQ(full->mNrWaypoints, kMaxWaypoints);
    EXPECT_NEAR(full->mWaypoints[0].mY, 150.3f, 1e-4f);
    EXPECT_EQ(full->mWaypoints[kMaxWaypoints - 1].mY, 200.0f + kMaxWaypoints - 2);
    // Timers drawn for the phase lie in their ranges.
    EXPECT_GE(full->mSmokeMortarClock, 0);
    EXPECT_LT(full->mSmokeMortarClock, 400);
    EXPECT_LT(full->mMoveSoundCountdown, 40);
}

TEST(VehicleDecide, CommanderButtonsUpToFightInASmallTurret) {
    VehicleBattle b;
    Vehicle* tank = b.AddVehicle(kTestTank, kAllies, 100, 100);
    EXPECT_FALSE(tank->CommanderMustButtonToFire(false)); // nothing to fight
    tank->mAreaTarget = true;
    const bool big = tank->NrMenInTurret() >= 3;
    EXPECT_EQ(tank->CommanderMustButtonToFire(false), !big);
    b.mTables.vehicles[kTestTank].mFlags |= kVTwoManTurret;
    EXPECT_EQ(tank->NrMenInTurret() < 3, tank->CommanderMustButtonToFire(false));
    EXPECT_TRUE(tank->CommanderMustButtonToFire(false));
    // A lorry with only an open mount fights with its hatches open.
    Vehicle* lorry = b.AddVehicle(kTestLorry, kAllies, 150, 100);
    b.mTables.vehicles[kTestLorry].mFlags |= kVOneManTurret;
    b.mTables.vehicles[kTestLorry].mCoaxMG = 3;
    lorry->mAreaTarget = true;
    EXPECT_EQ(lorry->CommanderMustButtonToFire(false), lorry->OpenTopStatus(kKnowTruth) != 2);
    b.mTables.vehicles[kTestLorry].mCoaxMG = kSmallArmsNone;
    EXPECT_FALSE(lorry->CommanderMustButtonToFire(false));
}

TEST(VehicleDecide, HaltedTankFacingAGunThatCanKillItKeepsItsTurret) {
    VehicleBattle b;
    Vehicle* tank = b.AddVehicle(kTestTank, kAllies, 100, 100);
    tank->mActive = true;
    auto* gun = new AntiTankGun;
    gun->mSide = 1;
    gun->mX = 160;
    gun->mY = 100;
    b.mBattle.mUnits->Add(gun);
    tank->mTarget = gun;
    tank->mAmmo[1] = 10;
    tank->ComputeAction();
    EXPECT_EQ(tank->mTurretHoldSlices, 6800);
    EXPECT_FALSE(tank->mTurretToFront);
    // Out of the gun's reach the turret goes home once the hold runs out.
    gun->mRange = 10.0f;
    tank->mTurretHoldSlices = 1;
    tank->ComputeAction();
    EXPECT_EQ(tank->mTurretHoldSlices, 0);
    tank->ComputeAction();
    EXPECT_TRUE(tank->mTurretToFront);
}

TEST(VehicleDecide, MovingVehicleRaisesDustAtMostEveryFifteenMetres) {
    VehicleBattle b;
    b.mBattle.mGroundCondition = 0;
    Vehicle* tank = b.AddVehicle(kTestTank, kAllies, 100, 100);
    tank->mActive = true;
    const float d = b.mBattle.Dusty(b.map().GetTerrain(100, 100, false), 0);
    if (d == 0.0f) GTEST_SKIP() << "this ground raises no dust";
    VehicleBattle::Order(tank, 190, 100, kPaceDefaultMove);
    tank->mPlaybackSpeed = 0.5f;
    tank->mSliceCount = 16;
    tank->mDustSlice = 0;
    tank->mDustX = -100;
    const int32_t before = b.mBattle.mPackets.GetCount();
    tank->ComputeAction();
    EXPECT_GT(b.mBattle.mPackets.GetCount(), before);
    EXPECT_EQ(tank->mDustSlice, b.mBattle.mTurn * kSlicesPerTurn + 2400);
    EXPECT_NEAR(tank->mDustX, tank->mX, 1.0f);
    // Soon after, nearby: no new dust.
    const int32_t after = b.mBattle.mPackets.GetCount();
    tank->mSliceCount = 24;
    tank->ComputeAction();
    EXPECT_EQ(b.mBattle.mPackets.GetCount(), after);
}

TEST(VehicleDecide, CloseDefenceMortarClockWrapsEveryFourHundredSlices) {
    VehicleBattle b;
    b.mTables.vehicles[kTestTank].mSpecialEquipment = 3;
    Vehicle* tank = b.AddVehicle(kTestTank, kAllies, 100, 100);
    tank->mActive = true;
    tank->mSmokeMortarClock = 398;
    tank->ComputeAction();
    EXPECT_EQ(tank->mSmokeMortarClock, 399);
    tank->ComputeAction();
    EXPECT_EQ(tank->mSmokeMortarClock, 0);
    // Without the mortar the clock stands still.
    b.mTables.vehicles[kTestTank].mSpecialEquipment = 0;
    tank->mSmokeMortarClock = 398;
    tank->ComputeAction();
    EXPECT_EQ(tank->mSmokeMortarClock, 398);
}

TEST(VehicleDecide, SeededSlicesRepeatExactly) {
    auto run = [](uint32_t seed) {
        VehicleBattle b;
        Vehicle* tank = b.AddVehicle(kTestTank, kAllies, 60, 60, 0);
        Vehicle* other = b.AddVehicle(kTestTank, kAxis, 150, 120, 180);
        tank->mActive = other->mActive = true;
        VehicleBattle::Order(tank, 140, 60, kPaceDefaultMove);
        tank->mBogged = false;
        SeedRandomGenerator(seed);
        b.Prepare();
        b.Drive(400);
        return std::vector<float>{tank->mX, tank->mY, tank->mHeading, tank->mTurretBearing,
                                  static_cast<float>(GetRandomState())};
    };
    EXPECT_EQ(run(7), run(7));
}

TEST(VehicleDecide, TankGivenATargetLaysItsTurretAndFires) {
    VehicleBattle b;
    b.mTables.weapons[1].mAmmo[0] = {1, 800.0f};
    TableRows<AmmoData> ammo{gAmmoData, 8};
    ammo[1].mClass = kAmmoAP;
    ammo[1].mShellType = 8;
    ammo[1].mShellMass = 7.0f;
    ammo[1].mLastDate = 9999;
    Vehicle* tank = b.AddVehicle(kTestTank, kAllies, 60, 100, 0);
    Vehicle* enemy = b.AddVehicle(kTestTank, kAxis, 160, 100, 180);
    tank->mActive = enemy->mActive = true;
    tank->mArtilleryDelay = enemy->mArtilleryDelay = 99.0f; // targets by order only
    tank->mTurretBearing = 90.0f;
    tank->mAmmo[1] = 20;
    tank->ReceiveTargetOrders(enemy, enemy->mX, enemy->mY, false, 0);
    ASSERT_EQ(tank->mTarget, enemy);
    EXPECT_TRUE(tank->mUseMainGun);
    b.Prepare();
    // Halted after a drive: its flag holds while it lays its gun, and the
    // shot clears it.
    tank->mIsMoving = true;
    bool laid = false, held = true;
    for (int32_t i = 0; i < 2400 && tank->mAmmo[1] == 20; ++i) {
        held = held && tank->mIsMoving;
        b.Drive(1);
        laid = laid || std::fabs(tank->ActualHeadFacing()) < 0.5f ||
               std::fabs(tank->ActualHeadFacing() - 360) < 0.5f;
    }
    EXPECT_TRUE(laid);
    EXPECT_EQ(tank->mPlaybackSpeed, 0.0f);
    EXPECT_LT(tank->mAmmo[1], 20); // a round fired
    EXPECT_TRUE(held) << "the halted tank's moving flag dropped before its shot";
    EXPECT_FALSE(tank->mIsMoving) << "the shot left the moving flag set";
}
