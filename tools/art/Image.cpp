#include "Image.h"

#include <algorithm>
#include <cmath>

#include "Noise.h"

namespace {
uint8_t Clamp8(float v) {
    if (v <= 0.0f) return 0;
    if (v >= 255.0f) return 255;
    return static_cast<uint8_t>(v + 0.5f);
}
} // namespace

Rgb Mix(Rgb a, Rgb b, float t) {
    return {Clamp8(a.r + (b.r - a.r) * t), Clamp8(a.g + (b.g - a.g) * t), Clamp8(a.b + (b.b - a.b) * t)};
}

Rgb Shade(Rgb c, float factor) {
    return {Clamp8(c.r * factor), Clamp8(c.g * factor), Clamp8(c.b * factor)};
}

Image::Image(int w, int h, Rgb fill, uint8_t alpha) : mW(w), mH(h), mPixels(size_t(w) * h * 4) {
    for (size_t i = 0; i < mPixels.size(); i += 4) {
        mPixels[i] = fill.r;
        mPixels[i + 1] = fill.g;
        mPixels[i + 2] = fill.b;
        mPixels[i + 3] = alpha;
    }
}

Rgb Image::Get(int x, int y) const {
    if (!Inside(x, y)) return {};
    const uint8_t* p = &mPixels[(size_t(y) * mW + x) * 4];
    return {p[0], p[1], p[2]};
}

uint8_t Image::Alpha(int x, int y) const {
    return Inside(x, y) ? mPixels[(size_t(y) * mW + x) * 4 + 3] : 0;
}

void Image::Set(int x, int y, Rgb c, uint8_t alpha) {
    if (!Inside(x, y)) return;
    uint8_t* p = &mPixels[(size_t(y) * mW + x) * 4];
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
    p[3] = alpha;
}

void Image::Blend(int x, int y, Rgb c, float t) {
    if (!Inside(x, y) || t <= 0.0f) return;
    Set(x, y, Mix(Get(x, y), c, std::min(t, 1.0f)), Alpha(x, y));
}

void Image::FillRect(int x, int y, int w, int h, Rgb c) {
    for (int j = std::max(y, 0); j < std::min(y + h, mH); ++j)
        for (int i = std::max(x, 0); i < std::min(x + w, mW); ++i)
            Set(i, j, c);
}

void Image::FrameRect(int x, int y, int w, int h, Rgb c) {
    FillRect(x, y, w, 1, c);
    FillRect(x, y + h - 1, w, 1, c);
    FillRect(x, y, 1, h, c);
    FillRect(x + w - 1, y, 1, h, c);
}

void Image::Bevel(int x, int y, int w, int h, Rgb light, Rgb dark, int thickness) {
    for (int k = 0; k < thickness; ++k) {
        int x0 = x + k, y0 = y + k, x1 = x + w - 1 - k, y1 = y + h - 1 - k;
        if (x1 <= x0 || y1 <= y0) break;
        FillRect(x0, y0, x1 - x0, 1, light);
        FillRect(x0, y0, 1, y1 - y0, light);
        FillRect(x0 + 1, y1, x1 - x0, 1, dark);
        FillRect(x1, y0 + 1, 1, y1 - y0, dark);
    }
}

void Image::VerticalGradient(int x, int y, int w, int h, Rgb top, Rgb bottom) {
    for (int j = 0; j < h; ++j) {
        Rgb c = Mix(top, bottom, h > 1 ? float(j) / float(h - 1) : 0.0f);
        FillRect(x, y + j, w, 1, c);
    }
}

void Image::Grain(int x, int y, int w, int h, float amount, uint32_t seed, float scale) {
    for (int j = std::max(y, 0); j < std::min(y + h, mH); ++j)
        for (int i = std::max(x, 0); i < std::min(x + w, mW); ++i) {
            float n = Fbm(i / scale, j / scale, seed, 4) * 2.0f - 1.0f;
            Set(i, j, Shade(Get(i, j), 1.0f + amount * n), Alpha(i, j));
        }
}

void Image::Line(int x0, int y0, int x1, int y1, Rgb c) {
    int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1, err = dx + dy;
    for (;;) {
        Set(x0, y0, c);
        if (x0 == x1 && y0 == y1) break;
        int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

void Image::FillPolygon(const std::vector<float>& xy, Rgb c) {
    size_t n = xy.size() / 2;
    if (n < 3) return;
    for (int j = 0; j < mH; ++j) {
        float py = j + 0.5f;
        std::vector<float> xs;
        for (size_t a = 0; a < n; ++a) {
            size_t b = (a + 1) % n;
            float ya = xy[2 * a + 1], yb = xy[2 * b + 1];
            if ((ya <= py) == (yb <= py)) continue;
            float t = (py - ya) / (yb - ya);
            xs.push_back(xy[2 * a] + t * (xy[2 * b] - xy[2 * a]));
        }
        std::sort(xs.begin(), xs.end());
        for (size_t k = 0; k + 1 < xs.size(); k += 2)
            for (int i = std::max(0, int(std::ceil(xs[k] - 0.5f))); i < mW && i + 0.5f < xs[k + 1]; ++i)
                Set(i, j, c);
    }
}

void Image::Draw(const Image& src, int x, int y) {
    for (int j = 0; j < src.Height(); ++j)
        for (int i = 0; i < src.Width(); ++i) {
            uint8_t a = src.Alpha(i, j);
            if (a == 255)
                Set(x + i, y + j, src.Get(i, j), 255);
            else if (a)
                Blend(x + i, y + j, src.Get(i, j), a / 255.0f);
        }
}
