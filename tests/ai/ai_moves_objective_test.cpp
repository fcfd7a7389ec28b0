// The objective move and its rating, the loser move, the defensive types
// and the search for enemy infantry near a point.

#include <gtest/gtest.h>

#include "ai/FlagsNode.h"
#include "ai_moves_fixtures.h"
#include "units/Infantry.h"

namespace {

AIBasicFuzzies Quiet() {
    AIBasicFuzzies r;
    r.mSuppression.SetFull(0);
    r.mObjectiveDistance.SetFull(0);
    r.mObjectiveReach.SetFull(0);
    r.mThreat.SetFull(0);
    r.mCover.SetFull(0);
    r.mHarm.SetFull(0);
    return r;
}

// A node of one flag at (x, y), held by nobody.
struct OneFlagNode {
    VictoryFlag flag;
    FlagsNode node;
    OneFlagNode(float x, float y) {
        flag.mX = x;
        flag.mY = y;
        node.IFlagsNode(&flag);
    }
};

float Plane(float x1, float y1, float x2, float y2) {
    return std::sqrt((x1 - x2) * (x1 - x2) + (y1 - y2) * (y1 - y2));
}

} // namespace

TEST(AIObjectiveMove, RatingByKind) {
    MoveRows rows;
    MoveBattle b;
    AIBasicFuzzies r = Quiet(); // combined result 3
    auto* u = b.Add(kAxis, 100.0f, 100.0f);
    // No target +0.5, out of cover +1.5, nobody attacks +1.5, attacking in the open +1.5.
    EXPECT_FLOAT_EQ(u->AIRateObjectiveMove(&r, 0.0f), 8.0f);
    b.mBattle.mAttacker = 0;
    EXPECT_FLOAT_EQ(u->AIRateObjectiveMove(&r, 0.0f), 6.5f);
    b.Paint(0, 0, 400, 400, kTerrainWoods);
    EXPECT_FLOAT_EQ(u->AIRateObjectiveMove(&r, 0.0f), 3.5f);
    u->mSubtype = 1;
    EXPECT_FLOAT_EQ(u->AIRateObjectiveMove(&r, 0.0f), 3.65f);
    b.Paint(0, 0, 400, 400, kTerrainOpen);

    auto* v = b.Add<TestVehicle>(kAxis, 50.0f, 50.0f);
    EXPECT_FLOAT_EQ(v->AIRateObjectiveMove(&r, 0.0f), 2.5f); // no gun, nobody aboard
    v->a.mOrdnance = true;
    EXPECT_FLOAT_EQ(v->AIRateObjectiveMove(&r, 0.0f), 3.0f);
    b.Paint(40, 40, 60, 60, 55);
    EXPECT_EQ(v->AIRateObjectiveMove(&r, 0.0f), 9999.0f);
}

TEST(AIObjectiveMove, GunCrewsStayEarlyInTheBattle) {
    MoveRows rows;
    MoveBattle b;
    AIBasicFuzzies r = Quiet();
    auto* crew = b.Add(kAxis, 100.0f, 100.0f);
    crew->mSubtype = 2;
    for (int32_t turn = 1; turn <= 3; ++turn) {
        b.mBattle.mTurn = turn;
        const uint32_t before = GetRandomState();
        EXPECT_EQ(crew->AIRateObjectiveMove(&r, 0.0f), 0.0f);
        EXPECT_EQ(GetRandomState(), before);
    }
    // Turns 4 to 6: one pair of draws, heads keeps it in place.
    b.mBattle.mTurn = 5;
    int32_t stays = 0;
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        SeedRandomGenerator(seed);
        const bool heads = (RandomPair() & 1u) == 0;
        SeedRandomGenerator(seed);
        const float rating = crew->AIRateObjectiveMove(&r, 0.0f);
        EXPECT_EQ(rating == 0.0f, heads);
        stays += heads;
    }
    EXPECT_GT(stays, 0);
    EXPECT_LT(stays, 40);
}

TEST(AIObjectiveMove, ArmourHoldsToEngageAnEnemyGun) {
    MoveBattle b;
    auto* tank = b.Add<TestVehicle>(kAxis, 100.0f, 100.0f);
    tank->a.mArmoured = true;
    auto* gun = b.Add(kAllies, 300.0f, 100.0f);
    gun->a.mOrdnance = true;
    tank->mTarget = gun;
    float combat = -1.0f, objective = -1.0f;
    tank->AIRateFuzzies(500.0f, &combat, &objective);
    EXPECT_EQ(combat, 0.0f);
    EXPECT_EQ(objective, 0.0f);
    ASSERT_EQ(tank->a.mTargetOrders.size(), 1u);
    EXPECT_EQ(tank->a.mTargetOrders[0], gun);
    // Against a target without a gun it rates normally.
    gun->a.mOrdnance = false;
    tank->AIRateFuzzies(500.0f, &combat, nullptr);
    EXPECT_GT(combat, 0.0f);
}

TEST(AIObjectiveMove, NearTheObjectiveTheUnitMayStay) {
    MoveBattle b;
    b.Paint(0, 0, 400, 400, kTerrainWoods);
    OneFlagNode n(200.0f, 200.0f);
    auto* u = b.Add(kAxis, 225.0f, 200.0f); // 25 m away: always stays
    for (uint32_t seed = 1; seed < 20; ++seed) {
        SeedRandomGenerator(seed);
        EXPECT_FALSE(u->AIDoObjectiveMove(&n.node, nullptr));
        EXPECT_EQ(u->mNrWaypoints, 0);
    }
    u->mX = 290.0f; // 90 m away: never stays for nearness
    for (uint32_t seed = 1; seed < 20; ++seed) {
        SeedRandomGenerator(seed);
        EXPECT_TRUE(u->AIDoObjectiveMove(&n.node, nullptr));
    }
}

TEST(AIObjectiveMove, DestinationsSpreadWithTheDistance) {
    MoveBattle b(60, 60);
    b.Paint(0, 0, 1200, 1200, kTerrainWoods);
    OneFlagNode n(600.0f, 600.0f);
    auto* u = b.Add(kAxis, 100.0f, 600.0f); // 500 m: spread 120 m
    float widest = 0.0f;
    for (uint32_t seed = 1; seed < 30; ++seed) {
        SeedRandomGenerator(seed);
        u->mNrWaypoints = 0;
        ASSERT_TRUE(u->AIDoObjectiveMove(&n.node, nullptr));
        ASSERT_GT(u->mNrWaypoints, 0);
        const Destination& w = u->mWaypoints[u->mNrWaypoints - 1];
        EXPECT_LE(std::fabs(w.mX - 600.0f), 120.0f);
        EXPECT_LE(std::fabs(w.mY - 600.0f), 120.0f);
        widest = std::max(widest, std::fabs(w.mX - 600.0f));
    }
    EXPECT_GT(widest, 30.0f);
    u->mX = 550.0f; // 50 m: spread 30 m
    for (uint32_t seed = 1; seed < 30; ++seed) {
        SeedRandomGenerator(seed);
        u->mNrWaypoints = 0;
        if (!u->AIDoObjectiveMove(&n.node, nullptr)) continue;
        const Destination& w = u->mWaypoints[u->mNrWaypoints - 1];
        EXPECT_LE(std::fabs(w.mX - 600.0f), 30.0f);
        EXPECT_LE(std::fabs(w.mY - 600.0f), 30.0f);
    }
}

TEST(AIObjectiveMove, AnExistingOrderToTheSamePlaceIsKept) {
    MoveBattle b(60, 60);
    OneFlagNode n(1100.0f, 600.0f);
    auto* u = b.Add(kAxis, 100.0f, 600.0f); // 1000 m: keeps orders ending within 250 m
    u->mNrWaypoints = 2;
    u->mWaypoints[0].mX = 500.0f;
    u->mWaypoints[1].mX = 1100.0f;
    u->mWaypoints[0].mY = u->mWaypoints[1].mY = 600.0f;
    EXPECT_TRUE(u->AIDoObjectiveMove(&n.node, nullptr));
    EXPECT_EQ(u->mNrWaypoints, 2);
    EXPECT_EQ(u->mWaypoints[0].mX, 500.0f);
}

TEST(AIObjectiveMove, AMarkedUnitLeavesOverItsExitEdge) {
    MoveBattle b(30, 20);
    b.mBattle.mExitEdge[kAxis] = 2; // East, 600 m
    OneFlagNode n(500.0f, 200.0f);
    auto* u = b.Add(kAxis, 420.0f, 200.0f);
    u->mExitMark = true;
    ASSERT_TRUE(u->AIDoObjectiveMove(&n.node, nullptr));
    ASSERT_GE(u->mNrWaypoints, 2);
    const Destination& last = u->mWaypoints[u->mNrWaypoints - 1];
    EXPECT_EQ(last.mX, 601.0f);
    EXPECT_EQ(last.mKind, 3);
    EXPECT_EQ(last.mOrder, kAISpeedCautious);
    EXPECT_EQ(last.mY, u->mWaypoints[u->mNrWaypoints - 2].mY);
    EXPECT_EQ(u->mWaypoints[u->mNrWaypoints - 2].mKind, 2);
    // A full list has its last waypoint replaced.
    u->mNrWaypoints = 0;
    for (int32_t i = 0; i < kMaxWaypoints; ++i) {
        u->mWaypoints[i] = Destination{};
        u->mWaypoints[i].mX = 300.0f + static_cast<float>(i);
    }
    u->mNrWaypoints = kMaxWaypoints;
    b.Paint(0, 0, 600, 400, kTerrainWater); // no path: the list stays
    u->mX = 590.0f;                         // within 15 m of the edge
    u->AIDoObjectiveMove(&n.node, nullptr);
    EXPECT_LE(u->mNrWaypoints, kMaxWaypoints);
    EXPECT_EQ(u->mWaypoints[u->mNrWaypoints - 1].mX, 601.0f);
}

TEST(AIObjectiveMove, ExitNodeDestinationAlongTheEdge) {
    MoveBattle b(30, 20);
    b.mBattle.mExitEdge[kAxis] = 2;
    OneFlagNode n(600.0f, 200.0f);
    n.node.mExitNode = true;
    auto* u = b.Add(kAxis, 100.0f, 200.0f);
    for (uint32_t seed = 1; seed < 10; ++seed) {
        SeedRandomGenerator(seed);
        ASSERT_TRUE(u->AIDoObjectiveMove(&n.node, nullptr));
        const Destination& w = u->mWaypoints[u->mNrWaypoints - 1];
        EXPECT_LE(std::fabs(w.mY - 200.0f), 60.0f);
    }
}

TEST(AIObjectiveMove, VehiclesKeepAwayFromEnemyInfantry) {
    MoveRows rows;
    MoveBattle b(60, 60);
    OneFlagNode n(600.0f, 600.0f);
    auto* v = b.Add<TestVehicle>(kAxis, 100.0f, 600.0f);
    auto* squad = b.Add(kAllies, 600.0f, 600.0f);
    squad->mSubtype = 1; // platoon members are feared at 120 m
    for (uint32_t seed = 1; seed < 20; ++seed) {
        SeedRandomGenerator(seed);
        v->mNrWaypoints = 0;
        ASSERT_TRUE(v->AIDoObjectiveMove(&n.node, nullptr));
        const Destination& w = v->mWaypoints[v->mNrWaypoints - 1];
        const bool fellBack = w.mX == 600.0f && w.mY == 600.0f;
        EXPECT_TRUE(fellBack || Plane(w.mX, w.mY, 600.0f, 600.0f) >= 120.0f);
    }
}

TEST(AIObjectiveMove, EnemyInfantryNear) {
    MoveRows rows;
    MoveBattle b;
    auto* e = b.Add(kAllies, 100.0f, 100.0f);
    EXPECT_TRUE(AIEnemyInfantryNear(150.0f, 100.0f, kAllies));
    EXPECT_FALSE(AIEnemyInfantryNear(170.0f, 100.0f, kAllies));
    EXPECT_FALSE(AIEnemyInfantryNear(150.0f, 100.0f, kAxis));
    e->mSubtype = 1;
    EXPECT_TRUE(AIEnemyInfantryNear(210.0f, 100.0f, kAllies));
    e->mContactLevel = 0; // not spotted
    EXPECT_FALSE(AIEnemyInfantryNear(150.0f, 100.0f, kAllies));
}

TEST(AILoserMove, OnlyInfantryFallsBackAndASurrenderedSquadKeepsItsSide) {
    MoveBattle b;
    // A unit of another kind has no retreat move: nothing changes.
    auto* u = b.Add(kAxis, 100.0f, 100.0f);
    u->mSuppression = 349.0f;
    u->mSurrendered = true;
    AIInfantryLoserMove(u, true);
    EXPECT_EQ(u->mSide, 1);
    EXPECT_EQ(u->mNrWaypoints, 0);
    // The infantry kind routs by its own rule, side swapped back after.
    MoveRows rows;
    auto* squad = b.Add<Infantry>(kAxis, 300.0f, 300.0f);
    squad->mSurrendered = true;
    squad->AIDoLoserMove(true);
    EXPECT_EQ(squad->mSide, 1);
}

TEST(AIDefensiveType, ByKind) {
    MoveRows rows;
    MoveBattle b;
    auto* u = b.Add(kAxis, 100.0f, 100.0f);
    EXPECT_EQ(u->AIDefensiveType(), 3);
    u->a.mSupport = true;
    EXPECT_EQ(u->AIDefensiveType(), 2);
    u->a.mSupport = false;
    u->mSubtype = 2;
    EXPECT_EQ(u->AIDefensiveType(), 4);
    u->mImmobile = true;
    EXPECT_EQ(u->AIDefensiveType(), 0);
    u->mImmobile = false;
    u->a.mOrdnance = true;
    EXPECT_EQ(u->AIDefensiveType(), 0);

    auto* v = b.Add<TestVehicle>(kAxis, 50.0f, 50.0f);
    EXPECT_EQ(v->AIDefensiveType(), 0);
    v->a.mHeavy = true;
    EXPECT_EQ(v->AIDefensiveType(), 4);
    v->mImmobile = true;
    EXPECT_EQ(v->AIDefensiveType(), 0);
}
