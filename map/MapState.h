#pragma once
// The map's changeable state: what the battle changes while it computes a
// turn (terrain turned to rubble, fires, craters and foxholes, buildings,
// cleared doodads and the smoke). Kept before the computation so that the
// playback can start again from it.
#include <cstdint>
#include <vector>

#include "map/BuildingWallCrater.h"

class GFile;
class GObject;
class Map;

struct MapState {
    struct BuildingState {
        float mDamage = 0.0f;
        char mRuined = 0, mStateFlag = 0, mUpperFloor = 0;
    };

    MapState() = default;
    ~MapState();
    MapState(const MapState&) = delete;
    MapState& operator=(const MapState&) = delete;

    void Take(const Map& map);
    void Give(Map* map) const;
    // The block the map record carries when a game is saved with its last
    // turn: the point grid, fires, buildings, craters and foxholes. Smoke
    // and doodads are made again by their owners when a game loads.
    void Write(GFile* file) const;
    bool Read(GFile* file, const Map& map);

    std::vector<uint16_t> mPoints;
    std::vector<int8_t> mFire;
    std::vector<uint8_t> mFireAge;
    std::vector<uint8_t> mDoodadZero;   // slot 0's type byte of each square
    std::vector<BuildingState> mBuildings;
    std::vector<Crater> mCraters;
    std::vector<Crater> mFoxholes;
    std::vector<GObject*> mSmoke;       // copies of the smoke records
    bool mSmokeCopied = true;           // every smoke record could be copied
};
