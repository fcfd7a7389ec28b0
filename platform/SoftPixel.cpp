#include "platform/SoftPixel.h"

#include "platform/SoftPixelWide.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

using namespace SoftValue;

namespace SoftPixel {

namespace {

std::atomic<bool> gHiddenSkip{true};

constexpr uint8_t kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
constexpr uint32_t kRoundWord = 4u | (2u << 8) | (4u << 16);

float FloatBits(uint32_t v) {
    float f;
    std::memcpy(&f, &v, 4);
    return f;
}

uint32_t Quantize(float z) {
    if (!(z > 0.0f)) return 0;
    if (z > 1.0f) return 65535;
    return static_cast<uint32_t>(z * 65535.0f + 0.5f);
}

uint32_t Wrap(int64_t i, int32_t n, bool pow2) {
    if (pow2) return static_cast<uint32_t>(i & (n - 1));
    int64_t m = i % n;
    return static_cast<uint32_t>(m < 0 ? m + n : m);
}

int64_t TexelIndex(double coord) {
    if (!(std::fabs(coord) < 1e15)) return 0;
    return static_cast<int64_t>(std::floor(coord));
}

uint32_t Lerp8(uint32_t a, uint32_t b, uint32_t ca, uint32_t cb, uint32_t shift) {
    uint32_t x = (a >> shift) & 0xFF, y = (b >> shift) & 0xFF;
    return (x * ca + y * cb + 128) >> 8;
}

// Texel of normalised (u, v) with wrap addressing; point or bilinear.
uint32_t Sample(const SoftTexture* tex, float u, float v, bool bilinear) {
    if (!tex || tex->IsEmpty()) return 0xFFFFFFFFu;
    int32_t w = tex->Width(), h = tex->Height();
    bool p2 = tex->IsPowerOfTwo();
    const uint32_t* texels = tex->ARGB();
    double fu = static_cast<double>(u) * w, fv = static_cast<double>(v) * h;
    if (!bilinear) {
        return texels[size_t(Wrap(TexelIndex(fv), h, p2)) * w + Wrap(TexelIndex(fu), w, p2)];
    }
    fu -= 0.5;
    fv -= 0.5;
    int64_t iu = TexelIndex(fu), iv = TexelIndex(fv);
    // Weights only for coordinates that are numbers of a sane size.
    uint32_t wu = std::fabs(fu) < 1e15 ? static_cast<uint32_t>((fu - std::floor(fu)) * 256.0) : 0;
    uint32_t wv = std::fabs(fv) < 1e15 ? static_cast<uint32_t>((fv - std::floor(fv)) * 256.0) : 0;
    uint32_t u0 = Wrap(iu, w, p2), u1 = Wrap(iu + 1, w, p2);
    uint32_t v0 = Wrap(iv, h, p2), v1 = Wrap(iv + 1, h, p2);
    uint32_t t00 = texels[size_t(v0) * w + u0], t10 = texels[size_t(v0) * w + u1];
    uint32_t t01 = texels[size_t(v1) * w + u0], t11 = texels[size_t(v1) * w + u1];
    uint32_t out = 0;
    for (uint32_t shift = 0; shift < 32; shift += 8) {
        uint32_t top = Lerp8(t00, t10, 256 - wu, wu, shift);
        uint32_t bottom = Lerp8(t01, t11, 256 - wu, wu, shift);
        uint32_t c = (top * (256 - wv) + bottom * wv + 128) >> 8;
        out |= std::min<uint32_t>(c, 255) << shift;
    }
    return out;
}

uint32_t ArgAlpha(const Shade& s, uint32_t arg, uint32_t texel, uint32_t diffuse) {
    if (arg == kArgTexture) return texel >> 24;
    if (arg == kArgTFactor) return s.textureFactor >> 24;
    return diffuse >> 24;
}

void FogMix(const Shade& s, float w, uint32_t* r, uint32_t* g, uint32_t* b) {
    float range = s.fogEnd - s.fogStart;
    float f = range != 0.0f ? (s.fogEnd - w) / range : (w < s.fogEnd ? 1.0f : 0.0f);
    if (!(f > 0.0f)) f = 0.0f;
    if (f > 1.0f) f = 1.0f;
    float k = 1.0f - f;
    *r = static_cast<uint32_t>(*r * f + ((s.fogColor >> 16) & 0xFF) * k + 0.5f);
    *g = static_cast<uint32_t>(*g * f + ((s.fogColor >> 8) & 0xFF) * k + 0.5f);
    *b = static_cast<uint32_t>(*b * f + (s.fogColor & 0xFF) * k + 0.5f);
}

uint32_t Mix(uint32_t src, uint32_t dst, uint32_t a) { return (src * a + dst * (255 - a) + 127) / 255; }

void Store(Target16& t, const Shade& s, int32_t x, int32_t y, uint32_t r, uint32_t g, uint32_t b,
           uint32_t a) {
    uint16_t* p = t.pixels + int64_t(y) * t.pitch + x;
    if (s.blend && a < 255) {
        uint32_t d = *p;
        uint32_t dr = (d >> 11) & 31, dg = (d >> 5) & 63, db = d & 31;
        r = Mix(r, (dr << 3) | (dr >> 2), a);
        g = Mix(g, (dg << 2) | (dg >> 4), a);
        b = Mix(b, (db << 3) | (db >> 2), a);
    }
    *p = Pack565((r << 16) | (g << 8) | b, DitherWord(x, y, s.dither));
}

void Store(Target32& t, const Shade& s, int32_t x, int32_t y, uint32_t r, uint32_t g, uint32_t b,
           uint32_t a) {
    uint32_t* p = t.pixels + int64_t(y) * t.pitch + x;
    if (s.blend && a < 255) {
        uint32_t d = *p;
        r = Mix(r, (d >> 16) & 0xFF, a);
        g = Mix(g, (d >> 8) & 0xFF, a);
        b = Mix(b, d & 0xFF, a);
    }
    *p = (a << 24) | (r << 16) | (g << 8) | b;
}

// Colour, alpha test, fog, blend and depth write of one pixel whose depth
// test has passed.
template <class T>
void Shade1(const Context& c, T& target, int32_t x, int32_t y, uint32_t zq, uint32_t texel,
            uint32_t diffuse, float w) {
    const Shade& s = c.shade;
    uint32_t src = s.colorFromTexture ? texel : diffuse;
    uint32_t a;
    if (s.alphaOp == kOpSelectArg1) a = ArgAlpha(s, s.alphaArg1, texel, diffuse);
    else if (s.alphaOp == kOpModulate)
        a = (ArgAlpha(s, s.alphaArg1, texel, diffuse) * ArgAlpha(s, s.alphaArg2, texel, diffuse) + 127) / 255;
    else a = diffuse >> 24;
    if (s.alphaTest && a <= s.alphaRef) return;
    uint32_t r = (src >> 16) & 0xFF, g = (src >> 8) & 0xFF, b = src & 0xFF;
    if (s.fog) FogMix(s, w, &r, &g, &b);
    Store(target, s, x, y, r, g, b, a);
    if (s.zEnable && s.zWrite) c.depth[int64_t(y) * c.depthPitch + x] = static_cast<uint16_t>(zq);
}

bool DepthPasses(const Context& c, int32_t x, int32_t y, uint32_t zq) {
    const Shade& s = c.shade;
    return !s.zEnable || s.zAlways || zq <= c.depth[int64_t(y) * c.depthPitch + x];
}

// Whether the texture is magnified at this point: no screen step moves
// more than one texel.
bool Magnified(const TriangleSetup& t, const SoftTexture* tex, float rhw, float ur, float vr) {
    if (!tex || tex->IsEmpty()) return false;
    float inv = 1.0f / (rhw * rhw);
    float w = static_cast<float>(tex->Width()), h = static_cast<float>(tex->Height());
    float dudx = (t.ur.dx * rhw - ur * t.rhw.dx) * inv * w, dvdx = (t.vr.dx * rhw - vr * t.rhw.dx) * inv * h;
    float dudy = (t.ur.dy * rhw - ur * t.rhw.dy) * inv * w, dvdy = (t.vr.dy * rhw - vr * t.rhw.dy) * inv * h;
    return std::max(dudx * dudx + dvdx * dvdx, dudy * dudy + dvdy * dvdy) <= 1.0f;
}

// One pixel through the full per-pixel path with a true divide for w.
template <class T>
void FullPixel(const TriangleSetup& t, const Context& c, T& target, int32_t x, int32_t y, float z,
               float rhw, float ur, float vr) {
    uint32_t zq = Quantize(z);
    if (!DepthPasses(c, x, y, zq)) return;
    const Shade& s = c.shade;
    float w = 1.0f / rhw;
    uint32_t texel = 0xFFFFFFFFu;
    if (s.sampleTexture) {
        bool bilinear = s.magLinear && Magnified(t, s.texture, rhw, ur, vr);
        texel = Sample(s.texture, ur * w, vr * w, bilinear);
    }
    Shade1(c, target, x, y, zq, texel, t.color, w);
}

// The triangle's rows that lie in the context's band.
int32_t FirstRow(const TriangleSetup& t, const Context& c) { return std::max(t.minY, c.rowBegin); }
int32_t LastRow(const TriangleSetup& t, const Context& c) { return std::min(t.maxY, c.rowEnd - 1); }

template <class T>
void General(const TriangleSetup& t, const Context& c, T& target) {
    if (FirstRow(t, c) > LastRow(t, c)) return;
    for (RowWalker rows(t, FirstRow(t, c)); rows.Row() <= LastRow(t, c); rows.Next()) {
        const int32_t y = rows.Row();
        int32_t x0, x1;
        if (!rows.Span(&x0, &x1)) continue;
        float fx = static_cast<float>(x0), fy = static_cast<float>(y);
        float z = PlaneAt(t.z, t, fx, fy), rhw = PlaneAt(t.rhw, t, fx, fy);
        float ur = PlaneAt(t.ur, t, fx, fy), vr = PlaneAt(t.vr, t, fx, fy);
        for (int32_t x = x0; x < x1; ++x) {
            FullPixel(t, c, target, x, y, z, rhw, ur, vr);
            z += t.z.dx;
            rhw += t.rhw.dx;
            ur += t.ur.dx;
            vr += t.vr.dx;
        }
    }
}

template <class T>
void Reference(const TriangleSetup& t, const Context& c, T& target) {
    for (int32_t y = FirstRow(t, c); y <= LastRow(t, c); ++y) {
        for (int32_t x = t.minX; x <= t.maxX; ++x) {
            if (!CoversPixel(t, x, y)) continue;
            float fx = static_cast<float>(x), fy = static_cast<float>(y);
            FullPixel(t, c, target, x, y, PlaneAt(t.z, t, fx, fy), PlaneAt(t.rhw, t, fx, fy),
                      PlaneAt(t.ur, t, fx, fy), PlaneAt(t.vr, t, fx, fy));
        }
    }
}

// Untextured, unfogged: one dithered colour per position of the 4 x 4 cell.
void FastFlat(const TriangleSetup& t, const Context& c, Target16& target) {
    const Shade& s = c.shade;
    uint32_t a = t.color >> 24;
    if (s.alphaOp != kOpDisable) {
        General(t, c, target);
        return;
    }
    if (s.alphaTest && a <= s.alphaRef) return;
    if (s.blend && a < 255) {
        General(t, c, target);
        return;
    }
    uint16_t cell[4][4];
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 4; ++x) cell[y][x] = Pack565(t.color, DitherWord(x, y, s.dither));
    bool test = s.zEnable && !s.zAlways, write = s.zEnable && s.zWrite;
    if (FirstRow(t, c) > LastRow(t, c)) return;
    for (RowWalker rows(t, FirstRow(t, c)); rows.Row() <= LastRow(t, c); rows.Next()) {
        const int32_t y = rows.Row();
        int32_t x0, x1;
        if (!rows.Span(&x0, &x1)) continue;
        uint16_t* dst = target.pixels + int64_t(y) * target.pitch;
        uint16_t* zb = c.depth + int64_t(y) * c.depthPitch;
        const uint16_t* row = cell[y & 3];
        float z = PlaneAt(t.z, t, static_cast<float>(x0), static_cast<float>(y));
        for (int32_t x = x0; x < x1; ++x, z += t.z.dx) {
            uint32_t zq = Quantize(z);
            if (test && zq > zb[x]) continue;
            dst[x] = row[x & 3];
            if (write) zb[x] = static_cast<uint16_t>(zq);
        }
    }
}

int32_t Log2(int32_t v) {
    int32_t n = 0;
    while ((1 << n) < v) ++n;
    return n;
}

// 1 / k for the run lengths.
const struct Reciprocals {
    double v[65];
    Reciprocals() {
        v[0] = 0.0;
        for (int32_t k = 1; k < 65; ++k) v[k] = 1.0 / k;
    }
    double operator[](int32_t k) const { return v[k]; }
} kReciprocal;

// src over dst with alpha a (1..254) in RGB565: the three fields spread
// over a 32-bit word with room for a 5-bit weight each.
inline uint16_t Blend565(uint32_t src, uint32_t dst, uint32_t a) {
    uint32_t w = (a * 32 + 127) / 255;
    uint32_t s = (src | (src << 16)) & 0x07E0F81Fu, d = (dst | (dst << 16)) & 0x07E0F81Fu;
    uint32_t m = ((s * w + d * (32 - w)) >> 5) & 0x07E0F81Fu;
    return static_cast<uint16_t>(m | (m >> 16));
}

// Depth along a run in 16.16 fixed point, both ends clamped to 0..1, so the
// inner loops need one add and one shift per pixel.
struct DepthRun {
    uint32_t z;
    int32_t dz;
};

DepthRun MakeDepthRun(float z0, float dzdx, int32_t n) {
    auto fix = [](float z) {
        if (!(z > 0.0f)) z = 0.0f;
        if (z > 1.0f) z = 1.0f;
        return static_cast<int64_t>(static_cast<double>(z) * 65535.0 * 65536.0) + 32768;
    };
    int64_t a = fix(z0), b = fix(z0 + dzdx * static_cast<float>(n > 1 ? n - 1 : 0));
    DepthRun r;
    r.z = static_cast<uint32_t>(a);
    // Rounded toward a so that no pixel of the run passes b.
    double step = n > 1 ? static_cast<double>(b - a) * kReciprocal[n - 1] : 0.0;
    // Beyond the 32-bit step only a triangle seen edge-on can go; it keeps
    // the steepest step there is.
    step = std::clamp(step, -2147483648.0, 2147483647.0);
    r.dz = static_cast<int32_t>(step);
    return r;
}

struct TexRun {
    int64_t u, du, v, dv;
};

// The inner loop of the textured fast path: opaque texels are packed with
// their dither offset directly; translucent ones go to slow(x, zq, index).
// t.v is scaled by the texture width, so that its integer part masked by
// rowMask is the offset of the texel row.
template <bool kTest, bool kWrite, class Slow>
inline void TexturedRun(uint16_t* __restrict dst, uint16_t* __restrict zb, int32_t x, int32_t n,
                        DepthRun d, TexRun t, const uint32_t* __restrict packed, uint32_t wmask,
                        uint32_t rowMask, const uint32_t* __restrict drow, uint32_t opaque, Slow&& slow) {
    for (int32_t end = x + n; x < end; ++x, d.z += d.dz, t.u += t.du, t.v += t.dv) {
        uint32_t zq = d.z >> 16;
        if (kTest && zq > zb[x]) continue;
        uint32_t idx = (uint32_t(t.v >> 16) & rowMask) | (uint32_t(t.u >> 16) & wmask);
        uint32_t tx = packed[idx];
        if ((tx >> 24) == opaque) {
            dst[x] = PackPrepared(tx + drow[x & 3]);
            if (kWrite) zb[x] = static_cast<uint16_t>(zq);
        } else {
            slow(x, zq, idx);
        }
    }
}

// Two colour channels (bits 0..7 and 16..23) of a and b mixed by f / 256.
inline uint32_t Mix2(uint32_t a, uint32_t b, uint32_t f) {
    return (((a & 0x00FF00FFu) * (256 - f) + (b & 0x00FF00FFu) * f) >> 8) & 0x00FF00FFu;
}

// The bilinear texel at 16.16 texel coordinates already moved back by half
// a texel, wrapping at the (power-of-two) texture's edges.
inline uint32_t Bilinear(const uint32_t* argb, uint32_t wmask, uint32_t hmask, int32_t wshift, int64_t u, int64_t v) {
    uint32_t x0 = uint32_t(u >> 16) & wmask, x1 = (x0 + 1) & wmask;
    uint32_t y0 = uint32_t(v >> 16) & hmask, y1 = (y0 + 1) & hmask;
    uint32_t fu = uint32_t(u >> 8) & 0xFF, fv = uint32_t(v >> 8) & 0xFF;
    uint32_t t00 = argb[(y0 << wshift) | x0], t10 = argb[(y0 << wshift) | x1];
    uint32_t t01 = argb[(y1 << wshift) | x0], t11 = argb[(y1 << wshift) | x1];
    uint32_t rb = Mix2(Mix2(t00, t10, fu), Mix2(t01, t11, fu), fv);
    uint32_t ag = Mix2(Mix2(t00 >> 8, t10 >> 8, fu), Mix2(t01 >> 8, t11 >> 8, fu), fv);
    return rb | (ag << 8);
}

// A run through the wide loop where it can take eight pixels at once, the
// plain loop for the rest. wide.dst, depth and dither are the row's.
template <bool kTest, bool kWrite, class Slow>
inline void TexturedSpan(const WideRun& wide, int32_t x, int32_t n, DepthRun d, TexRun t, uint32_t wmask,
                         uint32_t rowMask, Slow&& slow) {
    if (n >= 16 && wide.opaque == 255 && WideAvailable()) {
        const int64_t uWrap = (int64_t(wmask) + 1) * 65536 - 1, vWrap = (int64_t(wide.hmask) + 1) * 65536 - 1;
        const int64_t dvWide = t.dv >> wide.wshift;
        if (t.du > -(1 << 26) && t.du < (1 << 26) && dvWide > -(1 << 26) && dvWide < (1 << 26)) {
            while (n >= 8) {
                int32_t done = WideTextured(wide, x, n / 8, d.z, d.dz, static_cast<int32_t>(t.u & uWrap),
                                            static_cast<int32_t>(t.du), static_cast<int32_t>((t.v >> wide.wshift) & vWrap),
                                            static_cast<int32_t>(dvWide));
                int32_t k = done * 8;
                if (done < n / 8) k += 8;  // the group that stopped it goes the plain way
                if (k > done * 8)
                    TexturedRun<kTest, kWrite>(wide.dst, wide.depth, x + done * 8, 8,
                                               DepthRun{d.z + uint32_t(d.dz) * uint32_t(done * 8), d.dz},
                                               TexRun{t.u + t.du * done * 8, t.du, t.v + t.dv * done * 8, t.dv},
                                               wide.packed, wmask, rowMask, wide.dither, wide.opaque, slow);
                x += k;
                n -= k;
                d.z += uint32_t(d.dz) * uint32_t(k);
                t.u += t.du * k;
                t.v += t.dv * k;
            }
        }
    }
    if (n > 0)
        TexturedRun<kTest, kWrite>(wide.dst, wide.depth, x, n, d, t, wide.packed, wmask, rowMask, wide.dither,
                                   wide.opaque, slow);
}

// One pixel shaded in full, as the reference path shades it.
struct SlowPixel {
    const TriangleSetup* t;
    const Context* c;
    Target16* target;
    static void Draw(void* self, int32_t x, int32_t y) {
        const SlowPixel& p = *static_cast<const SlowPixel*>(self);
        const TriangleSetup& t = *p.t;
        const float fx = static_cast<float>(x), fy = static_cast<float>(y);
        FullPixel(t, *p.c, *p.target, x, y, PlaneAt(t.z, t, fx, fy), PlaneAt(t.rhw, t, fx, fy),
                  PlaneAt(t.ur, t, fx, fy), PlaneAt(t.vr, t, fx, fy));
    }
};

// The fog and blend of one translucent texel over a 16-bit pixel, as Shade1
// and Store do them (the same sums in the same order), without the general
// path's dispatch: colour from the texture, alpha a already tested.
struct FogMixer {
    float start, end, range;
    uint32_t fr, fg, fb;
    explicit FogMixer(const Shade& s)
        : start(s.fogStart), end(s.fogEnd), range(s.fogEnd - s.fogStart), fr((s.fogColor >> 16) & 0xFF),
          fg((s.fogColor >> 8) & 0xFF), fb(s.fogColor & 0xFF) {}
};

template <bool kFog>
inline void FoggedBlend(const FogMixer& m, uint16_t* p, uint32_t ditherWord, uint32_t texel, uint32_t a, float w) {
    uint32_t r = (texel >> 16) & 0xFF, g = (texel >> 8) & 0xFF, b = texel & 0xFF;
    if (kFog) {
    float f = m.range != 0.0f ? (m.end - w) / m.range : (w < m.end ? 1.0f : 0.0f);
    if (!(f > 0.0f)) f = 0.0f;
    if (f > 1.0f) f = 1.0f;
    const float k = 1.0f - f;
    r = static_cast<uint32_t>(r * f + m.fr * k + 0.5f);
    g = static_cast<uint32_t>(g * f + m.fg * k + 0.5f);
    b = static_cast<uint32_t>(b * f + m.fb * k + 0.5f);
    }
    if (a < 255) {
        const uint32_t d = *p;
        const uint32_t dr = (d >> 11) & 31, dg = (d >> 5) & 63, db = d & 31;
        r = Mix(r, (dr << 3) | (dr >> 2), a);
        g = Mix(g, (dg << 2) | (dg >> 4), a);
        b = Mix(b, (db << 3) | (db >> 2), a);
    }
    *p = PackPrepared((SoftTexture::PackTexel((r << 16) | (g << 8) | b) & 0x00FFFFFFu) + ditherWord);
}

// Textured with point sampling: 1/w is divided out every 16 pixels (fewer
// where w changes fast) and u, v run linearly in 16.16 texels between.
void FastTextured(const TriangleSetup& t, const Context& c, Target16& target) {
    const Shade& s = c.shade;
    const SoftTexture* tex = s.texture;
    const int32_t tw = tex->Width(), th = tex->Height();
    const int32_t wshift = Log2(tw);
    const uint32_t wmask = tw - 1, hmask = th - 1, rowMask = hmask << wshift;
    const uint32_t* packed = tex->Packed();
    const uint32_t* argb = tex->ARGB();
    const bool test = s.zEnable && !s.zAlways, write = s.zEnable && s.zWrite;
    // A texture factor below opaque makes every texel translucent: the
    // opaque shortcut then takes none.
    const uint32_t factorAlpha = s.alphaOp == kOpModulate ? (s.textureFactor >> 24) : 255u;
    const bool fogged = s.fog;
    const uint32_t opaque = (factorAlpha != 255 || fogged) ? 256u : 255u;
    const uint32_t(&dither)[4][4] = s.ditherWords;
    constexpr int32_t kSeg = 32;
    // Nothing of a translucent texture the alpha test rejects in whole (a
    // see-through puff faded out) is drawn.
    if (s.alphaTest && (tex->MaxAlpha() * factorAlpha + 127) / 255 <= s.alphaRef) return;
    const FogMixer fogMix(s);
    const float ftw = static_cast<float>(tw), fth = static_cast<float>(th);
    // Blended runs eight pixels at a time where the wide path makes the same
    // pixels (see WideBlend).
    const bool eightWide = WideAvailable();
    const bool wideBlend = s.blend && WideBlendOn() && eightWide && !(s.alphaTest && s.alphaRef >= 255) &&
                           !(fogged && fogMix.range == 0.0f) && WideBlendFits(wshift, hmask);
    // Filled in (its row fields per row) only on the paths that blend: an
    // opaque triangle drawn whole does not pay for it.
    WideBlend blendRow;
    auto prepareBlend = [&] {
        blendRow = WideBlend{
            nullptr,   nullptr,   packed,      argb,        nullptr,    wmask,  hmask,       wshift,
            test,      write,     factorAlpha, s.alphaTest, s.alphaRef, fogged, fogMix.end,  fogMix.range,
            fogMix.fr, fogMix.fg, fogMix.fb,   0.0f,        0.0f,       0,      c.depthPitch};
    };
    // The whole groups of eight of a point-sampled run through the wide
    // blend; the run is moved on past them.
    auto blendGroups = [&](int32_t& x, int32_t& n, DepthRun& d, TexRun& run) {
        if (!wideBlend || n < 1) return;
        const int32_t k = WideBlendPoint(blendRow, x, n, d.z, uint32_t(d.dz), uint32_t(run.u), uint32_t(run.du),
                                         uint32_t(run.v), uint32_t(run.dv));
        x += k;
        n -= k;
        d.z += uint32_t(d.dz) * uint32_t(k);
        run.u += run.du * k;
        run.v += run.dv * k;
    };

    // Where 1/w hardly changes over the triangle (small ones, or ones facing
    // the eye), u and v are affine in screen space: set up once, no divide
    // per row.
    {
        const float fx0 = float(t.minX), fx1 = float(t.maxX), fy0 = float(t.minY), fy1 = float(t.maxY);
        const float r[4] = {PlaneAt(t.rhw, t, fx0, fy0), PlaneAt(t.rhw, t, fx1, fy0), PlaneAt(t.rhw, t, fx0, fy1),
                            PlaneAt(t.rhw, t, fx1, fy1)};
        const float z[4] = {PlaneAt(t.z, t, fx0, fy0), PlaneAt(t.z, t, fx1, fy0), PlaneAt(t.z, t, fx0, fy1),
                            PlaneAt(t.z, t, fx1, fy1)};
        float rmin = std::min({r[0], r[1], r[2], r[3]}), rmax = std::max({r[0], r[1], r[2], r[3]});
        float zmin = std::min({z[0], z[1], z[2], z[3]}), zmax = std::max({z[0], z[1], z[2], z[3]});
        if (rmin > 0.0f && rmax - rmin <= 0.004f * rmin && zmin >= 0.0f && zmax <= 1.0f &&
            std::fabs(t.z.dx) < 0.004f) {
            const float cx = 0.5f * (fx0 + fx1), cy = 0.5f * (fy0 + fy1);
            const float R = PlaneAt(t.rhw, t, cx, cy), U = PlaneAt(t.ur, t, cx, cy), V = PlaneAt(t.vr, t, cx, cy);
            const float iR = 1.0f / R, iR2 = iR * iR;
            const float uc = U * iR * ftw, vc = V * iR * fth;
            const float dudx = (t.ur.dx * R - U * t.rhw.dx) * iR2 * ftw, dudy = (t.ur.dy * R - U * t.rhw.dy) * iR2 * ftw;
            const float dvdx = (t.vr.dx * R - V * t.rhw.dx) * iR2 * fth, dvdy = (t.vr.dy * R - V * t.rhw.dy) * iR2 * fth;
            bool magnified = std::max(dudx * dudx + dvdx * dvdx, dudy * dudy + dvdy * dvdy) <= 1.0f;
            // Depth within 0..1 at the box's corners bounds its slope down
            // the box, except for a box one row high, where it is not used.
            bool sane = std::fabs(uc) < 1e8f && std::fabs(vc) < 1e8f && std::fabs(dudx) + std::fabs(dudy) < 1e5f &&
                        std::fabs(dvdx) + std::fabs(dvdy) < 1e5f && std::fabs(t.z.dy) <= 1.0f;
            if (sane && !(magnified && s.magLinear)) {
                // Depth, u and v in fixed point from the bounding box's
                // corner, stepped by integers only.
                const float vScale = 65536.0f * ftw;
                const double zScale = 65535.0 * 65536.0;
                const int64_t du = static_cast<int64_t>(dudx * 65536.0f), dv = static_cast<int64_t>(dvdx * vScale);
                const int64_t duy = static_cast<int64_t>(dudy * 65536.0f), dvy = static_cast<int64_t>(dvdy * vScale);
                const int64_t dz = static_cast<int64_t>(t.z.dx * zScale), dzy = static_cast<int64_t>(t.z.dy * zScale);
                int64_t zRow = static_cast<int64_t>(z[0] * zScale) + 32768;
                int64_t uRow = static_cast<int64_t>((uc + dudx * (fx0 - cx) + dudy * (fy0 - cy)) * 65536.0f);
                int64_t vRow = static_cast<int64_t>((vc + dvdx * (fx0 - cx) + dvdy * (fy0 - cy)) * vScale);
                if (tex->IsOpaque() && opaque == 255 && eightWide &&
                    std::fabs(dudx) + std::fabs(dvdx) < 1000.0f) {
                    const float vUnit = 65536.0f;
                    WideTriangle wt{target.pixels, target.pitch, c.depth, c.depthPitch, c.depthPitch, packed,
                                    dither, wmask, hmask, wshift, test, write, zRow, dz, dzy, uRow, du, duy,
                                    static_cast<int64_t>((vc + dvdx * (fx0 - cx) + dvdy * (fy0 - cy)) * vUnit),
                                    static_cast<int64_t>(dvdx * vUnit), static_cast<int64_t>(dvdy * vUnit),
                                    c.rowBegin, c.rowEnd};
                    WideAffineTriangle(t, wt);
                    return;
                }
                prepareBlend();
                const int32_t first = FirstRow(t, c), last = LastRow(t, c);
                zRow += dzy * (first - t.minY);
                uRow += duy * (first - t.minY);
                vRow += dvy * (first - t.minY);
                for (RowWalker rows(t, first); rows.Row() <= last; rows.Next(), zRow += dzy, uRow += duy, vRow += dvy) {
                    const int32_t y = rows.Row();
                    int32_t x0, x1;
                    if (!rows.Span(&x0, &x1)) continue;
                    uint16_t* dst = target.pixels + int64_t(y) * target.pitch;
                    uint16_t* zb = c.depth + int64_t(y) * c.depthPitch;
                    const uint32_t* drow = dither[y & 3];
                    const int64_t k = x0 - t.minX;
                    int64_t zs = zRow + dz * k;
                    zs = zs < 0 ? 0 : (zs > int64_t(0xFFFFFFFF) ? int64_t(0xFFFFFFFF) : zs);
                    DepthRun d{static_cast<uint32_t>(zs), static_cast<int32_t>(dz)};
                    TexRun run{uRow + du * k, du, vRow + dv * k, dv};
                    const float fx = float(x0), fy = float(y);
                    const float rw = PlaneAt(t.rhw, t, fx, fy), drw = t.rhw.dx;
                    auto slow = [&](int32_t px, uint32_t zq, uint32_t idx) {
                        uint32_t tx = packed[idx];
                        uint32_t a = tx >> 24;
                        if (factorAlpha != 255) a = (a * factorAlpha + 127) / 255;
                        if (s.alphaTest && a <= s.alphaRef) return;
                        if (s.blend && fogged) {
                            FoggedBlend<true>(fogMix, dst + px, drow[px & 3], argb[idx], a, 1.0f / (rw + drw * (px - x0)));
                            if (write) zb[px] = static_cast<uint16_t>(zq);
                            return;
                        }
                        if (!s.blend || fogged) {
                            Shade1(c, target, px, y, zq, argb[idx], t.color, 1.0f / (rw + drw * (px - x0)));
                            return;
                        }
                        uint16_t src = PackPrepared(tx + drow[px & 3]);
                        dst[px] = a >= 255 ? src : Blend565(src, dst[px], a);
                        if (write) zb[px] = static_cast<uint16_t>(zq);
                    };
                    int32_t n = x1 - x0, xw = x0;
                    blendRow.dst = dst, blendRow.depth = zb, blendRow.dither = drow;
                    blendRow.rhw = rw, blendRow.drhw = drw, blendRow.rhwX = x0;
                    blendGroups(xw, n, d, run);
                    const WideRun wide{dst, zb, packed, drow, wmask, hmask, wshift, opaque, test, write};
                    if (test && write) TexturedSpan<true, true>(wide, xw, n, d, run, wmask, rowMask, slow);
                    else if (test) TexturedSpan<true, false>(wide, xw, n, d, run, wmask, rowMask, slow);
                    else if (write) TexturedSpan<false, true>(wide, xw, n, d, run, wmask, rowMask, slow);
                    else TexturedSpan<false, false>(wide, xw, n, d, run, wmask, rowMask, slow);
                }
                return;
            }
        }
    }

    // A see-through texture faded or fogged and magnified everywhere (a
    // near puff of smoke or dust): the whole triangle eight pixels at a
    // time, as the reference draws it (see WideBlendTriangle).
    if (wideBlend && s.magLinear && opaque != 255 && !tex->IsOpaque() && WideBlendTrianglesOn() &&
        c.depthPitch >= 8 && MagnifiedThroughout(t, tw, th)) {
        prepareBlend();
        WideBlendTriangle(t, WideBlendTriangleArgs{blendRow, target.pixels, target.pitch, c.depth,
                                                   c.depthPitch, c.depthPitch, dither, c.rowBegin, c.rowEnd,
                                                   s.alphaTest ? tex->Hull() : nullptr});
        return;
    }

    if (eightWide && opaque == 255 && !(s.alphaTest && s.alphaRef >= 255)) {
        SlowPixel slow{&t, &c, &target};
        WidePerspective wp{target.pixels, target.pitch, c.depth, c.depthPitch, c.depthPitch, packed, argb, dither,
                           wmask, hmask, wshift, test, write, s.magLinear, tex->IsOpaque(), s.alphaTest, s.alphaRef, c.rowBegin,
                           c.rowEnd, &SlowPixel::Draw, &slow};
        WidePerspectiveTriangle(t, wp);
        return;
    }

    if (FirstRow(t, c) > LastRow(t, c)) return;
    prepareBlend();
    for (RowWalker rows(t, FirstRow(t, c)); rows.Row() <= LastRow(t, c); rows.Next()) {
        const int32_t y = rows.Row();
        int32_t x0, x1;
        if (!rows.Span(&x0, &x1)) continue;
        uint16_t* dst = target.pixels + int64_t(y) * target.pitch;
        uint16_t* zb = c.depth + int64_t(y) * c.depthPitch;
        const uint32_t* drow = dither[y & 3];
        float fy = static_cast<float>(y);
        float z = PlaneAt(t.z, t, static_cast<float>(x0), fy);
        float rhw = PlaneAt(t.rhw, t, static_cast<float>(x0), fy);
        float ur = PlaneAt(t.ur, t, static_cast<float>(x0), fy);
        float vr = PlaneAt(t.vr, t, static_cast<float>(x0), fy);
        // Texel coordinates need no wrapping here: the index masks do it.
        float inv0 = 1.0f / rhw;
        float u0 = ur * inv0 * ftw, v0 = vr * inv0 * fth;
        for (int32_t x = x0; x < x1;) {
            // Shorter runs where w changes fast, so the straight steps stay
            // within a small part of a texel of the true curve.
            int32_t n = std::min(kSeg, x1 - x);
            while (n > 2 && std::fabs(t.rhw.dx * n) > 0.0625f * rhw) n >>= 1;
            float rhwE = rhw + t.rhw.dx * n, urE = ur + t.ur.dx * n, vrE = vr + t.vr.dx * n;
            float inv = 1.0f / rhwE;
            float u1 = urE * inv * ftw, v1 = vrE * inv * fth;
            float invN = 1.0f / static_cast<float>(n);
            float du = (u1 - u0) * invN, dv = (v1 - v0) * invN;
            bool linear = false;
            if (s.magLinear) {
                float r2 = inv0 * inv0;
                float dudy = (t.ur.dy * rhw - ur * t.rhw.dy) * r2 * ftw;
                float dvdy = (t.vr.dy * rhw - vr * t.rhw.dy) * r2 * fth;
                linear = std::max(du * du + dv * dv, dudy * dudy + dvdy * dvdy) <= 1.0f;
            }
            bool sane = std::fabs(u0) < 1e9f && std::fabs(v0) < 1e9f && std::fabs(du) < 1e6f && std::fabs(dv) < 1e6f;
            if (linear && sane) {
                // Magnified: bilinear filtering between the four nearest
                // texels, sampled at texel centres.
                TexRun run{static_cast<int64_t>((u0 - 0.5f) * 65536.0f), static_cast<int64_t>(du * 65536.0f),
                           static_cast<int64_t>((v0 - 0.5f) * 65536.0f), static_cast<int64_t>(dv * 65536.0f)};
                DepthRun d = MakeDepthRun(z, t.z.dx, n);
                int32_t i = 0;
                const int64_t uWrap = int64_t(tw) * 65536 - 1, vWrap = int64_t(th) * 65536 - 1;
                if (n >= 8 && opaque == 255 && eightWide && run.du > -(1 << 26) && run.du < (1 << 26) &&
                    run.dv > -(1 << 26) && run.dv < (1 << 26)) {
                    const WideRun wide{dst, zb, packed, drow, wmask, hmask, wshift, opaque, test, write};
                    int32_t done = WideBilinear(wide, argb, x, n / 8, d.z, d.dz, static_cast<int32_t>(run.u & uWrap),
                                                static_cast<int32_t>(run.du), static_cast<int32_t>(run.v & vWrap),
                                                static_cast<int32_t>(run.dv));
                    i = done * 8;
                    d.z += uint32_t(d.dz) * uint32_t(i);
                    run.u += run.du * i;
                    run.v += run.dv * i;
                }
                if (wideBlend && i < n) {
                    blendRow.dst = dst, blendRow.depth = zb, blendRow.dither = drow;
                    blendRow.rhw = rhw, blendRow.drhw = t.rhw.dx, blendRow.rhwX = x;
                    const int32_t k = WideBlendBilinear(blendRow, x + i, n - i, d.z, uint32_t(d.dz), uint32_t(run.u),
                                                        uint32_t(run.du), uint32_t(run.v), uint32_t(run.dv));
                    i += k;
                    d.z += uint32_t(d.dz) * uint32_t(k);
                    run.u += run.du * k;
                    run.v += run.dv * k;
                }
                for (; i < n; ++i, d.z += d.dz, run.u += run.du, run.v += run.dv) {
                    const int32_t px = x + i;
                    uint32_t zq = d.z >> 16;
                    if (test && zq > zb[px]) continue;
                    uint32_t texel = Bilinear(argb, wmask, hmask, wshift, run.u, run.v);
                    uint32_t a = texel >> 24;
                    if (a == 255 && opaque == 255) {
                        dst[px] = PackPrepared(SoftTexture::PackTexel(texel) + drow[px & 3]);
                        if (write) zb[px] = static_cast<uint16_t>(zq);
                    } else if (s.blend) {
                        if (factorAlpha != 255) a = (a * factorAlpha + 127) / 255;
                        if (s.alphaTest && a <= s.alphaRef) continue;
                        if (fogged) FoggedBlend<true>(fogMix, dst + px, drow[px & 3], texel, a, 1.0f / (rhw + t.rhw.dx * i));
                        else FoggedBlend<false>(fogMix, dst + px, drow[px & 3], texel, a, 0.0f);
                        if (write) zb[px] = static_cast<uint16_t>(zq);
                    } else {
                        Shade1(c, target, px, y, zq, texel, t.color, 1.0f / (rhw + t.rhw.dx * i));
                    }
                }
                z += t.z.dx * n;
                rhw = rhwE;
                ur = urE;
                vr = vrE;
            } else if (!sane) {
                for (int32_t i = 0; i < n; ++i) {
                    FullPixel(t, c, target, x + i, y, z, rhw, ur, vr);
                    z += t.z.dx;
                    rhw += t.rhw.dx;
                    ur += t.ur.dx;
                    vr += t.vr.dx;
                }
            } else {
                const float vScale = 65536.0f * ftw;
                TexRun run{static_cast<int64_t>(u0 * 65536.0f), static_cast<int64_t>(du * 65536.0f),
                           static_cast<int64_t>(v0 * vScale), static_cast<int64_t>(dv * vScale)};
                DepthRun d = MakeDepthRun(z, t.z.dx, n);
                const float rhw0 = rhw, drhw = t.rhw.dx;
                const int32_t xs = x;
                // Translucent texels: the texture factor, the alpha test, then
                // a blend in RGB565 with 32 levels of alpha.
                auto slow = [&](int32_t px, uint32_t zq, uint32_t idx) {
                    uint32_t tx = packed[idx];
                    uint32_t a = tx >> 24;
                    if (factorAlpha != 255) a = (a * factorAlpha + 127) / 255;
                    if (s.alphaTest && a <= s.alphaRef) return;
                    if (s.blend && fogged) {
                        FoggedBlend<true>(fogMix, dst + px, drow[px & 3], argb[idx], a, 1.0f / (rhw0 + drhw * (px - xs)));
                        if (write) zb[px] = static_cast<uint16_t>(zq);
                        return;
                    }
                    if (!s.blend || fogged) {
                        Shade1(c, target, px, y, zq, argb[idx], t.color, 1.0f / (rhw0 + drhw * (px - xs)));
                        return;
                    }
                    uint16_t src = PackPrepared(tx + drow[px & 3]);
                    dst[px] = a >= 255 ? src : Blend565(src, dst[px], a);
                    if (write) zb[px] = static_cast<uint16_t>(zq);
                };
                int32_t xw = x, nw = n;
                blendRow.dst = dst, blendRow.depth = zb, blendRow.dither = drow;
                blendRow.rhw = rhw0, blendRow.drhw = drhw, blendRow.rhwX = xs;
                blendGroups(xw, nw, d, run);
                const WideRun wide{dst, zb, packed, drow, wmask, hmask, wshift, opaque, test, write};
                if (test && write) TexturedSpan<true, true>(wide, xw, nw, d, run, wmask, rowMask, slow);
                else if (test) TexturedSpan<true, false>(wide, xw, nw, d, run, wmask, rowMask, slow);
                else if (write) TexturedSpan<false, true>(wide, xw, nw, d, run, wmask, rowMask, slow);
                else TexturedSpan<false, false>(wide, xw, nw, d, run, wmask, rowMask, slow);
                z += t.z.dx * n;
                rhw = rhwE;
                ur = urE;
                vr = vrE;
            }
            inv0 = inv;
            u0 = u1;
            v0 = v1;
            x += n;
        }
    }
}

}  // namespace

void ResolveShade(const uint32_t* st, const uint32_t* stage, const SoftTexture* texture,
                  bool texturedVertices, Shade* out) {
    auto S = [st](SoftState s) { return st[static_cast<int>(s)]; };
    auto T = [stage](SoftStage s) { return stage[static_cast<int>(s)]; };
    Shade& s = *out;
    s = Shade();
    s.texture = texture;
    bool stageOn = texturedVertices && T(SoftStage::ColorOp) != kOpDisable;
    s.colorFromTexture = stageOn && T(SoftStage::ColorArg1) == kArgTexture;
    if (stageOn) {
        s.alphaOp = T(SoftStage::AlphaOp);
        s.alphaArg1 = T(SoftStage::AlphaArg1);
        s.alphaArg2 = T(SoftStage::AlphaArg2);
    }
    bool alphaUsesTexture = s.alphaOp != kOpDisable &&
                            (s.alphaArg1 == kArgTexture || (s.alphaOp == kOpModulate && s.alphaArg2 == kArgTexture));
    s.sampleTexture = s.colorFromTexture || alphaUsesTexture;
    s.textureFactor = S(SoftState::TextureFactor);
    s.zEnable = S(SoftState::ZEnable) != 0;
    s.zWrite = S(SoftState::ZWriteEnable) != 0;
    s.zAlways = S(SoftState::ZFunc) == kCmpAlways;
    s.alphaTest = S(SoftState::AlphaTestEnable) != 0 && S(SoftState::AlphaFunc) != kCmpAlways;
    s.alphaRef = S(SoftState::AlphaRef) & 0xFF;
    s.blend = S(SoftState::AlphaBlendEnable) != 0;
    s.dither = S(SoftState::DitherEnable) != 0;
    s.fog = S(SoftState::FogEnable) != 0 && S(SoftState::FogTableMode) == kFogLinear;
    s.fogStart = FloatBits(S(SoftState::FogTableStart));
    s.fogEnd = FloatBits(S(SoftState::FogTableEnd));
    if (!std::isfinite(s.fogStart) || !std::isfinite(s.fogEnd)) s.fog = false;
    s.fogColor = S(SoftState::FogColor) & 0xFFFFFF;
    s.magLinear = T(SoftStage::MagFilter) == kFilterLinear;
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 4; ++x) s.ditherWords[y][x] = DitherWord(x, y, s.dither);
}

uint32_t DitherWord(int32_t x, int32_t y, bool dither) {
    if (!dither) return kRoundWord;
    uint32_t d = kBayer[y & 3][x & 3];
    return (d >> 1) | ((d >> 2) << 8) | ((d >> 1) << 16);
}

uint16_t Pack565(uint32_t argb, uint32_t ditherWord) {
    uint32_t p = SoftTexture::PackTexel(argb) & 0x00FFFFFFu;
    return PackPrepared(p + ditherWord);
}

// Whether the depth test fails at every pixel of the triangle's rows in the
// band: its nearest depth (the smallest at a corner of its bounding box,
// less what the drawing paths' float rounding can take off) lies behind the
// farthest depth stored under the box. Such a triangle changes no pixel and
// no depth, so it need not be walked.
bool HiddenSkipOn() { return gHiddenSkip.load(std::memory_order_relaxed); }
void SetHiddenSkip(bool on) { gHiddenSkip.store(on, std::memory_order_relaxed); }

namespace {

// The quantized depth below which every pixel the triangle covers in the box
// minX .. maxX, y0 .. y1 (which holds its pixels there) can not come: the
// smallest of its depth plane at the box's corners, less what the drawing
// paths' float rounding can take off. False when there is no such bound.
bool NearestDepth(const TriangleSetup& t, int32_t minX, int32_t maxX, int32_t y0, int32_t y1,
                  uint16_t* limit) {
    const float l = static_cast<float>(minX) - t.ox, r = static_cast<float>(maxX) - t.ox;
    const float top = static_cast<float>(y0) - t.oy, bottom = static_cast<float>(y1) - t.oy;
    const float a = t.z.dx * l, b = t.z.dx * r, e = t.z.dy * top, f = t.z.dy * bottom;
    const float nearest = t.z.base + std::min(a, b) + std::min(e, f);
    // A row walked by adding dz per pixel drifts by at most half a unit in
    // the last place of the largest value on the way (2^-24 of it) per
    // pixel; the margin is four times that over the row's length, plus
    // three depth steps for the quantizing and the fixed-point runs.
    const float largest =
        std::fabs(t.z.base) + std::max(std::fabs(a), std::fabs(b)) + std::max(std::fabs(e), std::fabs(f));
    if (!std::isfinite(nearest) || !std::isfinite(largest) || largest > 4.0f) return false;
    const float drift = largest * static_cast<float>(maxX - minX + 9) * (1.0f / 4194304.0f);
    const float bound = nearest - drift - 3.0f / 65535.0f;
    if (!(bound > 0.0f)) return false;
    const uint32_t q = Quantize(bound);
    if (q == 0) return false;
    *limit = static_cast<uint16_t>(q - 1);
    return true;
}

// Whether every stored depth in the box is below limit.
bool BoxBehind(const Context& c, int32_t minX, int32_t maxX, int32_t y0, int32_t y1, uint16_t limit) {
    const int32_t n = maxX - minX + 1;
    const uint16_t* first = c.depth + int64_t(y0) * c.depthPitch + minX;
    if (WideAvailable())
        return !WideDepthBoxReaches(first, c.depthPitch, y1 - y0 + 1, n, c.depthPitch - minX, limit);
    for (int32_t y = y0; y <= y1; ++y) {
        const uint16_t* zb = first + int64_t(y - y0) * c.depthPitch;
        for (int32_t x = 0; x < n; ++x)
            if (zb[x] >= limit) return false;
    }
    return true;
}

} // namespace

bool HiddenBehindDepth(const TriangleSetup& t, const Context& c) {
    const Shade& s = c.shade;
    if (!s.zEnable || s.zAlways) return false;
    const int32_t y0 = FirstRow(t, c), y1 = LastRow(t, c);
    if (y0 > y1) return true;
    uint16_t limit;
    // Hidden when every stored depth under the box is below q - 1 (the
    // nearest pixel's quantized depth is at least q - 1 > the stored one).
    return NearestDepth(t, t.minX, t.maxX, y0, y1, &limit) && BoxBehind(c, t.minX, t.maxX, y0, y1, limit);
}

bool HiddenBehindDepth(const TriangleSetup* t, int32_t n, const Context& c) {
    const Shade& s = c.shade;
    if (!s.zEnable || s.zAlways || n < 1) return false;
    int32_t minX = t[0].minX, maxX = t[0].maxX, minY = t[0].minY, maxY = t[0].maxY;
    for (int32_t i = 1; i < n; ++i) {
        minX = std::min(minX, t[i].minX), maxX = std::max(maxX, t[i].maxX);
        minY = std::min(minY, t[i].minY), maxY = std::max(maxY, t[i].maxY);
    }
    const int32_t y0 = std::max(minY, c.rowBegin), y1 = std::min(maxY, c.rowEnd - 1);
    if (y0 > y1) return true;
    // Each triangle's bound over the common box holds for its own pixels.
    uint16_t limit = 0xFFFF;
    for (int32_t i = 0; i < n; ++i) {
        uint16_t own;
        if (!NearestDepth(t[i], minX, maxX, y0, y1, &own)) return false;
        limit = std::min(limit, own);
    }
    return BoxBehind(c, minX, maxX, y0, y1, limit);
}

void RasterFast16(const TriangleSetup& t, const Context& c, Target16& target) {
    const Shade& s = c.shade;
    if (HiddenSkipOn() && HiddenBehindDepth(t, c)) return;
    // Fogged untextured polygons take the general path; textured ones the
    // fast path with every pixel shaded in full (fog needs 8-bit colour).
    if (s.fog && !s.sampleTexture) {
        General(t, c, target);
        return;
    }
    if (!s.sampleTexture) {
        FastFlat(t, c, target);
        return;
    }
    bool alphaFromTexture = s.alphaArg1 == kArgTexture &&
                            (s.alphaOp == kOpSelectArg1 || (s.alphaOp == kOpModulate && s.alphaArg2 == kArgTFactor));
    if (s.colorFromTexture && alphaFromTexture && s.texture && !s.texture->IsEmpty() &&
        s.texture->IsPowerOfTwo()) {
        FastTextured(t, c, target);
        return;
    }
    General(t, c, target);
}

void RasterGeneral(const TriangleSetup& t, const Context& c, Target16& target) { General(t, c, target); }
void RasterGeneral(const TriangleSetup& t, const Context& c, Target32& target) { General(t, c, target); }
void RasterReference(const TriangleSetup& t, const Context& c, Target16& target) { Reference(t, c, target); }
void RasterReference(const TriangleSetup& t, const Context& c, Target32& target) { Reference(t, c, target); }

}  // namespace SoftPixel
