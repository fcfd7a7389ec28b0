#include "ai/AIGeometry.h"

#include <cmath>

float Distance(float x1, float y1, float z1, float x2, float y2, float z2) {
    const long double dx = static_cast<long double>(x1) - x2;
    const long double dy = static_cast<long double>(y1) - y2;
    const long double dz = static_cast<long double>(z1) - z2;
    return static_cast<float>(std::sqrt(dx * dx + dy * dy + dz * dz));
}

float _AngleOff(float facing, float x1, float y1, float x2, float y2, bool absolute) {
    // A facing that is an exact negative multiple of 360 becomes 360.
    if (facing < 0.0f) {
        const float n = std::trunc(-facing / 360.0f);
        facing += 360.0f * (n + 1.0f);
    } else if (facing >= 360.0f) {
        const float n = std::trunc(facing / 360.0f);
        facing -= 360.0f * n;
    }
    const float dx = x2 - x1;
    const float dy = y2 - y1;
    float bearing;
    if (dx == 0.0f) {
        bearing = dy < 0.0f ? 270.0f : 90.0f;
    } else {
        const float rad = static_cast<float>(std::atan(static_cast<double>(dy / dx)));
        bearing = static_cast<float>(static_cast<double>(rad) * 57.29577951471995);
        if (dx < 0.0f)
            bearing += 180.0f;
        else if (bearing < 0.0f)
            bearing += 360.0f;
    }
    const float d = facing - bearing;
    if (absolute) {
        const float a = std::fabs(d);
        return a > 180.0f ? 360.0f - a : a;
    }
    if (d > 180.0f) return d - 360.0f;
    if (d < -180.0f) return d + 360.0f;
    return d;
}
