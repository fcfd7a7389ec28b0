// A vehicle's weapons: what it fires now, its ammunition choice, the arc of
// a gun without a turret, how fast hull and turret turn, the gun's
// elevation corrected for the hull's tilt, firepower and ranges, the wish to
// fire; and its turret: aiming at a point at the traverse rate within the
// mount's limits.

#include <algorithm>
#include <cmath>

#include "battle/Battle.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/UnitGeometry.h"
#include "units/Vehicle.h"

namespace {

constexpr float kDegToRad = 0.0174532925f;

float RotationTerrainFactor(Terrain t) {
    switch (t) {
    case 20:
    case 30:
        return 0.6f;
    case 21:
    case 22:
    case 31:
    case 32:
        return 0.5f;
    case 41:
    case 50:
    case 51:
    case 52:
    case 53:
    case 54:
        return 0.4f;
    default:
        return 1.0f;
    }
}

Terrain TerrainAhead(float x, float y, float facing, float reach) {
    Map* map = gBattle ? gBattle->mMap : nullptr;
    if (!map) return kTerrainOpen;
    const float h = facing * kDegToRad;
    return map->GetTerrain(x + reach * std::cos(h), y + reach * std::sin(h), true);
}

// Bearing of (dx, dy), degrees in [0, 360); 90 or 270 straight along y.
float BearingOf(float dx, float dy) {
    if (dx == 0.0f) return dy >= 0.0f ? 90.0f : 270.0f;
    float b = std::atan(dy / dx) * 57.2957795f;
    if (dx < 0.0f)
        b += 180.0f;
    else if (b < 0.0f)
        b += 360.0f;
    return b;
}

float WrapHalf(float b) {
    if (!std::isfinite(b)) return 0.0f;
    while (b > 180.0f)
        b -= 360.0f;
    while (b < -180.0f)
        b += 360.0f;
    return b;
}

} // namespace

// ---------------------------------------------------------------------------
// Weapons

MGPenetration Vehicle::GetWeaponInfo(WeaponType* type, WeaponClass* wclass, DataKnowledge k) {
    WeaponType t = kWeaponNone;
    WeaponClass c = kWClassSmallArms;
    MGPenetration result = 0;
    if (!mFiringMGs) {
        t = GetVehicleDataRecord(k).mMainWeapon;
        c = t == kWeaponNone ? kWClassSmallArms : gWeaponData[t].mClass;
    } else if (mMGSmallArms != kSmallArmsNone && gSmallArmsData[mMGSmallArms].mMGClass == 4) {
        c = kWClassFlame;
        switch (mMGSmallArms) {
        case 56:
            t = 25;
            break;
        case 57:
            t = 26;
            break;
        case 58:
            t = 185;
            break;
        default:
            t = 184;
            break;
        }
    } else if (mMGSmallArms != kSmallArmsNone) {
        const int32_t mc = gSmallArmsData[mMGSmallArms].mMGClass;
        result = mc == 2 || mc == 3 ? mc : 0;
    }
    if (type) *type = t;
    if (wclass) *wclass = c;
    return result;
}

bool Vehicle::HasAntiArmorWeapon(bool countMGs) {
    if (HasOrdnance(false, true)) return true;
    if (!countMGs) return false;
    const VehicleData& d = Data();
    for (SmallArmsType s : {d.mBowMG, d.mCoaxMG, d.mFreeMG})
        if (s != kSmallArmsNone && gSmallArmsData[s].mMGClass == 3) return true;
    return false;
}

bool Vehicle::HasFlamethrower(DataKnowledge k) {
    const WeaponType w = GetVehicleDataRecord(k).mMainWeapon;
    if (w != kWeaponNone && gWeaponData[w].mClass == kWClassFlame) return true;
    const VehicleData& d = Data();
    for (SmallArmsType s : {d.mBowMG, d.mCoaxMG, d.mFreeMG})
        if (s != kSmallArmsNone && gSmallArmsData[s].mMGClass == 4) return true;
    return false;
}

int32_t Vehicle::GetAmmoProfile() {
    return Data().mAmmoProfile;
}

AmmoClass Vehicle::ChooseAmmo(Unit* target, bool smokeAllowed) {
    if (mAreaFireFlag && !target && smokeAllowed) return mAmmo[kAmmoSmoke] ? kAmmoSmoke : kAmmoNone;
    if (mFiringMGs || mWeaponKnockedOut) return kAmmoNone;
    const AmmoClass c = mAmmoClassInUse;
    if (target == mTarget && c != kAmmoNone && c >= 0 && c < kAmmoClassCount && mMGTargetOwnsTarget &&
        (smokeAllowed || c != kAmmoSmoke) && mAmmo[c] != 0) {
        if ((c == kAmmoHE75 || c == kAmmoAP75) && target &&
            PointedWithin(mHeading, 15.0f, target->mX, target->mY))
            return Unit::ChooseAmmo(target, smokeAllowed);
        return c;
    }
    return Unit::ChooseAmmo(target, smokeAllowed);
}

bool Vehicle::InGunArc(float x, float y, bool halfArc) {
    if (HasTurret()) return true;
    float left = Data().mGunArc;
    float right = Data().mGunArcClockwise;
    if (halfArc) {
        left *= 0.5f;
        right *= 0.5f;
    }
    float heading = left >= 0.0f ? mHeading : mHeading + 180.0f;
    heading -= static_cast<float>(static_cast<int32_t>(heading / 360.0f)) * 360.0f;
    if (heading < 0.0f) heading += 360.0f;
    float off = heading - BearingOf(x - mX, y - mY);
    if (off > 180.0f) off -= 360.0f;
    if (off <= -180.0f) off += 360.0f;
    if (off <= 0.0f) return -off <= std::fabs(left);
    return off <= std::fabs(right);
}

bool Vehicle::AbleToFaceLocation(float x, float y) {
    if (CanMovePhysically() && (IsStopped() || (mNrWaypoints > 0 && mWaypoints[0].mOrder == 13))) return true;
    return InGunArc(x, y, false);
}

float Vehicle::RotationSpeed() {
    if (!CanMovePhysically()) return 0.0f;
    const VehicleData& d = Data();
    const float top = static_cast<float>(d.mTopSpeed) * 0.4473f;
    const float saved = sMoveSpeedForm;
    sMoveSpeedForm = 0.0f;
    const float allowed = MoveSpeed(nullptr);
    sMoveSpeedForm = saved;
    const float f = top > 0.0f ? std::fabs(allowed * 40.0f / top) * 0.67f : 0.0f;
    const float k = d.mKind == 3 || d.mKind == 4 ? 1.83f : 2.92f;
    const float power = d.mWeight > 0 ? static_cast<float>(d.mPower) / static_cast<float>(d.mWeight) : 0.0f;
    float rate = k * (f + 0.33f) * power;
    const float v = std::fabs(mPlaybackSpeed);
    if (v < 0.0894f) rate *= v * 11.18568f * 0.75f + 0.25f;
    float reach = d.mHullFigure * 3.6f;
    if (d.mGunReach == 1)
        reach += 1.3f;
    else if (d.mGunReach == 2)
        reach += 2.5f;
    rate *= std::min(RotationTerrainFactor(TerrainAhead(mX, mY, mHeading, reach)),
                     RotationTerrainFactor(TerrainAhead(mX, mY, mHeading, -reach)));
    return std::isfinite(rate) ? rate * 0.025f : 0.0f;
}

float Vehicle::TurretRotationSpeed() {
    if (mWeaponKnockedOut) return 0.0f;
    const VehicleData& d = Data();
    float rate = 6.0f;
    switch (d.mTurretKind) {
    case 0:
        rate = 6.0f;
        break;
    case 1:
        rate = 8.0f;
        break;
    case 2:
        rate = 11.0f;
        break;
    case 3:
        rate = 14.0f;
        break;
    case 4:
        rate = 24.0f;
        break;
    case 5:
        rate = !HasOrdnance(true, false) ? 35.0f : (GetWeaponClass() == kWClassTwinGun ? 24.0f : 9.0f);
        break;
    default:
        break;
    }
    if (d.mGunReach != 0)
        rate *=
            RotationTerrainFactor(TerrainAhead(mX, mY, ActualHeadFacing(), d.mGunReach == 1 ? 6.0f : 4.0f));
    return rate * 0.025f;
}

float Vehicle::AdjustGunElevationForBodyTilt() {
    Tilt(false);
    const float p = mHullPitch, r = mHullRoll;
    if (p == 0.0f && r == 0.0f) return 0.0f;
    const float t = mTurretBearing;
    if (t > 0.0f && t <= 90.0f) {
        const float w = 1.0f - t / 90.0f;
        return -w * p - (1.0f - w) * r;
    }
    if (t > 90.0f) {
        const float w = t / 90.0f - 1.0f;
        return w * p - (1.0f - w) * r;
    }
    if (t >= -90.0f) {
        const float w = 1.0f + t / 90.0f;
        return -w * p + (1.0f - w) * r;
    }
    const float w = -t / 90.0f - 1.0f;
    return w * p + (1.0f - w) * r;
}

float Vehicle::SmallArmsFirepower(float range, MGPenetration* out, bool fullStrength, bool byExperience) {
    const bool set = mMGSmallArms != kSmallArmsNone;
    if (out) {
        const int32_t c = set ? gSmallArmsData[mMGSmallArms].mMGClass : 0;
        *out = c == 1 || c == 4 || c == 5 ? 0 : c;
    }
    float fp = SmallArmFP(set ? mMGSmallArms : 42, range, kFirePlain);
    if (!fullStrength) fp = mMGFireValue * (1.0f / 60.0f) * fp;
    if (byExperience) fp = AdjustFPByExperience(fp, true);
    return fp;
}

void Vehicle::HeavyWeaponMinMax(float* minimum, float* maximum) {
    const WeaponData& w = gWeaponData[Data().mMainWeapon];
    float lo = w.mMinRange;
    const WeaponClass c = GetWeaponClass();
    if (c == kWClassGun || c == kWClassTwinGun) lo = std::max(lo, 8.0f);
    if (minimum) *minimum = lo;
    if (maximum) *maximum = w.mMaxRange;
}

bool Vehicle::InRange(float range, bool strict, float factor) {
    float lo = 1000000.0f, hi = 0.0f;
    if (!mFiringMGs && HasHeavyWeapon(kKnowTruth)) HeavyWeaponMinMax(&lo, &hi);
    const VehicleData& d = Data();
    const struct {
        int32_t ready;
        SmallArmsType type;
    } mounts[3] = {
        {NrFreeMGsReady(false), d.mFreeMG}, {NrCoaxMGsReady(false), d.mCoaxMG}, {NrBowMGsReady(), d.mBowMG}};
    for (const auto& m : mounts) {
        if (m.ready <= 0) continue;
        lo = 0.0f;
        hi = std::max(hi, static_cast<float>(gSmallArmsData[m.type].mMaxRange));
    }
    hi *= factor;
    return lo <= range && range <= hi;
}

bool Vehicle::AIWantsToFire(AmmoClass* ammo) {
    if (!Unit::AIWantsToFire(ammo)) return false;
    if (!mFiringMGs && HasHeavyWeapon(kKnowTruth)) {
        if (!mTarget && !mAreaTarget) return false;
        const float d = mTarget ? DistanceToLocation(mTarget->mX, mTarget->mY)
                                : DistanceToLocation(mAreaTargetX, mAreaTargetY);
        float lo = 0.0f, hi = 0.0f;
        HeavyWeaponMinMax(&lo, &hi);
        return d >= lo && d <= hi;
    }
    return true;
}

void Vehicle::SetFiringAnimation() {
    WeaponClass c = kWClassSmallArms;
    GetWeaponInfo(nullptr, &c, kKnowIdentified);
    if (c != kWClassGun && c != kWClassTwinGun && c != kWClassFlame) return;
    for (int32_t& a : mAnimation) {
        if (a == 4) continue;
        a = 4;
        gPacket = true;
    }
}

// ---------------------------------------------------------------------------
// Turret

float Vehicle::ActualHeadFacing() {
    float g = mHeading + mTurretBearing;
    if (!std::isfinite(g)) return 0.0f;
    if (g < 0.0f) g += static_cast<float>(static_cast<int32_t>(-g / 360.0f) + 1) * 360.0f;
    if (g >= 360.0f) g -= static_cast<float>(static_cast<int32_t>(g / 360.0f)) * 360.0f;
    return g;
}

void Vehicle::PointTurretAt(float x, float y) {
    float b = BearingOf(x - mX, y - mY) - mHeading;
    if (b <= -180.0f) b += 360.0f;
    if (b > 180.0f) b -= 360.0f;
    mTurretBearing = b;
    gPacket = true;
}

// Limits of the gun's traverse (L1 counter-clockwise, L2 clockwise). With
// L1 = 0 a turret traverses all round, while a gun without a turret keeps
// within -|L2| .. 0 (the arc InGunArc gives it). A gun facing the rear keeps
// its bearing within 180 - |L2| .. 180 and -180 .. -180 + |L1|, whichever
// sign the table gives its limits.
namespace {
bool TraversesFreely(Vehicle& v) {
    return v.Data().mGunArc == 0 && v.HasTurret();
}
} // namespace

void Vehicle::RotateTurretToward(float x, float y) {
    const float g = ActualHeadFacing();
    const float s = TurretRotationSpeed();
    if (PointedWithin(g, s, x, y)) {
        if (!PointedWithin(g, 0.03f, x, y)) PointTurretAt(x, y);
        if (mTurretRate != 0.0f) {
            mTurretRate = 0.0f;
            gPacket = true;
        }
        return;
    }
    const float d = g - BearingOf(x - mX, y - mY);
    float rate = (d > 0.0f && d <= 180.0f) || d < -180.0f ? -s : s;
    const float l1 = Data().mGunArc, l2 = Data().mGunArcClockwise;
    if (!HasTurret() && d != 0.0f && (l1 <= -90.0f || l1 >= 90.0f || l2 <= -90.0f || l2 >= 90.0f)) {
        const float off = WrapHalf(BearingOf(x - mX, y - mY) - mHeading);
        const bool p = off > 0.0f;
        const bool q = mTurretBearing > 0.0f;
        if (p != q && ((l1 < 0.0f && p == (rate > 0.0f)) || (l1 >= 0.0f && p != (rate > 0.0f)))) rate = -rate;
    }
    const float n = mTurretBearing + rate;
    bool ok = false;
    if (TraversesFreely(*this))
        ok = true;
    else if (l1 >= 0.0f)
        ok = n >= -std::fabs(l2) && n <= l1;
    else
        ok = n >= 180.0f - std::fabs(l2) || n <= -180.0f + std::fabs(l1);
    if (ok) {
        if (rate != mTurretRate) {
            mTurretRate = rate;
            gPacket = true;
        }
    } else if (mTurretRate != 0.0f) {
        mTurretRate = 0.0f;
        gPacket = true;
    }
}

void Vehicle::KeepTurretInBounds() {
    mTurretBearing = WrapHalf(mTurretBearing + mTurretRate);
    const float l1 = Data().mGunArc, l2 = Data().mGunArcClockwise;
    if (TraversesFreely(*this)) return;
    float limit = mTurretBearing;
    if (l1 >= 0.0f) {
        if (mTurretBearing > l1)
            limit = l1;
        else if (mTurretBearing < -std::fabs(l2))
            limit = -std::fabs(l2);
    } else {
        const float pos = 180.0f - std::fabs(l2), neg = -180.0f + std::fabs(l1);
        if (mTurretBearing >= 0.0f && mTurretBearing < pos)
            limit = pos;
        else if (mTurretBearing < 0.0f && mTurretBearing > neg)
            limit = neg;
    }
    if (limit != mTurretBearing) {
        mTurretBearing = limit;
        mTurretRate = 0.0f;
        gPacket = true;
    }
}
