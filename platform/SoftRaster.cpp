#include "platform/SoftRaster.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#if defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace {

constexpr int64_t kSub = 16;  // sub-pixel steps per pixel

// Rounded to the nearest step, ties to even (the default rounding mode, as
// lrint), without a library call.
int64_t Snap(float v) {
#if defined(__x86_64__)
    return _mm_cvtsd_si64(_mm_set_sd(static_cast<double>(v) * kSub));
#else
    return static_cast<int64_t>(std::lrint(static_cast<double>(v) * kSub));
#endif
}

bool Finite(const RasterVertex& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z) && std::isfinite(v.rhw) &&
           std::isfinite(v.u) && std::isfinite(v.v);
}

// Edge from p to q of a triangle whose interior lies where E > 0 for the
// counter-clockwise order (in y-down screen space, area > 0). Pixels exactly
// on an edge belong to the triangle only for top and left edges.
RasterEdge MakeEdge(int64_t px, int64_t py, int64_t qx, int64_t qy) {
    RasterEdge e;
    e.a = py - qy;
    e.b = qx - px;
    e.c = px * qy - qx * py;
    bool topLeft = e.a > 0 || (e.a == 0 && e.b > 0);
    if (!topLeft) e.c -= 1;
    return e;
}

int64_t EdgeValue(const RasterEdge& e, int64_t xs, int64_t ys) { return e.a * xs + e.b * ys + e.c; }

#if !defined(__x86_64__)
RasterPlane MakePlane(float a0, float a1, float a2, float dx1, float dy1, float dx2, float dy2,
                      float invDen) {
    RasterPlane p;
    p.base = a0;
    p.dx = ((a1 - a0) * dy2 - (a2 - a0) * dy1) * invDen;
    p.dy = ((a2 - a0) * dx1 - (a1 - a0) * dx2) * invDen;
    return p;
}
#endif

// Every coordinate finite, 1/w above 0 and the corner within the guard
// band: the checks of SetupTriangle for one corner, without a branch (a NaN
// fails every comparison, an infinity one of the band's).
#if defined(__x86_64__)
// The float next to f away from 0 (f finite and not 0): a >= f is a > the
// next below f, a <= f is a < the next above it.
float NextAway(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    ++bits;
    std::memcpy(&f, &bits, 4);
    return f;
}

// The bounds of x, y, z and 1/w, each side open: x and y within the guard
// band, z finite, 1/w above 0 and finite.
struct CornerBounds {
    __m128 lo, hi;
    CornerBounds(float right, float bottom)
        : lo(_mm_setr_ps(NextAway(-kRasterGuard), NextAway(-kRasterGuard), -INFINITY, 0.0f)),
          hi(_mm_setr_ps(NextAway(right), NextAway(bottom), INFINITY, INFINITY)) {}
};

// x, y, z, 1/w in four lanes and u, v in two: 16 and 8 bytes of the corner.
inline bool CornerUsable(const RasterVertex& v, const CornerBounds& b) {
    static_assert(offsetof(RasterVertex, rhw) == 12 &&
                  offsetof(RasterVertex, v) == offsetof(RasterVertex, u) + 4);
    const __m128 xyzr = _mm_loadu_ps(&v.x);
    // An unaligned eight-byte load (the corner is only four-byte aligned); the
    // upper lanes are 0.
    const __m128 uv = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(&v.u)));
    const __m128 inside = _mm_and_ps(_mm_cmpgt_ps(xyzr, b.lo), _mm_cmplt_ps(xyzr, b.hi));
    const __m128 finite = _mm_cmplt_ps(_mm_andnot_ps(_mm_set1_ps(-0.0f), uv), _mm_set1_ps(INFINITY));
    return _mm_movemask_ps(_mm_and_ps(inside, finite)) == 0xF;
}
#else
struct CornerBounds {
    float right, bottom;
};

inline bool CornerUsable(const RasterVertex& v, const CornerBounds& b) {
    const bool finite = std::isfinite(v.z) & std::isfinite(v.u) & std::isfinite(v.v) & std::isfinite(v.rhw);
    return finite & (v.rhw > 0.0f) & (v.x >= -kRasterGuard) & (v.y >= -kRasterGuard) & (v.x <= b.right) &
           (v.y <= b.bottom);
}
#endif

}  // namespace

bool SetupTriangle(const RasterVertex& v0, const RasterVertex& v1, const RasterVertex& v2,
                   int32_t width, int32_t height, TriangleSetup* out) {
    if (width <= 0 || height <= 0) return false;
    const CornerBounds bounds{width + kRasterGuard, height + kRasterGuard};
    if (!(CornerUsable(v0, bounds) & CornerUsable(v1, bounds) & CornerUsable(v2, bounds))) return false;

    const int64_t x0 = Snap(v0.x), y0 = Snap(v0.y), x1 = Snap(v1.x), y1 = Snap(v1.y);
    const int64_t x2 = Snap(v2.x), y2 = Snap(v2.y);
    const int64_t area = (x1 - x0) * (y2 - y0) - (x2 - x0) * (y1 - y0);
    if (area == 0) return false;
    // Clockwise corners: the edges run 0, 2, 1 instead of 0, 1, 2 (chosen
    // without a branch: the winding is as good as random).
    const int64_t swap = -static_cast<int64_t>(area < 0);
    const int64_t px = x1 ^ ((x1 ^ x2) & swap), py = y1 ^ ((y1 ^ y2) & swap);
    const int64_t qx = x2 ^ ((x1 ^ x2) & swap), qy = y2 ^ ((y1 ^ y2) & swap);
    out->edge[0] = MakeEdge(x0, y0, px, py);
    out->edge[1] = MakeEdge(px, py, qx, qy);
    out->edge[2] = MakeEdge(qx, qy, x0, y0);
    int64_t minXs = std::min({x0, x1, x2}), maxXs = std::max({x0, x1, x2});
    int64_t minYs = std::min({y0, y1, y2}), maxYs = std::max({y0, y1, y2});
    // Pixel i is sampled at 16 i. The sums are positive within the guard
    // band, so the division is a shift (written as one: at -O3 the compiler
    // otherwise emits a division instruction for the constant).
    static_assert(kSub == 16);
    auto firstPixel = [](int64_t s) { return ((s + kSub - 1 + (kSub << 20)) >> 4) - (1 << 20); };
    auto lastPixel = [](int64_t s) { return ((s + (kSub << 20)) >> 4) - (1 << 20); };
    int64_t minX = std::max<int64_t>(0, firstPixel(minXs));
    int64_t maxX = std::min<int64_t>(width - 1, lastPixel(maxXs));
    int64_t minY = std::max<int64_t>(0, firstPixel(minYs));
    int64_t maxY = std::min<int64_t>(height - 1, lastPixel(maxYs));
    if (minX > maxX || minY > maxY) return false;
    out->minX = static_cast<int32_t>(minX);
    out->maxX = static_cast<int32_t>(maxX);
    out->minY = static_cast<int32_t>(minY);
    out->maxY = static_cast<int32_t>(maxY);

    float fx0 = x0 / 16.0f, fy0 = y0 / 16.0f;
    float dx1 = x1 / 16.0f - fx0, dy1 = y1 / 16.0f - fy0;
    float dx2 = x2 / 16.0f - fx0, dy2 = y2 / 16.0f - fy0;
    float invDen = 1.0f / (dx1 * dy2 - dx2 * dy1);
    out->ox = fx0;
    out->oy = fy0;
#if defined(__x86_64__)
    // The four planes side by side (depth, 1/w, u/w, v/w in the lanes), with
    // the same float operations in each lane as MakePlane.
    const __m128 a0 = _mm_setr_ps(v0.z, v0.rhw, v0.u * v0.rhw, v0.v * v0.rhw);
    const __m128 a1 = _mm_setr_ps(v1.z, v1.rhw, v1.u * v1.rhw, v1.v * v1.rhw);
    const __m128 a2 = _mm_setr_ps(v2.z, v2.rhw, v2.u * v2.rhw, v2.v * v2.rhw);
    const __m128 d1 = _mm_sub_ps(a1, a0), d2 = _mm_sub_ps(a2, a0), inv = _mm_set1_ps(invDen);
    const __m128 pdx =
        _mm_mul_ps(_mm_sub_ps(_mm_mul_ps(d1, _mm_set1_ps(dy2)), _mm_mul_ps(d2, _mm_set1_ps(dy1))), inv);
    const __m128 pdy =
        _mm_mul_ps(_mm_sub_ps(_mm_mul_ps(d2, _mm_set1_ps(dx1)), _mm_mul_ps(d1, _mm_set1_ps(dx2))), inv);
    alignas(16) float base[4], dx[4], dy[4];
    _mm_store_ps(base, a0);
    _mm_store_ps(dx, pdx);
    _mm_store_ps(dy, pdy);
    RasterPlane* planes[4] = {&out->z, &out->rhw, &out->ur, &out->vr};
    for (int32_t k = 0; k < 4; ++k)
        *planes[k] = RasterPlane{base[k], dx[k], dy[k]};
#else
    out->z = MakePlane(v0.z, v1.z, v2.z, dx1, dy1, dx2, dy2, invDen);
    out->rhw = MakePlane(v0.rhw, v1.rhw, v2.rhw, dx1, dy1, dx2, dy2, invDen);
    out->ur = MakePlane(v0.u * v0.rhw, v1.u * v1.rhw, v2.u * v2.rhw, dx1, dy1, dx2, dy2, invDen);
    out->vr = MakePlane(v0.v * v0.rhw, v1.v * v1.rhw, v2.v * v2.rhw, dx1, dy1, dx2, dy2, invDen);
#endif
    out->color = v0.color;
    return true;
}

bool CoversPixel(const TriangleSetup& t, int32_t x, int32_t y) {
    int64_t xs = int64_t(x) * kSub, ys = int64_t(y) * kSub;
    for (const RasterEdge& e : t.edge)
        if (EdgeValue(e, xs, ys) < 0) return false;
    return true;
}

bool RowSpan(const TriangleSetup& t, int32_t y, int32_t* x0, int32_t* x1) {
    int64_t lo = t.minX, hi = int64_t(t.maxX) + 1;
    int64_t ys = int64_t(y) * kSub;
    for (const RasterEdge& e : t.edge) {
        int64_t c = e.b * ys + e.c;
        if (e.a == 0) {
            if (c < 0) return false;
            continue;
        }
        auto inside = [&](int64_t i) { return e.a * (i * kSub) + c >= 0; };
        double q = static_cast<double>(-c) / static_cast<double>(kSub * e.a);
        if (q > 1e12) q = 1e12;
        if (q < -1e12) q = -1e12;
        if (e.a > 0) {
            int64_t i = static_cast<int64_t>(std::ceil(q));
            while (!inside(i)) ++i;
            while (inside(i - 1)) --i;
            lo = std::max(lo, i);
        } else {
            int64_t i = static_cast<int64_t>(std::floor(q));
            while (!inside(i)) --i;
            while (inside(i + 1)) ++i;
            hi = std::min(hi, i + 1);
        }
        if (lo >= hi) return false;
    }
    *x0 = static_cast<int32_t>(lo);
    *x1 = static_cast<int32_t>(hi);
    return true;
}

namespace {

int64_t FloorDiv(int64_t n, int64_t d) {
    int64_t q = n / d;
    if ((n % d != 0) && ((n < 0) != (d < 0))) --q;
    return q;
}

}  // namespace

RowWalker::RowWalker(const TriangleSetup& t, int32_t firstRow) : mY(firstRow), mMinX(t.minX), mMaxX(t.maxX) {
    int64_t ys = int64_t(firstRow) * kSub;
    for (int32_t k = 0; k < 3; ++k) {
        const RasterEdge& e = t.edge[k];
        Limit& l = mLimit[k];
        int64_t c = e.b * ys + e.c, step = e.b * kSub;
        int64_t n, s;
        if (e.a > 0) {
            l.kind = 0;
            l.d = kSub * e.a;
            n = -c;
            s = -step;
        } else if (e.a < 0) {
            l.kind = 1;
            l.d = -kSub * e.a;
            n = c;
            s = step;
        } else {
            l.kind = 2;
            l.d = 1;
            n = c;
            s = step;
        }
        l.q = FloorDiv(n, l.d);
        l.r = n - l.q * l.d;
        l.qs = FloorDiv(s, l.d);
        l.rs = s - l.qs * l.d;
    }
}

namespace {

RasterVertex Lerp(const RasterVertex& a, const RasterVertex& b, float t) {
    RasterVertex r;
    r.x = a.x + (b.x - a.x) * t;
    r.y = a.y + (b.y - a.y) * t;
    r.z = a.z + (b.z - a.z) * t;
    r.rhw = a.rhw + (b.rhw - a.rhw) * t;
    // u and v are affine in screen space only after division by w.
    float ur = a.u * a.rhw + (b.u * b.rhw - a.u * a.rhw) * t;
    float vr = a.v * a.rhw + (b.v * b.rhw - a.v * a.rhw) * t;
    r.u = r.rhw > 0.0f ? ur / r.rhw : 0.0f;
    r.v = r.rhw > 0.0f ? vr / r.rhw : 0.0f;
    r.color = a.color;
    return r;
}

constexpr int32_t kClipSlots = 8;

// One Sutherland-Hodgman step against the half plane sign * (coord - limit)
// <= 0. A triangle cut by four lines has at most seven corners; the slot
// limit also holds for corners so far out that their differences overflow.
int32_t ClipAxis(const RasterVertex* in, int32_t n, RasterVertex* out, bool alongX, float limit,
                 float sign) {
    int32_t m = 0;
    for (int32_t i = 0; i < n; ++i) {
        const RasterVertex& p = in[(i + n - 1) % n];
        const RasterVertex& q = in[i];
        float dp = sign * ((alongX ? p.x : p.y) - limit);
        float dq = sign * ((alongX ? q.x : q.y) - limit);
        bool pin = dp <= 0.0f, qin = dq <= 0.0f;
        if (pin != qin && m < kClipSlots) {
            RasterVertex r = Lerp(p, q, dp / (dp - dq));
            if (alongX) r.x = limit; else r.y = limit;
            out[m++] = r;
        }
        if (qin && m < kClipSlots) out[m++] = q;
    }
    return m;
}

}  // namespace

int32_t ClipToGuardBand(const RasterVertex& v0, const RasterVertex& v1, const RasterVertex& v2,
                        int32_t width, int32_t height, RasterVertex* out) {
    if (!Finite(v0) || !Finite(v1) || !Finite(v2)) return 0;
    RasterVertex a[kClipSlots], b[kClipSlots];
    a[0] = v0;
    a[1] = v1;
    a[2] = v2;
    int32_t n = 3;
    const float g = kRasterGuard * 0.5f;  // well inside the band after rounding
    n = ClipAxis(a, n, b, true, -g, -1.0f);
    n = ClipAxis(b, n, a, true, width + g, 1.0f);
    n = ClipAxis(a, n, b, false, -g, -1.0f);
    n = ClipAxis(b, n, a, false, height + g, 1.0f);
    for (int32_t i = 0; i < n; ++i) out[i] = a[i];
    return n;
}
