// Artillery planning: the rounds a target must be worth, the worth of a
// point, and the batteries' choice.

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "ai/AIPlanning.h"
#include "ai_plan_fixture.h"
#include "battle/BattleHost.h"
#include "map/Square.h"

namespace {

uint32_t StateAfterFractions(uint32_t seed, int32_t n) {
    SeedRandomGenerator(seed);
    for (int32_t i = 0; i < n; ++i)
        RandomFraction();
    return GetRandomState();
}

// A gun crew of the planned side, free to choose targets.
TestInfantry* Battery(PlanBattle& b, float x, float y) {
    auto* u = b.Add(kAxis, x, y);
    u->mSubtype = 2;
    u->mTargetFree = true;
    u->mAmmo[0] = 30;
    return u;
}

} // namespace

TEST(AIArtillery, RoundsByBatteryCountTurnsLeftAndCaps) {
    // Turn 2 without delay leaves the whole share: R itself.
    EXPECT_EQ(AIArtilleryRounds(2, 30, 0.0f, 1, false, false, 0), 55);
    EXPECT_EQ(AIArtilleryRounds(2, 30, 0.0f, 2, false, false, 0), 50);
    EXPECT_EQ(AIArtilleryRounds(2, 30, 0.0f, 6, false, false, 0), 30);
    EXPECT_EQ(AIArtilleryRounds(2, 30, 0.0f, 9, false, false, 0), 30);
    // Losses cap at 5; from a third of the battle at 10, from half at 5.
    EXPECT_EQ(AIArtilleryRounds(2, 30, 0.0f, 1, true, false, 0), 5);
    EXPECT_EQ(AIArtilleryRounds(10, 30, 0.0f, 1, false, false, 0), 10);
    EXPECT_EQ(AIArtilleryRounds(16, 30, 0.0f, 1, false, false, 0), 5);
    // The last turns: one round is enough, and never fewer than one.
    EXPECT_EQ(AIArtilleryRounds(26, 30, 0.0f, 1, false, false, 0), 1);
    EXPECT_EQ(AIArtilleryRounds(20, 30, 6.0f, 1, false, false, 0), 1);
    EXPECT_EQ(AIArtilleryRounds(40, 30, 0.0f, 1, false, false, 0), 1);
    // Turn 1: no delay gives k = 1.21916, which is not applied.
    EXPECT_EQ(AIArtilleryRounds(1, 30, 0.0f, 1, false, false, 0), 59);
    // A delay of 5 turns gives k = 0.7703: trunc(R f^2 k).
    const float f = (30.0f - 4.0f * 1.3f) / 30.0f;
    const auto n = static_cast<int32_t>(55.0f * (f * f));
    const auto k = static_cast<float>(1.21916 * std::exp(-0.0918793 * 5.0));
    EXPECT_LT(k, 1.0f);
    EXPECT_EQ(AIArtilleryRounds(1, 30, 5.0f, 1, false, false, 0),
              static_cast<int32_t>(static_cast<float>(n) * k));
    // Supply tops the count up from the rounds missing out of 40.
    EXPECT_EQ(AIArtilleryRounds(2, 300, 0.0f, 6, false, true, 10), 45);
    EXPECT_EQ(AIArtilleryRounds(2, 300, 0.0f, 6, false, true, 100), 15);
}

TEST(AIArtillery, OwnUnitsLowerAPointAndTheLateralAxisIsStretched) {
    PlanBattle b(60, 60);
    b.mBattle.Host()->SetViewingSide(kAxis);
    // The Axis home edge is the West: y is lateral.
    ASSERT_EQ(b.mBattle.HomeMapEdge(kAxis), 0);
    int16_t area = 7;
    EXPECT_EQ(b.mBattle.AICountArtyTargetsNear(500, 500, kAxis, &area), 0);
    EXPECT_EQ(area, 0);
    auto* own = b.Add(kAxis, 500, 500);
    EXPECT_EQ(b.mBattle.AICountArtyTargetsNear(500, 500, kAxis, &area), -50);
    // 100 m along x, or 40 m across: w = 0.52631, w^5 = 0.0404.
    own->mX = 600.0f;
    EXPECT_EQ(b.mBattle.AICountArtyTargetsNear(500, 500, kAxis, &area), -2);
    own->mX = 500.0f;
    own->mY = 540.0f;
    EXPECT_EQ(b.mBattle.AICountArtyTargetsNear(500, 500, kAxis, &area), -2);
    own->mY = 580.0f; // 200 m stretched: out of reach
    EXPECT_EQ(b.mBattle.AICountArtyTargetsNear(500, 500, kAxis, nullptr), 0);
}

TEST(AIArtillery, EnemyWorthAndTheAreaCountBeyondThePoint) {
    PlanBattle b(60, 60);
    MoveRows rows;
    rows.infantry[0].mNrMen = 10;
    b.mBattle.Host()->SetViewingSide(kAxis);
    b.mBattle.mVisibilityDistance = 1000.0f;
    auto* e = b.Add(kAllies, 520, 500);
    e->a.mOpenTEM = 1.0f;
    e->a.mCoverTEM = 1.0f;
    e->a.mValue = 40.0f;
    e->mTarget = e;
    int16_t area = 0;
    const int16_t point = b.mBattle.AICountArtyTargetsNear(500, 500, kAxis, &area);
    // 8 men of 8 x 3.0303 at w^5 = (1.05263 - 20 x 0.00526)^5.
    const float w = 1.05263f - 20.0f * 0.005263157894736842f;
    const float weight = w * w * w * w * w;
    float a = 8.0f * 3.0303030303030303f * 1.0f;
    if (!e->IsSpottedNow()) a *= 0.5f;
    EXPECT_EQ(point, static_cast<int32_t>(a * weight + 0.4f));
    // East of the point, seen from the West edge: worth 40 x 0.33 (no
    // ordnance), halved in clear weather.
    const auto expectedArea = static_cast<int32_t>(weight * (40.0f * 0.33f) + 0.4f);
    EXPECT_EQ(area, static_cast<int32_t>(static_cast<float>(expectedArea) * 0.5f));
    // In poor visibility the area count goes.
    b.mBattle.mVisibilityDistance = 80.0f;
    b.mBattle.AICountArtyTargetsNear(500, 500, kAxis, &area);
    EXPECT_EQ(area, 0);
    // An enemy of no men at the start counts nothing, without dividing by zero.
    rows.infantry[0].mNrMen = 0;
    EXPECT_EQ(b.mBattle.AICountArtyTargetsNear(500, 500, kAxis, nullptr), 0);
}

TEST(AIArtillery, BatteryFiresAtTheBestPointWithItsDrawsInOrder) {
    PlanBattle b(20, 20);
    MoveRows rows;
    rows.infantry[0].mNrMen = 10;
    b.mBattle.Host()->SetViewingSide(kAxis);
    b.mBattle.mTurn = 28;
    b.mBattle.mLastTurn = 30;
    gAISide = kAxis;
    auto* gun = Battery(b, 40, 40);
    for (int32_t i = 0; i < 4; ++i)
        b.Add(kAllies, 300.0f + 2.0f * static_cast<float>(i), 300.0f);
    SeedRandomGenerator(99);
    b.mBattle.AITargetArtillery();
    // 10 x 10 candidates: two draws each, then one each for the battery.
    EXPECT_EQ(GetRandomState(), StateAfterFractions(99, 300));
    ASSERT_EQ(gun->a.mTargetOrders.size(), 1u);
    EXPECT_EQ(gun->a.mTargetOrders[0], nullptr);

    // Without a battery nothing is drawn.
    gun->mAmmo[0] = 0;
    SeedRandomGenerator(99);
    b.mBattle.AITargetArtillery();
    EXPECT_EQ(GetRandomState(), StateAfterFractions(99, 0));
}

namespace {

// Groups of enemy squads in front of an Axis battery at (40, 40) on a
// 400 m map, in the last turns (one round is enough). The Axis's home edge is
// the West, so y is the lateral axis (stretched 2.5 times): groups 200 m
// apart across the front do not count at each other's points. A fraction of
// a squad is one squad with that share of its men left.
struct Groups {
    Groups(std::initializer_list<std::tuple<float, float, float>> groups) {
        rows.infantry[0].mNrMen = 10;
        b.mBattle.Host()->SetViewingSide(kAxis);
        b.mBattle.mTurn = 28;
        b.mBattle.mLastTurn = 30;
        gAISide = kAxis;
        gun = Battery(b, 40, 40);
        for (auto [x, y, squads] : groups) {
            for (int32_t i = 0; squads > 0.0f; ++i, squads -= 1.0f) {
                auto* u = b.Add(kAllies, x + 0.5f * static_cast<float>(i), y);
                if (squads < 1.0f) u->mCasualties = static_cast<int32_t>(std::lround(10.0f * (1.0f - squads)));
            }
        }
    }
    // Fires with the battery's present aim at (x, y), or without one.
    void Plan(uint32_t seed, float x = -1.0f, float y = -1.0f) {
        gun->a.mTargetPoints.clear();
        gun->mTarget = nullptr;
        gun->mAreaTarget = x >= 0.0f;
        gun->mAreaTargetX = x;
        gun->mAreaTargetY = y;
        SeedRandomGenerator(seed);
        b.mBattle.AITargetArtillery();
    }
    PlanBattle b{20, 20};
    MoveRows rows;
    TestInfantry* gun = nullptr;
};

// a squads' worth at (300, 100) and two squads at (300, 300).
struct TwoGroups : Groups {
    explicit TwoGroups(float a) : Groups({{300.0f, 100.0f, a}, {300.0f, 300.0f, 2.0f}}) {}
};

bool Near(const std::pair<float, float>& p, float x, float y) {
    return std::fabs(p.first - x) <= 2.5f && std::fabs(p.second - y) <= 2.5f;
}

} // namespace

// Each point's score is its count times 0.9 to 1.1; the battery fires at the
// best one. Two and a half squads outweigh two whatever the draws.
TEST(AIArtillery, TheBatteryFiresAtThePointWorthMost) {
    TwoGroups t(2.5f);
    const int16_t a = t.b.mBattle.AICountArtyTargetsNear(300, 100, kAxis, nullptr);
    const int16_t b = t.b.mBattle.AICountArtyTargetsNear(300, 300, kAxis, nullptr);
    ASSERT_GT(a * 0.9f, b * 1.1f);
    for (uint32_t seed : {1u, 2u, 3u}) {
        SeedRandomGenerator(seed);
        t.gun->a.mTargetPoints.clear();
        t.gun->mTarget = nullptr;
        t.gun->mAreaTarget = false;
        t.b.mBattle.AITargetArtillery();
        ASSERT_EQ(t.gun->a.mTargetPoints.size(), 1u);
        EXPECT_TRUE(Near(t.gun->a.mTargetPoints[0], 300, 100))
            << t.gun->a.mTargetPoints[0].first << ", " << t.gun->a.mTargetPoints[0].second;
    }
}

// A point within 5 m of the battery's present aim on both axes scores x 1.8,
// and within 20 m the battery keeps its aim: two squads under the present
// aim beat two and a half elsewhere (2 x 1.8 x 0.9 > 2.5 x 1.1).
TEST(AIArtillery, ThePresentAimScoresMoreAndIsKept) {
    TwoGroups t(2.5f);
    SeedRandomGenerator(5);
    t.gun->mAreaTarget = true;
    t.gun->mAreaTargetX = 301.0f;
    t.gun->mAreaTargetY = 299.0f;
    t.b.mBattle.AITargetArtillery();
    EXPECT_TRUE(t.gun->a.mTargetPoints.empty());
    EXPECT_TRUE(t.gun->mAreaTarget);
    // The aim given by a target unit plus the aim adjustment counts alike.
    t.gun->mAreaTarget = false;
    Unit* marker = t.b.Add(kAllies, 320.0f, 310.0f);
    marker->mContactLevel = 0; // not counted at any point
    t.gun->mTarget = marker;
    t.gun->mAimAdjust = true;
    t.gun->mAimAdjustX = -20.0f;
    t.gun->mAimAdjustY = -10.0f;
    t.b.mBattle.AITargetArtillery();
    EXPECT_TRUE(t.gun->a.mTargetPoints.empty());
    EXPECT_EQ(t.gun->mTarget, marker);
}

// Within 100 m of the aim (but not within 5 m on both axes) a point scores
// x 1.4; an aim 30 m off lies beyond the 20 m kept, so the battery is
// ordered to the point itself. Two squads x 1.4 x 0.9 beat 2.2 x 1.1.
TEST(AIArtillery, APointNearThePresentAimScoresMoreAndIsFiredAt) {
    TwoGroups t(2.2f);
    const int16_t a = t.b.mBattle.AICountArtyTargetsNear(300, 100, kAxis, nullptr);
    const int16_t b = t.b.mBattle.AICountArtyTargetsNear(300, 300, kAxis, nullptr);
    ASSERT_GT(b * 1.4f * 0.9f, a * 1.1f);
    SeedRandomGenerator(5);
    t.gun->mAreaTarget = true;
    t.gun->mAreaTargetX = 330.0f;
    t.gun->mAreaTargetY = 300.0f;
    t.b.mBattle.AITargetArtillery();
    ASSERT_EQ(t.gun->a.mTargetPoints.size(), 1u);
    EXPECT_TRUE(Near(t.gun->a.mTargetPoints[0], 300, 300));
    // 100 m or more away on an axis: no raise, and the larger group wins.
    TwoGroups far(2.5f);
    SeedRandomGenerator(5);
    far.gun->mAreaTarget = true;
    far.gun->mAreaTargetX = 410.0f;
    far.gun->mAreaTargetY = 300.0f;
    far.b.mBattle.AITargetArtillery();
    ASSERT_EQ(far.gun->a.mTargetPoints.size(), 1u);
    EXPECT_TRUE(Near(far.gun->a.mTargetPoints[0], 300, 100));
}

// Only a point within 5 m of the aim on both axes scores x 1.8: a group 40 m
// along y from the aim scores x 1.4 and loses to one worth 1.8 times as
// much elsewhere (1.8 x 0.9 > 1.4 x 1.1), whatever the draws; at x 1.8 it
// would win about half the time.
TEST(AIArtillery, TheFullRaiseNeedsBothAxesWithin5Metres) {
    Groups g({{300.0f, 100.0f, 3.6f}, {300.0f, 340.0f, 2.0f}});
    const int16_t a = g.b.mBattle.AICountArtyTargetsNear(300, 100, kAxis, nullptr);
    const int16_t c = g.b.mBattle.AICountArtyTargetsNear(300, 340, kAxis, nullptr);
    ASSERT_GT(a * 0.9f, c * 1.4f * 1.1f);
    ASSERT_GT(c * 1.8f * 1.1f, a * 0.9f);
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        g.Plan(seed, 300.0f, 300.0f);
        ASSERT_EQ(g.gun->a.mTargetPoints.size(), 1u) << seed;
        EXPECT_TRUE(Near(g.gun->a.mTargetPoints[0], 300, 100)) << seed;
    }
}

// Under the aim the raise is 1.8, not 1.4: two squads there beat 2.9
// elsewhere whatever the draws (2 x 1.8 x 0.9 > 2.9 x 1.1); at x 1.4 they
// would lose more often than not.
TEST(AIArtillery, ThePointUnderTheAimScores18Times) {
    Groups g({{300.0f, 100.0f, 2.9f}, {300.0f, 300.0f, 2.0f}});
    const int16_t a = g.b.mBattle.AICountArtyTargetsNear(300, 100, kAxis, nullptr);
    const int16_t c = g.b.mBattle.AICountArtyTargetsNear(300, 300, kAxis, nullptr);
    ASSERT_GT(c * 1.8f * 0.9f, a * 1.1f);
    ASSERT_GT(a, c * 1.4f);
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        g.Plan(seed, 301.0f, 299.0f);
        EXPECT_TRUE(g.gun->a.mTargetPoints.empty()) << seed; // kept its aim
    }
}

// An enemy vehicle counts 20 when it can move and 1 when it cannot, half
// when not spotted now; a fixed vehicle (class 6) is no target at all.
TEST(AIArtillery, VehiclesCountTwentyOrOneAndFixedOnesNothing) {
    PlanBattle b(60, 60);
    MoveRows rows;
    TableRows<VehicleData> vehicles{gVehicleData, 1};
    vehicles[0].mKind = 1;
    b.mBattle.Host()->SetViewingSide(kAxis);
    auto* v = b.Add<TestVehicle>(kAllies, 500, 500);
    const float seen = v->IsSpottedNow() ? 1.0f : 0.5f;
    EXPECT_EQ(b.mBattle.AICountArtyTargetsNear(500, 500, kAxis, nullptr),
              static_cast<int32_t>(20.0f * seen + 0.4f));
    v->mImmobile = true;
    EXPECT_EQ(b.mBattle.AICountArtyTargetsNear(500, 500, kAxis, nullptr),
              static_cast<int32_t>(1.0f * seen + 0.4f));
    v->mImmobile = false;
    vehicles[0].mKind = 6;
    EXPECT_EQ(b.mBattle.AICountArtyTargetsNear(500, 500, kAxis, nullptr), 0);
}

// The area count is halved when the visibility is above 100 m, and below
// 500 m scaled again by (visibility - 100) x 0.0025; at 100 m or less it is 0.
TEST(AIArtillery, TheAreaCountByVisibility) {
    PlanBattle b(60, 60);
    MoveRows rows;
    rows.infantry[0].mNrMen = 10;
    b.mBattle.Host()->SetViewingSide(kAxis);
    auto* e = b.Add(kAllies, 520, 500);
    e->a.mOpenTEM = 1.0f;
    e->a.mCoverTEM = 1.0f;
    e->a.mValue = 400.0f;
    e->mTarget = e;
    const float w = 1.05263f - 20.0f * 0.005263157894736842f;
    const float weight = w * w * w * w * w;
    const auto raw = static_cast<int32_t>(weight * (400.0f * 0.33f) + 0.4f);
    ASSERT_GT(raw, 20);
    const auto half = static_cast<int32_t>(static_cast<float>(raw) * 0.5f);
    for (auto [visibility, want] :
         {std::pair<float, int32_t>{1000.0f, half}, {500.0f, half},
          {499.0f, static_cast<int32_t>(static_cast<float>(half) * 399.0f * 0.0025f)},
          {300.0f, static_cast<int32_t>(static_cast<float>(half) * 200.0f * 0.0025f)},
          {101.0f, static_cast<int32_t>(static_cast<float>(half) * 1.0f * 0.0025f)}, {100.0f, 0}}) {
        b.mBattle.mVisibilityDistance = visibility;
        int16_t area = -1;
        b.mBattle.AICountArtyTargetsNear(500, 500, kAxis, &area);
        EXPECT_EQ(area, want) << visibility;
    }
}

// The last turns cap a battery at one round from turn + delay = last turn - 4
// on; a turn (or a tenth of a turn of delay) earlier the cap is 5. Supply with
// an empty first count asks 20 rounds, so the cap is what shows.
TEST(AIArtillery, TheOneRoundCapFromFourTurnsBeforeTheLast) {
    const struct {
        int32_t turn;
        float delay;
        int32_t rounds;
    } kCases[] = {{16, 0.0f, 1}, {15, 0.0f, 5}, {15, 1.0f, 1}, {15, 0.9f, 5}, {14, 2.0f, 1}};
    for (const auto& c : kCases)
        EXPECT_EQ(AIArtilleryRounds(c.turn, 20, c.delay, 1, false, true, 0), c.rounds)
            << c.turn << " " << c.delay;
}

// In the first turn a point deep in the enemy's set-up zones (its square and
// the squares two away in x and y) counts each small flag 15 and each large
// one 45 that the planned side does not hold, taken 125 m nearer the side's
// home edge (the West for the Axis) and worth less from 100 m to 200 m.
TEST(AIArtillery, TheFirstTurnFlagBonusInTheEnemysZones) {
    enum Change {
        kNone,
        kTurnTwo,
        kOwnZone,
        kSquare,
        kEast,
        kWest,
        kNorth,
        kSouth,
        kLarge,
        kOtherKind,
        kOwnFlag,
        kEnemysFlag,
        kWrongSide,
        kAt150,
        kAt200
    };
    const struct {
        Change change;
        int16_t count;
    } kCases[] = {{kNone, 15},   {kTurnTwo, 0},     {kOwnZone, 0},   {kSquare, 0}, {kEast, 0},
                  {kWest, 0},    {kNorth, 0},       {kSouth, 0},     {kLarge, 45}, {kOtherKind, 0},
                  {kOwnFlag, 0}, {kEnemysFlag, 15}, {kWrongSide, 0}, {kAt150, 7},  {kAt200, 0}};
    for (const auto& c : kCases) {
        PlanBattle b(60, 60);
        b.mBattle.Host()->SetViewingSide(kAxis);
        ASSERT_EQ(b.mBattle.HomeMapEdge(kAxis), 0);
        b.mBattle.mTurn = c.change == kTurnTwo ? 2 : 1;
        // The point (510, 510) lies in square (25, 25); the Allies' zone 2
        // covers squares 22 to 28 both ways.
        for (int32_t col = 22; col <= 28; ++col)
            for (int32_t row = 22; row <= 28; ++row)
                b.map().GetSquare(col, row)->mSetupZone = c.change == kOwnZone ? 5 : 2;
        const int32_t gap[][2] = {{0, 0}, {0, 0}, {0, 0}, {25, 25}, {27, 25}, {23, 25}, {25, 23}, {25, 27}};
        if (c.change >= kSquare && c.change <= kSouth)
            b.map().GetSquare(gap[c.change][0], gap[c.change][1])->mSetupZone = 0;
        const float east = c.change == kAt150 ? 150.0f : c.change == kAt200 ? 200.0f : 0.0f;
        // A new flag is neutral, its holder the Axis's nation: it counts.
        VictoryFlag* f = b.AddFlag(c.change == kWrongSide ? 385.0f : 635.0f + east, 510.0f,
                                   c.change == kLarge       ? 1
                                   : c.change == kOtherKind ? 2
                                                            : 0);
        if (c.change == kOwnFlag || c.change == kEnemysFlag) {
            f->mNeutral = false;
            f->mHolderNation = b.mBattle.GetForceNation(c.change == kOwnFlag);
        }
        EXPECT_EQ(b.mBattle.AICountArtyTargetsNear(510, 510, kAxis, nullptr), c.count) << c.change;
    }
}
