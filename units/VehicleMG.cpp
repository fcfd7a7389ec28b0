// The vehicle's machine guns: each group (bow, coaxial, free) that is
// ready searches its own arc and range for a target, fires a burst through
// the unit's fire rules, spends its rounds and then waits.

#include <algorithm>
#include <cmath>

#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/GOLTA.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/UnitGeometry.h"
#include "units/Vehicle.h"

bool Vehicle::sDetailedSpotting = false;

namespace {

constexpr float kSlice = 0.025f; // seconds
constexpr int32_t kFlameClass = 4;

// The state of one machine-gun target search.
struct MGSearch {
    float facing = 0.0f;
    float arc = 0.0f;
    float range = 0.0f;
    Unit* only = nullptr;
    bool bow = false;
    bool aircraft = false;
};
MGSearch sSearch;

bool IsFlameType(SmallArmsType t) {
    return t != kSmallArmsNone && gSmallArmsData[t].mMGClass == kFlameClass;
}

// Men left to work the guns.
int32_t MenLeft(const Vehicle* v) {
    return v->Data().mCrew - v->mCasualties;
}

} // namespace

// One candidate of the search: every test that fails drops it; the
// survivors are scored by the searcher.
void MGTargetCandidate(Unit* u, Vehicle* v) {
    if (!u || u == v) return;
    if (sSearch.only && u != sSearch.only) return;
    if (u->mSide == v->mSide || !u->mActive || !u->IsSpottedNow()) return;
    if (u->mUnitType == kUnitAirplane && !sSearch.aircraft) return;
    if (u->mUnitType == kUnitInanimate || u->mSurrendered || u->IsPassenger(true)) return;
    if (!(Distance3D(v, u) < sSearch.range)) return;
    if (!v->PointedWithin(sSearch.facing, sSearch.arc, u->mX, u->mY) || !v->TacAICanSee(u)) return;
    if (sSearch.bow && v->HullDownTo(u)) return;
    if (v->mMGSmallArms == kSmallArmsNone || IsFlameType(v->mMGSmallArms)) {
        if (gBattle && gBattle->mUnits &&
            gBattle->mUnits->LivingUnitIsNearby(u->mX, u->mY, v->GetAffiliation(), 20.0f, v))
            return;
    }
    v->AIScoreTarget(u, true);
}

bool Vehicle::ChooseMGTarget(float facing, float arc, float range, bool onlyCurrent, Unit** target, bool bow,
                             bool aircraft) {
    if (target) *target = nullptr;
    sSearch.facing = facing;
    sSearch.arc = arc;
    if (mAreaTarget && !mAreaFireFlag && PointedWithin(facing, arc, mAreaTargetX, mAreaTargetY) &&
        DistanceToLocation(mAreaTargetX, mAreaTargetY) <= range && CanSeeLocation(mAreaTargetX, mAreaTargetY))
        return true;
    sSearch.range = range;
    sSearch.only = onlyCurrent ? mTarget : nullptr;
    sSearch.bow = bow;
    sSearch.aircraft = aircraft;
    gBestTargetScore = -1.0f;
    gBestTarget = nullptr;
    const bool area = mAreaTarget, fireFlag = mAreaFireFlag, locked = mTargetLocked;
    Unit* current = mTarget;
    // Every unit of the list in its order; one of this side, or another
    // than the only one asked about, is passed over here (the candidate
    // test would drop it at once).
    if (gBattle && gBattle->mUnits) {
        gBattle->mUnits->AnyOtherSideUnit(this, [this](Unit* u) {
            if (!sSearch.only || u == sSearch.only) MGTargetCandidate(u, this);
            return false;
        });
    }
    mAreaTarget = area;
    mAreaFireFlag = fireFlag;
    mTargetLocked = locked;
    mTarget = current;
    if (target) *target = gBestTarget;
    return gBestTarget != nullptr;
}

bool Vehicle::TacAICanSee(Unit* u) {
    if (!u || !CanSee(u, nullptr)) return false;
    if (!mButtoned || IsFixed() || !(gBattle && gBattle->mComputing) || !sDetailedSpotting) return true;
    return u->SpotLevel(false, this) >= 2;
}

void Vehicle::FireMachineGuns() {
    const VehicleData& d = Data();
    // The last man drives.
    if (mCasualties > 0 && MenLeft(this) < 2 && CanMovePhysically()) return;
    const bool hasty = mHastyFire;
    if (mTarget) mHastyFire = false;

    for (int32_t g = 0; g < 3; ++g) {
        mMGWait[g] -= kSlice;
        if (mMGWait[g] <= kSlice) mMGWait[g] = 0.0f;
        if (mMGWait[g] != 0.0f) continue;

        int32_t n;
        SmallArmsType type;
        if (g == 0) {
            type = d.mBowMG;
            mMGSmallArms = type;
            n = NrBowMGsReady();
            mMGFireValue = (n > 0 && IsFlameType(type)) ? 7.0f : 11.0f;
        } else if (g == 1) {
            type = d.mCoaxMG;
            mMGSmallArms = type;
            mMGFireValue = 10.0f;
            n = NrCoaxMGsReady(true);
        } else {
            type = d.mFreeMG;
            mMGSmallArms = type;
            mMGFireValue = mButtoned ? 16.0f : 8.0f;
            n = NrFreeMGsReady(true);
        }

        if (n > 0) {
            float facing, arc;
            bool only = false;
            if (g == 0) {
                facing = mHeading, arc = 22.5f;
            } else if (g == 1) {
                facing = Clamp360(mHeading + mTurretBearing), arc = 5.0f;
                only = mTarget != nullptr;
            } else if (type == 48) {
                facing = Clamp360(mHeading + mTurretBearing + 180.0f), arc = 22.5f;
            } else {
                facing = mHeading, arc = (d.mFlags & kVThirdMGForward) ? 40.0f : 181.0f;
            }
            const bool antiAircraft = gSmallArmsData[type].mAntiAircraft != 0;
            const bool aircraft = antiAircraft && (g == 2 || (g == 1 && (d.mFlags & kVCoaxAntiAircraft)));

            mFiringMGs = true;
            Unit* t = nullptr;
            if (!ChooseMGTarget(facing, arc, static_cast<float>(gSmallArmsData[type].mMaxRange), only, &t,
                                g == 0, aircraft)) {
                mMGWait[g] = 1.0f;
            } else {
                uint8_t& rounds = mMGRounds[GetMGAmmoType(type)];
                if (rounds < n) {
                    n = rounds;
                    rounds = 0;
                } else {
                    rounds = static_cast<uint8_t>(rounds - n);
                }
                gPacket = true;
                Unit* target = mTarget;
                const bool area = mAreaTarget;
                mTarget = t;
                if (!t) mAreaTarget = true;
                for (int32_t i = n - 1; i >= 0; --i)
                    Fire(kAmmoNone, 20 * i);
                mMGFireValue *= static_cast<float>(0.8 + 0.4 * RandomFraction());
                if (t && t->mUnitType == kUnitAirplane) mMGFireValue *= 0.25f;
                if (t) {
                    const float dist = Distance3D(this, t);
                    if (dist < 150.0f) mMGFireValue *= std::clamp(dist * 0.00481f + 0.2778f, 0.35f, 1.0f);
                }
                mMGWait[g] = mMGFireValue;
                mTarget = target;
                mAreaTarget = area;
                if (!mTarget && !mAreaTarget && !HasHeavyWeapon(kKnowTruth)) {
                    mTarget = t;
                    mMGTargetOwnsTarget = false;
                }
            }
            mFiringMGs = false;
        }
        if (!mMGTargetOwnsTarget && !HasFunctioningMG(false)) mMGTargetOwnsTarget = true;
    }
    mMGSmallArms = kSmallArmsNone;
    mHastyFire = hasty;
}
