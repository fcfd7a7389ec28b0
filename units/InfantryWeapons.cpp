// Infantry weapons and fire timing: the weapon the unit fires, its reach,
// aim and load times in seconds, the damping of close fire, target changes
// and a forward observer's adjustment point.

#include <cmath>

#include "battle/Battle.h"
#include "battle/BattleMap.h"
#include "engine/GOLTA.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/Infantry.h"
#include "units/UnitGeometry.h"

namespace {

constexpr int16_t kCrewServed = 9999;
constexpr float kMaxLoadTime = 640.0f;
constexpr float kLowAmmoLoadTime = 39.0f;

float RandomTimeFactor() {
    return static_cast<float>(RandomFraction() * 0.4 + 0.8);
}

} // namespace

MGPenetration Infantry::GetWeaponInfo(WeaponType* type, WeaponClass* wclass, DataKnowledge k) {
    if (gFiringSecondarySmallArms) {
        if (type) *type = kWeaponNone;
        if (wclass) *wclass = kWClassSmallArms;
        return 0;
    }
    if (mHastyFire) {
        if (type) *type = mAntitankWeapon;
        if (wclass) *wclass = kWClassLightAT;
        return 0;
    }
    const InfantryData* r = GetInfantryDataRecord(k);
    if (r->mHeavyWeapon != kWeaponNone) {
        if (type) *type = r->mHeavyWeapon;
        if (wclass) *wclass = gWeaponData[r->mHeavyWeapon].mClass;
        return 0;
    }
    if (type) *type = kWeaponNone;
    if (wclass) *wclass = kWClassSmallArms;
    FogOfWarContact level =
        k == kKnowTruth ? kContactFull
                        : (k == kKnowIdentified ? VisibleToPlayer(true) : VisibleToSide(IsAxis(), true));
    int32_t best = 0;
    const int32_t teams = r->mNrTeams < 0 ? 0 : (r->mNrTeams > kInfantryTeams ? kInfantryTeams : r->mNrTeams);
    for (int32_t t = teams - 1; t >= 0; --t) {
        SmallArmsType arms = level >= 4 && mTeamMen[t] >= 1
                                 ? mTeamSmallArms[t]
                                 : ActualSmallArmType(r->mTeamSmallArms[t], mForce, false);
        int32_t mg = gSmallArmsData[arms].mMGClass;
        if (mg == 4 || mg == 5) mg = 0;
        if (mg > best) best = mg;
    }
    return best;
}

bool Infantry::InRange(float range, bool moving, float factor) {
    const InfantryData& r = Record();
    const bool underWay = moving && mPlaybackSpeed != 0.0f;
    float lo = 0.0f;
    float hi = 0.0f;
    if (underWay && r.mSpeedClass < kSpeedUnencumbered) {
        hi = r.mIsSquad ? 40.0f : 0.0f;
        return range >= lo && range <= hi;
    }
    if (r.mHeavyWeapon == kWeaponNone) {
        for (int32_t t = 0; t < kInfantryTeams; ++t) {
            if (mTeamMen[t] < 1) continue;
            const SmallArmsData& s = gSmallArmsData[mTeamSmallArms[t]];
            if (underWay && s.mAutoClass == 0) continue;
            if (s.mMaxRange > hi) hi = s.mMaxRange;
        }
    } else {
        lo = gWeaponData[r.mHeavyWeapon].mMinRange;
        hi = gWeaponData[r.mHeavyWeapon].mMaxRange;
    }
    hi *= factor;
    return range >= lo && range <= hi;
}

float Infantry::FullAimTime(bool randomise, bool quick) {
    const InfantryData& r = Record();
    const WeaponType weapon = r.mHeavyWeapon;
    const WeaponClass wclass = weapon == kWeaponNone ? kWClassSmallArms : gWeaponData[weapon].mClass;
    float t;
    if (IsForwardObserver()) {
        if (gBattle && gBattle->BombardmentsAllowed()) {
            t = 1.0f;
        } else {
            float e = AdjustFPByExperience(1.0f, false);
            if (e < 1.0f) e *= e;
            bool seen = !mAreaTarget || CanSeeLocation(mAreaTargetX, mAreaTargetY);
            t = e > 0.0f ? TimeOnTarget(GetNation(), weapon, seen) / e
                         : TimeOnTarget(GetNation(), weapon, seen);
        }
        if (randomise) t *= RandomTimeFactor();
        return t;
    }
    if (r.mBaseLoadTime == kCrewServed) {
        if (mAcquisition == 0 && !quick && wclass == kWClassMortar) {
            t = 6.0f;
        } else {
            t = 2.5f;
            if ((mAcquisition == 0 && !quick) || wclass == kWClassLightAT || wclass == kWClassAT) t += 2.0f;
            if (mTarget && (wclass == kWClassGun || wclass == kWClassTwinGun))
                t *= OpticalQualityTrack(Distance3D(this, mTarget),
                                         (std::fabs(mPlaybackSpeed) + std::fabs(mTarget->mPlaybackSpeed)) *
                                             40.0f);
        }
    } else if (IsSniper()) {
        t = 5.0f;
    } else {
        if (r.mFlags & kILightGun)
            t = 3.0f;
        else
            t = mTurnRate != 0.0f && mPlaybackSpeed == 0.0f && mNrWaypoints > 0 ? 0.2f : 0.1f;
        const MovementSpeedChart& pace = gMovementSpeedChart[mMoveSpeed];
        if (pace.mFireLevel == 1)
            t += 5.0f;
        else if (pace.mFireLevel == 2)
            t += mMoveSpeed == 2 ? 8.0f : 4.0f;
        else if (pace.mPaceKind > 0)
            t += 3.0f;
    }
    t *= (mSuppression + 100.0f) * 0.01f;
    t *= (mFatigue + 400.0f) * 0.0025f;
    if (randomise) t *= RandomTimeFactor();
    return t;
}

float Infantry::FullLoadTime(bool randomise, bool quick) {
    const InfantryData& r = Record();
    float t = r.mBaseLoadTime;
    if (!IsForwardObserver()) {
        if (IsSniper()) {
            t = 20.0f;
        } else if (r.mBaseLoadTime == kCrewServed) {
            const WeaponType weapon = r.mHeavyWeapon;
            const WeaponData& w = gWeaponData[weapon];
            const AmmoType a = AmmoTypeInUse(kAmmoLenient, weapon, kAmmoHE, nullptr);
            int32_t x = mExperience;
            if (gBattle && gBattle->mComputerBonus >= 1 && PlayedByComputer()) {
                x += gBattle->mComputerBonus;
                if (x > kExperienceMaxEffective) x = kExperienceMaxEffective;
            }
            t = HeavyReload(weapon, w.mClass, gAmmoData[a].mWeight, x) * 0.8f;
            if (w.mFlags & 8) {
                if (randomise && (RandomPair() & 3u) == 0)
                    t = static_cast<float>(RandomFraction() * 30.0 + 30.0);
                else
                    t *= 1.6f;
            }
            if (mTarget && GetWeaponClass() == kWClassTwinGun) t *= CloseRangeFireFactor();
        } else if (mTarget && !quick) {
            WeaponClass c = GetWeaponClass();
            if (c == kWClassSmallArms || c == kWClassFlame || c == kWClassSniper) t *= CloseRangeFireFactor();
        }
        bool first = false;
        bool second = false;
        if (mCasualties > 0 && CanSufferPerformanceLoss(&first, &second)) {
            const int32_t alive = MenAlive();
            if (!first && alive > 0)
                t *= std::sqrt(static_cast<float>(r.mNrMen + 1) / static_cast<float>(alive));
            else if (first && alive == 1)
                t *= 2.0f;
        }
        const float s = mSuppression < 100.0f ? mSuppression : 100.0f;
        t = (mFatigue + 400.0f) * 0.0025f * ((1.2f * s + 100.0f) * 0.01f) * t;
        if (HasLowAmmoStatus() && t < kLowAmmoLoadTime) t = kLowAmmoLoadTime;
    }
    if (randomise) t *= RandomTimeFactor();
    if (t > kMaxLoadTime) t = kMaxLoadTime;
    return t;
}

float Infantry::CloseRangeFireFactor() {
    float f = 1.0f;
    if (!mTarget) return f;
    Unit* target = mTarget;
    float d = Distance3D(this, target);
    if (d < 120.0f) {
        if (d < 10.0f) d = 10.0f;
        f = (d + 1.0f) * 0.00826f;
    }
    if (mSuppression >= 100.0f || d >= 600.0f) return f;
    const bool climbing = target->mZ > 0.0f && target->mZ < 1.0f;
    if (target->mPlaybackSpeed == 0.0f && !climbing) return f;
    if (target->IsArmoredVehicle(kKnowTruth, false)) return f;
    WeaponType type = kWeaponNone;
    WeaponClass c = 0;
    const MGPenetration p = GetWeaponInfo(&type, &c, kKnowTruth);
    const float reach = c == kWClassTwinGun || p >= 2 ? 600.0f : 200.0f;
    if (!(c == kWClassTwinGun || (c == kWClassSmallArms && d < reach))) return f;
    const float cover =
        target->GetTEMFromLocation(mX, mY, GroundHeightAt(mX, mY), true, false, false, 0, false, nullptr);
    float g = 1.0f;
    if (cover > 1.0f) {
        g = (2.0f * cover - 2.0f) * 0.18181818181818182f + 1.0f;
        if (d > reach / 3.0f) g = (g - 1.0f) * (1.0f - d / reach) * 1.5f + 1.0f;
    }
    const float s = mSuppression;
    const float v = ((100.0f - s) / g + s) * 0.01f;
    return v < f ? v : f;
}

bool Infantry::CanChangeTarget() {
    if (!Unit::CanChangeTarget() || mTransport) return false;
    if (HasHeavyWeapon(kKnowTruth) && mSuppression >= 100.0f) return false;
    if (!mAreaTarget || mExplosives == 0) return true;
    return DistanceToLocation(mAreaTargetX, mAreaTargetY) > 30.0f;
}

bool Infantry::HasAntiArmorWeapon(bool countHandHeld) {
    const InfantryData& r = Record();
    if (r.mHeavyWeapon == kWeaponNone)
        return countHandHeld && gSmallArmsData[mTeamSmallArms[0]].mMGClass == 3;
    const WeaponClass c = gWeaponData[r.mHeavyWeapon].mClass;
    return c == kWClassLightAT || c == kWClassGun || c == kWClassTwinGun || c == kWClassAT;
}

bool Infantry::HasLowAmmoStatus() {
    return mAmmo[kAmmoHE] == 0 && !HasHeavyWeapon(kKnowTruth);
}

bool Infantry::HasFunctioningWeapon() {
    if (HasLowAmmoStatus()) return true;
    return Unit::HasFunctioningWeapon();
}

bool Infantry::WithinFOAdjustment(float x, float y, bool* exact) {
    if (exact) *exact = false;
    if (mFOTargetX == kFOUnset || mFOTargetY == kFOUnset || !std::isfinite(x) || !std::isfinite(y))
        return false;
    const float dx = mFOTargetX - x;
    const float dy = mFOTargetY - y;
    // Only a caller that asks whether the point is the adjustment point
    // itself is spared the look at the ground.
    if (exact && dx == 0.0f && dy == 0.0f) {
        *exact = true;
        return true;
    }
    if (!(dx * dx + dy * dy < 10000.0f)) return false;
    return CanSeeLocation(x, y);
}

void Infantry::RestoreKeptFireData() {
    if (mFOTargetX == kFOUnset || mFOTargetY == kFOUnset) return;
    mAreaTargetX = mFOTargetX;
    mAreaTargetY = mFOTargetY;
    if (mFOAimTime != kFOUnset) mAimTime = mFOAimTime;
    mMissionLive = mSavedMissionLive;
    mRoundPattern = mSavedRoundPattern;
    if (mFOLastErrorX != kFOUnset && mFOLastErrorY != kFOUnset) {
        mFOErrorX = mFOLastErrorX;
        mFOErrorY = mFOLastErrorY;
    }
}
