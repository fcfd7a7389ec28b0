// One candidate judged with one ammunition class: the fuzzy chain from the
// target's value and threat to a crisp score 0..1, corrected by range.

#include <cmath>

#include "ai/AIRuleTables.h"
#include "ai/AITargetState.h"
#include "engine/GFuzzySet.h"
#include "engine/GOLTA.h"
#include "units/Unit.h"

float Unit::AIGetTargetFuzzyScore(Unit* candidate, AmmoClass c) {
    if (!candidate) return 0.0f;
    bool armourOnly = false;
    bool inArc = InCoveredArc(candidate->mX, candidate->mY, candidate, &armourOnly);
    if (!inArc && gFiringSecondarySmallArms) return 0.0f;
    if (!inArc && !mArcFirm && !armourOnly) {
        // A unit may notice a target outside its arc: the more so when
        // suppressed and the less experienced it is.
        const float e = static_cast<float>(6 - GetEffectiveExperience(kLeadStealth));
        const float p = (mSuppression * 0.02f + 1.0f) * e * e;
        const uint32_t r = RandomPair() % 100000u;
        if (static_cast<float>(r) < p) inArc = true;
    }
    if (!inArc && (c == kAmmoSmoke || candidate->mTarget != this)) return 0.0f;
    const bool limits = aitarget::sConsiderDirectThreats && WantsToLimitTargetingAttentionToDirectThreats();
    const bool smoke = c == kAmmoSmoke;
    GFuzzySet value, threat, urgency, ammo, desirability, appropriateness;
    candidate->AIGetVPValue(&value, false, kKnowEnemy);
    aitarget::ScoringMemo& memo = aitarget::sMemo;
    if (memo.For(this, candidate) && memo.threatKnown && memo.inArc == inArc && memo.smoke == smoke &&
        memo.limits == limits) {
        threat = memo.threat;
    } else {
        candidate->AIComputeThreat(&threat, this, inArc, smoke, limits);
        if (memo.For(this, candidate)) {
            memo.threatKnown = true;
            memo.inArc = inArc, memo.smoke = smoke, memo.limits = limits;
            memo.threat = threat;
        }
    }
    AIComputeUrgency(&value, &threat, &urgency, inArc, smoke, limits);
    AIComputeAmmoLevel(c, candidate, &ammo);
    AITemperUrgencyWithAmmo(&ammo, &urgency, smoke);
    AIComputeDesirability(candidate, &value, &urgency, &desirability);
    AIComputeAppropriateness(candidate, c, &ammo, &appropriateness);
    const float s = AIComputeFinalScore(&desirability, &appropriateness, candidate);
    return s == s ? s : 0.0f;
}

float Unit::AIComputeFinalScore(GFuzzySet* desirability, GFuzzySet* appropriateness, Unit* candidate) {
    GFuzzySet score;
    appropriateness->CombineThroughFAM(airules::kFinalScore, airules::kFinalScoreW, desirability, &score);
    const bool heavy = HasHeavyWeapon(kKnowTruth);
    if (!mMGTargeting && (!heavy || score.ResolveWeighted(airules::kScoreWeights) > 0.0f)) {
        const float dx = mX - candidate->mX, dy = mY - candidate->mY, dz = GetZ() - candidate->GetZ();
        const float d = std::sqrt(dx * dx + dy * dy + dz * dz);
        float close = 30.0f, far = 75.0f;
        if (!heavy && candidate->IsArmoredVehicle(kKnowEnemy, false)) close = 25.0f, far = 40.0f;
        GFuzzySet range;
        range.AddTrapezoid(0, d, GFuzzySet::kFarLow, GFuzzySet::kNearLow, 0.0f, close);
        range.AddTrapezoid(1, d, 0.5f * close, close, close, far);
        range.AddTrapezoid(2, d, close, far, GFuzzySet::kNearHigh, GFuzzySet::kFarHigh);
        score.CombineThroughFAM(airules::kRangeRaise, airules::kRangeRaiseW, &range, &score);
    }
    return score.ResolveWeighted(airules::kScoreWeights);
}
