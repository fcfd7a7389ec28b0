// The scenario builder writing every shipped scenario, the load of the
// large battalion battle, one of its turns through the headless runner, and
// one drawn frame's animation of all its units.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "ScenarioPaths.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "battle/UnitList.h"
#include "engine/GFile.h"
#include "engine/GKernel.h"
#include "tools/scenarios/BattleRunner.h"
#include "tools/scenarios/ScenarioBuild.h"
#include "units/Hack.h"

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

// One drawn frame's animation of every unit on the large scenario's map,
// 33 ms a frame on the kernel's clock.
void BM_AnimateLargeScenarioFrame(benchmark::State& state) {
    if (!DecryptData()) {
        state.SkipWithError("no game data");
        return;
    }
    GFile file;
    GameFileState fileState;
    GameFileContents contents;
    if (!file.IFile(kLarge.c_str(), kFileModeCompressedRead) ||
        ReadGameFile(&file, &fileState, &contents, {.takeSeed = true}) != kGameFileLoaded) {
        state.SkipWithError("the large scenario does not load");
        return;
    }
    delete contents.campaign;
    Battle* battle = contents.battle;
    gBattle = battle;
    battle->mSetupPhase = false;
    GKernel* oldKernel = gKernel;
    gKernel = new GKernel;
    gKernel->mCurrentTime = 100000;
    gKernel->mFrameMs = 33;
    for (int32_t i = 0; i < 4; ++i) // every figure started
        battle->AdvanceAnimations();
    for (auto _ : state) {
        gKernel->mCurrentTime += 33;
        battle->AdvanceAnimations();
    }
    state.SetLabel(std::to_string(battle->mUnits->GetCount()) + " units");
    delete gKernel;
    gKernel = oldKernel;
    delete battle;
    gBattle = nullptr;
}
BENCHMARK(BM_AnimateLargeScenarioFrame)->Unit(benchmark::kMicrosecond);

} // namespace
