// Which orders a unit may be given now. The menus offer only these, the
// multi-unit orders and the computer's paces ask the same question, and a
// vehicle checks its covered arc against it every slice, so the answer
// depends on the unit and the battle alone (never on the screen) and costs
// a few field reads. The whole table is in docs/orders.md.
#include <algorithm>
#include <vector>

#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/GKernel.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/Infantry.h"
#include "units/Unit.h"
#include "units/UnitGeometry.h"
#include "units/Vehicle.h"

namespace {

bool IsInfantryUnit(const Unit* u) {
    return u->mUnitType == kUnitInfantry;
}

bool IsVehicleUnit(const Unit* u) {
    return u->mUnitType == kUnitVehicle;
}

bool PlannedOrActive(int32_t kind) {
    return kind == 0 || kind == 1;
}

// Orders that change the pace of a picked waypoint.
bool WaypointPaceOrder(int32_t order) {
    return (order >= 20 && order <= 23) || (order >= 25 && order <= 27) || (order >= 29 && order <= 31);
}

bool PhaseAllows(int32_t order, bool setup) {
    if (order >= 45 && order <= 50) return true;
    if (order >= 51 && order <= 54) return true; // the gun and floor questions
    if (setup) return order == 36 || (order >= 57 && order <= 63);
    return order >= 20 && order <= 44;
}

} // namespace

// A unit that can get somewhere by itself: infantry that is not pinned to
// its spot, a vehicle that is not fixed in place and can still drive.
bool Unit::CanMoveByOrders() {
    if (mImmobile || !CanMovePhysically()) return false;
    if (IsInfantryUnit(this)) return GetSpeedClass() != kSpeedCannotMove;
    if (IsVehicleUnit(this)) {
        auto* v = dynamic_cast<Vehicle*>(this);
        return !v || !v->IsFixed();
    }
    return false;
}

bool Unit::HasWeaponForOrders() {
    if (IsInfantryUnit(this)) return true; // every team carries small arms
    if (!IsVehicleUnit(this)) return false;
    auto* v = dynamic_cast<Vehicle*>(this);
    return HasFunctioningWeapon() || (v && v->HasFunctioningMG(false));
}

bool Unit::CanDoOrder(int32_t order) {
    if (!mActive || mSurrendered || !CanReceiveOrders()) return false;
    if (order == 55 || order == 56) order = 36;
    const bool setup = gBattle && gBattle->mSetupPhase;
    if (!PhaseAllows(order, setup)) return false;

    const bool infantry = IsInfantryUnit(this);
    const bool vehicle = IsVehicleUnit(this);
    // Wire, mines and road blocks are only placed, turned and set down
    // together in the set-up; the flag may be chosen with them selected.
    if (mUnitType == kUnitInanimate)
        return setup && (order == 57 || order == 58 || order == 59 || order == 63) &&
               (order != 63 || (gBattle && gBattle->mFlags.GetCount() > 0));
    if (!infantry && !vehicle) return false;
    const SpeedClass speed = infantry ? GetSpeedClass() : kSpeedUnencumbered;
    const bool mover = CanMoveByOrders();

    // A picked waypoint of this unit takes only a new pace, and only one
    // its neighbours can live with.
    if (gBattle && gBattle->mSelectedUnit == this && gBattle->mSelectedIndex >= 0 && !setup) {
        const int32_t i = gBattle->mSelectedIndex;
        if (i >= mNrWaypoints || !WaypointPaceOrder(order)) return false;
        const Destination& w = mWaypoints[i];
        if (w.mOrder == kPaceRotate || w.mOrder == kPaceSplitApproach) return false;
        if (PlannedOrActive(w.mKind) && !gMovementSpeedChart[w.mOrder].mChangeable) return false;
        const MovementSpeedType pace = ConvertOrderToSpeed(order);
        const MovementSpeedChart& row = gMovementSpeedChart[pace];
        if (!row.mMultiWaypoint && mNrWaypoints > 1) return false;
        for (int32_t j : {i - 1, i + 1}) {
            if (j < 0 || j >= mNrWaypoints) continue;
            const MovementSpeedType other = mWaypoints[j].mOrder;
            if (other == kPaceRotate || other == pace) continue;
            if (!row.mMixable || !gMovementSpeedChart[other].mMixable) return false;
        }
    }

    switch (order) {
    // ---- moves
    case 20:
        if (infantry) {
            auto* inf = dynamic_cast<Infantry*>(this);
            return !mImmobile && (speed != kSpeedCannotMove || (inf && inf->CanOnlyDebark()));
        }
        return mover;
    case 21: // hurry
    case 29: // a firing position, then the way back
    case 32: // withdraw
        // Fire and withdraw is for units that fire themselves; an observer
        // keeps Q for its extra minute (41).
        return mover && (order != 29 || (HasWeaponForOrders() && !IsForwardObserver()));
    case 23: // hunt: vehicles and nimble infantry
        return mover && (vehicle || speed >= kSpeedMedium);
    case 27: // advance by bounds: the heavy teams that cannot hunt
        return mover && infantry && speed <= kSpeedHeavy;
    case 22: // assault
    case 28: // take up a position and dig in
    case 30: // sneak
        return mover && infantry;
    case 24: // crawl: not while pushing a gun
        return mover && infantry && speed >= kSpeedHeavy;
    case 31: // rush: on foot, and light enough to run
        return mover && infantry && speed >= kSpeedMedium;
    case 25: // reverse
    case 26: // move at the pace of the infantry beside it
        return mover && vehicle;
    case 33: // the sewers: on foot and not riding
        return mover && infantry && !mTransport;
    case 37: // turn to face
        if (infantry) return !mImmobile;
        if (auto* v = dynamic_cast<Vehicle*>(this)) return !mImmobile && !v->IsFixed();
        return !mImmobile;
    case 34: // halt: only a unit with moves to drop
        return mNrWaypoints > 0;
    case 35: // change posture
        return infantry;
    case 36:
        return true;
    // ---- fire
    case 38:
    case 40:
    case 44:
        return HasWeaponForOrders();
    case 39:
        return HasWeaponForOrders() && !IsForwardObserver();
    case 41: // one more minute of the fire mission
        return IsForwardObserver() && mAreaTarget;
    case 42: // back to the target kept from the last turn
        if (auto* inf = dynamic_cast<Infantry*>(this); inf && IsForwardObserver())
            return inf->mFOTargetX != kFOUnset && inf->mFOTargetY != kFOUnset;
        return false;
    case 43:
        return mTarget != nullptr || mAreaTarget;
    // ---- arcs, hatches, splitting, sight
    case 45:
        return HasWeaponForOrders();
    case 46:
        return HasWeaponForOrders() && HasAntiArmorWeapon(false);
    case 47:
        return mCoveredArc;
    case 48:
        return true;
    case 49: {
        if (!vehicle) return false;
        bool buttoned = false;
        return CanChangeButtonStatus(&buttoned);
    }
    case 50:
        if (auto* inf = dynamic_cast<Infantry*>(this)) return inf->CanSplit();
        return false;
    case 51:
    case 52:
    case 53:
    case 54:
        return true;
    // ---- set-up
    case 57:
    case 59:
    case 62:
        return true;
    case 58: // place several at once; infantry that can ride takes 60 instead
        return !(infantry && CanBoardInSetup());
    case 60:
        return infantry && CanBoardInSetup();
    case 61:
        return infantry || IsArmoredVehicle(0, false);
    case 63:
        return gBattle && gBattle->mFlags.GetCount() > 0;
    default:
        return false;
    }
}

// Some vehicle of its side could carry this infantry unit in the set-up.
bool Unit::CanBoardInSetup() {
    if (!gBattle || !gBattle->mUnits || !IsInfantryUnit(this)) return false;
    UnitList* units = gBattle->mUnits;
    for (int32_t i = 0; i < units->GetCount(); ++i) {
        Unit* u = units->GetUnit(i);
        if (u && u != this && IsVehicleUnit(u) && u->mSide == mSide && u->mActive &&
            u->CanTransport(this, true, true))
            return true;
    }
    return false;
}

// Order 39: the next enemy this unit could fire at, going round the unit
// counter-clockwise from its present target (nearer first at one bearing).
// Only enemies the player sees count, and only those the unit's own
// scoring would fire at; the choice is the ordered target at once.
void Unit::CycleToNextTarget() {
    UnitList* units = gBattle ? gBattle->mUnits : nullptr;
    if (!units || !CanDoOrder(39)) {
        if (gKernel) gKernel->Beep();
        return;
    }
    auto bearingTo = [this](Unit* u) {
        float x = u->mX, y = u->mY, z = 0.0f;
        u->GetApparentLocation(&x, &y, &z);
        return GetHeadingFromXY(x - mX, y - mY);
    };
    const float from = mTarget ? bearingTo(mTarget) : GetWeaponFacing();
    struct Candidate {
        Unit* unit;
        float turn, distance;
    };
    std::vector<Candidate> candidates;
    for (int32_t i = 0; i < units->GetCount(); ++i) {
        Unit* u = units->GetUnit(i);
        if (!u || u == mTarget || !u->mActive || u->mOffMapState != 0 || !CanPotentiallyTarget(u)) continue;
        if (u->VisibleToPlayer(false) < kContactSeen) continue;
        float turn = Clamp360(bearingTo(u) - from);
        if (turn >= 359.999f) turn = 0.0f;
        candidates.push_back({u, turn, ApparentDistanceToUnit(u)});
    }
    std::stable_sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
        return a.turn != b.turn ? a.turn < b.turn : a.distance < b.distance;
    });
    Unit* const bestBefore = gBestTarget;
    const float scoreBefore = gBestTargetScore;
    const AmmoClass ammo = mAmmoClassInUse;
    Unit* chosen = nullptr;
    for (const Candidate& c : candidates) {
        gBestTarget = nullptr;
        gBestTargetScore = 0.0f;
        AIScoreTarget(c.unit, false);
        const bool scored = gBestTarget == c.unit && gBestTargetScore > 0.0f;
        mAmmoClassInUse = ammo;
        if (scored) {
            chosen = c.unit;
            break;
        }
    }
    gBestTarget = bestBefore;
    gBestTargetScore = scoreBefore;
    if (!chosen) {
        if (gKernel) gKernel->Beep();
        return;
    }
    // Mode 1: ordered, with the arc kept and no question about the gun.
    ReceiveTargetOrders(chosen, chosen->mX, chosen->mY, false, 1);
    if (gBattle) gBattle->RefreshInfoPanel();
}
