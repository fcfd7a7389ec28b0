// A unit's conduct in the action phase: its preparation before slice 0, its
// one call per slice of 1/40 s (MasterControl) and the last packet of the
// phase.
//
// MasterControl counts the unit's clocks down, lets the kind decide and move
// (ComputeAction), runs the periodic morale, spotting and fatigue work, and
// records the unit's state as an action packet only when something the
// replay shows changed: gPacket starts each slice from mPacketDirty, any
// operation of the slice may set it, and the packet is written at the end.
//
// Random draws, in this order: PrepareForAction draws the stamp pair, then
// a jitter pair only for a command delay above 0, then the fear clock pair on
// the battle's first turn; MasterControl draws the fear clock pair after each
// FearReaction.

#include <cmath>

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/BattleMap.h"
#include "battle/UnitList.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/Unit.h"
#include "units/UnitGeometry.h"
#include "units/UnitMines.h"

InfantryHooks gInfantryHooks;

namespace {

constexpr float kSlice = 0.025f;         // seconds
constexpr int32_t kHideCheckPeriod = 80; // slices, staggered by the unit's identity
constexpr int32_t kArcFollowPeriod = 80;
constexpr int32_t kRallyPeriod = 160;
constexpr int32_t kTargetSightPeriod = 40;
constexpr int32_t kEnemySightPeriod = 120;
constexpr int16_t kDeafnessDecay = 15;
constexpr float kElevationStep = 0.15f;      // degrees per slice
constexpr float kElevationStepAir = 0.45f;   // against aircraft
constexpr float kSewerEmergeAimTime = 15.0f; // seconds
constexpr int32_t kStatusActive = 0;         // the packet's unit-state codes
constexpr int32_t kStatusInactive = 2;

// A clock in seconds loses one slice and stops at exactly 0.
void CountDown(float& seconds) {
    seconds = seconds > kSlice ? seconds - kSlice : 0.0f;
}

// The active code sits in bits 6-7 of the packet's status byte.
void SetPacketStatus(ActionPacket* packet, int32_t code) {
    packet->mStatus = static_cast<uint8_t>((packet->mStatus & 0x3F) | ((code & 0x03) << 6));
}

bool OnBattleMap(float x, float y) {
    Map* map = gBattle ? gBattle->mMap : nullptr;
    return !map || map->OnMap(x, y);
}

} // namespace

void Unit::PrepareForAction() {
    mPacketDirty = false;
    mHastyFire = false;
    mSliceCount = 0;
    mActionSlices = 0;
    mAimPause = 0.0f;
    mDeafness = 0;
    mMoveStamp = -1;
    mManeuverTries = 5;
    mManeuverSlice = -9999;
    mStatusTime = kStatusTimeNever;
    mRandomStamp = static_cast<int32_t>(RandomPair() % 100000000u);
    mHidingAtStart = mHiding;
    mCommandDelay = static_cast<float>(mQueuedDelay * 10) + mCommandDelay;
    mQueuedDelay = 0;
    if (mCommandDelay > 0.0f) {
        // Orders take effect up to 2 s sooner or later than reckoned.
        float jittered = mCommandDelay + static_cast<float>(4.0 * RandomFraction()) - 2.0f;
        mCommandDelay = jittered > 0.0f ? jittered : 0.0f;
    }
    if (mNrWaypoints > 0 &&
        (mWaypoints[0].mKind == kWaypointPlanned || mWaypoints[0].mKind == kWaypointPlannedEnd))
        ConvertWaypointsToActive();
    Tilt(false);
    if (gBattle && gBattle->mTurn == 1)
        mFearClock = static_cast<int32_t>((4.0 * RandomFraction() + 3.0) * 40.0); // 120..279 slices
    if (ActionPacket* packet = FillPacket()) {
        // The opening state sorts before slice 0.
        SetPacketStatus(packet, mActive ? kStatusActive : kStatusInactive);
        packet->mTimeSlice = -1;
    }
    if (gBattle && gBattle->Host()->GameMode() == kGameModeTCPIP) {
        ResetAnimTrax();
        ResetAnimation();
    }
    if (mTarget) mAreaTarget = false;
}

// ---------------------------------------------------------------------------
// One slice

namespace {

// Branch of an active unit on the map: the usual case.
void ConductOnMap(Unit& u) {
    CountDown(u.mCommandDelay);
    CountDown(u.mAimPause);
    ++u.mAlertCount;
    if (u.mFiringSignature > 0) --u.mFiringSignature;

    // A hiding unit with a covered arc breaks cover when it sees an enemy
    // there; checked every 2 s, staggered between units (32-bit wrap kept).
    if (u.mCoveredArc && u.IsHiding(true)) {
        int32_t phase = static_cast<int32_t>(13u * static_cast<uint32_t>(u.mPackedID) +
                                             static_cast<uint32_t>(u.mSliceCount));
        if (phase % kHideCheckPeriod == 0 && gBattle && gBattle->mUnits &&
            gBattle->mUnits->Find(&Unit::SpottedEnemyInCoveredArc, &u))
            u.mHiding = false;
    }

    u.ComputeAction();
    u.mHeading = Clamp360(u.mHeading + u.mTurnRate);

    if (u.mCoveredArc && u.mArcTurnsWithUnit && (u.mPlaybackSpeed != 0.0f || (u.mZ > 0.0f && u.mZ < 1.0f)) &&
        u.mSliceCount % kArcFollowPeriod == 0) {
        float x = 0.0f, y = 0.0f;
        u.CoveredArcFacePoint(&x, &y);
        u.StoreMaxArc(x, y);
    }
    if (u.mSliceCount % kRallyPeriod == 0) u.Rally();

    if (--u.mFearClock <= 0) {
        u.FearReaction();
        if (u.mFearClock < 0) u.mFearClock = 0;
        u.mFearClock = static_cast<int32_t>(u.mFearClock + (4.0 * RandomFraction() + 2.0) * 40.0); // 80..239
    }
    u.BeSpotted(false, false);
    u.ApplyFatigue();
    u.mDeafness = static_cast<int16_t>(u.mDeafness > kDeafnessDecay ? u.mDeafness - kDeafnessDecay : 0);

    // A squad that went down into the sewers in this slice stands off the
    // map on purpose: it has not left the battle.
    if (u.mOffMapState == 0 && !OnBattleMap(u.mX, u.mY) && u.mUnitType != kUnitAirplane) u.ExitMap();

    // The weapon comes down when there is nothing to aim at.
    if (!u.mTarget && !u.mAreaTarget && u.mGunElevationGoal != 0.0f) {
        u.mGunElevationGoal = 0.0f;
        gPacket = true;
    }
    float step = u.mTarget && u.mTarget->mUnitType == kUnitAirplane ? kElevationStepAir : kElevationStep;
    if (u.mGunElevation < u.mGunElevationGoal) {
        u.mGunElevation += step;
        if (u.mGunElevation >= u.mGunElevationGoal) {
            u.mGunElevation = u.mGunElevationGoal;
            gPacket = true;
        }
    } else if (u.mGunElevation > u.mGunElevationGoal) {
        u.mGunElevation -= step;
        if (u.mGunElevation <= u.mGunElevationGoal) {
            u.mGunElevation = u.mGunElevationGoal;
            gPacket = true;
        }
    }

    // A move to contact ends at the first sign of the enemy.
    if (u.mNrWaypoints > 0 && u.mWaypoints[0].mOrder == kPaceToContact) {
        bool contact =
            u.mSuppression != 0.0f || u.mAimPause != 0.0f ||
            (u.mTarget && u.mSliceCount % kTargetSightPeriod == 0 && u.CanSee(u.mTarget, nullptr)) ||
            (u.mSliceCount % kEnemySightPeriod == 0 && u.SeeLiveEnemy(true));
        if (contact) {
            bool hide = u.mWaypoints[u.mNrWaypoints - 1].mHide != 0;
            u.CancelMovementOrders();
            if (hide) u.mHiding = true;
            gPacket = true;
        }
    }
}

// Branch of an infantry unit travelling through the sewers.
void ConductInSewers(Unit& u) {
    if (u.mUnitType != kUnitInfantry) return;
    if (!gInfantryHooks.sewerTime) return;
    int32_t time = gInfantryHooks.sewerTime(&u);
    if (time > 0 || time == -1) return;
    if (time == 0) {
        CountDown(u.mCommandDelay);
        if (u.mCommandDelay != 0.0f) return;
        // It comes up at the end of its sewer leg (the second waypoint).
        u.mAimTime = kSewerEmergeAimTime;
        u.mOffMapState = 0;
        int32_t exit = u.mNrWaypoints >= 2 ? 1 : u.mNrWaypoints - 1;
        if (exit >= 0) {
            u.mX = u.mWaypoints[exit].mX;
            u.mY = u.mWaypoints[exit].mY;
        }
        u.mNrWaypoints = 0;
        gPacket = true;
        return;
    }
    u.mOffMapState = 1; // lost underground
    u.Die();
}

// Branch of a unit that is not in play: dead, exited, or yet to arrive.
void ConductOffMap(Unit& u) {
    if (!(u.mContactLevel >= kContactFull && !u.mSpotMarker)) u.BeSpotted(false, false);
    if (u.mSliceCount + 1 >= u.mStatusTime)
        u.Resurrect();
    else
        u.ProcessDeadVehicle();
}

} // namespace

void Unit::MasterControl() {
    gPacket = mPacketDirty;
    mPacketDirty = false;
    // An observer out of good order, or off the map, still runs its mission
    // (the kind's record is looked up only for a unit with an area target).
    if (mAreaTarget && mAmmo[0] != 0 && (!mTargetChanged || mMissionLive) && IsForwardObserver() &&
        (!InGoodOrder() || mOffMapState != 0) && gInfantryHooks.fireOffboardArtillery)
        gInfantryHooks.fireOffboardArtillery(this);

    if (mActive && mOffMapState == 0) {
        const float fromX = mX, fromY = mY;
        ConductOnMap(*this);
        // A mine that goes off under the unit shows in this slice's packet.
        if (mX != fromX || mY != fromY) gPacket |= SetOffMines(this, fromX, fromY);
    }
    else if (mActive && mOffMapState == 3)
        ConductInSewers(*this);
    else
        ConductOffMap(*this);

    if (gPacket) FillPacket();
    ++mSliceCount;
    ++mActionSlices; // the slices lived through in this phase (a vehicle's mine look-ahead)
    if (mPlaybackSpeed != 0.0f) mMoveStamp = mSliceCount;
}

void Unit::FlushLastPacket(int32_t s) {
    if (mActive && mTarget) {
        bool alive = !mTargetDead ? mTarget->mActive : mTarget->CanBeDamaged();
        if (!alive) mTarget = nullptr;
    }
    int32_t now = gBattle && gBattle->mComputing ? gBattle->mTimeSlice : 0;
    if (mStatusTime <= now) Resurrect();
    TrimSplicedWaypoints();
    if (s == 0 || mPacketDirty) {
        FillPacket();
        mPacketDirty = false;
    }
}

// ---------------------------------------------------------------------------
// Predicates over the battle's units

bool Unit::SpottedEnemyInCoveredArc(GObject* member, void* context) {
    auto* u = static_cast<Unit*>(member);
    auto* self = static_cast<Unit*>(context);
    return u && self && u->mSide != self->mSide && u->IsSpottedNow() && u->mActive &&
           self->InCoveredArc(u->mX, u->mY, u, nullptr) && self->CanSee(u, nullptr);
}

bool Unit::NotSeenByEnemyInfantry(GObject* member, void* context) {
    auto* u = static_cast<Unit*>(member);
    auto* self = static_cast<Unit*>(context);
    if (!u || !self) return true;
    return !(u->mSide != self->mSide && u->mUnitType == kUnitInfantry && u->CanSee(self, nullptr));
}
