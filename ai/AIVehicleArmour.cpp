// The armour a vehicle shows to a shooter, as the target choice reads it:
// the aspect struck from a point and the effective plate of a location.
// Read from the vehicle's armour plates (slot = aspect * 3 + location) by
// the cosine law; the vehicle armour rules may refine both.

#include <algorithm>
#include <cmath>

#include "ai/AIFacts.h"
#include "ai/AIGeometry.h"
#include "units/Functions.h"

namespace aiarmour {

VehicleAspect DetermineAttackAspect(Vehicle* v, float x, float y, bool turret, float* sideChance) {
    const float facing = turret ? v->ActualHeadFacing() : v->mHeading;
    const float off = _AngleOff(facing, v->mX, v->mY, x, y, true); // 0 dead ahead, 180 behind
    const VehicleAspect aspect = off < 90.0f ? 0 : 2;
    // Fire from abeam strikes the side; from ahead or astern seldom.
    const float abeam = std::fabs(std::sin(off * 0.0174532925f));
    if (sideChance) *sideChance = std::clamp(abeam * abeam, 0.0f, 1.0f);
    return aspect;
}

float CalculateArmorBasis(Vehicle* v, VehicleHitLocation location, VehicleAspect aspect, float calibre,
                          AmmoClass ammo, bool* faceHardened, int32_t* hardness, float* floatOut) {
    const VehicleData* r = aifacts::Record(v, kKnowTruth);
    if (faceHardened) *faceHardened = false;
    if (hardness) *hardness = 0;
    if (floatOut) *floatOut = 1.0f;
    if (!r) return 0.0f;
    if (location >= 3) {
        // Fire from above meets the turret roof (3) or the hull deck (4).
        const int16_t top = r->mTopArmor[location == 3 ? 0 : 1];
        return top > 0 ? static_cast<float>(top) : 0.0f;
    }
    const int32_t slot = std::clamp(aspect, 0, 2) * 3 + std::clamp(location, 0, 2);
    const ArmorPlate& p = r->mArmorPlates[slot];
    float plateRatio = 0.0f;
    const float basis = ReferencePlateBasis(p.mThickness, p.mSlope, calibre > 0.0f ? calibre : 75.0f, ammo,
                                            faceHardened, hardness, &plateRatio);
    // The slope multiplier: the basis over it gives back the plate's thickness.
    if (floatOut && p.mThickness > 0) *floatOut = basis / static_cast<float>(p.mThickness);
    return basis;
}

} // namespace aiarmour
