// Whether a round goes through: the weak-spot chance by where the round
// strikes and by what, the partial-penetration threshold by plate hardness,
// open plates, and the hit-location table of vehicles without a turret.
// Every expected value below is worked out from the rules, not read back
// from the code under test; the random draws are predicted by replaying
// the generator from the same seed.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "engine/GOLTA.h"
#include "units/Functions.h"
#include "units/vehicle2_fixtures.h"

namespace {

class VehiclePenetration : public ::testing::Test {
protected:
    VehiclePenetration() {
        VehicleData& d = battle.mTables.vehicles[kTestTank];
        d.mCurvedPlateChance = 0;
        d.mSkirtKind = 0;
        d.mArmorQuality = 0;
        d.mFlags = 0;
        tank = battle.AddVehicle(kTestTank, kAxis, 50, 50, 0);
        tank->mHeading = 0.0f;
    }
    VehicleData& Record() { return battle.mTables.vehicles[kTestTank]; }

    // An attack from 500 m straight ahead of the hull, at the tank's height.
    PendingAttack Ahead(AmmoClass ammo = kAmmoAP) {
        const float x = tank->mX + 500.0f * std::cos(tank->mHeading * 0.017453292f);
        const float y = tank->mY + 500.0f * std::sin(tank->mHeading * 0.017453292f);
        return MakeAttack(x, y, tank->GetZ(), kTestGun, ammo);
    }

    // The weak-spot draw (0..999) that DeterminePenetration makes from this
    // seed: the armour sum before it draws exactly as here.
    int32_t WeakSpotDraw(uint32_t seed, PendingAttack& a, VehicleHitLocation loc, VehicleAspect aspect,
                         float* armour, double* fraction) {
        SeedRandomGenerator(seed);
        bool face = false;
        int32_t h = 0;
        float ratio = 0.0f;
        const ShellType shell = gAmmoData[AmmoTypeInUse(0, a.mWeaponType, a.mAmmoClass, nullptr)].mShellType;
        *armour = tank->CalculateArmorBasis(a.mOriginX, a.mOriginY, a.mOriginZ, true, loc, aspect, true, 75.0f,
                                            a.mWeaponClass, a.mAmmoClass, shell, kKnowTruth, &face, &h, &ratio,
                                            false, nullptr);
        const int32_t draw = static_cast<int32_t>(RandomPick(1000));
        *fraction = RandomFraction();
        return draw;
    }

    // Looks for seeds whose weak-spot draw is chance − 1 (a weak spot) and
    // chance (none), and checks both; with a weak spot the armour is cut to
    // (low + 0.2 × the next uniform draw) of itself.
    void ExpectWeakSpotChance(PendingAttack a, VehicleHitLocation loc, VehicleAspect aspect, int32_t chance,
                              double low, const char* what) {
        bool seenInside = false, seenOutside = chance == 0;
        for (uint32_t seed = 1; seed < 400000 && !(seenInside && seenOutside); ++seed) {
            float armour = 0.0f;
            double fraction = 0.0;
            const int32_t draw = WeakSpotDraw(seed, a, loc, aspect, &armour, &fraction);
            const bool inside = draw == chance - 1;
            const bool outside = draw == chance;
            if (!(inside && !seenInside) && !(outside && !seenOutside)) continue;
            gArmorHitReport.Clear();
            SeedRandomGenerator(seed);
            float t = 0.0f;
            tank->DeterminePenetration(&a, loc, aspect, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                       nullptr, nullptr, &t);
            if (inside) {
                seenInside = true;
                EXPECT_TRUE(gArmorHitReport.mWeakSpotHit) << what << ": draw " << draw;
                EXPECT_NEAR(t, armour * (low + 0.2 * fraction), 1e-3 * armour) << what;
            } else {
                seenOutside = true;
                EXPECT_FALSE(gArmorHitReport.mWeakSpotHit) << what << ": draw " << draw;
                EXPECT_NEAR(t, armour, 1e-4 * armour) << what;
            }
        }
        EXPECT_TRUE(seenInside && seenOutside) << what << ": no seed gave the draws around " << chance;
    }

    VehicleBattle battle;
    HitTables hit{battle.mTables};
    Vehicle* tank = nullptr;
};

// Per thousand: 100 from the air or on the hull deck; 60 for high explosive;
// 60 on the front of a turret with a shot trap; 40 on the turret roof;
// otherwise 8. The first rule that applies decides.
TEST_F(VehiclePenetration, WeakSpotChancePerThousandByWhereAndWhatStrikes) {
    PendingAttack ap = Ahead();
    ExpectWeakSpotChance(ap, kHitUpperHull, kAspectFront, 8, 0.6, "upper hull, front");
    ExpectWeakSpotChance(ap, kHitTurret, kAspectFront, 8, 0.6, "turret front without a shot trap");
    ExpectWeakSpotChance(ap, kHitTurretRoof, kAspectFront, 40, 0.6, "turret roof");
    ExpectWeakSpotChance(ap, kHitHullDeck, kAspectFront, 100, 0.6, "hull deck");
    PendingAttack air = ap;
    air.mFromAircraft = true;
    ExpectWeakSpotChance(air, kHitUpperHull, kAspectFront, 100, 0.6, "from the air");
    ExpectWeakSpotChance(air, kHitTurretRoof, kAspectFront, 100, 0.6, "from the air on the roof");
    PendingAttack he = Ahead(kAmmoHE);
    ExpectWeakSpotChance(he, kHitUpperHull, kAspectFront, 60, 0.4, "high explosive");
    ExpectWeakSpotChance(he, kHitTurretRoof, kAspectFront, 60, 0.4, "high explosive on the roof");
    ExpectWeakSpotChance(he, kHitHullDeck, kAspectFront, 100, 0.4, "high explosive on the deck");
    Record().mFlags = kVShotTrap;
    ExpectWeakSpotChance(ap, kHitTurret, kAspectFront, 60, 0.6, "turret front with a shot trap");
    ExpectWeakSpotChance(ap, kHitTurret, kAspectSide, 8, 0.6, "turret side with a shot trap");
    ExpectWeakSpotChance(ap, kHitUpperHull, kAspectFront, 8, 0.6, "hull front with a shot trap");
}

// An open plate (0 mm) lets every round through: the ratio reads 999 and
// nothing counts as a partial penetration.
TEST_F(VehiclePenetration, OpenPlateAlwaysPenetratesWithRatio999) {
    Record().mRoofArmorA = 0;
    PendingAttack a = Ahead();
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        SeedRandomGenerator(seed);
        bool partial = true;
        float strength = -1.0f, ratio = 0.0f, t = -1.0f;
        EXPECT_TRUE(tank->DeterminePenetration(&a, kHitTurretRoof, kAspectFront, nullptr, &partial, &strength,
                                               &ratio, nullptr, nullptr, nullptr, nullptr, &t));
        EXPECT_EQ(t, 0.0f);
        EXPECT_EQ(ratio, 999.0f);
        EXPECT_FALSE(partial);
        EXPECT_EQ(strength, 0.0f);
    }
}

// A round goes through when its penetration reaches the armour (pen ≥ T);
// below the armour but at least q × T it is a partial penetration of
// strength 2 (pen/T − q)/(1 − q), where q is 0.93 up to hardness 240,
// 1.136 − 0.0008571 H up to 450 and 0.75 from 450, × 0.9 for armour
// quality 2 or 3 and × 0.55 for quality 6. Plates of every thickness from
// 1 to 300 mm cross both edges.
TEST_F(VehiclePenetration, PartialPenetrationThresholdByHardnessAndQuality) {
    struct Case {
        int16_t hardness;
        int32_t quality;
        double q;
    };
    const Case cases[] = {
        {200, 0, 0.93},
        {240, 0, 0.93},
        {300, 0, 1.136 - 0.0008571 * 300}, // 0.878870
        {449, 0, 1.136 - 0.0008571 * 449}, // 0.751162
        {450, 0, 0.75},
        {500, 0, 0.75},
        {240, 2, 0.93 * 0.9},
        {240, 3, 0.93 * 0.9},
        {240, 6, 0.93 * 0.55},
        {240, 1, 0.93},
    };
    PendingAttack a = Ahead();
    VehicleData& d = Record();
    d.mHasHardness = 1;
    const int32_t slot = kAspectFront * 3 + kHitUpperHull;
    for (const Case& c : cases) {
        d.mPlateHardness[slot] = c.hardness;
        d.mArmorQuality = c.quality;
        int32_t through = 0, partials = 0, stopped = 0;
        for (int16_t mm = 1; mm <= 300; ++mm) {
            d.mArmorPlates[slot] = {mm, 0};
            gArmorHitReport.Clear();
            SeedRandomGenerator(77);
            bool partial = false;
            float strength = 0.0f, ratio = 0.0f, t = 0.0f;
            int32_t h = 0;
            const bool pen = tank->DeterminePenetration(&a, kHitUpperHull, kAspectFront, nullptr, &partial,
                                                        &strength, &ratio, nullptr, nullptr, &h, nullptr, &t);
            ASSERT_EQ(h, c.hardness);
            if (gArmorHitReport.mWeakSpotHit) continue;
            EXPECT_EQ(pen, ratio >= 1.0f) << mm << " mm";
            const bool wantPartial = ratio < 1.0f && ratio >= c.q;
            // Within float rounding of the edge either answer is right.
            if (std::fabs(ratio - c.q) > 1e-4) {
                EXPECT_EQ(partial, wantPartial) << "hardness " << c.hardness << ", quality " << c.quality
                                                << ", " << mm << " mm, pen/T " << ratio;
            }
            if (partial) {
                EXPECT_NEAR(strength, 2.0 * (ratio - c.q) / (1.0 - c.q), 1e-3);
            } else {
                EXPECT_EQ(strength, 0.0f);
            }
            through += pen;
            partials += partial;
            stopped += !pen && !partial;
        }
        // The plates of 1 to 300 mm reach both sides of both edges.
        EXPECT_GT(through, 0) << c.hardness;
        EXPECT_GT(partials, 0) << c.hardness;
        EXPECT_GT(stopped, 0) << c.hardness;
    }
}

// Hollow charge never partly penetrates; it goes through or stops.
TEST_F(VehiclePenetration, HollowChargeIsNeverAPartialPenetration) {
    PendingAttack a = Ahead(kAmmoHEAT);
    VehicleData& d = Record();
    const int32_t slot = kAspectFront * 3 + kHitUpperHull;
    for (int16_t mm = 1; mm <= 300; ++mm) {
        d.mArmorPlates[slot] = {mm, 0};
        SeedRandomGenerator(5);
        bool partial = true;
        tank->DeterminePenetration(&a, kHitUpperHull, kAspectFront, nullptr, &partial, nullptr, nullptr,
                                   nullptr, nullptr, nullptr, nullptr, nullptr);
        EXPECT_FALSE(partial) << mm;
    }
}

// Without a turret, undisturbed: 0..74 upper hull, 75..89 lower hull,
// 90..97 running gear, 98..99 gun. Dug in or hull down: 0..93 upper hull,
// 94..99 gun. With a turret, undisturbed: 0..29 turret, 30..77 upper hull,
// 78..89 lower hull, 90..97 running gear, 98..99 gun; covered: 0..69
// turret, 70..94 upper hull, 95..99 gun. A side chance of 1 accepts every
// running-gear result and an exposed gun every gun result, so the first
// draw decides; every value 0..99 is reached.
TEST_F(VehiclePenetration, HitLocationTableByTurretAndCover) {
    auto turretless = [](int32_t u) {
        return u <= 74 ? kHitUpperHull : u <= 89 ? kHitLowerHull : u <= 97 ? kHitRunningGear : kHitGun;
    };
    auto turretlessCovered = [](int32_t u) { return u <= 93 ? kHitUpperHull : kHitGun; };
    auto turreted = [](int32_t u) {
        return u <= 29   ? kHitTurret
               : u <= 77 ? kHitUpperHull
               : u <= 89 ? kHitLowerHull
               : u <= 97 ? kHitRunningGear
                         : kHitGun;
    };
    auto turretedCovered = [](int32_t u) { return u <= 69 ? kHitTurret : u <= 94 ? kHitUpperHull : kHitGun; };
    struct Case {
        uint8_t turretArmour;
        bool dugIn, hullDown;
        std::function<VehicleHitLocation(int32_t)> table;
        const char* what;
    };
    const Case cases[] = {
        {0, false, false, turretless, "no turret"},
        {0, false, true, turretlessCovered, "no turret, hull down"},
        {0, true, false, turretlessCovered, "no turret, dug in"},
        {1, false, false, turreted, "turret"},
        {1, false, true, turretedCovered, "turret, hull down"},
        {1, true, false, turretedCovered, "turret, dug in"},
    };
    for (const Case& c : cases) {
        Record().mHasTurretArmor = c.turretArmour;
        tank->mDugIn = c.dugIn;
        bool seen[100] = {};
        int32_t count = 0;
        for (uint32_t seed = 1; seed < 20000 && count < 100; ++seed) {
            SeedRandomGenerator(seed);
            const int32_t u = static_cast<int32_t>(RandomPick(100));
            SeedRandomGenerator(seed);
            const VehicleHitLocation loc = tank->DetermineHitLocation(false, c.hullDown, 1.0f, true, 0.5f, nullptr);
            EXPECT_EQ(loc, c.table(u)) << c.what << ", u " << u;
            if (!seen[u]) {
                seen[u] = true;
                ++count;
            }
        }
        EXPECT_EQ(count, 100) << c.what;
    }
    tank->mDugIn = false;
}

// A running-gear result stands only when (side chance + 1) × 0.5 exceeds a
// further uniform draw; a hidden gun is never struck: the table draws again.
TEST_F(VehiclePenetration, RunningGearNeedsTheSideDrawAndAHiddenGunIsDrawnAgain) {
    Record().mHasTurretArmor = 0;
    int32_t gear = 0, redrawn = 0;
    for (uint32_t seed = 1; seed < 4000; ++seed) {
        SeedRandomGenerator(seed);
        const int32_t u = static_cast<int32_t>(RandomPick(100));
        const double f = RandomFraction();
        if (u < 90) continue;
        SeedRandomGenerator(seed);
        // Side chance 0.2: the gear stands when 0.6 > f.
        const VehicleHitLocation loc = tank->DetermineHitLocation(false, false, 0.2f, false, 0.5f, nullptr);
        if (u <= 97 && f < 0.6) {
            EXPECT_EQ(loc, kHitRunningGear) << "u " << u << ", f " << f;
            ++gear;
        } else {
            // Refused gear or a hidden gun: another draw, never the gun.
            EXPECT_NE(loc, kHitGun);
            ++redrawn;
        }
    }
    EXPECT_GT(gear, 0);
    EXPECT_GT(redrawn, 0);
}

// Fine aspect by the angle a off the hull's front: front up to 20, side from
// 70 to 110, rear from 160; between, the nearer end with a side chance of
// (b − 20)/30 up to b = 35 and b/70 beyond, b being a or 180 − a. Coarse:
// front up to 90, else rear, never side.
TEST_F(VehiclePenetration, AspectBandsAndSideChanceOnBothSidesOfEachEdge) {
    auto at = [&](float degrees, bool fine, float* chance) {
        const float x = tank->mX + 500.0f * std::cos(degrees * 0.017453292f);
        const float y = tank->mY + 500.0f * std::sin(degrees * 0.017453292f);
        return tank->DetermineAttackAspect(x, y, false, fine, chance);
    };
    struct Case {
        float a;
        VehicleAspect aspect;
        double chance;
    };
    const Case cases[] = {
        {0.0f, kAspectFront, 0.0},          {19.5f, kAspectFront, 0.0},
        {20.5f, kAspectFront, 0.5 / 30.0},  {34.0f, kAspectFront, 14.0 / 30.0},
        {36.0f, kAspectFront, 36.0 / 70.0}, {69.5f, kAspectFront, 69.5 / 70.0},
        {70.5f, kAspectSide, 1.0},          {90.0f, kAspectSide, 1.0},
        {109.5f, kAspectSide, 1.0},         {110.5f, kAspectRear, 69.5 / 70.0},
        {144.0f, kAspectRear, 36.0 / 70.0}, {146.0f, kAspectRear, 14.0 / 30.0},
        {159.5f, kAspectRear, 0.5 / 30.0},  {160.5f, kAspectRear, 0.0},
        {-45.0f, kAspectFront, 45.0 / 70.0}, {-100.0f, kAspectSide, 1.0},
    };
    for (const Case& c : cases) {
        float chance = -1.0f;
        EXPECT_EQ(at(c.a, true, &chance), c.aspect) << c.a;
        EXPECT_NEAR(chance, c.chance, 1e-3) << c.a;
    }
    EXPECT_EQ(at(89.5f, false, nullptr), kAspectFront);
    EXPECT_EQ(at(90.5f, false, nullptr), kAspectRear);
    EXPECT_EQ(at(20.5f, false, nullptr), kAspectFront);
}

// Plunging fire: from a vertical angle v of 15 degrees or more, the round
// strikes the top when a uniform draw is below
// p = (1 − cos d / (3 sin d + cos d)) × 1.0894, d = v − 15 in radians; then
// the turret roof when draw mod 3 is 0, else the hull deck. Below 15 degrees
// no draw is spent on it and the table decides.
TEST_F(VehiclePenetration, TopHitChanceFromFifteenDegreesUp) {
    Record().mHasTurretArmor = 1;
    auto attackAt = [&](double v) {
        const double h = 100.0 * std::tan(v * 0.017453292519943295);
        return MakeAttack(tank->mX + 100.0f, tank->mY, tank->GetZ() + static_cast<float>(h));
    };
    for (double v : {20.0, 35.0, 60.0}) {
        const double d = (v - 15.0) * 0.017453292519943295;
        const double p = (1.0 - std::cos(d) / (3.0 * std::sin(d) + std::cos(d))) * 1.0894;
        PendingAttack a = attackAt(v);
        int32_t top = 0, other = 0;
        for (uint32_t seed = 1; seed <= 300; ++seed) {
            SeedRandomGenerator(seed);
            const double u = RandomFraction();
            const bool roof = RandomPick(3) == 0;
            if (std::fabs(u - p) < 1e-4) continue; // too close to call in float
            SeedRandomGenerator(seed);
            const VehicleHitLocation loc = tank->DetermineHitLocation(false, false, 1.0f, true, 0.5f, &a);
            if (u < p) {
                EXPECT_EQ(loc, roof ? kHitTurretRoof : kHitHullDeck) << v << " degrees, seed " << seed;
                ++top;
            } else {
                EXPECT_NE(loc, kHitTurretRoof) << v << " degrees, seed " << seed;
                EXPECT_NE(loc, kHitHullDeck) << v << " degrees, seed " << seed;
                ++other;
            }
        }
        EXPECT_GT(top, 0) << v;
        EXPECT_GT(other, 0) << v;
    }
    // Just below 15 degrees the first draw goes to the table.
    PendingAttack low = attackAt(14.5);
    for (uint32_t seed = 1; seed <= 100; ++seed) {
        SeedRandomGenerator(seed);
        const int32_t u = static_cast<int32_t>(RandomPick(100));
        SeedRandomGenerator(seed);
        const VehicleHitLocation loc = tank->DetermineHitLocation(false, false, 1.0f, true, 0.5f, &low);
        const VehicleHitLocation want = u <= 29   ? kHitTurret
                                        : u <= 77 ? kHitUpperHull
                                        : u <= 89 ? kHitLowerHull
                                        : u <= 97 ? kHitRunningGear
                                                  : kHitGun;
        EXPECT_EQ(loc, want) << "seed " << seed;
    }
}

// High explosive strikes the running gear or the gun when draw mod 10 is 0:
// the gun when the next draw mod 5 is 0, else the running gear; a dug-in
// vehicle always on the gun.
TEST_F(VehiclePenetration, HighExplosiveStrikesRunningGearOrGunOnATenth) {
    int32_t tenth = 0;
    for (uint32_t seed = 1; seed <= 400; ++seed) {
        SeedRandomGenerator(seed);
        const bool low = RandomPick(10) == 0;
        const bool gun = RandomPick(5) == 0;
        if (!low) continue;
        ++tenth;
        SeedRandomGenerator(seed);
        EXPECT_EQ(tank->DetermineHitLocation(true, false, 1.0f, true, 0.5f, nullptr),
                  gun ? kHitGun : kHitRunningGear)
            << seed;
        SeedRandomGenerator(seed);
        EXPECT_EQ(tank->DetermineHitLocation(true, true, 1.0f, true, 0.5f, nullptr), kHitGun) << seed;
    }
    EXPECT_GT(tenth, 10);
}

// Default hardness (mean mode: base + spread / 2) of the turret's front plate
// of thickness t, and its face-hardened flag.
int32_t MeanHardness(Vehicle* v, VehicleData& d, int16_t t, bool* face = nullptr) {
    d.mArmorPlates[0] = {t, 0};
    d.mAddedPlates[0] = 0;
    int32_t h = -1;
    bool f = false;
    v->CalculateArmorBasis(v->mX + 500.0f, v->mY, v->GetZ(), false, kHitTurret, kAspectFront, true, 75.0f,
                           kWClassGun, kAmmoAP, 8, kKnowTruth, &f, &h, nullptr, true, nullptr);
    if (face) *face = f;
    return h;
}

// Group 1 (type index below 220), by thickness and the battle's date.
TEST_F(VehiclePenetration, DefaultHardnessOfGroupOneByThicknessAndDate) {
    struct Row {
        int16_t t;
        int32_t h[6]; // dates 4112, 4201, 4212, 4301, 4412, 4413
    };
    const Row rows[] = {
        {15, {445, 445, 445, 445, 445, 445}}, {16, {334, 331, 331, 331, 331, 331}},
        {30, {334, 331, 331, 331, 331, 331}}, {31, {340, 331, 331, 301, 301, 301}},
        {50, {340, 331, 331, 301, 301, 301}}, {51, {308, 308, 308, 287, 287, 273}},
        {80, {308, 308, 308, 287, 287, 273}}, {81, {288, 288, 288, 243, 243, 243}},
        {120, {288, 288, 288, 243, 243, 243}}, {121, {288, 283, 283, 243, 243, 243}},
    };
    const int32_t dates[6] = {4112, 4201, 4212, 4301, 4412, 4413};
    for (const Row& r : rows)
        for (int32_t i = 0; i < 6; ++i) {
            battle.mBattle.mDate = dates[i];
            EXPECT_EQ(MeanHardness(tank, Record(), r.t), r.h[i]) << r.t << " mm, " << dates[i];
        }
    // Without stored hardness, 30 to 50 mm plates are face-hardened up to 4412.
    for (int32_t date : {4306, 4412, 4413}) {
        battle.mBattle.mDate = date;
        for (int16_t t : {29, 30, 50, 51}) {
            bool face = false;
            MeanHardness(tank, Record(), t, &face);
            EXPECT_EQ(face, date <= 4412 && t >= 30 && t <= 50) << t << " mm, " << date;
        }
    }
}

// Group 2 (type index 220 to 282, or look-alike type 42 to 46) by thickness,
// the base cut to nine tenths (truncated) for an armour quality other than
// 0; group 3 (every other type) by thickness.
TEST_F(VehiclePenetration, DefaultHardnessOfGroupsTwoAndThreeByThickness) {
    struct Row {
        int16_t t;
        int32_t h, hQuality;
    };
    const Row groupTwo[] = {
        {19, 355, 323}, {20, 330, 299}, {29, 330, 299}, {30, 300, 272}, {42, 300, 272}, {43, 275, 249},
        {56, 275, 249}, {57, 258, 234}, {69, 258, 234}, {70, 250, 226}, {127, 250, 226}, {128, 220, 198},
    };
    battle.mBattle.mDate = 4306;
    for (int32_t lookAlike : {42, 46}) {
        Record().mLookAlikeType = lookAlike;
        for (const Row& r : groupTwo) {
            Record().mArmorQuality = 0;
            EXPECT_EQ(MeanHardness(tank, Record(), r.t), r.h) << "look-alike " << lookAlike << ", " << r.t;
            Record().mArmorQuality = 1;
            EXPECT_EQ(MeanHardness(tank, Record(), r.t), r.hQuality) << "look-alike " << lookAlike << ", " << r.t;
        }
    }
    Record().mArmorQuality = 0;
    Record().mLookAlikeType = 41; // outside the look-alike range: group 1
    EXPECT_EQ(MeanHardness(tank, Record(), 19), 331); // 309 + 22 in 1943
    Record().mLookAlikeType = 47;
    EXPECT_EQ(MeanHardness(tank, Record(), 19), 331);
    Record().mLookAlikeType = 0;

    const Row groupThree[] = {{30, 365, 365}, {31, 292, 292}, {80, 292, 292},
                              {81, 279, 279}, {120, 279, 279}, {121, 263, 263}};
    struct ByIndex {
        VehicleType type;
        int32_t group;
    };
    for (const ByIndex& b : {ByIndex{219, 1}, ByIndex{220, 2}, ByIndex{282, 2}, ByIndex{283, 3}, ByIndex{300, 3}}) {
        VehicleData& d = battle.mTables.vehicles[b.type];
        d = Record();
        Vehicle* v = battle.AddVehicle(b.type, kAllies, 300, 300, 0);
        v->mHeading = 0.0f;
        const int32_t h = MeanHardness(v, d, 40);
        EXPECT_EQ(h, b.group == 1 ? 301 : b.group == 2 ? 300 : 292) << "type " << b.type;
        if (b.group == 3)
            for (const Row& r : groupThree)
                EXPECT_EQ(MeanHardness(v, d, r.t), r.h) << "type " << b.type << ", " << r.t;
    }
}

// Skirts and spaced plates in mean mode count when their weight × 0.8 is at
// least 0.45. Weights: turret, any aspect, kinds 1 and 2: 0.9; hull sides,
// upper hull: kind 1 1.0, 4 0.3, 6 0.9; lower hull: kinds 1, 4, 6 0.67,
// 3 0.85, 5 0.33, 7 0.4; otherwise 0. A counted skirt adds 3 × the slope
// factor (1 here) against armour-piercing shot and doubles the armour against
// high explosive.
TEST_F(VehiclePenetration, SkirtsCountInMeanModeByKindAndPlace) {
    auto basis = [&](float bearing, VehicleHitLocation loc, VehicleAspect aspect, AmmoClass ammo) {
        const float x = tank->mX + 500.0f * std::cos(bearing * 0.017453292f);
        const float y = tank->mY + 500.0f * std::sin(bearing * 0.017453292f);
        return tank->CalculateArmorBasis(x, y, tank->GetZ(), false, loc, aspect, true, 75.0f, kWClassGun, ammo,
                                         8, kKnowTruth, nullptr, nullptr, nullptr, true, nullptr);
    };
    struct Place {
        float bearing;
        VehicleHitLocation loc;
        VehicleAspect aspect;
        bool counts[8]; // kinds 0..7
    };
    const Place places[] = {
        {90.0f, kHitUpperHull, kAspectSide, {false, true, false, false, false, false, true, false}},
        {90.0f, kHitLowerHull, kAspectSide, {false, true, false, true, true, false, true, false}},
        {0.0f, kHitTurret, kAspectFront, {false, true, true, false, false, false, false, false}},
        {90.0f, kHitTurret, kAspectSide, {false, true, true, false, false, false, false, false}},
        {0.0f, kHitUpperHull, kAspectFront, {false, false, false, false, false, false, false, false}},
        {180.0f, kHitLowerHull, kAspectRear, {false, false, false, false, false, false, false, false}},
    };
    for (const Place& p : places) {
        Record().mSkirtKind = 0;
        const float bareAP = basis(p.bearing, p.loc, p.aspect, kAmmoAP);
        const float bareHE = basis(p.bearing, p.loc, p.aspect, kAmmoHE);
        for (int32_t kind = 1; kind <= 7; ++kind) {
            Record().mSkirtKind = kind;
            const bool counts = p.counts[kind];
            EXPECT_NEAR(basis(p.bearing, p.loc, p.aspect, kAmmoAP), counts ? bareAP + 3.0f : bareAP, 1e-4)
                << "location " << int(p.loc) << ", aspect " << int(p.aspect) << ", kind " << kind;
            EXPECT_NEAR(basis(p.bearing, p.loc, p.aspect, kAmmoHE), counts ? bareHE * 2.0f : bareHE, 1e-4)
                << "location " << int(p.loc) << ", aspect " << int(p.aspect) << ", kind " << kind;
        }
    }
}

// A penetration is graded 1 (barely through) below a ratio of 1.15 and 2
// (clean through) from 1.15 up; a round that does not go through leaves the
// grade at 0.
TEST_F(VehiclePenetration, PenetrationGradeSplitsAtOnePointOneFive) {
    PendingAttack a = Ahead();
    const int32_t slot = kAspectFront * 3 + kHitUpperHull;
    int32_t grades[3] = {};
    for (int16_t mm = 1; mm <= 300; ++mm) {
        Record().mArmorPlates[slot] = {mm, 0};
        Vehicle* v = battle.AddVehicle(kTestTank, kAxis, 50, 50, 0);
        v->mHeading = 0.0f;
        SeedRandomGenerator(91);
        float ratio = 0.0f;
        const bool through = v->DeterminePenetration(&a, kHitUpperHull, kAspectFront, nullptr, nullptr, nullptr,
                                                     &ratio, nullptr, nullptr, nullptr, nullptr, nullptr);
        gArmorHitReport.Clear();
        SeedRandomGenerator(91);
        v->HitStageTwo(&a, kHitUpperHull, kAspectFront);
        const int32_t grade = gArmorHitReport.mPenetrationGrade;
        if (std::fabs(ratio - 1.15f) < 1e-5f) continue;
        EXPECT_EQ(grade, !through ? 0 : ratio < 1.15f ? 1 : 2) << mm << " mm, pen/T " << ratio;
        ++grades[grade];
    }
    EXPECT_GT(grades[0], 0);
    EXPECT_GT(grades[1], 0);
    EXPECT_GT(grades[2], 0);
}

} // namespace
