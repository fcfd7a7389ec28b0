// How long the player waits for a computed turn, on the real battles: the
// largest demo scenario and the winter battle played through with their
// scripts (the action phase's mean and worst turn, the computer's planning
// of its side), and the
// generated battles of 300 and 600 units (bench/scenarios/), on one thread
// and on every core the process may use. The argument is the thread count;
// 0 is the default (the affinity mask or DM_SIM_THREADS).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>

#include "BenchScenarioPaths.h"
#include "ScenarioPaths.h"
#include "battle/Battle.h"
#include "battle/TurnClock.h"
#include "platform/SoftThreads.h"
#include "tools/scenarios/BattleRunner.h"
#include "units/Hack.h"

namespace {

struct Figures {
    int32_t turns = 0;
    double actionSum = 0.0, actionWorst = 0.0, planSum = 0.0, planWorst = 0.0, wallSum = 0.0;
    void Add(const RunnerTurn& t) {
        const TurnClock& c = LastTurnClock();
        ++turns;
        actionSum += c.actionMs;
        actionWorst = std::max(actionWorst, c.actionMs);
        planSum += c.planningMs;
        planWorst = std::max(planWorst, c.planningMs);
        wallSum += t.milliseconds;
    }
    void Report(benchmark::State& state) const {
        const double n = turns > 0 ? turns : 1;
        state.counters["turns"] = turns;
        state.counters["action_mean_ms"] = actionSum / n;
        state.counters["action_worst_ms"] = actionWorst;
        state.counters["plan_mean_ms"] = planSum / n;
        state.counters["plan_worst_ms"] = planWorst;
        state.counters["turn_mean_ms"] = wallSum / n;
        state.counters["threads"] = SoftThreadPool::SimulationThreads();
    }
};

struct Threads {
    explicit Threads(int64_t n) { SoftThreadPool::SetSimulationThreads(static_cast<int32_t>(n)); }
    ~Threads() { SoftThreadPool::SetSimulationThreads(0); }
};

// Plays the battle for up to `turns` turns; false with the reason.
bool Play(BattleRunner* runner, int32_t turns, Figures* f, std::string* error) {
    for (int32_t k = 0; k < turns && !runner->Over(); ++k) {
        RunnerTurn turn;
        if (!runner->RunTurn(&turn, error)) return false;
        f->Add(turn);
    }
    return true;
}

// A demo battle to its end with its script, the computer planning the Allies.
void DemoBattle(benchmark::State& state, const std::string& name) {
    if (!DecryptData()) {
        state.SkipWithError("no game data");
        return;
    }
    Threads threads(state.range(0));
    Figures f;
    for (auto _ : state) {
        BattleRunner runner;
        std::string error;
        if (!runner.Load(std::string(DM_SCENARIO_BUILT_DIR) + "/" + name + ".mvg", &error) ||
            !runner.LoadScript(std::string(DM_SCENARIO_SOURCE_DIR) + "/" + name + ".orders", &error) ||
            !Play(&runner, 40, &f, &error)) {
            state.SkipWithError(error.c_str());
            return;
        }
    }
    f.Report(state);
}

void BM_GrossangriffBattle(benchmark::State& state) { DemoBattle(state, "grossangriff"); }
BENCHMARK(BM_GrossangriffBattle)->Arg(1)->Arg(0)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

// The winter battle: its turn is to cost no more than grossangriff's.
void BM_HattenBattle(benchmark::State& state) { DemoBattle(state, "hatten"); }
BENCHMARK(BM_HattenBattle)->Arg(1)->Arg(0)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

// The first turns of a generated battle, the computer planning both sides.
void GeneratedBattle(benchmark::State& state, const char* name) {
    if (!DecryptData()) {
        state.SkipWithError("no game data");
        return;
    }
    Threads threads(state.range(0));
    Figures f;
    for (auto _ : state) {
        BattleRunner runner;
        runner.PlanSides(true, true);
        std::string error;
        if (!runner.Load(std::string(DM_BENCH_SCENARIO_DIR) + "/" + name, &error) ||
            !Play(&runner, 3, &f, &error)) {
            state.SkipWithError(error.c_str());
            return;
        }
    }
    f.Report(state);
}
void BM_Generated300UnitTurns(benchmark::State& state) {
    GeneratedBattle(state, "schlacht300.mvg");
}
void BM_Generated600UnitTurns(benchmark::State& state) {
    GeneratedBattle(state, "schlacht600.mvg");
}
BENCHMARK(BM_Generated300UnitTurns)->Arg(1)->Arg(0)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_Generated600UnitTurns)->Arg(1)->Arg(0)->Unit(benchmark::kSecond)->Iterations(1)->UseRealTime();

} // namespace
