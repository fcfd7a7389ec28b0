// The built scenery rendered headless from a low and a high camera, written
// to battlefield_scene.png in the program folder (and to docs/ when
// DM_UPDATE_DOCS is set) to be looked at.
#include <cstdlib>
#include <string>

#include "DrawScene.h"
#include "DrawTestUtil.h"
#include "platform/Surface16.h"

using namespace dtest;

namespace {

uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return a << 24 | r << 16 | g << 8 | b;
}

// Pictures for the review by family, so the scene reads without the art.
GGraphic* ScenePicture(int32_t p, int32_t) {
    auto& store = gShop->pictures;
    auto make = [&](auto fn) {
        store.push_back(rtest::MakePicture(16, 16, fn));
        gShop->numbers[store.back()->AsGraphic()] = p;
        gShop->made.push_back(p);
        return store.back()->AsGraphic();
    };
    if (p >= 1400 && p < 1460) // sky: light at the horizon (v 0), deeper above
        return make([](int, int y) { return Argb(255, 150 - 5 * y, 190 - 4 * y, 235); });
    if ((p >= 1550 && p < 1600) || (p >= 1470 && p < 1490) || (p >= 1830 && p < 1880))
        return make([](int x, int y) {
            return Argb(255, 70 + 8 * ((x * 7 + y * 3) % 5), 110 + 6 * ((x + y * 5) % 4), 50);
        });
    if (p >= 600 && p < 740) // fields and roads
        return make([p](int x, int) {
            return p == 625 || p == 612 ? Argb(x < 5 ? 255 : 0, 150, 130, 100)
                                        : Argb(255, 190 + 20 * (x % 2), 170, 90);
        });
    if (p >= 500 && p < 560) // trees: a dark cone
        return make([](int x, int y) {
            const int half = (16 - y) / 2;
            return std::abs(x - 8) <= half ? Argb(255, 30, 80 + 3 * y, 35) : 0u;
        });
    if (p >= 1260 && p < 1264) // walls 1260/1261, roofs 1262/1263
        return make([p](int, int) { return p >= 1262 ? Argb(255, 160, 60, 50) : Argb(255, 200, 195, 185); });
    if (p >= 1700 && p < 1720)
        return make([](int x, int y) { return Argb(y > 12 ? 0 : 220, 250, 120 + 8 * (x % 8), 20); });
    if (p >= 1800 && p < 1804)
        return make([](int x, int y) {
            return (x - 8) * (x - 8) + (y - 8) * (y - 8) < 49 ? Argb(255, 120, 120, 125) : 0u;
        });
    if (p == 1217 || p == 1216) return make([](int, int) { return Argb(255, 40, 100, 40); });
    if (p >= 2100 && p < 2600)
        return make([](int x, int y) {
            return (x - 8) * (x - 8) + (y - 4) * (y - 4) < 20 ? Argb(255, 60, 110, 40) : 0u;
        });
    return make([](int, int) { return Argb(255, 255, 255, 255); });
}

void RenderScene(dscene::Scene& scene, rtest::Fixture& r, float x, float y, float heading, int32_t level) {
    scene.Aim(x, y, heading, level);
    r.r->RenderBegin(nullptr);
    scene.map->DrawMap();
    r.r->RenderEnd();
}

bool Bluish(uint16_t p) {
    return (p & 31) > ((p >> 11) & 31) + 4;
}

TEST(DrawScene, TheScenerySeenFromALowAndAHighCamera) {
    const int32_t w = 480, h = 320;
    DrawFixture f(true, w, h);
    gDrawHooks.makeTexture = ScenePicture;
    dscene::Scene scene;
    dscene::gScene = &scene;
    f.settings.mScreenWidth = w;
    scene.map->SetScreenWidth(w);
    gDrawRecorder = nullptr; // the picture only
    scene.map->MakeTextures(false);

    std::vector<uint16_t> both(static_cast<size_t>(w) * h * 2);
    RenderScene(scene, *f.renderer, 1150, 700, 80, 1);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            both[static_cast<size_t>(y) * w + x] = f.renderer->host.At(x, y);
    // A low camera: sky above, ground below, nothing drawn out of the target.
    EXPECT_TRUE(Bluish(f.renderer->host.At(w / 2, 3)));
    EXPECT_FALSE(Bluish(f.renderer->host.At(w / 2, h - 3)));
    EXPECT_TRUE(f.renderer->host.BorderIntact());
    EXPECT_EQ(g3D->GetMatrixDepth(), 0);

    RenderScene(scene, *f.renderer, 1300, 700, 90, 6);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            both[static_cast<size_t>(y + h) * w + x] = f.renderer->host.At(x, y);
    // Looking down from high above: ground everywhere, no sky.
    EXPECT_FALSE(Bluish(f.renderer->host.At(w / 2, 3)));
    EXPECT_FALSE(Bluish(f.renderer->host.At(w / 2, h / 2)));
    EXPECT_TRUE(f.renderer->host.BorderIntact());

    PixelTarget16 image{both.data(), w, h * 2, w};
    EXPECT_TRUE(SavePng16("battlefield_scene.png", image));
    const char* src = std::getenv("DM_SOURCE_DIR");
    if (src && std::getenv("DM_UPDATE_DOCS")) {
        EXPECT_TRUE(SavePng16((std::string(src) + "/docs/battlefield-scene.png").c_str(), image));
    }
    scene.map->DeleteTextures();
    dscene::gScene = nullptr;
}

TEST(DrawScene, APickFindsTheGroundUnderThePointerAndNothingOverTheSky) {
    const int32_t w = 160, h = 120;
    DrawFixture f(true, w, h);
    dscene::Scene scene(40);
    scene.Aim(400, 400, 0, 1);
    gDrawRecorder = nullptr;
    GGraph3D& r = *g3D;
    auto pick = [&](int32_t px, int32_t py, float* out) {
        r.RenderBegin(nullptr);
        scene.map->DrawMap(); // sets the view for this frame
        r.RenderEnd();
        const float fov = scene.map->mFieldOfView;
        r.PushMatrix();
        r.ActivatePicking(px, py, w, h, fov, 1.0f, 5000.0f);
        scene.map->DrawMap();
        r.Continue3DPick();
        scene.map->DrawMap();
        r.FinishedPicking();
        r.PopMatrix();
        return r.GetPickPoint(out, out + 1, out + 2);
    };
    float p[3];
    ASSERT_TRUE(pick(w / 2, h - 10, p));
    EXPECT_NEAR(p[2], scene.map->GetZCoord(p[0], p[1]), 1.0f);
    EXPECT_GT(p[0], scene.map->mEyeX); // ahead of the eye
    // The outside world's group is lowest in preference: over the sky the
    // pick reports no ground point near the map.
    float q[3];
    if (pick(w / 2, 2, q)) {
        EXPECT_GT(std::fabs(q[0] - 400.0f), 5000.0f);
    }
}

} // namespace
