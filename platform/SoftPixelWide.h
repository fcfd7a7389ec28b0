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

// A whole triangle of an opaque texture whose u, v and depth are affine in
// screen space, in 16.16 fixed point at the bounding box's top-left pixel
// with steps along x and y (v unscaled). Depth must stay within 0..1.
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
};

void WideAffineTriangle(const TriangleSetup& t, const WideTriangle& w);

}  // namespace SoftPixel
