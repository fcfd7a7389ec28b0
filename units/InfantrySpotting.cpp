// How far an infantry unit can be seen, how its own sight and hearing
// change with where it looks and how it moves, and its optics.
//
// The first look of a pair of units traces the line and applies the haze;
// the map's stored sight table answers every later look of that pair.

#include <cmath>

#include "units/FireShared.h"
#include "units/InfantryConduct.h"
#include "units/Vehicle.h"

using namespace infantry;

namespace {

constexpr WeaponType kHardToSee = 252; // seen at 0.4 times the range

// Range (m) at which a unit of that concealment class is seen, by its
// adjusted terrain effect t.
float ConcealmentRange(int32_t k, float t) {
    switch (k) {
    case 1:
        return 276.8f * t * t + 168.8f * t - 2.696f;
    case 3:
        return 536.9f * t * t + 223.5f * t + 4.643f;
    case 4:
        return -19.36f * t * t + 810.7f * t + 85.58f;
    default:
        return 375.2f * t * t + 252.0f * t + 1.61f;
    }
}

float Haze() {
    return gBattle && gBattle->mVisibilityFactor > 0.0f ? gBattle->mVisibilityFactor : 1.0f;
}

} // namespace

float Infantry::SpottingRange(Unit* spotter) {
    if (!spotter) return 0.0f;
    Map* map = BattleMapOrNull();
    bool stored = false, los = false, hdKnown = false, hd = false;
    float exposure = 0.0f;
    if (map) stored = map->CheckStoredLOS(spotter, this, &los, &exposure, &hdKnown, &hd);
    if (stored && !los) return 0.0f;
    if (stored) ReuseExposureOnce();
    const WeaponClass look = mContactLevel < 2 ? kWClassSmallArms : kWClassGun;
    float m = GetTEMFromLocation(spotter->mX, spotter->mY, spotter->GetZ(), false, false, true, look, true,
                                 &exposure);
    if (!stored && m > 0.0f) {
        const float d = fire::Distance3(spotter->mX, spotter->mY, spotter->GetZ(), mX, mY, GetZ());
        exposure *= static_cast<float>(std::pow(static_cast<double>(Haze()), static_cast<double>(d / 2.0f)));
        if (exposure < 0.3f) {
            m = 0.0f;
            exposure = 0.0f;
        }
    }
    if (!stored && map) map->StoreLOS(spotter, this, m > 0.0f, exposure, false, false, false);
    if (!(m > 0.0f)) return 0.0f;

    const float t = m * std::sqrt(exposure);
    const MovementSpeedType row = mMoveSpeed == kPaceHold && mLoadTime < 0.0f ? kPaceStand : mMoveSpeed;
    int32_t k = gMovementSpeedChart[row].mConcealClass;
    if (k == 1 && mContactLevel > 0 && HasOrdnance(false, false)) k = 2;
    float r = ConcealmentRange(k, t);
    const int32_t tod = fire::TimeOfDay();
    if (tod == kNight)
        r *= 0.333333f;
    else if (tod == 0 || tod == 2)
        r *= 0.666667f;
    r *= 1.1414f - 0.1f * std::sqrt(static_cast<float>(GetEffectiveExperience(kLeadStealth)));
    if (Record().mHeavyWeapon == kHardToSee) r *= 0.4f;
    return r < 10.0f ? 10.0f : r;
}

void Infantry::SpotterMods(Unit* target, float* sight, float* hearing) {
    Unit::SpotterMods(target, sight, hearing);
    if (!target) return;
    const MovementSpeedChart& pace = gMovementSpeedChart[mMoveSpeed];
    // A sight of 0 stays 0 below (see Unit::SpotterMods): the unit's aspect
    // and cover are asked only when the spotter sees it at all.
    if (*sight != 0.0f) {
        const float a = AspectToLocation(target->mX, target->mY, true, true);
        if (a <= 20.0f && UsingBinoculars(target)) {
            Vehicle* v = fire::AsVehicle(target);
            if ((v && !v->mDugIn) || !target->InCover(v != nullptr)) {
                const bool hidingInfantry = target->mUnitType == kUnitInfantry && target->IsHiding(false);
                *sight *= hidingInfantry ? 2.0f : 4.0f;
            }
        }
        if (a >= 125.0f)
            *sight = pace.mEyesFront ? 0.0f : *sight * 0.25f;
        else if (a >= 60.0f)
            *sight *= pace.mEyesFront ? 0.25f : 0.5f;
        if (mAbandonedVehicle) *sight *= 0.3f;
    }
    *hearing *= pace.mHearingFactor;
    *sight *= pace.mSightFactor;
}

int32_t Infantry::GetOpticalType() {
    WeaponType w = kWeaponNone;
    WeaponClass c = 0;
    GetWeaponInfo(&w, &c, kKnowTruth);
    if (GetNation() == 0 && w != kWeaponNone && (c == kWClassGun || c == kWClassTwinGun) &&
        gWeaponData[w].mCalibre > 70.0f)
        return 5;
    return 0;
}

bool Infantry::HaveBinoculars() {
    if (Record().mIsSquad || mAbandonedVehicle || IsTankHunter()) return false;
    if (IsLeader(nullptr)) return true;
    const WeaponClass c = GetWeaponClass();
    return c != kWClassLightAT && c != kWClassFlame && c != kWClassAT;
}

bool Infantry::UsingBinoculars(Unit* target) {
    const bool noOrders = mNrWaypoints == 0 || (mNrWaypoints == 1 && mWaypoints[0].mOrder == kPaceTurn);
    return noOrders && HaveBinoculars() && mSuppression < 100.0f && !mSurrendered;
}

bool Infantry::Abandoned() {
    return !mActive && !mGunKnockedOut && !mAbandonedVehicle && GetNrFigures() == 0;
}

bool Infantry::WantsToLimitTargetingAttentionToDirectThreats() {
    if (IsHiding(true) || mMoveSpeed == kPaceFast) return true;
    return HasMovementOrders() && mWaypoints[0].mOrder == kPaceFast;
}
