// The three bitmap fonts: glyph tables, their rendering from DejaVu with FreeType, and
// drawing text with them onto the other pictures.
#pragma once
#include <cstdint>
#include <string>

#include "Image.h"

constexpr int kFontCount = 3;
constexpr int kGlyphCount = 154;
constexpr int kGlyphsPerRow = 32;
constexpr int kFontRows = 5;

// Advance width of character code c (0..255) in font f; 0 = no glyph. Font 2 is 7 for every code from 32.
int CharWidth(int font, int code);
// Glyph number (0..153) of code c: codes whose font-0 width is not 0 are numbered in code order, others give
// 0.
int GlyphIndex(int code);
// Pixel rows of one glyph row, and the baseline row within it (rows above it = the font height).
int GlyphRowHeight(int font);
int FontBaseline(int font);
// x of code c's glyph within its row (fonts 0 and 1 pack glyphs from the left; font 2 has 7-pixel cells).
int GlyphOffset(int font, int code);
// Size of the font bitmap: the widest packed row and five glyph rows.
int FontBitmapWidth(int font);
int FontBitmapHeight(int font);

// UTF-8 source text to the Latin-1 codes the fonts index (other characters become '?').
std::string Latin1(const std::string& utf8);

class BitmapFont {
public:
    // Renders font f from the DejaVu faces in fontDir; false when FreeType or a face fails.
    bool Render(int font, const std::string& fontDir);
    const Image& Bitmap() const { return mBitmap; }
    int Font() const { return mFont; }

    // Width in pixels of a Latin-1 text at the given scale.
    int TextWidth(const std::string& latin1, int scale = 1) const;
    // Draws the glyphs' black pixels in colour; y is the baseline (the text's y), justify 0 centres on x,
    // 1 ends at x, others start at x.
    void DrawText(Image& dst, const std::string& latin1, int x, int y, Rgb colour, int justify = -1,
                  int scale = 1) const;
    // The same with a one-pixel (scaled) shadow to the lower right.
    void DrawShadowed(Image& dst, const std::string& latin1, int x, int y, Rgb colour, Rgb shadow,
                      int justify = -1, int scale = 1) const;

private:
    int mFont = 0;
    Image mBitmap;
};
