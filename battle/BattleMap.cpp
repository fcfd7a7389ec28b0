#include "battle/BattleMap.h"

#include "battle/Battle.h"

// Interim: the map's own class joins here once it is in the tree.

Map* MakeDefaultMap() { return nullptr; }
Map* ReadMapRecord(GFile* file) { return nullptr; }
void WriteMapRecord(GFile* file, Map* map) {}
void DeleteMap(Map* map) {}
float MapWidthMetres(const Map* map) { return 0.0f; }
float MapHeightMetres(const Map* map) { return 0.0f; }

static const Map* MapOf(const ScenarioCore* scenario) {
    if (scenario && scenario->mMap) return scenario->mMap;
    return gBattle ? gBattle->mMap : nullptr;
}

float GroundHeightAt(float x, float y) { return GroundHeightAt(nullptr, x, y); }
float GroundHeightAt(const ScenarioCore* scenario, float x, float y) {
    const Map* map = MapOf(scenario);
    if (!map) return 0.0f;
    return 0.0f;
}
float BuildingHeightAt(const ScenarioCore* scenario, float x, float y) {
    const Map* map = MapOf(scenario);
    if (!map) return 0.0f;
    return 0.0f;
}
void StampTrenchAt(Map* map, float x, float y) {}
