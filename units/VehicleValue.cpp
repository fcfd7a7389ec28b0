// What the vehicle is as a fighting piece: whether it may aim, whether it
// cares which way its hull faces, its leadership marks and editor colour,
// and the casualties it still has to report.

#include "units/Vehicle.h"

bool Vehicle::AllowedToTarget() {
    return (!mWeaponKnockedOut || HasFunctioningMG(false)) && NrMenInTurret() > 0;
}

bool Vehicle::CaresAboutFacing() {
    const VehicleData& d = Data();
    if (NrBowMGsReady() > 0 || HasTurret()) return true;
    if (d.mArmorPlates[2].mThickness > 14 && d.mArmorPlates[8].mThickness < 11.5f) return true;
    if (HasHeavyWeapon(kKnowTruth) && mMGTargetOwnsTarget) return true;
    if (NrCoaxMGsReady(true) > 0) return true;
    return mTarget && mTarget->HasAntiArmorWeapon(false) && d.mArmorPlates[2].mThickness > 20;
}

bool Vehicle::IsLeader(int32_t* level) {
    if (mIsLeader && level) *level = 1;
    return mIsLeader;
}

bool Vehicle::GetPlatoonHQ() {
    if (!IsArmoredVehicle(kKnowTruth, false)) return false;
    if (HasFlamethrower(kKnowTruth) || Data().mCoaxMGCount >= 2) return true;
    WeaponType type = kWeaponNone;
    WeaponClass wclass = kWClassSmallArms;
    GetWeaponInfo(&type, &wclass, kKnowTruth);
    return type != kWeaponNone && (wclass == 2 || wclass == 3 || wclass == 6);
}

int32_t Vehicle::EditorColor() {
    const bool command = Data().mCommandFlag != 0;
    if (Data().mKind == 6) return 8;
    if (GetPlatoonHQ()) return command ? 4 : 9;
    return command ? 11 : 12;
}

int32_t Vehicle::TallyCasualties() {
    if (mNoCasualtyTally) return 0;
    const int32_t n = mCasualties - mOldCasualties;
    return n > 0 ? n : 0;
}
