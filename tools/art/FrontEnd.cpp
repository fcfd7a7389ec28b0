#include "FrontEnd.h"

#include "FrontEndParts.h"

namespace FrontEnd {
using namespace Palette;

void Button(AssetStore& store, const Fonts& fonts, int32_t n, int w, int h, const char* label, int font,
            int scale, int looks) {
    if (scale > 1 && fonts[font].TextWidth(Latin1(label), scale) > w - 16) scale = 1;
    store.ButtonPictures(n, ButtonLooks(w, h, looks, label, fonts, font, scale, uint32_t(n)));
}

void TitleBlock(Image& img, const Fonts& fonts, int cx, int top, int size, Rgb main, Rgb sub, Rgb shadow) {
    // The game's name large, with a soft drop shadow, and the demo's subtitle.
    DrawLargeText(img, fonts, "MORVANE", "DejaVuSerif-Bold.ttf", size, cx + 3, top + size + 3, shadow, 0);
    DrawLargeText(img, fonts, "MORVANE", "DejaVuSerif-Bold.ttf", size, cx, top + size, main, 0);
    int subSize = size * 3 / 8;
    DrawLargeText(img, fonts, "DUNMARCH", "DejaVuSans-Bold.ttf", subSize, cx + 2, top + size + subSize + 16,
                  shadow, 0);
    DrawLargeText(img, fonts, "DUNMARCH", "DejaVuSans-Bold.ttf", subSize, cx, top + size + subSize + 14, sub,
                  0);
}

void Rule(Image& img, int x, int y, int w) {
    img.FillRect(x, y, w, 1, kBrassDark);
    img.FillRect(x, y + 1, w, 1, kInk);
}
} // namespace FrontEnd

void MakeFrontEnd(AssetStore& store, const Fonts& fonts) {
    FrontEnd::MakeMenus(store, fonts);
    FrontEnd::MakeScenarioList(store, fonts);
    FrontEnd::MakeScreens(store, fonts);
}
