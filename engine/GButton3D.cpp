#include "engine/GButton3D.h"
#include "engine/GGraphic.h"
#include <algorithm>

namespace {
GGraphic* LoadIf(int16_t picture) {
    if (picture <= 0) return nullptr;
    GGraphic* g = new GGraphic;
    g->IGraphic(kGraphic3DPicture, picture, 0, false);
    return g;
}
} // namespace

GButton3D::~GButton3D() {
    delete mInactive;
    delete mPressedGraphic;
    delete mHighlight;
}

void GButton3D::IButton3D(GView* parent, int32_t x, int32_t y, int32_t command, int16_t inactivePicture,
                          int16_t pressedPicture, int16_t highlightPicture) {
    mInactive = LoadIf(inactivePicture);
    mPressedGraphic = LoadIf(pressedPicture);
    mHighlight = LoadIf(highlightPicture);
    // As large as the largest of its pictures.
    int32_t w = 1, h = 1;
    for (GGraphic* g : {mInactive, mPressedGraphic, mHighlight}) {
        if (!g || !g->IsLoaded()) continue;
        LongRect b;
        g->GetBounds(&b);
        w = std::max(w, b.Width());
        h = std::max(h, b.Height());
    }
    IButton(0, parent, x, y, w, h, command);
}

void GButton3D::Highlight(bool on, bool oneShot) {
    mHighlighted = on;
    mOneShotHighlight = on && oneShot;
    Refresh();
}

void GButton3D::Draw() {
    DrawState(IsActive());
}

void GButton3D::DrawState(bool active) {
    if (!active)
        Blit(mInactive, 0, 0);
    else if (mPressed)
        Blit(mPressedGraphic, 0, 0);
    else if (mHighlighted)
        Blit(mHighlight, 0, 0);
    if (mOneShotHighlight) {
        mOneShotHighlight = false;
        mHighlighted = false;
    }
    DrawSubviews();
}
