// The whole program's speed as a player meets it, on SDL's dummy display:
// one frame of the battle screen (map view with its units and effects, the
// bottom bar) on the largest demo scenario at 1024 x 768 (target 25 ms),
// skipping the title to a drawn main menu (target 0.5 s), the main menu's
// and the battle screen's idle loops (targets below 1 % and 5 % of a core,
// reported as cpu_share), and the wait after GO on the largest battle (the
// set-up GO, and turns 1 to 10).

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "app/MVApplication.h"
#include "app/MapView.h"
#include "battle/Battle.h"
#include "engine/GBlitView.h"
#include "engine/GControl.h"
#include "engine/GFile.h"
#include "engine/GFileServices.h"
#include "engine/GKernel.h"
#include "engine/GOLTA.h"
#include "engine/GPictureStore.h"
#include "map/Map.h"
#include "platform/PlatformEvent.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kLargestScenario = "grossangriff.mvg";

// A program folder of its own that sees the built pictures, sounds and
// scenarios, with preferences asking for width x height; the kernel and the
// application on the dummy display, on the title.
struct Program {
    Program(int32_t width, int32_t height) {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        path = (fs::temp_directory_path() / ("dm-bench-play-" + std::to_string(getpid()))).string();
        std::error_code ec;
        fs::remove_all(path, ec);
        fs::create_directories(path + "/Szenarien");
        const fs::path built = fs::current_path();
        fs::create_directory_symlink(built / "Demo Data", fs::path(path) / "Demo Data", ec);
        fs::copy_file(built / "Szenarien" / kLargestScenario, fs::path(path) / "Szenarien" / kLargestScenario,
                      ec);
        SetProgramFolder(path.c_str());
        GPictureStore::Get().SetFolder("");
        gKernel = new GKernel;
        if (!gKernel->IKernel()) return;
        {
            MVApplication writer;
            writer.LoadPrefs();
            writer.mPresets.mHaveChoices = 1;
            writer.mPresets.mModeConfirmed = 1;
            writer.mPresets.mScreenWidth = width;
            writer.mPresets.mScreenHeight = height;
            GString31 name;
            name.IStringRez(kPrefsFileNameId);
            GFile file;
            if (file.IFile((path + "/" + name.GetCString()).c_str(), kFileModePlainWrite))
                writer.WritePrefs(&file);
        }
        app = new MVApplication;
        gKernel->StartApp(app);
        ok = gKernel->GetFatalMessage() == nullptr;
    }
    ~Program() {
        delete gKernel;
        gKernel = nullptr;
        SetProgramFolder(nullptr);
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    void Click(int32_t x, int32_t y) {
        PlatformEvent e;
        e.type = PlatformEvent::kMouseDown;
        e.x = x;
        e.y = y;
        e.button = 1;
        gKernel->InjectEvent(e);
        e.type = PlatformEvent::kMouseUp;
        gKernel->InjectEvent(e);
    }
    // Passes until done() or the time runs out.
    template <class F> bool PassUntil(F done, uint32_t ms) {
        const uint32_t end = ClockTime() + ms;
        while (!done()) {
            if (static_cast<int32_t>(end - ClockTime()) <= 0) return false;
            gKernel->DoOnePass(0);
        }
        return true;
    }
    bool MenuShown() const { return app->mMenuPicture && app->mMenuPicture->IsVisible(); }
    bool ReachMenu() {
        Click(10, 10); // the title
        if (!PassUntil([&] { return app->mFadeScreen == nullptr && app->mMenuPicture; }, 5000)) return false;
        Click(10, 10); // the overlay
        return PassUntil([&] { return MenuShown(); }, 2000);
    }

    std::string path;
    MVApplication* app = nullptr;
    bool ok = false;
};

void BM_SkipTitleToDrawnMainMenu(benchmark::State& state) {
    for (auto _ : state) {
        Program p(1024, 768);
        if (!p.ok) {
            state.SkipWithError("no display");
            return;
        }
        gKernel->DoOnePass(0);
        const auto start = std::chrono::steady_clock::now();
        if (!p.ReachMenu()) {
            state.SkipWithError("the main menu did not come");
            return;
        }
        gKernel->UpdateScreen();
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
}
BENCHMARK(BM_SkipTitleToDrawnMainMenu)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

void BM_MainMenuIdleLoop(benchmark::State& state) {
    Program p(1024, 768);
    if (!p.ok || !p.ReachMenu()) {
        state.SkipWithError("no main menu");
        return;
    }
    double cpu = 0.0, wall = 0.0;
    for (auto _ : state) {
        // The main loop as it runs, waiting for events, for a second.
        const std::clock_t c0 = std::clock();
        const uint32_t w0 = ClockTime();
        while (ClockTime() - w0 < 1000)
            gKernel->DoOnePass(-1);
        cpu += static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
        wall += (ClockTime() - w0) / 1000.0;
    }
    state.counters["cpu_share"] = wall > 0.0 ? cpu / wall : 0.0;
}
BENCHMARK(BM_MainMenuIdleLoop)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

// The largest demo battle opened as the list opens it, one player on side 0,
// its battle screen drawn: false with the reason set.
bool OpenLargestBattle(Program& p, benchmark::State& state) {
    if (!p.ok || !p.ReachMenu()) {
        state.SkipWithError("no main menu");
        return false;
    }
    auto* file = new GFile;
    if (!file->IFile((p.path + "/Szenarien/" + kLargestScenario).c_str(), kFileModeCompressedRead)) {
        delete file;
        state.SkipWithError("no scenario");
        return false;
    }
    p.app->HighLevelLoadGame(file);
    for (int32_t command : {85, 109, 114, 111, 86}) {
        p.app->DoCommand(command);
        gKernel->DoOnePass(0);
    }
    if (!p.PassUntil([] { return gBattle && gBattle->mMap && gBattle->mMap->mView; }, 20000)) {
        state.SkipWithError("the battle screen did not come");
        return false;
    }
    for (int i = 0; i < 5; ++i)
        gKernel->DoOnePass(0);
    return true;
}

void BM_BattleScreenFrameLargestScenario(benchmark::State& state) {
    Program p(1024, 768);
    if (!OpenLargestBattle(p, state)) return;
    Map* map = gBattle->mMap;
    for (auto _ : state) {
        map->mView->Refresh();
        gKernel->UpdateScreen();
    }
}
BENCHMARK(BM_BattleScreenFrameLargestScenario)->Unit(benchmark::kMillisecond)->UseRealTime();

GView* VisibleControl(GView* root, int32_t command) {
    if (!root) return nullptr;
    if (auto* control = dynamic_cast<GControl*>(root))
        if (control->GetCommandID() == command && root->IsVisible()) return root;
    for (int32_t i = 0; i < root->GetSubviewCount(); ++i)
        if (GView* found = VisibleControl(root->GetSubview(i), command)) return found;
    return nullptr;
}

// The battle screen of the largest demo battle left alone in its set-up
// orders phase for a second of the main loop as it runs (waiting for
// events): the share of a core it takes (target under 5 %), and the frames
// drawn. With argument 1 as a TCP/IP game's orders phase whose turn clock
// runs (its lines redrawn as the seconds go).
void BM_BattleScreenIdleOrdersPhase(benchmark::State& state) {
    Program p(1024, 768);
    if (!OpenLargestBattle(p, state)) return;
    if (state.range(0) == 1) {
        p.app->mConnectionType = 2;
        p.app->mTCPIPPhase = 6;
        p.app->mTurnTimeLimit = 30 * 60000;
        p.app->mTurnClockStart = static_cast<int32_t>(p.app->NetworkClock());
    }
    // Settle: the first frames and the pictures' loading.
    const uint32_t settle = ClockTime();
    while (ClockTime() - settle < 500)
        gKernel->DoOnePass(-1);
    double cpu = 0.0, wall = 0.0, frames = 0.0;
    for (auto _ : state) {
        const uint32_t f0 = gKernel->GetScreenUpdateCount();
        const std::clock_t c0 = std::clock();
        const uint32_t w0 = ClockTime();
        while (ClockTime() - w0 < 1000)
            gKernel->DoOnePass(-1);
        cpu += static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
        wall += (ClockTime() - w0) / 1000.0;
        frames += gKernel->GetScreenUpdateCount() - f0;
    }
    state.counters["cpu_share"] = wall > 0.0 ? cpu / wall : 0.0;
    state.counters["frames_per_s"] = wall > 0.0 ? frames / wall : 0.0;
}
BENCHMARK(BM_BattleScreenIdleOrdersPhase)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// Presses the battle screen's GO and waits for the turn's playback (or the
// next orders phase): the wall seconds from the press, and the screen
// updates meanwhile. False with the reason set.
bool PressGo(Program& p, benchmark::State& state, double* seconds, double* updates) {
    const bool setup = gBattle->mSetupPhase;
    const int32_t turn = gBattle->mTurn;
    const uint32_t before = gKernel->GetScreenUpdateCount();
    const auto start = std::chrono::steady_clock::now();
    GView* button = VisibleControl(gKernel->GetWindow(), 9);
    if (!button) {
        state.SkipWithError("no GO button");
        return false;
    }
    LongRect r;
    button->GetGlobalBounds(&r);
    p.Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    const bool done = p.PassUntil(
        [&] {
            return p.app->InteractionState() == 8 ||
                   (gBattle && (gBattle->mSetupPhase != setup || gBattle->mTurn != turn) &&
                    p.app->InteractionState() == 0 && p.app->mProgressWindow == nullptr);
        },
        120000);
    if (!done) {
        state.SkipWithError("the turn did not come");
        return false;
    }
    *seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    *updates = gKernel->GetScreenUpdateCount() - before;
    return true;
}

// From a turn's playback to the next orders phase: the playback wound to
// its end, then the next-turn button. An orders phase (after the set-up GO)
// is left as it is.
bool NextOrdersPhase(Program& p, benchmark::State& state) {
    if (p.app->InteractionState() != 8) return true;
    const int32_t turn = gBattle->mTurn;
    for (int i = 0; i < 40 && p.app->InteractionState() == 8 && !gBattle->AtEndOfPlayback(); ++i) {
        p.app->DoCommand(14); // forward
        gKernel->DoOnePass(0);
    }
    GView* next = nullptr;
    if (!p.PassUntil([&] { return (next = VisibleControl(gKernel->GetWindow(), 10)) != nullptr; }, 20000)) {
        state.SkipWithError("no next-turn button");
        return false;
    }
    LongRect r;
    next->GetGlobalBounds(&r);
    p.Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    if (!p.PassUntil([&] { return gBattle && gBattle->mTurn == turn + 1 && VisibleControl(gKernel->GetWindow(), 9); },
                     20000)) {
        state.SkipWithError("the next orders phase did not come");
        return false;
    }
    return true;
}

// GO on the largest demo battle, one player on side 0 who gives no orders
// (the computer plans and moves the other side): the wall time from the
// press until the turn's playback starts (or the next orders phase shows),
// and the screen updates made meanwhile.
void BM_GoLargestScenarioSetup(benchmark::State& state) {
    double updates = 0.0;
    for (auto _ : state) {
        Program p(1024, 768);
        double seconds = 0.0, made = 0.0;
        if (!OpenLargestBattle(p, state) || !PressGo(p, state, &seconds, &made)) return;
        updates += made;
        state.SetIterationTime(seconds);
    }
    state.counters["updates"] = benchmark::Counter(updates, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_GoLargestScenarioSetup)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

// The same for the GO of turns 1 to 10, each playback wound to its end
// before the next turn: the mean (the iteration's time) and the worst GO.
void BM_GoLargestScenarioTurns(benchmark::State& state) {
    const int32_t turns = static_cast<int32_t>(state.range(0));
    double worst = 0.0, updates = 0.0, sum = 0.0;
    int32_t measured = 0;
    for (auto _ : state) {
        Program p(1024, 768);
        double seconds = 0.0, made = 0.0;
        if (!OpenLargestBattle(p, state) || !PressGo(p, state, &seconds, &made)) return; // the set-up GO
        double turnSum = 0.0;
        for (int32_t k = 0; k < turns; ++k) {
            if (!NextOrdersPhase(p, state) || !PressGo(p, state, &seconds, &made)) return;
            turnSum += seconds;
            worst = std::max(worst, seconds);
            updates += made;
            ++measured;
        }
        sum += turnSum;
        state.SetIterationTime(turnSum / turns);
    }
    state.counters["go_mean_ms"] = measured > 0 ? 1000.0 * sum / measured : 0.0;
    state.counters["go_worst_ms"] = 1000.0 * worst;
    state.counters["updates_per_go"] = measured > 0 ? updates / measured : 0.0;
}
BENCHMARK(BM_GoLargestScenarioTurns)->Arg(10)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

} // namespace
