#include "units/UnitFactory.h"

#include "engine/GOLTA.h"
#include "units/DataTables.h"
#include "units/Inanimate.h"
#include "units/Infantry.h"
#include "units/Vehicle.h"

namespace {

// A new infantry unit; below full strength it starts with losses, one more
// or one fewer by a draw.
Unit* MakeInfantry(int32_t subtype, Force force, ExperienceLevel experience, int32_t fitness,
                   int32_t strengthPercent) {
    auto* unit = new Infantry;
    unit->IInfantry(subtype, force, experience, 0.0f, 0.0f, 0.0f);
    if (strengthPercent < 100) {
        const int32_t n = unit->GetOriginalNrMen();
        int32_t losses = static_cast<int32_t>((1.0 - strengthPercent * 0.01) * n);
        const uint32_t r = RandomPair() & 3u;
        if (r == 0 && losses < n - 1 && n >= 4) ++losses;
        if (r == 3 && losses >= 1) --losses;
        unit->ReceiveCasualties(losses, 1.0f, true, false, false);
        unit->mOldCasualties = static_cast<int16_t>(unit->mCasualties);
    }
    unit->mFitness = fitness;
    return unit;
}

} // namespace

Unit* MakeUnit(UnitType kind, int32_t subtype, Force force, ExperienceLevel experience, int32_t fitness,
               int32_t strengthPercent) {
    if (kind == kUnitVehicle) {
        if (!gVehicleData.Has(subtype)) return nullptr;
        auto* vehicle = new Vehicle;
        vehicle->IVehicle(subtype, force, experience, 0.0f, 0.0f, 0.0f);
        vehicle->mFitness = fitness;
        return vehicle;
    }
    if (kind != kUnitInanimate) return MakeInfantry(subtype, force, experience, fitness, strengthPercent);
    auto* unit = new Inanimate;
    unit->IInanimate(subtype, force, 0.0f, 0.0f, 0.0f);
    return unit;
}

Nation NationOfForce(Force force) {
    return gForceTypeChart[force].mNation;
}
