#include "engine/GPopupMenu.h"
#include "engine/GKernel.h"
#include "engine/GPopup.h"
#include <algorithm>

GPopupMenu::~GPopupMenu() {
    if (mOwner) {
        mOwner->MenuClosed();
        mOwner->Refresh();
    }
}

void GPopupMenu::IPopupMenu(GPopup* owner, int32_t screenX, int32_t screenY, int32_t width) {
    mOwner = owner;
    const int32_t height = owner->GetItemCount() * kRowHeight + 2;
    // Kept on the screen: a list that would run off the bottom opens upward.
    if (gKernel && screenY + height > gKernel->mScreenHeight)
        screenY = std::max(0, screenY - height - owner->GetHeight());
    IView(nullptr, screenX, screenY, width, height);
    mHotRow = owner->GetValue();
    SetModal();
}

void GPopupMenu::Close() {
    Show(false);
    if (mOwner) {
        mOwner->MenuClosed();
        mOwner->Refresh();
        mOwner = nullptr;
    }
    if (gKernel) gKernel->KillViewAfterIdle(this);
}

void GPopupMenu::DoClick(int32_t x, int32_t y, bool doubleClick, bool shift, bool ctrl) {
    GPopup* owner = mOwner;
    const int32_t row = (y - 1) / kRowHeight;
    Close();
    if (owner) owner->Choose(row);
}

void GPopupMenu::DoCaptureModalClick(int32_t x, int32_t y) {
    Close();
}

void GPopupMenu::DoCursor(int32_t x, int32_t y) {
    const int32_t row = (y - 1) / kRowHeight;
    if (row != mHotRow) {
        mHotRow = row;
        Refresh();
    }
}

void GPopupMenu::Draw() {
    if (!gKernel || !mOwner) return;
    LongRect r;
    GetLocalBounds(&r);
    PaintRectangle(&r, gKernel->MakeColor16(235, 230, 215));
    FrameRectangle(&r, gBlack);
    for (int32_t i = 0; i < mOwner->GetItemCount(); ++i) {
        const bool hot = i == mHotRow;
        if (hot) {
            const LongRect row{1, 1 + i * kRowHeight, r.right - 1, 1 + (i + 1) * kRowHeight};
            PaintRectangle(&row, gKernel->MakeColor16(90, 0, 0));
        }
        GString63 text = *mOwner->GetItem(i);
        const uint8_t c = hot ? 255 : 0;
        WriteString(&text, 5, 1 + i * kRowHeight + 12, -1, kFontNormal, c, c, c);
    }
    DrawSubviews();
}
