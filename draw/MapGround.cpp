// The open ground: 20 m squares, 40 m patches and 80 m super tiles. A flat
// patch is one quad; a patch that is not flat breaks into its four children;
// a distant super tile may be one fan of four triangles.
#include <algorithm>
#include <cmath>
#include <limits>

#include "draw/Draw3D.h"
#include "draw/DrawInternal.h"
#include "draw/DrawSettings.h"
#include "engine/GOLTA.h"
#include "map/Map.h"

namespace {
constexpr int16_t kNotFlat = -999;
constexpr int32_t kLevelSquares[3] = {1, 2, 4};
constexpr float kLevelSize[3] = {20.0f, 40.0f, 80.0f};
constexpr float kFlatPatchUV[5] = {0.012f, 0.25f, 0.5f, 0.75f, 0.988f};
constexpr float kFarFanUV[12] = {0.5f,   0.5f,   0.988f, 0.988f, 0.988f, 0.012f,
                                 0.012f, 0.012f, 0.012f, 0.988f, 0.988f, 0.988f};

int16_t RoundMetres(float h) {
    if (!std::isfinite(h)) return 0;
    h = std::clamp(h, -30000.0f, 30000.0f);
    return static_cast<int16_t>(h >= 0.0f ? static_cast<int32_t>(h + 0.01f)
                                          : static_cast<int32_t>(h - 0.01f));
}
} // namespace

void Map::PrecomputeSuperTiles() {
    // A new map starts in still air.
    sGustForce = 0.0f;
    sWindSway = 0.0f;
    for (int32_t r = 7; r >= 0; --r)
        for (int32_t c = 7; c >= 0; --c)
            mGroundVariation[r][c] = static_cast<uint8_t>(3 + RandomPick(5));

    const float nan = std::numeric_limits<float>::quiet_NaN();
    // Exact flat heights, parallel to the whole-metre arrays: merging compares
    // these, so flat squares whose heights differ by less than a metre never
    // become one patch (which would leave cracks).
    std::vector<float> sExactFlat[3];
    int32_t w = std::max(mWidth, 1), h = std::max(mHeight, 1);
    mLevelWidth[0] = w;
    mLevelHeight[0] = h;
    std::vector<int16_t> minA(static_cast<size_t>(w) * h, 0), maxA(static_cast<size_t>(w) * h, 0);
    mFlatHeight[0].assign(static_cast<size_t>(w) * h, kNotFlat);
    sExactFlat[0].assign(static_cast<size_t>(w) * h, nan);
    const bool haveHeights = mSquareCount > 0 &&
                             mCornerHeight.size() == static_cast<size_t>(mWidth + 1) * (mHeight + 1) &&
                             mCenterHeight.size() == static_cast<size_t>(mSquareCount);
    for (int32_t i = 0; haveHeights && i < mWidth; ++i) {
        for (int32_t j = 0; j < mHeight; ++j) {
            const size_t s = static_cast<size_t>(i) * mHeight + j;
            const float S = mCenterHeight[s];
            auto corner = [&](int32_t a, int32_t b) {
                return mCornerHeight[static_cast<size_t>(a) * (mHeight + 1) + b];
            };
            const float c00 = corner(i, j), c10 = corner(i + 1, j), c01 = corner(i, j + 1),
                        c11 = corner(i + 1, j + 1);
            if (S == c00 && S == c10 && S == c01 && S == c11) {
                minA[s] = maxA[s] = mFlatHeight[0][s] = RoundMetres(S);
                sExactFlat[0][s] = S;
            } else {
                minA[s] = RoundMetres(std::min({S, c00, c10, c01, c11}));
                maxA[s] = RoundMetres(std::max({S, c00, c10, c01, c11}));
            }
        }
    }
    for (int32_t L = 1; L <= 2; ++L) {
        const int32_t pw = mLevelWidth[L - 1], ph = mLevelHeight[L - 1];
        const int32_t lw = std::max((pw + 1) / 2, 1), lh = std::max((ph + 1) / 2, 1);
        mLevelWidth[L] = lw;
        mLevelHeight[L] = lh;
        mFlatHeight[L].assign(static_cast<size_t>(lw) * lh, kNotFlat);
        sExactFlat[L].assign(static_cast<size_t>(lw) * lh, nan);
        std::vector<int16_t> nmin(static_cast<size_t>(lw) * lh), nmax(static_cast<size_t>(lw) * lh);
        for (int32_t i = 0; i < lw; ++i) {
            for (int32_t j = 0; j < lh; ++j) {
                auto child = [&](int32_t a, int32_t b) -> size_t {
                    const int32_t ci = 2 * i + a, cj = 2 * j + b;
                    if (ci >= pw || cj >= ph) return static_cast<size_t>(2 * i) * ph + 2 * j;
                    return static_cast<size_t>(ci) * ph + cj;
                };
                const size_t n = static_cast<size_t>(i) * lh + j;
                const bool whole = 2 * i + 1 < pw && 2 * j + 1 < ph;
                const size_t k0 = child(0, 0), k1 = child(1, 0), k2 = child(0, 1), k3 = child(1, 1);
                const std::vector<float>& ex = sExactFlat[L - 1];
                if (whole && !std::isnan(ex[k0]) && ex[k0] == ex[k1] && ex[k0] == ex[k2] &&
                    ex[k0] == ex[k3]) {
                    mFlatHeight[L][n] = mFlatHeight[L - 1][k0];
                    sExactFlat[L][n] = ex[k0];
                }
                nmin[n] = std::min({minA[k0], minA[k1], minA[k2], minA[k3]});
                nmax[n] = std::max({maxA[k0], maxA[k1], maxA[k2], maxA[k3]});
            }
        }
        minA.swap(nmin);
        maxA.swap(nmax);
    }
    const size_t tiles = static_cast<size_t>(mLevelWidth[2]) * mLevelHeight[2];
    mSuperTileBottom.resize(tiles);
    mSuperTileTop.resize(tiles);
    for (size_t t = 0; t < tiles; ++t) {
        mSuperTileBottom[t] = static_cast<float>(minA[t]);
        mSuperTileTop[t] = static_cast<float>(maxA[t]) + 18.0f;
    }
    mSuperTileVisibility.assign(tiles, 0);
    mFarTileDrawn.assign(tiles, 0);
    mClipDirty = true;
}

char Map::CheckSuperClipBox(float x, float y, float r) const {
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(r)) return 0;
    auto list = [](float v, float rr, int32_t* out) {
        int32_t n = 0;
        const float vals[3] = {v - rr, v, v + rr};
        for (float f : vals) {
            const int32_t t = static_cast<int32_t>(std::clamp(f * 0.0125f, -1.0e6f, 1.0e6f));
            if (n == 0 || out[n - 1] != t) out[n++] = t;
        }
        return n;
    };
    int32_t cols[3], rows[3];
    const int32_t nc = list(x, r, cols), nr = list(y, r, rows);
    const int32_t tw = mLevelWidth[2], th = mLevelHeight[2];
    auto vis = [&](int32_t I, int32_t J) -> int32_t {
        if (I < 0 || J < 0 || I >= tw || J >= th || mSuperTileVisibility.empty()) return 0;
        return mSuperTileVisibility[static_cast<size_t>(I) * th + J];
    };
    const int32_t f = vis(cols[0], rows[0]);
    if (f == 1) return 1;
    for (int32_t a = 0; a < nc; ++a)
        for (int32_t b = 0; b < nr; ++b)
            if (vis(cols[a], rows[b]) != f) return 1;
    return static_cast<char>(f);
}

namespace {
GGraphic* GroundTextureOf(const Map* m, float h) {
    float band = (h / m->mHeightScale + 3.01f) / 3.0f;
    int32_t b = std::isfinite(band) ? static_cast<int32_t>(std::clamp(band, 0.0f, 19.0f)) : 0;
    int32_t k = std::clamp(m->mElevationBandTexture[b], 0, 19);
    return m->mOpenGroundTextures[k];
}
} // namespace

void Map::DrawOpenGround() {
    const int32_t tw = mLevelWidth[2], th = mLevelHeight[2];
    if (mSuperTileVisibility.size() != static_cast<size_t>(tw) * th || mSquareCount == 0) return;
    for (int32_t I = tw - 1; I >= 0; --I) {
        for (int32_t J = th - 1; J >= 0; --J) {
            const size_t t = static_cast<size_t>(I) * th + J;
            mFarTileDrawn[t] = 0;
            const uint8_t V = mSuperTileVisibility[t];
            if (V == 0) continue;
            if (mFlatHeight[2][t] == kNotFlat)
                BreakDownGroundPatch(2, I, J, V == 1);
            else
                DrawFlatGroundPatch(2, I, J, V == 1);
        }
    }
}

void Map::DrawFlatGroundPatch(int32_t L, int32_t i, int32_t j, bool needsClip) {
    const int32_t n = kLevelSquares[L];
    const int32_t si = n * i, sj = n * j;
    if (si >= mWidth || sj >= mHeight) return;
    const float x0 = 20.0f * si, y0 = 20.0f * sj, x1 = x0 + kLevelSize[L], y1 = y0 + kLevelSize[L];
    const float h = mCenterHeight[static_cast<size_t>(si) * mHeight + sj];
    const bool pick = d3::PickPass();
    if (!pick) d3::Texture(GroundTextureOf(this, h));
    const float ua = kFlatPatchUV[si % 4], ub = kFlatPatchUV[std::min(si % 4 + n, 4)];
    const float va = kFlatPatchUV[sj % 4], vb = kFlatPatchUV[std::min(sj % 4 + n, 4)];
    const bool unclip = !needsClip && !pick;
    if (unclip) d3::SetClip(false);
    const float c[20] = {x0, y0, h, ua, va, x0, y1, h, ua, vb, x1, y1, h, ub, vb, x1, y0, h, ub, va};
    d3::TexturedQuad(c);
    if (unclip) d3::SetClip(true);
}

void Map::BreakDownGroundPatch(int32_t L, int32_t i, int32_t j, bool needsClip) {
    const int32_t s = ViewingSide();
    const bool pick = d3::PickPass();
    auto corner = [&](int32_t a, int32_t b) {
        a = std::clamp(a, 0, mWidth);
        b = std::clamp(b, 0, mHeight);
        return mCornerHeight[static_cast<size_t>(a) * (mHeight + 1) + b];
    };
    if (L == 2) {
        const float x0 = 80.0f * i, y0 = 80.0f * j, cx = x0 + 40.0f, cy = y0 + 40.0f;
        // Far by distance either way along x or y: the tile lies more than
        // 400 m from the camera's ground point in some direction.
        if (mCameraLevel[s] < 5 && CurrentDrawSettings().mHorizon != 0 &&
            (std::fabs(cx - mCameraX[s]) > 400.0f || std::fabs(cy - mCameraY[s]) > 400.0f) &&
            GetRoughResolution(cx, cy, 0.0f) < 0.034f) {
            mFarTileDrawn[static_cast<size_t>(i) * mLevelHeight[2] + j] = 1;
            const float hc = corner(4 * i + 2, 4 * j + 2);
            if (!pick) d3::Texture(GroundTextureOf(this, hc));
            // A partial tile at the map's edge ends at the edge.
            const float X1 = std::min(x0 + 80.0f, mWidthMetres), Y1 = std::min(y0 + 80.0f, mHeightMetres);
            const int32_t ci = std::min(4 * i + 4, mWidth), cj = std::min(4 * j + 4, mHeight);
            const float p[18] = {cx, cy, hc,
                                 X1, Y1, corner(ci, cj),
                                 X1, y0, corner(ci, 4 * j),
                                 x0, y0, corner(4 * i, 4 * j),
                                 x0, Y1, corner(4 * i, cj),
                                 X1, Y1, corner(ci, cj)};
            d3::TextureFan(needsClip, 4, p, kFarFanUV);
            return;
        }
    }
    const int32_t Lc = L - 1;
    const int32_t lw = mLevelWidth[Lc], lh = mLevelHeight[Lc];
    for (int32_t a = 0; a <= 1; ++a) {
        for (int32_t b = 0; b <= 1; ++b) {
            const int32_t ci = 2 * i + a, cj = 2 * j + b;
            if (ci >= lw || cj >= lh) continue;
            if (mFlatHeight[Lc][static_cast<size_t>(ci) * lh + cj] != kNotFlat) {
                DrawFlatGroundPatch(Lc, ci, cj, needsClip);
            } else if (Lc > 0) {
                BreakDownGroundPatch(Lc, ci, cj, needsClip);
            } else {
                const Square& sq = mSquares[static_cast<size_t>(ci) * mHeight + cj];
                if (!pick) {
                    const int32_t code = sq.mOverlay[0];
                    const int16_t mirror =
                        static_cast<int16_t>(static_cast<uint8_t>(sq.mOverlayMirror[0]) |
                                             (static_cast<uint8_t>(sq.mOverlayMirror[1]) << 8));
                    if ((code == 23 || code == 37 || code == 40) && mirror <= 0) continue;
                }
                const float x0 = 20.0f * ci, y0 = 20.0f * cj, x1 = x0 + 20.0f, y1 = y0 + 20.0f;
                const float S = mCenterHeight[static_cast<size_t>(ci) * mHeight + cj];
                if (!pick) d3::Texture(GroundTextureOf(this, S));
                const float ua = kFlatPatchUV[ci % 4], ub = kFlatPatchUV[ci % 4 + 1];
                const float va = kFlatPatchUV[cj % 4], vb = kFlatPatchUV[cj % 4 + 1];
                const float uv[12] = {
                    (ci % 4 + 0.5f) / 4.0f, (cj % 4 + 0.5f) / 4.0f, ua, va, ua, vb, ub, vb, ub, va, ua, va};
                const float p[18] = {x0 + 10.0f, y0 + 10.0f, S,
                                     x0,         y0,         corner(ci, cj),
                                     x0,         y1,         corner(ci, cj + 1),
                                     x1,         y1,         corner(ci + 1, cj + 1),
                                     x1,         y0,         corner(ci + 1, cj),
                                     x0,         y0,         corner(ci, cj)};
                d3::TextureFan(needsClip, 4, p, uv);
            }
        }
    }
}
