// The three font bitmaps as the 3-D text reads them: glyph g at row g / 32, column g % 32;
// fonts 0 and 1 pack each row's glyphs from x = 0 at their advance widths, font 2 has 7-pixel cells.
#include <gtest/gtest.h>

#include <array>

#include "art/ArtFiles.h"

namespace {
// Advance widths of codes 32..255 for fonts 0 and 1, as the text renderer uses them.
constexpr std::array<int, 224> kWidths[2] = {
    {6,  4, 7, 11, 8, 13, 10, 4, 6, 6, 8, 8, 4, 7,  4, 7, 8, 5, 8, 8, 8, 8, 8, 8,  8, 8, 4, 4, 6, 7, 6, 7,
     12, 8, 9, 7,  9, 7,  6,  9, 9, 4, 6, 8, 6, 12, 9, 9, 8, 9, 8, 7, 6, 9, 8, 12, 8, 8, 8, 5, 7, 5, 8, 6,
     6,  8, 8, 7,  8, 8,  6,  8, 8, 4, 5, 7, 4, 12, 8, 8, 8, 8, 6, 7, 6, 8, 7, 11, 7, 8, 7, 6, 4, 6, 9, 0,
     0,  0, 0, 0,  0, 0,  0,  0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0, 0, 0, 0, 7, 0, 0,  0, 0, 0, 0, 0, 0, 0, 8,
     0,  4, 0, 0,  0, 0,  0,  0, 0, 0, 0, 0, 0, 0,  0, 0, 5, 0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0, 0, 0, 0, 7,
     8,  8, 8, 8,  8, 8,  0,  7, 6, 6, 6, 6, 4, 4,  4, 4, 0, 9, 8, 8, 8, 8, 8, 0,  8, 8, 8, 8, 8, 0, 0, 8,
     8,  8, 8, 8,  8, 8,  0,  7, 8, 8, 8, 8, 4, 4,  6, 6, 0, 8, 8, 8, 8, 8, 8, 0,  8, 8, 8, 8, 8, 0, 0, 8},
    {3, 3, 5, 7, 6, 9, 8, 3, 4, 4, 7, 6, 4, 5, 3, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 3, 4, 5, 6, 5, 6,
     8, 7, 6, 6, 6, 5, 5, 6, 6, 3, 6, 6, 5, 8, 6, 6, 6, 6, 6, 6, 6, 6, 6, 8, 6, 6, 5, 4, 6, 4, 4, 6,
     3, 5, 5, 5, 5, 5, 4, 5, 5, 3, 4, 5, 3, 8, 5, 5, 5, 5, 5, 5, 4, 5, 6, 8, 6, 6, 5, 4, 2, 4, 6, 0,
     0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 6,
     0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5,
     7, 7, 7, 7, 7, 7, 0, 6, 5, 5, 5, 5, 3, 3, 4, 4, 0, 6, 6, 6, 6, 6, 6, 0, 7, 6, 6, 6, 6, 0, 0, 6,
     5, 5, 5, 5, 5, 5, 0, 5, 5, 5, 5, 5, 4, 3, 4, 4, 0, 5, 5, 5, 5, 5, 5, 0, 6, 5, 5, 5, 5, 0, 0, 6}};
constexpr int kRowHeight[3] = {15, 12, 14};
constexpr int kFontHeight[3] = {8, 8, 10};

// One glyph's cell in a font bitmap.
struct Cell {
    int code, x, y, w;
};

// The cells of every code with a glyph, in glyph order.
std::vector<Cell> Cells(int font) {
    std::vector<Cell> cells;
    int g = 0, x = 0;
    for (int c = 32; c <= 255; ++c) {
        if (kWidths[0][c - 32] == 0) continue;
        if (g % 32 == 0) x = 0;
        int w = font == 2 ? 7 : kWidths[font][c - 32];
        cells.push_back({c, x, (g / 32) * kRowHeight[font], w});
        x += w;
        ++g;
    }
    return cells;
}

bool Ink(const ArtPicture& p, int x, int y) {
    return p.At(x, y, 0) == 0;
}

class ArtFont : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override { ASSERT_TRUE(ReadPng(PicturePath(GetParam()), mPic)) << "font " << GetParam(); }
    ArtPicture mPic;
};
} // namespace

TEST(ArtGlyphs, OneHundredFiftyFourGlyphsInFiveRows) {
    std::vector<Cell> cells = Cells(0);
    ASSERT_EQ(cells.size(), 154u);
    EXPECT_EQ(cells.back().y / 15, 4);
    EXPECT_EQ(cells[153 - 25].y / 15, 4); // row 4 holds the last 26
    EXPECT_EQ(cells[153 - 26].y / 15, 3);
}

TEST_P(ArtFont, BitmapHoldsEveryRow) {
    const int font = GetParam();
    int widest = 0;
    for (const Cell& c : Cells(font))
        widest = std::max(widest, c.x + c.w);
    const int expectedWidth[3] = {252, 186, 224};
    EXPECT_EQ(widest, expectedWidth[font]);
    EXPECT_GE(mPic.width, widest);
    EXPECT_GE(mPic.height, 5 * kRowHeight[font]);
}

TEST_P(ArtFont, PureBlackOnPureWhiteOnly) {
    int grey = 0;
    for (int y = 0; y < mPic.height; ++y)
        for (int x = 0; x < mPic.width; ++x) {
            int r = mPic.At(x, y, 0), g = mPic.At(x, y, 1), b = mPic.At(x, y, 2);
            bool black = r == 0 && g == 0 && b == 0, white = r == 255 && g == 255 && b == 255;
            if (!black && !white) ++grey;
            if (mPic.channels == 4 && mPic.At(x, y, 3) != 255) ++grey;
        }
    EXPECT_EQ(grey, 0);
}

TEST_P(ArtFont, EveryVisibleGlyphSitsCentredInItsCell) {
    const int font = GetParam();
    for (const Cell& c : Cells(font)) {
        int count = 0, sumX2 = 0;
        for (int y = c.y; y < c.y + kRowHeight[font]; ++y)
            for (int x = c.x; x < c.x + c.w; ++x)
                if (Ink(mPic, x, y)) {
                    ++count;
                    sumX2 += 2 * (x - c.x) + 1;
                }
        if (c.code == 32) {
            EXPECT_EQ(count, 0) << "space";
            continue;
        }
        ASSERT_GT(count, 0) << "code " << c.code << " font " << font;
        // The ink's centre lies within 2 pixels of the cell's centre (cells are no wider than 13).
        double centre = sumX2 / (2.0 * count);
        EXPECT_NEAR(centre, c.w / 2.0, 2.0) << "code " << c.code << " font " << font;
    }
}

TEST_P(ArtFont, NothingBeyondThePackedRows) {
    const int font = GetParam();
    std::vector<int> rowEnd(5, 0);
    for (const Cell& c : Cells(font))
        rowEnd[size_t(c.y / kRowHeight[font])] = c.x + c.w;
    for (int r = 0; r < 5; ++r)
        for (int y = r * kRowHeight[font]; y < (r + 1) * kRowHeight[font]; ++y)
            for (int x = rowEnd[size_t(r)]; x < mPic.width; ++x)
                ASSERT_FALSE(Ink(mPic, x, y)) << x << "," << y;
}

TEST_P(ArtFont, CapitalsStandOnTheBaselineAndDescendersGoBelow) {
    // The text's y is the baseline: a capital's lowest ink row is the row above it, and g reaches below.
    const int font = GetParam();
    for (const Cell& c : Cells(font)) {
        if (c.code != 'H' && c.code != 'E' && c.code != 'g' && c.code != 'p') continue;
        int top = -1, bottom = -1;
        for (int y = c.y; y < c.y + kRowHeight[font]; ++y)
            for (int x = c.x; x < c.x + c.w; ++x)
                if (Ink(mPic, x, y)) {
                    if (top < 0) top = y - c.y;
                    bottom = y - c.y;
                }
        if (c.code == 'H' || c.code == 'E') {
            EXPECT_EQ(bottom, kFontHeight[font] - 1) << char(c.code) << " font " << font;
            EXPECT_GE(top, 0);
        } else {
            EXPECT_GT(bottom, kFontHeight[font]) << char(c.code) << " font " << font;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Fonts, ArtFont, ::testing::Values(0, 1, 2));

TEST_P(ArtFont, UmlautsKeepTheirDotsAboveTheLetter) {
    // German text needs the dots: each umlaut has ink above the top of its base letter.
    const int font = GetParam();
    std::vector<Cell> cells = Cells(font);
    auto top = [&](int code) {
        for (const Cell& c : cells)
            if (c.code == code)
                for (int y = c.y; y < c.y + kRowHeight[font]; ++y)
                    for (int x = c.x; x < c.x + c.w; ++x)
                        if (Ink(mPic, x, y)) return y - c.y;
        return -1;
    };
    const int pairs[][2] = {{0xC4, 'A'}, {0xD6, 'O'}, {0xDC, 'U'}, {0xE4, 'a'}, {0xF6, 'o'}, {0xFC, 'u'}};
    for (const auto& p : pairs) {
        ASSERT_GE(top(p[1]), 0);
        EXPECT_LT(top(p[0]), top(p[1])) << "code " << p[0] << " font " << font;
    }
}
