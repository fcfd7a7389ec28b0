#include "app/FlybyButton.h"

#include "app/AppViews.h"
#include "app/ButtonFlybyView.h"

void FlybyButton::IFlybyButton(GView* parent, int32_t x, int32_t y, int32_t command, int32_t picture,
                               int32_t style, ButtonFlybyView* help, int16_t textId) {
    IButton2D(parent, x, y, command, picture, style);
    mHelp = help;
    mTextId = textId;
}

void FlybyButton::DoCursor(int32_t x, int32_t y) {
    GButton2D::DoCursor(x, y);
    if (Alive(mHelp)) mHelp->SetStringRez(mTextId);
}

void FlybyButton::DoCursorExit() {
    GButton2D::DoCursorExit();
    if (Alive(mHelp)) mHelp->SetStringRez(0);
}
