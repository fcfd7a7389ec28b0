#pragma once
#include "engine/GButton.h"

class GRadioGroup;

// A button of a radio group: clicking it makes it the group's choice (value
// 1, the others 0) and sends its command.
class GRadioButton : public GButton {
public:
    ~GRadioButton() override;
    void IRadioButton(GRadioGroup* group, int32_t titleId, GView* parent, int32_t x, int32_t y, int32_t width,
                      int32_t height, int32_t command);
    GRadioGroup* GetGroup() const { return mGroup; }
    void ForgetGroup() { mGroup = nullptr; }
    void Draw() override;

protected:
    void JoinGroup(GRadioGroup* group);
    void Fire() override;

    GRadioGroup* mGroup = nullptr;
};
