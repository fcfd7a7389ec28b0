#pragma once
// Eight pixels at a time for the opaque textured runs of the software
// device, on processors with AVX2; the plain loop stays for the rest.
#include <cstdint>

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

}  // namespace SoftPixel
