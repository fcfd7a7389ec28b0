// Combat rule functions against values worked out by hand from their
// formulas, on a small data set made for the purpose.

#include <gtest/gtest.h>

#include <cmath>

#include "data_testset.h"
#include "engine/GOLTA.h"
#include "units/Functions.h"
#include "units/RuleContext.h"
#include "units/Vehicle.h"

namespace {

// Ammunition rows of the test set.
enum : AmmoType {
    kAPCBC = 1, // 75 mm APCBC, no drag: strikes at its muzzle velocity
    kAPShot,    // AP solid shot, armour-piercing cap
    kHE,        // 14.7 lb, filler 0.1
    kHVAP,      // tungsten, kind 12, 7.9 lb
    kHEAT,      // 150 mm
    kBigHEAT,   // more than 300 mm counts as 1000
    kSmallShot, // 13 mm, 0.1 lb
    kShot20,    // 20 mm, 0.33 lb, uncapped APHE
    kDragShot,  // 14.96 lb, drag 1700
    kSmoke,     // 14 lb
    kEarlyAP,   // in date 4001-4212
    kLateAP,    // in date 4301-4512
    kCharge,    // 10 lb, filler 0.4
    kBomb,      // mortar bomb 5 lb, filler 0.2
    kAmmoRows
};

// Weapon rows of the test set.
enum : WeaponType {
    kGun = 100,
    kGunHV,
    kATWeapon,
    kRifle13,
    kCannon20,
    kDragGun,
    kTwin,
    kMortar,
    kCharger,
    kDated,
    kFlame,
    kMG,
    kHowitzer,
    kTube2
};

AmmoData Ammo(AmmoClass c, int kind, float weight, int cap = 0, float special = 0) {
    AmmoData a{};
    a.mClass = c;
    a.mProjectileKind = kind;
    a.mFirstDate = 3901;
    a.mLastDate = 4512;
    a.mWeight = weight;
    a.mCap = cap;
    a.mSpecial = special;
    return a;
}

WeaponData Weapon(WeaponClass c, float calibre, std::initializer_list<WeaponAmmo> ammo) {
    WeaponData w{};
    w.mClass = c;
    w.mCalibre = calibre;
    w.mNrTubes = 1;
    w.mOrdnanceModel = kOrdnanceModelNone;
    int i = 0;
    for (const WeaponAmmo& a : ammo)
        w.mAmmo[i++] = a;
    return w;
}

int32_t sDate = 4306;
int32_t sTimeOfDay = 1;
int32_t sSeason = 0;
Terrain sTerrain = 0;
float sFactor = 0.8f;

class Rules : public ::testing::Test {
protected:
    void SetUp() override {
        GameDataSet s = MinimalDataSet();
        s.mAmmo.resize(kAmmoRows, s.mAmmo[0]);
        s.mAmmo[kAPCBC] = Ammo(kAmmoAP, 8, 14.96f, 2);
        s.mAmmo[kAPShot] = Ammo(kAmmoAP, 1, 14.96f, 1);
        s.mAmmo[kHE] = Ammo(kAmmoHE, 2, 14.7f, 0, 0.1f);
        s.mAmmo[kHVAP] = Ammo(kAmmoTungsten, 12, 7.9f, 0);
        s.mAmmo[kHEAT] = Ammo(kAmmoHEAT, 5, 4.0f, 0, 150.0f);
        s.mAmmo[kBigHEAT] = Ammo(kAmmoHEAT, 5, 4.0f, 0, 350.0f);
        s.mAmmo[kSmallShot] = Ammo(kAmmoAP, 1, 0.1f);
        s.mAmmo[kShot20] = Ammo(kAmmoAP, 3, 0.33f);
        s.mAmmo[kDragShot] = Ammo(kAmmoAP, 8, 14.96f, 2);
        s.mAmmo[kDragShot].mDrag = 1700.0f;
        s.mAmmo[kSmoke] = Ammo(kAmmoSmoke, 13, 14.0f);
        s.mAmmo[kEarlyAP] = Ammo(kAmmoAP, 1, 5.0f);
        s.mAmmo[kEarlyAP].mFirstDate = 4001;
        s.mAmmo[kEarlyAP].mLastDate = 4212;
        s.mAmmo[kLateAP] = Ammo(kAmmoAP, 1, 5.0f);
        s.mAmmo[kLateAP].mFirstDate = 4301;
        s.mAmmo[kCharge] = Ammo(kAmmoHE, 2, 10.0f, 0, 0.4f);
        s.mAmmo[kBomb] = Ammo(kAmmoHE, 15, 5.0f, 0, 0.2f);

        // 740 m/s is 2427.2 ft/s, the reference velocity of the gun formula.
        s.mWeapons[kGun] =
            Weapon(kWClassGun, 75, {{kAPCBC, 740}, {kHE, 740}, {kHEAT, 400}, {kSmoke, 300}, {kAPShot, 740}});
        s.mWeapons[kGunHV] = Weapon(kWClassGun, 76.2f, {{kHVAP, 3949.12f / 3.28f}});
        s.mWeapons[kATWeapon] = Weapon(kWClassLightAT, 88, {{kBigHEAT, 110}});
        s.mWeapons[kRifle13] = Weapon(kWClassLightAT, 13, {{kSmallShot, 900}});
        s.mWeapons[kCannon20] = Weapon(kWClassLightAT, 20, {{kShot20, 740}});
        s.mWeapons[kDragGun] = Weapon(kWClassGun, 75, {{kDragShot, 619}});
        s.mWeapons[kTwin] = Weapon(kWClassTwinGun, 37, {{kHE, 740}, {kAPCBC, 740}});
        s.mWeapons[kMortar] = Weapon(kWClassMortar, 81, {{kBomb, 200}, {kSmoke, 200}});
        s.mWeapons[kCharger] = Weapon(kWClassSpecial, 100, {{kCharge, 10}});
        s.mWeapons[kDated] = Weapon(kWClassGun, 50, {{kEarlyAP, 600}, {kLateAP, 700}, {kHE, 500}});
        s.mWeapons[kFlame] = Weapon(kWClassFlame, 10, {});
        s.mWeapons[kMG] = Weapon(kWClassSniper, 7.92f, {{kHE, 1}});
        s.mWeapons[kHowitzer] = Weapon(kWClassIndirect, 105, {{kHE, 470}});
        s.mWeapons[kTube2] = Weapon(kWClassGun, 75, {{kHE, 740}});
        s.mWeapons[kTube2].mNrTubes = 2;
        s.mWeapons[9] = Weapon(kWClassAT, 88, {{kHE, 300}});
        s.mWeapons[9].mFlags = 1;
        s.mWeapons[257] = Weapon(kWClassSpecial, 50, {{kCharge, 10}});

        SmallArmsData& rifle = s.mSmallArms[6];
        for (int i = 0; i < kFirepowerBrackets; ++i)
            rifle.mFirepower[i] = 10.0f - i;
        rifle.mMaxRange = 1500;
        rifle.mAutoClass = 1;

        ASSERT_TRUE(InstallSet(s)) << GameDataError();
        RuleContext c;
        c.scenarioDate = [] { return sDate; };
        c.timeOfDay = [] { return sTimeOfDay; };
        c.season = [] { return sSeason; };
        c.terrainAt = [](float, float) { return sTerrain; };
        SetRuleContext(&c);
        sDate = 4306;
        sTimeOfDay = 1;
        sSeason = 0;
        SeedRandomGenerator(12345);
    }
    void TearDown() override {
        SetRuleContext(nullptr);
        DeleteCryptoData();
    }

    static float Pen(WeaponType w, AmmoClass c, float ratio = 0.5f, int32_t hardness = 0) {
        return GetPenetration(false, 500, w, c, false, hardness, ratio, nullptr, nullptr, nullptr);
    }
};

TEST_F(Rules, AmmunitionInUseFollowsTheDate) {
    float v = -1.0f;
    EXPECT_EQ(AmmoTypeInUse(kAmmoStrict, kDated, kAmmoAP, &v), kLateAP);
    EXPECT_FLOAT_EQ(v, 700.0f);
    sDate = 4106;
    EXPECT_EQ(AmmoTypeInUse(kAmmoStrict, kDated, kAmmoAP, &v), kEarlyAP);
    EXPECT_FLOAT_EQ(v, 600.0f);
    sDate = 4250; // between the two: nothing in date
    v = -1.0f;
    EXPECT_EQ(AmmoTypeInUse(kAmmoStrict, kDated, kAmmoAP, &v), kAmmoTypeNone);
    EXPECT_FLOAT_EQ(v, -1.0f); // strict writes nothing
    EXPECT_EQ(AmmoTypeInUse(kAmmoLenient, kDated, kAmmoAP, &v), kEarlyAP);
    EXPECT_EQ(AmmoTypeInUse(kAmmoLenient, kDated, kAmmoHEAT, &v), kEarlyAP); // pair 0
    EXPECT_EQ(AmmoTypeInUse(kAmmoStrict, kDated, kAmmoHEAT, nullptr), kAmmoTypeNone);
    EXPECT_EQ(AmmoTypeInUse(kAmmoLenient, kFlame, kAmmoHE, nullptr), kAmmoTypeNone);
    SetRuleContext(nullptr); // no battle: June 1943
    EXPECT_EQ(AmmoTypeInUse(kAmmoStrict, kDated, kAmmoAP, nullptr), kLateAP);
}

TEST_F(Rules, PenetrationOfTheGunFormula) {
    float energy = 0, velocity = 0;
    bool shattered = true;
    // Capped shot at the reference velocity, mass and calibre: P = 131.
    EXPECT_NEAR(GetPenetration(false, 500, kGun, kAmmoAP, false, 0, 0.5f, &shattered, &energy, &velocity),
                131.0f, 1e-3);
    EXPECT_FALSE(shattered);
    EXPECT_NEAR(velocity, 2427.2f, 1e-2);
    EXPECT_NEAR(energy, 0.5 * 14.96 * 2427.2 * 2427.2, 50.0);
    // High explosive of 14.7 lb: P = 131 x (14.7 / 14.96)^0.7143 = 129.372,
    // then 0.5662 P - 0.0001336 P^2.
    EXPECT_NEAR(Pen(kGun, kAmmoHE), 71.0131f, 1e-3);
    // Tungsten of kind 12 without a cap: 279 x 0.79.
    EXPECT_NEAR(Pen(kGunHV, kAmmoTungsten), 220.41f, 1e-2);
    // Face-hardened plate of 350 Brinell near the calibre: 131 / Q blended.
    EXPECT_NEAR(Pen(kGun, kAmmoAP, 1.0f, 350), 132.0406f, 1e-2);
}

TEST_F(Rules, ShatterOfArmourPiercingShot) {
    // Uncapped shot (kind 1, cap 1): F = 1.16 x 1.05; at ratio 1 and 2427 ft/s
    // the limits (0.8, 2040) are reached and it loses 5 %.
    bool shattered = false;
    EXPECT_NEAR(GetPenetration(false, 500, kGun, kAmmoAP, false, 0, 0.5f, nullptr, nullptr, nullptr), 131.0f,
                1e-3);
    EXPECT_NEAR(Pen(kGun, kAmmoAP), 131.0f, 1e-3);
    WeaponData& w = *gWeaponData.Edit(kGun);
    std::swap(w.mAmmo[0], w.mAmmo[4]); // the uncapped shot becomes the first AP entry
    EXPECT_NEAR(Pen(kGun, kAmmoAP, 0.5f), 131.0f * 1.16f * 1.05f, 1e-2);
    EXPECT_NEAR(GetPenetration(false, 500, kGun, kAmmoAP, false, 0, 1.0f, &shattered, nullptr, nullptr),
                131.0f * 1.16f * 1.05f * 0.95f, 1e-2);
    EXPECT_TRUE(shattered);
    std::swap(w.mAmmo[0], w.mAmmo[4]);

    // A shot with a ballistic cap at the limits draws one fraction and, without
    // random, never shatters.
    SeedRandomGenerator(99);
    Random();
    Random();
    const uint32_t afterOneDraw = GetRandomState();
    SeedRandomGenerator(99);
    EXPECT_NEAR(GetPenetration(false, 500, kGun, kAmmoAP, false, 0, 1.0f, &shattered, nullptr, nullptr),
                131.0f, 1e-3);
    EXPECT_FALSE(shattered);
    EXPECT_EQ(GetRandomState(), afterOneDraw);
}

TEST_F(Rules, PenetrationOfSmallBoresAndTheBlend) {
    // 13 mm: the small-bore formula alone.
    EXPECT_NEAR(Pen(kRifle13, kAmmoAP), 41.2081f, 1e-2);
    // 20 mm: (20 - 13) / 14 of the gun formula and (27 - 20) / 14 of the
    // small-bore formula (32.313 and 45.749).
    EXPECT_NEAR(Pen(kCannon20, kAmmoAP), 39.0308f, 1e-2);
}

TEST_F(Rules, PenetrationOfOtherWeapons) {
    EXPECT_FLOAT_EQ(Pen(kGun, kAmmoHEAT), 150.0f);
    EXPECT_FLOAT_EQ(Pen(kATWeapon, kAmmoHEAT), 1000.0f);
    float energy = 0;
    GetPenetration(false, 100, kGun, kAmmoHEAT, false, 0, 0.5f, nullptr, &energy, nullptr);
    EXPECT_NEAR(energy, 0.5 * 4.0 * (2.624 * 400) * (2.624 * 400), 1.0);
    EXPECT_NEAR(Pen(9, kAmmoHE), 31.9639f, 1e-3);            // class 9 without random
    EXPECT_NEAR(Pen(kCharger, kAmmoHE), 9.75f * 2.0f, 1e-4); // sqrt(0.4 x 10)
    EXPECT_NEAR(Pen(kMortar, kAmmoHE), 11.3f, 1e-4);         // sqrt(0.2 x 5)
    EXPECT_FLOAT_EQ(Pen(kMortar, kAmmoSmoke), 0.0f);         // canister, smoke: none
    EXPECT_NEAR(Pen(kMortar, kAmmoAP), 0.01f, 1e-6);
    EXPECT_FLOAT_EQ(Pen(257, kAmmoHE), 9999.0f);
    energy = -7.0f;
    EXPECT_FLOAT_EQ(
        GetPenetration(false, 100, kGun, kAmmoCanister, false, 0, 0.5f, nullptr, &energy, nullptr), 0.0f);
    EXPECT_FLOAT_EQ(energy, -7.0f); // classes 4, 5 and 11 touch no output
    EXPECT_FLOAT_EQ(GetSmallArmsPenetration(1, 100, false, 0, 0.5f), 0.1f);
}

TEST_F(Rules, FlightTimeWithLossOfSpeed) {
    float v = 0;
    EXPECT_NEAR(OrdnanceOrLATWFlightTime(kDragGun, kAmmoAP, 1000, &v), 1.71354f, 1e-4);
    EXPECT_NEAR(v, 549.553f, 1e-2);
    // Without drag the flight is range / velocity (no division by zero).
    EXPECT_NEAR(OrdnanceOrLATWFlightTime(kGun, kAmmoAP, 740, &v), 1.0f, 1e-5);
    EXPECT_FLOAT_EQ(v, 740.0f);
    EXPECT_GT(OrdnanceOrLATWFlightTime(kDragGun, kAmmoAP, 0, nullptr), 0.0f);
}

TEST_F(Rules, PenetrationFallsWithRange) {
    // At 1000 m the shot strikes at 549.553 m/s = 1802.53 ft/s:
    // 131 x (1802.53 / 2427.2)^1.4283.
    EXPECT_NEAR(GetPenetration(false, 1000, kDragGun, kAmmoAP, false, 0, 0.5f, nullptr, nullptr, nullptr),
                85.6453f, 1e-2);
    float last = 1e9f;
    for (float range : {0.0f, 200.0f, 500.0f, 1000.0f, 2000.0f}) {
        const float here =
            GetPenetration(false, range, kDragGun, kAmmoAP, false, 0, 0.5f, nullptr, nullptr, nullptr);
        EXPECT_LT(here, last) << range;
        last = here;
    }
}

TEST_F(Rules, BlastPowerAndRadius) {
    EXPECT_NEAR(BlastPower(kGun, kAmmoHE), 104.5696f, 1e-3);
    EXPECT_NEAR(BlastPower(kGun, kAmmoAP), 14.0f * std::pow(0.84f * 14.96f, 0.8f) * 0.3f, 1e-2);
    EXPECT_NEAR(BlastPower(kTwin, kAmmoHE), 4.0f * 104.5696f, 1e-2);
    EXPECT_NEAR(BlastPower(kTube2, kAmmoHE), 2.0f * 104.5696f, 1e-2);
    EXPECT_FLOAT_EQ(BlastPower(kRifle13, kAmmoAP), 4.0f); // never below 4
    sDate = 4250;
    EXPECT_FLOAT_EQ(BlastPower(kDated, kAmmoAP), 0.0f); // out of date
    sDate = 4306;
    EXPECT_NEAR(BlastRadius(kGun, kAmmoHE), 23.5730f, 1e-3);
    EXPECT_NEAR(BlastRadius(kGun, kAmmoAP), 23.5730f * 0.25f * std::pow(14.96f / 14.7f, 0.3f), 1e-3);
    EXPECT_NEAR(BlastRadius(kTwin, kAmmoHE), 1.5f * 23.5730f, 1e-3);
    EXPECT_NEAR(BlastRadius(kGun, kAmmoSmoke), 3.27912f, 1e-4);
    EXPECT_FLOAT_EQ(BlastRadius(kRifle13, kAmmoAP), 1.5f); // floor
}

TEST_F(Rules, RoughBlastPower) {
    EXPECT_EQ(GetRoughBlastPower(kMG, true), 0);
    EXPECT_EQ(GetRoughBlastPower(kFlame, false), 4000);
    EXPECT_EQ(GetRoughBlastPower(kGun, true), 52);
    EXPECT_EQ(GetRoughBlastPower(kGun, false), 45);
}

TEST_F(Rules, ReductionOfFirepowerByDistance) {
    float fp = 100;
    ReduceFPByDistance(&fp, 5, 10);
    EXPECT_NEAR(fp, 25.575f, 1e-3);
    fp = 100;
    ReduceFPByDistance(&fp, 0, 10);
    EXPECT_FLOAT_EQ(fp, 100.0f);
    ReduceFPByDistance(&fp, 10, 10);
    EXPECT_FLOAT_EQ(fp, 0.0f);
}

TEST_F(Rules, SmallArmsFirepowerByRange) {
    EXPECT_FLOAT_EQ(SmallArmFP(6, 40, kFirePlain), 10.0f);
    EXPECT_FLOAT_EQ(SmallArmFP(6, 10, kFirePlain), 10.0f);
    EXPECT_NEAR(SmallArmFP(6, 70, kFirePlain), 9.5f, 1e-5);
    EXPECT_NEAR(SmallArmFP(6, 1499, kFirePlain), 901.0f / 600.0f, 1e-4);
    EXPECT_FLOAT_EQ(SmallArmFP(6, 1500, kFirePlain), 0.0f); // at the maximum range
    EXPECT_FLOAT_EQ(SmallArmFP(6, 70, 0), 0.0f);
    EXPECT_NEAR(SmallArmFP(6, 70, 7), 9.5f, 1e-5); // a level above 4 fires at full strength
    EXPECT_NEAR(SmallArmFP(6, 70, 2), 9.5f * 0.6667f, 1e-4);
    EXPECT_FLOAT_EQ(SmallArmFP(6, 40, 2), 10.0f); // 40 m: no multiplier
    EXPECT_FLOAT_EQ(SmallArmFP(6, 35, 1), 0.0f);  // needs automatic class 3
    gSmallArmsData.Edit(6)->mAutoClass = 3;
    EXPECT_NEAR(SmallArmFP(6, 35, 1), 9.5f, 1e-5); // range doubled
    gSmallArmsData.Edit(6)->mAutoClass = 0;
    EXPECT_NEAR(SmallArmFP(6, 70, 3), 9.5f * 0.6667f, 1e-4);
    gSmallArmsData.Edit(6)->mMaxRange = 3000;
    EXPECT_FLOAT_EQ(SmallArmFP(6, 1800, kFirePlain), 0.0f);
}

TEST_F(Rules, ReloadTimes) {
    EXPECT_FLOAT_EQ(HeavyReload(kFlame, kWClassFlame, 50, 2), 5.0f);
    EXPECT_FLOAT_EQ(HeavyReload(kFlame, kWClassFlame, 50, 0), 7.5f);
    EXPECT_NEAR(HeavyReload(kGun, kWClassGun, 100, 2), 28.527f, 1e-3);
    EXPECT_NEAR(HeavyReload(kMortar, kWClassMortar, 100, 2), 28.527f * 0.7f, 1e-3);
    EXPECT_NEAR(HeavyReload(9, kWClassGun, 100, 2), 28.527f * 1.7f, 1e-3); // slow loading
    EXPECT_FLOAT_EQ(HeavyReload(kGun, kWClassGun, 141, 2), 115.0f);
    EXPECT_NEAR(HeavyReload(kGun, kWClassGun, 100, 1), 28.527f * 1.25f, 1e-3);
    EXPECT_NEAR(HeavyReload(kGun, kWClassGun, 100, -1), 28.527f * 1.75f, 1e-3);
    EXPECT_NEAR(HeavyReload(kGun, kWClassGun, 100, 4), 28.527f * 0.7f, 1e-3);
    EXPECT_NEAR(HeavyReload(kTwin, kWClassTwinGun, 100, 2), 28.527f * 0.6f, 1e-3);
    EXPECT_NEAR(HeavyReload(kATWeapon, kWClassLightAT, 100, 2), 28.527f * 1.6f, 1e-3);
}

TEST_F(Rules, ArmourPlatesQualityAndBunkers) {
    EXPECT_FLOAT_EQ(CombineArmorPlates(50, 0, true), 50.0f);
    EXPECT_NEAR(CombineArmorPlates(50, 20, false), 64.7265f, 1e-3);
    EXPECT_NEAR(CombineArmorPlates(50, 20, true), 78.9663f, 1e-3);
    const float q[] = {1.0f, 0.95f, 0.9f, 0.85f, 1.0f, 1.0f, 0.85f, 1.0f};
    for (int i = 0; i < 8; ++i)
        EXPECT_FLOAT_EQ(ArmorQualityFactor(i, kHitUpperHull, kAspectFront, nullptr), q[i]);
    // The hull's quality comes from the vehicle's own first armour factor.
    Vehicle vehicle;
    vehicle.mArmorFactor[0] = sFactor;
    const Vehicle* some = &vehicle;
    EXPECT_FLOAT_EQ(ArmorQualityFactor(4, kHitUpperHull, kAspectFront, some), 0.8f);
    EXPECT_FLOAT_EQ(ArmorQualityFactor(5, kHitTurret, kAspectFront, some), 1.0f);
    EXPECT_FLOAT_EQ(ArmorQualityFactor(5, kHitUpperHull, kAspectSide, some), 1.0f);
    float armour = 120;
    CapPillboxArmor(kWClassGun, kAmmoHE, &armour);
    EXPECT_FLOAT_EQ(armour, 80.0f);
    armour = 120;
    CapPillboxArmor(kWClassGun, kAmmoAP, &armour);
    CapPillboxArmor(kWClassLightAT, kAmmoHE, &armour);
    EXPECT_FLOAT_EQ(armour, 120.0f);
}

TEST_F(Rules, HitChanceMoraleLeadershipAndCover) {
    EXPECT_NEAR(GetSlotHitChance(0.85f, 0.0f), 0.125f, 1e-5);
    EXPECT_NEAR(GetSlotHitChance(1.0f, 0.0f), 1.0f, 1e-5);
    EXPECT_NEAR(GetSlotHitChance(0.5f, 0.5f), (0.07352941f * 0.5f + 0.0625f) * 0.5f, 1e-6);
    EXPECT_FLOAT_EQ(PseudoToHitVersusSlot(100), 0.5f);
    EXPECT_FLOAT_EQ(PseudoToHitVersusSlot(200), 0.0f);
    EXPECT_FLOAT_EQ(CrossfireSuppression(45), 1.0f);
    EXPECT_FLOAT_EQ(CrossfireSuppression(90), 2.0f);
    EXPECT_FLOAT_EQ(CrossfireSuppression(135), 3.0f);
    sTimeOfDay = 3;
    EXPECT_FLOAT_EQ(CrossfireSuppression(90), 3.0f);
    EXPECT_FLOAT_EQ(CrossfireSuppression(30), 1.0f);
    EXPECT_FLOAT_EQ(LeaderRange(0, 2), 50.0f);
    EXPECT_NEAR(LeaderRange(1, 5), 97.5f, 1e-4);
    EXPECT_NEAR(LeaderRange(2, 0), 80.0f, 1e-4);
    const std::pair<Terrain, float> summer[] = {{0, 1.0f},  {21, 0.1f}, {20, 0.25f}, {53, 0.05f},
                                                {19, 0.8f}, {46, 0.7f}, {7, 0.1f},   {37, 1.0f}};
    for (auto [t, f] : summer) {
        sTerrain = t;
        EXPECT_FLOAT_EQ(CoverFromAirFactor(0, 0), f) << t;
    }
    sSeason = 3;
    sTerrain = 21;
    EXPECT_FLOAT_EQ(CoverFromAirFactor(0, 0), 0.4f);
    sTerrain = 30;
    EXPECT_FLOAT_EQ(CoverFromAirFactor(0, 0), 0.7f);
}

TEST_F(Rules, FlightRescalingAndBulletSounds) {
    int32_t packet = 40, due = 140, flight = 40, arrival = 140;
    ModifyFlightTime(1.5f, &packet, &due, &flight, &arrival);
    EXPECT_EQ(packet, 60);
    EXPECT_EQ(flight, 60);
    EXPECT_EQ(arrival, 160);
    EXPECT_EQ(due, 160);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(BulletSoundEffectLengthClass(100.0f), 3);
        EXPECT_EQ(BulletSoundEffectLengthClass(5.0f), 0);
    }
    SeedRandomGenerator(7);
    Random();
    Random();
    const uint32_t after = GetRandomState();
    SeedRandomGenerator(7);
    BulletSoundEffectLengthClass(12.0f);
    EXPECT_EQ(GetRandomState(), after); // one fraction per call
}

} // namespace
