#pragma once
// The buttons of a confirm box. A click only notes the button's command and
// returns the interaction state, which closes the box; the command goes to
// the application when the button is deleted with the box. So the clicked
// button sends its command and the other one 101, which does nothing.

#include "engine/GButton2D.h"
#include "engine/GButton3D.h"

class ConfirmButton2D : public GButton2D {
public:
    ~ConfirmButton2D() override;
    void IConfirmButton2D(GView* parent, int32_t x, int32_t y, int32_t command, int32_t picture,
                          int32_t state);
    void DoCommand(int32_t command) override;

    int32_t mReturnState = 0;
    int32_t mPendingCommand = 101;
};
