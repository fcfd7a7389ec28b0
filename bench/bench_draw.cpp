// The battlefield drawing: a whole frame of the 2 km scenery at 1024 x 768
// from camera levels 1 and 6, with the device filling pixels and without a
// device (the drawing code and the renderer's geometry alone), both pick
// passes, and the map-wide preparations.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "bench/DrawBenchRig.h"

namespace {

using drawbench::ScreenHost;

// Textures: one 64 x 64 picture with some transparency, shared by every slot.
GGraphic* SharedTexture(int32_t, int32_t) {
    static GGraphic* t = [] {
        PictureRGBA rgba;
        rgba.width = rgba.height = 64;
        rgba.rgba.resize(64 * 64 * 4);
        for (int32_t i = 0; i < 64 * 64; ++i) {
            rgba.rgba[4 * i] = static_cast<uint8_t>(i * 7);
            rgba.rgba[4 * i + 1] = static_cast<uint8_t>(120 + i % 50);
            rgba.rgba[4 * i + 2] = 60;
            rgba.rgba[4 * i + 3] = (i % 64) < 4 ? 0 : 255;
        }
        return drawbench::KeptTexture(rgba);
    }();
    return t;
}

struct Rig : drawbench::SceneRig {
    Rig() : SceneRig(SharedTexture) {}
};

void CountPolygons(Rig& rig, benchmark::State& state) {
    DrawRecorder rec;
    gDrawRecorder = &rec;
    rig.Frame();
    gDrawRecorder = nullptr;
    int64_t triangles = 0;
    for (const DrawCall& c : rec.mCalls) {
        if (c.mOp == DrawOp::kTexturedQuad || c.mOp == DrawOp::kQuad) triangles += 2;
        if (c.mOp == DrawOp::kTriangle) triangles += 1;
        if (c.mOp == DrawOp::kTextureFan || c.mOp == DrawOp::kTextureStrip) triangles += c.mCount;
    }
    state.counters["triangles_sent"] = static_cast<double>(triangles);
}

void FrameAt(benchmark::State& state, int32_t level, bool fill) {
    Rig rig;
    rig.host.mNoDevice = !fill;
    const float heading = level < 5 ? 80.0f : 90.0f;
    rig.scene->Aim(1150, level < 5 ? 700 : 1000, heading, level);
    rig.Frame();
    CountPolygons(rig, state);
    for (auto _ : state) {
        rig.scene->map->DirtyClip();
        rig.Frame();
        benchmark::DoNotOptimize(rig.host.mPixels.data());
    }
    // Pixels the frame covers (a marker colour left untouched is not).
    if (fill) {
        std::fill(rig.host.mPixels.begin(), rig.host.mPixels.end(), uint16_t{0x0821});
        rig.Frame();
        state.counters["pixels_covered"] = static_cast<double>(std::count_if(
            rig.host.mPixels.begin(), rig.host.mPixels.end(), [](uint16_t p) { return p != 0x0821; }));
    }
}

void BM_DrawFrameLevel1(benchmark::State& s) {
    FrameAt(s, 1, true);
}
void BM_DrawFrameLevel1NoFill(benchmark::State& s) {
    FrameAt(s, 1, false);
}
void BM_DrawFrameLevel6(benchmark::State& s) {
    FrameAt(s, 6, true);
}
void BM_DrawFrameLevel6NoFill(benchmark::State& s) {
    FrameAt(s, 6, false);
}
BENCHMARK(BM_DrawFrameLevel1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawFrameLevel1NoFill)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawFrameLevel6)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DrawFrameLevel6NoFill)->Unit(benchmark::kMillisecond);

void BM_DrawBothPickPasses(benchmark::State& state) {
    Rig rig;
    rig.scene->Aim(1150, 700, 80.0f, 1);
    rig.Frame();
    for (auto _ : state)
        rig.BothPickPasses(512, 600);
}
BENCHMARK(BM_DrawBothPickPasses)->Unit(benchmark::kMillisecond);

// 250 x 250 squares: 5 km.
std::unique_ptr<Map> BigMap() {
    auto m = std::make_unique<Map>();
    m->IBlankMap(250, 250, 1.0f, 54);
    for (int32_t i = 0; i <= 250; ++i)
        for (int32_t j = 0; j <= 250; ++j)
            m->mCornerHeight[static_cast<size_t>(i) * 251 + j] = dscene::HillHeight(20.0f * i, 20.0f * j);
    return m;
}

void BM_DrawMasterClipAfterAMove5km(benchmark::State& state) {
    drawbench::RendererRig rig;
    auto m = BigMap();
    m->PrecomputeSuperTiles();
    m->mCameraX[0] = 2500;
    m->mCameraY[0] = 2500;
    m->mCameraLevel[0] = 1;
    m->PositionCamera();
    for (auto _ : state) {
        m->DirtyClip();
        m->MasterClip();
    }
}
BENCHMARK(BM_DrawMasterClipAfterAMove5km)->Unit(benchmark::kMicrosecond);

void BM_DrawPrecomputeSuperTiles5km(benchmark::State& state) {
    auto m = BigMap();
    for (auto _ : state)
        m->PrecomputeSuperTiles();
}
BENCHMARK(BM_DrawPrecomputeSuperTiles5km)->Unit(benchmark::kMillisecond);

void BM_DrawCreateDoodads2km(benchmark::State& state) {
    dscene::Scene scene;
    for (auto _ : state)
        for (int32_t i = 0; i < scene.map->mWidth; ++i)
            for (int32_t j = 0; j < scene.map->mHeight; ++j)
                scene.map->CreateDoodads(i, j);
}
BENCHMARK(BM_DrawCreateDoodads2km)->Unit(benchmark::kMillisecond);

} // namespace
