#include "engine/GRadioButton2D.h"
#include "engine/GGraphic.h"
#include "engine/GKernel.h"

GRadioButton2D::~GRadioButton2D() {
    delete mGraphic;
}

void GRadioButton2D::IRadioButton2D(GRadioGroup* group, GView* parent, int32_t x, int32_t y, int32_t command,
                                    int32_t picture, int32_t style) {
    delete mGraphic;
    mGraphic = new GGraphic;
    mGraphic->IGraphic(kGraphic2D, picture, 0, false);
    LongRect b;
    mGraphic->GetBounds(&b);
    IRadioButton(group, 0, parent, x, y, b.Width(), b.Height(), command);
    mStyle = style;
}

void GRadioButton2D::Draw() {
    const bool down = mPressed || mValue == 1;
    Blit(mGraphic, down ? 1 : 0, down ? 1 : 0);
    if (mValue == 1 && gKernel) {
        LongRect r;
        GetLocalBounds(&r);
        FrameRectangle(&r, gKernel->MakeColor16(255, 255, 255));
    }
    DrawSubviews();
}
