#pragma once
// A sound placed in the world. Its point is kept in the listener's frame
// (x right, y up, z ahead); its level falls with distance beyond its own
// full-volume distance, and its pan follows its direction.

#include <cstdint>

#include "engine/GVirtualSound.h"

// The channel gains of a sound at listener-frame point (x, y, z): the point
// is first pushed out along its direction by `offset` metres (from the
// origin a push goes straight ahead); the level is 1 up to `distance` metres
// and distance / d beyond, where d stops growing at `maxDistance`; the pan is
// the sine of the sound's bearing in the horizontal plane.
void ListenerGains(float x, float y, float z, float distance, float maxDistance, float offset,
                   int32_t channels, float* left, float* right);

class GVirtualSound3D : public GVirtualSound {
public:
    GVirtualSound3D() = default;

    // Places the sound at a world point: the renderer turns it into the
    // listener's frame; without a renderer the sound sits 1000 m ahead.
    void Set(float x, float y, float z);
    float GetDistance() const { return mDistance; }
    void GetListenerPoint(float* x, float* y, float* z) const;

protected:
    // distance below minDistance is raised to it.
    void IVirtualSound3D(GSoundManager* manager, int32_t id, int32_t priority, float distance,
                         float minDistance, int32_t instanceLimit, bool loop);
    void ComputeGains(int32_t channels, float* left, float* right) const override;

private:
    float mDistance = 1.0f;
    float mX = 0.0f, mY = 0.0f, mZ = 1000.0f;
};
