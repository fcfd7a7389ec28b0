// What lies beyond the map: four sky panels far away, the flat outside
// ground, the marker beyond the far edge, the skirts that close the map's
// side when the eye stands at an edge, and the exit zones.
#include <cmath>

#include "battle/Battle.h"
#include "draw/Draw3D.h"
#include "draw/DrawInternal.h"
#include "draw/DrawSettings.h"
#include "draw/DrawTables.h"
#include "map/Map.h"

namespace {
constexpr float kPanel = 250000.0f;
constexpr float kPanelTop = 160000.0f;

struct Backdrop {
    float x[129], u[129], top[129];
    Backdrop() {
        for (int32_t k = 0; k <= 128; ++k) {
            x[k] = static_cast<float>(k * 500250.0 / 128 - 250125.0);
            u[k] = k == 0 ? 0.0005f : (k == 128 ? 0.9995f : static_cast<float>(k) / 128.0f);
        }
        top[0] = top[128] = 1.0f;
        const float a064 = static_cast<float>(std::atan(0.64));
        for (int32_t k = 1; k <= 64; ++k) {
            const float v = static_cast<float>(a064 / std::atan(0.64 / std::sqrt(1.0 + k / 64.0)));
            top[k] = top[128 - k] = v;
        }
    }
};

const Backdrop& BackdropTables() {
    static const Backdrop b;
    return b;
}

void Quad5(float x0, float y0, float z0, float u0, float v0, float x1, float y1, float z1, float u1, float v1,
           float x2, float y2, float z2, float u2, float v2, float x3, float y3, float z3, float u3,
           float v3) {
    const float c[20] = {x0, y0, z0, u0, v0, x1, y1, z1, u1, v1, x2, y2, z2, u2, v2, x3, y3, z3, u3, v3};
    d3::TexturedQuad(c);
}
} // namespace

void Map::DrawOutsideWorldColor(float a) {
    const int32_t ground = gBattle ? gBattle->mGroundCondition : 0;
    const int32_t date = gBattle ? gBattle->mDate : 4406;
    if (ground >= 6 && ground <= 8)
        d3::Color(0.45f * a, 0.45f * a, 0.5f * a);
    else if (date <= 4312)
        d3::Color(0.35f * a, 0.25f * a, 0.05f * a);
    else
        d3::Color(0.14f * a, 0.2f * a, 0.0f);
}

void Map::DrawOutsideWorld() {
    const int32_t s = ViewingSide();
    const DrawSettings& prefs = CurrentDrawSettings();
    const int32_t L = ClampLevel(mCameraLevel[s]);
    const float zLow = mHeightScale * -3.0f - 1.0f;
    d3::SetCull(false);
    d3::SetDistantZ(true);
    // Backdrop.
    if (L <= 4 || (L == 5 && mLevelTransition != 0.0f && mPreviousCameraLevel >= 4)) {
        const Backdrop& b = BackdropTables();
        const float hd = std::isfinite(mCameraHeading[s]) ? mCameraHeading[s] : 0.0f;
        int32_t D = static_cast<int32_t>(std::fmod(static_cast<double>(hd) * 57.29577951471995, 360.0));
        if (D < 0) D += 360;
        if (!(D >= 110 && D <= 250)) {
            d3::Texture(mSkyTextures[0]);
            for (int32_t k = 0; k < 128; ++k)
                Quad5(kPanel, b.x[k], zLow, b.u[128 - k], 0.01f, kPanel, b.x[k + 1], zLow, b.u[127 - k],
                      0.01f, kPanel, b.x[k + 1], kPanelTop, b.u[127 - k], b.top[127 - k], kPanel, b.x[k],
                      kPanelTop, b.u[128 - k], b.top[128 - k]);
        }
        for (int32_t pass = 0; pass < 2; ++pass) {
            const float y = pass == 0 ? kPanel : -kPanel;
            const bool skip = pass == 0 ? (D >= 200 && D <= 340) : (D >= 20 && D <= 160);
            if (skip) continue;
            d3::Texture(mSkyTextures[1]);
            for (int32_t k = 0; k < 128; ++k)
                Quad5(b.x[k], y, zLow, b.u[k], 0.01f, b.x[k + 1], y, zLow, b.u[k + 1], 0.01f, b.x[k + 1], y,
                      kPanelTop, b.u[k + 1], b.top[k + 1], b.x[k], y, kPanelTop, b.u[k], b.top[k]);
        }
        if (D > 70 && D < 290) {
            d3::Texture(mSkyTextures[2]);
            for (int32_t k = 0; k < 128; ++k)
                Quad5(-kPanel, b.x[k], zLow, b.u[k], 0.01f, -kPanel, b.x[k + 1], zLow, b.u[k + 1], 0.01f,
                      -kPanel, b.x[k + 1], kPanelTop, b.u[k + 1], b.top[k + 1], -kPanel, b.x[k], kPanelTop,
                      b.u[k], b.top[k]);
        }
    }
    // Outside ground: one texture stretched over the whole quad, so it shows
    // as a flat plane of the ground's colour. Kept: at the high forward levels
    // the camera looks down so far that the horizon lies at or above the
    // view's top edge (at 1024 x 768 from level 3 on), so this plane, not the
    // sky, fills the view beyond the map.
    d3::Texture(mGroundEdgeTextures[1]);
    const float W = mWidthMetres, H = mHeightMetres;
    if (prefs.mHorizon == 0) {
        Quad5(0, H, zLow, 0, 0, 0, kPanel, zLow, 0, 1, kPanel, kPanel, zLow, 1, 1, kPanel, H, zLow, 1, 0);
        Quad5(W, H, zLow, 0, 1, kPanel, H, zLow, 1, 1, kPanel, -kPanel, zLow, 1, 0, W, -kPanel, zLow, 0, 0);
        Quad5(-kPanel, 0, zLow, 0, 1, W, 0, zLow, 1, 1, W, -kPanel, zLow, 1, 0, -kPanel, -kPanel, zLow, 0, 0);
        Quad5(-kPanel, kPanel, zLow, 0, 1, 0, kPanel, zLow, 1, 1, 0, 0, zLow, 1, 0, -kPanel, 0, zLow, 0, 0);
    } else {
        Quad5(-kPanel, kPanel, zLow, 0, 1, kPanel, kPanel, zLow, 1, 1, kPanel, -kPanel, zLow, 1, 0, -kPanel,
              -kPanel, zLow, 0, 0);
    }
    d3::SetDistantZ(false);
    d3::SetCull(true);
    if (d3::PickPass()) return;

    // Marker beyond the far edge.
    if (!prefs.mHideGameAids) {
        const bool fog = d3::Fog(false);
        d3::SetCull(false);
        d3::Texture(mNightLightTexture);
        const float cx = W * 0.5f;
        if (L < 5) {
            const float ya = H + 500.0f;
            Quad5(cx - 12, ya, 10, 0, 0, cx - 12, ya, 58, 0, 1, cx + 12, ya, 58, 1, 1, cx + 12, ya, 10, 1, 0);
        } else {
            const float ya = H + 50.0f, yb = ya + 24.0f;
            Quad5(cx - 12, ya, 1, 0, 0, cx - 12, yb, 1, 0, 1, cx + 12, yb, 1, 1, 1, cx + 12, ya, 1, 1, 0);
        }
        d3::SetCull(true);
        if (fog) d3::Fog(true);
    }
    // Skirts along the edges the eye stands at or beyond.
    if (!mCornerHeight.empty()) {
        auto c = [&](int32_t i, int32_t j) {
            return mCornerHeight[static_cast<size_t>(i) * (mHeight + 1) + j];
        };
        if (mEyeX < 2.0f) {
            DrawOutsideWorldColor(1.0f);
            for (int32_t j = mHeight - 1; j >= 0; --j) {
                const float y0 = 20.0f * j, y1 = y0 + 20.0f;
                d3::Quad(0, y1, zLow, 0, y1, c(0, j + 1), 0, y0, c(0, j), 0, y0, zLow);
            }
        }
        if (mEyeX > W - 2.0f) {
            DrawOutsideWorldColor(1.0f);
            for (int32_t j = mHeight - 1; j >= 0; --j) {
                const float y0 = 20.0f * j, y1 = y0 + 20.0f;
                d3::Quad(W, y0, zLow, W, y0, c(mWidth, j), W, y1, c(mWidth, j + 1), W, y1, zLow);
            }
        }
        if (mEyeY < 2.0f) {
            DrawOutsideWorldColor(1.1f);
            for (int32_t i = mWidth - 1; i >= 0; --i) {
                const float x0 = 20.0f * i, x1 = x0 + 20.0f;
                d3::Quad(x0, 0, zLow, x0, 0, c(i, 0), x1, 0, c(i + 1, 0), x1, 0, zLow);
            }
        }
        if (mEyeY > H - 2.0f) {
            DrawOutsideWorldColor(0.91f);
            for (int32_t i = mWidth - 1; i >= 0; --i) {
                const float x0 = 20.0f * i, x1 = x0 + 20.0f;
                d3::Quad(x1, H, zLow, x1, H, c(i + 1, mHeight), x0, H, c(i, mHeight), x0, H, zLow);
            }
        }
    }
    // Exit zones.
    if (prefs.mShowExitZones && gBattle) {
        if (gBattle->mHasExitEdge[s]) DrawExitZone(gBattle->mExitEdge[s], true);
        if (gBattle->mHasExitEdge[1 - s]) DrawExitZone(gBattle->mExitEdge[1 - s], false);
    }
}
