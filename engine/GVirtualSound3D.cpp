#include "engine/GVirtualSound3D.h"

#include <cmath>

#include "engine/GSoundManager.h"

void ListenerGains(float x, float y, float z, float distance, float maxDistance, float offset,
                   int32_t channels, float* left, float* right) {
    float d = std::sqrt(x * x + y * y + z * z);
    if (offset != 0.0f) {
        const float pushed = std::fmax(d + offset, 0.0f);
        if (d > 0.0f) {
            const float scale = pushed / d;
            x *= scale;
            y *= scale;
            z *= scale;
        } else {
            z = pushed;
        }
        d = pushed;
    }
    const float heard = std::fmin(d, maxDistance);
    const float volume = heard <= distance ? 1.0f : distance / heard;
    const float flat = std::sqrt(x * x + z * z);
    const float pan = flat > 0.0f ? x / flat : 0.0f;
    PanGains(volume, pan, channels, left, right);
}

void GVirtualSound3D::IVirtualSound3D(GSoundManager* manager, int32_t id, int32_t priority, float distance,
                                      float minDistance, int32_t instanceLimit, bool loop) {
    // Also catches a distance that is not a number.
    mDistance = distance >= minDistance ? distance : minDistance;
    IVirtualSound(manager, id, priority, instanceLimit, loop);
}

void GVirtualSound3D::Set(float x, float y, float z) {
    GSoundManager* manager = GetManager();
    if (!manager || !manager->ToListener(&x, &y, &z)) {
        x = 0.0f;
        y = 0.0f;
        z = 1000.0f;
    }
    mX = x;
    mY = y;
    mZ = z;
    UpdateGains();
}

void GVirtualSound3D::GetListenerPoint(float* x, float* y, float* z) const {
    *x = mX;
    *y = mY;
    *z = mZ;
}

void GVirtualSound3D::ComputeGains(int32_t channels, float* left, float* right) const {
    const GSoundManager* manager = GetManager();
    const float maxDistance = manager ? manager->mMaxDistance : 1.0e9f;
    const float offset = manager ? manager->m3DDistanceOffset : 0.0f;
    ListenerGains(mX, mY, mZ, mDistance, maxDistance, offset, channels, left, right);
}
