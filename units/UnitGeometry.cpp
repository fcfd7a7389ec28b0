#include "units/UnitGeometry.h"

#include <cmath>

float GetHeadingFromXY(float dx, float dy) {
    if (dx == 0.0f) return dy >= 0.0f ? 90.0f : 270.0f;
    float h = static_cast<float>(std::atan(dy / dx) * (180.0 / M_PI));
    if (dx < 0.0f) h += 180.0f;
    if (h < 0.0f) h += 360.0f;
    return h;
}

float Clamp360(float angle) {
    if (!std::isfinite(angle)) return 0.0f;
    if (angle >= 0.0f && angle < 360.0f) return angle;
    float turns = std::floor(angle / 360.0f);
    float r = angle - turns * 360.0f;
    if (r >= 360.0f) r -= 360.0f;
    if (r < 0.0f) r += 360.0f;
    return r;
}
