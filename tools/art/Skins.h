// The units' own textures: faces, uniforms (with their snow pictures), small arms, towed guns and
// anti-tank rifles, vehicle sets with camouflage by nation and date, and the vehicles' shading.
#pragma once
#include "AssetStore.h"
#include "GameData.h"

// Vehicle texture sets (the game data names none): slot s of vehicle model m is picture
// kVehicleSetBase + 20 m + s; the snow, late and late-snow looks follow at +50000, +100000, +150000
// as for the towed guns. Sets are made for the models drawn by a model of their own and for the two
// general sets below, which every other model number uses.
constexpr int kVehicleSetBase = 40000;
constexpr int kGeneralAxisSet = 0, kGeneralAlliedSet = 141; // model numbers of the general sets

void MakeSkins(AssetStore& store, const GameData& data);

// The base colour of a uniform's cloth.
Rgb UniformColour(int uniform);
