// Speed of the software 3-D device and the renderer. Each case reports its
// pixel rate and how it compares with a plain memory copy of as many bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "platform/SoftDevice3D.h"

namespace {

PictureRGBA Checker(int32_t size) {
    PictureRGBA p;
    p.width = p.height = size;
    p.rgba.resize(size_t(size) * size * 4);
    for (int32_t y = 0; y < size; ++y)
        for (int32_t x = 0; x < size; ++x) {
            uint8_t* q = &p.rgba[(size_t(y) * size + x) * 4];
            q[0] = uint8_t(x * 255 / size);
            q[1] = uint8_t(y * 255 / size);
            q[2] = ((x ^ y) & 8) ? 200 : 40;
            q[3] = 255;
        }
    return p;
}

struct TV {
    float x, y, z, rhw, u, v;
};

void ScreenDeviceStates(SoftDevice3D& d, const SoftTexture* tex) {
    using namespace SoftValue;
    d.SetRenderState(SoftState::AlphaBlendEnable, kTrue);
    d.SetRenderState(SoftState::AlphaTestEnable, kTrue);
    d.SetRenderState(SoftState::AlphaFunc, kCmpGreater);
    d.SetRenderState(SoftState::DitherEnable, kTrue);
    d.SetTexture(tex);
    d.SetTextureStageState(SoftStage::ColorArg1, kArgTexture);
    d.SetTextureStageState(SoftStage::AlphaArg1, kArgTexture);
    d.SetTextureStageState(SoftStage::ColorOp, kOpSelectArg1);
    d.SetTextureStageState(SoftStage::AlphaOp, kOpSelectArg1);
    d.SetTextureStageState(SoftStage::MagFilter, kFilterPoint);
}

// Large perspective-textured, depth-tested quads over a 1024 x 768 target;
// each pass draws the whole target once, front to back half the time so
// the depth test rejects some pixels as in a real scene.
void BM_DeviceFillRate(benchmark::State& state) {
    const int32_t w = 1024, h = 768;
    std::vector<uint16_t> pixels(size_t(w) * h);
    PixelTarget16 target{pixels.data(), w, h, w};
    SoftDevice3D dev;
    dev.ICreate16(target);
    SoftTexture tex;
    tex.ICreate(Checker(256));
    ScreenDeviceStates(dev, &tex);
    int64_t pixelsDrawn = 0;
    for (auto _ : state) {
        dev.Clear(nullptr, 0, kSoftClearZBuffer, 0, 1.0f);
        // Four bands receding in depth (w from 4 to 6 across each), with
        // about one to two texels per pixel as the ground shows them.
        for (int32_t band = 0; band < 4; ++band) {
            float y0 = band * 192.0f, y1 = y0 + 192.0f;
            float z = 0.2f + 0.1f * band;
            TV v[4] = {{0, y0, z, 0.25f, 0, 0}, {1024, y0, z, 1.0f / 6, 6, 0},
                       {1024, y1, z, 1.0f / 6, 6, -1.5f}, {0, y1, z, 0.25f, 0, -1}};
            dev.DrawPrimitive(SoftPrimitive::TriangleFan, kSoftFvfTex1, v, 4, kSoftDrawFlags);
        }
        pixelsDrawn += int64_t(w) * h;
        benchmark::DoNotOptimize(pixels.data());
    }
    state.counters["Mpix/s"] = benchmark::Counter(double(pixelsDrawn) / 1e6, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DeviceFillRate)->Unit(benchmark::kMillisecond);

// The physical limit: copying the same number of 16-bit pixels.
void BM_MemcpyFrame(benchmark::State& state) {
    const size_t n = size_t(1024) * 768;
    std::vector<uint16_t> a(n, 1), b(n, 2);
    int64_t pixels = 0;
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), n * 2);
        benchmark::DoNotOptimize(b.data());
        pixels += int64_t(n);
    }
    state.counters["Mpix/s"] = benchmark::Counter(double(pixels) / 1e6, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MemcpyFrame)->Unit(benchmark::kMillisecond);

}  // namespace
