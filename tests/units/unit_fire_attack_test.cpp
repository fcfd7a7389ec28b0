// Bullets, indirect fire, canister and placed shells: the attack each shot
// leaves, the sounds it queues and the error of a placed shell.

#include <cmath>

#include "battle/ActionPacket.h"
#include "engine/GOLTA.h"
#include "unit_fire_fixture.h"
#include "units/Airplane.h"
#include "units/Functions.h"

using namespace firetest;

namespace {

class AttackRules : public FireBattle {
protected:
    AttackRules() {
        firer = Place<Soldier>(kAxis, 1000.0f, 1000.0f);
        target = Place<Soldier>(kAllies, 1300.0f, 1000.0f);
        firer->mTarget = target;
    }
    int32_t CountSounds(int32_t kind) {
        int32_t n = 0;
        for (int32_t i = 0; i < mBattle.mPackets.GetCount(); ++i) {
            auto* p = Nth<ActionPacket>(mBattle.mPackets, i);
            if (p->mType == kPacketSound && p->mPriority == kind) ++n;
        }
        return n;
    }
    float Z() { return target->GetZ(); }
    Soldier* firer;
    Soldier* target;
};

} // namespace

TEST_F(AttackRules, TheExpectedErrorDrawsNothingAndRepeats) {
    float ex1, ey1, ex2, ey2;
    const uint32_t before = GetRandomState();
    firer->CalculatePlacedShellError(true, false, nullptr, 1300.0f, 1000.0f, 40, kWClassGun, false, kAmmoHE,
                                     &ex1, &ey1);
    firer->CalculatePlacedShellError(true, false, nullptr, 1300.0f, 1000.0f, 40, kWClassGun, false, kAmmoHE,
                                     &ex2, &ey2);
    EXPECT_EQ(GetRandomState(), before);
    EXPECT_EQ(ex1, ex2);
    EXPECT_EQ(ey1, ey2);
    EXPECT_GE(ex1, 0.0f);
    EXPECT_GE(ey1, 0.0f);
}

TEST_F(AttackRules, FlameErrorsAreWorkedFromTheQuantilesAndDoubleAtNight) {
    // 0.2^2 and 0.25^2 of 0.021 x 1000, one second of flight, regular crew.
    float ex, ey;
    firer->CalculatePlacedShellError(true, false, nullptr, 1300.0f, 1000.0f, 40, kWClassFlame, false, kAmmoHE,
                                     &ex, &ey);
    EXPECT_NEAR(ex, 0.84f, 1e-4);
    EXPECT_NEAR(ey, 1.3125f, 1e-4);
    mBattle.mTimeOfDay = kNight;
    firer->CalculatePlacedShellError(true, false, nullptr, 1300.0f, 1000.0f, 40, kWClassFlame, false, kAmmoHE,
                                     &ex, &ey);
    EXPECT_NEAR(ex, 1.68f, 1e-4);
    EXPECT_NEAR(ey, 2.625f, 1e-4);
}

TEST_F(AttackRules, PlacedShellsFallWithinTheirRangeAndDeflectionBounds) {
    const float range = 300.0f;
    for (uint32_t seed = 1; seed <= 300; ++seed) {
        SeedRandomGenerator(seed);
        float ex, ey;
        firer->CalculatePlacedShellError(false, false, nullptr, 1300.0f, 1000.0f, 40, kWClassGun, false,
                                         kAmmoHE, &ex, &ey);
        float lx = 300.0f + ex, ly = ey;
        float error = std::hypot(lx, ly) - range;
        float deflection = std::fabs(std::atan2(ly, lx)) * 57.29578f;
        ASSERT_GE(error, -0.3f * range - 0.01f) << seed;
        ASSERT_LE(error, std::fmin(0.33f * range, 185.0f) + 30.0f + 0.01f) << seed;
        ASSERT_LE(deflection, 1.5001f) << seed;
    }
}

TEST_F(AttackRules, AirErrorIsAnEllipseAlongTheLineOfFireAndNeverNaN) {
    Airplane plane;
    plane.mX = 1300.0f;
    plane.mY = 1000.0f;
    float ex, ey;
    firer->CalculatePlacedShellError(true, false, &plane, 1300.0f, 1000.0f, 20, kWClassGun, false, kAmmoHE,
                                     &ex, &ey);
    // Q(0.3) x 5.58659 x 0.03675 degrees at 300 m, stretched 14 times across.
    double q = std::pow(-std::log(0.7), 1.6667);
    double e = std::tan(q * 5.58659 * 0.03675 * 0.0174533) * 300.0;
    double across = 14.0 * e * std::sin(35.0 * 0.0174533), along = e * std::cos(35.0 * 0.0174533);
    double l = std::hypot(along, across);
    double psi = std::asin(across / l);
    EXPECT_NEAR(ex, l * std::cos(-1.5707963 + psi), 1e-3);
    EXPECT_NEAR(ey, l * std::sin(-1.5707963 + psi), 1e-3);
    // At no distance there is no error, and no division by it.
    firer->CalculatePlacedShellError(true, false, &plane, 1000.0f, 1000.0f, 20, kWClassGun, false, kAmmoHE,
                                     &ex, &ey);
    EXPECT_EQ(ex, 0.0f);
    EXPECT_EQ(ey, 0.0f);
}

TEST_F(AttackRules, MachineGunBurstsWhizAndStrikeOnceEach) {
    PendingAttack* attack =
        firer->OtherAttack(nullptr, kWClassSniper, 1, 0, kAmmoHE, 32, 72, 1300.0f, 1000.0f, Z());
    ASSERT_NE(attack, nullptr);
    EXPECT_EQ(CountSounds(8), 1);
    EXPECT_EQ(CountSounds(9), 1);
    EXPECT_EQ(attack->mLandingSlice, 172);
    EXPECT_EQ(attack->mWeaponClass, kWClassSniper);
    // Small arms make one or two of each, with firepower and range shift.
    firer->kit.mSmallArmsFP = 12.0f;
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        mBattle.mPackets.EmptyOut(true);
        SeedRandomGenerator(seed);
        attack = firer->OtherAttack(nullptr, kWClassSmallArms, 1, 3, kAmmoHE, 32, 72, 1100.0f, 1000.0f, Z());
        EXPECT_GE(CountSounds(8), 1);
        EXPECT_LE(CountSounds(8), 2);
        EXPECT_GE(CountSounds(9), 1);
        EXPECT_LE(CountSounds(9), 2);
    }
    EXPECT_EQ(attack->mFirepower, 12.0f);
    EXPECT_EQ(attack->mHitValue, 11); // trunc(35 x (125 / 215)^2) at 100 m
    EXPECT_TRUE(attack->mHeavyMG);
    for (int32_t i = 0; i < mBattle.mPackets.GetCount(); ++i) {
        auto* p = Nth<ActionPacket>(mBattle.mPackets, i);
        if (p->mPriority != 9) continue;
        int32_t base = p->mSoundNumber / 100 * 100;
        EXPECT_TRUE(base == 1100 || base == 1300 || base == 1400) << p->mSoundNumber;
    }
}

TEST_F(AttackRules, CanisterAtInfantryIsSmallArmsFireOfTheBore) {
    PendingAttack* attack =
        firer->OtherAttack(nullptr, kWClassGun, 2, 0, kAmmoCanister, 20, 42, 1300.0f, 1000.0f, Z());
    EXPECT_EQ(attack->mWeaponClass, kWClassSmallArms);
    EXPECT_NEAR(attack->mFirepower, 1.5f * (0.1292f * 5625.0f - 2.49f * 75.0f - 7.246f), 0.01f);
    EXPECT_EQ(attack->mHitValue, 0);
    // A bore too small for the formula gives no firepower rather than less than none.
    mWeapons[2].mCalibre = 20.0f;
    attack = firer->OtherAttack(nullptr, kWClassGun, 2, 0, kAmmoCanister, 20, 42, 1300.0f, 1000.0f, Z());
    EXPECT_EQ(attack->mFirepower, 0.0f);
}

TEST_F(AttackRules, IndirectFireErrorsLieAlongTheFirersHomeAxis) {
    mWeapons[5].mClass = kWClassIndirect;
    mWeapons[5].mCalibre = 105.0f;
    auto replay = [](uint32_t seed, float* e1, float* e2) {
        SeedRandomGenerator(seed);
        *e1 = std::pow(-std::log(std::fmax(static_cast<float>(RandomFraction()), 1e-7f)), 0.742f);
        if (RandomCoin() != 0) *e1 = -*e1;
        *e2 = std::pow(-std::log(std::fmax(static_cast<float>(RandomFraction()), 1e-7f)), 0.742f);
        if (RandomCoin() != 0) *e2 = -*e2;
    };
    float e1, e2;
    replay(41, &e1, &e2);
    SeedRandomGenerator(41);
    PendingAttack* west =
        firer->OtherAttack(nullptr, kWClassIndirect, 5, 0, kAmmoHE, 80, 400, 1300.0f, 1000.0f, 0.0f);
    // Range error along x (32.8 B), cross error 9.184 B.
    EXPECT_NEAR(west->mMissX / west->mMissY, (32.8f * e1) / (9.184f * e2), 1e-3);
    // A side whose home edge is the north puts the range error on y.
    mBattle.mEdgeOwner[kDirWest] = 2, mBattle.mEdgeOwner[kDirEast] = 2;
    mBattle.mEdgeOwner[kDirNorth] = 0, mBattle.mEdgeOwner[kDirSouth] = 1;
    SeedRandomGenerator(41);
    PendingAttack* north =
        firer->OtherAttack(nullptr, kWClassIndirect, 5, 0, kAmmoHE, 80, 400, 1300.0f, 1000.0f, 0.0f);
    EXPECT_FLOAT_EQ(north->mMissY, west->mMissX);
    EXPECT_FLOAT_EQ(north->mMissX, west->mMissY);
    EXPECT_FLOAT_EQ(north->mImpactX, 1300.0f + north->mMissX);
    EXPECT_EQ(CountSounds(25), 2); // the whistle of each shell
}

TEST_F(AttackRules, ASpecialChargeLandsOnItsAimPoint) {
    firer->mAreaTarget = true;
    firer->mTarget = nullptr;
    firer->mAreaTargetX = 1020.0f;
    firer->mAreaTargetY = 1000.0f;
    PendingAttack* attack =
        firer->OtherAttack(nullptr, kWClassSpecial, 265, 0, kAmmoHE, 57, 57, 1020.0f, 1000.0f, 0.0f);
    // Only the burst scatter of an area target may move it, by at most 2 m here.
    EXPECT_LE(std::hypot(attack->mImpactX - 1020.0f, attack->mImpactY - 1000.0f), 2.0f + 1e-4f);
    EXPECT_FLOAT_EQ(attack->mMissX, attack->mImpactX - 1020.0f);
}

TEST_F(AttackRules, SmallArmsShiftFallsOffWithRangeAndDarkness) {
    EXPECT_EQ(firer->GetSmallArmsShift(10.0f), 35);
    EXPECT_EQ(firer->GetSmallArmsShift(5.0f), 35);
    EXPECT_EQ(firer->GetSmallArmsShift(117.5f), 8);
    EXPECT_EQ(firer->GetSmallArmsShift(225.0f), 0);
    mBattle.mTimeOfDay = kNight;
    EXPECT_EQ(firer->GetSmallArmsShift(67.5f), 8);
    EXPECT_EQ(firer->GetSmallArmsShift(125.0f), 0);
}

TEST_F(AttackRules, RescaledFlightsMoveThePacketAndTheAttackTogether) {
    ActionPacket* shell = firer->PrepareAnimatedShell(kWClassGun, 2, 100, 10, 300.0f);
    PendingAttack* attack = mBattle.CreatePendingAttack(firer, target, 110, true, false);
    int32_t flight = 100, arrival = 110;
    ModifyFlightTime(0.5f, shell, attack, &flight, &arrival);
    EXPECT_EQ(shell->mFlightTime, 50);
    EXPECT_EQ(flight, 50);
    EXPECT_EQ(arrival, 60);
    EXPECT_EQ(attack->mLandingSlice, 160);
    ModifyFlightTime(2.0f, static_cast<ActionPacket*>(nullptr), static_cast<PendingAttack*>(nullptr), &flight,
                     &arrival); // either may be absent
    EXPECT_EQ(flight, 100);
}

TEST(AttacksWithoutABattle, MakeNothing) {
    Battle* old = gBattle;
    gBattle = nullptr;
    Soldier s;
    s.mActive = true;
    s.mAreaTarget = true;
    EXPECT_EQ(s.OtherAttack(nullptr, kWClassSmallArms, 1, 0, kAmmoHE, 10, 20, 50.0f, 0.0f, 0.0f), nullptr);
    EXPECT_EQ(s.PrepareAnimatedShell(kWClassGun, 2, 10, 10, 50.0f), nullptr);
    s.Fire(kAmmoHE, 0);
    EXPECT_TRUE(s.mHasFired);
    gBattle = old;
}
