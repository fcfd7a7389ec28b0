#include "panel_marks.h"

#include <cmath>

#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/GDrawRecord.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

PanelMarksOrders GivePanelMarksOrders(Affiliation side) {
    PanelMarksOrders o;
    UnitList* units = gBattle->mUnits;
    float best = 1e9f;
    Vehicle* driver = nullptr;
    Vehicle* blocker = nullptr;
    for (int32_t j = 0; j < units->GetCount(); ++j) {
        auto* b = dynamic_cast<Vehicle*>(units->GetUnit(j));
        if (!b || !b->mActive || b->GetAffiliation() != side || b->IsFixed()) continue;
        for (int32_t i = 0; i < units->GetCount(); ++i) {
            auto* a = dynamic_cast<Vehicle*>(units->GetUnit(i));
            if (!a || a == b || !a->mActive || a->GetAffiliation() != side || a->IsFixed() ||
                !a->CanReceiveOrders() || 0.66667f * b->Data().mWeight <= a->Data().mWeight)
                continue;
            const float d = std::hypot(b->mX - a->mX, b->mY - a->mY);
            if (d > 8.0f && d < best) {
                best = d;
                driver = a;
                blocker = b;
            }
        }
    }
    if (driver) {
        const float dx = (blocker->mX - driver->mX) / best, dy = (blocker->mY - driver->mY) / best;
        driver->ReceiveMoveOrders(blocker->mX + 15.0f * dx, blocker->mY + 15.0f * dy, 20, nullptr, false, false,
                                  true, true);
        if (driver->mNrWaypoints > 0) {
            o.driver = driver->UniqueID();
            o.blocker = blocker->UniqueID();
        }
    }
    for (int32_t i = 0; i < units->GetCount(); ++i) {
        Unit* u = units->GetUnit(i);
        if (u->mActive && u->GetAffiliation() == side && u->mUnitType == kUnitInfantry && !u->mHiding) {
            u->ReceiveMoveOrders(0.0f, 0.0f, kOrderHide, nullptr, false, false, false, true);
            o.hiders += u->mHiding ? 1 : 0;
        }
    }
    return o;
}

Vehicle* VehicleByID(uint32_t id) {
    return id ? dynamic_cast<Vehicle*>(gBattle->GetUnitFromUniqueID(id)) : nullptr;
}

void ImmobiliseBlocker(const PanelMarksOrders& orders) {
    if (Vehicle* b = VehicleByID(orders.blocker)) b->mImmobile = true;
}

Unit* HiderFromTheStart(Affiliation side) {
    for (int32_t i = 0; i < gBattle->mUnits->GetCount(); ++i) {
        Unit* u = gBattle->mUnits->GetUnit(i);
        if (u->mActive && u->GetAffiliation() == side && u->mHidingAtStart && u->IsHiding(false) &&
            u->mQueuedDelay == 0 && u->mCommandDelay < 0.5f && u->mArtilleryDelay >= 0.0f)
            return u;
    }
    return nullptr;
}

bool DrawsPicture(const ScreenDrawLog& log, int32_t picture) {
    for (const ScreenDrawItem& i : log.mItems)
        if (i.mKind == 'b' && i.mPicture == picture) return true;
    return false;
}
