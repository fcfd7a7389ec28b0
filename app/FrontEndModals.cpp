#include "app/FrontEndModals.h"

#include "app/MVApplication.h"
#include "engine/GKernel.h"
#include "engine/GTextView.h"

MinVideoWarningModal::~MinVideoWarningModal() {
    if (gKernel) gKernel->Quit();
}

PBEMModal::~PBEMModal() {
    // Views are being deleted now: the dialog opens once that is over.
    if (MVApplication* app = TheApp()) app->mMailDialogDue = true;
}

void PBEMModal::IPBEMModal() {
    IOneClickModal(nullptr, -1, -1, 540, 150);
    int16_t red = gKernel ? gKernel->MakeColor16(150, 0, 0) : 0;
    SetFillColor(gBlack);
    const int32_t w = GetWidth();
    const int32_t h = GetHeight();
    const int32_t frame[4][4] = {{0, 0, w, 10}, {0, h - 10, w, 10}, {0, 0, 10, h}, {w - 10, 0, 10, h}};
    for (const auto& f : frame) {
        auto* side = new GView;
        side->IView(this, f[0], f[1], f[2], f[3]);
        side->SetFillColor(red);
    }
    const int16_t texts[5] = {200, 201, 202, 203, 205};
    const int32_t ys[5] = {20, 50, 66, 82, 112};
    for (int32_t i = 0; i < 5; ++i) {
        auto* text = new GTextView;
        text->ITextViewRez(this, 20, ys[i], w - 40, texts[i]);
        text->SetJustify(0);
        // Light text on the box's dark fill.
        text->SetColor(255, 255, 255);
    }
    SetModal();
}
