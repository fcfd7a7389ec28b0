#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>

// Triangle set-up and coverage shared by the fast and the reference paths of
// the software 3-D device. Positions are snapped to 1/16 pixel; pixel (x, y)
// is sampled at the integer point (x, y), as the device the renderer was made
// for does, so a rectangle from l to r covers the pixels l .. r - 1. Edges
// follow the top-left rule: two triangles sharing an edge never both cover a
// pixel on it.

// One screen-space corner as the device receives it. u and v are the texture
// coordinates as given (not divided by w).
struct RasterVertex {
    float x, y, z, rhw, u, v;
    uint32_t color;
};

// An attribute that is affine in screen space: value at the sample point of
// pixel (px, py) = base + dx * (px - ox) + dy * (py - oy). Plain data (no
// default values), so that the device's arrays of set-ups for the pieces of a
// triangle cost nothing until SetupTriangle fills them in.
struct RasterPlane {
    float base, dx, dy;
};

struct RasterEdge {
    int64_t a, b, c;  // E = a * xs + b * ys + c, covered when E >= 0
};

struct TriangleSetup {
    RasterEdge edge[3];
    int32_t minX, minY, maxX, maxY;  // inclusive pixel bounds inside the target
    float ox, oy;                    // origin of the planes (snapped vertex 0)
    RasterPlane z, rhw, ur, vr;      // depth, 1/w, u/w, v/w
    uint32_t color;                  // flat colour: the first corner's
};

// False when the triangle covers no pixel centre of a width x height target
// or has a non-finite or non-positive-w corner. Corners must lie within the
// guard band (see kRasterGuard); the device clips larger triangles first.
bool SetupTriangle(const RasterVertex& v0, const RasterVertex& v1, const RasterVertex& v2,
                   int32_t width, int32_t height, TriangleSetup* out);

// The covered pixels of row y as [*x0, *x1); false when none.
bool RowSpan(const TriangleSetup& t, int32_t y, int32_t* x0, int32_t* x1);

// Walks the rows of a triangle from minY down to maxY and gives each row's
// covered pixels with integer steps only: the same pixels as RowSpan and
// CoversPixel, without a division per row.
class RowWalker {
public:
    explicit RowWalker(const TriangleSetup& t) : RowWalker(t, t.minY) {}
    // Starts at row firstRow (>= t.minY) in the same state that stepping
    // down from minY reaches there.
    RowWalker(const TriangleSetup& t, int32_t firstRow);
    int32_t Row() const { return mY; }
    bool Span(int32_t* x0, int32_t* x1) const;
    void Next();

private:
    // One edge's limit on the row: i >= ceil(n / d) (lower), i <= floor(n / d)
    // (upper), or the whole row in or out (flat), with n = q d + r.
    struct Limit {
        int32_t kind;  // 0 lower, 1 upper, 2 flat
        int64_t q, r, d, qs, rs;
    };
    Limit mLimit[3];
    int32_t mY, mMinX, mMaxX;
};

inline bool RowWalker::Span(int32_t* x0, int32_t* x1) const {
    int64_t lo = mMinX, hi = int64_t(mMaxX) + 1;
    for (const Limit& l : mLimit) {
        if (l.kind == 0) lo = std::max(lo, l.q + (l.r != 0));
        else if (l.kind == 1) hi = std::min(hi, l.q + 1);
        else if (l.q < 0) return false;
    }
    if (lo >= hi) return false;
    *x0 = static_cast<int32_t>(lo);
    *x1 = static_cast<int32_t>(hi);
    return true;
}

inline void RowWalker::Next() {
    ++mY;
    // Without a branch: whether the remainder wraps is as good as random.
    for (Limit& l : mLimit) {
        l.q += l.qs;
        l.r += l.rs;
        const int64_t wrap = l.r >= l.d;
        l.r -= l.d & -wrap;
        l.q += wrap;
    }
}

// The exact per-pixel test, the reference for RowSpan.
bool CoversPixel(const TriangleSetup& t, int32_t x, int32_t y);

inline float PlaneAt(const RasterPlane& p, const TriangleSetup& t, float px, float py) {
    return p.base + p.dx * (px - t.ox) + p.dy * (py - t.oy);
}

// Corners farther than this many pixels outside the target are cut off by a
// 2-D clip before set-up, which keeps the fixed-point edge values small.
constexpr float kRasterGuard = 2048.0f;

// Cuts the triangle to the guard band around a width x height target. Writes
// up to 8 corners to out (a convex polygon, at most 7 for finite ones) and returns their count; 0 when
// nothing is left.
int32_t ClipToGuardBand(const RasterVertex& v0, const RasterVertex& v1, const RasterVertex& v2,
                        int32_t width, int32_t height, RasterVertex* out);

inline bool InsideGuardBand(const RasterVertex& v, int32_t width, int32_t height) {
    return v.x >= -kRasterGuard && v.y >= -kRasterGuard && v.x <= width + kRasterGuard &&
           v.y <= height + kRasterGuard;
}
