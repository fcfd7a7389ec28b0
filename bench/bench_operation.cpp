// An operation: loading its file (with the first strip cut, as the program
// opens it from the list) and the steps between its first and second
// battle. Until the demo operation ships, the operation is the hedgerow
// battle's map made an operation of three battles.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "engine/GFile.h"
#include "engine/GOLTA.h"
#include "tests/scenarios/OperationFixture.h"
#include "tools/scenarios/OperationRunner.h"

namespace {

std::string TempPath(const char* name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

void BM_LoadOperationFile(benchmark::State& state) {
    Campaign* made = MakeTestOperation();
    if (!made) {
        state.SkipWithError("no game data");
        return;
    }
    const std::string path = TempPath("dm-bench-operation.mvh");
    WriteTestOperation(made, path);
    delete made;
    BattleHost host;
    for (auto _ : state) {
        GFile file;
        file.IFile(path.c_str(), kFileModeCompressedRead);
        GameFileState fileState;
        GameFileContents contents;
        ReadGameFile(&file, &fileState, &contents, {.takeSeed = true, .host = &host});
        Campaign* op = contents.campaign;
        Campaign* kept = gCampaign;
        gCampaign = op;
        Battle* first = op ? op->StepToNextBattle(nullptr, fileState.randomSeed, &host) : nullptr;
        benchmark::DoNotOptimize(first);
        delete first;
        gCampaign = kept;
        delete op;
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_LoadOperationFile)->Unit(benchmark::kMillisecond);

void BM_StepsBetweenBattles(benchmark::State& state) {
    // The operation with its first battle fought to its end, kept as a
    // saved game; each pass loads it and takes the steps.
    const std::string path = TempPath("dm-bench-operation-ended.mvh");
    {
        Campaign* made = MakeTestOperation();
        if (!made) {
            state.SkipWithError("no game data");
            return;
        }
        OperationRunner runner;
        runner.Adopt(made, nullptr, 4407);
        OperationBattle first;
        std::string error;
        if (!runner.PlayTurns(0, &first, &error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        GFile file;
        file.IFile(path.c_str(), kFileModeCompressedWrite);
        GameFileState fileState;
        fileState.players = 1;
        fileState.scenarioName = made->mTitle;
        Battle* kept = gBattle;
        gBattle = runner.CurrentBattle();
        WriteGameFile(&file, &fileState, runner.CurrentBattle(), made);
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
        benchmark::DoNotOptimize(next);
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
