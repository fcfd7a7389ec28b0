// Order and information lines as ribbons that follow the ground: the chord
// between two points is broken wherever it would pass too close above the
// terrain, and each piece is a low ridge of two quads.
#include <algorithm>
#include <cmath>

#include "draw/Draw3D.h"
#include "draw/DrawSettings.h"
#include "draw/DrawTables.h"
#include "map/Map.h"

namespace {
struct Ribbon {
    bool textured;
    float ox, oy, h, v0, v1;
};

struct P3 {
    float x, y, z;
};

void Piece(const Ribbon& r, const P3& A, const P3& B) {
    if (r.textured) {
        const float q1[20] = {A.x,  A.y,   A.z + r.h, 0.96f,      r.v0,       A.x - r.ox, A.y - r.oy,
                              A.z,  0.04f, r.v0,      B.x - r.ox, B.y - r.oy, B.z,        0.04f,
                              r.v1, B.x,   B.y,       B.z + r.h,  0.96f,      r.v1};
        const float q2[20] = {A.x + r.ox, A.y + r.oy, A.z,        0.04f, r.v0,  A.x,       A.y,
                              A.z + r.h,  0.96f,      r.v0,       B.x,   B.y,   B.z + r.h, 0.96f,
                              r.v1,       B.x + r.ox, B.y + r.oy, B.z,   0.04f, r.v1};
        d3::TexturedQuad(q1);
        d3::TexturedQuad(q2);
    } else {
        d3::Quad(A.x, A.y, A.z + r.h, A.x - r.ox, A.y - r.oy, A.z, B.x - r.ox, B.y - r.oy, B.z, B.x, B.y,
                 B.z + r.h);
        d3::Quad(A.x + r.ox, A.y + r.oy, A.z, A.x, A.y, A.z + r.h, B.x, B.y, B.z + r.h, B.x + r.ox,
                 B.y + r.oy, B.z);
    }
}
} // namespace

void Map::SetConformingLineTexture(int32_t row) {
    d3::Texture(mLineTexture);
    row = std::clamp(row, 0, 31);
    mLineV0 = static_cast<float>(row) * 0.03125f + 0.001f;
    mLineV1 = static_cast<float>(row) * 0.03125f + 0.03125f - 0.001f;
}

void Map::DrawConforming3DLine(bool textured, bool wide, float x1, float y1, float z1, float x2, float y2,
                               float z2) {
    const DrawSettings& prefs = CurrentDrawSettings();
    if (prefs.mHideGameAids && prefs.mState == 8) return;
    auto clampC = [](float v) { return std::isfinite(v) ? std::clamp(v, -25000.0f, 25000.0f) : 0.0f; };
    x1 = clampC(x1), y1 = clampC(y1), z1 = clampC(z1), x2 = clampC(x2), y2 = clampC(y2), z2 = clampC(z2);
    d3::SetCull(false);
    const bool xMajor = std::fabs(x2 - x1) > std::fabs(y2 - y1);
    if ((xMajor && x1 > x2) || (!xMajor && y1 > y2)) {
        std::swap(x1, x2);
        std::swap(y1, y2);
        std::swap(z1, z2);
    }
    const int32_t L = ClampLevel(mCameraLevel[ViewingSide()]);
    const float lift = L < 5 ? 0.4f : static_cast<float>(L) + 0.7f - 5.0f;
    const float least = L < 5 ? 0.2f : 0.4f;
    z1 += lift;
    z2 += lift;
    float a = BearingDegrees(x2 - x1, y2 - y1) + 90.0f;
    if (a < 0.0f) a += static_cast<float>(static_cast<int32_t>(a * (-1.0f / 360.0f)) + 1) * 360.0f;
    if (a >= 360.0f) a -= static_cast<float>(static_cast<int32_t>(a * (1.0f / 360.0f))) * 360.0f;
    const float w = wide ? 0.76f : 0.38f;
    const double rad = a * 0.017453292519444445;
    const Ribbon rib{textured,
                     static_cast<float>(w * std::cos(rad)),
                     static_cast<float>(w * std::sin(rad)),
                     w * 0.5f,
                     mLineV0,
                     mLineV1};

    P3 S{x1, y1, z1};
    const P3 E{x2, y2, z2};
    int32_t probes = 0;
    for (;;) {
        const float dx = E.x - S.x, dy = E.y - S.y, dz = E.z - S.z;
        const float d = std::sqrt(dx * dx + dy * dy + dz * dz);
        const float run = xMajor ? E.x - S.x : E.y - S.y;
        if (d < 5.0f || run <= 0.1f) {
            if (d > 0.0f) Piece(rib, S, E);
            break;
        }
        const P3 t{dx * 5.0f / d, dy * 5.0f / d, dz * 5.0f / d};
        P3 P = S;
        bool restarted = false;
        for (;;) {
            P.x += t.x;
            P.y += t.y;
            P.z += t.z;
            if ((xMajor ? P.x >= E.x : P.y >= E.y) || probes >= 3000) break;
            ++probes;
            const float g = GetZCoord(P.x, P.y);
            if (P.z - g >= least) continue;
            P.z = g + lift;
            Piece(rib, S, P);
            S = P;
            restarted = true;
            break;
        }
        if (!restarted) {
            Piece(rib, S, E);
            break;
        }
    }
    d3::SetCull(true);
}
