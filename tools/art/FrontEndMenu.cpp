// The title, the main menu at both scales, the intro card, the help lines and the menu buttons.
#include <vector>

#include "FrontEndParts.h"
#include "Noise.h"

namespace FrontEnd {
namespace {
using namespace Palette;

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
} // namespace

void MakeMenus(AssetStore& store, const Fonts& fonts) {
    TitlePicture(store, fonts);
    MainMenu(store, fonts, 11001, 800, 600);
    MainMenu(store, fonts, 11002, 1024, 768);
    IntroCard(store, fonts);
    HelpLine(store, 11211, 800);
    HelpLine(store, 11212, 1024);
    Button(store, fonts, 11200, kMenuButtonW, kMenuButtonH, "GEFECHTE", 0, 2);
    Button(store, fonts, 11201, kMenuButtonW, kMenuButtonH, "MEHRSPIELER", 0, 2);
    Button(store, fonts, 11204, kMenuButtonW, kMenuButtonH, "BEENDEN", 0, 2);
}
} // namespace FrontEnd
