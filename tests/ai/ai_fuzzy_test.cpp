// Desirability, appropriateness with bearing time and traverse, and the
// final score with its range correction, worked by hand from the tables.

#include <cmath>

#include "ai/AIGeometry.h"
#include "ai_fixture.h"

using namespace aitest;

namespace {
class AIFuzzy : public AIBattle {};

GFuzzySet One(int label, float m = 1.0f) {
    GFuzzySet s;
    s.AddMember(static_cast<int8_t>(label), m);
    return s;
}
} // namespace

TEST_F(AIFuzzy, TheOrderedTargetIsDesirableByValueAndUrgencyAlone) {
    Squad* me = Rifles(kAxis, 1000, 1000);
    Squad* it = Rifles(kAllies, 1100, 1000);
    GFuzzySet value = One(1), urgency = One(0), out;
    me->mOrderedTarget = it;
    me->AIComputeDesirability(it, &value, &urgency, &out);
    EXPECT_EQ(out.GetCount(), 1);
    EXPECT_FLOAT_EQ(M(out, 3), 1.0f); // table A, row 1, column 0
    // Not ordered and nobody else on it: coverage 0, so urgency passes.
    me->mOrderedTarget = nullptr;
    urgency = One(4);
    me->AIComputeDesirability(it, &value, &urgency, &out);
    EXPECT_EQ(out.GetCount(), 1);
    EXPECT_FLOAT_EQ(M(out, 4), 1.0f);
    // Friends already harming it at exactly the middle break point (0.3
    // for a fresh squad): coverage 1 at full, table B row 1 turns 4 into 3.
    Squad* friendly = Rifles(kAxis, 1000, 1050);
    friendly->mTarget = it;
    const float h = friendly->AIGetAbilityToHarmAsNumber(it, friendly->ChooseAmmo(it, false), false, true,
                                                         true, 0, 1, false);
    ASSERT_GT(h, 0.0f);
    ASSERT_LT(h, 0.3f);
    me->AIComputeDesirability(it, &value, &urgency, &out);
    EXPECT_NEAR(M(out, 4), 1.0f - h / 0.3f, 1e-5f);
    EXPECT_NEAR(M(out, 3), h / 0.3f, 1e-5f);
}

TEST_F(AIFuzzy, ATankSwingingFarJustAfterEngagingFindsTheCandidateLessDesirable) {
    Tank* me = Armour(kAxis, 1000, 1000);
    Squad* it = Rifles(kAllies, 1000, 1100); // bearing 90, the gun faces 0
    GFuzzySet value = One(1), urgency = One(4), out;
    // Countdown 0: hull angle only. x = 90: label 0 at 1 - 70/80, label 1
    // at 60/70; table C sends 4 to 4 and 3.
    me->AIComputeDesirability(it, &value, &urgency, &out);
    EXPECT_NEAR(M(out, 4), 0.125f, 1e-5f);
    EXPECT_NEAR(M(out, 3), 60.0f / 70.0f, 1e-5f);
    // Just engaged: gun angle 2 and elapsed 2 swing fully (label 3);
    // table E row 3 sends 4 to 2 and 3 to 1.
    me->mTurretHoldSlices = 6800;
    me->AIComputeDesirability(it, &value, &urgency, &out);
    EXPECT_NEAR(M(out, 2), 0.125f, 1e-5f);
    EXPECT_NEAR(M(out, 1), 60.0f / 70.0f, 1e-5f);
    // Dead ahead, the turret need not swing: hull label 0 passes all.
    it->mX = 1100.0f;
    it->mY = 1000.0f;
    me->AIComputeDesirability(it, &value, &urgency, &out);
    EXPECT_EQ(out.GetCount(), 1);
    EXPECT_FLOAT_EQ(M(out, 4), 1.0f);
}

TEST_F(AIFuzzy, SmokeIsJudgedAsASmallHarmAndBearingTimeCounts) {
    Squad* me = Rifles(kAxis, 1000, 1000);
    Squad* it = Rifles(kAllies, 1100, 1000);
    GFuzzySet ammo = One(4), out;
    // 0.06 harm: label 0 at 1 - 0.06/0.07 and 1 at 0.06/0.07; row 1 of the
    // table gives 3 with plentiful rounds.
    me->AIComputeAppropriateness(it, kAmmoSmoke, &ammo, &out);
    EXPECT_NEAR(M(out, 0), 1.0f - 0.06f / 0.07f, 1e-5f);
    EXPECT_NEAR(M(out, 3), 0.06f / 0.07f, 1e-5f);
    // A reload of 10 s: time to bear 10, t = 8 = k: bearing label 1 only,
    // which turns 3 into 2.
    me->mLoadTime = 10.0f;
    EXPECT_FLOAT_EQ(me->AIGetTimeToBear(it), 10.0f);
    me->AIComputeAppropriateness(it, kAmmoSmoke, &ammo, &out);
    EXPECT_NEAR(M(out, 2), 0.06f / 0.07f, 1e-5f);
    EXPECT_FALSE(Has(out, 3));
    // A candidate aiming at the unit is given 14 s: label 0 at 1 - 8/14.
    it->mTarget = me;
    me->AIComputeAppropriateness(it, kAmmoSmoke, &ammo, &out);
    EXPECT_NEAR(M(out, 3), (1.0f - 8.0f / 14.0f) * 0.06f / 0.07f, 1e-5f);
    EXPECT_NEAR(M(out, 2), 8.0f / 14.0f * 0.06f / 0.07f, 1e-5f);
    // Two seconds or less change nothing.
    me->mLoadTime = 2.0f;
    me->AIComputeAppropriateness(it, kAmmoSmoke, &ammo, &out);
    EXPECT_NEAR(M(out, 3), 0.06f / 0.07f, 1e-5f);
}

TEST_F(AIFuzzy, TimeToBearTurnsAtTheRotationRate) {
    Tank* me = Armour(kAxis, 1000, 1000);
    Squad* it = Rifles(kAllies, 1000, 1100); // 90 degrees off
    me->ai.rotation = 2.0f;
    // The turret's rate adds to the hull's: (90 - 0.4) / ((2 + turret) x 40).
    const float turret = me->TurretRotationSpeed();
    ASSERT_GT(turret, 0.0f);
    EXPECT_NEAR(me->AIGetTimeToBear(it), 89.6f / ((2.0f + turret) * 40.0f), 1e-5f);
    // A crawl below 1 degree per slice counts as 1.
    Squad* slow = Rifles(kAxis, 1000, 1000);
    slow->ai.rotation = 0.1f;
    EXPECT_NEAR(slow->AIGetTimeToBear(it), 89.6f / 40.0f, 1e-5f);
    slow->mArtilleryDelay = 5.0f;
    slow->mLoadTime = 1.0f;
    EXPECT_NEAR(slow->AIGetTimeToBear(it), 6.0f, 1e-5f);
}

TEST_F(AIFuzzy, AHullGunWithNoTraverseMustPointAtItsTarget) {
    Tank* me = Armour(kAxis, 1000, 1000);
    mVehicles[0].mTurretKind = 5; // no turret
    mVehicles[0].mGunArc = 0;
    mVehicles[0].mGunArcClockwise = 0;
    Squad* it = Rifles(kAllies, 1100, 1000);
    GFuzzySet ammo = One(4), ahead, off;
    me->AIComputeAppropriateness(it, kAmmoHE, &ammo, &ahead);
    it->mY = 1002.0f; // a little over a degree off
    me->AIComputeAppropriateness(it, kAmmoHE, &ammo, &off);
    const float s = _AngleOff(0.0f, 1000, 1000, 1100, 1002, true);
    const float m2 = (s + 0.099f) / (180.0f + 0.099f);
    // Only traverse label 2 remains: every output comes from its row.
    float total = 0.0f;
    for (int32_t i = 0; i < off.GetCount(); ++i)
        total += off.GetMembership(i);
    float before = 0.0f;
    for (int32_t i = 0; i < ahead.GetCount(); ++i)
        before += ahead.GetMembership(i);
    EXPECT_LT(total, before);
    EXPECT_NEAR(total / m2, 1.0f, 0.05f);
    // A gun to the rear skips the test.
    mVehicles[0].mGunArc = -10;
    GFuzzySet rear;
    me->AIComputeAppropriateness(it, kAmmoHE, &ammo, &rear);
    float r = 0.0f;
    for (int32_t i = 0; i < rear.GetCount(); ++i)
        r += rear.GetMembership(i);
    EXPECT_GT(r, total);
}

TEST_F(AIFuzzy, TheFinalScoreJoinsAndCorrectsByRange) {
    Squad* me = Rifles(kAxis, 1000, 1000);
    Tank* gun = Armour(kAxis, 1000, 1200);
    Squad* it = Rifles(kAllies, 1010, 1000);
    GFuzzySet d5 = One(5), a0 = One(0), empty;
    // Appropriateness 0 only: score label 0; a gun scores 0.
    it->mX = 1010.0f;
    it->mY = 1200.0f;
    EXPECT_EQ(gun->AIComputeFinalScore(&d5, &a0, it), 0.0f);
    // A squad close by is raised one label: 1/8.
    it->mY = 1000.0f;
    EXPECT_FLOAT_EQ(me->AIComputeFinalScore(&d5, &a0, it), 0.125f);
    // With the machine-gun flag there is no correction.
    me->mMGTargeting = true;
    EXPECT_EQ(me->AIComputeFinalScore(&d5, &a0, it), 0.0f);
    me->mMGTargeting = false;
    EXPECT_EQ(me->AIComputeFinalScore(&empty, &a0, it), 0.0f);
    EXPECT_EQ(me->AIComputeFinalScore(&d5, &empty, it), 0.0f);
    // At 12.5 m from armour (close 25 m) only label 0 at 0.5 holds:
    // appropriateness 4 and desirability 5 give 8, which stays 8.
    Tank* armour = Armour(kAllies, 1012.5f, 1000);
    GFuzzySet a4 = One(4);
    EXPECT_FLOAT_EQ(me->AIComputeFinalScore(&d5, &a4, armour), 1.0f);
    // Appropriateness 2, desirability 2: label 2; far from the gun it
    // stays (row 2, far: 2); close in it rises to 4.
    GFuzzySet d2 = One(2), a2 = One(2);
    it->mX = 1100.0f;
    it->mY = 1200.0f;
    EXPECT_FLOAT_EQ(gun->AIComputeFinalScore(&d2, &a2, it), 0.25f);
    it->mX = 1000.0f;
    it->mY = 1200.0f;
    EXPECT_FLOAT_EQ(gun->AIComputeFinalScore(&d2, &a2, it), 0.5f);
}

// The range set: label 0 falls from 0 to `close`, label 1 rises from half
// `close` to `close` and falls to `far`, label 2 rises from `close` to `far`.
// `close` and `far` are 25 and 40 m for a unit without a heavy weapon facing
// armour, else 30 and 75 m. Score label 2 becomes 4 close, 3 medium, 2 far;
// the result is the weighted mean of label / 8.
TEST_F(AIFuzzy, TheRangeBreakPointsAre30And75Or25And40ForSmallArmsAgainstArmour) {
    Squad* me = Rifles(kAxis, 1000, 1000);
    Tank* gun = Armour(kAxis, 1000, 1400);
    Tank* armour = Armour(kAllies, 1000, 1000);
    Squad* soft = Rifles(kAllies, 1000, 1000);
    GFuzzySet d2 = One(2), a2 = One(2);
    auto at = [&](Unit* shooter, Unit* it, float d) {
        it->mX = shooter->mX + d;
        it->mY = shooter->mY;
        return shooter->AIComputeFinalScore(&d2, &a2, it);
    };
    auto mean = [](float m0, float m1, float m2) {
        return (4.0f * m0 + 3.0f * m1 + 2.0f * m2) / (m0 + m1 + m2) / 8.0f;
    };
    // Small arms against armour: 25 and 40.
    EXPECT_NEAR(at(me, armour, 20.0f), mean(0.2f, 0.6f, 0.0f), 1e-6f);
    EXPECT_NEAR(at(me, armour, 32.5f), mean(0.0f, 0.5f, 0.5f), 1e-6f);
    EXPECT_NEAR(at(me, armour, 39.0f), mean(0.0f, 1.0f / 15.0f, 14.0f / 15.0f), 1e-6f);
    EXPECT_FLOAT_EQ(at(me, armour, 40.0f), 0.25f);
    EXPECT_FLOAT_EQ(at(me, armour, 25.0f), 0.375f);
    // Small arms against anything else, and a gun against armour: 30 and 75.
    for (auto [shooter, it] : {std::pair<Unit*, Unit*>{me, soft}, std::pair<Unit*, Unit*>{gun, armour}}) {
        EXPECT_NEAR(at(shooter, it, 20.0f), mean(1.0f / 3.0f, 1.0f / 3.0f, 0.0f), 1e-6f);
        EXPECT_NEAR(at(shooter, it, 32.5f), mean(0.0f, 42.5f / 45.0f, 2.5f / 45.0f), 1e-6f);
        EXPECT_NEAR(at(shooter, it, 74.0f), mean(0.0f, 1.0f / 45.0f, 44.0f / 45.0f), 1e-6f);
        EXPECT_FLOAT_EQ(at(shooter, it, 75.0f), 0.25f);
        EXPECT_FLOAT_EQ(at(shooter, it, 30.0f), 0.375f);
        // Up to half of `close` only label 0.
        EXPECT_FLOAT_EQ(at(shooter, it, 15.0f), 0.5f);
    }
}
