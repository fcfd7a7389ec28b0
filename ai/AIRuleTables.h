#pragma once
// The rule tables of the target choice. A table T of width W gives the
// output label T[b * W + a] for label a of the set passed to
// GFuzzySet::CombineThroughFAM and label b of the set it is called on;
// each table is printed with rows b and columns a.

#include <cstdint>

namespace airules {

// Rows: appropriateness 0..4; columns: desirability 0..5.
constexpr int32_t kFinalScoreW = 6;
constexpr int8_t kFinalScore[] = {
    0, 0, 0, 0, 0, 0, //
    0, 0, 0, 1, 2, 3, //
    0, 1, 2, 3, 4, 5, //
    0, 2, 3, 5, 6, 7, //
    0, 3, 5, 6, 7, 8,
};
// Rows: combined score 0..8; columns: range 0 close, 1 medium, 2 far.
constexpr int32_t kRangeRaiseW = 3;
constexpr int8_t kRangeRaise[] = {
    1, 0, 0, 3, 2, 1, 4, 3, 2, 5, 4, 3, 6, 5, 4, 7, 6, 5, 8, 7, 6, 8, 8, 7, 8, 8, 8,
};
// Crisp value of score label k: k / 8.
constexpr float kScoreWeights[] = {0.0f, 0.125f, 0.25f, 0.375f, 0.5f, 0.625f, 0.75f, 0.875f, 1.0f};

// Urgency: rows value 0..2, columns threat 0..4.
constexpr int32_t kUrgencyW = 5;
constexpr int8_t kUrgencyDirectThreat[] = {0, 0, 0, 2, 4, 0, 0, 0, 2, 4, 0, 0, 0, 2, 4};
constexpr int8_t kUrgencySmoke[] = {0, 0, 0, 3, 3, 0, 0, 1, 4, 4, 0, 0, 1, 4, 4};
constexpr int8_t kUrgencyCoveredArc[] = {0, 1, 2, 3, 4, 1, 2, 3, 4, 4, 2, 3, 4, 4, 4};
constexpr int8_t kUrgencyDefault[] = {0, 0, 0, 1, 3, 0, 0, 0, 1, 3, 0, 0, 0, 2, 3};

// Tempering: rows ammunition level 0..4, columns urgency 0..4.
constexpr int32_t kTemperW = 5;
constexpr int8_t kTemperDefault[] = {
    0, 0, 0, 1, 2, 0, 0, 2, 3, 4, 0, 1, 3, 4, 5, 1, 2, 3, 4, 5, 2, 3, 4, 5, 5,
};
constexpr int8_t kTemperSmoke[] = {
    0, 0, 0, 1, 2, 0, 0, 2, 3, 4, 0, 1, 3, 4, 5, 0, 2, 3, 4, 5, 0, 3, 4, 5, 5,
};

// Desirability.
constexpr int32_t kDesirabilityAW = 6; // rows value 0..2, columns urgency 0..5
constexpr int8_t kDesirabilityA[] = {2, 2, 2, 3, 4, 5, 3, 3, 3, 3, 4, 5, 4, 4, 4, 4, 4, 5};
constexpr int32_t kDesirabilityBW = 6; // rows harm coverage 0..2, columns urgency 0..5
constexpr int8_t kDesirabilityB[] = {0, 1, 2, 3, 4, 5, 0, 0, 1, 2, 3, 4, 0, 0, 1, 1, 2, 3};
constexpr int32_t kDesirabilityCW = 6; // rows hull angle 0..2, columns desirability 0..5
constexpr int8_t kDesirabilityC[] = {0, 1, 2, 3, 4, 5, 0, 0, 1, 2, 3, 4, 0, 0, 0, 2, 3, 4};
constexpr int32_t kDesirabilityDW = 3; // rows gun angle 0..2 (3 unused), columns elapsed 0..2
constexpr int8_t kDesirabilityD[] = {0, 0, 0, 0, 1, 2, 1, 2, 3, 0, 0, 0};
constexpr int32_t kDesirabilityEW = 6; // rows swing 0..3, columns desirability 0..5
constexpr int8_t kDesirabilityE[] = {0, 1, 2, 3, 4, 5, 0, 0, 1, 2, 3, 5, 0, 0, 1, 1, 2, 4, 0, 0, 0, 1, 2, 4};

// Appropriateness: rows harm 0..3, columns ammunition level 0..4.
constexpr int32_t kAppropriatenessW = 5;
constexpr int8_t kAppropriateness[] = {
    0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 0, 2, 3, 3, 3, 3, 4, 4, 4, 4,
};
// Rows bearing time 0..2, columns appropriateness 0..4.
constexpr int32_t kBearingTimeW = 5;
constexpr int8_t kBearingTime[] = {0, 1, 2, 3, 4, 0, 1, 1, 2, 4, 0, 0, 1, 1, 2};
// Rows traverse 0..2, columns appropriateness 0..4.
constexpr int32_t kTraverseW = 5;
constexpr int8_t kTraverse[] = {0, 1, 2, 3, 4, 0, 0, 1, 2, 3, 0, 0, 0, 1, 2};

// Threat from (value a, harm b).
inline int8_t ThreatRule(int8_t a, int8_t b) {
    if (b == 0) return 0;
    if (b == 1) return 1;
    if (a == 2 && b == 3) return 3;
    return 2;
}
// Harm b raised by a near distance (a 0): up two labels, at most 4.
inline int8_t CloseRangeHarmRule(int8_t a, int8_t b) {
    if (a != 0) return b;
    return static_cast<int8_t>(b + 2 < 4 ? b + 2 : 4);
}
// A tank hunter against infantry: appropriateness 0..2 to 0, 3 to 2, 4 to 4.
inline int8_t TankHunterRule(int8_t a, int8_t b) {
    static const int8_t kU[] = {0, 0, 0, 2, 4};
    const int32_t i = a + b;
    return kU[i < 0 ? 0 : i > 4 ? 4 : i];
}

} // namespace airules
