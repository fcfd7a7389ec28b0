// The scenario builder writing every shipped scenario, the load of the
// large battalion battle, and one of its turns through the headless runner.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "ScenarioPaths.h"
#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "battle/UnitList.h"
#include "engine/GFile.h"
#include "tools/scenarios/BattleRunner.h"
#include "tools/scenarios/ScenarioBuild.h"
#include "units/Hack.h"
#include "units/Unit.h"

namespace {

const std::string kLarge = std::string(DM_SCENARIO_BUILT_DIR) + "/grossangriff.mvg";

void BM_BuildAllScenarios(benchmark::State& state) {
    if (!DecryptData()) {
        state.SkipWithError("no game data");
        return;
    }
    const std::string out = (std::filesystem::temp_directory_path() / "dm-bench-scenario.mvg").string();
    for (auto _ : state) {
        for (const auto& entry : std::filesystem::directory_iterator(DM_SCENARIO_SOURCE_DIR)) {
            if (entry.path().extension() != ".txt") continue;
            ScenarioFault fault;
            if (!BuildScenarioFile(entry.path().string(), out, &fault)) {
                state.SkipWithError(fault.Text().c_str());
                return;
            }
        }
    }
    std::remove(out.c_str());
}
BENCHMARK(BM_BuildAllScenarios)->Unit(benchmark::kMillisecond);

void BM_LoadLargeScenario(benchmark::State& state) {
    if (!DecryptData()) {
        state.SkipWithError("no game data");
        return;
    }
    for (auto _ : state) {
        GFile file;
        GameFileState fileState;
        GameFileContents contents;
        if (!file.IFile(kLarge.c_str(), kFileModeCompressedRead) ||
            ReadGameFile(&file, &fileState, &contents, {.takeSeed = true}) != kGameFileLoaded) {
            state.SkipWithError("the large scenario does not load");
            return;
        }
        delete contents.battle;
        delete contents.campaign;
    }
}
BENCHMARK(BM_LoadLargeScenario)->Unit(benchmark::kMillisecond);

// The first turn of the large scenario with its script, loaded afresh for
// each run outside the timing.
void BM_LargeScenarioTurn(benchmark::State& state) {
    if (!DecryptData()) {
        state.SkipWithError("no game data");
        return;
    }
    const std::string script = std::string(DM_SCENARIO_SOURCE_DIR) + "/grossangriff.orders";
    for (auto _ : state) {
        state.PauseTiming();
        BattleRunner runner;
        std::string error;
        if (!runner.Load(kLarge, &error) || !runner.LoadScript(script, &error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        state.ResumeTiming();
        RunnerTurn turn;
        if (!runner.RunTurn(&turn, &error)) {
            state.SkipWithError(error.c_str());
            return;
        }
    }
}
BENCHMARK(BM_LargeScenarioTurn)->Unit(benchmark::kMillisecond);

// A screen that takes the sounds played at once and drops them.
class CountingEar : public BattleHost {
public:
    void PlayPacketSound(ActionPacket*) override { ++played; }
    int64_t played = 0;
};

// Every engine of the large scenario started at once, as when its battle
// screen opens, seen from each side in turn.
void BM_StartVehicleSoundsLarge(benchmark::State& state) {
    if (!DecryptData()) {
        state.SkipWithError("no game data");
        return;
    }
    BattleRunner runner;
    std::string error;
    if (!runner.Load(kLarge, &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    Battle* battle = runner.GetBattle();
    BattleHost* old = battle->mHost;
    CountingEar ear;
    battle->mHost = &ear;
    battle->mSetupPhase = false;
    int64_t vehicles = 0;
    for (int32_t i = 0; i < battle->mUnits->GetCount(); ++i)
        vehicles += battle->mUnits->GetUnit(i)->mUnitType == kUnitVehicle;
    Affiliation side = kAxis;
    for (auto _ : state) {
        ear.SetViewingSide(side);
        battle->StartVehicleSounds();
        side = side == kAxis ? kAllies : kAxis;
    }
    state.counters["vehicles"] = static_cast<double>(vehicles);
    state.counters["played"] =
        benchmark::Counter(static_cast<double>(ear.played), benchmark::Counter::kAvgIterations);
    battle->mHost = old;
}
BENCHMARK(BM_StartVehicleSoundsLarge)->Unit(benchmark::kMicrosecond);

} // namespace
