#pragma once
#include "engine/GView.h"

class GGraphic;

// A view covered with one picture repeated on a 64 x 64 grid. Views built
// on it call GTiledView::Draw first in their own Draw.
class GTiledView : public GView {
public:
    ~GTiledView() override;
    // fillPartial false leaves out the tiles that the view's edge would cut.
    void ITiledView3D(GView* parent, int32_t x, int32_t y, int32_t width, int32_t height, int32_t picture,
                      bool fillPartial);
    void Draw() override;

    static constexpr int32_t kTileSize = 64;

protected:
    GGraphic* mTile = nullptr;
    bool mFillPartial = true;
};
