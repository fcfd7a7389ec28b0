#include "battle/PendingAttack.h"

#include "units/Functions.h"

float PendingAttack::GetFirepower(bool noAmmo, int32_t* hitValue) const {
    if (hitValue) *hitValue = 0;
    switch (mWeaponClass) {
    case kWClassSmallArms:
        if (hitValue) *hitValue = mHitValue;
        return mFirepower;
    case kWClassLightAT:
    case kWClassGun:
    case kWClassTwinGun:
    case kWClassMortar:
    case kWClassIndirect:
    case kWClassSpecial:
    case kWClassAT:
        return BlastPower(mWeaponType, noAmmo ? kAmmoHE : mAmmoClass);
    default:
        return 0.0f;
    }
}
