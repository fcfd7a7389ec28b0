#pragma once
// The confirm box's button on the 3-D screen; it behaves as ConfirmButton2D.

#include "engine/GButton3D.h"

class ConfirmButton3D : public GButton3D {
public:
    ~ConfirmButton3D() override;
    void IConfirmButton3D(GView* parent, int32_t x, int32_t y, int32_t command, int16_t picture,
                          int16_t pressedPicture, int32_t state);
    void DoCommand(int32_t command) override;

    int32_t mReturnState = 0;
    int32_t mPendingCommand = 101;
};
