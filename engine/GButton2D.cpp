#include "engine/GButton2D.h"
#include "engine/GGraphic.h"
#include "engine/GKernel.h"

namespace {
constexpr int32_t kInactiveLook = 3000000;
}

GButton2D::~GButton2D() {
    delete mGraphic;
    delete mInactive;
}

void GButton2D::IButton2D(GView* parent, int32_t x, int32_t y, int32_t command, int32_t picture,
                          int32_t style) {
    delete mGraphic;
    mGraphic = new GGraphic;
    mGraphic->IGraphic(kGraphic2D, picture, 0, false);
    LongRect b;
    mGraphic->GetBounds(&b);
    IButton(0, parent, x, y, b.Width(), b.Height(), command);
    mStyle = style;
    delete mInactive;
    mInactive = nullptr;
    if (style == 4) {
        mInactive = new GGraphic;
        if (!mInactive->IGraphic(kGraphic2D, picture + kInactiveLook, 0, false)) {
            delete mInactive;
            mInactive = nullptr;
        }
    }
}

void GButton2D::DrawPicture(GGraphic* graphic, bool pressed) {
    const bool moved = pressed && mStyle != 4;
    Blit(graphic, moved ? 1 : 0, moved ? 1 : 0);
    if (pressed && mStyle == 4 && gKernel) {
        LongRect r;
        GetLocalBounds(&r);
        FrameRectangle(&r, gKernel->MakeColor16(255, 255, 255));
    }
}

void GButton2D::Draw() {
    if (mInactive && !IsActive())
        Blit(mInactive, 0, 0);
    else
        DrawPicture(mGraphic, mPressed);
    DrawSubviews();
}
