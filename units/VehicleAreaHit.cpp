// Blasts, bullets, flames and mines that reach a vehicle from around it,
// the sound of their impact, the vehicle's death and the armour-hit record
// shown in playback.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/BattleMap.h"
#include "battle/PendingAttack.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/RuleContext.h"
#include "units/Vehicle.h"

namespace {

constexpr float kPerFirepower = 0.0036363636f; // 1 / 275
constexpr Terrain kBoatLanding = 37;           // where a boat's riders go down with it

float Fraction() {
    return static_cast<float>(RandomFraction());
}

bool Heads() {
    return RandomCoin() == 0;
}

bool IsSpecialWeapon(WeaponType w) {
    return w == 257 || w == 259 || w == 261 || w == 262 || w == 263 || w == 265;
}

} // namespace

void MakeAreaHitSound(float firepower, float x, float y) {
    if (!gBattle) return;
    ActionPacket* p = gBattle->CreateActionPacket(0);
    p->mType = kPacketSound;
    p->mX = x;
    p->mY = y;
    p->mZ = GroundHeightAt(x, y) + 1.0f;
    p->mSoundFlags = 0x03;
    p->mPriority = 9;
    p->mSoundNumber = 1100 + 10 * BulletSoundEffectLengthClass(firepower) + RandomCoin();
}

void Vehicle::TakeAreaHit(float fp, int32_t hitValue, PendingAttack* a) {
    if (!a || !std::isfinite(fp)) return;
    const VehicleData& d = Data();
    const WeaponClass wc = a->mWeaponClass;
    const MGPenetration pen = a->mTarget == this ? a->mMGPenetration : 0;
    if (pen != 0 && !a->mSpecialHit && a->mAttacker)
        fp *= a->mAttacker->GetHitChance(kAmmoAP, 0, this, kKnowTruth, pen);

    if (IsArmoredVehicle(kKnowTruth, false)) {
        // 1. Where it strikes.
        VehicleHitLocation loc;
        VehicleAspect aspect = kAspectFront;
        bool half = false;
        if (a->mAboveGround || (OpenTopStatus(kKnowTruth) > 0 && !a->mSpecialHit &&
                                VerticalAngle(a->mOriginX, a->mOriginY, a->mOriginZ) >= 40.0f)) {
            loc = kHitTurretRoof;
        } else if (a->mSpecialHit && (wc == kWClassTwinGun || wc == kWClassSmallArms)) {
            loc = RandomPick(3) == 0 ? kHitTurretRoof : kHitHullDeck;
        } else {
            float side = 0.0f;
            DetermineAttackAspect(a->mOriginX, a->mOriginY, false, true, &side);
            const float p =
                IsFixed() ? PseudoToHitVersusSlot(DistanceToLocation(a->mOriginX, a->mOriginY)) : 0.5f;
            loc = DetermineHitLocation(false, false, side, false, p, nullptr);
            if (loc == kHitRunningGear || loc == kHitGun) loc = IsFixed() ? kHitLowerHull : kHitUpperHull;
            aspect = DetermineAttackAspect(a->mOriginX, a->mOriginY, loc == kHitTurret, true, nullptr);
            if (IsFixed() && loc == kHitUpperHull && aspect == kAspectFront && wc != kWClassSmallArms &&
                wc != kWClassSniper && RandomPick(100) < 90)
                loc = kHitLowerHull;
            half = (wc == kWClassSmallArms || wc == kWClassSniper) && aspect == kAspectFront &&
                   !a->mSoftCover && (d.mFlags & kVThirdMGForward);
        }
        // Roof and deck have one armour value each.
        if (loc == kHitTurretRoof || loc == kHitHullDeck) aspect = kAspectFront;

        // 2. The armour there.
        bool face = false;
        int32_t hardness = 0;
        float ratio = 0.0f;
        const float arm = CalculateArmorBasis(
            a->mOriginX, a->mOriginY, a->mOriginZ, true, loc, aspect, wc != kWClassFlame && wc != kWClassAT,
            pen == 3 ? 13.0f : 8.0f, 0, kAmmoAP, 5, kKnowTruth, &face, &hardness, &ratio, false, nullptr);
        // 3. What the attack brings against it.
        float p;
        if (wc == kWClassFlame) {
            if (IsFixed())
                p = Heads() ? 2.0f * arm : 0.0f;
            else
                p = static_cast<float>((1.0 - std::pow(RandomFraction(), 0.1)) * 500.0);
        } else if (pen <= 1) {
            p = 0.1f;
        } else {
            p = GetSmallArmsPenetration(pen, DistanceToLocation(a->mOriginX, a->mOriginY), face, hardness,
                                        ratio);
        }
        if (p > 0.2f) p *= 0.9f + 0.2f * Fraction();
        const bool through = p >= arm;

        if (through) {
            // 4. Through the armour.
            if (wc == kWClassSmallArms) AddSoundEffect(10);
            const float s = fp * kPerFirepower;
            float q;
            if ((IsFixed() && pen <= 1) || wc == kWClassSmallArms || wc == kWClassSniper)
                q = 0.0f;
            else if (wc == kWClassFlame || wc == kWClassAT)
                q = 0.5f;
            else
                q = std::min(0.8f, fp * 0.4f / (static_cast<float>(d.mWeight) + 60.0f));
            bool k1 = false, k2 = false, k3 = false;
            if (Fraction() < q) {
                k1 = true;
                k2 = !((Fraction() >= 0.1f && wc != kWClassFlame) && wc != kWClassAT);
                k3 = k2 ? Heads() : false;
                if (IsFixed()) k2 = true;
            }
            ApplyInternalDamage(k1, k2, k3, s, Heads(), false, 1.0f, q, false);
            mFearClock = 0;
        } else {
            // 5. Stopped by the armour; an open crew may still be hurt.
            if (wc == kWClassSmallArms && !IsFixed()) MakeAreaHitSound(fp, mX, mY);
            CrewTakeAreaHit(fp, hitValue, half, wc == kWClassFlame || wc == kWClassAT);
        }
        // 6.
        TakeAreaBlastVsArmor(fp, a, through, pen, 1, 1);
        return;
    }

    // Soft vehicles.
    float c = fp * 0.007f;
    if (d.mFlags & kVLightArmor) c *= 0.5f;
    if (d.mKind == 5) {
        c *= 0.2f;
        if (wc == kWClassSmallArms || wc == kWClassSniper) c *= 0.25f;
    }
    if (Fraction() < c && wc != kWClassSniper) {
        if (d.mKind == 5) {
            ApplyInternalDamage(true, false, false, 0.0f, false, false, 1.0f, c, false);
        } else {
            c = wc == kWClassFlame ? std::max(c, 0.8f) : std::clamp(c, 0.2f, 0.75f);
            bool k2 = false, k3 = false;
            if (Fraction() < c) {
                k2 = true;
                k3 = Heads();
            }
            AddSoundEffect(21);
            ApplyInternalDamage(true, k2, k3, 0.0f, false, false, 1.0f, c, false);
        }
        return;
    }
    if (d.mFlags & kVLightArmor) return;
    const bool wasAlive = mActive;
    ApplyInternalDamage(false, false, false, fp * kPerFirepower, false, false, 1.0f, 0.0f, false);
    if (wasAlive && !mActive && wc != kWClassSniper) MakeAreaHitSound(fp, mX, mY);
    AddVehicleSuppression(c * 400.0f, false, false);
}

void Vehicle::TakeAreaBlastVsArmor(float fp, PendingAttack* a, bool penetrated, MGPenetration pen,
                                   int32_t weaponMode, int32_t driveMode) {
    if (!a || !mActive) return;
    const WeaponClass wc = a->mWeaponClass;
    if (wc == kWClassFlame || wc == kWClassAT || wc == kWClassSniper || IsSpecialWeapon(a->mWeaponType))
        return;
    const VehicleData& d = Data();
    if (a->mWeaponType != 253 && !IsFixed()) {
        if (penetrated || wc != kWClassSmallArms) {
            const float e = fp * 0.03f / (std::max(0.0f, static_cast<float>(d.mWeight)) + 30.0f);
            float w = weaponMode == 0 ? 0.0f : weaponMode == 1 ? e * 0.33f : e * 2.0f;
            float r = driveMode == 0 ? 0.0f : driveMode == 2 ? e * 5.0f : e;
            r *= 0.35f;
            ModifyByDriveVulnerability(&r, wc == kWClassSmallArms, true);
            r = std::min(r, 0.9f);
            if (a->mHitUnit == this && (wc == kWClassMortar || wc == kWClassIndirect)) {
                r *= 0.25f;
                w *= 2.5f;
            }
            bool damaged = false;
            if (Fraction() < r) {
                ApplyDamage(kHitRunningGear);
                damaged = true;
            }
            w = std::min(w, 0.3f);
            if (Fraction() < w) {
                ApplyDamage(kHitGun);
                damaged = true;
            }
            if (!damaged) {
                if (driveMode == 2) r = 0.0f;
                if (weaponMode == 2) w = 0.0f;
                AddVehicleSuppression((r + w) * 800.0f, false, false);
            }
        } else if (!mImmobile && pen == 3) {
            ResolveExternalDamage(fp, RandomPick(3) == 0 ? kHitGun : kHitRunningGear,
                                  a->mSpecialHit ? 0.03f : 0.04f);
        }
    }
    if (mActive && wc != kWClassSmallArms && d.mWeight < 110 && DetermineFlip(a)) Flip();
}

void Vehicle::CrewTakeAreaHit(float fp, int32_t hitValue, bool half, bool flame) {
    if (IsFixed() || mButtoned) return;
    float s;
    if (flame) {
        s = 0.6f;
    } else {
        s = (static_cast<float>(hitValue) * 0.05f + 1.0f) * fp * kPerFirepower;
        if (half) s *= 0.5f;
        s = std::min(s, 0.8f);
    }
    ApplyInternalDamage(false, false, false, s, true, true, 0.0f, 0.0f, false);
}

void Vehicle::TakeMineHit(bool) {
    if (IsArmoredVehicle(kKnowTruth, false)) {
        ApplyDamage(kHitRunningGear);
        ApplyInternalDamage(false, false, false, 0.18f - 0.0012f * static_cast<float>(Data().mWeight), false,
                            false, 1.0f, 0.0f, false);
    } else {
        const bool k = Heads();
        ApplyInternalDamage(true, k, k, 0.4f, false, false, 1.0f, 1.0f, false);
    }
}

void Vehicle::Die() {
    if (mBurning && gBattle && gBattle->mMap) gBattle->mMap->VoidLOS(mX, mY, mSmokeWidth);
    if (!mActive) return;
    for (int32_t& s : mAnimation)
        s = 2;
    mTurretRate = 0.0f;
    if (mPlaybackSpeed == 0.0f) mTurnRate = 0.0f;
    JerkSteeringWheel();
    if (Data().mKind == 5 && GetOccupiedTerrain() == kBoatLanding) {
        for (Unit* p : mPassengers)
            if (p) p->Die();
    }
    if (gCreditKiller) {
        gCreditKiller->mKillRecords[0].AddVehicleKill(mContactLevel >= kContactFull ? mSubtype : -1);
        gCreditKiller->mKillRecords[1].AddVehicleKill(mSubtype);
    }
    mCreditUnit = nullptr;
    Unit::Die();
}

void Vehicle::TagArmorHitRecord(ActionPacket* packet) {
    if (!packet) return;
    mHitRecord[0] = packet->mHitLocation;
    mHitRecord[1] = packet->mAspect;
    mHitRecord[2] = packet->mStrengthLost;
    mHitRecord[3] = packet->mPenetrationGrade;
    mHitRecord[4] = 0;
    std::memset(mHitRecordBytes, 0, sizeof mHitRecordBytes);
    mHitRecordBytes[0] = packet->mArmorFlags;
    mHitRecordSlice = packet->mTimeSlice;
}
