#include "engine/GPopup.h"
#include "engine/GKernel.h"
#include "engine/GPopupMenu.h"
#include <algorithm>

GPopup::~GPopup() {
    if (mMenu) {
        mMenu->ForgetOwner();
        delete mMenu;
    }
}

void GPopup::IPopup(GView* parent, int32_t x, int32_t y, int32_t count, GString* const* items,
                    int32_t choice) {
    mItems.clear();
    int32_t widest = 40;
    for (int32_t i = 0; items && i < count; ++i) {
        mItems.emplace_back();
        if (items[i]) mItems.back() = *items[i];
        widest = std::max(widest, StringWidthInPixels(&mItems.back(), kFontNormal));
    }
    mValue = mItems.empty() ? 0 : std::clamp(choice, 0, GetItemCount() - 1);
    IView(parent, x, y, widest + 26, 18);
}

const GString* GPopup::GetItem(int32_t index) const {
    return index >= 0 && index < GetItemCount() ? &mItems[index] : nullptr;
}

void GPopup::DoClick(int32_t x, int32_t y, bool doubleClick, bool shift, bool ctrl) {
    if (mMenu || mItems.empty()) return;
    PlayClickSound();
    LongRect g;
    GetGlobalBounds(&g);
    mMenu = new GPopupMenu;
    mMenu->IPopupMenu(this, g.left, g.bottom, GetWidth());
}

void GPopup::Choose(int32_t index) {
    if (index < 0 || index >= GetItemCount()) return;
    const bool changed = index != mValue;
    SetValue(index);
    if (changed && mCommandID != 0) Fire();
}

void GPopup::Draw() {
    LongRect r;
    GetLocalBounds(&r);
    DrawBevel(r, mMenu != nullptr);
    if (const GString* item = GetItem(mValue)) {
        GString63 text = *item;
        WriteString(&text, 5, 13, -1, kFontNormal, 0, 0, 0);
    }
    // A small arrow at the right shows that the box opens.
    if (gKernel)
        for (int32_t i = 0; i < 4; ++i) {
            const LongRect row{r.right - 14 + i, 7 + i, r.right - 7 - i, 8 + i};
            PaintRectangle(&row, gBlack);
        }
    DrawSubviews();
}
