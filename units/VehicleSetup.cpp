// A vehicle's construction and set-up: its random drawing values, smoke
// width, armour variance, uniform, load-out, the types an enemy takes it for,
// its name as the viewing player may see it, digging in and its animation.

#include <algorithm>
#include <cmath>

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "engine/GKernel.h"
#include "engine/GOLTA.h"
#include "engine/GString.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/RuleContext.h"
#include "units/Vehicle.h"

namespace {

constexpr int32_t kTruckName = 5800;
constexpr int32_t kLightArmorName = 5801;
constexpr int32_t kTankName = 5802;
constexpr int32_t kBunkerName = 5803;
constexpr int32_t kFirstLateArmorDate = 4403; // armour variance from March 1943 on

} // namespace

Vehicle::Vehicle() {
    mUnitType = kUnitVehicle;
    SetModelCoords(0.0f, 0.0f, 0.0f, 0.25f, 0.25f, 0.1f);
    // The drawing values and animation phases, in this fixed order of draws.
    mDrawGunElevation = -6.0f - static_cast<float>(RandomPair() % 5u);
    float tilt = static_cast<float>((RandomPair() & 3u) + 5u);
    if ((RandomPair() & 1u) == 0) tilt = -tilt;
    mDrawTurretTilt = tilt;
    for (int32_t i = 2; i >= 0; --i) {
        mAnimPhase[i] = static_cast<int32_t>(RandomPair() % 10000u);
        mAnimRate[i] = static_cast<float>(1.3 * RandomFraction() + 0.5);
    }
}

void Vehicle::IVehicle(VehicleType type, Force force, ExperienceLevel experience, float x, float y, float z) {
    mSubtype = type;
    mUseMainGun = false;
    mPassengers[0] = mPassengers[1] = nullptr;
    mBurning = mDugIn = mBogged = mFlipped = false;
    mMainGunOut = mWeaponKnockedOut = false;
    mTurretBearing = Data().mGunToRear < 0 ? 180.0f : 0.0f;
    RandomizeSmokeWidth();
    IUnit(x, y, z, force, experience);
    mButtoned = IsFixed();
    if (mSkipSetup) return;
    const ArmorQuality armor = Data().mArmorClass;
    if ((armor == 4 || armor == 5) && ScenarioDate() >= kFirstLateArmorDate) {
        const double chance = armor == 4 ? 0.3 : 0.6;
        if (RandomFraction() < chance) mArmorFactor[0] = static_cast<float>(0.15 * RandomFraction() + 0.75);
    }
    if (IsFixed()) mImmobile = true;
    SetMistakenID();
    for (int32_t i = 2; i >= 0; --i)
        mRandomFractions[i] = static_cast<float>(RandomFraction());
    ResetModelCoords();
}

void Vehicle::RandomizeSmokeWidth() {
    mSmokeWidth = static_cast<float>((RandomFraction() + 2.0) * 0.75 * (Data().mTargetSize + 0.8f));
}

void Vehicle::ChooseUniform() {
    if (Data().mFlags & kVUniformFromUnit) {
        Unit::ChooseUniform();
        return;
    }
    mUniform = gForceTypeChart[mForce].mUniformRecord;
}

void Vehicle::ResetModelCoords() {
    if (Data().mModel == kVehicleModelOwnExtents) SetModelCoords(0.0f, 0.0f, 0.0f, 0.25f, 0.5f, 0.1f);
}

void Vehicle::LoadOut(uint16_t* counts, uint8_t* extras, int32_t n) {
    Unit::LoadOut(counts, extras, n);
    if (!extras) return;
    for (int32_t i = 2; i >= 0; --i)
        extras[i] = Data().mLoadExtras[i];
}

void Vehicle::SetMistakenID() {
    mKnownClass = Data().mClass;
    mMistakenTypes[0] = mMistakenTypes[1] = mSubtype;
    mMistakenTypes[2] = GetGeneralType(true);
    mMistakenType = 0;
}

int32_t Vehicle::OpenTopStatus(DataKnowledge k) const {
    const VehicleData& d = GetVehicleDataRecord(k);
    const int32_t covered = (d.mRoofArmorA > 0 ? 1 : 0) + (d.mRoofArmorB > 0 ? 1 : 0);
    return 2 - covered;
}

bool Vehicle::HasHeavyWeapon(DataKnowledge k) {
    return GetVehicleDataRecord(k).mMainWeapon != kWeaponNone;
}

void Vehicle::DigIn() {
    if (!IsArmoredVehicle(kKnowTruth, false) || !HasOrdnance(false, false)) return;
    mDugIn = !mDugIn;
    if (!mDugIn) return;
    for (Unit*& p : mPassengers) {
        if (!p) continue;
        p->mTransport = nullptr;
        p = nullptr;
    }
}

VehicleClass Vehicle::GetKnownClass() {
    const Affiliation viewer = gBattle ? gBattle->Host()->ViewingSide() : kAxis;
    if (IsOwnUnit(viewer) || mContactLevel >= 4) return Data().mClass;
    return mKnownClass;
}

VehicleType Vehicle::GetGeneralType(bool fromKnown) {
    return gVehicleClassChart[fromKnown ? mKnownClass : GetKnownClass()].mGeneralType;
}

const VehicleData& Vehicle::GetVehicleDataRecord(DataKnowledge k) const {
    if (k == kKnowTruth) return Data();
    auto* self = const_cast<Vehicle*>(this);
    const FogOfWarContact c = k == kKnowIdentified ? self->VisibleToPlayer(true) : mContactLevel;
    if (c >= kContactFull) return Data();
    const int32_t slot = c == 4 ? 0 : (c == 3 ? 1 : 2);
    return gVehicleData[mMistakenTypes[slot]];
}

VehicleModel Vehicle::GetActualModel() const {
    return GetActualModelX(Data().mModel);
}

void Vehicle::ConcatName(GString* text, bool longForm) {
    if (!text) return;
    const FogOfWarContact c = VisibleToPlayer(true);
    if (c == kContactNone) return; // not seen: no name
    if (c >= 5) {
        text->ConcatText(longForm ? Data().mName : Data().mShortName);
        return;
    }
    if (c >= 3) {
        text->ConcatRez(gVehicleClassChart[GetKnownClass()].mNameString);
        if (c == 3) text->AddChar('?');
        return;
    }
    switch (GetGeneralType(false)) {
    case kVehicleGenericBunker:
        text->ConcatRez(kBunkerName);
        break;
    case kVehicleGenericTruck:
        text->ConcatRez(kTruckName);
        break;
    case kVehicleGenericLightArmor:
        text->ConcatRez(kLightArmorName);
        break;
    default:
        text->ConcatRez(kTankName);
        break;
    }
}

int32_t Vehicle::Rank() {
    if (PlatoonSubordinate(false)) return 2;
    return HasHeavyWeapon(kKnowTruth) ? 1 : 0;
}

void Vehicle::AdvanceAnimation() {
    // The crew's looks move by the kernel's last frame time in milliseconds;
    // headless there is no frame clock and they hold still.
    const float frameTime = gKernel ? static_cast<float>(gKernel->mFrameMs) : 0.0f;
    for (int32_t i = 2; i >= 0; --i) {
        int32_t phase = static_cast<int32_t>(frameTime * mAnimRate[i] + static_cast<float>(mAnimPhase[i]));
        if (phase >= 10000) phase %= 10000;
        mAnimPhase[i] = phase;
    }
}

// ---------------------------------------------------------------------------
// Aiming and loading times, target orders, passengers in packets

float Vehicle::FullAimTime(bool randomise, bool quick) {
    const WeaponType w = Data().mMainWeapon;
    const WeaponClass wc = w == kWeaponNone ? kWClassSmallArms : gWeaponData[w].mClass;
    float t = 0.0f;
    if (w != kWeaponNone && wc == kWClassMortar && mAcquisition == 0 && !quick) {
        t = 6.0f;
    } else {
        t = 2.5f;
        if (mAcquisition == 0 && !quick) t += 2.0f;
    }
    if ((wc == kWClassGun || wc == kWClassTwinGun) && w != kWeaponNone && mTarget) {
        const float dx = mTarget->mX - mX, dy = mTarget->mY - mY, dz = mTarget->GetZ() - GetZ();
        const float d = std::sqrt(dx * dx + dy * dy + dz * dz);
        t *= OpticalQualityTrack(d, (std::fabs(mTarget->mPlaybackSpeed) + std::fabs(mPlaybackSpeed)) * 40.0f);
    }
    if (randomise) t *= static_cast<float>(0.4 * RandomFraction() + 0.8);
    return t;
}

float Vehicle::FullLoadTime(bool randomise, bool quick) {
    const VehicleData& d = Data();
    const WeaponType w = d.mMainWeapon;
    if (w == kWeaponNone) return 0.0f;
    const WeaponClass wc = gWeaponData[w].mClass;
    int32_t x = mExperience;
    const int32_t bonus = gBattle ? gBattle->mComputerBonus : 0;
    if (bonus > 0 && IsComputerSide(GetAffiliation())) x = std::min(x + bonus, 8);
    if (wc != kWClassFlame) {
        const int32_t turret = NrMenInTurret();
        if (turret < 2)
            x -= 4;
        else if (turret == 2)
            x -= 2;
    }
    if (d.mFlags & kVSlowFiring) x -= 2;
    if (d.mFlags & kVVerySlowFiring) x -= 1;
    const AmmoType he = AmmoTypeInUse(1, w, kAmmoHE, nullptr);
    float t = HeavyReload(w, wc, gAmmoData[he].mWeight, x);
    if (d.mRoofArmorA == 0) t *= 0.9f;
    if (randomise) t *= static_cast<float>(0.4 * RandomFraction() + 0.8);
    return std::min(t, 640.0f);
}

void Vehicle::ResetTargetSliceCount() {
    Unit::ResetTargetSliceCount();
    if (mButtoned && !IsFixed()) mAlertCount = static_cast<int16_t>(mAlertCount - 240);
}

void Vehicle::AdjustPassengerSetup() {
    for (Unit* p : mPassengers)
        if (p && gInfantryHooks.updateRider) gInfantryHooks.updateRider(p);
}

bool Vehicle::HasFunctioningMG(bool flag) {
    return NrBowMGsReady() != 0 || NrCoaxMGsReady(flag) != 0 || NrFreeMGsReady(flag) != 0;
}

void Vehicle::ReceiveTargetOrders(Unit* target, float x, float y, bool area, int32_t n) {
    Unit::ReceiveTargetOrders(target, x, y, area, n);
    if (!HasHeavyWeapon(kKnowTruth) || mMainGunOut) {
        mUseMainGun = false;
    } else if (!mTarget && !mAreaTarget) {
        mUseMainGun = false;
    } else if (area || n > 0 || !mTarget || mTarget->mUnitType == kUnitVehicle || !HasFunctioningMG(false) ||
               !mTarget->mActive) {
        mUseMainGun = true;
    } else {
        mUseMainGun = gBattle && gBattle->mCheckOrders;
        if (!mUseMainGun && gBattle) gBattle->Host()->CreateGunChoiceMenu(this);
    }
    mGunChoicePending = 0;
    mTurretHoldSlices = 0; // a new order ends the turret's rest on the old engagement
    if (!mUseMainGun) ResetAimClock();
}

void Vehicle::FillPassengerOrCarrier(ActionPacket* packet) {
    if (!packet) return;
    packet->mLinkA = mPassengers[0];
    packet->mLinkB = mPassengers[1];
}

void Vehicle::ProcessPassengerOrCarrier(ActionPacket* packet) {
    if (!packet) return;
    mPassengers[0] = packet->mLinkA;
    mPassengers[1] = packet->mLinkB;
}

void Vehicle::ProcessTimeSlice(int32_t now, int32_t end, int32_t steps) {
    if (mActive && now == end) {
        const int32_t k = now - mSliceCount;
        if (k > 0) {
            mTurretBearing += static_cast<float>(k) * mTurretRate;
            if (mTurretBearing > 180.0f) mTurretBearing -= 360.0f;
            if (mTurretBearing < -180.0f) mTurretBearing += 360.0f;
        }
    }
    const float v = mPlaybackSpeed;
    float track[2] = {v, v};
    if (Data().mKind == 4 && mTurnRate != 0.0f) {
        const float a = 0.22f * mTurnRate;
        track[0] = v - a;
        track[1] = v + a;
        for (float& t : track)
            if ((t > 0.0f && v < 0.0f) || (t < 0.0f && v > 0.0f)) t = 0.0f;
    }
    const int32_t sizePreference = gBattle ? gBattle->Host()->UnitSizePreference() : 0;
    const float scale = static_cast<float>(steps) * (1.41f - 0.13f * static_cast<float>(sizePreference));
    track[0] *= scale;
    track[1] *= scale;
    Unit::ProcessTimeSlice(now, end, steps);
    if (now != end) return;
    for (int32_t i = 1; i >= 0; --i) {
        if (mPassengers[i] && gInfantryHooks.updateRider) gInfantryHooks.updateRider(mPassengers[i]);
        mTrackPhase[i] += track[i];
        if (mTrackPhase[i] >= 100.0f) mTrackPhase[i] -= 100.0f;
        if (mTrackPhase[i] < -100.0f) mTrackPhase[i] += 100.0f;
    }
}
