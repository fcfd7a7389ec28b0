// The scenario list: top, line and bottom pictures for both widths, its controls, the force strip, and the
// wide buttons of the list and multiplayer screens.
#include <vector>

#include "FrontEndParts.h"

namespace FrontEnd {
namespace {
using namespace Palette;

// The scenario list's top, line and bottom pictures for one width (636 or 796).
void ListFrame(AssetStore& store, const Fonts& fonts, int32_t first, int w) {
    Image top(w, kListTopH);
    DrawPanel(top, 0, 0, w, kListTopH + 4, kOlive, uint32_t(first));
    Label(top, fonts, 0, "SZENARIEN", 19, 30, kHighlightText, -1, 2);
    // The recess behind the list's controls at the right.
    DrawPanel(top, w - 292, 10, 280, 46, kOliveDark, 3, true);
    const int infoX = w == 636 ? 205 : 225, titleX = w == 636 ? 322 : 345;
    top.FillRect(14, kListTopH - 4, w - 28, 4, kOliveDark);
    Label(top, fonts, 1, "Name", 19, 56, kSand);
    Label(top, fonts, 1, "Umfang", infoX, 56, kSand);
    Label(top, fonts, 1, "Titel", titleX, 56, kSand);
    store.Picture(first, top);

    Image line(w, kListLineH);
    DrawPanel(line, 0, -4, w, kListLineH + 8, kOlive, uint32_t(first + 1));
    line.FillRect(14, 0, w - 28, kListLineH, kOliveDark);
    line.Grain(14, 0, w - 28, kListLineH, 0.05f, 11, 6.0f);
    line.FillRect(14, kListLineH - 1, w - 28, 1, Shade(kOliveDark, 0.7f));
    store.Picture(first + 1, line);

    Image bottom(w, kListBottomH);
    DrawPanel(bottom, 0, -6, w, kListBottomH + 6, kOlive, uint32_t(first + 2));
    bottom.FillRect(14, 0, w - 28, 4, kOliveDark);
    store.Picture(first + 2, bottom);
}

void ForceStrip(AssetStore& store) {
    // Cell f shows Force f: the Axis forces first, the Allied forces from 30 on.
    Image img(kForceCells * kForceCell, kForceCell);
    for (int f = 0; f < kForceCells; ++f) {
        int x = f * kForceCell;
        bool axis = f < 30;
        Rgb field = axis ? Mix(kGrey, kGreyDark, (f % 5) / 6.0f) : Mix(kOlive, kOliveLight, (f % 3) / 4.0f);
        img.FillRect(x, 0, kForceCell, kForceCell, field);
        img.Bevel(x, 0, kForceCell, kForceCell, Shade(field, 1.4f), Shade(field, 0.55f), 1);
        if (axis)
            DrawAxisEmblem(img, x + 10, 10, 14);
        else
            DrawAlliedEmblem(img, x + 10, 10, 15);
    }
    store.Picture(11240, img);
}

void PageButton(AssetStore& store, const Fonts& fonts, int32_t n, bool up) {
    const int w = 64, h = kSmallButtonH;
    std::vector<Image> looks = ButtonLooks(w, h, 4, "    SEITE", fonts, 1, 1, uint32_t(n));
    for (int s = 0; s < 4; ++s) {
        float cx = 12 + (s == 1), cy = 9 + (s == 1);
        Rgb c = s == 3 ? kTextDim : s == 2 ? kHighlightText : kText;
        if (up)
            looks[size_t(s)].FillPolygon({cx - 5, cy + 3, cx + 5, cy + 3, cx, cy - 3}, c);
        else
            looks[size_t(s)].FillPolygon({cx - 5, cy - 3, cx + 5, cy - 3, cx, cy + 3}, c);
    }
    store.ButtonPictures(n, looks);
}

} // namespace

void MakeScenarioList(AssetStore& store, const Fonts& fonts) {
    ListFrame(store, fonts, 11220, 636);
    ListFrame(store, fonts, 11223, 796);
    ForceStrip(store);
    PageButton(store, fonts, 11230, true);
    PageButton(store, fonts, 11231, false);
    Button(store, fonts, 11232, 86, kSmallButtonH, "GEFECHTE", 1);
    Button(store, fonts, 11233, 86, kSmallButtonH, "OPERATIONEN", 1);
    Button(store, fonts, 10033, 100, kSmallButtonH, "LÖSCHEN", 1);
    Button(store, fonts, 11205, kWideButtonW, kWideButtonH, "SPIELEN", 0, 2);
    Button(store, fonts, 11206, kWideButtonW, kWideButtonH, "HAUPTMENÜ", 0, 2);
    Button(store, fonts, 11207, kWideButtonW, kWideButtonH, "EMAIL-SPIEL LADEN", 0, 2);
    Button(store, fonts, 11208, kWideButtonW, kWideButtonH, "NETZWERKSPIEL", 0, 2);
}
} // namespace FrontEnd
