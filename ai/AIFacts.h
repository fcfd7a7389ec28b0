#pragma once
// What the target choice asks of the two kinds, infantry and vehicles,
// answered by the kinds' own rules and the data tables.

#include <cstdint>
#include <typeinfo>

#include "units/DataTables.h"
#include "units/Infantry.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

namespace aifacts {

// General vehicle types (a vehicle known only by its rough kind).
constexpr VehicleType kGeneralTypeA = 406;
constexpr VehicleType kGeneralTypeB = 407;
constexpr VehicleType kGeneralTypeC = 408;

inline bool IsInfantry(const Unit* u) {
    return u->mUnitType == kUnitInfantry;
}
inline Infantry* AsInfantry(Unit* u) {
    return u && u->mUnitType == kUnitInfantry ? dynamic_cast<Infantry*>(u) : nullptr;
}
inline const Infantry* AsInfantry(const Unit* u) {
    return u && u->mUnitType == kUnitInfantry ? dynamic_cast<const Infantry*>(u) : nullptr;
}
// A plain Vehicle (every vehicle of a battle) is known by its type alone.
inline Vehicle* AsVehicle(Unit* u) {
    if (!u || u->mUnitType != kUnitVehicle) return nullptr;
    if (typeid(*u) == typeid(Vehicle)) return static_cast<Vehicle*>(u);
    return dynamic_cast<Vehicle*>(u);
}
inline bool ValidInfantryRow(const Unit* u) {
    return u->mSubtype >= 0 && u->mSubtype < gInfantryData.Count();
}
inline bool ValidVehicleRow(const Unit* u) {
    return u->mSubtype >= 0 && u->mSubtype < gVehicleData.Count();
}
inline bool ValidWeapon(WeaponType w) {
    return w >= 0 && w < gWeaponData.Count();
}
inline bool ValidSmallArms(SmallArmsType s) {
    return s >= 0 && s < gSmallArmsData.Count();
}

// ---- infantry record -----------------------------------------------------
// Full strength in men, 0 without a valid record.
inline int32_t FullStrength(const Unit* u) {
    return ValidInfantryRow(u) ? gInfantryData[u->mSubtype].mNrMen : 0;
}
inline int32_t Survivors(const Unit* u) {
    return FullStrength(u) - u->mCasualties;
}
inline bool PlatoonMember(const Unit* u) {
    return IsInfantry(u) && ValidInfantryRow(u) && gInfantryData[u->mSubtype].mPlatoonMember != 0;
}
// The gun an infantry record names (286 none).
inline WeaponType InfantryGun(const Unit* u) {
    return ValidInfantryRow(u) ? gInfantryData[u->mSubtype].mHeavyWeapon : kWeaponNone;
}
inline WeaponClass WeaponClassOf(WeaponType w) {
    return ValidWeapon(w) && w != kWeaponNone ? gWeaponData[w].mClass : -1;
}
// A gun crew: infantry whose record names a gun of weapon class 5.
inline bool IsGunCrew(const Unit* u) {
    return IsInfantry(u) && WeaponClassOf(InfantryGun(u)) == 5;
}
inline bool IsTankHunter(const Unit* u) {
    const Infantry* i = AsInfantry(u);
    return i && i->IsTankHunter();
}
// The infantry's anti-armour rounds, its anti-armour weapon, and whether it
// holds anything for a close assault (anti-armour rounds, charges or
// grenades).
inline int32_t AntiArmourRounds(const Unit* u) {
    const Infantry* i = AsInfantry(u);
    return i ? i->mAntitankShots : 0;
}
inline bool HasCloseAssault(const Unit* u) {
    const Infantry* i = AsInfantry(u);
    return i && (i->mAntitankShots != 0 || i->mExplosives != 0 || i->mGrenades != 0);
}
inline WeaponType AntiArmourWeapon(const Unit* u) {
    const Infantry* i = AsInfantry(u);
    return i ? i->mAntitankWeapon : kWeaponNone;
}

// ---- vehicle record --------------------------------------------------------
inline const VehicleData* Record(Vehicle* v, DataKnowledge k) {
    return v && ValidVehicleRow(v) ? &v->GetVehicleDataRecord(k) : nullptr;
}
inline bool IsFixedEmplacement(Unit* u) {
    Vehicle* v = AsVehicle(u);
    return v && ValidVehicleRow(v) && gVehicleData[v->mSubtype].mKind == 6;
}
// Machine guns ready on each mount, and the vehicle's own answers.
inline int32_t NrCoaxMGsReady(Vehicle* v, bool checks) {
    return v->NrCoaxMGsReady(checks);
}
inline int32_t NrBowMGsReady(Vehicle* v) {
    return v->NrBowMGsReady();
}
inline int32_t NrFreeMGsReady(Vehicle* v, bool checks) {
    return v->NrFreeMGsReady(checks);
}
inline bool HasFunctioningMG(Vehicle* v, bool checks) {
    return v->HasFunctioningMG(checks);
}
inline VehicleType GeneralType(Vehicle* v) {
    return v->GetGeneralType(false);
}
inline float TurretRotationSpeed(Vehicle* v) {
    return v->TurretRotationSpeed();
}
inline bool HasFlamethrower(Vehicle* v) {
    return v->HasFlamethrower(kKnowTruth);
}
// The main gun's traverse limits, in record order.
inline int32_t TraverseLimit1(Vehicle* v) {
    const VehicleData* r = Record(v, kKnowTruth);
    return r ? r->mGunArc : 0;
}
inline int32_t TraverseLimit2(Vehicle* v) {
    const VehicleData* r = Record(v, kKnowTruth);
    return r ? r->mGunArcClockwise : 0;
}
// Slices until the crew bails out; negative while it stays.
inline int32_t BailOutTime(Vehicle* v) {
    return v->mBailOutCountdown;
}

// A unit that is moving: speed, or standing between building floors.
inline bool IsMoving(const Unit* u) {
    return u->mPlaybackSpeed != 0.0f || (u->mZ > 0.0f && u->mZ < 1.0f);
}
// A unit under way: two or more waypoints, or one that is not a rotation.
inline bool UnderWay(const Unit* u) {
    return u->mNrWaypoints >= 2 || (u->mNrWaypoints == 1 && u->mWaypoints[0].mOrder != 17);
}

} // namespace aifacts

