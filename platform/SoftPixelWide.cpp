#include "platform/SoftPixelWide.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

namespace SoftPixel {

namespace {

// Eight steps of a lane, wrapping like the lanes themselves do.
int32_t Times8(int32_t step) { return static_cast<int32_t>(static_cast<uint32_t>(step) * 8u); }

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
    int64_t zRow = w.z, uRow = w.u, vRow = w.v;
    for (RowWalker rows(t); rows.Row() <= t.maxY; rows.Next(), zRow += w.dzy, uRow += w.duy, vRow += w.dvy) {
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
        const uint32_t* d = w.dither[y & 3];
        const __m256i pattern = _mm256_setr_epi32(int32_t(d[0]), int32_t(d[1]), int32_t(d[2]), int32_t(d[3]),
                                                  int32_t(d[0]), int32_t(d[1]), int32_t(d[2]), int32_t(d[3]));
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
            uint32_t p = w.packed[idx] + d[x & 3];
            dst[x] = static_cast<uint16_t>(((p & 0xF8u) << 8) | ((p >> 5) & 0x7E0u) | ((p >> 19) & 0x1Fu));
            if (w.write) zb[x] = static_cast<uint16_t>(zq);
        }
    }
}

}  // namespace SoftPixel

#else

namespace SoftPixel {
bool WideAvailable() { return false; }
int32_t WideTextured(const WideRun&, int32_t, int32_t, uint32_t, int32_t, int32_t, int32_t, int32_t, int32_t) {
    return 0;
}
void WideAffineTriangle(const TriangleSetup&, const WideTriangle&) {}
int32_t WideBilinear(const WideRun&, const uint32_t*, int32_t, int32_t, uint32_t, int32_t, int32_t, int32_t, int32_t,
                     int32_t) {
    return 0;
}
}  // namespace SoftPixel

#endif
