#include "engine/GButton.h"
#include "engine/GKernel.h"

GButton::~GButton() = default;

void GButton::IButton(int32_t titleId, GView* parent, int32_t x, int32_t y, int32_t width, int32_t height,
                      int32_t command) {
    IView(parent, x, y, width, height);
    mCommandID = command;
    if (titleId != 0) mTitle.IStringRez(titleId);
}

void GButton::SetDefaultOK() {
    if (gKernel) gKernel->SetDefaultButton(this);
    Refresh();
}

bool GButton::IsDefaultOK() const {
    return gKernel && gKernel->IsDefaultButton(this);
}

void GButton::SimulateClick(bool showPress) {
    if (showPress) PlayClickSound();
    Fire();
}

void GButton::Draw() {
    if (mTitle.GetLength() == 0) {
        DrawSubviews();
        return;
    }
    LongRect r;
    GetLocalBounds(&r);
    DrawBevel(r, mPressed);
    if (IsDefaultOK() && gKernel) FrameRectangle(&r, gBlack);
    const int32_t shift = mPressed ? 1 : 0;
    const uint8_t grey = IsActive() ? 0 : 110;
    WriteString(&mTitle, r.Width() / 2 + shift, r.Height() / 2 + 4 + shift, 0, kFontNormal, grey, grey, grey);
    DrawSubviews();
}
