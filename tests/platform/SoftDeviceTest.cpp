// Pixel tests of the software 3-D device.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <limits>

#include "SoftDeviceTestUtil.h"
#include "platform/SoftRaster.h"

using namespace softtest;
using namespace SoftValue;

namespace {

struct Fixture {
    Canvas16 canvas;
    SoftDevice3D dev;
    Fixture(int32_t w = 32, int32_t h = 32) : canvas(w, h) {
        EXPECT_TRUE(dev.ICreate16(canvas.target));
        ScreenStates(dev);
        dev.Clear(nullptr, 0, kSoftClearZBuffer, 0, 1.0f);
    }
};

TEST(SoftDevice, DepthTestKeepsNearestAndWritesDepth) {
    Fixture f;
    Quad(f.dev, 0, 0, 32, 32, 0.8f, 0xFFFF0000u);
    Quad(f.dev, 8, 8, 24, 24, 0.2f, 0xFF00FF00u);
    Quad(f.dev, 0, 0, 32, 32, 0.5f, 0xFF0000FFu);  // behind the green, in front of the red
    EXPECT_EQ(f.canvas.At(16, 16), RGB565(0, 255, 0));
    EXPECT_EQ(f.canvas.At(2, 2), RGB565(0, 0, 255));
    EXPECT_EQ(f.dev.DepthBuffer()[16 * 32 + 16], uint16_t(0.2f * 65535 + 0.5f));
    // Less-or-equal: the same depth draws again.
    Quad(f.dev, 8, 8, 24, 24, 0.2f, 0xFFFFFFFFu);
    EXPECT_EQ(f.canvas.At(16, 16), RGB565(255, 255, 255));
    // Without depth writes a near polygon leaves the buffer for a far one.
    f.dev.SetRenderState(SoftState::ZWriteEnable, kFalse);
    Quad(f.dev, 0, 0, 4, 4, 0.0f, 0xFF000000u);
    f.dev.SetRenderState(SoftState::ZWriteEnable, kTrue);
    Quad(f.dev, 0, 0, 4, 4, 0.4f, 0xFFFFFFFFu);
    EXPECT_EQ(f.canvas.At(1, 1), RGB565(255, 255, 255));
    // The "always" comparison used for screen rectangles ignores depth.
    f.dev.SetRenderState(SoftState::ZFunc, kCmpAlways);
    Quad(f.dev, 8, 8, 24, 24, 1.0f, 0xFFFF0000u);
    EXPECT_EQ(f.canvas.At(16, 16), RGB565(255, 0, 0));
    EXPECT_TRUE(f.canvas.BorderIntact());
}

TEST(SoftDevice, AlphaBlendAlphaTestAndTextureFactor) {
    Fixture f;
    Quad(f.dev, 0, 0, 32, 32, 0.9f, 0xFFFFFFFFu);
    Quad(f.dev, 0, 0, 16, 32, 0.5f, 0x80000000u);  // half black over white
    uint16_t half = f.canvas.At(4, 4);
    EXPECT_NEAR((half >> 11) & 31, 15.5, 1.0);
    EXPECT_NEAR((half >> 5) & 63, 31.5, 1.0);
    // Alpha 0 fails the alpha test: nothing is drawn, depth stays.
    Quad(f.dev, 16, 0, 32, 32, 0.1f, 0x00000000u);
    EXPECT_EQ(f.canvas.At(20, 4), RGB565(255, 255, 255));
    EXPECT_EQ(f.dev.DepthBuffer()[4 * 32 + 20], uint16_t(0.9f * 65535 + 0.5f));

    // A textured polygon modulated by the texture factor's alpha.
    SoftTexture tex;
    ASSERT_TRUE(tex.ICreate(MakePicture(4, 4, [](int, int) { return 0xFF000000u; })));
    TextureOn(f.dev, &tex, true);
    f.dev.SetRenderState(SoftState::TextureFactor, 0x7FFFFFFFu);
    TV v[4] = {{16, 0, 0.3f, 1, 0, 0}, {32, 0, 0.3f, 1, 1, 0}, {32, 32, 0.3f, 1, 1, 1}, {16, 32, 0.3f, 1, 0, 1}};
    f.dev.DrawPrimitive(SoftPrimitive::TriangleFan, kSoftFvfTex1, v, 4, kSoftDrawFlags);
    uint16_t tf = f.canvas.At(20, 4);
    EXPECT_NEAR((tf >> 11) & 31, 16, 1.0);
    // Blending off: the same draw replaces the pixel.
    f.dev.SetRenderState(SoftState::AlphaBlendEnable, kFalse);
    f.dev.DrawPrimitive(SoftPrimitive::TriangleFan, kSoftFvfTex1, v, 4, kSoftDrawFlags);
    EXPECT_EQ(f.canvas.At(20, 4), 0);
}

TEST(SoftDevice, ColourKeyMakesTexelsTransparent) {
    Fixture f;
    Quad(f.dev, 0, 0, 32, 32, 0.9f, 0xFF00FF00u);
    SoftTexture tex;  // left half magenta, right half red
    ASSERT_TRUE(tex.ICreate(MakePicture(8, 8, [](int x, int) { return x < 4 ? 0xFFFF00FFu : 0xFFFF0000u; })));
    tex.SetColorKey(RGB565(255, 0, 255));
    TextureOn(f.dev, &tex);
    TV v[4] = {{0, 0, 0.5f, 1, 0, 0}, {32, 0, 0.5f, 1, 1, 0}, {32, 32, 0.5f, 1, 1, 1}, {0, 32, 0.5f, 1, 0, 1}};
    f.dev.DrawPrimitive(SoftPrimitive::TriangleFan, kSoftFvfTex1, v, 4, kSoftDrawFlags);
    EXPECT_EQ(f.canvas.At(4, 10), RGB565(0, 255, 0));
    EXPECT_EQ(f.canvas.At(28, 10), RGB565(255, 0, 0));
    // Keyed texels write no depth either.
    EXPECT_EQ(f.dev.DepthBuffer()[10 * 32 + 4], uint16_t(0.9f * 65535 + 0.5f));
    tex.SetColorKey(-1);
    f.dev.DrawPrimitive(SoftPrimitive::TriangleFan, kSoftFvfTex1, v, 4, kSoftDrawFlags);
    EXPECT_EQ(f.canvas.At(4, 10), RGB565(255, 0, 255));
}

TEST(SoftDevice, LinearTableFogByEyeDistance) {
    Fixture f;
    f.dev.SetRenderState(SoftState::FogEnable, kTrue);
    f.dev.SetRenderState(SoftState::FogTableMode, kFogLinear);
    f.dev.SetRenderState(SoftState::FogColor, 0x0000FF);
    float start = 10, end = 30;
    uint32_t bits;
    std::memcpy(&bits, &start, 4);
    f.dev.SetRenderState(SoftState::FogTableStart, bits);
    std::memcpy(&bits, &end, 4);
    f.dev.SetRenderState(SoftState::FogTableEnd, bits);
    auto quadAt = [&](float x0, float w) {
        CV v[4] = {{x0, 0, 0.5f, 1 / w, 0xFFFFFFFFu}, {x0 + 8, 0, 0.5f, 1 / w, 0xFFFFFFFFu},
                   {x0 + 8, 8, 0.5f, 1 / w, 0xFFFFFFFFu}, {x0, 8, 0.5f, 1 / w, 0xFFFFFFFFu}};
        f.dev.DrawPrimitive(SoftPrimitive::TriangleFan, kSoftFvfDiffuse, v, 4, kSoftDrawFlags);
    };
    quadAt(0, 5);    // nearer than the start: no fog
    quadAt(8, 20);   // half way: half fog
    quadAt(16, 40);  // beyond the end: all fog
    EXPECT_EQ(f.canvas.At(4, 4), RGB565(255, 255, 255));
    uint16_t mid = f.canvas.At(12, 4);
    EXPECT_NEAR((mid >> 11) & 31, 16, 1);
    EXPECT_EQ(mid & 31, 31);
    EXPECT_EQ(f.canvas.At(20, 4), RGB565(0, 0, 255));
}

TEST(SoftDevice, WrapAddressingRepeatsAndAcceptsNegativeV) {
    Fixture f(32, 8);
    // Columns alternate black and white; rows are all alike.
    SoftTexture tex;
    ASSERT_TRUE(tex.ICreate(MakePicture(2, 2, [](int x, int) { return x ? 0xFFFFFFFFu : 0xFF000000u; })));
    TextureOn(f.dev, &tex);
    // u from 0 to 8 across 32 pixels: 16 texel columns, 2 pixels each. v runs
    // negative as the renderer sends it.
    TV v[4] = {{0, 0, 0.5f, 1, 0, -0.25f}, {32, 0, 0.5f, 1, 8, -0.25f}, {32, 8, 0.5f, 1, 8, -3}, {0, 8, 0.5f, 1, 0, -3}};
    f.dev.DrawPrimitive(SoftPrimitive::TriangleFan, kSoftFvfTex1, v, 4, kSoftDrawFlags);
    for (int32_t x = 0; x < 32; ++x)
        EXPECT_EQ(f.canvas.At(x, 3), ((x / 2) & 1) ? 0xFFFF : 0) << x;
}

TEST(SoftDevice, PerspectiveCorrectTextureCoordinates) {
    Fixture f(64, 4);
    // 64 texel columns, grey level = column * 4.
    SoftTexture tex;
    ASSERT_TRUE(tex.ICreate(MakePicture(64, 1, [](int x, int) { uint32_t g = x * 4; return 0xFF000000u | g << 16 | g << 8 | g; })));
    TextureOn(f.dev, &tex);
    // Left edge at w = 1, right edge at w = 3: the middle of the texture is
    // where the screen-space interpolation of 1/w reaches its mean, at 1/4
    // of the width, not at the centre.
    TV v[4] = {{0, 0, 0.5f, 1, 0, 0}, {64, 0, 0.5f, 1.0f / 3, 1, 0}, {64, 4, 0.5f, 1.0f / 3, 1, 0}, {0, 4, 0.5f, 1, 0, 0}};
    f.dev.DrawPrimitive(SoftPrimitive::TriangleFan, kSoftFvfTex1, v, 4, kSoftDrawFlags);
    // Pixel 16 (sampled at 16): s = 16/64, u = s/3 / ((1 - s) + s/3).
    float s = 16.0f / 64, u = (s / 3) / ((1 - s) + s / 3);
    int32_t col = int32_t(u * 64);
    EXPECT_NEAR((f.canvas.At(16, 1) >> 5) & 63, (col * 4) >> 2, 1);
}

TEST(SoftDevice, NeverWritesOutsideItsTarget) {
    Fixture f(24, 16);
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    CV tris[][3] = {
        {{-50, -50, 0.5f, 1, 0xFFFF0000u}, {100, 4, 0.5f, 1, 0xFFFF0000u}, {4, 100, 0.5f, 1, 0xFFFF0000u}},
        {{-1e30f, 0, 0.5f, 1, 0xFF00FF00u}, {1e30f, 1, 0.5f, 1, 0xFF00FF00u}, {0, 1e30f, 0.5f, 1, 0xFF00FF00u}},
        {{nan, 0, 0.5f, 1, ~0u}, {10, 1, 0.5f, 1, ~0u}, {0, 10, 0.5f, 1, ~0u}},
        {{inf, 0, 0.5f, 1, ~0u}, {10, 1, 0.5f, 1, ~0u}, {0, 10, 0.5f, 1, ~0u}},
        {{0, 0, nan, 1, ~0u}, {10, 1, 0.5f, 1, ~0u}, {0, 10, 0.5f, 1, ~0u}},
        {{0, 0, 0.5f, -1, ~0u}, {10, 1, 0.5f, 1, ~0u}, {0, 10, 0.5f, 1, ~0u}},
        {{0, 0, 0.5f, 1, ~0u}, {5, 5, 0.5f, 1, ~0u}, {10, 10, 0.5f, 1, ~0u}},  // degenerate
        {{3, 3, -7, 1, ~0u}, {30, 3, 9, 1, ~0u}, {3, 30, 0.5f, 1, ~0u}},      // depth out of range
        // Corners near the float limit, whose differences overflow.
        {{1.45e17f, 3, 3, 3, ~0u}, {-1.7e38f, -1.7e38f, -5e14f, 1.65e-38f, ~0u}, {32768, 1.7e38f, 0, 1.2e-10f, ~0u}},
    };
    for (auto& t : tris) {
        f.dev.Clear(nullptr, 0, kSoftClearZBuffer, 0, 1.0f);
        f.dev.DrawPrimitive(SoftPrimitive::TriangleList, kSoftFvfDiffuse, t, 3, kSoftDrawFlags);
        EXPECT_TRUE(f.canvas.BorderIntact());
    }
    // The first triangle covers the whole target; the degenerate one nothing.
    EXPECT_EQ(f.canvas.CountNot(0), 24 * 16);
    Canvas16 fresh(24, 16);
    SoftDevice3D d2;
    ASSERT_TRUE(d2.ICreate16(fresh.target));
    d2.DrawPrimitive(SoftPrimitive::TriangleList, kSoftFvfDiffuse, tris[6], 3, kSoftDrawFlags);
    d2.DrawPrimitive(SoftPrimitive::TriangleStrip, kSoftFvfDiffuse, tris[0], 2, kSoftDrawFlags);
    d2.DrawPrimitive(SoftPrimitive::TriangleFan, 0x99, tris[0], 3, kSoftDrawFlags);
    EXPECT_EQ(fresh.CountNot(0), 0);
    // A textured triangle with huge texture coordinates stays inside too.
    SoftTexture tex;
    ASSERT_TRUE(tex.ICreate(MakePicture(3, 5, [](int, int) { return 0xFFFFFFFFu; })));
    TextureOn(d2, &tex);
    TV tv[3] = {{-40, -3, 0.5f, 1e-6f, 1e20f, -1e20f}, {70, 2, 0.5f, 1, nan, 0}, {3, 40, 0.5f, 1, 0, 1}};
    d2.DrawPrimitive(SoftPrimitive::TriangleList, kSoftFvfTex1, tv, 3, kSoftDrawFlags);
    tv[1].u = 2;
    d2.DrawPrimitive(SoftPrimitive::TriangleList, kSoftFvfTex1, tv, 3, kSoftDrawFlags);
    EXPECT_TRUE(fresh.BorderIntact());
}

// Set-up takes a corner on the guard band's edge and refuses one a float
// step past it, and one with a coordinate that is not a finite number or
// with 1/w not above 0.
TEST(SoftRasterSetup, CornersUpToTheGuardBandAndFiniteOnly) {
    const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
    const RasterVertex b{30, 2, 0.5f, 1, 0, 0, 0}, c{20, 25, 0.5f, 1, 0, 0, 0};
    auto setUp = [&](RasterVertex a) {
        TriangleSetup t;
        return SetupTriangle(a, b, c, 40, 30, &t) && SetupTriangle(b, c, a, 40, 30, &t);
    };
    const float left = -kRasterGuard, right = 40 + kRasterGuard, bottom = 30 + kRasterGuard;
    EXPECT_TRUE(setUp({left, 5, 0.5f, 1, 0, 0, 0}));
    EXPECT_FALSE(setUp({std::nextafter(left, -inf), 5, 0.5f, 1, 0, 0, 0}));
    EXPECT_TRUE(setUp({right, 5, 0.5f, 1, 0, 0, 0}));
    EXPECT_FALSE(setUp({std::nextafter(right, inf), 5, 0.5f, 1, 0, 0, 0}));
    EXPECT_TRUE(setUp({5, left, 0.5f, 1, 0, 0, 0}));
    EXPECT_FALSE(setUp({5, std::nextafter(left, -inf), 0.5f, 1, 0, 0, 0}));
    EXPECT_TRUE(setUp({5, bottom, 0.5f, 1, 0, 0, 0}));
    EXPECT_FALSE(setUp({5, std::nextafter(bottom, inf), 0.5f, 1, 0, 0, 0}));
    EXPECT_TRUE(setUp({5, 5, -1e30f, 1e-30f, 1e30f, -1e30f, 0}));
    for (const float bad : {inf, -inf, nan}) {
        EXPECT_FALSE(setUp({5, 5, bad, 1, 0, 0, 0}));
        EXPECT_FALSE(setUp({5, 5, 0.5f, bad, 0, 0, 0}));
        EXPECT_FALSE(setUp({5, 5, 0.5f, 1, bad, 0, 0}));
        EXPECT_FALSE(setUp({5, 5, 0.5f, 1, 0, bad, 0}));
    }
    EXPECT_FALSE(setUp({5, 5, 0.5f, 0, 0, 0, 0}));
    EXPECT_FALSE(setUp({5, 5, 0.5f, -0.0f, 0, 0, 0}));
}

TEST(SoftRasterCoverage, SharedEdgesCoverEveryPixelExactlyOnce) {
    Lcg rng(7);
    for (int32_t round = 0; round < 300; ++round) {
        // A random convex quad split along a diagonal, partly off the target.
        RasterVertex p[4];
        float cx = rng.Range(0, 40), cy = rng.Range(0, 30);
        for (int32_t i = 0; i < 4; ++i) {
            float a = (i * 90 + rng.Range(-30, 30)) * 3.14159265f / 180, r = rng.Range(3, 25);
            p[i] = RasterVertex{cx + r * std::cos(a), cy + r * std::sin(a), 0.5f, 1, 0, 0, 0};
        }
        // Only convex ones: the diagonal then splits without overlap.
        int32_t positive = 0;
        for (int32_t i = 0; i < 4; ++i) {
            const RasterVertex &a = p[i], &b = p[(i + 1) % 4], &c = p[(i + 2) % 4];
            positive += (b.x - a.x) * (c.y - b.y) - (b.y - a.y) * (c.x - b.x) > 0;
        }
        if (positive != 0 && positive != 4) continue;
        TriangleSetup t1, t2;
        bool ok1 = SetupTriangle(p[0], p[1], p[2], 40, 30, &t1);
        bool ok2 = SetupTriangle(p[0], p[2], p[3], 40, 30, &t2);
        for (int32_t y = 0; y < 30; ++y)
            for (int32_t x = 0; x < 40; ++x) {
                bool a = ok1 && x >= t1.minX && x <= t1.maxX && y >= t1.minY && y <= t1.maxY && CoversPixel(t1, x, y);
                bool b = ok2 && x >= t2.minX && x <= t2.maxX && y >= t2.minY && y <= t2.maxY && CoversPixel(t2, x, y);
                ASSERT_FALSE(a && b) << round << " " << x << "," << y;
            }
        // RowSpan and the row walker agree with the per-pixel test.
        for (auto* t : {&t1, &t2}) {
            if (t == &t1 ? !ok1 : !ok2) continue;
            RowWalker rows(*t);
            for (int32_t y = t->minY; y <= t->maxY; ++y, rows.Next()) {
                int32_t x0 = 0, x1 = 0, w0 = 0, w1 = 0;
                bool any = RowSpan(*t, y, &x0, &x1);
                bool walked = rows.Span(&w0, &w1);
                ASSERT_EQ(any, walked);
                for (int32_t x = t->minX; x <= t->maxX; ++x) {
                    ASSERT_EQ(CoversPixel(*t, x, y), any && x >= x0 && x < x1);
                    ASSERT_EQ(CoversPixel(*t, x, y), walked && x >= w0 && x < w1);
                }
            }
        }
    }
}

// The fast path against the reference path with its per-pixel divide.
// Each texel's colour encodes its column and row, so the texel chosen at a
// pixel can be read back from the picture.
TEST(SoftDevice, FastPathMatchesReferenceOnManyTriangles) {
    SoftTexture tex;
    ASSERT_TRUE(tex.ICreate(MakePicture(32, 16, [](int x, int y) {
        return 0xFF000000u | uint32_t(x * 8 + 4) << 16 | uint32_t(y * 16 + 8) << 8 | 0x40u;
    })));
    auto texelOf = [](uint16_t p) { return std::pair<int, int>((p >> 11) & 31, ((p >> 5) & 63) / 4); };
    Lcg rng(1234);
    int64_t pixels = 0, differing = 0;
    for (int32_t round = 0; round < 400; ++round) {
        Canvas16 a(48, 40, 0x1234), b(48, 40, 0x1234);
        SoftDevice3D fast, ref;
        ASSERT_TRUE(fast.ICreate16(a.target));
        ASSERT_TRUE(ref.ICreate16(b.target));
        ref.SetReferencePath(true);
        bool textured = round % 3 != 0;
        for (SoftDevice3D* d : {&fast, &ref}) {
            ScreenStates(*d);
            d->SetRenderState(SoftState::DitherEnable, (round % 2 && !textured) ? kTrue : kFalse);
            if (textured) TextureOn(*d, &tex);
            d->Clear(nullptr, 0, kSoftClearZBuffer, 0, 1.0f);
        }
        TV tv[3];
        CV cv[3];
        uint32_t color = (rng.Next() & 1 ? 0xFF000000u : 0x90000000u) | (rng.Next() & 0xFFFFFF);
        for (int32_t i = 0; i < 3; ++i) {
            // Every fifth round faces the eye (one w): the affine set-up.
            float x = rng.Range(-20, 68), y = rng.Range(-20, 60), z = rng.Range(0, 1);
            float w = round % 5 == 0 ? 2.5f : rng.Range(1, 4);
            // About one to three texels a pixel, as textures are drawn.
            tv[i] = TV{x, y, z, 1 / w, x * 0.04f + rng.Range(-0.5f, 0.5f), -y * 0.08f + rng.Range(-0.5f, 0.5f)};
            cv[i] = CV{x, y, z, 1 / w, color};
        }
        for (SoftDevice3D* d : {&fast, &ref}) {
            if (textured) d->DrawPrimitive(SoftPrimitive::TriangleList, kSoftFvfTex1, tv, 3, kSoftDrawFlags);
            else d->DrawPrimitive(SoftPrimitive::TriangleList, kSoftFvfDiffuse, cv, 3, kSoftDrawFlags);
        }
        for (int32_t y = 0; y < 40; ++y)
            for (int32_t x = 0; x < 48; ++x) {
                uint16_t za = fast.DepthBuffer()[y * 48 + x], zb = ref.DepthBuffer()[y * 48 + x];
                // Coverage (where depth was written) is exact, depth within one step.
                ASSERT_EQ(za == 0xFFFF, zb == 0xFFFF) << round << " " << x << "," << y;
                ASSERT_LE(std::abs(int(za) - int(zb)), 1);
                if (za == 0xFFFF) continue;
                ++pixels;
                if (a.At(x, y) == b.At(x, y)) continue;
                ++differing;
                // Flat colours are identical; a texel may be a neighbour of
                // the reference's where the fast path's straight steps between
                // divides cross a texel edge at another pixel.
                ASSERT_TRUE(textured) << round << " " << x << "," << y;
                // Distances with wrap-around. The fast texel must lie within
                // the step that the reference itself makes to a neighbour.
                auto dist = [](std::pair<int, int> p, std::pair<int, int> q) {
                    int du = std::abs(p.first - q.first), dv = std::abs(p.second - q.second);
                    return std::max(std::min(du, 32 - du), std::min(dv, 16 - dv));
                };
                int step = 1;
                for (int32_t ny = y - 1; ny <= y + 1; ++ny)
                    for (int32_t nx = x - 1; nx <= x + 1; ++nx)
                        if (nx >= 0 && ny >= 0 && nx < 48 && ny < 40 && ref.DepthBuffer()[ny * 48 + nx] != 0xFFFF)
                            step = std::max(step, dist(texelOf(b.At(nx, ny)), texelOf(b.At(x, y))));
                EXPECT_LE(dist(texelOf(a.At(x, y)), texelOf(b.At(x, y))), step) << round << " " << x << "," << y;
            }
    }
    ASSERT_GT(pixels, 10000);
    EXPECT_LT(double(differing) / pixels, 0.06) << differing << " of " << pixels;
}

TEST(SoftDevice, DitherSpreadsColoursBetweenLevels) {
    Fixture f(8, 8);
    f.dev.SetRenderState(SoftState::DitherEnable, kTrue);
    Quad(f.dev, 0, 0, 8, 8, 0.5f, 0xFF848484u);  // between two 565 levels
    std::set<uint16_t> seen;
    double red = 0;
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 8; ++x) {
            seen.insert(f.canvas.At(x, y));
            red += (f.canvas.At(x, y) >> 11) * 255.0 / 31;
        }
    EXPECT_GT(seen.size(), 1u);
    EXPECT_NEAR(red / 64, 0x84, 4);
    f.dev.SetRenderState(SoftState::DitherEnable, kFalse);
    Quad(f.dev, 0, 0, 8, 8, 0.5f, 0xFF848484u);
    EXPECT_EQ(f.canvas.CountNot(f.canvas.At(0, 0)), 0);
}

TEST(SoftDevice, PickTargetKeepsExactColoursAndItsOwnDepth) {
    std::vector<uint32_t> pixels(49, 0xDEADBEEF);
    PixelTarget32 t{pixels.data(), 7, 7, 7};
    SoftDevice3D pick;
    ASSERT_TRUE(pick.ICreate32(t));
    pick.Clear(nullptr, 0, kSoftClearTarget | kSoftClearZBuffer, 0, 1.0f);
    EXPECT_EQ(pixels[0], 0u);
    ASSERT_TRUE(pick.BeginScene());
    EXPECT_FALSE(pick.BeginScene());
    CV far[3] = {{0, 0, 0.7f, 1, 0xFF000005u}, {6.99f, 0, 0.7f, 1, 0xFF000005u}, {0, 6.99f, 0.7f, 1, 0xFF000005u}};
    CV near[3] = {{6.99f, 6.99f, 0.3f, 1, 0xFF123456u}, {0, 6.99f, 0.3f, 1, 0xFF123456u}, {6.99f, 0, 0.3f, 1, 0xFF123456u}};
    pick.DrawPrimitive(SoftPrimitive::TriangleList, kSoftFvfDiffuse, far, 3, kSoftDrawFlags);
    pick.DrawPrimitive(SoftPrimitive::TriangleList, kSoftFvfDiffuse, near, 3, kSoftDrawFlags);
    EXPECT_TRUE(pick.EndScene());
    EXPECT_EQ(pixels[0] & 0xFFFFFF, 5u);
    EXPECT_EQ(pixels[48] & 0xFFFFFF, 0x123456u);
    EXPECT_EQ(pick.DepthBuffer()[0], uint16_t(0.7f * 65535 + 0.5f));
    EXPECT_EQ(pick.DepthBuffer()[48], uint16_t(0.3f * 65535 + 0.5f));
    // Pixel (x, y) is sampled at (x, y): (3, 3) lies in the far triangle,
    // (4, 4) in the near one.
    EXPECT_EQ(pixels[3 * 7 + 3] & 0xFFFFFF, 5u);
    EXPECT_EQ(pixels[4 * 7 + 4] & 0xFFFFFF, 0x123456u);
}

}  // namespace

namespace {

// Magnified textures are filtered between texels: the fast path's fixed
// point agrees with the reference within a step of each channel.
TEST(SoftDevice, LinearMagnificationMatchesReference) {
    SoftTexture tex;
    ASSERT_TRUE(tex.ICreate(MakePicture(4, 4, [](int x, int y) {
        return 0xFF000000u | uint32_t(x * 80) << 16 | uint32_t(y * 80) << 8 | uint32_t((x + y) * 30);
    })));
    Canvas16 a(64, 64), b(64, 64);
    SoftDevice3D fast, ref;
    ASSERT_TRUE(fast.ICreate16(a.target));
    ASSERT_TRUE(ref.ICreate16(b.target));
    ref.SetReferencePath(true);
    for (SoftDevice3D* d : {&fast, &ref}) {
        ScreenStates(*d);
        d->SetTextureStageState(SoftStage::MagFilter, kFilterLinear);
        TextureOn(*d, &tex);
        d->Clear(nullptr, 0, kSoftClearZBuffer, 0, 1.0f);
        // Four texels over 60 pixels, in perspective.
        TV v[4] = {{2, 2, 0.5f, 1, 0, 0}, {62, 2, 0.5f, 0.5f, 1, 0}, {62, 62, 0.5f, 0.5f, 1, 1}, {2, 62, 0.5f, 1, 0, 1}};
        d->DrawPrimitive(SoftPrimitive::TriangleFan, kSoftFvfTex1, v, 4, kSoftDrawFlags);
    }
    int32_t shades = 0;
    for (int32_t y = 0; y < 64; ++y)
        for (int32_t x = 0; x < 64; ++x) {
            uint16_t p = a.At(x, y), q = b.At(x, y);
            ASSERT_LE(std::abs(int(p >> 11) - int(q >> 11)), 1) << x << "," << y;
            ASSERT_LE(std::abs(int((p >> 5) & 63) - int((q >> 5) & 63)), 2) << x << "," << y;
            ASSERT_LE(std::abs(int(p & 31) - int(q & 31)), 1) << x << "," << y;
            if (x > 0 && y == 32 && p != a.At(x - 1, y)) ++shades;
        }
    // A filtered ramp, not four blocks of one colour.
    EXPECT_GT(shades, 10);
}

}  // namespace

namespace {

// Fog over a textured polygon: the fast path shades every pixel in full and
// agrees with the reference; the far side takes the fog colour.
TEST(SoftDevice, FogOnTexturesMatchesReference) {
    SoftTexture tex;
    ASSERT_TRUE(tex.ICreate(MakePicture(8, 8, [](int, int) { return 0xFFE0C040u; })));
    Canvas16 a(64, 32), b(64, 32);
    SoftDevice3D fast, ref;
    ASSERT_TRUE(fast.ICreate16(a.target));
    ASSERT_TRUE(ref.ICreate16(b.target));
    ref.SetReferencePath(true);
    float start = 2, end = 8;
    uint32_t startBits, endBits;
    std::memcpy(&startBits, &start, 4);
    std::memcpy(&endBits, &end, 4);
    for (SoftDevice3D* d : {&fast, &ref}) {
        ScreenStates(*d);
        TextureOn(*d, &tex);
        d->SetRenderState(SoftState::FogEnable, kTrue);
        d->SetRenderState(SoftState::FogTableMode, kFogLinear);
        d->SetRenderState(SoftState::FogColor, 0x203040);
        d->SetRenderState(SoftState::FogTableStart, startBits);
        d->SetRenderState(SoftState::FogTableEnd, endBits);
        d->Clear(nullptr, 0, kSoftClearZBuffer, 0, 1.0f);
        // w from 1 (no fog) on the left to 10 (all fog) on the right.
        TV v[4] = {{0, 0, 0.5f, 1, 0, 0}, {64, 0, 0.5f, 0.1f, 3, 0}, {64, 32, 0.5f, 0.1f, 3, -1}, {0, 32, 0.5f, 1, 0, -1}};
        d->DrawPrimitive(SoftPrimitive::TriangleFan, kSoftFvfTex1, v, 4, kSoftDrawFlags);
    }
    for (int32_t y = 0; y < 32; ++y)
        for (int32_t x = 0; x < 64; ++x) {
            uint16_t p = a.At(x, y), q = b.At(x, y);
            ASSERT_LE(std::abs(int(p >> 11) - int(q >> 11)), 1) << x << "," << y;
            ASSERT_LE(std::abs(int((p >> 5) & 63) - int((q >> 5) & 63)), 1) << x << "," << y;
            ASSERT_LE(std::abs(int(p & 31) - int(q & 31)), 1) << x << "," << y;
        }
    // 8-bit channels become 5 and 6 bits by rounding.
    auto near = [](uint16_t p, uint16_t q) {
        return std::abs(int(p >> 11) - int(q >> 11)) <= 1 && std::abs(int((p >> 5) & 63) - int((q >> 5) & 63)) <= 1 &&
               std::abs(int(p & 31) - int(q & 31)) <= 1;
    };
    EXPECT_TRUE(near(a.At(0, 16), RGB565(0xE0, 0xC0, 0x40)));
    EXPECT_TRUE(near(a.At(63, 16), RGB565(0x20, 0x30, 0x40)));
    EXPECT_FALSE(near(a.At(56, 16), a.At(0, 16)));  // w about 4.7: fog half way
    EXPECT_FALSE(near(a.At(56, 16), a.At(63, 16)));
}

}  // namespace

namespace {

// A see-through puff as smoke is drawn: translucent texels, a texture factor
// below opaque, fog and blending over what is there, magnified (bilinear)
// and not. The fast path agrees with the reference to a level; a puff faded
// so far that its strongest texel fails the alpha test leaves the target
// and the depths alone.
TEST(SoftDevice, FoggedTranslucentPuffsMatchReferenceAndAFadedOneDrawsNothing) {
    SoftTexture tex;
    ASSERT_TRUE(tex.ICreate(MakePicture(16, 16, [](int x, int y) {
        const uint32_t a = uint32_t((x + y) * 6 + 10);  // 10 .. 190
        return a << 24 | uint32_t(x * 15) << 16 | uint32_t(y * 15) << 8 | 0x60u;
    })));
    float start = 1.5f, end = 6;
    uint32_t startBits, endBits;
    std::memcpy(&startBits, &start, 4);
    std::memcpy(&endBits, &end, 4);
    for (uint32_t filter : {kFilterPoint, kFilterLinear})
        for (uint32_t factor : {0x90u, 0x00u}) {
            Canvas16 a(64, 48, 0x8410), b(64, 48, 0x8410);
            SoftDevice3D fast, ref;
            ASSERT_TRUE(fast.ICreate16(a.target));
            ASSERT_TRUE(ref.ICreate16(b.target));
            ref.SetReferencePath(true);
            for (SoftDevice3D* d : {&fast, &ref}) {
                ScreenStates(*d);
                d->SetTextureStageState(SoftStage::MagFilter, filter);
                TextureOn(*d, &tex, true);
                d->SetRenderState(SoftState::TextureFactor, factor << 24 | 0xFFFFFFu);
                d->SetRenderState(SoftState::FogEnable, kTrue);
                d->SetRenderState(SoftState::FogTableMode, kFogLinear);
                d->SetRenderState(SoftState::FogColor, 0x405060);
                d->SetRenderState(SoftState::FogTableStart, startBits);
                d->SetRenderState(SoftState::FogTableEnd, endBits);
                d->Clear(nullptr, 0, kSoftClearZBuffer, 0, 1.0f);
                // Facing the eye at w = 2.5, sixteen texels over 60 pixels.
                TV v[4] = {{2, 2, 0.5f, 0.4f, 0, 0}, {62, 2, 0.5f, 0.4f, 1, 0}, {62, 46, 0.5f, 0.4f, 1, 1},
                           {2, 46, 0.5f, 0.4f, 0, 1}};
                d->DrawPrimitive(SoftPrimitive::TriangleFan, kSoftFvfTex1, v, 4, kSoftDrawFlags);
            }
            int32_t changed = 0;
            for (int32_t y = 0; y < 48; ++y)
                for (int32_t x = 0; x < 64; ++x) {
                    uint16_t p = a.At(x, y), q = b.At(x, y);
                    ASSERT_LE(std::abs(int(p >> 11) - int(q >> 11)), 1) << filter << " " << x << "," << y;
                    ASSERT_LE(std::abs(int((p >> 5) & 63) - int((q >> 5) & 63)), 2) << filter << " " << x << "," << y;
                    ASSERT_LE(std::abs(int(p & 31) - int(q & 31)), 1) << filter << " " << x << "," << y;
                    if (p != 0x8410) ++changed;
                }
            if (factor == 0x00u) {
                EXPECT_EQ(changed, 0);
                for (int32_t i = 0; i < 64 * 48; ++i) ASSERT_EQ(fast.DepthBuffer()[i], 0xFFFF);
            } else {
                EXPECT_GT(changed, 64 * 48 / 2);
            }
        }
}

}  // namespace
