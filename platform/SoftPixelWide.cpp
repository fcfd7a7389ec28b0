#include "platform/SoftPixelWide.h"

#include <algorithm>
#include <cmath>

#include "platform/SoftTexture.h"

#include <atomic>

namespace SoftPixel {
namespace {
std::atomic<bool> gWideBlend{true};
std::atomic<bool> gWideBlendTriangles{true};
}
bool WideBlendOn() { return gWideBlend.load(std::memory_order_relaxed); }
void SetWideBlend(bool on) { gWideBlend.store(on, std::memory_order_relaxed); }
bool WideBlendTrianglesOn() {
    return gWideBlendTriangles.load(std::memory_order_relaxed);
}
void SetWideBlendTriangles(bool on) {
    gWideBlendTriangles.store(on, std::memory_order_relaxed);
}

bool MagnifiedThroughout(const TriangleSetup& t, int32_t tw, int32_t th) {
    // With a = u/w and r = 1/w affine, a texel coordinate's slope along x is
    // (a.dx r - a r.dx) / r^2 times the size: its numerator changes with y
    // only (along y with x only), so the corners of the box bound it, and
    // the least 1/w at the corners bounds the denominator.
    const double x[2] = {double(t.minX) - t.ox, double(t.maxX) - t.ox};
    const double y[2] = {double(t.minY) - t.oy, double(t.maxY) - t.oy};
    auto at = [](const RasterPlane& p, double dx, double dy) { return p.base + p.dx * dx + p.dy * dy; };
    double rmin = 1e300, coord = 0.0, ux = 0.0, vx = 0.0, uy = 0.0, vy = 0.0;
    for (int32_t i = 0; i < 2; ++i)
        for (int32_t j = 0; j < 2; ++j) {
            const double r = at(t.rhw, x[i], y[j]), u = at(t.ur, x[i], y[j]), v = at(t.vr, x[i], y[j]);
            rmin = std::min(rmin, r);
            coord = std::max({coord, std::fabs(u) * tw, std::fabs(v) * th});
            ux = std::max(ux, std::fabs(double(t.ur.dx) * r - u * t.rhw.dx));
            vx = std::max(vx, std::fabs(double(t.vr.dx) * r - v * t.rhw.dx));
            uy = std::max(uy, std::fabs(double(t.ur.dy) * r - u * t.rhw.dy));
            vy = std::max(vy, std::fabs(double(t.vr.dy) * r - v * t.rhw.dy));
        }
    if (!(rmin > 1e-30) || !(coord / rmin < 1048576.0)) return false;
    const double r4 = rmin * rmin * rmin * rmin;
    const double sx = (ux * ux * tw * tw + vx * vx * th * th) / r4,
                 sy = (uy * uy * tw * tw + vy * vy * th * th) / r4;
    return sx <= 0.81 && sy <= 0.81;
}
}  // namespace SoftPixel

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

namespace SoftPixel {

namespace {

// Eight steps of a lane, wrapping like the lanes themselves do.
int32_t Times8(int32_t step) { return static_cast<int32_t>(static_cast<uint32_t>(step) * 8u); }

// A row's four dither values twice over, one a lane.
__attribute__((target("avx2"), always_inline)) inline __m256i DitherTwice(const uint32_t* d) {
    return _mm256_setr_epi32(int32_t(d[0]), int32_t(d[1]), int32_t(d[2]), int32_t(d[3]), int32_t(d[0]), int32_t(d[1]),
                             int32_t(d[2]), int32_t(d[3]));
}

// A triangle's planes of depth, 1/w, u/w and v/w in eight lanes: the
// origin's x, then each plane's base and step along x.
struct Planes8 {
    __m256 ox, zBase, zDx, rBase, rDx, uBase, uDx, vBase, vDx;
};
__attribute__((target("avx2"), always_inline)) inline Planes8 PlanesOf(const TriangleSetup& t) {
    return Planes8{_mm256_set1_ps(t.ox),       _mm256_set1_ps(t.z.base), _mm256_set1_ps(t.z.dx),
                   _mm256_set1_ps(t.rhw.base), _mm256_set1_ps(t.rhw.dx), _mm256_set1_ps(t.ur.base),
                   _mm256_set1_ps(t.ur.dx),    _mm256_set1_ps(t.vr.base), _mm256_set1_ps(t.vr.dx)};
}

// What row y adds to each of those planes: p.dy * (y - oy).
struct RowPlanes8 {
    __m256 z, r, u, v;
};
__attribute__((target("avx2"), always_inline)) inline RowPlanes8 RowPlanesOf(const TriangleSetup& t, int32_t y) {
    const float dyo = float(y) - t.oy;
    return RowPlanes8{_mm256_set1_ps(t.z.dy * dyo), _mm256_set1_ps(t.rhw.dy * dyo), _mm256_set1_ps(t.ur.dy * dyo),
                      _mm256_set1_ps(t.vr.dy * dyo)};
}

// Eight dither-ready colours to RGB565 and, with their depths, into the
// run; pixels that failed the depth test keep what they had.
__attribute__((target("avx2"), always_inline)) inline void StoreEight(const WideRun& r, int32_t x, __m256i p,
                                                                      __m256i zq, __m256i fail, int32_t failBits) {
    const __m256i rMask = _mm256_set1_epi32(0xF8), gMask = _mm256_set1_epi32(0x7E0), bMask = _mm256_set1_epi32(0x1F);
    __m256i c = _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi32(_mm256_and_si256(p, rMask), 8),
                                                _mm256_and_si256(_mm256_srli_epi32(p, 5), gMask)),
                                _mm256_and_si256(_mm256_srli_epi32(p, 19), bMask));
    __m128i c16 = _mm256_castsi256_si128(_mm256_permute4x64_epi64(_mm256_packus_epi32(c, c), 0x08));
    __m128i z16 = _mm256_castsi256_si128(_mm256_permute4x64_epi64(_mm256_packus_epi32(zq, zq), 0x08));
    __m128i* dp = reinterpret_cast<__m128i*>(r.dst + x);
    __m128i* zp = reinterpret_cast<__m128i*>(r.depth + x);
    if (failBits == 0) {
        _mm_storeu_si128(dp, c16);
        if (r.write) _mm_storeu_si128(zp, z16);
    } else {
        __m128i keep = _mm256_castsi256_si128(_mm256_permute4x64_epi64(_mm256_packs_epi32(fail, fail), 0x08));
        _mm_storeu_si128(dp, _mm_blendv_epi8(c16, _mm_loadu_si128(dp), keep));
        if (r.write) _mm_storeu_si128(zp, _mm_blendv_epi8(z16, _mm_loadu_si128(zp), keep));
    }
}

}  // namespace

bool WideAvailable() {
    static const bool available = __builtin_cpu_supports("avx2");
    return available;
}

__attribute__((target("avx2"))) bool WideDepthReaches(const uint16_t* row, int32_t n, uint16_t limit) {
    if (n < 16) {
        for (int32_t i = 0; i < n; ++i)
            if (row[i] >= limit) return true;
        return false;
    }
    const __m256i l = _mm256_set1_epi16(static_cast<int16_t>(limit));
    __m256i any = _mm256_setzero_si256();
    for (int32_t i = 0;; i += 16) {
        if (i + 16 > n) i = n - 16;  // the last sixteen, overlapping the loop's
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + i));
        any = _mm256_or_si256(any, _mm256_cmpeq_epi16(_mm256_max_epu16(v, l), v));
        if (i + 16 >= n) break;
    }
    return !_mm256_testz_si256(any, any);
}

__attribute__((target("avx2"))) bool WideDepthBoxReaches(const uint16_t* first, int32_t pitch, int32_t rows,
                                                         int32_t n, int32_t room, uint16_t limit) {
    const __m256i l = _mm256_set1_epi16(static_cast<int16_t>(limit));
    if (n >= 16) {
        for (int32_t y = 0; y < rows; ++y) {
            const uint16_t* row = first + int64_t(y) * pitch;
            __m256i any = _mm256_setzero_si256();
            for (int32_t i = 0;; i += 16) {
                if (i + 16 > n) i = n - 16; // the last sixteen, overlapping the loop's
                const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + i));
                any = _mm256_or_si256(any, _mm256_cmpeq_epi16(_mm256_max_epu16(v, l), v));
                if (i + 16 >= n) break;
            }
            if (!_mm256_testz_si256(any, any)) return true;
        }
        return false;
    }
    if (room < 16) {
        for (int32_t y = 0; y < rows; ++y)
            for (int32_t i = 0; i < n; ++i)
                if (first[int64_t(y) * pitch + i] >= limit) return true;
        return false;
    }
    // Fewer than sixteen: a row's sixteen from the box's left edge, those
    // past it masked off.
    const __m256i inside =
        _mm256_cmpgt_epi16(_mm256_set1_epi16(static_cast<int16_t>(n)),
                           _mm256_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15));
    for (int32_t y = 0; y < rows; ++y) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(first + int64_t(y) * pitch));
        if (!_mm256_testz_si256(_mm256_cmpeq_epi16(_mm256_max_epu16(v, l), v), inside)) return true;
    }
    return false;
}

__attribute__((target("avx2"))) int32_t WideTextured(const WideRun& r, int32_t x, int32_t groups, uint32_t z,
                                                     int32_t dz, int32_t u, int32_t du, int32_t v, int32_t dv) {
    const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    __m256i zv = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int32_t>(z)), _mm256_mullo_epi32(lane, _mm256_set1_epi32(dz)));
    __m256i uv = _mm256_add_epi32(_mm256_set1_epi32(u), _mm256_mullo_epi32(lane, _mm256_set1_epi32(du)));
    __m256i vv = _mm256_add_epi32(_mm256_set1_epi32(v), _mm256_mullo_epi32(lane, _mm256_set1_epi32(dv)));
    const __m256i zStep = _mm256_set1_epi32(Times8(dz)), uStep = _mm256_set1_epi32(Times8(du)), vStep = _mm256_set1_epi32(Times8(dv));
    const __m256i wmask = _mm256_set1_epi32(static_cast<int32_t>(r.wmask));
    const __m256i hmask = _mm256_set1_epi32(static_cast<int32_t>(r.hmask));
    const __m128i wshift = _mm_cvtsi32_si128(r.wshift);
    const __m256i opaque = _mm256_set1_epi32(static_cast<int32_t>(r.opaque));
    // Lane i's dither word is dither[(x + i) & 3]; 8 lanes repeat the four.
    const __m256i pattern = _mm256_setr_epi32(static_cast<int32_t>(r.dither[0]), static_cast<int32_t>(r.dither[1]),
                                              static_cast<int32_t>(r.dither[2]), static_cast<int32_t>(r.dither[3]),
                                              static_cast<int32_t>(r.dither[0]), static_cast<int32_t>(r.dither[1]),
                                              static_cast<int32_t>(r.dither[2]), static_cast<int32_t>(r.dither[3]));
    const __m256i rotate = _mm256_and_si256(_mm256_add_epi32(lane, _mm256_set1_epi32(x & 3)), _mm256_set1_epi32(3));
    const __m256i dither = _mm256_permutevar8x32_epi32(pattern, rotate);
    int32_t done = 0;
    for (; done < groups; ++done, x += 8) {
        __m256i zq = _mm256_srli_epi32(zv, 16);
        __m256i zb = _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(r.depth + x)));
        __m256i fail = r.test ? _mm256_cmpgt_epi32(zq, zb) : _mm256_setzero_si256();
        __m256i col = _mm256_and_si256(_mm256_srai_epi32(uv, 16), wmask);
        __m256i row = _mm256_sll_epi32(_mm256_and_si256(_mm256_srai_epi32(vv, 16), hmask), wshift);
        __m256i tx = _mm256_i32gather_epi32(reinterpret_cast<const int*>(r.packed), _mm256_or_si256(row, col), 4);
        __m256i alphaOk = _mm256_cmpeq_epi32(_mm256_srli_epi32(tx, 24), opaque);
        // A visible texel that is not opaque needs the full shading.
        if (!_mm256_testz_si256(_mm256_andnot_si256(fail, _mm256_cmpeq_epi32(alphaOk, _mm256_setzero_si256())),
                                _mm256_set1_epi32(-1)))
            break;
        int32_t failBits = _mm256_movemask_epi8(fail);
        if (failBits != -1) {
            __m256i p = _mm256_add_epi32(tx, dither);
            StoreEight(r, x, p, zq, fail, failBits);
        }
        zv = _mm256_add_epi32(zv, zStep);
        uv = _mm256_add_epi32(uv, uStep);
        vv = _mm256_add_epi32(vv, vStep);
    }
    return done;
}


namespace {

// Two colour channels (the low bytes of each 16-bit half) of a and b mixed
// by f / 256, f given in both halves.
__attribute__((target("avx2"))) inline __m256i Mix2(__m256i a, __m256i b, __m256i f, __m256i g) {
    const __m256i m = _mm256_set1_epi32(0x00FF00FF);
    __m256i s = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_and_si256(a, m), g), _mm256_mullo_epi16(_mm256_and_si256(b, m), f));
    return _mm256_srli_epi16(s, 8);
}

// x / 255 for 0 <= x < 65535, exactly.
__attribute__((target("avx2"))) inline __m256i Div255(__m256i x) {
    return _mm256_srli_epi32(_mm256_add_epi32(_mm256_add_epi32(x, _mm256_set1_epi32(1)), _mm256_srli_epi32(x, 8)), 8);
}

}  // namespace

__attribute__((target("avx2"))) int32_t WideBilinear(const WideRun& r, const uint32_t* argb, int32_t x, int32_t groups,
                                                     uint32_t z, int32_t dz, int32_t u, int32_t du, int32_t v,
                                                     int32_t dv) {
    const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    __m256i zv = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int32_t>(z)), _mm256_mullo_epi32(lane, _mm256_set1_epi32(dz)));
    __m256i uv = _mm256_add_epi32(_mm256_set1_epi32(u), _mm256_mullo_epi32(lane, _mm256_set1_epi32(du)));
    __m256i vv = _mm256_add_epi32(_mm256_set1_epi32(v), _mm256_mullo_epi32(lane, _mm256_set1_epi32(dv)));
    const __m256i zStep = _mm256_set1_epi32(Times8(dz)), uStep = _mm256_set1_epi32(Times8(du)), vStep = _mm256_set1_epi32(Times8(dv));
    const __m256i wmask = _mm256_set1_epi32(static_cast<int32_t>(r.wmask));
    const __m256i hmask = _mm256_set1_epi32(static_cast<int32_t>(r.hmask));
    const __m128i wshift = _mm_cvtsi32_si128(r.wshift);
    const __m256i one = _mm256_set1_epi32(1), byte = _mm256_set1_epi32(0xFF), w256 = _mm256_set1_epi32(0x01000100);
    const __m256i opaque = _mm256_set1_epi32(static_cast<int32_t>(r.opaque));
    const __m256i pattern = _mm256_setr_epi32(static_cast<int32_t>(r.dither[0]), static_cast<int32_t>(r.dither[1]),
                                              static_cast<int32_t>(r.dither[2]), static_cast<int32_t>(r.dither[3]),
                                              static_cast<int32_t>(r.dither[0]), static_cast<int32_t>(r.dither[1]),
                                              static_cast<int32_t>(r.dither[2]), static_cast<int32_t>(r.dither[3]));
    const __m256i dither = _mm256_permutevar8x32_epi32(
        pattern, _mm256_and_si256(_mm256_add_epi32(lane, _mm256_set1_epi32(x & 3)), _mm256_set1_epi32(3)));
    const int* texels = reinterpret_cast<const int*>(argb);
    int32_t done = 0;
    for (; done < groups; ++done, x += 8) {
        __m256i zq = _mm256_srli_epi32(zv, 16);
        __m256i zb = _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(r.depth + x)));
        __m256i fail = r.test ? _mm256_cmpgt_epi32(zq, zb) : _mm256_setzero_si256();
        int32_t failBits = _mm256_movemask_epi8(fail);
        if (failBits != -1) {
            __m256i x0 = _mm256_and_si256(_mm256_srai_epi32(uv, 16), wmask);
            __m256i x1 = _mm256_and_si256(_mm256_add_epi32(x0, one), wmask);
            __m256i y0 = _mm256_and_si256(_mm256_srai_epi32(vv, 16), hmask);
            __m256i y1 = _mm256_sll_epi32(_mm256_and_si256(_mm256_add_epi32(y0, one), hmask), wshift);
            y0 = _mm256_sll_epi32(y0, wshift);
            __m256i fu = _mm256_and_si256(_mm256_srli_epi32(uv, 8), byte);
            __m256i fv = _mm256_and_si256(_mm256_srli_epi32(vv, 8), byte);
            fu = _mm256_or_si256(fu, _mm256_slli_epi32(fu, 16));  // in both halves
            fv = _mm256_or_si256(fv, _mm256_slli_epi32(fv, 16));
            __m256i gu = _mm256_sub_epi16(w256, fu), gv = _mm256_sub_epi16(w256, fv);
            __m256i t00 = _mm256_i32gather_epi32(texels, _mm256_or_si256(y0, x0), 4);
            __m256i t10 = _mm256_i32gather_epi32(texels, _mm256_or_si256(y0, x1), 4);
            __m256i t01 = _mm256_i32gather_epi32(texels, _mm256_or_si256(y1, x0), 4);
            __m256i t11 = _mm256_i32gather_epi32(texels, _mm256_or_si256(y1, x1), 4);
            __m256i rb = Mix2(Mix2(t00, t10, fu, gu), Mix2(t01, t11, fu, gu), fv, gv);
            __m256i ag = Mix2(Mix2(_mm256_srli_epi32(t00, 8), _mm256_srli_epi32(t10, 8), fu, gu),
                              Mix2(_mm256_srli_epi32(t01, 8), _mm256_srli_epi32(t11, 8), fu, gu), fv, gv);
            __m256i alpha = _mm256_srli_epi32(ag, 16);
            __m256i alphaOk = _mm256_cmpeq_epi32(alpha, opaque);
            if (!_mm256_testz_si256(_mm256_andnot_si256(fail, _mm256_cmpeq_epi32(alphaOk, _mm256_setzero_si256())),
                                    _mm256_set1_epi32(-1)))
                break;
            // The filtered colour to the dither-ready form, then RGB565.
            __m256i red = _mm256_srli_epi32(rb, 16), blue = _mm256_and_si256(rb, byte), green = _mm256_and_si256(ag, byte);
            __m256i rq = Div255(_mm256_add_epi32(_mm256_mullo_epi32(red, _mm256_set1_epi32(248)), _mm256_set1_epi32(127)));
            __m256i gq = Div255(_mm256_add_epi32(_mm256_mullo_epi32(green, _mm256_set1_epi32(252)), _mm256_set1_epi32(127)));
            __m256i bq = Div255(_mm256_add_epi32(_mm256_mullo_epi32(blue, _mm256_set1_epi32(248)), _mm256_set1_epi32(127)));
            __m256i p = _mm256_add_epi32(_mm256_or_si256(_mm256_or_si256(rq, _mm256_slli_epi32(gq, 8)), _mm256_slli_epi32(bq, 16)), dither);
            StoreEight(r, x, p, zq, fail, failBits);
        }
        zv = _mm256_add_epi32(zv, zStep);
        uv = _mm256_add_epi32(uv, uStep);
        vv = _mm256_add_epi32(vv, vStep);
    }
    return done;
}

__attribute__((target("avx2"))) void WideAffineTriangle(const TriangleSetup& t, const WideTriangle& w) {
    const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i wmask = _mm256_set1_epi32(static_cast<int32_t>(w.wmask));
    const __m256i hmask = _mm256_set1_epi32(static_cast<int32_t>(w.hmask));
    const __m128i wshift = _mm_cvtsi32_si128(w.wshift);
    const __m256i rMask = _mm256_set1_epi32(0xF8), gMask = _mm256_set1_epi32(0x7E0), bMask = _mm256_set1_epi32(0x1F);
    const __m256i zLane = _mm256_mullo_epi32(lane, _mm256_set1_epi32(static_cast<int32_t>(w.dzx)));
    const __m256i uLane = _mm256_mullo_epi32(lane, _mm256_set1_epi32(static_cast<int32_t>(w.dux)));
    const __m256i vLane = _mm256_mullo_epi32(lane, _mm256_set1_epi32(static_cast<int32_t>(w.dvx)));
    const __m256i zStep = _mm256_set1_epi32(static_cast<int32_t>(w.dzx * 8));
    const __m256i uStep = _mm256_set1_epi32(static_cast<int32_t>(w.dux * 8));
    const __m256i vStep = _mm256_set1_epi32(static_cast<int32_t>(w.dvx * 8));
    const int64_t uWrap = (int64_t(w.wmask) + 1) * 65536 - 1, vWrap = (int64_t(w.hmask) + 1) * 65536 - 1;
    const int32_t first = std::max(t.minY, w.rowBegin), last = std::min(t.maxY, w.rowEnd - 1);
    if (first > last) return;
    int64_t zRow = w.z + w.dzy * (first - t.minY), uRow = w.u + w.duy * (first - t.minY);
    int64_t vRow = w.v + w.dvy * (first - t.minY);
    for (RowWalker rows(t, first); rows.Row() <= last; rows.Next(), zRow += w.dzy, uRow += w.duy, vRow += w.dvy) {
        const int32_t y = rows.Row();
        int32_t x0, x1;
        if (!rows.Span(&x0, &x1)) continue;
        uint16_t* dst = w.pixels + int64_t(y) * w.pitch;
        uint16_t* zb = w.depth + int64_t(y) * w.depthPitch;
        const int64_t k = x0 - t.minX;
        int64_t z = zRow + w.dzx * k;
        z = z < 0 ? 0 : (z > int64_t(0xFFFFFFFF) ? int64_t(0xFFFFFFFF) : z);
        __m256i zv = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int32_t>(static_cast<uint32_t>(z))), zLane);
        __m256i uv = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int32_t>((uRow + w.dux * k) & uWrap)), uLane);
        __m256i vv = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int32_t>((vRow + w.dvx * k) & vWrap)), vLane);
        const __m256i pattern = DitherTwice(w.dither[y & 3]);
        const __m256i dither = _mm256_permutevar8x32_epi32(
            pattern, _mm256_and_si256(_mm256_add_epi32(lane, _mm256_set1_epi32(x0 & 3)), _mm256_set1_epi32(3)));
        const __m256i end = _mm256_set1_epi32(x1);
        int32_t x = x0;
        for (; x < x1 && x + 8 <= w.width; x += 8) {
            __m256i zq = _mm256_srli_epi32(zv, 16);
            __m256i fail = _mm256_cmpgt_epi32(end, _mm256_add_epi32(_mm256_set1_epi32(x), lane));
            fail = _mm256_xor_si256(fail, _mm256_set1_epi32(-1));  // lanes past the span
            if (w.test) {
                __m256i zbv = _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(zb + x)));
                fail = _mm256_or_si256(fail, _mm256_cmpgt_epi32(zq, zbv));
            }
            int32_t failBits = _mm256_movemask_epi8(fail);
            if (failBits != -1) {
                __m256i col = _mm256_and_si256(_mm256_srai_epi32(uv, 16), wmask);
                __m256i row = _mm256_sll_epi32(_mm256_and_si256(_mm256_srai_epi32(vv, 16), hmask), wshift);
                __m256i tx = _mm256_i32gather_epi32(reinterpret_cast<const int*>(w.packed), _mm256_or_si256(row, col), 4);
                __m256i p = _mm256_add_epi32(tx, dither);
                __m256i c = _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi32(_mm256_and_si256(p, rMask), 8),
                                                            _mm256_and_si256(_mm256_srli_epi32(p, 5), gMask)),
                                            _mm256_and_si256(_mm256_srli_epi32(p, 19), bMask));
                __m128i c16 = _mm256_castsi256_si128(_mm256_permute4x64_epi64(_mm256_packus_epi32(c, c), 0x08));
                __m128i z16 = _mm256_castsi256_si128(_mm256_permute4x64_epi64(_mm256_packus_epi32(zq, zq), 0x08));
                __m128i* dp = reinterpret_cast<__m128i*>(dst + x);
                __m128i* zp = reinterpret_cast<__m128i*>(zb + x);
                if (failBits == 0) {
                    _mm_storeu_si128(dp, c16);
                    if (w.write) _mm_storeu_si128(zp, z16);
                } else {
                    __m128i keep = _mm256_castsi256_si128(_mm256_permute4x64_epi64(_mm256_packs_epi32(fail, fail), 0x08));
                    _mm_storeu_si128(dp, _mm_blendv_epi8(c16, _mm_loadu_si128(dp), keep));
                    if (w.write) _mm_storeu_si128(zp, _mm_blendv_epi8(z16, _mm_loadu_si128(zp), keep));
                }
            }
            zv = _mm256_add_epi32(zv, zStep);
            uv = _mm256_add_epi32(uv, uStep);
            vv = _mm256_add_epi32(vv, vStep);
        }
        // The last pixels of the target's rows, one by one.
        for (int32_t i = 0; x < x1; ++x, ++i) {
            uint32_t zq = static_cast<uint32_t>(_mm256_extract_epi32(zv, 0)) + uint32_t(w.dzx) * uint32_t(i);
            zq >>= 16;
            if (w.test && zq > zb[x]) continue;
            int32_t u = _mm256_extract_epi32(uv, 0) + int32_t(w.dux) * i, v = _mm256_extract_epi32(vv, 0) + int32_t(w.dvx) * i;
            uint32_t idx = ((uint32_t(v >> 16) & w.hmask) << w.wshift) | (uint32_t(u >> 16) & w.wmask);
            uint32_t p = w.packed[idx] + w.dither[y & 3][x & 3];
            dst[x] = static_cast<uint16_t>(((p & 0xF8u) << 8) | ((p >> 5) & 0x7E0u) | ((p >> 19) & 0x1Fu));
            if (w.write) zb[x] = static_cast<uint16_t>(zq);
        }
    }
}


namespace {

// p.base + p.dx * (x - ox) + p.dy * (y - oy) for eight x, in the order the
// reference path evaluates it; dy is p.dy * (y - oy).
__attribute__((target("avx2"), always_inline)) inline __m256 PlaneLanes(__m256 base, __m256 dx, __m256 dxo, __m256 dy) {
    return _mm256_add_ps(_mm256_add_ps(base, _mm256_mul_ps(dx, dxo)), dy);
}

// (a * (256 - f) + b * f + 128) >> 8 in each 16-bit half: one 8-bit channel
// pair of a bilinear step, rounded as the reference rounds it.
__attribute__((target("avx2"), always_inline)) inline __m256i Lerp16(__m256i a, __m256i b, __m256i f, __m256i g) {
    __m256i s = _mm256_add_epi16(_mm256_mullo_epi16(a, g), _mm256_mullo_epi16(b, f));
    return _mm256_srli_epi16(_mm256_add_epi16(s, _mm256_set1_epi16(128)), 8);
}

// (pdx * rhw - a * rdx) * r2 * size: a texture coordinate's screen slope.
__attribute__((target("avx2"), always_inline)) inline __m256 Slope(float pdx, float rdx, __m256 rhw, __m256 a, __m256 r2,
                                                                   __m256 size) {
    __m256 s = _mm256_sub_ps(_mm256_mul_ps(_mm256_set1_ps(pdx), rhw), _mm256_mul_ps(a, _mm256_set1_ps(rdx)));
    return _mm256_mul_ps(_mm256_mul_ps(s, r2), size);
}

// Two channels (at bits shift and shift + 16) of four texels mixed by the
// weights f (and g = 256 - f) along u, then along v.
__attribute__((target("avx2"), always_inline)) inline __m256i Bilinear8(__m256i t00, __m256i t10, __m256i t01, __m256i t11,
                                                                        int shift, __m256i fu, __m256i gu, __m256i fv,
                                                                        __m256i gv) {
    const __m256i low = _mm256_set1_epi32(0x00FF00FF);
    const __m128i n = _mm_cvtsi32_si128(shift);
    t00 = _mm256_and_si256(_mm256_srl_epi32(t00, n), low);
    t10 = _mm256_and_si256(_mm256_srl_epi32(t10, n), low);
    t01 = _mm256_and_si256(_mm256_srl_epi32(t01, n), low);
    t11 = _mm256_and_si256(_mm256_srl_epi32(t11, n), low);
    __m256i top = Lerp16(t00, t10, fu, gu), bottom = Lerp16(t01, t11, fu, gu);
    return Lerp16(top, bottom, fv, gv);
}

// The texels at index i and i + 1 of each lane, read as one pair: half as
// many reads as two gathers of single texels (the texture keeps a texel
// more after its last, see SoftTexture::ARGB).
__attribute__((target("avx2"), always_inline)) inline void TexelPairs(const int* texels, __m256i index,
                                                                      __m256i* first, __m256i* next) {
    const long long* base = reinterpret_cast<const long long*>(texels);
    const __m256 low = _mm256_castsi256_ps(_mm256_i32gather_epi64(base, _mm256_castsi256_si128(index), 4));
    const __m256 high =
        _mm256_castsi256_ps(_mm256_i32gather_epi64(base, _mm256_extracti128_si256(index, 1), 4));
    // The shuffles leave lanes 0, 1, 4, 5 in the low half and 2, 3, 6, 7 in
    // the high one: the permute puts them back in order.
    *first = _mm256_permute4x64_epi64(
        _mm256_castps_si256(_mm256_shuffle_ps(low, high, _MM_SHUFFLE(2, 0, 2, 0))), 0xD8);
    *next = _mm256_permute4x64_epi64(
        _mm256_castps_si256(_mm256_shuffle_ps(low, high, _MM_SHUFFLE(3, 1, 3, 1))), 0xD8);
}

// (c * k + 127) / 255: an 8-bit channel to the fixed point of its RGB565
// field, exactly. c * k + 127 stays below 2^16, so a 16-bit multiply does.
__attribute__((target("avx2"), always_inline)) inline __m256i ToField(__m256i c, int32_t k) {
    __m256i x = _mm256_add_epi32(_mm256_mullo_epi16(c, _mm256_set1_epi32(k)), _mm256_set1_epi32(127));
    return _mm256_srli_epi32(_mm256_add_epi32(_mm256_add_epi32(x, _mm256_set1_epi32(1)), _mm256_srli_epi32(x, 8)), 8);
}

// ToField on both 16-bit halves at once (8-bit channels in each): c * k +
// 127 and the sums of the division stay below 2^16.
__attribute__((target("avx2"), always_inline)) inline __m256i ToField16(__m256i c, int16_t k) {
    const __m256i x = _mm256_add_epi16(_mm256_mullo_epi16(c, _mm256_set1_epi16(k)), _mm256_set1_epi16(127));
    return _mm256_srli_epi16(
        _mm256_add_epi16(_mm256_add_epi16(x, _mm256_set1_epi16(1)), _mm256_srli_epi16(x, 8)), 8);
}

// The body of WidePerspectiveTriangle, compiled twice: for AVX2 and, where
// the processor has them, with the AVX-512 registers and encodings (twice
// as many vector registers: the loop's constants stay in registers). The
// operations are the same in both, so are the pixels.
__attribute__((target("avx2"), always_inline)) inline void PerspectiveRows(const TriangleSetup& t,
                                                                           const WidePerspective& w) {
    const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256 one = _mm256_set1_ps(1.0f), zero = _mm256_setzero_ps();
    const auto [ox, zBase, zDx, rBase, rDx, uBase, uDx, vBase, vDx] = PlanesOf(t);
    const __m256 texW = _mm256_set1_ps(float(w.wmask + 1)), texH = _mm256_set1_ps(float(w.hmask + 1));
    const __m256 k65535 = _mm256_set1_ps(65535.0f), half = _mm256_set1_ps(0.5f), k256 = _mm256_set1_ps(256.0f);
    // Below 2^22 texels, float products, halves and floors are exact.
    const __m256 limit = _mm256_set1_ps(4194304.0f);
    const __m256 absMask = _mm256_castsi256_ps(_mm256_set1_epi32(0x7FFFFFFF));
    const __m256i wmask = _mm256_set1_epi32(int32_t(w.wmask)), hmask = _mm256_set1_epi32(int32_t(w.hmask));
    const __m128i wshift = _mm_cvtsi32_si128(w.wshift);
    const __m256i all = _mm256_set1_epi32(-1), opaque = _mm256_set1_epi32(255);
    const __m256i alphaRef = _mm256_set1_epi32(int32_t(w.alphaRef));
    const __m256i rMask = _mm256_set1_epi32(0xF8), gMask = _mm256_set1_epi32(0x7E0), bMask = _mm256_set1_epi32(0x1F);
    const __m256i byte = _mm256_set1_epi32(0xFF), w256 = _mm256_set1_epi32(0x01000100);
    const int* packed = reinterpret_cast<const int*>(w.packed);
    const int* texels = reinterpret_cast<const int*>(w.argb);
    const int32_t first = std::max(t.minY, w.rowBegin), last = std::min(t.maxY, w.rowEnd - 1);
    if (first > last) return;
    for (RowWalker rows(t, first); rows.Row() <= last; rows.Next()) {
        const int32_t y = rows.Row();
        int32_t x0, x1;
        if (!rows.Span(&x0, &x1)) continue;
        uint16_t* dst = w.pixels + int64_t(y) * w.pitch;
        uint16_t* zb = w.depth + int64_t(y) * w.depthPitch;
        const auto [zDy, rDyo, uDyo, vDyo] = RowPlanesOf(t, y);
        const __m256i pattern = DitherTwice(w.dither[y & 3]);
        __m256i dither = _mm256_permutevar8x32_epi32(
            pattern, _mm256_and_si256(_mm256_add_epi32(lane, _mm256_set1_epi32(x0 & 3)), _mm256_set1_epi32(3)));
        const __m256i lastX = _mm256_set1_epi32(x1 - 1);
        int32_t x = x0;
        for (int32_t next = x0; next < x1 && w.width >= 8; next += 8) {
            // A group that would cross the target's right edge is moved back
            // to end there; its lanes before the span's next pixel are left
            // as they are. Every lane's result depends on its pixel alone.
            x = std::min(next, w.width - 8);
            if (x != next)
                dither = _mm256_permutevar8x32_epi32(
                    pattern, _mm256_and_si256(_mm256_add_epi32(lane, _mm256_set1_epi32(x & 3)), _mm256_set1_epi32(3)));
            const __m256i xi = _mm256_add_epi32(_mm256_set1_epi32(x), lane);
            const __m256 dxo = _mm256_sub_ps(_mm256_cvtepi32_ps(xi), ox);
            const __m256 z = PlaneLanes(zBase, zDx, dxo, zDy);
            const __m256i zq =
                _mm256_cvttps_epi32(_mm256_add_ps(_mm256_mul_ps(_mm256_min_ps(_mm256_max_ps(z, zero), one), k65535), half));
            __m256i fail = _mm256_or_si256(_mm256_cmpgt_epi32(xi, lastX), _mm256_cmpgt_epi32(_mm256_set1_epi32(next), xi));
            if (w.test) {
                __m256i zbv = _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(zb + x)));
                fail = _mm256_or_si256(fail, _mm256_cmpgt_epi32(zq, zbv));
            }
            if (_mm256_movemask_epi8(fail) == -1) continue;  // hidden: no texel is read
            const __m256 rhw = PlaneLanes(rBase, rDx, dxo, rDyo);
            const __m256 ur = PlaneLanes(uBase, uDx, dxo, uDyo), vr = PlaneLanes(vBase, vDx, dxo, vDyo);
            const __m256 inv = _mm256_div_ps(one, rhw);
            const __m256 fu = _mm256_mul_ps(_mm256_mul_ps(ur, inv), texW);
            const __m256 fv = _mm256_mul_ps(_mm256_mul_ps(vr, inv), texH);
            const __m256 inRange = _mm256_and_ps(_mm256_cmp_ps(_mm256_and_ps(fu, absMask), limit, _CMP_LT_OQ),
                                                 _mm256_cmp_ps(_mm256_and_ps(fv, absMask), limit, _CMP_LT_OQ));
            __m256i bad = _mm256_xor_si256(_mm256_castps_si256(inRange), all);
            const __m256i iu = _mm256_and_si256(_mm256_cvttps_epi32(_mm256_floor_ps(fu)), wmask);
            const __m256i iv = _mm256_and_si256(_mm256_cvttps_epi32(_mm256_floor_ps(fv)), hmask);
            __m256i p = _mm256_setzero_si256(), alpha = _mm256_setzero_si256();
            __m256i mag = _mm256_setzero_si256();
            bool anyMagnified = false, allMagnified = false;
            if (w.magLinear) {
                // Magnified where no screen step moves more than one texel.
                const __m256 r2 = _mm256_div_ps(one, _mm256_mul_ps(rhw, rhw));
                const __m256 dudx = Slope(t.ur.dx, t.rhw.dx, rhw, ur, r2, texW);
                const __m256 dvdx = Slope(t.vr.dx, t.rhw.dx, rhw, vr, r2, texH);
                const __m256 dudy = Slope(t.ur.dy, t.rhw.dy, rhw, ur, r2, texW);
                const __m256 dvdy = Slope(t.vr.dy, t.rhw.dy, rhw, vr, r2, texH);
                const __m256 sx = _mm256_add_ps(_mm256_mul_ps(dudx, dudx), _mm256_mul_ps(dvdx, dvdx));
                const __m256 sy = _mm256_add_ps(_mm256_mul_ps(dudy, dudy), _mm256_mul_ps(dvdy, dvdy));
                const __m256 most = _mm256_blendv_ps(sx, sy, _mm256_cmp_ps(sx, sy, _CMP_LT_OQ));
                mag = _mm256_castps_si256(_mm256_cmp_ps(most, one, _CMP_LE_OQ));
                const __m256i live = _mm256_andnot_si256(fail, all);
                anyMagnified = !_mm256_testz_si256(mag, live);
                allMagnified = _mm256_testc_si256(mag, live);
            }
            if (!allMagnified) {
                p = _mm256_i32gather_epi32(packed, _mm256_or_si256(_mm256_sll_epi32(iv, wshift), iu), 4);
                alpha = _mm256_srli_epi32(p, 24);
            }
            {
                if (anyMagnified) {
                    // 8-bit weights and texel positions from 256 times the
                    // coordinate moved back by half a texel.
                    const __m256i bu = _mm256_cvttps_epi32(_mm256_floor_ps(_mm256_mul_ps(_mm256_sub_ps(fu, half), k256)));
                    const __m256i bv = _mm256_cvttps_epi32(_mm256_floor_ps(_mm256_mul_ps(_mm256_sub_ps(fv, half), k256)));
                    const __m256i u0 = _mm256_and_si256(_mm256_srai_epi32(bu, 8), wmask);
                    const __m256i v0i = _mm256_and_si256(_mm256_srai_epi32(bv, 8), hmask);
                    const __m256i v1i = _mm256_and_si256(_mm256_add_epi32(v0i, _mm256_set1_epi32(1)), hmask);
                    const __m256i r0 = _mm256_sll_epi32(v0i, wshift), r1 = _mm256_sll_epi32(v1i, wshift);
                    __m256i fu8 = _mm256_and_si256(bu, byte), fv8 = _mm256_and_si256(bv, byte);
                    fu8 = _mm256_or_si256(fu8, _mm256_slli_epi32(fu8, 16));
                    fv8 = _mm256_or_si256(fv8, _mm256_slli_epi32(fv8, 16));
                    const __m256i gu = _mm256_sub_epi16(w256, fu8), gv = _mm256_sub_epi16(w256, fv8);
                    __m256i t00, t10, t01, t11;
                    TexelPairs(texels, _mm256_or_si256(r0, u0), &t00, &t10);
                    TexelPairs(texels, _mm256_or_si256(r1, u0), &t01, &t11);
                    // At the right edge the next texel is the row's first.
                    const __m256i wrap = _mm256_cmpeq_epi32(u0, wmask);
                    if (!_mm256_testz_si256(wrap, wrap)) {
                        t10 = _mm256_mask_i32gather_epi32(t10, texels, r0, wrap, 4);
                        t11 = _mm256_mask_i32gather_epi32(t11, texels, r1, wrap, 4);
                    }
                    const __m256i rb = Bilinear8(t00, t10, t01, t11, 0, fu8, gu, fv8, gv);
                    const __m256i ag = Bilinear8(t00, t10, t01, t11, 8, fu8, gu, fv8, gv);
                    // Red and blue side by side in 16-bit halves, then in
                    // the order of the dither-ready form.
                    const __m256i rbq = ToField16(rb, 248);
                    const __m256i green = _mm256_and_si256(ag, byte);
                    const __m256i filtered =
                        _mm256_or_si256(_mm256_or_si256(_mm256_srli_epi32(rbq, 16),
                                                        _mm256_slli_epi32(ToField(green, 252), 8)),
                                        _mm256_slli_epi32(rbq, 16));
                    p = _mm256_blendv_epi8(p, filtered, mag);
                    alpha = _mm256_blendv_epi8(alpha, _mm256_srli_epi32(ag, 16), mag);
                }
            }
            // Translucent texels and coordinates out of range: shaded in full.
            __m256i dropped = _mm256_setzero_si256();
            if (!w.opaqueTexels) {
                if (w.alphaTest) dropped = _mm256_xor_si256(_mm256_cmpgt_epi32(alpha, alphaRef), all);
                const __m256i translucent = _mm256_xor_si256(_mm256_cmpeq_epi32(alpha, opaque), all);
                bad = _mm256_or_si256(bad, _mm256_andnot_si256(dropped, translucent));
            }
            bad = _mm256_andnot_si256(fail, bad);
            const __m256i skip = _mm256_or_si256(_mm256_or_si256(fail, bad), dropped);
            const int32_t skipBits = _mm256_movemask_epi8(skip);
            if (skipBits != -1) {
                p = _mm256_add_epi32(p, dither);
                __m256i c = _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi32(_mm256_and_si256(p, rMask), 8),
                                                            _mm256_and_si256(_mm256_srli_epi32(p, 5), gMask)),
                                            _mm256_and_si256(_mm256_srli_epi32(p, 19), bMask));
                __m128i c16 = _mm256_castsi256_si128(_mm256_permute4x64_epi64(_mm256_packus_epi32(c, c), 0x08));
                __m128i z16 = _mm256_castsi256_si128(_mm256_permute4x64_epi64(_mm256_packus_epi32(zq, zq), 0x08));
                __m128i* dp = reinterpret_cast<__m128i*>(dst + x);
                __m128i* zp = reinterpret_cast<__m128i*>(zb + x);
                if (skipBits == 0) {
                    _mm_storeu_si128(dp, c16);
                    if (w.write) _mm_storeu_si128(zp, z16);
                } else {
                    __m128i keep = _mm256_castsi256_si128(_mm256_permute4x64_epi64(_mm256_packs_epi32(skip, skip), 0x08));
                    _mm_storeu_si128(dp, _mm_blendv_epi8(c16, _mm_loadu_si128(dp), keep));
                    if (w.write) _mm_storeu_si128(zp, _mm_blendv_epi8(z16, _mm_loadu_si128(zp), keep));
                }
            }
            if (int32_t slowBits = _mm256_movemask_ps(_mm256_castsi256_ps(bad)))
                for (int32_t i = 0; i < 8; ++i)
                    if (slowBits & (1 << i)) w.slow(w.context, x + i, y);
        }
        // Targets narrower than a group: one by one.
        if (w.width < 8)
            for (x = x0; x < x1; ++x) w.slow(w.context, x, y);
    }
}

__attribute__((target("avx2"))) void PerspectiveAvx2(const TriangleSetup& t, const WidePerspective& w) {
    PerspectiveRows(t, w);
}

__attribute__((target("avx2,avx512f,avx512vl,avx512bw,avx512dq"))) void
PerspectiveAvx512(const TriangleSetup& t, const WidePerspective& w) {
    PerspectiveRows(t, w);
}

std::atomic<bool> gWide512{true};

bool Wide512Available() {
    static const bool available = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
                                  __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512dq");
    return available;
}

} // namespace

bool Wide512On() {
    return gWide512.load(std::memory_order_relaxed) && Wide512Available();
}
void SetWide512(bool on) {
    gWide512.store(on, std::memory_order_relaxed);
}

void WidePerspectiveTriangle(const TriangleSetup& t, const WidePerspective& w) {
    if (Wide512On())
        PerspectiveAvx512(t, w);
    else
        PerspectiveAvx2(t, w);
}

namespace {

// (x + 1 + (x >> 8)) >> 8 is x / 255 for 0 <= x < 65535.
__attribute__((target("avx2"), always_inline)) inline __m256i Over255(__m256i x) {
    return _mm256_srli_epi32(_mm256_add_epi32(_mm256_add_epi32(x, _mm256_set1_epi32(1)), _mm256_srli_epi32(x, 8)), 8);
}

// The plain loop's Mix2: two channels (bits 0..7 and 16..23) of a and b
// mixed by f / 256 without rounding; f and g = 256 - f in both halves.
__attribute__((target("avx2"), always_inline)) inline __m256i MixTwo(__m256i a, __m256i b, __m256i f, __m256i g) {
    const __m256i m = _mm256_set1_epi32(0x00FF00FF);
    __m256i s = _mm256_add_epi16(_mm256_mullo_epi16(_mm256_and_si256(a, m), g), _mm256_mullo_epi16(_mm256_and_si256(b, m), f));
    return _mm256_srli_epi16(s, 8);
}

// One 8-bit channel fogged: c * f + fog * k + 0.5, truncated.
__attribute__((target("avx2"), always_inline)) inline __m256i FogChannel(__m256i c, __m256 f, __m256 fogK) {
    __m256 v = _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(_mm256_cvtepi32_ps(c), f), fogK), _mm256_set1_ps(0.5f));
    return _mm256_cvttps_epi32(v);
}

// (c * a + d * (255 - a) + 127) / 255. Every factor is below 256 in its
// lane's low half, so each product fits the 16-bit multiply exactly (as in
// the packing and the alpha factor below).
__attribute__((target("avx2"), always_inline)) inline __m256i MixChannel(__m256i c, __m256i d, __m256i a, __m256i na) {
    return Over255(_mm256_add_epi32(_mm256_add_epi32(_mm256_mullo_epi16(c, a), _mm256_mullo_epi16(d, na)),
                                    _mm256_set1_epi32(127)));
}

// Eight 8-bit colours (alpha a, pixels' 1/w in rhw) fogged, mixed with the
// target's pixels d and packed to RGB565 with the dither, as FoggedBlend.
__attribute__((target("avx2"), always_inline)) inline __m256i FogMixPack(const WideBlend& b, __m256i r, __m256i g,
                                                                         __m256i bl, __m256i a, __m256 rhw, __m256i d,
                                                                         __m256i dither) {
    if (b.fog) {
        const __m256 one = _mm256_set1_ps(1.0f);
        const __m256 w = _mm256_div_ps(one, rhw);
        __m256 f = _mm256_div_ps(_mm256_sub_ps(_mm256_set1_ps(b.fogEnd), w), _mm256_set1_ps(b.fogRange));
        f = _mm256_max_ps(f, _mm256_setzero_ps());  // a NaN becomes 0 as well
        f = _mm256_min_ps(f, one);
        const __m256 k = _mm256_sub_ps(one, f);
        r = FogChannel(r, f, _mm256_mul_ps(_mm256_set1_ps(float(b.fogR)), k));
        g = FogChannel(g, f, _mm256_mul_ps(_mm256_set1_ps(float(b.fogG)), k));
        bl = FogChannel(bl, f, _mm256_mul_ps(_mm256_set1_ps(float(b.fogB)), k));
    }
    // The mix with alpha 255 leaves the colour as it is, so every lane mixes.
    const __m256i na = _mm256_sub_epi32(_mm256_set1_epi32(255), a);
    const __m256i dr = _mm256_and_si256(_mm256_srli_epi32(d, 11), _mm256_set1_epi32(31));
    const __m256i dg = _mm256_and_si256(_mm256_srli_epi32(d, 5), _mm256_set1_epi32(63));
    const __m256i db = _mm256_and_si256(d, _mm256_set1_epi32(31));
    r = MixChannel(r, _mm256_or_si256(_mm256_slli_epi32(dr, 3), _mm256_srli_epi32(dr, 2)), a, na);
    g = MixChannel(g, _mm256_or_si256(_mm256_slli_epi32(dg, 2), _mm256_srli_epi32(dg, 4)), a, na);
    bl = MixChannel(bl, _mm256_or_si256(_mm256_slli_epi32(db, 3), _mm256_srli_epi32(db, 2)), a, na);
    const __m256i k127 = _mm256_set1_epi32(127);
    const __m256i rq = Over255(_mm256_add_epi32(_mm256_mullo_epi16(r, _mm256_set1_epi32(248)), k127));
    const __m256i gq = Over255(_mm256_add_epi32(_mm256_mullo_epi16(g, _mm256_set1_epi32(252)), k127));
    const __m256i bq = Over255(_mm256_add_epi32(_mm256_mullo_epi16(bl, _mm256_set1_epi32(248)), k127));
    const __m256i p =
        _mm256_add_epi32(_mm256_or_si256(_mm256_or_si256(rq, _mm256_slli_epi32(gq, 8)), _mm256_slli_epi32(bq, 16)), dither);
    return _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi32(_mm256_and_si256(p, _mm256_set1_epi32(0xF8)), 8),
                                           _mm256_and_si256(_mm256_srli_epi32(p, 5), _mm256_set1_epi32(0x7E0))),
                           _mm256_and_si256(_mm256_srli_epi32(p, 19), _mm256_set1_epi32(0x1F)));
}

// The colours c (RGB565 in 32-bit lanes) and depths zq of eight pixels into
// the run, but for the lanes in skip.
__attribute__((target("avx2"), always_inline)) inline void StoreBlended(const WideBlend& b, int32_t x, __m256i c, __m256i zq,
                                                                        __m256i skip, int32_t skipBits) {
    __m128i c16 = _mm256_castsi256_si128(_mm256_permute4x64_epi64(_mm256_packus_epi32(c, c), 0x08));
    __m128i z16 = _mm256_castsi256_si128(_mm256_permute4x64_epi64(_mm256_packus_epi32(zq, zq), 0x08));
    __m128i* dp = reinterpret_cast<__m128i*>(b.dst + x);
    __m128i* zp = reinterpret_cast<__m128i*>(b.depth + x);
    if (skipBits == 0) {
        _mm_storeu_si128(dp, c16);
        if (b.write) _mm_storeu_si128(zp, z16);
    } else {
        __m128i keep = _mm256_castsi256_si128(_mm256_permute4x64_epi64(_mm256_packs_epi32(skip, skip), 0x08));
        _mm_storeu_si128(dp, _mm_blendv_epi8(c16, _mm_loadu_si128(dp), keep));
        if (b.write) _mm_storeu_si128(zp, _mm_blendv_epi8(z16, _mm_loadu_si128(zp), keep));
    }
}

// base + i * step in lane i, wrapping.
__attribute__((target("avx2"), always_inline)) inline __m256i LaneSteps(uint32_t base, uint32_t step) {
    const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    return _mm256_add_epi32(_mm256_set1_epi32(int32_t(base)), _mm256_mullo_epi32(lane, _mm256_set1_epi32(int32_t(step))));
}

template <bool kBilinear>
__attribute__((target("avx2"))) inline int32_t WideBlendRun(const WideBlend& b, int32_t x, int32_t n, uint32_t z, uint32_t dz,
                                                            uint32_t u, uint32_t du, uint32_t v, uint32_t dv) {
    // A last group shorter than eight is drawn with its lanes past the run
    // left alone, where the row has room for all eight.
    const int32_t groups = x + (n + 7) / 8 * 8 <= b.rowLength ? (n + 7) / 8 : n / 8;
    const int32_t end = x + n;
    const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    __m256i zv = LaneSteps(z, dz), uv = LaneSteps(u, du), vv = LaneSteps(v, dv);
    const __m256i zStep = _mm256_set1_epi32(int32_t(dz * 8u)), uStep = _mm256_set1_epi32(int32_t(du * 8u));
    const __m256i vStep = _mm256_set1_epi32(int32_t(dv * 8u));
    const __m256i all = _mm256_set1_epi32(-1), byte = _mm256_set1_epi32(0xFF);
    const __m256i wmask = _mm256_set1_epi32(int32_t(b.wmask)), hmask = _mm256_set1_epi32(int32_t(b.hmask));
    const __m256i rowMask = _mm256_set1_epi32(int32_t(b.hmask << b.wshift));
    const __m128i wshift = _mm_cvtsi32_si128(b.wshift);
    const __m256i factor = _mm256_set1_epi32(int32_t(b.factorAlpha)), alphaRef = _mm256_set1_epi32(int32_t(b.alphaRef));
    const __m256i pattern = _mm256_setr_epi32(int32_t(b.dither[0]), int32_t(b.dither[1]), int32_t(b.dither[2]),
                                              int32_t(b.dither[3]), int32_t(b.dither[0]), int32_t(b.dither[1]),
                                              int32_t(b.dither[2]), int32_t(b.dither[3]));
    const __m256i dither =
        _mm256_permutevar8x32_epi32(pattern, _mm256_and_si256(_mm256_add_epi32(lane, _mm256_set1_epi32(x & 3)), _mm256_set1_epi32(3)));
    const __m256 rhw0 = _mm256_set1_ps(b.rhw), drhw = _mm256_set1_ps(b.drhw);
    const int* packed = reinterpret_cast<const int*>(b.packed);
    const int* texels = reinterpret_cast<const int*>(b.argb);
    for (int32_t done = 0; done < groups; ++done, x += 8, zv = _mm256_add_epi32(zv, zStep), uv = _mm256_add_epi32(uv, uStep),
                 vv = _mm256_add_epi32(vv, vStep)) {
        const __m256i zq = _mm256_srli_epi32(zv, 16);
        __m256i skip = _mm256_setzero_si256();
        if (x + 8 > end) skip = _mm256_cmpgt_epi32(_mm256_add_epi32(_mm256_set1_epi32(x + 1 - end), lane), _mm256_setzero_si256());
        if (b.test) {
            const __m256i zb = _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(b.depth + x)));
            skip = _mm256_or_si256(skip, _mm256_cmpgt_epi32(zq, zb));
            if (_mm256_movemask_epi8(skip) == -1) continue;  // hidden: no texel is read
        }
        __m256i texel, alpha;
        if (kBilinear) {
            const __m256i one = _mm256_set1_epi32(1), w256 = _mm256_set1_epi32(0x01000100);
            const __m256i x0 = _mm256_and_si256(_mm256_srli_epi32(uv, 16), wmask);
            const __m256i x1 = _mm256_and_si256(_mm256_add_epi32(x0, one), wmask);
            const __m256i y0i = _mm256_and_si256(_mm256_srli_epi32(vv, 16), hmask);
            const __m256i y1 = _mm256_sll_epi32(_mm256_and_si256(_mm256_add_epi32(y0i, one), hmask), wshift);
            const __m256i y0 = _mm256_sll_epi32(y0i, wshift);
            __m256i fu = _mm256_and_si256(_mm256_srli_epi32(uv, 8), byte);
            __m256i fv = _mm256_and_si256(_mm256_srli_epi32(vv, 8), byte);
            fu = _mm256_or_si256(fu, _mm256_slli_epi32(fu, 16));
            fv = _mm256_or_si256(fv, _mm256_slli_epi32(fv, 16));
            const __m256i gu = _mm256_sub_epi16(w256, fu), gv = _mm256_sub_epi16(w256, fv);
            const __m256i t00 = _mm256_i32gather_epi32(texels, _mm256_or_si256(y0, x0), 4);
            const __m256i t10 = _mm256_i32gather_epi32(texels, _mm256_or_si256(y0, x1), 4);
            const __m256i t01 = _mm256_i32gather_epi32(texels, _mm256_or_si256(y1, x0), 4);
            const __m256i t11 = _mm256_i32gather_epi32(texels, _mm256_or_si256(y1, x1), 4);
            const __m256i rb = MixTwo(MixTwo(t00, t10, fu, gu), MixTwo(t01, t11, fu, gu), fv, gv);
            const __m256i ag = MixTwo(MixTwo(_mm256_srli_epi32(t00, 8), _mm256_srli_epi32(t10, 8), fu, gu),
                                      MixTwo(_mm256_srli_epi32(t01, 8), _mm256_srli_epi32(t11, 8), fu, gu), fv, gv);
            texel = _mm256_or_si256(rb, _mm256_slli_epi32(ag, 8));
            alpha = _mm256_srli_epi32(ag, 16);
        } else {
            const __m256i idx = _mm256_or_si256(_mm256_and_si256(_mm256_srli_epi32(vv, 16), rowMask),
                                                _mm256_and_si256(_mm256_srli_epi32(uv, 16), wmask));
            texel = _mm256_i32gather_epi32(b.fog ? texels : packed, idx, 4);
            alpha = _mm256_srli_epi32(texel, 24);
        }
        if (b.factorAlpha != 255)
            alpha = Over255(_mm256_add_epi32(_mm256_mullo_epi16(alpha, factor), _mm256_set1_epi32(127)));
        if (b.alphaTest) skip = _mm256_or_si256(skip, _mm256_xor_si256(_mm256_cmpgt_epi32(alpha, alphaRef), all));
        const int32_t skipBits = _mm256_movemask_epi8(skip);
        if (skipBits == -1) continue;
        const __m256i d = _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(b.dst + x)));
        __m256i c;
        if (!kBilinear && !b.fog) {
            // src over d in RGB565 with (a * 32 + 127) / 255 of 32; alpha 255
            // gives 32, which leaves src as it is.
            const __m256i p = _mm256_add_epi32(texel, dither);
            const __m256i src = _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi32(_mm256_and_si256(p, _mm256_set1_epi32(0xF8)), 8),
                                                                 _mm256_and_si256(_mm256_srli_epi32(p, 5), _mm256_set1_epi32(0x7E0))),
                                                _mm256_and_si256(_mm256_srli_epi32(p, 19), _mm256_set1_epi32(0x1F)));
            const __m256i w5 = Over255(_mm256_add_epi32(_mm256_slli_epi32(alpha, 5), _mm256_set1_epi32(127)));
            const __m256i spread = _mm256_set1_epi32(0x07E0F81F);
            const __m256i s = _mm256_and_si256(_mm256_or_si256(src, _mm256_slli_epi32(src, 16)), spread);
            const __m256i dd = _mm256_and_si256(_mm256_or_si256(d, _mm256_slli_epi32(d, 16)), spread);
            __m256i m = _mm256_add_epi32(_mm256_mullo_epi32(s, w5), _mm256_mullo_epi32(dd, _mm256_sub_epi32(_mm256_set1_epi32(32), w5)));
            m = _mm256_and_si256(_mm256_srli_epi32(m, 5), spread);
            c = _mm256_and_si256(_mm256_or_si256(m, _mm256_srli_epi32(m, 16)), _mm256_set1_epi32(0xFFFF));
        } else {
            __m256 rhw = rhw0;
            if (b.fog) {
                const __m256i xi = _mm256_add_epi32(_mm256_set1_epi32(x - b.rhwX), lane);
                rhw = _mm256_add_ps(rhw0, _mm256_mul_ps(drhw, _mm256_cvtepi32_ps(xi)));
            }
            c = FogMixPack(b, _mm256_and_si256(_mm256_srli_epi32(texel, 16), byte),
                           _mm256_and_si256(_mm256_srli_epi32(texel, 8), byte), _mm256_and_si256(texel, byte), alpha, rhw, d,
                           dither);
        }
        StoreBlended(b, x, c, zq, skip, skipBits);
    }
    return std::min(groups * 8, n);
}

}  // namespace

__attribute__((target("avx2"))) int32_t WideBlendPoint(const WideBlend& b, int32_t x, int32_t n, uint32_t z, uint32_t dz,
                                                       uint32_t u, uint32_t du, uint32_t v, uint32_t dv) {
    return WideBlendRun<false>(b, x, n, z, dz, u, du, v, dv);
}

__attribute__((target("avx2"))) int32_t WideBlendBilinear(const WideBlend& b, int32_t x, int32_t n, uint32_t z, uint32_t dz,
                                                          uint32_t u, uint32_t du, uint32_t v, uint32_t dv) {
    return WideBlendRun<true>(b, x, n, z, dz, u, du, v, dv);
}

namespace {

// Which pixels of a triangle may show a texel of alpha above 0 (hull: the
// texture's SoftTexture::Hull). A limit a u + b v <= h on the texel
// coordinates, u = tw U / R and v = th V / R with U = u/w, V = v/w and
// R = 1/w affine on the screen and R > 0, is a U + b V - h R <= 0: a
// half-plane of pixels, so each row keeps the pixels between the largest
// of its lower limits and the least of its upper ones, each a sum down the
// rows. The limits are made in double with a margin above the float
// rounding of the drawing's own coordinates, and widened by a pixel.
struct HullCut {
    enum { kWhole, kNone, kCut } kind = kWhole;
    // x >= low + lowStep (y - oy) and x <= high + highStep (y - oy), one
    // limit a side of the hull at most, the rest far out.
    alignas(32) double low[SoftTexture::kHullSides], lowStep[SoftTexture::kHullSides];
    alignas(32) double high[SoftTexture::kHullSides], highStep[SoftTexture::kHullSides];
};

__attribute__((target("avx2"))) void CutByHull(const TriangleSetup& t, const double* hull, int32_t tw,
                                               int32_t th, HullCut* cut) {
    cut->kind = HullCut::kWhole;
    // The corners from the planes' origin (the first corner), in pixels: an
    // edge from p to q has a = py - qy and b = qx - px in sixteenths.
    const double dxs[3] = {0.0, t.edge[0].b / 16.0, (t.edge[0].b + t.edge[1].b) / 16.0};
    const double dys[3] = {0.0, -t.edge[0].a / 16.0, -(t.edge[0].a + t.edge[1].a) / 16.0};
    auto at = [](const RasterPlane& p, double dx, double dy) {
        return double(p.base) + double(p.dx) * dx + double(p.dy) * dy;
    };
    auto size = [](const RasterPlane& p, double dx, double dy) {
        return std::fabs(double(p.base)) + std::fabs(double(p.dx) * dx) + std::fabs(double(p.dy) * dy);
    };
    // Over the triangle, u and v are largest and least at its corners, and
    // so are the sizes of the planes' terms.
    double uLow = 1e300, uHigh = -1e300, vLow = 1e300, vHigh = -1e300, rMin = 1e300;
    double sizes = 0.0, rSize = 0.0, coord = 0.0;
    for (int32_t i = 0; i < 3; ++i) {
        const double dx = dxs[i], dy = dys[i];
        const double r = at(t.rhw, dx, dy);
        if (!(r > 0.0)) return;
        const double u = at(t.ur, dx, dy) * tw / r, v = at(t.vr, dx, dy) * th / r;
        uLow = std::min(uLow, u), uHigh = std::max(uHigh, u);
        vLow = std::min(vLow, v), vHigh = std::max(vHigh, v);
        rMin = std::min(rMin, r);
        sizes = std::max({sizes, size(t.ur, dx, dy) * tw, size(t.vr, dx, dy) * th});
        rSize = std::max(rSize, size(t.rhw, dx, dy));
        coord = std::max({coord, std::fabs(u), std::fabs(v)});
    }
    if (!(coord < 1e7)) return;
    // Each float sum and product of the drawing is within 2^-24 of its
    // terms; a sixteenth of that bound covers them all, and 1/64 texel the
    // rounding of the weights.
    const double margin = 1e-6 * ((sizes + coord * rSize) / rMin + coord) + 1.0 / 64.0;
    // The hull holds for one width and height of texels and a texel more
    // around: the coordinates are moved by whole widths and heights (the
    // same texels) to lie there, or the triangle is left whole.
    const double su = tw * std::floor((uLow + 0.5 - margin) / tw),
                 sv = th * std::floor((vLow + 0.5 - margin) / th);
    if (!(uHigh - su <= tw + 0.5 - 2.0 * margin && vHigh - sv <= th + 0.5 - 2.0 * margin)) return;
    int32_t lows = 0, highs = 0;
    for (int32_t k = 0; k < SoftTexture::kHullSides; ++k) {
        if (hull[k] < -1e29) {
            cut->kind = HullCut::kNone; // no texel of alpha above 0
            return;
        }
        const double a = SoftTexture::kHullDirections[k][0], b = SoftTexture::kHullDirections[k][1];
        const double h = hull[k] + margin * (std::fabs(a) + std::fabs(b));
        auto g = [&](double u, double v, double r) {
            return a * (tw * u - su * r) + b * (th * v - sv * r) - h * r;
        };
        const double g0 = g(t.ur.base, t.vr.base, t.rhw.base), gx = g(t.ur.dx, t.vr.dx, t.rhw.dx),
                     gy = g(t.ur.dy, t.vr.dy, t.rhw.dy);
        if (gx == 0.0) continue;
        // g0 + gx (x - ox) + gy (y - oy) <= 0.
        const double at0 = double(t.ox) - g0 / gx, step = -gy / gx;
        if (!(std::fabs(at0) < 1e9 && std::fabs(step) < 1e6)) continue;
        if (gx > 0.0)
            cut->high[highs] = at0, cut->highStep[highs++] = step;
        else
            cut->low[lows] = at0, cut->lowStep[lows++] = step;
    }
    for (; lows < SoftTexture::kHullSides; ++lows)
        cut->low[lows] = -1e30, cut->lowStep[lows] = 0.0;
    for (; highs < SoftTexture::kHullSides; ++highs)
        cut->high[highs] = 1e30, cut->highStep[highs] = 0.0;
    cut->kind = HullCut::kCut;
}

// Row y's pixels [*x0, *x1) cut as cut says; false when none may show.
__attribute__((target("avx2"), always_inline)) inline bool CutRow(const HullCut& cut, const TriangleSetup& t,
                                                                  int32_t y, int32_t* x0, int32_t* x1) {
    const __m256d dy = _mm256_set1_pd(double(y) - double(t.oy));
    __m256d lo = _mm256_set1_pd(-1e30), hi = _mm256_set1_pd(1e30);
    for (int32_t i = 0; i < SoftTexture::kHullSides; i += 4) {
        lo = _mm256_max_pd(lo, _mm256_add_pd(_mm256_load_pd(cut.low + i),
                                             _mm256_mul_pd(_mm256_load_pd(cut.lowStep + i), dy)));
        hi = _mm256_min_pd(hi, _mm256_add_pd(_mm256_load_pd(cut.high + i),
                                             _mm256_mul_pd(_mm256_load_pd(cut.highStep + i), dy)));
    }
    __m128d lo2 = _mm_max_pd(_mm256_castpd256_pd128(lo), _mm256_extractf128_pd(lo, 1));
    __m128d hi2 = _mm_min_pd(_mm256_castpd256_pd128(hi), _mm256_extractf128_pd(hi, 1));
    lo2 = _mm_max_sd(lo2, _mm_unpackhi_pd(lo2, lo2));
    hi2 = _mm_min_sd(hi2, _mm_unpackhi_pd(hi2, hi2));
    // A pixel more each way; the row's own ends bound both.
    const double from = std::max(double(*x0), _mm_cvtsd_f64(lo2) - 1.0);
    const double to = std::min(double(*x1 - 1), _mm_cvtsd_f64(hi2) + 1.0);
    if (!(from <= to)) return false;
    const int32_t first = int32_t(std::ceil(from)), last = int32_t(std::floor(to));
    if (first > last) return false;
    *x0 = first, *x1 = last + 1;
    return true;
}

} // namespace

__attribute__((target("avx2"))) void WideBlendTriangle(const TriangleSetup& t,
                                                       const WideBlendTriangleArgs& a) {
    const WideBlend& b = a.blend;
    const int32_t first = std::max(t.minY, a.rowBegin), last = std::min(t.maxY, a.rowEnd - 1);
    if (first > last || a.width < 8) return;
    const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256 one = _mm256_set1_ps(1.0f), zero = _mm256_setzero_ps();
    const auto [ox, zBase, zDx, rBase, rDx, uBase, uDx, vBase, vDx] = PlanesOf(t);
    const __m256 texW = _mm256_set1_ps(float(b.wmask + 1)), texH = _mm256_set1_ps(float(b.hmask + 1));
    const __m256 k65535 = _mm256_set1_ps(65535.0f), half = _mm256_set1_ps(0.5f),
                 k256 = _mm256_set1_ps(256.0f);
    const __m256i wmask = _mm256_set1_epi32(int32_t(b.wmask)), hmask = _mm256_set1_epi32(int32_t(b.hmask));
    const __m128i wshift = _mm_cvtsi32_si128(b.wshift);
    const __m256i all = _mm256_set1_epi32(-1), byte = _mm256_set1_epi32(0xFF),
                  w256 = _mm256_set1_epi32(0x01000100);
    const __m256i factor = _mm256_set1_epi32(int32_t(b.factorAlpha)),
                  alphaRef = _mm256_set1_epi32(int32_t(b.alphaRef));
    const __m256i k127 = _mm256_set1_epi32(127), oneI = _mm256_set1_epi32(1), seven = _mm256_set1_epi32(7);
    const int* texels = reinterpret_cast<const int*>(b.argb);
    const int32_t texelCount = int32_t((b.hmask + 1) << b.wshift);
    HullCut cut;
    if (a.hull) {
        CutByHull(t, a.hull, int32_t(b.wmask + 1), int32_t(b.hmask + 1), &cut);
        if (cut.kind == HullCut::kNone) return;
    }
    for (RowWalker rows(t, first); rows.Row() <= last; rows.Next()) {
        const int32_t y = rows.Row();
        int32_t x0, x1;
        if (!rows.Span(&x0, &x1)) continue;
        if (cut.kind != HullCut::kWhole && !CutRow(cut, t, y, &x0, &x1)) continue;
        uint16_t* dst = a.pixels + int64_t(y) * a.pitch;
        uint16_t* zb = a.depth + int64_t(y) * a.depthPitch;
        const auto [zDy, rDyo, uDyo, vDyo] = RowPlanesOf(t, y);
        const __m256i pattern = DitherTwice(a.dither[y & 3]);
        const __m256i lastX = _mm256_set1_epi32(x1 - 1);
        for (int32_t next = x0; next < x1; next += 8) {
            // A group that would cross the target's right edge is moved back
            // to end there; its lanes before the span's next pixel are left
            // as they are. Every lane's result depends on its pixel alone.
            const int32_t x = std::min(next, a.width - 8);
            const __m256i xi = _mm256_add_epi32(_mm256_set1_epi32(x), lane);
            const __m256 dxo = _mm256_sub_ps(_mm256_cvtepi32_ps(xi), ox);
            const __m256 z = PlaneLanes(zBase, zDx, dxo, zDy);
            const __m256i zq = _mm256_cvttps_epi32(
                _mm256_add_ps(_mm256_mul_ps(_mm256_min_ps(_mm256_max_ps(z, zero), one), k65535), half));
            __m256i skip = _mm256_or_si256(_mm256_cmpgt_epi32(xi, lastX),
                                           _mm256_cmpgt_epi32(_mm256_set1_epi32(next), xi));
            if (b.test) {
                const __m256i zbv =
                    _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(zb + x)));
                skip = _mm256_or_si256(skip, _mm256_cmpgt_epi32(zq, zbv));
            }
            if (_mm256_movemask_epi8(skip) == -1) continue; // hidden: no texel is read
            const __m256 rhw = PlaneLanes(rBase, rDx, dxo, rDyo);
            const __m256 ur = PlaneLanes(uBase, uDx, dxo, uDyo), vr = PlaneLanes(vBase, vDx, dxo, vDyo);
            const __m256 inv = _mm256_div_ps(one, rhw);
            const __m256 fu = _mm256_mul_ps(_mm256_mul_ps(ur, inv), texW);
            const __m256 fv = _mm256_mul_ps(_mm256_mul_ps(vr, inv), texH);
            // 8-bit weights and texel positions from 256 times the coordinate
            // moved back by half a texel.
            const __m256i bu =
                _mm256_cvttps_epi32(_mm256_floor_ps(_mm256_mul_ps(_mm256_sub_ps(fu, half), k256)));
            const __m256i bv =
                _mm256_cvttps_epi32(_mm256_floor_ps(_mm256_mul_ps(_mm256_sub_ps(fv, half), k256)));
            const __m256i u0 = _mm256_and_si256(_mm256_srai_epi32(bu, 8), wmask);
            const __m256i u1 = _mm256_and_si256(_mm256_add_epi32(u0, oneI), wmask);
            const __m256i v0i = _mm256_and_si256(_mm256_srai_epi32(bv, 8), hmask);
            const __m256i v1i = _mm256_and_si256(_mm256_add_epi32(v0i, oneI), hmask);
            const __m256i r0 = _mm256_sll_epi32(v0i, wshift), r1 = _mm256_sll_epi32(v1i, wshift);
            __m256i fu8 = _mm256_and_si256(bu, byte), fv8 = _mm256_and_si256(bv, byte);
            fu8 = _mm256_or_si256(fu8, _mm256_slli_epi32(fu8, 16));
            fv8 = _mm256_or_si256(fv8, _mm256_slli_epi32(fv8, 16));
            const __m256i gu = _mm256_sub_epi16(w256, fu8), gv = _mm256_sub_epi16(w256, fv8);
            const __m256i i00 = _mm256_or_si256(r0, u0), i10 = _mm256_or_si256(r0, u1);
            const __m256i i01 = _mm256_or_si256(r1, u0), i11 = _mm256_or_si256(r1, u1);
            // Magnified, the eight pixels mostly read two rows of at most
            // eight texels: two loads and four shuffles instead of four
            // gathers, the same texels.
            __m256i t00, t10, t01, t11;
            const int32_t baseA = std::min(_mm256_extract_epi32(i00, 0), _mm256_extract_epi32(i00, 7));
            const int32_t baseB = std::min(_mm256_extract_epi32(i01, 0), _mm256_extract_epi32(i01, 7));
            const __m256i oA0 = _mm256_sub_epi32(i00, _mm256_set1_epi32(baseA)),
                          oA1 = _mm256_sub_epi32(i10, _mm256_set1_epi32(baseA));
            const __m256i oB0 = _mm256_sub_epi32(i01, _mm256_set1_epi32(baseB)),
                          oB1 = _mm256_sub_epi32(i11, _mm256_set1_epi32(baseB));
            // Unsigned: an offset below 0 is as far out as one above 7.
            const __m256i span = _mm256_max_epu32(_mm256_max_epu32(oA0, oA1), _mm256_max_epu32(oB0, oB1));
            if (std::max(baseA, baseB) + 8 <= texelCount &&
                _mm256_movemask_epi8(_mm256_cmpeq_epi32(_mm256_max_epu32(span, seven), seven)) == -1) {
                const __m256i rowA = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(texels + baseA));
                const __m256i rowB = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(texels + baseB));
                t00 = _mm256_permutevar8x32_epi32(rowA, oA0);
                t10 = _mm256_permutevar8x32_epi32(rowA, oA1);
                t01 = _mm256_permutevar8x32_epi32(rowB, oB0);
                t11 = _mm256_permutevar8x32_epi32(rowB, oB1);
            } else {
                t00 = _mm256_i32gather_epi32(texels, i00, 4);
                t10 = _mm256_i32gather_epi32(texels, i10, 4);
                t01 = _mm256_i32gather_epi32(texels, i01, 4);
                t11 = _mm256_i32gather_epi32(texels, i11, 4);
            }
            const __m256i rb = Bilinear8(t00, t10, t01, t11, 0, fu8, gu, fv8, gv);
            const __m256i ag = Bilinear8(t00, t10, t01, t11, 8, fu8, gu, fv8, gv);
            __m256i alpha = _mm256_srli_epi32(ag, 16);
            if (b.factorAlpha != 255)
                alpha = Over255(_mm256_add_epi32(_mm256_mullo_epi16(alpha, factor), k127));
            if (b.alphaTest)
                skip = _mm256_or_si256(skip, _mm256_xor_si256(_mm256_cmpgt_epi32(alpha, alphaRef), all));
            const int32_t skipBits = _mm256_movemask_epi8(skip);
            if (skipBits == -1) continue;
            const __m256i dither = _mm256_permutevar8x32_epi32(
                pattern,
                _mm256_and_si256(_mm256_add_epi32(lane, _mm256_set1_epi32(x & 3)), _mm256_set1_epi32(3)));
            const __m256i old =
                _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + x)));
            const __m256i c = FogMixPack(b, _mm256_srli_epi32(rb, 16), _mm256_and_si256(ag, byte),
                                         _mm256_and_si256(rb, byte), alpha, rhw, old, dither);
            const __m128i c16 =
                _mm256_castsi256_si128(_mm256_permute4x64_epi64(_mm256_packus_epi32(c, c), 0x08));
            const __m128i z16 =
                _mm256_castsi256_si128(_mm256_permute4x64_epi64(_mm256_packus_epi32(zq, zq), 0x08));
            __m128i* dp = reinterpret_cast<__m128i*>(dst + x);
            __m128i* zp = reinterpret_cast<__m128i*>(zb + x);
            if (skipBits == 0) {
                _mm_storeu_si128(dp, c16);
                if (b.write) _mm_storeu_si128(zp, z16);
            } else {
                const __m128i keep =
                    _mm256_castsi256_si128(_mm256_permute4x64_epi64(_mm256_packs_epi32(skip, skip), 0x08));
                _mm_storeu_si128(dp, _mm_blendv_epi8(c16, _mm_loadu_si128(dp), keep));
                if (b.write) _mm_storeu_si128(zp, _mm_blendv_epi8(z16, _mm_loadu_si128(zp), keep));
            }
        }
    }
}

}  // namespace SoftPixel

#else

namespace SoftPixel {
bool WideAvailable() { return false; }
bool WideDepthReaches(const uint16_t* row, int32_t n, uint16_t limit) {
    for (int32_t i = 0; i < n; ++i)
        if (row[i] >= limit) return true;
    return false;
}
bool WideDepthBoxReaches(const uint16_t* first, int32_t pitch, int32_t rows, int32_t n, int32_t,
                         uint16_t limit) {
    for (int32_t y = 0; y < rows; ++y)
        if (WideDepthReaches(first + int64_t(y) * pitch, n, limit)) return true;
    return false;
}
int32_t WideTextured(const WideRun&, int32_t, int32_t, uint32_t, int32_t, int32_t, int32_t, int32_t, int32_t) {
    return 0;
}
void WideAffineTriangle(const TriangleSetup&, const WideTriangle&) {}
void WidePerspectiveTriangle(const TriangleSetup&, const WidePerspective&) {}
bool Wide512On() {
    return false;
}
void SetWide512(bool) {}
int32_t WideBilinear(const WideRun&, const uint32_t*, int32_t, int32_t, uint32_t, int32_t, int32_t, int32_t, int32_t,
                     int32_t) {
    return 0;
}
int32_t WideBlendPoint(const WideBlend&, int32_t, int32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {
    return 0;
}
int32_t WideBlendBilinear(const WideBlend&, int32_t, int32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {
    return 0;
}
void WideBlendTriangle(const TriangleSetup&, const WideBlendTriangleArgs&) {}
}  // namespace SoftPixel

#endif
