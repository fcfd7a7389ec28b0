#pragma once
// A vehicle or gun emplacement: a Unit whose data row is a VehicleData
// record (mSubtype). This header holds the vehicle facts that the firing,
// spotting and command rules ask; each answers as simply as a vehicle
// without its own turret, hatch and armour rules can (hatches open, hull
// fully exposed, a full turret crew), until those rules fill them in.

#include "units/DataTables.h"
#include "units/Unit.h"

class Vehicle : public Unit {
public:
    Vehicle() { mUnitType = kUnitVehicle; }
    ~Vehicle() override = default;

    // The data record that the knowledge level shows; the true one here.
    const VehicleData& GetVehicleDataRecord(DataKnowledge k) const { return gVehicleData[mSubtype]; }
    // Hull-down toward that unit: never until the hull-down rule exists.
    bool HullDownTo(Unit* other) { return false; }
    bool HasTurret() const { return gVehicleData[mSubtype].mTurretKind != 5; }
    // Crew members in the turret, 0..3: a full turret crew.
    int32_t NrMenInTurret() { return 3; }
    bool HasVehicleRadio() const { return (gVehicleData[mSubtype].mFlags & kVNoRadio) == 0; }
    bool IsFixed() const { return gVehicleData[mSubtype].mKind == 6; }
    bool ConsideredTankForVoiceEffects(DataKnowledge k) const { return HasTurret() && !IsFixed(); }
    // 0 closed, 1 partly and 2 fully open-topped: closed.
    int32_t OpenTopStatus() const { return 0; }
    float ActualHeadFacing() { return GetWeaponFacing(); }
    bool HasFunctioningMG(bool any) { return false; }
    void ChangeButton(bool buttoned, int32_t reason) {
        mButtoned = buttoned;
        mPacketDirty = true;
    }
    // The chance that a penetrating hit kills: every one does.
    float GetBasicKill(WeaponType weapon, WeaponClass wclass, AmmoClass ammo, float ratio, float extra) {
        return 1.0f;
    }

    bool mButtoned = false;   // the crew is buttoned up
    bool mDugIn = false;      // dug in: hits on it are not shown as hits
    bool mBurning = false;    // a burning wreck or vehicle
    bool mMainGunOut = false; // the main gun is out of action
    AmmoClass mLastAmmoFired = kAmmoNone;
};
