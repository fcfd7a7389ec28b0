#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/PixelTarget.h"
#include "platform/SoftRaster.h"
#include "platform/SoftTexture.h"

// A 32-bit XRGB pixel rectangle (the pick target). pitch counts pixels.
struct PixelTarget32 {
    uint32_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t pitch = 0;
};

// The software 3-D device: it rasterises screen-space triangles (already
// transformed, lit and clipped by the renderer) into a 16-bit RGB565 target
// or a 32-bit pick target, with its own 16-bit depth buffer. It takes the
// vertex formats, primitive types and render states the renderer uses.
enum class SoftPrimitive : int32_t { TriangleList = 4, TriangleStrip = 5, TriangleFan = 6 };

constexpr uint32_t kSoftFvfDiffuse = 0x44;  // x, y, z, rhw, ARGB colour: 20 bytes
constexpr uint32_t kSoftFvfTex1 = 0x104;    // x, y, z, rhw, u, v: 24 bytes
constexpr uint32_t kSoftDrawFlags = 0x1C;   // no clipping, lighting or extents

enum class SoftState : int32_t {
    ZEnable,
    ZWriteEnable,
    ZFunc,
    AlphaBlendEnable,
    SrcBlend,
    DestBlend,
    AlphaTestEnable,
    AlphaRef,
    AlphaFunc,
    DitherEnable,
    FogEnable,
    FogTableMode,
    FogColor,       // 0x00RRGGBB
    FogTableStart,  // float bits, eye distance
    FogTableEnd,    // float bits, eye distance
    TextureFactor,  // ARGB
    CullMode,
    ShadeMode,
    TranslucentSortIndependent,
    Count
};

enum class SoftStage : int32_t { ColorOp, ColorArg1, AlphaOp, AlphaArg1, AlphaArg2, MagFilter, MinFilter, Count };

namespace SoftValue {
constexpr uint32_t kFalse = 0, kTrue = 1;
constexpr uint32_t kCmpLessEqual = 4, kCmpGreater = 5, kCmpAlways = 8;
constexpr uint32_t kBlendSrcAlpha = 5, kBlendInvSrcAlpha = 6;
constexpr uint32_t kFogNone = 0, kFogLinear = 3;
constexpr uint32_t kOpDisable = 1, kOpSelectArg1 = 2, kOpModulate = 4;
constexpr uint32_t kArgDiffuse = 0, kArgTexture = 2, kArgTFactor = 3;
constexpr uint32_t kFilterPoint = 1, kFilterLinear = 2;
constexpr uint32_t kCullNone = 1, kShadeFlat = 1;
}  // namespace SoftValue

struct SoftRect {
    int32_t left, top, right, bottom;
};

constexpr uint32_t kSoftClearTarget = 1;
constexpr uint32_t kSoftClearZBuffer = 2;

struct SoftDeviceCaps {
    bool hardware = false;
    bool wFog = false;
    bool zFog = false;
    bool translucentSortIndependent = false;
    bool textureNonLocalVidMem = false;
    uint32_t maxTextureWidth = 0;
    uint32_t maxTextureHeight = 0;
};

class SoftDevice3D {
public:
    SoftDevice3D();
    ~SoftDevice3D();
    SoftDevice3D(const SoftDevice3D&) = delete;
    SoftDevice3D& operator=(const SoftDevice3D&) = delete;

    // The screen device over a 16-bit target; the pick device over a 32-bit
    // one. Each makes a depth buffer of the target's size. False for an
    // empty target.
    bool ICreate16(const PixelTarget16& target);
    bool ICreate32(const PixelTarget32& target);

    // It reports itself as a hardware device with table fog and without
    // sort-independent translucency; the software description is the same.
    bool GetCaps(SoftDeviceCaps* hardware, SoftDeviceCaps* software) const;

    bool BeginScene();
    bool EndScene();
    bool InScene() const { return mInScene; }

    void SetRenderState(SoftState state, uint32_t value);
    uint32_t GetRenderState(SoftState state) const;
    void SetTextureStageState(SoftStage state, uint32_t value);
    uint32_t GetTextureStageState(SoftStage state) const;
    // Null: texturing samples opaque white.
    void SetTexture(const SoftTexture* texture) {
        mTexture = texture;
        mShadeValid[0] = mShadeValid[1] = false;
    }
    const SoftTexture* GetTexture() const { return mTexture; }

    // Draws count vertices of format fvf as a list, strip or fan. Writes only
    // inside the target, whatever the vertices hold.
    void DrawPrimitive(SoftPrimitive type, uint32_t fvf, const void* vertices, int32_t count,
                       uint32_t flags);

    // Clears the given rectangles (the whole target when rects is null) to
    // the ARGB colour and/or the depth z in 0..1.
    void Clear(const SoftRect* rects, int32_t count, uint32_t what, uint32_t argb, float z);

    // Threads that rasterise the scenes on the 16-bit target: 0 takes the
    // default (the environment variable DM_RENDER_THREADS, else one per
    // core), 1 (a new device's count) draws every triangle at once on the
    // calling thread. With more,
    // the triangles of a scene are queued and drawn in bands of rows, each
    // band by one thread in the order drawn, so the picture is the same for
    // every count. The queue is drawn before the device is observed or
    // changed (EndScene, Clear, DepthBuffer, these settings) and by Flush.
    void SetThreadCount(int32_t threads);
    int32_t ThreadCount() const { return mThreads; }

    // Draws the queued triangles now; FlushAll does so for every device.
    // Whoever writes or reads the target by other means during a scene (2-D
    // text into the back buffer) or changes a texture calls one of them
    // first; textures call FlushAll themselves.
    void Flush();
    static void FlushAll();
    // The drawing jobs of the last flush: one per band of 16 rows that any
    // triangle reaches, more where a band held much of the work and was cut.
    int32_t LastFlushJobs() const { return mLastJobs; }

    // The per-pixel-divide path, kept beside the fast one as its reference.
    void SetReferencePath(bool on) {
        Flush();
        mReference = on;
    }

    const uint16_t* DepthBuffer() const {
        const_cast<SoftDevice3D*>(this)->Flush();
        return mDepth.data();
    }
    int32_t Width() const { return mWidth; }
    int32_t Height() const { return mHeight; }
    int32_t DrawCalls() const { return mDrawCalls; }

    // Everything a triangle's pixels depend on, resolved from the states.
    struct Shade;

private:
    bool ICreate(int32_t width, int32_t height);
    void DrawTriangle(const RasterVertex& a, const RasterVertex& b, const RasterVertex& c,
                      const Shade& shade);
    bool DrawQuad(const RasterVertex& a, const RasterVertex& b, const RasterVertex& c, const RasterVertex& d,
                  const Shade& shade);
    void RasterRows(const TriangleSetup& t, const Shade& shade, bool reference, int32_t rowBegin, int32_t rowEnd);
    bool Deferring() const { return mInScene && !mIs32 && mThreads > 1; }
    void DropQueue();
    void BandJobs();

    PixelTarget16 mTarget16;
    PixelTarget32 mTarget32;
    bool mIs32 = false;
    int32_t mWidth = 0;
    int32_t mHeight = 0;
    std::vector<uint16_t> mDepth;
    uint32_t mStates[static_cast<int>(SoftState::Count)] = {};
    uint32_t mStageStates[static_cast<int>(SoftStage::Count)] = {};
    const SoftTexture* mTexture = nullptr;
    // The shading resolved from the states, per vertex format, until a
    // state or the texture changes.
    std::unique_ptr<Shade> mShade[2];
    bool mShadeValid[2] = {false, false};
    bool mInScene = false;
    bool mReference = false;
    int32_t mDrawCalls = 0;
    int32_t mThreads = 1;
    int32_t mLastJobs = 0;
    // The scene's queued triangles and the shadings they were drawn with.
    struct Queue;
    std::unique_ptr<Queue> mQueue;
    int32_t mQueuedShade[2] = {-1, -1};  // the current shading's copy in the queue
};

// The screen device's fixed states: depth test less-or-equal, no culling,
// flat shading, magnification linear on a hardware device, minification
// point, dither and blending as the hardware flag, source-alpha blending and
// the alpha test "greater than 0".
void PrepareScreenDevice(SoftDevice3D* device, bool hardware);
