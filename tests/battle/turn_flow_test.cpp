// The turn's flow: GO and the next turn, reinforcements, flags and points,
// and the ways a battle ends.

#include <gtest/gtest.h>

#include "battle/BattleResult.h"
#include "battle/Reinforcement.h"
#include "battle/UnitList.h"
#include "battle/VictoryFlag.h"
#include "battle/turn_fixtures.h"
#include "units/Infantry.h"

namespace {

VictoryFlag* AddFlag(Battle& b, float x, float y, int32_t kind) {
    auto* f = new VictoryFlag;
    f->mX = x;
    f->mY = y;
    f->mKind = kind;
    b.mFlags.Add(f);
    return f;
}

Reinforcement* AddReinforcement(TurnBattle& t, Affiliation side, int32_t turn, float chance) {
    auto* r = new Reinforcement;
    r->mArrivalTurn = turn;
    r->mChance = chance;
    r->mX = 150;
    r->mY = 20;
    t.battle.mReinforcements[side].Add(r);
    return r;
}

ScriptUnit* Waiting(Reinforcement* r, UnitType kind, Affiliation side) {
    auto* u = new ScriptUnit(kind);
    u->mSide = side == kAxis ? 1 : 0;
    u->mActive = true;
    r->mUnits->Add(u);
    return u;
}

} // namespace

TEST(TurnFlow, GoEndsTheSetUpThenComputesAndPlaysTurns) {
    TurnBattle t;
    t.battle.mSetupPhase = true;
    t.battle.mTurn = 1;
    t.battle.mLastTurn = 3;
    ScriptUnit* u = t.Add(kUnitInfantry, kAxis, 20, 20);
    ScriptUnit* enemy = t.Add(kUnitInfantry, kAllies, 180, 180);
    u->mValue = enemy->mValue = 10.0f;
    t.Packet(kPacketSound, 3);
    t.battle.HandleCommand(9);
    EXPECT_FALSE(t.battle.mSetupPhase);
    EXPECT_EQ(t.battle.mPackets.GetCount(), 0);
    EXPECT_TRUE(u->mActedAt.empty()); // no action phase in the set-up turn

    u->mScript = [&](ScriptUnit* self, int32_t slice) {
        if (slice % 100 == 0) {
            ActionPacket* p = t.battle.CreateActionPacket(0);
            p->mType = kPacketUnitState;
            p->mUnit = self;
            p->mStatus = 1 << 6;
            p->mX = 20.0f + slice * 0.01f;
        }
    };
    for (int32_t turn = 1; turn <= 3; ++turn) {
        t.battle.HandleCommand(9);
        EXPECT_EQ(t.battle.mPlayState, 15) << turn;
        EXPECT_GT(t.battle.mPackets.GetCount(), 0);
        t.host.mClock += 1000;
        t.PlayToEnd(5000);
        EXPECT_EQ(t.battle.mPlayState, 13);
        EXPECT_NEAR(u->mX, 44.0f, 0.01f);
        t.battle.HandleCommand(10);
        EXPECT_EQ(t.battle.mPackets.GetCount(), 0);
    }
    EXPECT_TRUE(t.battle.Over());
    EXPECT_EQ(u->mActedAt.size(), 3u * 2401u);
    // The computer planned at the set-up's GO and each turn's with no pointer.
    EXPECT_EQ(t.host.mCursorWhilePlanning, std::vector<bool>(4, false));
    EXPECT_TRUE(t.host.mCursorShown);
}

TEST(TurnFlow, NextTurnAppliesTheRestOfTheTurnSilently) {
    TurnBattle t;
    ScriptUnit* u = t.Add(kUnitInfantry, kAxis, 20, 20);
    u->mValue = 10.0f;
    t.Add(kUnitInfantry, kAllies, 150, 150)->mValue = 10.0f;
    ActionPacket* late = t.Packet(kPacketUnitState, 2000);
    late->mUnit = u;
    late->mX = 99;
    ActionPacket* shot = t.Packet(kPacketSound, 1999);
    shot->mSoundFlags = 0x03;
    t.battle.mTurn = 2;
    t.battle.mLastTurn = 10;
    t.battle.mPlayState = 15;
    t.battle.BeginPlayback();
    t.battle.HandleCommand(10);
    EXPECT_FLOAT_EQ(u->mX, 99);
    EXPECT_EQ(t.battle.mTurn, 3);
    EXPECT_EQ(t.battle.mSoundQueue.GetCount(), 0);
}

TEST(TurnFlow, PlaybackControlsOnlyInPlayback) {
    TurnBattle t;
    t.battle.mPlayState = 13;
    t.battle.HandleCommand(15);
    EXPECT_EQ(t.battle.mPlayState, 13);
    struct PlaybackHost : TestHost {
        int32_t InteractionState() override { return 8; }
    } host;
    t.battle.mHost = &host;
    t.battle.HandleCommand(15);
    EXPECT_EQ(t.battle.mPlayState, 15);
    t.battle.HandleCommand(64);
    t.battle.HandleCommand(0);
    t.battle.mHost = &t.host;
}

TEST(TurnFlow, ReinforcementsArriveByTurnAndChance) {
    TurnBattle t;
    t.battle.mTurn = 3;
    Reinforcement* never = AddReinforcement(t, kAxis, 0, 1.0f);
    Waiting(never, kUnitInfantry, kAxis);
    Reinforcement* later = AddReinforcement(t, kAxis, 4, 1.0f);
    Waiting(later, kUnitInfantry, kAxis);
    Reinforcement* now = AddReinforcement(t, kAllies, 3, 1.0f);
    ScriptUnit* rifles = Waiting(now, kUnitInfantry, kAllies);
    ScriptUnit* truck = Waiting(now, kUnitVehicle, kAllies);
    AddReinforcement(t, kAllies, 1, 1.0f); // no units: arrives and goes
    t.battle.ReinforcementsArrive();
    EXPECT_EQ(t.battle.mReinforcements[kAxis].GetCount(), 2);
    EXPECT_EQ(t.battle.mReinforcements[kAllies].GetCount(), 0);
    ASSERT_EQ(t.battle.mUnits->GetCount(), 2);
    // Vehicles first, every unit at the arrival point.
    EXPECT_EQ(t.battle.mUnits->GetUnit(0), truck);
    EXPECT_EQ(t.battle.mUnits->GetUnit(1), rifles);
    EXPECT_FLOAT_EQ(rifles->mX, 150);
    EXPECT_TRUE(t.battle.mReinforcementsArrived[kAllies]);
    EXPECT_FALSE(t.battle.mReinforcementsArrived[kAxis]);
}

TEST(TurnFlow, ReinforcementWithNoChanceWaits) {
    TurnBattle t;
    t.battle.mTurn = 5;
    Reinforcement* r = AddReinforcement(t, kAxis, 1, 0.0f);
    Waiting(r, kUnitInfantry, kAxis);
    SeedRandomGenerator(9);
    t.battle.ReinforcementsArrive();
    EXPECT_EQ(t.battle.mReinforcements[kAxis].GetCount(), 1);
    EXPECT_EQ(t.battle.mUnits->GetCount(), 0);
}

TEST(TurnFlow, FlagsGoToTheSideThatHoldsTheirGround) {
    TurnBattle t;
    VictoryFlag* f = AddFlag(t.battle, 100, 100, 1);
    ScriptUnit* axis = t.Add(kUnitInfantry, kAxis, 100, 100);
    ScriptUnit* allies = t.Add(kUnitInfantry, kAllies, 100, 100);
    axis->mOccupation = 31;
    allies->mOccupation = 5;
    t.battle.ColorVictoryFlags(false, false);
    EXPECT_FALSE(f->mNeutral);
    EXPECT_LT(f->mHolderNation, 2);
    allies->mOccupation = 8;
    t.battle.ColorVictoryFlags(false, false);
    EXPECT_TRUE(f->mNeutral);
    allies->mOccupation = 40;
    axis->mOccupation = 400;
    t.battle.ColorVictoryFlags(false, false);
    EXPECT_TRUE(f->mNeutral);
    axis->mOccupation = allies->mOccupation = 0;
    t.battle.ColorVictoryFlags(false, false);
    EXPECT_TRUE(f->mNeutral);
}

TEST(TurnFlow, PointsShareFlagsLossesAndBonus) {
    TurnBattle t;
    AddFlag(t.battle, 100, 100, 1); // 300 each
    ScriptUnit* axis = t.Add(kUnitInfantry, kAxis, 100, 100);
    ScriptUnit* allies = t.Add(kUnitInfantry, kAllies, 10, 10);
    axis->mOccupation = 50;
    allies->mLoss = 100.0f;
    t.battle.mVPBonus[kAllies] = 100;
    float axisShare = 0, alliesShare = 0;
    int32_t parts[10] = {};
    t.battle.CountVPs(false, false, &axisShare, &alliesShare, parts);
    // Axis: flag 300 + Allied losses 100; totals 300 + 100 + 100 for each.
    EXPECT_FLOAT_EQ(axisShare, 400.0f / 500.0f);
    EXPECT_FLOAT_EQ(alliesShare, 100.0f / 500.0f);
    EXPECT_EQ(parts[0], 300);
    EXPECT_EQ(parts[1], 100);
    EXPECT_EQ(parts[5 + 4], 100);
    t.battle.CountVPs(false, true, &axisShare, &alliesShare, nullptr);
    EXPECT_NEAR(axisShare + alliesShare, 1.0f, 1e-6f);
}

TEST(TurnFlow, FightingOverFlagsLengthensABattleUpToItsCap) {
    TurnBattle t;
    t.battle.mVariableLength = true;
    t.battle.mNominalLastTurn = 30;
    t.battle.mLastTurn = 30;
    VictoryFlag* f = AddFlag(t.battle, 100, 100, 1);
    ScriptUnit* axis = t.Add(kUnitInfantry, kAxis, 100, 100);
    for (int32_t turn = 1; turn < 40; ++turn) {
        t.battle.mTurn = turn;
        axis->mOccupation = turn % 2 ? 50.0f : 0.0f; // the flag changes every turn
        t.battle.ColorVictoryFlags(false, true);
        EXPECT_LE(t.battle.mLastTurn, 37);
    }
    EXPECT_EQ(t.battle.mLastTurn, 37);
    (void)f;
}

namespace {
// The joining machine of a game over TCP/IP: the other machine computes.
class JoiningHost : public TestHost {
public:
    int32_t ConnectionKind() override { return 2; }
    bool ComputesTurn() override { return mComputes; }
    bool mComputes = false;
};
} // namespace

TEST(TurnFlow, OnlyTheComputingMachineLengthensABattle) {
    TurnBattle t;
    JoiningHost joining;
    t.battle.mHost = &joining;
    t.battle.mVariableLength = true;
    t.battle.mNominalLastTurn = t.battle.mLastTurn = 20;
    AddFlag(t.battle, 100, 100, 1);
    ScriptUnit* axis = t.Add(kUnitInfantry, kAxis, 100, 100);
    for (int32_t turn = 1; turn < 30; ++turn) {
        t.battle.mTurn = turn;
        axis->mOccupation = turn % 2 ? 50.0f : 0.0f;
        t.battle.ColorVictoryFlags(false, true);
        EXPECT_EQ(t.battle.mLastTurn, 20);
    }
    joining.mComputes = true;
    t.battle.mTurn = 19;
    axis->mOccupation = 0.0f;
    t.battle.ColorVictoryFlags(false, true); // the flag turns neutral
    EXPECT_GE(t.battle.mLastTurn, 20);
    EXPECT_LE(t.battle.mLastTurn, 22);
    t.battle.mHost = &t.host;
}

TEST(TurnFlow, EndEarlyBySurrenderAndByCeaseFire) {
    TurnBattle t;
    t.battle.mLastTurn = 12;
    ScriptUnit* squad = t.Add(kUnitInfantry, kAxis, 10, 10);
    ScriptUnit* tank = t.Add(kUnitVehicle, kAxis, 10, 10);
    ScriptUnit* prisoner = t.Add(kUnitInfantry, kAllies, 10, 10);
    prisoner->mSurrendered = true;
    prisoner->mSuppression = 3.0f;
    t.battle.EndEarly(2);
    EXPECT_EQ(t.battle.mTurn, 13);
    EXPECT_FALSE(squad->mSurrendered);
    EXPECT_TRUE(prisoner->mSurrendered);
    t.battle.EndEarly(kAxis);
    EXPECT_EQ(t.battle.mSurrenderState[kAxis], 2);
    EXPECT_TRUE(squad->mSurrendered);
    EXPECT_EQ(tank->mOffMapState, 1);
    EXPECT_FALSE(prisoner->mSurrendered);
    EXPECT_TRUE(prisoner->mFreed);
    EXPECT_EQ(prisoner->mContactLevel, 5);
    EXPECT_EQ(prisoner->mSuppression, 0.0f);
    EXPECT_TRUE(t.battle.Over());
}

TEST(TurnFlow, BrokenSideSurrendersAndReinforcementsHoldItBack) {
    TurnBattle t;
    t.battle.mLastTurn = 20;
    t.battle.mTurn = 2;
    t.battle.mGlobalMorale[kAllies] = 0.14f;
    t.battle.mGlobalMorale[kAxis] = 0.6f;
    Reinforcement* r = AddReinforcement(t, kAllies, 9, 1.0f);
    EXPECT_FALSE(t.battle.MaybeForceSurrender(kAllies));
    t.battle.mReinforcements[kAllies].Delete(r, true);
    EXPECT_TRUE(t.battle.MaybeForceSurrender(kAllies));
    EXPECT_EQ(t.battle.mSurrenderState[kAllies], 2);
}

TEST(TurnFlow, ReadinessAndForcedEndings) {
    TurnBattle t;
    t.battle.mForceReadinessOption = 2;
    t.battle.mAttacker = kAllies;
    EXPECT_FLOAT_EQ(t.battle.MinimumForceReadiness(kAllies), 0.375f);
    EXPECT_FLOAT_EQ(t.battle.MinimumForceReadiness(kAxis), 0.225f);
    t.battle.mForceReadinessOption = 7;
    EXPECT_FLOAT_EQ(t.battle.MinimumForceReadiness(kAxis), 0.3f);
    // Both sides low: a cease-fire ends the battle.
    t.battle.mLastTurn = 20;
    t.battle.mTurn = 5;
    t.battle.mGlobalMorale[0] = t.battle.mGlobalMorale[1] = 0.2f;
    t.battle.MaybeForceEnding();
    EXPECT_EQ(t.battle.mSurrenderState[0], 1);
    EXPECT_EQ(t.battle.mTurn, 21);
}

TEST(TurnFlow, QuietHumanSideOffersAndTheBattleEnds) {
    TurnBattle t;
    t.battle.mLastTurn = 30;
    t.battle.mTurn = 16;
    ScriptUnit* axis = t.Add(kUnitInfantry, kAxis, 10, 10);
    ScriptUnit* allies = t.Add(kUnitInfantry, kAllies, 10, 10);
    axis->mValue = allies->mValue = 5.0f;
    t.battle.mGlobalMorale[kAxis] = 0.2f; // low: the human side offers
    t.battle.mGlobalMorale[kAllies] = 0.9f;
    t.battle.mQuietTurns[kAxis] = 2;
    // Each side's units add nothing to readiness: both count as not ready,
    // which would end by cease-fire; keep the Allies ready with arrivals.
    AddReinforcement(t, kAllies, 40, 1.0f);
    t.battle.MaybeForceEnding();
    EXPECT_EQ(t.battle.mSurrenderState[kAxis], 1);
    EXPECT_EQ(t.battle.mTurn, 31);
}

TEST(TurnFlow, ExitEdgesOfTheBorder) {
    TurnBattle t;
    t.battle.mHasExitEdge[kAxis] = true;
    t.battle.mExitEdge[kAxis] = 2;
    EXPECT_TRUE(t.battle.InVPExitZone(t.battle.mMap->mWidthMetres, 50, true));
    EXPECT_FALSE(t.battle.InVPExitZone(0, 50, true));
    EXPECT_FALSE(t.battle.InVPExitZone(t.battle.mMap->mWidthMetres, 50, false));
    EXPECT_TRUE(t.battle.InFriendlyExitEdge(0, 50, true)); // the West is side 0's home

    // Units leaving: the edge is where they crossed the border; beyond a
    // corner they land on the corner and take the edge the tests give.
    const float w = t.battle.mMap->mWidthMetres, h = t.battle.mMap->mHeightMetres;
    struct Leaving {
        float x, y;
        int32_t state;
        bool exited;
    };
    t.battle.mExitEdge[kAxis] = 1; // North
    const Leaving cases[] = {
        {w + 3.0f, 50.0f, 1, false},   // East, the Allies' edge
        {50.0f, h + 2.0f, 2, true},    // North, the exit
        {w + 3.0f, h + 3.0f, 2, true}, // the north-east corner counts as North
        {-2.0f, -2.0f, 2, false},      // the south-west corner counts as West, home
        {w, 0.0f, 1, false},           // on the south-east corner: South, nobody's
    };
    for (const Leaving& c : cases) {
        ScriptUnit* u = t.Add(kUnitInfantry, kAxis, c.x, c.y);
        u->ExitMap();
        EXPECT_EQ(u->mOffMapState, c.state) << c.x << " " << c.y;
        EXPECT_EQ(u->LeftByExitEdge(), c.exited) << c.x << " " << c.y;
        bool exited = true;
        EXPECT_EQ(u->GetExitValue(&exited, true), 0.0f); // no kind of its own: worth nothing
        EXPECT_EQ(exited, c.exited);
    }
    ScriptUnit* dead = t.Add(kUnitInfantry, kAxis, 50.0f, h + 2.0f);
    dead->mActive = false;
    dead->ExitMap();
    EXPECT_EQ(dead->mOffMapState, 1);
    EXPECT_FALSE(dead->LeftByExitEdge());
    // A mark on a kind that cannot leave for points counts for nothing.
    ScriptUnit* gun = t.Add(kUnitInanimate, kAxis, 50.0f, 50.0f);
    gun->mExitMark = true;
    EXPECT_FALSE(gun->MarkedForExit());
}

TEST(TurnFlow, ResultGradeBounds) {
    EXPECT_EQ(ResultGrade(0.6f, 0.3f), 2);
    EXPECT_EQ(ResultGrade(0.0f, 0.0f), 4);
    EXPECT_EQ(ResultGrade(0.5f, 0.4f), 3);  // exactly 1.25
    EXPECT_EQ(ResultGrade(0.4f, 0.5f), 5);  // exactly 0.8
    EXPECT_EQ(ResultGrade(0.25f, 0.1f), 1); // exactly 2.5
    EXPECT_EQ(ResultGrade(0.01f, 0.9f), 8);
    EXPECT_EQ(ResultGrade(0.9f, 0.0f), 0);
}

TEST(TurnFlow, ResultAfterASurrender) {
    TurnBattle t;
    t.battle.mLastTurn = 10;
    ScriptUnit* squad = t.Add(kUnitInfantry, kAllies, 10, 10);
    squad->mCasualties = 2;
    ScriptUnit* tank = t.Add(kUnitVehicle, kAxis, 50, 50);
    tank->mCasualties = 1;
    tank->mActive = false;
    t.battle.EndEarly(kAllies);
    const BattleResult& r = t.battle.mResult;
    EXPECT_TRUE(t.battle.mResultShown);
    EXPECT_EQ(r.mReasonString, 455); // the Allies give up to the Axis player
    EXPECT_EQ(r.mCounts[kAllies][0], 2);
    EXPECT_EQ(r.mCounts[kAxis][0], 1);
    EXPECT_EQ(r.mCounts[kAxis][5], 1); // the tank died in this battle
    EXPECT_EQ(r.mPersonalGradeString, 440 + r.mGrade);
    EXPECT_GE(r.mWounded[kAllies], 0);
    EXPECT_EQ(t.battle.mPackets.GetCount(), 0);
}

TEST(TurnFlow, SplitTeamsStandingTogetherRejoin) {
    TurnBattle t;
    auto half = [&](float x) {
        auto* u = new Infantry;
        u->mSide = 1;
        u->mX = x;
        u->mY = 50;
        u->mActive = true;
        t.battle.mUnits->Add(u);
        return u;
    };
    Infantry* a = half(50);
    Infantry* b = half(55);
    Infantry* c = half(100);
    Infantry* d = half(150);
    a->mSibling = b;
    b->mSibling = a;
    a->mSiblingMayRejoin = b->mSiblingMayRejoin = true;
    c->mSibling = d; // 50 m apart: they stay split
    d->mSibling = c;
    c->mSiblingMayRejoin = true;
    t.battle.SetSelectedUnit(b);
    t.battle.JoinUnits();
    EXPECT_EQ(t.battle.mUnits->GetCount(), 3);
    EXPECT_FALSE(t.battle.mUnits->IsMember(b));
    EXPECT_EQ(a->mSibling, nullptr);
    EXPECT_EQ(t.battle.mSelectedUnit, nullptr);
    EXPECT_EQ(c->mSibling, d);
}

TEST(TurnFlow, VariableLengthBattleMayGrowOnItsFirstTurn) {
    TurnBattle t;
    t.battle.mVariableLength = true;
    t.battle.mTurn = 1;
    t.battle.mNominalLastTurn = t.battle.mLastTurn = 20;
    t.Add(kUnitInfantry, kAxis, 20, 20);
    // The first colouring of turn 1 adds 0 to 5 turns from its draw.
    SeedRandomGenerator(3);
    const int32_t added = static_cast<int32_t>(RandomPick(6));
    ASSERT_GT(added, 0);
    SeedRandomGenerator(3);
    t.battle.ActionPhase(true, false);
    EXPECT_EQ(t.battle.mLastTurn, 20 + added);
    t.battle.mVariableLength = false;
    t.battle.mLastTurn = 20;
    t.battle.HandleCommand(10);
    t.battle.ActionPhase(true, false);
    EXPECT_EQ(t.battle.mLastTurn, 20);
}
