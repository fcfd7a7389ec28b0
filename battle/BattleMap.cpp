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

int8_t TrenchOverlayTurn(float heading) {
    // The trench picture's ditch runs from its bottom row to its top one:
    // unturned, south to north, as a trench heading 90 degrees. Each quarter
    // turn of the picture turns it clockwise, a heading's quarter
    // counter-clockwise: the nearest quarter of the heading, taken from one.
    if (!std::isfinite(heading)) return 1;
    const long quarters = std::lround(std::fmod(static_cast<double>(heading), 360.0) / 90.0);
    return static_cast<int8_t>((1 - quarters) & 3);
}

void StampTrenchAt(Map* map, float x, float y, float heading) {
    if (!map || !map->OnMap(x, y)) return;
    Square* square = map->GetSquare(static_cast<int32_t>(std::floor(x / kSquareSize)),
                                    static_cast<int32_t>(std::floor(y / kSquareSize)));
    if (!square) return;
    // A square holds one trench: a trench stamped when the computer placed
    // it is not stamped again at the end of set-up.
    if (square->mOverlay[0] == kTerrainTrench || square->mOverlay[1] == kTerrainTrench) return;
    // The trench takes the free overlay slot, or the second when both hold
    // one; it runs the way it was placed, unmirrored.
    const int32_t slot = square->mOverlay[0] == 0 ? 0 : 1;
    square->mOverlay[slot] = kTerrainTrench;
    square->mOverlayTurn[slot] = TrenchOverlayTurn(heading);
    square->mOverlayMirror[slot] = 0;
}

void MarkBuildingOccupiedAt(float x, float y) {
    Map* map = gBattle ? gBattle->mMap : nullptr;
    if (!map) return;
    if (Building* building = map->GetBuildingAtXY(x, y)) building->mOccupied = 1;
}
