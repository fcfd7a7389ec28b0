#pragma once
// Frames as the battlefield hands them to the software device: screen-space
// textured polygons from a perspective camera, so that 1/w varies across
// every ground and object polygon. Shared by the device benchmarks and by
// the test that draws them with one and with many threads.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/SoftDevice3D.h"

namespace battle_frames {

constexpr int32_t kWidth = 1024, kHeight = 768;

// The device's textured vertex: screen x, y, depth 0..1, 1/w, u, v.
struct Vertex {
    float x, y, z, rhw, u, v;
};

struct Polygon {
    int32_t first = 0, count = 0; // corners in Frame::corners
    int32_t texture = 0;          // index into Frame::textures
    uint8_t alpha = 255;          // below 255: translucent, drawn blended
};

struct Frame {
    std::vector<Vertex> corners;
    std::vector<Polygon> polygons;
    std::vector<PictureRGBA> textures;
    bool magLinear = false;
    int64_t Triangles() const {
        int64_t n = 0;
        for (const Polygon& p : polygons)
            n += p.count - 2;
        return n;
    }
};

// Small, reproducible numbers for placing things (not the game's generator:
// nothing here is a rule).
struct Lcg {
    uint32_t s;
    uint32_t Next() { return s = s * 1103515245u + 12345u; }
    float Range(float lo, float hi) { return lo + (hi - lo) * float((Next() >> 8) & 0xFFFF) / 65535.0f; }
};

// An eye (metres, z up) looking along +y, pitched down; 70 degrees across,
// depth as the renderer maps it between the near and far planes.
struct Camera {
    float ex = 0, ey = 0, ez = 30;
    float pitch = 15.0f * 0.0174533f;
    float nearZ = 1.0f, farZ = 2000.0f;
    float focal = 0.5f * kWidth / std::tan(35.0f * 0.0174533f);

    // False when the point lies before the near plane.
    bool Project(float x, float y, float z, float u, float v, Vertex* out) const {
        const float c = std::cos(pitch), s = std::sin(pitch);
        const float dx = x - ex, dy = y - ey, dz = z - ez;
        const float xv = dx, yv = dy * s + dz * c, zv = dy * c - dz * s;
        if (zv < nearZ) return false;
        const float rhw = 1.0f / zv;
        out->x = 0.5f * kWidth + xv * rhw * focal;
        out->y = 0.5f * kHeight - yv * rhw * focal;
        out->z = farZ / (farZ - nearZ) * (1.0f - nearZ * rhw);
        out->rhw = rhw;
        out->u = u;
        out->v = v;
        return true;
    }
};

inline PictureRGBA Picture(int32_t size, bool roundAlpha, uint32_t seed) {
    PictureRGBA p;
    p.width = p.height = size;
    p.rgba.resize(size_t(size) * size * 4);
    for (int32_t y = 0; y < size; ++y)
        for (int32_t x = 0; x < size; ++x) {
            uint8_t* q = &p.rgba[(size_t(y) * size + x) * 4];
            q[0] = uint8_t(x * 255 / size + seed * 40);
            q[1] = uint8_t(y * 255 / size + seed * 70);
            q[2] = ((x ^ y) & 4) ? 180 : 60;
            float dx = x - size * 0.5f + 0.5f, dy = y - size * 0.5f + 0.5f;
            float r = std::sqrt(dx * dx + dy * dy) / (size * 0.5f);
            q[3] = roundAlpha ? uint8_t(std::clamp(1.0f - r, 0.0f, 1.0f) * 255.0f) : 255;
        }
    return p;
}

// Adds the camera's view of a world quad (corners counter-clockwise seen
// from outside) unless it faces away, lies partly before the near plane or
// wholly off the screen, as the renderer's culling would.
inline void AddQuad(Frame* f, const Camera& cam, const float (*p)[3], const float (*uv)[2], int32_t texture,
                    uint8_t alpha, bool cullBack) {
    Vertex v[4];
    for (int32_t i = 0; i < 4; ++i)
        if (!cam.Project(p[i][0], p[i][1], p[i][2], uv[i][0], uv[i][1], &v[i])) return;
    float minX = v[0].x, maxX = v[0].x, minY = v[0].y, maxY = v[0].y;
    for (const Vertex& q : v) {
        minX = std::min(minX, q.x), maxX = std::max(maxX, q.x);
        minY = std::min(minY, q.y), maxY = std::max(maxY, q.y);
    }
    if (maxX < 0 || maxY < 0 || minX >= kWidth || minY >= kHeight) return;
    float area = (v[1].x - v[0].x) * (v[2].y - v[0].y) - (v[2].x - v[0].x) * (v[1].y - v[0].y);
    if (cullBack && area >= 0) return;
    Polygon poly;
    poly.first = int32_t(f->corners.size());
    poly.count = 4;
    poly.texture = texture;
    poly.alpha = alpha;
    f->corners.insert(f->corners.end(), v, v + 4);
    f->polygons.push_back(poly);
}

inline float GroundHeight(float x, float y) {
    return 3.0f * std::sin(x * 0.011f) * std::cos(y * 0.013f);
}

// The battlefield from 30 m up at a low angle: a ground grid of 20 m squares
// out to 1.2 km, nearest first, and boxes standing on it (vehicles, houses)
// in the order they were placed, back faces culled. About 20,000 triangles
// and 3.8 layers of pixels over the screen. Minified: every texture repeats
// often enough that a texel is smaller than a pixel everywhere. Magnified:
// one repeat per square or face, filtered bilinearly where the eye is near.
inline Frame TypicalFrame(bool magnified) {
    Frame f;
    f.magLinear = magnified;
    f.textures.push_back(Picture(magnified ? 64 : 256, false, 1));
    f.textures.push_back(Picture(magnified ? 32 : 128, false, 2));
    Camera cam;
    const float groundRepeat = magnified ? 20.0f : 1.25f, boxRepeat = magnified ? 12.0f : 1.0f;
    for (int32_t row = 0; row < 60; ++row)
        for (int32_t col = -35; col < 35; ++col) {
            float x0 = col * 20.0f, y0 = row * 20.0f, x1 = x0 + 20.0f, y1 = y0 + 20.0f;
            float p[4][3] = {{x0, y0, GroundHeight(x0, y0)},
                             {x0, y1, GroundHeight(x0, y1)},
                             {x1, y1, GroundHeight(x1, y1)},
                             {x1, y0, GroundHeight(x1, y0)}};
            float uv[4][2];
            for (int32_t i = 0; i < 4; ++i)
                uv[i][0] = p[i][0] / groundRepeat, uv[i][1] = p[i][1] / groundRepeat;
            AddQuad(&f, cam, p, uv, 0, 255, false);
        }
    Lcg rng{2024};
    for (int32_t k = 0; k < 4600; ++k) {
        float y = 40.0f + 900.0f * std::pow(rng.Range(0, 1), 1.3f);
        float x = rng.Range(-0.75f, 0.75f) * (y + 30.0f);
        bool house = rng.Next() % 4 == 0;
        float sx = house ? 6.0f : 3.0f, sy = house ? 5.0f : 1.6f, h = house ? 7.0f : 2.4f;
        float z0 = GroundHeight(x, y), z1 = z0 + h;
        float cx[4] = {x - sx, x + sx, x + sx, x - sx}, cy[4] = {y - sy, y - sy, y + sy, y + sy};
        for (int32_t s = 0; s < 4; ++s) {
            int32_t t = (s + 1) & 3;
            float len = std::fabs(cx[t] - cx[s]) + std::fabs(cy[t] - cy[s]);
            float p[4][3] = {{cx[s], cy[s], z0}, {cx[s], cy[s], z1}, {cx[t], cy[t], z1}, {cx[t], cy[t], z0}};
            float uv[4][2] = {
                {0, h / boxRepeat}, {0, 0}, {len / boxRepeat, 0}, {len / boxRepeat, h / boxRepeat}};
            AddQuad(&f, cam, p, uv, 1, 255, true);
        }
        float top[4][3] = {{cx[0], cy[0], z1}, {cx[3], cy[3], z1}, {cx[2], cy[2], z1}, {cx[1], cy[1], z1}};
        float uv[4][2] = {{0, 0},
                          {0, 2 * sy / boxRepeat},
                          {2 * sx / boxRepeat, 2 * sy / boxRepeat},
                          {2 * sx / boxRepeat, 0}};
        AddQuad(&f, cam, top, uv, 1, 255, true);
    }
    return f;
}

// Eight tilted layers over the whole screen drawn nearest first: after the
// first, the depth test rejects almost every pixel, as the ground hidden
// behind near houses and hills is.
inline Frame OverlapFrame() {
    Frame f;
    f.textures.push_back(Picture(128, false, 3));
    Camera cam;
    cam.pitch = 0;
    cam.ez = 0;
    for (int32_t layer = 0; layer < 8; ++layer) {
        float d = 10.0f + 6.0f * layer;
        for (int32_t j = 0; j < 40; ++j)
            for (int32_t i = 0; i < 40; ++i) {
                float x0 = (i - 20) * d * 0.04f, z0 = (j - 20) * d * 0.032f;
                float x1 = x0 + d * 0.04f, z1 = z0 + d * 0.032f;
                // Each layer leans away to the right: depth varies across it.
                auto depth = [&](float x) { return d + 0.4f * x; };
                float p[4][3] = {
                    {x0, depth(x0), z0}, {x0, depth(x0), z1}, {x1, depth(x1), z1}, {x1, depth(x1), z0}};
                float uv[4][2] = {{x0, z0}, {x0, z1}, {x1, z1}, {x1, z0}};
                AddQuad(&f, cam, p, uv, 0, 255, false);
            }
    }
    return f;
}

// The battlefield's ground with 300 puffs of smoke over it: translucent
// textured quads facing the eye, sorted far first and blended.
inline Frame SmokeFrame() {
    Frame f = TypicalFrame(false);
    f.polygons.erase(
        std::remove_if(f.polygons.begin(), f.polygons.end(), [](const Polygon& p) { return p.texture != 0; }),
        f.polygons.end());
    f.textures.push_back(Picture(64, true, 4));
    Camera cam;
    Lcg rng{99};
    struct Puff {
        float x, y, z, r;
    };
    std::vector<Puff> puffs;
    for (int32_t k = 0; k < 300; ++k) {
        float y = rng.Range(80, 600);
        puffs.push_back(
            {rng.Range(-0.6f, 0.6f) * y, y, GroundHeight(0, y) + rng.Range(2, 12), rng.Range(3, 8)});
    }
    std::sort(puffs.begin(), puffs.end(), [](const Puff& a, const Puff& b) { return a.y > b.y; });
    const float c = std::cos(cam.pitch), s = std::sin(cam.pitch);
    for (const Puff& q : puffs) {
        // Facing the eye: spanned by the camera's right and up.
        float p[4][3] = {{q.x - q.r, q.y - q.r * s, q.z - q.r * c},
                         {q.x - q.r, q.y + q.r * s, q.z + q.r * c},
                         {q.x + q.r, q.y + q.r * s, q.z + q.r * c},
                         {q.x + q.r, q.y - q.r * s, q.z - q.r * c}};
        float uv[4][2] = {{0, 1}, {0, 0}, {1, 0}, {1, 1}};
        AddQuad(&f, cam, p, uv, 1, 150, false);
    }
    return f;
}

// 20,000 triangles under 20 pixels each (distant vehicles and trees), w
// varying across each, scattered over the screen.
inline Frame SmallFrame() {
    Frame f;
    f.textures.push_back(Picture(64, false, 5));
    Lcg rng{7};
    for (int32_t k = 0; k < 20000; ++k) {
        float x = rng.Range(0, kWidth - 8), y = rng.Range(0, kHeight - 8), w = rng.Range(100, 900);
        float sx = rng.Range(2.5f, 6), sy = rng.Range(2.5f, 6);
        float dw = rng.Range(-3, 3);
        Polygon poly{int32_t(f.corners.size()), 3, 0, 255};
        f.corners.push_back({x, y, 1.0f - 1.0f / w, 1.0f / w, 0, 0});
        f.corners.push_back({x + sx, y + 1, 1.0f - 1.0f / (w + dw), 1.0f / (w + dw), 1, 0});
        f.corners.push_back({x + 1, y + sy, 1.0f - 1.0f / (w - dw), 1.0f / (w - dw), 0, 1});
        f.polygons.push_back(poly);
    }
    return f;
}

// 3,000 long thin triangles (poles, barrels, wires, the far edges of the
// ground), 1 to 3 pixels wide and 100 to 500 long, at every angle.
inline Frame ThinFrame() {
    Frame f;
    f.textures.push_back(Picture(64, false, 6));
    Lcg rng{11};
    for (int32_t k = 0; k < 3000; ++k) {
        float x = rng.Range(0, kWidth), y = rng.Range(0, kHeight), len = rng.Range(100, 500);
        float a = rng.Range(0, 6.2831f), wide = rng.Range(1, 3), w = rng.Range(20, 400);
        float dx = std::cos(a), dy = std::sin(a);
        float w2 = w * rng.Range(0.7f, 1.4f);
        Polygon poly{int32_t(f.corners.size()), 3, 0, 255};
        f.corners.push_back({x, y, 1.0f - 1.0f / w, 1.0f / w, 0, 0});
        f.corners.push_back({x + dx * len, y + dy * len, 1.0f - 1.0f / w2, 1.0f / w2, 8, 0});
        f.corners.push_back({x - dy * wide, y + dx * wide, 1.0f - 1.0f / w, 1.0f / w, 0, 1});
        f.polygons.push_back(poly);
    }
    return f;
}

// The frame's textures, made once.
struct Textures {
    std::vector<SoftTexture> list;
    explicit Textures(const Frame& f) : list(f.textures.size()) {
        for (size_t i = 0; i < f.textures.size(); ++i)
            list[i].ICreate(f.textures[i]);
    }
};

// The screen device's states (a hardware device, as the game sets it up),
// then the frame polygon by polygon as the renderer hands them over: opaque
// ones with the texture's alpha, translucent ones with the texture's alpha
// times the texture factor.
inline void Draw(SoftDevice3D* d, const Frame& f, const Textures& t) {
    using namespace SoftValue;
    PrepareScreenDevice(d, true);
    d->SetTextureStageState(SoftStage::MagFilter, f.magLinear ? kFilterLinear : kFilterPoint);
    d->SetTextureStageState(SoftStage::ColorArg1, kArgTexture);
    d->SetTextureStageState(SoftStage::ColorOp, kOpSelectArg1);
    d->SetTextureStageState(SoftStage::AlphaArg1, kArgTexture);
    d->SetTextureStageState(SoftStage::AlphaArg2, kArgTFactor);
    int32_t bound = -1;
    uint8_t alpha = 0;
    for (const Polygon& p : f.polygons) {
        if (p.texture != bound) d->SetTexture(&t.list[size_t(p.texture)]), bound = p.texture;
        if (p.alpha != alpha) {
            alpha = p.alpha;
            d->SetTextureStageState(SoftStage::AlphaOp, alpha < 255 ? kOpModulate : kOpSelectArg1);
            d->SetRenderState(SoftState::TextureFactor, (uint32_t(alpha) << 24) | 0xFFFFFFu);
            d->SetRenderState(SoftState::ZWriteEnable, alpha < 255 ? kFalse : kTrue);
        }
        d->DrawPrimitive(SoftPrimitive::TriangleFan, kSoftFvfTex1, &f.corners[size_t(p.first)], p.count,
                         kSoftDrawFlags);
    }
}

// Pixels the frame's triangles cover, counting every layer.
inline int64_t CoveredPixels(const Frame& f) {
    int64_t n = 0;
    for (const Polygon& p : f.polygons)
        for (int32_t i = 1; i + 1 < p.count; ++i) {
            const Vertex* v = &f.corners[size_t(p.first)];
            RasterVertex a{v[0].x, v[0].y, v[0].z, v[0].rhw, 0, 0, 0},
                b{v[i].x, v[i].y, v[i].z, v[i].rhw, 0, 0, 0};
            RasterVertex c{v[i + 1].x, v[i + 1].y, v[i + 1].z, v[i + 1].rhw, 0, 0, 0};
            RasterVertex poly[8];
            int32_t m = ClipToGuardBand(a, b, c, kWidth, kHeight, poly);
            for (int32_t k = 1; k + 1 < m; ++k) {
                TriangleSetup t;
                if (!SetupTriangle(poly[0], poly[k], poly[k + 1], kWidth, kHeight, &t)) continue;
                for (RowWalker rows(t); rows.Row() <= t.maxY; rows.Next()) {
                    int32_t x0, x1;
                    if (rows.Span(&x0, &x1)) n += x1 - x0;
                }
            }
        }
    return n;
}

} // namespace battle_frames
