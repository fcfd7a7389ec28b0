#include "platform/Surface16.h"
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {
constexpr int32_t kMaxSide = 16384;

// Clips (x, y, w, h) to [0, maxW) x [0, maxH); false when nothing is left.
bool Clip(int32_t& x, int32_t& y, int32_t& w, int32_t& h, int32_t maxW, int32_t maxH) {
    if (x < 0) {
        w += x;
        x = 0;
    }
    if (y < 0) {
        h += y;
        y = 0;
    }
    if (x + static_cast<int64_t>(w) > maxW) w = maxW - x;
    if (y + static_cast<int64_t>(h) > maxH) h = maxH - y;
    return w > 0 && h > 0;
}
// Liang-Barsky clipping of a segment to [minX, maxX] x [minY, maxY], so that
// far-off end points cost no time; false when the segment misses.
bool ClipLine(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2, int32_t minX, int32_t minY, int32_t maxX,
              int32_t maxY) {
    const double dx = static_cast<double>(x2) - x1, dy = static_cast<double>(y2) - y1;
    double t0 = 0.0, t1 = 1.0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {static_cast<double>(x1) - minX, static_cast<double>(maxX) - x1,
                         static_cast<double>(y1) - minY, static_cast<double>(maxY) - y1};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1) return false;
    }
    const double ox = x1, oy = y1;
    x1 = static_cast<int32_t>(std::lround(ox + t0 * dx));
    y1 = static_cast<int32_t>(std::lround(oy + t0 * dy));
    x2 = static_cast<int32_t>(std::lround(ox + t1 * dx));
    y2 = static_cast<int32_t>(std::lround(oy + t1 * dy));
    return true;
}
} // namespace

bool Surface16::Create(int32_t width, int32_t height) {
    Release();
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) return false;
    mPixels.assign(static_cast<size_t>(width) * height, 0);
    mTarget.pixels = mPixels.data();
    mTarget.width = width;
    mTarget.height = height;
    mTarget.pitch = width;
    return true;
}

void Surface16::Release() {
    mPixels.clear();
    mPixels.shrink_to_fit();
    mTarget = PixelTarget16{};
}

void FillRect16(const PixelTarget16& dst, int32_t x, int32_t y, int32_t w, int32_t h, uint16_t colour) {
    if (!dst.pixels || !Clip(x, y, w, h, dst.width, dst.height)) return;
    for (int32_t row = y; row < y + h; ++row)
        std::fill_n(dst.Row(row) + x, w, colour);
}

void Blit16(const PixelTarget16& dst, int32_t dx, int32_t dy, const PixelTarget16& src, int32_t sx,
            int32_t sy, int32_t w, int32_t h, const uint16_t* key) {
    if (!dst.pixels || !src.pixels) return;
    // Clip against the source first, moving the destination along.
    int32_t ox = sx, oy = sy;
    if (!Clip(sx, sy, w, h, src.width, src.height)) return;
    dx += sx - ox;
    dy += sy - oy;
    ox = dx;
    oy = dy;
    if (!Clip(dx, dy, w, h, dst.width, dst.height)) return;
    sx += dx - ox;
    sy += dy - oy;
    for (int32_t r = 0; r < h; ++r) {
        const uint16_t* s = src.Row(sy + r) + sx;
        uint16_t* d = dst.Row(dy + r) + dx;
        if (!key) {
            std::memmove(d, s, static_cast<size_t>(w) * sizeof(uint16_t));
            continue;
        }
        const uint16_t k = *key;
        for (int32_t i = 0; i < w; ++i)
            if (s[i] != k) d[i] = s[i];
    }
}

void DrawLine16(const PixelTarget16& dst, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint16_t colour,
                int32_t width) {
    if (!dst.pixels) return;
    if (width < 1) width = 1;
    const int32_t half = (width - 1) / 2;
    if (!ClipLine(x1, y1, x2, y2, -width, -width, dst.width + width, dst.height + width)) return;
    // Bresenham; each step stamps a width x width square.
    int64_t dx = std::llabs(static_cast<int64_t>(x2) - x1), dy = -std::llabs(static_cast<int64_t>(y2) - y1);
    const int32_t stepX = x1 < x2 ? 1 : -1, stepY = y1 < y2 ? 1 : -1;
    int64_t err = dx + dy;
    int64_t x = x1, y = y1;
    for (;;) {
        FillRect16(dst, static_cast<int32_t>(x) - half, static_cast<int32_t>(y) - half, width, width, colour);
        if (x == x2 && y == y2) break;
        const int64_t e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += stepX;
        }
        if (e2 <= dx) {
            err += dx;
            y += stepY;
        }
    }
}
