// A unit's place in the frame: culling, the enlargement of distant units, the
// frame at the unit, its picking, base, shadow, labels and selection frame;
// the muzzle flash and recoil that the models call.
#include <cmath>

#include "battle/Battle.h"
#include "draw/Draw3D.h"
#include "draw/DrawInternal.h"
#include "draw/DrawSettings.h"
#include "draw/DrawTables.h"
#include "draw/UnitDraw.h"
#include "map/Map.h"
#include "models/ModelTables.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

Unit* gPickedUnit = nullptr;
int32_t (*gUnitShotAge)(Unit* u) = nullptr;

namespace {
constexpr int32_t kFlashSlices = 6;   // a muzzle flash lasts this long
constexpr int32_t kRecoilSlices = 12; // the barrel is back in place after this
// The unit bases: flat discs of about kBasePixels on the screen from
// camera level kBaseFromLevel up, own units blue, the others red, the
// selected unit's lighter.
constexpr int32_t kBaseFromLevel = 3;
constexpr float kBasePixels = 10.0f;
constexpr int32_t kBaseRim = 12; // triangles of the disc
} // namespace

BaseColour BaseColourOf(bool own, bool selected) {
    if (own) return selected ? BaseColour{0.55f, 0.8f, 1.0f} : BaseColour{0.15f, 0.4f, 0.95f};
    return selected ? BaseColour{1.0f, 0.6f, 0.5f} : BaseColour{0.9f, 0.15f, 0.1f};
}

void SetPickedUnit(Unit* u) {
    gPickedUnit = u;
    // The map keeps it for the map view while a unit pick is wanted.
    if (gBattle && gBattle->mMap) gBattle->mMap->SetPickedUnit(u);
}

float UnitEnlargement(float a, float b, float c, float distance) {
    // Beyond 50 m distant units grow with the distance's power b, and from
    // 500 m on by c more, so the far field stays readable.
    const float d = distance > 50.0f ? distance / 50.0f : 1.0f;
    const float far = distance > 500.0f ? distance / 500.0f : 1.0f;
    return a * std::pow(d, b) * std::pow(far, c);
}

void FigureBox(const G3DObject& box, float scale, float turn, G3DObject* out) {
    const float r = turn * 3.14159265358979f / 180.0f, c = std::cos(r), sn = std::sin(r);
    out->mCenterX = (box.mCenterX * c - box.mCenterY * sn) * scale;
    out->mCenterY = (box.mCenterX * sn + box.mCenterY * c) * scale;
    out->mCenterZ = box.mCenterZ * scale;
    // A turned box is held by the upright box around it.
    out->mExtentX = (std::fabs(c) * box.mExtentX + std::fabs(sn) * box.mExtentY) * scale;
    out->mExtentY = (std::fabs(sn) * box.mExtentX + std::fabs(c) * box.mExtentY) * scale;
    out->mExtentZ = box.mExtentZ * scale;
}

void Unit::DrawItself(float a, float b, float c) {
    Map* map = gBattle ? gBattle->mMap : nullptr;
    if (!map || mOffMapState != 0) return;
    const bool vehicle = mUnitType == kUnitVehicle;
    const float radius = vehicle ? 8.0f : 3.0f;
    const char box = map->CheckSuperClipBox(mX, mY, radius);
    if (box == 0) return;
    bool needsClip = box == 1;
    const float z = GetZ();
    float scale = UnitEnlargement(a, b, c, map->DistanceToCamera(mX, mY, z, nullptr));
    d3::Push();
    d3::Translate(mX, mY, z);
    ScaleForType(&scale, a, b, c);
    const bool pick = d3::PickPass();
    // The unit's own box is in its model or figure units, tested in the frame
    // where one such unit is `scale` metres. A squad's frame takes its scale
    // (and a passenger's its turn) only in DrawCode, so its box is given them
    // here. In a pick pass the box is tested on every tile, since the view is
    // then only the pick window.
    if ((box != 2 || pick) && mUnitType != kUnitInanimate && mExtentX > 0.0f) {
        G3DObject own;
        if (mUnitType == kUnitInfantry && scale > 0.0f)
            FigureBox(*this, scale, IsPassenger(false) ? mHeading - 90.0f : 0.0f, &own);
        else
            FigureBox(*this, 1.0f, 0.0f, &own);
        bool clip = needsClip;
        if (!own.ShouldBeDrawn(&clip)) {
            d3::Pop();
            return;
        }
        needsClip = clip;
    }
    const bool oldClip = d3::GetClip();
    if (!pick) d3::SetClip(needsClip);
    const float factor = map->GetRoughResolution(mX, mY, z) * scale;
    const bool secondPass = g3D && g3D->mPickPass == 2;
    const bool hitBefore = secondPass && g3D->mPickHit;
    if (secondPass) g3D->mPickHit = false;
    DrawCode(needsClip, scale, factor);
    d3::Pop();
    const FogOfWarContact contact = VisibleToPlayer(false);
    // The base counts as the unit in a pick: a click on it selects.
    DrawBase(contact, needsClip, scale, factor);
    if (secondPass) {
        if (g3D->mPickHit) SetPickedUnit(this);
        g3D->mPickHit = g3D->mPickHit || hitBefore;
    }
    if (vehicle && !pick && VisibleToPlayer(true) >= 2)
        DrawVehicleShadow(ViewOfVehicle(static_cast<Vehicle*>(this)), scale, needsClip);
    if (!pick) {
        if (contact != 0 && CurrentDrawSettings().mShowLabels) PrintWarningLabel();
        if (gBattle->mSelectedUnit == this) {
            float sx = mX, sy = mY;
            if (d3::WorldToScreen(&sx, &sy, z, false)) {
                const int32_t cx = static_cast<int32_t>(sx), cy = static_cast<int32_t>(sy);
                d3::FrameRectangle(cx - 12, cy - 18, cx + 12, cy + 6, 0xFFFF);
            }
        }
        d3::SetClip(oldClip);
    }
}

void Unit::DrawBase(FogOfWarContact contact, bool needsClip, float, float) {
    Map* map = gBattle ? gBattle->mMap : nullptr;
    if (!map || !mActive || contact < 2 || !CurrentDrawSettings().mShowUnitBases) return;
    if (ClampLevel(map->mCameraLevel[map->ViewingSide()]) < kBaseFromLevel) return;
    float x = mX, y = mY, z = 0.0f;
    GetApparentLocation(&x, &y, &z);
    if (!std::isfinite(x) || !std::isfinite(y) || x < 0.0f || y < 0.0f || x >= map->mWidthMetres ||
        y >= map->mHeightMetres)
        return;
    // About kBasePixels across on the screen at any distance.
    const float perMetre = map->GetRoughResolution(x, y, map->GetZCoord(x, y));
    if (!std::isfinite(perMetre) || perMetre <= 0.0f) return;
    const float radius = 0.5f * kBasePixels / perMetre;
    const float lift = 0.05f + 0.02f * radius;
    const float maxX = map->mWidthMetres - 0.01f, maxY = map->mHeightMetres - 0.01f;
    float fan[3 * (kBaseRim + 2)];
    fan[0] = x, fan[1] = y, fan[2] = map->GetZCoord(x, y) + lift;
    for (int32_t k = 0; k <= kBaseRim; ++k) {
        const float a = 6.2831853f * static_cast<float>(k % kBaseRim) / kBaseRim;
        const float px = std::fmin(std::fmax(x + radius * std::cos(a), 0.0f), maxX);
        const float py = std::fmin(std::fmax(y + radius * std::sin(a), 0.0f), maxY);
        float* p = fan + 3 * (k + 1);
        p[0] = px, p[1] = py, p[2] = map->GetZCoord(px, py) + lift;
    }
    const BaseColour& c = BaseColourOf(IsOwnUnit(map->ViewingSide()), gBattle->mSelectedUnit == this);
    d3::SetCull(false); // seen from above or below alike
    // Opaque: a translucent disc would join the frame's sorted transparencies.
    d3::Color(c.r, c.g, c.b);
    d3::Fan(needsClip, kBaseRim, fan);
    d3::SetCull(true);
}

void Unit::ShowRecoil(float s) {
    if (s == 0.0f || !gUnitShotAge) return;
    const int32_t age = gUnitShotAge(this);
    if (age < 0 || age >= kRecoilSlices) return;
    // The barrel runs back at once and returns over the recoil time.
    const float back = 1.0f - static_cast<float>(age) / static_cast<float>(kRecoilSlices);
    d3::Translate(0.0f, -0.012f * back, 0.0f);
}

void Unit::DrawGunflash(float scale, float x, float y, float z) {
    if (!gUnitShotAge || d3::PickPass()) return;
    const int32_t age = gUnitShotAge(this);
    if (age < 0 || age >= kFlashSlices) return;
    const dm::models::ModelTable* disc = ModelTableNamed("EffectPuffDisc");
    if (!disc) return;
    const float fade = 1.0f - static_cast<float>(age) / static_cast<float>(kFlashSlices);
    const float r = 0.008f * scale * (1.0f + 0.5f * static_cast<float>(age));
    d3::Push();
    d3::Translate(x, y, z);
    d3::Color(1.0f, 0.85f, 0.35f);
    d3::SetOpacity(fade);
    // A bright ball: the puff disc turned three ways.
    for (int32_t k = 0; k < 3; ++k) {
        d3::Push();
        if (k == 1) d3::RotateZ(90.0f);
        if (k == 2) d3::RotateY(90.0f);
        d3::Scale(r, r, r);
        for (int32_t i = 0; i < disc->opCount; ++i) {
            const dm::models::ModelOp& o = disc->ops[i];
            if ((o.op == dm::models::Op::Fan || o.op == dm::models::Op::FlatFan) &&
                o.first + o.n + 2 <= disc->vertexCount)
                d3::Fan(false, o.n, disc->xyz + 3 * o.first);
        }
        d3::Pop();
    }
    d3::SetOpacity(1.0f);
    d3::Pop();
}
