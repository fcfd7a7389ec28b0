// A vehicle's passengers: whether an infantry unit can board, and the two
// slots that hold the units carried.

#include <cmath>

#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "units/DataTables.h"
#include "units/Infantry.h"
#include "units/Vehicle.h"
#include "units/UnitGeometry.h"

namespace {

bool AboutToLeave(const Unit* u) {
    return u->mNrWaypoints >= 2 || (u->mNrWaypoints == 1 && u->mWaypoints[0].mOrder != kPaceRotate);
}

// The scratch slots of the last CanTransport: the occupants it weighed.
Unit* sScratch[2] = {nullptr, nullptr};

} // namespace

bool Vehicle::CanTransport(Unit* candidate, bool atVehicle, bool allowHeavy) {
    const VehicleData& v = gVehicleData[mSubtype];
    if (!candidate || !mActive || mImmobile || mBogged || mDugIn) return false;
    if (candidate->mUnitType != kUnitInfantry || candidate->mSurrendered || v.mTransportClass == 0)
        return false;
    const InfantryData& r = gInfantryData[candidate->mSubtype];
    if (r.mHeavyWeapon != kWeaponNone && gWeaponData[r.mHeavyWeapon].mClass == kWClassIndirect &&
        candidate->GetSpeedClass() < kSpeedMedium)
        return false;
    if (r.mMobility > v.mTransportClass || (!allowHeavy && r.mMobility > 8)) return false;

    sScratch[0] = mPassengers[0];
    sScratch[1] = mPassengers[1];
    if (!atVehicle) {
        for (Unit*& occupant : sScratch)
            if (occupant && AboutToLeave(occupant)) occupant = nullptr;
        if ((!sScratch[0] || !sScratch[1]) && gBattle && gBattle->mUnits) {
            UnitList* units = gBattle->mUnits;
            for (int32_t i = 0; i < units->GetCount() && (!sScratch[0] || !sScratch[1]); ++i) {
                Unit* u = units->GetUnit(i);
                if (!u || u->mUnitType != kUnitInfantry || !u->mActive || u->mEmbarkTarget != this) continue;
                if (u == sScratch[0] || u == sScratch[1]) continue;
                (sScratch[0] ? sScratch[1] : sScratch[0]) = u;
            }
        }
    }
    const int32_t s = MenInBeing(candidate);
    const bool both = sScratch[0] && sScratch[1];
    for (Unit* occupant : sScratch) {
        if (!occupant) continue;
        if (v.mPassengerSlots < 2 || both) return false;
        const int32_t size = MenInBeing(occupant);
        if (s < 7) {
            if (s > 2 && size > 6) return false;
            if (r.mMobility > 3 && gInfantryData[occupant->mSubtype].mMobility > 3) return false;
        } else if (size > 2) {
            return false;
        }
    }
    if (s >= 7 && v.mPassengerSlots < 2) return false;
    if (!atVehicle) return true;
    if (mNrWaypoints != 0 && mCommandDelay <= 0.0f) return false;
    const float dx = candidate->mX - mX, dy = candidate->mY - mY, dz = candidate->GetZ() - GetZ();
    return std::sqrt(dx * dx + dy * dy + dz * dz) <= 5.0f;
}

void Vehicle::Load(Infantry* unit) {
    if (!unit) return;
    if (!mPassengers[0])
        mPassengers[0] = unit;
    else if (!mPassengers[1])
        mPassengers[1] = unit;
    mPacketDirty = !(gBattle && gBattle->mSetupPhase);
}

void Vehicle::Unload(Infantry* unit) {
    if (mPassengers[0] == unit)
        mPassengers[0] = nullptr;
    else if (mPassengers[1] == unit)
        mPassengers[1] = nullptr;
    mPacketDirty = true;
}
