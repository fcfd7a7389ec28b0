// The armour model: slope multipliers, effective armour by location and
// aspect, default hardness, aspect and vertical angle, and where hits land.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "engine/GOLTA.h"
#include "units/Functions.h"
#include "units/vehicle2_fixtures.h"

namespace {

constexpr float kRad = 0.017453292f;

TEST(VehicleSlope, EveryFamilyIsOneHeadOnAndNeverBelowOne) {
    const struct {
        float calibre;
        AmmoClass ammo;
        ShellType shell;
    } kinds[] = {{75, kAmmoAP, 6}, {75, kAmmoAP, 8},       {75, kAmmoHE, 0},  {7, kAmmoAP, 8},
                 {15, kAmmoAP, 8}, {75, kAmmoTungsten, 8}, {88, kAmmoHEAT, 0}};
    for (const auto& k : kinds) {
        EXPECT_FLOAT_EQ(SlopeFactor(k.calibre, 0.0f, 1.0f, false, false, k.ammo, k.shell), 1.0f);
        for (float a = 0; a <= 80; a += 5)
            EXPECT_GE(SlopeFactor(k.calibre, a, 0.7f, false, false, k.ammo, k.shell), 1.0f);
    }
    // Guards: no ratio (no calibre) gives 1; the cosine law at 60 degrees doubles.
    EXPECT_FLOAT_EQ(SlopeFactor(75, 60, 0.0f, false, false, kAmmoAP, 8), 1.0f);
    EXPECT_NEAR(SlopeFactor(75, 60, 1.0f, false, true, kAmmoHEAT, 0), 2.0f, 1e-5);
}

TEST(VehicleSlope, HandWorkedValuesOfEachFamilyAndCalibreBand) {
    // Armour-piercing of the capped family at 45 and 60 degrees, ratio 1 and 2.
    EXPECT_NEAR(SlopeFactor(75, 45, 1.0f, false, false, kAmmoAP, 8), 1.7952011, 1e-5);
    EXPECT_NEAR(SlopeFactor(75, 60, 1.0f, false, false, kAmmoAP, 8), 3.1242340, 1e-5);
    EXPECT_NEAR(SlopeFactor(75, 60, 2.0f, false, false, kAmmoAP75, 9), 3.7633482, 1e-5);
    // The long family of shell types 6 and 7, and its face-hardened mean.
    EXPECT_NEAR(SlopeFactor(75, 30, 0.5f, false, false, kAmmoAP, 6), 1.0069564, 1e-5);
    EXPECT_NEAR(SlopeFactor(75, 30, 0.5f, true, false, kAmmoAP, 6), 1.1075897, 1e-5);
    // Everything else.
    EXPECT_NEAR(SlopeFactor(75, 60, 2.0f, false, false, kAmmoHE, 0), 2.6673838, 1e-5);
    EXPECT_NEAR(SlopeFactor(75, 30, 1.0f, false, false, kAmmoAP, 3), 1.2624405, 1e-5);
    // Small calibres and tungsten take one curve; 14.5 mm is half way to the large rule.
    EXPECT_NEAR(SlopeFactor(7, 30, 1.0f, false, false, kAmmoAP, 8), 1.3895848, 1e-5);
    EXPECT_NEAR(SlopeFactor(75, 60, 1.0f, false, false, kAmmoTungsten, 8), 4.1279896, 1e-4);
    EXPECT_NEAR(SlopeFactor(14.5f, 30, 1.0f, false, false, kAmmoAP, 8), 1.3277719, 1e-5);
}

class VehicleArmor : public ::testing::Test {
protected:
    VehicleArmor() { tank = battle.AddVehicle(kTestTank, kAxis, 50, 50, 0); }
    // Effective armour against a 75 mm round of shell type 8 fired from the bearing.
    float Basis(float bearing, VehicleHitLocation loc, VehicleAspect aspect, bool mean = true,
                int32_t* h = nullptr, bool* face = nullptr, float calibre = 75.0f) {
        const float x = 50 + 500 * std::cos(bearing * kRad), y = 50 + 500 * std::sin(bearing * kRad);
        return tank->CalculateArmorBasis(x, y, tank->GetZ(), false, loc, aspect, true, calibre, kWClassGun,
                                         kAmmoAP, 8, kKnowTruth, face, h, nullptr, mean, nullptr);
    }
    VehicleBattle battle;
    HitTables hit{battle.mTables};
    Vehicle* tank = nullptr;
};

TEST_F(VehicleArmor, PlatesAtFrontSideRearAndTop) {
    EXPECT_FLOAT_EQ(Basis(0, kHitTurret, kAspectFront), 80.0f);
    EXPECT_FLOAT_EQ(Basis(0, kHitUpperHull, kAspectFront), 50.0f);
    EXPECT_FLOAT_EQ(Basis(90, kHitUpperHull, kAspectSide), 30.0f);
    EXPECT_FLOAT_EQ(Basis(180, kHitLowerHull, kAspectRear), 20.0f);
    // A plate sloped 60 degrees struck head-on by a round of its own thickness.
    hit.tables.vehicles[kTestTank].mArmorPlates[1] = {75, 60};
    EXPECT_NEAR(Basis(0, kHitUpperHull, kAspectFront), 75.0f * 3.1242340f, 1e-3);
    // Struck 30 degrees off the side, an upright side plate leans 30 degrees away.
    EXPECT_NEAR(Basis(60, kHitUpperHull, kAspectSide),
                30.0f * SlopeFactor(75, 30, 0.4f, false, false, kAmmoAP, 8), 1e-3);
    // Roof from straight above: the plate faces the shell.
    const float roof = tank->CalculateArmorBasis(50, 50, tank->GetZ() + 100, true, kHitTurretRoof,
                                                 kAspectFront, true, 75, kWClassGun, kAmmoAP, 8, kKnowTruth,
                                                 nullptr, nullptr, nullptr, true, nullptr);
    EXPECT_FLOAT_EQ(roof, 10.0f);
    // Open armour is no armour.
    hit.tables.vehicles[kTestTank].mRoofArmorB = 0;
    EXPECT_FLOAT_EQ(tank->CalculateArmorBasis(50, 50, 200, true, kHitHullDeck, kAspectFront, true, 75,
                                              kWClassGun, kAmmoAP, 8, kKnowTruth, nullptr, nullptr, nullptr,
                                              true, nullptr),
                    0.0f);
}

TEST_F(VehicleArmor, DefaultHardnessByDateAndGroup) {
    int32_t h = 0;
    bool face = false;
    battle.mBattle.mDate = 4306; // group 1, 1943: 80 mm is 266 + 43, 40 mm is face-hardened 278 + 46
    Basis(0, kHitTurret, kAspectFront, true, &h, &face);
    EXPECT_EQ(h, 266 + 21);
    EXPECT_FALSE(face);
    Basis(90, kHitTurret, kAspectSide, true, &h, &face);
    EXPECT_EQ(h, 278 + 23);
    EXPECT_TRUE(face);
    battle.mBattle.mDate = 4110; // early war 80 mm plate: 285 + 46
    Basis(0, kHitTurret, kAspectFront, true, &h, &face);
    EXPECT_EQ(h, 285 + 23);
    battle.mBattle.mDate = 4502; // from 1945: 252 + 43, and no plate is face-hardened any more
    Basis(0, kHitTurret, kAspectFront, true, &h, &face);
    EXPECT_EQ(h, 252 + 21);
    Basis(90, kHitTurret, kAspectSide, true, &h, &face);
    EXPECT_FALSE(face);
    // Group 2 by its look-alike type, a lesser quality trimming the base; group 3 by index.
    hit.tables.vehicles[kTestTank].mLookAlikeType = 44;
    Basis(0, kHitTurret, kAspectFront, true, &h);
    EXPECT_EQ(h, 240 + 10);
    hit.tables.vehicles[kTestTank].mArmorQuality = 1;
    Basis(0, kHitTurret, kAspectFront, true, &h);
    EXPECT_EQ(h, 216 + 10);
    hit.tables.vehicles[300] = hit.tables.vehicles[kTestTank];
    hit.tables.vehicles[300].mLookAlikeType = 0;
    Vehicle* other = battle.AddVehicle(300, kAllies, 80, 80);
    other->CalculateArmorBasis(80, 580, 0, false, kHitTurret, kAspectFront, true, 75, kWClassGun, kAmmoAP, 8,
                               kKnowTruth, nullptr, &h, nullptr, true, nullptr);
    EXPECT_EQ(h, 262 + 30);
    // Stored hardness wins; -1 asks for a face-hardened derived value.
    hit.tables.vehicles[kTestTank].mLookAlikeType = 0;
    hit.tables.vehicles[kTestTank].mHasHardness = 1;
    hit.tables.vehicles[kTestTank].mPlateHardness[0] = 330;
    hit.tables.vehicles[kTestTank].mPlateHardness[3] = -1;
    Basis(0, kHitTurret, kAspectFront, true, &h, &face);
    EXPECT_EQ(h, 330);
    EXPECT_FALSE(face);
    Basis(90, kHitTurret, kAspectSide, true, &h, &face);
    EXPECT_EQ(h, 278 + 23);
    EXPECT_TRUE(face);
}

TEST_F(VehicleArmor, MeanModeDrawsNothingAndCountsSkirtsFromHalfChance) {
    VehicleData& d = hit.tables.vehicles[kTestTank];
    d.mSkirtKind = 1;
    d.mCurvedPlateChance = 100;
    SeedRandomGenerator(77);
    const float side = Basis(90, kHitLowerHull, kAspectSide);
    EXPECT_EQ(GetRandomState(), 77u);
    // Kind 1 on the lower hull: weight 0.67, p = 0.536 >= 0.45; 3 x the slope factor (1) is added.
    EXPECT_FLOAT_EQ(side, 33.0f);
    d.mSkirtKind = 5; // p = 0.264: left out
    EXPECT_FLOAT_EQ(Basis(90, kHitLowerHull, kAspectSide), 30.0f);
    // Drawn, the same hit spends draws and may differ.
    Basis(90, kHitLowerHull, kAspectSide, false);
    EXPECT_NE(GetRandomState(), 77u);
}

TEST_F(VehicleArmor, ReferencePlateGivesTheDisplayValues) {
    bool face = true;
    int32_t h = 0;
    float ratio = 0;
    const uint32_t before = GetRandomState();
    const float b = ReferencePlateBasis(80, 0, 40.0f, kAmmoAP, &face, &h, &ratio);
    EXPECT_EQ(GetRandomState(), before);
    EXPECT_FLOAT_EQ(b, 80.0f);
    EXPECT_FLOAT_EQ(ratio, 2.0f);
    EXPECT_EQ(h, 262 + 30); // the reference type stands outside both national groups
    EXPECT_FALSE(face);
    // 80 mm at 45 degrees rates 143.6 mm: a rating of 7.07, just into blue.
    unsigned char r = 9, g = 0, bl = 0;
    ArmorColors(80, 45, 0, &r, &g, &bl);
    EXPECT_EQ(r, 0);
    EXPECT_NEAR(g, 124, 1);
    EXPECT_NEAR(bl, 6, 1);
}

TEST_F(VehicleArmor, AspectAndVerticalAngle) {
    float chance = -1;
    EXPECT_EQ(tank->DetermineAttackAspect(60, 51, false, true, &chance), kAspectFront);
    EXPECT_FLOAT_EQ(chance, 0.0f);
    EXPECT_EQ(tank->DetermineAttackAspect(50, 60, false, true, &chance), kAspectSide);
    EXPECT_FLOAT_EQ(chance, 1.0f);
    EXPECT_EQ(tank->DetermineAttackAspect(40, 51, false, true, &chance), kAspectRear);
    // 45 degrees off the front: mixed band, chance 45/70; 30 degrees: (30 - 20)/30.
    EXPECT_EQ(tank->DetermineAttackAspect(60, 60, false, true, &chance), kAspectFront);
    EXPECT_NEAR(chance, 45.0f / 70.0f, 1e-5);
    tank->DetermineAttackAspect(50 + 10 * std::cos(150 * kRad), 50 + 10 * std::sin(150 * kRad), false, true,
                                &chance);
    EXPECT_NEAR(chance, 1.0f / 3.0f, 1e-4);
    EXPECT_EQ(tank->DetermineAttackAspect(40, 60, false, false, nullptr), kAspectRear); // coarse: never side

    const float z = tank->GetZ();
    EXPECT_NEAR(tank->VerticalAngle(60, 50, z + 10), 45.0f, 1e-4);
    EXPECT_NEAR(tank->VerticalAngle(50, 50, z + 5), 90.0f, 1e-4);
    EXPECT_NEAR(tank->VerticalAngle(60, 50, z - 10), -45.0f, 1e-4);
    tank->mHullPitch = 10; // nose up: a shot from ahead meets the plate lower, from behind higher
    EXPECT_NEAR(tank->VerticalAngle(60, 50, z + 10), 35.0f, 1e-4);
    EXPECT_NEAR(tank->VerticalAngle(40, 50, z + 10), 55.0f, 1e-4);
    tank->mHullPitch = 0;
    tank->mHullRoll = 10;
    EXPECT_NEAR(tank->VerticalAngle(50, 60, z + 10), 35.0f, 1e-4);
}

TEST_F(VehicleArmor, HitLocationProportions) {
    SeedRandomGenerator(1234);
    const float z = tank->GetZ();
    PendingAttack above = MakeAttack(50, 50, z + 300);
    int roof = 0, deck = 0, other = 0;
    for (int i = 0; i < 3000; ++i) {
        const VehicleHitLocation l = tank->DetermineHitLocation(false, false, 0.0f, true, 0.5f, &above);
        roof += l == kHitTurretRoof;
        deck += l == kHitHullDeck;
        other += l != kHitTurretRoof && l != kHitHullDeck;
    }
    EXPECT_EQ(other, 0);
    EXPECT_NEAR(roof / 3000.0, 1.0 / 3.0, 0.03);
    EXPECT_NEAR(deck / 3000.0, 2.0 / 3.0, 0.03);

    int counts[7] = {};
    for (int i = 0; i < 4000; ++i)
        ++counts[tank->DetermineHitLocation(false, false, 1.0f, true, 0.5f, nullptr)];
    EXPECT_NEAR(counts[kHitTurret] / 4000.0, 0.30, 0.03);
    EXPECT_NEAR(counts[kHitLowerHull] / 4000.0, 0.12, 0.02);
    EXPECT_NEAR(counts[kHitGun] / 4000.0, 0.02, 0.01);
    // Hull-down or dug in: no lower hull, no running gear; a hidden gun is never struck.
    int hidden[7] = {};
    for (int i = 0; i < 2000; ++i)
        ++hidden[tank->DetermineHitLocation(false, true, 1.0f, false, 0.5f, nullptr)];
    EXPECT_EQ(hidden[kHitLowerHull] + hidden[kHitRunningGear] + hidden[kHitGun], 0);
    EXPECT_NEAR(hidden[kHitTurret] / 2000.0, 70.0 / 95.0, 0.03);
    tank->mDugIn = true;
    for (int i = 0; i < 500; ++i) {
        const VehicleHitLocation l = tank->DetermineHitLocation(false, false, 0.0f, true, 0.5f, nullptr);
        EXPECT_TRUE(l == kHitTurret || l == kHitUpperHull || l == kHitGun);
    }
    // High explosive, dug in: a tenth of hits strike the gun.
    int gun = 0;
    for (int i = 0; i < 3000; ++i)
        gun += tank->DetermineHitLocation(true, false, 0.0f, true, 0.5f, nullptr) == kHitGun;
    EXPECT_NEAR(gun / 3000.0, 0.1 + 0.9 * 0.05, 0.02);
}

} // namespace
