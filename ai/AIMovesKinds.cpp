// What the unit moves ask of the unit kinds and the battle's flags.

#include <cmath>
#include <memory>

#include "ai/AIMoves.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "battle/VictoryFlag.h"
#include "engine/GOLTA.h"
#include "units/DataTables.h"
#include "units/Infantry.h"
#include "units/Unit.h"
#include "units/Vehicle.h"
#include "units/UnitGeometry.h"

void AIFuzzify(GFuzzySet* set, float x, const AITerm* terms, int32_t n) {
    for (int32_t i = 0; i < n; ++i)
        set->AddTrapezoid(terms[i].mLabel, x, terms[i].mA, terms[i].mB, terms[i].mC, terms[i].mD);
}

float AIUniform() {
    return static_cast<float>(RandomFraction());
}

namespace aimove {

bool IsInfantry(const Unit* u) {
    return u && u->mUnitType == kUnitInfantry;
}

Vehicle* AsVehicle(Unit* u) {
    return u && u->mUnitType == kUnitVehicle ? dynamic_cast<Vehicle*>(u) : nullptr;
}

bool ValidInfantryRow(const Unit* u) {
    return IsInfantry(u) && u->mSubtype >= 0 && u->mSubtype < gInfantryData.Count();
}

bool PlatoonMember(const Unit* u) {
    return ValidInfantryRow(u) && gInfantryData[u->mSubtype].mPlatoonMember != 0;
}

bool IsGunCrew(const Unit* u) {
    if (!ValidInfantryRow(u)) return false;
    const WeaponType gun = gInfantryData[u->mSubtype].mHeavyWeapon;
    return gun != kWeaponNone && gun >= 0 && gun < gWeaponData.Count() && gWeaponData[gun].mClass == 5;
}

bool HasMoveOrder(const Unit* u) {
    return u->HasMovementOrders();
}

int32_t SideOf(const Unit* u) {
    return u->mSide ? 0 : 1;
}

Infantry* AsInfantry(Unit* u) {
    return IsInfantry(u) ? dynamic_cast<Infantry*>(u) : nullptr;
}

MovementSpeedType QuickSpeed(Unit* u) {
    if (Infantry* i = AsInfantry(u)) return i->QuickSpeed();
    return u->GetSpeedClass() >= 2 ? kAISpeedQuick : kAISpeedCautious;
}

bool OnSkis(Unit* u) {
    Infantry* i = AsInfantry(u);
    return i && i->mOnSkis;
}

Unit* Passenger(Vehicle* v, int32_t slot) {
    return v && slot >= 0 && slot < 2 ? v->mPassengers[slot] : nullptr;
}

bool HasTurret(Vehicle* v) {
    return v && v->mSubtype >= 0 && v->mSubtype < gVehicleData.Count() && v->HasTurret();
}

bool HasFunctioningMG(Vehicle* v, bool any) {
    return v && v->mSubtype >= 0 && v->mSubtype < gVehicleData.Count() && v->HasFunctioningMG(any);
}

bool IsFixed(Vehicle* v) {
    return v && v->mSubtype >= 0 && v->mSubtype < gVehicleData.Count() && v->IsFixed();
}

void SetAITargetAssigned(Vehicle* v) {
    if (v) v->mAITargetAssigned = true;
}

float TurretOffset(Unit* u) {
    Vehicle* v = AsVehicle(u);
    return v ? v->mTurretBearing : 0.0f;
}

void SetTurretOffset(Unit* u, float offset) {
    if (Vehicle* v = AsVehicle(u)) v->mTurretBearing = offset;
}

void AbilityToHarmSet(Unit* u, GFuzzySet* set, Unit* target, AmmoClass ammo, bool broad, bool cover,
                      bool suppression, float factor, bool overrun) {
    u->AIGetAbilityToHarm(set, target, ammo, broad, cover, suppression, factor, overrun);
}

Unit* MakeTemporaryCopy(Unit* u) {
    if (Infantry* i = AsInfantry(u)) {
        auto* copy = new Infantry();
        *copy = *i;
        copy->mFatigueState = 1; // as a new unit
        return copy;
    }
    if (Vehicle* v = AsVehicle(u)) {
        auto* copy = new Vehicle();
        *copy = *v;
        return copy;
    }
    return nullptr;
}

void DeleteTemporaryCopy(Unit* copy) {
    if (!copy) return;
    copy->mCustomName = nullptr;
    // The kill records were copied deep, so the copy frees its own lists.
    copy->NullifyTextures(false);
    delete copy;
}

} // namespace aimove
