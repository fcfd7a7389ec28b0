#include "app/EditorRadioButton.h"

#include "engine/GGraphic.h"
#include "engine/GKernel.h"
#include "engine/GOLTAFont.h"

EditorRadioButton::~EditorRadioButton() {
    delete mNormal;
    delete mChosen;
}

void EditorRadioButton::Make(GRadioGroup* group, GView* parent, int32_t x, int32_t y) {
    if (gKernel) {
        mNormal = gKernel->MakeGraphic(kGraphic2D, 10030);
        mChosen = gKernel->MakeGraphic(kGraphic2D, 10031);
    }
    LongRect size{0, 0, 88, 20};
    if (mNormal && mNormal->IsLoaded()) mNormal->GetBounds(&size);
    IRadioButton(group, 0, parent, x, y, size.Width(), size.Height(), 0);
}

void EditorRadioButton::IEditorRadioButton(GRadioGroup* group, const char* text, GView* parent, int32_t x,
                                           int32_t y) {
    Make(group, parent, x, y);
    GString63 title(text);
    SetTitle(&title);
}

void EditorRadioButton::IEditorRadioButtonRez(GRadioGroup* group, int32_t stringId, GView* parent, int32_t x,
                                              int32_t y) {
    Make(group, parent, x, y);
    SetTitleRez(stringId);
}

void EditorRadioButton::Draw() {
    bool chosen = GetValue() == 1 || IsPressed();
    GGraphic* picture = chosen ? mChosen : mNormal;
    if (picture) Blit(picture, 0, 0);
    int32_t x = chosen ? GetWidth() / 2 - 1 : GetWidth() / 2 - 2;
    int32_t y = chosen ? GetHeight() - 5 : GetHeight() - 6;
    uint8_t r = 0, g = 0, b = 0;
    if (GetValue() == 1) {
        r = 90;
    } else if (!IsActive()) {
        r = g = b = 125;
    }
    GString63 title;
    title = *GetTitle();
    WriteString(&title, x, y, 0, kFontNormal, r, g, b);
}
