// Trees: upright pictures turned to the eye and swaying in a gusting wind
// near the ground, flat crowns seen from above at high camera levels.
#include <algorithm>
#include <cmath>

#include "battle/Battle.h"
#include "draw/Draw3D.h"
#include "draw/DrawInternal.h"
#include "draw/DrawSettings.h"
#include "draw/DrawTables.h"
#include "map/Map.h"

float sGustForce = 0.0f;
float sWindSway = 0.0f;

namespace {
constexpr float kGustLimit[4] = {0.02f, 0.23f, 0.73f, 2.0f};
constexpr float kGustRate[4] = {0.15f, 0.75f, 2.6f, 6.0f};
float sGustSideSin = 0.0f;
float sGustLean = 1.0f;
float sSwayRangeSquared = 0.0f;

struct TreePass {
    Map* map;
    int32_t level;
    int32_t density;
    float zoom;
};
TreePass sPass;

bool TileVisible(const Map* m, float x, float y) {
    if (!std::isfinite(x) || !std::isfinite(y)) return false;
    const int32_t I = static_cast<int32_t>(std::clamp(x * 0.0125f, -1.0f, 1.0e6f));
    const int32_t J = static_cast<int32_t>(std::clamp(y * 0.0125f, -1.0f, 1.0e6f));
    if (x < 0.0f || y < 0.0f || I >= m->mLevelWidth[2] || J >= m->mLevelHeight[2]) return false;
    const size_t t = static_cast<size_t>(I) * m->mLevelHeight[2] + J;
    return t < m->mSuperTileVisibility.size() && m->mSuperTileVisibility[t] != 0;
}

int32_t TreeSlot(const Tree* t) {
    return std::clamp<int32_t>(t->mKind, 0, 2) * 20 + std::clamp<int32_t>(t->mVariant, 0, 19);
}

void DrawNearTree(int32_t index, GObject* member, void*) {
    const Tree* t = static_cast<const Tree*>(member);
    Map* m = sPass.map;
    if (!TileVisible(m, t->mX, t->mY)) return;
    const float dx = m->mEyeX - t->mX, dy = m->mEyeY - t->mY;
    const float d2 = dx * dx + dy * dy;
    const int32_t p = sPass.density;
    float f;
    if (p < 3 && d2 > 600000.0f * sPass.zoom * sPass.zoom * static_cast<float>(std::max(p, 1))) {
        if (index % 2 == 1) return;
        f = 2.0f;
    } else {
        switch (m->mTreeKinds[TreeSlot(t)]) {
        case 1:
            f = 0.75f;
            break;
        case 2:
            f = 0.5f;
            break;
        case 3:
            f = 1.7f;
            break;
        default:
            f = 1.0f;
            break;
        }
    }
    d3::Texture(m->mTreeTextures[TreeSlot(t)]);
    const float angle = BearingDegrees(dx, dy);
    d3::Push();
    d3::Translate(t->mX, t->mY, t->mZ);
    d3::RotateZ(angle - 90.0f);
    d3::Scale(f * t->mSize, t->mSize, t->mSize * (t->mTall ? 2.0f : 1.0f));
    float dip = 0.0f, shift = 0.0f, top = 1.0f;
    if (sPass.level < 4 && d2 <= sSwayRangeSquared) {
        float q = t->mX + t->mY;
        q -= std::trunc(q);
        const float period = q * 4.0f + 2.0f;
        const float tt = static_cast<float>(DrawLastFrameTime()) * 0.001f / period;
        const int64_t k = static_cast<int64_t>(tt);
        float u = tt - static_cast<float>(k);
        if (k % 2 == 0) u = 1.0f - u;
        const float amount = (0.7f * (u - 0.5f) + 0.7f) * sGustForce * std::fabs(sGustSideSin);
        dip = amount * 0.007f;
        shift = amount * 0.07f;
        top = sGustLean;
    }
    const float u0 = t->mMirror ? -0.005f : 0.005f, u1 = t->mMirror ? -0.995f : 0.995f;
    float x2, z2, x3, z3;
    if (sGustSideSin < 0.0f) {
        x2 = 0.66f * shift - 0.5f;
        z2 = top;
        x3 = shift + 0.5f;
        z3 = (1.0f - dip) * top;
    } else {
        x2 = -0.5f - shift;
        z2 = (1.0f - dip) * top;
        x3 = 0.5f - 0.66f * shift;
        z3 = top;
    }
    const float c[20] = {-0.5f, 0, 0,  u0, 0.005f, x2,   0, z2, u0, 0.995f,
                         x3,    0, z3, u1, 0.995f, 0.5f, 0, 0,  u1, 0.005f};
    d3::TexturedQuad(c);
    d3::Pop();
}

void DrawFarTree(GObject* member, void*) {
    const Tree* t = static_cast<const Tree*>(member);
    Map* m = sPass.map;
    if (!TileVisible(m, t->mX, t->mY)) return;
    d3::Texture(m->mTreeTextures2[TreeSlot(t)]);
    d3::Push();
    d3::Translate(t->mX, t->mY, t->mZ + 1.5f);
    d3::RotateZ(t->mTurn);
    d3::Scale(t->mSize, t->mSize, t->mSize);
    const float c[20] = {-0.5f, -0.5f, 0, 0, 0, -0.5f, 0.5f,  0, 0, 1,
                         0.5f,  0.5f,  0, 1, 1, 0.5f,  -0.5f, 0, 1, 0};
    d3::TexturedQuad(c);
    d3::Pop();
}
} // namespace

void Map::DrawTrees() {
    const DrawSettings& prefs = CurrentDrawSettings();
    const bool pick = d3::PickPass();
    const int32_t side = ViewingSide();
    const int32_t L = ClampLevel(mCameraLevel[side]);
    const int32_t density = std::clamp(prefs.mTreeDensity, 0, 4);
    const float zoom = static_cast<float>(std::max(prefs.mZoom, 1));
    if (!pick) {
        const int32_t ws = gBattle ? std::clamp(gBattle->mWindStrength, 0, 3) : 0;
        const float W = kGustLimit[ws], G = kGustRate[ws];
        const float S = static_cast<float>(mScreenWidth);
        sSwayRangeSquared = density <= 1 ? 0.0f : 0.045f * W * W * zoom * S * S;
        float a = RandomFraction01() * 2.0f - 1.0f;
        if (sGustForce > 0.5f * W) a -= (sGustForce - 0.5f * W) * 0.1f;
        const float dt = static_cast<float>(DrawFrameMs()) * 0.001f;
        sWindSway = std::clamp(sWindSway + a * dt * G, -1.0f, 1.0f);
        sGustForce += sWindSway * dt;
        const float low = std::max(W * 0.35f - 0.05f, 0.0f);
        if (sGustForce < low) {
            sGustForce = low;
            if (sWindSway < 0.0f) sWindSway = 0.0f;
        } else if (sGustForce > W) {
            sGustForce = W;
            if (sWindSway > 0.0f) sWindSway = 0.0f;
        }
        const float windDir = gBattle ? gBattle->mWindDirection : 0.0f;
        const float angle = mCameraHeading[side] - (windDir + 180.0f) * 3.14159265f / 180.0f;
        sGustSideSin = std::sin(angle);
        const float c = std::cos(angle);
        sGustLean = 1.0f - 0.01f * sGustForce * c * std::fabs(c) * std::fabs(c);
    }
    if (!(density > 0 && !pick)) return;
    d3::SetCull(false);
    const bool near = L < 4 || (L == 4 && (mLevelTransition == 0.0f || mPreviousCameraLevel == 3));
    sPass = TreePass{this, L, density, zoom};
    for (int32_t n = 0; n < kTreeLists; ++n) {
        if (n > 0 && density <= n) break;
        if (!mTrees[n]) continue;
        if (near)
            mTrees[n]->DoForEachIndex(DrawNearTree, nullptr);
        else
            mTrees[n]->DoForEach(DrawFarTree, nullptr);
    }
    d3::SetCull(true);
}
