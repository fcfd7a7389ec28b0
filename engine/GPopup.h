#pragma once
#include "engine/GControl.h"
#include <vector>

class GPopupMenu;

// A pop-up choice: shows the chosen item; a click opens the list of items,
// and picking one makes its index the value and sends the command.
class GPopup : public GControl {
public:
    ~GPopup() override;
    // items: count texts, copied.
    void IPopup(GView* parent, int32_t x, int32_t y, int32_t count, GString* const* items, int32_t choice);
    int32_t GetItemCount() const { return static_cast<int32_t>(mItems.size()); }
    const GString* GetItem(int32_t index) const;
    GPopupMenu* GetOpenMenu() const { return mMenu; }

    void DoClick(int32_t x, int32_t y, bool doubleClick, bool shift, bool ctrl) override;
    void DoMouseUp(int32_t x, int32_t y, bool rightButton) override {}
    void Draw() override;

    // Used by the menu.
    void Choose(int32_t index);
    void MenuClosed() { mMenu = nullptr; }

private:
    std::vector<GString63> mItems;
    GPopupMenu* mMenu = nullptr;
};
