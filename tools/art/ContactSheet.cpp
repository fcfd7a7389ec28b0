#include "ContactSheet.h"

#include "AssetStore.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {
using namespace Palette;
constexpr int kSheetW = 1640, kGap = 10, kCaption = 14;

struct Item {
    std::string caption;
    Image img;
};

Image Scaled(const Image& src, int num, int den) {
    Image out(std::max(1, src.Width() * num / den), std::max(1, src.Height() * num / den));
    for (int y = 0; y < out.Height(); ++y)
        for (int x = 0; x < out.Width(); ++x)
            out.Set(x, y, src.Get(x * den / num, y * den / num), src.Alpha(x * den / num, y * den / num));
    return out;
}

// A button's looks one under the other: normal, pressed, highlight, inactive.
Image Looks(const std::map<int32_t, Image>& pictures, int32_t n) {
    std::vector<const Image*> looks;
    for (int k = 0; k < 4; ++k)
        if (auto it = pictures.find(n + k * kPressedOffset); it != pictures.end())
            looks.push_back(&it->second);
    Image out(looks[0]->Width(), int(looks.size()) * (looks[0]->Height() + 2) - 2, {40, 40, 44});
    for (size_t k = 0; k < looks.size(); ++k)
        out.Draw(*looks[k], 0, int(k) * (looks[0]->Height() + 2));
    return out;
}

class Screen {
public:
    Screen(const std::map<int32_t, Image>& pics, const Fonts& fonts, int w, int h)
        : mPics(pics), mFonts(fonts), mImg(w, h) {}
    // Draws picture n; look 1, 2, 3 takes a button's pressed, highlight or inactive picture.
    void Put(int32_t n, int x, int y, int look = 0) {
        auto it = mPics.find(n + look * kPressedOffset);
        if (it == mPics.end()) return;
        mImg.Draw(it->second, x, y);
    }
    int W(int32_t n) const {
        auto it = mPics.find(n);
        return it == mPics.end() ? 1 : it->second.Width();
    }
    int H(int32_t n) const {
        auto it = mPics.find(n);
        return it == mPics.end() ? 1 : it->second.Height();
    }
    void Text(const char* utf8, int x, int y, int font, Rgb c, int justify = -1, bool shadow = true,
              Rgb s = kInk) {
        if (shadow)
            mFonts[font].DrawShadowed(mImg, Latin1(utf8), x, y, c, s, justify);
        else
            mFonts[font].DrawText(mImg, Latin1(utf8), x, y, c, justify);
    }
    Image& Img() { return mImg; }

private:
    const std::map<int32_t, Image>& mPics;
    const Fonts& mFonts;
    Image mImg;
};

Image MenuScreen(const std::map<int32_t, Image>& pics, const Fonts& fonts) {
    Screen s(pics, fonts, 800, 600);
    s.Put(11001, 0, 0);
    s.Put(11200, 400 - 147, 450, 2);
    s.Put(11201, 400 - 324, 513, 0);
    s.Put(11204, 430, 513, 0);
    s.Put(11211, 0, 574);
    s.Text("Klicke hier für Gefechte oder Operationen", 400, 590, 2, {255, 255, 240}, 0, true, {100, 0, 0});
    return s.Img();
}

Image ListScreen(const std::map<int32_t, Image>& pics, const Fonts& fonts) {
    Screen s(pics, fonts, 800, 600);
    s.Put(11001, 0, 0);
    const int x0 = 2, y0 = 70, w = 796, lines = 13;
    s.Put(11223, x0, y0);
    for (int i = 0; i < lines; ++i)
        s.Put(11224, x0, y0 + 62 + 24 * i);
    s.Put(11225, x0, y0 + 62 + 24 * lines);
    s.Put(10033, x0 + w - 285, y0 + 23, 0);
    s.Put(11232, x0 + w - 170, y0 + 15, 1);
    s.Put(11233, x0 + w - 170, y0 + 33, 0);
    s.Put(11230, x0 + w - 80, y0 + 15, 3);
    s.Put(11231, x0 + w - 80, y0 + 33, 0);
    const Rgb gold{153, 137, 36};
    s.Text("Schnelles Gefecht", x0 + 19, y0 + 77, 0, gold);
    s.Text("Erstelle eigene Schlacht! (Nicht in der DEMO verfügbar)", x0 + 345, y0 + 77, 1, gold);
    const char* names[] = {"Am Waldrand", "Die Brücke", "Nachtangriff"};
    for (int i = 0; i < 3; ++i) {
        int y = y0 + 78 + 24 * (i + 1);
        s.Text(names[i], x0 + 19, y, 0, {240, 240, 240});
        s.Text("12  Runden, Klein", x0 + 225, y, 1, {240, 240, 240});
        s.Text("Ein Beispiel", x0 + 345, y, 1, {240, 240, 240});
        if (auto it = pics.find(11240); it != pics.end())
            for (int side = 0; side < 2; ++side)
                for (int v = 0; v < 20; ++v)
                    for (int u = 0; u < 20; ++u)
                        s.Img().Set(x0 + w - (side ? 42 : 66) + u, y - 14 + v,
                                    it->second.Get((side ? 30 : 0) * 20 + u, v));
    }
    s.Img().FrameRect(x0 + 16, y0 + 62 + 24, w - 35, 24, {255, 255, 0});
    s.Img().FrameRect(x0 + 17, y0 + 63 + 24, w - 37, 22, {109, 126, 69});
    s.Put(11206, 400 - 317, 510, 0);
    s.Put(11205, 400 + 17, 510, 0);
    s.Put(11211, 0, 574);
    s.Text("SPIEL AUSWAHL SCHIRM", 400, 590, 2, {255, 255, 240}, 0, true, {100, 0, 0});
    return s.Img();
}

Image BriefingScreen(const std::map<int32_t, Image>& pics, const Fonts& fonts) {
    Screen s(pics, fonts, 640, 480);
    s.Img().FillRect(0, 0, 500, 480, kParchment);
    const char* lines[] = {
        "LAGE: Ein Bataillon hält die Straße nach Osten.",
        "AUFTRAG: Nehmen Sie die Brücke bis zur 12. Runde.",
        "Panzerung und Durchschlag stehen in festen Spalten:", "Entfernung   100   250   500  1000"};
    for (int i = 0; i < 4; ++i)
        s.Text(lines[i], 2, 12 + 15 * i, 2, kInk, -1, false);
    s.Put(11150, 500, 0);
    s.Put(11152, 505, 5);
    // The page number views: 20 wide at (61, 144) and (61, 177) on the panel, default black.
    s.Text("1", 571, 154, 0, kInk, 0, false);
    s.Text("3", 571, 187, 0, kInk, 0, false);
    s.Put(11153, 500, 259, 0);
    s.Put(11154, 500, 310, 2);
    s.Put(11151, 508, 372, 0);
    s.Put(11155, 504, 422, 0);
    return s.Img();
}

Image SidesScreen(const std::map<int32_t, Image>& pics, const Fonts& fonts) {
    Screen s(pics, fonts, 640, 480);
    s.Put(11115, 0, 0);
    const int w = 640, h = 480, gap = (w - 300) / 5;
    s.Put(11110, 2 * gap, 50, 2);
    s.Put(11111, 3 * gap + 150, 50, 0);
    const char* labels[] = {"Nebel des Krieges", "Computer Spieler Setup", " Computer-Erfahrungs-Bonus",
                            "Spielgleichgewicht"};
    for (int i = 0; i < 4; ++i) {
        s.Text(labels[i], w / 2 - 10, h - 95 + 20 * i + 10, 0, {240, 240, 240}, 1);
        s.Img().FillRect(w / 2, h - 95 + 20 * i, 150, 17, kSand);
    }
    return s.Img();
}

Image PlayersScreen(const std::map<int32_t, Image>& pics, const Fonts& fonts) {
    Screen s(pics, fonts, 640, 480);
    s.Put(11168, 0, 0);
    const int w = 640, y0 = 480 - 170, g = (w - 336) / 7;
    const int32_t pictures[] = {11163, 11161, 11162, 11167};
    const char* titles[] = {"1 Spieler", "Hotseat", "Email", "TCP/IP"};
    for (int i = 0; i < 4; ++i) {
        int x = 2 * g + i * (g + 84);
        s.Put(i == 0 ? 10031 : 10030, x, y0);
        s.Text(titles[i], x + 45 - (i == 0 ? 1 : 2), y0 + 22 - (i == 0 ? 5 : 6), 0,
               i == 0 ? Rgb{90, 0, 0} : kInk, 0, false);
        s.Put(pictures[i], x + 3, y0 - 90);
    }
    s.Put(11101, (w - 100) / 2, y0 + 60, 0);
    return s.Img();
}

// An edit field as the kernel draws it: a light box, columns of 7 pixels.
void Field(Screen& s, int x, int y, int columns, const char* text) {
    s.Img().FillRect(x, y, columns * 7 + 6, 19, {245, 242, 230});
    s.Text(text, x + 3, y + 13, 2, kInk, -1, false);
}

Image PasswordScreen(const std::map<int32_t, Image>& pics, const Fonts& fonts) {
    Screen s(pics, fonts, 420, 160);
    s.Put(11165, 0, 0);
    s.Text("(Achse Spieler)  Eingabe ein neues Passwort", 210, 34, 0, kInk, 0, false);
    Field(s, (420 - 216) / 2, 50, 30, "******");
    s.Put(11101, 73, 105, 0);
    s.Put(11103, 246, 105, 0);
    return s.Img();
}

Image AddressScreen(const std::map<int32_t, Image>& pics, const Fonts& fonts) {
    Screen s(pics, fonts, 800, 600);
    s.Put(11170, 0, 0);
    s.Text("Gegenspieler IP", 215, 70, 0, kInk, 0, false);
    s.Text("Adresse:", 215, 85, 0, kInk, 0, false);
    const char* octets[] = {"192", "168", "0", "12"};
    for (int i = 0; i < 4; ++i) {
        Field(s, 310 + 38 * i, 60, 3, octets[i]);
        if (i > 0) s.Text(".", 304 + 38 * i + 3, 75, 0, kInk, 0, false);
    }
    s.Put(11101, 180, 130, 2);
    s.Put(11103, 330, 130, 0);
    s.Text("TCP/IP: Lade Szenario Daten...", 400, 270, 0, kInk, 0, false);
    s.Text("(Dies dauert einen Moment)", 400, 290, 0, kInk, 0, false);
    return s.Img();
}

Image MailSaveScreen(const std::map<int32_t, Image>& pics, const Fonts& fonts) {
    Screen s(pics, fonts, 640, 104);
    s.Put(11253, 0, 0);
    Field(s, 224, 41, 27, "PBEM");
    s.Put(11101, 518, 34, 0);
    return s.Img();
}

Image SaveScreen(const std::map<int32_t, Image>& pics, const Fonts& fonts) {
    Screen s(pics, fonts, 640, 104);
    s.Put(11250, 0, 0);
    Field(s, 224, 41, 27, "Die Brücke 3");
    s.Put(11251, 518, 15);
    return s.Img();
}

Image ResultScreen(const std::map<int32_t, Image>& pics, const Fonts& fonts) {
    Screen s(pics, fonts, 450, 580);
    s.Put(11102, 0, 0);
    s.Text("SCHLACHT: Die Brücke", 43, 66, 0, {185, 185, 185});
    s.Text("Die Schlacht wurde bis zu ihrem Abschluß gekämpft.", 43, 129, 0, {200, 200, 210});
    s.Text("Sie haben einen taktischen Sieg errungen.", 43, 144, 0, {200, 200, 210});
    const int rows[] = {213, 233, 253, 278, 338, 433, 453};
    const char* a[] = {"37", "9", "4", "1", "2", "300", "120"};
    const char* b[] = {"61", "15", "12", "2", "5", "150", "60"};
    for (int i = 0; i < 7; ++i) {
        s.Text(a[i], 258, rows[i] + 12, 0, {230, 230, 230}, 0, false);
        s.Text(b[i], 351, rows[i] + 12, 0, {230, 230, 230}, 0, false);
    }
    s.Put(11100, 45, 580 - 39, 0);
    s.Put(11105, 245, 580 - 39, 2);
    return s.Img();
}

Image ConfirmScreen(const std::map<int32_t, Image>& pics, const Fonts& fonts) {
    Screen s(pics, fonts, 624, 160);
    s.Img().FillRect(0, 0, 624, 160, kBoxFill);
    const int R = 608;
    s.Put(2607, 0, 0);
    s.Put(2604, R, 0);
    s.Put(2606, 0, 144);
    s.Put(2605, R, 144);
    for (int x = R - 16; x >= 16; x -= 16) {
        s.Put(2600, x, 0);
        s.Put(2602, x, 144);
    }
    for (int y = 128; y >= 16; y -= 16) {
        s.Put(2603, 0, y);
        s.Put(2601, R, y);
    }
    s.Img().FillRect(29, 24, 566, 1, {20, 0, 0});
    s.Img().FillRect(29, 24, 1, 62, {20, 0, 0});
    s.Img().FillRect(29, 86, 566, 1, {75, 35, 0});
    s.Img().FillRect(595, 24, 1, 62, {75, 35, 0});
    s.Text("Wollen Sie das Spiel wirklich beenden?", 312, 48, 0, kText, 0);
    s.Put(2692, 141, 104, 0);
    s.Put(2691, 382, 104, 2);
    return s.Img();
}

Image BattleBarScreen(const std::map<int32_t, Image>& pics, const Fonts& fonts) {
    Screen s(pics, fonts, 800, 90);
    s.Put(2009, 0, 0);
    s.Put(2008, 540, 0);
    s.Put(2001, 540 + 51, 6);
    s.Put(2010, 722, 0);
    s.Put(2018, 722 + 40, 6);
    s.Put(2013, 722 + 3, 73);
    s.Text("12", 722 + 64, 85, 1, {230, 230, 230}, 0, false);
    return s.Img();
}
} // namespace

Image MakeContactSheet(const std::map<int32_t, Image>& pictures, const Fonts& fonts) {
    std::vector<Item> items;
    items.push_back({"Hauptmenue 800 x 600 (Hervorhebung auf GEFECHTE)", MenuScreen(pictures, fonts)});
    items.push_back({"Szenarioliste 800 x 600", ListScreen(pictures, fonts)});
    items.push_back({"Einweisung 640 x 480", BriefingScreen(pictures, fonts)});
    items.push_back({"Seitenwahl", SidesScreen(pictures, fonts)});
    items.push_back({"Spieler", PlayersScreen(pictures, fonts)});
    items.push_back({"Ergebnis", ResultScreen(pictures, fonts)});
    items.push_back({"Passwort", PasswordScreen(pictures, fonts)});
    items.push_back({"TCP/IP-Adresse (mit den Ladezeilen)", AddressScreen(pictures, fonts)});
    items.push_back({"E-Mail-Zug speichern (2-D)", MailSaveScreen(pictures, fonts)});
    items.push_back({"Speichern (3-D, OK gedrueckt)", SaveScreen(pictures, fonts)});
    items.push_back({"Rueckfrage (2-D)", ConfirmScreen(pictures, fonts)});
    items.push_back({"Gefechtsleiste", BattleBarScreen(pictures, fonts)});
    // Of the big families of look-alikes only the first members are shown: the first uniform, the
    // first towed gun and vehicle set in their base look.
    auto shown = [](int32_t n) {
        if (n >= 29000 && n < 40000) return n < 29006;               // uniforms
        if (n >= 40000 && n < 50000) return n >= 40560 && n < 40577; // vehicle sets: one model
        if (n >= 50000) return false;                                // snow, late and late snow looks
        return true;
    };
    for (const auto& [n, img] : pictures) {
        if (n >= kPressedOffset || !shown(n)) continue;
        std::string caption = std::to_string(n);
        if (n <= 2)
            items.push_back({caption, Scaled(img, 3, 1)});
        else if (img.Width() > 520)
            items.push_back({caption, Scaled(img, 1, 4)});
        else if (pictures.count(n + kPressedOffset))
            items.push_back({caption, Looks(pictures, n)});
        else
            items.push_back({caption, img});
    }
    // Shelf packing: a first pass for the height, a second to draw.
    auto place = [&](Image* sheet) {
        int x = kGap, y = kGap, shelf = 0;
        for (const Item& it : items) {
            int w = it.img.Width(), h = it.img.Height() + kCaption;
            if (x + w + kGap > kSheetW) {
                x = kGap;
                y += shelf + kGap;
                shelf = 0;
            }
            if (sheet) {
                sheet->Draw(it.img, x, y + kCaption);
                fonts[1].DrawText(*sheet, it.caption, x, y + 10, kText);
            }
            x += std::max(w, 40) + kGap;
            shelf = std::max(shelf, h);
        }
        return y + shelf + kGap;
    };
    Image sheet(kSheetW, place(nullptr), {40, 40, 44});
    place(&sheet);
    return sheet;
}
