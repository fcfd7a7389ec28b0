// The units' own textures: faces, uniforms (with their snow pictures), small arms, towed guns and
// anti-tank rifles, vehicle sets with camouflage by nation and date, and the vehicles' shading.
#pragma once
#include "AssetStore.h"
#include "GameData.h"

#include "units/VehicleSets.h"

// Vehicle texture sets: every set of kVehicleSets in its army's paint, slot s of set k at picture
// kVehicleSetBase + 20 k + s; the snow, late and late-snow looks follow at +50000, +100000, +150000
// as for the towed guns.

void MakeSkins(AssetStore& store, const GameData& data);

// The base colour of a uniform's cloth.
Rgb UniformColour(int uniform);
