#pragma once
// Helpers for the software-device tests: guarded targets, vertices, a tiny
// deterministic generator for random triangles.
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/SoftDevice3D.h"

namespace softtest {

// A 16-bit canvas with a sentinel border around the target to catch writes
// outside it.
struct Canvas16 {
    static constexpr int32_t kBorder = 8;
    static constexpr uint16_t kSentinel = 0xBEEF;
    int32_t w, h, pitch;
    std::vector<uint16_t> buf;
    PixelTarget16 target;
    Canvas16(int32_t width, int32_t height, uint16_t fill = 0)
        : w(width), h(height), pitch(width + 2 * kBorder),
          buf(size_t(pitch) * (height + 2 * kBorder), kSentinel) {
        target.pixels = buf.data() + kBorder * pitch + kBorder;
        target.width = w;
        target.height = h;
        target.pitch = pitch;
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) At(x, y) = fill;
    }
    uint16_t& At(int32_t x, int32_t y) { return target.pixels[y * pitch + x]; }
    bool BorderIntact() const {
        for (int32_t y = 0; y < h + 2 * kBorder; ++y)
            for (int32_t x = 0; x < pitch; ++x) {
                bool inside = x >= kBorder && x < kBorder + w && y >= kBorder && y < kBorder + h;
                if (!inside && buf[size_t(y) * pitch + x] != kSentinel) return false;
            }
        return true;
    }
    int32_t CountNot(uint16_t value) {
        int32_t n = 0;
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) n += At(x, y) != value;
        return n;
    }
};

struct CV {  // coloured vertex, 20 bytes
    float x, y, z, rhw;
    uint32_t color;
};
struct TV {  // textured vertex, 24 bytes
    float x, y, z, rhw, u, v;
};
static_assert(sizeof(CV) == 20 && sizeof(TV) == 24);

inline uint16_t RGB565(uint32_t r, uint32_t g, uint32_t b) {
    return static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

struct Lcg {
    uint32_t s;
    explicit Lcg(uint32_t seed) : s(seed) {}
    uint32_t Next() {
        s = s * 1664525u + 1013904223u;
        return s >> 8;
    }
    float Range(float lo, float hi) { return lo + (hi - lo) * float(Next() & 0xFFFF) / 65535.0f; }
};

// A picture of w x h with a function for each texel's RGBA.
template <class F>
PictureRGBA MakePicture(int32_t w, int32_t h, F texel) {
    PictureRGBA p;
    p.width = w;
    p.height = h;
    p.rgba.resize(size_t(w) * h * 4);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            uint32_t c = texel(x, y);  // 0xAARRGGBB
            uint8_t* q = &p.rgba[(size_t(y) * w + x) * 4];
            q[0] = (c >> 16) & 0xFF;
            q[1] = (c >> 8) & 0xFF;
            q[2] = c & 0xFF;
            q[3] = c >> 24;
        }
    return p;
}

// The states the renderer's screen device runs with.
inline void ScreenStates(SoftDevice3D& d) {
    using namespace SoftValue;
    d.SetRenderState(SoftState::ZEnable, kTrue);
    d.SetRenderState(SoftState::ZFunc, kCmpLessEqual);
    d.SetRenderState(SoftState::AlphaBlendEnable, kTrue);
    d.SetRenderState(SoftState::AlphaTestEnable, kTrue);
    d.SetRenderState(SoftState::AlphaRef, 0);
    d.SetRenderState(SoftState::AlphaFunc, kCmpGreater);
    d.SetRenderState(SoftState::DitherEnable, kFalse);
}

inline void TextureOn(SoftDevice3D& d, const SoftTexture* t, bool modulate = false) {
    using namespace SoftValue;
    d.SetTexture(t);
    d.SetTextureStageState(SoftStage::ColorArg1, kArgTexture);
    d.SetTextureStageState(SoftStage::AlphaArg1, kArgTexture);
    d.SetTextureStageState(SoftStage::AlphaArg2, kArgTFactor);
    d.SetTextureStageState(SoftStage::ColorOp, kOpSelectArg1);
    d.SetTextureStageState(SoftStage::AlphaOp, modulate ? kOpModulate : kOpSelectArg1);
}

inline void Quad(SoftDevice3D& d, float x0, float y0, float x1, float y1, float z, uint32_t color) {
    CV v[4] = {{x0, y0, z, 1, color}, {x1, y0, z, 1, color}, {x1, y1, z, 1, color}, {x0, y1, z, 1, color}};
    d.DrawPrimitive(SoftPrimitive::TriangleFan, kSoftFvfDiffuse, v, 4, kSoftDrawFlags);
}

}  // namespace softtest
