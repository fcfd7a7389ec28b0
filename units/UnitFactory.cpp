#include "units/UnitFactory.h"

#include "units/DataTables.h"
#include "units/Inanimate.h"

Unit* MakeUnit(UnitType kind, int32_t subtype, Force force, ExperienceLevel experience, int32_t fitness,
               int32_t strengthPercent) {
    // Infantry and vehicles join here once their kinds exist.
    if (kind != kUnitInanimate) return nullptr;
    auto* unit = new Inanimate;
    unit->IInanimate(subtype, force, 0.0f, 0.0f, 0.0f);
    return unit;
}

Nation NationOfForce(Force force) {
    return gForceTypeChart[force].mNation;
}
