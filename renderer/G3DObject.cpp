#include "renderer/G3DObject.h"

namespace {
// The double nearest 1 / 1.9: the box is about 5.3 % larger than the object.
constexpr double kBoxFactor = 1.0 / 1.9;
} // namespace

void G3DObject::SetModelCoords(float x, float y, float z, float sizeX, float sizeY, float height) {
    mCenterX = x;
    mCenterY = y;
    mCenterZ = static_cast<float>(static_cast<double>(z) + static_cast<double>(height) * 0.5);
    mExtentX = static_cast<float>(static_cast<double>(sizeX) * kBoxFactor);
    mExtentY = static_cast<float>(static_cast<double>(sizeY) * kBoxFactor);
    mExtentZ = static_cast<float>(static_cast<double>(height) * kBoxFactor);
}
