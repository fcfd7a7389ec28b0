#include "engine/GRadioGroup.h"
#include "engine/GRadioButton.h"
#include <algorithm>

GRadioGroup::~GRadioGroup() {
    for (GRadioButton* b : mButtons)
        b->ForgetGroup();
}

void GRadioGroup::IRadioGroup() {
    mButtons.clear();
}

int32_t GRadioGroup::GetChoice() const {
    for (size_t i = 0; i < mButtons.size(); ++i)
        if (mButtons[i]->GetValue() == 1) return static_cast<int32_t>(i);
    return -1;
}

void GRadioGroup::SetChoiceByIndex(int32_t index) {
    for (size_t i = 0; i < mButtons.size(); ++i)
        mButtons[i]->SetValue(static_cast<int32_t>(i) == index ? 1 : 0);
}

GRadioButton* GRadioGroup::GetButton(int32_t index) const {
    return index >= 0 && index < GetCount() ? mButtons[index] : nullptr;
}

void GRadioGroup::Join(GRadioButton* button) {
    if (button && std::find(mButtons.begin(), mButtons.end(), button) == mButtons.end())
        mButtons.push_back(button);
}

void GRadioGroup::Leave(GRadioButton* button) {
    mButtons.erase(std::remove(mButtons.begin(), mButtons.end(), button), mButtons.end());
}

void GRadioGroup::Choose(GRadioButton* button) {
    for (GRadioButton* b : mButtons)
        b->SetValue(b == button ? 1 : 0);
}
