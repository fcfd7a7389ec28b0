#include "app/ButtonFlybyView.h"

#include "engine/GOLTAFont.h"

void ButtonFlybyView::IButtonFlybyView(GView* parent, int32_t x, int32_t y, int32_t picture,
                                       int16_t defaultText) {
    IBlitView2D(parent, x, y, picture);
    mCurrentId = -1;
    SetDefaultRez(defaultText);
}

void ButtonFlybyView::SetDefaultRez(int16_t id) {
    mDefaultId = id;
    SetStringRez(id);
}

void ButtonFlybyView::SetStringRez(int16_t id) {
    if (id == 0) id = mDefaultId;
    if (id == mCurrentId) return;
    mCurrentId = id;
    // A default of 0 keeps the text that is up.
    if (id != 0) mText.IStringRez(id);
    Refresh();
}

void ButtonFlybyView::Draw() {
    GBlitView::Draw();
    ShadowString(&mText, GetWidth() / 2, 16, 0, kFontFixed, 255, 255, 255, 100, 0, 0, false);
}
