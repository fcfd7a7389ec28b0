#pragma once
// Making units by kind, and the rule lookups that unit identity needs.

#include <cstdint>

#include "units/Enums.h"

class Unit;

// A new unit of a kind (1 vehicle, 2 fixed object, any other infantry) with
// its data record, force, experience and fitness; strengthPercent below 100
// starts it with losses. Null when that kind cannot be made.
Unit* MakeUnit(UnitType kind, int32_t subtype, Force force, ExperienceLevel experience, int32_t fitness,
               int32_t strengthPercent);

// The nation of a force, from its row of the force chart.
Nation NationOfForce(Force force);

// The factor of a rarity code.
float RarityFactorFromIndex(int32_t code);
