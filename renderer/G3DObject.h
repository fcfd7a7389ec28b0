#pragma once
// The base of everything that stands on the battlefield as one object with a
// box around it (units, wall segments) and of the local boxes that drawing
// code tests. The box is stored as a centre and half extents; the half
// extents are the object's size divided by 1.9, not 2, so that an object
// whose edge just touches the view is still drawn.

#include "engine/GObject.h"

class G3DObject : public GObject {
public:
    G3DObject() = default;
    ~G3DObject() override = default;

    // Places the box: centre (x, y) as given, centre height z + height / 2,
    // half extents sizeX / 1.9, sizeY / 1.9, height / 1.9. Formed in double
    // and rounded to float when stored.
    void SetModelCoords(float x, float y, float z, float sizeX, float sizeY, float height);

    float mCenterX = 0.0f;
    float mCenterY = 0.0f;
    float mCenterZ = 0.0f;
    float mExtentX = 0.0f;
    float mExtentY = 0.0f;
    float mExtentZ = 0.0f;
};
