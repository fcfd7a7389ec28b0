// Plain answers of the armour model for the display values: a plate's slope
// multiplier by the cosine law and the reference vehicle's front armour as a
// single homogeneous plate. The vehicle armour rules replace both.

#include <algorithm>
#include <cmath>

#include "units/Functions.h"

namespace {
constexpr float kSteepestSlope = 85.0f; // degrees; steeper plates count as this
constexpr float kDegToRad = 0.0174532925f;
} // namespace

float SlopeFactor(float calibre, float angle, float ratio, bool faceHardened, bool cosineLaw, AmmoClass kind,
                  ShellType shell) {
    const float a = std::clamp(std::fabs(angle), 0.0f, kSteepestSlope);
    return std::max(1.0f, 1.0f / std::cos(a * kDegToRad));
}

float ReferencePlateBasis(int32_t thickness, int32_t slope, float calibre, AmmoClass kind, bool* faceHardened,
                          int32_t* hardness, float* ratio) {
    const float t = static_cast<float>(std::max(thickness, 0));
    const float r = calibre > 0.0f ? t / calibre : 0.0f;
    if (faceHardened) *faceHardened = false;
    if (hardness) *hardness = 0;
    if (ratio) *ratio = r;
    return t * SlopeFactor(calibre, static_cast<float>(slope), r, false, kind == kAmmoHEAT, kind, 0);
}
