#include "engine/GSound3D.h"

#include "engine/GSoundManager.h"

void GSound3D::ISound3D(int32_t id, int32_t priority, float distance, int32_t instanceLimit) {
    IVirtualSound3D(gSound, id, priority, distance, 0.01f, instanceLimit, false);
}
