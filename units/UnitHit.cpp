// Flight time, hit chance and the direct shot at a vehicle.

#include <cmath>

#include "battle/ActionPacket.h"
#include "battle/PendingAttack.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/Airplane.h"
#include "units/FireShared.h"
#include "units/Functions.h"
#include "units/UnitGeometry.h"

using namespace fire;

namespace {
constexpr float kBulletSecondsPerMetre = 0.0027027f; // 370 m/s
constexpr float kFlameSecondsPerMetre = 0.0216f;
constexpr float kThrownSecondsPerMetre = 2.857143f / 40.0f;
constexpr WeaponType kMGPseudoWeapon = 254;
constexpr WeaponType kHeavyMGPseudoWeapon = 255;
constexpr float kVehicleGunMinRange = 8.0f;

float ExperienceAccuracy(ExperienceLevel e) {
    static const float kE[6] = {0.70f, 0.85f, 1.0f, 1.133f, 1.267f, 1.4f};
    return kE[e < 0 ? 0 : e > 5 ? 5 : e];
}

// The size factor of the target's aspect: broadside is the easiest.
float AspectFactor(float q) {
    if (q > 90.0f) q = 180.0f - q;
    if (q <= 15.0f) return q / 30.0f + 1.5f;
    if (q < 35.0f) return (q - 15.0f) * 0.025f + 2.0f;
    return 2.5f;
}
} // namespace

int32_t Unit::CalculateTimeOfFlight(WeaponType weapon, WeaponClass wclass, AmmoClass ammo, int32_t* aimDelay,
                                    float x, float y, float z, float* distance) {
    float d = Distance3(mX, mY, GetZ(), x, y, z);
    if (!std::isfinite(d)) d = 0.0f;
    if (distance) *distance = d;
    float flight = 0.0f;
    float aim = 0.0f;
    switch (wclass) {
    case kWClassSmallArms:
    case kWClassSniper:
        flight = d * kBulletSecondsPerMetre;
        aim = 1.0f;
        break;
    case kWClassLightAT:
    case kWClassGun:
    case kWClassTwinGun:
    case kWClassAT:
        flight = OrdnanceOrLATWFlightTime(weapon, ammo, d, nullptr);
        if (wclass == kWClassLightAT || (gWeaponData[weapon].mFlags & 0x1))
            aim = 0.2f;
        else
            aim = wclass == kWClassAT ? 0.75f : 0.55f;
        break;
    case kWClassMortar:
        flight = 8.0f;
        break;
    case kWClassIndirect: {
        float bound = 12.0f;
        if (IsInfantry(this) && (InfantryRecord(this).mFlags & kIArtilleryQuickDelay))
            bound = 20.0f;
        else if (gWeaponData[weapon].mArtilleryMode == 3)
            bound = 10.0f;
        aim = static_cast<float>(RandomFraction()) * bound;
        flight = 2.0f;
        break;
    }
    case kWClassFlame:
        flight = d * kFlameSecondsPerMetre + 0.25f;
        aim = 0.75f;
        break;
    default:
        // The special weapons and unknown classes fly like a thrown charge.
        flight = d * kThrownSecondsPerMetre;
        break;
    }
    if (aimDelay) *aimDelay = static_cast<int32_t>(40.0f * aim);
    float slices = 40.0f * flight;
    if (!(slices >= 2.0f)) return 2; // also a flight time that is not a number
    return slices >= 1.0e6f ? 1000000 : static_cast<int32_t>(slices);
}

float Unit::ExperienceToHitMultiplier() {
    static const float kM[5] = {2.0f, 1.4f, 1.0f, 0.8f, 0.6f};
    ExperienceLevel e = GetEffectiveExperience(kLeadCombat);
    if (e < 0) e = 0;
    if (e < 5) return kM[e];
    return 0.4f - 0.05f * static_cast<float>(e - 5);
}

float Unit::AdjustFPByExperience(float fp, bool withLeadership) {
    ExperienceLevel e = withLeadership ? GetEffectiveExperience(kLeadCombat) : BaseExperience();
    static const float kF[5] = {0.8f, 0.9f, 1.0f, 1.1f, 1.2f};
    if (e < 0) e = 0;
    if (e < 5) return fp * kF[e];
    return fp * (1.3f + 0.075f * static_cast<float>(e - 5));
}

float Unit::GetHitChance(AmmoClass ammo, int32_t t, Vehicle* target, DataKnowledge k, MGPenetration mg) {
    if (!target || target->mUnitType != kUnitVehicle) return 0.0f;
    WeaponType weapon = kWeaponNone;
    WeaponClass wclass = 0;
    bool mgMode = mg >= 1 && mg <= 3;
    if (mgMode) {
        weapon = mg == 3 ? kHeavyMGPseudoWeapon : kMGPseudoWeapon;
        wclass = kWClassGun;
    } else {
        GetWeaponInfo(&weapon, &wclass, k);
        // The special weapons and unknown classes are never aimed directly.
        if (wclass == kWClassSpecial || wclass > kWClassAT || wclass < 0) return 0.0f;
    }
    float distance = 0.0f;
    if (t > 0)
        distance = DistanceToLocation(target->mX, target->mY);
    else
        t = CalculateTimeOfFlight(weapon, wclass, ammo, nullptr, target->mX, target->mY, target->GetZ(),
                                  &distance);
    t = ConditionedFlightTime(t);

    const WeaponData& w = gWeaponData[weapon];
    if (mUnitType == kUnitAirplane) {
        float jitter = static_cast<Airplane*>(this)->JitterFactor();
        distance *= jitter;
        t = static_cast<int32_t>(static_cast<float>(t) * jitter);
    } else {
        float minimum = w.mMinRange;
        if (mUnitType == kUnitVehicle && (wclass == kWClassGun || wclass == kWClassTwinGun) && !mgMode)
            minimum = kVehicleGunMinRange;
        if (distance > w.mMaxRange || distance < minimum) return 0.0f;
    }

    float s = static_cast<float>(t) * 0.025f;
    const VehicleData& tv = gVehicleData[target->mSubtype];
    float size = tv.mTargetSize;
    if (target->HullDownTo(this)) size *= target->HasTurret() ? 0.4f : 0.65f;

    float p = 0.0f;
    if (wclass == kWClassLightAT || wclass == kWClassAT) {
        float e = ExperienceAccuracy(GetEffectiveExperience(kLeadCombat));
        float a =
            std::exp(-0.5556f * std::pow(s, 1.8f)) * (1.0f - 0.005f * std::fmin(mSuppression, 100.0f)) * e;
        float v = 0.0f;
        CanSee(target, &v);
        if (v <= 0.0f) return 0.0f;
        size *= 1.2857f * v - 0.2857f;
        if (size <= 0.0f) return 0.0f; // a target barely made out offers nothing to aim at
        p = a * std::sqrt(size);
        if ((w.mFlags & 0x8) || mHastyFire) p *= 0.75f;
        p = std::fmin(p, 0.85f + 0.05f * e * e);
    } else {
        float tolerance = FlightTimeTolerance(ammo);
        if (tv.mKind == 6)
            size *= 2.2f;
        else
            size *= AspectFactor(target->AspectTo(this, false, true));
        float v = 0.0f;
        CanSee(target, &v);
        if (v <= 0.0f) return 0.0f;
        size *= 1.2857f * v - 0.2857f;
        size /= ExperienceToHitMultiplier();
        if (IsInfantry(this) && (InfantryRecord(this).mFlags & kILightGun)) size *= 0.33f;
        if (Vehicle* self = AsVehicle(this); self && self->NrMenInTurret() < 3) size *= 0.85f;
        if (size <= 0.0f) return 0.0f;

        float range = 100.0f;
        if (!mgMode) {
            int32_t level = 0;
            if (mUnitType == kUnitAirplane)
                level = 1;
            else if (target == mTarget)
                level = LimitAcquisition(target, wclass);
            else if (!target->mActive)
                level = 2;
            range = distance * RangeFactor(level);
        }
        float tracking = s;
        if (mTarget) {
            float dz = Distance3(mX, mY, GetZ(), mTarget->mX, mTarget->mY, mTarget->GetZ());
            float speed = (std::fabs(mPlaybackSpeed) + std::fabs(mTarget->mPlaybackSpeed)) * 40.0f;
            tracking = OpticalQualityTrack(dz, speed) * s;
        }
        float z = range > 0.0f ? std::atan(2.0f * size / range) * 57.29578f * 47.619f : 90.0f * 47.619f;
        if (Night()) z *= 0.5f;
        if (tracking > 0.5f) z *= std::exp(-std::pow((tracking - 0.5f) / (1.3f * tolerance), 1.2f));
        p = 1.0f - std::exp(-std::pow(0.33f * z, 0.7f));
    }

    float crossing = 40.0f * std::fabs(target->mPlaybackSpeed);
    if (crossing > 0.0f) p *= 10.0f / (10.0f + 0.6f * crossing * (s + 0.2f));
    if (mUnitType == kUnitVehicle && (mPlaybackSpeed != 0.0f || mIsMoving)) {
        float u = 40.0f * std::fabs(mPlaybackSpeed);
        if (wclass == kWClassLightAT) u *= 2.0f;
        u = std::fmax(u, 3.0f);
        float m = (gVehicleData[mSubtype].mFlags & kVGyroStabilised)
                      ? std::fmax(s + 0.35f, std::sqrt(1.2f / u))
                      : s + 0.75f;
        p *= 1.2f / (u * m * m);
    }
    if (wclass == kWClassTwinGun) p = 1.0f - (1.0f - p) * (1.0f - p);
    if (!(p > 0.0f)) return 0.0f;
    return std::fmin(p, 1.0f);
}

bool Unit::DetermineHit(AmmoClass ammo, int32_t time, float* chance) {
    float p = GetHitChance(ammo, time, AsVehicle(mTarget), kKnowTruth, 0);
    if (chance) *chance = p;
    return static_cast<float>(RandomFraction()) < p;
}

void Unit::ExecuteToHit(ActionPacket* shell, WeaponClass wclass, WeaponType weapon, AmmoClass ammo,
                        int32_t flightTime, int32_t delay) {
    if (!gBattle || !mTarget) return;
    gBattle->mFiringActivity[CounterIndex(this)] += 3000;
    const float startZ = GetZ();
    PendingAttack* attack = gBattle->CreatePendingAttack(this, mTarget, delay, IsAxis(), false);
    attack->mPacket = shell;
    attack->mWeaponClass = wclass;
    attack->mWeaponType = weapon;
    attack->mAmmoClass = ammo;
    attack->mFromAircraft = mUnitType == kUnitAirplane;
    attack->mOriginX = mX;
    attack->mOriginY = mY;
    attack->mOriginZ = startZ;
    if (shell) shell->mBlast = BlastRadius(weapon, ammo);

    float p = 0.0f;
    if (DetermineHit(ammo, flightTime, &p)) {
        mAcquisition = 4;
        Vehicle* v = AsVehicle(mTarget);
        if (shell) shell->mShellHit = v && v->mDugIn ? 0 : 1;
        attack->mHitUnit = mTarget;
        attack->mHitChance = p;
        return;
    }

    // A miss: a point on the ground beside, short of or beyond the target.
    // The shell no longer names its target, so the battle lands it at that
    // point and does not carry it on to where the target stands.
    if (shell) {
        shell->mShellHit = 0;
        shell->mTarget = nullptr;
    }
    const float shellZ = shell ? shell->mZ : startZ;
    float range = std::fmax(std::hypot(mTarget->mX - mX, mTarget->mY - mY), 1.0f);
    float x = mX, y = mY, z = startZ, f = 1.0f;
    for (int32_t attempt = 0; attempt < 2; ++attempt) {
        float lateral = (2.0f - p) * (static_cast<float>(RandomFraction()) - 0.5f);
        if (RandomCoin() == 0) lateral *= 0.5f;
        if (wclass == kWClassLightAT) lateral *= 5.0f;
        if (wclass == kWClassAT) lateral *= 7.0f;
        float azimuth = GetHeadingFromXY(mTarget->mX - mX, mTarget->mY - mY) + lateral;
        float k = 1.0f - 0.25f * static_cast<float>(mAcquisition) + 0.2f * (1.0f - p);
        float r;
        if (RandomCoin() == 0)
            r = 1.0f - 0.23f * static_cast<float>(RandomFraction()) * k;
        else
            r = 1.0f + 0.3f * static_cast<float>(RandomFraction()) * k;
        float rad = azimuth * 0.017453293f;
        x = mX + r * range * std::cos(rad);
        y = mY + r * range * std::sin(rad);
        float ground = GroundHeightAt(mTarget->mX, mTarget->mY);
        z = shellZ + r * (ground - shellZ) + (attempt == 1 ? 0.9f : 0.0f);
        f = gBattle->mMap ? gBattle->mMap->CheckFlightPath(flightTime, mX, mY, startZ, &x, &y, &z) : 1.0f;
        float gone = std::hypot(x - mX, y - mY);
        if (attempt == 0 && gone < 25.0f && gone < 0.5f * range) continue;
        break;
    }
    if (shell) {
        shell->mEndX = x;
        shell->mEndY = y;
        shell->mEndZ = z;
    }
    if (gBattle->mMap && x >= 0.0f && y >= 0.0f && x < gBattle->mMap->mWidthMetres &&
        y < gBattle->mMap->mHeightMetres)
        f = std::pow(f, 1.1f);
    ModifyFlightTime(f, shell, attack, &flightTime, &delay);
    attack->mImpactX = x;
    attack->mImpactY = y;
    attack->mImpactZ = z;
    AddSoundEffectExplosion(delay, weapon, ammo, x, y);
}
