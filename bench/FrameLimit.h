#pragma once
// The physical limit the device's fill rates are compared with: pixels a
// second that a plain copy moves when a pixel is its colour and depth bytes
// (4) and neither side is in the cache (the frames rotate through 96 MB).
// Measured once per run, by the wall clock, best of three.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <vector>

inline double MemoryLimitPixelRate() {
    static const double rate = [] {
        const size_t pixels = size_t(1024) * 768, frameBytes = pixels * 4;
        const int32_t frames = 16;
        std::vector<uint8_t> from(frameBytes * frames, 1), to(frameBytes * frames, 2);
        double best = 1e30;
        for (int32_t round = 0; round < 3; ++round) {
            auto t0 = std::chrono::steady_clock::now();
            for (int32_t i = 0; i < frames; ++i) {
                std::memcpy(to.data() + frameBytes * size_t(i),
                            from.data() + frameBytes * size_t((i + 5) % frames), frameBytes);
                benchmark::DoNotOptimize(to.data());
            }
            best =
                std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        }
        return double(pixels) * frames / best;
    }();
    return rate;
}
