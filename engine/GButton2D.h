#pragma once
#include "engine/GButton.h"

class GGraphic;

// A button drawn from one 2-D picture and sized to it. Style 3 shows the
// press by moving the picture a pixel down and right; style 4 by framing it.
// A style-4 button that is disabled shows its inactive look, the picture
// 3 000 000 above its own, when there is one.
class GButton2D : public GButton {
public:
    ~GButton2D() override;
    void IButton2D(GView* parent, int32_t x, int32_t y, int32_t command, int32_t picture, int32_t style);
    void Draw() override;
    GGraphic* GetGraphic() const { return mGraphic; }

protected:
    // Draws the picture in the button's current look.
    void DrawPicture(GGraphic* graphic, bool pressed);

    GGraphic* mGraphic = nullptr;
    GGraphic* mInactive = nullptr;
    int32_t mStyle = 3;
};
