// Speed of the kernel's screen: presenting one 1024 x 768 frame, repainting a
// screen of 200 views with text, and the CPU share of the idle main loop.
#include "engine/GKernel.h"
#include "engine/GOLTA.h"
#include "engine/GTextView.h"
#include "engine/GView.h"
#include "platform/PlatformVideo.h"
#include <benchmark/benchmark.h>
#include <ctime>

namespace {
double CpuSeconds() {
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

// A kernel at 1024 x 768 on the dummy display, torn down at the end.
struct BenchKernel {
    BenchKernel() {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        gKernel = new GKernel;
        ok = gKernel->IKernel();
        auto* app = new GApplication;
        if (ok) {
            gKernel->StartApp(app);
            ok = gKernel->SetScreenMode(1024, 768);
        }
    }
    ~BenchKernel() { delete gKernel; }
    bool ok = false;
};
} // namespace

// Arg 0: the renderer SDL picks first (GL where there is GL); 1: SDL's own
// software renderer. Under Xvfb (SDL_VIDEODRIVER=x11) the wall time holds the
// X server's share of the present.
static void BM_PresentFrame1024x768(benchmark::State& state) {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    const bool software = state.range(0) == 1;
    if (software) setenv("SDL_RENDER_DRIVER", "software", 1);
    struct DriverBack {
        bool set;
        ~DriverBack() {
            if (set) unsetenv("SDL_RENDER_DRIVER");
        }
    } back{software};
    state.SetLabel(software ? "software renderer" : "first renderer");
    PlatformVideo video;
    if (!video.Open("bench", 1024, 768)) {
        state.SkipWithError("no display");
        return;
    }
    PixelTarget16 t = video.BackBuffer().Target();
    for (int32_t y = 0; y < t.height; ++y)
        for (int32_t x = 0; x < t.width; ++x)
            t.Row(y)[x] = static_cast<uint16_t>(x * 31 + y * 7);
    uint16_t ramp[256];
    for (int i = 0; i < 256; ++i)
        ramp[i] = static_cast<uint16_t>(i * 257);
    video.SetGammaRamp(ramp);
    for (auto _ : state)
        video.Present();
}
BENCHMARK(BM_PresentFrame1024x768)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

static void BM_Repaint200TextViews(benchmark::State& state) {
    BenchKernel k;
    if (!k.ok) {
        state.SkipWithError("no display");
        return;
    }
    for (int i = 0; i < 200; ++i) {
        auto* v = new GTextView;
        GString63 text("Panzergrenadier-Kompanie ");
        text.ConcatNum(i);
        v->ITextView(nullptr, (i % 8) * 128, (i / 8) * 30, 124, &text);
        v->SetFillColor(gKernel->MakeColor16(60, 60, 50));
        v->SetColor(255, 255, 255);
    }
    for (auto _ : state) {
        gKernel->GetWindow()->Refresh();
        gKernel->UpdateScreen();
    }
}
BENCHMARK(BM_Repaint200TextViews)->Unit(benchmark::kMillisecond);

// CPU time per wall time of the main loop while nothing happens: inactive
// (in the background) and active with no change on the screen.
static void IdleLoopShare(benchmark::State& state, bool inactive) {
    BenchKernel k;
    if (!k.ok) {
        state.SkipWithError("no display");
        return;
    }
    // Let the window system's start-up events (map, expose, focus) pass.
    for (const uint32_t t0 = ClockTime(); ClockTime() - t0 < 300;)
        gKernel->DoOnePass(50);
    if (inactive) {
        PlatformEvent e;
        e.type = PlatformEvent::kFocusLost;
        gKernel->InjectEvent(e);
        gKernel->DoOnePass(0);
    }
    double share = 0.0;
    int64_t passes = 0;
    for (auto _ : state) {
        const double cpu0 = CpuSeconds();
        const uint32_t wall0 = ClockTime();
        for (; ClockTime() - wall0 < 500; ++passes)
            gKernel->DoOnePass(100);
        share = (CpuSeconds() - cpu0) / ((ClockTime() - wall0) * 1e-3);
    }
    state.counters["cpu_share"] = share;
    state.counters["passes"] = static_cast<double>(passes);
}
static void BM_IdleLoopInactive(benchmark::State& state) {
    IdleLoopShare(state, true);
}
static void BM_IdleLoopActiveNothingChanges(benchmark::State& state) {
    IdleLoopShare(state, false);
}
BENCHMARK(BM_IdleLoopInactive)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IdleLoopActiveNothingChanges)->Iterations(1)->Unit(benchmark::kMillisecond);
