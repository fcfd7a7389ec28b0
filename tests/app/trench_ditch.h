#pragma once
// The dark ditch of a dug trench as a frame shows it: the ditch pixels about
// a ground point, where they lie and which way they run, for comparing the
// trench placed in the set-up with the one dug into the ground.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include <gtest/gtest.h>

#include "engine/GKernel.h"
#include "map/Map.h"
#include "platform/PixelTarget.h"
#include "renderer/GGraph3D.h"

// How many ditch pixels, their middle on the screen, the direction (degrees,
// 0..180) they run in, their length on the screen (pixels, as of an even
// line), and the screen box of the ground point's 20 m square.
struct TrenchDitch {
    int32_t count = 0;
    float x = 0.0f, y = 0.0f, angle = 0.0f, length = 0.0f;
    float left = 0.0f, top = 0.0f, right = 0.0f, bottom = 0.0f;
    // Whether the ditch's middle lies in that square, or within `margin`
    // pixels of it.
    bool InSquare(float margin = 0.0f) const {
        return count > 0 && x >= left - margin && x <= right + margin && y >= top - margin &&
               y <= bottom + margin;
    }
};

// Dug earth at the bottom of a ditch: dark and brown, not the grey of
// shadowed snow.
inline bool TrenchDitchPixel(uint16_t p) {
    const int32_t r = (p >> 11) << 3, g = ((p >> 5) & 63) << 2, b = (p & 31) << 3;
    return r < 100 && r >= g && g >= b && r > b + 12;
}

// The ditch about the ground point (x, y) in the back buffer, a box of
// 240 x 120 pixels, for the frame last drawn (its matrix places the point).
inline TrenchDitch TrenchDitchInFrame(Map* map, float x, float y) {
    TrenchDitch d;
    d.left = d.top = 1e9f, d.right = d.bottom = -1e9f;
    const float x0 = 20.0f * std::floor(x / 20.0f), y0 = 20.0f * std::floor(y / 20.0f);
    for (float cx : {x0, x0 + 20.0f})
        for (float cy : {y0, y0 + 20.0f}) {
            float px = cx, py = cy;
            g3D->WorldToScreen(&px, &py, map->GetZCoord(cx, cy), false);
            d.left = std::min(d.left, px), d.right = std::max(d.right, px);
            d.top = std::min(d.top, py), d.bottom = std::max(d.bottom, py);
        }
    float sx = x, sy = y;
    g3D->WorldToScreen(&sx, &sy, map->GetZCoord(x, y), false);
    const PixelTarget16 back = gKernel->GetBackBuffer();
    double n = 0, mx = 0, my = 0, xx = 0, yy = 0, xy = 0;
    for (int32_t py = static_cast<int32_t>(sy) - 60; py < static_cast<int32_t>(sy) + 60; ++py)
        for (int32_t px = static_cast<int32_t>(sx) - 120; px < static_cast<int32_t>(sx) + 120; ++px) {
            if (px < 0 || py < 0 || px >= back.width || py >= back.height ||
                !TrenchDitchPixel(back.Row(py)[px]))
                continue;
            n += 1, mx += px, my += py, xx += double(px) * px, yy += double(py) * py, xy += double(px) * py;
        }
    d.count = static_cast<int32_t>(n);
    if (n == 0) return d;
    mx /= n, my /= n;
    const double cxx = xx / n - mx * mx, cyy = yy / n - my * my, cxy = xy / n - mx * my;
    double angle = 0.5 * std::atan2(2.0 * cxy, cxx - cyy) * 180.0 / 3.14159265358979;
    if (angle < 0) angle += 180.0;
    const double along = 0.5 * (cxx + cyy) + std::sqrt(0.25 * (cxx - cyy) * (cxx - cyy) + cxy * cxy);
    d.x = static_cast<float>(mx), d.y = static_cast<float>(my), d.angle = static_cast<float>(angle);
    d.length = static_cast<float>(std::sqrt(12.0 * along));
    return d;
}

// Degrees between two directions of a line.
inline float TrenchLineAngle(float a, float b) {
    const float d = std::fabs(a - b);
    return std::min(d, 180.0f - d);
}

// The dug trench against the placed one: its ditch shows, lies in the
// placed trench's square and runs the same way.
inline void ExpectSameTrench(const TrenchDitch& placed, const TrenchDitch& dug, const char* when) {
    std::printf(
        "[trench] %s: %d ditch pixels about (%.0f, %.0f) running %.0f deg; placed %d about (%.0f, %.0f) "
        "running %.0f deg; %.0f px long, placed %.0f\n",
        when, dug.count, dug.x, dug.y, dug.angle, placed.count, placed.x, placed.y, placed.angle, dug.length,
        placed.length);
    EXPECT_GT(dug.count, placed.count / 3) << when << ": the trench shows its dark ditch";
    // The ground draws the trench over the whole square it was placed in;
    // placed on the square's edge or corner (hatten's is), its middle lies
    // on that edge.
    EXPECT_TRUE(placed.InSquare(8.0f) && dug.InSquare())
        << when << ": the ditch lies where it was placed, in the square from (" << dug.left << ", " << dug.top
        << ") to (" << dug.right << ", " << dug.bottom << ")";
    EXPECT_LT(TrenchLineAngle(dug.angle, placed.angle), 30.0f) << when << ": the ditch runs as it was placed";
    EXPECT_NEAR(dug.length, placed.length, 0.2f * placed.length)
        << when << ": the ditch is as long as placed";
}
