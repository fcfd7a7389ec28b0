#pragma once
#include <cstdint>

#include "engine/GObject.h"

// One stored translucent polygon in the frame's sort list: its depth key
// (the sum of its first three screen depths), where its record lies in the
// renderer's buffer, and for a textured record the opacity it was stored with.
class TransparencySorter : public GObject {
public:
    TransparencySorter() = default;
    ~TransparencySorter() override = default;

    float mDepth = 0.0f;
    uint8_t* mRecord = nullptr;  // points into the renderer's buffer; not owned
    uint8_t mAlpha = 255;
};
