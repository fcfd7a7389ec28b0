// Infantry walking its waypoints: the pace it really moves at in a slice
// (by orders, suppression, fatigue, cover and hiding), and one slice of
// movement: stairs to an upper floor (400 slices between 0 and 1.0), the
// sewers (160 slices down to -0.4, then off the map until the trip ends),
// arrival, and the ammunition a weakened squad can still carry.

#include <algorithm>
#include <cmath>

#include "battle/Battle.h"
#include "engine/GGroup.h"
#include "engine/GOLTA.h"
#include "units/InfantryConduct.h"

using namespace infantry;

namespace {

constexpr float kStairStep = 0.0025f;
constexpr float kSewerDepth = -0.4f;
constexpr Terrain kSewerEntrance = 53;
constexpr float kSquare = 20.0f;
constexpr MovementSpeedType kPaceSuppressionExempt = 9;
constexpr MovementSpeedType kPaceRested = 8;
constexpr MovementSpeedType kRepairedPace = 4;

// One candidate exit of a sewer trip.
class SewerEmergence : public GObject {
public:
    SewerEmergence(float x, float y) : mX(x), mY(y) {}
    float mX;
    float mY;
};

bool SameSquare(float x1, float y1, float x2, float y2) {
    return static_cast<int32_t>(x1 / kSquare) == static_cast<int32_t>(x2 / kSquare) &&
           static_cast<int32_t>(y1 / kSquare) == static_cast<int32_t>(y2 / kSquare);
}

// The share of the full ammunition load a squad keeps per man lost.
float LossPerMan(int32_t men) {
    switch (men) {
    case 1:
    case 2:
        return 0.65f;
    case 3:
        return 0.45f;
    case 4:
        return 0.31f;
    case 5:
        return 0.24f;
    case 6:
        return 0.19f;
    default:
        return 0.15f;
    }
}

} // namespace

bool Infantry::CouldMoveIfNotBogged() {
    return CanMovePhysically();
}

MovementSpeedType Infantry::GetActualMoveSpeed(bool forEmbark) {
    const int32_t b = BandOf(mSuppression);
    // Waiting to embark sets the way to the vehicle: it is asked first (and
    // only of a squad with a vehicle to board).
    const bool waiting = forEmbark && mEmbarkTarget && WaitingToEmbark();
    MovementSpeedType s = kPaceStand;
    if (!mHiding && !waiting && mCommandDelay == 0.0f && mNrWaypoints > 0 && MayMoveNow(this)) {
        Waypoint& w = mWaypoints[0];
        if (w.mOrder < 0 || w.mOrder > kPaceTurn) w.mOrder = kRepairedPace;
        s = w.mOrder;
        if (s == kPaceTurn) {
            s = kPaceStand;
        } else {
            // Only the two worst suppression bands ask for cover.
            auto inCover = [this] { return InCover(true) && !LargeFireAt(mX, mY); };
            for (int32_t guard = 0; guard < 32 && mFatigueState >= gMovementSpeedChart[s].mFatigueCeiling;
                 ++guard)
                s = gMovementSpeedChart[s].mTiredSpeed;
            if (b >= 1 && w.mOrder != kPaceSuppressionExempt) {
                if (s == 3) s = kPaceMove;
                const SpeedClass cls = GetSpeedClass();
                const MovementSpeedType running = cls < kSpeedHeavy ? kPaceMove : kPaceFast;
                if (b == 7) {
                    s = QuickSpeed();
                } else if (b == 6) {
                    s = running;
                } else if (b == 5) {
                    s = inCover() ? kPaceHold : running;
                } else if (b == 4) {
                    const float dx = w.mX - mX, dy = w.mY - mY;
                    const float reach = static_cast<float>(mRandomStamp % 25) +
                                        static_cast<float>(GetEffectiveExperience(kLeadCommand)) * 7.5f +
                                        15.0f;
                    if (gMovementSpeedChart[s].mPaceKind != 0 && !inCover() && CoverAt(w.mX, w.mY, false) &&
                        !LargeFireAt(w.mX, w.mY) && std::sqrt(dx * dx + dy * dy) <= reach)
                        s = kPaceFast;
                    else
                        s = mTarget ? kPaceStand : kPaceHold;
                } else if (s == kPaceMove) {
                    if (b == 3) {
                        if (cls >= kSpeedHeavy) s = kPaceFast;
                    } else if (mFatigueState < gMovementSpeedChart[kPaceRested].mFatigueLimit &&
                               cls == kSpeedUnencumbered) {
                        s = kPaceRested;
                    }
                }
            }
        }
    } else {
        const bool noAim = !mTarget && !mAreaTarget;
        const int32_t pose = gMovementSpeedChart[mMoveSpeed].mPoseCode[mOnSkis ? 1 : 0];
        if (mHiding || b > 4 || (b == 4 && !mTarget) || (noAim && mSuppression > 0.0f && mLoadTime >= 0.0f) ||
            (mCommandDelay != 0.0f && noAim && pose == 6))
            s = kPaceHold;
    }
    if (mSurrendered) s = gMovementSpeedChart[s].mSurrenderedSpeed;
    return s;
}

void Infantry::Move() {
    if (mNrWaypoints <= 0) return;
    if (mPlaybackSpeed != 0.0f) SetUnlimberTime(0.75f);
    Waypoint& w = mWaypoints[0];
    if (mOnSkis &&
        (gMovementSpeedChart[w.mOrder].mSkisAllowed == 0 || InBuildingTerrain(GetOccupiedTerrain()))) {
        mOnSkis = false;
        gPacket = true;
    }

    bool reached = false;
    if (w.mOrder == kPaceTurn) {
        w.mX = mX;
        w.mY = mY;
        reached = true;
    } else if (w.mOrder == kPaceSewer) {
        if (mZ > kSewerDepth) {
            mZ = std::fmax(mZ - kStairStep, kSewerDepth);
            gPacket = true;
            return;
        }
        const float dx = w.mX - mX, dy = w.mY - mY;
        const float d = std::sqrt(dx * dx + dy * dy);
        int32_t time = SewerMoveMinutes(d);
        int32_t a = 45 - time;
        a = a < 3 ? 3 : (a > 40 ? 40 : a);
        const int32_t c = std::max(34 - 3 * static_cast<int32_t>(GetEffectiveExperience(kLeadStealth)), 10);
        const int32_t r = static_cast<int32_t>(RandomPair() % 100u);
        float ex = mX, ey = mY;
        if (r < 10) {
            time = -1; // lost below: no way out by itself
        } else if (r < c + 10) {
            time = static_cast<int32_t>((RandomFraction() + 0.5) * time);
        } else if (r < a + 35) {
            ex = w.mX;
            ey = w.mY;
            time = static_cast<int32_t>((0.5 * RandomFraction() + 0.75) * time);
        } else {
            const float cx = std::floor((0.35f * mX + 0.65f * w.mX) / kSquare) * kSquare + kSquare * 0.5f;
            const float cy = std::floor((0.35f * mY + 0.65f * w.mY) / kSquare) * kSquare + kSquare * 0.5f;
            const float radius =
                kSquare * static_cast<float>(static_cast<int32_t>(d * 0.6f / kSquare + 0.5f));
            GList exits; // owns its candidates
            Map* map = BattleMapOrNull();
            for (float x = cx - radius; x <= cx + radius && map; x += kSquare)
                for (float y = cy - radius; y <= cy + radius; y += kSquare)
                    if (map->OnMap(x, y) && map->GetTerrain(x, y, false) == kSewerEntrance)
                        exits.Add(new SewerEmergence(x, y));
            exits.RandomShuffle();
            if (auto* first = static_cast<SewerEmergence*>(exits.GetObjectA(0))) {
                ex = first->mX;
                ey = first->mY;
            }
            time = static_cast<int32_t>((1.2 * RandomFraction() + 0.8) * time);
        }
        mSewerTime = static_cast<int16_t>(time);
        Waypoint& exit = mWaypoints[1];
        exit = w;
        exit.mX = ex;
        exit.mY = ey;
        exit.mZ = GroundAt(ex, ey);
        mZ = 0.0f;
        mHeading = static_cast<float>(RandomFraction() * 360.0);
        mTurnRate = 0.0f;
        mOffMapState = 3;
        CancelTarget(true, false);
        if (gBattle && gBattle->mSelectedUnit == this) gBattle->SetSelectedUnit(nullptr);
        mX += 10000.0f;
        mY += 10000.0f;
        mPacketDirty = false;
        ClearAsTarget(false, true);
        mCommandDelay = static_cast<float>(RandomPair() % 35u + 5u);
        mNrWaypoints = mSewerTime == -1 ? 0 : 2;
        gPacket = true;
        return;
    } else {
        if (gBattle) ++gBattle->mActivity[mSide ? 1 : 0];
        mHasMoved = true;
    }

    if (!reached) {
        if (mZ > 0.0f && (!w.mOnBuildingLevel || !SameSquare(w.mX, w.mY, mX, mY))) {
            mZ -= kStairStep;
            if (mZ <= 0.0f) mZ = 0.0f;
            gPacket = true;
            return;
        }
        gCheckMinesAhead = mSliceCount % 40 == 0 && !(gBattle && gBattle->InNewMineField(mX, mY, false));
        float z = mZ;
        const float s = MoveSpeed(&z);
        if (mNrWaypoints <= 0) {
            gCheckMinesAhead = false;
            return;
        }
        if (z != mZ && (z < 0.0f || mZ < 0.0f)) {
            mZ = z;
            mX = gMoveX;
            mY = gMoveY;
            gPacket = true;
        }
        if (s != mPlaybackSpeed) {
            const float ratio = s != 0.0f ? mPlaybackSpeed / s : 0.0f;
            if (!mOnSkis || ratio < 0.95f || ratio > 1.052f) {
                mHiding = false;
                mPlaybackSpeed = s;
                gPacket = true;
            }
        }
        // On the move: kept until the unit fires or aims afresh.
        if (mPlaybackSpeed != 0.0f) mIsMoving = true;
        Waypoint& next = mWaypoints[0];
        const float dx = next.mX - mX, dy = next.mY - mY;
        reached = (dx * dx + dy * dy) * 0.9f <= mPlaybackSpeed * mPlaybackSpeed;
        if (!reached && s == 0.0f && LargeFireAt(next.mX, next.mY)) {
            next.mX = mX;
            next.mY = mY;
            if (mZ < 1.0f) next.mOnBuildingLevel = 0;
            reached = true;
        }
        if (!reached) {
            gCheckMinesAhead = false;
            if (s == 0.0f && mTurnRate == 0.0f) {
                ManeuverAroundObstacle(false, false, true);
            } else {
                if (mTurnRate == 0.0f) {
                    float h = Bearing(mX, mY, next.mX, next.mY);
                    if (next.mOrder == kPaceReverse) h = std::fmod(h + 180.0f, 360.0f);
                    mHeading = h;
                }
                mX += std::cos(mHeading * kDegToRad) * mPlaybackSpeed;
                mY += std::sin(mHeading * kDegToRad) * mPlaybackSpeed;
            }
        }
    }

    if (reached) {
        gCheckMinesAhead = false;
        Waypoint& done = mWaypoints[0];
        if (mZ < 1.0f && done.mOnBuildingLevel && GetOccupiedTerrain() != kTerrainRubble) {
            mZ = std::fmin(mZ + kStairStep, 1.0f);
            gPacket = true;
            return;
        }
        const bool legEnd = done.mKind == kWaypointLegEnd && mNrWaypoints > 1;
        if (done.mHide) mHiding = true;
        mX = done.mX;
        mY = done.mY;
        --mNrWaypoints;
        for (int32_t i = 0; i < mNrWaypoints; ++i)
            mWaypoints[i] = mWaypoints[i + 1];
        if (legEnd) OrdersDelay(true, false);
        Infantry* other = nullptr;
        if (mNrWaypoints == 0 && ViolatesStackingLimits(mX, mY, mZ, &other))
            AbideByStackingLimits(true, other);
        gPacket = true;
    }

    bool slows = false, exempt = false;
    if (mCasualties > 0 && CanSufferPerformanceLoss(&slows, &exempt) && slows) {
        const InfantryData& r = Record();
        const float f = 1.0f - static_cast<float>(mCasualties) * LossPerMan(r.mNrMen);
        const int32_t cap = static_cast<int32_t>(static_cast<float>(r.mMaxAmmo) * f + 0.5f);
        int32_t sum = 0;
        for (int32_t c = 0; c < 8; ++c)
            sum += mAmmo[c];
        if (sum > cap && sum > 0) {
            const int32_t keep = cap > 0 ? cap : 0;
            for (int32_t c = 0; c < 8; ++c)
                mAmmo[c] = static_cast<uint16_t>(static_cast<int32_t>(
                    static_cast<float>(mAmmo[c]) * static_cast<float>(keep) / static_cast<float>(sum) +
                    0.5f));
        }
    }
    LookAhead();
}
