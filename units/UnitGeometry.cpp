#include "units/UnitGeometry.h"

#include <cmath>

#include "units/DataTables.h"
#include "units/Unit.h"

float GetHeadingFromXY(float dx, float dy) {
    if (dx == 0.0f) return dy >= 0.0f ? 90.0f : 270.0f;
    float h = static_cast<float>(std::atan(dy / dx) * (180.0 / M_PI));
    if (dx < 0.0f) h += 180.0f;
    if (h < 0.0f) h += 360.0f;
    return h;
}

float Clamp360Outside(float angle) {
    if (!std::isfinite(angle)) return 0.0f;
    float turns = std::floor(angle / 360.0f);
    float r = angle - turns * 360.0f;
    if (r >= 360.0f) r -= 360.0f;
    if (r < 0.0f) r += 360.0f;
    return r;
}

float Distance3D(Unit* a, Unit* b) {
    const float dx = a->mX - b->mX;
    const float dy = a->mY - b->mY;
    const float dz = a->GetZ() - b->GetZ();
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

int32_t FirstOrder(const Unit& u) {
    return u.mNrWaypoints > 0 ? u.mWaypoints[0].mOrder : -1;
}

int32_t MenInBeing(const Unit* u) {
    switch (u->mUnitType) {
    case kUnitInfantry:
        return gInfantryData[u->mSubtype].mNrMen - u->mCasualties;
    case kUnitVehicle:
        return gVehicleData[u->mSubtype].mCrew - u->mCasualties;
    case kUnitAirplane:
        return 1 - u->mCasualties;
    default:
        return 0;
    }
}
