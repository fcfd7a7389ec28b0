#include "engine/GBlitView.h"
#include "engine/GGraphic.h"

GBlitView::~GBlitView() {
    delete mGraphic;
}

void GBlitView::Load(GView* parent, int32_t x, int32_t y, int32_t picture, int32_t type) {
    delete mGraphic;
    mGraphic = new GGraphic;
    mGraphic->IGraphic(static_cast<GraphicType>(type), picture, 0, false);
    LongRect b;
    mGraphic->GetBounds(&b);
    IView(parent, x, y, b.Width(), b.Height());
}

void GBlitView::IBlitView2D(GView* parent, int32_t x, int32_t y, int32_t picture) {
    Load(parent, x, y, picture, kGraphic2D);
}

void GBlitView::IBlitView3D(GView* parent, int32_t x, int32_t y, int32_t picture) {
    Load(parent, x, y, picture, kGraphic3DPicture);
}

void GBlitView::Draw() {
    // Fill, then the picture, then the subviews over it.
    if (mHasFill) {
        LongRect r;
        GetLocalBounds(&r);
        PaintRectangle(&r, mFillColour);
    }
    Blit(mGraphic, 0, 0);
    DrawSubviews();
}
