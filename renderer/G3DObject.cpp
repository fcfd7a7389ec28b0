#include "renderer/G3DObject.h"

#include "renderer/GGraph3D.h"

void G3DObject::SetModelCoords(float x, float y, float z, float sizeX, float sizeY, float height) {
    const double factor = 1.0 / 1.9;
    mCenterX = x;
    mCenterY = y;
    mCenterZ = static_cast<float>(static_cast<double>(z) + static_cast<double>(height) * 0.5);
    mExtentX = static_cast<float>(sizeX * factor);
    mExtentY = static_cast<float>(sizeY * factor);
    mExtentZ = static_cast<float>(height * factor);
}

bool G3DObject::ShouldBeDrawn(bool* needsClip) const {
    if (!g3D) return false;
    int32_t r = g3D->BoundingBoxTest(mCenterX, mCenterY, mCenterZ, mExtentX, mExtentY, mExtentZ);
    if (needsClip) *needsClip = r <= 0;
    return r >= 0;
}
