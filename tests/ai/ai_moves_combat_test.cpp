// The combat move: its rating, the score of a square and the search for the
// best square nearby.

#include <gtest/gtest.h>

#include "ai_moves_fixtures.h"

namespace {

// Every set at its lowest term: danger 3, opportunity 3, freedom 3, need 3,
// so the combined rating before adjustments is 3.
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

} // namespace

TEST(AICombatMove, RatingByKindAndSide) {
    MoveRows rows;
    MoveBattle b;
    auto* u = b.Add(kAxis, 100.0f, 100.0f);
    AIBasicFuzzies r = Quiet();
    EXPECT_FLOAT_EQ(u->AIRateCombatMove(&r), 3.0f);
    u->mSubtype = 1; // platoon member: attacking -1.5
    EXPECT_FLOAT_EQ(u->AIRateCombatMove(&r), 1.5f);
    u->mSubtype = 0;
    u->a.mLeader = true;
    EXPECT_FLOAT_EQ(u->AIRateCombatMove(&r), 2.7f);
    u->a.mLeader = false;

    // Defending on turn 1 of 30, out of cover.
    gAIDefending = true;
    b.mBattle.mTurn = 1;
    b.mBattle.mLastTurn = 30;
    EXPECT_FLOAT_EQ(u->AIRateCombatMove(&r), 3.0f * (1.0f / 30.0f + 0.25f) + 1.0f);
    gAIDefending = false;

    // With a target it can harm, ranging in lowers the wish to move.
    auto* e = b.Add(kAllies, 300.0f, 100.0f);
    u->mTarget = e;
    u->a.mHarm[e] = 1.0f;
    u->mAcquisition = 2;
    EXPECT_FLOAT_EQ(u->AIRateCombatMove(&r), 2.0f);
    u->mAcquisition = 4; // a hit: ranged in as far as the move weighs it, 3
    EXPECT_FLOAT_EQ(u->AIRateCombatMove(&r), 1.5f);

    auto* v = b.Add<TestVehicle>(kAxis, 50.0f, 50.0f);
    EXPECT_FLOAT_EQ(v->AIRateCombatMove(&r), 4.5f); // no target, attacking
    v->a.mOrdnance = true;
    EXPECT_FLOAT_EQ(v->AIRateCombatMove(&r), 5.0f); // a gun without a turret

    // A unit that cannot move, or whose weapon is out, never wants to.
    u->mImmobile = true;
    EXPECT_EQ(u->AIRateCombatMove(&r), 0.0f);
    u->mImmobile = false;
    u->mAimTime = 99.0f;
    EXPECT_EQ(u->AIRateCombatMove(&r), 0.0f);
}

TEST(AICombatMove, TileScoreOfCoverAndCommand) {
    MoveRows rows;
    MoveBattle b;
    b.Paint(0, 0, 400, 400, kTerrainWoods);
    auto* u = b.Add(kAxis, 100.0f, 100.0f);
    GList none;
    EXPECT_FLOAT_EQ(u->AIScoreTileForCombatMove(-999, -999, &none, 0.0f, nullptr, nullptr, nullptr),
                    2.0f * (1.0f - 0.3f));
    // Squares whose centre is off the map are unusable.
    EXPECT_EQ(u->AIScoreTileForCombatMove(-1, 3, &none, 0.0f, nullptr, nullptr, nullptr), -1.0f);
    EXPECT_EQ(u->AIScoreTileForCombatMove(3, 20, &none, 0.0f, nullptr, nullptr, nullptr), -1.0f);
    // Open ground is exposed: nothing left of 2 x (1 - 1).
    b.Paint(0, 0, 400, 400, kTerrainOpen);
    EXPECT_EQ(u->AIScoreTileForCombatMove(-999, -999, &none, 0.0f, nullptr, nullptr, nullptr), 0.0f);
    b.Paint(0, 0, 400, 400, kTerrainWoods);
    // Water is no place to stand: the square is unusable.
    b.Paint(200, 200, 220, 220, kTerrainWater);
    EXPECT_EQ(u->AIScoreTileForCombatMove(10, 10, &none, 0.0f, nullptr, nullptr, nullptr), -1.0f);

    // A platoon member 200 m from its leader; 50 m or nearer counts fully.
    auto* leader = b.Add(kAxis, 100.0f, 300.0f);
    leader->a.mLeader = true;
    u->mSubtype = 1;
    u->mPlatoonHQ = leader;
    const float base = 2.0f * (1.0f - 0.3f);
    EXPECT_NEAR(u->AIScoreTileForCombatMove(-999, -999, &none, 0.0f, nullptr, nullptr, nullptr),
                base * 1.137f * std::exp(-0.6136f), 1e-4f);
    leader->mY = 150.0f;
    EXPECT_FLOAT_EQ(u->AIScoreTileForCombatMove(-999, -999, &none, 0.0f, nullptr, nullptr, nullptr), base);
    // A leader alone counts itself.
    u->mSubtype = 0;
    u->mPlatoonHQ = nullptr;
    b.mBattle.mUnits->Delete(u, false);
    EXPECT_FLOAT_EQ(leader->AIScoreTileForCombatMove(-999, -999, &none, 0.0f, nullptr, nullptr, nullptr),
                    base * 1.1f);
    delete u;
}

TEST(AICombatMove, ScoringPutsTheUnitBackAndReportsItsPoint) {
    MoveBattle b;
    b.Paint(0, 0, 400, 400, kTerrainWoods);
    auto* u = b.Add(kAxis, 100.0f, 100.0f);
    GList none;
    float x = 0.0f, y = 0.0f;
    const float s = u->AIScoreTileForCombatMove(7, 3, &none, 0.0f, &x, &y, nullptr);
    EXPECT_GT(s, 0.0f);
    EXPECT_EQ(u->mX, 100.0f);
    EXPECT_EQ(u->mY, 100.0f);
    EXPECT_GE(x, 140.0f - 9.0f);
    EXPECT_LE(x, 160.0f + 9.0f);
    EXPECT_GE(y, 60.0f - 9.0f);
    EXPECT_LE(y, 80.0f + 9.0f);
}

TEST(AICombatMove, ApproachRatioOfClosingOnInfantry) {
    MoveRows rows;
    MoveBattle b;
    b.Paint(0, 0, 400, 400, kTerrainWoods);
    auto* u = b.Add(kAxis, 100.0f, 100.0f);
    auto* e = b.Add(kAllies, 100.0f, 250.0f);
    e->mSubtype = 1; // a platoon member: considered within 150 m
    GList enemies;
    enemies.PreserveObjects();
    enemies.Add(e);
    float x = 0.0f, y = 0.0f;
    const float s = u->AIScoreTileForCombatMove(5, 10, &enemies, 0.0f, &x, &y, nullptr);
    const float d = std::sqrt((x - 100.0f) * (x - 100.0f) + (y - 250.0f) * (y - 250.0f));
    const float q = (d / 135.0f) * (d / 135.0f) * (d / 135.0f);
    EXPECT_NEAR(s, 2.0f * (1.0f - 0.3f) * q, 1e-4f);
}

TEST(AICombatMove, SquadInTheOpenMovesIntoCover) {
    MoveBattle b;
    b.Paint(140, 80, 180, 140, kTerrainWoods);
    auto* u = b.Add(kAxis, 110.0f, 110.0f);
    auto* e = b.Add(kAllies, 110.0f, 350.0f);
    e->mTarget = u;
    e->a.mHarm[u] = 1.0f;
    ASSERT_TRUE(u->AIDoCombatMove(false, false));
    ASSERT_GT(u->mNrWaypoints, 0);
    const Destination& w = u->mWaypoints[u->mNrWaypoints - 1];
    EXPECT_TRUE(b.map().IsCoverAt(w.mX, w.mY, false));
    EXPECT_EQ(u->mX, 110.0f);
}

TEST(AICombatMove, NothingBetterMeansNoMove) {
    MoveBattle b;
    auto* u = b.Add(kAxis, 110.0f, 110.0f);
    // All open ground: every square scores 0, even when the unit must move.
    EXPECT_FALSE(u->AIDoCombatMove(true, true));
    EXPECT_EQ(u->mNrWaypoints, 0);
    // In cover everywhere, staying counts 1.4 times: no neighbour beats it.
    b.Paint(0, 0, 400, 400, kTerrainWoods);
    EXPECT_FALSE(u->AIDoCombatMove(false, false));
    EXPECT_EQ(u->mNrWaypoints, 0);
    // Made to move, the best neighbour wins.
    EXPECT_TRUE(u->AIDoCombatMove(false, true));
    EXPECT_GT(u->mNrWaypoints, 0);
}

TEST(AICombatMove, SeededSearchesRepeat) {
    auto run = [](uint32_t seed) {
        MoveBattle b;
        b.Paint(140, 80, 220, 180, kTerrainWoods);
        auto* u = b.Add(kAxis, 110.0f, 110.0f);
        b.Add(kAllies, 110.0f, 350.0f);
        SeedRandomGenerator(seed);
        u->AIDoCombatMove(true, false);
        std::vector<float> out{static_cast<float>(GetRandomState())};
        for (int32_t i = 0; i < u->mNrWaypoints; ++i) {
            out.push_back(u->mWaypoints[i].mX);
            out.push_back(u->mWaypoints[i].mY);
        }
        return out;
    };
    EXPECT_EQ(run(3), run(3));
    EXPECT_NE(run(3), run(4));
}

TEST(AICombatMove, CarrierDumpsItsPassengers) {
    MoveBattle b;
    b.Paint(140, 80, 180, 140, kTerrainWoods);
    auto* carrier = b.Add<TestVehicle>(kAxis, 110.0f, 110.0f);
    auto* rider = b.Add(kAxis, 110.0f, 110.0f);
    carrier->mPassengers[0] = rider;
    carrier->a.mAllowedToTarget = false; // the carrier has nowhere to go
    EXPECT_FALSE(carrier->AIDoCombatMove(true, false));
    // Halted for the drop: it counts as stopped though it has a way to go.
    carrier->mNrWaypoints = 2;
    carrier->mPlaybackSpeed = 1.0f;
    EXPECT_TRUE(carrier->IsStopped());
    carrier->SettleAsSaved(); // the turn's end: the halt is over
    EXPECT_FALSE(carrier->IsStopped());
    ASSERT_GT(rider->mNrWaypoints, 0);
    EXPECT_TRUE(b.map().IsCoverAt(rider->mWaypoints[rider->mNrWaypoints - 1].mX,
                                  rider->mWaypoints[rider->mNrWaypoints - 1].mY, false));
}
