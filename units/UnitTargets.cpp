// Target orders: taking a target (a unit or a point for area fire),
// dropping it, and the small questions with which the battle screen and the
// computer opponent judge targets.
//
// A forward observer fires at points, never at units: a unit given to it as
// a target becomes area fire at that unit's place, and its running fire
// mission survives a cancel that is not forced.

#include <cmath>

#include "battle/Battle.h"
#include "engine/GOLTA.h"
#include "units/Functions.h"
#include "units/Unit.h"

namespace {

constexpr float kPinnedReach = 20.0f; // metres a pinned squad still fires
constexpr float kPinnedReachThreatened = 100.0f;
constexpr float kObserverAirValueCap = 15.0f;
constexpr int32_t kModeKeepCoveredArc = 0; // the only mode that may cancel the arc
constexpr int32_t kModeUnordered = 2;      // the target is not remembered as ordered

float Distance3D(Unit& a, Unit& b) {
    float dx = b.mX - a.mX;
    float dy = b.mY - a.mY;
    float dz = b.GetZ() - a.GetZ();
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

} // namespace

void Unit::ReceiveTargetOrders(Unit* target, float x, float y, bool lock, int32_t mode) {
    // Own units and the unit itself are no targets; a point must be a number.
    if (target && (target == this || target->mSide == mSide)) return;
    if (!target && (!std::isfinite(x) || !std::isfinite(y))) return;
    mTargetChanged = true;
    // A player's or a script's order binds the unit; the computer's own
    // orders leave it free to be re-aimed at its next planning.
    if (mode != kModeUnordered) mTargetFree = false;
    float px = target ? target->mX : x;
    float py = target ? target->mY : y;
    if (mode == kModeKeepCoveredArc && !InCoveredArc(px, py, target, nullptr)) CancelCoveredArc();

    // A mortar that cannot see its target fires at its place when it can.
    if (target && !CanSee(target, nullptr) && GetWeaponClass() == kWClassMortar &&
        CanSeeLocationForAreaFire(target->mX, target->mY)) {
        x = target->mX;
        y = target->mY;
        target = nullptr;
    }

    bool observer = IsForwardObserver();
    bool inRange;
    if (!target)
        inRange =
            (CanSeeLocationForAreaFire(x, y) || observer) && InRange(DistanceToLocation(x, y), false, 1.0f);
    else
        inRange = InRange(Distance3D(*this, *target), false, 1.5f);
    if (!inRange) {
        CancelTarget(true, true);
        return;
    }

    Unit* before = mTarget;
    if (target && (lock || observer)) {
        mAreaTargetX = target->mX;
        mAreaTargetY = target->mY;
        mAreaTarget = true;
        mTarget = nullptr;
    } else {
        mTarget = target;
        mAreaTarget = target == nullptr;
        if (!target) {
            mAreaTargetX = x;
            mAreaTargetY = y;
        } else {
            mTargetDead = !target->mActive;
        }
    }
    if (mAreaTarget && TargetShouldBeLocked()) mTargetChanged = false;
    // The fourth argument both locks the target and asks for smoke at the
    // point: order 44 and the computer's smoke missions give it.
    mTargetLocked = lock;
    mAreaFireFlag = lock;
    mOrderedTarget = mode == kModeUnordered ? nullptr : mTarget;
    AIMakeInitialAmmoSelection();

    if (mAreaTarget || mTarget != before) {
        ResetAimClock();
        if (mTarget != before) mShotsAtTarget = 0;
        // Ranging on an old target again starts where it was left.
        mAcquisition = mTarget && mTarget == mPreviousTarget ? mLastAcquisition : 0;
    }
    if (mHiding && (mTarget || mAreaTarget) && !(observer && gBattle && gBattle->BombardmentsAllowed())) {
        ReceiveMoveOrders(0.0f, 0.0f, kOrderHide, nullptr, false, false, false, true);
        if (gBattle) gBattle->RefreshInfoPanel();
    }
}

void Unit::CancelTarget(bool forget, bool force) {
    if (!force && IsForwardObserver() && mAreaTarget && !mTargetChanged) return;
    mTarget = nullptr;
    mAreaTarget = false;
    mAcquisition = 0;
    mRoundPattern = false;
    mTargetDead = false;
    mTargetChanged = true;
    mAreaFireFlag = false;
    mShotsAtTarget = 0;
    mExtraArtilleryMinutes = 0;
    mTargetFree = true;
    ResetAimClock();
    if (forget) mOrderedTarget = nullptr;
    gPacket = true;
}

bool Unit::TargetShouldBeLocked() {
    return IsForwardObserver() && gBattle && gBattle->BombardmentsAllowed();
}

bool Unit::OKForPinnedToFireAt(Unit* target) {
    if (mUnitType != kUnitInfantry) return true;
    if (!target || target->mUnitType == kUnitVehicle) return false;
    float d = Distance3D(*this, *target);
    return d <= kPinnedReach || (target->mTarget == this && d <= kPinnedReachThreatened);
}

float Unit::AirTargetScore(AirWeaponKind weapon) {
    if (!mActive && mUnitType != kUnitVehicle) return 0.0f;
    float value = GetVPValue(false, kKnowTruth);
    if (IsForwardObserver() && value > kObserverAirValueCap) value = kObserverAirValueCap;
    float score = CoverFromAirFactor(mX, mY) * value * static_cast<float>(RandomFraction());
    if (mContactLevel == kContactNone) score *= 0.5f;
    return score;
}

bool Unit::NearestUnitOfSide(GObject* member, void* context) {
    auto* u = static_cast<Unit*>(member);
    auto* search = static_cast<NearestUnitSearch*>(context);
    if (!u || !search || !u->mActive || u->mSide == search->mSide) return false;
    if (u->mUnitType != kUnitInfantry && u->mUnitType != kUnitVehicle) return false;
    float dx = std::fabs(u->mX - search->mX);
    float dy = std::fabs(u->mY - search->mY);
    if (dx >= search->mBest || dy >= search->mBest) return false;
    float d = std::sqrt(dx * dx + dy * dy);
    if (d < search->mBest) search->mBest = d;
    return false; // keep scanning
}

float Unit::AdjustVPByEditor(float value) {
    float f = AdjustFPByExperience(1.0f, false);
    bool softened = mUnitType == kUnitVehicle || mUnitType == kUnitAirplane || IsForwardObserver();
    if (f < 1.0f && softened)
        f = std::pow(f, 0.6f);
    else if (f > 1.0f || (mUnitType == kUnitInfantry && !HasHeavyWeapon(kKnowTruth)))
        f = std::pow(f, 1.45f);
    float result = value * f;
    if (IsEfficientNation(GetNation()) && mUnitType != kUnitInanimate && mUnitType != kUnitAirplane)
        result *= 1.04f;
    return result;
}
