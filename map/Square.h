#pragma once
// One 20 m square of the map. The squares are kept x-major:
// index = column * squares along y + row.
#include <cstdint>

// One doodad slot (small ground decoration) of a square.
struct Doodad {
    uint8_t mX, mY;           // position inside the square, 0..255 for 0..20 m
    uint8_t mTurn;            // degrees, 0..179
    uint8_t mShade;           // size variation
    int16_t mHeight;          // ground height less 0.05 m, in 1/150 m
    uint8_t mTypeAndVariant;  // low 5 bits type (kDoodadEmpty = nothing), high 3 the texture variant
};

constexpr uint8_t kDoodadEmpty = 14;
constexpr int32_t kDoodadSlots = 20;

struct Square {
    int32_t mOverlay[2] = {0, 0};      // terrain codes of the overlay slots; slot 1 = 0 is empty
    char mOverlayMirror[2] = {0, 0};
    int8_t mOverlayTurn[2] = {0, 0};   // quarter turns 0..3
    char mEdge[12] = {};               // per side 0..3 three edge-feature kinds
    Doodad mDoodads[kDoodadSlots] = {};
    // One byte: the set-up zone code sits in its top five bits, so that
    // (byte >> 3) and mSetupZone give the same code.
    uint8_t mSpareBits : 3 = 0;
    uint8_t mSetupZone : 5 = 0;        // 0 none, 1..3 Allies (side 1), 4..6 Axis (side 0)
};
