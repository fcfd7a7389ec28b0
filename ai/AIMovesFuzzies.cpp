// The six fuzzy sets that describe a unit's situation before it moves: its
// suppression, the distance to its objective and how far that lies beyond
// its weapons' reach, the fire aimed at it, its cover, and its ability to
// harm its target or the one it would choose.

#include <cmath>

#include "ai/AIMoves.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "units/DataTables.h"
#include "units/Infantry.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

namespace {

constexpr float kLo = GFuzzySet::kFarLow;
constexpr float kLo2 = GFuzzySet::kNearLow;
constexpr float kHi2 = GFuzzySet::kNearHigh;
constexpr float kHi = GFuzzySet::kFarHigh;

const AITerm kSuppressionTerms[] = {
    {0, kLo, kLo2, 0.0f, 5.0f},       {1, 0.0f, 15.0f, 15.0f, 35.0f}, {2, 15.0f, 35.0f, 35.0f, 65.0f},
    {3, 35.0f, 65.0f, 65.0f, 105.0f}, {4, 65.0f, 105.0f, kHi2, kHi},
};
const AITerm kDistanceTerms[] = {
    {0, kLo, kLo2, 0.0f, 200.0f},
    {1, 0.0f, 200.0f, 200.0f, 450.0f},
    {2, 200.0f, 450.0f, 450.0f, 2000.0f},
    {3, 450.0f, 2000.0f, kHi2, kHi},
};
const AITerm kReachTerms[] = {
    {0, kLo, kLo2, 0.0f, 200.0f},
    {1, 0.0f, 200.0f, 200.0f, 600.0f},
    {2, 200.0f, 600.0f, 600.0f, 2000.0f},
    {3, 600.0f, 2000.0f, kHi2, kHi},
};
const AITerm kThreatTerms[] = {
    {0, kLo, kLo2, 0.0f, 0.2f},
    {1, 0.0f, 0.2f, 0.2f, 0.7f},
    {2, 0.2f, 0.7f, 0.7f, 3.0f},
    {3, 0.7f, 3.0f, kHi2, kHi},
};
const AITerm kCoverTerms[] = {
    {0, 0.5f, 0.95f, kHi2, kHi},
    {1, 0.25f, 0.5f, 0.5f, 0.95f},
    {2, 0.1f, 0.25f, 0.25f, 0.5f},
    {3, kLo, kLo2, 0.1f, 0.25f},
};

// The running sum of the fire aimed at the rated unit, and the last unit
// found aiming it; they hold values only during one rating.
float sThreatSum = 0.0f;
Unit* sLastThreatener = nullptr;

void AddThreat(GObject* member, void* context) {
    auto* u = static_cast<Unit*>(member);
    auto* rated = static_cast<Unit*>(context);
    if (!u->mActive || u->mTarget != rated) return;
    sThreatSum += u->AIGetGeneralAbilityToHarmAsNumber(rated, u->ChooseAmmo(rated, false), true, false, true,
                                                       kKnowTruth, kKnowTruth, true);
    sLastThreatener = u;
}

// How far the unit's weapons reach, taken off the objective distance.
float ReachChange(Unit* u) {
    if (aimove::IsInfantry(u)) {
        WeaponType type = kWeaponNone;
        WeaponClass wclass = 0;
        const MGPenetration mg = u->GetWeaponInfo(&type, &wclass, kKnowTruth);
        switch (wclass) {
        case 0:
            if (mg != 0) return -150.0f;
            return u->IsLeader(nullptr) ? -300.0f : 0.0f;
        case 1:
        case 6:
        case 9:
            return -200.0f;
        case 2:
        case 3:
            return -300.0f;
        case 4:
            return -350.0f;
        case 5:
            return -500.0f;
        case 7:
            return 100.0f;
        default:
            return 0.0f;
        }
    }
    if (u->IsArmoredVehicle(kKnowTruth, false)) return u->HasHeavyWeapon(kKnowTruth) ? -300.0f : -550.0f;
    return -900.0f;
}

} // namespace

void Unit::AIRateBasicFuzzies(AIBasicFuzzies* record, float objectiveDistance) {
    const bool infantry = aimove::IsInfantry(this);
    AIFuzzify(&record->mSuppression, mSuppression, kSuppressionTerms, 5);
    AIFuzzify(&record->mObjectiveDistance, objectiveDistance, kDistanceTerms, 4);
    AIFuzzify(&record->mObjectiveReach, objectiveDistance + ReachChange(this), kReachTerms, 4);

    sThreatSum = 0.0f;
    sLastThreatener = nullptr;
    if (gBattle && gBattle->mUnits) gBattle->mUnits->DoForEach(AddThreat, this);
    AIFuzzify(&record->mThreat, sThreatSum, kThreatTerms, 4);

    if (!infantry && IsArmoredVehicle(kKnowTruth, false)) {
        record->mCover.SetFull(1);
    } else {
        float t;
        if (Unit* s = sLastThreatener)
            t = GetTEMFromLocation(s->mX, s->mY, s->GetZ(), false, false, false, s->GetWeaponClass(), false,
                                   nullptr);
        else
            t = GetGenericTEM(mX, mY, false, true);
        AIFuzzify(&record->mCover, t, kCoverTerms, 4);
    }

    float f = 1.0f;
    if (aimove::PlatoonMember(this)) {
        f = 0.2f + 0.8f * static_cast<float>(mAmmo[0]) / 15.0f;
        if (f > 1.0f) f = 1.0f;
    }
    Unit* engaged = nullptr;
    if (mTarget) {
        const float d = aimove::Distance3D(this, mTarget);
        if (infantry && IsLeader(nullptr) && d < 150.0f) {
            record->mHarm.SetFull(3);
        } else {
            const float r = AIRangedThreatFactor(d) * f;
            aimove::AbilityToHarmSet(this, &record->mHarm, mTarget, ChooseAmmo(mTarget, false), false, false,
                                     false, r, false);
        }
        engaged = mTarget;
    } else if (IsPassenger(false) || aimove::IsGunCrew(this)) {
        if (aimove::IsGunCrew(this) && mAreaTarget && CanSeeLocation(mAreaTargetX, mAreaTargetY))
            record->mHarm.SetFull(3);
        else
            record->mHarm.SetFull(0);
    } else {
        // The target the unit would choose, found by a copy of it outside
        // the unit list so that the search meets the unit itself as usual.
        Unit* copy = aimove::MakeTemporaryCopy(this);
        if (copy) {
            copy->AIGetProjectionOntoPseudoTarget(record, f);
            engaged = copy->mTarget;
            aimove::DeleteTemporaryCopy(copy);
        } else {
            record->mHarm.SetFull(0);
        }
    }

    record->mHoldAndEngage =
        engaged && IsArmoredVehicle(kKnowTruth, false) && engaged->HasOrdnance(false, true);
    const bool support = IsSupportWeapon(false);
    if ((record->mHoldAndEngage || support) && engaged) {
        ReceiveTargetOrders(engaged, 0.0f, 0.0f, false, 2);
        aimove::SetAITargetAssigned(aimove::AsVehicle(this));
    }
}

void Unit::AIGetProjectionOntoPseudoTarget(AIBasicFuzzies* record, float harmFactor) {
    // Standing still: a team that cannot fire on the move is asked what it
    // would fire at once it stops.
    mMovementMode = 0;
    mPlaybackSpeed = 0.0f;
    mIsMoving = false;
    AIMaySwitchToNewTarget(true);
    if (mTarget) {
        const float k = IsSupportWeapon(false) ? 2.0f : 1.0f;
        const float r = AIRangedThreatFactor(aimove::Distance3D(this, mTarget)) * harmFactor * k;
        aimove::AbilityToHarmSet(this, &record->mHarm, mTarget, ChooseAmmo(mTarget, false), false, false,
                                 false, r, false);
    } else {
        record->mHarm.SetFull(0);
    }
}

float Infantry::AIRangedThreatFactor(float range) {
    if (!aimove::PlatoonMember(this)) return 1.0f;
    if (range <= 200.0f) return 1.0f;
    if (range < 400.0f) return 2.0f - 0.005f * range;
    return 0.0f;
}
