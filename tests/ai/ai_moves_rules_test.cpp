// The combat move's rule tables, entry by entry, and the numbers of the
// square score: the command factor of leaders and platoon members and the
// closeness of infantry to the enemy it would fire at.

#include <gtest/gtest.h>

#include <cmath>

#include "ai_moves_fixtures.h"

namespace {

// Every set at one label: `labels` gives suppression, objective distance,
// threat, cover and harm (objective reach does not enter the rating).
AIBasicFuzzies Labels(int suppression, int distance, int threat, int cover, int harm) {
    AIBasicFuzzies r;
    r.mSuppression.SetFull(static_cast<int8_t>(suppression));
    r.mObjectiveDistance.SetFull(static_cast<int8_t>(distance));
    r.mObjectiveReach.SetFull(0);
    r.mThreat.SetFull(static_cast<int8_t>(threat));
    r.mCover.SetFull(static_cast<int8_t>(cover));
    r.mHarm.SetFull(static_cast<int8_t>(harm));
    return r;
}

} // namespace

// With nothing unseen to harm, the potential harm is label 3 and the last
// two combinations pass one table through unchanged (row and column 3 of
// the combining table are 0..6 in order), so the rating of a plain unit
// that has no target is the entry of the table under test.
TEST(AICombatMoveRules, DangerFreedomAndNeedTablesEntryByEntry) {
    MoveRows rows;
    MoveBattle b;
    auto* u = b.Add(kAxis, 100.0f, 100.0f);
    // Danger: threat (rows) against cover (columns), 3..6.
    const int danger[4][4] = {{3, 3, 3, 3}, {5, 4, 3, 3}, {6, 5, 3, 3}, {6, 5, 4, 3}};
    for (int t = 0; t < 4; ++t)
        for (int c = 0; c < 4; ++c) {
            AIBasicFuzzies r = Labels(0, 0, t, c, 0);
            EXPECT_FLOAT_EQ(u->AIRateCombatMove(&r), static_cast<float>(danger[t][c])) << t << "," << c;
        }
    // Freedom: suppression (rows) against cover (columns), 0..3.
    const int freedom[5][4] = {{3, 3, 3, 3}, {3, 3, 3, 2}, {3, 3, 2, 1}, {3, 2, 1, 0}, {3, 2, 1, 0}};
    for (int s = 0; s < 5; ++s)
        for (int c = 0; c < 4; ++c) {
            AIBasicFuzzies r = Labels(s, 0, 0, c, 0);
            EXPECT_FLOAT_EQ(u->AIRateCombatMove(&r), static_cast<float>(freedom[s][c])) << s << "," << c;
        }
    // Need: objective distance (rows) against harm (columns), 0..3.
    const int need[4][4] = {{3, 2, 1, 0}, {3, 2, 1, 0}, {2, 2, 1, 0}, {2, 2, 1, 0}};
    for (int d = 0; d < 4; ++d)
        for (int h = 0; h < 4; ++h) {
            AIBasicFuzzies r = Labels(0, d, 0, 0, h);
            EXPECT_FLOAT_EQ(u->AIRateCombatMove(&r), static_cast<float>(need[d][h])) << d << "," << h;
        }
}

// The combining table where neither side is 3: readiness (rows, from
// freedom with need) against opportunity (columns, from danger). Freedom 0
// (suppression 3, cover 3) with need 3 gives readiness 0; freedom 1 with
// need 1 gives 1 ... and danger 3..6 as opportunity.
TEST(AICombatMoveRules, TheCombiningTable) {
    MoveRows rows;
    MoveBattle b;
    auto* u = b.Add(kAxis, 100.0f, 100.0f);
    const int combine[7][7] = {{0, 0, 0, 0, 1, 2, 3}, {0, 1, 1, 1, 2, 3, 4}, {0, 1, 2, 2, 3, 4, 5},
                               {0, 1, 2, 3, 4, 5, 6}, {1, 2, 3, 4, 4, 5, 6}, {2, 3, 4, 5, 5, 5, 6},
                               {3, 4, 5, 6, 6, 6, 6}};
    // Readiness 0: freedom 0 (suppression 3, cover 3) and need 0 (harm 3),
    // since combine[0][0] = 0; with cover 3 the danger is 3 whatever the
    // threat, so only opportunity 3 is reached here.
    AIBasicFuzzies r = Labels(3, 0, 3, 3, 3);
    EXPECT_FLOAT_EQ(u->AIRateCombatMove(&r), static_cast<float>(combine[combine[0][0]][3]));
    // Readiness from freedom 3 (no suppression) and need n is combine[3][n]
    // = n; opportunity from danger (cover 0) 3, 5, 6 for threat 0, 1, 2.
    const int dangerOfThreat[3] = {3, 5, 6};
    for (int need = 0; need < 4; ++need) {
        const int harm = 3 - need; // need 3, 2, 1, 0 at distance 0
        for (int t = 0; t < 3; ++t) {
            AIBasicFuzzies q = Labels(0, 0, t, 0, harm);
            const int opportunity = combine[3][dangerOfThreat[t]];
            EXPECT_FLOAT_EQ(u->AIRateCombatMove(&q), static_cast<float>(combine[need][opportunity]))
                << need << "," << t;
        }
    }
}

// A leader's command factor: with a unit that has it as platoon leader,
// 2 x count / total + 0.333 with weight 10000 for such units and 1 for any
// other infantry of its side within its command range; without, 1.6 for
// more than one in range, 1.1 for itself alone.
TEST(AICombatMoveRules, ALeadersCommandFactor) {
    MoveRows rows;
    MoveBattle b;
    b.Paint(0, 0, 400, 400, kTerrainWoods);
    auto* leader = b.Add(kAxis, 100.0f, 100.0f);
    leader->a.mLeader = true;
    GList none;
    const float base = 2.0f * (1.0f - 0.3f);
    auto score = [&] { return leader->AIScoreTileForCombatMove(-999, -999, &none, 0.0f, nullptr, nullptr, nullptr); };
    EXPECT_FLOAT_EQ(score(), base * 1.1f);
    auto* other = b.Add(kAxis, 110.0f, 100.0f);
    EXPECT_FLOAT_EQ(score(), base * 1.6f);
    // The enemy's infantry does not count.
    other->mSide = 0;
    EXPECT_FLOAT_EQ(score(), base * 1.1f);
    other->mSide = 1;
    // A squad of its own platoon close by: 2 x 10002 / 10002 + 0.333.
    auto* squad = b.Add(kAxis, 100.0f, 110.0f);
    squad->mSubtype = 1;
    squad->mPlatoonHQ = leader;
    EXPECT_NEAR(score(), base * (2.0f + 0.333f), 1e-4f);
    // Far beyond its command range: 2 x 2 / 10002 + 0.333.
    squad->mX = 390.0f;
    squad->mY = 390.0f;
    other->mX = 390.0f;
    other->mY = 380.0f;
    EXPECT_NEAR(score(), base * (2.0f * 1.0f / 10002.0f + 0.333f), 1e-4f);
}

// A platoon member farther than 50 m from its leader: 1.137 x e^(-0.003068 d).
TEST(AICombatMoveRules, APlatoonMembersCommandFactorJustBeyond50Metres) {
    MoveRows rows;
    MoveBattle b;
    b.Paint(0, 0, 400, 400, kTerrainWoods);
    auto* leader = b.Add(kAxis, 100.0f, 151.0f);
    leader->a.mLeader = true;
    auto* u = b.Add(kAxis, 100.0f, 100.0f);
    u->mSubtype = 1;
    u->mPlatoonHQ = leader;
    GList none;
    const float base = 2.0f * (1.0f - 0.3f);
    EXPECT_NEAR(u->AIScoreTileForCombatMove(-999, -999, &none, 0.0f, nullptr, nullptr, nullptr),
                base * 1.137f * std::exp(-0.003068f * 51.0f), 1e-4f);
    leader->mY = 150.0f;
    EXPECT_FLOAT_EQ(u->AIScoreTileForCombatMove(-999, -999, &none, 0.0f, nullptr, nullptr, nullptr), base);
}

// Infantry close to the enemy it would fire at trusts its cover less: the
// terrain effect t is squared within 100 m, then raised to 2.667 - 0.006667 d
// within 250 m. The best enemy's worth (harm x value x (1 - t / 2)) adds.
TEST(AICombatMoveRules, CoverCountsLessCloseToTheEnemy) {
    MoveRows rows;
    MoveBattle b;
    b.Paint(90, 90, 110, 110, kTerrainWoods); // the unit's own wood; open ground beyond
    auto* u = b.Add(kAxis, 100.0f, 100.0f);
    auto* e = b.Add(kAllies, 100.0f, 100.0f);
    e->a.mValue = 10.0f;
    u->a.mHarm[e] = 0.5f;
    GList enemies;
    enemies.PreserveObjects();
    enemies.Add(e);
    const float t = 0.3f;
    const float worth = 0.5f * 10.0f * (1.0f - 0.5f * t);
    auto at = [&](float d) {
        e->mY = 100.0f + d;
        return u->AIScoreTileForCombatMove(-999, -999, &enemies, 0.0f, nullptr, nullptr, nullptr);
    };
    EXPECT_NEAR(at(260.0f), 2.0f * (1.0f - t) + worth, 1e-4f);
    EXPECT_NEAR(at(250.0f), 2.0f * (1.0f - t) + worth, 1e-4f);
    EXPECT_NEAR(at(150.0f), 2.0f * (1.0f - std::pow(t, 2.667f - 0.006667f * 150.0f)) + worth, 1e-4f);
    EXPECT_NEAR(at(100.0f), 2.0f * (1.0f - std::pow(t, 2.667f - 0.6667f)) + worth, 1e-4f);
    EXPECT_NEAR(at(90.0f), 2.0f * (1.0f - std::pow(t * t, 2.667f - 0.006667f * 90.0f)) + worth, 1e-4f);
}

// The objective move's tables through the rating of an armed vehicle while
// the other side attacks (no adjustment applies): advance (suppression
// against threat), leave (cover against harm), their combination (rows 0..3
// of the combining table) and the reach, which adds its label.
TEST(AIObjectiveMoveRules, AdvanceLeaveAndReachTablesEntryByEntry) {
    MoveRows rows;
    MoveBattle b;
    b.mBattle.mAttacker = 0;
    auto* v = b.Add<TestVehicle>(kAxis, 100.0f, 100.0f);
    v->a.mOrdnance = true;
    auto rate = [&](int suppression, int threat, int cover, int harm, int reach) {
        AIBasicFuzzies r;
        r.mSuppression.SetFull(static_cast<int8_t>(suppression));
        r.mObjectiveDistance.SetFull(0);
        r.mObjectiveReach.SetFull(static_cast<int8_t>(reach));
        r.mThreat.SetFull(static_cast<int8_t>(threat));
        r.mCover.SetFull(static_cast<int8_t>(cover));
        r.mHarm.SetFull(static_cast<int8_t>(harm));
        return v->AIRateObjectiveMove(&r, 0.0f);
    };
    // Leave 3 (cover 0, harm 0): the combination keeps the advance.
    const int advance[5][4] = {{3, 2, 2, 1}, {2, 2, 1, 1}, {2, 1, 1, 0}, {1, 1, 0, 0}, {0, 0, 0, 0}};
    for (int s = 0; s < 5; ++s)
        for (int t = 0; t < 4; ++t)
            EXPECT_FLOAT_EQ(rate(s, t, 0, 0, 0), static_cast<float>(advance[s][t])) << s << "," << t;
    // Advance 3 (no suppression, no threat): row 3 keeps the leave.
    const int leave[4][4] = {{3, 2, 1, 0}, {3, 2, 0, 0}, {2, 1, 0, 0}, {2, 1, 0, 0}};
    for (int c = 0; c < 4; ++c)
        for (int h = 0; h < 4; ++h)
            EXPECT_FLOAT_EQ(rate(0, 0, c, h, 0), static_cast<float>(leave[c][h])) << c << "," << h;
    // Rows 0..2 of the combining table: advance a (suppression 4, 3, 2 with
    // threat 3, 2, 2 give 0, 0, 1) against leave l.
    const int combine[3][4] = {{0, 0, 0, 0}, {0, 1, 1, 1}, {0, 1, 2, 2}};
    const int harmOfLeave[4] = {3, 2, 1, 0}; // with cover 0
    for (int l = 0; l < 4; ++l) {
        EXPECT_FLOAT_EQ(rate(4, 0, 0, harmOfLeave[l], 0), static_cast<float>(combine[0][l])) << l;
        EXPECT_FLOAT_EQ(rate(2, 1, 0, harmOfLeave[l], 0), static_cast<float>(combine[1][l])) << l;
        EXPECT_FLOAT_EQ(rate(1, 1, 0, harmOfLeave[l], 0), static_cast<float>(combine[2][l])) << l;
    }
    // The reach adds its label to the combined result.
    for (int w = 0; w < 4; ++w)
        for (int reach = 0; reach < 4; ++reach)
            EXPECT_FLOAT_EQ(rate(0, 0, 0, harmOfLeave[w], reach), static_cast<float>(w + reach)) << w << "," << reach;
}

// The objective rating's adjustments for infantry in cover while the other
// side attacks (the tables give 3 here): a leader -0.2, a support weapon
// -0.9 with a target or in a defence and +0.3 otherwise, +0.5 without a
// target or area fire; a gun crew firing at a point it sees rates nothing
// in cover and half out of it; a defence before three quarters of the
// battle multiplies by turn / last + 0.25.
TEST(AIObjectiveMoveRules, AdjustmentsByKindAndSide) {
    MoveRows rows;
    MoveBattle b;
    b.Paint(0, 0, 400, 400, kTerrainWoods);
    b.mBattle.mAttacker = 0;
    b.mBattle.mTurn = 10;
    b.mBattle.mLastTurn = 30;
    auto* u = b.Add(kAxis, 100.0f, 100.0f);
    AIBasicFuzzies r = Labels(0, 0, 0, 0, 0); // advance 3, leave 3, reach 0: 3
    EXPECT_FLOAT_EQ(u->AIRateObjectiveMove(&r, 0.0f), 3.5f);
    u->a.mLeader = true;
    EXPECT_FLOAT_EQ(u->AIRateObjectiveMove(&r, 0.0f), 3.3f);
    u->a.mLeader = false;
    u->a.mSupport = true;
    EXPECT_FLOAT_EQ(u->AIRateObjectiveMove(&r, 0.0f), 3.8f);
    auto* e = b.Add(kAllies, 300.0f, 100.0f);
    u->mTarget = e;
    EXPECT_FLOAT_EQ(u->AIRateObjectiveMove(&r, 0.0f), 2.1f);
    u->mTarget = nullptr;
    u->a.mSupport = false;
    // Defending: turn 22 of 30 is before 22.5, turn 23 is not.
    gAIDefending = true;
    b.mBattle.mTurn = 22;
    EXPECT_FLOAT_EQ(u->AIRateObjectiveMove(&r, 0.0f), 3.5f * (22.0f / 30.0f + 0.25f));
    b.mBattle.mTurn = 23;
    EXPECT_FLOAT_EQ(u->AIRateObjectiveMove(&r, 0.0f), 3.5f);
    gAIDefending = false;
    // A gun crew firing at a point it sees.
    b.mBattle.mTurn = 10;
    u->mSubtype = 2;
    u->mAreaTarget = true;
    u->mAreaTargetX = 150.0f;
    u->mAreaTargetY = 100.0f;
    EXPECT_FLOAT_EQ(u->AIRateObjectiveMove(&r, 0.0f), 0.0f);
    b.Paint(0, 0, 400, 400, kTerrainOpen);
    EXPECT_FLOAT_EQ(u->AIRateObjectiveMove(&r, 0.0f), 3.0f * 0.5f + 1.5f + 1.5f);
    gAIDefending = false;
}
