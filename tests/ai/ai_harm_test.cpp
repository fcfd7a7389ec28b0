// The ability to harm: early answers, small arms, canister and blast against
// soft targets, the armour slots of a vehicle and the guarded divisions.

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "ai/AIHarm.h"
#include "ai_fixture.h"
#include "units/Functions.h"

using namespace aitest;

namespace {
class AIHarmNumber : public AIBattle {
protected:
    float Harm(Unit* s, Unit* t, AmmoClass c, bool broad = false, bool cover = false, bool supp = false) {
        return s->AIGetAbilityToHarmAsNumber(t, c, broad, cover, supp, kKnowTruth, kKnowEnemy, false);
    }
};
} // namespace

TEST(AIFuzzifyHarm, BreakPointsGiveOneLabelAtFullMembership) {
    GFuzzySet a, b, c, d;
    AIFuzzifyHarm(&a, 0.25f);
    EXPECT_EQ(a.GetCount(), 1);
    EXPECT_FLOAT_EQ(M(a, 2), 1.0f);
    AIFuzzifyHarm(&b, 0.07f);
    EXPECT_EQ(b.GetCount(), 1);
    EXPECT_FLOAT_EQ(M(b, 1), 1.0f);
    AIFuzzifyHarm(&c, 0.0f);
    EXPECT_EQ(c.GetCount(), 1);
    EXPECT_FLOAT_EQ(M(c, 0), 1.0f);
    AIFuzzifyHarm(&d, 1.1f); // between 0.25 and 2.0: labels 2 and 3
    EXPECT_NEAR(M(d, 2), 1.0f - (1.1f - 0.25f) / 1.75f, 1e-6f);
    EXPECT_NEAR(M(d, 3), (1.1f - 0.25f) / 1.7f, 1e-6f);
}

TEST_F(AIHarmNumber, EarlyAnswersNeedNoWeapon) {
    Squad* s = Rifles(kAxis, 1000, 1000);
    Plane* p = Place<Plane>(kAllies, 1100, 1000);
    Plane* q = Place<Plane>(kAxis, 1200, 1000);
    EXPECT_FLOAT_EQ(Harm(s, p, kAmmoHE), 3.4f);
    EXPECT_FLOAT_EQ(Harm(p, s, kAmmoHE), 3.4f);
    EXPECT_EQ(Harm(q, p, kAmmoHE), 0.0f);
    EXPECT_EQ(Harm(s, p, kAmmoNone), 0.0f);
    EXPECT_EQ(s->AIGetAbilityToHarmAsNumber(nullptr, kAmmoHE, true, true, true, 0, 1, true), 0.0f);
    s->kit.mClass = 5; // a crew gun firing off the map
    Squad* t = Rifles(kAllies, 1100, 1100);
    EXPECT_EQ(Harm(s, t, kAmmoHE), 0.0f);
    EXPECT_FLOAT_EQ(Harm(s, t, kAmmoHE, true), 0.2f);
}

TEST_F(AIHarmNumber, SmallArmsWeighTheSquadsFacingAndStrength) {
    Squad* s = Rifles(kAxis, 1000, 1000);
    Squad* t = Rifles(kAllies, 1300, 1000);
    t->mHeading = 180.0f; // facing the shooter: factor (1 + 1) / 2
    // v = 11 x 0.2 / 1100 = 0.002; F = 11 (1 - 0.998^5); value F / 8.
    EXPECT_NEAR(Harm(s, t, kAmmoHE), 0.0136951f, 1e-6f);
    t->mHeading = 0.0f; // its back to the shooter: (3 + 1) / 2
    EXPECT_NEAR(Harm(s, t, kAmmoHE), 0.0272809f, 1e-6f);
    // Suppression of 600 leaves 15 %.
    s->mSuppression = 600.0f;
    EXPECT_NEAR(Harm(s, t, kAmmoHE, false, false, true), 0.15f * 0.0272809f, 1e-6f);
    // Suppression that is not a number leaves no NaN behind.
    s->mSuppression = std::nanf("");
    EXPECT_TRUE(std::isfinite(Harm(s, t, kAmmoHE, false, false, true)));
}

TEST_F(AIHarmNumber, RangeLimitsAreMinimumInclusiveAndMaximumExclusive) {
    Squad* s = Rifles(kAxis, 1000, 1000);
    s->kit.mWeapon = 7;
    mWeapons[7].mMinRange = 100.0f;
    mWeapons[7].mMaxRange = 500.0f;
    Squad* t = Rifles(kAllies, 1500, 1000);
    EXPECT_EQ(Harm(s, t, kAmmoHE), 0.0f);
    t->mX = 1100.0f;
    EXPECT_GT(Harm(s, t, kAmmoHE), 0.0f);
    t->mX = 1099.0f;
    EXPECT_EQ(Harm(s, t, kAmmoHE), 0.0f);
    // The broad estimate widens both ends by 50 m.
    EXPECT_GT(Harm(s, t, kAmmoHE, true), 0.0f);
    t->mX = 1540.0f;
    EXPECT_GT(Harm(s, t, kAmmoHE, true), 0.0f);
}

TEST_F(AIHarmNumber, CanisterStopsAt250MetresAndNoRateWithoutReloadTime) {
    Tank* s = Armour(kAxis, 1000, 1000);
    s->kit.mWeapon = 2;
    s->kit.mClass = 1;
    Squad* t = Rifles(kAllies, 1260, 1000);
    EXPECT_EQ(Harm(s, t, kAmmoCanister), 0.0f);
    t->mX = 1040.0f;
    // (0.1292 x 75^2 - 2.49 x 75 - 7.246) x 1.5 x 60 / 10 at full effect.
    const float v = Harm(s, t, kAmmoCanister);
    EXPECT_GT(v, 0.0f);
    // Load and aim both 0: no rate, so no harm and no infinity.
    s->kit.mFullAimTime = 0.0f;
    s->kit.mFullLoadTime = 0.0f;
    EXPECT_EQ(Harm(s, t, kAmmoCanister), 0.0f);
    EXPECT_TRUE(std::isfinite(Harm(s, t, kAmmoHE, true, true, true)));
    EXPECT_EQ(Harm(s, t, kAmmoHE, true, true, true), 0.0f);
}

TEST_F(AIHarmNumber, ArmourOverrunsGunsAndNeverLowersTheValue) {
    Tank* s = Armour(kAxis, 1000, 1000);
    s->kit.mClass = 0;
    s->kit.mWeapon = kWeaponNone;
    s->kit.mSmallArmsFP = 11.0f;
    Squad* gun = Rifles(kAllies, 1090, 1000);
    gun->kit.mOrdnance = true;
    gun->mImmobile = true; // speed class 0
    auto overrun = [&] {
        return s->AIGetAbilityToHarmAsNumber(gun, kAmmoHE, false, false, false, kKnowTruth, kKnowEnemy, true);
    };
    EXPECT_FLOAT_EQ(overrun(), 3.4f);
    gun->mX = 1000.0f + 225.0f; // half-way down the ramp
    const float plain = Harm(s, gun, kAmmoHE);
    EXPECT_NEAR(overrun(), std::max(plain, 3.4f * 125.0f / 250.0f), 1e-5f);
    gun->mX = 1000.0f + 400.0f;
    EXPECT_EQ(overrun(), Harm(s, gun, kAmmoHE));
    // Only guns of speed class 1 or less that have ordnance, and only for
    // an armoured shooter.
    struct Towed : Squad {
        SpeedClass GetSpeedClass() override { return cls; }
        SpeedClass cls = 1;
    };
    Towed* towed = Rifles<Towed>(kAllies, 1090, 1000);
    towed->kit.mOrdnance = true;
    auto on = [&](Unit* t) {
        return s->AIGetAbilityToHarmAsNumber(t, kAmmoHE, false, false, false, kKnowTruth, kKnowEnemy, true);
    };
    EXPECT_FLOAT_EQ(on(towed), 3.4f);
    towed->cls = 2;
    EXPECT_EQ(on(towed), Harm(s, towed, kAmmoHE));
    towed->cls = 1;
    towed->kit.mOrdnance = false;
    EXPECT_EQ(on(towed), Harm(s, towed, kAmmoHE));
    towed->kit.mOrdnance = true;
    s->kit.mArmoured = false;
    EXPECT_EQ(on(towed), Harm(s, towed, kAmmoHE));
}

TEST_F(AIHarmNumber, ArmourSlotsFollowTheLocationWeights) {
    Squad* s = Rifles(kAxis, 1000, 1000);
    Tank* t = Armour(kAllies, 1300, 1000);
    t->mHeading = 180.0f; // its front toward the shooter
    float armour[9], weights[9], ratios[9];
    int32_t longs[9], count = -1;
    bool bools[9];
    t->AISetArmorValues(kKnowEnemy, s, false, 0.5f, false, armour, longs, bools, weights, ratios, &count,
                        75.0f);
    ASSERT_EQ(count, 6);
    EXPECT_NEAR(weights[0], 0.33333f, 1e-5f);
    EXPECT_NEAR(weights[1], 0.53333f, 1e-5f);
    EXPECT_NEAR(weights[2], 0.13333f, 1e-5f);
    EXPECT_NEAR(weights[3] + weights[4] + weights[5], 0.0f, 1e-5f);
    EXPECT_FLOAT_EQ(armour[1], 50.0f);
    EXPECT_FLOAT_EQ(ratios[1], 50.0f);
    // Hull-down: the lower hull is not struck, the turret more often.
    t->mDugIn = true;
    t->AISetArmorValues(kKnowEnemy, s, true, 0.5f, false, armour, longs, bools, weights, ratios, &count,
                        0.0f);
    ASSERT_EQ(count, 9);
    EXPECT_NEAR(weights[0], 0.73684f, 1e-5f);
    EXPECT_NEAR(weights[1], 0.26316f, 1e-5f);
    EXPECT_EQ(weights[2], 0.0f);
    EXPECT_EQ(weights[5], 0.0f);
    EXPECT_EQ(weights[8], 0.0f);
    EXPECT_NEAR(weights[6], 0.73684f, 1e-5f);
    // Abeam, the side takes the hits.
    t->mDugIn = false;
    t->mHeading = 90.0f;
    t->AISetArmorValues(kKnowEnemy, s, false, 0.5f, false, armour, longs, bools, weights, ratios, &count,
                        75.0f);
    EXPECT_NEAR(weights[4], 0.53333f, 1e-4f);
    EXPECT_NEAR(weights[1], 0.0f, 1e-4f);
    // Without a turret: upper and lower hull 0.83333 / 0.16667, hull-down
    // the upper hull alone.
    mVehicles[0].mHasTurretArmor = 0;
    t->mHeading = 180.0f;
    t->AISetArmorValues(kKnowEnemy, s, false, 0.5f, false, armour, longs, bools, weights, ratios, &count,
                        75.0f);
    EXPECT_EQ(weights[0], 0.0f);
    EXPECT_NEAR(weights[1], 0.83333f, 1e-5f);
    EXPECT_NEAR(weights[2], 0.16667f, 1e-5f);
    t->AISetArmorValues(kKnowEnemy, s, false, 0.5f, true, armour, longs, bools, weights, ratios, &count,
                        75.0f);
    EXPECT_EQ(weights[0], 0.0f);
    EXPECT_NEAR(weights[1], 1.0f, 1e-5f);
    EXPECT_EQ(weights[2], 0.0f);
}

TEST_F(AIHarmNumber, PenetrationAgainstTheSlotsDecidesTheArmouredValue) {
    Tank* s = Armour(kAxis, 1000, 1000);
    Tank* t = Armour(kAllies, 1300, 1000);
    t->mHeading = 180.0f;
    // No armour at all: every slot counts in full.
    for (ArmorPlate& p : mVehicles[0].mArmorPlates)
        p = {0, 0};
    const float open = Harm(s, t, kAmmoAP);
    EXPECT_GT(open, 0.0f);
    // Plate no round can pierce: only the minimum of 0.05 for a target
    // that is not fixed, times the hit chance.
    for (ArmorPlate& p : mVehicles[0].mArmorPlates)
        p = {2000, 0};
    auto hit = [&](AmmoClass c) {
        const int32_t tof = s->CalculateTimeOfFlight(2, 2, c, nullptr, t->mX, t->mY, t->GetZ(), nullptr);
        return s->AIGetHitChance(c, tof, t, kKnowTruth);
    };
    EXPECT_FLOAT_EQ(Harm(s, t, kAmmoAP), std::max(0.05f * hit(kAmmoAP), 0.002f));
    EXPECT_FLOAT_EQ(Harm(s, t, kAmmoHE), std::max(0.05f * hit(kAmmoHE), 0.001f));
    // A hit chance of nothing leaves the last minimum.
    s->kit.mClass = 9;
    mWeapons[2].mMaxRange = 5000.0f;
    EXPECT_GE(Harm(s, t, kAmmoAP), 0.002f);
    // A fixed emplacement gets no minimum.
    t->mSubtype = 1;
    for (ArmorPlate& p : mVehicles[1].mArmorPlates)
        p = {2000, 0};
    EXPECT_EQ(Harm(s, t, kAmmoAP), 0.0f);
    // Canister never harms armour.
    t->mSubtype = 0;
    EXPECT_EQ(Harm(s, t, kAmmoCanister), 0.0f);
}

TEST_F(AIHarmNumber, VehicleMachineGunsAddToTheMainGunAndAreRestored) {
    Tank* s = Armour(kAxis, 1000, 1000);
    Squad* t = Rifles(kAllies, 1300, 1000);
    const float gunOnly = s->AIGetGeneralAbilityToHarmAsNumber(t, kAmmoHE, false, false, false, 0, 1, false);
    EXPECT_EQ(gunOnly, Harm(s, t, kAmmoHE));
    mVehicles[0].mCoaxMG = 5;
    mVehicles[0].mCoaxMGCount = 1;
    for (uint8_t& r : s->mMGRounds)
        r = 100;
    s->mMGTypeInUse = kSmallArmsNone;
    const float both = s->AIGetGeneralAbilityToHarmAsNumber(t, kAmmoHE, false, false, false, 0, 1, false);
    EXPECT_GT(both, gunOnly);
    EXPECT_FALSE(s->mMGTargeting);
    EXPECT_EQ(s->mMGTypeInUse, kSmallArmsNone);
    // Out of the gun's reach (800 m) the mount does not qualify.
    t->mX = 1900.0f;
    EXPECT_EQ(s->AIGetGeneralAbilityToHarmAsNumber(t, kAmmoHE, false, false, false, 0, 1, false),
              Harm(s, t, kAmmoHE));
}

TEST_F(AIHarmNumber, FriendlyHarmSumsOnlyUnitsFiringAtTheTarget) {
    Squad* t = Rifles(kAllies, 1300, 1000);
    Squad* a = Rifles(kAxis, 1000, 1000);
    Squad* b = Rifles(kAxis, 1000, 1100);
    Squad* c = Rifles(kAxis, 1000, 1200);
    a->mTarget = t;
    b->mTarget = t;
    b->mAreaTarget = true; // firing at an area: not counted
    c->mTarget = t;
    c->mActive = false;
    Squad* me = Rifles(kAxis, 900, 1000);
    me->mTarget = t;
    aiharm::sFriendlyHarm = 0.0f;
    aiharm::sExcluded = me;
    mBattle.mUnits->DoForEach(aiharm::AISumFriendlyHarmOnTarget, t);
    EXPECT_FLOAT_EQ(aiharm::sFriendlyHarm, a->AIGetAbilityToHarmAsNumber(t, a->ChooseAmmo(t, false), false,
                                                                         true, true, 0, 1, false));
}

namespace {
// A tank at (1300, 1000) facing east, with front, side and rear plates of
// 80, 40 and 20 mm, and a shooter 300 m away at a bearing off its front.
class AIArmourSlots : public AIHarmNumber {
protected:
    AIArmourSlots() {
        const int16_t plate[3] = {80, 40, 20};
        for (int32_t slot = 0; slot < kArmorSlots; ++slot)
            mVehicles[0].mArmorPlates[slot] = {plate[slot / 3], 0};
        t = Armour(kAllies, 1300, 1000);
        t->mHeading = 0.0f;
        s = Armour(kAxis, 1000, 1000);
    }
    void ShooterAt(float bearing) {
        const float r = bearing * 3.14159265358979f / 180.0f;
        s->mX = t->mX + 300.0f * std::cos(r);
        s->mY = t->mY + 300.0f * std::sin(r);
    }
    void Slots(bool broad, DataKnowledge k = kKnowEnemy) {
        count = -1;
        t->AISetArmorValues(k, s, broad, 0.5f, false, armour, longs, bools, weights, ratios, &count, 75.0f);
    }
    // The hit rules' mean basis for the same shot from (x, y).
    float Basis(float x, float y, VehicleHitLocation loc, VehicleAspect aspect,
                DataKnowledge k = kKnowEnemy) {
        bool face = false;
        int32_t hardness = 0;
        return t->CalculateArmorBasis(x, y, s->GetZ(), true, loc, aspect, true, 75.0f, 2, kAmmoAP, 8, k,
                                      &face, &hardness, nullptr, true, nullptr);
    }
    Tank* t = nullptr;
    Tank* s = nullptr;
    float armour[9] = {}, weights[9] = {}, ratios[9] = {};
    int32_t longs[9] = {}, count = -1;
    bool bools[9] = {};
};
} // namespace

TEST_F(AIArmourSlots, AspectWindowsAndSideChancesAreTheHitRules) {
    struct Case {
        float bearing;
        VehicleAspect aspect;
        float side;
    };
    const Case cases[] = {{15.0f, kAspectFront, 0.0f},
                          {45.0f, kAspectFront, 45.0f / 70.0f},
                          {90.0f, kAspectSide, 1.0f},
                          {135.0f, kAspectRear, 45.0f / 70.0f},
                          {170.0f, kAspectRear, 0.0f}};
    for (const Case& c : cases) {
        ShooterAt(c.bearing);
        Slots(false);
        ASSERT_EQ(count, 6) << c.bearing;
        EXPECT_NEAR(weights[1], (1.0f - c.side) * 0.53333f, 1e-5f) << c.bearing;
        EXPECT_NEAR(weights[4], c.side * 0.53333f, 1e-5f) << c.bearing;
        EXPECT_NEAR(weights[0], (1.0f - c.side) * 0.33333f, 1e-5f) << c.bearing;
        EXPECT_FLOAT_EQ(armour[1], Basis(s->mX, s->mY, kHitUpperHull, c.aspect)) << c.bearing;
        EXPECT_FLOAT_EQ(armour[4], Basis(s->mX, s->mY, kHitUpperHull, kAspectSide)) << c.bearing;
        EXPECT_FLOAT_EQ(armour[0], Basis(s->mX, s->mY, kHitTurret, c.aspect)) << c.bearing;
    }
    // Head-on the basis is the plate, and the ratio gives the plate back
    // from the slope multiplier.
    ShooterAt(0.0f);
    Slots(false);
    EXPECT_FLOAT_EQ(armour[1], 80.0f);
    EXPECT_FLOAT_EQ(ratios[1], 80.0f);
    // At 45 degrees the plate is struck at a slant: more armour than the
    // plate, the ratio still the plate.
    ShooterAt(45.0f);
    Slots(false);
    EXPECT_GT(armour[1], 80.0f);
    EXPECT_NEAR(ratios[1], 80.0f, 1e-3f);
}

TEST_F(AIArmourSlots, FrontSlotsAreStruckFromTheShooterRearSlotsFromOneMetreBehind) {
    ShooterAt(0.0f);
    t->mTurretBearing = 30.0f; // the turret faces 30 degrees off the hull
    Slots(true);
    ASSERT_EQ(count, 9);
    // The front slots are struck from the shooter's place, the turret's at
    // its own bearing.
    EXPECT_FLOAT_EQ(armour[0], Basis(s->mX, s->mY, kHitTurret, kAspectFront));
    EXPECT_FLOAT_EQ(armour[1], Basis(s->mX, s->mY, kHitUpperHull, kAspectFront));
    EXPECT_NE(armour[0], armour[1]);
    const float turret = 30.0f * 3.14159265358979f / 180.0f;
    EXPECT_FLOAT_EQ(armour[6],
                    Basis(t->mX - std::cos(turret), t->mY - std::sin(turret), kHitTurret, kAspectRear));
    EXPECT_FLOAT_EQ(armour[7], Basis(t->mX - 1.0f, t->mY, kHitUpperHull, kAspectRear));
    EXPECT_FLOAT_EQ(armour[8], Basis(t->mX - 1.0f, t->mY, kHitLowerHull, kAspectRear));
    EXPECT_FLOAT_EQ(armour[7], 20.0f);
    EXPECT_NEAR(weights[7], 0.53333f, 1e-5f);
}

TEST_F(AIArmourSlots, UnderFogTheBelievedTypesPlatesCount) {
    ShooterAt(0.0f);
    // Seen only as a blip, the tank is taken for row 2, with 30 mm all round.
    for (ArmorPlate& p : mVehicles[2].mArmorPlates)
        p = {30, 0};
    mVehicles[2].mHasTurretArmor = 1;
    t->mMistakenTypes[0] = t->mMistakenTypes[1] = t->mMistakenTypes[2] = 2;
    t->mContactLevel = 3;
    Slots(false, kKnowEnemy);
    EXPECT_FLOAT_EQ(armour[1], 30.0f);
    Slots(false, kKnowTruth);
    EXPECT_FLOAT_EQ(armour[1], 80.0f);
    // A row without plates, or one the table does not hold: no armour, no
    // NaN, and the estimate stays finite.
    t->mMistakenTypes[1] = 3;
    Slots(false, kKnowEnemy);
    EXPECT_EQ(armour[1], 0.0f);
    EXPECT_TRUE(std::isfinite(s->AIGetAbilityToHarmAsNumber(t, kAmmoAP, true, false, false, 0, 1, false)));
    t->mMistakenTypes[1] = 9999;
    Slots(false, kKnowEnemy);
    EXPECT_EQ(armour[1], 0.0f);
    EXPECT_TRUE(std::isfinite(s->AIGetAbilityToHarmAsNumber(t, kAmmoAP, true, false, false, 0, 1, false)));
}

TEST_F(AIArmourSlots, ShockResistanceScalesWhatDoesNotPierce) {
    ShooterAt(0.0f);
    for (ArmorPlate& p : mVehicles[0].mArmorPlates)
        p = {2000, 0}; // nothing pierces
    auto broad = [&](int16_t shock) {
        mVehicles[0].mShockResistance = shock;
        return s->AIGetAbilityToHarmAsNumber(t, kAmmoAP, true, false, false, 0, 1, false);
    };
    const float at0 = broad(0), at30 = broad(30), atMinus20 = broad(-20);
    ASSERT_GT(at0, 0.0f);
    // The term is w x 0.2 x calibre / (shock + 70) per slot.
    EXPECT_NEAR(at30 * 100.0f, at0 * 70.0f, 1e-4f * at0 * 70.0f);
    EXPECT_NEAR(atMinus20 * 50.0f, at0 * 70.0f, 1e-4f * at0 * 70.0f);
    // Only the broad estimate counts it, and never against a bunker.
    const float narrow = s->AIGetAbilityToHarmAsNumber(t, kAmmoAP, false, false, false, 0, 1, false);
    mVehicles[0].mShockResistance = 0;
    EXPECT_EQ(s->AIGetAbilityToHarmAsNumber(t, kAmmoAP, false, false, false, 0, 1, false), narrow);
}

TEST_F(AIArmourSlots, EstimatesDrawNothingAndChangeNothing) {
    ShooterAt(45.0f);
    mVehicles[0].mTopArmor[0] = 15;
    mVehicles[0].mTopArmor[1] = 10;
    mVehicles[0].mCurvedPlateChance = 100; // the drawn form would draw here
    mVehicles[0].mSkirtKind = 1;
    SeedRandomGenerator(777);
    const uint32_t state = GetRandomState();
    const std::vector<uint8_t> before = Record(t), shooter = Record(s);
    Slots(true);
    s->AIGetAbilityToHarmAsNumber(t, kAmmoAP, true, true, true, 0, 1, false);
    s->AIGetAbilityToHarmAsNumber(t, kAmmoHE, false, true, true, 0, 1, false);
    s->kit.mClass = 4; // fire from above reads the roof and the deck
    s->AIGetAbilityToHarmAsNumber(t, kAmmoHE, false, false, false, 0, 1, false);
    EXPECT_EQ(GetRandomState(), state);
    EXPECT_EQ(Record(t), before);
    EXPECT_EQ(Record(s), shooter);
}

TEST_F(AIArmourSlots, AShooterOnTheTargetsPointOrNowhereBreaksNothing) {
    s->mX = t->mX;
    s->mY = t->mY;
    Slots(true);
    ASSERT_EQ(count, 9);
    for (int32_t i = 0; i < count; ++i) {
        EXPECT_TRUE(std::isfinite(armour[i])) << i;
        EXPECT_TRUE(std::isfinite(weights[i])) << i;
        EXPECT_TRUE(std::isfinite(ratios[i])) << i;
    }
    EXPECT_TRUE(std::isfinite(s->AIGetAbilityToHarmAsNumber(t, kAmmoAP, true, false, false, 0, 1, false)));
    s->mX = std::nanf("");
    Slots(true);
    EXPECT_EQ(count, 0);
    s->mX = 1000.0f;
    s->mY = std::numeric_limits<float>::infinity();
    Slots(false);
    EXPECT_EQ(count, 0);
}

// A platoon squad's small arms within 40 m add its survivors x 0.1 x
// (40 - d / 2) x 0.025; from 40 m on nothing.
TEST_F(AIHarmNumber, APlatoonSquadCloseInAddsByItsSurvivors) {
    Squad* s = Rifles(kAxis, 1000, 1000);
    Squad* t = Rifles(kAllies, 1000, 1000);
    t->mHeading = 180.0f;
    for (float d : {10.0f, 20.0f, 39.9f, 40.0f, 60.0f}) {
        t->mX = 1000.0f + d;
        s->mSubtype = 0;
        s->mCasualties = 0;
        const float plain = Harm(s, t, kAmmoHE);
        s->mSubtype = 1; // a platoon member of 10 men
        const float bonus = d < 40.0f ? 10.0f * 0.1f * (40.0f - 0.5f * d) * 0.025f : 0.0f;
        EXPECT_NEAR(Harm(s, t, kAmmoHE), std::min(plain + bonus, 3.4f), 1e-5f) << d;
        s->mCasualties = 4; // six survivors
        const float six = d < 40.0f ? 6.0f * 0.1f * (40.0f - 0.5f * d) * 0.025f : 0.0f;
        EXPECT_NEAR(Harm(s, t, kAmmoHE), std::min(plain + six, 3.4f), 1e-5f) << d;
    }
}

// The shooter's suppression leaves all of the value below 100, 80 % from
// 100, 35 % from 350 and 15 % from 600.
TEST_F(AIHarmNumber, SuppressionBandsOfTheShooter) {
    Squad* s = Rifles(kAxis, 1000, 1000);
    Squad* t = Rifles(kAllies, 1300, 1000);
    t->mHeading = 0.0f;
    const float full = Harm(s, t, kAmmoHE, false, false, true);
    ASSERT_GT(full, 0.0f);
    for (auto [supp, factor] : {std::pair<float, float>{99.9f, 1.0f}, {100.0f, 0.8f}, {349.9f, 0.8f},
                                {350.0f, 0.35f}, {599.9f, 0.35f}, {600.0f, 0.15f}, {1500.0f, 0.15f}}) {
        s->mSuppression = supp;
        EXPECT_NEAR(Harm(s, t, kAmmoHE, false, false, true), factor * full, 1e-6f) << supp;
        EXPECT_FLOAT_EQ(Harm(s, t, kAmmoHE, false, false, false), full) << supp;
    }
}

// Blast against a soft target, where the shell error is beyond the blast's
// reach so that the floor of 0.15 of the blast rate decides: infantry take
// it / 1100, × 0.65 from weapon classes 1 and 9, × 1.35 from class 4, and
// × 2.75 when they have ordnance; other targets take 0.007 of it.
TEST_F(AIHarmNumber, BlastIsScaledByTargetAndWeaponClass) {
    mAmmo[1].mWeight = 10.0f;
    mAmmo[1].mSpecial = 1e-9f; // no filler: the blast reaches nowhere
    mAmmo[1].mLastDate = 9999;
    Tank* s = Armour(kAxis, 1000, 1000);
    Squad* t = Rifles(kAllies, 1300, 1000);
    Tank* lorry = Armour(kAllies, 1000, 1300);
    lorry->kit.mArmoured = false;
    const float rate = BlastPower(2, kAmmoHE) * 60.0f / (s->kit.mFullLoadTime + s->kit.mFullAimTime);
    ASSERT_GT(rate, 0.0f);
    const float floor = 0.15f * rate;
    const struct {
        WeaponClass wclass;
        float factor;
    } classes[] = {{2, 1.0f}, {1, 0.65f}, {9, 0.65f}, {4, 1.35f}, {3, 1.0f}};
    for (const auto& c : classes) {
        s->kit.mClass = c.wclass;
        t->kit.mOrdnance = false;
        EXPECT_FLOAT_EQ(Harm(s, t, kAmmoHE), floor / 1100.0f * c.factor) << c.wclass;
        t->kit.mOrdnance = true;
        EXPECT_FLOAT_EQ(Harm(s, t, kAmmoHE), floor / 1100.0f * c.factor * 2.75f) << c.wclass;
        EXPECT_FLOAT_EQ(Harm(s, lorry, kAmmoHE), floor * 0.007f) << c.wclass;
    }
}

// Fire from above counts the rounds of a minute after the first, truncated
// as a whole: one round in 90 s counts as one a minute (n = 0), not as none.
TEST_F(AIArmourSlots, FireFromAboveCountsOneRoundInNinetySeconds) {
    ShooterAt(45.0f);
    mVehicles[0].mTopArmor[0] = 5;
    mVehicles[0].mTopArmor[1] = 5;
    s->kit.mClass = 4;
    s->kit.mFullAimTime = 0.0f;
    auto harm = [&](float seconds) {
        s->kit.mFullLoadTime = seconds;
        return s->AIGetAbilityToHarmAsNumber(t, kAmmoHE, false, false, false, 0, 1, false);
    };
    const float minute = harm(60.0f);
    EXPECT_GT(minute, 0.0f);
    EXPECT_EQ(harm(90.0f), minute);
    EXPECT_GT(harm(30.0f), minute);
}
