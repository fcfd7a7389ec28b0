// The vehicle's machine guns: which group searches where, what it may
// choose, how many shots and rounds a burst takes, and how long it waits.

#include <gtest/gtest.h>

#include <algorithm>

#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/GOLTA.h"
#include "units/Functions.h"
#include "units/vehicle2_fixtures.h"

namespace {

class VehicleMG : public ::testing::Test {
protected:
    VehicleMG() {
        VehicleData& d = battle.mTables.vehicles[kTestTank];
        d.mCoaxMG = kTestMG;
        d.mCoaxMGCount = 3;
        d.mCoaxIndependent = 1;
        tank = new ScoringVehicle;
        tank->IVehicle(kTestTank, kForceDefaultAxis, kExperienceRegular, 50, 50, 0);
        tank->mSide = 1;
        tank->mHeading = 0;
        tank->mMGRounds[GetMGAmmoType(kTestMG)] = 50;
        battle.mBattle.mUnits->Add(tank);
        battle.mBattle.mComputing = true;
    }
    Walker* Enemy(float x, float y) {
        Walker* w = battle.Add(kAllies, x, y);
        w->mContactLevel = kContactFull;
        return w;
    }
    bool Scored(Unit* u) const {
        return std::find(tank->scored.begin(), tank->scored.end(), u) != tank->scored.end();
    }
    VehicleBattle battle;
    HitTables hit{battle.mTables};
    ScoringVehicle* tank = nullptr;
};

TEST_F(VehicleMG, NothingToShootWaitsOneSecond) {
    tank->FireMachineGuns();
    EXPECT_FLOAT_EQ(tank->mMGWait[1], 1.0f);
    EXPECT_FLOAT_EQ(tank->mMGWait[0], 0.0f); // no bow gun: no search, no wait
    tank->FireMachineGuns();
    EXPECT_FLOAT_EQ(tank->mMGWait[1], 0.975f);
    EXPECT_EQ(tank->mMGSmallArms, kSmallArmsNone);
    EXPECT_FALSE(tank->mFiringMGs);
}

TEST_F(VehicleMG, ShotsAndRoundsFollowAmmunition) {
    Walker* e = Enemy(150, 50);
    battle.mTables.vehicles[kTestTank].mMainWeapon = kWeaponNone;
    tank->mMGRounds[GetMGAmmoType(kTestMG)] = 2; // three guns, two rounds left
    const int32_t attacks = battle.mBattle.mPendingAttacks.GetCount();
    tank->FireMachineGuns();
    ASSERT_TRUE(Scored(e));
    EXPECT_EQ(tank->mMGRounds[GetMGAmmoType(kTestMG)], 0);
    EXPECT_EQ(battle.mBattle.mPendingAttacks.GetCount() - attacks, 2);
    // At 100 m the drawn 8..12 s are shortened to 0.7588 of them.
    EXPECT_GE(tank->mMGWait[1], 8.0f * 0.7588f - 1e-3f);
    EXPECT_LE(tank->mMGWait[1], 12.0f * 0.7588f + 1e-3f);
    // Without a main gun the vehicle keeps the machine guns' target.
    EXPECT_EQ(tank->mTarget, e);
    // With no rounds left the machine guns give the target back.
    EXPECT_TRUE(tank->mMGTargetOwnsTarget);
}

TEST_F(VehicleMG, CloseTargetsShortenTheWaitToItsFloor) {
    Enemy(60, 50); // 10 m: the factor's floor 0.35
    SeedRandomGenerator(17);
    tank->FireMachineGuns();
    const float wait = tank->mMGWait[1];
    EXPECT_GE(wait, 8.0f * 0.35f - 1e-3f);
    EXPECT_LE(wait, 12.0f * 0.35f + 1e-3f);
}

TEST_F(VehicleMG, CoaxialFiresOnlyAtTheCurrentTarget) {
    VehicleData& d = battle.mTables.vehicles[kTestTank];
    d.mFreeMG = kTestMG;
    d.mFreeMGCount = 1;
    Walker* near = Enemy(120, 51);
    Walker* far = Enemy(200, 49);
    tank->mTarget = far;
    tank->mMGTargetOwnsTarget = false;
    tank->FireMachineGuns();
    // The coaxial group scored only the target; the free group, all round, both.
    EXPECT_EQ(std::count(tank->scored.begin(), tank->scored.end(), far), 2);
    EXPECT_EQ(std::count(tank->scored.begin(), tank->scored.end(), near), 1);
    EXPECT_EQ(tank->mTarget, far);
}

TEST_F(VehicleMG, ArcsButtonsAndTheLastMan) {
    VehicleData& d = battle.mTables.vehicles[kTestTank];
    d.mCoaxMG = kSmallArmsNone;
    d.mFreeMG = kTestMG;
    d.mFreeMGCount = 1;
    Walker* behind = Enemy(0, 50);
    // Buttoned, a free gun the record does not allow buttoned stays silent.
    tank->mButtoned = true;
    tank->FireMachineGuns();
    EXPECT_TRUE(tank->scored.empty());
    EXPECT_FLOAT_EQ(tank->mMGWait[2], 0.0f);
    d.mFreeMGButtoned = 1;
    tank->FireMachineGuns();
    EXPECT_TRUE(Scored(behind)); // all round
    // Flag 0x100 narrows the free gun to 40 degrees each side of the hull front.
    tank->scored.clear();
    tank->mMGWait[2] = 0;
    d.mFlags |= kVThirdMGForward;
    tank->FireMachineGuns();
    EXPECT_FALSE(Scored(behind));
    // One man left who can still drive fires nothing; immobilised he may.
    d.mFlags = 0;
    tank->scored.clear();
    tank->mMGWait[2] = 0;
    d.mFreeMGCount = 5;
    tank->mCasualties = 4;
    tank->mCrewShockTime = 0;
    tank->FireMachineGuns();
    EXPECT_TRUE(tank->scored.empty());
    tank->mImmobile = true;
    tank->FireMachineGuns();
    EXPECT_TRUE(Scored(behind));
}

TEST_F(VehicleMG, CandidatesOfOwnSideAndPassengersAreNotScored) {
    Walker* friendUnit = battle.Add(kAxis, 120, 50);
    friendUnit->mContactLevel = kContactFull;
    Walker* unseen = Enemy(130, 50);
    unseen->mContactLevel = kContactNone;
    tank->FireMachineGuns();
    EXPECT_TRUE(tank->scored.empty());
    EXPECT_FLOAT_EQ(tank->mMGWait[1], 1.0f);
}

} // namespace
