#include "engine/GControl.h"
#include "engine/GKernel.h"

void GControl::SetTitleRez(int32_t stringId) {
    mTitle.IStringRez(stringId);
    Refresh();
}

void GControl::SetTitle(const GString* title) {
    if (title)
        mTitle = *title;
    else
        mTitle.IStringText("");
    Refresh();
}

void GControl::SetValue(int32_t value) {
    if (mValue == value) return;
    mValue = value;
    Refresh();
}

void GControl::PlayClickSound() {
    if (mSoundID != 0 && gKernel) gKernel->PlaySound(mSoundID);
}

void GControl::Fire() {
    // Through the control's own DoCommand, so that a control which answers
    // its command itself (a confirm button notes it) sees it first; the
    // base passes it up the view chain.
    DoCommand(mCommandID);
}

void GControl::DoClick(int32_t x, int32_t y, bool doubleClick, bool shift, bool ctrl) {
    mPressed = true;
    Refresh();
    PlayClickSound();
    TrackMouseNow();
    if (mContinuousMs > 0) {
        // A repeating control acts at once and then from its idle timer.
        SetIdleTimer(mContinuousMs);
        Fire();
    }
}

void GControl::DoMouseTrack(int32_t x, int32_t y, bool shift, bool ctrl) {
    LongRect local;
    GetLocalBounds(&local);
    const bool inside = local.Contains(x, y);
    if (inside != mPressed) {
        mPressed = inside;
        Refresh();
    }
}

void GControl::DoMouseUp(int32_t x, int32_t y, bool rightButton) {
    LongRect local;
    GetLocalBounds(&local);
    const bool fire = local.Contains(x, y) && mContinuousMs <= 0;
    mPressed = false;
    if (mContinuousMs > 0) SetIdleTimer(-1);
    Refresh();
    if (fire) Fire();
}

void GControl::DoIdle() {
    if (mContinuousMs > 0 && mPressed && gKernel && gKernel->GetTrackingView() == this) Fire();
}

void GControl::DrawBevel(const LongRect& rect, bool pressed) {
    if (!gKernel) return;
    const int16_t face = gKernel->MakeColor16(150, 140, 115);
    const int16_t light = gKernel->MakeColor16(215, 205, 180);
    const int16_t dark = gKernel->MakeColor16(70, 62, 50);
    PaintRectangle(&rect, face);
    const int16_t topLeft = pressed ? dark : light, bottomRight = pressed ? light : dark;
    const LongRect top{rect.left, rect.top, rect.right, rect.top + 1};
    const LongRect left{rect.left, rect.top, rect.left + 1, rect.bottom};
    const LongRect bottom{rect.left, rect.bottom - 1, rect.right, rect.bottom};
    const LongRect right{rect.right - 1, rect.top, rect.right, rect.bottom};
    PaintRectangle(&top, topLeft);
    PaintRectangle(&left, topLeft);
    PaintRectangle(&bottom, bottomRight);
    PaintRectangle(&right, bottomRight);
}
