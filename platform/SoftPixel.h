#pragma once
// Pixel work of the software 3-D device: the shading state resolved from the
// render states, and the three ways of filling a set-up triangle: the fast
// path, the general per-pixel path and the reference path.
#include <cstdint>

#include "platform/SoftDevice3D.h"

struct SoftDevice3D::Shade {
    const SoftTexture* texture = nullptr;  // null: texturing samples white
    bool sampleTexture = false;            // texels are needed at all
    bool colorFromTexture = false;
    uint32_t alphaArg1 = SoftValue::kArgDiffuse;
    uint32_t alphaArg2 = SoftValue::kArgDiffuse;
    uint32_t alphaOp = SoftValue::kOpDisable;
    uint32_t textureFactor = 0xFFFFFFFFu;
    bool zEnable = true, zWrite = true, zAlways = false;
    bool alphaTest = false;
    uint32_t alphaRef = 0;
    bool blend = false;
    bool dither = false;
    bool fog = false;
    float fogStart = 0, fogEnd = 1;
    uint32_t fogColor = 0;
    bool magLinear = false;
    uint32_t ditherWords[4][4] = {};  // DitherWord of each position of the 4 x 4 cell
};

namespace SoftPixel {

using Shade = SoftDevice3D::Shade;

void ResolveShade(const uint32_t* states, const uint32_t* stageStates, const SoftTexture* texture,
                  bool texturedVertices, Shade* out);

// Ordered-dither offsets (see SoftTexture::Packed) for pixel (x, y).
uint32_t DitherWord(int32_t x, int32_t y, bool dither);
uint16_t Pack565(uint32_t argb, uint32_t ditherWord);
inline uint16_t PackPrepared(uint32_t v) {
    return static_cast<uint16_t>(((v & 0xF8u) << 8) | ((v >> 5) & 0x7E0u) | ((v >> 19) & 0x1Fu));
}

// rowBegin .. rowEnd - 1: the rows of the target this call may draw (a
// band of the screen when several threads share a frame).
struct Context {
    uint16_t* depth;
    int32_t depthPitch;
    const Shade& shade;
    int32_t rowBegin = 0;
    int32_t rowEnd = 0x7FFFFFFF;
};
struct Target16 {
    uint16_t* pixels;
    int32_t pitch;
};
struct Target32 {
    uint32_t* pixels;
    int32_t pitch;
};

// True when the depth test fails at every pixel the triangle covers in the
// context's rows (its nearest possible depth lies behind every stored depth
// under its bounding box); the fast path then skips it, which changes nothing.
bool HiddenBehindDepth(const TriangleSetup& t, const Context& c);
// The same for n triangles at once (a quadrilateral's two), over the box
// that holds them all: true when every one of them would be skipped.
bool HiddenBehindDepth(const TriangleSetup* t, int32_t n, const Context& c);
// The skip is on unless switched off (to compare pictures and times with
// every triangle walked).
bool HiddenSkipOn();
void SetHiddenSkip(bool on);
void RasterFast16(const TriangleSetup& t, const Context& c, Target16& target);
void RasterGeneral(const TriangleSetup& t, const Context& c, Target16& target);
void RasterGeneral(const TriangleSetup& t, const Context& c, Target32& target);
void RasterReference(const TriangleSetup& t, const Context& c, Target16& target);
void RasterReference(const TriangleSetup& t, const Context& c, Target32& target);

}  // namespace SoftPixel
