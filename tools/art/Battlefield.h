// The battlefield textures: open ground, overlays and edges, sky, markers, exit zones, flags and
// poles, the line texture, walls, buildings, craters and foxholes, shadows, rubble and tyre.
#pragma once
#include "AssetStore.h"
#include "GameData.h"

// Numbers of our own for the pictures of buildings, craters and foxholes (the game names none).
constexpr int kBuildingLightWall = 1260, kBuildingHeavyWall = 1261, kBuildingRoofTiles = 1262,
              kBuildingRoofSlate = 1263, kBuildingFloor = 1264, kBuildingTimber = 1265,
              kBuildingRubble = 1266, kCraterTexture = 1270, kFoxholeTexture = 1271, kTrenchTexture = 1272;

void MakeBattlefield(AssetStore& store, const GameData& data);
