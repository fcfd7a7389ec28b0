// What hits do to a vehicle: kill chances, crew losses, fire, bail-out,
// suppression, damage to parts, area hits, mines, overturning, and seeded
// direct hits that repeat exactly.

#include <gtest/gtest.h>

#include <cmath>

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "engine/GOLTA.h"
#include "units/Functions.h"
#include "units/vehicle2_fixtures.h"

namespace {

class VehicleDamage : public ::testing::Test {
protected:
    VehicleDamage() {
        tank = battle.AddVehicle(kTestTank, kAxis, 50, 50, 0);
        gCreditKiller = nullptr;
        gArmorHitReport.Clear();
    }
    ~VehicleDamage() override { gCreditKiller = nullptr; }
    int32_t SoundsNumbered(int32_t lo, int32_t hi) const {
        int32_t n = 0;
        for (int32_t i = 0; i < battle.mBattle.mPackets.GetCount(); ++i) {
            auto* p = static_cast<ActionPacket*>(battle.mBattle.mPackets.GetObjectA(i));
            if (p->mType == kPacketSound && p->mSoundNumber >= lo && p->mSoundNumber <= hi) ++n;
        }
        return n;
    }
    VehicleBattle battle;
    HitTables hit{battle.mTables};
    Vehicle* tank = nullptr;
};

TEST_F(VehicleDamage, BasicKillOfAnOvermatch) {
    // n = 1.2 at 800 m/s: residual 133.3 m/s; x = 0.2 x 4 x 15 = 12; 30 t.
    const float expected = 0.0085f * std::sqrt(133.3333f) * std::pow(12.0f, 0.63f) * std::pow(30.0f, -0.4f);
    EXPECT_NEAR(tank->GetBasicKill(kTestGun, kWClassGun, kAmmoAP, 1.2f, 800.0f), expected, 1e-5);
    EXPECT_NEAR(expected, 0.1204825f, 1e-5);
    // Beyond 1.25 the mass term stops growing; the residual speed does not.
    EXPECT_GT(tank->GetBasicKill(kTestGun, kWClassGun, kAmmoAP, 2.0f, 800.0f), expected);
    EXPECT_FLOAT_EQ(tank->GetBasicKill(kTestGun, kWClassGun, kAmmoAP, 1.0f, 800.0f), 0.0f);
    EXPECT_FLOAT_EQ(tank->GetBasicKill(kTestGun, kWClassGun, kAmmoAP, 0.5f, 800.0f), 0.0f);
    // A soft vehicle of the same weight takes 0.7 of it.
    battle.mTables.vehicles[kTestLorry].mWeight = 30;
    Vehicle* lorry = battle.AddVehicle(kTestLorry, kAxis, 80, 80);
    EXPECT_NEAR(lorry->GetBasicKill(kTestGun, kWClassGun, kAmmoAP, 1.2f, 800.0f), 0.7f * expected, 1e-5);
}

TEST_F(VehicleDamage, BailOutCountdownAndItsSecondCall) {
    Vehicle* shooter = battle.AddVehicle(kTestTank, kAllies, 200, 50);
    gCreditKiller = shooter;
    SeedRandomGenerator(5);
    const int32_t d = 5 + static_cast<int32_t>(RandomPick(61));
    SeedRandomGenerator(5);
    tank->BeginToBailOut(0.3f, false);
    EXPECT_EQ(tank->mBailOutCountdown, (d + 5) * 40);
    EXPECT_FALSE(tank->mBailOutFlag);
    EXPECT_EQ(tank->mCreditUnit, shooter);
    EXPECT_FLOAT_EQ(tank->mCrewShockTime, 300.0f);
    EXPECT_FLOAT_EQ(tank->mDriverShockTime, 300.0f);

    // After a hit with kill 1: 2 ((r + 1) / 10)^3 seconds, times 0.3.
    const uint32_t state = GetRandomState();
    const double f = (RandomPick(39) + 1) * 0.1;
    const int32_t d2 = static_cast<int32_t>(0.3f * static_cast<float>(static_cast<int32_t>(2.0 * f * f * f)));
    SeedRandomGenerator(state);
    const int32_t before = tank->mBailOutCountdown;
    gCreditKiller = tank;
    tank->BeginToBailOut(1.0f, true);
    EXPECT_EQ(tank->mBailOutCountdown, std::min((d2 + 5) * 40, static_cast<int32_t>(0.6f * before)));
    EXPECT_LE(tank->mBailOutCountdown, static_cast<int32_t>(0.6f * before));
    EXPECT_TRUE(tank->mBailOutFlag);
    EXPECT_EQ(tank->mCreditUnit, shooter); // the first credited unit stays

    // A soft vehicle bails out three times sooner.
    Vehicle* lorry = battle.AddVehicle(kTestLorry, kAxis, 80, 80);
    SeedRandomGenerator(5);
    lorry->BeginToBailOut(0.0f, false);
    EXPECT_EQ(lorry->mBailOutCountdown, (d + 5) * 40 / 3);
}

TEST_F(VehicleDamage, SuppressionSteps) {
    const float e = static_cast<float>(tank->GetEffectiveExperience(0));
    const float k = 2.7502f * std::exp(-0.33723f * e);
    SeedRandomGenerator(9);
    const float u1 = static_cast<float>(RandomFraction());
    SeedRandomGenerator(9);
    tank->AddVehicleSuppression(100.0f, false, false);
    EXPECT_NEAR(tank->mSuppression, k * 100.0f * (0.5f + u1), 1e-3);
    EXPECT_FALSE(tank->mFearFlagA);

    // A hit on a vehicle that has lost a man and is immobilised: 10 -> 30 -> 110.
    tank->mSuppression = 0;
    tank->mCasualties = 1;
    tank->mImmobile = true;
    const uint32_t s = GetRandomState();
    const float u2 = static_cast<float>(RandomFraction());
    SeedRandomGenerator(s);
    tank->AddVehicleSuppression(10.0f, true, false);
    EXPECT_NEAR(tank->mSuppression, k * 110.0f * (0.5f + u2), 1e-3);
    EXPECT_TRUE(tank->mFearFlagA);

    // Crossing 350 raises both fear flags and halves the fear delay.
    tank->mSuppression = 340;
    tank->mFearFlagA = tank->mFearFlagB = false;
    tank->mFearClock = 100;
    tank->AddVehicleSuppression(200.0f, false, false);
    EXPECT_TRUE(tank->mFearFlagB);
    EXPECT_TRUE(tank->mFearFlagA);
    EXPECT_EQ(tank->mFearClock, 50);

    // A boat takes none and draws nothing.
    battle.mTables.vehicles[kTestLorry].mKind = 5;
    Vehicle* boat = battle.AddVehicle(kTestLorry, kAxis, 80, 80);
    const uint32_t before = GetRandomState();
    boat->AddVehicleSuppression(500.0f, true, true);
    EXPECT_FLOAT_EQ(boat->mSuppression, 0.0f);
    EXPECT_EQ(GetRandomState(), before);
}

TEST_F(VehicleDamage, CrewLossesFireAndTheSecondaryExplosion) {
    // Every man lost: the vehicle is dead, not bailing out.
    tank->ApplyInternalDamage(false, false, false, 1.0f, true, false, 1.0f, 0.0f, false);
    EXPECT_EQ(tank->mCasualties, 5);
    EXPECT_FALSE(tank->mActive);
    EXPECT_TRUE(tank->mKnockedOut);
    EXPECT_LT(tank->mBailOutCountdown, 0);
    // Wrecked, not abandoned; a crew that climbs out leaves an abandoned one.
    EXPECT_FALSE(tank->Abandoned());
    Vehicle* left = battle.AddVehicle(kTestTank, kAxis, 60, 60);
    left->BailOut(true, true);
    EXPECT_FALSE(left->mActive);
    EXPECT_TRUE(left->Abandoned());
    Vehicle* over = battle.AddVehicle(kTestTank, kAxis, 40, 40);
    over->Flip();
    EXPECT_FALSE(over->Abandoned());

    // Killed, burning and exploded: the fire sound, a shell body and an
    // attack one slice on. The hit may be resolved inside the walk of the
    // pending attacks, so the explosion joins the new ones; it is a real
    // burst (no sight-refresh marker) above the ground, so it leaves no crater.
    Vehicle* other = battle.AddVehicle(kTestTank, kAxis, 80, 80);
    battle.mBattle.mTimeSlice = 100;
    const int32_t attacks = battle.mBattle.mNewAttacks.GetCount();
    const int32_t pending = battle.mBattle.mPendingAttacks.GetCount();
    other->ApplyInternalDamage(true, true, true, 1.0f, false, false, 1.0f, 0.9f, false);
    EXPECT_TRUE(other->mBurning);
    EXPECT_FALSE(other->mActive);
    EXPECT_FALSE(other->Abandoned());
    EXPECT_EQ(SoundsNumbered(300, 300), 1);
    EXPECT_EQ(battle.mBattle.mPendingAttacks.GetCount(), pending);
    ASSERT_EQ(battle.mBattle.mNewAttacks.GetCount(), attacks + 1);
    auto* a = static_cast<PendingAttack*>(battle.mBattle.mNewAttacks.GetObjectA(attacks));
    EXPECT_FALSE(a->mLOSRefreshOnly);
    EXPECT_TRUE(a->mAboveGround);
    EXPECT_EQ(a->mLandingSlice, 101);
    EXPECT_EQ(a->mWeaponType, 144);
    EXPECT_EQ(a->mWeaponClass, kWClassGun);
    EXPECT_EQ(a->mAmmoClass, kAmmoHE);
    EXPECT_FLOAT_EQ(a->mImpactZ, other->GetZ() + 1.5f);
    EXPECT_EQ(a->mAttacker, other);

    // A boat never burns or explodes.
    battle.mTables.vehicles[kTestLorry].mKind = 5;
    Vehicle* boat = battle.AddVehicle(kTestLorry, kAxis, 20, 20);
    boat->ApplyInternalDamage(true, true, true, 0.0f, false, false, 1.0f, 1.0f, false);
    EXPECT_FALSE(boat->mBurning);
    EXPECT_TRUE(boat->mKnockedOut);
}

TEST_F(VehicleDamage, PartsKnockedOutOnceAndCrewlessRecords) {
    tank->mNrWaypoints = 3;
    tank->ApplyDamage(kHitRunningGear);
    EXPECT_TRUE(tank->mImmobile);
    EXPECT_EQ(tank->mNrWaypoints, 0);
    EXPECT_TRUE(gArmorHitReport.mHitImmobilized);
    EXPECT_EQ(gArmorHitReport.Flags(), 0x02);
    const float s = tank->mSuppression;
    EXPECT_GT(s, 0.0f);
    tank->ApplyDamage(kHitRunningGear); // nothing new: no more suppression
    EXPECT_FLOAT_EQ(tank->mSuppression, s);
    tank->ApplyDamage(kHitGun);
    EXPECT_TRUE(tank->mWeaponKnockedOut);
    EXPECT_TRUE(gArmorHitReport.mHitGunDamaged);
    // External hits on knocked-out parts do nothing.
    const float s2 = tank->mSuppression;
    tank->ResolveExternalDamage(1e6f, kHitGun, 1.0f);
    tank->ResolveExternalDamage(1e6f, kHitRunningGear, 1.0f);
    EXPECT_FLOAT_EQ(tank->mSuppression, s2);

    // A record without crew takes a penetration without dividing by zero.
    battle.mTables.vehicles[kTestRearGun].mCrew = 0;
    Vehicle* empty = battle.AddVehicle(kTestRearGun, kAxis, 20, 20);
    PendingAttack a = MakeAttack(200, 20, 1);
    empty->ResolveInternalDamage(&a, kHitUpperHull, 1.3f, 800.0f, 300, false, 50.0f);
    EXPECT_TRUE(std::isfinite(empty->mSuppression));
    EXPECT_EQ(empty->mCasualties, 0);
}

TEST_F(VehicleDamage, AreaHitsOnArmourAndCrew) {
    // Machine-gun fire of penetration 0: a tree burst over an open roof gets through.
    battle.mTables.vehicles[kTestTank].mRoofArmorA = 0;
    PendingAttack mg = MakeAttack(150, 50, 1, kTestGun, kAmmoHE, kWClassSmallArms);
    mg.mAboveGround = true;
    tank->mButtoned = true;
    tank->TakeAreaHit(5.0f, 0, &mg);
    EXPECT_EQ(SoundsNumbered(710, 711), 1);
    // Along the ground it meets the front plates and only rattles on them.
    mg.mAboveGround = false;
    tank->TakeAreaHit(5.0f, 0, &mg);
    EXPECT_EQ(SoundsNumbered(710, 711), 1);
    EXPECT_GE(SoundsNumbered(1100, 1199), 1);

    // A buttoned crew is safe from blast; an open one is not.
    tank->mCasualties = 0;
    tank->CrewTakeAreaHit(1e6f, 10, false, false);
    EXPECT_EQ(tank->mCasualties, 0);
    tank->mButtoned = false;
    SeedRandomGenerator(3);
    tank->CrewTakeAreaHit(1e6f, 10, false, false);
    EXPECT_GE(tank->mCasualties, 1);
    EXPECT_LE(tank->mCasualties, 1); // one man at a time

    // A mine always immobilises an armoured vehicle.
    Vehicle* other = battle.AddVehicle(kTestTank, kAxis, 80, 80);
    other->TakeMineHit(false);
    EXPECT_TRUE(other->mImmobile);
}

TEST_F(VehicleDamage, SoftVehiclesAndOverturning) {
    battle.mTables.vehicles[kTestLorry].mFlags = kVLightArmor;
    Vehicle* lorry = battle.AddVehicle(kTestLorry, kAxis, 80, 80);
    PendingAttack small = MakeAttack(100, 80, 1, kTestGun, kAmmoHE, kWClassSmallArms);
    SeedRandomGenerator(11);
    lorry->TakeAreaHit(1.0f, 0, &small); // c = 0.0035: not hit itself, so nothing at all
    EXPECT_EQ(lorry->mCasualties, 0);
    EXPECT_FLOAT_EQ(lorry->mSuppression, 0.0f);
    EXPECT_TRUE(lorry->mActive);

    // A blast 3 m from a light armoured car overturns it, even from a charge
    // that never harms drive or gun.
    battle.mTables.weapons[253] = battle.mTables.weapons[kTestHowitzer];
    battle.mTables.vehicles[kTestRearGun].mWeight = 1;
    Vehicle* car = battle.AddVehicle(kTestRearGun, kAxis, 20, 20);
    PendingAttack blast = MakeAttack(23, 20, 0, 253, kAmmoHE, kWClassGun);
    car->TakeAreaBlastVsArmor(100.0f, &blast, false, 0, 2, 2);
    EXPECT_TRUE(car->mFlipped);
    EXPECT_TRUE(car->mKnockedOut);
    EXPECT_FALSE(car->mImmobile);
    EXPECT_FALSE(car->mWeaponKnockedOut);
    // Small-arms blast never overturns.
    Vehicle* car2 = battle.AddVehicle(kTestRearGun, kAxis, 40, 40);
    PendingAttack bullets = MakeAttack(43, 40, 0, 253, kAmmoHE, kWClassSmallArms);
    car2->TakeAreaBlastVsArmor(100.0f, &bullets, false, 0, 1, 1);
    EXPECT_FALSE(car2->mFlipped);
}

// Two vehicles hit alike from one seed end alike.
TEST_F(VehicleDamage, SeededDirectHitsRepeat) {
    Vehicle* twin = battle.AddVehicle(kTestTank, kAxis, 50, 50, 0);
    auto fire = [&](Vehicle* v, uint32_t seed) {
        gArmorHitReport.Clear();
        SeedRandomGenerator(seed);
        PendingAttack a = MakeAttack(300, 80, 1);
        VehicleAspect aspect = 9;
        bool goOn = false;
        const VehicleHitLocation loc = v->HitStageOne(&a, &aspect, &goOn);
        if (goOn) v->HitStageTwo(&a, loc, aspect);
        return std::make_pair(loc, gArmorHitReport.Flags() * 10 + gArmorHitReport.mPenetrationGrade);
    };
    for (uint32_t seed = 1; seed < 40; ++seed) {
        const auto r1 = fire(tank, seed);
        const uint32_t after1 = GetRandomState();
        const auto r2 = fire(twin, seed);
        EXPECT_EQ(r1, r2);
        EXPECT_EQ(GetRandomState(), after1);
        EXPECT_EQ(tank->mCasualties, twin->mCasualties);
        EXPECT_EQ(tank->mImmobile, twin->mImmobile);
        EXPECT_EQ(tank->mWeaponKnockedOut, twin->mWeaponKnockedOut);
        EXPECT_FLOAT_EQ(tank->mSuppression, twin->mSuppression);
        EXPECT_TRUE(std::isfinite(tank->mSuppression));
    }
}

TEST_F(VehicleDamage, FallingShellsAndMissingAttacks) {
    // A shell falling on the deck comes with any aspect: it is read as 0.
    PendingAttack a = MakeAttack(50, 50, 300, kTestHowitzer, kAmmoHE, kWClassGun);
    Vehicle* twin = battle.AddVehicle(kTestTank, kAxis, 50, 50, 0);
    SeedRandomGenerator(21);
    tank->HitStageTwo(&a, kHitHullDeck, 2);
    const uint32_t after = GetRandomState();
    SeedRandomGenerator(21);
    twin->HitStageTwo(&a, kHitHullDeck, 0);
    EXPECT_EQ(GetRandomState(), after);
    EXPECT_FLOAT_EQ(tank->mSuppression, twin->mSuppression);

    bool goOn = false;
    VehicleAspect aspect = 7;
    tank->HitStageOne(nullptr, &aspect, &goOn);
    EXPECT_FALSE(goOn);
    EXPECT_EQ(aspect, 7);
    tank->HitStageTwo(nullptr, kHitTurret, kAspectFront);
    tank->TakeAreaHit(100.0f, 0, nullptr);
    EXPECT_TRUE(tank->mActive);
}

TEST_F(VehicleDamage, CasualtyChanceOfABarePenetration) {
    // Overmatch 1 of a 75 mm shot (15 lb, 0.25 % filler) through 50 mm of
    // 300 BHN at the turret of a 30 t tank: no fragments, spall
    // t = (0.70004 + 3.4400) x 0.015 x 0.5 = 0.031050, x 1.5 at the turret.
    const float amount = 0.0465745f;
    PendingAttack a = MakeAttack(300, 50, 1);
    for (uint32_t seed = 1; seed <= 200; ++seed) {
        Vehicle* v = battle.AddVehicle(kTestTank, kAxis, 50, 50, 0);
        v->mButtoned = true;
        SeedRandomGenerator(seed);
        RandomPair(); // the loudness: a coin and a fraction
        RandomPair();
        RandomPair(); // the kill and the damaged part, both below a chance of 0
        RandomPair();
        int32_t expected = 0;
        for (int i = 0; i < 5; ++i)
            expected += RandomFraction() < amount;
        SeedRandomGenerator(seed);
        v->ResolveInternalDamage(&a, kHitTurret, 1.0f, 800.0f, 300, false, 50.0f);
        ASSERT_EQ(v->mCasualties, expected) << "seed " << seed;
        EXPECT_FALSE(v->mKnockedOut);
    }
    // The penetration sound is raised by the band of its energy.
    EXPECT_GE(SoundsNumbered(290, 297), 200);
    EXPECT_EQ(SoundsNumbered(298, 299), 0);
}

TEST_F(VehicleDamage, ShownArmourHitRecord) {
    ActionPacket* p = battle.mBattle.CreateActionPacket(0);
    p->mType = kPacketArmorHit;
    p->mTimeSlice = 345;
    p->mHitLocation = kHitUpperHull;
    p->mAspect = kAspectSide;
    p->mStrengthLost = 2;
    p->mPenetrationGrade = 1;
    p->mArmorFlags = 0x21;
    tank->TagArmorHitRecord(p);
    EXPECT_EQ(tank->mHitRecordSlice, 345);
    EXPECT_EQ(tank->mHitRecord[0], kHitUpperHull);
    EXPECT_EQ(tank->mHitRecord[1], kAspectSide);
    EXPECT_EQ(tank->mHitRecord[2], 2);
    EXPECT_EQ(tank->mHitRecord[3], 1);
    EXPECT_EQ(tank->mHitRecordBytes[0], 0x21);
    tank->TagArmorHitRecord(nullptr);
    EXPECT_EQ(tank->mHitRecordSlice, 345);
}

} // namespace
