#pragma once
#include "engine/GView.h"

// A modal box that closes on the next click, inside or outside it, and then
// sends its assigned command (if any) up the view chain.
class GOneClickModal : public GView {
public:
    void IOneClickModal(GView* parent, int32_t x, int32_t y, int32_t width, int32_t height);
    void AssignCommand(int32_t command) { mCommand = command; }
    int32_t GetCommand() const { return mCommand; }
    void DoClick(int32_t x, int32_t y, bool doubleClick, bool shift, bool ctrl) override;
    void DoCaptureModalClick(int32_t x, int32_t y) override;
    void Draw() override;

private:
    void Close();
    int32_t mCommand = 0;
    bool mClosing = false;
};
