#include "units/RuleContext.h"

#include "units/Vehicle.h"

namespace {
RuleContext sContext;
}

void SetRuleContext(const RuleContext* context) {
    sContext = context ? *context : RuleContext{};
}

const RuleContext& CurrentRuleContext() {
    return sContext;
}

int32_t ScenarioDate() {
    return sContext.scenarioDate ? sContext.scenarioDate() : 4306;
}

int32_t BattleSeason() {
    return sContext.season ? sContext.season() : 0;
}

int32_t BattleTimeOfDay() {
    return sContext.timeOfDay ? sContext.timeOfDay() : 1;
}

Terrain TerrainAt(float x, float y) {
    return sContext.terrainAt ? sContext.terrainAt(x, y) : 0;
}

float VehicleArmorFactor(const Vehicle* v) {
    if (!v) return 1.0f;
    return v->mArmorFactor[0];
}
