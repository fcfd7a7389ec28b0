#pragma once
#include "engine/GControl.h"

// A button area that sends its command when clicked. Without a title it
// draws nothing: an invisible button over a picture.
class GButton : public GControl {
public:
    ~GButton() override;
    void IButton(int32_t titleId, GView* parent, int32_t x, int32_t y, int32_t width, int32_t height,
                 int32_t command);
    // Return presses this button.
    void SetDefaultOK();
    bool IsDefaultOK() const;
    // Acts as if clicked (showPress also plays the click sound).
    void SimulateClick(bool showPress);
    void Draw() override;
};
