// Where a unit may stand: the test that movement, orders and flight share,
// placing and turning units in the set-up phase (boarding carriers and
// choosing building floors), impossible floor heights, and the terrain and
// speed rules on and under bridges.
//
// mZ is the floor: 0 on the ground, 1 on a building's upper floor, negative
// under a bridge. Terrain 52..54 are buildings with an upper floor, 55..58
// bridge squares, 59..61 further bridge codes, 62..63 broken bridges.

#include <cmath>

#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/Campaign.h"
#include "battle/UnitList.h"
#include "engine/GKernel.h"
#include "map/AIPath.h"
#include "map/Map.h"
#include "map/MapBattleLink.h"
#include "units/Unit.h"
#include "units/UnitGeometry.h"
#include "units/Vehicle.h"

namespace {

constexpr Terrain kBridgeDeckLast = 58;
constexpr Terrain kBridgeSpanFirst = 59;
constexpr Terrain kBridgeSpanLast = 61;
constexpr Terrain kBridgeAnyLast = 63;
constexpr Terrain kUnderRoadBridge = 58;
constexpr int32_t kFrostyTemperature = 4; // water under a bridge freezes from here
constexpr float kUpperFloor = 1.0f;

Map* BattleMap() {
    return gBattle ? gBattle->mMap : nullptr;
}

Terrain MapTerrain(float x, float y) {
    Map* map = BattleMap();
    return map ? map->GetTerrain(x, y, false) : kTerrainOpen;
}

bool Within(Terrain t, Terrain lo, Terrain hi) {
    return t >= lo && t <= hi;
}

bool HasFloors(Terrain t) {
    return Within(t, kTerrainUpperLight, kTerrainUpperHeavyClosed);
}

bool FloorMenuLocked() {
    return gBattle && gBattle->mFloorMenuLock;
}

void BeepUnlessLocked() {
    if (!FloorMenuLocked() && gKernel) gKernel->Beep();
}

// A vehicle derives singly from Unit, so its Unit part starts where it does.
Unit* AsUnit(Vehicle* carrier) {
    return reinterpret_cast<Unit*>(carrier);
}

// Whether the path grid refuses the 20 m square at the point. Grids exist
// only while a path search (or the computer opponent's planning) has them
// built; without one the kind's speed alone decides.
bool GridRefuses(Map* map, Unit* unit, float x, float y) {
    if (!map->OnMap(x, y)) return false;
    MapBattleLink* link = map->GetBattleLink();
    Affiliation side = link ? link->GetSide(unit) : kAxis;
    PathType type = link ? link->GetPathType(unit) : kPathGround;
    if (side < 0 || side > 1) side = kAxis;
    if (type < 0 || type >= kPathTypes) type = kPathGround;
    const PathGrid* grid = map->GetPathGrid(side, type);
    if (!grid) return false;
    int32_t index = static_cast<int32_t>(x * 0.05f) * grid->mRowWidth + static_cast<int32_t>(y * 0.05f);
    if (index < 0 || index >= grid->mSize || static_cast<size_t>(index) >= grid->mCost.size()) return false;
    return grid->mCost[static_cast<size_t>(index)] > kPathMaxCost;
}

} // namespace

bool Unit::CanOccupyLocation(float x, float y, bool useGrid) {
    if (!std::isfinite(x) || !std::isfinite(y)) return false;
    // The kind's speed judges the point itself while the unit stands there.
    float oldX = mX, oldY = mY;
    bool oldLookAhead = mLookAhead;
    mX = x;
    mY = y;
    mLookAhead = false;
    bool ok = MoveSpeed(nullptr) != 0.0f;
    mX = oldX;
    mY = oldY;
    mLookAhead = oldLookAhead;
    Map* map = BattleMap();
    if (ok && useGrid && map && GridRefuses(map, this, x, y)) ok = false;
    // In a battle of an operation one side may not leave the strip over the
    // operation's edge.
    if (ok && gCampaign && gBattle && map && !map->OnMap(x, y) && GetAffiliation() == gCampaign->mEdgeSide) {
        switch (gCampaign->HeldEdge()) {
        case 0:
            ok = !(x > map->mWidthMetres);
            break;
        case 1:
            ok = !(y < 0.0f);
            break;
        case 2:
            ok = !(x < 0.0f);
            break;
        case 3:
            ok = !(y > map->mHeightMetres);
            break;
        default:
            break;
        }
    }
    return ok;
}

bool Unit::CanSetupAt(float x, float y, Vehicle* carrier) {
    if (!CampaignDeployOK()) return false;
    Unit* carrierUnit = AsUnit(carrier);
    if (mUnitType == kUnitInfantry && carrierUnit) {
        if (!InSetupZone(carrierUnit->mX, carrierUnit->mY)) return false;
    } else {
        Map* map = BattleMap();
        if (!CanOccupyLocation(x, y, true) || !map || !map->OnMap(x, y) || !InSetupZone(x, y)) return false;
    }
    if (ViolatesStackingLimits(x, y, 0.0f, nullptr)) {
        // A full ground floor still takes a unit upstairs.
        bool upstairs = HasFloors(MapTerrain(x, y)) && AllowedInsideBuilding() && !FloorMenuLocked() &&
                        !ViolatesStackingLimits(x, y, kUpperFloor, nullptr);
        if (!upstairs) return false;
    }
    if (mUnitType == kUnitVehicle && gBattle && gBattle->mUnits) {
        UnitList* units = gBattle->mUnits;
        for (int32_t i = 0; i < units->GetCount(); ++i) {
            Unit* u = units->GetUnit(i);
            if (u && u != this && u->mTransport == this && !u->InSetupZone(x, y)) return false;
        }
    }
    return true;
}

bool Unit::ChangeSetup(float x, float y, bool place, Vehicle* carrier, bool skipCheck) {
    if (!place) {
        // Turning: a heading that leaves the unit's own place unusable is undone.
        float oldHeading = mHeading;
        mHeading = GetHeadingFromXY(x - mX, y - mY);
        if (!CanOccupyLocation(mX, mY, false)) {
            mHeading = oldHeading;
            BeepUnlessLocked();
        }
        AdjustPassengerSetup();
        return true;
    }
    if (!std::isfinite(x) || !std::isfinite(y)) return false;
    if (!skipCheck && !CanSetupAt(x, y, carrier)) {
        BeepUnlessLocked();
        return false;
    }
    Unit* carrierUnit = AsUnit(carrier);
    if (mUnitType == kUnitInfantry && carrierUnit) {
        LeaveCarrierForSetup(this);
        mEmbarkTarget = carrierUnit;
        mX = carrierUnit->mX;
        mY = carrierUnit->mY;
        Embark();
        ResetAnimation();
    } else {
        if (mUnitType == kUnitInfantry) LeaveCarrierForSetup(this);
        mX = x;
        mY = y;
        ResetAnimation();
        if (HasFloors(MapTerrain(x, y)) && AllowedInsideBuilding() && !FloorMenuLocked()) {
            bool groundFull = ViolatesStackingLimits(x, y, 0.0f, nullptr);
            bool upperFull = ViolatesStackingLimits(x, y, kUpperFloor, nullptr);
            if (groundFull)
                mZ = kUpperFloor;
            else if (upperFull)
                mZ = 0.0f;
            else if (gBattle)
                gBattle->Host()->CreateFloorChoiceMenu(this);
        }
    }
    AdjustPassengerSetup();
    if (gBattle) gBattle->CheckAllLeadership();
    // A vehicle moved in set-up leaves its dug-in position behind.
    if (mUnitType == kUnitVehicle) static_cast<Vehicle*>(this)->mDugIn = false;
    return true;
}

void Unit::LeaveCarrierForSetup(Unit* unit) {
    if (!unit) return;
    unit->mZ = 0.0f;
    if (unit->mTransport && unit->mTransport->mUnitType == kUnitVehicle && gInfantryHooks.disembark)
        gInfantryHooks.disembark(unit);
}

void Unit::CorrectFloor() {
    if (!BattleMap() || mZ == 0.0f) return;
    Terrain t = MapTerrain(mX, mY);
    if (Within(t, kTerrainBridgeFirst, kBridgeDeckLast)) {
        if (mZ < 0.0f) return; // under the bridge
    } else if (mZ >= 0.0f && HasFloors(t)) {
        return;
    }
    mZ = 0.0f;
}

Terrain Unit::ModifyTerrainForBridge(Terrain terrain) {
    if (!Within(terrain, kTerrainBridgeFirst, kBridgeDeckLast)) return terrain;
    if (mZ >= 0.0f && Within(GetOccupiedTerrain(), kTerrainBridgeFirst, kBridgeAnyLast)) return terrain;
    // Below the bridge: the road it crosses, or the water, frozen in frost.
    if (terrain == kUnderRoadBridge) return kTerrainRoad2;
    const ScenarioCore* scenario =
        gBattle ? static_cast<const ScenarioCore*>(gBattle) : static_cast<const ScenarioCore*>(gCampaign);
    int32_t temperature = scenario ? scenario->mTemperature : 0;
    return temperature < kFrostyTemperature ? kTerrainWater : kTerrainIce;
}

float Unit::ModifySpeedForBridge(float speed, Terrain terrain, float* z) {
    Terrain here = MapTerrain(mX, mY);
    bool ahead = Within(terrain, kTerrainBridgeFirst, kBridgeAnyLast);
    if (Within(here, kTerrainBridgeFirst, kBridgeDeckLast)) {
        if (mZ >= 0.0f) return ahead ? speed : 0.0f; // the deck ends
        if (Within(terrain, kBridgeSpanFirst, kBridgeSpanLast)) return 0.0f;
        if (!ahead && z) *z = 0.0f; // out from under the bridge
        return speed;
    }
    if (Within(here, kBridgeSpanFirst, kBridgeSpanLast)) return speed;
    if (Within(terrain, kTerrainBridgeFirst, kBridgeDeckLast)) {
        // Onto a bridge square from outside: only under it, unless the
        // unit is ordered onto the bridge itself, which it cannot climb.
        if (mNrWaypoints > 0 &&
            Within(MapTerrain(mWaypoints[0].mX, mWaypoints[0].mY), kTerrainBridgeFirst, kBridgeDeckLast))
            return 0.0f;
        if (z) *z = -1.0f;
    }
    return speed;
}
