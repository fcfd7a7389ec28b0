// Infantry state queries: ammunition choice, ordnance and heavy weapons,
// riding, bail-out, digging in and hiding, readiness and how visible the
// unit is to a spotter.

#include <cmath>

#include "battle/Battle.h"
#include "units/DataTables.h"
#include "units/Infantry.h"

namespace {

constexpr float kExposureOutOfAction = 20.0f;

// The size a spotter sees, by the type's mobility (bigger loads stand out).
float SizeOfMobility(int32_t mobility, bool tubes, bool sniper) {
    switch (mobility) {
    case 2:
        return 1.2f;
    case 3:
        return 1.3f;
    case 4:
        return 1.4f;
    case 5:
        return 1.5f;
    case 6:
    case 7:
        return 1.6f;
    case 8:
        return tubes ? 2.5f : 1.7f;
    case 9:
        return tubes ? 2.8f : 1.9f;
    case 10:
        return 3.0f;
    default:
        return sniper ? 0.333f : 1.0f;
    }
}

} // namespace

AmmoClass Infantry::ChooseAmmo(Unit* target, bool forArea) {
    if (mTargetLocked && !target && forArea) {
        if (mAmmo[kAmmoSmoke] > 0) return kAmmoSmoke;
        if (IsForwardObserver() && mAmmo[kAmmoHE] > 0) return kAmmoSmoke;
        return kAmmoNone;
    }
    if (mHastyFire) return kAmmoHEAT;
    const AmmoClass inUse = mAmmoClassInUse;
    if (target == mTarget && inUse != kAmmoNone && (forArea || inUse != kAmmoSmoke) && inUse >= 0 &&
        inUse < kAmmoClassCount && mAmmo[inUse] > 0)
        return inUse;
    if (HasLowAmmoStatus()) return kAmmoHE;
    return Unit::ChooseAmmo(target, forArea);
}

bool Infantry::HasOrdnance(bool includeSupport, bool includeFlagged) {
    const InfantryData& r = Record();
    if (r.mHeavyWeapon == kWeaponNone) return false;
    const WeaponClass c = gWeaponData[r.mHeavyWeapon].mClass;
    if (c == kWClassGun || c == kWClassTwinGun) return includeFlagged || !(r.mFlags & kILightGun);
    if (c == kWClassMortar) return includeSupport;
    return false;
}

bool Infantry::HasHeavyWeapon(DataKnowledge knowledge) {
    return GetInfantryDataRecord(knowledge)->mHeavyWeapon != kWeaponNone;
}

bool Infantry::IsSupportWeapon(bool anyHeavy) {
    WeaponType type = kWeaponNone;
    WeaponClass c = 0;
    if (GetWeaponInfo(&type, &c, kKnowTruth) > 1) return true;
    if (type == kWeaponNone) return false;
    if (anyHeavy) return true;
    if (Record().mFlags & kILightGun) return false;
    return c != kWClassLightAT && c != kWClassIndirect && c != kWClassFlame && c != kWClassSniper &&
           c != kWClassAT;
}

bool Infantry::IsPassenger(bool outsideOnly) {
    if (!mTransport) return false;
    if (!outsideOnly) return true;
    // Riders sit outside a vehicle whose type does not carry them inside.
    return mTransport->IsArmoredVehicle(kKnowTruth, false) &&
           gVehicleData[mTransport->mSubtype].mExtraStepsOfFive == 0;
}

bool Infantry::PreBail() {
    if (mActive || !mAbandonedVehicle) return false;
    if (mAbandonedVehicle->mActive) return true;
    return mStatusTime != kStatusTimeNever && gBattle &&
           gBattle->PlaybackTimeSlice() <= mStatusTime - kStatusTimeArrived;
}

bool Infantry::WillDigFoxhole() {
    return mDigIn && !mTransport && AllowedToDigFoxhole();
}

bool Infantry::IsHiding(bool ignoreOrder) {
    if (mMoveSpeed != 0) return false;
    if (mHiding) return true;
    return !ignoreOrder;
}

void Infantry::CancelMovementOrders() {
    Unit::CancelMovementOrders();
    mEmbarkTarget = nullptr;
}

void Infantry::ProcessDeadVehicle() {
    Unit* v = mAbandonedVehicle;
    if (!v || v->mUnitType != kUnitVehicle) return;
    if (v->mPlaybackSpeed != 0.0f || (v->mZ > 0.0f && v->mZ < 1.0f)) {
        mX = v->mX;
        mY = v->mY;
    }
}

bool Infantry::ForceReadiness(int32_t* current, int32_t* total) {
    if (!mActive || mSurrendered || !current || !total) return false;
    const int32_t v = static_cast<int32_t>(GetVPValue(false, kKnowTruth));
    if (mAbandonedVehicle) {
        *total += v;
        return false;
    }
    int32_t sum = 0;
    for (uint16_t a : mAmmo)
        sum += a;
    int32_t most = MaxAllowedAmmo(nullptr);
    if (most > 50) most = 50;
    float ratio = most < 1 ? 1.0f : static_cast<float>(sum) / static_cast<float>(most);
    if (mPlatoonHQ && !mPlatoonHQ->mActive) {
        ratio -= 0.25f;
        if (ratio < 0.0f) ratio = 0.0f;
    }
    if (ratio > 1.0f) ratio = 1.0f;
    *current = static_cast<int32_t>(static_cast<float>(v) * ratio + static_cast<float>(*current));
    *total += v;
    return false;
}

FogOfWarContact Infantry::SpotLevel(bool atLastSeen, Unit* spotter) {
    const MovementSpeedType pace = mMoveSpeed;
    const float x = mX;
    const float y = mY;
    const int32_t stamp = mMoveStamp;
    float e;
    if (atLastSeen || !mActive) {
        if (atLastSeen) {
            mX = mMarkerX;
            mY = mMarkerY;
            mMoveStamp = kMarkerMoveStamp; // stored sight answers do not hold there
        }
        mMoveSpeed = 0;
        e = kExposureOutOfAction;
    } else {
        if (gBattle && gBattle->mSetupPhase) {
            mMoveSpeed = 0;
        } else if (!InGoodOrder() && gMovementSpeedChart[mMoveSpeed].mPaceKind < 2) {
            mMoveSpeed = kPaceDefaultMove;
        } else if (mMoveSpeed == 0 && mContactLevel > 1) {
            mMoveSpeed = 1;
        }
        e = gMovementSpeedChart[mMoveSpeed].mExposureFigure;
    }
    const InfantryData& r = Record();
    const bool tubes = r.mHeavyWeapon != kWeaponNone && gWeaponData[r.mHeavyWeapon].mNrTubes != 0;
    float s = SizeOfMobility(r.mMobility, tubes, IsSniper());
    if (s > 1.0f && !mHasMoved && !mHasFired) {
        const Terrain t = GetOccupiedTerrain();
        if ((t >= 20 && t <= 22) || (t >= 30 && t <= 32))
            s = std::sqrt(s);
        else if ((t >= 23 && t <= 26) || (t >= 33 && t <= 35))
            s = (s + std::sqrt(s)) * 0.5f;
        else
            s = (std::sqrt(s) + 3.0f * s) * 0.25f;
    }
    const float xp = static_cast<float>(8 - GetEffectiveExperience(2));
    const float g = 0.033333f * xp + 0.0105f * xp * xp + 0.42f;
    const FogOfWarContact level = SpotLevelX(g * g * e, s * g, spotter);
    mMoveSpeed = pace;
    mX = x;
    mY = y;
    mMoveStamp = stamp;
    return level;
}
