#pragma once
#include "platform/PixelTarget.h"
#include <cstdint>
#include <vector>

// A 16-bit RGB565 surface in memory: the back buffer and every 2-D picture
// are one. All drawing below clips to the target, so no call writes outside.
class Surface16 {
public:
    bool Create(int32_t width, int32_t height); // false for sizes below 1 or absurdly large
    void Release();
    bool IsEmpty() const { return mTarget.pixels == nullptr; }
    PixelTarget16& Target() { return mTarget; }
    const PixelTarget16& Target() const { return mTarget; }
    int32_t Width() const { return mTarget.width; }
    int32_t Height() const { return mTarget.height; }

    // Source colour key: pixels of this value are not copied by keyed blits.
    void SetColorKey(uint16_t key) {
        mKey = key;
        mHasKey = true;
    }
    void ClearColorKey() { mHasKey = false; }
    bool HasColorKey() const { return mHasKey; }
    uint16_t ColorKey() const { return mKey; }

private:
    std::vector<uint16_t> mPixels;
    PixelTarget16 mTarget;
    uint16_t mKey = 0;
    bool mHasKey = false;
};

inline uint16_t MakeRGB565(uint8_t r, uint8_t g, uint8_t b) {
    return static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

// Fills a rectangle (x, y, w, h), clipped.
void FillRect16(const PixelTarget16& dst, int32_t x, int32_t y, int32_t w, int32_t h, uint16_t colour);
// Copies the source rectangle (sx, sy, w, h) to (dx, dy), clipped on both
// sides; with a key, source pixels equal to *key are skipped.
void Blit16(const PixelTarget16& dst, int32_t dx, int32_t dy, const PixelTarget16& src, int32_t sx,
            int32_t sy, int32_t w, int32_t h, const uint16_t* key);
// A line of the given width (at least 1) from (x1, y1) to (x2, y2), clipped.
void DrawLine16(const PixelTarget16& dst, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint16_t colour,
                int32_t width);
// Writes the target as an RGB PNG file; false on failure.
bool SavePng16(const char* path, const PixelTarget16& src);
