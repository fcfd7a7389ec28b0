// A unit's visible state in the unit packets of the replay: recorded during
// the action phase, taken back in playback. The kinds add their own items
// through FillPassengerOrCarrier / ProcessPassengerOrCarrier.
//
// Where the Unit part's items sit in the packet:
//   facing, motion A/B       heading, playback speed, turn rate
//   rates A/B                gun elevation and its goal, x 200 cut
//   artillery state / delay  load time x 50 cut / aim time
//   floor height             the unit's floor level mZ
//   errors X/Y               the sound offsets (the packet's record keeps
//                            them for a heard unit only)
//   aim point (flags A 0x01) the area target and its point
//   figure groups 0..2       per animation channel: start delay in ms,
//                            animation code, start flag
//   status                   bits 6-7 1 active, 2 not, 0 comes into play;
//                            bits 0-4 casualties (0..31)
//   movement code            bits 0-4 the first waypoint's pace (1: none)
//   spotting                 0x80 spot marker, 0x40 target locked,
//                            0x20 hiding, 0x10 target dead, 0x08 gun
//                            knocked out, bits 0-2 contact level
//   flags A                  bits 5-6 off-map state, 0x80 spot marker
//                            gone, 0x04 immobile, 0x01 area target
//   flags B                  0x02 the covered arc's re-check flag, 0x04
//                            hiding since the action phase began

#include <cmath>

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "engine/GOLTA.h"
#include "units/DataTables.h"
#include "units/Unit.h"

namespace {

constexpr uint8_t kStatusActive = 1;
constexpr uint8_t kStatusInactive = 2;
constexpr uint8_t kStatusEntering = 0;

constexpr uint8_t kSpotMarker = 0x80;
constexpr uint8_t kSpotTargetLocked = 0x40;
constexpr uint8_t kSpotHiding = 0x20;
constexpr uint8_t kSpotTargetDead = 0x10;
constexpr uint8_t kSpotGunKnockedOut = 0x08;

constexpr uint8_t kFlagAMarkerGone = 0x80;
constexpr uint8_t kFlagAImmobile = 0x04;
constexpr uint8_t kFlagAAreaTarget = 0x01;
constexpr uint8_t kFlagBArcRecheck = 0x02;
constexpr uint8_t kFlagBHidingAtStart = 0x04;

constexpr float kAimPauseAfterFiring = 2.5f;

bool IsFiringAnimation(int32_t code) {
    return code == 4 || code == 5;
}

} // namespace

ActionPacket* Unit::FillPacket() {
    if (!gBattle) return nullptr;
    ActionPacket* p = gBattle->CreateActionPacket(0);
    p->mType = kPacketUnitState;
    p->mX = mX;
    p->mY = mY;
    p->mZ = GetZ();
    p->mUnit = this;
    const uint8_t status = mActive ? kStatusActive : kStatusInactive;
    p->mFacing = mHeading;
    p->mMotionA = mPlaybackSpeed;
    p->mMotionB = mTurnRate;
    p->mSuppression = mSuppression;
    p->mMarkerX = mMarkerX;
    p->mMarkerY = mMarkerY;
    p->mFloorHeight = mZ;
    p->mRateA = static_cast<int16_t>(mGunElevation * 200.0f);
    p->mRateB = static_cast<int16_t>(mGunElevationGoal * 200.0f);
    p->mErrorX = mSoundOffsetX;
    p->mErrorY = mSoundOffsetY;
    p->mTarget = mTarget;
    p->mAimX = mAreaTargetX;
    p->mAimY = mAreaTargetY;

    // Animation channels, the last first: a squad's three figure groups,
    // else one.
    const int32_t channels = mUnitType == kUnitInfantry && gInfantryData[mSubtype].mIsSquad ? 3 : 1;
    for (int32_t i = 2; i >= channels; --i)
        p->mFigures[i] = PacketFigureGroup{};
    for (int32_t i = channels - 1; i >= 0; --i) {
        const int32_t code = mAnimation[i];
        int32_t flag = 0;
        int32_t delay = 0;
        if (IsFiringAnimation(code)) {
            delay = static_cast<int32_t>((40.0 + RandomPick(61)) * 0.7 * 10.0);
        } else if (code == 9 || code == 10) {
            delay = 700;
        } else {
            int32_t frame = 0;
            RandomStartFrame(i, &flag, &delay, &frame);
        }
        p->mFigures[i].mFrame = static_cast<int16_t>(delay);
        p->mFigures[i].mAnimation = static_cast<int8_t>(code);
        p->mFigures[i].mStart = static_cast<int8_t>(flag);
    }

    p->mArtilleryState = static_cast<int16_t>(mLoadTime * 50.0f);
    p->mArtilleryDelay = mAimTime;
    const int32_t casualties = mCasualties < 0 ? 0 : (mCasualties > 31 ? 31 : mCasualties);
    p->mStatus = static_cast<uint8_t>((status << 6) | casualties);
    p->mSpotting =
        static_cast<uint8_t>((mSpotMarker ? kSpotMarker : 0) | (mTargetLocked ? kSpotTargetLocked : 0) |
                             (mHiding ? kSpotHiding : 0) | (mTargetDead ? kSpotTargetDead : 0) |
                             (mGunKnockedOut ? kSpotGunKnockedOut : 0) | (mContactLevel & 7));
    const int32_t pace = mNrWaypoints > 0 ? mWaypoints[0].mOrder : 1;
    p->mMovementCode = static_cast<uint8_t>(pace & 0x1F);
    p->mFlagsA =
        static_cast<uint8_t>(((mOffMapState & 3) << 5) | (mSpotMarkerGone ? kFlagAMarkerGone : 0) |
                             (mImmobile ? kFlagAImmobile : 0) | (mAreaTarget ? kFlagAAreaTarget : 0));
    p->mFlagsB = static_cast<uint8_t>((mArcFlag ? kFlagBArcRecheck : 0) | (mHidingAtStart ? kFlagBHidingAtStart : 0));
    FillPassengerOrCarrier(p);
    for (int32_t c = 0; c < kAmmoClassCount; ++c)
        p->mAmmo[c] = mAmmo[c];
    return p;
}

void Unit::ProcessActionPacket(ActionPacket* p) {
    if (!p) return;
    const int32_t slice = p->mTimeSlice;
    if (slice >= 0) {
        if (mAimPause != 0.0f) UpdateFireAnimationClock(slice);
        mSliceCount = slice;
    }
    const int32_t status = p->mStatus >> 6;
    if (status == kStatusInactive) {
        mActive = false;
    } else if (status == kStatusEntering) {
        // A new crew comes into play; its packet may be stamped before the
        // turn, which leaves the slice count alone.
        mActive = true;
        if (slice >= 0) mSliceCount = slice;
    }

    mX = p->mX;
    mY = p->mY;
    mHeading = p->mFacing;
    mPlaybackSpeed = p->mMotionA;
    mTurnRate = p->mMotionB;
    mSuppression = p->mSuppression;
    mMarkerX = p->mMarkerX;
    mMarkerY = p->mMarkerY;
    mZ = p->mFloorHeight;
    mGunElevation = p->mRateA * 0.005f;
    mGunElevationGoal = p->mRateB * 0.005f;
    // The sound offsets travel only with a heard unit's packet; otherwise
    // the unit keeps its own, which its record holds (for a unit not heard
    // either). Taken from every packet, they stood as computed on the
    // machine that computed the turn and at 0 on the one that read the
    // packets from the results, and a unit heard and lost again split them.
    if ((p->mSpotting & 7) == kContactHeard) {
        mSoundOffsetX = p->mErrorX;
        mSoundOffsetY = p->mErrorY;
    }
    mTarget = p->mTarget;
    mAreaTargetX = p->mAimX;
    mAreaTargetY = p->mAimY;
    mLoadTime = p->mArtilleryState * 0.02f;
    mAimTime = p->mArtilleryDelay;
    for (int32_t c = 0; c < kAmmoClassCount; ++c)
        mAmmo[c] = p->mAmmo[c];
    mCasualties = p->mStatus & 0x1F;
    mContactLevel = p->mSpotting & 7;
    mSpotMarker = (p->mSpotting & kSpotMarker) != 0;
    mTargetLocked = (p->mSpotting & kSpotTargetLocked) != 0;
    mHiding = (p->mSpotting & kSpotHiding) != 0;
    mTargetDead = (p->mSpotting & kSpotTargetDead) != 0;
    mGunKnockedOut = (p->mSpotting & kSpotGunKnockedOut) != 0;
    mReplayedOrder = p->mMovementCode & 0x1F;
    mOffMapState = (p->mFlagsA >> 5) & 3;
    mSpotMarkerGone = (p->mFlagsA & kFlagAMarkerGone) != 0;
    mImmobile = (p->mFlagsA & kFlagAImmobile) != 0;
    mAreaTarget = (p->mFlagsA & kFlagAAreaTarget) != 0;
    mArcFlag = (p->mFlagsB & kFlagBArcRecheck) != 0;
    mHidingAtStart = (p->mFlagsB & kFlagBHidingAtStart) != 0;
    ProcessPassengerOrCarrier(p);

    // A new animation starts after the packet's delay (at once at the turn's
    // start); the same code arriving again does not restart it.
    for (int32_t i = 2; i >= 0; --i) {
        const PacketFigureGroup& g = p->mFigures[i];
        if (g.mAnimation == mAnimation[i]) continue;
        mAnimFrame[i] = g.mStart;
        mAnimation[i] = g.mAnimation;
        mAnimKeyTime[i] = static_cast<int32_t>(ClockTime()) + (mSliceCount < 1 ? 1 : g.mFrame);
        if (i == 0 && IsFiringAnimation(g.mAnimation)) mAimPause = kAimPauseAfterFiring;
    }
}
