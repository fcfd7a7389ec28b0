// The radio lines of a TCP/IP battle drawn over the map view's top right
// corner, each on a black box, in the colour of its writer.

#include "app/GRadioInputView.h"
#include "app/MVApplication.h"
#include "app/MapView.h"
#include "engine/GKernel.h"
#include "engine/GOLTAFont.h"

namespace {
constexpr int32_t kRadioEntries = 14;
constexpr int32_t kHintSide = 2;
} // namespace

int32_t ChooseRadioLines(const GString255* lines, int32_t wanted, int32_t* out) {
    int32_t first = kRadioEntries;
    int32_t counted = 0;
    while (first > 0 && counted < wanted) {
        --first;
        if (lines[first].GetLength() > 0) ++counted;
    }
    int32_t n = 0;
    for (int32_t i = first; i < kRadioEntries && n < counted; ++i)
        if (lines[i].GetLength() > 0) out[n++] = i;
    return n;
}

void DrawRadioLines(MapView* view) {
    MVApplication* app = TheApp();
    if (!view || !app || !app->mRadioInput || !gKernel) return;
    int32_t shown[kRadioEntries];
    const int32_t n = ChooseRadioLines(app->mRadioLine, app->mRadioShown, shown);
    const GOLTAFont font = app->GetRadioFont();
    const bool small = font == kFontSmall;
    const int32_t h = small ? 12 : 15;
    const int32_t c = small ? 8 : 7;
    const int32_t right = gKernel->mScreenWidth;
    const Affiliation viewer = app->ViewingSide();
    for (int32_t k = 0; k < n; ++k) {
        GString255& text = app->mRadioLine[shown[k]];
        const int32_t side = app->mRadioSide[shown[k]];
        const int32_t width = StringWidthInPixels(&text, font);
        LongRect box{right - width - 7, h * k + c - 7, right - 3, h * k + c + h - 7};
        view->PaintRectangle(&box, gKernel->MakeColor16(0, 0, 0));
        uint8_t r = 255, g = 255, b = 255;
        if (side == kHintSide) {
            r = 180;
            g = 0;
            b = 0;
        } else if (side == viewer) {
            r = 42;
            g = 126;
            b = 212;
        }
        view->WriteString(&text, right - 5, h * k + c + (small ? 0 : 1), 1, font, r, g, b);
    }
}
