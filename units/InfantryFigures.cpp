// Infantry figures: how many the viewing player sees, which animation group
// and animation each plays, and the key-frame animation of their poses in
// real time (milliseconds of the kernel's clock) during playback.

#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/GKernel.h"
#include "engine/GOLTA.h"
#include "units/DataTables.h"
#include "units/Infantry.h"
#include "units/InfantryTables.h"

namespace {

constexpr InfantryAnimationGroup kGroupLowContact = 9;
constexpr InfantryAnimationGroup kGroupSurrendered = 14;
constexpr InfantryAnimationGroup kGroupExiting = 15;
constexpr InfantryAnimationGroup kGroupDead = 16;
constexpr int32_t kAnimationFireStanding = 4;
constexpr int32_t kAnimationFireMoving = 5;
constexpr int32_t kAnimationRiding = 3;
constexpr int32_t kShortestKeyFrame = 5;

int32_t AnimationIndex(InfantryAnimationGroup group, int32_t animation) {
    if (group < 0 || group >= kAnimationGroups) group = 0;
    if (animation < 0 || animation >= kAnimationsPerGroup) animation = 0;
    return group * kAnimationsPerGroup + animation;
}

uint32_t KernelNow() {
    return gKernel ? gKernel->mCurrentTime : ClockTime();
}

int32_t KernelFrameTime() {
    return gKernel ? gKernel->mFrameMs : 0;
}

} // namespace

int32_t Infantry::GetNrFigures() {
    return GetSpecificNrFigures(VisibleToPlayer(false));
}

int32_t Infantry::GetSpecificNrFigures(FogOfWarContact contact) {
    if (!mActive) {
        if (PreBail()) return 0;
        const WeaponClass c = GetWeaponClass();
        if ((c == kWClassGun || c == kWClassTwinGun || c == kWClassMortar) && gBattle && gBattle->mUnits) {
            UnitList* units = gBattle->mUnits;
            for (int32_t i = 0; i < units->GetCount(); ++i) {
                Unit* u = units->GetUnit(i);
                if (u && u->mUnitType == kUnitInfantry && u->mAbandonedVehicle == this) return 0;
            }
        }
        return 1;
    }
    if (contact == kContactNone) return 0; // not seen: nothing of it is drawn
    if (!IsSquad()) return 1;
    if (contact == 4) return 3;
    if (contact < 4) return 1;
    const int32_t full = GetOriginalNrMen();
    const int32_t left = MenAlive();
    if (full > 0 && static_cast<float>(left) / static_cast<float>(full) >= 0.745f) return 3;
    return left > 3 ? 2 : 1;
}

InfantryAnimationGroup Infantry::GetAnimationGroup(int32_t figure) {
    return GetSpecificAnimationGroup(figure, VisibleToPlayer(false));
}

InfantryAnimationGroup Infantry::GetSpecificAnimationGroup(int32_t figure, FogOfWarContact contact) {
    const int32_t team = figure < 0 ? 0 : (figure >= kInfantryTeams ? kInfantryTeams - 1 : figure);
    const InfantryAnimationGroup g = Record().mTeamAnimGroup[team];
    if (contact < 4 && (g == 10 || g == 17)) return kGroupLowContact;
    if (contact == 3) {
        WeaponType type = kWeaponNone;
        WeaponClass c = 0;
        MGPenetration mg = GetWeaponInfo(&type, &c, kKnowTruth);
        return c != 0 || mg > 1 ? g : 0;
    }
    if (contact == 2) return HasOrdnance(false, false) ? kGroupLowContact : 0;
    if (contact == 1) return 0;
    return g;
}

void Infantry::SetFiringAnimation() {
    if (!gMovementSpeedChart[mMoveSpeed].mFiringPose) return;
    const int32_t wanted = mPlaybackSpeed == 0.0f ? kAnimationFireStanding : kAnimationFireMoving;
    if (mAnimation[0] != wanted && (mFiringAnimTime == 0.0f || (mAnimation[0] != 9 && mAnimation[0] != 10))) {
        mAnimation[0] = wanted;
        gPacket = true;
    }
    for (int32_t f = 2; f >= 1; --f) {
        if (mAnimation[f] != wanted) {
            mAnimation[f] = wanted;
            gPacket = true;
        }
    }
}

void Infantry::RandomStartFrame(int32_t figure, int32_t* frame, int32_t* delay, int32_t* count) {
    const int32_t team = figure < 0 ? 0 : (figure >= kInfantryFigures ? kInfantryFigures - 1 : figure);
    const InfantryAnimationGroup group = mActive ? Record().mTeamAnimGroup[team] : kGroupDead;
    const int32_t i = AnimationIndex(group, mAnimation[team]);
    const int32_t n = gAnimationFrameCount[i];
    // A table without frames or with a frame too short to spread gives the
    // first frame and the shortest delay rather than a division by zero.
    const int32_t f = n > 0 ? static_cast<int32_t>(RandomPair() % static_cast<uint32_t>(n)) : 0;
    const int32_t d = gAnimationFrameTime[i][f < kMaxKeyFrames ? f : 0];
    const int32_t spread = 4 * d / 5;
    const int32_t r = spread > 0 ? static_cast<int32_t>(RandomPair() % static_cast<uint32_t>(spread)) : 0;
    if (frame) *frame = f;
    if (delay) *delay = r + d / 5 + 2;
    if (count) *count = n;
}

void Infantry::ResetAnimation() {
    int32_t animation = kAnimationRiding;
    if (!mTransport) {
        if (!CanMovePhysically() && mNrWaypoints > 0 && mWaypoints[0].mOrder != kPaceRotate) mNrWaypoints = 0;
        // The pace becomes the one actually walked now, not the one ordered,
        // and the pose follows it (a pace the table lacks changes nothing).
        const MovementSpeedType pace = GetActualMoveSpeed(false);
        if (pace >= 0 && pace < gMovementSpeedChart.Count()) mMoveSpeed = pace;
        animation = gMovementSpeedChart[mMoveSpeed].mPoseCode[mOnSkis ? 1 : 0];
    }
    const int32_t figures = IsSquad() ? kInfantryFigures : 1;
    for (int32_t f = figures - 1; f >= 0; --f) {
        if (mAnimation[f] == animation) continue;
        mAnimation[f] = animation;
        int32_t frame = 0;
        int32_t delay = 0;
        int32_t count = 0;
        RandomStartFrame(f, &frame, &delay, &count);
        mAnimFrame[f] = frame;
        mAnimKeyTime[f] = static_cast<int32_t>(static_cast<uint32_t>(delay) + ClockTime());
    }
}

void Infantry::AdvanceAnimation() {
    if (gBattle && gBattle->mPlaybackPaused) return;
    const int32_t now = static_cast<int32_t>(KernelNow());
    const int32_t dt = KernelFrameTime();
    for (int32_t f = GetNrFigures() - 1; f >= 0; --f) {
        InfantryAnimationGroup group;
        if (!mActive)
            group = kGroupDead;
        else if (mSurrendered)
            group = kGroupSurrendered;
        else if (mExiting)
            group = kGroupExiting;
        else
            group = GetAnimationGroup(f);
        const int32_t i = AnimationIndex(group, mAnimation[f]);
        const int32_t count = gAnimationFrameCount[i] > 0 ? gAnimationFrameCount[i] : 1;
        if (mAnimKeyTime[f] < 1) {
            int32_t frame = 0;
            int32_t delay = 0;
            int32_t n = 0;
            RandomStartFrame(f, &frame, &delay, &n);
            if (frame >= count) frame = 0;
            for (int32_t v = 0; v < kPoseValues; ++v)
                mFigurePos[v][f] = gAnimationPose[i][frame][v];
            mAnimKeyTime[f] = now + delay;
            mAnimFrame[f] = frame + 1 < count ? frame + 1 : 0;
            return;
        }
        int32_t target = mAnimFrame[f] >= 0 && mAnimFrame[f] < count ? mAnimFrame[f] : 0;
        float fraction;
        if (now < mAnimKeyTime[f]) {
            const int32_t span = mAnimKeyTime[f] - (now - dt);
            fraction = span > 0 ? static_cast<float>(dt) / static_cast<float>(span) : 1.0f;
        } else {
            int32_t key = mAnimKeyTime[f];
            int32_t previous = key;
            int32_t from = target;
            while (key <= now) {
                previous = key;
                from = target;
                int32_t step = static_cast<int32_t>(static_cast<float>(gAnimationFrameTime[i][target]) *
                                                    mFigureScale[f]);
                if (step < 6) step = kShortestKeyFrame;
                key += step;
                target = target + 1 < count ? target + 1 : 0;
            }
            for (int32_t v = 0; v < kPoseValues; ++v)
                mFigurePos[v][f] = gAnimationPose[i][from][v];
            mAnimKeyTime[f] = key;
            mAnimFrame[f] = target;
            fraction = static_cast<float>(now - previous) / static_cast<float>(key - previous);
        }
        for (int32_t v = 0; v < kPoseValues; ++v)
            mFigurePos[v][f] += (gAnimationPose[i][target][v] - mFigurePos[v][f]) * fraction;
    }
}

void Infantry::CompletePlayback() {
    Unit::CompletePlayback();
    if (!IsForwardObserver()) return;
    if (!mAreaTarget) {
        mFOTargetX = mFOTargetY = mFOAimTime = mFOLastErrorX = mFOLastErrorY = kFOUnset;
        mSavedMissionLive = false;
        mSavedRoundPattern = false;
    } else {
        mFOTargetX = mAreaTargetX;
        mFOTargetY = mAreaTargetY;
        mFOAimTime = mAimTime;
        mSavedMissionLive = mMissionLive;
        mFOLastErrorX = mFOErrorX;
        mFOLastErrorY = mFOErrorY;
        mSavedRoundPattern = mRoundPattern;
    }
    mRandomSeed = static_cast<int32_t>(RandomPair() % 32767u);
    if (RandomCoin() == 0) mRandomSeed = -mRandomSeed;
}

FogOfWarContact Infantry::ProcessJerk(int32_t figure) {
    const FogOfWarContact contact = VisibleToPlayer(false);
    if (contact != kContactFull || figure < 0 || figure >= kInfantryFigures) return contact;
    mFigurePos[2 * 7 + 5][figure] += 40.0f;
    mFigurePos[2][figure] -= 30.0f;
    mFigurePos[4][figure] -= 30.0f;
    return contact;
}

bool Infantry::ShowShellToEnemy() {
    if (GetWeaponClass() == kWClassMortar) return mContactLevel > 2 && IsSpottedNow();
    return Unit::ShowShellToEnemy();
}

bool Infantry::AbleToFaceLocation(float x, float y) {
    if (IsStopped()) return true;
    return PointedWithin(mHeading, 45.0f, x, y);
}

bool Infantry::IsStopped() {
    return gMovementSpeedChart[mMoveSpeed].mPaceKind == 0 && mMoveSpeed != kPaceRotate;
}
