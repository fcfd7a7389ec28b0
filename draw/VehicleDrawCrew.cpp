// The crew of a vehicle in its hatches: up to two men at the model's crew
// places, turning with the turret, ducking when buttoned, looking about.
#include "battle/Battle.h"
#include "draw/Draw3D.h"
#include "draw/InfantryDraw.h"
#include "draw/UnitDraw.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Functions.h"
#include "units/Unit.h"

namespace {

// The data holds a pose for two places only; further places are not drawn.
constexpr int32_t kCrewPlaces = 2;

bool TurnsWithTurret(int32_t pose) {
    return pose == 0 || pose == 2 || pose == 3 || pose == 4 || pose == 7 || pose == 8 || pose == 10;
}

bool Ducks(int32_t pose) {
    return pose == 2 || pose == 3 || pose == 4 || pose == 9 || pose == 10;
}

} // namespace

float CrewLookAngle(int32_t t) {
    if (t < 4000) return -35.0f;
    if (t < 5000) return static_cast<float>(t - 4000) * 0.07f - 35.0f;
    if (t < 9000) return 35.0f;
    return static_cast<float>(t - 9000) * -0.07f + 35.0f;
}

void DrawVisibleCrew(const VehicleView& v, bool needsClip, float factor) {
    Map* map = gBattle ? gBattle->mMap : nullptr;
    if (!map) return;
    const VehicleData& record = gVehicleData[v.shownType];
    const VehicleModelData& model = gVehicleModelData[GetActualModelX(record.mModel)];
    int32_t n = v.crewPresent < model.mNrCrewPositions ? v.crewPresent : model.mNrCrewPositions;
    if (n > kCrewPlaces) n = kCrewPlaces;
    if (n < 1) return;
    const bool closed = v.contact >= 3 ? v.buttoned : true;
    for (int32_t i = 0; i < n; ++i) {
        const int32_t pose = model.mCrewPose[i];
        const CrewPosition& at = model.mCrewPositions[i];
        if (closed && pose < 2) continue;
        bool pushed = false;
        const bool fixedTurret = record.mTurretKind == 5 && at.mPivotX == 0.0f && at.mPivotY == 0.0f;
        if (!fixedTurret && (record.mFlags & kVCrewFixedInTurret) == 0 && TurnsWithTurret(pose)) {
            d3::Push();
            pushed = true;
            d3::Translate(at.mPivotX, at.mPivotY, 0.0f);
            d3::RotateZ(v.turretFacing);
            d3::Translate(-at.mPivotX, -at.mPivotY, 0.0f);
        }
        bool lowered = false;
        if (closed && Ducks(pose)) {
            if (!pushed) d3::Push();
            pushed = true;
            d3::Translate(0.0f, 0.0f, -0.017f);
            lowered = true;
        }
        const int32_t face = v.crewFaces[i];
        gFaceTextureIndex = face >= 0 && face <= 13 ? face : 2;
        map->DrawCrewman(pose, v.uniform, at.mX, at.mY, at.mZ, at.mHeading, CrewLookAngle(v.crewLook[i]),
                         needsClip, factor, lowered);
        if (pushed) d3::Pop();
    }
}

void Map::DrawCrewman(int32_t pose, Uniform uniform, float x, float y, float z, float h, float look,
                      bool needsClip, float factor, bool lowered) {
    if (uniform < 0 || uniform >= 36) return;
    Unit* dummy = mCrewDummies[uniform];
    if (!dummy) return;
    d3::Push();
    d3::Translate(0.04f * x, 0.04f * y, 0.04f * z);
    d3::Scale(0.00045f, 0.00045f, 0.00045f);
    d3::RotateZ(h);
    if (gCrewPoseHook) gCrewPoseHook(dummy, pose, look, lowered);
    gAllowFaceSet = false;
    dummy->DrawCode(needsClip, -1.0f, factor);
    gAllowFaceSet = true;
    d3::Pop();
}
