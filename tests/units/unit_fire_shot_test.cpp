// A whole shot: the shell packet, the attack, and the bookkeeping after it;
// and the battle services a shot calls on (dust, smoke, deafening).

#include <cmath>

#include "battle/ActionPacket.h"
#include "battle/SmokeShell.h"
#include "units/Functions.h"
#include "engine/GOLTA.h"
#include "unit_fire_fixture.h"

using namespace firetest;

namespace {

class ShotRules : public FireBattle {
protected:
    ShotRules() {
        rifle = Place<Soldier>(kAxis, 1000.0f, 1000.0f);
        rifle->kit.mWeapon = 1;
        rifle->kit.mClass = kWClassSmallArms;
        enemy = Place<Soldier>(kAllies, 1100.0f, 1000.0f);
        rifle->mTarget = enemy;
        rifle->mAmmo[kAmmoHE] = 40;
    }
    ActionPacket* FirstShell() {
        for (int32_t i = 0; i < mBattle.mPackets.GetCount(); ++i)
            if (Nth<ActionPacket>(mBattle.mPackets, i)->mType == kPacketShell)
                return Nth<ActionPacket>(mBattle.mPackets, i);
        return nullptr;
    }
    Soldier* rifle;
    Soldier* enemy;
};

} // namespace

TEST_F(ShotRules, ARifleShotLeavesAShellAnAttackAndItsAimBookkeeping) {
    rifle->mHiding = true;
    rifle->kit.mSmallArmsFP = 30.0f;
    rifle->Fire(kAmmoHE, 0);
    EXPECT_TRUE(rifle->mHasFired);
    EXPECT_FALSE(rifle->mHiding);
    EXPECT_EQ(rifle->mFiringSignature, 800);
    EXPECT_TRUE(gPacket);
    ActionPacket* shell = FirstShell();
    ASSERT_NE(shell, nullptr);
    // 100 m of bullet flight: 10 slices, drawn over 29; aim delay 40.
    EXPECT_EQ(shell->mTimeSlice, 140);
    EXPECT_EQ(shell->mFlightTime, 29);
    EXPECT_EQ(shell->mFirer, rifle);
    EXPECT_EQ(shell->mEndX, 1100.0f);
    EXPECT_FLOAT_EQ(shell->mBlast, 0.02f);
    EXPECT_EQ(shell->mShellFlags & 0x3, 1);
    EXPECT_FLOAT_EQ(shell->mMuzzleHeight, 1.0f);
    // Visual kind 20 + trunc(2 + 0.06759 x 30 - 0.00009437 x 900) = 23.
    EXPECT_EQ(shell->mLook, 23);
    ASSERT_EQ(mBattle.mPendingAttacks.GetCount(), 1);
    EXPECT_EQ(Nth<PendingAttack>(mBattle.mPendingAttacks, 0)->mLandingSlice, 150);
    EXPECT_EQ(rifle->mAcquisition, 1);
    EXPECT_EQ(rifle->mAimPause, 2.5f);
    EXPECT_EQ(rifle->mLoadTime, 6.0f);
    // Firing deafens those close by: 15000 x 1.2 at the muzzle.
    EXPECT_EQ(rifle->mDeafness, 18000);
    EXPECT_EQ(enemy->mDeafness, static_cast<int16_t>(18000.0f * 13.0f / 100.0f));
}

TEST_F(ShotRules, AHastyShotKeepsAimAndLoadAsTheyWere) {
    rifle->mHastyFire = true;
    rifle->mLoadTime = 1.0f;
    rifle->Fire(kAmmoHE, 0);
    EXPECT_EQ(rifle->mAcquisition, 0);
    EXPECT_EQ(rifle->mLoadTime, 1.0f);
    EXPECT_EQ(rifle->mAimPause, 0.0f);
}

TEST_F(ShotRules, AMortarRangesInOnlyOnEvenRoundCounts) {
    rifle->kit.mWeapon = 4;
    rifle->kit.mClass = kWClassMortar;
    rifle->mAmmo[kAmmoHE] = 7;
    rifle->Fire(kAmmoHE, 0);
    EXPECT_EQ(rifle->mAcquisition, 0);
    rifle->mAmmo[kAmmoHE] = 6;
    rifle->mHastyFire = false;
    rifle->Fire(kAmmoHE, 0);
    EXPECT_EQ(rifle->mAcquisition, 1);
}

TEST_F(ShotRules, AButtonedCrewRangesInUncertainlyBeyond1000Metres) {
    Tank* tank = Place<Tank>(kAxis, 1000.0f, 1000.0f);
    tank->kit.mWeapon = 2;
    tank->kit.mClass = kWClassGun;
    tank->mButtoned = true;
    tank->mAreaTarget = true;
    tank->mAreaTargetY = 1000.0f;
    for (uint32_t seed = 1; seed <= 10; ++seed) {
        SeedRandomGenerator(seed);
        tank->mAcquisition = 0;
        tank->mAreaTargetX = 3500.0f; // 2500 m: never
        tank->Fire(kAmmoHE, 0);
        EXPECT_EQ(tank->mAcquisition, 0);
        tank->mAcquisition = 0;
        tank->mAreaTargetX = 2000.0f; // 1000 m: always
        tank->Fire(kAmmoHE, 0);
        EXPECT_EQ(tank->mAcquisition, 1);
    }
    EXPECT_EQ(tank->mLastAmmoFired, kAmmoHE);
    // With a long-range sight 2500 m is within reach some of the time.
    mVehicles[0].mLongRange = 1;
    int32_t raised = 0;
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        SeedRandomGenerator(seed);
        tank->mAcquisition = 0;
        tank->mAreaTargetX = 3500.0f;
        tank->Fire(kAmmoHE, 0);
        raised += tank->mAcquisition;
    }
    EXPECT_GT(raised, 5);
    EXPECT_LT(raised, 35);
}

TEST_F(ShotRules, AMachineGunMayJamAndThenDropsItsTarget) {
    rifle->kit.mMG = 2;
    bool jammed = false;
    for (uint32_t seed = 1; seed <= 400 && !jammed; ++seed) {
        SeedRandomGenerator(seed);
        rifle->mTarget = enemy;
        rifle->mAimTime = 0.0f;
        rifle->Fire(kAmmoHE, 0);
        jammed = rifle->mAimTime == 99.0f;
    }
    ASSERT_TRUE(jammed);
    EXPECT_EQ(rifle->mTarget, nullptr);
    EXPECT_GE(rifle->mLoadTime, 20.0f);
    EXPECT_LE(rifle->mLoadTime, 120.0f);
}

TEST_F(ShotRules, AFlameShotRevealsItsFirer) {
    rifle->kit.mWeapon = 6;
    rifle->kit.mClass = kWClassFlame;
    rifle->mContactLevel = 0;
    rifle->Fire(kAmmoHE, 0);
    EXPECT_GE(rifle->mContactLevel, 3);
    ActionPacket* shell = FirstShell();
    EXPECT_EQ(shell->mLook, 18);
    EXPECT_EQ(shell->mShellFlags & 0x3, 0);
    EXPECT_EQ(rifle->mAimPause, 4.5f);
}

TEST_F(ShotRules, SeededShotsRepeatExactly) {
    rifle->kit.mSmallArmsFP = 20.0f;
    auto run = [&]() {
        mBattle.mPackets.EmptyOut(true);
        mBattle.mPendingAttacks.EmptyOut(true);
        SeedRandomGenerator(2024);
        rifle->mAcquisition = 0;
        for (int i = 0; i < 5; ++i) {
            rifle->mAreaTarget = true;
            rifle->mTarget = nullptr;
            rifle->mAreaTargetX = 1100.0f + 10.0f * i;
            rifle->mAreaTargetY = 1000.0f;
            rifle->Fire(kAmmoHE, 0);
            rifle->kit.mWeapon = 2;
            rifle->kit.mClass = kWClassGun;
            rifle->Fire(kAmmoHE, 0);
            rifle->kit.mWeapon = 1;
            rifle->kit.mClass = kWClassSmallArms;
        }
        std::vector<float> trace;
        for (int32_t i = 0; i < mBattle.mPendingAttacks.GetCount(); ++i) {
            auto* a = Nth<PendingAttack>(mBattle.mPendingAttacks, i);
            trace.insert(trace.end(),
                         {a->mImpactX, a->mImpactY, a->mMissX, static_cast<float>(a->mLandingSlice)});
        }
        for (int32_t i = 0; i < mBattle.mPackets.GetCount(); ++i)
            trace.push_back(static_cast<float>(Nth<ActionPacket>(mBattle.mPackets, i)->mSoundNumber));
        trace.push_back(static_cast<float>(GetRandomState()));
        return trace;
    };
    EXPECT_EQ(run(), run());
}

TEST_F(ShotRules, DustDependsOnGroundLightAndTerrain) {
    mBattle.mGroundCondition = 0;
    EXPECT_FLOAT_EQ(mBattle.Dusty(kTerrainOpen, 1), 0.7f);
    EXPECT_FLOAT_EQ(mBattle.Dusty(kTerrainRoad, 1), 0.9f);
    EXPECT_FLOAT_EQ(mBattle.Dusty(kTerrainWoods, 1), 0.5f);
    EXPECT_FLOAT_EQ(mBattle.Dusty(kTerrainWoods, 0), 0.0f);
    EXPECT_FLOAT_EQ(mBattle.Dusty(kTerrainRoad, 9), 1.1f);
    EXPECT_EQ(mBattle.Dusty(kTerrainWater, 2), 0.0f);
    mBattle.mTheatre = 0;
    EXPECT_FLOAT_EQ(mBattle.Dusty(kTerrainOpen, 1), 0.5f);
    mBattle.mTimeOfDay = kNight;
    EXPECT_EQ(mBattle.Dusty(kTerrainRoad, 2), 0.0f);
    mBattle.mTimeOfDay = kMidday;
    mBattle.mGroundCondition = 2;
    EXPECT_EQ(mBattle.Dusty(kTerrainRoad, 2), 0.0f);
}

TEST_F(ShotRules, ACloudIsRecordedAndTheSightThroughItRefreshedWhenItForms) {
    SeedRandomGenerator(8);
    mBattle.MakeSmokePacket(500.0f, 600.0f, -5.0f, 1.0f);
    ASSERT_EQ(mBattle.mPackets.GetCount(), 1);
    auto* p = Nth<ActionPacket>(mBattle.mPackets, 0);
    EXPECT_EQ(p->mType, kPacketSmokeOn);
    EXPECT_FLOAT_EQ(p->mRadius, 13.5f);
    EXPECT_EQ(p->mSmokeKind, 2);
    EXPECT_FLOAT_EQ(p->mDensity, 1.0f);
    EXPECT_EQ(p->mTimeSlice, 100); // dust forms at once
    ASSERT_EQ(mBattle.mNewAttacks.GetCount(), 1);
    auto* marker = Nth<PendingAttack>(mBattle.mNewAttacks, 0);
    EXPECT_TRUE(marker->mLOSRefreshOnly);
    EXPECT_EQ(marker->mLandingSlice, 101);
    EXPECT_FLOAT_EQ(marker->mImpactZ, 13.5f);
    // Off the map nothing forms.
    mBattle.MakeSmokePacket(-1.0f, 600.0f, -5.0f, 1.0f);
    EXPECT_EQ(mBattle.mPackets.GetCount(), 1);
}

TEST_F(ShotRules, LoudEventsDeafenByDistanceAndKeepTheLouder) {
    rifle->mDeafness = 0;
    mBattle.DeafenFromXY(1000, 1010.0f, 1000.0f);
    EXPECT_EQ(rifle->mDeafness, 1200);
    EXPECT_EQ(enemy->mDeafness, static_cast<int16_t>(1200.0f * 13.0f / 90.0f));
    mBattle.DeafenFromXY(100, 1000.0f, 1000.0f);
    EXPECT_EQ(rifle->mDeafness, 1200);
    mBattle.DeafenFromXY(30000, 1000.0f, 1000.0f);
    EXPECT_EQ(rifle->mDeafness, 20000);
}

namespace {

// The dust a gun throws up: k = the ground's dustiness x (E x 1.2e-7)^0.36,
// E = shell weight x muzzle velocity^2 (x 4 for a twin gun); a vehicle's
// k x (0.25 k + 0.75); a cloud of dust size k (radius 13.5 k) only above
// 0.17. A rocket team's backblast: k x 0.4, none from a quiet launcher.
class MuzzleDust : public ShotRules {
protected:
    MuzzleDust() {
        mBattle.mGroundCondition = 0;
        rifle->mAmmo[kAmmoHE] = 40;
    }
    // The radius of the cloud the shot left, or 0.
    float Cloud() {
        auto* shells = static_cast<GList*>(mBattle.mMap->mSmokeShells);
        return shells->GetCount() ? static_cast<SmokeShell*>(shells->GetObjectA(shells->GetCount() - 1))->mRadius
                                  : 0.0f;
    }
    float Dust() { return mBattle.Dusty(mBattle.mMap->GetTerrain(1000.0f, 1000.0f, false), 1); }
};

TEST_F(MuzzleDust, AGunsDustGrowsWithTheShellsEnergyAndStartsAboveSeventeenHundredths) {
    rifle->kit.mWeapon = 3;
    rifle->kit.mClass = kWClassGun;
    float v = 0.0f;
    const AmmoType type = AmmoTypeInUse(0, 3, kAmmoHE, &v);
    if (v <= 0.0f) v = 200.0f;
    const float k0 = Dust();
    ASSERT_GT(k0, 0.0f);
    // The shell weight that puts k at exactly 0.17.
    const float edge = std::pow(0.17f / k0, 1.0f / 0.36f) / 1.2e-7f / (v * v);
    mAmmo[type].mWeight = edge * 1.05f;
    rifle->Fire(kAmmoHE, 0);
    const float k = k0 * std::pow(mAmmo[type].mWeight * v * v * 1.2e-7f, 0.36f);
    EXPECT_NEAR(Cloud(), k * 0.9f * 15.0f, 1e-3f);
    mBattle.mMap->mSmokeShells->EmptyOut(true);
    mAmmo[type].mWeight = edge * 0.95f;
    rifle->mLoadTime = 0.0f;
    rifle->Fire(kAmmoHE, 0);
    EXPECT_EQ(Cloud(), 0.0f);
    // A twin gun's shell counts four times: the same shell now raises dust.
    rifle->kit.mClass = kWClassTwinGun;
    rifle->Fire(kAmmoHE, 0);
    const float k4 = k0 * std::pow(4.0f * mAmmo[type].mWeight * v * v * 1.2e-7f, 0.36f);
    EXPECT_NEAR(Cloud(), k4 * 0.9f * 15.0f, 1e-3f);
}

TEST_F(MuzzleDust, AVehiclesGunDustIsScaledByAQuarterOfItselfPlusThreeQuarters) {
    Tank* tank = Place<Tank>(kAxis, 1000.0f, 1000.0f);
    tank->kit.mWeapon = 3;
    tank->kit.mClass = kWClassGun;
    tank->mTarget = enemy;
    tank->mAmmo[kAmmoHE] = 40;
    float v = 0.0f;
    const AmmoType type = AmmoTypeInUse(0, 3, kAmmoHE, &v);
    if (v <= 0.0f) v = 200.0f;
    mAmmo[type].mWeight = 40.0f;
    const float k0 = Dust() * std::pow(40.0f * v * v * 1.2e-7f, 0.36f);
    const float k = k0 * (0.25f * k0 + 0.75f);
    ASSERT_GT(k, 0.17f);
    tank->Fire(kAmmoHE, 0);
    EXPECT_NEAR(Cloud(), k * 0.9f * 15.0f, 1e-3f);
}

TEST_F(MuzzleDust, ARocketTeamsBackblastIsFourTenthsOfTheGroundsDust) {
    // The firing rule pins a rocket team of the infantry kind: a real squad.
    RocketTeam* team = Place<RocketTeam>(kAxis, 1000.0f, 1000.0f);
    team->mTarget = enemy;
    team->mAmmo[kAmmoHE] = 40;
    Unit* rifle = team;
    team->kit.mWeapon = 3;
    team->kit.mClass = kWClassLightAT;
    rifle->mHastyFire = true;
    rifle->Fire(kAmmoHE, 0);
    const float k = Dust() * 0.4f;
    ASSERT_GT(k, 0.17f);
    EXPECT_NEAR(Cloud(), k * 0.9f * 15.0f, 1e-4f);
    // Aimed from a launcher that makes no backblast: nothing.
    mBattle.mMap->mSmokeShells->EmptyOut(true);
    mWeapons[3].mFlags |= 0x4;
    rifle->mHastyFire = false;
    rifle->Fire(kAmmoHE, 0);
    EXPECT_EQ(Cloud(), 0.0f);
}

} // namespace
