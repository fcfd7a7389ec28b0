// The set-up split of the computer side's attack: units of one class are
// shared out among the attack groups, by platoon or across the front.

#include "ai/AIPlanning.h"
#include "ai/AISetup.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Unit.h"

namespace {

bool LeadsInfantry(Unit* leader) {
    UnitList* units = gBattle->mUnits;
    for (int32_t i = 0; units && i < units->GetCount(); ++i) {
        Unit* u = units->GetUnit(i);
        if (u->mUnitType == kUnitInfantry && u->mPlatoonHQ == leader) return true;
    }
    return false;
}

bool InClass(Unit* u, int32_t unitClass) {
    int32_t level = 0;
    const bool infantry = u->mUnitType == kUnitInfantry, vehicle = u->mUnitType == kUnitVehicle;
    switch (unitClass) {
    case 0:
        return infantry && u->IsLeader(&level) && level == 1 && LeadsInfantry(u);
    case 1:
        return infantry && gInfantryData[u->mSubtype].mPlatoonMember != 0 && u->mPlatoonHQ;
    case 2:
        return vehicle && u->IsArmoredVehicle(0, false) && u->HasHeavyWeapon(0);
    case 3:
        return vehicle && u->IsArmoredVehicle(0, false);
    case 4:
        return vehicle;
    case 5:
        return u->IsLeader(nullptr);
    case 6:
        return u->GetWeaponClass() == 0;
    case 7:
        return u->GetWeaponClass() == 1 || u->GetWeaponClass() == 9;
    case 8:
        return u->GetWeaponClass() == 2 || u->GetWeaponClass() == 3;
    case 9:
        return u->GetWeaponClass() == 4;
    case 10:
        return u->GetWeaponClass() == 5;
    case 11:
        return u->GetWeaponClass() == 6;
    default:
        return true;
    }
}

// The coordinate across the planned side's front.
bool LateralIsY() {
    const Direction home = gBattle->HomeMapEdge(gAISide);
    return home == 0 || home == 2;
}
float Lateral(const Unit* u) {
    return LateralIsY() ? u->mY : u->mX;
}

int32_t CompareLateral(GObject* a, GObject* b, void*) {
    const float la = Lateral(static_cast<Unit*>(a)), lb = Lateral(static_cast<Unit*>(b));
    return la < lb ? -1 : (lb < la ? 1 : 0);
}

} // namespace

void SplitGroupByClass(AIGroup* source, AIGroup** groups, int32_t n, int32_t unitClass) {
    if (!source || !groups || n < 1 || !gBattle || !gBattle->mMap) return;
    GList units;
    units.PreserveObjects();
    for (int32_t i = 0; i < source->GetCount(); ++i) {
        auto* u = static_cast<Unit*>(source->GetObjectA(i));
        if (InClass(u, unitClass)) units.Add(u);
    }
    if (units.GetCount() == 0) return;
    if (unitClass == 1) {
        for (int32_t i = units.GetCount() - 1; i >= 0; --i) {
            auto* u = static_cast<Unit*>(units.GetObjectA(i));
            source->Delete(u, false);
            for (int32_t g = 0; g < n; ++g)
                if (groups[g]->IsMember(u->mPlatoonHQ)) {
                    groups[g]->Add(u);
                    break;
                }
        }
        return;
    }
    units.QuickSort(CompareLateral, nullptr);
    const float extent = LateralIsY() ? gBattle->mMap->mHeightMetres : gBattle->mMap->mWidthMetres;
    GList low, high;
    low.PreserveObjects();
    high.PreserveObjects();
    const int32_t c = units.GetCount();
    for (int32_t i = c - 1; i >= 0; --i) {
        auto* u = static_cast<Unit*>(units.GetObjectA(i));
        bool toLow;
        if (i < c / 3)
            toLow = true;
        else if (i < c / 2)
            toLow = Lateral(u) < 0.667f * extent;
        else if (i < 2 * c / 3)
            toLow = Lateral(u) < 0.333f * extent;
        else
            toLow = false;
        (toLow ? low : high).Add(u);
        source->Delete(u, false);
    }
    if (n >= 3) {
        low.QuickSort(CompareLateral, nullptr);
        high.QuickSort(CompareLateral, nullptr);
        const int32_t share = n == 3 ? 3 : 2;
        const int32_t fromHigh = (high.GetCount() + 1) / share;
        const int32_t fromLow = (low.GetCount() + 1) / share;
        AIGroup* lowTarget = n == 3 ? groups[2] : groups[3];
        for (int32_t i = 0; i < fromHigh; ++i)
            groups[2]->Add(high.GetObjectA(i));
        for (int32_t i = low.GetCount() - fromLow; i < low.GetCount(); ++i)
            lowTarget->Add(low.GetObjectA(i));
        for (int32_t i = fromHigh; i < high.GetCount(); ++i)
            groups[0]->Add(high.GetObjectA(i));
        for (int32_t i = 0; i < low.GetCount() - fromLow; ++i)
            groups[1]->Add(low.GetObjectA(i));
        return;
    }
    for (int32_t i = 0; i < high.GetCount(); ++i)
        groups[0]->Add(high.GetObjectA(i));
    for (int32_t i = 0; i < low.GetCount(); ++i)
        groups[n == 1 ? 0 : 1]->Add(low.GetObjectA(i));
}
