// An operation's rules on its own values: the strip, reinforcements placed
// on a narrow strip, its end and its victor.

#include <gtest/gtest.h>

#include "battle/Campaign.h"
#include "battle/Reinforcement.h"
#include "battle/UnitList.h"
#include "battle/turn_fixtures.h"

namespace {

struct OperationScope {
    OperationScope() {
        old = gCampaign;
        gCampaign = &campaign;
    }
    ~OperationScope() { gCampaign = old; }
    Campaign campaign;
    Campaign* old = nullptr;
};

} // namespace

TEST(TurnOperation, StripFollowsTheFrontWithinTheMap) {
    TurnBattle t;
    OperationScope op;
    op.campaign.mSleeveSize = 40; // wider than the map of 10 squares
    int32_t x, y, w, h;
    op.campaign.GetSleeveDimensions(&x, &y, &w, &h);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(w, 10);
    EXPECT_EQ(h, 10);
    op.campaign.mSleeveSize = 4;
    op.campaign.mFrontLine = 9;
    op.campaign.GetSleeveDimensions(&x, &y, &w, &h);
    EXPECT_EQ(w, 4);
    EXPECT_EQ(x, 6); // 9 - 2, at most 10 - 4
    op.campaign.mAttackDirection = 1;
    op.campaign.GetSleeveDimensions(&x, &y, &w, &h);
    EXPECT_EQ(h, 4);
    EXPECT_EQ(y, 0); // 10 - 9 - 2, at least 0
}

TEST(TurnOperation, GroupArrivesOnANarrowStripWithoutDividingByZero) {
    TurnBattle t;
    OperationScope op;
    op.campaign.mSleeveSize = 1;
    op.campaign.mTurn = 2;
    auto* r = new Reinforcement;
    r->mArrivalTurn = 1;
    r->mChance = 1.0f;
    auto* u = new ScriptUnit(kUnitInfantry);
    u->mSide = 1;
    r->mUnits->Add(u);
    op.campaign.mReinforcements[kAxis].Add(r);
    op.campaign.ReinforcementsArrive();
    EXPECT_EQ(op.campaign.mReinforcements[kAxis].GetCount(), 0);
    ASSERT_EQ(op.campaign.mUnits->GetCount(), 1);
    EXPECT_EQ(u->mOperationStatus, 4);
    EXPECT_TRUE(op.campaign.mReinforcementsArrived[kAxis]);
}

TEST(TurnOperation, VictorAndEnd) {
    TurnBattle t;
    OperationScope op;
    t.battle.mSurrenderState[kAxis] = 2;
    EXPECT_EQ(op.campaign.ComputeVictor(), 4);
    t.battle.mSurrenderState[kAxis] = 0;
    // The attacker (side 1) never left its start line: its worst grade.
    op.campaign.mAttacker = 1;
    op.campaign.mStartLine = 100;
    op.campaign.mFrontLine = 2;
    EXPECT_EQ(op.campaign.ComputeVictor(), -4);
    op.campaign.mTurn = 2;
    op.campaign.mLastTurn = 10;
    EXPECT_TRUE(op.campaign.Over());
    op.campaign.mStartLine = 0;
    op.campaign.mFrontLine = 10; // past the far edge at 200 m
    EXPECT_TRUE(op.campaign.AttackerReachedObjective());
    op.campaign.mTurn = 5;
    EXPECT_EQ(op.campaign.ComputeVictor(), 4); // 5 / 10 of the time
}
