#pragma once
// Shared pieces of the vehicle hit tests: a tank with known plates, weapon
// and ammunition rows for its attackers, and a vehicle that scores target
// candidates by distance.

#include <vector>

#include "battle/PendingAttack.h"
#include "units/vehicle_fixtures.h"

constexpr WeaponType kTestGun = 5;      // 75 mm gun firing armour-piercing shot
constexpr WeaponType kTestHowitzer = 6; // high explosive only
constexpr SmallArmsType kTestMG = 3;    // rifle-calibre machine gun
constexpr SmallArmsType kTestFlame = 4; // flamethrower in a machine-gun mount

// Rows added to the tables of a vehicle battle (or of tables of their own).
struct HitTables {
    explicit HitTables(VehicleTables& t) : tables(t) { Fill(); }
    void Fill() {
        VehicleData& t = tables.vehicles[kTestTank];
        t.mHasTurretArmor = 1;
        // Front 80/50/40, side 40/30/30, rear 30/20/20 mm, all upright.
        const int16_t plates[9] = {80, 50, 40, 40, 30, 30, 30, 20, 20};
        for (int i = 0; i < 9; ++i)
            t.mArmorPlates[i] = {plates[i], 0};
        t.mRoofArmorA = 10;
        t.mRoofArmorB = 15;
        t.mCrew = 5;
        ammo[1] = {};
        ammo[1].mClass = kAmmoAP;
        ammo[1].mShellType = 8;
        ammo[1].mShellMass = 15.0f;
        ammo[1].mLastDate = 9999;
        ammo[2] = {};
        ammo[2].mClass = kAmmoHE;
        ammo[2].mShellType = 0;
        ammo[2].mShellMass = 15.0f;
        ammo[2].mExplosiveFill = 0.1f;
        ammo[2].mLastDate = 9999;
        WeaponData& g = tables.weapons[kTestGun];
        g.mClass = kWClassGun;
        g.mCalibre = 75.0f;
        g.mMaxRange = 2000.0f;
        g.mAmmo[0] = {1, 800.0f};
        g.mAmmo[1] = {2, 600.0f};
        WeaponData& h = tables.weapons[kTestHowitzer];
        h = g;
        h.mAmmo[0] = {2, 400.0f};
        h.mAmmo[1] = {0, 0.0f};
        arms[kTestMG].mMaxRange = 800;
        arms[kTestMG].mMGClass = 2;
        arms[kTestMG].mAntiAircraft = 1;
        arms[kTestFlame].mMaxRange = 40;
        arms[kTestFlame].mMGClass = 4;
    }
    VehicleTables& tables;
    TableRows<AmmoData> ammo{gAmmoData, 8};
    TableRows<SmallArmsData> arms{gSmallArmsData, kSmallArmsCount};
};

// An attack from (x, y, z) by a gun of the class and ammunition given.
inline PendingAttack MakeAttack(float x, float y, float z, WeaponType w = kTestGun, AmmoClass a = kAmmoAP,
                                WeaponClass c = kWClassGun) {
    PendingAttack p;
    p.mOriginX = p.mImpactX = x;
    p.mOriginY = p.mImpactY = y;
    p.mOriginZ = p.mImpactZ = z;
    p.mWeaponType = w;
    p.mAmmoClass = a;
    p.mWeaponClass = c;
    p.mHitChance = 0.5f;
    return p;
}

// A vehicle whose target search takes the nearest candidate and remembers
// every candidate it was asked to score.
class ScoringVehicle : public Vehicle {
public:
    void AIScoreTarget(Unit* candidate, bool full) override {
        scored.push_back(candidate);
        const float dx = candidate->mX - mX, dy = candidate->mY - mY;
        const float score = 10000.0f - (dx * dx + dy * dy);
        if (score > gBestTargetScore) {
            gBestTargetScore = score;
            gBestTarget = candidate;
        }
    }
    std::vector<Unit*> scored;
};
