// Briefing, sides, players, password and network screens, the confirm buttons, the save dialogs and the
// result screen.
#include <cmath>
#include <vector>

#include "FrontEndParts.h"

namespace FrontEnd {
namespace {
using namespace Palette;

void Briefing(AssetStore& store, const Fonts& fonts) {
    Image panel(140, 480);
    DrawPanel(panel, 0, 0, 140, 480, kGrey, 11150);
    // The general briefing shows the panel's top as it is; a side's briefing
    // lays its badge (11152) over it at (5, 5).
    Label(panel, fonts, 0, "ALLGEMEINE", 70, 60, kSand, 0);
    Rule(panel, 20, 70, 100);
    Label(panel, fonts, 0, "LAGE", 70, 90, kSand, 0);
    // The page and page-count fields: the text views over them write in their default black, like
    // the briefing text beside them, so the fields are light.
    Label(panel, fonts, 1, "SEITE", 12, 156, kText);
    DrawPanel(panel, 54, 140, 34, 20, kParchment, 4, true);
    Label(panel, fonts, 1, "VON", 12, 189, kText);
    DrawPanel(panel, 54, 173, 34, 20, kParchment, 5, true);
    Label(panel, fonts, 0, "EINWEISUNG", 70, 226, kSand, 0);
    Rule(panel, 10, 236, 120);
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
    // The prompt line (a text view in default black, baseline 34) on a light plate; the recess holds
    // the password field at y 50.
    Image img(420, 160);
    DrawPanel(img, 0, 0, 420, 160, kGrey, 11165);
    DrawPanel(img, 16, 20, 388, 22, kParchment, 6, true);
    DrawPanel(img, 40, 45, 340, 30, kGreyDark, 7, true);
    store.Picture(11165, img);
}

void Network(AssetStore& store, const Fonts& fonts) {
    // The address entry and the waiting texts are white text views from (70, 40) down to the loading
    // lines at y 260-295, with their buttons at y 130 and 170: one dark plate holds them all so that
    // the white reads, and the screen's name stands below it.
    Image img(800, 600);
    DrawBackdrop(img, {92, 98, 84}, {36, 38, 28}, 11170);
    DrawPanel(img, 40, 24, 720, 290, kSand, 12);
    img.FillRect(48, 32, 704, 274, kOliveDark);
    img.Grain(48, 32, 704, 274, 0.04f, 13, 10.0f);
    Label(img, fonts, 0, "NETZWERKSPIEL (TCP/IP)", 400, 380, kHighlightText, 0, 2);
    Rule(img, 200, 396, 400);
    store.Picture(11170, img);
}

void ConfirmButtons(AssetStore& store, const Fonts& fonts) {
    Button(store, fonts, 2692, kDialogButtonW, kDialogButtonH, "JA", 0, 2);
    Button(store, fonts, 2691, kDialogButtonW, kDialogButtonH, "NEIN", 0, 2);
}

// The save dialogs. The e-mail one (11253) opens over the main menu in 2-D after the e-mail box, with
// the 2-D OK button (11101) at (518, 34); in a battle both are 3-D views whose buttons name one picture
// each, the pressed look (11251 OK, 11252 cancel), so the dialog shows them at rest: OK at (518, 15) and
// cancel at (518, 53) when saving, OK at (518, 34) for e-mail. The buttons are 36 high so that the two
// of the save dialog stay apart; the name field is an edit view at (224, 41), 27 columns.
void SaveDialogs(AssetStore& store, const Fonts& fonts) {
    const int w = kSaveDialogW, h = kSaveDialogH, bw = kDialogButtonW, bh = kSaveButtonH;
    std::vector<Image> ok = ButtonLooks(bw, bh, 2, "OK", fonts, 0, 2, 11251);
    std::vector<Image> cancel = ButtonLooks(bw, bh, 2, "ABBRECHEN", fonts, 0, 1, 11252);
    auto dialog = [&](int32_t n, const char* title, bool withCancel) {
        Image img(w, h);
        DrawPanel(img, 0, 0, w, h, kGrey, uint32_t(n));
        Label(img, fonts, 0, title, 20, 28, kHighlightText);
        Rule(img, 20, 34, 180);
        Label(img, fonts, 0, "Name:", 214, 55, kText, 1);
        DrawPanel(img, 219, 37, 27 * 7 + 6 + 10, 27, kGreyDark, uint32_t(n) + 1, true);
        DrawPanel(img, 510, 8, 116, h - 16, Shade(kGrey, 0.8f), uint32_t(n) + 2, true);
        img.Draw(ok[0], 518, withCancel ? 15 : 34);
        if (withCancel) img.Draw(cancel[0], 518, 53);
        store.Picture(n, img);
    };
    dialog(11250, "SPIEL SPEICHERN", true);
    dialog(11253, "E-MAIL-ZUG SPEICHERN", false);
    store.Picture(11251, ok[1]);
    store.Picture(11252, cancel[1]);
}

void Result(AssetStore& store, const Fonts& fonts) {
    Image img(kResultW, kResultH);
    DrawPanel(img, 0, 0, kResultW, kResultH, kOliveDark, 11102);
    Label(img, fonts, 0, "ERGEBNIS DER SCHLACHT", kResultW / 2, 30, kHighlightText, 0, 2);
    Rule(img, 40, 37, kResultW - 80);
    // Text areas the program fills, its lines written with y as their
    // baseline: the title at 55, how it ended at 118 with up to three lines
    // under it at a 15-pixel step (the operation's lines, the grade). Each
    // area's inside starts 4 pixels above the capitals and ends below the
    // last line's descenders.
    DrawPanel(img, 36, 42, kResultW - 72, 22, Shade(kOliveDark, 0.8f), 1, true);
    DrawPanel(img, 36, 104, kResultW - 72, 68, Shade(kOliveDark, 0.8f), 2, true);

    // The program writes each row's figures at x 244 and 337 with the row's
    // y as the text's baseline (capitals from y - 7 down to y, descenders to
    // y + 3): the cell runs from y - 12 to y + 4 around it, and the row's
    // label painted here stands on the same baseline.
    auto row = [&](int y, const char* label) {
        Label(img, fonts, 0, label, 43, y, kText);
        for (int x : {244, 337}) {
            img.FillRect(x - 6, y - 12, 41, 16, Shade(kOliveDark, 0.7f));
            img.Bevel(x - 6, y - 12, 41, 16, Shade(kOliveDark, 0.5f), Shade(kOliveDark, 1.5f), 1);
        }
    };
    // A header's baseline 5 above the rule that closes it, clear of the
    // first row's cells.
    auto header = [&](int y, const char* title) {
        Label(img, fonts, 0, title, 43, y, kSand);
        Label(img, fonts, 1, "ACHSE", 258, y, kSand, 0);
        Label(img, fonts, 1, "ALLIIERTE", 351, y, kSand, 0);
        img.FillRect(43, y + 3, kResultW - 86, 1, kBrassDark);
    };
    header(195, "VERLUSTE");
    row(213, "Gefallene");
    row(233, "Verwundete");
    row(253, "Gefangene");
    row(278, "Mörser");
    row(298, "Geschütze");
    row(318, "Stellungen");
    row(338, "Fahrzeuge");
    row(358, "Flugzeuge");
    header(415, "SIEGPUNKTE");
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

void MakeScreens(AssetStore& store, const Fonts& fonts) {
    Briefing(store, fonts);
    Sides(store, fonts);
    Players(store, fonts);
    Password(store, fonts);
    Network(store, fonts);
    ConfirmButtons(store, fonts);
    SaveDialogs(store, fonts);
    Result(store, fonts);
}
} // namespace FrontEnd
