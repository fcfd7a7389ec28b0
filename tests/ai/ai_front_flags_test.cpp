// The computer's flags at an operation's front: where they stand for each
// direction, defending and attacking, and only in the set-up turn.

#include <gtest/gtest.h>

#include "ai/AIPlanning.h"
#include "ai/FlagsNode.h"
#include "ai_moves_fixtures.h"
#include "battle/Campaign.h"
#include "battle/VictoryFlag.h"

namespace {

struct FrontOperation {
    explicit FrontOperation(int32_t direction) {
        old = gCampaign;
        gCampaign = &op;
        op.mAttackDirection = direction;
        op.mFrontLine = 20; // squares from the attacker's end of a 50-square map
        op.mFrontDepth = 100;
    }
    ~FrontOperation() {
        gCampaign = old;
        gAIDefending = false;
    }
    Campaign op;
    Campaign* old = nullptr;
};

VictoryFlag* FlagAt(Battle& b, int32_t i) {
    return static_cast<VictoryFlag*>(b.mFlags.GetObjectA(i));
}

} // namespace

TEST(AIFrontFlags, DefendersStandBehindTheFrontAtAQuarterAndThreeQuarters) {
    // The front in metres along the attack, and where the defence stands:
    // 0.75 × 100 m beyond it, on the side the attack moves toward.
    const float along[4] = {400.0f + 75.0f, 600.0f - 75.0f, 600.0f - 75.0f, 400.0f + 75.0f};
    for (int32_t d = 0; d < 4; ++d) {
        MoveBattle b(50, 50);
        b.mBattle.mSetupPhase = true;
        FrontOperation front(d);
        gAIDefending = true;
        b.mBattle.AICalculateFlagGraph();
        ASSERT_EQ(b.mBattle.mFlags.GetCount(), 2) << d;
        const bool alongX = d == 0 || d == 2;
        for (int32_t k = 0; k < 2; ++k) {
            VictoryFlag* f = FlagAt(b.mBattle, k);
            EXPECT_EQ(f->mKind, 2);
            EXPECT_FLOAT_EQ(alongX ? f->mX : f->mY, along[d]) << d;
            EXPECT_FLOAT_EQ(alongX ? f->mY : f->mX, k == 0 ? 250.0f : 750.0f) << d;
        }
        EXPECT_EQ(b.mBattle.mObjectiveGraph->GetCount(), 2);
    }
}

TEST(AIFrontFlags, AttackersAimBeyondTheFrontTheLastFlagDeepest) {
    int32_t pairs = 0;
    for (int32_t seed = 1; seed <= 30; ++seed) {
        for (int32_t d = 0; d < 4; ++d) {
            MoveBattle b(50, 50);
            b.mBattle.mSetupPhase = true;
            FrontOperation front(d);
            SeedRandomGenerator(static_cast<uint32_t>(seed * 7 + d));
            b.mBattle.AICalculateFlagGraph();
            const int32_t n = b.mBattle.mFlags.GetCount();
            ASSERT_TRUE(n == 1 || n == 2);
            pairs += n == 2;
            const bool alongX = d == 0 || d == 2;
            const float frontAt = d == 0 || d == 3 ? 400.0f : 600.0f;
            const float sign = d == 0 || d == 3 ? 1.0f : -1.0f;
            for (int32_t k = 0; k < n; ++k) {
                VictoryFlag* f = FlagAt(b.mBattle, k);
                const float beyond = sign * ((alongX ? f->mX : f->mY) - frontAt);
                const float side = alongX ? f->mY : f->mX;
                if (k == n - 1) {
                    EXPECT_GE(beyond, 250.0f); // depth × (u + 2.5)
                    EXPECT_LT(beyond, 350.0f);
                    EXPECT_GE(side, 250.0f); // a quarter plus half a uniform point
                    EXPECT_LT(side, 750.0f);
                } else {
                    EXPECT_GE(beyond, 75.0f); // depth × (u + 0.75)
                    EXPECT_LT(beyond, 175.0f);
                }
            }
        }
    }
    EXPECT_GT(pairs, 10); // one time in three, roughly
    EXPECT_LT(pairs, 70);
}

TEST(AIFrontFlags, NoFrontFlagsAfterTheSetUpOrWithFrontModeTwoAndNeverOffTheMap) {
    {
        MoveBattle b(50, 50);
        b.mBattle.mSetupPhase = false;
        FrontOperation front(0);
        gAIDefending = true;
        b.mBattle.AICalculateFlagGraph();
        EXPECT_EQ(b.mBattle.mFlags.GetCount(), 0);
    }
    {
        MoveBattle b(50, 50);
        b.mBattle.mSetupPhase = true;
        FrontOperation front(0);
        front.op.mFrontMode = 2;
        b.mBattle.AICalculateFlagGraph();
        EXPECT_EQ(b.mBattle.mFlags.GetCount(), 0);
    }
    {
        // A front at the map's far end: the flags stay 10 m inside it.
        MoveBattle b(50, 50);
        b.mBattle.mSetupPhase = true;
        FrontOperation front(0);
        front.op.mFrontLine = 49;
        gAIDefending = true;
        b.mBattle.AICalculateFlagGraph();
        ASSERT_EQ(b.mBattle.mFlags.GetCount(), 2);
        EXPECT_FLOAT_EQ(FlagAt(b.mBattle, 0)->mX, 990.0f);
    }
}
