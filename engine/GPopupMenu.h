#pragma once
#include "engine/GView.h"

class GPopup;

// The open list of a pop-up: modal, one row per item; a click on a row
// chooses it, a click outside closes the list.
class GPopupMenu : public GView {
public:
    ~GPopupMenu() override;
    void IPopupMenu(GPopup* owner, int32_t screenX, int32_t screenY, int32_t width);
    void DoClick(int32_t x, int32_t y, bool doubleClick, bool shift, bool ctrl) override;
    void DoCaptureModalClick(int32_t x, int32_t y) override;
    void DoCursor(int32_t x, int32_t y) override;
    void Draw() override;
    void ForgetOwner() { mOwner = nullptr; }

    static constexpr int32_t kRowHeight = 16;

private:
    void Close();
    GPopup* mOwner = nullptr;
    int32_t mHotRow = -1;
};
