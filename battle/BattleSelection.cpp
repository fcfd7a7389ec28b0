// The selection: stepping through a side's units, orders for several
// units at once, and split infantry teams that stand together again.

#include <cmath>
#include <vector>

#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/UnitList.h"
#include "engine/GKernel.h"
#include "map/Map.h"
#include "units/Infantry.h"
#include "units/Unit.h"

namespace {

// No movement orders, or only a turn on the spot.
bool Unordered(const Unit* u) {
    return u->mNrWaypoints == 0 || (u->mNrWaypoints == 1 && u->mWaypoints[0].mOrder == 17);
}

float Distance3(Unit* a, Unit* b) {
    const float dx = a->mX - b->mX, dy = a->mY - b->mY, dz = a->GetZ() - b->GetZ();
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// The side a unit is stepped with: 0 when exactly one of its Axis and
// surrendered flags is set, else 1 (a prisoner steps with its captors).
Affiliation SteppingSide(const Unit* u) {
    return u->IsAxis() != u->mSurrendered ? kAxis : kAllies;
}

bool MovementOrder(int32_t order) {
    return (order >= 20 && order <= 27) || (order >= 29 && order <= 32) || order == 37;
}

bool OnMap(const Map* map, float x, float y) {
    return map && x >= 0.0f && y >= 0.0f && x < map->mWidthMetres && y < map->mHeightMetres;
}

} // namespace

void Battle::GoToNextUnit(bool forward) {
    BattleHost* host = Host();
    if (!mUnits || host->OrdersMenuOpen()) return;
    const int32_t n = mUnits->GetCount();
    int32_t from = mSelectedUnit ? mUnits->IndexOf(mSelectedUnit) : -1;
    Affiliation side = host->ViewingSide();
    if (from >= 0) {
        side = SteppingSide(mSelectedUnit);
        if (side != host->ViewingSide() && !Over()) return;
    }
    auto eligible = [&](Unit* u) {
        if (!u || SteppingSide(u) != side || u->mOffMapState != 0) return false;
        if ((u->mUnitType == kUnitInanimate && !mSetupPhase) || u->mUnitType == kUnitAirplane) return false;
        return u->mActive || (u->DrawWhenDead() && !u->PreBail());
    };
    Unit* found = nullptr;
    if (from >= 0) {
        // Round the list, wrapping at its ends, back to the selected unit.
        for (int32_t k = 1; k < n && !found; ++k) {
            Unit* u = mUnits->GetUnit(((forward ? from + k : from - k) % n + n) % n);
            if (eligible(u)) found = u;
        }
    } else {
        for (int32_t k = 0; k < n && !found; ++k) {
            Unit* u = mUnits->GetUnit(forward ? k : n - 1 - k);
            if (eligible(u)) found = u;
        }
    }
    if (!found) return;
    Unit* locked = mMap ? mMap->mLockedUnit : nullptr;
    SetSelectedUnit(found);
    host->EnsurePointIsVisible(found->mX, found->mY);
    if (locked && locked != found) host->ToggleCameraLock(found);
}

void Battle::RespondToMultiOrder(int32_t order) {
    Unit* leader = mSelectedUnit;
    if (!leader || !mUnits) return;
    BattleHost* host = Host();
    switch (order) {
    case 34:
    case 35:
    case 36:
    case 41:
    case 42:
    case 43:
    case 49:
    case 55:
    case 56:
    case 61:
    case 62:
        // Given at once: each selected unit in turn takes it as the
        // selected one.
        for (int32_t i = 0; i < mUnits->GetCount(); ++i) {
            Unit* u = mUnits->GetUnit(i);
            if (u->mSelectionMark == 0 || !u->CanDoOrder(order)) continue;
            SetSelectedUnit(u);
            host->RespondToOrder(order);
        }
        return;
    case 38:
    case 40:
    case 44:
    case 58:
    case 59:
        break;
    default:
        if (!MovementOrder(order)) return;
        // A leader locked into its moves keeps them: the order is refused.
        if (leader->LockedIntoMovementOrders()) {
            RefuseOrder();
            return;
        }
        leader->CancelMovementOrders();
        break;
    }
    // The player gives the leader's point; the others follow it then.
    mMultiAnchorX = leader->mX;
    mMultiAnchorY = leader->mY;
    mMultiOrderPending = true;
    mMultiOrder = order;
    host->RespondToOrder(order);
}

void Battle::IssueMultiCommand() {
    mMultiOrderPending = false;
    Unit* leader = mSelectedUnit;
    if (!leader || !mUnits) return;
    const int32_t order = mMultiOrder;
    float tx = leader->mX, ty = leader->mY;
    if ((order == 58 || order == 59) && mMap) {
        tx = mMap->mPickX;
        ty = mMap->mPickY;
    } else if (leader->mNrWaypoints > 0) {
        leader->GetFinalDestination(&tx, &ty, nullptr);
    }
    Unit* target = leader->mTarget;
    const float aimX = leader->mAreaTargetX, aimY = leader->mAreaTargetY;
    const float dx = tx - mMultiAnchorX, dy = ty - mMultiAnchorY;
    for (int32_t i = mUnits->GetCount() - 1; i >= 0; --i) {
        Unit* u = mUnits->GetUnit(i);
        if (u == leader || u->mSelectionMark == 0) continue;
        if (MovementOrder(order)) {
            int32_t o = order;
            if (leader->mUnitType != kUnitVehicle && o == 20 && u->mUnitType == kUnitVehicle &&
                u->CanDoOrder(26))
                o = 26;
            if (!u->CanDoOrder(o)) o = 20;
            if (!u->CanDoOrder(o) || u->LockedIntoMovementOrders()) continue;
            u->CancelMovementOrders();
            const float x = u->mX + dx, y = u->mY + dy;
            // A follower whose point falls off the map while the leader's
            // does not stays where it is.
            if (OnMap(mMap, x, y) || !OnMap(mMap, tx, ty))
                u->ReceiveMoveOrders(x, y, o, nullptr, true, false, true, true);
        } else if (order == 38 || order == 40 || order == 44) {
            if (u->CanDoOrder(order)) u->ReceiveTargetOrders(target, aimX, aimY, order == 44, 1);
        } else if (order == 58 || order == 59) {
            if (u->CanDoOrder(order))
                u->ChangeSetup(u->mX + tx - mMultiAnchorX, u->mY + ty - mMultiAnchorY, order == 58, nullptr,
                               false);
        }
    }
    RefreshInfoPanel();
}

void Battle::JoinUnits() {
    if (!mUnits) return;
    std::vector<Unit*> absorbed;
    auto taken = [&](Unit* u) {
        for (Unit* a : absorbed)
            if (a == u) return true;
        return false;
    };
    for (int32_t i = 0; i < mUnits->GetCount(); ++i) {
        auto* j = dynamic_cast<Infantry*>(mUnits->GetUnit(i));
        if (!j || taken(j) || j->mOffMapState != 0 || !j->mSibling || !j->mSiblingMayRejoin) continue;
        Unit* s = j->mSibling;
        if (taken(s) || s->mOffMapState != 0 || !mUnits->IsMember(s)) continue;
        if (!Unordered(j) || !Unordered(s) || Distance3(j, s) >= 10.0f) continue;
        if (!j->InGoodOrder() || !s->InGoodOrder() || j->mFreed || s->mFreed) continue;
        if (j->IsPassenger(false) || s->IsPassenger(false)) continue;
        absorbed.push_back(s);
        j->JoinSibling();
    }
    for (Unit* s : absorbed) {
        UnitGoes(s);
        mUnits->Delete(s, true);
    }
}

void Battle::RefuseOrder() {
    if (gKernel) gKernel->Beep();
}

void Battle::UnitGoes(Unit* unit) {
    if (!unit) return;
    if (mSelectedUnit == unit) {
        // A drag or placing of its orders ends with it.
        const int32_t state = Host()->InteractionState();
        if ((state >= 1 && state <= 7) || (state >= 9 && state <= 12)) {
            mMultiOrderPending = false;
            Host()->SetState(0);
        }
        SetSelectedUnit(nullptr);
    }
    if (mMap && mMap->mLockedUnit == unit) mMap->mLockedUnit = nullptr;
    AIForgetUnit(this, unit);
    Host()->UnitGoes(unit);
}
