#pragma once
#include "engine/GRadioButton.h"

class GGraphic;

// A radio button drawn from a 2-D picture, sized to it; the chosen button
// shows its picture pressed.
class GRadioButton2D : public GRadioButton {
public:
    ~GRadioButton2D() override;
    void IRadioButton2D(GRadioGroup* group, GView* parent, int32_t x, int32_t y, int32_t command,
                        int32_t picture, int32_t style);
    void Draw() override;

protected:
    GGraphic* mGraphic = nullptr;
    int32_t mStyle = 3;
};
