// The hot-key help window and the map's toggle of it.
#include "app/HotkeyPanel.h"

#include "app/InfoPanelDraw.h"
#include "app/MapView.h"
#include "battle/Battle.h"
#include "engine/GKernel.h"
#include "engine/GString.h"
#include "map/Map.h"

HotkeyPanel::~HotkeyPanel() {
    if (gBattle && gBattle->mMap && gBattle->mMap->mHotkeyPanel == this)
        gBattle->mMap->mHotkeyPanel = nullptr;
}

void HotkeyPanel::IHotkeyPanel(GView* parent) {
    const int32_t pw = parent ? parent->GetWidth() : 640;
    const int32_t ph = parent ? parent->GetHeight() : 384;
    ITiledView3D(parent, (pw - 640) / 2, 2 * (ph - 384) / 3, 640, 384, 11281, false);
}

void HotkeyPanel::Draw() {
    GTiledView::Draw();
    GString255 text;
    for (int32_t c = 0; c < 2; ++c)
        for (int32_t r = 0; r < kRows; ++r) {
            text.IStringRez(RowString(c, r));
            InfoWrite(this, &text, RowX(c), RowY(r), -1, kFontFixed, 255, 255, 255);
        }
    text.IStringRez(1190);
    InfoWrite(this, &text, 320, 375, 0, kFontFixed, 255, 80, 80);
}

void HotkeyPanel::DoClick(int32_t x, int32_t y, bool doubleClick, bool shift, bool ctrl) {
    (void)x;
    (void)y;
    (void)doubleClick;
    (void)shift;
    (void)ctrl;
    // The click is the last thing this panel does.
    if (gKernel && gKernel->Idling())
        gKernel->KillViewAfterIdle(this);
    else
        delete this;
}

void Map::ShowHotkeys() {
    if (mHotkeyPanel) {
        HotkeyPanel* panel = mHotkeyPanel;
        mHotkeyPanel = nullptr;
        if (!gKernel || gKernel->IsViewAlive(panel)) delete panel;
        return;
    }
    if (!mView) return;
    auto* panel = new HotkeyPanel;
    panel->IHotkeyPanel(mView);
    mHotkeyPanel = panel;
}
