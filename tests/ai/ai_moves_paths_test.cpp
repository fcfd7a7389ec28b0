// Move paths: the objective graph's distance, covered legs, the pace chosen
// for a path, the exposed flag and the scatter of waypoints.

#include <gtest/gtest.h>

#include "ai_moves_fixtures.h"

TEST(AIMovePaths, AbstractDistanceIsTheStraightDistance) {
    MoveBattle b;
    EXPECT_EQ(b.map().AbstractPathDistance(30.0f, 40.0f, 30.0f, 40.0f), 0.0f);
    EXPECT_FLOAT_EQ(b.map().AbstractPathDistance(0.0f, 0.0f, 30.0f, 40.0f), 50.0f);
    EXPECT_EQ(b.map().AbstractPathDistance(1.5f, 7.0f, 90.0f, 3.0f),
              b.map().AbstractPathDistance(90.0f, 3.0f, 1.5f, 7.0f));
}

TEST(AIMovePaths, LegInCoverSamplesEveryTwentyMetres) {
    MoveBattle b;
    b.Paint(0, 0, 200, 400, kTerrainWoods);
    EXPECT_TRUE(AILegInCover(10.0f, 10.0f, 150.0f, 10.0f));
    b.Paint(110, 0, 112, 20, kTerrainOpen); // one sampled point in the open
    EXPECT_FALSE(AILegInCover(10.0f, 10.0f, 150.0f, 10.0f));
    // A leg of no length is its one point: no division, the point decides.
    EXPECT_TRUE(AILegInCover(50.0f, 50.0f, 50.0f, 50.0f));
    EXPECT_FALSE(AILegInCover(111.0f, 10.0f, 111.0f, 10.0f));
    // Open ground between the samples is not seen.
    b.Paint(110, 0, 112, 20, kTerrainWoods);
    b.Paint(100, 0, 102, 20, kTerrainOpen);
    EXPECT_TRUE(AILegInCover(10.0f, 10.0f, 150.0f, 10.0f));
}

TEST(AIMovePaths, NoPathLeavesNoWaypoints) {
    MoveBattle b;
    auto* u = b.Add(kAxis, 50.0f, 50.0f);
    u->mNrWaypoints = 3;
    b.Paint(260, 260, 340, 340, kTerrainWater);
    bool exposed = true;
    u->AIMakePathTo(300.0f, 300.0f, false, false, &exposed);
    EXPECT_EQ(u->mNrWaypoints, 0);
    EXPECT_FALSE(exposed);
}

TEST(AIMovePaths, InfantryPaceBySituation) {
    MoveBattle b;
    auto* u = b.Add(kAxis, 50.0f, 50.0f);
    u->AIMakePathTo(250.0f, 50.0f, false, false, nullptr);
    ASSERT_GT(u->mNrWaypoints, 0);
    EXPECT_EQ(u->mWaypoints[u->mNrWaypoints - 1].mOrder, kAISpeedQuick); // unencumbered, fresh
    u->mFatigueState = 2;
    u->AIMakePathTo(250.0f, 50.0f, false, false, nullptr);
    EXPECT_EQ(u->mWaypoints[0].mOrder, kAISpeedCautious);
    u->mFatigueState = 0;
    u->mSuppression = 20.0f;
    u->AIMakePathTo(250.0f, 50.0f, false, false, nullptr);
    EXPECT_EQ(u->mWaypoints[0].mOrder, kAISpeedFast);

    // In combat with a target within 120 m the unit sneaks up.
    auto* enemy = b.Add(kAllies, 150.0f, 50.0f);
    u->mTarget = enemy;
    u->AIMakePathTo(120.0f, 50.0f, true, false, nullptr);
    EXPECT_EQ(u->mWaypoints[0].mOrder, kAISpeedSneak);
    u->mTarget = nullptr;
    u->AIMakePathTo(120.0f, 50.0f, true, false, nullptr);
    EXPECT_EQ(u->mWaypoints[0].mOrder, kAISpeedFast);
    // 120 m counts, 120.5 m does not.
    u->mTarget = enemy;
    enemy->mX = 170.0f;
    u->AIMakePathTo(120.0f, 50.0f, true, false, nullptr);
    EXPECT_EQ(u->mWaypoints[0].mOrder, kAISpeedSneak);
    enemy->mX = 170.5f;
    u->AIMakePathTo(120.0f, 50.0f, true, false, nullptr);
    EXPECT_EQ(u->mWaypoints[0].mOrder, kAISpeedFast);
}

// A moving unit's order delay is worked out afresh when its first waypoint
// lies more than 60 degrees off its heading either way.
TEST(AIMovePaths, ASharpTurnRestartsTheOrderDelay) {
    MoveBattle b;
    auto* u = b.Add(kAxis, 50.0f, 50.0f);
    u->mMoveComponentX = 0.5f;
    for (const float heading : {60.0f, 61.0f, 299.0f, 300.0f, -60.0f, -61.0f}) {
        u->mHeading = heading;
        u->mCommandDelay = 123.0f;
        u->AIMakePathTo(250.0f, 50.0f, false, false, nullptr);
        ASSERT_GT(u->mNrWaypoints, 0);
        const bool sharp = heading == 61.0f || heading == 299.0f || heading == -61.0f;
        EXPECT_EQ(u->mCommandDelay != 123.0f, sharp) << heading;
    }
}

TEST(AIMovePaths, CoveredLegsOfAFreshSquadGoCautiously) {
    MoveBattle b;
    b.Paint(0, 0, 400, 400, kTerrainWoods);
    auto* u = b.Add(kAxis, 50.0f, 50.0f);
    u->AIMakePathTo(300.0f, 50.0f, false, false, nullptr);
    ASSERT_GT(u->mNrWaypoints, 0);
    for (int32_t i = 0; i < u->mNrWaypoints; ++i)
        EXPECT_EQ(u->mWaypoints[i].mOrder, kAISpeedCautious);
}

TEST(AIMovePaths, VehiclePaceAndGears) {
    MoveBattle b;
    auto* v = b.Add<TestVehicle>(kAxis, 50.0f, 50.0f);
    v->AIMakePathTo(250.0f, 50.0f, false, false, nullptr);
    ASSERT_GT(v->mNrWaypoints, 0);
    EXPECT_EQ(v->mWaypoints[0].mOrder, kAISpeedVehicle);
    EXPECT_EQ(v->a.mGearShifts, 0);
    v->AIMakePathTo(250.0f, 50.0f, true, false, nullptr);
    EXPECT_EQ(v->mWaypoints[0].mOrder, kAISpeedCautious); // no gun: cautious in combat
    EXPECT_EQ(v->a.mGearShifts, 1);
    v->a.mOrdnance = true;
    v->AIMakePathTo(250.0f, 50.0f, true, false, nullptr);
    EXPECT_EQ(v->mWaypoints[0].mOrder, kAISpeedVehicle);
}

TEST(AIMovePaths, ExposedWhenTheFirstSixtyMetresLeaveCover) {
    MoveBattle b;
    b.Paint(0, 0, 400, 400, kTerrainWoods);
    auto* u = b.Add(kAxis, 50.0f, 50.0f);
    bool exposed = true;
    u->AIMakePathTo(300.0f, 50.0f, false, false, &exposed);
    EXPECT_FALSE(exposed);
    b.Paint(60, 40, 80, 60, kTerrainOpen);
    u->AIMakePathTo(300.0f, 50.0f, false, false, &exposed);
    EXPECT_TRUE(exposed);
    // A platoon member is never reported.
    MoveRows rows;
    u->mSubtype = 1;
    u->AIMakePathTo(300.0f, 50.0f, false, false, &exposed);
    EXPECT_FALSE(exposed);
}

TEST(AIMovePaths, ScatterKeepsTerrainAndStaysWithinTwentyMetres) {
    MoveBattle b(40, 40);
    b.Paint(0, 0, 800, 800, kTerrainWoods);
    b.Paint(200, 0, 240, 700, kTerrainWater); // a river to go round
    b.Paint(400, 100, 440, 800, kTerrainWater);
    auto* u = b.Add(kAxis, 30.0f, 30.0f);
    u->AIMakePathTo(700.0f, 150.0f, false, false, nullptr);
    const int32_t n = u->mNrWaypoints;
    ASSERT_GT(n, 1);
    std::vector<Destination> plain(u->mWaypoints, u->mWaypoints + n);
    for (uint32_t seed = 1; seed < 20; ++seed) {
        SeedRandomGenerator(seed);
        u->AIMakePathTo(700.0f, 150.0f, false, true, nullptr);
        ASSERT_EQ(u->mNrWaypoints, n);
        for (int32_t i = 0; i < n; ++i) {
            const Destination& w = u->mWaypoints[i];
            EXPECT_LE(std::fabs(w.mX - plain[i].mX), 20.0f);
            EXPECT_LE(std::fabs(w.mY - plain[i].mY), 20.0f);
            EXPECT_EQ(b.map().GetTerrain(w.mX, w.mY, true),
                      b.map().GetTerrain(plain[i].mX, plain[i].mY, true));
        }
        EXPECT_EQ(u->mWaypoints[n - 1].mX, plain[n - 1].mX); // the goal never moves
    }
    // Seeded runs repeat exactly.
    SeedRandomGenerator(7);
    u->AIMakePathTo(700.0f, 150.0f, false, true, nullptr);
    std::vector<Destination> first(u->mWaypoints, u->mWaypoints + n);
    SeedRandomGenerator(7);
    u->AIMakePathTo(700.0f, 150.0f, false, true, nullptr);
    for (int32_t i = 0; i < n; ++i) {
        EXPECT_EQ(u->mWaypoints[i].mX, first[i].mX);
        EXPECT_EQ(u->mWaypoints[i].mY, first[i].mY);
    }
}
