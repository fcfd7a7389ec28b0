// The fast path against the reference path over the combinations of states
// the renderer sets: blending, the texture factor, colour keys, translucent
// texels, dither, fog, linear magnification, depth writes off, depth test
// always, and textures whose sides are not powers of two. Textures are of
// one colour, so that which texel a pixel takes cannot matter and every
// difference is a fault of the shading.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "SoftDeviceTestUtil.h"

using namespace softtest;
using namespace SoftValue;

namespace {

uint32_t Bits(float f) {
    uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
}

struct Round {
    bool textured, modulate, blend, dither, fog, linear, zWrite, zAlways, keyed, pow2;
    uint32_t texel, factor, colour;
};

Round MakeRound(Lcg& rng) {
    Round r;
    auto flag = [&] { return (rng.Next() & 1) != 0; };
    r.textured = rng.Next() % 3 != 0;
    r.modulate = flag();
    r.blend = flag();
    r.dither = flag();
    r.fog = rng.Next() % 3 == 0;
    r.linear = flag();
    r.zWrite = rng.Next() % 4 != 0;
    r.zAlways = rng.Next() % 6 == 0;
    r.keyed = rng.Next() % 5 == 0;
    r.pow2 = flag();
    const uint32_t alphas[6] = {0, 1, 90, 200, 254, 255};
    r.texel = alphas[rng.Next() % 6] << 24 | (rng.Next() & 0xFFFFFF);
    r.factor = alphas[rng.Next() % 6] << 24 | 0xFFFFFF;
    r.colour = alphas[rng.Next() % 6] << 24 | (rng.Next() & 0xFFFFFF);
    return r;
}

void Apply(SoftDevice3D& d, const Round& r, const SoftTexture* tex) {
    ScreenStates(d);
    d.SetRenderState(SoftState::AlphaBlendEnable, r.blend ? kTrue : kFalse);
    d.SetRenderState(SoftState::DitherEnable, r.dither ? kTrue : kFalse);
    d.SetRenderState(SoftState::ZWriteEnable, r.zWrite ? kTrue : kFalse);
    d.SetRenderState(SoftState::ZFunc, r.zAlways ? kCmpAlways : kCmpLessEqual);
    d.SetRenderState(SoftState::TextureFactor, r.factor);
    d.SetRenderState(SoftState::FogEnable, r.fog ? kTrue : kFalse);
    d.SetRenderState(SoftState::FogTableMode, kFogLinear);
    d.SetRenderState(SoftState::FogColor, 0x507090);
    d.SetRenderState(SoftState::FogTableStart, Bits(1.5f));
    d.SetRenderState(SoftState::FogTableEnd, Bits(4.0f));
    d.SetTextureStageState(SoftStage::MagFilter, r.linear ? kFilterLinear : kFilterPoint);
    if (r.textured) TextureOn(d, tex, r.modulate);
}

int Channel(uint16_t p, int which) {
    return which == 0 ? p >> 11 : which == 1 ? (p >> 5) & 63 : p & 31;
}

TEST(SoftDeviceStates, FastPathShadesLikeTheReferenceInEveryCombination) {
    Lcg rng(777);
    int64_t compared = 0;
    for (int32_t round = 0; round < 600; ++round) {
        const Round r = MakeRound(rng);
        const int32_t tw = r.pow2 ? 16 : 24, th = r.pow2 ? 8 : 12;
        SoftTexture tex;
        ASSERT_TRUE(tex.ICreate(MakePicture(tw, th, [&](int, int) { return r.texel; })));
        if (r.keyed) {
            uint32_t c = r.texel;
            tex.SetColorKey(RGB565((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF));
        }
        const uint16_t background = static_cast<uint16_t>(rng.Next());
        Canvas16 a(40, 32, background), b(40, 32, background);
        SoftDevice3D fast, ref;
        ASSERT_TRUE(fast.ICreate16(a.target));
        ASSERT_TRUE(ref.ICreate16(b.target));
        ref.SetReferencePath(true);
        for (SoftDevice3D* d : {&fast, &ref}) {
            Apply(*d, r, &tex);
            d->Clear(nullptr, 0, kSoftClearZBuffer, 0, 1.0f);
        }
        // Three overlapping triangles, each at a depth of its own, so the
        // depth test decides alike whatever the rounding of depth.
        const float depths[3] = {0.7f, 0.3f, 0.5f};
        for (int32_t k = 0; k < 3; ++k) {
            TV tv[3];
            CV cv[3];
            for (int32_t i = 0; i < 3; ++i) {
                float x = rng.Range(-12, 52), y = rng.Range(-12, 44), w = rng.Range(1, 5);
                // Magnified or minified, at random.
                float scale = (rng.Next() & 1) ? 0.02f : 0.3f;
                tv[i] = TV{x, y, depths[k], 1 / w, x * scale, -y * scale};
                cv[i] = CV{x, y, depths[k], 1 / w, r.colour};
            }
            for (SoftDevice3D* d : {&fast, &ref}) {
                if (r.textured) d->DrawPrimitive(SoftPrimitive::TriangleList, kSoftFvfTex1, tv, 3, kSoftDrawFlags);
                else d->DrawPrimitive(SoftPrimitive::TriangleList, kSoftFvfDiffuse, cv, 3, kSoftDrawFlags);
            }
        }
        ASSERT_TRUE(a.BorderIntact());
        for (int32_t y = 0; y < 32; ++y)
            for (int32_t x = 0; x < 40; ++x) {
                ASSERT_LE(std::abs(int(fast.DepthBuffer()[y * 40 + x]) - int(ref.DepthBuffer()[y * 40 + x])), 1)
                    << "round " << round << " at " << x << "," << y;
                uint16_t p = a.At(x, y), q = b.At(x, y);
                ++compared;
                // Blending in 565 against blending in 8 bits, up to three
                // layers deep, and the fog's rounding: a level or two.
                for (int c = 0; c < 3; ++c)
                    ASSERT_LE(std::abs(Channel(p, c) - Channel(q, c)), c == 1 ? 3 : 2)
                        << "round " << round << " at " << x << "," << y << " channel " << c << " textured "
                        << r.textured << " modulate " << r.modulate << " blend " << r.blend << " fog " << r.fog
                        << " linear " << r.linear << " keyed " << r.keyed << " texel " << std::hex << r.texel
                        << " factor " << r.factor << " colour " << r.colour;
            }
    }
    EXPECT_GT(compared, 500000);
}

}  // namespace

namespace {

// Depth running from 0 to nearly 1 over a row of sixteen pixels: the steepest step
// the eight-pixel loops take. Depth and colour agree with the reference.
TEST(SoftDeviceStates, SteepestDepthRunMatchesTheReference) {
    SoftTexture tex;
    ASSERT_TRUE(tex.ICreate(MakePicture(16, 16, [](int x, int y) { return 0xFF000000u | uint32_t(x * 16) << 16 | uint32_t(y * 16); })));
    Canvas16 a(32, 8), b(32, 8);
    SoftDevice3D fast, ref;
    ASSERT_TRUE(fast.ICreate16(a.target));
    ASSERT_TRUE(ref.ICreate16(b.target));
    ref.SetReferencePath(true);
    for (SoftDevice3D* d : {&fast, &ref}) {
        ScreenStates(*d);
        TextureOn(*d, &tex);
        d->Clear(nullptr, 0, kSoftClearZBuffer, 0, 1.0f);
        TV v[4] = {{0, 0, 0, 1, 0, 0}, {15.2f, 0, 1, 1, 1, 0}, {15.2f, 8, 1, 1, 1, -0.5f}, {0, 8, 0, 1, 0, -0.5f}};
        d->DrawPrimitive(SoftPrimitive::TriangleFan, kSoftFvfTex1, v, 4, kSoftDrawFlags);
    }
    EXPECT_TRUE(a.BorderIntact());
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 32; ++x)
            ASSERT_LE(std::abs(int(fast.DepthBuffer()[y * 32 + x]) - int(ref.DepthBuffer()[y * 32 + x])), 1)
                << x << "," << y;
}

}  // namespace
