#pragma once
// Properties of the 64 terrain codes of the map's 2 m point grid. The values
// live in data/terrain.txt and are compiled in at build time; every terrain
// question of the map (cover, sight, trees, fire, paths, foxholes) reads them
// from here so that the rules stay in one place.
#include <cstdint>

#include "units/Enums.h"

enum TerrainFlag : uint32_t {
    kTFBuilding = 1u << 0,     // a building stands on the code
    kTFUpperFloors = 1u << 1,  // the building has an upper floor (+6 m)
    kTFWater = 1u << 2,
    kTFSplash = 1u << 3,       // shells splash instead of throwing earth
    kTFRoad = 1u << 4,
    kTFBridge = 1u << 5,
    kTFWall = 1u << 6,         // the code marks where a wall runs
    kTFSoft = 1u << 7,         // soft ground (sinks under vehicles, snow)
};

struct TerrainInfo {
    int32_t mNameString;  // string number of the plain name
    int8_t mCover;        // gives cover
    int8_t mStrictCover;  // still gives cover when only hard cover counts
    float mHeight;        // height of what stands on the code (m), 0 = none
    float mDensity;       // visibility lost per metre below mHeight; < 0 solid
    int8_t mTrees;        // tree density class 1..3, -1 no trees
    int8_t mTreeKind;     // 0..2, -1 without trees
    int8_t mTall;         // carries tall trees
    int8_t mFire;         // flammability 0..5
    int8_t mWalkCost;     // path cost on foot 1..4, 9 not to be entered
    int8_t mDriveCost;    // path cost for vehicles 1..4, 9 not to be entered
    int8_t mDigCode;      // code of a foxhole dug here (5..8), 0 none
    int8_t mGroundFamily; // ground family this code decides, -1 none
    uint32_t mFlags;      // TerrainFlag bits
};

extern const TerrainInfo gTerrainTable[kTerrainCount];

// The row of a code; codes outside 0..63 read as open ground (code 0).
inline const TerrainInfo& TerrainInfoOf(Terrain code)
{
    return gTerrainTable[(code >= 0 && code < kTerrainCount) ? code : 0];
}

inline bool TerrainHas(Terrain code, uint32_t flag)
{
    return (TerrainInfoOf(code).mFlags & flag) != 0;
}
