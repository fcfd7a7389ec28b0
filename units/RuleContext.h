#pragma once
// What the free rule functions read of the running battle and of vehicles.
// The battle installs its answers with SetRuleContext; every answer that is
// not installed falls back to the value the rules assume without a battle.

#include <cstdint>

#include "units/Enums.h"

class Vehicle;

struct RuleContext {
    int32_t (*scenarioDate)() = nullptr;              // YYMM of the battle, else the operation
    int32_t (*season)() = nullptr;                    // 3 = winter
    int32_t (*timeOfDay)() = nullptr;                 // 3 = night
    Terrain (*terrainAt)(float x, float y) = nullptr; // the map's terrain, foxholes included
};

// Installs the answers (copied); null restores the fallbacks.
void SetRuleContext(const RuleContext* context);
// The answers installed.
const RuleContext& CurrentRuleContext();

int32_t ScenarioDate();                     // 4306 without a battle or operation
int32_t BattleSeason();                     // 0 without a battle
int32_t BattleTimeOfDay();                  // 1 (midday) without a battle
Terrain TerrainAt(float x, float y);        // 0 (open ground) without a map
float VehicleArmorFactor(const Vehicle* v); // the vehicle's first armour factor; 1.0 without a vehicle
