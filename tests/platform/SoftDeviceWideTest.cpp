// The device's eight-wide perspective path against its reference, and the
// frames drawn on one thread against many.
#include <gtest/gtest.h>

#include <vector>

#include "SoftDeviceTestUtil.h"
#include "bench/BattleFrames.h"
#include "platform/SoftPixelWide.h"

using namespace softtest;
using namespace SoftValue;

namespace {

// Triangles whose w varies across them (no affine shortcut) with opaque,
// colour-keyed and magnified textures, overlapping on one depth buffer: the
// fast path shows exactly the reference's pixels and depths, spans of every
// length and the target's last columns included.
TEST(SoftDeviceWide, PerspectiveTrianglesMatchTheReferenceExactly) {
    if (!SoftPixel::WideAvailable()) GTEST_SKIP() << "no eight-wide path on this processor";
    SoftTexture plain, keyed, small;
    ASSERT_TRUE(plain.ICreate(MakePicture(64, 32, [](int x, int y) {
        return 0xFF000000u | uint32_t(x * 4) << 16 | uint32_t(y * 8) << 8 | uint32_t((x ^ y) * 3);
    })));
    ASSERT_TRUE(keyed.ICreate(MakePicture(16, 16, [](int x, int y) {
        return ((x + y) % 5 == 0) ? 0xFFF800F8u : 0xFF000000u | uint32_t(x * 16) << 16 | uint32_t(y * 16);
    })));
    keyed.SetColorKey(0xF81F);
    ASSERT_TRUE(small.ICreate(MakePicture(4, 4, [](int x, int y) {
        return 0xFF000000u | uint32_t(x * 80) << 16 | uint32_t(y * 80) << 8 | uint32_t((x + y) * 30);
    })));
    const SoftTexture* textures[3] = {&plain, &keyed, &small};
    Lcg rng(77);
    int64_t compared = 0;
    for (int32_t round = 0; round < 60; ++round) {
        Canvas16 a(61, 47, 0x1234), b(61, 47, 0x1234);
        SoftDevice3D fast, ref;
        ASSERT_TRUE(fast.ICreate16(a.target));
        ASSERT_TRUE(ref.ICreate16(b.target));
        ref.SetReferencePath(true);
        const SoftTexture* tex = textures[round % 3];
        for (SoftDevice3D* d : {&fast, &ref}) {
            ScreenStates(*d);
            d->SetRenderState(SoftState::DitherEnable, round % 2 ? kTrue : kFalse);
            d->SetTextureStageState(SoftStage::MagFilter, round % 4 < 2 ? kFilterLinear : kFilterPoint);
            TextureOn(*d, tex);
            d->Clear(nullptr, 0, kSoftClearZBuffer, 0, 1.0f);
        }
        for (int32_t k = 0; k < 12; ++k) {
            TV v[3];
            for (TV& q : v) {
                float x = rng.Range(-10, 75), y = rng.Range(-10, 60), w = rng.Range(0.5f, 6);
                float scale = tex == &small ? 0.01f : 0.05f;
                q = TV{x,
                       y,
                       rng.Range(0, 1),
                       1 / w,
                       x * scale * w + rng.Range(-1, 1),
                       y * scale + rng.Range(-1, 1)};
            }
            for (SoftDevice3D* d : {&fast, &ref})
                d->DrawPrimitive(SoftPrimitive::TriangleList, kSoftFvfTex1, v, 3, kSoftDrawFlags);
        }
        for (int32_t y = 0; y < 47; ++y)
            for (int32_t x = 0; x < 61; ++x) {
                ASSERT_EQ(fast.DepthBuffer()[y * 61 + x], ref.DepthBuffer()[y * 61 + x])
                    << round << " " << x << "," << y;
                ASSERT_EQ(a.At(x, y), b.At(x, y)) << round << " " << x << "," << y;
                compared += fast.DepthBuffer()[y * 61 + x] != 0xFFFF;
            }
        ASSERT_TRUE(a.BorderIntact());
    }
    EXPECT_GT(compared, 40000);
}

} // namespace
