#pragma once
// The bits thrown up where the bullets of a burst strike: dirt, debris or
// a splash, drawn as sparks are.

#include "battle/SparkGraphic.h"

class BulletImpact : public SparkGraphic {
public:
    // Fills the bits; the firer's position gives the push. mZ holds the
    // strike's height above the ground on entry and the bits' height after.
    void CreateBits(float fromX, float fromY);
};
