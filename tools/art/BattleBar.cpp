#include "BattleBar.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace {
using namespace Palette;

constexpr Rgb kMagenta{255, 0, 255};
constexpr int kOrderW = 42, kOrderH = 40;
constexpr int kVcrW = 37, kVcrH = 32;
constexpr int kDialogButtonW = 100, kDialogButtonH = 40;

enum class Glyph { kTurnLeft, kForward, kTurnRight, kUp, kLeft, kBack, kRight, kDown };

// Simple arrow symbols for the camera buttons, drawn around (cx, cy).
void DrawGlyph(Image& img, Glyph g, float cx, float cy, Rgb c) {
    auto arrow = [&](float dx, float dy) {
        // A stem and a head pointing along (dx, dy), one of the four axis directions.
        float px = -dy, py = dx;
        std::vector<float> p = {cx - dx * 10 + px * 3, cy - dy * 10 + py * 3, cx + dx * 1 + px * 3,
                                cy + dy * 1 + py * 3,  cx + dx * 1 + px * 8,  cy + dy * 1 + py * 8,
                                cx + dx * 11,          cy + dy * 11,          cx + dx * 1 - px * 8,
                                cy + dy * 1 - py * 8,  cx + dx * 1 - px * 3,  cy + dy * 1 - py * 3,
                                cx - dx * 10 - px * 3, cy - dy * 10 - py * 3};
        img.FillPolygon(p, c);
    };
    auto turn = [&](bool left) {
        // An arc with a head at its end.
        float s = left ? -1.0f : 1.0f;
        std::vector<float> p;
        for (int i = 0; i <= 12; ++i) {
            float t = 3.4f + i * 0.17f;
            p.push_back(cx - s * 10 * std::cos(t));
            p.push_back(cy + 4 + 10 * std::sin(t));
        }
        for (int i = 12; i >= 0; --i) {
            float t = 3.4f + i * 0.17f;
            p.push_back(cx - s * 5 * std::cos(t));
            p.push_back(cy + 4 + 5 * std::sin(t));
        }
        img.FillPolygon(p, c);
        float hx = cx + s * 7.5f, hy = cy + 4;
        img.FillPolygon({hx - 7, hy - 1, hx + 7, hy - 1, hx, hy + 8}, c);
    };
    switch (g) {
    case Glyph::kTurnLeft:
        turn(true);
        break;
    case Glyph::kTurnRight:
        turn(false);
        break;
    case Glyph::kForward:
        arrow(0, -1);
        break;
    case Glyph::kBack:
        arrow(0, 1);
        break;
    case Glyph::kLeft:
        arrow(-1, 0);
        break;
    case Glyph::kRight:
        arrow(1, 0);
        break;
    case Glyph::kUp:
        img.FillPolygon({cx - 9, cy + 5, cx + 9, cy + 5, cx, cy - 7}, c);
        break;
    case Glyph::kDown:
        img.FillPolygon({cx - 9, cy - 5, cx + 9, cy - 5, cx, cy + 7}, c);
        break;
    }
}

// Positions of the eight order buttons on picture 2008, with their symbols, in picture order 2000..2007.
struct OrderSlot {
    int x, y;
    Glyph glyph;
};
constexpr OrderSlot kOrderSlots[8] = {
    {7, 6, Glyph::kTurnLeft}, {51, 6, Glyph::kForward}, {95, 6, Glyph::kTurnRight}, {7, 48, Glyph::kLeft},
    {51, 48, Glyph::kBack},   {95, 48, Glyph::kRight},  {139, 48, Glyph::kDown},    {139, 6, Glyph::kUp}};

void SymbolButton(Image& img, int x, int y, int w, int h, ButtonState s, const Fonts& fonts, uint32_t seed,
                  const std::function<void(Image&, float, float, Rgb)>& symbol) {
    DrawButton(img, x, y, w, h, "", s, fonts, 0, 1, seed);
    int d = s == ButtonState::kPressed ? 1 : 0;
    Rgb c = s == ButtonState::kHighlight ? kHighlightText : s == ButtonState::kPressed ? kSand : kText;
    symbol(img, x + w / 2.0f + d, y + h / 2.0f + d, c);
}

void OrdersPanel(AssetStore& store, const Fonts& fonts) {
    Image panel(182, 90);
    DrawPanel(panel, 0, 0, 182, 90, kGreyDark, 2008);
    for (int i = 0; i < 8; ++i) {
        const OrderSlot& o = kOrderSlots[i];
        auto sym = [&](Image& im, float cx, float cy, Rgb c) { DrawGlyph(im, o.glyph, cx, cy, c); };
        SymbolButton(panel, o.x, o.y, kOrderW, kOrderH, ButtonState::kNormal, fonts, 2000u + i, sym);
        Image pressed(kOrderW, kOrderH);
        SymbolButton(pressed, 0, 0, kOrderW, kOrderH, ButtonState::kPressed, fonts, 2000u + i, sym);
        store.Picture(2000 + i, pressed);
    }
    store.Picture(2008, panel);
}

void VcrPanels(AssetStore& store, const Fonts& fonts) {
    auto bar = [](Image& im, float x, float cy, Rgb c) { im.FillRect(int(x), int(cy) - 6, 3, 12, c); };
    auto tri = [](Image& im, float x, float cy, bool right, Rgb c) {
        if (right)
            im.FillPolygon({x, cy - 6, x + 8, cy, x, cy + 6}, c);
        else
            im.FillPolygon({x + 8, cy - 6, x, cy, x + 8, cy + 6}, c);
    };
    Image vcr(78, 90);
    DrawPanel(vcr, 0, 0, 78, 90, kGreyDark, 2010);
    struct Vcr {
        int32_t n;
        int x, y;
        std::function<void(Image&, float, float, Rgb)> sym;
    };
    std::vector<Vcr> buttons = {
        {2030, 3, 6,
         [&](Image& im, float cx, float cy, Rgb c) {
             bar(im, cx - 10, cy, c);
             tri(im, cx - 7, cy, false, c);
             tri(im, cx + 1, cy, false, c);
         }},
        {2031, 3, 39,
         [&](Image& im, float cx, float cy, Rgb c) {
             tri(im, cx - 8, cy, false, c);
             tri(im, cx, cy, false, c);
         }},
        {2032, 40, 39,
         [&](Image& im, float cx, float cy, Rgb c) {
             tri(im, cx - 8, cy, true, c);
             tri(im, cx, cy, true, c);
         }},
    };
    for (const Vcr& b : buttons) {
        SymbolButton(vcr, b.x, b.y, kVcrW, kVcrH, ButtonState::kNormal, fonts, uint32_t(b.n), b.sym);
        Image pressed(kVcrW, kVcrH);
        SymbolButton(pressed, 0, 0, kVcrW, kVcrH, ButtonState::kPressed, fonts, uint32_t(b.n), b.sym);
        store.Picture(b.n, pressed);
    }
    // The timer's window and the action button's seat.
    DrawPanel(vcr, 49, 73, 27, 15, kInk, 3, true);
    store.Picture(2010, vcr);

    // Play, end, paused (lit), paused (dim): the play/pause button blinks between the last two.
    auto play = [&](Image& im, float cx, float cy, Rgb c) { tri(im, cx - 4, cy, true, c); };
    auto end = [&](Image& im, float cx, float cy, Rgb c) {
        im.FillRect(int(cx) - 6, int(cy) - 6, 12, 12, c);
    };
    auto pause = [&](Image& im, float cx, float cy, Rgb c) {
        bar(im, cx - 5, cy, c);
        bar(im, cx + 2, cy, c);
    };
    const struct {
        int32_t n;
        ButtonState s;
        std::function<void(Image&, float, float, Rgb)> sym;
    } playPause[4] = {{2016, ButtonState::kPressed, play},
                      {2017, ButtonState::kInactive, end},
                      {2018, ButtonState::kHighlight, pause},
                      {2019, ButtonState::kNormal, pause}};
    for (const auto& p : playPause) {
        Image img(kVcrW, kVcrH);
        SymbolButton(img, 0, 0, kVcrW, kVcrH, p.s, fonts, uint32_t(p.n), p.sym);
        store.Picture(p.n, img);
    }

    // The action button, dark and lit.
    for (int lit = 0; lit < 2; ++lit) {
        Image img(51, 15);
        DrawPanel(img, 0, 0, 51, 15, lit ? Rgb{150, 60, 30} : Rgb{70, 34, 24}, 2012u + lit);
        fonts[1].DrawText(img, "START", 25, 11, lit ? kHighlightText : kTextDim, 0);
        store.Picture(2012 + lit, img);
    }

    Image go(78, 90);
    DrawPanel(go, 0, 0, 78, 90, kGreyDark, 2014);
    auto goLabel = [&](Image& im, float cx, float cy, Rgb c) {
        fonts[0].DrawText(im, "LOS", int(cx), int(cy) + 4, c, 0);
    };
    SymbolButton(go, 42, 6, 33, 32, ButtonState::kNormal, fonts, 2015, goLabel);
    // An arrow pointing at the button, and what it does.
    go.FillPolygon({8, 19, 28, 19, 28, 14, 37, 22, 28, 30, 28, 25, 8, 25}, kSand);
    Label(go, fonts, 1, "ZUG", 39, 60, kSand, 0);
    Label(go, fonts, 1, "BEENDEN", 39, 74, kSand, 0);
    store.Picture(2014, go);
    Image goPressed(33, 32), goLit(33, 32);
    SymbolButton(goPressed, 0, 0, 33, 32, ButtonState::kPressed, fonts, 2015, goLabel);
    SymbolButton(goLit, 0, 0, 33, 32, ButtonState::kHighlight, fonts, 2015, goLabel);
    store.Picture(2015, goPressed);
    store.Picture(2021, goLit);
}

void BarBackground(AssetStore& store) {
    Image bar(800, 90);
    DrawPanel(bar, 0, 0, 800, 90, kGrey, 2009);
    // The info panel's seat at (0, 6).
    DrawPanel(bar, 0, 6, 540, 84, kInk, 4, true);
    store.Picture(2009, bar);
    for (int32_t n : {11113, 11114, 10037}) {
        int w = n == 11113 ? 112 : n == 11114 ? 240 : 52;
        int h = n == 10037 ? 36 : 90;
        Image img(w, h);
        DrawPanel(img, 0, 0, w, h, kGrey, uint32_t(n));
        for (int x = 12; x + 12 < w; x += 24)
            img.FillRect(x, 8, 2, h - 16, Shade(kGrey, 0.7f));
        store.Picture(n, img);
    }
}

// The confirm box's 16 x 16 frame tiles: edges top, right, bottom, left; corners top right,
// bottom right, bottom left, top left. They match the box's fill (55, 20, 0).
void BoxFrame(AssetStore& store) {
    const Rgb light = Shade(kBoxFill, 2.6f), mid = Shade(kBoxFill, 1.6f), dark = kInk;
    auto tile = [&](bool top, bool right, bool bottom, bool left) {
        Image img(16, 16, kBoxFill);
        // Outer band of 4 pixels on the outer edges, then a brass line.
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                int d = 99;
                if (top) d = std::min(d, y);
                if (bottom) d = std::min(d, 15 - y);
                if (left) d = std::min(d, x);
                if (right) d = std::min(d, 15 - x);
                Rgb c = kBoxFill;
                if (d == 0)
                    c = dark;
                else if (d < 5)
                    c = (top && d == y) || (left && d == x) ? light : mid;
                else if (d == 5)
                    c = kBrassDark;
                else if (d == 6)
                    c = dark;
                img.Set(x, y, c);
            }
        return img;
    };
    store.Picture(2600, tile(true, false, false, false));
    store.Picture(2601, tile(false, true, false, false));
    store.Picture(2602, tile(false, false, true, false));
    store.Picture(2603, tile(false, false, false, true));
    store.Picture(2604, tile(true, true, false, false));
    store.Picture(2605, tile(false, true, true, false));
    store.Picture(2606, tile(false, false, true, true));
    store.Picture(2607, tile(true, false, false, true));
}

void ConfirmButtons3D(AssetStore& store, const Fonts& fonts) {
    const struct {
        int32_t normal, pressed;
        const char* label;
    } buttons[3] = {{2608, 2609, "OK"}, {2615, 2616, "JA"}, {2610, 2611, "NEIN"}};
    for (const auto& b : buttons) {
        Image n(kDialogButtonW, kDialogButtonH), p(kDialogButtonW, kDialogButtonH);
        DrawButton(n, 0, 0, kDialogButtonW, kDialogButtonH, b.label, ButtonState::kNormal, fonts, 0, 2,
                   uint32_t(b.normal));
        DrawButton(p, 0, 0, kDialogButtonW, kDialogButtonH, b.label, ButtonState::kPressed, fonts, 0, 2,
                   uint32_t(b.normal));
        store.Picture(b.normal, n);
        store.Picture(b.pressed, p);
    }
}
} // namespace

void MakePointer(AssetStore& store) {
    // An arrow with its tip at the top-left pixel (the hot spot), on the magenta key: a light body
    // with a dark outline, so that it shows on dark and light ground alike.
    Image img(16, 24, kMagenta);
    const std::vector<int> outline = {0, 0, 0, 19, 4, 15, 8, 23, 11, 22, 7, 14, 13, 14};
    std::vector<float> body(outline.begin(), outline.end());
    img.FillPolygon(body, kParchment);
    for (size_t i = 0; i < outline.size(); i += 2) {
        size_t j = (i + 2) % outline.size();
        img.Line(outline[i], outline[i + 1], outline[j], outline[j + 1], kInk);
    }
    store.Picture(10, img);
}

void MakeBattleBar(AssetStore& store, const Fonts& fonts) {
    BarBackground(store);
    OrdersPanel(store, fonts);
    VcrPanels(store, fonts);
    BoxFrame(store);
    ConfirmButtons3D(store, fonts);
}
