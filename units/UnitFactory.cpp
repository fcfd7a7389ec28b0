#include "units/UnitFactory.h"

#include "units/DataTables.h"
#include "units/Inanimate.h"
#include "units/Vehicle.h"

Unit* MakeUnit(UnitType kind, int32_t subtype, Force force, ExperienceLevel experience, int32_t fitness,
               int32_t strengthPercent) {
    // Infantry joins here once its kind exists.
    if (kind == kUnitVehicle) {
        if (!gVehicleData.Has(subtype)) return nullptr;
        auto* vehicle = new Vehicle;
        vehicle->IVehicle(subtype, force, experience, 0.0f, 0.0f, 0.0f);
        vehicle->mFitness = fitness;
        return vehicle;
    }
    if (kind != kUnitInanimate) return nullptr;
    auto* unit = new Inanimate;
    unit->IInanimate(subtype, force, 0.0f, 0.0f, 0.0f);
    return unit;
}

Nation NationOfForce(Force force) {
    return gForceTypeChart[force].mNation;
}
