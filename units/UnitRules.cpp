// Base-class unit operations that belong to no one rule module: the
// geometry of aspects, apparent distance and the occupied terrain, foxholes
// and hidden wire or road blocks, targets near registered points, waypoint
// bookkeeping and stored paths, the observer's extra artillery minute, the
// mark of a refused destination, and the portraits the texts and drawing
// ask for.

#include <cmath>

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/BattleMap.h"
#include "battle/Campaign.h"
#include "battle/UnitList.h"
#include "engine/GKernel.h"
#include "map/AIPath.h"
#include "engine/GKernel.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/OrderMarkHook.h"
#include "units/RuleContext.h"
#include "units/Unit.h"
#include "units/UnitGeometry.h"
#include "units/VehicleTextures.h"

namespace {
constexpr float kObstacleReach = 10.0f;
constexpr int32_t kFrostyTemperature = 4;
} // namespace

// ---------------------------------------------------------------------------
// Geometry, sight and targets

float Unit::AspectToLocation(float x, float y, bool gun, bool fold) {
    float facing = gun ? GetWeaponFacing() : mHeading;
    float aspect = Clamp360(GetHeadingFromXY(x - mX, y - mY) - facing);
    if (fold && aspect > 180.0f) aspect = 360.0f - aspect;
    return aspect;
}

float Unit::AspectTo(Unit* other, bool gun, bool fold) {
    if (!other) return 0.0f;
    return AspectToLocation(other->mX, other->mY, gun, fold);
}

bool Unit::AbleToFaceUnit(Unit* other) {
    return other && AbleToFaceLocation(other->mX, other->mY);
}

float Unit::ApparentDistanceToUnit(Unit* other) {
    if (!other) return 0.0f;
    float x = other->mX;
    float y = other->mY;
    float z = 0.0f;
    other->GetApparentLocation(&x, &y, &z);
    float dx = x - mX;
    float dy = y - mY;
    float dz = z - GetZ();
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

Terrain Unit::GetOccupiedTerrain() {
    Terrain t = TerrainAt(mX, mY);
    // Below a bridge the unit stands on what the bridge spans: a road, or
    // water that is frozen from frosty weather on.
    if (mZ < 0.0f) {
        if (t == 58) return kTerrainRoad2;
        if (t >= kTerrainBridgeFirst && t <= 57) {
            const ScenarioCore* scenario = gBattle ? static_cast<const ScenarioCore*>(gBattle)
                                                   : static_cast<const ScenarioCore*>(gCampaign);
            return scenario && scenario->mTemperature >= kFrostyTemperature ? kTerrainIce : kTerrainWater;
        }
    }
    return t;
}

float Unit::GetGenericTEM(float x, float y, bool moving, bool fromAbove) {
    return GetTEMFromLocation(x, y, GroundHeightAt(x, y), moving, fromAbove, false, 0, false, nullptr);
}

bool Unit::AllowedToDigFoxhole() {
    if (mZ != 0.0f) return false;
    Terrain t = GetOccupiedTerrain();
    bool building = t >= kTerrainLightBuilding && t <= kTerrainUpperHeavyClosed;
    bool wet = t == kTerrainWater || t == kTerrainIce || t == kTerrainMarsh;
    bool paved = t == kTerrainRoad || t == kTerrainRoad2 || t >= kTerrainBridgeFirst;
    return !building && !wet && !paved;
}

Unit* Unit::UnspottedWireOrRdBlkAt(float x, float y, float& ox, float& oy) {
    if (!gBattle || !gBattle->mUnits) return nullptr;
    UnitList* units = gBattle->mUnits;
    for (int32_t i = 0; i < units->GetCount(); ++i) {
        Unit* u = units->GetUnit(i);
        if (u->mUnitType != kUnitInanimate || u->mSide == mSide || u->IsSpottedNow()) continue;
        if (u->mSubtype != kInanimateRoadblock && u->mSubtype != kInanimateWire) continue;
        if (std::fabs(u->mX - x) > kObstacleReach || std::fabs(u->mY - y) > kObstacleReach) continue;
        ox = u->mX;
        oy = u->mY;
        return u;
    }
    return nullptr;
}

bool Unit::IsNearBoresight() {
    // The target unit's place, else the area point, at one of the side's own
    // registered target points.
    Map* map = gBattle ? gBattle->mMap : nullptr;
    if (!map) return false;
    float x, y;
    if (mTarget) {
        x = mTarget->mX;
        y = mTarget->mY;
    } else if (mAreaTarget) {
        x = mAreaTargetX;
        y = mAreaTargetY;
    } else {
        return false;
    }
    return map->NearBoreSight(x, y, GetAffiliation() == kAllies);
}

bool Unit::CanPotentiallyTarget(Unit* target) {
    if (!target || mSurrendered || target->mSide == mSide) return false;
    if (target->mActive) return !target->mSurrendered;
    return HasHeavyWeapon(kKnowTruth) && target->CanBeDamaged();
}



// ---------------------------------------------------------------------------
// Waypoints and orders

int32_t Unit::AvailableWaypoints(int32_t order) {
    MovementSpeedType pace = ConvertOrderToSpeed(order);
    const MovementSpeedChart& row = gMovementSpeedChart[pace];
    if (mNrWaypoints > 0) {
        MovementSpeedType last = mWaypoints[mNrWaypoints - 1].mOrder;
        // A single-waypoint order ends the list; a pace that cannot follow
        // another may not be added behind it.
        if (!gMovementSpeedChart[last].mMultiWaypoint) return 0;
        if (!row.mMixable && pace != last) return 0;
    }
    if (!row.mMultiWaypoint) return 1;
    int32_t left = MaxAllowedWaypoints() - mNrWaypoints;
    return left < 0 ? 0 : left;
}

void Unit::StorePath(const Path* path, MovementSpeedType pace) {
    if (!path) return;
    int32_t n = path->mCount < kMaxWaypoints ? path->mCount : kMaxWaypoints;
    if (n < 0) n = 0;
    for (int32_t i = 0; i < n; ++i) {
        Destination& w = mWaypoints[i];
        w = Destination{};
        w.mX = path->mX[i];
        w.mY = path->mY[i];
        w.mZ = GroundHeightAt(w.mX, w.mY);
        w.mOrder = pace;
        w.mKind = i == n - 1 ? kWaypointPathEnd : kWaypointPathPoint;
    }
    mNrWaypoints = n;
}

// Order 41: the observer's fire comes one minute later, at most five
// minutes later than planned; the panel's countdown shows it.
void Unit::AddOneArtilleryMinute() {
    if (!IsForwardObserver() || !mAreaTarget) return;
    if (mExtraArtilleryMinutes >= kMaxExtraArtilleryMinutes) {
        if (gKernel) gKernel->Beep();
        return;
    }
    ++mExtraArtilleryMinutes;
    mAimTime += 60.0f;
}

void Unit::ResetAnimTrax() {
    for (int32_t i = 0; i < 3; ++i) {
        mAnimation[i] = 0;
        mAnimKeyTime[i] = 0;
        mAnimFrame[i] = 0;
    }
}

void (*gRefusedDestinationMark)(float x, float y, char side) = nullptr;

// A unit that cannot move leaves a mark where it was sent, for its side to
// see; while a turn is computed nobody watches.
void Unit::MakeDestinationStubs(float x, float y) {
    if (!gRefusedDestinationMark || !std::isfinite(x) || !std::isfinite(y)) return;
    if (gBattle && (gBattle->mComputing || gBattle->mAIThinking)) return;
    gRefusedDestinationMark(x, y, mSide);
}

// ---------------------------------------------------------------------------
// Texts and drawing hooks

GGraphic* Unit::GetRankPortrait(Uniform uniform, int32_t variant, int32_t rank) {
    // One picture per uniform, variant and rank; a number out of range or a
    // missing picture gives none.
    const int32_t n = PortraitPicture(uniform, variant, rank);
    if (n <= 0 || !gKernel) return nullptr;
    return gKernel->MakeGraphicCanFail(kGraphic3DPicture, n);
}

