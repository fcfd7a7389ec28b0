// How far a vehicle may go in one slice (top speed, load, slope, ground by
// running gear, soft ground, other vehicles, fire, mines and its order), how
// it blocks other vehicles, how hard it presses on the ground, what it adds
// to a position, and whether it may cut the corner at its next waypoint.

#include <algorithm>
#include <cmath>

#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/UnitGeometry.h"
#include "units/Vehicle.h"

Vehicle* gBlocker = nullptr;
// Per thread: spotting on worker threads asks moving vehicles' speed too.
thread_local float gMoveX = 0.0f;
thread_local float gMoveY = 0.0f;
thread_local float Vehicle::sGroundFactor = 1.0f;
bool Vehicle::sMineCheck = false;
thread_local float Vehicle::sMoveSpeedForm = 1.0f;
thread_local Vehicle* Vehicle::sShortFormSpotter = nullptr;

namespace {

constexpr float kMphToMetresPerSlice = 0.4473f * 0.025f;
constexpr float kCreepSpeed = 0.0013f; // metres per slice
constexpr float kDegPerRad = 57.29578f;

float PassengerLoad(const Unit* u) {
    if (!u) return 0.0f;
    switch (gInfantryData[u->mSubtype].mMobility) {
    case 4:
        return 0.5f;
    case 5:
        return 1.0f;
    case 6:
        return 1.4f;
    case 7:
        return 1.5f;
    case 8:
        return 2.5f;
    case 9:
        return 5.0f;
    case 10:
        return 15.0f;
    default:
        return 0.0f;
    }
}

bool InList(Terrain t, std::initializer_list<int32_t> codes) {
    return std::find(codes.begin(), codes.end(), t) != codes.end();
}

bool InRange(Terrain t, int32_t lo, int32_t hi) {
    return t >= lo && t <= hi;
}

// Terrain where a fixed emplacement may be placed in set-up.
bool EmplacementGround(Terrain t) {
    return InList(t, {0, 1, 2, 3, 13, 14, 17, 46, 48}) || InRange(t, 20, 24) || InRange(t, 55, 61);
}

// The factor of terrain t for running gear `kind` (0..4); sets *level to the
// ground level that the soft-ground rule reads (-99 where none applies).
float TerrainFactor(Terrain t, int32_t kind, int32_t groundCondition, bool axisLate, int32_t* level) {
    auto row = [kind](float k0, float k1, float k2, float k3, float k4) {
        const float f[5] = {k0, k1, k2, k3, k4};
        return f[kind];
    };
    *level = -99;
    switch (t) {
    case 0:
    case 4:
        *level = t == 0 ? 0 : (groundCondition < 2 ? 3 : 2);
        return row(0.4f, 0.4f, 0.5f, 0.7f, 0.7f);
    case 1:
        *level = 0;
        return row(0.14f, 0.4f, 0.55f, 0.8f, 0.8f);
    case 2:
    case 3:
        *level = 2;
        return row(0.1f, 0.1f, 0.2f, 0.3f, 0.35f);
    case 5:
    case 23:
    case 24:
    case 46:
        *level = t == 5 ? 3 : 0;
        return row(0.2f, 0.2f, 0.35f, 0.55f, 0.55f);
    case 6:
        *level = 4;
        return 0.5f * row(0.075f, 0.075f, 0.135f, 0.2f, 0.3f);
    case 20:
        *level = 2;
        return row(0.075f, 0.075f, 0.135f, 0.2f, 0.3f);
    case 8:
        *level = 4;
        return row(0.0f, 0.0f, 0.0f, 0.0f, 0.125f);
    case 10:
        *level = 1;
        return row(0.0f, 0.0f, 0.0f, 0.0f, 0.4f);
    case 13:
        *level = -2;
        return row(0.65f, 0.65f, 0.75f, 0.9f, 0.9f);
    case 15:
        *level = std::max(3 - groundCondition, 0);
        return row(0.2f, 0.2f, 0.2f, 0.2f, 0.4f);
    case 16:
        *level = 1;
        return row(0.0f, 0.0f, 0.0f, 0.0f, 0.2f);
    case 38:
        return row(0.025f, 0.05f, 0.075f, 0.1f, 0.15f);
    case 41:
        *level = 1;
        return kind == 4 && axisLate ? 0.06f : 0.0f;
    case 42:
        *level = 1;
        return row(0.0f, 0.0f, 0.0f, 0.0f, 0.08f);
    case 43:
        *level = 0;
        return row(0.15f, 0.15f, 0.25f, 0.5f, 0.6f);
    case 44:
        *level = 0;
        return row(0.0f, 0.05f, 0.05f, 0.1f, 0.2f);
    case 48:
        *level = 0;
        return row(0.65f, 0.65f, 0.75f, 0.9f, 0.9f);
    case 14:
    case 17:
    case 18:
    case 45:
        return 1.0f;
    default:
        if (InRange(t, 55, 61)) return 1.0f;
        return 0.0f;
    }
}

// The bearing from (x0, y0) to (x1, y1), degrees in [0, 360).
float Bearing(float x0, float y0, float x1, float y1) {
    return Clamp360(GetHeadingFromXY(x1 - x0, y1 - y0));
}

// The difference of two bearings folded into [0, 180].
float Fold180(float a, float b) {
    float d = std::fabs(Clamp360(a) - Clamp360(b));
    return d > 180.0f ? 360.0f - d : d;
}

} // namespace

bool Vehicle::InReverse() const {
    return mNrWaypoints > 0 && mWaypoints[0].mOrder == kPaceReverse;
}

float Vehicle::GroundPressureScore() {
    const VehicleData& d = Data();
    float base = d.mGroundPressure;
    switch (d.mKind) {
    case 0:
        base = 16.0f;
        break;
    case 1:
        base = 13.0f;
        break;
    case 2:
        base = 12.0f;
        break;
    case 3:
        base = 12.5f;
        break;
    case 5:
        base = 0.0f;
        break;
    default:
        break;
    }
    return static_cast<float>(d.mWeight) * 0.025f + base;
}

float Vehicle::PositionStrength() {
    float s = 5.0f;
    if (IsArmoredVehicle(kKnowTruth, false)) {
        s = 10.0f;
        if (HasHeavyWeapon(kKnowTruth) && !mMainGunOut && Unit::HasFunctioningWeapon())
            s = GetVPValue(false, kKnowTruth) * 0.05f + 20.0f;
    }
    if (IsFixed())
        s += 10.0f;
    else if (!mDugIn && (mImmobile || mBogged))
        s *= 0.5f;
    if (mCasualties == 1)
        s *= 0.75f;
    else if (mCasualties >= 2)
        s *= 0.33f;
    return s;
}

ObstacleKind Vehicle::IsObstacleTo(Unit* mover) {
    if (!mover || mover->mUnitType != kUnitVehicle) return kObstacleNone;
    return IsObstacleTo(static_cast<Vehicle*>(mover));
}

ObstacleType Vehicle::IsObstacleTo(Vehicle* mover) {
    if (!mover) return kObstacleNone;
    const bool setup = !gBattle || gBattle->mSetupPhase;
    if (!setup && (mNrWaypoints >= 2 || (mNrWaypoints == 1 && mWaypoints[0].mOrder != kPaceRotate)))
        return kObstacleNone;
    if (mOffMapState != 0) return kObstacleNone;
    const float dx = mX - mover->mX;
    const float dy = mY - mover->mY;
    if (std::fabs(dx) > 3.0f || std::fabs(dy) > 3.0f) return kObstacleNone;

    bool blocks = false;
    const bool onFloor = mZ > 0.0f && mZ < 1.0f;
    if (!mover->mLookAhead && mPlaybackSpeed == 0.0f && !onFloor) {
        blocks = true;
    } else if (setup) {
        blocks = true;
    } else {
        const float travel = mover->InReverse() ? Clamp360(mover->mHeading + 180.0f) : mover->mHeading;
        const float diff = std::fabs(Clamp360(GetHeadingFromXY(dx, dy)) - travel);
        blocks = diff < 70.0f || diff > 290.0f;
    }
    if (!blocks) return kObstacleNone;
    if (IsFixed()) return kObstacleStop;
    const float ownWeight = Data().mWeight;
    const float moverWeight = mover->Data().mWeight;
    if (mActive && !mImmobile && !mBogged && !mDugIn)
        return mSide != mover->mSide && ownWeight < moverWeight ? kObstaclePush : kObstacleStop;
    return ownWeight * 0.66667f <= moverWeight ? kObstaclePush : kObstacleCreep;
}

float Vehicle::MoveSpeed(float* outZ) {
    const VehicleData& d = Data();
    if (outZ) *outZ = mZ;
    sGroundFactor = 1.0f;
    const bool inBattle = gBattle != nullptr;
    const bool setup = !inBattle || gBattle->mSetupPhase;
    Map* map = inBattle ? gBattle->mMap : nullptr;

    const float load = PassengerLoad(mPassengers[0]) + PassengerLoad(mPassengers[1]);
    const float weight = static_cast<float>(d.mWeight);
    float loadFactor = 1.0f;
    if (load > 0.0f) loadFactor = weight + load > 0.0f ? weight / (weight + load) : 0.0f;
    const float top = static_cast<float>(d.mTopSpeed) * kMphToMetresPerSlice * loadFactor;
    float speed = top;

    const bool reversing = InReverse();
    if (mLookAhead) {
        const float h = (reversing ? mHeading + 180.0f : mHeading) * 0.0174532925f;
        gMoveX = mX + 2.0f * top * std::cos(h);
        gMoveY = mY + 2.0f * top * std::sin(h);
    } else {
        gMoveX = mX;
        gMoveY = mY;
    }

    const float p = reversing ? -mHullPitch : mHullPitch;
    if (p > 0.1f) speed *= (35.0f - 8.0f * std::pow(p, 0.4f)) / 35.0f;

    const Terrain t0 = map ? map->GetTerrain(gMoveX, gMoveY, true) : kTerrainOpen;
    const Terrain t = mLookAhead ? ModifyTerrainForBridge(t0) : t0;
    int32_t level = -99;
    const int32_t groundCondition = inBattle ? gBattle->mGroundCondition : 0;

    int32_t kind = d.mKind;
    if (kind == 6) {
        if (!setup) return 0.0f;
        return EmplacementGround(t) ? 0.0001f : 0.0f;
    }
    if (kind == 5) {
        if (InList(t, {0, 13, 14, 17, 38, 39, 48}) || InRange(t, 55, 61))
            speed *= 0.5f;
        else if (InList(t, {8, 25, 47}) || InRange(t, 27, 36) || InRange(t, 49, 54))
            speed = 0.0f;
        else if (t != 37)
            speed *= 0.35f;
        if (!mPassengers[0] && !mPassengers[1]) speed *= 0.0001f;
    } else {
        if (kind < 0 || kind > 4) kind = 0;
        const bool axisLate = mSide != 0 && inBattle && gBattle->mDate > 4406;
        speed *= TerrainFactor(t, kind, groundCondition, axisLate, &level);
        if ((t == 6 || t == 20) && d.mTargetSize > 0.0f) speed /= d.mTargetSize;
    }
    if (sMoveSpeedForm == 0.0f) return speed;

    if (speed != 0.0f) {
        // Soft ground.
        if (inBattle && mNrWaypoints > 0 && t != 37 && t != 39) {
            if (t == 38) {
                const int32_t saved = gBattle->mGroundCondition;
                gBattle->mGroundCondition = 0;
                sGroundFactor = gBattle->GroundSpeedFactor(GroundPressureScore(), 0) * 0.2f;
                gBattle->mGroundCondition = saved;
            } else {
                sGroundFactor = gBattle->GroundSpeedFactor(GroundPressureScore(), level);
                speed *= sGroundFactor;
            }
        }
        // Other vehicles in the way.
        gBlocker = nullptr;
        if (inBattle && gBattle->mUnits) {
            int32_t type = kObstacleNone;
            Unit* b = gBattle->mUnits->VehicleCollision(&type, this);
            gBlocker = b && b->mUnitType == kUnitVehicle ? static_cast<Vehicle*>(b) : nullptr;
            if (gBlocker) {
                if (type == kObstacleStop) return 0.0f;
                if (type == kObstaclePush) {
                    const float bw = gBlocker->Data().mWeight;
                    const float denom = bw * 6.0f + weight;
                    speed = denom > 0.0f ? speed * weight / denom : 0.0f;
                } else {
                    speed = std::min(speed, kCreepSpeed);
                }
            }
        }
        // Fire ahead.
        if (map && map->GetFireState(mX, mY) <= 4 && map->GetFireState(gMoveX, gMoveY) > 4) return 0.0f;
        // The order of the first waypoint.
        if (mNrWaypoints > 0 && mWaypoints[0].mOrder != kPaceDefaultMove) {
            float cap = 4.0f;
            switch (mWaypoints[0].mOrder) {
            case 11:
                cap = 3.2f;
                break;
            case 12: {
                int32_t e = mExperience;
                if (inBattle && IsComputerSide(GetAffiliation()))
                    e = std::min(e + gBattle->mComputerBonus, 8);
                cap = std::min((static_cast<float>(e) * 0.3f + 0.1f) * 3.2f, 5.0f);
                break;
            }
            case kPaceReverse:
                // A driver's seat at the rear makes a fast reverse.
                cap = (d.mFlags & kVRearDriver) ? 30.0f
                                                : std::min(static_cast<float>(d.mTopSpeed), 40.0f) * 0.27f;
                break;
            default:
                break;
            }
            speed = std::min(cap * kMphToMetresPerSlice, 0.8f * speed);
        }
    }

    // Acceleration from the current speed.
    if (mActive && !mImmobile && !mBogged && !mDugIn) {
        float v = std::fabs(mPlaybackSpeed);
        if (mTurnRate == 0.0f) {
            float a = weight > 0.0f
                          ? static_cast<float>(d.mPower) / weight * 3.75e-5f * loadFactor * sGroundFactor
                          : 0.0f;
            if (p > 0.1f)
                a *= (35.0f - 0.9f * p) / 35.0f;
            else if (p < -0.1f)
                a -= p / 35.0f * 0.025f * 0.025f;
            v += a;
        } else if (v == 0.0f) {
            v = 0.00001f;
        }
        speed = std::min(speed, v);
    }

    if (speed > 0.0f && mLookAhead) speed = ModifySpeedForBridge(speed, t0, outZ);

    if (sMineCheck && inBattle && speed > 0.0f) {
        const float h = (reversing ? mHeading + 180.0f : mHeading) * 0.0174532925f;
        const float ahead = 1.5f * speed * 40.0f;
        if (gBattle->InNewMineField(mX + ahead * std::cos(h), mY + ahead * std::sin(h), true)) {
            // A found field ahead halts the vehicle this slice; the leading
            // waypoints inside found fields go, the rest of the move stays.
            speed = 0.0f;
            int32_t drop = 0;
            while (drop < mNrWaypoints && gBattle->InNewMineField(mWaypoints[drop].mX, mWaypoints[drop].mY, true))
                ++drop;
            for (int32_t i = drop; i < mNrWaypoints; ++i) {
                mWaypoints[i - drop] = mWaypoints[i];
                mOrderPoints[i - drop] = mOrderPoints[i];
            }
            mNrWaypoints -= drop;
        }
    }
    return speed;
}

bool Vehicle::CutCorner() {
    const float v = std::fabs(mPlaybackSpeed);
    if (mNrWaypoints >= 2) {
        const Destination& w0 = mWaypoints[0];
        const Destination& w1 = mWaypoints[1];
        if (w1.mOrder == kPaceRotate || w1.mOrder == 14) return false;
        if ((w1.mOrder == kPaceReverse) != InReverse()) return false;
        float turn = Fold180(Bearing(w0.mX, w0.mY, w1.mX, w1.mY), Bearing(mX, mY, w0.mX, w0.mY));
        if (turn == 0.0f) turn = 0.0001f;
        const float dx = w0.mX - mX, dy = w0.mY - mY;
        const float d = std::sqrt(dx * dx + dy * dy);
        if (d >= 6.0f) return false;
        const float rate = RotationSpeed();
        if (rate <= 0.0f || v == 0.0f) return false;
        // An arc tangent to both legs that begins here has the radius
        // d / tan(half the turn); it can be driven at the speed whose turning
        // circle has that radius. The vehicle turns in once its own turning
        // circle at its current speed would begin here or earlier.
        const float half = std::max(turn * 0.5f / kDegPerRad, 0.0785398f);
        const float arcRadius = d / std::tan(half);
        const float ownRadius = kDegPerRad / rate * v;
        if (arcRadius > ownRadius) return false;
        const float arcSpeed = arcRadius * rate / kDegPerRad;
        const bool leg = w0.mKind == kWaypointLegEnd;
        mPlaybackSpeed = std::copysign(arcSpeed * 0.9f, mPlaybackSpeed);
        for (int32_t i = 0; i + 1 < mNrWaypoints; ++i)
            mWaypoints[i] = mWaypoints[i + 1];
        --mNrWaypoints;
        if (leg) OrdersDelay(true, false);
        gPacket = true;
        return true;
    }
    if (mNrWaypoints == 1) {
        const Destination& w = mWaypoints[0];
        if (w.mOrder == kPaceRotate || w.mOrder == 14) return false;
        const float rate = RotationSpeed();
        if (rate <= 0.0f || v == 0.0f) return false;
        const float r = kDegPerRad / rate * v;
        // The side on which the waypoint lies, counter-clockwise positive.
        const float off = Clamp360(Bearing(mX, mY, w.mX, w.mY) - mHeading);
        const float side = off <= 180.0f ? 90.0f : -90.0f;
        const float c = (mHeading + side) / kDegPerRad;
        const float cx = mX + r * std::cos(c), cy = mY + r * std::sin(c);
        const float ex = w.mX - cx, ey = w.mY - cy;
        if (ex * ex + ey * ey < r * r) {
            mPlaybackSpeed *= 0.8f;
            gPacket = true;
        }
    }
    return false;
}
