// Ammunition, tungsten, small arms, models, artillery and rarity following
// the scenario date; the panel texts of dates, times and guns.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "engine/GString.h"
#include "unit_records_fixture.h"
#include "units/Functions.h"
#include "units/UnitFactory.h"

namespace {

enum : AmmoType { kHE = 1, kEarlyAP, kLateAP, kTungsten, kSmoke, kAmmoRows };
constexpr WeaponType kGun = 100;
constexpr WeaponType kBareGun = 101;
constexpr WeaponType kTwinTubes = 102;
constexpr WeaponType kSmallGun = 103;

AmmoData Ammo(AmmoClass c, int16_t first, int16_t last, float weight = 10.0f) {
    AmmoData a{};
    a.mClass = c;
    a.mProjectileKind = 1;
    a.mFirstDate = first;
    a.mLastDate = last;
    a.mWeight = weight;
    return a;
}

class DateRules : public UnitRecordsTest {
protected:
    void Shape(GameDataSet& s) override {
        s.mAmmo.resize(kAmmoRows, s.mAmmo[0]);
        s.mAmmo[kHE] = Ammo(kAmmoHE, 3901, 4512);
        s.mAmmo[kEarlyAP] = Ammo(kAmmoAP, 4001, 4212);
        s.mAmmo[kLateAP] = Ammo(kAmmoAP, 4301, 4512);
        s.mAmmo[kTungsten] = Ammo(kAmmoTungsten, 4101, 4512);
        s.mAmmo[kSmoke] = Ammo(kAmmoSmoke, 3901, 4512);
        WeaponData& g = s.mWeapons[kGun];
        g.mClass = kWClassGun;
        g.mCalibre = 75.0f;
        g.mBarrelLength = 48;
        g.mNrTubes = 1;
        g.mAmmo[0] = {kHE, 500};
        g.mAmmo[1] = {kEarlyAP, 600};
        g.mAmmo[2] = {kLateAP, 700};
        g.mAmmo[3] = {kTungsten, 900};
        g.mAmmo[4] = {kSmoke, 300};
        g.mLoadMix[0] = {30, 10, 5, 0, 3, 5, {}};
        s.mWeapons[kBareGun].mCalibre = 7.5f;
        s.mWeapons[kTwinTubes].mCalibre = 20.0f;
        s.mWeapons[kTwinTubes].mNrTubes = 2;
        s.mWeapons[kSmallGun].mClass = kWClassGun;
        s.mWeapons[kSmallGun].mCalibre = 37.0f;
        s.mWeapons[kSmallGun].mAmmo[0] = {kEarlyAP, 760};
        s.mWeapons[kSmallGun].mMaxRange = 100.0f;
        s.mWeapons[kSmallGun].mClass = kWClassFlame;
        s.mWeapons[110].mClass = kWClassSniper;
        s.mWeapons[111].mClass = kWClassAT;
        s.mWeapons[112].mArtillerySize = 4;
        s.mSmallArms[62].mSubstituteAgain = 1;
    }
    std::string Text(const GString& s) { return std::string(s.GetCString()); }
};

TEST_F(DateRules, TheLoadMixMovesSharesOfClassesOutOfDate) {
    int32_t m[8] = {};
    // 1943: late AP and tungsten (level 3 less 2) are in date; the weapon has
    // no HEAT and no canister, whose shares go to AP and HE.
    AmmoAvailable(kGun, false, 0, m);
    EXPECT_EQ(m[kAmmoTungsten], 1);
    EXPECT_EQ(m[kAmmoAP], 40);
    EXPECT_EQ(m[kAmmoHEAT], 0);
    EXPECT_EQ(m[kAmmoHE], 55);
    EXPECT_EQ(m[kAmmoSmoke], 5);
    EXPECT_EQ(m[kAmmoCanister], 0);
    EXPECT_EQ(m[kAmmoHE75], 0);
    // Between the two AP rounds and without tungsten in 1942, AP's share
    // passes through HEAT (not in date either) back to AP and on to HE.
    mBattle->mDate = 4250;
    AmmoAvailable(kGun, false, 0, m);
    EXPECT_EQ(m[kAmmoTungsten], 0);
    EXPECT_EQ(m[kAmmoHE], 95);
    EXPECT_EQ(m[kAmmoAP] + m[kAmmoHEAT] + m[kAmmoCanister], 0);
    // A load slot out of range reads the last slot, the twin guns mark their
    // 75 mm rounds.
    AmmoAvailable(43, false, 99, m);
    EXPECT_EQ(m[kAmmoHE75], 1);
    EXPECT_EQ(m[kAmmoAP75], 1);
}

TEST_F(DateRules, TungstenDwindlesByYearWithinTheWarsYears) {
    mBattle->mDate = 4506;
    EXPECT_EQ(GetCurrentTungstenLevel(3, true), 0);
    EXPECT_EQ(GetCurrentTungstenLevel(3, false), 3);
    EXPECT_EQ(GetCurrentTungstenLevel(7, true), 7); // 6 and above stand
    EXPECT_EQ(GetCurrentTungstenLevel(0, false), 0);
    mBattle->mDate = 4806; // after the war: as 1945
    EXPECT_EQ(GetCurrentTungstenLevel(5, true), 2);
    mBattle->mDate = 3906; // before it: as 1940
    EXPECT_EQ(GetCurrentTungstenLevel(5, true), 0);
    mBattle->mDate = 4106;
    EXPECT_EQ(GetCurrentTungstenLevel(3, true), 1);
}

TEST_F(DateRules, SmallArmsFollowTheMonthAndTheNation) {
    mBattle->mDate = 4510;
    EXPECT_EQ(ActualSmallArmType(17, 0, false), 15);
    mBattle->mDate = 4511;
    EXPECT_EQ(ActualSmallArmType(17, 0, false), 16);
    mBattle->mDate = 4211;
    EXPECT_EQ(ActualSmallArmType(64, kForceFrench, false), 67);
    EXPECT_EQ(ActualSmallArmType(64, 0, false), 8);
    mBattle->mDate = 4306; // p 49: phased in only from a third of units on
    EXPECT_EQ(ActualSmallArmType(29, 0, false), 24);
    mBattle->mDate = 4310;
    EXPECT_EQ(ActualSmallArmType(30, 0, false), 27);
}

TEST_F(DateRules, ASmallArmDrawsOnePairOnlyWhenRandom) {
    SeedRandomGenerator(99);
    ActualSmallArmType(5, 0, false);
    EXPECT_EQ(GetRandomState(), (SeedRandomGenerator(99), GetRandomState()));
    ActualSmallArmType(5, 0, true);
    const uint32_t afterOne = GetRandomState();
    SeedRandomGenerator(99);
    Random();
    Random();
    EXPECT_EQ(afterOne, GetRandomState());
    // A substitute marked to be substituted again is looked at once more,
    // with a pair of its own.
    SeedRandomGenerator(99);
    mBattle->mDate = 4201;
    EXPECT_EQ(ActualSmallArmType(18, 0, true), 62);
    const uint32_t afterTwo = GetRandomState();
    SeedRandomGenerator(99);
    for (int i = 0; i < 4; ++i)
        Random();
    EXPECT_EQ(afterTwo, GetRandomState());
}

TEST_F(DateRules, ModelsNationsAndArtilleryChangeAtTheirMonths) {
    EXPECT_FALSE(NewModelPhasedIn(4206, 0));
    EXPECT_TRUE(NewModelPhasedIn(4312, 66));
    EXPECT_FALSE(NewModelPhasedIn(4312, 67));
    EXPECT_TRUE(NewModelPhasedIn(4407, 99));
    EXPECT_EQ(StandardRifle(-3), 6); // unknown nations carry the first rifle
    EXPECT_EQ(GetActualModelX(113), 112);
    mBattle->mDate = 4302;
    EXPECT_FALSE(IsEfficientNation(kNationAmerican));
    mBattle->mDate = 4307;
    EXPECT_EQ(GetActualModelX(113), 113);
    EXPECT_TRUE(IsEfficientNation(kNationAmerican));
    EXPECT_EQ(ArtilleryQuality(12, 0), 2); // nations count modulo 10
    mBattle->mDate = 4406;
    EXPECT_EQ(ArtilleryQuality(12, 3901), 3); // the scenario's date decides
    EXPECT_FLOAT_EQ(TimeOnTarget(kNationAmerican, 112, false), 6.0f * 60.0f + 120.0f);
    EXPECT_FLOAT_EQ(TimeOnTarget(kNationGerman, 112, true), 15.0f * 60.0f);
}

TEST_F(DateRules, LeaderSkillsDrawTwoOrThreePairsWithoutBonus) {
    for (int32_t seed = 1; seed < 200; ++seed) {
        SeedRandomGenerator(seed);
        const int32_t s = RandomLeaderSkill(5, 0); // 5 beats every draw of five
        EXPECT_GE(s, 0);
        EXPECT_LE(s, 2);
        const uint32_t state = GetRandomState();
        SeedRandomGenerator(seed);
        for (int i = 0; i < 4; ++i)
            Random();
        ASSERT_EQ(state, GetRandomState());
        SeedRandomGenerator(seed);
        RandomLeaderSkill(0, 0); // never beats a draw: a second skill draw
        const uint32_t three = GetRandomState();
        SeedRandomGenerator(seed);
        for (int i = 0; i < 6; ++i)
            Random();
        ASSERT_EQ(three, GetRandomState());
    }
}

TEST_F(DateRules, RarityCodesByMonthsOfService) {
    char codes[kRarityCodes];
    for (int i = 0; i < kRarityCodes; ++i)
        codes[i] = static_cast<char>(i % 17);
    EXPECT_EQ(MonthIndex(4007), 0);
    EXPECT_EQ(GetRarityFactorCodeX(4301, codes), 5);
    EXPECT_EQ(GetRarityFactorCodeX(4401, codes), 0); // not yet in service
    EXPECT_EQ(GetRarityFactorCodeX(3801, codes), 1); // long in service
    mBattle->mDate = 4505;                           // counts as 4504
    EXPECT_EQ(GetRarityFactorCodeX(4504, codes), 0);
    EXPECT_EQ(GetRarityFactorCodeX(4503, codes), 1);
    gBattle = nullptr;
    EXPECT_EQ(GetRarityFactorCodeX(4301, codes), 1);
    gBattle = mBattle;
    EXPECT_FLOAT_EQ(RarityFactorFromIndex(-4), -3.0f);
    EXPECT_FLOAT_EQ(RarityFactorFromIndex(99), 0.9f);
}

TEST_F(DateRules, DaytimeCyclesThroughTheTurns) {
    EXPECT_EQ(GetDaytimeOfTurn(3, 0, 0), kMidday);
    EXPECT_EQ(GetDaytimeOfTurn(5, 5, 0), kNight);
    EXPECT_EQ(GetDaytimeOfTurn(3, 5, 1), kEvening);
    EXPECT_EQ(GetDaytimeOfTurn(2, 3, 0), kMidday); // too short for evenings
    EXPECT_EQ(GetDaytimeOfTurn(-1, 5, 0), kEvening);
}

TEST_F(DateRules, DatesTimesAndGunNamesInGerman) {
    GString63 t;
    MakeDateString(&t, 4306, true);
    EXPECT_EQ(Text(t), "Juni 1943");
    MakeDateString(&t, 4104, false);
    EXPECT_EQ(Text(t), "April 41");
    MakeDateString(&t, 4313, true);
    EXPECT_EQ(Text(t), " 1943");
    t.IStringText("");
    ConcatTimeString(&t, 45);
    EXPECT_EQ(Text(t), "45 sec");
    t.IStringText("");
    ConcatTimeString(&t, 89);
    EXPECT_EQ(Text(t), "1 min");
    t.IStringText("");
    ConcatTimeString(&t, 90);
    EXPECT_EQ(Text(t), "2 min");
    const std::pair<WeaponType, const char*> guns[] = {{kGun, "75mm L/48"},
                                                       {kBareGun, "7.5mm"},
                                                       {kTwinTubes, "2 x 20mm"},
                                                       {42, "37mm + 75mm"},
                                                       {45, "40mm + 76mm"}};
    for (const auto& g : guns) {
        t.IStringText("");
        ConcatGunNameString(&t, g.first, false);
        EXPECT_EQ(Text(t), g.second);
    }
    t.IStringText("");
    ConcatGunNameString(&t, kTwinTubes, true);
    EXPECT_EQ(Text(t), "2x20mm");
}

TEST_F(DateRules, ArmourBarsRunFromRedToBlue) {
    unsigned char r, g, b;
    ArmorColors(0, 0, 0, &r, &g, &b);
    EXPECT_EQ(r, 255);
    EXPECT_EQ(g, 0);
    EXPECT_EQ(b, 0);
    ArmorColors(400, 0, 0, &r, &g, &b);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(g, 0);
    EXPECT_EQ(b, 255);
    unsigned char r2, g2, b2;
    ArmorColors(80, 0, 0, &r, &g, &b);
    ArmorColors(80, 60, 0, &r2, &g2, &b2); // sloped, the plate rates higher
    EXPECT_LT(r2, r);
}

TEST_F(DateRules, TypicalPenetrationFindsTheThickestPlateDefeated) {
    const float best = GetTypicalPenetration(false, 500.0f, 0, 75.0f, kAmmoAP, kGun);
    ASSERT_GT(best, 0.0f);
    auto defeats = [](float t) {
        bool face = false;
        int32_t h = 0;
        float ratio = 0.0f;
        const float basis =
            ReferencePlateBasis(static_cast<int32_t>(std::lround(t)), 0, 75.0f, kAmmoAP, &face, &h, &ratio);
        return basis <=
               GetPenetration(false, 500.0f, kGun, kAmmoAP, face, h, ratio, nullptr, nullptr, nullptr);
    };
    EXPECT_TRUE(defeats(best));
    EXPECT_FALSE(defeats(best + 2.0f));
    // A round that defeats any plate still ends its search.
    const float any = GetTypicalPenetration(false, 500.0f, 0, 50.0f, kAmmoHE, 257);
    EXPECT_GT(any, 1000.0f);
    EXPECT_LE(any, 10000.0f);
}

TEST_F(DateRules, WeaponValuesOfTheFixedClasses) {
    EXPECT_FLOAT_EQ(GetWeaponVPValue(42, 500, 1, 0, false, 0, false, 1.0f), 46.0f);
    EXPECT_FLOAT_EQ(GetWeaponVPValue(110, 500, 1, 0, false, 0, false, 1.0f), 0.15f * 110.0f);
    EXPECT_FLOAT_EQ(GetWeaponVPValue(111, 500, 1, 0, false, 0, false, 1.0f), 0.1f * 110.0f);
    const float flame = GetWeaponVPValue(kSmallGun, 500, 1, 0, false, 0, false, 1.0f);
    EXPECT_NEAR(flame, 10.0 * 0.038 * (0.0778 + 0.222) * 110.0, 1e-3);
    const float gun = GetWeaponVPValue(kGun, 500, 1, 0, false, 0, false, 1.0f);
    EXPECT_GT(gun, 0.0f);
    EXPECT_TRUE(std::isfinite(gun));
}

} // namespace
