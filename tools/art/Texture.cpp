#include "Texture.h"

#include <algorithm>
#include <cmath>

#include "Noise.h"

namespace {
float Lattice(int32_t x, int32_t y, int period, uint32_t seed) {
    x = ((x % period) + period) % period;
    y = ((y % period) + period) % period;
    return (HashInts(x, y, seed) >> 8) * (1.0f / 16777216.0f);
}
float Smooth(float t) {
    return t * t * (3.0f - 2.0f * t);
}
} // namespace

float TileNoise(float x, float y, int period, uint32_t seed) {
    float fx = std::floor(x), fy = std::floor(y);
    int32_t ix = int32_t(fx), iy = int32_t(fy);
    float tx = Smooth(x - fx), ty = Smooth(y - fy);
    float a = Lattice(ix, iy, period, seed), b = Lattice(ix + 1, iy, period, seed);
    float c = Lattice(ix, iy + 1, period, seed), d = Lattice(ix + 1, iy + 1, period, seed);
    float top = a + (b - a) * tx, bottom = c + (d - c) * tx;
    return top + (bottom - top) * ty;
}

float TileFbm(float x, float y, int period, uint32_t seed, int octaves) {
    float sum = 0, amp = 1, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * TileNoise(x, y, period, seed + uint32_t(o) * 7919u);
        norm += amp;
        amp *= 0.5f;
        x *= 2, y *= 2, period *= 2;
    }
    return sum / norm;
}

Image NoiseTexture(int w, int h, Rgb a, Rgb b, int cells, uint32_t seed, int octaves) {
    Image img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float n = TileFbm(float(x) * cells / w, float(y) * cells / h, cells, seed, octaves);
            img.Set(x, y, Mix(a, b, std::clamp((n - 0.2f) / 0.6f, 0.0f, 1.0f)));
        }
    return img;
}

Image& NoPureWhite(Image& img) {
    for (int y = 0; y < img.Height(); ++y)
        for (int x = 0; x < img.Width(); ++x) {
            Rgb c = img.Get(x, y);
            if (c.r == 255 && c.g == 255 && c.b == 255) img.Set(x, y, {240, 240, 240}, img.Alpha(x, y));
        }
    return img;
}

void Paint(Image& img, int x, int y, Rgb c, float t, float a) {
    if (!img.Inside(x, y) || t <= 0) return;
    t = std::min(t, 1.0f);
    Rgb old = img.Get(x, y);
    uint8_t al = img.Alpha(x, y);
    Rgb mixed = al == 0 ? c : Mix(old, c, t);
    img.Set(x, y, mixed, uint8_t(std::max<float>(al, std::min(1.0f, a * t) * 255.0f)));
}

void SoftDisc(Image& img, float cx, float cy, float r, float s, Rgb c, float alpha) {
    int x0 = int(std::floor(cx - r - s)), x1 = int(std::ceil(cx + r + s));
    int y0 = int(std::floor(cy - r - s)), y1 = int(std::ceil(cy + r + s));
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
            float t = std::clamp((r + s - d) / std::max(s, 0.5f), 0.0f, 1.0f);
            Paint(img, x, y, c, t, alpha);
        }
}
