// A unit's place in the frame: culling, the enlargement of distant units, the
// frame at the unit, its picking, base, shadow, labels and selection frame;
// the muzzle flash and recoil that the models call.
#include <cmath>

#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "draw/Draw3D.h"
#include "draw/DrawInternal.h"
#include "draw/DrawSettings.h"
#include "draw/UnitDraw.h"
#include "engine/LongRect.h"
#include "map/Map.h"
#include "models/ModelTables.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

Unit* gPickedUnit = nullptr;
int32_t (*gUnitShotAge)(Unit* u) = nullptr;

namespace {
constexpr int32_t kFlashSlices = 6;   // a muzzle flash lasts this long
constexpr int32_t kRecoilSlices = 12; // the barrel is back in place after this
} // namespace

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

// While a box is dragged every own unit that can take orders and whose
// screen box meets it is marked 1; units already in the selection keep 2.
void Unit::MarkForBoxSelection(Map* map) {
    if (mSelectionMark == 2) return;
    mSelectionMark = 0;
    if (!gBattle || mOffMapState != 0 || !CanReceiveOrders() || !IsOwnUnit(gBattle->Host()->ViewingSide())) return;
    float sx = mX, sy = mY;
    if (!d3::WorldToScreen(&sx, &sy, GetZ(), false)) return;
    LongRect r;
    map->GetMultiselectRect(&r);
    const int32_t cx = static_cast<int32_t>(sx), cy = static_cast<int32_t>(sy);
    // The same box as the selection frame around the unit.
    if (cx + 12 >= r.left && cx - 12 <= r.right && cy + 6 >= r.top && cy - 18 <= r.bottom) mSelectionMark = 1;
}

void Unit::DrawItself(float a, float b, float c) {
    Map* map = gBattle ? gBattle->mMap : nullptr;
    if (!map) return;
    if (!d3::PickPass() && CurrentDrawSettings().mState == 14) MarkForBoxSelection(map);
    if (mOffMapState != 0) return;
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
    if (secondPass) {
        if (g3D->mPickHit) SetPickedUnit(this);
        g3D->mPickHit = g3D->mPickHit || hitBefore;
    }
    d3::Pop();
    const FogOfWarContact contact = VisibleToPlayer(false);
    DrawBase(contact, needsClip, scale, factor);
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
