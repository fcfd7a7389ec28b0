// Desirability, appropriateness with bearing time and traverse, and the
// final score with its range correction, worked by hand from the tables.

#include <algorithm>
#include <array>
#include <cmath>
#include <tuple>
#include <vector>

#include "ai/AIGeometry.h"
#include "ai/AIHarm.h"
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

namespace {
// The harm coverage's memberships for the harm H already on a candidate,
// with break points m and h: label 0 falls from 0 to m, label 1 rises to m
// and falls to h, label 2 rises from m to h.
std::array<float, 3> Coverage(float H, float m, float h) {
    std::array<float, 3> c{};
    if (H < m) c[0] = 1.0f - H / m;
    if (H > 0.0f && H < h) c[1] = H <= m ? H / m : 1.0f - (H - m) / (h - m);
    if (H > m) c[2] = H <= h ? (H - m) / (h - m) : 1.0f;
    return c;
}
class AntiTankSquad : public Squad {
public:
    bool HasAntiArmorWeapon(bool) override { return true; }
};
} // namespace

// The harm coverage's break points (m, h) by the candidate: armour (3, 5);
// infantry by its suppression, below 60 (0.3, 2), from 60 (0.25, 1.5), from
// 100 (0.2, 1.2); anything else (0.3, 1.2). With urgency 4, table B sends
// coverage 0, 1, 2 to desirability 4, 3, 2.
TEST_F(AIFuzzy, HarmCoverageBreakPointsByTheCandidate) {
    Squad* me = Rifles(kAxis, 1000, 1000);
    Squad* it = Rifles(kAllies, 1100, 1000);
    Tank* soft = Armour(kAllies, 1100, 1200);
    soft->kit.mArmoured = false;
    Tank* armour = Armour(kAllies, 1100, 1400);
    std::vector<Squad*> friends;
    auto harmOn = [&](Unit* target) {
        aiharm::sFriendlyHarm = 0.0f;
        aiharm::sExcluded = me;
        mBattle.mUnits->DoForEach(aiharm::AISumFriendlyHarmOnTarget, target);
        return aiharm::sFriendlyHarm;
    };
    GFuzzySet value = One(1), urgency = One(4);
    auto check = [&](Unit* target, float m, float h, const char* what) {
        const float H = harmOn(target);
        GFuzzySet out;
        me->AIComputeDesirability(target, &value, &urgency, &out);
        const std::array<float, 3> c = Coverage(H, m, h);
        EXPECT_NEAR(M(out, 4), c[0], 1e-5f) << what << ", H " << H;
        EXPECT_NEAR(M(out, 3), c[1], 1e-5f) << what << ", H " << H;
        EXPECT_NEAR(M(out, 2), c[2], 1e-5f) << what << ", H " << H;
        return H;
    };
    // From one to twelve friendly squads firing at each candidate, so that
    // the harm on it passes through every break point.
    // Rifle squads first (little harm each), then squads firing five times
    // as hard.
    float most = 0.0f;
    for (int32_t n = 1; n <= 24; ++n) {
        Squad* f = Rifles(kAxis, 1000 + 3.0f * static_cast<float>(n), 1050);
        if (n == 13) {
            for (Squad* g : friends)
                g->mTarget = nullptr;
            friends.clear();
        }
        if (n > 12) f->kit.mSmallArmsFP = 55.0f;
        friends.push_back(f);
        for (Squad* g : friends)
            g->mTarget = it;
        for (auto [s, m, h] : {std::tuple<float, float, float>{0.0f, 0.3f, 2.0f}, {59.9f, 0.3f, 2.0f},
                               {60.0f, 0.25f, 1.5f}, {99.9f, 0.25f, 1.5f}, {100.0f, 0.2f, 1.2f},
                               {500.0f, 0.2f, 1.2f}}) {
            it->mSuppression = s;
            most = std::max(most, check(it, m, h, "infantry"));
        }
        for (Squad* g : friends)
            g->mTarget = soft;
        check(soft, 0.3f, 1.2f, "soft vehicle");
        for (Squad* g : friends)
            g->mTarget = armour;
        check(armour, 3.0f, 5.0f, "armour");
    }
    EXPECT_GT(most, 2.0f); // the sweep reached beyond every break point
}

// The hull angle of a vehicle with a gun (its facing, or the reverse for a
// gun pointing to the rear) against the candidate: label 0 falls and the
// second label rises between corners set by the candidate's anti-armour
// weapon and the vehicle's turret. With desirability 2 (urgency 2), table C
// sends hull labels 0, 1, 2 to 2, 1, 0.
TEST_F(AIFuzzy, HullAngleCornersByAntiArmourAndTurret) {
    Tank* me = Armour(kAxis, 1000, 1000);
    const float a = 60.0f * 0.0174532925f;
    Squad* plain = Rifles(kAllies, 1000 + 100 * std::cos(a), 1000 + 100 * std::sin(a));
    AntiTankSquad* at = Place<AntiTankSquad>(kAllies, 1000 + 100 * std::cos(a), 1000 + 100 * std::sin(a));
    GFuzzySet value = One(1), urgency = One(2);
    auto check = [&](Unit* it, int32_t second, float m0, float m1, const char* what) {
        GFuzzySet out;
        me->AIComputeDesirability(it, &value, &urgency, &out);
        EXPECT_NEAR(M(out, 2), m0, 1e-4f) << what;
        EXPECT_NEAR(M(out, static_cast<int8_t>(2 - second)), m1, 1e-4f) << what;
        EXPECT_EQ(out.GetCount(), 2) << what;
    };
    // 60 degrees off; turret: plain (20, 100 / 30, 100), anti-armour (40, 130 / 40, 130).
    check(plain, 1, 1.0f - 40.0f / 80.0f, 30.0f / 70.0f, "turret, plain");
    check(at, 1, 1.0f - 20.0f / 90.0f, 20.0f / 90.0f, "turret, anti-armour");
    // No turret: plain (0, 110 / label 2 20, 90), anti-armour (30, 110 / 30, 90).
    mVehicles[0].mTurretKind = 5;
    ASSERT_FALSE(me->HasTurret());
    check(plain, 2, 1.0f - 60.0f / 110.0f, 40.0f / 70.0f, "hull gun, plain");
    check(at, 2, 1.0f - 30.0f / 80.0f, 30.0f / 60.0f, "hull gun, anti-armour");
    // A gun to the rear measures from the reverse facing: 120 degrees off.
    mVehicles[0].mGunArc = -10;
    GFuzzySet out;
    me->AIComputeDesirability(plain, &value, &urgency, &out);
    EXPECT_EQ(out.GetCount(), 1);
    EXPECT_FLOAT_EQ(M(out, 0), 1.0f);
}

namespace {
// A product-sum combination as the fuzzy sets make it: each pair of labels
// (a of `arg`, b of `on`) adds the product of their memberships to label
// table[b][a].
template <size_t N, size_t W>
std::array<float, 8> Join(const std::array<float, N>& on, const std::array<float, W>& arg, const int (&table)[N][W]) {
    std::array<float, 8> out{};
    for (size_t b = 0; b < N; ++b)
        for (size_t a = 0; a < W; ++a)
            out[static_cast<size_t>(table[b][a])] += on[b] * arg[a];
    return out;
}
} // namespace

// Shortly after a tank began an engagement (its action countdown from 6800
// down, elapsed = (6800 - countdown) / 40 s), a candidate far off its gun's
// facing is less desirable. Gun angle: label 0 falls 25..45, label 1 rises
// 25..45 and falls 45..90, label 2 rises 45..70. Elapsed: label 2 falls
// 15..90, label 1 rises 15..90 and falls 90..170, label 0 rises 90..170.
// Swing = table D (rows gun, columns elapsed); desirability 4 then goes
// through row swing, column 4 of table E.
TEST_F(AIFuzzy, SwingByGunAngleAndTimeSinceEngaging) {
    Tank* me = Armour(kAxis, 1000, 1000);
    Squad* it = Rifles(kAllies, 1100, 1000); // dead ahead of the hull
    GFuzzySet value = One(1), urgency = One(4);
    const int D[3][3] = {{0, 0, 0}, {0, 1, 2}, {1, 2, 3}};
    const int E[4][1] = {{4}, {3}, {2}, {2}};
    for (float y : {20.0f, 35.0f, 45.0f, 60.0f, 80.0f, 100.0f}) {
        for (float v : {10.0f, 50.0f, 90.0f, 130.0f, 169.0f}) {
            me->mTurretBearing = -y;
            me->mTurretHoldSlices = static_cast<int16_t>(6800.0f - 40.0f * v);
            std::array<float, 3> g{}, e{};
            if (y < 45) g[0] = y <= 25 ? 1.0f : 1.0f - (y - 25) / 20;
            if (y > 25 && y < 90) g[1] = y <= 45 ? (y - 25) / 20 : 1.0f - (y - 45) / 45;
            if (y > 45) g[2] = y <= 70 ? (y - 45) / 25 : 1.0f;
            if (v > 90) e[0] = (v - 90) / 80;
            if (v > 15 && v < 170) e[1] = v <= 90 ? (v - 15) / 75 : 1.0f - (v - 90) / 80;
            if (v < 90) e[2] = v <= 15 ? 1.0f : 1.0f - (v - 15) / 75;
            const std::array<float, 8> swing = Join(g, e, D);
            std::array<float, 8> want{};
            for (size_t s = 0; s < 4; ++s)
                want[static_cast<size_t>(E[s][0])] += swing[s];
            GFuzzySet out;
            me->AIComputeDesirability(it, &value, &urgency, &out);
            for (int8_t k = 0; k < 6; ++k)
                EXPECT_NEAR(M(out, k), want[static_cast<size_t>(k)], 1e-4f) << "gun " << y << ", " << v << " s, label "
                                                                           << static_cast<int>(k);
        }
    }
}

// The time to bear less 2 s: label 0 falls from 0 to k, label 1 rises to k
// and falls to 25 s, label 2 rises from k to 25 s (k = 8, or 14 against a
// candidate aiming at the unit). Smoke judged as 0.06 harm gives labels 0
// and 3; table rows 1 and 2 send 3 to 2 and 1.
TEST_F(AIFuzzy, BearingTimeCornersAt8Or14And25Seconds) {
    Squad* me = Rifles(kAxis, 1000, 1000);
    Squad* it = Rifles(kAllies, 1100, 1000);
    GFuzzySet ammo = One(4), out;
    const float q = 0.06f / 0.07f;
    auto bear = [&](float t, float k) {
        me->mLoadTime = t + 2.0f;
        me->AIComputeAppropriateness(it, kAmmoSmoke, &ammo, &out);
        std::array<float, 3> b{};
        if (t < k) b[0] = 1.0f - t / k;
        if (t < 25.0f) b[1] = t <= k ? t / k : 1.0f - (t - k) / (25.0f - k);
        if (t > k) b[2] = t <= 25.0f ? (t - k) / (25.0f - k) : 1.0f;
        EXPECT_NEAR(M(out, 0), 1.0f - q, 1e-5f) << t;
        EXPECT_NEAR(M(out, 3), b[0] * q, 1e-5f) << t;
        EXPECT_NEAR(M(out, 2), b[1] * q, 1e-5f) << t;
        EXPECT_NEAR(M(out, 1), b[2] * q, 1e-5f) << t;
    };
    for (float t : {4.0f, 16.5f, 24.0f, 25.0f, 30.0f})
        bear(t, 8.0f);
    it->mTarget = me;
    for (float t : {4.0f, 14.0f, 19.5f, 24.0f, 25.0f})
        bear(t, 14.0f);
}

// A turreted gun whose hull must swing x degrees to the candidate: standing,
// traverse label 0 falls 0..80, label 1 rises 50..80 and falls 80..180,
// label 2 rises 80..180; moving, label 0 falls 0..30 and label 2 rises
// 30..100. Rows 1 and 2 of the table lower each appropriateness label by
// one and two (0 stays 0). The turret is kept on the candidate, so the time
// to bear stays nothing.
TEST_F(AIFuzzy, TraverseCornersOfATurretedGun) {
    Tank* me = Armour(kAxis, 1000, 1000);
    Squad* it = Rifles(kAllies, 1100, 1000);
    GFuzzySet ammo = One(4), ahead;
    me->AIComputeAppropriateness(it, kAmmoHE, &ammo, &ahead);
    ASSERT_GT(ahead.GetCount(), 0);
    const int rows[3][5] = {{0, 1, 2, 3, 4}, {0, 0, 1, 2, 3}, {0, 0, 0, 1, 2}};
    for (bool moving : {false, true}) {
        me->mPlaybackSpeed = moving ? 1.0f : 0.0f;
        for (float x : {20.0f, 60.0f, 80.0f, 100.0f, 130.0f, 179.0f}) {
            std::array<float, 3> t{};
            if (moving) {
                if (x < 30) t[0] = 1.0f - x / 30;
                if (x > 30) t[2] = x <= 100 ? (x - 30) / 70 : 1.0f;
            } else {
                if (x < 80) t[0] = 1.0f - x / 80;
                if (x > 50 && x < 180) t[1] = x <= 80 ? (x - 50) / 30 : 1.0f - (x - 80) / 100;
                if (x > 80) t[2] = (x - 80) / 100;
            }
            std::array<float, 5> want{};
            for (int32_t i = 0; i < ahead.GetCount(); ++i)
                for (size_t r = 0; r < 3; ++r)
                    want[static_cast<size_t>(rows[r][ahead.GetLabel(i)])] += t[r] * ahead.GetMembership(i);
            me->mHeading = 360.0f - x;
            me->mTurretBearing = x;
            GFuzzySet out;
            me->AIComputeAppropriateness(it, kAmmoHE, &ammo, &out);
            for (int8_t k = 0; k < 5; ++k)
                EXPECT_NEAR(M(out, k), want[static_cast<size_t>(k)], 1e-4f)
                    << (moving ? "moving, " : "standing, ") << x << " degrees, label " << static_cast<int>(k);
        }
    }
}
