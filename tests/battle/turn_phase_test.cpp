// The action phase: its slices, the extension for shells in flight, the
// packet order, the quiet turns and the received path.

#include <gtest/gtest.h>

#include "battle/UnitList.h"
#include "battle/turn_fixtures.h"

TEST(TurnPhase, MinuteExtensionAndDueAttacks) {
    TurnBattle t;
    ScriptUnit* u = t.Add(kUnitInfantry, kAxis, 50, 50);
    ScriptUnit* target = t.Add(kUnitInfantry, kAllies, 60, 50);
    target->mCover = 1.0f;
    // Attacks of class 7 at the target, due at 2400, 2403 and 4800.
    u->mScript = [&](ScriptUnit* self, int32_t slice) {
        if (slice == 2390) {
            t.Attack(self, kWClassSniper, 60, 50, 10);
            t.Attack(self, kWClassSniper, 60, 50, 13);
            t.Attack(self, kWClassSniper, 60, 50, 2410);
        }
    };
    t.battle.ActionPhase(true, false);
    // The unit acted once a slice in the minute, never in the extension.
    ASSERT_EQ(u->mActedAt.size(), 2401u);
    EXPECT_EQ(u->mActedAt.front(), 0);
    EXPECT_EQ(u->mActedAt.back(), 2400);
    EXPECT_EQ(u->mPrepared, 1);
    // Flushes: 0 first, then 1 for every further pass, up to slice 4800.
    ASSERT_GE(u->mFlushes.size(), 3u);
    EXPECT_EQ(u->mFlushes[0], 0);
    EXPECT_EQ(u->mFlushes[1], 1);
    EXPECT_EQ(t.battle.mTimeSlice, 4800);
    // Two of the three landed (class 7 spares nobody of the other side).
    EXPECT_EQ(target->mHits.size(), 2u);
    EXPECT_EQ(t.battle.mPendingAttacks.GetCount(), 0);
    EXPECT_EQ(t.battle.mNewAttacks.GetCount(), 0);
}

TEST(TurnPhase, QuietMinuteEndsAtSlice2402) {
    TurnBattle t;
    ScriptUnit* u = t.Add(kUnitInfantry, kAxis, 50, 50);
    t.battle.ActionPhase(true, false);
    EXPECT_EQ(t.battle.mTimeSlice, 2402);
    EXPECT_EQ(u->mFlushes, (std::vector<int32_t>{0}));
}

TEST(TurnPhase, AttackFiredWithNoDelayLandsNextSlice) {
    TurnBattle t;
    ScriptUnit* u = t.Add(kUnitInfantry, kAxis, 50, 50);
    ScriptUnit* target = t.Add(kUnitInfantry, kAllies, 60, 50);
    int32_t landed = -1;
    target->mScript = [&](ScriptUnit* self, int32_t slice) {
        if (landed < 0 && !self->mHits.empty()) landed = slice;
    };
    u->mScript = [&](ScriptUnit* self, int32_t slice) {
        if (slice == 100) t.Attack(self, kWClassSniper, 60, 50, 0);
    };
    t.battle.ActionPhase(true, false);
    // Resolved at the start of slice 101, before the target acts in it.
    EXPECT_EQ(landed, 101);
}

TEST(TurnPhase, AttacksMadeDuringTheExtensionLandInIt) {
    TurnBattle t;
    ScriptUnit* u = t.Add(kUnitInfantry, kAxis, 50, 50);
    u->mScript = [&](ScriptUnit* self, int32_t slice) {
        if (slice == 2400) t.Attack(self, kWClassSniper, 60, 50, 5);
    };
    // When the first attack lands, the hit unit makes an explosion the way
    // a vehicle's own explosion is made (deferred, then armed), aimed back
    // at the shooter's place.
    struct Secondary : ScriptUnit {
        using ScriptUnit::ScriptUnit;
        void TakeAreaHit(float power, int32_t value, PendingAttack* a) override {
            ScriptUnit::TakeAreaHit(power, value, a);
            if (mHits.size() == 1) {
                PendingAttack* own = gBattle->CreatePendingAttack(this, nullptr, 1, IsAxis(), true);
                own->mLOSRefreshOnly = false;
                own->mWeaponClass = kWClassSniper;
                own->mImpactX = 50;
                own->mImpactY = 50;
                own->mImpactZ = gBattle->mMap->GetZCoord(50, 50);
            }
        }
    };
    auto* second = new Secondary(kUnitInfantry);
    second->mSide = 0;
    second->mX = 60;
    second->mY = 50;
    second->mActive = true;
    t.battle.mUnits->Add(second);
    t.battle.ActionPhase(true, false);
    // The explosion made at 2405 landed at 2406 within the same phase.
    EXPECT_EQ(second->mHits.size(), 1u);
    EXPECT_EQ(u->mHits.size(), 1u);
    EXPECT_EQ(t.battle.mNewAttacks.GetCount(), 0);
}

TEST(TurnPhase, PacketOrder) {
    TurnBattle t;
    ScriptUnit* u = t.Add(kUnitInfantry, kAxis, 50, 50);
    ActionPacket* sound = t.Packet(kPacketSound, 5);
    ActionPacket* fox = t.Packet(kPacketFoxholeSpotted, 5);
    ActionPacket* dead = t.Packet(kPacketUnitState, 5);
    dead->mStatus = 2 << 6;
    dead->mUnit = u;
    ActionPacket* live = t.Packet(kPacketUnitState, 5);
    live->mStatus = 1 << 6;
    live->mUnit = u;
    ActionPacket* early = t.Packet(kPacketSound, 4);
    t.battle.mPackets.InsertionSort(Battle::ComparePackets, nullptr);
    std::vector<ActionPacket*> got;
    for (int32_t k = 0; k < t.battle.mPackets.GetCount(); ++k)
        got.push_back(static_cast<ActionPacket*>(t.battle.mPackets.GetObjectA(k)));
    EXPECT_EQ(got, (std::vector<ActionPacket*>{early, live, dead, fox, sound}));
}

TEST(TurnPhase, QuietTurnsByThreshold) {
    for (int32_t shots : {2, 3}) {
        TurnBattle t;
        t.battle.mQuietTurns[0] = t.battle.mQuietTurns[1] = 1;
        ScriptUnit* axis = t.Add(kUnitInfantry, kAxis, 50, 50);
        ScriptUnit* allies = t.Add(kUnitInfantry, kAllies, 150, 150);
        auto shoot = [&](ScriptUnit* self, int32_t slice) {
            if (slice < shots) t.battle.mActivity[self->GetAffiliation()] += 3000;
        };
        axis->mScript = shoot;
        allies->mScript = shoot;
        t.battle.ActionPhase(true, false);
        // The viewing side (Axis) needs 7500, the computer's 10000.
        EXPECT_EQ(t.battle.mQuietTurns[kAxis], shots == 2 ? 2 : 0) << shots;
        EXPECT_EQ(t.battle.mQuietTurns[kAllies], 2) << shots;
    }
}

TEST(TurnPhase, ReceivedTurnComputesNothingAndWaitsPaused) {
    TurnBattle t;
    ScriptUnit* u = t.Add(kUnitInfantry, kAxis, 50, 50);
    t.battle.mActivity[0] = 5;
    t.battle.mQuietTurns[1] = 3;
    t.Packet(kPacketSound, 7);
    t.battle.ActionPhase(false, false);
    EXPECT_TRUE(u->mActedAt.empty());
    EXPECT_EQ(t.battle.mActivity[0], 5);
    EXPECT_EQ(t.battle.mQuietTurns[1], 3);
    EXPECT_EQ(t.battle.mPlayState, 13);
    EXPECT_FALSE(t.battle.mComputing);
}

TEST(TurnPhase, GlobalMoraleWeighsSurvivors) {
    TurnBattle t;
    ScriptUnit* tank = t.Add(kUnitVehicle, kAxis, 10, 10);
    tank->mValue = 100.0f;
    ScriptUnit* squad = t.Add(kUnitInfantry, kAxis, 10, 10);
    squad->mValue = 10.0f;
    squad->mActive = false;
    t.battle.GlobalMorale();
    // Vehicle 50, rifle squad 30 (lost): (50 x survivors + 0.01) / 80.
    const float survivors = tank->SurvivorFraction();
    EXPECT_FLOAT_EQ(t.battle.mGlobalMorale[kAxis], (50.0f * survivors + 0.01f) / 80.0f);
    // A side with nothing gets 0.01 of 1.
    EXPECT_FLOAT_EQ(t.battle.mGlobalMorale[kAllies], 0.01f);
}

TEST(TurnPhase, SeededTurnsRepeat) {
    auto run = [](std::vector<int32_t>* kinds) {
        TurnBattle t;
        ScriptUnit* u = t.Add(kUnitInfantry, kAxis, 50, 50);
        u->mScript = [&](ScriptUnit*, int32_t slice) {
            if (slice % 300 == 0) t.battle.MakeSmokePacket(100.0f + slice * 0.01f, 80.0f, 0.0f, 1.0f);
        };
        t.battle.ActionPhase(true, false);
        for (int32_t k = 0; k < t.battle.mPackets.GetCount(); ++k) {
            auto* p = static_cast<ActionPacket*>(t.battle.mPackets.GetObjectA(k));
            kinds->push_back(p->mType * 100000 + p->mTimeSlice);
        }
        return GetRandomState();
    };
    std::vector<int32_t> a, b;
    EXPECT_EQ(run(&a), run(&b));
    EXPECT_EQ(a, b);
    EXPECT_FALSE(a.empty());
}
