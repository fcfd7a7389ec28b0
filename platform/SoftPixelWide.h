#pragma once
// Eight pixels at a time for the opaque textured runs of the software
// device, on processors with AVX2; the plain loop stays for the rest.
#include <cstdint>

#include "platform/SoftRaster.h"

namespace SoftPixel {

struct WideRun {
    uint16_t* dst;
    uint16_t* depth;
    const uint32_t* packed;  // prepared texels
    const uint32_t* dither;  // the row's four dither words
    uint32_t wmask, hmask;   // texture width and height - 1
    int32_t wshift;          // log2 of the width
    uint32_t opaque;         // texel alpha that may be written directly
    bool test, write;
};

// True when this processor runs the wide loop.
bool WideAvailable();
// Whether any of the n depths from row is at least limit (only where
// WideAvailable()).
bool WideDepthReaches(const uint16_t* row, int32_t n, uint16_t limit);
// The same for n depths from first in each of rows rows pitch apart, where
// room depths from each row's first may be read (n <= room).
bool WideDepthBoxReaches(const uint16_t* first, int32_t pitch, int32_t rows, int32_t n, int32_t room,
                         uint16_t limit);

// Pixels x .. x + 8 * groups - 1 with depth z (16.16) and texel u, v (16.16,
// v unscaled), stepping dz, du, dv. Returns how many groups were done whole:
// the first group with a pixel that fails the depth test or is not opaque
// stops it, and the caller draws from there on.
int32_t WideTextured(const WideRun& r, int32_t x, int32_t groups, uint32_t z, int32_t dz, int32_t u,
                     int32_t du, int32_t v, int32_t dv);

// The same for a magnified texture filtered bilinearly: argb are the
// texture's 8-bit texels, u and v are moved back by half a texel.
int32_t WideBilinear(const WideRun& r, const uint32_t* argb, int32_t x, int32_t groups, uint32_t z, int32_t dz,
                     int32_t u, int32_t du, int32_t v, int32_t dv);

// A triangle (its rows in rowBegin .. rowEnd - 1) of an opaque texture
// whose u, v and depth are affine in screen space, in 16.16 fixed point at
// the bounding box's top-left pixel with steps along x and y (v unscaled).
// Depth must stay within 0..1.
struct WideTriangle {
    uint16_t* pixels;
    int32_t pitch;
    uint16_t* depth;
    int32_t depthPitch;
    int32_t width;  // of the target: no group is read past it
    const uint32_t* packed;
    const uint32_t (*dither)[4];
    uint32_t wmask, hmask;
    int32_t wshift;
    bool test, write;
    int64_t z, dzx, dzy, u, dux, duy, v, dvx, dvy;
    int32_t rowBegin, rowEnd;  // the rows drawn: rowBegin .. rowEnd - 1
};

void WideAffineTriangle(const TriangleSetup& t, const WideTriangle& w);

// A whole triangle of a power-of-two texture in perspective, rows rowBegin
// .. rowEnd - 1 of it, eight pixels at a time. Every pixel's depth, 1/w and
// u/w, v/w come from the planes and u, v from a true divide, with the same
// float operations as the reference path, so each pixel shows the texel
// (or, where magnified and filtered, the bilinear mix) the reference shows.
// Groups whose pixels all fail the depth test are dropped before any texel
// is read; with the alpha test, so are texels it fails. Pixels that need
// more than an opaque texel (a translucent texel,
// coordinates too large for exact float sums) go to slow(context, x, y),
// which shades them in full.
struct WidePerspective {
    uint16_t* pixels;
    int32_t pitch;
    uint16_t* depth;
    int32_t depthPitch;
    int32_t width;  // of the target: no group is read past it
    const uint32_t* packed;
    const uint32_t* argb;
    const uint32_t (*dither)[4];
    uint32_t wmask, hmask;
    int32_t wshift;
    bool test, write, magLinear;
    bool opaqueTexels;  // every texel has alpha 255 (and so every bilinear mix)
    bool alphaTest;     // texels with alpha <= alphaRef are dropped
    uint32_t alphaRef;  // below 255
    int32_t rowBegin, rowEnd;
    void (*slow)(void* context, int32_t x, int32_t y);
    void* context;
};

void WidePerspectiveTriangle(const TriangleSetup& t, const WidePerspective& w);

// Whether WidePerspectiveTriangle runs its AVX-512 build: where the
// processor has it, unless switched off (to test the AVX2 build).
bool Wide512On();
void SetWide512(bool on);

// See-through texels over the target, eight at a time: the texture factor's
// alpha, the alpha test, fog from each pixel's w and the blend with what is
// there, with the plain loop's sums in the same order, so every pixel comes
// out as the plain loop makes it. Point-sampled unfogged texels are blended
// in RGB565 with 32 levels (as the plain loop's point-sampled path does);
// fogged ones and filtered ones with 8-bit weights.
struct WideBlend {
    uint16_t* dst;
    uint16_t* depth;
    const uint32_t* packed;  // prepared texels
    const uint32_t* argb;    // 8-bit texels
    const uint32_t* dither;  // the row's four dither words
    uint32_t wmask, hmask;
    int32_t wshift;
    bool test, write;
    uint32_t factorAlpha;  // 255: the texel's alpha as it is
    bool alphaTest;
    uint32_t alphaRef;  // below 255
    bool fog;
    float fogEnd, fogRange;  // fogRange not 0
    uint32_t fogR, fogG, fogB;
    // 1/w at pixel rhwX is rhw + drhw * (x - rhwX), as the plain loop sums it.
    float rhw, drhw;
    int32_t rhwX;
    int32_t rowLength;  // pixels of a row that may be read and written back unchanged
};

// Whether the wide blend can address this texture: texel coordinates in
// 32-bit lanes keep every bit the index uses when it has at most 2^16 texels.
// The wide blend is on unless switched off (to compare it with the plain loop).
bool WideBlendOn();
void SetWideBlend(bool on);

inline bool WideBlendFits(int32_t wshift, uint32_t hmask) {
    int32_t h = 0;
    while ((1u << h) <= hmask) ++h;
    return wshift + h <= 16;
}

// Point-sampled: pixels x .. x + n - 1, depth z (16.16), u (16.16 texels)
// and v (16.16 texels times the width, so its integer part masked by
// hmask << wshift is the row's offset), each the low 32 bits of the plain
// loop's values, stepping dz, du, dv. Returns how many pixels it drew: all
// n, or the whole groups of eight only where a last, shorter group would
// reach past rowLength.
int32_t WideBlendPoint(const WideBlend& b, int32_t x, int32_t n, uint32_t z, uint32_t dz, uint32_t u, uint32_t du,
                       uint32_t v, uint32_t dv);

// Magnified and filtered: u and v are 16.16 texels moved back by half a
// texel (v not scaled).
int32_t WideBlendBilinear(const WideBlend& b, int32_t x, int32_t n, uint32_t z, uint32_t dz, uint32_t u, uint32_t du,
                          uint32_t v, uint32_t dv);

// A whole see-through triangle of a texture magnified and filtered at every
// pixel (a near puff of smoke or dust), rows rowBegin .. rowEnd - 1, eight
// pixels at a time. Each pixel's depth, 1/w, u/w and v/w come from the
// planes and u, v from a true divide, and the texels are mixed with the
// reference's rounding, so every pixel and depth is the reference path's
// (the plain loop steps u and v straight between divides every 16 to 32
// pixels and mixes texels without rounding: its pixels differ a little).
// No set-up per run of 16 to 32 pixels, which was a large share of the
// cost of the short runs of a cloud's puffs; where the eight pixels read
// two texture rows of at most eight texels, two loads and shuffles instead
// of four gathers. The caller checks MagnifiedThroughout, WideBlendFits and
// a target at least eight pixels wide; blend's per-row fields are unused.
struct WideBlendTriangleArgs {
    WideBlend blend;
    uint16_t* pixels;
    int32_t pitch;
    uint16_t* depth;
    int32_t depthPitch;
    int32_t width; // of the target: no group is read past it
    const uint32_t (*dither)[4];
    int32_t rowBegin, rowEnd;
    // The texture's SoftTexture::Hull where a texel of alpha 0 fails the
    // alpha test (after any fading), else null. With it, each row is cut to
    // the pixels whose four texels may include one above alpha 0 (the
    // corners and rims of a puff are left out untouched).
    const double* hull = nullptr;
};
void WideBlendTriangle(const TriangleSetup& t, const WideBlendTriangleArgs& a);

// Whether a texture tw x th texels is magnified at every pixel of the
// triangle's bounding box (no screen step moves more than 0.9 texel, bounded
// from the planes at the box's corners) with texel coordinates small enough
// for exact float sums. False where it cannot tell.
bool MagnifiedThroughout(const TriangleSetup& t, int32_t tw, int32_t th);

// The whole-triangle blend is on unless switched off (to compare the blend
// of runs with the plain loop).
bool WideBlendTrianglesOn();
void SetWideBlendTriangles(bool on);

}  // namespace SoftPixel
