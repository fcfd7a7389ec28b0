// A shell's blast on one unit: the distance stretched by cover, and the
// reach of a rocket's blast with and without a direct hit; cover against a
// point by the terrain effect.

#include <cmath>
#include <vector>

#include "battle/PendingAttack.h"
#include "unit_fire_fixture.h"
#include "units/Functions.h"

using namespace firetest;

namespace {

// A unit that records the blows it takes and answers a cover of its own.
class Struck : public Soldier {
public:
    void TakeAreaHit(float power, int32_t, PendingAttack*) override { hits.push_back(power); }
    float GetTEMFromLocation(float, float, float, bool, bool, bool, WeaponClass, bool, float*) override {
        return cover;
    }
    std::vector<float> hits;
    float cover = 1.0f;
};

float Falloff(float fp, float d, float radius) {
    if (d >= radius) return 0.0f;
    const float r = d / radius;
    return fp * (1.0f - 2.649f * r + 2.991f * r * r - 1.34f * r * r * r);
}

class Blast : public FireBattle {
protected:
    Blast() {
        // Weapon 3 fires shell 1: 15 lb of which a fifth is filler.
        mWeapons[3].mAmmo[0].mType = 1;
        mWeapons[3].mAmmo[0].mVelocity = 600.0f;
        mAmmo[1].mSpecial = 0.2f;
    }
    // The first blow a vehicle-like unit at (d, 0) from the impact takes from
    // an attack of class c with weapon 3 and high explosive, or -1.
    float HitAt(WeaponClass c, float d, float cover, Unit* directHit, float* fp, float* radius) {
        Soldier* gun = Place<Soldier>(kAxis, 500.0f, 1000.0f);
        Struck* u = Place<Struck>(kAllies, 1000.0f + d, 1000.0f);
        u->mUnitType = kUnitVehicle; // no spread of the blast over a squad's ground
        u->cover = cover;
        PendingAttack* a = mBattle.CreatePendingAttack(gun, nullptr, 0, true, false);
        a->mWeaponClass = c;
        a->mWeaponType = 3;
        a->mAmmoClass = kAmmoHE;
        a->mImpactX = 1000.0f, a->mImpactY = 1000.0f;
        a->mImpactZ = mBattle.mMap->GetZCoord(1000.0f, 1000.0f);
        a->mAboveGround = true; // no crater
        a->mHitUnit = directHit;
        *fp = a->GetFirepower(false, nullptr);
        *radius = BlastRadius(3, kAmmoHE);
        mBattle.AreaDamage(a);
        mBattle.mPendingAttacks.EmptyOut(true);
        return u->hits.empty() ? -1.0f : u->hits[0];
    }
};

} // namespace

// A mortar shell: cover does not scale the firepower but stretches the
// distance, by the root of the cover below 1 and its 0.33rd power above.
TEST_F(Blast, AShellsDistanceIsStretchedByCover) {
    float fp = 0.0f, r = 0.0f;
    HitAt(kWClassMortar, 0.0f, 1.0f, nullptr, &fp, &r);
    ASSERT_GT(fp, 0.0f);
    ASSERT_GT(r, 4.0f);
    const float d = 0.3f * r;
    EXPECT_NEAR(HitAt(kWClassMortar, d, 0.25f, nullptr, &fp, &r), Falloff(fp, d / 0.5f, r), 1e-3f * fp);
    EXPECT_NEAR(HitAt(kWClassMortar, d, 1.0f, nullptr, &fp, &r), Falloff(fp, d, r), 1e-3f * fp);
    EXPECT_NEAR(HitAt(kWClassMortar, d, 2.0f, nullptr, &fp, &r), Falloff(fp, d / std::pow(2.0f, 0.33f), r),
                1e-3f * fp);
}

// A rocket's blast reaches 0.75 of the shell's radius, and 0.2 of it when
// the rocket struck a vehicle; cover does not scale it but stretches the
// distance.
TEST_F(Blast, ARocketsBlastReachesThreeQuartersOfTheRadiusOrAFifthAfterADirectHit) {
    float fp = 0.0f, r = 0.0f;
    HitAt(kWClassLightAT, 0.0f, 1.0f, nullptr, &fp, &r);
    ASSERT_GT(r, 4.0f);
    EXPECT_NEAR(HitAt(kWClassLightAT, 0.5f * r, 1.0f, nullptr, &fp, &r), Falloff(fp, 0.5f * r, 0.75f * r),
                1e-3f * fp);
    EXPECT_EQ(HitAt(kWClassLightAT, 0.76f * r, 1.0f, nullptr, &fp, &r), -1.0f);
    Soldier* tank = Place<Soldier>(kAllies, 990.0f, 990.0f);
    EXPECT_NEAR(HitAt(kWClassLightAT, 0.1f * r, 1.0f, tank, &fp, &r), Falloff(fp, 0.1f * r, 0.2f * r),
                1e-3f * fp);
    EXPECT_EQ(HitAt(kWClassLightAT, 0.21f * r, 1.0f, tank, &fp, &r), -1.0f);
}

// A unit on open ground counts as in cover against a point when its
// terrain effect from there is below 0.47 (and only when asked to weigh it).
TEST_F(Blast, CoverAgainstAPointBelowFortySevenHundredths) {
    Struck* u = Place<Struck>(kAllies, 1000.0f, 1000.0f);
    u->cover = 0.4699f;
    EXPECT_TRUE(u->InComplexCover(false, true, 900.0f, 1000.0f));
    EXPECT_FALSE(u->InComplexCover(false, false, 900.0f, 1000.0f));
    u->cover = 0.47f;
    EXPECT_FALSE(u->InComplexCover(false, true, 900.0f, 1000.0f));
    EXPECT_FALSE(u->InComplexCover(true, true, 900.0f, 1000.0f));
}

// A shell's blast deafens the units around it as a noise of 165 x its
// firepower at the impact.
TEST_F(Blast, AShellDeafensAsANoiseOf165TimesItsFirepower) {
    float fp = 0.0f, r = 0.0f;
    HitAt(kWClassMortar, 0.0f, 1.0f, nullptr, &fp, &r);
    ASSERT_GT(fp, 0.0f);
    Struck* near = Place<Struck>(kAllies, 1030.0f, 1000.0f);
    near->mUnitType = kUnitVehicle;
    Struck* same = Place<Struck>(kAllies, 1030.0f, 1200.0f); // deafened by the rule itself, 200 m aside
    same->mUnitType = kUnitVehicle;
    HitAt(kWClassMortar, 2.0f * r, 1.0f, nullptr, &fp, &r);
    mBattle.DeafenFromXY(static_cast<int32_t>(165.0f * fp), 1000.0f, 1200.0f);
    EXPECT_GT(near->mDeafness, 0);
    EXPECT_LT(near->mDeafness, 14000); // below the cap, so the loudness shows
    EXPECT_EQ(near->mDeafness, same->mDeafness);
}
