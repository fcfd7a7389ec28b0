// Ammunition choice, gun elevation and the aim countdown, the range shift
// of small-arms fire, and how well a point sees the unit.

#include <cmath>

#include "map/Map.h"
#include "units/FireShared.h"
#include "units/Functions.h"

using namespace fire;

namespace {
constexpr float kSlice = 0.025f;
constexpr float kPointedArc = 15.0f;

void TickAimClock(float* clock) {
    *clock = *clock <= kSlice ? 0.0f : *clock - kSlice;
}
} // namespace

AmmoClass Unit::ChooseAmmo(Unit* target, bool allowCanister) {
    auto left = [this](AmmoClass k) { return mAmmo[k] > 0; };
    float px = target ? target->mX : mAreaTargetX;
    float py = target ? target->mY : mAreaTargetY;
    const bool pointed = PointedWithin(mHeading, kPointedArc, px, py);
    Vehicle* armour = AsVehicle(target);
    if (target && target->IsArmoredVehicle(kKnowTruth, false) && !(armour && armour->IsFixed())) {
        if (left(kAmmoTungsten) && left(kAmmoAP)) {
            WeaponType w = kWeaponNone;
            WeaponClass c = 0;
            GetWeaponInfo(&w, &c, kKnowTruth);
            float d = Distance3(mX, mY, GetZ(), target->mX, target->mY, target->GetZ());
            float tungsten =
                GetPenetration(false, d, w, kAmmoTungsten, false, 280, 1.5f, nullptr, nullptr, nullptr);
            float ap = GetPenetration(false, d, w, kAmmoAP, false, 280, 1.0f, nullptr, nullptr, nullptr);
            return ap < tungsten ? kAmmoTungsten : kAmmoAP;
        }
        if (left(kAmmoTungsten)) return kAmmoTungsten;
        if (left(kAmmoAP75) && pointed) return kAmmoAP75;
        for (AmmoClass k : {kAmmoAP, kAmmoHEAT, kAmmoAP75})
            if (left(k)) return k;
    }
    if (left(kAmmoHE75) && pointed) return kAmmoHE75;
    if (left(kAmmoHE)) return kAmmoHE;
    if (left(kAmmoHEAT)) return kAmmoHEAT;
    if (left(kAmmoCanister)) return kAmmoCanister;
    if (left(kAmmoAP) && !mAreaTarget) return kAmmoAP;
    if (left(kAmmoAP75) && pointed) return kAmmoAP75;
    if (left(kAmmoAP)) return kAmmoAP;
    if (left(kAmmoTungsten) && !mAreaTarget) return kAmmoTungsten;
    return kAmmoNone;
}

void Unit::AimAndElevate(bool live) {
    if (live && !HasOrdnance(false, false)) {
        TickAimClock(&mAimTime);
        return;
    }
    const bool airTarget = mTarget && mTarget->mUnitType == kUnitAirplane;
    const float lead = airTarget ? 0.5f : 1.5f;
    if (live && mAimTime < lead && mGunElevation != mGunElevationGoal) return;
    bool compute = live ? lead <= mAimTime && mAimTime < lead + kSlice : mGunElevationGoal == 0.0f;
    if (compute && (mTarget || mAreaTarget)) {
        float x, y, z;
        if (mTarget) {
            x = mTarget->mX, y = mTarget->mY;
            z = mTarget->GetZ() + (mTarget->mUnitType == kUnitVehicle ? 1.5f : 0.0f);
        } else {
            x = mAreaTargetX, y = mAreaTargetY, z = GetTargetXYZ_helper();
        }
        WeaponType w = kWeaponNone;
        WeaponClass c = 0;
        bool ready = true;
        if (live) {
            GetWeaponInfo(&w, &c, kKnowTruth);
            bool none =
                mAmmoClassInUse < 0 || mAmmoClassInUse >= kAmmoClassCount || mAmmo[mAmmoClassInUse] == 0;
            if (none) mAmmoClassInUse = ChooseAmmo(mTarget, true);
            ready = mAmmoClassInUse != kAmmoNone;
        }
        if (ready) {
            float d = 0.0f;
            int32_t t = CalculateTimeOfFlight(w, c, mAmmoClassInUse, nullptr, x, y, z, &d);
            float elevation = 0.0f;
            if (d > 0.0f) {
                float k = 2.0f / d;
                float ft = static_cast<float>(t);
                float lift = (z - GetZ() - 2.0f) * k + 0.00305f * ft * ft * (0.25f - (0.5f - k) * (0.5f - k));
                elevation = std::atan(0.5f * lift) * 57.29578f;
            }
            elevation += AdjustGunElevationForBodyTilt();
            elevation = std::fmin(elevation, airTarget ? 50.0f : 20.0f);
            elevation = std::fmax(elevation, -12.0f);
            if (!std::isfinite(elevation)) elevation = 0.0f;
            if (elevation != mGunElevationGoal) {
                mGunElevationGoal = elevation;
                gPacket = true;
            }
        }
    }
    if (live) TickAimClock(&mAimTime);
}

int32_t Unit::GetSmallArmsShift(float range) {
    const float far = Night() ? 125.0f : 225.0f;
    const float span = far - 10.0f;
    if (range >= far) return 0;
    if (range <= 10.0f) return 35;
    float q = (far - range) / span;
    return static_cast<int32_t>(35.0f * q * q);
}

float Unit::GetTEMFromLocation(float x, float y, float z, bool moving, bool fromAbove, bool halfFoxhole,
                               WeaponClass wclass, bool raw, float* exposure) {
    Map* map = gBattle ? gBattle->mMap : nullptr;
    const float eye = GetZ() + LOSBoost();
    float v = 0.0f;
    bool answered = map && map->CheckLOS(false, true, false, x, y, fromAbove ? z + 10.0f : z, mX, mY, eye, &v,
                                         nullptr, nullptr, nullptr, nullptr);
    if (!answered) v = 0.0f;
    if (fromAbove) {
        if (exposure) *exposure = v;
        return v > 0.0f ? 1.0f : 0.0f;
    }
    v = std::fmax(v, 0.3f);
    if (exposure) *exposure = v;
    return raw ? v : (v - 0.3f) * 0.4f + 0.72f;
}
