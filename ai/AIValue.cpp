// A target's value as fuzzy labels, the tungsten limit, and the shell error
// and hit chance a unit would have against a candidate.

#include "ai/AIFacts.h"
#include "engine/GFuzzySet.h"
#include "units/Unit.h"

using namespace aifacts;

void Unit::AIGetVPValue(GFuzzySet* set, bool doubled, DataKnowledge k) {
    float v;
    if (mUnitType == kUnitAirplane)
        v = GetVPValue(false, kKnowTruth);
    else if (k == kKnowTruth || mContactLevel >= 3)
        v = GetVPValue(false, k);
    else if (mUnitType == kUnitInfantry)
        v = HasOrdnance(false, false) ? 80.0f : 30.0f;
    else if (Vehicle* veh = AsVehicle(this)) {
        switch (GeneralType(veh)) {
        case kGeneralTypeA:
            v = 150.0f;
            break;
        case kGeneralTypeB:
            v = 40.0f;
            break;
        case kGeneralTypeC:
            v = 90.0f;
            break;
        default:
            v = 175.0f;
            break;
        }
    } else
        v = 30.0f;
    if (doubled) v *= 2.5f;
    set->AddTrapezoid(0, v, GFuzzySet::kFarLow, GFuzzySet::kNearLow, 3.0f, 50.0f);
    set->AddTrapezoid(1, v, 3.0f, 50.0f, 50.0f, 200.0f);
    set->AddTrapezoid(2, v, 50.0f, 120.0f, GFuzzySet::kNearHigh, GFuzzySet::kFarHigh);
}

void Unit::AILimitTungstenUse(float hitChance, Unit* target, float* value) {
    if (*value > 3.4f) *value = 3.4f;
    *value *= 0.95f;
    const int32_t n = mAmmo[kAmmoTungsten];
    if (n > 4) return;
    float t1, t2;
    if (n <= 1)
        t1 = 0.7f, t2 = 0.4f;
    else if (n <= 3)
        t1 = 0.5f, t2 = 0.25f;
    else
        t1 = 0.4f, t2 = 0.15f;
    if (hitChance >= t1) return;
    // Rounds are kept for a target already under fire.
    const int32_t shotsNeeded = hitChance < t2 ? 2 : 1;
    if (mTarget == target && mShotsAtTarget >= shotsNeeded) return;
    *value *= 0.45f;
}

// The estimates judge a candidate as after n shots at it: the shot count
// and the ranging level that the hit chance and the shell error read (each
// shot raises it by one) are raised to n for the length of one estimate.
namespace {
void AsAfterShots(Unit* u, int16_t n) {
    if (u->mShotsAtTarget < n) u->mShotsAtTarget = n;
    if (u->mAcquisition < n) u->mAcquisition = n;
}
} // namespace

void Unit::AIPlacedShellError(Unit* target, int32_t flightTime, WeaponClass wclass, bool weaponFlag,
                              AmmoClass ammo, float* errA, float* errB) {
    Unit* const oldTarget = mTarget;
    const int16_t oldShots = mShotsAtTarget;
    const int16_t oldLevel = mAcquisition;
    mTarget = target;
    AsAfterShots(this, 3);
    CalculatePlacedShellError(true, false, target, target->mX, target->mY, flightTime, wclass, weaponFlag,
                              ammo, errA, errB);
    mTarget = oldTarget;
    mShotsAtTarget = oldShots;
    mAcquisition = oldLevel;
}

float Unit::AIGetHitChance(AmmoClass ammo, int32_t flightTime, Vehicle* target, DataKnowledge k) {
    Unit* const oldTarget = mTarget;
    const int16_t oldShots = mShotsAtTarget;
    const int16_t oldLevel = mAcquisition;
    mTarget = target;
    AsAfterShots(this, target && IsMoving(target) ? 2 : 3);
    const float p = GetHitChance(ammo, flightTime, target, k, 0);
    mTarget = oldTarget;
    mShotsAtTarget = oldShots;
    mAcquisition = oldLevel;
    return p;
}
