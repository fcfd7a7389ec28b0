#pragma once
// A positioned one-shot sound.

#include "engine/GVirtualSound3D.h"

class GSound3D : public GVirtualSound3D {
public:
    GSound3D() = default;
    // Initialises the sound and registers it with gSound; a distance below
    // 0.01 m is raised to 0.01 m.
    void ISound3D(int32_t id, int32_t priority, float distance, int32_t instanceLimit);
};
