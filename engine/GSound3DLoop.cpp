#include "engine/GSound3DLoop.h"

#include "engine/GSoundManager.h"

void GSound3DLoop::ISound3DLoop(int32_t id, int32_t priority, float distance, int32_t instanceLimit) {
    IVirtualSound3D(gSound, id, priority, distance, 0.001f, instanceLimit, true);
}
