#include "engine/GTextView.h"
#include "engine/GKernel.h"
#include <cstddef>
#include <vector>

void GTextView::Place(GView* parent, int32_t x, int32_t y, int32_t width) {
    if (width < 1) width = parent ? parent->GetWidth() : 640;
    mLineCount = Wrap(width, nullptr);
    IView(parent, x, y, width, mLineCount * kLineHeight + 2);
}

void GTextView::ITextView(GView* parent, int32_t x, int32_t y, int32_t width, const GString* text) {
    if (text) mText = *text;
    Place(parent, x, y, width);
}

void GTextView::ITextViewRez(GView* parent, int32_t x, int32_t y, int32_t width, int16_t stringId) {
    mText.IStringRez(stringId);
    Place(parent, x, y, width);
}

void GTextView::SetText(const GString* text) {
    if (text)
        mText = *text;
    else
        mText.IStringText("");
    mLineCount = Wrap(GetWidth(), nullptr);
    Resize(GetWidth(), mLineCount * kLineHeight + 2);
}

void GTextView::SetTextRez(int32_t stringId) {
    GString255 t;
    t.IStringRez(stringId);
    SetText(&t);
}

void GTextView::SetJustify(int32_t justify) {
    mJustify = justify;
    Refresh();
}

void GTextView::SetColor(uint8_t r, uint8_t g, uint8_t b) {
    mRed = r;
    mGreen = g;
    mBlue = b;
    mColourSet = true;
    Refresh();
}

void GTextView::TextColour(uint8_t* r, uint8_t* g, uint8_t* b) const {
    *r = mRed;
    *g = mGreen;
    *b = mBlue;
    if (mColourSet || !gKernel) return;
    // The kernel's window is filled only to clear the screen; texts placed
    // straight on it lie over pictures, so it does not count as a box.
    const GView* parent = GetParent() != gKernel->GetWindow() ? GetParent() : nullptr;
    int16_t fill = 0;
    if (!GetFillColor(&fill) && !(parent && parent->GetFillColor(&fill))) return;
    const uint32_t argb = gKernel->ConvertToD3DColor(fill);
    const uint32_t luma = 299 * ((argb >> 16) & 0xFF) + 587 * ((argb >> 8) & 0xFF) + 114 * (argb & 0xFF);
    if (luma < 128 * 1000) *r = *g = *b = 255;
}

int32_t GTextView::Wrap(int32_t width, std::vector<std::pair<int32_t, int32_t>>* lines) const {
    const char* s = mText.GetCString();
    const int32_t n = mText.GetLength();
    int32_t count = 0, start = 0;
    GString255 probe;
    while (start < n) {
        // The longest run of whole words that fits, or a forced break.
        int32_t end = start, lastFit = -1;
        while (end <= n) {
            const bool breakHere = end == n || s[end] == ' ' || s[end] == '\n' || s[end] == '\r';
            if (breakHere) {
                probe.IStringText("");
                for (int32_t i = start; i < end; ++i)
                    probe.AddChar(s[i]);
                if (StringWidthInPixels(&probe, kFontNormal) <= width || lastFit < 0)
                    lastFit = end;
                else
                    break;
                if (end == n || s[end] == '\n' || s[end] == '\r') break;
            }
            ++end;
        }
        if (lines) lines->push_back({start, lastFit});
        ++count;
        start = lastFit + 1;
    }
    return count > 0 ? count : 1;
}

void GTextView::Draw() {
    GView::Draw();
    std::vector<std::pair<int32_t, int32_t>> lines;
    Wrap(GetWidth(), &lines);
    const int32_t x = mJustify < 0 ? 0 : mJustify == 0 ? GetWidth() / 2 : GetWidth() - 1;
    uint8_t r, g, b;
    TextColour(&r, &g, &b);
    GString255 line;
    for (size_t i = 0; i < lines.size(); ++i) {
        line.IStringText("");
        for (int32_t c = lines[i].first; c < lines[i].second; ++c)
            line.AddChar(mText.GetCString()[c]);
        WriteString(&line, x, static_cast<int32_t>(i) * kLineHeight + 10, mJustify, kFontNormal, r, g, b);
    }
}
