// One frame of the battlefield: the fixed order of drawing, the pick groups,
// the culling of super tiles, the unit pass with its enlargement tables, the
// passes over buildings, walls and craters, warning labels and the upkeep of
// the map's positional sounds.
#include <algorithm>
#include <cmath>

#include "battle/Battle.h"
#include "battle/Ephemeral.h"
#include "battle/UnitList.h"
#include "draw/Draw3D.h"
#include "draw/DrawInternal.h"
#include "draw/DrawSettings.h"
#include "draw/DrawTables.h"
#include "draw/EffectDraw.h"
#include "draw/OrderLines.h"
#include "map/Map.h"
#include "renderer/G3DObject.h"
#include "units/Unit.h"

bool sMapDrawn = false;
namespace {
int32_t sFrameMsSum = 0; // drawn milliseconds towards the next 500 ms step

bool PruneSoundCallback(GObject* sound, void* context) {
    if (gDrawHooks.soundComplete && gDrawHooks.soundComplete(sound)) return true;
    if (context && gDrawHooks.soundUpdate) gDrawHooks.soundUpdate(sound);
    return false;
}

void UpdateSoundLoopCallback(GObject* loop, void*) {
    if (gDrawHooks.loopUpdate) gDrawHooks.loopUpdate(loop);
}

void ResetRoofCallback(GObject* member, void*) {
    Building* b = static_cast<Building*>(member);
    b->mRoofShown = b->mNoRoof ? 0 : 1;
    b->mOccupied = 0;
}

void DrawBuildingCallback(GObject* member, void*) {
    static_cast<Building*>(member)->DrawBuilding();
}

void DrawWallCallback(GObject* member, void* context) {
    static_cast<Wall*>(member)->DrawWall(static_cast<Terrain>(reinterpret_cast<intptr_t>(context)));
}

void DrawCraterCallback(GObject* member, void*) {
    static_cast<Crater*>(member)->Draw();
}

void WallPass(GList* walls, Terrain type) {
    if (walls) walls->DoForEach(DrawWallCallback, reinterpret_cast<void*>(static_cast<intptr_t>(type)));
}
} // namespace

void ResetFrameSoundClock() {
    sFrameMsSum = 0;
}

void Map::DrawMap() {
    const bool pick = d3::PickPass();
    if (mDrawMode < 2) {
        sMapDrawn = false;
        if (mDrawMode == 1 && gDrawHooks.viewDraw2D) gDrawHooks.viewDraw2D(this);
        return;
    }
    mCameraInBuilding = false;
    PositionCamera();
    MasterClip();
    if (pick) {
        DrawUnits();
        d3::IncrementPickGroup();
    } else {
        DrawOutsideWorld();
    }
    DrawOpenGround();
    // Everything from here on stands in front of the ground or the
    // backdrop, which lie beyond it in the same fog: what is wholly past
    // the fog's end would show only the fog colour there is behind it.
    struct FogCullOn {
        FogCullOn() { d3::FogCull(true); }
        ~FogCullOn() { d3::FogCull(false); }
    } fogCull;
    if (gBattle && gBattle->mSetupPhase) DrawSetupZones();
    DrawBuildings();
    DrawOverlays();
    DrawCraters();
    DrawFlags();
    DrawTrees();
    DrawDoodads();
    DrawEphemerals();
    if (!pick) DrawUnits();
    if (!mCameraInBuilding) DrawWeather();
    DrawWalls();
    if (pick) {
        d3::IncrementPickGroup();
        DrawOutsideWorld();
        // The outside world's group is closed here too, so that both passes
        // end with three recorded groups.
        d3::IncrementPickGroup();
        return;
    }
    DrawLandmarks();
    DrawFires();
    DrawSmoke();

    // Finished one-shot sounds leave every frame; positions follow about
    // every 500 ms of drawn time.
    sFrameMsSum += DrawFrameMs();
    const bool step = sFrameMsSum > 500;
    if (step) sFrameMsSum -= 500;
    if (mSounds) mSounds->DeleteSome(PruneSoundCallback, step ? this : nullptr, true);
    if (step && mSoundLoops) mSoundLoops->DoForEach(UpdateSoundLoopCallback, nullptr);
}

void Map::MasterClip() {
    if (!mClipDirty) return;
    mClipDirty = false;
    const int32_t tw = mLevelWidth[2], th = mLevelHeight[2];
    if (mSuperTileVisibility.size() != static_cast<size_t>(tw) * th) return;
    if (!g3D) {
        std::fill(mSuperTileVisibility.begin(), mSuperTileVisibility.end(), 0);
        return;
    }
    // Blocks of 4 x 4 tiles are tested first: a block wholly outside (or
    // inside) the view holds only tiles that are so too, because the view
    // is convex and the block's box holds its tiles' boxes. Only blocks on
    // the view's edge test their tiles one by one; the answers are those of
    // the tile-by-tile test.
    G3DObject box;
    for (int32_t BI = (tw - 1) / 4; BI >= 0; --BI) {
        for (int32_t BJ = (th - 1) / 4; BJ >= 0; --BJ) {
            const int32_t i0 = 4 * BI, j0 = 4 * BJ, i1 = std::min(i0 + 3, tw - 1),
                          j1 = std::min(j0 + 3, th - 1);
            float bottom = mSuperTileBottom[static_cast<size_t>(i0) * th + j0],
                  top = mSuperTileTop[static_cast<size_t>(i0) * th + j0];
            for (int32_t I = i0; I <= i1; ++I)
                for (int32_t J = j0; J <= j1; ++J) {
                    bottom = std::min(bottom, mSuperTileBottom[static_cast<size_t>(I) * th + J]);
                    top = std::max(top, mSuperTileTop[static_cast<size_t>(I) * th + J]);
                }
            box.SetModelCoords(i0 * 80.0f + 160.0f, j0 * 80.0f + 160.0f, bottom, 320.0f, 320.0f,
                               top - bottom);
            const int32_t block = g3D->BoundingBoxTest(box.mCenterX, box.mCenterY, box.mCenterZ, box.mExtentX,
                                                       box.mExtentY, box.mExtentZ);
            for (int32_t I = i1; I >= i0; --I) {
                for (int32_t J = j1; J >= j0; --J) {
                    const size_t t = static_cast<size_t>(I) * th + J;
                    uint8_t v;
                    if (block < 0) {
                        v = 0;
                    } else if (block > 0) {
                        v = 2;
                    } else {
                        const float tb = mSuperTileBottom[t];
                        box.SetModelCoords(static_cast<float>(static_cast<int32_t>((I + 0.5f) * 80.0f)),
                                           static_cast<float>(static_cast<int32_t>((J + 0.5f) * 80.0f)), tb,
                                           80.0f, 80.0f, mSuperTileTop[t] - tb);
                        bool needsClip = true;
                        v = box.ShouldBeDrawn(&needsClip) ? (needsClip ? 1 : 2) : 0;
                    }
                    mSuperTileVisibility[t] = v;
                }
            }
        }
    }
}

void UnitScaleArguments(const Map* map, float* a, float* b, float* c) {
    const DrawSettings& s = CurrentDrawSettings();
    const int32_t u = s.mUnitScale < 0 ? 0 : (s.mUnitScale > 4 ? 4 : s.mUnitScale);
    const int32_t L = ClampLevel(map->mCameraLevel[map->ViewingSide()]);
    const float t = map->mLevelTransition;
    const float* tables[3] = {kUnitScaleTable[0], kUnitScaleTable[1], kUnitScaleTable[2]};
    float* out[3] = {a, b, c};
    for (int32_t k = 0; k < 3; ++k) {
        if (t == 0.0f) {
            *out[k] = tables[k][9 * u + L];
        } else {
            const int32_t P = ClampLevel(map->mPreviousCameraLevel);
            *out[k] = tables[k][9 * u + L] * (1.0f - t) + tables[k][9 * u + P] * t;
        }
    }
}

void Map::DrawUnits() {
    float a, b, c;
    UnitScaleArguments(this, &a, &b, &c);
    if (!gBattle) return;
    gBattle->DrawUnits(a, b, c);
    // The orders lie in the units' pick group, so that a waypoint marker
    // is found before the ground under it.
    orderlines::DrawOrders(gBattle);
}

void Map::DrawEphemerals() {
    if (!d3::PickPass() && gBattle) gBattle->DrawEphemerals();
}

void Battle::DrawUnits(float a, float b, float c) {
    if (!mUnits) return;
    for (int32_t i = 0; i < mUnits->GetCount(); ++i)
        if (Unit* u = mUnits->GetUnit(i)) u->DrawItself(a, b, c);
}

void Battle::DrawEphemerals() {
    // Each effect draws itself at the playback slice through the effect drawing.
    if (!gDrawEphemeral) gDrawEphemeral = DrawEphemeralEffect;
    const int32_t slice = PlaybackTimeSlice();
    for (int32_t i = 0; i < mEffects.GetCount(); ++i) {
        GObject* e = mEffects.GetObjectA(i);
        if (!e) continue;
        if (gDrawHooks.drawEffect)
            gDrawHooks.drawEffect(e);
        else if (auto* effect = dynamic_cast<Ephemeral*>(e))
            effect->Draw(slice);
    }
}

namespace {
void OccupancyCallback(GObject* member, void*) {
    Unit* u = static_cast<Unit*>(member);
    if (u->mUnitType == kUnitInfantry || u->mUnitType == kUnitInanimate) u->CheckBuildingOccupancy();
}
} // namespace

void Map::DrawBuildings() {
    if (!mBuildings) return;
    mBuildings->DoForEach(ResetRoofCallback, nullptr);
    if (gBattle && gBattle->mUnits) gBattle->mUnits->DoForEach(OccupancyCallback, nullptr);
    mBuildings->DoForEach(DrawBuildingCallback, nullptr);
}

void Map::DrawWalls() {
    gWallMap = this;
    WallPass(mWalls, 44);
    d3::Texture(mWallTypeTextures[kWallSlot42]);
    WallPass(mWalls, 42);
    d3::Texture(mWallTypeTextures[kWallSlot43]);
    WallPass(mWalls, 43);
    d3::Texture(mWallTypeTextures[kWallSlotAlways]);
    WallPass(mWalls, 41);
    WallPass(mWalls, 16);
}

void Map::DrawCraters() {
    if (mFoxholes) mFoxholes->DoForEach(DrawCraterCallback, nullptr);
    if (mCraters) mCraters->DoForEach(DrawCraterCallback, nullptr);
}

bool PointInFrontOfEye(float x, float y, float z) {
    // The eye looks along -Z: a point in front has a negative camera-space Z.
    if (!g3D) return false;
    const GOLTAMatrix& m = *g3D->mCurrentMatrix;
    const float cz = x * m.m[0][2] + y * m.m[1][2] + z * m.m[2][2] + m.m[3][2];
    return cz < 0.0f;
}

void Map::ShowWarningLabel(GString* text1, int32_t kind1, GString* text2, int32_t kind2, float x, float y,
                           float z) {
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return;
    const float zz = z + 2.0f + 0.5f * static_cast<float>(CurrentDrawSettings().mUnitScale);
    // A point behind the eye would be mirrored onto the screen: no label.
    if (!PointInFrontOfEye(x, y, zz)) return;
    d3::WorldToScreen(&x, &y, zz, true);
    if (gDrawHooks.showWarningLabel)
        gDrawHooks.showWarningLabel(this, static_cast<int32_t>(x), static_cast<int32_t>(y), text1, kind1,
                                    text2, kind2);
}
