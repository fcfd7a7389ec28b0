#pragma once
// The figure animations' text (data/animations.txt): 18 groups of 13
// animations, each a line 'animation <group> <number> <frames>' and one line
// per key frame with its duration in milliseconds and 21 pose values.
// Every animation is given once, with 1..18 frames of 5..5000 ms and pose
// values within +-360. Numbers are decimal as written (leading zeros are
// never octal). The reader refuses anything else with "file:line: reason"
// and never aborts; what it reads is kept as canonical text, from which the
// text form and the generated tables are written.

#include <string>
#include <vector>

namespace anim {

constexpr int kGroups = 18;
constexpr int kPerGroup = 13;
constexpr int kCount = kGroups * kPerGroup;
constexpr int kMaxFrames = 18;
constexpr int kValues = 21;

struct Frame {
    int ms = 0;
    std::string values[kValues]; // decimal, without leading zeros
};

struct Animation {
    bool given = false;
    std::vector<Frame> frames;
};

struct AnimationTable {
    Animation animations[kCount];
};

bool ReadAnimationText(const std::string& text, const std::string& file, AnimationTable* out,
                       std::string* error);

// The table as text that reads back to the same table.
std::string WriteAnimationText(const AnimationTable& table);

// The table as the C++ definitions of gAnimationFrameCount,
// gAnimationFrameTime and gAnimationPose (units/InfantryTables.h).
std::string AnimationSource(const AnimationTable& table);

} // namespace anim
