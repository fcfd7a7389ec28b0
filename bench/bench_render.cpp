// Speed of the software 3-D device and the renderer. Each case reports its
// pixel rate and its share of a memory copy of as many colour and depth
// bytes out of cache (bench/FrameLimit.h). These are the device's best cases;
// bench_frames.cpp has the frames a battle draws.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/FrameLimit.h"
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

void ScreenDeviceStates(SoftDevice3D* dp, const SoftTexture* tex) {
    SoftDevice3D& d = *dp;
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

// Large perspective-textured, depth-tested quads over a 1024 x 768 target:
// four bands that never overlap, so the depth test never rejects and the
// rows are long. The best case of the fill rate, not a battle's frame.
void BM_DeviceFillRate(benchmark::State& state) {
    const int32_t w = 1024, h = 768;
    std::vector<uint16_t> pixels(size_t(w) * h);
    PixelTarget16 target{pixels.data(), w, h, w};
    SoftDevice3D dev;
    dev.ICreate16(target);
    SoftTexture tex;
    tex.ICreate(Checker(256));
    ScreenDeviceStates(&dev, &tex);
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
    state.counters["of_limit"] = benchmark::Counter(double(pixelsDrawn) / MemoryLimitPixelRate(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DeviceFillRate)->Unit(benchmark::kMillisecond)->UseRealTime();

// The ground near the eye: a texture magnified about eight times and
// filtered bilinearly, in perspective.
void BM_DeviceMagnifiedFill(benchmark::State& state) {
    const int32_t w = 1024, h = 768;
    std::vector<uint16_t> pixels(size_t(w) * h);
    PixelTarget16 target{pixels.data(), w, h, w};
    SoftDevice3D dev;
    dev.ICreate16(target);
    SoftTexture tex;
    tex.ICreate(Checker(64));
    ScreenDeviceStates(&dev, &tex);
    dev.SetTextureStageState(SoftStage::MagFilter, SoftValue::kFilterLinear);
    int64_t pixelsDrawn = 0;
    for (auto _ : state) {
        dev.Clear(nullptr, 0, kSoftClearZBuffer, 0, 1.0f);
        TV v[4] = {{0, 0, 0.5f, 0.5f, 0, 0}, {1024, 0, 0.5f, 0.5f, 2, 0}, {1024, 768, 0.5f, 1.0f, 2, -2}, {0, 768, 0.5f, 1.0f, 0, -2}};
        dev.DrawPrimitive(SoftPrimitive::TriangleFan, kSoftFvfTex1, v, 4, kSoftDrawFlags);
        pixelsDrawn += int64_t(w) * h;
        benchmark::DoNotOptimize(pixels.data());
    }
    state.counters["Mpix/s"] = benchmark::Counter(double(pixelsDrawn) / 1e6, benchmark::Counter::kIsRate);
    state.counters["of_limit"] = benchmark::Counter(double(pixelsDrawn) / MemoryLimitPixelRate(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DeviceMagnifiedFill)->Unit(benchmark::kMillisecond)->UseRealTime();


}  // namespace

// ---------------------------------------------------------------------------
// A whole frame through the renderer.

#include "bench/BenchScreen.h"

namespace {

// The screen, its device's queued work finished whenever the pixels are read.
struct BenchHost : drawbench::ScreenHost {
    BenchHost() {
        mFlushOnRead = true;
        mBounds = 1;
    }
};

// 20,000 textured triangles in three layers that each cover the whole
// target (and reach beyond its edges, so the clipper works), drawn far to
// near; the nearest layer is translucent, so its triangles are stored,
// sorted and blended over the others at the frame's end. Every quad faces
// the eye: the renderer's work and the affine fill, not perspective.
void BM_RendererFrame20k(benchmark::State& state) {
    BenchHost host;
    host.mDevice.SetThreadCount(int32_t(state.range(0)));
    gRenderHost = &host;
    auto* r = new GGraph3D;
    g3D = r;
    r->Setup3D();
    SoftTexture tex;
    tex.ICreate(Checker(128));
    GGraphic* texture = reinterpret_cast<GGraphic*>(&tex);
    const int32_t side = 58;  // 58 x 58 quads a layer, 2 triangles each
    int64_t triangles = 0;
    for (auto _ : state) {
        r->RenderBegin(nullptr);
        r->ActivateView(0, 0, BenchHost::kW, BenchHost::kH, 70, 1, 1000);
        r->LookAt(0, -1, 0, 0, 0, 0, 0, 0, 1);
        r->Texture(texture);
        int32_t drawn = 0;
        for (int32_t layer = 0; layer < 3; ++layer) {
            float y = 60.0f - 15.0f * layer;      // distance of the layer
            float half = y * 0.75f;                // a little wider than the view
            float step = 2 * half / side;
            r->SetOpacity(layer == 2 ? 0.6f : 1.0f);
            for (int32_t j = 0; j < side; ++j)
                for (int32_t i = 0; i < side && drawn < 10000; ++i, ++drawn) {
                    float x0 = -half + i * step, z0 = -half * 0.8f + j * step * 0.8f;
                    float x1 = x0 + step, z1 = z0 + step * 0.8f;
                    r->DrawTexturedQuad(x0, y, z0, 0, 0, x0, y, z1, 0, 1, x1, y, z1, 1, 1, x1, y, z0, 1, 0);
                }
        }
        r->RenderEnd();
        triangles += 2 * drawn;
        benchmark::DoNotOptimize(host.mPixels.data());
    }
    state.counters["triangles"] = double(triangles) / double(state.iterations());
    // Covered pixels (three times the target) against a memory copy of them.
    const double covered = 3.0 * BenchHost::kW * BenchHost::kH * double(state.iterations());
    state.counters["Mpix/s"] = benchmark::Counter(covered / 1e6, benchmark::Counter::kIsRate);
    state.counters["of_limit"] = benchmark::Counter(covered / MemoryLimitPixelRate(), benchmark::Counter::kIsRate);
    state.counters["Mtri/s"] = benchmark::Counter(double(triangles) / 1e6, benchmark::Counter::kIsRate);
    delete r;
    g3D = nullptr;
    gRenderHost = nullptr;
}
// Arg: the device's threads (0: one per core).
BENCHMARK(BM_RendererFrame20k)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
