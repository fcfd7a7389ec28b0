// Speed of the application's game files and scenario list: saving a battle
// of 300 units with a turn of 50,000 action packets as a saved game and as
// an e-mail turn file, loading it, and building and drawing the scenario
// list over 200 files.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/MVApplication.h"
#include "app/ScenarioScroller.h"
#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/GameFile.h"
#include "battle/UnitList.h"
#include "engine/GFile.h"
#include "engine/GFileServices.h"
#include "engine/GKernel.h"
#include "map/Map.h"
#include "units/Airplane.h"
#include "units/Inanimate.h"

namespace {

constexpr int kUnits = 300;
constexpr int kPackets = 50000;
constexpr int kListFiles = 200;

// A program folder of its own with its three folders, removed at the end.
struct BenchFolder {
    BenchFolder() {
        path =
            (std::filesystem::temp_directory_path() / ("dm-bench-app-" + std::to_string(getpid()))).string();
        for (const char* f : {"Szenarien", "Savegames", "PBEM"})
            std::filesystem::create_directories(path + "/" + f);
        SetProgramFolder(path.c_str());
    }
    ~BenchFolder() {
        SetProgramFolder(nullptr);
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string path;
};

Battle* BuildBigBattle() {
    auto* battle = new Battle;
    battle->IBattleStub();
    battle->mStub = false;
    battle->mTurn = 3;
    battle->mLastTurn = 20;
    battle->mNominalLastTurn = 20;
    battle->mMap = new Map;
    battle->mMap->IBlankMap(40, 40, 1.0f, 10);
    for (int i = 0; i < kUnits; ++i) {
        Unit* u;
        if (i % 10 == 9) {
            u = new Airplane;
        } else {
            auto* object = new Inanimate;
            object->IInanimate(i % 7, i % 2 ? 0 : 30, 0, 0, 0);
            u = object;
        }
        u->mX = static_cast<float>(i % 40) * 20.0f;
        u->mY = static_cast<float>(i / 40) * 20.0f;
        battle->mUnits->Add(u);
    }
    for (int i = 0; i < kPackets; ++i) {
        battle->mTimeSlice = i % 2400;
        ActionPacket* p = battle->CreateActionPacket(0);
        p->mType = static_cast<int8_t>(i % 14);
        p->mX = static_cast<float>(i % 800);
        p->mUnit = battle->mUnits->GetUnit(i % kUnits);
    }
    return battle;
}

// The application with the big battle in memory.
struct BenchGame {
    BenchFolder folder;
    MVApplication app;
    BenchGame() {
        gBattle = BuildBigBattle();
        app.mPlayers = 2;
        app.mSide = 0;
        app.mScenarioFileName.IStringText("Gross");
    }
    std::string Path(const char* name) const { return folder.path + "/" + name; }
};

void Save(BenchGame& game, const char* name, FileMode mode, benchmark::State& state) {
    GFile file;
    if (!file.IFile(game.Path(name).c_str(), mode)) {
        state.SkipWithError("no file");
        return;
    }
    game.app.SaveGame(&file);
}

void BM_SaveGame(benchmark::State& state) {
    BenchGame game;
    for (auto _ : state)
        Save(game, "Savegames/gross.mvg", kFileModeCompressedWrite, state);
}
BENCHMARK(BM_SaveGame)->Unit(benchmark::kMillisecond);

void BM_SaveGameMail(benchmark::State& state) {
    BenchGame game;
    game.app.mConnectionType = 1;
    for (auto _ : state)
        Save(game, "PBEM/gross.txt", kFileModeMailWrite, state);
}
BENCHMARK(BM_SaveGameMail)->Unit(benchmark::kMillisecond);

void BM_LoadGame(benchmark::State& state) {
    BenchGame game;
    game.app.mConnectionType = 1;
    // The e-mail form carries the packets, so the load reads them too.
    Save(game, "PBEM/gross.txt", kFileModeMailWrite, state);
    for (auto _ : state) {
        GFile file;
        bool opened = file.IFile(game.Path("PBEM/gross.txt").c_str(), kFileModeMailRead);
        bool loaded = opened && game.app.LoadGame(&file, nullptr);
        if (!loaded || gBattle->mPackets.GetCount() != kPackets) {
            state.SkipWithError("the game did not load");
            break;
        }
    }
}
BENCHMARK(BM_LoadGame)->Unit(benchmark::kMillisecond);

void BM_LoadSavedGame(benchmark::State& state) {
    BenchGame game;
    Save(game, "Savegames/gross.mvg", kFileModeCompressedWrite, state);
    for (auto _ : state) {
        GFile file;
        if (!file.IFile(game.Path("Savegames/gross.mvg").c_str(), kFileModeCompressedRead) ||
            !game.app.LoadGame(&file, nullptr)) {
            state.SkipWithError("the game did not load");
            break;
        }
    }
}
BENCHMARK(BM_LoadSavedGame)->Unit(benchmark::kMillisecond);

void BM_ScenarioList200Files(benchmark::State& state) {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    BenchFolder folder;
    {
        MVApplication writer;
        Battle* battle = BuildBigBattle();
        battle->mPackets.EmptyOut(true);
        gBattle = battle;
        for (int i = 0; i < kListFiles; ++i) {
            GFile file;
            std::string name = folder.path + "/Szenarien/gefecht" + std::to_string(i) + ".mvg";
            if (!file.IFile(name.c_str(), kFileModeCompressedWrite)) continue;
            GameFileState fileState;
            WriteGameFile(&file, &fileState, battle, nullptr, {.scenario = true});
        }
    }
    gKernel = new GKernel;
    if (!gKernel->IKernel()) {
        state.SkipWithError("no display");
        delete gKernel;
        gKernel = nullptr;
        return;
    }
    auto* app = new MVApplication;
    gKernel->StartApp(app);
    gKernel->SetScreenMode(1024, 768);
    gKernel->Set3D(false);
    for (auto _ : state) {
        auto* list = new ScenarioScroller;
        list->IScenarioScroller(nullptr, 2);
        if (list->FileCount(0) != kListFiles) state.SkipWithError("files missing from the list");
        list->Refresh();
        gKernel->UpdateScreen();
        delete list;
    }
    delete gKernel;
    gKernel = nullptr;
}
BENCHMARK(BM_ScenarioList200Files)->Unit(benchmark::kMillisecond);

} // namespace
