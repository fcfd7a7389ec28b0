// The picture numbers of a vehicle's texture sets: which set of the art a
// model wears, the late and snow looks tried in order, and the ground shading.
#pragma once
#include <cstdint>

#include "units/DataTables.h"
#include "units/VehicleSets.h"

// The set model `model` wears: the one its row of the model table names; a
// model number outside the table wears the general Axis set.
int32_t VehicleSetOfModel(int32_t model);
// Picture of slot s (0..16) of model m's set: 40000 + 20 x set + s.
int32_t VehicleSlotPicture(int32_t model, int32_t slot);
// The late camouflage: a record dated before 4307, or later with the late
// flag, in a battle after 4306.
bool VehicleLateScheme(const VehicleData& record, int32_t date);
// The numbers tried for picture n, best first; answers how many (1 to 4).
int32_t VehicleTextureTries(int32_t n, bool late, bool snow, int32_t tries[4]);
// The shading texture of a shading class on a ground condition; 0 for class
// 8 (none) and for classes out of range.
int32_t VehicleShadingTexture(int32_t shadingClass, int32_t ground);
// The uniform's variant for the portraits on a date: the first of its two
// dated variants not before the date (or undated), else 2.
int32_t PortraitVariant(int32_t uniform, int32_t date);

// Portraits: picture 27000 + 24 x uniform + 8 x variant + rank for uniforms
// 0..35, variants 0..2 and ranks 0..7; 0 (none) for anything else.
constexpr int32_t kPortraitBase = 27000;
int32_t PortraitPicture(int32_t uniform, int32_t variant, int32_t rank);
// The info panel's vehicle pictures: a side view of model m is 26000 + m
// (0..255); the silhouette of a generic kind (0 bunker, 1 lorry, 2 light
// armour, 3 tank) is 26300 + kind.
constexpr int32_t kSideViewBase = 26000, kSilhouetteBase = 26300;
int32_t SideViewPicture(int32_t model);
int32_t SilhouettePicture(VehicleType generalType);
