#pragma once
#include "engine/GView.h"

class GGraphic;

// A view that shows one picture and is sized to it.
class GBlitView : public GView {
public:
    ~GBlitView() override;
    void IBlitView2D(GView* parent, int32_t x, int32_t y, int32_t picture);
    void IBlitView3D(GView* parent, int32_t x, int32_t y, int32_t picture);
    GGraphic* GetGraphic() const { return mGraphic; }
    void Draw() override;

private:
    void Load(GView* parent, int32_t x, int32_t y, int32_t picture, int32_t type);
    GGraphic* mGraphic = nullptr;
};
