#pragma once
// The built 2 km battlefield on the benchmark screen, its textures made,
// drawn and picked as the battle screen does.
#include <memory>

#include "../tests/draw/DrawScene.h"
#include "bench/BenchScreen.h"
#include "draw/Draw3D.h"
#include "draw/DrawSettings.h"

namespace drawbench {

// The 2 km battlefield with every texture the map asks for made by `texture`.
struct SceneRig : RendererRig {
    std::unique_ptr<dscene::Scene> scene;
    explicit SceneRig(GGraphic* (*texture)(int32_t, int32_t)) {
        gDrawHooks = DrawHooks{};
        gDrawHooks.makeTexture = texture;
        gDrawHooks.deleteTexture = [](GGraphic*) {};
        CurrentDrawSettings() = DrawSettings{};
        CurrentDrawSettings().mScreenWidth = ScreenHost::kW;
        scene = std::make_unique<dscene::Scene>();
        scene->map->SetScreenWidth(ScreenHost::kW);
        dscene::gScene = scene.get();
        scene->map->MakeTextures(false);
    }
    ~SceneRig() {
        scene->map->DeleteTextures();
        dscene::gScene = nullptr;
        scene.reset();
        gDrawHooks = DrawHooks{};
    }
    void Frame() {
        r->RenderBegin(nullptr);
        scene->map->DrawMap();
        r->RenderEnd();
    }
    // Both pick passes through the click at (x, y), as the battle screen runs them.
    void BothPickPasses(int32_t x, int32_t y) {
        r->PushMatrix();
        r->ActivatePicking(x, y, ScreenHost::kW, ScreenHost::kH, scene->map->mFieldOfView, 1.0f, 3000.0f);
        scene->map->DrawMap();
        r->Continue3DPick();
        scene->map->DrawMap();
        r->FinishedPicking();
        r->PopMatrix();
    }
};

} // namespace drawbench
