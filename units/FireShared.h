#pragma once
// Small helpers that the firing, hit, attack, spotting and command rules of
// the unit share.

#include <cmath>
#include <typeinfo>

#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/BattleMap.h"
#include "battle/Campaign.h"
#include "units/DataTables.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

namespace fire {

// The range-estimate factor by acquisition level 0..4.
inline float RangeFactor(int32_t level) {
    static const float kFactors[5] = {6.0f, 3.6f, 2.2f, 1.4f, 1.0f};
    return kFactors[level < 0 ? 0 : level > 4 ? 4 : level];
}

// Every vehicle is of kind kUnitVehicle from its making on and keeps it, so
// a unit of any other kind is none without the run-time type search; a plain
// Vehicle (every vehicle of a battle) is known by its type alone.
inline Vehicle* AsVehicle(Unit* u) {
    if (!u || u->mUnitType != kUnitVehicle) return nullptr;
    if (typeid(*u) == typeid(Vehicle)) return static_cast<Vehicle*>(u);
    return dynamic_cast<Vehicle*>(u);
}

inline bool IsInfantry(const Unit* u) {
    return u && u->mUnitType == kUnitInfantry;
}

inline const InfantryData& InfantryRecord(const Unit* u) {
    return gInfantryData[u->mSubtype];
}

// The battle's weather and light; the answers without a battle are a clear
// midday with sight to 10 km.
inline int32_t TimeOfDay() {
    return gBattle ? gBattle->mTimeOfDay : kMidday;
}
inline bool Night() {
    return TimeOfDay() == kNight;
}
// A battle whose visibility has not been worked out yet sees to 10 km too.
inline float Visibility() {
    return gBattle && gBattle->mVisibilityDistance > 0.0f ? gBattle->mVisibilityDistance : 10000.0f;
}
inline int32_t FogLevel() {
    return gBattle ? gBattle->Host()->FogOfWarLevel() : 3;
}
inline const ScenarioCore* Scenario() {
    return gBattle ? static_cast<const ScenarioCore*>(gBattle) : static_cast<const ScenarioCore*>(gCampaign);
}

// A flight time lengthened by the battle's condition level.
inline int32_t ConditionedFlightTime(int32_t t) {
    int32_t level = gBattle ? gBattle->mConditionLevel : 0;
    // In double: 100 x 1.01 in float falls just short of 101.
    static const double kStretch[4] = {1.0, 1.01, 1.07, 1.25};
    if (level <= 0 || level > 3) return t;
    return static_cast<int32_t>(static_cast<double>(t) * kStretch[level]);
}

inline float Distance3(float x1, float y1, float z1, float x2, float y2, float z2) {
    float dx = x2 - x1, dy = y2 - y1, dz = z2 - z1;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// Index of a side in the battle's per-side counters: the Axis at 1.
inline int32_t CounterIndex(const Unit* u) {
    return u->IsAxis() ? 1 : 0;
}

} // namespace fire
