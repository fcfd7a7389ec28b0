// The computer side's set-up: one side of 150 units and 20 fortifications
// on a 2 km map, and its line-of-fire grid alone; the same side placing
// itself freely with no fortifications and with 60, for what they cost.

#include <benchmark/benchmark.h>

#include <memory>

#include "ScenarioPaths.h"
#include "ai/AIPlanning.h"
#include "ai/AISetup.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "battle/VictoryFlag.h"
#include "engine/GDynamicArray.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "tools/scenarios/BattleRunner.h"
#include "units/Hack.h"
#include "units/Inanimate.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

namespace {

template <class Base> class SetupKind : public Base {
public:
    void TakeAreaHit(float, int32_t, PendingAttack*) override {}
    void ConcatName(GString*, bool) override {}
    void DrawCode(bool, float, float) override {}
    bool CanOccupyLocation(float x, float y, bool) override {
        return gBattle && gBattle->mMap->OnMap(x, y) &&
               gBattle->mMap->GetTerrain(x, y, false) != kTerrainWater;
    }
    float GetTEMFromLocation(float x, float y, float, bool, bool, bool, WeaponClass, bool, float*) override {
        return gBattle->mMap->IsCoverAt(x, y, false) ? 0.3f : 1.0f;
    }
    bool AllowedToTarget() override { return true; }
};
class SetupInfantry : public SetupKind<Unit> {
public:
    SetupInfantry() { mUnitType = kUnitInfantry; }
};
class SetupVehicle : public SetupKind<Vehicle> {};

// A 2 km square map with woods in patches, the Axis zone along its west
// third, five objectives and the Axis side to place.
struct SetupBench {
    Battle battle;
    Battle* old = gBattle;

    explicit SetupBench(bool defend, int32_t items = 20, bool free = false) {
        gBattle = &battle;
        battle.IBattleStub();
        battle.mMap = new Map;
        battle.mMap->IBlankMap(100, 100, 1.0f, 0);
        battle.mMap->mLOSCacheOn = false;
        battle.mVisibilityDistance = 2000.0f;
        battle.mAttacker = defend ? kAllies : kAxis;
        for (int32_t i = 0; i < 1000; i += 3)
            for (int32_t j = (i / 3) % 4; j < 1000; j += 7)
                battle.mMap->SetPoint(i, j, EncodePoint(0, kTerrainWoods));
        for (int32_t c = 0; c < 100; ++c)
            for (int32_t r = 0; r < 100; ++r)
                battle.mMap->GetSquare(c, r)->mSetupZone = c < 34 ? 4 : (c >= 66 ? 1 : 0);
        SeedRandomGenerator(99);
        for (int32_t k = 0; k < 150; ++k) {
            Unit* u = k % 10 == 9 ? static_cast<Unit*>(new SetupVehicle()) : new SetupInfantry();
            if (u->mUnitType == kUnitVehicle) u->mSubtype = -1;
            u->mSide = 1;
            u->mX = 100.0f + static_cast<float>(RandomPick(500));
            u->mY = 100.0f + static_cast<float>(RandomPick(1800));
            u->mActive = true;
            battle.mUnits->Add(u);
        }
        battle.mSideShortA[0] = free ? 1 : 0;
        for (int32_t k = 0; k < items; ++k) {
            auto* item = new Inanimate;
            item->mUnitType = kUnitInanimate;
            item->mSubtype = k % 7;
            item->mSide = 1;
            item->mX = 50.0f;
            item->mY = 50.0f + 10.0f * static_cast<float>(k % 20);
            item->mActive = true;
            battle.mUnits->Add(item);
        }
        for (int32_t i = 0; i < 5; ++i) {
            auto* f = new VictoryFlag();
            f->mX = 500.0f + 250.0f * static_cast<float>(i);
            f->mY = 300.0f + 350.0f * static_cast<float>(i);
            f->mKind = 0;
            battle.mFlags.Add(f);
        }
        gAISide = kAxis;
        gAIDefending = defend;
        battle.AICalculateFlagGraph();
    }
    ~SetupBench() { gBattle = old; }
};

void RunSetup(benchmark::State& state, bool defend, int32_t items = 20, bool free = false) {
    for (auto _ : state) {
        state.PauseTiming();
        auto b = std::make_unique<SetupBench>(defend, items, free);
        state.ResumeTiming();
        b->battle.AISetup();
        benchmark::DoNotOptimize(b->battle.mAIGroups[kAxis]);
        state.PauseTiming();
        b.reset();
        state.ResumeTiming();
    }
}

void BM_AISetupDefence150(benchmark::State& state) {
    RunSetup(state, true);
}
BENCHMARK(BM_AISetupDefence150)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_AISetupAttack150(benchmark::State& state) {
    RunSetup(state, false);
}
BENCHMARK(BM_AISetupAttack150)->Unit(benchmark::kMillisecond)->Iterations(2);

// Free placement on the 100 x 100 map: the difference between the two
// arguments is what placing 60 fortifications costs.
void BM_AISetupFreeFortifications(benchmark::State& state) {
    RunSetup(state, true, static_cast<int32_t>(state.range(0)), true);
}
BENCHMARK(BM_AISetupFreeFortifications)->Arg(0)->Arg(60)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_AIRateLinesOfFire2km(benchmark::State& state) {
    SetupBench b(true);
    GDynamicArray grid;
    AIMakeLinesOfFireGrid(&grid);
    for (auto _ : state) {
        AIRateLinesOfFire(&grid);
        benchmark::DoNotOptimize(grid.GetData());
    }
}
BENCHMARK(BM_AIRateLinesOfFire2km)->Unit(benchmark::kMillisecond)->Iterations(2);

// Each shipped scenario played to its ending with the computer planning both
// sides, from the scenario's own seed: whether it ended, the units left off
// the map and the men each side lost.
void BM_ComputerPlaysBothSides(benchmark::State& state) {
    static const char* const kNames[] = {"hecken", "bruecke", "panzer", "grossangriff"};
    if (!DecryptData()) {
        state.SkipWithError("no game data");
        return;
    }
    const std::string path = std::string(DM_SCENARIO_BUILT_DIR) + "/" + kNames[state.range(0)] + ".mvg";
    for (auto _ : state) {
        BattleRunner runner;
        runner.PlanSides(true, true);
        std::string error;
        if (!runner.Load(path, &error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        Battle* battle = runner.GetBattle();
        for (int32_t n = 0; !runner.Over() && n <= battle->mLastTurn; ++n) {
            RunnerTurn turn;
            if (!runner.RunTurn(&turn, &error)) break;
        }
        int32_t offMap = 0, lost[2] = {0, 0};
        for (int32_t i = 0; i < battle->mUnits->GetCount(); ++i) {
            Unit* u = battle->mUnits->GetUnit(i);
            lost[u->GetAffiliation()] += u->mCasualties;
            if (u->mActive && u->mOffMapState == 0 && !battle->mMap->OnMap(u->mX, u->mY)) ++offMap;
        }
        state.counters["ended"] = runner.Over() ? 1 : 0;
        state.counters["off_map"] = offMap;
        state.counters["axis_lost"] = lost[0];
        state.counters["allies_lost"] = lost[1];
    }
}
BENCHMARK(BM_ComputerPlaysBothSides)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
