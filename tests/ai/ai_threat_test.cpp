// Threat, urgency, ammunition level and tempering, against values worked by
// hand from the rule tables.

#include <array>
#include <cmath>

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
    it->mPlaybackSpeed = 1.5f;
    me->ai.vp = 1.0f; // doubled 2.5: a low-value victim
    // Its harm h lies below 0.07: labels 0 and 1, raised near to 2 and 3.
    const float h = it->AIGetAbilityToHarmAsNumber(me, kAmmoHE, true, true, true, 0, 1, true);
    ASSERT_GT(h, 0.0f);
    ASSERT_LT(h, 0.07f);
    GFuzzySet t;
    it->AIComputeThreat(&t, me, true, false, false);
    EXPECT_FLOAT_EQ(it->mPlaybackSpeed, 1.5f);
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

namespace {
// The ammunition level's memberships of labels 0..4 (0 when absent).
std::array<float, 5> Levels(Unit* me, AmmoClass c, Unit* target, int32_t rounds) {
    me->mAmmo[c] = static_cast<uint16_t>(rounds);
    GFuzzySet a;
    me->AIComputeAmmoLevel(c, target, &a);
    std::array<float, 5> m{};
    for (int32_t i = 0; i < a.GetCount(); ++i) {
        EXPECT_GE(a.GetLabel(i), 0);
        EXPECT_LE(a.GetLabel(i), 4);
        m[static_cast<size_t>(a.GetLabel(i))] = a.GetMembership(i);
    }
    return m;
}
void ExpectLevels(const std::array<float, 5>& got, std::array<float, 5> want, const char* what) {
    for (size_t i = 0; i < 5; ++i)
        EXPECT_NEAR(got[i], want[i], 1e-5f) << what << ", label " << i;
}
} // namespace

// The break points (p1, p2, p3, p4) and threshold z of every case, each at
// round counts that lie between different pairs of points. Turn 1 of 30:
// the turn factor (30 - 1 + 1) / 30 is 1.
TEST_F(AIThreat, AmmunitionLevelBreakPointsOfEachCase) {
    Squad* soft = Rifles(kAllies, 1300, 1000);
    Tank* hard = Armour(kAllies, 1300, 1100);
    // A platoon squad: (10, 25, 40, 999).
    Squad* platoon = Rifles(kAxis, 1000, 1000);
    platoon->mSubtype = 1;
    ExpectLevels(Levels(platoon, kAmmoHE, soft, 20), {0, 1.0f / 3.0f, 2.0f / 3.0f, 0, 0}, "platoon 20");
    ExpectLevels(Levels(platoon, kAmmoHE, soft, 100), {0, 0, 0, 1.0f - 60.0f / 959.0f, 60.0f / 959.0f},
                 "platoon 100");
    // Any other squad: (4, 15, 30, 50).
    Squad* squad = Rifles(kAxis, 1000, 1000);
    ExpectLevels(Levels(squad, kAmmoHE, soft, 10), {0, 5.0f / 11.0f, 6.0f / 11.0f, 0, 0}, "squad 10");
    ExpectLevels(Levels(squad, kAmmoHE, soft, 40), {0, 0, 0, 0.5f, 0.5f}, "squad 40");

    Tank* me = Armour(kAxis, 1000, 1000);
    // Canister: (2, 3, 5, 8).
    ExpectLevels(Levels(me, kAmmoCanister, soft, 4), {0, 0, 0.5f, 0.5f, 0}, "canister 4");
    ExpectLevels(Levels(me, kAmmoCanister, soft, 7), {0, 0, 0, 1.0f / 3.0f, 2.0f / 3.0f}, "canister 7");
    // Hollow charge against armour: (1, 3, 5, 10).
    ExpectLevels(Levels(me, kAmmoHEAT, hard, 2), {0, 0.5f, 0.5f, 0, 0}, "hollow charge 2");
    ExpectLevels(Levels(me, kAmmoHEAT, hard, 8), {0, 0, 0, 0.4f, 0.6f}, "hollow charge 8");
    // Smoke: (-1, 1, 5, 10).
    ExpectLevels(Levels(me, kAmmoSmoke, soft, 0), {0, 0.5f, 0.5f, 0, 0}, "smoke 0");
    ExpectLevels(Levels(me, kAmmoSmoke, soft, 3), {0, 0, 0.5f, 0.5f, 0}, "smoke 3");
    // Tungsten against armour: (0, 1, 4, 20).
    ExpectLevels(Levels(me, kAmmoTungsten, hard, 2), {0, 0, 2.0f / 3.0f, 1.0f / 3.0f, 0}, "tungsten 2");
    ExpectLevels(Levels(me, kAmmoTungsten, hard, 12), {0, 0, 0, 0.5f, 0.5f}, "tungsten 12");
    // Tungsten and hull-gun AP against soft targets: z 15, (25, 30, 50, 99).
    for (AmmoClass c : {kAmmoTungsten, kAmmoAP75}) {
        ExpectLevels(Levels(me, c, soft, 20), {0.5f, 0.5f, 0, 0, 0}, "soft 20");
        ExpectLevels(Levels(me, c, soft, 40), {0, 0, 0.5f, 0.5f, 0}, "soft 40");
    }
    // Hull-gun AP against armour: (2, 10, 20, 35).
    ExpectLevels(Levels(me, kAmmoAP75, hard, 6), {0, 0.5f, 0.5f, 0, 0}, "hull AP 6");
    // High explosive by rate of fire: 60 / (load + aim) rounds a minute,
    // s = sqrt(rate / 6), at least 0.25. Loading in 20 s, aiming in 4 s:
    // rate 2.5, s = 0.6455: (3.23, 7.75, 16.1, 32.3).
    me->kit.mFullLoadTime = 20.0f;
    const float s = std::sqrt(2.5f / 6.0f);
    ExpectLevels(Levels(me, kAmmoHE, soft, 5), {0, 1.0f - (5 - 5 * s) / (7 * s), (5 - 5 * s) / (7 * s), 0, 0},
                 "HE at 2.5 a minute");
    // Loading in 300 s: s would be 0.18 and is 0.25: (1.25, 3, 6.25, 12.5).
    me->kit.mFullLoadTime = 300.0f;
    ExpectLevels(Levels(me, kAmmoHE, soft, 2), {0, 1.0f - 0.75f / 1.75f, 0.75f / 1.75f, 0, 0}, "HE slow");
}

// Hollow charge of a squad's gun against soft targets: z = 2 and p1 =
// min((k + 1) / 2, 4) from the squad's reference count k, then 7, 20, 2000.
TEST_F(AIThreat, HollowChargeAgainstSoftTargetsCountsFromTheReference) {
    Squad* soft = Rifles(kAllies, 1300, 1000);
    Squad* me = Rifles(kAxis, 1000, 1000);
    me->kit.mHeavyWeapon = true;
    mInfantry[0].mHeavyWeapon = 2;
    mInfantry[0].mHEATReference = 5; // p1 = 3
    ExpectLevels(Levels(me, kAmmoHEAT, soft, 2), {1.0f, 0, 0, 0, 0}, "k 5, 2 rounds");
    ExpectLevels(Levels(me, kAmmoHEAT, soft, 5), {0, 0.5f, 0.5f, 0, 0}, "k 5, 5 rounds");
    mInfantry[0].mHEATReference = 9; // (9 + 1) / 2 = 5, capped at 4
    ExpectLevels(Levels(me, kAmmoHEAT, soft, 5), {0, 2.0f / 3.0f, 1.0f / 3.0f, 0, 0}, "k 9, 5 rounds");
    mInfantry[0].mHEATReference = 6; // (6 + 1) / 2 truncates to 3
    ExpectLevels(Levels(me, kAmmoHEAT, soft, 5), {0, 0.5f, 0.5f, 0, 0}, "k 6, 5 rounds");
    // Half the men lost: z and p1..p3 halved (1, 1.5, 3.5, 10, 2000).
    mInfantry[0].mHEATReference = 5;
    me->mCasualties = 5;
    ExpectLevels(Levels(me, kAmmoHEAT, soft, 1), {1.0f, 0, 0, 0, 0}, "half strength, 1 round");
    ExpectLevels(Levels(me, kAmmoHEAT, soft, 2), {0, 0.75f, 0.25f, 0, 0}, "half strength, 2 rounds");
}

// A gun that needs no count (weapon class 6) and a squad close enough to
// assault a vehicle (40 m, no gun, anti-armour rounds or charges) both have
// (-2, -1, 0, 1): no rounds is label 3, one round plentiful.
TEST_F(AIThreat, UncountedWeaponsAndCloseAssaultAreAlwaysReady) {
    Squad* soft = Rifles(kAllies, 1300, 1000);
    Squad* flamer = Rifles(kAxis, 1000, 1000);
    flamer->kit.mHeavyWeapon = true;
    mInfantry[0].mHeavyWeapon = 6;
    mWeapons[6].mClass = 6;
    ExpectLevels(Levels(flamer, kAmmoHE, soft, 0), {0, 0, 0, 1.0f, 0}, "class 6, none");
    ExpectLevels(Levels(flamer, kAmmoHE, soft, 1), {0, 0, 0, 0, 1.0f}, "class 6, one");
    mWeapons[6].mClass = 5; // a gun that counts: (5s, 12s, 25s, 50s), s = 1
    ExpectLevels(Levels(flamer, kAmmoHE, soft, 1), {0, 1.0f, 0, 0, 0}, "class 5, one");
    mInfantry[0].mHeavyWeapon = kWeaponNone;

    auto* team = Place<Infantry>(kAxis, 1000, 1000);
    team->mContactLevel = kContactFull;
    team->mGrenades = 2;
    Tank* tank = Armour(kAllies, 1040, 1000);
    ExpectLevels(Levels(team, kAmmoHE, tank, 3), {0, 0, 0, 0, 1.0f}, "assault at 40 m");
    tank->mX = 1040.5f; // beyond: a squad's (4, 15, 30, 50)
    ExpectLevels(Levels(team, kAmmoHE, tank, 3), {0, 1.0f, 0, 0, 0}, "41 m");
    team->mGrenades = 0;
    tank->mX = 1010.0f; // nothing to assault with
    ExpectLevels(Levels(team, kAmmoHE, tank, 3), {0, 1.0f, 0, 0, 0}, "no charges");
}

// The turn factor (last - turn + 1) / last shrinks all four points: at
// turn 16 of 30 a squad's (4, 15, 30, 50) become (2, 7.5, 15, 25).
TEST_F(AIThreat, AmmunitionBreakPointsShrinkWithTheTurnsLeft) {
    Squad* soft = Rifles(kAllies, 1300, 1000);
    Squad* me = Rifles(kAxis, 1000, 1000);
    mBattle.mTurn = 16;
    ExpectLevels(Levels(me, kAmmoHE, soft, 10), {0, 0, 2.0f / 3.0f, 1.0f / 3.0f, 0}, "turn 16");
    ExpectLevels(Levels(me, kAmmoHE, soft, 20), {0, 0, 0, 0.5f, 0.5f}, "turn 16, 20 rounds");
    // A vehicle that cannot move halves p1..p3 but not p4: hull AP against
    // armour (1, 5, 10, 35) at turn 1.
    mBattle.mTurn = 1;
    Tank* stuck = Armour(kAxis, 1000, 1000);
    Tank* hard = Armour(kAllies, 1300, 1100);
    stuck->mImmobile = true;
    ExpectLevels(Levels(stuck, kAmmoAP75, hard, 20), {0, 0, 0, 0.6f, 0.4f}, "stuck, 20");
}

// Every entry of the four urgency tables (rows: value label 0..2, columns:
// threat label 0..4), each through a value and a threat of one label.
TEST_F(AIThreat, UrgencyTablesEntryByEntry) {
    Squad* me = Rifles(kAxis, 1000, 1000);
    const int direct[3][5] = {{0, 0, 0, 2, 4}, {0, 0, 0, 2, 4}, {0, 0, 0, 2, 4}};
    const int smoke[3][5] = {{0, 0, 0, 3, 3}, {0, 0, 1, 4, 4}, {0, 0, 1, 4, 4}};
    const int arc[3][5] = {{0, 1, 2, 3, 4}, {1, 2, 3, 4, 4}, {2, 3, 4, 4, 4}};
    const int plain[3][5] = {{0, 0, 0, 1, 3}, {0, 0, 0, 1, 3}, {0, 0, 0, 2, 3}};
    struct Table {
        const int (*rows)[5];
        bool arc, smoke, attention;
    };
    // The first that applies: attention, then smoke, then the arc.
    const Table tables[] = {{direct, true, true, true}, {smoke, true, true, false}, {arc, true, false, false},
                            {plain, false, false, false}};
    for (const Table& t : tables) {
        for (int v = 0; v < 3; ++v) {
            for (int h = 0; h < 5; ++h) {
                GFuzzySet value = Set({{v, 0.5f}}), threat = Set({{h, 0.8f}}), u;
                me->AIComputeUrgency(&value, &threat, &u, t.arc, t.smoke, t.attention);
                ASSERT_EQ(u.GetCount(), 1);
                EXPECT_EQ(u.GetLabel(0), t.rows[v][h]) << v << "," << h;
                EXPECT_FLOAT_EQ(u.GetMembership(0), 0.4f);
            }
        }
    }
}

// Every entry of both tempering tables (rows: ammunition label 0..4,
// columns: urgency label 0..4).
TEST_F(AIThreat, TemperingTablesEntryByEntry) {
    Squad* me = Rifles(kAxis, 1000, 1000);
    const int plain[5][5] = {{0, 0, 0, 1, 2}, {0, 0, 2, 3, 4}, {0, 1, 3, 4, 5}, {1, 2, 3, 4, 5}, {2, 3, 4, 5, 5}};
    const int smoke[5][5] = {{0, 0, 0, 1, 2}, {0, 0, 2, 3, 4}, {0, 1, 3, 4, 5}, {0, 2, 3, 4, 5}, {0, 3, 4, 5, 5}};
    for (bool isSmoke : {false, true}) {
        for (int a = 0; a < 5; ++a) {
            for (int u = 0; u < 5; ++u) {
                GFuzzySet ammo = Set({{a, 0.5f}}), urgency = Set({{u, 0.5f}});
                me->AITemperUrgencyWithAmmo(&ammo, &urgency, isSmoke);
                ASSERT_EQ(urgency.GetCount(), 1);
                EXPECT_EQ(urgency.GetLabel(0), (isSmoke ? smoke : plain)[a][u]) << a << "," << u;
                EXPECT_FLOAT_EQ(urgency.GetMembership(0), 0.25f);
            }
        }
    }
}

// Anti-armour infantry threatens the armour it can reach: strictly within
// 1.2 times its weapon's range. A scorer limiting its attention counts only
// itself as that armour; out of reach, a team not aiming at it threatens
// nothing.
TEST_F(AIThreat, AntiArmourInfantryReachesOnlyWithinATimesOneAndAFifth) {
    Tank* armour = Armour(kAxis, 1000, 1000);
    armour->ai.vp = 500.0f;
    auto* team = Place<Infantry>(kAllies, 1119.9f, 1000);
    team->mContactLevel = kContactFull;
    team->mAntitankShots = 2;
    team->mAntitankWeapon = 58;
    mWeapons[58].mMaxRange = 100.0f;
    GFuzzySet t;
    team->AIComputeThreat(&t, armour, false, false, true);
    EXPECT_EQ(t.GetCount(), 1);
    EXPECT_FLOAT_EQ(M(t, 3), 1.0f);
    team->mX = 1120.01f; // (1.2 x 100 in single precision lies a hair above 120)
    team->AIComputeThreat(&t, armour, false, false, true);
    EXPECT_EQ(t.GetCount(), 1);
    EXPECT_FLOAT_EQ(M(t, 0), 1.0f);
    // Without limited attention the nearest armour counts: a low-value one
    // 50 m away gives 2, the high-value one beyond it would give 3.
    team->mX = 1119.9f;
    Tank* cheap = Armour(kAxis, 1170, 1000);
    cheap->ai.vp = 3.0f;
    Squad* scorer = Rifles(kAxis, 1000, 1300);
    team->AIComputeThreat(&t, scorer, false, false, false);
    EXPECT_EQ(t.GetCount(), 1);
    EXPECT_FLOAT_EQ(M(t, 2), 1.0f);
}

// An enemy tank's threat is its harm as if it stood: its own moving-fire
// penalty does not make a tank on the move less of a threat.
TEST_F(AIThreat, AMovingTanksThreatIsJudgedAsIfItStood) {
    Tank* me = Armour(kAxis, 1000, 1000);
    Tank* it = Armour(kAllies, 1600, 1000);
    it->mHeading = 180.0f;
    it->mTarget = me;
    GFuzzySet standing, moving;
    it->AIComputeThreat(&standing, me, true, false, false);
    ASSERT_LT(M(standing, 0), 1.0f);
    const float laid = it->GetHitChance(kAmmoAP, 4, me, kKnowTruth, 0);
    it->mPlaybackSpeed = 1.0f;
    ASSERT_LT(it->GetHitChance(kAmmoAP, 4, me, kKnowTruth, 0), laid);
    it->AIComputeThreat(&moving, me, true, false, false);
    EXPECT_FLOAT_EQ(it->mPlaybackSpeed, 1.0f);
    for (int8_t k = 0; k < 4; ++k)
        EXPECT_FLOAT_EQ(M(moving, k), M(standing, k)) << "label " << static_cast<int>(k);
}
