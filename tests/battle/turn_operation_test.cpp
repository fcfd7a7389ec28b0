// An operation's rules on its own values: the strip, reinforcements placed
// on a narrow strip, its end and its victor.

#include <gtest/gtest.h>

#include "battle/Campaign.h"
#include "battle/Reinforcement.h"
#include "battle/UnitList.h"
#include "battle/turn_fixtures.h"
#include "units/Hack.h"
#include "units/Unit.h"
#include "units/UnitFactory.h"

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

// The first reserve of row 0 of the attacker is committed once the
// attacker's strength, counted from its men and vehicles still fighting,
// falls below 1.8 times the defender's.
TEST(TurnOperation, AttackersReserveCommitsByRealStrengths) {
    ASSERT_TRUE(DecryptData());
    TurnBattle t;
    OperationScope op;
    op.campaign.mAttacker = kAxis;
    op.campaign.mSleeveSize = 10;
    auto make = [](Affiliation side, float x) {
        Unit* u = side == kAxis ? MakeUnit(kUnitInfantry, 252, 0, 2, 0, 100)
                                : MakeUnit(kUnitInfantry, 1, 30, 2, 0, 100);
        u->mX = x;
        u->mY = 100.0f;
        return u;
    };
    std::vector<Unit*> attackers;
    for (int32_t i = 0; i < 6; ++i) {
        attackers.push_back(make(kAxis, 20.0f + 10.0f * static_cast<float>(i)));
        op.campaign.mUnits->Add(attackers.back());
    }
    for (int32_t i = 0; i < 2; ++i)
        op.campaign.mUnits->Add(make(kAllies, 150.0f + 10.0f * static_cast<float>(i)));
    const float squad = attackers[0]->GetVPValue(true, kKnowTruth);
    const float defender = op.campaign.mUnits->GetUnit(6)->GetVPValue(true, kKnowTruth) * 2.0f;
    ASSERT_GT(squad, 0.0f);
    ASSERT_GT(6.0f * squad, 1.8f * defender) << "the attack starts strong enough";

    auto* reserve = new Reinforcement;
    reserve->mArrivalTurn = -1; // row 0
    reserve->mX = 40.0f;
    reserve->mY = 40.0f;
    reserve->mUnits->Add(make(kAxis, 40.0f)); // too small to commit on its own weight
    op.campaign.mReinforcements[kAxis].Add(reserve);

    int32_t standing = 6;
    while (standing > 0) {
        op.campaign.ReinforcementsArrive();
        const bool committed = op.campaign.mReinforcements[kAxis].GetCount() == 0;
        const float ratio = static_cast<float>(standing) * squad / defender;
        EXPECT_EQ(committed, ratio < 1.8f) << standing << " squads, ratio " << ratio;
        if (committed) break;
        attackers[--standing]->mSurrendered = true; // a squad given up counts no more
    }
    EXPECT_GT(standing, 0);
}
