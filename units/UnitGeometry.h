#pragma once
#include <cstdint>
// Small angle helpers shared by the unit rules. Angles are degrees counter-
// clockwise from the +x axis (east).

// The bearing of the direction (dx, dy): 90 (dy >= 0) or 270 when dx is
// exactly 0, else atan(dy / dx) in degrees, plus 180 when dx < 0, plus 360
// when still negative.
float GetHeadingFromXY(float dx, float dy);
// The angle outside [0, 360) brought into it by whole turns; 0 for one not
// finite.
float Clamp360Outside(float angle);
// The angle brought into [0, 360) by whole turns (one already inside, the
// usual case, is answered where it is asked).
inline float Clamp360(float angle) {
    return angle >= 0.0f && angle < 360.0f ? angle : Clamp360Outside(angle);
}

class Unit;

// The straight-line distance in metres between two units' positions.
float Distance3D(Unit* a, Unit* b);
// The order of the unit's first waypoint, or -1 without one.
int32_t FirstOrder(const Unit& u);
// Men, crew or aircraft still in being; 0 for anything else.
int32_t MenInBeing(const Unit* u);

// Height of one building floor in metres: a unit's base rises by this much
// per floor level it stands on.
constexpr float kFloorHeight = 6.0f;
