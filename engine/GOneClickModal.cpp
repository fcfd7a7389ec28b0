#include "engine/GOneClickModal.h"
#include "engine/GKernel.h"

void GOneClickModal::IOneClickModal(GView* parent, int32_t x, int32_t y, int32_t width, int32_t height) {
    IView(parent, x, y, width, height);
    if (gKernel) SetFillColor(gKernel->MakeColor16(58, 54, 44));
    SetModal();
}

void GOneClickModal::Close() {
    if (mClosing) return;
    mClosing = true;
    Show(false);
    const int32_t command = mCommand;
    GView* parent = GetParent();
    if (gKernel) gKernel->KillViewAfterIdle(this);
    // The box is hidden now and deleted after the idle pass.
    if (command != 0) {
        if (parent)
            parent->DoCommand(command);
        else if (gKernel && gKernel->GetApplication())
            gKernel->GetApplication()->DoCommand(command);
    }
}

void GOneClickModal::DoClick(int32_t x, int32_t y, bool doubleClick, bool shift, bool ctrl) {
    Close();
}

void GOneClickModal::DoCaptureModalClick(int32_t x, int32_t y) {
    Close();
}

void GOneClickModal::Draw() {
    GView::Draw();
    LongRect r;
    GetLocalBounds(&r);
    if (gKernel) FrameRectangle(&r, gKernel->MakeColor16(200, 190, 160));
}
