#pragma once
// The few things the battle and the units ask of the map, gathered in one
// place so that the rest of the battle code stays apart from the map's
// internals.

#include <cstdint>

class GFile;
class Map;
class ScenarioCore;

// A new map initialised without a file (the default battlefield).
Map* MakeDefaultMap();
// A new map read from its record, or null when the record is damaged.
Map* ReadMapRecord(GFile* file);
void WriteMapRecord(GFile* file, Map* map);
void DeleteMap(Map* map);
// The map's extent in metres.
float MapWidthMetres(const Map* map);
float MapHeightMetres(const Map* map);

// Ground height at a point of the current battle's map (0 without a map),
// and the height of a building floor there.
float GroundHeightAt(float x, float y);
float GroundHeightAt(const ScenarioCore* scenario, float x, float y);
float BuildingHeightAt(const ScenarioCore* scenario, float x, float y);
// Whether the scenario, or else the current battle, has a map.
bool HasMapFor(const ScenarioCore* scenario);
// Writes a trench into the map at the point, its square's picture turned
// to the trench's heading (degrees, 0 = west to east).
void StampTrenchAt(Map* map, float x, float y, float heading);
// The quarter turns of a trench square's picture for a trench's heading.
int8_t TrenchOverlayTurn(float heading);
// Marks the building at the point of the current battle's map as occupied
// for this frame (its roof is then drawn as the occupants' side sees it).
void MarkBuildingOccupiedAt(float x, float y);
