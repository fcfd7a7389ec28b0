// A vehicle on the battlefield: the far class shape or the model of the type
// the viewing side believes it to be, its flames, and its shadow.
#include <cmath>

#include "battle/Battle.h"
#include "draw/Draw3D.h"
#include "draw/DrawInternal.h"
#include "draw/DrawSettings.h"
#include "draw/UnitDraw.h"
#include "map/Map.h"
#include "models/ModelTables.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/Vehicle.h"

namespace {

constexpr float kDegrees = 3.14159265358979f / 180.0f;

Map* BattleMap() {
    return gBattle ? gBattle->mMap : nullptr;
}

void DrawFlames(const VehicleView& v) {
    Map* map = BattleMap();
    if (!v.burning || !map || d3::PickPass()) return;
    const float size = gVehicleData[v.trueType].mTargetSize;
    const float s = std::sqrt(size > 0.0f ? size : 0.0f);
    map->SetLastFireTexture();
    const int32_t side = map->ViewingSide();
    const float zoom = static_cast<float>(CurrentDrawSettings().mZoom);
    const float dx = map->mEyeX - v.x, dy = map->mEyeY - v.y;
    const bool close = map->mCameraLevel[side] <= 1 && dx * dx + dy * dy < 6400.0f * zoom * zoom;
    if (close) d3::SetOpacity(0.9f);
    map->DrawOneFire(v.x, v.y, 0.04f * s, 0.09f * s, 1.0f, true);
    d3::SetOpacity(1.0f);
}

} // namespace

void DrawVehicleView(const VehicleView& v, bool needsClip, float factor) {
    sShadowCoords[0] = 9999.0f;
    const bool seen = v.contact >= 2;
    const VehicleData& truth = gVehicleData[v.trueType];
    ModelStatics& s = gModelStatics;
    s.headFacing = seen ? v.turretFacing : 0.0f;
    if (!seen)
        s.gunElevate = 0.0f;
    else if (v.alive)
        s.gunElevate = v.gunElevation;
    else
        s.gunElevate =
            (truth.mFlags & kVWreckGunThird) ? v.wreckGunElevation * 0.33333334f : v.wreckGunElevation;
    s.turretTilt = seen && !v.alive && v.turretDislodged ? v.wreckTurretTilt : 0.0f;
    s.firer = v.unit;
    s.textures = v.textures;
    s.treadLeft = v.treadLeft;
    s.treadRight = v.treadRight;
    s.sizeValue = truth.mTargetSize;
    s.barrelClass = truth.mGunReach;
    s.lastAmmo = v.lastAmmo;
    s.longBarrel = false;

    bool shapeDrawn = false;
    if (factor < 2.0f && v.level > 0) {
        // The drawing class is a signed byte compared unsigned: only 0 and 1 draw a shape.
        const uint8_t d = static_cast<uint8_t>(gVehicleClassChart[v.knownClass].mDrawingClass);
        d3::SetCull(false);
        if (d <= 1) {
            if (const dm::models::ModelTable* t = ModelTableNamed(d == 0 ? "ClassShape0" : "ClassShape1")) {
                d3::Push(); // the far tank scales the caller's frame; keep it to this shape
                DrawModelTable(*t, needsClip);
                d3::Pop();
            }
            shapeDrawn = true;
        }
        d3::SetCull(true);
    }
    if (!shapeDrawn) {
        gDrawLOD = factor < 5.0f;
        if (v.alive) DrawVisibleCrew(v, needsClip, factor * 0.00045f);
        d3::SetCull(false);
        const int32_t m = GetActualModelX(gVehicleData[v.shownType].mModel);
        s.longBarrel = m == 199;
        if (const dm::models::ModelTable* t = VehicleModelTable(m)) {
            if (t->hasFootprint)
                for (int32_t k = 0; k < 4; ++k)
                    sShadowCoords[k] = t->footprint[k];
            DrawModelTable(*t, needsClip);
        }
        d3::SetCull(true);
    }
    DrawFlames(v);
}

void DrawVehicleShadow(const VehicleView& v, float scale, bool needsClip) {
    Map* map = BattleMap();
    if (!map || sShadowCoords[0] == 9999.0f) return;
    if (gBattle->mTimeOfDay == 3 || v.floorHeight < 0.0f || v.dugIn) return;
    float x0 = sShadowCoords[0] * scale, y0 = sShadowCoords[1] * scale;
    float x1 = sShadowCoords[2] * scale, y1 = sShadowCoords[3] * scale;
    // The lift is asked at the vehicle's own position on the map.
    const float lift = 0.25f * map->GetGap(v.x, v.y);
    const float cr = std::fabs(std::cos(v.roll * kDegrees)), cp = std::fabs(std::cos(v.pitch * kDegrees));
    x0 *= cr, x1 *= cr, y0 *= cp, y1 *= cp;
    const float h = (v.facing - 90.0f) * kDegrees, ch = std::cos(h), sh = std::sin(h);
    const float cx[4] = {x0, x0, x1, x1}, cy[4] = {y0, y1, y1, y0};
    float p[4][3];
    const float maxX = map->mWidthMetres - 0.01f, maxY = map->mHeightMetres - 0.01f;
    auto lifted = [&](float x, float y) {
        const Terrain t = map->GetTerrain(x, y, false);
        const bool soft = t == 0 || t == 1 || t == 2 || t == 3 || t == 48;
        return map->GetZCoord(x, y) + (soft ? 0.0f : lift);
    };
    for (int32_t k = 0; k < 4; ++k) {
        float x = cx[k] * ch - cy[k] * sh + v.x, y = cx[k] * sh + cy[k] * ch + v.y;
        x = x < 0.0f ? 0.0f : (x > maxX ? maxX : x);
        y = y < 0.0f ? 0.0f : (y > maxY ? maxY : y);
        p[k][0] = x, p[k][1] = y, p[k][2] = lifted(x, y);
    }
    auto within = [](float d) { return d >= -0.01f && d <= 0.01f; };
    const bool flat = within(p[0][2] - p[1][2]) && within(p[0][2] - p[2][2]) && within(p[0][2] - p[3][2]);
    const int32_t level = map->mCameraLevel[map->ViewingSide()];
    const float raise = (static_cast<float>(level) + 2.0f) * (flat ? 0.02f : 0.045f);
    for (auto& c : p)
        c[2] += raise;
    d3::Color(0.0f, 0.0f, 0.0f);
    d3::SetOpacity(0.22f);
    if (flat) {
        d3::Quad(p[0][0], p[0][1], p[0][2], p[1][0], p[1][1], p[1][2], p[2][0], p[2][1], p[2][2], p[3][0],
                 p[3][1], p[3][2]);
    } else {
        float fan[30];
        fan[0] = v.x, fan[1] = v.y, fan[2] = v.z + 3.5f * raise;
        for (int32_t k = 0; k < 4; ++k) {
            const float* a = p[k];
            const float* b = p[(k + 1) % 4];
            float* at = fan + 3 + 6 * k;
            at[0] = a[0], at[1] = a[1], at[2] = a[2];
            const float mx = 0.5f * (a[0] + b[0]), my = 0.5f * (a[1] + b[1]);
            at[3] = mx, at[4] = my, at[5] = map->GetZCoord(mx, my) + raise;
        }
        fan[27] = p[0][0], fan[28] = p[0][1], fan[29] = p[0][2];
        d3::Fan(needsClip, 8, fan);
    }
    d3::SetOpacity(1.0f);
}

VehicleView ViewOfVehicle(Vehicle* u) {
    VehicleView v;
    if (!u) return v;
    v.unit = u;
    v.trueType = u->mSubtype;
    v.contact = u->VisibleToPlayer(false);
    v.level = v.contact >= 5 ? 3 : v.contact == 4 ? 2 : v.contact == 3 ? 1 : 0;
    const int32_t slot = v.contact == 4 ? 0 : v.contact == 3 ? 1 : 2;
    v.shownType = v.contact >= 5 ? u->mSubtype : u->mMistakenTypes[slot];
    v.alive = u->mActive;
    v.burning = u->mBurning;
    v.buttoned = u->mButtoned;
    v.dugIn = u->mDugIn;
    v.x = u->mX, v.y = u->mY, v.z = 0.0f;
    u->GetApparentLocation(&v.x, &v.y, &v.z); // where the viewer sees it drawn
    v.facing = u->mHeading;
    v.floorHeight = u->mZ;
    v.pitch = u->mDrawnPitch, v.roll = u->mDrawnRoll;
    v.turretFacing = u->mTurretBearing;
    v.gunElevation = u->mGunElevation;
    v.wreckGunElevation = u->mDrawGunElevation;
    v.wreckTurretTilt = u->mDrawTurretTilt;
    v.turretDislodged = u->mTurretDislodged;
    v.treadLeft = u->mTrackPhase[0], v.treadRight = u->mTrackPhase[1];
    v.knownClass = u->GetKnownClass();
    v.textures = u->mTextureSets[v.level];
    v.lastAmmo = u->mLastAmmoFired;
    v.crewPresent = u->Data().mCrew - u->mCrewLost;
    v.uniform = u->mUniform;
    for (int32_t i = 0; i < 2; ++i) {
        v.crewLook[i] = u->mAnimPhase[i];
        v.crewFaces[i] = u->mFaceIndex[i];
    }
    return v;
}

void Vehicle::DrawCode(bool needsClip, float, float factor) {
    DrawVehicleView(ViewOfVehicle(this), needsClip, factor);
}

float DrawnVehicleModelUnit(Vehicle* v) {
    // The model the viewer is shown is the one drawn.
    const VehicleView view = ViewOfVehicle(v);
    const int32_t shown = view.shownType >= 0 && view.shownType < gVehicleData.Count()
                              ? GetActualModelX(gVehicleData[view.shownType].mModel)
                              : v->GetActualModel();
    return VehicleModelUnit(shown);
}

float VehicleDrawnSinking(const Vehicle& v) {
    if (v.mDugIn) return kVehicleDugInDepth;
    return v.mBogged ? kVehicleBoggedDepth : 0.0f;
}

void Vehicle::ScaleForType(float* scale, float, float, float) {
    *scale *= DrawnVehicleModelUnit(this);
    d3::RotateZ(mHeading - 90.0f);
    Tilt(true);
    d3::RotateX(mDrawnPitch);
    d3::RotateY(mDrawnRoll);
    // A dead soft vehicle lists on its broken side.
    if (!mActive && !HasHeavyWeapon(kKnowTruth) && Data().mMobilityClass != 6) d3::RotateY(3.7f);
    d3::Scale(*scale, *scale, *scale);
}
