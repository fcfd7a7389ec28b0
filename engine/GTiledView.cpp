#include "engine/GTiledView.h"
#include "engine/GGraphic.h"
#include <algorithm>

GTiledView::~GTiledView() {
    delete mTile;
}

void GTiledView::ITiledView3D(GView* parent, int32_t x, int32_t y, int32_t width, int32_t height,
                              int32_t picture, bool fillPartial) {
    delete mTile;
    mTile = new GGraphic;
    mTile->IGraphic(kGraphic3DPicture, picture, 0, false);
    mFillPartial = fillPartial;
    IView(parent, x, y, width, height);
}

void GTiledView::Draw() {
    if (mHasFill) {
        LongRect r;
        GetLocalBounds(&r);
        PaintRectangle(&r, mFillColour);
    }
    if (mTile && mTile->IsLoaded()) {
        LongRect b;
        mTile->GetBounds(&b);
        const LongRect part{0, 0, std::min(b.Width(), kTileSize), std::min(b.Height(), kTileSize)};
        for (int32_t ty = 0; ty < GetHeight(); ty += kTileSize)
            for (int32_t tx = 0; tx < GetWidth(); tx += kTileSize) {
                if (!mFillPartial && (tx + kTileSize > GetWidth() || ty + kTileSize > GetHeight())) continue;
                BlitPart(mTile, &part, tx, ty);
            }
    }
    DrawSubviews();
}
