#include "battle/PendingAttack.h"

#include <cmath>

#include "battle/ActionPacket.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/Unit.h"

namespace {
// A flame weapon's firepower per unit of its first record value.
constexpr float kFlameFactor = 400.0f;

// A sniper's shot: falls with the range, grows with the firer's experience,
// and is weaker against a target on the move (its speed in metres a slice).
float SniperFirepower(const PendingAttack& a) {
    const float dx = a.mImpactX - a.mOriginX, dy = a.mImpactY - a.mOriginY, dz = a.mImpactZ - a.mOriginZ;
    const float d = std::sqrt(dx * dx + dy * dy + dz * dz);
    Unit* firer = a.mPacket ? a.mPacket->mFirer : nullptr;
    const float e = firer ? static_cast<float>(firer->BaseExperience()) : 0.0f;
    float f = (1.0f + 0.00020732f * d - 1.6232e-05f * d * d + 3.5687e-08f * d * d * d -
               2.2441e-11f * d * d * d * d) *
              0.9f * (0.3f * e + 0.1f);
    if (f > 0.9f) f = 0.9f;
    float fp = f * 1100.0f;
    if (a.mTarget && a.mTarget->mPlaybackSpeed != 0.0f) {
        const float x = d * std::fabs(a.mTarget->mPlaybackSpeed) * 0.0625f;
        fp *= 0.00245f * x * x - 0.0945f * x + 1.0f;
    }
    return fp;
}
} // namespace

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
    case kWClassFlame:
        return gWeaponData[mWeaponType].mCalibre * kFlameFactor;
    case kWClassSniper:
        return SniperFirepower(*this);
    default:
        return 0.0f;
    }
}
