#pragma once
// A victory location on the map. The side that holds the ground around it
// earns its points.

#include <cstdint>

#include "engine/GObject.h"
#include "units/Enums.h"

class GFile;

class VictoryFlag : public GObject {
public:
    // A new flag stands at a random place (50 + 100 U metres in x and y),
    // small, neutral.
    VictoryFlag();
    ~VictoryFlag() override = default;

    // Float x, float y, then five chars: kind, neutral, holder nation,
    // candidate, real.
    void Write(GFile* file) override;
    void Read(GFile* file) override;

    // The flag's worth to one side; with byView as that side's player can
    // tell it (a candidate it cannot tell apart is worth its share).
    float FlagValue(bool forAxis, bool byView) const;
    // Decides who holds the flag by the units around it; true when the
    // flag turned neutral or changed hands.
    bool Color(bool byView);

    float mX = 0.0f;
    float mY = 0.0f;
    int32_t mKind = 0; // 1 large, 0 small
    bool mNeutral = true;
    Nation mHolderNation = 0; // below 2: held by the Axis
    bool mCandidate = false;  // one of several of which one is real
    bool mReal = false;
};
