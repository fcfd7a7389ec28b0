#pragma once
#include <cstdint>
#include <vector>

#include "platform/PixelTarget.h"

// A texture of the software 3-D device. Texels are kept twice: as 8-bit ARGB
// for filtering, fog and blending, and in a form prepared for the opaque fast
// path, where an ordered-dither offset can be added to all three channels at
// once and the result packed to RGB565 without carries between channels.
class SoftTexture {
public:
    SoftTexture() = default;
    // A texture that changes or goes first has the devices draw what they
    // queued with it.
    ~SoftTexture();
    SoftTexture(const SoftTexture&) = default;
    SoftTexture(SoftTexture&&) = default;
    SoftTexture& operator=(const SoftTexture&) = default;
    SoftTexture& operator=(SoftTexture&&) = default;

    // Copies the picture. False (and an empty texture) for an empty or
    // inconsistent picture.
    bool ICreate(const PictureRGBA& picture);

    // Texels whose RGB565 value equals key become fully transparent; a key of
    // -1 removes the colour key again.
    void SetColorKey(int32_t key565);

    int32_t Width() const { return mWidth; }
    int32_t Height() const { return mHeight; }
    bool IsEmpty() const { return mWidth == 0; }
    // Both sides are powers of two, so wrapping is a mask.
    bool IsPowerOfTwo() const { return mPowerOfTwo; }
    // Every texel has alpha 255 (after the colour key).
    bool IsOpaque() const { return mOpaque; }
    // The largest alpha of any texel (after the colour key).
    uint32_t MaxAlpha() const { return mMaxAlpha; }

    // Where a filtered sample may read a texel of alpha above 0 (after the
    // colour key). A sample at (u, v) texels reads columns floor(u - 0.5)
    // and the next, rows likewise, so it meets texel (i, j) only within the
    // 2 x 2 texels around that texel's centre. For each direction (a, b) of
    // kHullDirections, Hull()[k] is the largest a u + b v of such samples
    // over the texels of columns -1 to Width() and rows -1 to Height() (the
    // outer ones wrapping to the other side), or -1e30 with no such texel. A
    // sample within that stretch with a u + b v above it in any direction
    // reads only texels of alpha 0.
    static constexpr int32_t kHullSides = 16;
    static constexpr int8_t kHullDirections[kHullSides][2] = {
        {1, 0}, {-1, 0},  {0, 1}, {0, -1},  {1, 1},  {-1, -1}, {1, -1}, {-1, 1},
        {2, 1}, {-2, -1}, {1, 2}, {-1, -2}, {2, -1}, {-2, 1},  {1, -2}, {-1, 2}};
    const double* Hull() const { return mHull; }

    // 0xAARRGGBB after the colour key, with one texel more after the last,
    // so that any texel and the one after it can be read together.
    const uint32_t* ARGB() const { return mARGB.data(); }
    // Alpha in bits 24..31; red, green and blue in bits 0..7, 8..15 and
    // 16..23, pre-scaled to 5.3, 6.2 and 5.3 fixed point of their 565 field.
    const uint32_t* Packed() const { return mPacked.data(); }

    static uint32_t PackTexel(uint32_t argb) {
        uint32_t r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
        uint32_t rq = (r * 248 + 127) / 255;
        uint32_t gq = (g * 252 + 127) / 255;
        uint32_t bq = (b * 248 + 127) / 255;
        return (argb & 0xFF000000u) | (bq << 16) | (gq << 8) | rq;
    }

private:
    void Rebuild();

    int32_t mWidth = 0;
    int32_t mHeight = 0;
    bool mPowerOfTwo = false;
    bool mOpaque = false;
    uint32_t mMaxAlpha = 0;
    int32_t mColorKey = -1;
    std::vector<uint32_t> mSource;  // ARGB before the colour key
    std::vector<uint32_t> mARGB;
    std::vector<uint32_t> mPacked;
    double mHull[kHullSides] = {};
};
