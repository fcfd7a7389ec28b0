#pragma once
// A record of the texts and pictures the views put on the screen, each with
// the screen rectangle it covers (texts by the metrics of the text path in
// use), the bounds of the view that drew it and the views drawn in order.
// Null in the program; installed by tests, which read where things landed.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/GOLTAFont.h"
#include "engine/LongRect.h"

class GString;
class GView;

struct ScreenDrawItem {
    char mKind = 0; // 't' text, 'b' picture, 'v' a view began to draw
    LongRect mRect; // screen rectangle covered (a view: its clipped bounds)
    LongRect mView; // the drawing view's whole bounds on the screen
    const GView* mOwner = nullptr;
    int32_t mPicture = 0; // picture number of a blit
    int32_t mFont = 0;
    std::string mText; // Latin-1 bytes of a text
};

struct ScreenDrawLog {
    std::vector<ScreenDrawItem> mItems;
    void Clear() { mItems.clear(); }
    // Faults of the texts on one screen: texts whose rectangles overlap
    // (both still visible: not under a view drawn after they reached the
    // screen, its own subviews included) and texts
    // reaching outside their view. One line per fault; empty when none.
    // shown, when given, receives the number of texts still visible.
    std::vector<std::string> TextFaults(int32_t* shown = nullptr) const;
};

extern ScreenDrawLog* gScreenDrawLog;

// The screen rectangle of a text written at (x, y) in the given
// justification: ink from the font's height above y to 3 rows below it.
LongRect ScreenTextRect(GString* text, int32_t x, int32_t y, int32_t justify, GOLTAFont font);
