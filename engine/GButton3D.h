#pragma once
#include "engine/GButton.h"

class GGraphic;

// A button of the 3-D display drawn from up to three pictures (type 1): the
// inactive picture while the button (or an ancestor) is deactivated, the
// pressed one while pressed, the highlight one while highlighted. At rest it
// draws nothing: the picture beneath shows the button. A picture number of
// 0 draws nothing for that state. Sized to its pictures.
class GButton3D : public GButton {
public:
    ~GButton3D() override;
    void IButton3D(GView* parent, int32_t x, int32_t y, int32_t command, int16_t inactivePicture,
                   int16_t pressedPicture, int16_t highlightPicture);
    // Lights the button; a one-shot highlight goes out after the next draw.
    void Highlight(bool on, bool oneShot = false);
    bool IsHighlighted() const { return mHighlighted; }
    void Draw() override;

protected:
    // The look for the given activity; derived buttons that judge activity
    // differently draw through it too.
    void DrawState(bool active);

    GGraphic* mInactive = nullptr;
    GGraphic* mPressedGraphic = nullptr;
    GGraphic* mHighlight = nullptr;
    bool mHighlighted = false;
    bool mOneShotHighlight = false;
};
