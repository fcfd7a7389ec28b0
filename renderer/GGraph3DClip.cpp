// Clipping of the work polygon against the six planes of the view volume:
// near Z > 0, left X > -W, right X < W, bottom Y > -W, top Y < W and far
// Z <= W (skipped under distant depth). The planes run alternately from one
// buffer into the other; a plane that every corner passes is skipped.
#include "renderer/GGraph3D.h"

namespace {

enum Plane { kNear, kLeft, kRight, kBottom, kTop, kFar };

float Distance(const WorkVertex& v, int32_t plane) {
    switch (plane) {
    case kNear: return v.Z;
    case kLeft: return v.X + v.W;
    case kRight: return v.X - v.W;
    case kBottom: return v.Y + v.W;
    case kTop: return v.Y - v.W;
    default: return v.Z - v.W;
    }
}

bool Inside(const WorkVertex& v, int32_t plane) {
    switch (plane) {
    case kNear: return v.Z > 0.0f;
    case kLeft: return v.X > -v.W;
    case kRight: return v.X < v.W;
    case kBottom: return v.Y > -v.W;
    case kTop: return v.Y < v.W;
    default: return v.Z <= v.W;
    }
}

// The point of the edge from prev to cur on the plane, written into out
// (whose U and V stay as they were unless the polygon is textured).
void Intersect(const WorkVertex& prev, const WorkVertex& cur, int32_t plane, bool textured,
               WorkVertex* out) {
    float dp = Distance(prev, plane), dc = Distance(cur, plane);
    float t = dp / (dp - dc);
    auto lerp = [t](float a, float b) { return a + (b - a) * t; };
    out->W = lerp(prev.W, cur.W);
    out->X = lerp(prev.X, cur.X);
    out->Y = lerp(prev.Y, cur.Y);
    out->Z = lerp(prev.Z, cur.Z);
    switch (plane) {
    case kNear: out->Z = 0.0f; break;
    case kLeft: out->X = -out->W; break;
    case kRight: out->X = out->W; break;
    case kBottom: out->Y = -out->W; break;
    case kTop: out->Y = out->W; break;
    default: out->Z = out->W; break;
    }
    if (textured) {
        out->U = lerp(prev.U, cur.U);
        out->V = lerp(prev.V, cur.V);
    }
}

}  // namespace

bool GGraph3D::Clip() {
    WorkPolygon scratch;
    scratch.count = 0;
    WorkPolygon* src = &mWorkPolygon;
    WorkPolygon* dst = &scratch;
    if (src->count < 0 || src->count > kMaxPolygonVertices) return false;
    for (int32_t plane = kNear; plane <= kFar; ++plane) {
        if (plane == kFar && mDistantZ) continue;
        int32_t n = src->count;
        uint32_t mask = 0;
        for (int32_t i = 0; i < n; ++i)
            if (Inside(src->v[i], plane)) mask |= 1u << i;
        if (mask == 0) return false;
        if (mask == (1u << n) - 1) continue;
        int32_t m = 0;
        int32_t prev = n - 1;
        bool prevIn = (mask >> prev) & 1;
        for (int32_t cur = 0; cur < n; ++cur) {
            bool curIn = (mask >> cur) & 1;
            if (prevIn != curIn && m < kMaxPolygonVertices)
                Intersect(src->v[prev], src->v[cur], plane, mPolygonTextured, &dst->v[m++]);
            if (curIn && m < kMaxPolygonVertices) dst->v[m++] = src->v[cur];
            prev = cur;
            prevIn = curIn;
        }
        dst->count = m;
        std::swap(src, dst);
    }
    for (int32_t i = 0; i < src->count; ++i) {
        WorkVertex& v = src->v[i];
        if (v.X > v.W) v.X = v.W;
        else if (v.X < -v.W) v.X = -v.W;
        if (v.Y > v.W) v.Y = v.W;
        else if (v.Y < -v.W) v.Y = -v.W;
    }
    if (src != &mWorkPolygon) mWorkPolygon = *src;
    return true;
}
