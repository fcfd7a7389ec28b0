#pragma once
// The front end's help line under the menu picture: a picture with one
// centred text, the default text or the one a button under the pointer asks
// for.

#include "engine/GBlitView.h"
#include "engine/GString.h"

class ButtonFlybyView : public GBlitView {
public:
    ~ButtonFlybyView() override = default;
    void IButtonFlybyView(GView* parent, int32_t x, int32_t y, int32_t picture, int16_t defaultText);
    // 0 asks for the default text.
    void SetStringRez(int16_t id);
    void SetDefaultRez(int16_t id);
    int16_t GetCurrentRez() const { return mCurrentId; }
    const GString* GetText() const { return &mText; }
    void Draw() override;

private:
    int16_t mDefaultId = 0;
    int16_t mCurrentId = -1;
    GString255 mText;
};
