// The shipped demo operation: built from its description, and loaded
// through the game file's reader as the scenario list's play button does.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "ScenarioPaths.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "engine/GFile.h"
#include "tools/scenarios/ScenarioBuild.h"
#include "units/Hack.h"

namespace {

void BM_BuildDemoOperation(benchmark::State& state) {
    if (!DecryptData()) {
        state.SkipWithError("no game data");
        return;
    }
    const std::string out = (std::filesystem::temp_directory_path() / "dm-bench-operation.mvh").string();
    for (auto _ : state) {
        ScenarioFault fault;
        if (!BuildScenarioFile(std::string(DM_OPERATION_SOURCE_DIR) + "/mortain.txt", out, &fault)) {
            state.SkipWithError(fault.Text().c_str());
            return;
        }
    }
    std::remove(out.c_str());
}
BENCHMARK(BM_BuildDemoOperation)->Unit(benchmark::kMillisecond);

void BM_LoadDemoOperationFile(benchmark::State& state) {
    if (!DecryptData()) {
        state.SkipWithError("no game data");
        return;
    }
    const std::string path = std::string(DM_SCENARIO_BUILT_DIR) + "/mortain.mvh";
    for (auto _ : state) {
        GFile file;
        GameFileState fileState;
        GameFileContents contents;
        if (!file.IFile(path.c_str(), kFileModeCompressedRead) ||
            ReadGameFile(&file, &fileState, &contents, {.takeSeed = true}) != kGameFileLoaded ||
            !contents.campaign) {
            state.SkipWithError("the demo operation does not load");
            return;
        }
        benchmark::DoNotOptimize(contents.campaign->mLastTurn);
        delete contents.battle;
        delete contents.campaign;
    }
}
BENCHMARK(BM_LoadDemoOperationFile)->Unit(benchmark::kMillisecond);

} // namespace
