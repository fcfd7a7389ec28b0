// Markers the player reads the battlefield by: the viewing side's set-up
// zones, the exit bands beyond the map's edges and the victory flags.
#include <algorithm>
#include <cmath>

#include "battle/Battle.h"
#include "battle/VictoryFlag.h"
#include "draw/Draw3D.h"
#include "draw/DrawInternal.h"
#include "draw/DrawSettings.h"
#include "draw/DrawTables.h"
#include "map/Map.h"

namespace {
const float kPoleXYZ[30] = {0.09f,  -0.09f, 7.5f,   0.09f, -0.09f, 0.0f,   -0.09f, -0.09f, 7.5f,   -0.09f,
                            -0.09f, 0.0f,   -0.09f, 0.09f, 7.5f,   -0.09f, 0.09f,  0.0f,   0.09f,  0.09f,
                            7.5f,   0.09f,  0.09f,  0.0f,  0.09f,  -0.09f, 7.5f,   0.09f,  -0.09f, 0.0f};
const float kPoleUV[20] = {0.012f, 0.988f, 0.012f, 0.012f, 0.25f, 0.988f, 0.25f,  0.012f, 0.5f,   0.988f,
                           0.5f,   0.012f, 0.75f,  0.988f, 0.75f, 0.012f, 0.988f, 0.988f, 0.988f, 0.012f};

bool IsViewersZone(int32_t code, int32_t side) {
    return (code >= 4 && side == 0) || (code >= 1 && code <= 3 && side == 1);
}

void DrawOneFlagCallback(GObject* item, void* context) {
    static_cast<Map*>(context)->DrawOneFlag(static_cast<VictoryFlag*>(item));
}
} // namespace

void Map::DrawSetupWall(bool cap, float x1, float y1, float x2, float y2) {
    const float z1 = GetZCoord(x1, y1), z2 = GetZCoord(x2, y2);
    const float t1 = z1 + 0.8f, t2 = z2 + 0.8f;
    d3::Quad(x1, y1, z1, x1, y1, t1, x2, y2, t2, x2, y2, z2);
    if (cap) {
        const int32_t L = ClampLevel(mCameraLevel[ViewingSide()]);
        const float w = L < 5 ? 0.3f : static_cast<float>(L - 1) * 0.3f;
        d3::Quad(x1, y1, t1, x1 + w, y1 + w, t1, x2 + w, y2 + w, t2, x2, y2, t2);
    }
}

void Map::DrawSetupZones() {
    const DrawSettings& prefs = CurrentDrawSettings();
    // The zone key (E) hides the set-up outlines as it hides the exits.
    if (d3::PickPass() || prefs.mHideGameAids || !prefs.mShowExitZones || mSquareCount == 0) return;
    const int32_t side = ViewingSide();
    const int32_t L = ClampLevel(mCameraLevel[side]);
    d3::SetCull(false);
    const int32_t ground = gBattle ? gBattle->mGroundCondition : 0;
    const int32_t set = (ground >= 6 && ground <= 8) ? 1 : 0;
    const int32_t th = mLevelHeight[2];
    for (int32_t i = mWidth - 1; i >= 0; --i) {
        for (int32_t j = mHeight - 1; j >= 0; --j) {
            const int32_t z = mSquares[static_cast<size_t>(i) * mHeight + j].mSetupZone;
            if (!IsViewersZone(z, side)) continue;
            const size_t t = static_cast<size_t>(i / 4) * th + j / 4;
            if (t >= mSuperTileVisibility.size() || mSuperTileVisibility[t] == 0) continue;
            // The file allows codes up to 15 (and the field 31); the colour
            // table ends at 6, so every higher code takes the colour of 6.
            const int32_t colour = std::min(z, 6) + 6 * set;
            d3::Color(kSetupZoneColors[colour][0], kSetupZoneColors[colour][1], kSetupZoneColors[colour][2]);
            auto differs = [&](int32_t a, int32_t b) {
                return a < 0 || b < 0 || a >= mWidth || b >= mHeight ||
                       mSquares[static_cast<size_t>(a) * mHeight + b].mSetupZone != z;
            };
            const float x0 = 20.0f * i, y0 = 20.0f * j;
            bool decided = false, cap = false;
            auto wall = [&](float px, float py, float ax, float ay, float bx, float by) {
                if (!decided) {
                    cap = L >= 5 || GetRoughResolution(px, py, 0.0f) > 0.04f;
                    decided = true;
                }
                DrawSetupWall(cap, ax, ay, bx, by);
            };
            if (differs(i + 1, j)) wall(x0 + 19, y0, x0 + 19, y0 + 1, x0 + 19, y0 + 19);
            if (differs(i - 1, j)) wall(x0 + 1, y0, x0 + 1, y0 + 1, x0 + 1, y0 + 19);
            if (differs(i, j + 1)) wall(x0, y0 + 19, x0 + 1, y0 + 19, x0 + 19, y0 + 19);
            if (differs(i, j - 1)) wall(x0, y0 + 1, x0 + 1, y0 + 1, x0 + 19, y0 + 1);
        }
    }
    d3::SetCull(true);
}

void Map::DrawExitZone(Direction edge, bool ownSide) {
    const int32_t L = ClampLevel(mCameraLevel[ViewingSide()]);
    d3::Texture(mExitZoneTextures[ownSide ? 0 : 1]);
    if (edge < 0 || edge > 3) return;
    const float e = mLowestEdgeElevation[edge];
    const float A = L < 5 ? e : e + 0.5f, B = L < 5 ? e + 13.0f : e + 0.5f;
    const float W = mWidthMetres, H = mHeightMetres;
    float c[20];
    auto set = [&](float x0, float y0, float x1, float y1, float x2, float y2, float x3, float y3,
                   float len) {
        const float Lu = len * 0.025f;
        const float q[20] = {x0, y0, A, 0, 0, x1, y1, B, 0, 1, x2, y2, B, Lu, 1, x3, y3, A, Lu, 0};
        std::copy(q, q + 20, c);
    };
    switch (edge) {
    case 0:
        set(0, 0, -13, 0, -13, H, 0, H, H);
        break;
    case 1:
        set(0, H, 0, H + 13, W, H + 13, W, H, W);
        break;
    case 2:
        set(W, H, W + 13, H, W + 13, 0, W, 0, H);
        break;
    default:
        set(W, 0, W, -13, 0, -13, 0, 0, W);
        break;
    }
    d3::TexturedQuad(c);
}

void Map::DrawFlags() {
    if (CurrentDrawSettings().mShowVictoryFlags && gBattle)
        gBattle->mFlags.DoForEach(DrawOneFlagCallback, this);
}

void Map::DrawOneFlag(VictoryFlag* flag) {
    if (!flag) return;
    FlagLook look;
    look.x = flag->mX, look.y = flag->mY;
    look.kind = flag->mKind;
    look.neutral = flag->mNeutral;
    look.holder = flag->mHolderNation;
    look.candidate = flag->mCandidate;
    look.real = flag->mReal;
    DrawFlag(this, look);
}

void DrawFlag(Map* map, const FlagLook& flag) {
    if (!map || (flag.kind != 0 && flag.kind != 1)) return;
    if (!std::isfinite(flag.x) || !std::isfinite(flag.y)) return;
    const int32_t I = static_cast<int32_t>(std::clamp(flag.x * 0.0125f, -1.0e6f, 1.0e6f));
    const int32_t J = static_cast<int32_t>(std::clamp(flag.y * 0.0125f, -1.0e6f, 1.0e6f));
    const int32_t th = map->mLevelHeight[2];
    if (J < 0 || J >= th || I < 0) return;
    const size_t t = static_cast<size_t>(I) * th + J;
    if (t >= map->mSuperTileVisibility.size() || map->mSuperTileVisibility[t] == 0) return;
    const int32_t side = map->ViewingSide();
    const int32_t L = ClampLevel(map->mCameraLevel[side]);
    d3::Push();
    d3::Translate(flag.x, flag.y, map->GetZCoord(flag.x, flag.y));
    const Terrain terrain = map->GetTerrain(flag.x, flag.y, false);
    if (terrain >= 50 && terrain <= 54) {
        d3::Translate(0.0f, 0.0f, terrain >= 52 ? 9.0f : 3.0f);
    }
    if (flag.kind == 1) d3::Scale(1.75f, 1.75f, 1.75f);
    if (kFlagScale[L] > 1.0f) d3::Scale(kFlagScale[L], kFlagScale[L], kFlagScale[L]);
    if (L < 5) {
        const float a = BearingDegrees(map->mEyeX - flag.x, map->mEyeY - flag.y);
        d3::Texture(map->mFlagPoleTextures[flag.candidate ? 0 : 1]);
        d3::TextureStrip(true, 8, kPoleXYZ, kPoleUV);
        const float cap[20] = {-0.09f, 0.09f,  7.5f, 0.3f, 0.0f, 0.09f,  0.09f,  7.5f, 0.7f, 0.0f,
                               0.09f,  -0.09f, 7.5f, 0.7f, 1.0f, -0.09f, -0.09f, 7.5f, 0.3f, 1.0f};
        d3::TexturedQuad(cap);
        d3::RotateZ(a + 90.0f);
    } else {
        d3::Translate(0.0f, 0.0f, 3.6f);
        d3::RotateX(-90.0f);
        d3::Translate(-3.8f, 0.0f, -5.45f);
    }
    // The cloth: the holder's, the neutral one, or for a candidate seen by a
    // side that knows which one is real, the holder's on the real flag. A
    // decoy then shows the neutral cloth (no decoy picture exists).
    const bool knows = gBattle && (gBattle->mAttacker == side || gBattle->mAttacker == 2 || gBattle->Over());
    const int32_t holder = std::clamp(flag.holder, 0, 9);
    int32_t slot;
    if (knows && flag.candidate && !(flag.real && flag.neutral))
        slot = flag.real ? holder : 10;
    else
        slot = flag.neutral ? 10 : holder;
    d3::Texture(map->mNationalPriorityTextures[slot]);
    const float cloth[20] = {0.09f, 0.0f, 7.35f, 0.012f, 0.988f, 7.69f, 0.0f, 7.35f, 0.988f, 0.988f,
                             7.69f, 0.0f, 3.55f, 0.988f, 0.012f, 0.09f, 0.0f, 3.55f, 0.012f, 0.012f};
    d3::TexturedQuad(cloth);
    d3::Pop();
}
