#include "engine/GDrawRecord.h"

#include <algorithm>
#include <cstdlib>

#include "engine/G3DBridge.h"
#include "engine/GString.h"
#include "engine/GView.h"

ScreenDrawLog* gScreenDrawLog = nullptr;

LongRect ScreenTextRect(GString* text, int32_t x, int32_t y, int32_t justify, GOLTAFont font) {
    if (!text) return LongRect{};
    const int32_t w = StringWidthInPixels(text, font);
    int32_t left = x;
    // The renderer draws a right-justified text 2 pixels further right than
    // the 2-D faces do.
    if (justify == 0)
        left = x - w / 2;
    else if (justify > 0)
        left = Bridge3D::Exists() ? x - w + 2 : x - w;
    return LongRect{left, y - GOLTAFonts::HeightAbove(font), left + w, y + 3};
}

namespace {

bool Overlap(const LongRect& a, const LongRect& b) {
    return !LongRect::Intersect(a, b).IsEmpty();
}

// A name written with its outline (copies of itself a pixel or two around,
// as the map's landmarks are) reads as one text.
bool OutlineOf(const ScreenDrawItem& a, const ScreenDrawItem& b) {
    return a.mText == b.mText && std::abs(a.mRect.left - b.mRect.left) <= 2 &&
           std::abs(a.mRect.top - b.mRect.top) <= 2;
}

bool Inside(const LongRect& inner, const LongRect& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

bool IsAncestor(const GView* maybe, const GView* view) {
    for (const GView* v = view; v; v = v->GetParent())
        if (v == maybe) return true;
    return false;
}

std::string Describe(const ScreenDrawItem& i) {
    return "\"" + i.mText + "\" at (" + std::to_string(i.mRect.left) + ", " + std::to_string(i.mRect.top) +
           ")-(" + std::to_string(i.mRect.right) + ", " + std::to_string(i.mRect.bottom) + ")";
}

} // namespace

std::vector<std::string> ScreenDrawLog::TextFaults(int32_t* shownCount) const {
    std::vector<std::string> faults;
    std::vector<size_t> shown;
    std::vector<LongRect> shownRects; // the part of each that stays visible
    for (size_t i = 0; i < mItems.size(); ++i) {
        const ScreenDrawItem& t = mItems[i];
        if (t.mKind != 't' || t.mRect.IsEmpty()) continue;
        // A view drawn after the text reached the screen (queued texts go
        // out at the next flush) and over the whole of it hides it (a dialog
        // over the panel, the balloon over the map's lines); its own
        // ancestors do not. A later redraw of the same view replaces it.
        size_t flushed = i + 1;
        while (flushed < mItems.size() && mItems[flushed].mKind != 'f')
            ++flushed;
        // What such views leave of the text: a view across the text's whole
        // height cuts it from the side it stands on, one across its whole
        // width from above or below.
        LongRect visible = t.mRect;
        for (size_t k = flushed; k < mItems.size() && !visible.IsEmpty(); ++k) {
            const ScreenDrawItem& v = mItems[k];
            if (v.mKind != 'v' || IsAncestor(v.mOwner, t.mOwner) || !Overlap(v.mRect, visible)) continue;
            if (v.mRect.top <= visible.top && v.mRect.bottom >= visible.bottom) {
                if (v.mRect.left <= visible.left) visible.left = std::min(visible.right, v.mRect.right);
                if (v.mRect.right >= visible.right) visible.right = std::max(visible.left, v.mRect.left);
            } else if (v.mRect.left <= visible.left && v.mRect.right >= visible.right) {
                if (v.mRect.top <= visible.top) visible.top = std::min(visible.bottom, v.mRect.bottom);
                if (v.mRect.bottom >= visible.bottom) visible.bottom = std::max(visible.top, v.mRect.top);
            }
        }
        bool covered = visible.IsEmpty();
        for (size_t k = i + 1; k < mItems.size() && !covered; ++k)
            covered = mItems[k].mKind == 'v' && mItems[k].mOwner == t.mOwner;
        if (covered) continue;
        if (!Inside(t.mRect, t.mView)) faults.push_back("outside its view: " + Describe(t));
        for (size_t n = 0; n < shown.size(); ++n)
            if (Overlap(shownRects[n], visible) && !OutlineOf(mItems[shown[n]], t))
                faults.push_back("overlap: " + Describe(mItems[shown[n]]) + " and " + Describe(t));
        shown.push_back(i);
        shownRects.push_back(visible);
    }
    if (shownCount) *shownCount = static_cast<int32_t>(shown.size());
    return faults;
}
