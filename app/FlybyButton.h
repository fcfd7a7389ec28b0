#pragma once
// A main-menu button that names itself on the help line while the pointer
// is over it.

#include "engine/GButton2D.h"

class ButtonFlybyView;

class FlybyButton : public GButton2D {
public:
    ~FlybyButton() override = default;
    void IFlybyButton(GView* parent, int32_t x, int32_t y, int32_t command, int32_t picture, int32_t style,
                      ButtonFlybyView* help, int16_t textId);
    void DoCursor(int32_t x, int32_t y) override;
    void DoCursorExit() override;
    int16_t GetTextId() const { return mTextId; }

private:
    ButtonFlybyView* mHelp = nullptr; // not owned
    int16_t mTextId = 0;
};
