// A whole turn: the action phase of 300 units with shells in flight, the
// playback of its packets, and a rewind to a slice.

#include <benchmark/benchmark.h>

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/PendingAttack.h"
#include "battle/UnitList.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/Unit.h"

namespace {

class ClockHost : public BattleHost {
public:
    uint32_t ClockTime() override { return mClock; }
    uint32_t mClock = 0;
};

// A unit of the unit rules' own per-slice conduct that also fires a shell
// every 20 s and records its state twice a second.
class BenchUnit : public Unit {
public:
    explicit BenchUnit(UnitType kind) { mUnitType = kind; }
    void TakeAreaHit(float, int32_t, PendingAttack*) override {}
    void ConcatName(GString*, bool) override {}
    void DrawCode(bool, float, float) override {}
    void MasterControl() override {
        Unit::MasterControl();
        Battle* b = gBattle;
        const int32_t s = b->mTimeSlice;
        if ((s + mIndex) % 20 == 0) {
            ActionPacket* p = b->CreateActionPacket(0);
            p->mType = kPacketUnitState;
            p->mUnit = this;
            p->mStatus = 1 << 6;
            p->mX = mX;
            p->mY = mY;
        }
        if ((s + mIndex * 7) % 800 == 0) {
            ActionPacket* shell = b->CreateActionPacket(0);
            shell->mType = kPacketShell;
            shell->mLook = 9;
            shell->mBlast = 2.0f;
            shell->mShellFlags = 0x01;
            shell->mFlightTime = 90;
            shell->mFirer = this;
            shell->mEndX = 1000.0f - mX;
            shell->mEndY = mY;
            PendingAttack* a = b->CreatePendingAttack(this, nullptr, 90, IsAxis(), false);
            a->mPacket = shell;
            a->mWeaponClass = kWClassMortar;
            a->mImpactX = shell->mEndX;
            a->mImpactY = shell->mEndY;
        }
    }
};

struct BenchTurn {
    BenchTurn() {
        old = gBattle;
        gBattle = &battle;
        battle.IBattleStub();
        battle.mStub = false;
        battle.mMap = new Map;
        battle.mMap->IBlankMap(50, 50, 1.0f, 10);
        battle.mHost = &host;
        battle.mSetupPhase = false;
        for (int32_t i = 0; i < 300; ++i) {
            auto* u = new BenchUnit(i % 3 == 0 ? kUnitVehicle : kUnitInfantry);
            u->mSide = i % 2;
            u->mIndex = static_cast<uint16_t>(i);
            u->mX = 100.0f + static_cast<float>(i % 20) * 40.0f;
            u->mY = 100.0f + static_cast<float>(i / 20) * 50.0f;
            u->mActive = true;
            battle.mUnits->Add(u);
        }
        SeedRandomGenerator(5);
    }
    ~BenchTurn() {
        battle.mHost = nullptr;
        gBattle = old;
    }
    ClockHost host;
    Battle battle;
    Battle* old = nullptr;
};

void BM_ActionPhase300Units(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto* t = new BenchTurn;
        t->battle.mTimeSlice = 0;
        state.ResumeTiming();
        t->battle.ActionPhase(true, false);
        benchmark::DoNotOptimize(t->battle.mPackets.GetCount());
        state.PauseTiming();
        delete t;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ActionPhase300Units)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PlaybackOfAFullTurn(benchmark::State& state) {
    BenchTurn t;
    t.battle.ActionPhase(true, false);
    state.counters["packets"] = t.battle.mPackets.GetCount();
    for (auto _ : state) {
        t.battle.HandleVCRButton(11, false);
        t.battle.mPlayState = 15;
        // Playback at 25 frames a second, to the end rule.
        for (int32_t guard = 0; guard < 100000 && t.battle.mPlayState == 15; ++guard) {
            t.host.mClock += 40;
            t.battle.Playback();
            t.battle.PlaySoundQueue();
        }
    }
}
BENCHMARK(BM_PlaybackOfAFullTurn)->Unit(benchmark::kMillisecond);

void BM_RewindToSlice(benchmark::State& state) {
    BenchTurn t;
    t.battle.ActionPhase(true, false);
    t.battle.SetPlaypoint(2300);
    for (auto _ : state) {
        // Back from the end: the turn replays silently up to the slice.
        t.battle.SetPlaypoint(2300);
        t.battle.HandleVCRButton(12, false);
    }
}
BENCHMARK(BM_RewindToSlice)->Unit(benchmark::kMillisecond);

} // namespace
