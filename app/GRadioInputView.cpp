#include "app/GRadioInputView.h"

#include "app/MVApplication.h"

GRadioInputView::~GRadioInputView() {
    if (MVApplication* app = TheApp(); app && app->mRadioInput == this) app->mRadioInput = nullptr;
}

void GRadioInputView::Input(char key) {
    if (key != 13) {
        GEditView::Input(key);
        return;
    }
    GString255 text;
    CaptureString(&text);
    Clear();
    Show(false);
    if (MVApplication* app = TheApp(); app && text.GetLength() > 0) app->SendRadioText(&text);
}
