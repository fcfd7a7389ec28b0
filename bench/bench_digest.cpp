// The battle digest both TCP/IP machines compare at every exchange, on each
// shipped demo battle as loaded (the turn's cost: one digest per machine).
#include <benchmark/benchmark.h>

#include <string>

#include "ScenarioPaths.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "battle/UnitList.h"
#include "engine/GFile.h"
#include "units/Hack.h"

namespace {

const char* const kScenarios[] = {"hecken", "bruecke", "panzer", "grossangriff"};

void BM_BattleDigest(benchmark::State& state) {
    if (!DecryptData()) {
        state.SkipWithError("no game data");
        return;
    }
    const std::string path = std::string(DM_SCENARIO_BUILT_DIR) + "/" + kScenarios[state.range(0)] + ".mvg";
    GFile file;
    GameFileState fileState;
    GameFileContents contents;
    if (!file.IFile(path.c_str(), kFileModeCompressedRead) ||
        ReadGameFile(&file, &fileState, &contents, {.takeSeed = true}) != kGameFileLoaded || !contents.battle) {
        state.SkipWithError("the scenario does not load");
        return;
    }
    Battle* battle = contents.battle;
    gBattle = battle;
    uint64_t digest = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(digest = battle->SimulationDigest());
    state.SetLabel(std::string(kScenarios[state.range(0)]) + ", " + std::to_string(battle->mUnits->GetCount()) +
                   " units");
    gBattle = nullptr;
    delete battle;
    delete contents.campaign;
}
BENCHMARK(BM_BattleDigest)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

} // namespace
