#pragma once
#include "engine/GObject.h"

// The base of everything placed on the battlefield as one object with a box
// around it (units, wall segments, and local boxes of drawing code): it
// answers whether the box can be seen and whether it crosses the view's edge.
class G3DObject : public GObject {
public:
    G3DObject() = default;
    ~G3DObject() override = default;

    // Centre (x, y, z + height / 2) and half extents enlarged by 2 / 1.9, so
    // that an object just touching the view is still drawn.
    void SetModelCoords(float x, float y, float z, float sizeX, float sizeY, float height);
    // True when the box is inside or straddling the view; *needsClip (when
    // given) is true unless it lies wholly inside.
    bool ShouldBeDrawn(bool* needsClip) const;

    float mCenterX = 0.0f;
    float mCenterY = 0.0f;
    float mCenterZ = 0.0f;
    float mExtentX = 0.0f;
    float mExtentY = 0.0f;
    float mExtentZ = 0.0f;
};
