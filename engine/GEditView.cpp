#include "engine/GEditView.h"
#include "engine/GKernel.h"
#include <algorithm>

namespace {
constexpr int32_t kCellWidth = 7; // the fixed font's advance
constexpr int32_t kLineHeight = 15;
constexpr uint32_t kBlinkMs = 500;
} // namespace

GEditView::~GEditView() = default;

void GEditView::IEditView(GView* parent, int32_t x, int32_t y, int32_t columns, int32_t lines,
                          bool fullLength, bool flag) {
    mColumns = std::clamp(columns, 1, 255);
    mLines = std::clamp(lines, 1, 17);
    mCapacity = std::clamp(mColumns * mLines - (fullLength ? 0 : 1), 1, 255);
    mFlag = flag;
    IView(parent, x, y, mColumns * kCellWidth + 6, mLines * kLineHeight + 4);
    // The first field on the screen gets the keys.
    if (gKernel) {
        GEditView* active = gKernel->GetActiveEdit();
        if (!active || !active->IsVisible()) gKernel->SetActiveEdit(this);
    }
}

void GEditView::CaptureString(GString* out) const {
    if (out) *out = mText;
}

void GEditView::InsertString(const GString* text) {
    if (!text) return;
    for (int32_t i = 0; i < text->GetLength() && mText.GetLength() < mCapacity; ++i)
        mText.AddChar(text->GetChar(i));
    Refresh();
}

void GEditView::Clear() {
    mText.IStringText("");
    Refresh();
}

void GEditView::Input(char key) {
    const uint8_t c = static_cast<uint8_t>(key);
    if (c == 8) {
        if (mText.GetLength() > 0) mText.CropLength(mText.GetLength() - 1, true);
    } else if (c == 13) {
        if (gKernel) gKernel->PressDefaultButton();
        return;
    } else if (c >= 32 && c != 127 && mText.GetLength() < mCapacity) {
        mText.AddChar(key);
    } else {
        return;
    }
    mCaretOn = true;
    Refresh();
}

void GEditView::DoClick(int32_t x, int32_t y, bool doubleClick, bool shift, bool ctrl) {
    if (gKernel) gKernel->SetActiveEdit(this);
}

void GEditView::UpdateCaret(uint32_t now) {
    if (now - mCaretTime < kBlinkMs) return;
    mCaretTime = now;
    mCaretOn = !mCaretOn;
    Refresh();
}

void GEditView::Draw() {
    if (!gKernel) return;
    LongRect r;
    GetLocalBounds(&r);
    PaintRectangle(&r, gKernel->MakeColor16(245, 242, 230));
    FrameRectangle(&r, gBlack);
    // The text in rows of mColumns characters.
    GString255 row;
    const int32_t length = mText.GetLength();
    int32_t line = 0;
    for (int32_t start = 0; start < length || (start == 0 && line == 0); start += mColumns, ++line) {
        row.IStringText("");
        for (int32_t i = start; i < std::min(start + mColumns, length); ++i)
            row.AddChar(mMasked ? '*' : mText.GetChar(i));
        WriteString(&row, 3, 2 + line * kLineHeight + 11, -1, kFontFixed, 0, 0, 0);
        if (start + mColumns >= length) break;
    }
    if (gKernel->GetActiveEdit() == this && mCaretOn) {
        const int32_t pos = std::min(length, mCapacity);
        const int32_t cx = 3 + (pos % mColumns) * kCellWidth,
                      cy = 2 + std::min(pos / mColumns, mLines - 1) * kLineHeight;
        const LongRect caret{cx, cy + 1, cx + 1, cy + kLineHeight - 1};
        PaintRectangle(&caret, gBlack);
    }
    DrawSubviews();
}
