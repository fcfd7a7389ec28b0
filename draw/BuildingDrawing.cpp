// Buildings, walls and craters as the battlefield shows them. A building is
// a textured block on its footprint with a roof unless the roof is hidden,
// or a low heap once ruined; a wall is a two-sided band with a top; a crater
// or foxhole is a shallow dark bowl.
//
// Pictures of our own (docs/assets.md): light buildings (codes 50 and 52) have
// walls 1260 under roof tiles 1262, heavy ones (51, 53, 54) walls 1261 under
// slate 1263; 672 rubble (the map's), 1270 crater, 1271 foxhole.
#include <algorithm>
#include <cmath>

#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "draw/Draw3D.h"
#include "draw/DrawInternal.h"
#include "draw/DrawSettings.h"
#include "draw/DrawTables.h"
#include "engine/GGraphic.h"
#include "engine/GKernel.h"
#include "map/Map.h"
#include "renderer/G3DObject.h"

Map* gWallMap = nullptr;

namespace {
GGraphic* MakeOwn(int32_t picture) {
    if (gDrawHooks.makeTexture) return gDrawHooks.makeTexture(picture, 0);
    return gKernel ? gKernel->MakeTexture(picture) : nullptr;
}

void FreeOwn(GGraphic*& t) {
    if (!t) return;
    if (gDrawHooks.deleteTexture)
        gDrawHooks.deleteTexture(t);
    else
        delete t;
    t = nullptr;
}

float BuildingHeight(Terrain type) {
    return (type == 52 || type == 53 || type == 54) ? 12.0f : 6.0f;
}
} // namespace

void Building::MakeTextures(bool reduced) {
    (void)reduced; // one picture set serves every memory class
    const bool heavy = mType == 51 || mType == 53 || mType == 54;
    if (!mTextures[0]) mTextures[0] = MakeOwn(heavy ? 1261 : 1260);
    if (!mTextures[1]) mTextures[1] = MakeOwn(heavy ? 1263 : 1262);
}

void Building::DeleteTextures() {
    FreeOwn(mTextures[0]);
    FreeOwn(mTextures[1]);
    FreeOwn(mTextures[2]);
}

void Building::DrawBuilding() {
    Map* map = mMap;
    if (!map) return;
    const int32_t side = map->ViewingSide();
    float cx, cy;
    GetCenter(&cx, &cy);
    const float sx = (mColumn + 0.5f) * 20.0f, sy = (mRow + 0.5f) * 20.0f;
    // A low camera standing in the building hides the weather for the frame.
    if (map->mCameraLevel[side] <= 1) {
        const float dx = map->mCameraX[side] - sx, dy = map->mCameraY[side] - sy;
        const Terrain t = map->GetTerrain(map->mCameraX[side], map->mCameraY[side], false);
        if (dx * dx + dy * dy < 14.2f * 14.2f && t >= 50 && t <= 54) map->mCameraInBuilding = true;
    }
    const float ground = map->GetZCoord(cx, cy);
    const float top = ground + (mRuined ? 1.5f : BuildingHeight(mType));
    const char clip = map->CheckSuperClipBox(cx, cy, 12.0f);
    if (clip == 0) return;
    const bool pick = d3::PickPass();
    const int32_t firstId = g3D ? g3D->mNextPickID : 0;
    if (!pick) d3::SetClip(clip == 1);
    d3::SetCull(false); // footprints run either way round
    d3::Texture(mRuined ? map->mDoodadRubbleTexture : mTextures[0]);
    for (int32_t w = 0; w < 4; ++w) {
        const int32_t n = (w + 1) % 4;
        const float u = static_cast<float>(w % 2);
        const float q[20] = {mCornerX[w], mCornerY[w], ground, u,        0.0f,
                             mCornerX[w], mCornerY[w], top,    u,        1.0f,
                             mCornerX[n], mCornerY[n], top,    1.0f - u, 1.0f,
                             mCornerX[n], mCornerY[n], ground, 1.0f - u, 0.0f};
        d3::TexturedQuad(q);
    }
    if (mRuined || mRoofShown) {
        if (!mRuined) d3::Texture(mTextures[1]);
        const float q[20] = {
            mCornerX[0], mCornerY[0], top, 0.0f, 0.0f, mCornerX[3], mCornerY[3], top, 0.0f, 1.0f,
            mCornerX[2], mCornerY[2], top, 1.0f, 1.0f, mCornerX[1], mCornerY[1], top, 1.0f, 0.0f};
        d3::TexturedQuad(q);
    }
    d3::SetCull(true);
    if (!pick) d3::SetClip(true);
    // In the second pick pass the building that holds the picked polygon is
    // reported for the orders that enter buildings; the map keeps it only
    // while it wants a pick.
    if (g3D && g3D->mPickPass == 2 && g3D->mPickedID >= firstId && g3D->mPickedID < g3D->mNextPickID)
        map->SetPickedBuilding(this);
}

void Wall::DrawWall(Terrain type) {
    if (type != mType || !gWallMap) return;
    bool needsClip = true;
    if (g3D && !ShouldBeDrawn(&needsClip)) return;
    const bool pick = d3::PickPass();
    Map* map = gWallMap;
    const float z0 = map->GetZCoord(mX0, mY0), z1 = map->GetZCoord(mX1, mY1);
    const float h = std::isfinite(mHeight) ? std::clamp(mHeight, 0.1f, 10.0f) : 1.0f;
    const float len = std::hypot(mX1 - mX0, mY1 - mY0);
    const float u = std::isfinite(len) ? len * 0.25f : 1.0f;
    if (type == 44) d3::Texture(map->mWallTypeTextures[kWallSlot44a]);
    if (type == 16) d3::Texture(map->mWallTypeTextures[kWallSlot16a]);
    if (!pick) d3::SetClip(needsClip);
    d3::SetCull(false);
    const float side[20] = {mX0, mY0, z0,     0.0f, 0.0f, mX0, mY0, z0 + h, 0.0f, 1.0f,
                            mX1, mY1, z1 + h, u,    1.0f, mX1, mY1, z1,     u,    0.0f};
    d3::TexturedQuad(side);
    if (type == 44) d3::Texture(map->mWallTypeTextures[kWallSlot44b]);
    if (type == 16) d3::Texture(map->mWallTypeTextures[kWallSlot16b]);
    // The top, 0.4 m across, for a wall seen from above.
    const float nx = len > 0.0f ? -(mY1 - mY0) / len * 0.2f : 0.0f,
                ny = len > 0.0f ? (mX1 - mX0) / len * 0.2f : 0.0f;
    const float topq[20] = {mX0 - nx, mY0 - ny, z0 + h, 0.0f, 0.0f, mX0 + nx, mY0 + ny, z0 + h, 0.0f, 1.0f,
                            mX1 + nx, mY1 + ny, z1 + h, u,    1.0f, mX1 - nx, mY1 - ny, z1 + h, u,    0.0f};
    d3::TexturedQuad(topq);
    d3::SetCull(true);
    if (!pick) d3::SetClip(true);
}

void Crater::Draw() {
    Map* map = mMap;
    if (!map || !std::isfinite(mX) || !std::isfinite(mY)) return;
    // Fog of war: a foxhole of the other side is neither drawn nor picked
    // until it is spotted; when the battle is over every one shows, as every
    // unit does.
    if (gBattle && HiddenFrom(gBattle->Host()->ViewingSide()) && !gBattle->Over()) return;
    const float r = std::isfinite(mRadius) ? std::clamp(mRadius, 0.2f, 20.0f) : 1.0f;
    const char clip = map->CheckSuperClipBox(mX, mY, r);
    if (clip == 0) return;
    const bool pick = d3::PickPass();
    if (!pick) {
        d3::SetClip(clip == 1);
        d3::Texture(map->mCraterTextures[IsFoxhole() ? 1 : 0]);
    }
    const float lift = 0.05f;
    float p[30], uv[20];
    p[0] = mX;
    p[1] = mY;
    p[2] = map->GetZCoord(mX, mY) + lift - 0.15f;
    uv[0] = uv[1] = 0.5f;
    for (int32_t k = 0; k <= 8; ++k) {
        // Clockwise seen from above, the front face.
        const float a = -static_cast<float>(k % 8) * 0.7853982f;
        const float x = mX + r * std::cos(a), y = mY + r * std::sin(a);
        p[3 + 3 * k] = x;
        p[4 + 3 * k] = y;
        p[5 + 3 * k] = map->GetZCoord(x, y) + lift;
        uv[2 + 2 * k] = 0.5f + 0.5f * std::cos(a);
        uv[3 + 2 * k] = 0.5f + 0.5f * std::sin(a);
    }
    d3::TextureFan(clip == 1, 8, p, uv);
    if (!pick) d3::SetClip(true);
}
