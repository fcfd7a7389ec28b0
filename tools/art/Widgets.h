// The shared look of every interface picture: one palette, bevelled panels, button states,
// backdrops and titles, so that all screens read as one design.
#pragma once
#include <array>
#include <string>
#include <vector>

#include "BitmapFonts.h"
#include "Image.h"

struct Fonts {
    std::array<BitmapFont, kFontCount> bitmap;
    std::string faceDir;
    BitmapFont& operator[](int f) { return bitmap[size_t(f)]; }
    const BitmapFont& operator[](int f) const { return bitmap[size_t(f)]; }
};

// A muted wartime palette. No pure black, white or magenta: those are colour keys somewhere.
namespace Palette {
constexpr Rgb kInk{14, 14, 12};
constexpr Rgb kOliveDark{44, 48, 32};
constexpr Rgb kOlive{78, 84, 56};
constexpr Rgb kOliveLight{118, 124, 86};
constexpr Rgb kGreyDark{56, 60, 56};
constexpr Rgb kGrey{92, 98, 90};
constexpr Rgb kGreyLight{140, 146, 134};
constexpr Rgb kSand{184, 168, 124};
constexpr Rgb kParchment{218, 215, 191};
constexpr Rgb kParchmentDark{170, 162, 130};
constexpr Rgb kRust{124, 46, 28};
constexpr Rgb kBrass{206, 174, 94};
constexpr Rgb kBrassDark{128, 102, 48};
constexpr Rgb kText{236, 230, 208};
constexpr Rgb kTextDim{128, 128, 118};
constexpr Rgb kHighlightText{250, 214, 110};
constexpr Rgb kBoxFill{55, 20, 0};
} // namespace Palette

enum class ButtonState { kNormal, kPressed, kHighlight, kInactive };

// A raised (or sunken) panel: outline, two-pixel bevel, grained face.
void DrawPanel(Image& img, int x, int y, int w, int h, Rgb face, uint32_t seed, bool sunken = false);
// A backdrop: vertical gradient with soft cloudy noise and a darkened edge.
void DrawBackdrop(Image& img, Rgb top, Rgb bottom, uint32_t seed);
// One button face in a state, its label centred in the given bitmap font and scale.
void DrawButton(Image& img, int x, int y, int w, int h, const std::string& label, ButtonState state,
                const Fonts& fonts, int font, int scale, uint32_t seed);
// The looks of a 2-D picture button, each w x h: normal, pressed, highlight and (looks = 4) inactive.
std::vector<Image> ButtonLooks(int w, int h, int looks, const std::string& label, const Fonts& fonts,
                               int font, int scale, uint32_t seed);
// Large anti-aliased text from a DejaVu face (for titles on backdrops only, never for the fonts).
void DrawLargeText(Image& img, const Fonts& fonts, const std::string& utf8, const char* face, int pixelSize,
                   int x, int y, Rgb colour, int justify);
// Text in a bitmap font with the standard dark shadow.
void Label(Image& img, const Fonts& fonts, int font, const std::string& utf8, int x, int y, Rgb colour,
           int justify = -1, int scale = 1);
// The Axis cross and the Allied star as emblems of the given size.
void DrawAxisEmblem(Image& img, int cx, int cy, int size);
void DrawAlliedEmblem(Image& img, int cx, int cy, int size);
