#include "BattleScreen.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <string>

#include "Noise.h"
#include "Texture.h"

namespace {
using namespace Palette;

constexpr Rgb kPanelFill{25, 25, 25};
constexpr Rgb kField{38, 40, 36};
constexpr Rgb kPlaque{64, 68, 56};

const char* const kLabels[46] = {"Kriechen",
                                 "Haltung wechseln",
                                 "Vorstürmen",
                                 "Eilen",
                                 "Laufen",
                                 "Bewegen",
                                 "Vorrücken",
                                 "Absitzen",
                                 "Fahren",
                                 "Rückwärts",
                                 "Halt",
                                 "Verbergen",
                                 "Schnell",
                                 "Feuerschutz",
                                 "Ziel",
                                 "Ziel aufheben",
                                 "Flächenfeuer",
                                 "Sichtlinie",
                                 "Geschütz nutzen",
                                 "Nicht nutzen",
                                 "Obergeschoss",
                                 "Erdgeschoss",
                                 "Aufstellen",
                                 "Ausrichten",
                                 "Eingraben",
                                 "Schleichen",
                                 "Jagen",
                                 "Fahne wählen",
                                 "Getarnt bleiben",
                                 "Tarnung aufheben",
                                 "Luken öffnen",
                                 "Luken schließen",
                                 "Gruppe teilen",
                                 "Nächstes Ziel",
                                 "Verteidigen",
                                 "Schussfeld",
                                 "Schussfeld weg",
                                 "Zeigen",
                                 "Panzerschussfeld",
                                 "Angriff",
                                 "Feuern, zurück",
                                 "Rückzug",
                                 "Feuer verlegen",
                                 "Kanalisation",
                                 "Eine Minute mehr",
                                 "Aufsitzen"};

// A small raised plaque with a word on it (state icons and captions).
Image Plaque(const Fonts& fonts, int w, int h, const std::string& text, Rgb face, Rgb ink, uint32_t seed) {
    Image img(w, h, kPanelFill);
    DrawPanel(img, 0, 0, w, h, face, seed);
    if (!text.empty()) Label(img, fonts, 1, text, w / 2, h / 2 + 4, ink, 0);
    return img;
}

// A level gauge: n steps, the first `lit` of them lit.
Image Gauge(int w, int h, int n, int lit, Rgb on, uint32_t seed) {
    Image img(w, h, kPanelFill);
    DrawPanel(img, 0, 0, w, h, kField, seed, true);
    const int step = (w - 6) / n;
    for (int i = 0; i < n; ++i)
        img.FillRect(3 + i * step, h - 4 - (h - 8) * (i + 1) / n, step - 1, (h - 8) * (i + 1) / n,
                     i < lit ? on : Rgb{54, 56, 50});
    return img;
}

void InfoBackdrops(AssetStore& store, const Fonts& fonts) {
    for (int page = 0; page < 2; ++page) {
        Image img(540, 84, kPanelFill);
        DrawPanel(img, 0, 0, 540, 84, {40, 42, 38}, 1000u + page);
        if (page == 0) { // the readout's fields: name, flags, state column, weapons column
            DrawPanel(img, 2, 2, 130, 80, kField, 11, true);
            DrawPanel(img, 135, 2, 170, 40, kField, 12, true);
            DrawPanel(img, 135, 44, 170, 38, kField, 13, true);
            DrawPanel(img, 308, 2, 50, 80, kField, 14, true);
            DrawPanel(img, 360, 2, 92, 80, kField, 15, true);
            DrawPanel(img, 454, 2, 84, 80, kField, 16, true);
        } else { // the general page: weather, ground, temperature, title and turn frames, buttons
            DrawPanel(img, 135, 2, 90, 80, kField, 21, true);
            DrawPanel(img, 227, 2, 132, 60, kField, 22, true);
            DrawPanel(img, 2, 2, 130, 80, kField, 23, true);
        }
        store.Picture(1000 + page, img);
    }
    Image title(178, 20, kPanelFill);
    DrawPanel(title, 0, 0, 178, 20, kField, 1002, true);
    store.Picture(1002, title);
    Image turn(120, 64, kPanelFill);
    DrawPanel(turn, 0, 0, 120, 64, kField, 1003, true);
    // The caption keeps clear of the turn number (right edge at 66) and the
    // number of turns (right edge at 109) that the panel writes at y 16.
    Label(turn, fonts, 1, "Runde", 24, 14, kTextDim, 0);
    store.Picture(1003, turn);
}

void Flags(AssetStore& store) {
    for (int nation = 0; nation <= 2; nation += 2) {
        for (int small = 0; small < 2; ++small) {
            const int w = small ? 26 : 44, h = small ? 16 : 26;
            Image img(w, h, nation == 0 ? Rgb{70, 74, 70} : Rgb{78, 88, 54});
            img.FrameRect(0, 0, w, h, kInk);
            if (nation == 0)
                DrawAxisEmblem(img, w / 2, h / 2, h - 4);
            else
                DrawAlliedEmblem(img, w / 2, h / 2, h - 4);
            store.Picture((small ? 1020 : 420) + nation, img);
        }
    }
}

// Role badges 2392-2407: attacker by readiness (0, 4, 8), defender (12); +2 the second row; +1 side 1.
void Badges(AssetStore& store, const Fonts& fonts) {
    for (int k = 0; k < 16; ++k) {
        const int role = k / 4, row = (k / 2) % 2, side = k % 2;
        Image img(22, 22, kPanelFill);
        Rgb face = side ? Rgb{78, 88, 54} : Rgb{70, 74, 70};
        DrawPanel(img, 0, 0, 22, 22, face, uint32_t(2392 + k));
        const char* letter = role == 3 ? "V" : "A";
        Label(img, fonts, 0, letter, 11, 14 + row, role == 3 ? kText : Mix(kBrass, kRust, role / 3.0f), 0);
        for (int d = 0; d < role && role < 3; ++d)
            img.FillRect(4 + 5 * d, 18, 3, 2, kBrass);
        store.Picture(2392 + k, img);
    }
}

void PanelButtons(AssetStore& store, const Fonts& fonts) {
    struct Row {
        const char* text;
        int inactive, pressed, highlight, backdrop;
    };
    const Row rows[] = {{"Tasten", 2426, 2414, 2415, 2413},
                        {"Einweisung", 2427, 2417, 2418, 2416},
                        {"Aufgeben", 2428, 2420, 2421, 2419},
                        {"Feuerpause", 2429, 2423, 2424, 2422}};
    for (const Row& r : rows) {
        const int w = 92, h = 21;
        // An active button neither pressed nor lit shows its backdrop: the
        // button at rest, with its label.
        Image back(w, h, kPanelFill);
        DrawButton(back, 0, 0, w, h, r.text, ButtonState::kNormal, fonts, 1, 1, uint32_t(r.backdrop));
        store.Picture(r.backdrop, back);
        Image in(w, h), pr(w, h), hi(w, h);
        DrawButton(in, 0, 0, w, h, r.text, ButtonState::kInactive, fonts, 1, 1, uint32_t(r.inactive));
        DrawButton(pr, 0, 0, w, h, r.text, ButtonState::kPressed, fonts, 1, 1, uint32_t(r.pressed));
        DrawButton(hi, 0, 0, w, h, r.text, ButtonState::kHighlight, fonts, 1, 1, uint32_t(r.highlight));
        store.Picture(r.inactive, in);
        store.Picture(r.pressed, pr); // also the lit backdrop of the surrender and cease-fire rows
        store.Picture(r.highlight, hi);
    }
    Image save(48, 20), back(48, 20, kPanelFill), pr(48, 20), hi(48, 20);
    DrawButton(save, 0, 0, 48, 20, "Sichern", ButtonState::kInactive, fonts, 1, 1, 2425);
    DrawButton(pr, 0, 0, 48, 20, "Sichern", ButtonState::kPressed, fonts, 1, 1, 2411);
    DrawButton(hi, 0, 0, 48, 20, "Sichern", ButtonState::kHighlight, fonts, 1, 1, 2412);
    DrawButton(back, 0, 0, 48, 20, "Sichern", ButtonState::kNormal, fonts, 1, 1, 2410);
    store.Picture(2425, save);
    store.Picture(2411, pr);
    store.Picture(2412, hi);
    store.Picture(2410, back);
}

// A clear sky that reads by day and by night: deep blue overhead paling
// to the horizon over a line of low hills, with neither sun nor moon.
void ClearSky(Image& img) {
    img.VerticalGradient(3, 3, 82, 26, {34, 58, 118}, {156, 190, 220});
    for (int x = 3; x < 85; ++x) {
        const int hill = 3 + static_cast<int>(2.5f + 2.5f * std::sin(x * 0.11f) + 1.5f * std::sin(x * 0.29f + 1.0f));
        img.FillRect(x, 29 - hill, 1, hill, {52, 64, 50});
    }
}

void Conditions(AssetStore& store, const Fonts& fonts) {
    // weather 2440-2446: sky pictures with their sign, worded as the weather texts
    const char* weather[7] = {"Klar", "Bedeckt", "Regen", "Nebel", "Dicker Nebel", "Schnee", "Schneesturm"};
    for (int w = 0; w < 7; ++w) {
        Image img(88, 44, kPanelFill);
        Rgb sky = w == 0 ? Rgb{90, 130, 180} : w >= 3 && w <= 4 ? Rgb{150, 150, 146} : Rgb{110, 114, 118};
        DrawPanel(img, 0, 0, 88, 44, sky, uint32_t(2440 + w), true);
        if (w == 0) ClearSky(img);
        if (w >= 1)
            SoftDisc(img, 50, 15, 9, 2, {200, 200, 196}, 1), SoftDisc(img, 62, 13, 7, 2, {190, 190, 186}, 1);
        for (int i = 0; i < 10 && (w == 2 || w == 5 || w == 6); ++i)
            SoftDisc(img, 40 + (i * 13) % 36, 24 + (i * 7) % 10, w == 2 ? 1 : 1.5f, 0.5f,
                     w == 2 ? Rgb{90, 120, 190} : Rgb{236, 236, 240}, 1);
        Label(img, fonts, 1, weather[w], 44, 40, kText, 0);
        store.Picture(2440 + w, NoPureWhite(img));
    }
    const char* ground[9] = {"Sehr trocken", "Trocken",         "Feucht", "Nass",         "Schlamm",
                             "Morast",       "Leichter Schnee", "Schnee", "Tiefer Schnee"};
    for (int g = 0; g < 9; ++g) {
        Rgb face = g < 2   ? Rgb{130, 112, 72}
                   : g < 6 ? Mix({100, 84, 56}, {60, 48, 34}, (g - 2) / 3.0f)
                           : Mix({190, 194, 200}, {230, 232, 236}, (g - 6) / 2.0f);
        store.Picture(2450 + g,
                      Plaque(fonts, 88, 20, ground[g], face, g >= 6 ? kInk : kText, uint32_t(2450 + g)));
    }
    for (int t = 0; t < 6; ++t) { // temperature: a thermometer, hot (0) to extremely cold (5)
        Image img(16, 44, kPanelFill);
        DrawPanel(img, 0, 0, 16, 44, kField, uint32_t(2460 + t), true);
        int level = 34 - t * 5;
        Rgb c = Mix({210, 60, 40}, {80, 130, 220}, t / 5.0f);
        img.FillRect(7, 40 - level, 3, level, c);
        SoftDisc(img, 8.5f, 38, 3.5f, 0.8f, c, 1);
        store.Picture(2460 + t, img);
    }
    for (int v = 0; v < 6; ++v) // right-hand condition pictures
        store.Picture(2430 + v, Gauge(84, 21, 6, 6 - v, Mix({90, 170, 80}, {190, 60, 40}, v / 5.0f),
                                      uint32_t(2430 + v)));
}

void StateIcons(AssetStore& store, const Fonts& fonts) {
    const char* experience[6] = {"Rekrut", "Grün", "Regulär", "Erfahren", "Veteran", "Elite"};
    for (int i = 0; i < 6; ++i)
        store.Picture(1030 + i, Plaque(fonts, 60, 14, experience[i], Mix(kPlaque, kBrassDark, i / 5.0f),
                                       kText, uint32_t(1030 + i)));
    const char* fatigue[5] = {"Frisch", "Munter", "Müde", "Erschöpft", "Am Ende"};
    for (int i = 0; i < 5; ++i)
        store.Picture(1040 + i, Plaque(fonts, 60, 14, fatigue[i], Mix(kPlaque, kRust, i / 4.0f), kText,
                                       uint32_t(1040 + i)));
    for (int i = 0; i < 8; ++i)
        store.Picture(1070 + i,
                      Gauge(40, 14, 7, i, Mix({200, 170, 60}, {200, 50, 40}, i / 7.0f), uint32_t(1070 + i)));
    const char* split[3] = {"Ganz", "Teil A", "Teil B"};
    for (int i = 0; i < 3; ++i)
        store.Picture(1094 + i, Plaque(fonts, 50, 14, split[i], kPlaque, kText, uint32_t(1094 + i)));
    store.Picture(1004, Plaque(fonts, 100, 26, "Ohne Befehl", kRust, kText, 1004));
    store.Picture(1005, Plaque(fonts, 100, 26, "Unter Befehl", kOlive, kText, 1005));
    store.Picture(1006, Plaque(fonts, 30, 20, "+", kRust, kText, 1006));
    store.Picture(1008, Plaque(fonts, 48, 26, "", kField, kText, 1008));
    const char* bonus[4] = {"M", "F", "K", "T"};
    // At y 72 of the 84-row panel: 10 high keeps two rows clear of the screen's edge.
    for (int i = 0; i < 4; ++i)
        store.Picture(1009 + i, Plaque(fonts, 22, 10, bonus[i], kBrassDark, kText, uint32_t(1009 + i)));
    // The ammunition count is written into 1019 (right-aligned at x 216 of
    // the panel, the picture at 150): a plain field, no word under it.
    store.Picture(1019, Plaque(fonts, 70, 14, "", kField, kText, 1019));
    struct Word {
        int number;
        const char* text;
        Rgb face;
    };
    const Word words[] = {{1047, "Verlassen", kGreyDark},
                          {1049, "Ausgeschaltet", kRust},
                          {1091, "Tot", kInk},
                          {1055, "Steigt aus", kRust},
                          {1048, "Waffe beschädigt", kRust},
                          {1089, "Artilleriezeit", kOlive},
                          {1050, "Versteckt", kOliveDark},
                          {1052, "Getarnt", kOliveDark},
                          {1051, "Verzögert", kGreyDark},
                          {1090, "Manöver", kOlive},
                          {1085, "Ergeben", kGreyDark},
                          {1086, "Ausgetreten", kGreyDark},
                          {1087, "Nur gehört", kGreyDark},
                          {1078, "Aktion", kBrassDark},
                          {1062, "Bewegungsunfähig", kRust},
                          {1063, "Festgefahren", kRust},
                          {1080, "Verbunden", kOlive},
                          {1081, "Transportiert", kOlive},
                          {1088, "Besatzung in Angst", kRust},
                          {1082, "Feuerauftrag", kBrassDark}};
    for (const Word& w : words) {
        int width = std::max(40, fonts[1].TextWidth(w.text) + 10);
        store.Picture(w.number, Plaque(fonts, width, 14, w.text, w.face, kText, uint32_t(w.number)));
    }
    // grenades by side, anti-tank weapons and charges: small symbols in 20 x 18
    auto symbol = [&](int number, Rgb c, int shape) {
        Image img(20, 18, kPanelFill);
        DrawPanel(img, 0, 0, 20, 18, kField, uint32_t(number), true);
        if (shape == 0)
            SoftDisc(img, 10, 10, 4.5f, 0.8f, c, 1), img.FillRect(9, 2, 2, 4, c);
        else if (shape == 1)
            img.FillRect(3, 8, 14, 3, c), img.FillRect(13, 6, 5, 7, c);
        else
            img.FillRect(5, 5, 10, 9, c), img.FillRect(9, 2, 2, 3, kRust);
        store.Picture(number, img);
    };
    symbol(1098, {90, 96, 80}, 0);
    symbol(1093, {80, 90, 56}, 0);
    for (int n : {1084, 1066, 1067, 1068, 1069})
        symbol(n, Mix({60, 64, 56}, {110, 100, 60}, (n % 5) / 4.0f), 1);
    symbol(1083, {120, 90, 50}, 2);
    symbol(1092, {90, 80, 70}, 2);
}

void SmallArmsAndAmmo(AssetStore& store, const Fonts& fonts, const GameData& data) {
    std::set<long> indices;
    for (long i : data.Values("small_arms", "mPictureIndex"))
        if (i >= 0) indices.insert(i);
    indices.insert(16), indices.insert(28);
    for (long i : indices) { // a weapon's silhouette on the panel's field
        Image img(80, 21, kPanelFill);
        DrawPanel(img, 0, 0, 80, 21, kField, uint32_t(25000 + i), true);
        const int len = 40 + int(i * 7 % 30);
        img.FillRect(6, 9, len, 3, {26, 26, 24});                 // barrel and receiver
        img.FillRect(6 + len - 14, 8, 20, 6, {86, 60, 36});       // stock
        if (i % 3 == 1) img.FillRect(24, 12, 4, 6, {26, 26, 24}); // magazine
        store.Picture(int(25000 + i), img);
    }
    // ammunition bar: two caps, filled pieces 2-4, empty pieces 5-7 (one pixel wide)
    for (int k = 0; k < 8; ++k) {
        const int w = k < 2 ? 4 : 1;
        Image img(w, 10,
                  k >= 2 && k <= 4 ? Mix({200, 170, 60}, {230, 200, 90}, (k - 2) / 2.0f) : Rgb{50, 50, 46});
        if (k < 2) img.FrameRect(0, 0, w, 10, kBrassDark);
        store.Picture(25090 + k, img);
    }
    // terrain symbols 0-31 for ground type 0 (25100 +) and others (25200 +), 94 x 23 at (266, 22): as wide
    // as the plate the place's name stands on below them (centred at 313); default vehicle 25300
    for (int set = 0; set < 2; ++set)
        for (int i = 0; i < 32; ++i) {
            Image img(94, 23, kPanelFill);
            Rgb c = set ? Rgb{150, 128, 84} : Rgb{90, 120, 64};
            DrawPanel(img, 0, 0, 94, 23, Shade(c, 0.7f + (i % 8) * 0.05f), uint32_t(25100 + 100 * set + i),
                      true);
            for (int k = 0; k < i % 6 + 1; ++k)
                SoftDisc(img, 8 + (k * 23 + i * 5) % 66, 6 + (k * 7 + i) % 11, 3, 1, Shade(c, 0.5f), 1);
            Label(img, fonts, 1, std::to_string(i), 84, 19, kText, 0);
            store.Picture(25100 + 100 * set + i, img);
        }
    Image vehicle(89, 61, kPanelFill);
    DrawPanel(vehicle, 0, 0, 89, 61, kField, 25300, true);
    vehicle.FillRect(12, 30, 64, 14, {70, 76, 60});
    vehicle.FillRect(30, 20, 28, 12, {80, 86, 68});
    vehicle.FillRect(56, 24, 28, 3, {60, 64, 52});
    for (int k = 0; k < 6; ++k)
        SoftDisc(vehicle, 18 + k * 10, 46, 4, 1, {40, 40, 38}, 1);
    store.Picture(25300, vehicle);
}

void Menus(AssetStore& store, const Fonts& fonts) {
    const char* titles[7] = {"Befehle", "", "Geschütz nutzen?", "Stockwerk?", "", "Aufstellung", "Wegpunkt"};
    for (int k = 0; k < 7; ++k) {
        if (k == 1 || k == 4) { // markers: lit (1) and normal (4)
            Image img(20, 20, kPanelFill);
            DrawPanel(img, 0, 0, 20, 20, k == 1 ? kBrass : kOlive, uint32_t(1680 + k));
            std::vector<float> tri = {6, 5, 15, 10, 6, 15};
            img.FillPolygon(tri, k == 1 ? kInk : kParchment);
            store.Picture(1680 + k, img);
            continue;
        }
        Image img(160, 20, kPanelFill);
        DrawPanel(img, 0, 0, 160, 20, kBrassDark, uint32_t(1680 + k));
        Label(img, fonts, 0, titles[k], 80, 14, kText, 0);
        store.Picture(1680 + k, img);
    }
    Image edge(160, 7, kPanelFill);
    DrawPanel(edge, 0, 0, 160, 7, kBrassDark, 1687);
    store.Picture(1687, edge);
    for (int k = 0; k < 46; ++k) { // the label ends before the hot key at x 134 and the marker at x 140
        Image img(160, 20, kPanelFill);
        DrawPanel(img, 0, 0, 160, 20, kOlive, uint32_t(1600 + k));
        img.FillRect(128, 3, 11, 14, Shade(kOlive, 0.8f));
        Label(img, fonts, 0, kLabels[k], 6, 14, kText, -1);
        store.Picture(1600 + k, img);
    }
}

void BalloonAndTiles(AssetStore& store) {
    // balloon edges: right edge, corner, bottom edge, the box's dark outline with a shadow. The outline
    // starts a pixel into each piece (x 433 of the balloon, 15 rows above its foot), so that the texts
    // right-aligned at 428 (ending at 430) keep 3 pixels from it.
    for (int k = 0; k < 3; ++k) {
        Image img(16, 16, {0, 0, 0}, 0);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const bool right = k != 2 && x >= 1 && x < 4, bottom = k != 0 && y >= 1 && y < 4;
                if (right || bottom)
                    img.Set(x, y, (right && x == 1) || (bottom && y == 1) ? kInk : kBrassDark);
                else if ((k != 2 && x >= 1 && x < 8) || (k != 0 && y >= 1 && y < 8))
                    img.Set(x, y, {0, 0, 0}, 90);
            }
        store.Picture(2612 + k, img, true);
    }
    for (int k = 0; k < 2; ++k) {
        Rgb c = k ? Rgb{46, 48, 42} : Rgb{58, 52, 40};
        Image tile = NoiseTexture(64, 64, Shade(c, 0.9f), Shade(c, 1.1f), 4, uint32_t(11280 + k), 3);
        store.Picture(11280 + k, tile);
    }
}

} // namespace

const char* OrderLabel(int k) {
    return k >= 0 && k < 46 ? kLabels[k] : "";
}

void MakeBattleScreen(AssetStore& store, const Fonts& fonts, const GameData& data) {
    InfoBackdrops(store, fonts);
    Flags(store);
    Badges(store, fonts);
    PanelButtons(store, fonts);
    Conditions(store, fonts);
    StateIcons(store, fonts);
    SmallArmsAndAmmo(store, fonts, data);
    Menus(store, fonts);
    BalloonAndTiles(store);
}
