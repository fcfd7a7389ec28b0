#pragma once
// The order script of a scenario (docs/scenarios.md): for each turn, moves
// with a pace and waypoints, area targets and unit targets, naming units by
// side, company, platoon and number. The runner gives them through the
// units' own order operations. An operation's script gives each battle's
// orders in a section of its own ("battle n"), its points on the operation's
// map.

#include <cstdint>
#include <string>
#include <vector>

#include "tools/scenarios/ScenarioText.h"

class ScenarioCore;
class Unit;

struct ScriptUnitName {
    int32_t side = 0;
    char company = 'A';
    int32_t platoon = 1;
    int32_t number = 0;
};

struct ScriptOrder {
    int line = 0;
    int32_t battle = 0; // the operation's battle of its section (0: a scenario's script)
    int32_t turn = 1;
    enum Kind { kMove, kArea, kUnit } kind = kMove;
    ScriptUnitName unit;
    int32_t order = 20;                // the move order (20..37)
    std::vector<ScenarioPoint> points; // waypoints, or the area target
    ScriptUnitName target;             // kUnit
};

struct OrderScript {
    std::string file;
    std::vector<ScriptOrder> orders; // in the script's order
    int32_t lastBattle = 0;          // the last battle section (0: a scenario's script)
};

bool ParseOrderScript(const std::string& text, const std::string& file, OrderScript* out,
                      ScenarioFault* fault);

// The map unit of the battle that the name names, or null.
Unit* FindScriptUnit(ScenarioCore* battle, const ScriptUnitName& name);

// Checks that every unit the script names stands on the scenario's map, or
// arrives as a reinforcement (or is one of `also`'s, an operation's battle
// under way); false with the fault.
bool CheckOrderScript(const OrderScript& script, const ScenarioCore* battle, ScenarioFault* fault,
                      const ScenarioCore* also = nullptr);

// The orders of an operation's battle n cut from its script: points moved
// from the operation's map onto the battle's, whose corner lies at x0 y0 on
// it; false with the fault when a point lies off the battle's map.
bool BattleSection(const OrderScript& script, int32_t battle, float x0, float y0, const ScenarioCore* core,
                   OrderScript* out, ScenarioFault* fault);

// Gives the orders of that turn to the battle's units. Orders for units no
// longer in play are skipped, and with skipSide[side] set, those of that side's
// units. Returns how many were given.
int32_t ApplyOrders(const OrderScript& script, int32_t turn, ScenarioCore* battle,
                    const bool* skipSide = nullptr);
