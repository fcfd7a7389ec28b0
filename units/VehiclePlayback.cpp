// The vehicle's items of its unit packet, their replay, and the engine
// sounds dropped when the replay shows the vehicle dead, immobilised, or
// lost from the viewer's sight.

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "units/Vehicle.h"

void (*Vehicle::sDropEngineSound)(Vehicle* vehicle, bool queuedToo) = nullptr;

namespace {

constexpr uint8_t kStatusBurning = 0x20;
constexpr uint8_t kSpotWeaponOut = 0x08;
constexpr uint8_t kFlagABogged = 0x10;
constexpr uint8_t kFlagAButtoned = 0x08;
constexpr uint8_t kFlagBCrewShock = 0x01;
constexpr uint8_t kFlagBManeuverTried = 0x08;

void DropEngineSound(Vehicle* v, bool queuedToo) {
    if (Vehicle::sDropEngineSound) Vehicle::sDropEngineSound(v, queuedToo);
}

} // namespace

ActionPacket* Vehicle::FillPacket() {
    ActionPacket* p = Unit::FillPacket();
    if (!p) return nullptr;
    p->mStatus = static_cast<uint8_t>((p->mStatus & ~kStatusBurning) | (mBurning ? kStatusBurning : 0));
    if (mWeaponKnockedOut) p->mSpotting |= kSpotWeaponOut;
    p->mTurretBearing = mTurretBearing;
    p->mTurretRate = mTurretRate;
    p->mFlagsA = static_cast<uint8_t>((p->mFlagsA & ~(kFlagABogged | kFlagAButtoned)) |
                                      (mBogged ? kFlagABogged : 0) | (mButtoned ? kFlagAButtoned : 0));
    p->mBailOutCountdown = static_cast<int16_t>(mBailOutCountdown);
    const bool shocked = mCrewShockTime != 0.0f || mDriverShockTime != 0.0f;
    p->mFlagsB = static_cast<uint8_t>((p->mFlagsB & ~(kFlagBCrewShock | kFlagBManeuverTried)) |
                                      (shocked ? kFlagBCrewShock : 0) | (mManeuverTried ? kFlagBManeuverTried : 0));
    p->mVehicleNibble = static_cast<uint8_t>(mStatusNibble & 0x0F);
    for (int32_t i = 0; i < 3; ++i)
        p->mMGRounds[i] = mMGRounds[i];
    return p;
}

void Vehicle::ProcessActionPacket(ActionPacket* p) {
    if (!p) return;
    if ((p->mStatus >> 6) == 2) {
        DropEngineSound(this, true);
    } else if ((p->mFlagsA & 0x04) && !mImmobile) {
        DropEngineSound(this, false);
    } else {
        int32_t player = gBattle && gBattle->Host() ? gBattle->Host()->PlayerSideValue() : 0;
        if (player == 2) player = 1;
        const int32_t own = 1 - (mSide != 0 ? 1 : 0);
        const bool hidden = (p->mSpotting & 0x20) != 0;
        if (own != player && (((p->mSpotting & 7) == 0 && mContactLevel == 1) || (hidden && !mHiding)))
            DropEngineSound(this, false);
    }
    mBurning = (p->mStatus & kStatusBurning) != 0;
    mWeaponKnockedOut = (p->mSpotting & kSpotWeaponOut) != 0;
    mTurretBearing = p->mTurretBearing;
    mTurretRate = p->mTurretRate;
    mBogged = (p->mFlagsA & kFlagABogged) != 0;
    mButtoned = (p->mFlagsA & kFlagAButtoned) != 0;
    mBailOutCountdown = p->mBailOutCountdown;
    mShockShown = (p->mFlagsB & kFlagBCrewShock) != 0;
    mManeuverTried = (p->mFlagsB & kFlagBManeuverTried) != 0;
    mStatusNibble = p->mVehicleNibble & 0x0F;
    for (int32_t i = 0; i < 3; ++i)
        mMGRounds[i] = p->mMGRounds[i];
    Unit::ProcessActionPacket(p);
}

void Vehicle::CompletePlayback() {
    Unit::CompletePlayback();
    mHitRecordSlice = -1;
}

void Vehicle::ResetAnimation() {
    if (mNrWaypoints > 0 && !CouldMoveIfNotBogged()) mNrWaypoints = 0;
}
