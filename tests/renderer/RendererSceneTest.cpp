// A whole frame through the renderer: textured ground, lit boxes, a
// translucent plume, fog, queued text and a screen rectangle. It is written
// to render_scene.png in the program folder (and to docs/ when
// DM_UPDATE_DOCS is set) to be looked at.
#include "engine/FileTestFolder.h"
#include <gtest/gtest.h>

#include <cstdlib>
#include <cmath>
#include <string>

#include "RendererTestHost.h"
#include "engine/GString.h"
#include "platform/Surface16.h"

using namespace rtest;

namespace {

void Box(GGraph3D& r, float x, float y, float w, float d, float h, float red, float green, float blue) {
    r.PushMatrix();
    r.Translate(x, y, 0);
    // Faces lit from the south-west: each side a shade of the colour.
    const float shade[5] = {1.0f, 0.55f, 0.8f, 0.45f, 0.7f};
    const float c[8][3] = {{0, 0, 0}, {w, 0, 0}, {w, d, 0}, {0, d, 0}, {0, 0, h}, {w, 0, h}, {w, d, h}, {0, d, h}};
    const int f[5][4] = {{4, 5, 6, 7}, {0, 4, 7, 3}, {0, 1, 5, 4}, {1, 2, 6, 5}, {3, 7, 6, 2}};
    for (int i = 0; i < 5; ++i) {
        r.Color(red * shade[i], green * shade[i], blue * shade[i]);
        const float* a = c[f[i][0]];
        const float* b = c[f[i][1]];
        const float* e = c[f[i][2]];
        const float* g = c[f[i][3]];
        r.DrawQuad(a[0], a[1], a[2], b[0], b[1], b[2], e[0], e[1], e[2], g[0], g[1], g[2]);
    }
    r.PopMatrix();
}

TEST(RendererScene, AWholeFrameLooksRight) {
    const int32_t w = 480, h = 320;
    Fixture f(w, h);
    GGraph3D& r = *f.r;
    auto grass = MakePicture(64, 64, [](int x, int y) {
        uint32_t g = 110 + ((x * 7 + y * 13) % 23) * 2, cell = ((x / 16 + y / 16) & 1) ? 18 : 0;
        return 0xFF000000u | (50 + cell) << 16 | (g + cell) << 8 | 40u;
    });
    auto road = MakePicture(32, 32, [](int x, int y) {
        uint32_t v = 120 + ((x * 5 + y * 3) % 11) * 3;
        return 0xFF000000u | v << 16 | (v - 10) << 8 | (v - 30);
    });
    auto smoke = MakePicture(32, 32, [](int x, int y) {
        int dx = x - 16, dy = y - 16, d2 = dx * dx + dy * dy;
        uint32_t a = d2 >= 256 ? 0 : uint32_t(255 - d2);
        return a << 24 | 0xD0D0D0u;
    });

    f.host.Fill(RGB565(90, 130, 200));  // the sky: the views paint it before the scene
    ASSERT_TRUE(r.RenderBegin(nullptr));
    r.ActivateView(0, 0, w, h, 70, 1, 1000);
    r.LookAt(-40, -60, 30, 20, 30, 0, 0, 0, 1);
    r.Fog(true);
    r.FogColor(0.55f, 0.6f, 0.7f);
    r.FogRange(40, 220, 0);

    // The ground: 20 m squares as textured fans, a road across it.
    for (int gy = -4; gy < 8; ++gy)
        for (int gx = -4; gx < 8; ++gx) {
            float x0 = gx * 20.0f, y0 = gy * 20.0f;
            const float xyz[12] = {x0, y0, 0, x0, y0 + 20, 0, x0 + 20, y0 + 20, 0, x0 + 20, y0, 0};
            const float uv[8] = {0, 0, 0, 1, 1, 1, 1, 0};
            r.Texture(gx == 1 ? road.get()->AsGraphic() : grass.get()->AsGraphic());
            bool clip = true;
            r.DrawTextureFan(clip, 2, xyz, uv);
        }
    r.mBackFaceCull = false;  // the boxes' faces are not wound consistently
    Box(r, 0, 0, 12, 8, 7, 0.8f, 0.3f, 0.25f);
    Box(r, 40, 20, 6, 10, 4, 0.7f, 0.7f, 0.6f);
    Box(r, -10, 50, 9, 9, 14, 0.5f, 0.55f, 0.7f);
    Box(r, 60, 80, 15, 6, 9, 0.8f, 0.3f, 0.25f);
    r.mBackFaceCull = true;

    // A translucent plume rising from the first house, facing the camera.
    r.Texture(smoke.get()->AsGraphic());
    r.SetOpacity(0.7f);
    r.mBackFaceCull = false;
    for (int i = 0; i < 4; ++i) {
        float s = 4.0f + i * 2.5f, z = 8.0f + i * 5.0f, x = 6 + i * 1.5f;
        r.DrawTexturedQuad(x - s, 4 - s * 0.5f, z - s, 0, 0, x + s, 4 + s * 0.5f, z - s, 1, 0,
                           x + s, 4 + s * 0.5f, z + s, 1, 1, x - s, 4 - s * 0.5f, z + s, 0, 1);
    }
    r.mBackFaceCull = true;
    r.SetOpacity(1.0f);
    r.Fog(false);

    RECT panel{8, h - 44, 190, h - 8};
    r.PaintRectangle(&panel, RGB565(40, 36, 30));
    RECT frame{8, h - 44, 190, h - 8};
    r.FrameRectangle(&frame, RGB565(200, 190, 160));
    GString255 text("Dunmarch 3-D");
    r.WriteString3D(&text, 20, h - 20, -1, 0, 255, 230, 120);
    r.RenderEnd();

    EXPECT_TRUE(f.host.BorderIntact());
    EXPECT_EQ(f.host.mFlips, 1);
    // Sky stays above the horizon, ground below it, the panel where it was put.
    EXPECT_EQ(f.host.At(w / 2, 2), RGB565(90, 130, 200));
    uint16_t ground = f.host.At(w / 2, h - 60);
    EXPECT_GT((ground >> 5) & 63, (ground >> 11) & 31);  // green over red
    uint16_t panelPixel = f.host.At(12, h - 12), want = RGB565(40, 36, 30);  // dithered
    EXPECT_LE(std::abs(int(panelPixel >> 11) - int(want >> 11)), 1);
    EXPECT_LE(std::abs(int(panelPixel & 31) - int(want & 31)), 1);

    FileTestFolder pictures("dm-render-");
    std::string path = pictures.File("render_scene.png");
    EXPECT_TRUE(SavePng16(path.c_str(), f.host.mBack));
    const char* src = std::getenv("DM_SOURCE_DIR");
    if (src && std::getenv("DM_UPDATE_DOCS")) {
        EXPECT_TRUE(SavePng16((std::string(src) + "/docs/render-scene.png").c_str(), f.host.mBack));
    }
}

}  // namespace

namespace {

// The ground in fog out to 3 km, then boxes at 60 m and 300-500 m and a
// tree at 400 m through the unclipped run (the fog ends at 220 m), drawn
// once with the fog cull on for them and once without: the same picture,
// with every face of the far boxes and the tree left out and the near box
// drawn.
TEST(RendererScene, ObjectsBeyondTheFogsEndAreLeftOutWithTheSamePicture) {
    const int32_t w = 320, h = 200;
    auto grass = MakePicture(64, 64, [](int x, int y) {
        return 0xFF000000u | uint32_t(40 + (x * 3) % 50) << 16 | uint32_t(100 + (y * 5) % 60) << 8 | 40u;
    });
    std::vector<uint16_t> pictures[2];
    int64_t culled[2] = {0, 0};
    for (int32_t pass = 0; pass < 2; ++pass) {
        Fixture f(w, h);
        GGraph3D& r = *f.r;
        f.host.Fill(RGB565(90, 130, 200));
        ASSERT_TRUE(r.RenderBegin(nullptr));
        r.ActivateView(0, 0, w, h, 70, 1, 5000);
        r.LookAt(0, -20, 25, 0, 200, 0, 0, 0, 1);
        r.Fog(true);
        r.FogColor(0.55f, 0.6f, 0.7f);
        r.FogRange(1, 220, 0);
        for (int gy = -1; gy < 30; ++gy)
            for (int gx = -15; gx < 15; ++gx) {
                const float x0 = gx * 100.0f, y0 = gy * 100.0f;
                const float xyz[12] = {x0, y0, 0, x0, y0 + 100, 0, x0 + 100, y0 + 100, 0, x0 + 100, y0, 0};
                const float uv[8] = {0, 0, 0, 1, 1, 1, 1, 0};
                r.Texture(grass.get()->AsGraphic());
                bool clip = true;
                r.DrawTextureFan(clip, 2, xyz, uv);
            }
        r.FogCull(pass == 1);
        const int64_t before = r.FogCulled();
        r.mBackFaceCull = false;
        Box(r, -5, 60, 10, 8, 9, 0.8f, 0.3f, 0.25f);
        for (int k = 0; k < 5; ++k) Box(r, -60 + 30 * k, 300 + 50 * k, 14, 10, 12, 0.3f, 0.3f, 0.8f);
        // A far tree as a fan of four triangles through the unclipped run.
        r.Texture(grass.get()->AsGraphic());
        const float tree[18] = {30, 400, 6, 26, 400, 0, 34, 400, 0, 34, 400, 10, 26, 400, 10, 26, 400, 0};
        const float treeUV[12] = {0.5f, 0.5f, 0, 0, 1, 0, 1, 1, 0, 1, 0, 0};
        bool noClip = false;
        r.DrawTextureFan(noClip, 4, tree, treeUV);
        r.mBackFaceCull = true;
        culled[pass] = r.FogCulled() - before;
        r.FogCull(false);
        r.Fog(false);
        r.RenderEnd();
        pictures[pass].assign(f.host.mBack.pixels, f.host.mBack.pixels + size_t(f.host.mBack.pitch) * h);
        // The near box shows its own colour, not the fog's.
        const uint16_t near = f.host.At(w / 2, h / 2 + 10);
        EXPECT_GT(near >> 11, (near >> 5) & 31) << pass;
    }
    EXPECT_EQ(culled[0], 0);
    EXPECT_EQ(culled[1], 5 * 5 + 4);
    int32_t differ = 0;
    for (size_t i = 0; i < pictures[0].size(); ++i) differ += pictures[0][i] != pictures[1][i];
    EXPECT_EQ(differ, 0);
}

}  // namespace
