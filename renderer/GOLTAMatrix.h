#pragma once
#include "engine/GObject.h"

// A 4 x 4 float matrix applied to row vectors: an object point (x, y, z)
// becomes (x, y, z, 1) times the matrix. Rows 0..2 are the images of the
// object's axes and row 3 that of its origin. The constructor leaves the
// elements as they are.
class GOLTAMatrix : public GObject {
public:
    GOLTAMatrix() {}
    ~GOLTAMatrix() override = default;

    float m[4][4];
};
