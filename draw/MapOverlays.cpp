// The textured cover of each 20 m square's two overlay slots and the narrow
// features along its sides, laid a little above the ground they follow.
#include <algorithm>

#include "draw/Draw3D.h"
#include "draw/DrawSettings.h"
#include "draw/DrawTables.h"
#include "map/Map.h"

namespace {
constexpr float kDetailDistance[5] = {0.045f, 0.037f, 0.03f, 0.02f, 0.015f};

// Corner (u, v) pairs of rows 0..7 in the order (x0, y0), (x0, y1),
// (x1, y1), (x1, y0); 0 stands for a, 1 for b.
constexpr int8_t kOverlayRows[8][8] = {
    {0, 0, 0, 1, 1, 1, 1, 0}, {1, 0, 0, 0, 0, 1, 1, 1}, {1, 1, 1, 0, 0, 0, 0, 1}, {0, 1, 1, 1, 1, 0, 0, 0},
    {1, 0, 1, 1, 0, 1, 0, 0}, {0, 0, 1, 0, 1, 1, 0, 1}, {0, 1, 0, 0, 1, 0, 1, 1}, {1, 1, 0, 1, 0, 0, 1, 0},
};

void RowUV(int32_t row, float uv[12]) {
    const float a = row < 8 ? 0.012f : 0.0f, b = row < 8 ? 0.988f : 1.0f;
    const int8_t* r = kOverlayRows[row & 7];
    uv[0] = uv[1] = 0.5f;
    for (int32_t k = 0; k < 8; ++k)
        uv[2 + k] = r[k] ? b : a;
    uv[10] = uv[2];
    uv[11] = uv[3];
}

bool DrawsNoOverlay(int32_t code) {
    switch (code) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 27:
    case 28:
    case 29:
    case 48:
    case 49:
        return true;
    default:
        return false;
    }
}
} // namespace

void Map::DrawOverlays() {
    if (d3::PickPass() || mSquareCount == 0) return;
    const DrawSettings& prefs = CurrentDrawSettings();
    const int32_t L = ClampLevel(mCameraLevel[ViewingSide()]);
    const int32_t tw = mLevelWidth[2], th = mLevelHeight[2];
    if (mSuperTileVisibility.size() != static_cast<size_t>(tw) * th) return;
    d3::Push();
    for (int32_t I = tw - 1; I >= 0; --I) {
        for (int32_t J = th - 1; J >= 0; --J) {
            const size_t t = static_cast<size_t>(I) * th + J;
            const uint8_t V = mSuperTileVisibility[t];
            if (V == 0) continue;
            const bool far = mFarTileDrawn[t] != 0;
            const float lift = GetGap(80.0f * I, 80.0f * J) * 0.8f;
            d3::Translate(0.0f, 0.0f, lift);
            const float e = lift * 0.4f * (L >= 2 ? 2.0f : 1.0f);
            const std::vector<float>& corners = far ? mFarCornerHeight : mCornerHeight;
            const std::vector<float>& centres = far ? mFarCenterHeight : mCenterHeight;
            const bool haveHeights =
                corners.size() == mCornerHeight.size() && centres.size() == mCenterHeight.size();
            for (int32_t i = std::min(4 * I + 3, mWidth - 1); i >= 4 * I; --i) {
                for (int32_t j = std::min(4 * J + 3, mHeight - 1); j >= 4 * J; --j) {
                    const Square& sq = mSquares[static_cast<size_t>(i) * mHeight + j];
                    bool flat;
                    if (far) {
                        const bool oi = (i - 4 * I) == 0 || (i - 4 * I) == 3,
                                   oj = (j - 4 * J) == 0 || (j - 4 * J) == 3;
                        flat = oi != oj;
                    } else {
                        flat = mFlatHeight[0][static_cast<size_t>(i) * mHeight + j] != -999;
                    }
                    auto corner = [&](int32_t a, int32_t b) {
                        return haveHeights ? corners[static_cast<size_t>(a) * (mHeight + 1) + b] : 0.0f;
                    };
                    const float x0 = 20.0f * i, y0 = 20.0f * j, x1 = x0 + 20.0f, y1 = y0 + 20.0f;
                    const float h00 = corner(i, j), h01 = corner(i, j + 1), h11 = corner(i + 1, j + 1),
                                h10 = corner(i + 1, j);
                    const float hc = haveHeights ? centres[static_cast<size_t>(i) * mHeight + j] : 0.0f;
                    auto patch = [&](int32_t row) {
                        float uv[12];
                        RowUV(row, uv);
                        if (!flat) {
                            const float p[18] = {x0 + 10.0f, y0 + 10.0f, hc,  x0, y0, h00, x0, y1, h01,
                                                 x1,         y1,         h11, x1, y0, h10, x0, y0, h00};
                            d3::TextureFan(V == 1, 4, p, uv);
                        } else {
                            const float q[20] = {x0, y0, h00, uv[2], uv[3], x0, y1, h01, uv[4], uv[5],
                                                 x1, y1, h11, uv[6], uv[7], x1, y0, h10, uv[8], uv[9]};
                            if (V == 2) d3::SetClip(false);
                            d3::TexturedQuad(q);
                            if (V == 2) d3::SetClip(true);
                        }
                    };
                    for (int32_t k = 0; k < 2; ++k) {
                        const int32_t code = sq.mOverlay[k];
                        if (k == 1 && code == 0) break;
                        bool raised = false;
                        if (k == 0 && L < 5 && prefs.mTreeDensity > 0 &&
                            (code == 20 || code == 21 || code == 22) &&
                            GetRoughResolution(20.0f * i + 10.0f, 20.0f * j + 10.0f, 0.0f) <
                                kDetailDistance[L])
                            continue;
                        if (!DrawsNoOverlay(code)) {
                            const int32_t idx = GetOverlayTextureIndex(&sq, k, nullptr);
                            if (idx >= 0) {
                                d3::Texture(mGroundTextures[idx]);
                                const bool road = code >= 13 && code <= 15;
                                if (road) {
                                    d3::Translate(0.0f, 0.0f, e);
                                    raised = true;
                                }
                                const int32_t row = (sq.mOverlayMirror[k] ? 4 : 0) +
                                                    (sq.mOverlayTurn[k] & 3) + (road ? 8 : 0);
                                patch(row);
                            }
                        }
                        if (k == 0) {
                            static constexpr int32_t kEdgeTexture[3] = {25, 12, 71};
                            for (int32_t s = 0; s < 4; ++s)
                                for (int32_t kind = 0; kind < 3; ++kind) {
                                    if (!sq.mEdge[3 * s + kind]) continue;
                                    if (!raised) {
                                        d3::Translate(0.0f, 0.0f, e);
                                        raised = true;
                                    }
                                    d3::Texture(mGroundTextures[kEdgeTexture[kind]]);
                                    patch(8 + s);
                                }
                        }
                        if (raised) d3::Translate(0.0f, 0.0f, -e);
                    }
                }
            }
            d3::Translate(0.0f, 0.0f, -lift);
        }
    }
    d3::Pop();
}
