// The device's eight-wide perspective path against its reference, and the
// frames drawn on one thread against many.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "SoftDeviceTestUtil.h"
#include "bench/BattleFrames.h"
#include "platform/SoftPixel.h"
#include "platform/SoftPixelWide.h"

using namespace softtest;
using namespace SoftValue;

namespace {

// Triangles whose w varies across them (no affine shortcut) with opaque,
// colour-keyed and magnified textures, overlapping on one depth buffer: the
// fast path shows exactly the reference's pixels and depths, spans of every
// length and the target's last columns included.
void PerspectiveTrianglesMatchTheReference() {
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

// The AVX2 build of the perspective path while it lives (where the processor
// has AVX-512, the device otherwise takes that build).
struct Avx2Build {
    Avx2Build() { SoftPixel::SetWide512(false); }
    ~Avx2Build() { SoftPixel::SetWide512(true); }
};

TEST(SoftDeviceWide, PerspectiveTrianglesMatchTheReferenceExactlyInBothBuilds) {
    if (!SoftPixel::WideAvailable()) GTEST_SKIP() << "no eight-wide path on this processor";
    PerspectiveTrianglesMatchTheReference();
    if (HasFatalFailure()) return;
    Avx2Build avx2;
    PerspectiveTrianglesMatchTheReference();
}

} // namespace

namespace {

namespace bf = battle_frames;

struct FrameTarget {
    std::vector<uint16_t> pixels = std::vector<uint16_t>(size_t(bf::kWidth) * bf::kHeight);
    std::vector<uint16_t> depth;
    int32_t jobs = 0; // drawing jobs of the scene's last flush
    void Draw(const bf::Frame& frame, const bf::Textures& textures, int32_t threads) {
        SoftDevice3D d;
        d.SetThreadCount(threads);
        ASSERT_TRUE(d.ICreate16(PixelTarget16{pixels.data(), bf::kWidth, bf::kHeight, bf::kWidth}));
        d.Clear(nullptr, 0, kSoftClearTarget | kSoftClearZBuffer, 0xFF507090u, 1.0f);
        ASSERT_TRUE(d.BeginScene());
        bf::Draw(&d, frame, textures);
        ASSERT_TRUE(d.EndScene());
        jobs = d.LastFlushJobs();
        depth.assign(d.DepthBuffer(), d.DepthBuffer() + pixels.size());
    }
};

// The benchmark frames (perspective ground and houses, overlapping layers,
// blended smoke, small and thin triangles) drawn in bands on several
// threads: every colour and depth as on one thread. Where the smoke lies
// over a strip of rows, its bands are cut into jobs of fewer rows on 8
// threads (more jobs than on 5, with the same bands): still the same
// picture.
TEST(SoftDeviceThreads, BattleFramesAreTheSameOnOneAndManyThreads) {
    const bf::Frame frames[] = {bf::TypicalFrame(false), bf::TypicalFrame(true), bf::OverlapFrame(),
                                bf::SmokeFrame(),        bf::SmallFrame(),       bf::ThinFrame()};
    const int32_t bands = (bf::kHeight + 15) / 16;
    for (const bf::Frame& frame : frames) {
        bf::Textures textures(frame);
        FrameTarget one, many, all;
        one.Draw(frame, textures, 1);
        many.Draw(frame, textures, 5);
        all.Draw(frame, textures, 8);
        ASSERT_TRUE(one.pixels == many.pixels) << "frame " << (&frame - frames);
        ASSERT_TRUE(one.depth == many.depth) << "frame " << (&frame - frames);
        ASSERT_TRUE(one.pixels == all.pixels) << "frame " << (&frame - frames);
        ASSERT_TRUE(one.depth == all.depth) << "frame " << (&frame - frames);
        EXPECT_GT(std::count(one.depth.begin(), one.depth.end(), 0xFFFF), 0);
        EXPECT_LT(std::count(one.depth.begin(), one.depth.end(), 0xFFFF), int64_t(one.depth.size()));
        EXPECT_GE(many.jobs, 1);
        EXPECT_LE(many.jobs, bands * 8) << "frame " << (&frame - frames);
        if (&frame == &frames[3]) {
            EXPECT_GT(all.jobs, many.jobs) << "the smoke's bands are cut on 8 threads";
        }
    }
}

// What a scene queues is drawn before anyone can see the target: at the
// scene's end, or when the depth is read or a texture changes. A colour key
// set in the middle of a scene leaves the triangles drawn before it alone.
TEST(SoftDeviceThreads, QueuedTrianglesLandBeforeTheTargetIsSeenOrATextureChanges) {
    SoftTexture tex;
    ASSERT_TRUE(tex.ICreate(MakePicture(8, 8, [](int x, int) { return x < 4 ? 0xFFF800F8u : 0xFF00FF00u; })));
    auto draw = [&](int32_t threads, Canvas16* canvas, bool* queued) {
        SoftDevice3D d;
        d.SetThreadCount(threads);
        ASSERT_TRUE(d.ICreate16(canvas->target));
        ScreenStates(d);
        TextureOn(d, &tex);
        d.Clear(nullptr, 0, kSoftClearZBuffer, 0, 1.0f);
        ASSERT_TRUE(d.BeginScene());
        TV left[4] = {{0, 0, 0.5f, 1, 0, 0},
                      {40, 0, 0.5f, 0.5f, 1, 0},
                      {40, 40, 0.5f, 0.5f, 1, 1},
                      {0, 40, 0.5f, 1, 0, 1}};
        d.DrawPrimitive(SoftPrimitive::TriangleFan, kSoftFvfTex1, left, 4, kSoftDrawFlags);
        *queued = canvas->CountNot(0) == 0;
        tex.SetColorKey(0xF81F); // the magenta half turns transparent from here on
        TV right[4] = {{20, 0, 0.2f, 1, 0, 0},
                       {64, 0, 0.2f, 0.5f, 1, 0},
                       {64, 40, 0.2f, 0.5f, 1, 1},
                       {20, 40, 0.2f, 1, 0, 1}};
        d.DrawPrimitive(SoftPrimitive::TriangleFan, kSoftFvfTex1, right, 4, kSoftDrawFlags);
        d.DepthBuffer();
        tex.SetColorKey(-1);
        ASSERT_TRUE(d.EndScene());
    };
    Canvas16 one(64, 40), many(64, 40);
    bool queuedOne = false, queuedMany = false;
    draw(1, &one, &queuedOne);
    draw(4, &many, &queuedMany);
    EXPECT_FALSE(queuedOne);
    EXPECT_TRUE(queuedMany);
    for (int32_t y = 0; y < 40; ++y)
        for (int32_t x = 0; x < 64; ++x)
            ASSERT_EQ(one.At(x, y), many.At(x, y)) << x << "," << y;
    // The first quad's magenta shows where the second one's keyed half lies.
    const uint16_t p = one.At(22, 20);
    EXPECT_TRUE((p >> 11) >= 28 && ((p >> 5) & 63) == 0 && (p & 31) >= 28) << p;
}

// Translucent puffs piled over a few rows of a target whose last band is a
// single row (33 rows): the heavy bands are cut into jobs of a few rows and
// the one-row band stays whole; every pixel and depth as on one thread.
TEST(SoftDeviceThreads, PuffsPiledOverAStripAreCutIntoJobsWithTheSamePicture) {
    SoftTexture tex;
    ASSERT_TRUE(tex.ICreate(MakePicture(16, 16, [](int x, int y) {
        const uint32_t a = uint32_t((x * 7 + y * 5) % 200 + 30);
        return a << 24 | uint32_t(x * 15) << 16 | uint32_t(y * 15) << 8 | 0x60u;
    })));
    auto draw = [&](int32_t threads, Canvas16* canvas, int32_t* jobs) {
        SoftDevice3D d;
        d.SetThreadCount(threads);
        ASSERT_TRUE(d.ICreate16(canvas->target));
        ScreenStates(d);
        d.SetTextureStageState(SoftStage::MagFilter, kFilterLinear);
        TextureOn(d, &tex, true);
        d.Clear(nullptr, 0, kSoftClearZBuffer, 0, 1.0f);
        ASSERT_TRUE(d.BeginScene());
        Lcg rng(31);
        for (int32_t k = 0; k < 400; ++k) {
            // Most puffs over rows 14 to 26, some reaching the last row.
            const float x = rng.Range(-10, 70), y = k % 10 == 0 ? rng.Range(26, 34) : rng.Range(14, 24);
            const float r = rng.Range(2, 9), w = rng.Range(1, 3), z = rng.Range(0.1f, 0.9f);
            d.SetRenderState(SoftState::TextureFactor, uint32_t(rng.Next() % 200 + 40) << 24 | 0xFFFFFFu);
            TV v[4] = {{x - r, y - r * 0.5f, z, 1 / w, 0, 0},
                       {x + r, y - r * 0.5f, z, 1 / (w * 1.2f), 1, 0},
                       {x + r, y + r * 0.5f, z, 1 / (w * 1.2f), 1, 1},
                       {x - r, y + r * 0.5f, z, 1 / w, 0, 1}};
            d.DrawPrimitive(SoftPrimitive::TriangleFan, kSoftFvfTex1, v, 4, kSoftDrawFlags);
        }
        ASSERT_TRUE(d.EndScene());
        *jobs = d.LastFlushJobs();
    };
    Canvas16 one(64, 33, 0x8410), many(64, 33, 0x8410);
    int32_t jobsOne = 0, jobsMany = 0;
    draw(1, &one, &jobsOne);
    draw(8, &many, &jobsMany);
    EXPECT_GT(jobsMany, 3) << "three bands, the strip's cut into more jobs" << jobsMany;
    int32_t changed = 0;
    for (int32_t y = 0; y < 33; ++y)
        for (int32_t x = 0; x < 64; ++x) {
            ASSERT_EQ(one.At(x, y), many.At(x, y)) << x << "," << y;
            changed += one.At(x, y) != 0x8410;
        }
    EXPECT_GT(changed, 64 * 12);
    EXPECT_NE(one.At(30, 32), 0x8410) << "the last row is drawn";
    EXPECT_TRUE(one.BorderIntact() && many.BorderIntact());
}

// More triangles than the queue holds, with the shading switching between
// flat and textured: drawn in several batches, still as on one thread.
TEST(SoftDeviceThreads, LongScenesAndStateChangesKeepTheirOrder) {
    SoftTexture tex;
    ASSERT_TRUE(tex.ICreate(MakePicture(
        16, 16, [](int x, int y) { return 0xFF000000u | uint32_t(x * 16) << 8 | uint32_t(y * 16); })));
    auto draw = [&](int32_t threads, Canvas16* canvas) {
        SoftDevice3D d;
        d.SetThreadCount(threads);
        ASSERT_TRUE(d.ICreate16(canvas->target));
        ScreenStates(d);
        d.Clear(nullptr, 0, kSoftClearZBuffer, 0, 1.0f);
        ASSERT_TRUE(d.BeginScene());
        Lcg rng(5);
        for (int32_t k = 0; k < 70000; ++k) {
            float x = rng.Range(-4, 60), y = rng.Range(-4, 44), z = rng.Range(0, 1);
            if (k % 1000 == 0)
                d.SetRenderState(SoftState::ZFunc, (k / 1000) % 3 ? kCmpLessEqual : kCmpAlways);
            if (k % 7 == 0) {
                CV v[3] = {{x, y, z, 1, 0xFF000000u | rng.Next()}, {x + 6, y, z, 1, 0}, {x, y + 5, z, 1, 0}};
                d.DrawPrimitive(SoftPrimitive::TriangleList, kSoftFvfDiffuse, v, 3, kSoftDrawFlags);
            } else {
                TextureOn(d, &tex);
                TV v[3] = {{x, y, z, 1, 0, 0}, {x + 5, y + 1, z, 0.5f, 1, 0}, {x + 1, y + 6, z, 0.7f, 0, 1}};
                d.DrawPrimitive(SoftPrimitive::TriangleList, kSoftFvfTex1, v, 3, kSoftDrawFlags);
            }
        }
        ASSERT_TRUE(d.EndScene());
    };
    Canvas16 one(64, 48), many(64, 48);
    draw(1, &one);
    draw(3, &many);
    for (int32_t y = 0; y < 48; ++y)
        for (int32_t x = 0; x < 64; ++x)
            ASSERT_EQ(one.At(x, y), many.At(x, y)) << x << "," << y;
    EXPECT_TRUE(many.BorderIntact());
}

} // namespace

namespace {

// A see-through puff's states: blended by the texture's alpha and the
// texture factor's, fogged linearly from 1.5 to 6 when asked.
struct PuffStates {
    bool dither;
    uint32_t alphaRef;
    bool zWrite, linear;
    const SoftTexture* texture;
    uint32_t factor;
    bool fog;
};

void SetPuffStates(SoftDevice3D& d, const PuffStates& s) {
    const float fogStart = 1.5f, fogEnd = 6.0f;
    uint32_t startBits, endBits;
    std::memcpy(&startBits, &fogStart, 4);
    std::memcpy(&endBits, &fogEnd, 4);
    ScreenStates(d);
    d.SetRenderState(SoftState::DitherEnable, s.dither ? kTrue : kFalse);
    d.SetRenderState(SoftState::AlphaRef, s.alphaRef);
    d.SetRenderState(SoftState::ZWriteEnable, s.zWrite ? kTrue : kFalse);
    d.SetTextureStageState(SoftStage::MagFilter, s.linear ? kFilterLinear : kFilterPoint);
    TextureOn(d, s.texture, s.factor != 0xFFu);
    d.SetRenderState(SoftState::TextureFactor, s.factor << 24 | 0xFFFFFFu);
    d.SetRenderState(SoftState::FogEnable, s.fog ? kTrue : kFalse);
    d.SetRenderState(SoftState::FogTableMode, kFogLinear);
    d.SetRenderState(SoftState::FogColor, 0x405060);
    d.SetRenderState(SoftState::FogTableStart, startBits);
    d.SetRenderState(SoftState::FogTableEnd, endBits);
    d.Clear(nullptr, 0, kSoftClearZBuffer, 0, 1.0f);
}

// See-through triangles as smoke and dust are drawn (translucent texels, a
// texture factor or none, fog or none, alpha test, dither, depth written or
// not, magnified and filtered or point-sampled, facing the eye or leaning
// away) piled over each other: the eight-wide blend gives exactly the plain
// loop's pixels and depths.
TEST(SoftDeviceWide, BlendedTrianglesMatchThePlainLoopExactly) {
    if (!SoftPixel::WideAvailable()) GTEST_SKIP() << "no eight-wide path on this processor";
    SoftTexture puff, tiny;
    ASSERT_TRUE(puff.ICreate(MakePicture(32, 32, [](int x, int y) {
        const uint32_t a = uint32_t((x * 7 + y * 5) % 256);
        return a << 24 | uint32_t(x * 8) << 16 | uint32_t(y * 8) << 8 | uint32_t((x ^ y) * 8);
    })));
    ASSERT_TRUE(tiny.ICreate(MakePicture(4, 8, [](int x, int y) {
        const uint32_t a = (x + y) % 3 == 0 ? 255u : uint32_t(40 * x + 20 * y);
        return a << 24 | uint32_t(x * 60) << 16 | uint32_t(200 - y * 20) << 8 | 0x30u;
    })));
    Lcg rng(2024);
    int64_t drawn = 0;
    // The whole-triangle blend of magnified puffs makes the reference's
    // pixels, not the plain loop's: off here, tested on its own below.
    struct WideBlendBack {
        WideBlendBack() { SoftPixel::SetWideBlendTriangles(false); }
        ~WideBlendBack() {
            SoftPixel::SetWideBlend(true);
            SoftPixel::SetWideBlendTriangles(true);
        }
    } back;
    for (int32_t round = 0; round < 96; ++round) {
        Canvas16 a(83, 61, 0x8410), b(83, 61, 0x8410);
        SoftDevice3D wide, plain;
        ASSERT_TRUE(wide.ICreate16(a.target));
        ASSERT_TRUE(plain.ICreate16(b.target));
        const SoftTexture* tex = round % 7 == 3 ? &tiny : &puff;
        const uint32_t factor = round / 4 % 3 == 0 ? 0xFFu : 0x20u + 0x1Du * uint32_t(round % 7);
        const bool fog = round % 2 == 0, facing = round % 5 < 2;
        for (SoftDevice3D* d : {&wide, &plain}) {
            SetPuffStates(*d, PuffStates{round % 3 == 1, round % 6 < 3 ? 0u : 60u, round % 7 != 3, round / 2 % 2 == 0,
                                         tex, factor, fog});
        }
        for (int32_t k = 0; k < 10; ++k) {
            TV v[3];
            const float w0 = rng.Range(0.8f, 8.0f), scale = rng.Range(0.002f, 0.06f);
            for (TV& q : v) {
                const float x = rng.Range(-15, 95), y = rng.Range(-15, 75);
                const float w = facing ? w0 : rng.Range(0.8f, 8.0f);
                q = TV{x, y, rng.Range(0, 1), 1 / w, (x * scale + rng.Range(-1, 1)) / w, (y * scale + rng.Range(-1, 1)) / w};
            }
            SoftPixel::SetWideBlend(true);
            wide.DrawPrimitive(SoftPrimitive::TriangleList, kSoftFvfTex1, v, 3, kSoftDrawFlags);
            SoftPixel::SetWideBlend(false);
            plain.DrawPrimitive(SoftPrimitive::TriangleList, kSoftFvfTex1, v, 3, kSoftDrawFlags);
        }
        for (int32_t y = 0; y < 61; ++y)
            for (int32_t x = 0; x < 83; ++x) {
                ASSERT_EQ(wide.DepthBuffer()[y * 83 + x], plain.DepthBuffer()[y * 83 + x]) << round << " " << x << "," << y;
                ASSERT_EQ(a.At(x, y), b.At(x, y)) << round << " " << x << "," << y;
                drawn += a.At(x, y) != 0x8410;
            }
        ASSERT_TRUE(a.BorderIntact());
    }
    EXPECT_GT(drawn, 96 * 83 * 61 / 3);
}

// Magnified see-through triangles as near smoke and dust are drawn (a
// texture factor, fog or none, alpha test, dither, depth written or not,
// facing the eye or leaning away, at the target's edges) piled over each
// other: the whole-triangle blend gives exactly the reference path's pixels
// and depths, and it was taken (the plain loop's differ).
TEST(SoftDeviceWide, MagnifiedBlendedTrianglesMatchTheReferenceExactly) {
    if (!SoftPixel::WideAvailable()) GTEST_SKIP() << "no eight-wide path on this processor";
    SoftTexture puff;
    ASSERT_TRUE(puff.ICreate(MakePicture(64, 32, [](int x, int y) {
        const uint32_t a = uint32_t((x * 11 + y * 7) % 256);
        return a << 24 | uint32_t(x * 4) << 16 | uint32_t(y * 8) << 8 | uint32_t((x ^ y) * 4);
    })));
    Lcg rng(4711);
    int64_t drawn = 0, differs = 0, left = 0;
    struct TrianglesBack {
        ~TrianglesBack() { SoftPixel::SetWideBlendTriangles(true); }
    } back;
    for (int32_t round = 0; round < 64; ++round) {
        Canvas16 a(83, 61, 0x8410), b(83, 61, 0x8410), c(83, 61, 0x8410);
        SoftDevice3D fast, ref, runs;
        ASSERT_TRUE(fast.ICreate16(a.target));
        ASSERT_TRUE(ref.ICreate16(b.target));
        ASSERT_TRUE(runs.ICreate16(c.target));
        ref.SetReferencePath(true);
        const uint32_t factor = round % 4 == 0 ? 0xFFu : 0x20u + 0x1Du * uint32_t(round % 7);
        const bool fog = round % 2 == 0 || factor == 0xFFu, facing = round % 3 < 2;
        for (SoftDevice3D* d : {&fast, &ref, &runs}) {
            SetPuffStates(*d, PuffStates{round % 3 == 1, round % 6 < 3 ? 0u : 60u, round % 5 != 3, true, &puff, factor, fog});
        }
        for (int32_t k = 0; k < 10; ++k) {
            TV v[3];
            const float w0 = rng.Range(0.8f, 8.0f), scale = rng.Range(0.001f, 0.012f);
            const float u0 = rng.Range(-2, 2), v0 = rng.Range(-2, 2);
            for (TV& q : v) {
                const float x = rng.Range(-15, 95), y = rng.Range(-15, 75);
                const float w = facing ? w0 : w0 * rng.Range(0.8f, 1.25f);
                q = TV{x, y, rng.Range(0, 1), 1 / w, (x * scale + u0) / w, (y * scale + v0) / w};
            }
            // Only triangles the whole-triangle blend takes (the rest go
            // through the runs, whose pixels differ from the reference's).
            RasterVertex r[3];
            for (int32_t i = 0; i < 3; ++i)
                r[i] = RasterVertex{v[i].x, v[i].y, v[i].z, v[i].rhw, v[i].u, v[i].v, 0xFFFFFFFFu};
            TriangleSetup setup;
            if (!SetupTriangle(r[0], r[1], r[2], 83, 61, &setup) ||
                !SoftPixel::MagnifiedThroughout(setup, 64, 32)) {
                ++left;
                continue;
            }
            fast.DrawPrimitive(SoftPrimitive::TriangleList, kSoftFvfTex1, v, 3, kSoftDrawFlags);
            ref.DrawPrimitive(SoftPrimitive::TriangleList, kSoftFvfTex1, v, 3, kSoftDrawFlags);
            SoftPixel::SetWideBlendTriangles(false);
            runs.DrawPrimitive(SoftPrimitive::TriangleList, kSoftFvfTex1, v, 3, kSoftDrawFlags);
            SoftPixel::SetWideBlendTriangles(true);
        }
        for (int32_t y = 0; y < 61; ++y)
            for (int32_t x = 0; x < 83; ++x) {
                ASSERT_EQ(fast.DepthBuffer()[y * 83 + x], ref.DepthBuffer()[y * 83 + x])
                    << round << " " << x << "," << y;
                ASSERT_EQ(a.At(x, y), b.At(x, y)) << round << " " << x << "," << y;
                drawn += a.At(x, y) != 0x8410;
                differs += a.At(x, y) != c.At(x, y);
            }
        ASSERT_TRUE(a.BorderIntact());
    }
    EXPECT_GT(drawn, 64 * 83 * 61 / 3);
    EXPECT_GT(differs, 1000);
    EXPECT_LT(left, 64 * 10 / 4);
}

// Puffs of a picture with wide see-through margins (a round blob, two
// single texels outside it, one on the right edge so that wrapping counts),
// turned, leaning and faced, their texture coordinates whole textures away
// from 0 either way as the game's are: the whole-triangle blend, which
// leaves out the pixels whose four texels are all of alpha 0, gives exactly
// the reference path's pixels and depths.
TEST(SoftDeviceWide, PuffsCutToTheirShownTexelsMatchTheReference) {
    if (!SoftPixel::WideAvailable()) GTEST_SKIP() << "no eight-wide path on this processor";
    SoftTexture puff;
    ASSERT_TRUE(puff.ICreate(MakePicture(32, 16, [](int x, int y) {
        const int dx = x - 13, dy = 2 * y - 17;
        const bool shown = dx * dx + dy * dy < 81 || (x == 31 && y == 3) || (x == 4 && y == 14);
        const uint32_t a = shown ? uint32_t(30 + (x * 13 + y * 7) % 220) : 0u;
        return a << 24 | uint32_t(x * 8) << 16 | uint32_t(y * 16) << 8 | uint32_t((x ^ y) * 8);
    })));
    Lcg rng(1942);
    int64_t drawn = 0, taken = 0;
    for (int32_t round = 0; round < 96; ++round) {
        Canvas16 a(83, 61, 0x8410), b(83, 61, 0x8410);
        SoftDevice3D fast, ref;
        ASSERT_TRUE(fast.ICreate16(a.target));
        ASSERT_TRUE(ref.ICreate16(b.target));
        ref.SetReferencePath(true);
        const uint32_t factor = round % 4 == 0 ? 0xFFu : 0x20u + 0x1Du * uint32_t(round % 7);
        const bool fog = round % 2 == 0 || factor == 0xFFu;
        for (SoftDevice3D* d : {&fast, &ref})
            SetPuffStates(*d, PuffStates{round % 3 == 1, round % 6 < 3 ? 0u : 60u, round % 5 != 3, true,
                                         &puff, factor, fog});
        for (int32_t k = 0; k < 6; ++k) {
            const float cx = rng.Range(-10, 93), cy = rng.Range(-10, 71), size = rng.Range(30, 70);
            const float turn = rng.Range(0, 6.2832f), w0 = rng.Range(0.8f, 8.0f);
            const float ku = float(int32_t(rng.Range(0, 5)) - 2), kv = float(int32_t(rng.Range(0, 5)) - 2);
            const bool flip = k % 2 == 1, leaning = round % 3 == 2;
            TV q[4];
            for (int32_t i = 0; i < 4; ++i) {
                const float cu = i == 1 || i == 2 ? 1.0f : 0.0f, cv = i >= 2 ? 1.0f : 0.0f;
                const float px = (cu - 0.5f) * size, py = (cv - 0.5f) * size * 0.5f;
                const float x = cx + px * std::cos(turn) - py * std::sin(turn);
                const float y = cy + px * std::sin(turn) + py * std::cos(turn);
                const float w = leaning ? w0 * rng.Range(0.8f, 1.25f) : w0;
                q[i] = TV{x, y, rng.Range(0, 1), 1 / w, (ku + cu) / w, (flip ? kv - cv : kv + cv) / w};
            }
            for (const TV* t : {q, q + 1}) {
                const TV v[3] = {q[0], t[1], t[2]};
                RasterVertex r[3];
                for (int32_t i = 0; i < 3; ++i)
                    r[i] = RasterVertex{v[i].x, v[i].y, v[i].z, v[i].rhw, v[i].u, v[i].v, 0xFFFFFFFFu};
                TriangleSetup setup;
                if (!SetupTriangle(r[0], r[1], r[2], 83, 61, &setup) ||
                    !SoftPixel::MagnifiedThroughout(setup, 32, 16))
                    continue;
                ++taken;
                fast.DrawPrimitive(SoftPrimitive::TriangleList, kSoftFvfTex1, v, 3, kSoftDrawFlags);
                ref.DrawPrimitive(SoftPrimitive::TriangleList, kSoftFvfTex1, v, 3, kSoftDrawFlags);
            }
        }
        for (int32_t y = 0; y < 61; ++y)
            for (int32_t x = 0; x < 83; ++x) {
                ASSERT_EQ(fast.DepthBuffer()[y * 83 + x], ref.DepthBuffer()[y * 83 + x])
                    << round << " " << x << "," << y;
                ASSERT_EQ(a.At(x, y), b.At(x, y)) << round << " " << x << "," << y;
                drawn += a.At(x, y) != 0x8410;
            }
        ASSERT_TRUE(a.BorderIntact());
    }
    EXPECT_GT(taken, 96 * 12 / 2);
    EXPECT_GT(drawn, 96 * 83 * 61 / 12);
}

} // namespace

namespace {

// A near wall with holes in it, then many textured, flat and blended
// triangles behind, just behind and through it: the fast path that skips
// triangles hidden by the depth buffer gives the pixels and depths of the
// fast path that walks every triangle, and it did skip some.
TEST(SoftDeviceHidden, TrianglesBehindTheDepthBufferAreSkippedWithTheSamePicture) {
    SoftTexture tex;
    ASSERT_TRUE(tex.ICreate(MakePicture(32, 32, [](int x, int y) {
        return 0xFF000000u | uint32_t(x * 8) << 16 | uint32_t(y * 8) << 8 | uint32_t((x ^ y) * 5);
    })));
    Lcg rng(5);
    int32_t skipped = 0, drawn = 0;
    for (int32_t round = 0; round < 40; ++round) {
        Canvas16 a(70, 50, 0x0841), b(70, 50, 0x0841);
        SoftDevice3D fast, ref;
        ASSERT_TRUE(fast.ICreate16(a.target));
        ASSERT_TRUE(ref.ICreate16(b.target));
        const float wall = rng.Range(0.2f, 0.8f);
        for (SoftDevice3D* d : {&fast, &ref}) {
            ScreenStates(*d);
            d->SetRenderState(SoftState::DitherEnable, round % 2 ? kTrue : kFalse);
            d->SetTextureStageState(SoftStage::MagFilter, round % 4 < 2 ? kFilterLinear : kFilterPoint);
            d->Clear(nullptr, 0, kSoftClearZBuffer, 0, 1.0f);
            // The wall: whole, or (every third round) strips with gaps of
            // a pixel or two between.
            d->SetTexture(nullptr);
            const float width = round % 3 == 0 ? 7.5f : 9.0f;
            for (float x = -2; x < 72; x += 9) {
                const CV q[4] = {{x, -1, wall, 1, 0xFF806040u}, {x + width, -1, wall, 1, 0xFF806040u},
                                 {x, 51, wall, 1, 0xFF806040u}, {x + width, 51, wall, 1, 0xFF806040u}};
                d->DrawPrimitive(SoftPrimitive::TriangleStrip, kSoftFvfDiffuse, q, 4, kSoftDrawFlags);
            }
        }
        for (int32_t k = 0; k < 30; ++k) {
            const int32_t kind = k % 3;
            // Depths from well behind the wall to a few steps in front of it.
            const float base = wall + (k % 5 == 0 ? -3.0f / 65535 : rng.Range(0, 0.2f));
            // Every other one a quadrilateral (a fan of four corners), which
            // the device tests as a whole first.
            TV v[4];
            CV c[4];
            const int32_t corners = k % 2 ? 4 : 3;
            const SoftPrimitive type =
                corners == 4 ? SoftPrimitive::TriangleFan : SoftPrimitive::TriangleList;
            const float cx = rng.Range(-5, 75), cy = rng.Range(-5, 55), size = rng.Range(2, 30);
            for (int32_t i = 0; i < corners; ++i) {
                const float x = cx + rng.Range(-size, size), y = cy + rng.Range(-size, size), w = rng.Range(0.5f, 4);
                // A quadrilateral's second or fourth corner may stand well
                // in front of the wall, so that one of its triangles shows.
                const bool ahead = corners == 4 && k % 4 == 1 && i == (k % 8 == 1 ? 1 : 3);
                const float z = ahead ? wall - 0.05f : std::min(1.0f, base + rng.Range(0, 4.0f / 65535));
                v[i] = TV{x, y, z, 1 / w, x * 0.04f * w, y * 0.04f};
                c[i] = CV{x, y, z, 1 / w, 0x80000000u | uint32_t(k * 0x0A0B0C)};
            }
            for (SoftDevice3D* d : {&fast, &ref}) {
                SoftPixel::SetHiddenSkip(d == &fast);
                d->SetRenderState(SoftState::AlphaBlendEnable, kind == 2 ? kTrue : kFalse);
                if (kind == 0) {
                    TextureOn(*d, &tex);
                    d->DrawPrimitive(type, kSoftFvfTex1, v, corners, kSoftDrawFlags);
                } else {
                    d->SetTexture(nullptr);
                    d->DrawPrimitive(type, kSoftFvfDiffuse, c, corners, kSoftDrawFlags);
                }
                d->Flush();
            }
            SoftPixel::SetHiddenSkip(true);
            // Whether the fast path may skip it, asked of the same set-up.
            TriangleSetup t;
            if (SetupTriangle({v[0].x, v[0].y, v[0].z, v[0].rhw, 0, 0, 0}, {v[1].x, v[1].y, v[1].z, v[1].rhw, 0, 0, 0},
                              {v[2].x, v[2].y, v[2].z, v[2].rhw, 0, 0, 0}, 70, 50, &t)) {
                SoftPixel::Shade shade;
                shade.zEnable = true;
                SoftPixel::Context ctx{const_cast<uint16_t*>(fast.DepthBuffer()), 70, shade, 0, 50};
                (SoftPixel::HiddenBehindDepth(t, ctx) ? skipped : drawn)++;
            }
        }
        for (int32_t y = 0; y < 50; ++y)
            for (int32_t x = 0; x < 70; ++x) {
                ASSERT_EQ(fast.DepthBuffer()[y * 70 + x], ref.DepthBuffer()[y * 70 + x]) << round << " " << x << "," << y;
                ASSERT_EQ(a.At(x, y), b.At(x, y)) << round << " " << x << "," << y;
            }
        ASSERT_TRUE(a.BorderIntact());
    }
    EXPECT_GT(skipped, 20);
    EXPECT_GT(drawn, 20);
}

// The answer itself: behind a full wall, hidden; a step in front of it, or
// behind it where one pixel of the box shows the far plane, not.
TEST(SoftDeviceHidden, OnlyTrianglesBehindEveryStoredDepthAreHidden) {
    std::vector<uint16_t> depth(40 * 30, 30000);
    SoftPixel::Shade shade;
    shade.zEnable = true;
    SoftPixel::Context ctx{depth.data(), 40, shade, 0, 30};
    auto setup = [](float z) {
        TriangleSetup t;
        EXPECT_TRUE(SetupTriangle({5, 5, z, 1, 0, 0, 0}, {30, 8, z + 0.01f, 1, 0, 0, 0}, {12, 25, z, 1, 0, 0, 0}, 40, 30, &t));
        return t;
    };
    EXPECT_TRUE(SoftPixel::HiddenBehindDepth(setup(0.6f), ctx));
    EXPECT_FALSE(SoftPixel::HiddenBehindDepth(setup(30000.0f / 65535), ctx));
    EXPECT_FALSE(SoftPixel::HiddenBehindDepth(setup(0.4f), ctx));
    depth[20 * 40 + 29] = 0xFFFF;  // inside the box, outside the triangle: still counted
    EXPECT_FALSE(SoftPixel::HiddenBehindDepth(setup(0.6f), ctx));
    depth[20 * 40 + 29] = 30000;
    shade.zAlways = true;
    EXPECT_FALSE(SoftPixel::HiddenBehindDepth(setup(0.6f), ctx));
    shade.zAlways = false;
    SoftPixel::Context band{depth.data(), 40, shade, 0, 10};
    depth[20 * 40 + 10] = 0xFFFF;  // below the band's rows
    EXPECT_TRUE(SoftPixel::HiddenBehindDepth(setup(0.6f), band));
    EXPECT_FALSE(SoftPixel::HiddenBehindDepth(setup(0.6f), ctx));
}

// The box scan of the hidden test: one depth at the limit just inside or
// just outside boxes of every width (masked short rows, the overlapping
// last sixteen of long ones, boxes at the right edge with no room for
// sixteen) is found exactly when it lies in the box.
TEST(SoftDeviceHidden, TheBoxScanSeesOnlyTheBoxesDepths) {
    if (!SoftPixel::WideAvailable()) GTEST_SKIP() << "no eight-wide path on this processor";
    constexpr int32_t kW = 40, kH = 12;
    Lcg rng(5);
    for (int32_t round = 0; round < 4000; ++round) {
        std::vector<uint16_t> depth(kW * kH, 1000);
        const int32_t n = 1 + int32_t(rng.Next() % kW), x0 = int32_t(rng.Next() % uint32_t(kW - n + 1));
        const int32_t rows = 1 + int32_t(rng.Next() % 5), y0 = int32_t(rng.Next() % uint32_t(kH - rows + 1));
        const int32_t x = x0 - 1 + int32_t(rng.Next() % uint32_t(n + 2)),
                      y = y0 - 1 + int32_t(rng.Next() % uint32_t(rows + 2));
        if (x >= 0 && x < kW && y >= 0 && y < kH) depth[size_t(y * kW + x)] = 2000;
        const bool inside = x >= x0 && x < x0 + n && y >= y0 && y < y0 + rows;
        ASSERT_EQ(SoftPixel::WideDepthBoxReaches(depth.data() + y0 * kW + x0, kW, rows, n, kW - x0, 2000),
                  inside)
            << n << " " << x0 << " " << rows << " " << x << "," << y;
    }
}

} // namespace
