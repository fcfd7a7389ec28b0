#include "BitmapFonts.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <array>
#include <vector>

namespace {
// Widths of codes 32..255, rows of 32 codes.
constexpr std::array<int8_t, 224> kWidths0 = {
    6,  4, 7, 11, 8, 13, 10, 4, 6, 6, 8, 8, 4, 7,  4, 7, 8, 5, 8, 8, 8, 8, 8, 8,  8, 8, 4, 4, 6, 7, 6, 7,
    12, 8, 9, 7,  9, 7,  6,  9, 9, 4, 6, 8, 6, 12, 9, 9, 8, 9, 8, 7, 6, 9, 8, 12, 8, 8, 8, 5, 7, 5, 8, 6,
    6,  8, 8, 7,  8, 8,  6,  8, 8, 4, 5, 7, 4, 12, 8, 8, 8, 8, 6, 7, 6, 8, 7, 11, 7, 8, 7, 6, 4, 6, 9, 0,
    0,  0, 0, 0,  0, 0,  0,  0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0, 0, 0, 0, 7, 0, 0,  0, 0, 0, 0, 0, 0, 0, 8,
    0,  4, 0, 0,  0, 0,  0,  0, 0, 0, 0, 0, 0, 0,  0, 0, 5, 0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0, 0, 0, 0, 7,
    8,  8, 8, 8,  8, 8,  0,  7, 6, 6, 6, 6, 4, 4,  4, 4, 0, 9, 8, 8, 8, 8, 8, 0,  8, 8, 8, 8, 8, 0, 0, 8,
    8,  8, 8, 8,  8, 8,  0,  7, 8, 8, 8, 8, 4, 4,  6, 6, 0, 8, 8, 8, 8, 8, 8, 0,  8, 8, 8, 8, 8, 0, 0, 8};
constexpr std::array<int8_t, 224> kWidths1 = {
    3, 3, 5, 7, 6, 9, 8, 3, 4, 4, 7, 6, 4, 5, 3, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 3, 4, 5, 6, 5, 6,
    8, 7, 6, 6, 6, 5, 5, 6, 6, 3, 6, 6, 5, 8, 6, 6, 6, 6, 6, 6, 6, 6, 6, 8, 6, 6, 5, 4, 6, 4, 4, 6,
    3, 5, 5, 5, 5, 5, 4, 5, 5, 3, 4, 5, 3, 8, 5, 5, 5, 5, 5, 5, 4, 5, 6, 8, 6, 6, 5, 4, 2, 4, 6, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 6,
    0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5,
    7, 7, 7, 7, 7, 7, 0, 6, 5, 5, 5, 5, 3, 3, 4, 4, 0, 6, 6, 6, 6, 6, 6, 0, 7, 6, 6, 6, 6, 0, 0, 6,
    5, 5, 5, 5, 5, 5, 0, 5, 5, 5, 5, 5, 4, 3, 4, 4, 0, 5, 5, 5, 5, 5, 5, 0, 6, 5, 5, 5, 5, 0, 0, 6};

constexpr int kRowHeight[kFontCount] = {15, 12, 14};
constexpr int kBaseline[kFontCount] = {8, 8, 10};
constexpr int kFixedCell = 7;

// The faces and pixel sizes: a bold face for the large font, the plain face for the small one,
// the monospaced face for the fixed-cell font.
constexpr const char* kFace[kFontCount] = {"DejaVuSans-Bold.ttf", "DejaVuSans.ttf", "DejaVuSansMono.ttf"};
constexpr int kPixelSize[kFontCount] = {10, 9, 11};

// Windows-1252 codes 128..159 that have a glyph; the rest of 128..255 is Latin-1.
uint32_t Unicode(int code) {
    if (code == 149) return 0x2022;
    if (code == 159) return 0x0178;
    return uint32_t(code);
}

struct Library {
    FT_Library lib = nullptr;
    FT_Face face = nullptr;
    ~Library() {
        if (face) FT_Done_Face(face);
        if (lib) FT_Done_FreeType(lib);
    }
};

bool InkAt(const FT_Bitmap& bm, int x, int y) {
    const unsigned char* row = bm.buffer + y * bm.pitch;
    return (row[x >> 3] >> (7 - (x & 7))) & 1;
}

using Glyph = std::vector<std::vector<uint8_t>>; // rows of ink flags (0 or 1)

bool Blank(const std::vector<uint8_t>& row) {
    for (uint8_t b : row)
        if (b) return false;
    return true;
}

// Drops one row to make a glyph lower: a blank row between ink first (the gap under an accent),
// then a row that repeats the one below it (the least visible loss), else the top row.
void DropRow(Glyph& g) {
    for (size_t y = 1; y + 1 < g.size(); ++y)
        if (Blank(g[y]) && !Blank(g[y - 1]) && !Blank(g[y + 1])) {
            g.erase(g.begin() + long(y));
            return;
        }
    for (size_t y = g.size() / 3; y + 1 < g.size(); ++y)
        if (g[y] == g[y + 1]) {
            g.erase(g.begin() + long(y));
            return;
        }
    g.erase(g.begin());
}

// Drops one column to make a glyph narrower: a column that repeats its neighbour, else the last.
void DropColumn(Glyph& g) {
    size_t w = g.empty() ? 0 : g[0].size();
    for (size_t x = 1; x + 1 < w; ++x) {
        bool same = true;
        for (const auto& row : g)
            same = same && row[x] == row[x + 1];
        if (same) {
            for (auto& row : g)
                row.erase(row.begin() + long(x));
            return;
        }
    }
    for (auto& row : g)
        row.pop_back();
}

// Renders one code monochrome and fits it into its cell with the baseline at the font's row;
// a glyph too tall or too wide loses its least visible rows or columns rather than shrinking.
void PlaceGlyph(FT_Face face, int font, int code, int cellX, int cellY, int cellW, Image& out) {
    const int rowH = kRowHeight[font], base = kBaseline[font];
    FT_Set_Pixel_Sizes(face, 0, FT_UInt(kPixelSize[font]));
    if (FT_Load_Char(face, Unicode(code), FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME)) return;
    const FT_Bitmap& bm = face->glyph->bitmap;
    Glyph g(bm.rows, std::vector<uint8_t>(bm.width));
    for (int y = 0; y < int(bm.rows); ++y)
        for (int x = 0; x < int(bm.width); ++x)
            g[size_t(y)][size_t(x)] = InkAt(bm, x, y);
    int top = base - face->glyph->bitmap_top;
    while (top < 0 && !g.empty()) {
        DropRow(g);
        ++top;
    }
    while (!g.empty() && top + int(g.size()) > rowH)
        g.pop_back();
    while (!g.empty() && int(g[0].size()) > cellW)
        DropColumn(g);
    if (g.empty()) return;
    // Centre the ink in the cell so that the spacing is even on both sides.
    int left = (cellW - int(g[0].size())) / 2;
    for (size_t y = 0; y < g.size(); ++y)
        for (size_t x = 0; x < g[y].size(); ++x)
            if (g[y][x]) out.Set(cellX + left + int(x), cellY + top + int(y), {0, 0, 0});
}
} // namespace

int CharWidth(int font, int code) {
    if (code < 32 || code > 255) return 0;
    if (font == 2) return kFixedCell;
    return font == 0 ? kWidths0[code - 32] : kWidths1[code - 32];
}

namespace {
// Glyph numbers and x offsets of every code, worked out once from the width tables.
struct GlyphTables {
    std::array<int, 256> index{};
    std::array<std::array<int, 256>, 2> offset{};
    GlyphTables() {
        int g = 0;
        std::array<int, 2> x{};
        for (int c = 32; c <= 255; ++c) {
            if (kWidths0[size_t(c - 32)] == 0) continue;
            if (g % kGlyphsPerRow == 0) x = {0, 0};
            index[size_t(c)] = g++;
            for (int f = 0; f < 2; ++f) {
                offset[size_t(f)][size_t(c)] = x[size_t(f)];
                x[size_t(f)] += CharWidth(f, c);
            }
        }
    }
};

const GlyphTables& Tables() {
    static const GlyphTables tables;
    return tables;
}
} // namespace

int GlyphIndex(int code) {
    return code < 32 || code > 255 ? 0 : Tables().index[size_t(code)];
}

int GlyphRowHeight(int font) {
    return kRowHeight[font];
}

int FontBaseline(int font) {
    return kBaseline[font];
}

int GlyphOffset(int font, int code) {
    if (font == 2) return (GlyphIndex(code) % kGlyphsPerRow) * kFixedCell;
    // Codes without a glyph show glyph 0, the space at the start of row 0.
    if (code < 32 || code > 255 || CharWidth(0, code) == 0) return 0;
    return Tables().offset[size_t(font)][size_t(code)];
}

int FontBitmapWidth(int font) {
    if (font == 2) return kGlyphsPerRow * kFixedCell;
    int widest = 0;
    for (int r = 0; r < kFontRows; ++r) {
        int w = 0;
        for (int c = 32; c <= 255; ++c)
            if (CharWidth(0, c) != 0 && GlyphIndex(c) / kGlyphsPerRow == r) w += CharWidth(font, c);
        if (w > widest) widest = w;
    }
    return widest;
}

int FontBitmapHeight(int font) {
    return kFontRows * kRowHeight[font];
}

std::string Latin1(const std::string& utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        unsigned char c = utf8[i];
        if (c < 0x80) {
            out += char(c);
            ++i;
        } else if ((c & 0xE0) == 0xC0 && i + 1 < utf8.size()) {
            unsigned cp = ((c & 0x1Fu) << 6) | (utf8[i + 1] & 0x3Fu);
            out += cp < 256 ? char(cp) : '?';
            i += 2;
        } else {
            out += '?';
            ++i;
            while (i < utf8.size() && (utf8[i] & 0xC0) == 0x80)
                ++i;
        }
    }
    return out;
}

bool BitmapFont::Render(int font, const std::string& fontDir) {
    if (font < 0 || font >= kFontCount) return false;
    mFont = font;
    mBitmap = Image(FontBitmapWidth(font), FontBitmapHeight(font), {255, 255, 255});
    Library ft;
    if (FT_Init_FreeType(&ft.lib)) return false;
    std::string path = fontDir + "/" + kFace[font];
    if (FT_New_Face(ft.lib, path.c_str(), 0, &ft.face)) return false;
    for (int c = 32; c <= 255; ++c) {
        if (CharWidth(0, c) == 0 || c == 32) continue;
        int g = GlyphIndex(c);
        PlaceGlyph(ft.face, font, c, GlyphOffset(font, c), (g / kGlyphsPerRow) * kRowHeight[font],
                   CharWidth(font, c), mBitmap);
    }
    return true;
}

int BitmapFont::TextWidth(const std::string& latin1, int scale) const {
    int w = 0;
    for (unsigned char c : latin1)
        w += CharWidth(mFont, c);
    return w * scale;
}

void BitmapFont::DrawText(Image& dst, const std::string& latin1, int x, int y, Rgb colour, int justify,
                          int scale) const {
    int width = TextWidth(latin1, scale);
    if (justify == 0)
        x -= width / 2;
    else if (justify == 1)
        x -= width;
    const int rowH = kRowHeight[mFont];
    int top = y - kBaseline[mFont] * scale;
    for (unsigned char c : latin1) {
        if (c < 32) continue;
        int g = GlyphIndex(c), w = CharWidth(mFont, c);
        int sx = GlyphOffset(mFont, c), sy = (g / kGlyphsPerRow) * rowH;
        for (int j = 0; j < rowH; ++j)
            for (int i = 0; i < w; ++i) {
                Rgb p = mBitmap.Get(sx + i, sy + j);
                if (p.r != 0) continue;
                for (int v = 0; v < scale; ++v)
                    for (int u = 0; u < scale; ++u)
                        dst.Set(x + i * scale + u, top + j * scale + v, colour);
            }
        x += w * scale;
    }
}

void BitmapFont::DrawShadowed(Image& dst, const std::string& latin1, int x, int y, Rgb colour, Rgb shadow,
                              int justify, int scale) const {
    DrawText(dst, latin1, x + scale, y + scale, shadow, justify, scale);
    DrawText(dst, latin1, x, y, colour, justify, scale);
}
