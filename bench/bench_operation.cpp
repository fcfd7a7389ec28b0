// The demo operation: opened as the program opens it from the list (the file
// read and its first strip cut), and the steps between its second and third
// battle after the second was fought to its end by the computer.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "ScenarioPaths.h"
#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "engine/GFile.h"
#include "tools/scenarios/OperationRunner.h"
#include "units/Hack.h"

namespace {

const std::string kDemo = std::string(DM_SCENARIO_BUILT_DIR) + "/mortain.mvh";

void BM_OpenDemoOperation(benchmark::State& state) {
    if (!DecryptData()) {
        state.SkipWithError("no game data");
        return;
    }
    BattleHost host;
    for (auto _ : state) {
        GFile file;
        file.IFile(kDemo.c_str(), kFileModeCompressedRead);
        GameFileState fileState;
        GameFileContents contents;
        ReadGameFile(&file, &fileState, &contents, {.takeSeed = true, .host = &host});
        Campaign* op = contents.campaign;
        Campaign* kept = gCampaign;
        gCampaign = op;
        Battle* first = op ? op->StepToNextBattle(nullptr, fileState.randomSeed, &host) : nullptr;
        if (!first) state.SkipWithError("the demo operation does not open");
        delete first;
        gCampaign = kept;
        delete op;
    }
}
BENCHMARK(BM_OpenDemoOperation)->Unit(benchmark::kMillisecond);

void BM_StepsBetweenBattles(benchmark::State& state) {
    if (!DecryptData()) {
        state.SkipWithError("no game data");
        return;
    }
    // The operation with its second battle fought to its end, kept as a
    // saved game; each pass loads it and takes the steps.
    const std::string path =
        (std::filesystem::temp_directory_path() / "dm-bench-operation-steps.mvh").string();
    {
        OperationRunner runner;
        std::string error;
        OperationBattle first, second;
        if (!runner.Load(kDemo, &error) || !runner.PlayBattle(&first, &error) ||
            !runner.PlayTurns(0, &second, &error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        GFile file;
        file.IFile(path.c_str(), kFileModeCompressedWrite);
        GameFileState fileState;
        fileState.players = 1;
        fileState.scenarioName = runner.GetCampaign()->mTitle;
        Battle* kept = gBattle;
        gBattle = runner.CurrentBattle();
        WriteGameFile(&file, &fileState, runner.CurrentBattle(), runner.GetCampaign());
        gBattle = kept;
    }
    BattleHost host;
    for (auto _ : state) {
        state.PauseTiming();
        GFile file;
        file.IFile(path.c_str(), kFileModeCompressedRead);
        GameFileState fileState;
        GameFileContents contents;
        ReadGameFile(&file, &fileState, &contents, {.host = &host});
        Campaign* kept = gCampaign;
        gCampaign = contents.campaign;
        state.ResumeTiming();
        Battle* next = contents.campaign->StepToNextBattle(contents.battle, 1, &host);
        state.PauseTiming();
        if (!next) state.SkipWithError("no next battle");
        delete next;
        delete contents.battle;
        gCampaign = kept;
        delete contents.campaign;
        state.ResumeTiming();
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_StepsBetweenBattles)->Unit(benchmark::kMillisecond);

} // namespace
