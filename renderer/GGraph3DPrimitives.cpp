// The polygon pipeline of every primitive: object corners through the
// current matrix into camera space, back-face culling, projection, trivial
// rejection and acceptance or clipping, the pick passes, screen mapping, the
// hilite box, and drawing at once or storing as a translucent record.
#include <algorithm>
#include <cstring>

#include "renderer/GGraph3D.h"
#include "renderer/RenderHost.h"

namespace {

constexpr uint32_t kTexturedRecord = 0x10000;  // type-word flag: 24-byte vertices

}  // namespace

void GGraph3D::TransformCorner(int32_t i, float x, float y, float z) {
    const float(&m)[4][4] = mCurrentMatrix->m;
    WorkVertex& v = mWorkPolygon.v[i];
    v.W = -(x * m[0][2] + y * m[1][2] + z * m[2][2] + m[3][2]);
    v.X = x * m[0][0] + y * m[1][0] + z * m[2][0] + m[3][0];
    v.Y = x * m[0][1] + y * m[1][1] + z * m[2][1] + m[3][1];
}

void GGraph3D::DrawDevice(SoftDevice3D* device, int32_t count, bool textured) {
    if (!device) return;
    SoftPrimitive type = count == 3 ? SoftPrimitive::TriangleList : SoftPrimitive::TriangleFan;
    if (textured) device->DrawPrimitive(type, kSoftFvfTex1, mTexturedVertices, count, kSoftDrawFlags);
    else device->DrawPrimitive(type, kSoftFvfDiffuse, mGouraudVertices, count, kSoftDrawFlags);
}

void GGraph3D::MapToScreen(bool textured, bool pick, bool run) {
    for (int32_t i = 0; i < mWorkPolygon.count; ++i) {
        const WorkVertex& w = mWorkPolygon.v[i];
        float rhw = static_cast<float>(1.0 / static_cast<double>(w.W));
        // Strips and fans scale by the half size before the reciprocal,
        // single polygons after it; the float results may differ in the
        // last bit, and each keeps its own order.
        float x = run ? mViewCenterX + w.X * mViewHalfWidth * rhw : mViewCenterX + w.X * rhw * mViewHalfWidth;
        float y = run ? mViewCenterY - w.Y * mViewHalfHeight * rhw : mViewCenterY - w.Y * rhw * mViewHalfHeight;
        float z = mDistantZ ? (pick ? mDistantPickDepth : mDistantDepth) : w.Z * rhw;
        if (pick) {
            // The pick window is 7 x 7 pixels.
            x = x < 0.0f ? 0.0f : (x > 6.99f ? 6.99f : x);
            y = y < 0.0f ? 0.0f : (y > 6.99f ? 6.99f : y);
        }
        if (textured) {
            mTexturedVertices[i] = TexturedVertex{x, y, z, rhw, w.U, -w.V};
        } else {
            GouraudVertex& g = mGouraudVertices[i];
            g.x = x;
            g.y = y;
            g.z = z;
            g.rhw = rhw;
        }
        if (mHiliteBoxOn && !pick) {
            if (x < mHiliteMinX) mHiliteMinX = x;
            if (x > mHiliteMaxX) mHiliteMaxX = x;
            if (y < mHiliteMinY) mHiliteMinY = y;
            if (y > mHiliteMaxY) mHiliteMaxY = y;
        }
    }
}

void GGraph3D::StoreTranslucent(bool textured) {
    if (mTransparencyWrite >= mTransparencyLimit) return;  // full: dropped
    int32_t n = mWorkPolygon.count;
    uint32_t type = (n == 3 ? 4u : 6u) | (textured ? kTexturedRecord : 0u);
    GGraphic* texture = textured ? mCurrentTexture : nullptr;
    uint8_t* p = mTransparencyWrite;
    std::memcpy(p, &type, 4);
    std::memcpy(p + 4, &n, 4);
    std::memcpy(p + 8, &texture, sizeof texture);
    static_assert(sizeof(GGraphic*) <= 8);
    if (textured) std::memcpy(p + 16, mTexturedVertices, size_t(n) * sizeof(TexturedVertex));
    else std::memcpy(p + 16, mGouraudVertices, size_t(n) * sizeof(GouraudVertex));
    mTransparencyWrite += 16 + n * (textured ? 24 : 20);
    if (textured && mAlphaWrite < mAlphaLimit) *mAlphaWrite++ = static_cast<uint8_t>(mColor >> 24);
}

void GGraph3D::DrawOrStore(bool textured) {
    bool translucent = (mColor >> 24) != 0xFF && !mSortIndependent;
    if (mDistantZ || !translucent) DrawDevice(Device(), mWorkPolygon.count, textured);
    else StoreTranslucent(textured);
}

void GGraph3D::DrawPickPolygon(bool run) {
    if (mPickPass == 1) {
        uint32_t id = 0xFF000000u | (static_cast<uint32_t>(mNextPickID) & 0xFFFFFFu);
        ++mNextPickID;
        for (int32_t i = mWorkPolygon.count - 1; i >= 0; --i) mGouraudVertices[i].color = id;
        MapToScreen(false, true, run);
        DrawDevice(mPickDevice.get(), mWorkPolygon.count, false);
        return;
    }
    int32_t id = mNextPickID++;
    if (id == mPickedID) ComputePickedPoint();
}

// Steps 4 to 12 of the pipeline, once the work polygon holds X, Y, W (and
// U, V) of its corners.
void GGraph3D::FinishPolygon(bool run) {
    WorkPolygon& p = mWorkPolygon;
    if (mBackFaceCull) {
        const WorkVertex &c0 = p.v[0], &c1 = p.v[1], &c2 = p.v[2];
        float aX = c1.X - c0.X, aY = c1.Y - c0.Y, aW = c1.W - c0.W;
        float bX = c2.X - c1.X, bY = c2.Y - c1.Y, bW = c2.W - c1.W;
        float t = (aX * bY - aY * bX) * c0.W + (aY * bW - aW * bY) * c0.X + (aW * bX - aX * bW) * c0.Y;
        if (mFrontClockwise ? t >= 0.0f : t <= 0.0f) return;
    }
    if (FogCullLimit() > 0.0f) {
        // Every pixel's w (1 / the interpolated 1 / w) is at least the
        // corners' least; past the end by this margin the fog factor is 0
        // at every pixel despite rounding, and the colour the fog colour.
        float nearest = p.v[0].W;
        for (int32_t i = 1; i < p.count; ++i) nearest = std::min(nearest, p.v[i].W);
        if (nearest >= FogCullLimit()) {
            ++mFogCulled;
            return;
        }
    }
    for (int32_t i = 0; i < p.count; ++i) {
        WorkVertex& v = p.v[i];
        v.X *= mProjectionX;
        v.Y *= mProjectionY;
        v.Z = v.W * mDepthScale + mDepthOffset;
    }
    if (mClipNeeded) {
        bool allNear = true, allLeft = true, allRight = true, allBottom = true, allTop = true, allFar = true;
        bool inside = true;
        for (int32_t i = 0; i < p.count; ++i) {
            const WorkVertex& v = p.v[i];
            allNear = allNear && v.Z <= 0.0f;
            allLeft = allLeft && v.X <= -v.W;
            allRight = allRight && v.X >= v.W;
            allBottom = allBottom && v.Y <= -v.W;
            allTop = allTop && v.Y >= v.W;
            allFar = allFar && v.Z >= v.W;
            inside = inside && v.X > -v.W && v.X < v.W && v.Y > -v.W && v.Y < v.W && v.Z > 0.0f &&
                     (mDistantZ || v.Z < v.W);
        }
        if (allNear || allLeft || allRight || allBottom || allTop || (!mDistantZ && allFar)) return;
        if (!inside && !Clip()) return;
    }
    if (mPickPass != 0) {
        DrawPickPolygon(run);
        return;
    }
    MapToScreen(mPolygonTextured, false, run);
    DrawOrStore(mPolygonTextured);
}

// One triangle of three object corners (and texture coordinates when the
// polygon is textured): steps 1 to 3, then the rest.
void GGraph3D::RunTriangle(const float* p0, const float* p1, const float* p2, const float* t0,
                           const float* t1, const float* t2, bool run) {
    TransformCorner(0, p0[0], p0[1], p0[2]);
    TransformCorner(1, p1[0], p1[1], p1[2]);
    TransformCorner(2, p2[0], p2[1], p2[2]);
    WorkPolygon& p = mWorkPolygon;
    if (mClipNeeded && p.v[0].W < 0.0f && p.v[1].W < 0.0f && p.v[2].W < 0.0f) return;
    p.count = 3;
    if (t0) {
        p.v[0].U = t0[0];
        p.v[0].V = t0[1];
        p.v[1].U = t1[0];
        p.v[1].V = t1[1];
        p.v[2].U = t2[0];
        p.v[2].V = t2[1];
    }
    FinishPolygon(run);
}

void GGraph3D::DrawTriangle(float x0, float y0, float z0, float x1, float y1, float z1, float x2,
                            float y2, float z2) {
    const float p[9] = {x0, y0, z0, x1, y1, z1, x2, y2, z2};
    DrawTriangleV(p);
}

void GGraph3D::DrawTriangleV(const float* xyz) {
    RunTriangle(xyz, xyz + 3, xyz + 6, nullptr, nullptr, nullptr);
}

void GGraph3D::DrawTexturedTriangle(float x0, float y0, float z0, float u0, float v0, float x1, float y1,
                                    float z1, float u1, float v1, float x2, float y2, float z2, float u2,
                                    float v2) {
    const float p[9] = {x0, y0, z0, x1, y1, z1, x2, y2, z2};
    const float t[6] = {u0, v0, u1, v1, u2, v2};
    DrawTexturedTriangleV(p, t);
}

void GGraph3D::DrawTexturedTriangleV(const float* xyz, const float* uv) {
    mPolygonTextured = true;
    RunTriangle(xyz, xyz + 3, xyz + 6, uv, uv + 2, uv + 4);
    mPolygonTextured = false;
}

void GGraph3D::DrawQuad(float x0, float y0, float z0, float x1, float y1, float z1, float x2, float y2,
                        float z2, float x3, float y3, float z3) {
    const float p[12] = {x0, y0, z0, x1, y1, z1, x2, y2, z2, x3, y3, z3};
    for (int32_t i = 0; i < 4; ++i) TransformCorner(i, p[i * 3], p[i * 3 + 1], p[i * 3 + 2]);
    WorkPolygon& w = mWorkPolygon;
    if (mClipNeeded && w.v[0].W < 0.0f && w.v[1].W < 0.0f && w.v[2].W < 0.0f && w.v[3].W < 0.0f) return;
    w.count = 4;
    FinishPolygon();
}

void GGraph3D::DrawTexturedQuad(float x0, float y0, float z0, float u0, float v0, float x1, float y1,
                                float z1, float u1, float v1, float x2, float y2, float z2, float u2,
                                float v2, float x3, float y3, float z3, float u3, float v3) {
    const float p[12] = {x0, y0, z0, x1, y1, z1, x2, y2, z2, x3, y3, z3};
    const float t[8] = {u0, v0, u1, v1, u2, v2, u3, v3};
    DrawTexturedQuadV(p, t);
}

void GGraph3D::DrawTexturedQuadV(const float* xyz, const float* uv) {
    mPolygonTextured = true;
    for (int32_t i = 0; i < 4; ++i) TransformCorner(i, xyz[i * 3], xyz[i * 3 + 1], xyz[i * 3 + 2]);
    WorkPolygon& w = mWorkPolygon;
    if (!(mClipNeeded && w.v[0].W < 0.0f && w.v[1].W < 0.0f && w.v[2].W < 0.0f && w.v[3].W < 0.0f)) {
        w.count = 4;
        for (int32_t i = 0; i < 4; ++i) {
            w.v[i].U = uv[i * 2];
            w.v[i].V = uv[i * 2 + 1];
        }
        FinishPolygon();
    }
    mPolygonTextured = false;
}

// The fast path of strips and fans: no tests at all, 20 triangles a call.
void GGraph3D::FastRun(bool fan, bool textured, int32_t n, const float* xyz, const float* uv) {
    SoftDevice3D* device = Device();
    const float(&m)[4][4] = mCurrentMatrix->m;
    TexturedVertex tv[22];
    GouraudVertex gv[22];
    const float fogLimit = FogCullLimit();
    for (int32_t t = 0; t < n;) {
        int32_t batch = n - t < 20 ? n - t : 20;
        int32_t count = batch + 2;
        float nearest = 3.4e38f;
        for (int32_t k = 0; k < count; ++k) {
            // Fans repeat the centre; strips start with the last two corners
            // of the batch before.
            int32_t index = fan ? (k == 0 ? 0 : t + k) : t + k;
            const float* p = xyz + index * 3;
            float X = p[0] * m[0][0] + p[1] * m[1][0] + p[2] * m[2][0] + m[3][0];
            float Y = p[0] * m[0][1] + p[1] * m[1][1] + p[2] * m[2][1] + m[3][1];
            float w = -(p[0] * m[0][2] + p[1] * m[1][2] + p[2] * m[2][2] + m[3][2]);
            nearest = std::min(nearest, w);
            float rhw = 1.0f / w;
            float sx = mViewCenterX + X * rhw * mProjectionX * mViewHalfWidth;
            float sy = mViewCenterY - Y * rhw * mProjectionY * mViewHalfHeight;
            float z = (w * mDepthScale + mDepthOffset) * rhw;
            if (textured) tv[k] = TexturedVertex{sx, sy, z, rhw, uv[index * 2], -uv[index * 2 + 1]};
            else gv[k] = GouraudVertex{sx, sy, z, rhw, mColor};
            if (mHiliteBoxOn) {
                if (sx < mHiliteMinX) mHiliteMinX = sx;
                if (sx > mHiliteMaxX) mHiliteMaxX = sx;
                if (sy < mHiliteMinY) mHiliteMinY = sy;
                if (sy > mHiliteMaxY) mHiliteMaxY = sy;
            }
        }
        SoftPrimitive type = fan ? SoftPrimitive::TriangleFan : SoftPrimitive::TriangleStrip;
        // Every triangle of the batch lies past the fog's end (as in
        // FinishPolygon).
        if (fogLimit > 0.0f && nearest >= fogLimit) {
            mFogCulled += batch;
            t += batch;
            continue;
        }
        if (device) {
            if (textured) device->DrawPrimitive(type, kSoftFvfTex1, tv, count, kSoftDrawFlags);
            else device->DrawPrimitive(type, kSoftFvfDiffuse, gv, count, kSoftDrawFlags);
        }
        t += batch;
    }
}

// The careful path: every triangle through the whole pipeline.
void GGraph3D::CarefulRun(bool fan, bool textured, int32_t n, const float* xyz, const float* uv) {
    for (int32_t k = 0; k < n; ++k) {
        int32_t a, b, c = k + 2;
        if (fan) {
            a = 0;
            b = k + 1;
        } else if (k & 1) {
            a = k + 1;
            b = k;
        } else {
            a = k;
            b = k + 1;
        }
        if (textured) RunTriangle(xyz + a * 3, xyz + b * 3, xyz + c * 3, uv + a * 2, uv + b * 2, uv + c * 2, true);
        else RunTriangle(xyz + a * 3, xyz + b * 3, xyz + c * 3, nullptr, nullptr, nullptr, true);
    }
}

namespace {

bool FastPathAllowed(bool needsClip, int32_t pickPass, bool sortIndependent, uint32_t color) {
    return !needsClip && pickPass == 0 && (sortIndependent || (color >> 24) == 0xFF);
}

}  // namespace

void GGraph3D::DrawTextureFan(bool needsClip, int32_t n, const float* xyz, const float* uv) {
    if (n <= 0 || !xyz || !uv) return;
    if (FastPathAllowed(needsClip, mPickPass, mSortIndependent, mColor)) return FastRun(true, true, n, xyz, uv);
    mPolygonTextured = true;
    CarefulRun(true, true, n, xyz, uv);
    mPolygonTextured = false;
}

void GGraph3D::DrawTextureStrip(bool needsClip, int32_t n, const float* xyz, const float* uv) {
    if (n <= 0 || !xyz || !uv) return;
    if (FastPathAllowed(needsClip, mPickPass, mSortIndependent, mColor)) return FastRun(false, true, n, xyz, uv);
    mPolygonTextured = true;
    CarefulRun(false, true, n, xyz, uv);
    mPolygonTextured = false;
}

void GGraph3D::DrawFan(bool needsClip, int32_t n, const float* xyz) {
    if (n <= 0 || !xyz) return;
    if (FastPathAllowed(needsClip, mPickPass, mSortIndependent, mColor)) return FastRun(true, false, n, xyz, nullptr);
    CarefulRun(true, false, n, xyz, nullptr);
}

void GGraph3D::DrawStrip(bool needsClip, int32_t n, const float* xyz) {
    if (n <= 0 || !xyz) return;
    if (FastPathAllowed(needsClip, mPickPass, mSortIndependent, mColor)) return FastRun(false, false, n, xyz, nullptr);
    CarefulRun(false, false, n, xyz, nullptr);
}
