// The foxhole spotting pass of a computed turn on the large battalion battle,
// widened to 300 units over 200 foxholes; holes out of every enemy's reach
// stay hidden, so the pass under the seen units runs every time. The
// argument is the unit count; 0 times the pass over the foxholes alone.
#include <benchmark/benchmark.h>

#include <string>

#include "ScenarioPaths.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "battle/UnitList.h"
#include "engine/GFile.h"
#include "map/BuildingWallCrater.h"
#include "map/Map.h"
#include "map/MapBattleLink.h"
#include "units/Hack.h"
#include "units/Unit.h"

namespace {

// The battle's answers, its units repeated up to a count; spot packets are
// not filed so that repeated passes cost the same.
class WidenedLink : public MapBattleLink {
public:
    WidenedLink(MapBattleLink* real, int32_t units) : mReal(real), mUnits(units) {}
    bool HasReferencePointNear(float x, float y, Affiliation side, float radius) override {
        return mReal->HasReferencePointNear(x, y, side, radius);
    }
    bool LivingUnitNear(float x, float y, Affiliation side, float radius) override {
        return mReal->LivingUnitNear(x, y, side, radius);
    }
    int32_t UnitCount() override { return mUnits; }
    bool SpottedUnitAt(int32_t index, float* x, float* y) override {
        const int32_t count = mReal->UnitCount();
        return count > 0 && mReal->SpottedUnitAt(index % count, x, y);
    }

private:
    MapBattleLink* mReal;
    int32_t mUnits;
};

void BM_SpotFoxholes300Units200Holes(benchmark::State& state) {
    if (!DecryptData()) {
        state.SkipWithError("no game data");
        return;
    }
    GFile file;
    GameFileState fileState;
    GameFileContents contents;
    const std::string path = std::string(DM_SCENARIO_BUILT_DIR) + "/grossangriff.mvg";
    if (!file.IFile(path.c_str(), kFileModeCompressedRead) ||
        ReadGameFile(&file, &fileState, &contents, {.takeSeed = true}) != kGameFileLoaded ||
        !contents.battle) {
        state.SkipWithError("the large scenario does not load");
        return;
    }
    Battle* battle = contents.battle;
    Map* map = battle->mMap;
    battle->InstallMapLink();
    // Every unit shows: each one's square is looked up.
    for (int32_t i = 0; i < battle->mUnits->GetCount(); ++i)
        battle->mUnits->GetUnit(i)->mContactLevel = kContactFull;
    int32_t made = map->mFoxholes->GetCount();
    for (float y = 40.0f; made < 200 && y < map->mHeightMetres - 40.0f; y += 37.0f)
        for (float x = 40.0f; made < 200 && x < map->mWidthMetres - 40.0f; x += 53.0f)
            if (map->MakeCrater(x, y, 700.0f, true, false, false, 0.0f, made % 2, false)) ++made;
    WidenedLink link(map->GetBattleLink(), state.range(0));
    MapBattleLink* real = map->GetBattleLink();
    map->SetBattleLink(&link);
    for (auto _ : state) {
        for (int32_t k = 0; k < map->mFoxholes->GetCount(); ++k)
            map->mFoxholes->GetCrater(k)->mSpotted = 0;
        map->SpotFoxholes(false);
        benchmark::ClobberMemory();
    }
    state.counters["foxholes"] = static_cast<double>(map->mFoxholes->GetCount());
    map->SetBattleLink(real);
    delete battle;
    delete contents.campaign;
}
BENCHMARK(BM_SpotFoxholes300Units200Holes)->Arg(300)->Arg(0)->Unit(benchmark::kMicrosecond);

} // namespace
