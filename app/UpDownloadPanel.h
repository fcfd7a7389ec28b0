#pragma once
// The progress panel of a TCP/IP results transfer: a red bar filling with
// the bytes counted so far (received, or acknowledged by the receiver) out
// of the announced total.

#include <cstdint>

#include "engine/GView.h"

class UpDownloadPanel : public GView {
public:
    ~UpDownloadPanel() override = default;
    // A 350 x 110 panel centred in parent, filled with colour, expecting
    // total bytes (at least 1).
    void IUpDownloadPanel(GView* parent, int16_t colour, int32_t total);
    void Draw() override;
    // Pixels of the bar's inside filled for count bytes: none for a count of
    // 0 or below, the whole inside for the total or more.
    int32_t FilledWidth(int32_t count) const;
    int32_t GetTotal() const { return mTotal; }

private:
    int32_t mTotal = 1;
};
