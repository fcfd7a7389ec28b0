#include "engine/GDrawRecord.h"

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
    for (size_t i = 0; i < mItems.size(); ++i) {
        const ScreenDrawItem& t = mItems[i];
        if (t.mKind != 't' || t.mRect.IsEmpty()) continue;
        // A view drawn later over the whole text hides it (a dialog over the
        // panel); its own subviews and a redraw of itself do not.
        bool covered = false;
        for (size_t k = i + 1; k < mItems.size() && !covered; ++k) {
            const ScreenDrawItem& v = mItems[k];
            covered = v.mKind == 'v' && !IsAncestor(v.mOwner, t.mOwner) && !IsAncestor(t.mOwner, v.mOwner) &&
                      Inside(t.mRect, v.mRect);
        }
        // A later redraw of the same view replaces what it wrote.
        for (size_t k = i + 1; k < mItems.size() && !covered; ++k)
            covered = mItems[k].mKind == 'v' && mItems[k].mOwner == t.mOwner;
        if (covered) continue;
        if (!Inside(t.mRect, t.mView)) faults.push_back("outside its view: " + Describe(t));
        for (size_t s : shown) {
            const ScreenDrawItem& o = mItems[s];
            if (Overlap(o.mRect, t.mRect))
                faults.push_back("overlap: " + Describe(o) + " and " + Describe(t));
        }
        shown.push_back(i);
    }
    if (shownCount) *shownCount = static_cast<int32_t>(shown.size());
    return faults;
}
