#pragma once
// The burning splash where a flame stream ends.

#include "battle/Ephemeral.h"

class FlameImpactGraphic : public Ephemeral {
public:
    void Draw(int32_t slice) override;

    bool mLarge = false;
};
