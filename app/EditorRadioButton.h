#pragma once
// A radio button drawn from two pictures (normal and chosen) with its title
// centred on it; the players screen uses it.

#include "engine/GRadioButton.h"

class GGraphic;

class EditorRadioButton : public GRadioButton {
public:
    ~EditorRadioButton() override;
    void IEditorRadioButton(GRadioGroup* group, const char* text, GView* parent, int32_t x, int32_t y);
    void IEditorRadioButtonRez(GRadioGroup* group, int32_t stringId, GView* parent, int32_t x, int32_t y);
    void Draw() override;

private:
    void Make(GRadioGroup* group, GView* parent, int32_t x, int32_t y);
    GGraphic* mNormal = nullptr; // owned
    GGraphic* mChosen = nullptr; // owned
};
