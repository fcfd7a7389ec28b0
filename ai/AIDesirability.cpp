// How desirable a candidate is (its value and urgency, less the harm other
// units already do to it and the swing a gun must make), and how fit one
// ammunition class is against it (harm, rounds left, time to bear and the
// traverse of a hull gun).

#include <algorithm>
#include <cmath>

#include "ai/AIFacts.h"
#include "ai/AIGeometry.h"
#include "ai/AIHarm.h"
#include "ai/AIRuleTables.h"
#include "ai/AITargetState.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/GFuzzySet.h"

using namespace aifacts;

namespace {
constexpr float kLow = GFuzzySet::kFarLow, kLow2 = GFuzzySet::kNearLow;
constexpr float kHigh = GFuzzySet::kNearHigh, kHigh2 = GFuzzySet::kFarHigh;

void LeftShoulder(GFuzzySet* s, int8_t label, float x, float c, float d) {
    s->AddTrapezoid(label, x, kLow, kLow2, c, d);
}
void RightShoulder(GFuzzySet* s, int8_t label, float x, float a, float b) {
    s->AddTrapezoid(label, x, a, b, kHigh, kHigh2);
}
float Dist3(Unit* a, Unit* b) {
    const float dx = a->mX - b->mX, dy = a->mY - b->mY, dz = a->GetZ() - b->GetZ();
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}
// The candidate carries an anti-armour weapon that reaches this unit.
bool AntiArmourInReach(Unit* self, Unit* candidate) {
    return candidate->HasAntiArmorWeapon(false) && candidate->InRange(Dist3(self, candidate), false, 1.4f);
}
} // namespace

void Unit::AIComputeDesirability(Unit* candidate, GFuzzySet* value, GFuzzySet* urgency, GFuzzySet* out) {
    if (candidate == mOrderedTarget) {
        value->CombineThroughFAM(airules::kDesirabilityA, airules::kDesirabilityAW, urgency, out);
        return;
    }
    aitarget::ScoringMemo& memo = aitarget::sMemo;
    float harm;
    if (memo.For(this, candidate) && memo.harmKnown) {
        harm = memo.harm;
    } else {
        aiharm::sFriendlyHarm = 0.0f;
        aiharm::sExcluded = this;
        // Only a unit whose target the candidate is adds to the sum: the
        // rest are passed over here, in the list's order.
        if (gBattle && gBattle->mUnits) {
            const UnitList* units = gBattle->mUnits;
            for (int32_t i = 0; i < units->GetCount(); ++i) {
                Unit* u = units->GetUnit(i);
                if (u && u->mTarget == candidate) aiharm::AISumFriendlyHarmOnTarget(u, candidate);
            }
        }
        harm = aiharm::sFriendlyHarm;
        if (memo.For(this, candidate)) memo.harmKnown = true, memo.harm = harm;
    }
    float m, h;
    if (candidate->IsArmoredVehicle(kKnowEnemy, false))
        m = 3.0f, h = 5.0f;
    else if (IsInfantry(candidate)) {
        const float s = candidate->mSuppression;
        if (s < 60.0f)
            m = 0.3f, h = 2.0f;
        else if (s < 100.0f)
            m = 0.25f, h = 1.5f;
        else
            m = 0.2f, h = 1.2f;
    } else
        m = 0.3f, h = 1.2f;
    GFuzzySet coverage;
    LeftShoulder(&coverage, 0, harm, 0.0f, m);
    coverage.AddTrapezoid(1, harm, 0.0f, m, m, h);
    RightShoulder(&coverage, 2, harm, m, h);
    coverage.CombineThroughFAM(airules::kDesirabilityB, airules::kDesirabilityBW, urgency, out);

    Vehicle* self = AsVehicle(this);
    if (!self || !HasHeavyWeapon(kKnowTruth)) return;
    const int32_t limit = TraverseLimit1(self);
    const float mount = limit < 0 ? mHeading + 180.0f : mHeading;
    const float x = _AngleOff(mount, mX, mY, candidate->mX, candidate->mY, true);
    const bool antiArmour = candidate->HasAntiArmorWeapon(false);
    const bool turret = self->HasTurret();
    GFuzzySet hull;
    if (antiArmour && turret) {
        LeftShoulder(&hull, 0, x, 40.0f, 130.0f);
        RightShoulder(&hull, 1, x, 40.0f, 130.0f);
    } else if (antiArmour) {
        LeftShoulder(&hull, 0, x, 30.0f, 110.0f);
        RightShoulder(&hull, 2, x, 30.0f, 90.0f);
    } else if (turret) {
        LeftShoulder(&hull, 0, x, 20.0f, 100.0f);
        RightShoulder(&hull, 1, x, 30.0f, 100.0f);
    } else {
        LeftShoulder(&hull, 0, x, 0.0f, 110.0f);
        RightShoulder(&hull, 2, x, 20.0f, 90.0f);
    }
    hull.CombineThroughFAM(airules::kDesirabilityC, airules::kDesirabilityCW, out, out);

    if (self->mTurretHoldSlices <= 0) return;
    if (mMGTargeting && !aitarget::sScoringMachineGuns) return;
    if (candidate == mOrderedTarget) return;
    if (!IsArmoredVehicle(kKnowTruth, false) || !HasOrdnance(false, false)) return;
    if (AntiArmourInReach(this, candidate)) return;
    const float y = _AngleOff(self->ActualHeadFacing(), mX, mY, candidate->mX, candidate->mY, true);
    GFuzzySet gun, elapsed, swing;
    LeftShoulder(&gun, 0, y, 25.0f, 45.0f);
    gun.AddTrapezoid(1, y, 25.0f, 45.0f, 45.0f, 90.0f);
    RightShoulder(&gun, 2, y, 45.0f, 70.0f);
    const float seconds = (6800.0f - static_cast<float>(self->mTurretHoldSlices)) / 40.0f;
    RightShoulder(&elapsed, 0, seconds, 90.0f, 170.0f);
    elapsed.AddTrapezoid(1, seconds, 15.0f, 90.0f, 90.0f, 170.0f);
    LeftShoulder(&elapsed, 2, seconds, 15.0f, 90.0f);
    gun.CombineThroughFAM(airules::kDesirabilityD, airules::kDesirabilityDW, &elapsed, &swing);
    swing.CombineThroughFAM(airules::kDesirabilityE, airules::kDesirabilityEW, out, out);
}

float Unit::AIGetTimeToBear(Unit* candidate) {
    float rate = RotationSpeed();
    float direction = mHeading;
    if (Vehicle* v = AsVehicle(this)) {
        direction = v->ActualHeadFacing();
        if (v->HasTurret()) rate += TurretRotationSpeed(v);
    }
    if (!(rate >= 1.0f)) rate = 1.0f;
    rate *= 40.0f;
    float a = _AngleOff(direction, mX, mY, candidate->mX, candidate->mY, true) - 0.4f;
    if (a < 0.0f) a = 0.0f;
    const float turn = a / rate;
    return std::max(turn, mArtilleryDelay + mLoadTime);
}

void Unit::AIComputeAppropriateness(Unit* candidate, AmmoClass c, GFuzzySet* ammoLevel, GFuzzySet* out) {
    GFuzzySet harm;
    if (c == kAmmoSmoke)
        AIFuzzifyHarm(&harm, 0.06f);
    else
        AIGetAbilityToHarm(&harm, candidate, c, false, true, false, 1.0f, false);
    GFuzzySet mgAmmo;
    if (aitarget::sScoringMachineGuns) {
        mgAmmo.AddMember(2, 0.4f);
        mgAmmo.AddMember(3, 0.6f);
        ammoLevel = &mgAmmo;
    }
    harm.CombineThroughFAM(airules::kAppropriateness, airules::kAppropriatenessW, ammoLevel, out);
    if (gFiringSecondarySmallArms) return;
    if (IsTankHunter(this) && IsInfantry(candidate)) {
        GFuzzySet hunter;
        hunter.AddMember(0, 1.0f);
        out->CombineThroughFAM(airules::TankHunterRule, &hunter, out);
    }
    if (IsSniper()) return;
    const float t = AIGetTimeToBear(candidate) - 2.0f;
    if (t > 0.0f) {
        const float k = candidate->mTarget == this ? 14.0f : 8.0f;
        GFuzzySet bearing;
        LeftShoulder(&bearing, 0, t, 0.0f, k);
        bearing.AddTrapezoid(1, t, 0.0f, k, k, 25.0f);
        RightShoulder(&bearing, 2, t, k, 25.0f);
        bearing.CombineThroughFAM(airules::kBearingTime, airules::kBearingTimeW, out, out);
    }
    Vehicle* self = AsVehicle(this);
    if (!self || mMGTargeting || !HasOrdnance(false, true) || TraverseLimit1(self) < 0) return;
    if (AntiArmourInReach(this, candidate)) return;
    GFuzzySet traverse;
    if (self->HasTurret()) {
        const float x = _AngleOff(mHeading, mX, mY, candidate->mX, candidate->mY, true);
        if (mPlaybackSpeed > 0.0f) {
            LeftShoulder(&traverse, 0, x, 0.0f, 30.0f);
            RightShoulder(&traverse, 2, x, 30.0f, 100.0f);
        } else {
            LeftShoulder(&traverse, 0, x, 0.0f, 80.0f);
            traverse.AddTrapezoid(1, x, 50.0f, 80.0f, 80.0f, 180.0f);
            RightShoulder(&traverse, 2, x, 80.0f, 180.0f);
        }
    } else {
        float s = _AngleOff(mHeading, mX, mY, candidate->mX, candidate->mY, false);
        int32_t limit;
        if (s < 0.0f) {
            limit = TraverseLimit1(self);
            s = -s;
        } else {
            limit = TraverseLimit2(self);
        }
        const float l = std::max(static_cast<float>(std::abs(limit)), 0.001f);
        LeftShoulder(&traverse, 0, s, 0.0f, l);
        RightShoulder(&traverse, 2, s, l - 0.1f, 180.0f);
    }
    traverse.CombineThroughFAM(airules::kTraverse, airules::kTraverseW, out, out);
}
