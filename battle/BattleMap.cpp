#include "battle/BattleMap.h"

#include <cmath>

#include "battle/Battle.h"
#include "map/BuildingWallCrater.h"
#include "map/Map.h"
#include "map/Square.h"

namespace {

const Map* MapOf(const ScenarioCore* scenario) {
    if (scenario && scenario->mMap) return scenario->mMap;
    return gBattle ? gBattle->mMap : nullptr;
}

} // namespace

Map* MakeDefaultMap() {
    auto* map = new Map;
    if (!map->IMap(nullptr)) {
        delete map;
        return nullptr;
    }
    return map;
}

Map* ReadMapRecord(GFile* file) {
    auto* map = new Map;
    if (!map->IMap(file)) {
        delete map;
        return nullptr;
    }
    return map;
}

void WriteMapRecord(GFile* file, Map* map) {
    if (map) map->Write(file);
}

void DeleteMap(Map* map) {
    delete map;
}

float MapWidthMetres(const Map* map) {
    return map ? map->mWidthMetres : 0.0f;
}
float MapHeightMetres(const Map* map) {
    return map ? map->mHeightMetres : 0.0f;
}

float GroundHeightAt(float x, float y) {
    return GroundHeightAt(nullptr, x, y);
}

float GroundHeightAt(const ScenarioCore* scenario, float x, float y) {
    const Map* map = MapOf(scenario);
    return map ? map->GetZCoord(x, y) : 0.0f;
}

bool HasMapFor(const ScenarioCore* scenario) {
    return MapOf(scenario) != nullptr;
}

float BuildingHeightAt(const ScenarioCore* scenario, float x, float y) {
    const Map* map = MapOf(scenario);
    return map ? map->GetZWithBuilding(x, y) : 0.0f;
}

void StampTrenchAt(Map* map, float x, float y, float heading) {
    if (!map || !map->OnMap(x, y)) return;
    const int32_t column = static_cast<int32_t>(std::floor(x / kSquareSize)),
                  row = static_cast<int32_t>(std::floor(y / kSquareSize));
    Square* square = map->GetSquare(column, row);
    if (!square) return;
    // A square holds one trench: a trench stamped when the computer placed
    // it is not stamped again at the end of set-up.
    if (square->mOverlay[0] == kTerrainTrench || square->mOverlay[1] == kTerrainTrench) return;
    // The trench takes the free overlay slot, or the second when both hold one.
    if (square->mOverlay[0] == 0)
        square->mOverlay[0] = kTerrainTrench;
    else
        square->mOverlay[1] = kTerrainTrench;
    map->mDugTrenches.push_back({map->SquareIndex(column, row), x, y, heading});
}

void MarkBuildingOccupiedAt(float x, float y) {
    Map* map = gBattle ? gBattle->mMap : nullptr;
    if (!map) return;
    if (Building* building = map->GetBuildingAtXY(x, y)) building->mOccupied = 1;
}
