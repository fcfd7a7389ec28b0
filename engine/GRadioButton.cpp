#include "engine/GRadioButton.h"
#include "engine/GKernel.h"
#include "engine/GRadioGroup.h"

GRadioButton::~GRadioButton() {
    if (mGroup) mGroup->Leave(this);
}

void GRadioButton::JoinGroup(GRadioGroup* group) {
    if (mGroup) mGroup->Leave(this);
    mGroup = group;
    if (group) group->Join(this);
}

void GRadioButton::IRadioButton(GRadioGroup* group, int32_t titleId, GView* parent, int32_t x, int32_t y,
                                int32_t width, int32_t height, int32_t command) {
    IButton(titleId, parent, x, y, width, height, command);
    JoinGroup(group);
}

void GRadioButton::Fire() {
    if (mGroup)
        mGroup->Choose(this);
    else
        SetValue(1);
    GButton::Fire();
}

void GRadioButton::Draw() {
    if (!gKernel) return;
    // A round mark at the left, the title beside it.
    LongRect mark{2, GetHeight() / 2 - 5, 12, GetHeight() / 2 + 5};
    PaintRectangle(&mark, gKernel->MakeColor16(235, 230, 215));
    FrameRectangle(&mark, gBlack);
    if (mValue == 1 || mPressed) {
        LongRect dot{5, mark.top + 3, 9, mark.bottom - 3};
        PaintRectangle(&dot, mValue == 1 ? gKernel->MakeColor16(90, 0, 0) : gBlack);
    }
    const uint8_t grey = IsActive() ? 0 : 125;
    WriteString(&mTitle, 16, GetHeight() / 2 + 4, -1, kFontNormal, grey, grey, grey);
    DrawSubviews();
}
