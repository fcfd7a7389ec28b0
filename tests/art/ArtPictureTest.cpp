// The front-end and battle-bar pictures: present, sized as the screens place them, button
// states distinct, colour keys respected.
#include <gtest/gtest.h>

#include <cstdlib>


#include "art/ArtFiles.h"
#include "platform/PngIO.h"

namespace {
struct Expected {
    int number, width, height;
    int looks; // a button's looks: normal at the number, pressed, highlight[, inactive] beside it; 1 = plain
};

// Sizes follow from the layouts: e.g. the three menu buttons stand 354 pixels apart in x with the
// middle one at half the width - 147 (so 294 wide) and rows 63 apart above a 26-pixel help line.
// clang-format off
const Expected kFrontEnd[] = {
    {10, 16, 24, 1},                                            // pointer
    {11003, 800, 600, 1},                                       // title
    {11001, 800, 600, 1}, {11002, 1024, 768, 1},                // menu at both scales
    {11004, 800, 540, 1},                                       // intro card (the 800 x 540 box)
    {11211, 800, 26, 1}, {11212, 1024, 26, 1},                  // help lines
    {11200, 294, 56, 3}, {11201, 294, 56, 3}, {11204, 294, 56, 3},
    // At w/2 - 317 and w/2 + 17, or at the centre - 150; the lowest ends at the help line (H - 80 + 54).
    {11205, 300, 54, 3}, {11206, 300, 54, 3}, {11207, 300, 54, 3}, {11208, 300, 54, 3},
    {11220, 636, 62, 1}, {11221, 636, 24, 1}, {11222, 636, 18, 1},
    {11223, 796, 62, 1}, {11224, 796, 24, 1}, {11225, 796, 18, 1},
    {11230, 64, 18, 4}, {11231, 64, 18, 4},                     // page buttons can be disabled
    {11232, 86, 18, 3}, {11233, 86, 18, 3}, {10033, 100, 18, 3},
    {11240, 1240, 20, 1},                                       // 62 force cells of 20 x 20, Forces 0 to 61
    {11150, 140, 480, 1}, {11152, 130, 130, 1},
    {11153, 140, 46, 3}, {11154, 140, 46, 3}, {11151, 124, 44, 3}, {11155, 132, 48, 3},
    {11115, 640, 480, 1}, {11110, 150, 180, 3}, {11111, 150, 180, 3},
    {11168, 640, 480, 1},
    {11160, 84, 84, 1}, {11161, 84, 84, 1}, {11162, 84, 84, 1}, {11163, 84, 84, 1},
    {11166, 84, 84, 1}, {11167, 84, 84, 1},
    {10030, 90, 22, 1}, {10031, 90, 22, 1},
    {11101, 100, 40, 3}, {11103, 100, 40, 3},                   // centred at 262 in a 624-wide box
    {11165, 420, 160, 1}, {11170, 800, 600, 1},
    {2691, 100, 40, 3}, {2692, 100, 40, 3},                     // at 141 and 382 in the 624-wide box
    {11102, 450, 580, 1},                                       // figures to y 513, buttons at height - 39
    {11100, 160, 32, 3}, {11105, 160, 32, 3}, {10014, 160, 32, 3},
    // Save dialogs: OK at x 518, y 15 or 34 (e-mail, where the 100 x 40 2-D OK covers it), cancel at y 53.
    {11250, 640, 104, 1}, {11253, 640, 104, 1}, {11251, 100, 36, 1}, {11252, 100, 36, 1},
};

const Expected kBattleBar[] = {
    {2009, 800, 90, 1}, {2008, 182, 90, 1}, {2010, 78, 90, 1}, {2014, 78, 90, 1},
    {2000, 42, 40, 1}, {2001, 42, 40, 1}, {2002, 42, 40, 1}, {2003, 42, 40, 1},
    {2004, 42, 40, 1}, {2005, 42, 40, 1}, {2006, 42, 40, 1}, {2007, 42, 40, 1},
    {2030, 37, 32, 1}, {2031, 37, 32, 1}, {2032, 37, 32, 1},
    {2016, 37, 32, 1}, {2017, 37, 32, 1}, {2018, 37, 32, 1}, {2019, 37, 32, 1},
    {2012, 51, 15, 1}, {2013, 51, 15, 1}, {2015, 33, 32, 1}, {2021, 33, 32, 1},
    {11113, 112, 90, 1}, {11114, 240, 90, 1}, {10037, 52, 36, 1},
    {2600, 16, 16, 1}, {2601, 16, 16, 1}, {2602, 16, 16, 1}, {2603, 16, 16, 1},
    {2604, 16, 16, 1}, {2605, 16, 16, 1}, {2606, 16, 16, 1}, {2607, 16, 16, 1},
    {2608, 100, 40, 1}, {2609, 100, 40, 1}, {2610, 100, 40, 1}, {2611, 100, 40, 1},
    {2615, 100, 40, 1}, {2616, 100, 40, 1},
};
// clang-format on

bool IsMagenta(const ArtPicture& p, int x, int y) {
    return p.At(x, y, 0) == 255 && p.At(x, y, 1) == 0 && p.At(x, y, 2) == 255;
}

// A button's other looks are stored a million numbers apart: pressed, highlight, inactive.
constexpr int kLookOffset = 1000000;

// Count of pixels that differ between two pictures of the same size.
int Difference(const ArtPicture& a, const ArtPicture& b) {
    int diff = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            for (int c = 0; c < 3; ++c)
                if (a.At(x, y, c) != b.At(x, y, c)) {
                    ++diff;
                    break;
                }
    return diff;
}

void CheckSet(const Expected* set, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const Expected& e = set[i];
        std::vector<ArtPicture> looks(size_t(e.looks));
        for (int k = 0; k < e.looks; ++k) {
            ArtPicture& p = looks[size_t(k)];
            const int number = e.number + k * kLookOffset;
            ASSERT_TRUE(ReadPng(PicturePath(number), p)) << "picture " << number;
            EXPECT_EQ(p.width, e.width) << "picture " << number;
            EXPECT_EQ(p.height, e.height) << "picture " << number;
            // The game's own loader takes it at the same size.
            PictureRGBA loaded;
            EXPECT_TRUE(LoadPngRGBA(PicturePath(number), &loaded)) << "picture " << number;
            EXPECT_EQ(loaded.width * 1000 + loaded.height, e.width * 1000 + e.height) << "picture " << number;
            if (e.number == 10) continue;
            // Magenta is the mask colour: only the pointer may use it.
            int magenta = 0;
            for (int y = 0; y < p.height; ++y)
                for (int x = 0; x < p.width; ++x)
                    magenta += IsMagenta(p, x, y);
            EXPECT_EQ(magenta, 0) << "picture " << number;
        }
        if (::testing::Test::HasFailure()) return;
        for (int a = 0; a < e.looks; ++a)
            for (int b = a + 1; b < e.looks; ++b)
                EXPECT_GT(Difference(looks[size_t(a)], looks[size_t(b)]), e.width * e.height / 20)
                    << "picture " << e.number << " looks " << a << " and " << b << " alike";
    }
}
} // namespace

TEST(ArtPictures, FrontEndSetIsCompleteAndSized) {
    CheckSet(kFrontEnd, std::size(kFrontEnd));
}

TEST(ArtPictures, BattleBarSetIsCompleteAndSized) {
    CheckSet(kBattleBar, std::size(kBattleBar));
}

// A 3-D button that names only its pressed picture draws nothing at rest: the picture under it shows the
// button unpressed at its place, and the pressed look must differ from it there.
void ExpectPressedDiffersFromRest(int panelNumber, int pressedNumber, int x0, int y0) {
    ArtPicture panel, pressed;
    ASSERT_TRUE(ReadPng(PicturePath(panelNumber), panel));
    ASSERT_TRUE(ReadPng(PicturePath(pressedNumber), pressed));
    ASSERT_LE(x0 + pressed.width, panel.width);
    ASSERT_LE(y0 + pressed.height, panel.height);
    int diff = 0;
    for (int y = 0; y < pressed.height; ++y)
        for (int x = 0; x < pressed.width; ++x)
            diff += panel.At(x0 + x, y0 + y, 0) != pressed.At(x, y, 0);
    EXPECT_GT(diff, pressed.width * pressed.height / 4) << "button " << pressedNumber << " on " << panelNumber;
}

TEST(ArtPictures, PressedOrderButtonsDifferFromThePanelsUnpressedLook) {
    const int slots[8][2] = {{7, 6}, {51, 6}, {95, 6}, {7, 48}, {51, 48}, {95, 48}, {139, 48}, {139, 6}};
    for (int i = 0; i < 8; ++i)
        ExpectPressedDiffersFromRest(2008, 2000 + i, slots[i][0], slots[i][1]);
}

TEST(ArtPictures, SaveDialogsShowTheirButtonsAtRestWhereThePressedLooksGo) {
    ExpectPressedDiffersFromRest(11250, 11251, 518, 15);
    ExpectPressedDiffersFromRest(11250, 11252, 518, 53);
    ExpectPressedDiffersFromRest(11253, 11251, 518, 34);
    // The two buttons of the save dialog do not overlap.
    ArtPicture ok;
    ASSERT_TRUE(ReadPng(PicturePath(11251), ok));
    EXPECT_LE(15 + ok.height, 53);
}

TEST(ArtPictures, PointerHasItsTipAtTheTopLeftOnTheMaskColour) {
    ArtPicture p;
    ASSERT_TRUE(ReadPng(PicturePath(10), p));
    EXPECT_FALSE(IsMagenta(p, 0, 0));          // the hot spot is drawn
    EXPECT_TRUE(IsMagenta(p, p.width - 1, 0)); // the rest is keyed out
    EXPECT_TRUE(IsMagenta(p, 0, p.height - 1));
    int key = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            key += IsMagenta(p, x, y);
    EXPECT_GT(key, p.width * p.height / 3);
    EXPECT_LT(key, p.width * p.height * 9 / 10);
}

// The result screen's figures are written with the row's y as their
// baseline: each cell holds the band from 7 above it to 3 below, and the
// cell's top and bottom edges lie outside that band.
TEST(ArtPictures, ResultCellsFrameTheFiguresBaselines) {
    ArtPicture result;
    ASSERT_TRUE(ReadPng(PicturePath(11102), result));
    auto grey = [&](int x, int y) { return result.At(x, y, 0) + result.At(x, y, 1) + result.At(x, y, 2); };
    for (int baseline : {213, 233, 253, 278, 298, 318, 338, 358, 433, 453, 473, 493, 513}) {
        const int x = 252; // inside the Axis cell, left of where figures end
        const int fill = grey(x, baseline - 4);
        for (int y = baseline - 9; y <= baseline + 2; ++y)
            EXPECT_NEAR(grey(x, y), fill, 60) << "row " << baseline << " y " << y;
        EXPECT_GT(std::abs(grey(x, baseline - 14) - fill) + std::abs(grey(x, baseline + 6) - fill), 0)
            << "the cell of row " << baseline << " ends around its text";
    }
}

// The map view's lines tell by colour: the set-up line to a valid spot is
// green, to a refused one red.
TEST(ArtPictures, LineBandsOfSetUpAreGreenForValidAndRedForRefused) {
    ArtPicture lines;
    ASSERT_TRUE(ReadPng(PicturePath(2020), lines));
    ASSERT_EQ(lines.height, 256);
    // Band b occupies v from b/32, v counted from the bottom row.
    auto centre = [&](int band, int c) { return lines.At(50, 255 - (band * 8 + 4), c); };
    EXPECT_GT(centre(15, 1), centre(15, 0) + 60) << "band 15 green";
    EXPECT_GT(centre(16, 0), centre(16, 1) + 60) << "band 16 red";
}
