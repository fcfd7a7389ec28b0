// The sight trace and the sight cache where the player waits: whole turns of
// the largest demo battle (the computer plans both sides; each turn's time
// and the Axis planning's time are taken apart), and the trace alone over
// random lines of every demo map.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ScenarioPaths.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "map/Map.h"
#include "tools/scenarios/BattleRunner.h"
#include "units/Hack.h"
#include "units/Unit.h"

namespace {

// Turns 1..state.range(0) (the whole battle: 25) of grossangriff with its script, both sides
// planned by the computer. Counters: mean and worst turn (planning of both
// sides, action phase and the playback of the turn), mean and worst
// planning of one side (the Axis), all in milliseconds of CPU time of the
// thread that computes (one core).
void BM_GrossangriffTurns(benchmark::State& state)
{
    if (!DecryptData()) {
        state.SkipWithError("no game data");
        return;
    }
    const std::string scenario = std::string(DM_SCENARIO_BUILT_DIR) + "/grossangriff.mvg";
    const std::string script = std::string(DM_SCENARIO_SOURCE_DIR) + "/grossangriff.orders";
    std::vector<double> turns, plans;
    for (auto _ : state) {
        BattleRunner runner;
        runner.PlanSides(true, true);
        std::string error;
        if (!runner.Load(scenario, &error) || !runner.LoadScript(script, &error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        for (int64_t t = 0; t < state.range(0) && !runner.Over(); ++t) {
            RunnerTurn turn;
            const double start = ThreadCpuMilliseconds();
            if (!runner.RunTurn(&turn, &error)) break;
            turns.push_back(ThreadCpuMilliseconds() - start);
            plans.push_back(turn.planMilliseconds);
        }
    }
    auto mean = [](const std::vector<double>& v) {
        double s = 0;
        for (double x : v) s += x;
        return v.empty() ? 0.0 : s / static_cast<double>(v.size());
    };
    state.counters["turn_mean_ms"] = mean(turns);
    state.counters["turn_worst_ms"] = turns.empty() ? 0.0 : *std::max_element(turns.begin(), turns.end());
    state.counters["plan_mean_ms"] = mean(plans);
    state.counters["plan_worst_ms"] = plans.empty() ? 0.0 : *std::max_element(plans.begin(), plans.end());
    state.counters["turns"] = static_cast<double>(turns.size()) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_GrossangriffTurns)->Arg(25)->Unit(benchmark::kMillisecond)->Iterations(1);

// CheckLOS over random lines of each demo map, unit eye heights over the
// ground, with the scenario's units (burning ones among them) as smoke.
void BM_CheckLOSDemoMaps(benchmark::State& state)
{
    if (!DecryptData()) {
        state.SkipWithError("no game data");
        return;
    }
    static const char* kNames[] = {"hecken", "bruecke", "panzer", "grossangriff", "ausbruch"};
    const std::string name = kNames[state.range(0)];
    BattleRunner runner;
    std::string error;
    if (!runner.Load(std::string(DM_SCENARIO_BUILT_DIR) + "/" + name + ".mvg", &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    Map& map = *runner.GetBattle()->mMap;
    struct Line {
        float x1, y1, z1, x2, y2, z2;
    };
    std::vector<Line> lines(4096);
    uint64_t s = 7;
    auto unit = [&s]() {
        s = s * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<float>(s >> 40) / static_cast<float>(1 << 24);
    };
    for (Line& l : lines) {
        l.x1 = unit() * map.mWidthMetres;
        l.y1 = unit() * map.mHeightMetres;
        l.x2 = std::clamp(l.x1 + (unit() - 0.5f) * 1200.0f, 0.0f, map.mWidthMetres - 1.0f);
        l.y2 = std::clamp(l.y1 + (unit() - 0.5f) * 1200.0f, 0.0f, map.mHeightMetres - 1.0f);
        l.z1 = map.GetZCoord(l.x1, l.y1) + 1.6f;
        l.z2 = map.GetZCoord(l.x2, l.y2) + 1.6f;
    }
    size_t k = 0;
    for (auto _ : state) {
        const Line& l = lines[k++ & 4095];
        float vis = 0;
        map.CheckLOS(false, true, false, l.x1, l.y1, l.z1, l.x2, l.y2, l.z2, &vis, nullptr, nullptr, nullptr, nullptr);
        benchmark::DoNotOptimize(vis);
    }
    state.SetLabel(name);
}
BENCHMARK(BM_CheckLOSDemoMaps)->DenseRange(0, 4)->Unit(benchmark::kNanosecond);

} // namespace

namespace {

// The sight cache of grossangriff filled with every pair of its units (as
// after a round of spotting), then 200 voids at random places (smoke,
// impacts, fires: radius 30 m), as the action phase makes them, and every
// pair asked once (a void is carried out when its pair is next found). The
// fill is outside the timing.
void BM_VoidLOSGrossangriffFullCache(benchmark::State& state)
{
    if (!DecryptData()) {
        state.SkipWithError("no game data");
        return;
    }
    BattleRunner runner;
    std::string error;
    if (!runner.Load(std::string(DM_SCENARIO_BUILT_DIR) + "/grossangriff.mvg", &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    Battle* battle = runner.GetBattle();
    Map& map = *battle->mMap;
    std::vector<Unit*> units;
    for (int32_t i = 0; i < battle->mUnits->GetCount(); ++i) units.push_back(battle->mUnits->GetUnit(i));
    uint64_t s = 11;
    auto unit = [&s]() {
        s = s * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<float>(s >> 40) / static_cast<float>(1 << 24);
    };
    int64_t pairs = 0, kept = 0;
    for (auto _ : state) {
        state.PauseTiming();
        map.DeleteLOSTable();
        for (size_t a = 0; a < units.size(); ++a)
            for (size_t b = a + 1; b < units.size(); ++b)
                map.StoreLOS(units[a], units[b], true, 0.5f, false, false, false);
        pairs = static_cast<int64_t>(units.size() * (units.size() - 1) / 2);
        state.ResumeTiming();
        for (int k = 0; k < 200; ++k) map.VoidLOS(unit() * map.mWidthMetres, unit() * map.mHeightMetres, 30.0f);
        kept = 0;
        for (size_t a = 0; a < units.size(); ++a)
            for (size_t b = a + 1; b < units.size(); ++b) {
                bool los = false;
                kept += map.CheckStoredLOS(units[a], units[b], &los, nullptr, nullptr, nullptr) ? 1 : 0;
            }
    }
    state.counters["pairs"] = static_cast<double>(pairs);
    state.counters["kept"] = static_cast<double>(kept);
}
BENCHMARK(BM_VoidLOSGrossangriffFullCache)->Unit(benchmark::kMillisecond);

} // namespace
