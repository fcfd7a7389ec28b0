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
#include "engine/GKernel.h"
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

// The large scenario after its first scripted turn: its five flags coloured
// by the truth (argument 0) and by what the viewing side sees (1), and one
// count of the points.
struct LargeAfterOneTurn {
    BattleRunner runner;
    bool ok = false;
    std::string error;
    LargeAfterOneTurn() {
        if (!DecryptData()) {
            error = "no game data";
            return;
        }
        const std::string script = std::string(DM_SCENARIO_SOURCE_DIR) + "/grossangriff.orders";
        RunnerTurn turn;
        ok = runner.Load(kLarge, &error) && runner.LoadScript(script, &error) && runner.RunTurn(&turn, &error);
    }
};

void BM_ColorVictoryFlagsLarge(benchmark::State& state) {
    LargeAfterOneTurn large;
    if (!large.ok) {
        state.SkipWithError(large.error.c_str());
        return;
    }
    Battle* b = large.runner.GetBattle();
    const bool byView = state.range(0) != 0;
    for (auto _ : state)
        b->ColorVictoryFlags(byView, false);
    state.counters["flags"] = static_cast<double>(b->mFlags.GetCount());
}
BENCHMARK(BM_ColorVictoryFlagsLarge)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_CountVPsLarge(benchmark::State& state) {
    LargeAfterOneTurn large;
    if (!large.ok) {
        state.SkipWithError(large.error.c_str());
        return;
    }
    Battle* b = large.runner.GetBattle();
    float axis = 0.0f, allies = 0.0f;
    int32_t parts[10] = {};
    for (auto _ : state) {
        b->CountVPs(state.range(0) != 0, true, &axis, &allies, parts);
        benchmark::DoNotOptimize(parts);
    }
}
BENCHMARK(BM_CountVPsLarge)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

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
