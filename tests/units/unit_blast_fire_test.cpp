// The fire a blast may start on burning ground, and the enemy infantry a
// closed-up vehicle looks for before it opens its hatches.

#include <cmath>

#include "../map/MapTestUtil.h"
#include "battle/PendingAttack.h"
#include "engine/GOLTA.h"
#include "map/TerrainTable.h"
#include "unit_fire_fixture.h"
#include "units/Functions.h"

using namespace firetest;

namespace {

// A seed whose first fraction lies in [lo, hi); 0 when none of the first
// few million does.
uint32_t SeedDrawingBetween(double lo, double hi) {
    for (uint32_t s = 1; s < 4000000; ++s) {
        SeedRandomGenerator(s);
        const double u = RandomFraction();
        if (u >= lo && u < hi) return s;
    }
    return 0;
}

class BlastFire : public FireBattle {
protected:
    BlastFire() {
        mWeapons[3].mAmmo[0].mType = 1;
        mWeapons[3].mAmmo[0].mVelocity = 600.0f;
        mAmmo[1].mSpecial = 0.2f;
        PaintTerrain(*mBattle.mMap, 0.0f, 0.0f, 2000.0f, 2000.0f, kTerrainWoods);
        // The ground's own share of the chance: dry ground (condition 2) and
        // the flammability of woods out of 3.
        mGround = TerrainInfoOf(kTerrainWoods).mFire / 3.0;
        mGun = Place<Soldier>(kAxis, 500.0f, 1000.0f);
    }
    // A shell of class c lands at (1000, 1000) after the generator was seeded
    // with s; true when the square caught fire. fp: the shell's firepower.
    bool Lands(WeaponClass c, uint32_t s, float* fp) {
        PendingAttack* a = mBattle.CreatePendingAttack(mGun, nullptr, 0, true, false);
        a->mWeaponClass = c;
        a->mWeaponType = 3;
        a->mAmmoClass = kAmmoHE;
        a->mImpactX = 1000.0f, a->mImpactY = 1000.0f;
        a->mImpactZ = mBattle.mMap->GetZCoord(1000.0f, 1000.0f);
        a->mAboveGround = true; // no crater
        if (fp) *fp = a->GetFirepower(false, nullptr);
        SeedRandomGenerator(s);
        mBattle.AreaDamage(a);
        mBattle.mPendingAttacks.EmptyOut(true);
        const bool burning = mBattle.mMap->GetFireState(1000.0f, 1000.0f) != 0;
        mBattle.mMap->mFire.assign(mBattle.mMap->mFire.size(), 0);
        return burning;
    }
    // Lands a shell of class c whose chance (before the ground's share) is
    // p, once with a seed drawing just below the chance and once just above.
    void ExpectChance(WeaponClass c, double p) {
        const double q = p * mGround;
        const uint32_t below = SeedDrawingBetween(q * 0.97, q * 0.995);
        const uint32_t above = SeedDrawingBetween(q * 1.005, q * 1.03);
        ASSERT_NE(below, 0u);
        ASSERT_NE(above, 0u);
        EXPECT_TRUE(Lands(c, below, nullptr)) << "class " << c << " chance " << p;
        EXPECT_FALSE(Lands(c, above, nullptr)) << "class " << c << " chance " << p;
    }
    double mGround = 1.0;
    Soldier* mGun = nullptr;
};

} // namespace

// A shell's blast starts a fire with half of its fire chance: the root of its
// firepower x 0.0004 for mortars, guns and indirect fire, 2.5 times that for
// a rocket, a fixed 0.01 for an anti-tank charge, 0.3 for a flame blow; small
// arms and machine-gun fire never.
TEST_F(BlastFire, ABlastsFireChanceIsHalfTheRootOfItsFirepowerTimesFourTenThousandths) {
    ASSERT_GT(mGround, 0.0);
    float fp = 0.0f;
    Lands(kWClassMortar, 1, &fp);
    ASSERT_GT(fp, 1.0f);
    const double base = std::sqrt(static_cast<double>(fp)) * 0.0004;
    ExpectChance(kWClassMortar, 0.5 * base);
    ExpectChance(kWClassGun, 0.5 * base);
    ExpectChance(kWClassIndirect, 0.5 * base);
    ExpectChance(kWClassLightAT, 0.5 * 2.5 * base);
    ExpectChance(kWClassAT, 0.5 * 0.01);
    ExpectChance(kWClassFlame, 0.5 * 0.3);
    const uint32_t sure = SeedDrawingBetween(0.0, 1e-6);
    ASSERT_NE(sure, 0u);
    EXPECT_TRUE(Lands(kWClassMortar, sure, nullptr));
    EXPECT_FALSE(Lands(kWClassSmallArms, sure, nullptr));
    EXPECT_FALSE(Lands(kWClassSniper, sure, nullptr));
}

// A gun firing at an area with no spotted enemy within 50 m of its point has
// a tenth of the fire chance; an enemy at 50 m keeps it whole, one at 50.5 m,
// or one not spotted, does not. A mortar crew's area fire is never cut.
TEST_F(BlastFire, AreaFireWithoutAnEnemyWithinFiftyMetresHasATenthOfTheFireChance) {
    float fp = 0.0f;
    Lands(kWClassMortar, 1, &fp);
    const double whole = 0.5 * std::sqrt(static_cast<double>(fp)) * 0.0004;
    mGun->mAreaTarget = true;
    mGun->mAreaTargetX = 1200.0f, mGun->mAreaTargetY = 1000.0f;
    Soldier* enemy = Place<Soldier>(kAllies, 1200.0f, 1050.0f);
    enemy->mContactLevel = kContactFull;
    ExpectChance(kWClassMortar, whole);
    enemy->mY = 1050.5f;
    ExpectChance(kWClassMortar, 0.1 * whole);
    enemy->mY = 1050.0f;
    enemy->mContactLevel = kContactNone;
    ExpectChance(kWClassMortar, 0.1 * whole);
    // The crew of an indirect-fire weapon is not cut.
    mInfantry[0].mHeavyWeapon = 5;
    mWeapons[5].mClass = kWClassIndirect;
    ExpectChance(kWClassMortar, whole);
}

// A closed-up vehicle sees enemy infantry near it when a spotted, active,
// enemy infantry unit stands within the range, its edge included.
TEST_F(BlastFire, EnemyInfantryWithinCountsSpottedEnemyInfantryUpToTheRange) {
    mBattle.mTurn = 1, mBattle.mLastTurn = 10; // under way: the enemy is seen only when spotted
    Tank* tank = Place<Tank>(kAllies, 1000.0f, 1000.0f);
    tank->mUnitType = kUnitVehicle;
    Soldier* squad = Place<Soldier>(kAxis, 1150.0f, 1000.0f);
    squad->mContactLevel = kContactFull;
    EXPECT_TRUE(tank->EnemyInfantryWithin(150.0f));
    EXPECT_FALSE(tank->EnemyInfantryWithin(149.5f));
    squad->mX = 1000.0f, squad->mY = 849.5f;
    EXPECT_FALSE(tank->EnemyInfantryWithin(150.0f));
    EXPECT_TRUE(tank->EnemyInfantryWithin(150.6f));
    squad->mY = 900.0f;
    EXPECT_TRUE(tank->EnemyInfantryWithin(150.0f));
    squad->mContactLevel = kContactNone; // not seen
    EXPECT_FALSE(tank->EnemyInfantryWithin(150.0f));
    squad->mContactLevel = kContactFull;
    squad->mActive = false;
    EXPECT_FALSE(tank->EnemyInfantryWithin(150.0f));
    squad->mActive = true;
    squad->mSide = 0; // a friend
    EXPECT_FALSE(tank->EnemyInfantryWithin(150.0f));
    squad->mSide = 1;
    squad->mUnitType = kUnitVehicle; // not infantry
    EXPECT_FALSE(tank->EnemyInfantryWithin(150.0f));
}
