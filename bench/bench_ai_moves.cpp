// The computer opponent's unit moves in a 300-unit battle with the sight
// cache off, as while planning.

#include <benchmark/benchmark.h>

#include <cmath>

#include "ai/AIMoves.h"
#include "ai/AIPlanning.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "battle/VictoryFlag.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

namespace {

template <class Base> class BenchKind : public Base {
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
    bool AllowedToTarget() override { return mAllowed; }
    bool InRange(float d, bool, float factor) override { return d <= 800.0f * factor; }
    float GetVPValue(bool, DataKnowledge) override { return 10.0f; }
    AmmoClass ChooseAmmo(Unit*, bool) override { return 0; }
    float AIGetGeneralAbilityToHarmAsNumber(Unit*, AmmoClass, bool, bool, bool, DataKnowledge, DataKnowledge,
                                            bool) override {
        return 0.4f;
    }
    void ReceiveTargetOrders(Unit* target, float, float, bool, int32_t) override { this->mTarget = target; }
    bool mAllowed = true;
};
class BenchInfantry : public BenchKind<Unit> {
public:
    BenchInfantry() { mUnitType = kUnitInfantry; }
};
class BenchVehicle : public BenchKind<Vehicle> {};

// A 2 km square map with woods in patches and 300 units, half a side each,
// spotted and aiming at each other.
struct PlanningBattle {
    Battle battle;
    Battle* old = gBattle;
    Unit* infantry = nullptr;
    BenchVehicle* vehicle = nullptr;

    PlanningBattle() {
        gBattle = &battle;
        battle.IBattleStub();
        battle.mMap = new Map;
        battle.mMap->IBlankMap(100, 100, 1.0f, 0);
        battle.mMap->mLOSCacheOn = false;
        battle.mSetupPhase = false;
        for (int32_t i = 0; i < 500; i += 3)
            for (int32_t j = (i / 3) % 4; j < 1000; j += 7)
                battle.mMap->SetPoint(i, j, EncodePoint(0, kTerrainWoods));
        SeedRandomGenerator(99);
        for (int32_t k = 0; k < 300; ++k) {
            Unit* u = k % 10 == 9 ? static_cast<Unit*>(new BenchVehicle()) : new BenchInfantry();
            u->mSide = k % 2 ? 1 : 0;
            u->mX = 300.0f + static_cast<float>(k % 2 ? 0 : 800) + static_cast<float>(RandomPick(600));
            u->mY = 200.0f + static_cast<float>(RandomPick(1600));
            u->mActive = true;
            u->mContactLevel = 5;
            battle.mUnits->Add(u);
        }
        for (int32_t k = 0; k < 300; ++k) {
            auto* u = static_cast<Unit*>(battle.mUnits->GetObjectA(k));
            u->mTarget = static_cast<Unit*>(battle.mUnits->GetObjectA((k + 1) % 300));
        }
        infantry = static_cast<Unit*>(battle.mUnits->GetObjectA(0));
        vehicle = static_cast<BenchVehicle*>(battle.mUnits->GetObjectA(9));
        gAISide = kAxis;
        gAIDefending = false;
    }
    ~PlanningBattle() { gBattle = old; }
};

void BM_AIRateFuzzies(benchmark::State& state) {
    PlanningBattle b;
    b.infantry->mTarget = nullptr; // the search for a would-be target
    for (auto _ : state) {
        float combat = 0.0f, objective = 0.0f;
        b.infantry->AIRateFuzzies(400.0f, &combat, &objective);
        b.infantry->mTarget = nullptr;
        benchmark::DoNotOptimize(combat);
    }
}
BENCHMARK(BM_AIRateFuzzies)->Unit(benchmark::kMicrosecond);

void BM_AIDoCombatMoveNear(benchmark::State& state) {
    PlanningBattle b;
    for (auto _ : state)
        benchmark::DoNotOptimize(b.infantry->AIDoCombatMove(false, false));
}
BENCHMARK(BM_AIDoCombatMoveNear)->Unit(benchmark::kMicrosecond);

void BM_AIDoCombatMoveWideInfantry(benchmark::State& state) {
    PlanningBattle b;
    for (auto _ : state)
        benchmark::DoNotOptimize(b.infantry->AIDoCombatMove(true, true));
}
BENCHMARK(BM_AIDoCombatMoveWideInfantry)->Unit(benchmark::kMicrosecond);

void BM_AIDoCombatMoveVehicleRing(benchmark::State& state) {
    PlanningBattle b;
    // Staying scores best, so the search goes on to the 8-square ring.
    for (auto _ : state)
        benchmark::DoNotOptimize(b.vehicle->AIDoCombatMove(true, false));
}
BENCHMARK(BM_AIDoCombatMoveVehicleRing)->Unit(benchmark::kMicrosecond);

void BM_AIMakePathToAcrossTheMap(benchmark::State& state) {
    PlanningBattle b;
    b.infantry->mX = 10.0f;
    b.infantry->mY = 10.0f;
    for (auto _ : state) {
        b.infantry->AIMakePathTo(1990.0f, 1990.0f, false, true, nullptr);
        benchmark::DoNotOptimize(b.infantry->mNrWaypoints);
    }
}
BENCHMARK(BM_AIMakePathToAcrossTheMap)->Unit(benchmark::kMicrosecond);

void BM_AICalculateFlagGraph(benchmark::State& state) {
    PlanningBattle b;
    for (int32_t i = 0; i < 20; ++i) {
        auto* f = new VictoryFlag();
        f->mX = 100.0f + 90.0f * static_cast<float>(i);
        f->mY = 300.0f + 60.0f * static_cast<float>(i % 5);
        f->mKind = i % 2;
        b.battle.mFlags.Add(f);
    }
    for (auto _ : state) {
        b.battle.AICalculateFlagGraph();
        state.PauseTiming();
        delete b.battle.mObjectiveGraph;
        b.battle.mObjectiveGraph = nullptr;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AICalculateFlagGraph)->Unit(benchmark::kMicrosecond);

} // namespace
