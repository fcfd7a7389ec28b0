// Split infantry teams that stand together again rejoin.

#include <cmath>
#include <vector>

#include "battle/Battle.h"
#include "battle/UnitList.h"
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

} // namespace

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
        if (mSelectedUnit == s) SetSelectedUnit(nullptr);
        mUnits->Delete(s, true);
    }
}
