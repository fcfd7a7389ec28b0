#pragma once
// Fixed tables of the infantry rules, compiled from data/ at build time
// (tools/infantrydata).

#include <cstdint>

// Anti-tank weapons of German units by month, July 1943 = 0 .. May 1945 = 22.
constexpr int32_t kAntitankMonths = 23;
extern const float gAntitankShotChance[kAntitankMonths];
extern const float gAntitankShare167[kAntitankMonths];
extern const float gAntitankShare168[kAntitankMonths];
extern const float gAntitankShare169[kAntitankMonths];

// Figure animations: 18 groups of 13 animations, each of up to 18 key
// frames with a duration in milliseconds and 21 pose values.
constexpr int32_t kAnimationGroups = 18;
constexpr int32_t kAnimationsPerGroup = 13;
constexpr int32_t kAnimationCount = kAnimationGroups * kAnimationsPerGroup;
constexpr int32_t kMaxKeyFrames = 18;
constexpr int32_t kPoseValueCount = 21;
extern const int32_t gAnimationFrameCount[kAnimationCount];
extern const int32_t gAnimationFrameTime[kAnimationCount][kMaxKeyFrames];
extern const float gAnimationPose[kAnimationCount][kMaxKeyFrames][kPoseValueCount];
