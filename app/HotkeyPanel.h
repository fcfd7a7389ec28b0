#pragma once
// The hot-key help of the battle screen: a 640 x 384 tiled window that
// lists the keys in two columns and closes on any click.
#include <cstdint>

#include "engine/GTiledView.h"

class HotkeyPanel : public GTiledView {
public:
    ~HotkeyPanel() override;
    void IHotkeyPanel(GView* parent);
    void Draw() override;
    void DoClick(int32_t x, int32_t y, bool doubleClick, bool shift, bool ctrl) override;

    static constexpr int32_t kRows = 26;
    // The string of row r of column c (1200 + 50 c + r) and its place.
    static int32_t RowString(int32_t column, int32_t row) { return 1200 + 50 * column + row; }
    static int32_t RowX(int32_t column) {
        return static_cast<int32_t>(352.0f * static_cast<float>(column) + 4.0f);
    }
    static int32_t RowY(int32_t row) { return 10 + 13 * row; }
};
