#pragma once
#include <cstdint>

// Truncation toward zero held to the 32-bit range, 0 for not a number: for
// screen values made from views and corners that may lie far off screen.
inline int32_t TruncToInt32(float v) {
    if (!(v == v)) return 0;
    if (v <= -2147483648.0f) return INT32_MIN;
    if (v >= 2147483648.0f) return INT32_MAX;
    return static_cast<int32_t>(v);
}
