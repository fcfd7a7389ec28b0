// The units' drawing: each vehicle model at both levels of detail and each
// soldier level on their own, and 80 vehicles on the 2 km scenery at camera
// level 1 at 1024 x 768 with the device filling pixels, against the same
// frame without them, and both pick passes.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "../tests/draw/DrawScene.h"
#include "battle/UnitList.h"
#include "draw/Draw3D.h"
#include "draw/DrawSettings.h"
#include "draw/InfantryDraw.h"
#include "draw/UnitDraw.h"
#include "models/ModelTables.h"
#include "platform/SoftDevice3D.h"
#include "renderer/GGraph3D.h"
#include "renderer/RenderHost.h"
#include "units/DataTables.h"
#include "units/Vehicle.h"

namespace {

class DrawBenchHost : public RenderHost {
public:
    static constexpr int32_t kW = 1024, kH = 768;
    DrawBenchHost() : mPixels(size_t(kW) * kH) {
        mBack = PixelTarget16{mPixels.data(), kW, kH, kW};
        mDevice.ICreate16(mBack);
    }
    SoftDevice3D* Get3DDevice() override { return mNoDevice ? nullptr : &mDevice; }
    PixelTarget16 GetBackBuffer() override { return mBack; }
    int32_t ScreenWidth() override { return kW; }
    int32_t ScreenHeight() override { return kH; }
    bool IsHardwareDevice() override { return true; }
    bool IsHardwareDriver() override { return false; }
    bool IsQuitting() override { return false; }
    void PrepareDevice3D() override { PrepareScreenDevice(&mDevice, true); }
    void DetermineWinPixelFormat() override {}
    uint16_t MakeColor16(uint8_t r, uint8_t g, uint8_t b) override {
        return uint16_t(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
    }
    uint32_t ConvertToD3DColor(uint16_t) override { return 0xFFFFFFFFu; }
    uint16_t GetMaskColor() override { return 0xF81F; }
    GGraphic* MakeGraphic(int32_t, int32_t) override { return nullptr; }
    GGraphic* MakeFontGraphic(int32_t) override { return nullptr; }
    void DeleteGraphic(GGraphic*) override {}
    const SoftTexture* TextureOf(GGraphic* g) override { return reinterpret_cast<const SoftTexture*>(g); }
    bool SurfaceOf(GGraphic*, PixelTarget16*) override { return false; }
    void SetSurfaceColorKey(GGraphic*, uint16_t) override {}
    void GetBounds(GGraphic*, int32_t* w, int32_t* h) override { *w = *h = 64; }
    void ShowWinCursor(bool) override {}
    void SetCursorPos(int32_t, int32_t) override {}
    void Flip() override {}
    void GetVideoMemory(uint32_t* f, uint32_t* t) override { *f = *t = 0; }
    void RespondToVRAM(int32_t, bool) override {}

    std::vector<uint16_t> mPixels;
    PixelTarget16 mBack;
    SoftDevice3D mDevice;
    bool mNoDevice = false;
};

SoftTexture* PartTexture() {
    static SoftTexture* t = [] {
        PictureRGBA rgba;
        rgba.width = rgba.height = 32;
        rgba.rgba.resize(32 * 32 * 4);
        for (int32_t i = 0; i < 32 * 32; ++i) {
            rgba.rgba[4 * i] = static_cast<uint8_t>(90 + i % 40);
            rgba.rgba[4 * i + 1] = 110;
            rgba.rgba[4 * i + 2] = 60;
            rgba.rgba[4 * i + 3] = 255;
        }
        auto* tex = new SoftTexture;
        tex->ICreate(rgba);
        return tex;
    }();
    return t;
}

GGraphic* Part() {
    return reinterpret_cast<GGraphic*>(PartTexture());
}

const char* const kModels[] = {
    "PzIIIM", "StuH42_Mid", "Tiger_Early",  "SdKfz222",           "250_11",
    "M3_GMC", "StuartM5",   "M3_Lee",       "M4A1_Sherman_Early", "M4A3_75_W_Sherman",
    "M8_AC",  "M10",        "GeneralModel", "ClassShape0",        "ClassShape1"};

// A renderer looking at a model 12 m ahead, filling a 1024 x 768 target.
struct ModelRig {
    DrawBenchHost host;
    GGraph3D* r = nullptr;
    GGraphic* set[17];
    ModelRig() {
        gRenderHost = &host;
        r = new GGraph3D;
        g3D = r;
        r->Setup3D();
        for (auto& t : set)
            t = Part();
        gModelStatics = ModelStatics{};
        gModelStatics.textures = set;
    }
    ~ModelRig() {
        delete r;
        g3D = nullptr;
        gRenderHost = nullptr;
    }
};

void BM_VehicleModel(benchmark::State& state) {
    ModelRig rig;
    const auto* t = dm::models::FindModelTable(kModels[state.range(0)]);
    gDrawLOD = state.range(1) != 0;
    state.SetLabel(std::string(kModels[state.range(0)]) + (gDrawLOD ? " low detail" : " full detail"));
    rig.r->RenderBegin(nullptr);
    for (auto _ : state) {
        rig.r->PushMatrix();
        rig.r->Translate(0.0f, 0.0f, -12.0f);
        rig.r->RotateX(-70.0f);
        rig.r->Scale(30.0f, 30.0f, 30.0f);
        DrawModelTable(*t, true);
        rig.r->PopMatrix();
    }
    rig.r->RenderEnd();
    gDrawLOD = false;
}
BENCHMARK(BM_VehicleModel)
    ->ArgsProduct({benchmark::CreateDenseRange(0, 14, 1), {0, 1}})
    ->Unit(benchmark::kMicrosecond);

void BM_SoldierLevel(benchmark::State& state) {
    ModelRig rig;
    gFigureStatics = FigureStatics{};
    for (auto& s : gFigureStatics.slots)
        s = Part();
    gFigureStatics.face = Part();
    FigurePose pose;
    pose.leftHipPitch = 20.0f, pose.rightKnee = -25.0f, pose.rightElbow = 50.0f;
    const auto d = static_cast<FigureDetail>(state.range(0));
    static const char* const kNames[] = {"Best",        "Good",     "Average",     "Sucky",
                                         "CircusFreak", "PondScum", "DistantDot"};
    state.SetLabel(kNames[d]);
    rig.r->RenderBegin(nullptr);
    for (auto _ : state) {
        rig.r->PushMatrix();
        rig.r->Translate(0.0f, 0.0f, -4.0f);
        rig.r->RotateX(-80.0f);
        rig.r->Scale(0.0125f, 0.0125f, 0.0125f);
        DrawSoldier(d, pose, 0, true);
        rig.r->PopMatrix();
    }
    rig.r->RenderEnd();
}
BENCHMARK(BM_SoldierLevel)->DenseRange(0, 6, 1)->Unit(benchmark::kMicrosecond);

// The 2 km scenery with 80 vehicles of every model and the fallback.
struct BattleRig {
    DrawBenchHost host;
    GGraph3D* r = nullptr;
    std::unique_ptr<dscene::Scene> scene;
    VehicleData vehicles[14] = {};
    VehicleModelData models[236] = {};
    VehicleClassChart classes[1] = {};
    GGraphic* set[17];
    explicit BattleRig(bool units) {
        gRenderHost = &host;
        r = new GGraph3D;
        g3D = r;
        r->Setup3D();
        gDrawHooks = DrawHooks{};
        gDrawHooks.makeTexture = [](int32_t, int32_t) { return Part(); };
        gDrawHooks.deleteTexture = [](GGraphic*) {};
        CurrentDrawSettings() = DrawSettings{};
        CurrentDrawSettings().mScreenWidth = DrawBenchHost::kW;
        scene = std::make_unique<dscene::Scene>();
        scene->map->SetScreenWidth(DrawBenchHost::kW);
        dscene::gScene = scene.get();
        gDrawHooks.smokeShell = dscene::SceneShell;
        scene->map->MakeTextures(false);
        const int32_t numbers[14] = {28, 84, 86, 105, 120, 154, 186, 199, 203, 211, 233, 234, 60, 141};
        for (int i = 0; i < 14; ++i) {
            vehicles[i].mModel = numbers[i];
            vehicles[i].mTargetSize = 4.0f;
        }
        for (auto& m : models)
            m.mSize[0] = 6.0f;
        gVehicleData.Attach(vehicles, 14);
        gVehicleModelData.Attach(models, 236);
        gVehicleClassChart.Attach(classes, 1);
        for (auto& t : set)
            t = Part();
        for (int i = 0; units && i < 80; ++i) {
            auto* v = new Vehicle;
            v->mSubtype = i % 14;
            v->mX = 1150.0f + 30.0f * (i % 10) - 135.0f;
            v->mY = 760.0f + 25.0f * (i / 10);
            v->mHeading = 20.0f * i;
            v->mActive = true;
            v->mSide = 1;
            for (auto& l : v->mTextureSets)
                for (int k = 0; k < 17; ++k)
                    l[k] = set[k];
            scene->battle.mUnits->Add(v);
        }
        scene->Aim(1150, 700, 80.0f, 1);
    }
    ~BattleRig() {
        scene->map->DeleteTextures();
        dscene::gScene = nullptr;
        scene.reset();
        gVehicleData.Detach();
        gVehicleModelData.Detach();
        gVehicleClassChart.Detach();
        delete r;
        g3D = nullptr;
        gRenderHost = nullptr;
        gDrawHooks = DrawHooks{};
    }
    void Frame() {
        r->RenderBegin(nullptr);
        scene->map->DrawMap();
        r->RenderEnd();
    }
};

void BM_BattleFrameLevel1(benchmark::State& state) {
    BattleRig rig(state.range(0) != 0);
    state.SetLabel(state.range(0) ? "with 80 vehicles" : "scenery alone");
    rig.Frame();
    for (auto _ : state) {
        rig.scene->map->DirtyClip();
        rig.Frame();
        benchmark::DoNotOptimize(rig.host.mPixels.data());
    }
}
BENCHMARK(BM_BattleFrameLevel1)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_BattleUnitsAlone(benchmark::State& state) {
    BattleRig rig(true);
    rig.Frame();
    for (auto _ : state) {
        rig.r->RenderBegin(nullptr);
        rig.scene->map->DrawUnits();
        rig.r->RenderEnd();
    }
}
BENCHMARK(BM_BattleUnitsAlone)->Unit(benchmark::kMillisecond);

void BM_BattleBothPickPasses(benchmark::State& state) {
    BattleRig rig(true);
    rig.Frame();
    const float fov = rig.scene->map->mFieldOfView;
    for (auto _ : state) {
        rig.r->PushMatrix();
        rig.r->ActivatePicking(512, 500, DrawBenchHost::kW, DrawBenchHost::kH, fov, 1.0f, 3000.0f);
        rig.scene->map->DrawMap();
        rig.r->Continue3DPick();
        rig.scene->map->DrawMap();
        rig.r->FinishedPicking();
        rig.r->PopMatrix();
    }
}
BENCHMARK(BM_BattleBothPickPasses)->Unit(benchmark::kMillisecond);

} // namespace
