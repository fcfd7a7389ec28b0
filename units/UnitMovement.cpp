// The services with which the kinds move themselves in their Move: turning
// toward a point, stopping, looking ahead for obstacles and getting round
// them (by a path search spliced into the waypoints, or by a sidestep), and
// deleting waypoints; plus the dead reckoning of playback.
//
// Headings are degrees in [0, 360), 0 along +x and growing toward +y; a unit
// advances by (v cos h, v sin h). Turn rates are degrees per slice and speeds
// metres per slice.

#include <cmath>

#include "battle/Battle.h"
#include "battle/BattleMap.h"
#include "map/AIPath.h"
#include "map/Map.h"
#include "map/MapBattleLink.h"
#include "units/Unit.h"
#include "units/UnitGeometry.h"
#include "units/Vehicle.h"

namespace {

constexpr float kDegToRad = static_cast<float>(M_PI / 180.0);
constexpr float kAimedTolerance = 0.03f;   // degrees: already facing the point
constexpr float kLookAheadVehicle = 25.0f; // metres
constexpr float kLookAheadOnFoot = 12.5f;
constexpr float kVehicleSearchBack = 9.0f; // a vehicle's first path search starts behind it
constexpr float kVehicleSidestepBack = 5.0f;
constexpr int32_t kManeuverSpacing = 5; // slices between path searches
constexpr int32_t kFirstManeuverTry = 5;
constexpr float kSidestepStep = 0.5f;         // metres
constexpr int32_t kSidestepSteps = 30;        // 15 m
constexpr float kSidestepFirstOffset = 15.0f; // degrees
constexpr float kSidestepOffsetStep = 7.5f;
constexpr float kSidestepWide = 180.0f;
constexpr float kSidestepNarrow = 91.0f;
constexpr MovementSpeedType kPaceNeedsReverse = 14;
constexpr MovementSpeedType kPaceKeptAtEnd = 12;

Map* BattleMap() {
    return gBattle ? gBattle->mMap : nullptr;
}

int32_t CurrentSlice() {
    return gBattle && gBattle->mComputing ? gBattle->mTimeSlice : 0;
}

bool IsPlanned(int32_t kind) {
    return kind == kWaypointPlanned || kind == kWaypointPlannedEnd;
}

// The side and kind of grid the map's search uses for the unit.
void SearchGrid(Map* map, Unit* unit, Affiliation* side, PathType* type) {
    MapBattleLink* link = map->GetBattleLink();
    *side = link ? link->GetSide(unit) : kAxis;
    *type = link ? link->GetPathType(unit) : kPathGround;
    if (*side < 0 || *side > 1) *side = kAxis;
    if (*type < 0 || *type >= kPathTypes) *type = kPathGround;
}

} // namespace

// ---------------------------------------------------------------------------
// Turning and stopping

bool Unit::RotateBodyToward(float x, float y, bool reverse) {
    float facing = reverse ? Clamp360(mHeading + 180.0f) : mHeading;
    float rate = RotationSpeed();
    float bearing = GetHeadingFromXY(x - mX, y - mY);
    if (PointedWithin(facing, rate, x, y)) {
        if (!PointedWithin(facing, kAimedTolerance, x, y)) {
            mHeading = reverse ? Clamp360(bearing + 180.0f) : bearing;
            gPacket = true;
        }
        if (mTurnRate != 0.0f) {
            mTurnRate = 0.0f;
            gPacket = true;
        }
        return true;
    }
    // The short way round; exactly behind (180) turns clockwise.
    float d = mHeading - bearing;
    float turn = (d < -180.0f || (d > 0.0f && d <= 180.0f)) ? -rate : rate;
    if (reverse) turn = -turn;
    if (mTurnRate != turn) {
        mTurnRate = turn;
        gPacket = true;
    }
    return false;
}

void Unit::StopBodyRotation() {
    if (mTurnRate != 0.0f) gPacket = true;
    mTurnRate = 0.0f;
}

void Unit::Stop(bool alsoTurning) {
    if (mPlaybackSpeed != 0.0f) gPacket = true;
    mPlaybackSpeed = 0.0f;
    if (alsoTurning) StopBodyRotation();
}

// ---------------------------------------------------------------------------
// Obstacles

void Unit::LookAhead() {
    if (mPlaybackSpeed == 0.0f || mManeuverTries <= 0 || !HasMovementOrders()) return;
    float reach = mUnitType == kUnitVehicle ? kLookAheadVehicle : kLookAheadOnFoot;
    float dx = mWaypoints[0].mX - mX;
    float dy = mWaypoints[0].mY - mY;
    float length = std::sqrt(dx * dx + dy * dy);
    // Never beyond half way to the waypoint.
    float t = length > 0.0f ? reach / length : 0.5f;
    if (t > 0.5f) t = 0.5f;
    // While looking ahead a vehicle is stopped only by standing vehicles.
    Vehicle* self = mUnitType == kUnitVehicle ? static_cast<Vehicle*>(this) : nullptr;
    if (self) self->mLookingAhead = true;
    const bool open = CanOccupyLocation(mX + t * dx, mY + t * dy, true);
    if (self) self->mLookingAhead = false;
    if (open) return;
    if (!ManeuverAroundObstacle(false, false, false)) {
        mManeuverSlice = -9999;
        ++mManeuverTries;
        ManeuverAroundObstacle(false, false, true);
    }
}

bool Unit::ManeuverAroundObstacle(bool sidestep, bool narrow, bool force) {
    if (!mActive) {
        CancelMovementOrders();
        return true;
    }
    if (mNrWaypoints <= 0) return false;
    if (sidestep) {
        // Walk out 15 m at growing angles either side of the heading until
        // a clear line is found; its end becomes the first waypoint.
        float oldX = mX, oldY = mY, oldHeading = mHeading;
        bool vehicle = mUnitType == kUnitVehicle;
        bool reversing = mWaypoints[0].mOrder == kPaceReverse;
        float step = reversing ? -kSidestepStep : kSidestepStep;
        float startX = mX, startY = mY;
        bool useStart = false;
        MovementSpeedType startPace = reversing ? kPaceDefaultMove : kPaceReverse;
        Map* map = BattleMap();
        if (vehicle) {
            float back = reversing ? kVehicleSidestepBack : -kVehicleSidestepBack;
            mX = oldX + back * std::cos(oldHeading * kDegToRad);
            mY = oldY + back * std::sin(oldHeading * kDegToRad);
            if (MoveSpeed(nullptr) != 0.0f && (!map || map->OnMap(mX, mY))) {
                useStart = true;
                startX = mX;
                startY = mY;
            }
        }
        float limit = narrow ? kSidestepNarrow : kSidestepWide;
        for (float a = kSidestepFirstOffset; a<limit; a = a> 0.0f ? -a : kSidestepOffsetStep - a) {
            mHeading = Clamp360(oldHeading + a);
            float cx = std::cos(mHeading * kDegToRad) * step;
            float cy = std::sin(mHeading * kDegToRad) * step;
            bool clear = true;
            for (int32_t i = 1; i <= kSidestepSteps && clear; ++i) {
                mX = startX + cx * static_cast<float>(i);
                mY = startY + cy * static_cast<float>(i);
                // A step ends at ground it cannot cross, the map's edge or
                // a vehicle in the way (a wreck, or one it would push).
                gBlocker = nullptr;
                clear = (!map || map->OnMap(mX, mY)) && MoveSpeed(nullptr) != 0.0f && !gBlocker;
            }
            if (!clear) continue;
            float reachedX = mX, reachedY = mY;
            if (mNrWaypoints == 1) {
                mWaypoints[1] = mWaypoints[0];
                mNrWaypoints = 2;
            }
            Destination& first = mWaypoints[0];
            MovementSpeedType pace = first.mOrder;
            if (vehicle && std::fabs(a) > 90.0f)
                pace = pace == kPaceReverse ? kPaceDefaultMove : kPaceReverse;
            first = Destination{};
            first.mX = reachedX;
            first.mY = reachedY;
            first.mZ = GroundHeightAt(reachedX, reachedY);
            first.mOrder = pace;
            first.mKind = kWaypointActive;
            if (useStart) {
                int32_t n = mNrWaypoints < kMaxWaypoints ? mNrWaypoints : kMaxWaypoints;
                for (int32_t i = n; i > 0; --i)
                    mWaypoints[i] = mWaypoints[i - 1];
                mWaypoints[0] = Destination{};
                mWaypoints[0].mX = startX;
                mWaypoints[0].mY = startY;
                mWaypoints[0].mZ = GroundHeightAt(startX, startY);
                mWaypoints[0].mOrder = startPace;
                mNrWaypoints = n + 1;
            }
            if (mNrWaypoints > kMaxWaypoints) mNrWaypoints = kMaxWaypoints;
            mX = oldX;
            mY = oldY;
            mHeading = oldHeading;
            gPacket = true;
            return true;
        }
        mX = oldX;
        mY = oldY;
        mHeading = oldHeading;
        if (!force) return false;
        // Forced, a unit with no way out gives up its orders rather than
        // stand stuck against the obstacle.
        CancelMovementOrders();
        return true;
    }

    // Path mode: one search per call while tries are left; a vehicle forced
    // on its first try searches again at once from 9 m behind.
    Map* map = BattleMap();
    if (!map) return force ? (CancelMovementOrders(), true) : false;
    bool vehicle = mUnitType == kUnitVehicle;
    int32_t attempts = vehicle && force && mManeuverTries == kFirstManeuverTry ? 2 : 1;
    Affiliation side = kAxis;
    ::PathType type = kPathGround;
    SearchGrid(map, this, &side, &type);
    Path path;
    for (int32_t attempt = 0; attempt < attempts && mManeuverTries > 0; ++attempt) {
        float sx = mX, sy = mY;
        if (attempts == 2 && attempt == 0) {
            float back = mWaypoints[0].mOrder == kPaceReverse ? kVehicleSearchBack : -kVehicleSearchBack;
            float bx = mX + back * std::cos(mHeading * kDegToRad);
            float by = mY + back * std::sin(mHeading * kDegToRad);
            if (map->OnMap(bx, by)) {
                sx = bx;
                sy = by;
            }
        }
        if (--mManeuverTries == 0) return ManeuverAroundObstacle(true, false, true);
        int32_t now = CurrentSlice();
        if (now - mManeuverSlice < kManeuverSpacing) return ManeuverAroundObstacle(true, false, true);
        mManeuverSlice = now;
        MovementSpeedType pace =
            mWaypoints[0].mOrder == kPaceNeedsReverse ? kPaceReverse : mWaypoints[0].mOrder;
        MovementSpeedType ownPace = mWaypoints[0].mOrder;
        map->CalculateAIPathGrids(side, type);

        const Destination& goal = mWaypoints[0];
        if (CanOccupyLocation(goal.mX, goal.mY, true) &&
            map->AStar(this, sx, sy, goal.mX, goal.mY, false, &path) == kPathFound) {
            map->DeleteAIPathGrids();
            Destination last = mWaypoints[mNrWaypoints - 1];
            bool keepLast = last.mOrder == kPaceKeptAtEnd || last.mOrder == kPaceNeedsReverse;
            InsertPath(&path, pace);
            if (force) ShiftGears(nullptr, pace, false, sx, sy);
            if (keepLast) {
                Destination& end = mWaypoints[mNrWaypoints - 1];
                if (end.mX != last.mX || end.mY != last.mY || end.mOrder != last.mOrder) {
                    if (mNrWaypoints < kMaxWaypoints) ++mNrWaypoints;
                    mWaypoints[mNrWaypoints - 1] = last;
                }
            }
            return true;
        }

        // Search to the waypoint before the first change of pace, and keep
        // the rest of the orders behind the path.
        int32_t n = mNrWaypoints;
        bool twoEndingInTurn = n == 2 && mWaypoints[1].mOrder == kPaceRotate;
        if (n >= 2 && !twoEndingInTurn) {
            int32_t k = -1;
            if (mWaypoints[n - 1].mOrder != kPaceNeedsReverse) {
                for (int32_t i = 2; i < n; ++i) {
                    if (mWaypoints[i].mOrder != ownPace && mWaypoints[i].mOrder != kPaceRotate) {
                        k = i;
                        break;
                    }
                }
            }
            if (k > 0 && map->AStar(this, sx, sy, mWaypoints[k - 1].mX, mWaypoints[k - 1].mY, false, &path) ==
                             kPathFound) {
                map->DeleteAIPathGrids();
                Destination aside[kMaxWaypoints + 1];
                int32_t asideCount = n - k;
                for (int32_t i = 0; i < asideCount; ++i)
                    aside[i] = mWaypoints[k + i];
                // The path gives way to the orders behind it: the store may
                // hold one spare entry until the phase ends.
                int32_t room = kMaxWaypoints + 1 - asideCount;
                if (path.mCount > room) path.mCount = room > 1 ? room : 1;
                StorePath(&path, ownPace);
                ShiftGears(nullptr, pace, false, sx, sy);
                for (int32_t i = 0; i < asideCount && mNrWaypoints < kMaxWaypoints + 1; ++i)
                    mWaypoints[mNrWaypoints++] = aside[i];
                return true;
            }
            int32_t target = mWaypoints[n - 1].mOrder == kPaceRotate ? n - 2 : n - 1;
            if (map->AStar(this, sx, sy, mWaypoints[target].mX, mWaypoints[target].mY, false, &path) ==
                kPathFound) {
                map->DeleteAIPathGrids();
                Destination turn = mWaypoints[n - 1];
                bool keepTurn = target == n - 2;
                if (keepTurn && path.mCount >= kMaxWaypoints) path.mCount = kMaxWaypoints - 1;
                StorePath(&path, ownPace);
                // The closing rotation is still owed at the goal.
                if (keepTurn) mWaypoints[mNrWaypoints++] = turn;
                ShiftGears(nullptr, pace, false, sx, sy);
                return true;
            }
        }
        if (mManeuverTries > 1) mManeuverTries = 1;
    }
    map->DeleteAIPathGrids();
    if (!force && mManeuverTries > 0) return false;
    CancelMovementOrders();
    return true;
}

// ---------------------------------------------------------------------------
// Waypoint splicing and deletion

void Unit::InsertPath(const Path* path, MovementSpeedType pace) {
    if (!path || path->mCount <= 0 || mNrWaypoints <= 0) return;
    Destination aside[kMaxWaypoints + 1];
    int32_t asideCount = mNrWaypoints - 1;
    for (int32_t i = 0; i < asideCount; ++i)
        aside[i] = mWaypoints[i + 1];
    // The path is shortened rather than dropping the orders behind it.
    int32_t keep = path->mCount < kPathMaxPoints ? path->mCount : kPathMaxPoints;
    int32_t room = kMaxWaypoints - asideCount;
    if (keep > room) keep = room > 1 ? room : 1;
    for (int32_t i = 0; i < keep; ++i) {
        Destination& w = mWaypoints[i];
        w = Destination{};
        w.mX = path->mX[i];
        w.mY = path->mY[i];
        w.mZ = GroundHeightAt(w.mX, w.mY);
        w.mOrder = pace;
        w.mKind = kWaypointActive;
    }
    mNrWaypoints = keep;
    for (int32_t i = 0; i < asideCount && mNrWaypoints < kMaxWaypoints + 1; ++i)
        mWaypoints[mNrWaypoints++] = aside[i];
    mWaypoints[mNrWaypoints - 1].mKind = kWaypointActiveEnd;
}

void Unit::TrimSplicedWaypoints() {
    while (mNrWaypoints > kMaxWaypoints) {
        // Drop the last path point of a splice; else the point before the goal.
        int32_t drop = mNrWaypoints - 2;
        for (int32_t i = mNrWaypoints - 2; i >= 0; --i) {
            if (mWaypoints[i].mKind == kWaypointPlanned) {
                drop = i;
                break;
            }
        }
        for (int32_t i = drop; i + 1 < mNrWaypoints; ++i)
            mWaypoints[i] = mWaypoints[i + 1];
        --mNrWaypoints;
    }
}

void Unit::DeleteLastWaypoint() {
    if (mNrWaypoints <= 0) return;
    if (mNrWaypoints == 1) {
        CancelMovementOrders();
        Stop(true);
    } else {
        Destination& last = mWaypoints[mNrWaypoints - 2];
        if (last.mKind == kWaypointActive) last.mKind = kWaypointActiveEnd;
        if (last.mKind == kWaypointPlanned) last.mKind = kWaypointPlannedEnd;
        --mNrWaypoints;
        OrdersDelay(false, false);
    }
    if (gBattle && gBattle->mSelectedIndex > mNrWaypoints - 1) gBattle->mSelectedIndex = mNrWaypoints - 1;
}

void Unit::DeletePlannedMidWaypoint(int32_t index) {
    if (index < 0 || index >= mNrWaypoints) return;
    if (index == mNrWaypoints - 1) {
        DeleteLastWaypoint();
        return;
    }
    if (!IsPlanned(mWaypoints[index].mKind)) return;
    for (int32_t i = index; i + 1 < mNrWaypoints; ++i) {
        mWaypoints[i] = mWaypoints[i + 1];
        if (i + 1 < kMaxWaypoints) mOrderPoints[i] = mOrderPoints[i + 1];
    }
    --mNrWaypoints;
    OrdersDelay(false, false);
}

// ---------------------------------------------------------------------------
// Playback

void Unit::ProcessTimeSlice(int32_t upTo, int32_t now, int32_t elapsed) {
    int32_t n = now - mSliceCount;
    if (mActive && upTo == now && n >= 1) {
        // Dead reckoning along the heading held before this call's turn.
        float d = static_cast<float>(n) * mPlaybackSpeed;
        float h = mHeading * kDegToRad;
        mX += d * std::cos(h);
        mY += d * std::sin(h);
        mHeading = Clamp360(mHeading + static_cast<float>(n) * mTurnRate);
        float step = static_cast<float>(n) * 0.15f;
        if (mGunElevation < mGunElevationGoal)
            mGunElevation =
                mGunElevation + step < mGunElevationGoal ? mGunElevation + step : mGunElevationGoal;
        else if (mGunElevation > mGunElevationGoal)
            mGunElevation =
                mGunElevation - step > mGunElevationGoal ? mGunElevation - step : mGunElevationGoal;
    }
    if (mAimPause != 0.0f) UpdateFireAnimationClock(now);
    mSliceCount = now;
}

void Unit::UpdateFireAnimationClock(int32_t now) {
    float left = mAimPause - static_cast<float>(now - mSliceCount) * 0.025f;
    mAimPause = left > 0.0f ? left : 0.0f;
}

int32_t Unit::SewerMoveMinutes(float distance) {
    return static_cast<int32_t>(distance * 0.1f + 2.0f);
}
