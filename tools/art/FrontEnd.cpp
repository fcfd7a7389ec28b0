#include "FrontEnd.h"

#include <cmath>
#include <string>

#include "Noise.h"

namespace {
using namespace Palette;

// Sizes that the screens' layouts imply (see docs/assets.md for the arithmetic).
constexpr int kMenuButtonW = 294, kMenuButtonH = 56;
constexpr int kWideButtonW = 300, kWideButtonH = 56;
constexpr int kListTopH = 62, kListLineH = 24, kListBottomH = 18;
constexpr int kSmallButtonH = 18;
constexpr int kForceCells = 62, kForceCell = 20; // Forces 0 to 61
constexpr int kDialogButtonW = 100, kDialogButtonH = 40;
constexpr int kResultW = 450, kResultH = 580;

// A picture button: normal, pressed and highlight looks, or four with the inactive look.
void Button(AssetStore& store, const Fonts& fonts, int32_t n, int w, int h, const char* label, int font = 0,
            int scale = 1, int looks = 3) {
    if (scale > 1 && fonts[font].TextWidth(Latin1(label), scale) > w - 16) scale = 1;
    store.ButtonPictures(n, ButtonLooks(w, h, looks, label, fonts, font, scale, uint32_t(n)));
}

void TitleBlock(Image& img, const Fonts& fonts, int cx, int top, int size, Rgb main = kSand, Rgb sub = kBrass,
                Rgb shadow = kInk) {
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

// A tank seen from the side, facing left, standing on (x, y); s = 1 is 96 pixels long.
void Tank(Image& img, float x, float y, float s, Rgb c) {
    auto poly = [&](std::initializer_list<float> pts) {
        std::vector<float> v(pts);
        for (size_t i = 0; i < v.size(); i += 2) {
            v[i] = x + v[i] * s;
            v[i + 1] = y + v[i + 1] * s;
        }
        img.FillPolygon(v, c);
    };
    poly({-44, -2, -48, -8, -42, -14, 42, -14, 48, -8, 44, -2, 38, 0, -38, 0}); // tracks
    poly({-40, -13, -36, -22, 38, -22, 46, -13});                               // hull
    poly({-16, -22, -10, -33, 18, -33, 24, -22});                               // turret
    poly({-62, -29, -14, -29, -14, -25, -62, -25});                             // gun
}

// A tree: a trunk and a ragged crown of noise, standing on (x, y).
void Tree(Image& img, int x, int y, int size, Rgb c, uint32_t seed) {
    img.FillRect(x - size / 14, y - size / 2, std::max(2, size / 7), size / 2, c);
    const float r = size * 0.36f, cy = y - size * 0.68f;
    for (int j = int(cy - r * 1.4f); j <= int(cy + r * 1.4f); ++j)
        for (int i = int(x - r * 1.4f); i <= int(x + r * 1.4f); ++i) {
            float dx = (i - x) / r, dy = (j - cy) / (r * 1.2f);
            float edge = 1.0f + 0.45f * (Fbm(i / 6.0f, j / 6.0f, seed, 3) - 0.5f);
            if (dx * dx + dy * dy < edge * edge) img.Set(i, j, c);
        }
}

void MainMenu(AssetStore& store, const Fonts& fonts, int32_t n, int w, int h) {
    Image img(w, h);
    DrawBackdrop(img, {104, 112, 98}, {40, 44, 30}, 11001);
    // A dark horizon of hills across the lower third, a tank and trees standing on it.
    std::vector<int> ridge(static_cast<size_t>(w));
    for (int x = 0; x < w; ++x) {
        ridge[size_t(x)] = int(h * 0.58f - 40.0f * Fbm(x / 140.0f, 0.5f, 77, 4));
        for (int y = ridge[size_t(x)]; y < h; ++y)
            img.Set(x, y, Shade(img.Get(x, y), 0.62f));
    }
    const Rgb silhouette = Shade(Mix({104, 112, 98}, {40, 44, 30}, 0.6f), 0.5f);
    const float s = w / 800.0f;
    const int tankX = int(w * 0.74f);
    Tank(img, float(tankX), float(ridge[size_t(tankX)] + 3), 0.8f * s, silhouette);
    for (int k = 0; k < 3; ++k) {
        int tx = int(w * (0.1f + 0.06f * k));
        Tree(img, tx, ridge[size_t(tx)] + 2, int((60 - 12 * k) * s), silhouette, 300u + uint32_t(k));
    }
    TitleBlock(img, fonts, w / 2, h / 10, h / 6);
    Rule(img, w / 2 - 200, h / 10 + h / 6 + h / 16 + 24, 400);
    Label(img, fonts, 0, "TAKTISCHE GEFECHTE IN 3-D  -  DEMO", w / 2, h / 10 + h / 6 + h / 16 + 44,
          kParchment, 0);
    // The recess the menu buttons stand in: from above the first row to the help line.
    int top = h - 150 - 14;
    DrawPanel(img, w / 2 - 340, top, 680, h - 26 - top + 2, kOliveDark, 9, true);
    store.Picture(n, img);
}

void HelpLine(AssetStore& store, int32_t n, int w) {
    Image img(w, 26);
    DrawPanel(img, 0, 0, w, 26, {70, 30, 20}, uint32_t(n));
    img.FillRect(3, 3, w - 6, 1, kBrassDark);
    store.Picture(n, img);
}

void IntroCard(AssetStore& store, const Fonts& fonts) {
    Image img(800, 540);
    DrawBackdrop(img, {70, 76, 60}, {30, 32, 22}, 11004);
    DrawPanel(img, 60, 40, 680, 460, kParchmentDark, 11004, false);
    img.FillRect(70, 50, 660, 440, kParchment);
    img.Grain(70, 50, 660, 440, 0.05f, 3, 12.0f);
    TitleBlock(img, fonts, 400, 70, 84, kOliveDark, kRust, kParchmentDark);
    Rule(img, 160, 260, 480);
    const char* lines[] = {"Eine Demonstration des Spiels.",
                           "Befehlen Sie Infanterie, Fahrzeuge und Geschütze",
                           "auf einem dreidimensionalen Schlachtfeld.", "", "Klicken Sie, um fortzufahren."};
    int y = 300;
    for (const char* l : lines) {
        fonts[0].DrawText(img, Latin1(l), 400, y, kInk, 0, 1);
        y += 22;
    }
    DrawAxisEmblem(img, 130, 430, 60);
    DrawAlliedEmblem(img, 670, 430, 60);
    store.Picture(11004, img);
}

void TitlePicture(AssetStore& store, const Fonts& fonts) {
    Image img(800, 600);
    DrawBackdrop(img, {122, 118, 96}, {34, 34, 26}, 11003);
    for (int x = 0; x < 800; ++x) {
        int ridge = int(380 - 70 * Fbm(x / 120.0f, 3.5f, 5, 5));
        for (int y = ridge; y < 600; ++y)
            img.Set(x, y, Shade(img.Get(x, y), 0.55f));
    }
    TitleBlock(img, fonts, 400, 130, 120);
    Rule(img, 180, 380, 440);
    Label(img, fonts, 0, "EIN TAKTISCHES KRIEGSSPIEL", 400, 410, kParchment, 0, 2);
    Label(img, fonts, 1, "Alle Bilder und Klänge dieser Ausgabe sind eigene Werke des Projekts.", 400, 570,
          kTextDim, 0);
    store.Picture(11003, img);
}

// The scenario list's frame pieces for one width (636 or 796).
void ListPieces(AssetStore& store, const Fonts& fonts, int32_t first, int w) {
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

void ScenarioList(AssetStore& store, const Fonts& fonts) {
    ListPieces(store, fonts, 11220, 636);
    ListPieces(store, fonts, 11223, 796);
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

void Briefing(AssetStore& store, const Fonts& fonts) {
    Image panel(140, 480);
    DrawPanel(panel, 0, 0, 140, 480, kGrey, 11150);
    DrawPanel(panel, 4, 4, 132, 132, kGreyDark, 2, true);
    Label(panel, fonts, 1, "SEITE", 12, 156, kText);
    DrawPanel(panel, 54, 140, 34, 20, kGreyDark, 4, true);
    Label(panel, fonts, 1, "VON", 12, 189, kText);
    DrawPanel(panel, 54, 173, 34, 20, kGreyDark, 5, true);
    Rule(panel, 10, 240, 120);
    store.Picture(11150, panel);

    // The side's badge: a map-like disc with a compass cross.
    Image badge(130, 130, kGreyDark);
    DrawPanel(badge, 0, 0, 130, 130, kGreyDark, 11152, true);
    std::vector<float> disc;
    for (int i = 0; i < 40; ++i) {
        float t = i * 6.2831853f / 40.0f;
        disc.push_back(65 + 54 * std::cos(t));
        disc.push_back(62 + 54 * std::sin(t));
    }
    badge.FillPolygon(disc, kParchment);
    badge.Grain(10, 8, 110, 110, 0.08f, 21, 10.0f);
    for (int k = -2; k <= 2; ++k) {
        badge.Line(65 + k * 20, 18, 65 + k * 20, 106, kParchmentDark);
        badge.Line(21, 62 + k * 20, 109, 62 + k * 20, kParchmentDark);
    }
    badge.FillPolygon({65, 14, 71, 62, 65, 110, 59, 62}, kRust);
    badge.FillPolygon({17, 62, 65, 56, 113, 62, 65, 68}, kOliveDark);
    Label(badge, fonts, 1, "LAGE", 65, 126, kText, 0);
    store.Picture(11152, badge);

    Button(store, fonts, 11153, 140, 46, "SEITE ZURÜCK");
    Button(store, fonts, 11154, 140, 46, "SEITE VOR");
    Button(store, fonts, 11151, 124, 44, "ZUR LISTE");
    Button(store, fonts, 11155, 132, 48, "WEITER");
}

void SideButton(AssetStore& store, const Fonts& fonts, int32_t n, bool axis) {
    const int w = 150, h = 180;
    std::vector<Image> looks = ButtonLooks(w, h, 3, "", fonts, 0, 1, uint32_t(n));
    for (int s = 0; s < 3; ++s) {
        Image& img = looks[size_t(s)];
        int d = s == 1;
        if (axis)
            DrawAxisEmblem(img, 75 + d, d + 72, 90);
        else
            DrawAlliedEmblem(img, 75 + d, d + 72, 90);
        Rgb c = s == 2 ? kHighlightText : kText;
        Label(img, fonts, 0, axis ? "ACHSE" : "ALLIIERTE", 75 + d, d + 150, c, 0, 2);
    }
    store.ButtonPictures(n, looks);
}

void Sides(AssetStore& store, const Fonts& fonts) {
    Image img(640, 480);
    DrawBackdrop(img, {92, 98, 84}, {40, 42, 32}, 11115);
    img.FrameRect(0, 0, 640, 480, kInk);
    Label(img, fonts, 0, "WÄHLEN SIE IHRE SEITE", 320, 36, kHighlightText, 0, 2);
    DrawPanel(img, 40, 480 - 112, 560, 96, kOliveDark, 7, true);
    Label(img, fonts, 1, "EINSTELLUNGEN", 52, 480 - 100, kSand);
    store.Picture(11115, img);
    SideButton(store, fonts, 11110, true);
    SideButton(store, fonts, 11111, false);
}

// The players screen's option pictures, 84 x 84.
enum class Icon { kOnePlayer, kHotseat, kEmail, kNetwork };

void Figure(Image& img, int cx, int base, Rgb c) {
    // A helmeted head and shoulders.
    std::vector<float> helmet, body;
    for (int i = 0; i <= 16; ++i) {
        float t = 3.14159265f + i * 3.14159265f / 16.0f;
        helmet.push_back(cx + 13 * std::cos(t));
        helmet.push_back(base - 40 + 11 * std::sin(t));
    }
    helmet.insert(helmet.end(), {float(cx + 16), float(base - 38), float(cx - 16), float(base - 38)});
    img.FillPolygon(helmet, c);
    img.FillRect(cx - 8, base - 38, 16, 12, Shade(c, 1.25f));
    body = {float(cx - 24), float(base),      float(cx - 20), float(base - 20),
            float(cx - 8),  float(base - 26), float(cx + 8),  float(base - 26),
            float(cx + 20), float(base - 20), float(cx + 24), float(base)};
    img.FillPolygon(body, c);
}

void OptionPicture(AssetStore& store, int32_t n, Icon icon, int side) {
    Image img(84, 84);
    DrawPanel(img, 0, 0, 84, 84, kSand, uint32_t(n));
    img.FillRect(4, 4, 76, 76, Shade(kSand, 0.92f));
    switch (icon) {
    case Icon::kOnePlayer:
        Figure(img, 42, 78, kOliveDark);
        break;
    case Icon::kHotseat:
        Figure(img, 28, 78, kOliveDark);
        Figure(img, 56, 78, kGreyDark);
        break;
    case Icon::kEmail:
        img.FillRect(14, 24, 56, 38, kParchment);
        img.FrameRect(14, 24, 56, 38, kInk);
        img.Line(14, 24, 42, 46, kInk);
        img.Line(70, 24, 42, 46, kInk);
        img.FillRect(56, 28, 10, 12, kRust);
        break;
    case Icon::kNetwork:
        for (int k = 0; k < 2; ++k) {
            int x = 8 + k * 40;
            img.FillRect(x, 18, 28, 22, kGreyDark);
            img.FillRect(x + 3, 21, 22, 16, {80, 120, 96});
            img.FillRect(x + 10, 40, 8, 6, kGreyDark);
            img.FillRect(x + 4, 46, 20, 3, kGreyDark);
        }
        img.FillRect(22, 60, 40, 2, kRust);
        img.FillRect(22, 49, 2, 12, kRust);
        img.FillRect(60, 49, 2, 12, kRust);
        break;
    }
    // The corner emblem tells which side plays at this machine.
    if (side == 0)
        DrawAxisEmblem(img, 70, 14, 16);
    else if (side == 1)
        DrawAlliedEmblem(img, 70, 14, 16);
    store.Picture(n, img);
}

void Players(AssetStore& store, const Fonts& fonts) {
    Image img(640, 480);
    DrawBackdrop(img, {92, 98, 84}, {40, 42, 32}, 11168);
    img.FrameRect(0, 0, 640, 480, kInk);
    Label(img, fonts, 0, "SPIELER UND VERBINDUNG", 320, 40, kHighlightText, 0, 2);
    Rule(img, 120, 56, 400);
    DrawPanel(img, 30, 480 - 170 - 102, 580, 140, kOliveDark, 8, true);
    store.Picture(11168, img);
    OptionPicture(store, 11163, Icon::kOnePlayer, 0);
    OptionPicture(store, 11160, Icon::kOnePlayer, 1);
    OptionPicture(store, 11161, Icon::kHotseat, -1);
    OptionPicture(store, 11162, Icon::kEmail, -1);
    OptionPicture(store, 11167, Icon::kNetwork, 0);
    OptionPicture(store, 11166, Icon::kNetwork, 1);

    // The radio plate: light so that its black or dark red title reads; the chosen plate sits in.
    const int rw = 90, rh = 22;
    Image normal(rw, rh), chosen(rw, rh);
    DrawPanel(normal, 0, 0, rw, rh, kSand, 10030);
    DrawPanel(chosen, 0, 0, rw, rh, kParchment, 10031, true);
    chosen.FrameRect(3, 3, rw - 6, rh - 6, kBrass);
    store.Picture(10030, normal);
    store.Picture(10031, chosen);

    Button(store, fonts, 11101, kDialogButtonW, kDialogButtonH, "OK", 0, 2);
    Button(store, fonts, 11103, kDialogButtonW, kDialogButtonH, "ABBRECHEN");
}

void Password(AssetStore& store, const Fonts& fonts) {
    Image img(420, 160);
    DrawPanel(img, 0, 0, 420, 160, kGrey, 11165);
    DrawPanel(img, 40, 42, 340, 30, kGreyDark, 6, true);
    Label(img, fonts, 1, "PASSWORT", 12, 154, kSand);
    store.Picture(11165, img);
}

void Network(AssetStore& store, const Fonts& fonts) {
    Image img(800, 600);
    DrawBackdrop(img, {92, 98, 84}, {36, 38, 28}, 11170);
    Label(img, fonts, 0, "NETZWERKSPIEL (TCP/IP)", 400, 60, kHighlightText, 0, 2);
    Rule(img, 200, 76, 400);
    DrawPanel(img, 150, 150, 500, 300, kOliveDark, 12, true);
    store.Picture(11170, img);
}

void ConfirmButtons(AssetStore& store, const Fonts& fonts) {
    Button(store, fonts, 2692, kDialogButtonW, kDialogButtonH, "JA", 0, 2);
    Button(store, fonts, 2691, kDialogButtonW, kDialogButtonH, "NEIN", 0, 2);
}

void Result(AssetStore& store, const Fonts& fonts) {
    Image img(kResultW, kResultH);
    DrawPanel(img, 0, 0, kResultW, kResultH, kOliveDark, 11102);
    Label(img, fonts, 0, "ERGEBNIS DER SCHLACHT", kResultW / 2, 34, kHighlightText, 0, 2);
    Rule(img, 40, 44, kResultW - 80);
    // Text areas the program fills: title, how it ended, the grade.
    DrawPanel(img, 36, 50, kResultW - 72, 24, Shade(kOliveDark, 0.8f), 1, true);
    DrawPanel(img, 36, 112, kResultW - 72, 40, Shade(kOliveDark, 0.8f), 2, true);

    // Figures stand in 29-pixel cells at x 244 and 337; each row's label is painted here.
    auto row = [&](int y, const char* label) {
        Label(img, fonts, 0, label, 43, y + 11, kText);
        for (int x : {244, 337}) {
            img.FillRect(x - 6, y, 41, 16, Shade(kOliveDark, 0.7f));
            img.Bevel(x - 6, y, 41, 16, Shade(kOliveDark, 0.5f), Shade(kOliveDark, 1.5f), 1);
        }
    };
    auto header = [&](int y, const char* title) {
        Label(img, fonts, 0, title, 43, y, kSand);
        Label(img, fonts, 1, "ACHSE", 258, y, kSand, 0);
        Label(img, fonts, 1, "ALLIIERTE", 351, y, kSand, 0);
        img.FillRect(43, y + 4, kResultW - 86, 1, kBrassDark);
    };
    header(200, "VERLUSTE");
    row(213, "Gefallene");
    row(233, "Verwundete");
    row(253, "Gefangene");
    row(278, "Mörser");
    row(298, "Geschütze");
    row(318, "Stellungen");
    row(338, "Fahrzeuge");
    row(358, "Flugzeuge");
    header(420, "SIEGPUNKTE");
    row(433, "Flaggen");
    row(453, "Verluste");
    row(473, "Gefangene");
    row(493, "Abgezogene Einheiten");
    row(513, "Bonus");
    store.Picture(11102, img);

    Button(store, fonts, 11100, 160, 32, "KARTE ANSEHEN");
    Button(store, fonts, 11105, 160, 32, "WEITER");
    Button(store, fonts, 10014, 160, 32, "NÄCHSTES GEFECHT");
}
} // namespace

void MakeFrontEnd(AssetStore& store, const Fonts& fonts) {
    TitlePicture(store, fonts);
    MainMenu(store, fonts, 11001, 800, 600);
    MainMenu(store, fonts, 11002, 1024, 768);
    IntroCard(store, fonts);
    HelpLine(store, 11211, 800);
    HelpLine(store, 11212, 1024);
    Button(store, fonts, 11200, kMenuButtonW, kMenuButtonH, "GEFECHTE", 0, 2);
    Button(store, fonts, 11201, kMenuButtonW, kMenuButtonH, "MEHRSPIELER", 0, 2);
    Button(store, fonts, 11204, kMenuButtonW, kMenuButtonH, "BEENDEN", 0, 2);
    ScenarioList(store, fonts);
    Briefing(store, fonts);
    Sides(store, fonts);
    Players(store, fonts);
    Password(store, fonts);
    Network(store, fonts);
    ConfirmButtons(store, fonts);
    Result(store, fonts);
}
