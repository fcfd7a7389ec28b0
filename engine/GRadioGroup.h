#pragma once
#include "engine/GObject.h"
#include <cstdint>
#include <vector>

class GRadioButton;

// A set of radio buttons of which one is chosen. The group does not own the
// buttons (their parent views do); the owner of the group deletes it.
class GRadioGroup : public GObject {
public:
    ~GRadioGroup() override;
    void IRadioGroup();
    // The index of the chosen button in the order they joined; -1 for none.
    int32_t GetChoice() const;
    void SetChoiceByIndex(int32_t index);
    int32_t GetCount() const { return static_cast<int32_t>(mButtons.size()); }
    GRadioButton* GetButton(int32_t index) const;

    // Used by the buttons.
    void Join(GRadioButton* button);
    void Leave(GRadioButton* button);
    void Choose(GRadioButton* button);

private:
    std::vector<GRadioButton*> mButtons;
};
