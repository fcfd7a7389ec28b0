#pragma once
// A positioned sound that repeats until it is stopped or deleted.

#include "engine/GVirtualSound3D.h"

class GSound3DLoop : public GVirtualSound3D {
public:
    GSound3DLoop() = default;
    // Initialises the loop and registers it with gSound; a distance below
    // 0.001 m is raised to 0.001 m.
    void ISound3DLoop(int32_t id, int32_t priority, float distance, int32_t instanceLimit);
};
