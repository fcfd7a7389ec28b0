// Unit packets of a turn, unit sounds, the load mix and leaders' names.
// Budgets: filling or playing back a moving unit's packet under 150 ns (a
// turn's 50,000 under 10 ms), a shot's or shout's sound under 300 ns, a load
// mix under 200 ns, names for 300 units under 1 ms.

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "engine/GOLTA.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/Hack.h"
#include "units/Names_VX.h"
#include "units/Unit.h"

namespace {

class BenchUnit : public Unit {
public:
    explicit BenchUnit(UnitType kind) { mUnitType = kind; }
    void TakeAreaHit(float, int32_t, PendingAttack*) override {}
    void ConcatName(GString*, bool) override {}
    void DrawCode(bool, float, float) override {}
};

// The real tables and a battle in its action phase, for one benchmark.
struct Scene {
    Scene() {
        DecryptData();
        old = gBattle;
        gBattle = &battle;
        battle.mTimeSlice = 500;
        SeedRandomGenerator(1);
    }
    ~Scene() {
        battle.mPackets.EmptyOut(true);
        gBattle = old;
        DeleteCryptoData();
    }
    Battle battle;
    Battle* old = nullptr;
};

// A squad on the move toward its second waypoint, firing.
void Moving(Unit* u) {
    u->mX = 300.0f;
    u->mY = 200.0f;
    u->mHeading = 45.0f;
    u->mPlaybackSpeed = 0.04f;
    u->mTurnRate = 1.0f;
    u->mNrWaypoints = 2;
    u->mWaypoints[0].mOrder = 4;
    u->mAnimation[0] = 4;
    u->mActive = true;
    u->mContactLevel = 3;
}

InfantryType SquadWithTeams() {
    for (int32_t i = 0; i < gInfantryData.Count(); ++i)
        if (gInfantryData[i].mIsSquad && gInfantryData[i].mNrTeams >= 2) return i;
    return 0;
}

WeaponType GunWithMix() {
    for (int32_t i = 0; i < gWeaponData.Count(); ++i)
        if (gWeaponData[i].mClass == kWClassGun && gWeaponData[i].mAmmo[1].mType > 0) return i;
    return 0;
}

} // namespace

// A turn's worth of unit packets, made and freed.
static void BM_FillPacketTurn(benchmark::State& state) {
    Scene scene;
    BenchUnit u(kUnitInfantry);
    u.mSubtype = SquadWithTeams();
    Moving(&u);
    for (auto _ : state) {
        for (int i = 0; i < 50000; ++i)
            benchmark::DoNotOptimize(u.FillPacket());
        scene.battle.mPackets.EmptyOut(true);
    }
    state.SetItemsProcessed(state.iterations() * 50000);
}
BENCHMARK(BM_FillPacketTurn)->Unit(benchmark::kMillisecond);

static void BM_ProcessActionPacket(benchmark::State& state) {
    Scene scene;
    BenchUnit u(kUnitInfantry);
    Moving(&u);
    ActionPacket* a = u.FillPacket();
    u.mAnimation[0] = 9;
    ActionPacket* b = u.FillPacket();
    BenchUnit viewer(kUnitInfantry);
    bool flip = false;
    for (auto _ : state) {
        viewer.ProcessActionPacket(flip ? a : b); // the animation changes each time
        flip = !flip;
        benchmark::DoNotOptimize(viewer.mX);
    }
}
BENCHMARK(BM_ProcessActionPacket);

static void BM_AddSoundEffectFire(benchmark::State& state) {
    Scene scene;
    BenchUnit u(kUnitInfantry);
    u.mSubtype = SquadWithTeams();
    Moving(&u);
    int n = 0;
    for (auto _ : state) {
        u.AddSoundEffectFire(kWClassSmallArms, kWeaponNone, 150.0f, 500);
        if (++n == 100000) {
            state.PauseTiming();
            scene.battle.mPackets.EmptyOut(true);
            n = 0;
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_AddSoundEffectFire);

static void BM_AddSoundEffectVoice(benchmark::State& state) {
    Scene scene;
    BenchUnit u(kUnitInfantry);
    Moving(&u);
    int n = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(u.AddSoundEffectVoice(25, 200, 0.5f, 2.0f));
        if (++n == 100000) {
            state.PauseTiming();
            scene.battle.mPackets.EmptyOut(true);
            n = 0;
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_AddSoundEffectVoice);

static void BM_AmmoAvailable(benchmark::State& state) {
    Scene scene;
    const WeaponType gun = GunWithMix();
    int32_t mix[8];
    for (auto _ : state) {
        AmmoAvailable(gun, false, 0, mix);
        benchmark::DoNotOptimize(mix);
    }
}
BENCHMARK(BM_AmmoAvailable);

// Names for a battle of 300 units, from fresh tables.
static void BM_NamesFor300Units(benchmark::State& state) {
    Scene scene;
    std::vector<std::unique_ptr<BenchUnit>> units;
    for (int i = 0; i < 300; ++i)
        units.push_back(std::make_unique<BenchUnit>(kUnitInfantry));
    for (auto _ : state) {
        std::memset(gSergeantNameTaken, 0, sizeof(gSergeantNameTaken));
        for (auto& u : units) {
            u->mNameIndex = 0;
            u->AssignSergeantName();
        }
    }
}
BENCHMARK(BM_NamesFor300Units)->Unit(benchmark::kMicrosecond);
