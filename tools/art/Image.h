// An RGBA picture in memory with the few drawing operations the art needs.
#pragma once
#include <cstdint>
#include <vector>

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
};

// Blends two colours; t = 0 gives a, t = 1 gives b.
Rgb Mix(Rgb a, Rgb b, float t);
// Scales the lightness of a colour (factor 1 keeps it), clamped to 0..255.
Rgb Shade(Rgb c, float factor);

class Image {
public:
    Image() = default;
    Image(int w, int h, Rgb fill = {}, uint8_t alpha = 255);

    int Width() const { return mW; }
    int Height() const { return mH; }
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < mW && y < mH; }
    const std::vector<uint8_t>& Pixels() const { return mPixels; }

    Rgb Get(int x, int y) const;
    uint8_t Alpha(int x, int y) const;
    // Writes one pixel; outside the picture nothing happens.
    void Set(int x, int y, Rgb c, uint8_t alpha = 255);
    // Mixes c over the pixel with coverage t (0..1).
    void Blend(int x, int y, Rgb c, float t);

    void FillRect(int x, int y, int w, int h, Rgb c);
    void FrameRect(int x, int y, int w, int h, Rgb c);
    // A bevel of the given thickness: light on the top and left edges, dark on the others.
    void Bevel(int x, int y, int w, int h, Rgb light, Rgb dark, int thickness);
    void VerticalGradient(int x, int y, int w, int h, Rgb top, Rgb bottom);
    // Multiplies the lightness of the area by 1 + amount * noise, noise in -1..1 from the given seed.
    void Grain(int x, int y, int w, int h, float amount, uint32_t seed, float scale);
    void Line(int x0, int y0, int x1, int y1, Rgb c);
    // Fills a polygon (even-odd rule, pixel centres) with c.
    void FillPolygon(const std::vector<float>& xy, Rgb c);
    // Copies another picture with its alpha blended over this one.
    void Draw(const Image& src, int x, int y);

private:
    int mW = 0, mH = 0;
    std::vector<uint8_t> mPixels;
};
