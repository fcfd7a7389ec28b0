// The software device on the frames a battle draws (bench/BattleFrames.h).
// Each case reports ms per frame, the pixels its triangles cover a second
// (every layer counted, "Mpix/s"), the layers over the screen, and the
// share of the physical limit ("of_limit"): a copy of a full frame's colour
// and depth bytes (1024 x 768 x 4) from memory out of cache, measured in
// the same run. Threads: the device's default unless the case says.
#include <benchmark/benchmark.h>

#include <chrono>

#include <vector>

#include "bench/BattleFrames.h"
#include "bench/FrameLimit.h"

namespace {

namespace bf = battle_frames;

// The limit itself, as a case of its own.
void BM_FrameMemoryLimit(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(MemoryLimitPixelRate());
    state.counters["Mpix/s"] = MemoryLimitPixelRate() / 1e6;
    state.counters["ms_per_frame"] = 1e3 * bf::kWidth * bf::kHeight / MemoryLimitPixelRate();
}
BENCHMARK(BM_FrameMemoryLimit)->Iterations(1);

struct Target {
    std::vector<uint16_t> pixels = std::vector<uint16_t>(size_t(bf::kWidth) * bf::kHeight);
    SoftDevice3D device;
    explicit Target(int32_t threads) {
        device.SetThreadCount(threads);
        device.ICreate16(PixelTarget16{pixels.data(), bf::kWidth, bf::kHeight, bf::kWidth});
    }
};

// Draws the frame each iteration after clearing colour and depth, timed by
// the wall clock (the frame may run on several threads).
void RunFrame(benchmark::State& state, const bf::Frame& frame, int32_t threads) {
    static thread_local int64_t covered = 0;
    covered = bf::CoveredPixels(frame);
    bf::Textures textures(frame);
    Target t(threads);
    const auto t0 = std::chrono::steady_clock::now();
    for (auto _ : state) {
        t.device.Clear(nullptr, 0, kSoftClearTarget | kSoftClearZBuffer, 0xFF507090u, 1.0f);
        t.device.BeginScene();
        bf::Draw(&t.device, frame, textures);
        t.device.EndScene();
        benchmark::DoNotOptimize(t.pixels.data());
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double rate = double(covered) * double(state.iterations()) / seconds;
    state.counters["Mpix/s"] = rate / 1e6;
    state.counters["of_limit"] = rate / MemoryLimitPixelRate();
    state.counters["layers"] = double(covered) / (double(bf::kWidth) * bf::kHeight);
    state.counters["triangles"] = double(frame.Triangles());
    state.counters["threads"] = double(t.device.ThreadCount());
}

const bf::Frame& Typical(bool magnified) {
    static const bf::Frame minified = bf::TypicalFrame(false), magnifiedFrame = bf::TypicalFrame(true);
    return magnified ? magnifiedFrame : minified;
}

// The frame a new user's battle draws: ground and houses in perspective,
// every texture minified (point sampled). Arg: threads (0: one per core).
void BM_FrameTypical(benchmark::State& state) {
    RunFrame(state, Typical(false), int32_t(state.range(0)));
}
BENCHMARK(BM_FrameTypical)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same ground near the eye, textures magnified and filtered bilinearly.
void BM_FrameTypicalMagnified(benchmark::State& state) {
    RunFrame(state, Typical(true), int32_t(state.range(0)));
}
BENCHMARK(BM_FrameTypicalMagnified)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

// Eight screen-filling layers drawn nearest first: what the depth test saves.
void BM_FrameOverlapRejected(benchmark::State& state) {
    static const bf::Frame frame = bf::OverlapFrame();
    RunFrame(state, frame, int32_t(state.range(0)));
}
BENCHMARK(BM_FrameOverlapRejected)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Ground with 300 sorted, blended puffs of smoke in front of it.
void BM_FrameSmoke(benchmark::State& state) {
    static const bf::Frame frame = bf::SmokeFrame();
    RunFrame(state, frame, int32_t(state.range(0)));
}
BENCHMARK(BM_FrameSmoke)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// 20,000 triangles under 20 pixels: set-up and per-row cost, hardly fill.
void BM_FrameSmallTriangles(benchmark::State& state) {
    static const bf::Frame frame = bf::SmallFrame();
    RunFrame(state, frame, int32_t(state.range(0)));
}
BENCHMARK(BM_FrameSmallTriangles)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// 3,000 long thin triangles: rows of one to three pixels.
void BM_FrameThinTriangles(benchmark::State& state) {
    static const bf::Frame frame = bf::ThinFrame();
    RunFrame(state, frame, int32_t(state.range(0)));
}
BENCHMARK(BM_FrameThinTriangles)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
