// Threat, urgency, ammunition level and tempering, against values worked by
// hand from the rule tables.

#include "ai_fixture.h"
#include "units/Infantry.h"

using namespace aitest;

namespace {
class AIThreat : public AIBattle {};

GFuzzySet Set(std::initializer_list<std::pair<int, float>> members) {
    GFuzzySet s;
    for (auto [label, m] : members)
        s.AddMember(static_cast<int8_t>(label), m);
    return s;
}
} // namespace

TEST_F(AIThreat, AircraftAlwaysThreatenInFull) {
    Squad* me = Rifles(kAxis, 1000, 1000);
    Plane* p = Place<Plane>(kAllies, 1900, 1900);
    GFuzzySet t;
    p->AIComputeThreat(&t, me, false, false, true);
    EXPECT_EQ(t.GetCount(), 1);
    EXPECT_FLOAT_EQ(M(t, 3), 1.0f);
}

TEST_F(AIThreat, AUnitLimitingItsAttentionIgnoresThoseNotAimingAtIt) {
    Squad* me = Rifles(kAxis, 1000, 1000);
    Squad* it = Rifles(kAllies, 1020, 1000);
    GFuzzySet t;
    it->AIComputeThreat(&t, me, true, false, true);
    EXPECT_EQ(t.GetCount(), 1);
    EXPECT_FLOAT_EQ(M(t, 0), 1.0f);
    // A crew gun that aims at nobody threatens nothing (1 for secondary arms).
    mWeapons[9].mClass = 5;
    mInfantry[2] = mInfantry[0];
    mInfantry[2].mHeavyWeapon = 9;
    it->mSubtype = 2;
    GFuzzySet g;
    it->AIComputeThreat(&g, me, true, false, false);
    EXPECT_FLOAT_EQ(M(g, 0), 1.0f);
    gFiringSecondarySmallArms = true;
    GFuzzySet h;
    it->AIComputeThreat(&h, me, true, false, false);
    gFiringSecondarySmallArms = false;
    EXPECT_FLOAT_EQ(M(h, 1), 1.0f);
}

TEST_F(AIThreat, CloseRangeRaisesHarmAndSpeedIsPutBack) {
    Squad* me = Rifles(kAxis, 1000, 1000);
    Squad* it = Rifles(kAllies, 1005, 1000);
    it->mHeading = 180.0f;
    it->mTarget = me;
    it->mSpeed = 1.5f;
    me->ai.vp = 1.0f; // doubled 2.5: a low-value victim
    // Its harm h lies below 0.07: labels 0 and 1, raised near to 2 and 3.
    const float h = it->AIGetAbilityToHarmAsNumber(me, kAmmoHE, true, true, true, 0, 1, true);
    ASSERT_GT(h, 0.0f);
    ASSERT_LT(h, 0.07f);
    GFuzzySet t;
    it->AIComputeThreat(&t, me, true, false, false);
    EXPECT_FLOAT_EQ(it->mSpeed, 1.5f);
    EXPECT_EQ(t.GetCount(), 1); // both raised labels give threat 2
    EXPECT_NEAR(M(t, 2), 1.0f, 1e-6f);
    // A high-value victim turns harm 3 into threat 3.
    me->ai.vp = 500.0f;
    it->AIComputeThreat(&t, me, true, false, false);
    EXPECT_NEAR(M(t, 2), 1.0f - h / 0.07f, 1e-5f);
    EXPECT_NEAR(M(t, 3), h / 0.07f, 1e-5f);
    // Scoring smoke leaves the distance out: harm 0 and 1 stay threat 0 and 1.
    it->AIComputeThreat(&t, me, true, true, false);
    EXPECT_NEAR(M(t, 0), 1.0f - h / 0.07f, 1e-5f);
    EXPECT_NEAR(M(t, 1), h / 0.07f, 1e-5f);
    // Beyond 60 m nothing is raised.
    it->mX = 1100.0f;
    const float far = it->AIGetAbilityToHarmAsNumber(me, kAmmoHE, true, true, true, 0, 1, true);
    it->AIComputeThreat(&t, me, true, false, false);
    EXPECT_NEAR(M(t, 1), std::min(far / 0.07f, 1.0f), 1e-5f);
    // A target that cannot move or turn to its victim does no harm.
    it->mImmobile = true;
    it->ai.faces = false;
    it->AIComputeThreat(&t, me, true, false, false);
    EXPECT_EQ(t.GetCount(), 1);
    EXPECT_FLOAT_EQ(M(t, 0), 1.0f);
}

TEST_F(AIThreat, UrgencyTableFollowsAttentionSmokeAndArc) {
    Squad* me = Rifles(kAxis, 1000, 1000);
    GFuzzySet value = Set({{0, 0.5f}, {2, 1.0f}});
    GFuzzySet threat = Set({{3, 1.0f}});
    GFuzzySet u;
    me->AIComputeUrgency(&value, &threat, &u, true, true, true); // direct threats: row any, column 3 -> 2
    EXPECT_EQ(u.GetCount(), 1);
    EXPECT_FLOAT_EQ(M(u, 2), 1.5f);
    me->AIComputeUrgency(&value, &threat, &u, true, true, false); // smoke: (0,3)->3, (2,3)->4
    EXPECT_FLOAT_EQ(M(u, 3), 0.5f);
    EXPECT_FLOAT_EQ(M(u, 4), 1.0f);
    me->AIComputeUrgency(&value, &threat, &u, true, false, false); // arc: (0,3)->3, (2,3)->4
    EXPECT_FLOAT_EQ(M(u, 3), 0.5f);
    me->AIComputeUrgency(&value, &threat, &u, false, false, false); // default: (0,3)->1, (2,3)->2
    EXPECT_FLOAT_EQ(M(u, 1), 0.5f);
    EXPECT_FLOAT_EQ(M(u, 2), 1.0f);
}

TEST_F(AIThreat, AmmunitionLevelBreakPoints) {
    Squad* me = Rifles(kAxis, 1000, 1000);
    Squad* it = Rifles(kAllies, 1300, 1000);
    GFuzzySet a;
    // Machine guns are never short of rounds.
    me->mMGTargeting = true;
    me->AIComputeAmmoLevel(kAmmoHE, it, &a);
    EXPECT_EQ(a.GetCount(), 1);
    EXPECT_FLOAT_EQ(M(a, 4), 1.0f);
    me->mMGTargeting = false;
    // Infantry without a gun, no rounds, first turn of 30: (4, 15, 30, 50).
    me->mAmmo[kAmmoHE] = 0;
    me->AIComputeAmmoLevel(kAmmoHE, it, &a);
    EXPECT_EQ(a.GetCount(), 1);
    EXPECT_FLOAT_EQ(M(a, 1), 1.0f);
    me->mAmmo[kAmmoHE] = 20; // between 15 and 30: labels 2 and 3
    me->AIComputeAmmoLevel(kAmmoHE, it, &a);
    EXPECT_NEAR(M(a, 2), 1.0f - 5.0f / 15.0f, 1e-6f);
    EXPECT_NEAR(M(a, 3), 5.0f / 15.0f, 1e-6f);
    // On the last turn the break points shrink to a thirtieth.
    mBattle.mTurn = 30;
    me->AIComputeAmmoLevel(kAmmoHE, it, &a);
    EXPECT_FLOAT_EQ(M(a, 4), 1.0f);
    mBattle.mTurn = 1;
    // Half the men lost halves the lower break points.
    me->mCasualties = 5;
    me->mAmmo[kAmmoHE] = 10; // (2, 7.5, 15, 50): between 7.5 and 15
    me->AIComputeAmmoLevel(kAmmoHE, it, &a);
    EXPECT_NEAR(M(a, 3), 2.5f / 7.5f, 1e-6f);
    // Every strength lost: the factor stops at 0.01, never at 0.
    me->mCasualties = 10;
    me->AIComputeAmmoLevel(kAmmoHE, it, &a);
    EXPECT_GT(a.GetCount(), 0);
    mInfantry[0].mNrMen = 0;                 // no full strength: no division
    me->AIComputeAmmoLevel(kAmmoHE, it, &a); // (0.04, 0.15, 0.3, 50)
    EXPECT_NEAR(M(a, 4), (10.0f - 0.3f) / (50.0f - 0.3f), 1e-6f);
}

TEST_F(AIThreat, AmmunitionLevelOfGunsByClass) {
    Tank* me = Armour(kAxis, 1000, 1000);
    Squad* soft = Rifles(kAllies, 1300, 1000);
    Tank* hard = Armour(kAllies, 1300, 1100);
    GFuzzySet a;
    // AP against soft targets: threshold 15, (25, 30, 50, 99).
    me->mAmmo[kAmmoAP] = 10;
    me->AIComputeAmmoLevel(kAmmoAP, soft, &a);
    EXPECT_FLOAT_EQ(M(a, 0), 1.0f);
    me->mAmmo[kAmmoAP] = 20;
    me->AIComputeAmmoLevel(kAmmoAP, soft, &a);
    EXPECT_NEAR(M(a, 0), 0.5f, 1e-6f);
    EXPECT_NEAR(M(a, 1), 0.5f, 1e-6f);
    // Against armour: (2, 10, 20, 35).
    me->AIComputeAmmoLevel(kAmmoAP, hard, &a);
    EXPECT_FLOAT_EQ(M(a, 3), 1.0f);
    // HE of a gun loading in 10 s: s = sqrt(6 / 6) = 1: (5, 12, 25, 50).
    me->mAmmo[kAmmoHE] = 12;
    me->AIComputeAmmoLevel(kAmmoHE, soft, &a);
    EXPECT_FLOAT_EQ(M(a, 2), 1.0f);
    // A vehicle's hollow charge against soft targets uses no count: k = 0.
    me->mSubtype = 3;
    mVehicles[3] = mVehicles[0];
    me->mAmmo[kAmmoHEAT] = 3;
    me->AIComputeAmmoLevel(kAmmoHEAT, soft, &a);
    EXPECT_GT(a.GetCount(), 0);
    // A vehicle that cannot move halves p1..p3.
    me->mSubtype = 0;
    me->mImmobile = true;
    me->mAmmo[kAmmoAP] = 5; // (1, 5, 10, 35) against armour: label 2 at full
    me->AIComputeAmmoLevel(kAmmoAP, hard, &a);
    EXPECT_FLOAT_EQ(M(a, 2), 1.0f);
}

TEST_F(AIThreat, TemperingWithSmokeGivesNothingForLowUrgency) {
    Squad* me = Rifles(kAxis, 1000, 1000);
    GFuzzySet ammo = Set({{3, 0.5f}, {4, 0.5f}});
    GFuzzySet u = Set({{0, 1.0f}});
    me->AITemperUrgencyWithAmmo(&ammo, &u, true);
    EXPECT_FLOAT_EQ(M(u, 0), 1.0f);
    GFuzzySet v = Set({{0, 1.0f}});
    me->AITemperUrgencyWithAmmo(&ammo, &v, false);
    EXPECT_FLOAT_EQ(M(v, 1), 0.5f);
    EXPECT_FLOAT_EQ(M(v, 2), 0.5f);
}

TEST_F(AIThreat, AntiArmourInfantryNearEnemyArmourThreatensByItsSide) {
    Tank* armour = Armour(kAxis, 1000, 1000);
    armour->ai.vp = 500.0f; // high value: label 2
    auto* team = Place<Infantry>(kAllies, 1100, 1000);
    team->mContactLevel = kContactFull;
    team->mAntitankShots = 2;
    team->mAntitankWeapon = 58;
    mWeapons[58].mMaxRange = 100.0f; // reaches 120 m
    Squad* scorer = Rifles(kAxis, 1000, 1300);
    GFuzzySet t;
    team->AIComputeThreat(&t, scorer, false, false, false);
    EXPECT_EQ(t.GetCount(), 1);
    EXPECT_FLOAT_EQ(M(t, 3), 1.0f); // an Allied team against high-value armour
    team->mSide = 1;                // an Axis team: threat 2 whatever the value
    armour->mSide = 0;
    scorer->mSide = 0;
    team->AIComputeThreat(&t, scorer, false, false, false);
    EXPECT_FLOAT_EQ(M(t, 2), 1.0f);
    // Limiting attention, only the scorer counts as armour: a squad is none,
    // and a team not aiming at it threatens nothing.
    team->AIComputeThreat(&t, scorer, false, false, true);
    EXPECT_EQ(t.GetCount(), 1);
    EXPECT_FLOAT_EQ(M(t, 0), 1.0f);
}
