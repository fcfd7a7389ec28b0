// The battle's pictures and sounds as the drawing and the mixer use them: textures within the largest
// texture size, seamless where the drawing wraps them, alpha where it blends them, sky tops that stay
// one colour, battle-screen pictures at the sizes their places imply; whistles of their exact lengths,
// loops that join, voices that are valid PCM.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "art/ArtFiles.h"

namespace {

ArtPicture Load(int n) {
    ArtPicture p;
    EXPECT_TRUE(ReadPng(PicturePath(n), p)) << "picture " << n;
    return p;
}

// The roughest line inside the picture (the largest mean colour step from one row to the next, or one
// column to the next) and the steps across the wrap seams (last row to first, last column to first).
void Steps(const ArtPicture& p, double& inner, double& seam) {
    auto diff = [&](int x0, int y0, int x1, int y1) {
        int d = 0;
        for (int c = 0; c < 3; ++c)
            d += std::abs(p.At(x0, y0, c) - p.At(x1, y1, c));
        return d;
    };
    auto rowStep = [&](int a, int b) {
        double s = 0;
        for (int x = 0; x < p.width; ++x)
            s += diff(x, a, x, b);
        return s / p.width;
    };
    auto columnStep = [&](int a, int b) {
        double s = 0;
        for (int y = 0; y < p.height; ++y)
            s += diff(a, y, b, y);
        return s / p.height;
    };
    inner = 0;
    for (int y = 0; y + 1 < p.height; ++y)
        inner = std::max(inner, rowStep(y, y + 1));
    for (int x = 0; x + 1 < p.width; ++x)
        inner = std::max(inner, columnStep(x, x + 1));
    seam = std::max(rowStep(p.height - 1, 0), columnStep(p.width - 1, 0));
}

// RGBA with fully clear pixels and clearly visible ones.
bool HasAlphaRange(const ArtPicture& p) {
    if (p.channels != 4) return false;
    bool clear = false, seen = false;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            clear |= p.At(x, y, 3) == 0;
            seen |= p.At(x, y, 3) >= 100;
        }
    return clear && seen;
}

bool HasPixel(const ArtPicture& p, int r, int g, int b, bool onlyOpaque) {
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            if (p.At(x, y, 0) == r && p.At(x, y, 1) == g && p.At(x, y, 2) == b &&
                (!onlyOpaque || p.channels == 3 || p.At(x, y, 3) > 0))
                return true;
    return false;
}

std::vector<int> Range(int a, int b) {
    std::vector<int> v;
    for (int n = a; n <= b; ++n)
        v.push_back(n);
    return v;
}

} // namespace

TEST(ArtBattleTextures, WrappedTexturesAreSeamless) {
    // Ground tiles, the two background tiles, track and tyre textures repeat across their edges.
    std::vector<int> wrapped = {11280, 11281, 1300, 40000 + 20 * 28, 40000 + 20 * 86 + 1};
    for (int base : {1470, 1550, 1570, 1830, 1850, 1870})
        for (int k : {0, 7, 19})
            wrapped.push_back(base + k);
    for (int n : wrapped) {
        ArtPicture p = Load(n);
        double inner, seam;
        Steps(p, inner, seam);
        EXPECT_LE(seam, inner * 1.1 + 2)
            << "picture " << n << " shows a seam: " << seam << " against " << inner;
    }
}

TEST(ArtBattleTextures, TexturesStayWithinTheLargestTextureSizeAndKeepTheColourKeys) {
    std::vector<int> textures = {612,  625,  671,  842,   971,  1400, 1423, 10049, 1222, 305,
                                 440,  2020, 505,  30500, 2100, 1208, 1217, 1595,  672,  300,
                                 1204, 1230, 1240, 1700,  1720, 1800, 5100, 1900,  4020};
    for (int n : textures) {
        ArtPicture p = Load(n);
        EXPECT_LE(std::max(p.width, p.height), 256) << "picture " << n;
        EXPECT_FALSE(HasPixel(p, 255, 255, 255, true)) << "picture " << n << " has pure white";
        EXPECT_FALSE(HasPixel(p, 255, 0, 255, true)) << "picture " << n << " uses the mask colour";
    }
}

TEST(ArtBattleTextures, BlendedTexturesCarryAlpha) {
    // Trees, crowns, palms, doodads, overlays and edges, flags' markers, smoke, fire, sparks, shrapnel,
    // tracers, the shadow blob, rubble and the line texture are drawn over what lies behind them.
    std::vector<int> blended = {500,  509,  527,  548,  552,  30500, 30507, 2100,  2183, 2310,
                                2583, 604,  612,  625,  671,  680,   10049, 10059, 1222, 1223,
                                1700, 1717, 1720, 1739, 1800, 1803,  1230,  1240,  300,  301,
                                1204, 1595, 1596, 672,  2020, 2612,  2613,  2614};
    for (int n : blended)
        EXPECT_TRUE(HasAlphaRange(Load(n))) << "picture " << n;
}

TEST(ArtBattleTextures, EdgeFeaturesHugTheLeftEdge) {
    // A road, track or fence edge lies along u = 0; the far side of the picture shows the ground.
    for (int n : {612, 625, 671, 842, 971}) {
        ArtPicture p = Load(n);
        ASSERT_EQ(p.channels, 4);
        int leftSolid = 0, rightSolid = 0;
        for (int y = 0; y < p.height; ++y) {
            leftSolid += p.At(1, y, 3) > 200;
            rightSolid += p.At(p.width - 2, y, 3) > 0;
        }
        EXPECT_GT(leftSolid, p.height / 2) << "picture " << n;
        EXPECT_EQ(rightSolid, 0) << "picture " << n;
    }
}

TEST(ArtBattleTextures, CoversThatHideTheGroundAreOpaque) {
    // Grain, water and ice may leave the ground under them undrawn: no pixel lets it through.
    for (int n : {683, 637, 640}) {
        ArtPicture p = Load(n);
        ASSERT_EQ(p.channels, 4);
        int clear = 0;
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x)
                clear += p.At(x, y, 3) < 255;
        EXPECT_EQ(clear, 0) << "picture " << n;
    }
}

TEST(ArtBattleTextures, SkyPanelsEndInOneZenithColour) {
    // v runs past 1 in the middle of a panel, so the top quarter of every sky picture is one colour.
    for (int base : {1400, 1406, 1412})
        for (int k : {0, 1, 2, 3, 4, 5})
            for (int panel : {0, 20, 40}) {
                ArtPicture p = Load(base + k + panel);
                for (int y = 0; y < p.height / 4; ++y)
                    for (int x = 0; x < p.width; ++x)
                        for (int c = 0; c < 3; ++c)
                            ASSERT_EQ(p.At(x, y, c), p.At(0, 0, c))
                                << "picture " << base + k + panel << " row " << y;
            }
}

TEST(ArtBattleTextures, SkyPanelsAgreeInTheColumnsWhereTheyMeet) {
    // The +x panel (a) meets the side panels (b) at its u 0 and u 1 with their u 1, the -x panel (c) at
    // its u 1 and u 0 with their u 0. Every sky as the map picks it, night's shared pictures too.
    std::vector<std::array<int, 3>> skies = {{1403, 1423, 1423}, {1404, 1404, 1404}};
    for (int base : {1400, 1406, 1412})
        for (int k : {0, 1, 2, 5})
            skies.push_back({base + k, base + k + 20, base + k + 40});
    for (const auto& [a, b, c] : skies) {
        const ArtPicture pa = Load(a), pb = Load(b), pc = Load(c);
        const int last = pb.width - 1;
        const struct {
            const ArtPicture& p;
            int col, sideCol;
        } meets[] = {{pa, 0, last}, {pa, last, last}, {pc, last, 0}, {pc, 0, 0}};
        for (const auto& m : meets)
            for (int y = 0; y < pb.height; ++y)
                for (int ch = 0; ch < 3; ++ch)
                    ASSERT_LE(std::abs(m.p.At(m.col, y, ch) - pb.At(m.sideCol, y, ch)), 2)
                        << "sky " << a << " column " << m.col << " against " << b << " column " << m.sideCol
                        << " row " << y;
    }
}

TEST(ArtBattleTextures, FlagClothsOfTheNationsAndTheNeutralAreToldApart) {
    // Each cloth differs from every other point by point by a fifth of the scale (emblem, field or
    // layout); the neutral cloth is plain (only its folds shade it) and pale.
    std::vector<ArtPicture> cloths;
    for (int n = 440; n <= 450; ++n)
        cloths.push_back(Load(n));
    auto mean = [](const ArtPicture& p) {
        std::array<double, 3> m{};
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x)
                for (int c = 0; c < 3; ++c)
                    m[c] += p.At(x, y, c) / double(p.width * p.height);
        return m;
    };
    for (size_t i = 0; i < cloths.size(); ++i)
        for (size_t j = i + 1; j < cloths.size(); ++j) {
            double pointwise = 0;
            for (int y = 0; y < 64; ++y)
                for (int x = 0; x < 128; ++x)
                    for (int c = 0; c < 3; ++c)
                        pointwise += std::abs(cloths[i].At(x, y, c) - cloths[j].At(x, y, c)) / (128.0 * 64);
            EXPECT_GE(pointwise / 3, 20.0) << "cloths " << 440 + i << " and " << 440 + j;
        }
    const auto neutral = mean(cloths[10]);
    EXPECT_GT(neutral[0] + neutral[1] + neutral[2], 3 * 170.0);
    for (int c = 0; c < 3; ++c) {
        int lo = 255, hi = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 128; ++x)
                lo = std::min<int>(lo, cloths[10].At(x, y, c)),
                hi = std::max<int>(hi, cloths[10].At(x, y, c));
        EXPECT_LT(hi - lo, 0.3 * neutral[c]) << "the neutral cloth is plain";
    }
}

TEST(ArtBattleTextures, TheLineTextureHasThirtyTwoBandsFadingFromTheEdgeToTheCrest) {
    ArtPicture p = Load(2020);
    ASSERT_EQ(p.height % 32, 0);
    const int band = p.height / 32;
    for (int b = 0; b < 32; ++b) {
        int y = p.height - 1 - (b * band + band / 2); // v counted from the bottom row
        // u 0.02 (the soft edge) against u 0.88 (towards the crest, clear of the dashes' gaps)
        EXPECT_LT(p.At(p.width / 50, y, 3), p.At(p.width * 7 / 8 - 1, y, 3)) << "band " << b;
    }
}

TEST(ArtBattleScreen, PicturesHaveTheSizesTheirPlacesImply) {
    struct Size {
        std::vector<int> numbers;
        int w, h;
    };
    const Size sizes[] = {
        {{1000, 1001}, 540, 84},
        {{1002}, 178, 20},
        {{1003}, 120, 64},
        {Range(1600, 1645), 160, 20},
        {{1680, 1682, 1683, 1685, 1686}, 160, 20},
        {{1681, 1684}, 20, 20},
        {{1687}, 160, 7},
        {{2612, 2613, 2614}, 16, 16},
        {{11280, 11281}, 64, 64},
        {Range(2440, 2446), 88, 44},
        {Range(2460, 2465), 16, 44},
        {Range(2392, 2407), 22, 22},
        {{2426, 2414, 2415, 2413}, 92, 21},
        {{25300}, 89, 61},
        {{25016, 25028}, 80, 21},
    };
    for (const Size& s : sizes)
        for (int n : s.numbers) {
            ArtPicture p = Load(n);
            EXPECT_EQ(p.width, s.w) << "picture " << n;
            EXPECT_EQ(p.height, s.h) << "picture " << n;
        }
}

TEST(ArtBattleScreen, MenuLabelsDifferAndLeaveTheHotKeyCornerFree) {
    std::vector<std::vector<uint8_t>> seen;
    for (int k = 0; k < 46; ++k) {
        ArtPicture p = Load(1600 + k);
        EXPECT_TRUE(std::find(seen.begin(), seen.end(), p.pixels) == seen.end())
            << "label " << k << " repeats";
        seen.push_back(p.pixels);
        // The key letter goes at (134, 13) and the marker at x 140: no label ink (light text) there.
        for (int y = 4; y < 17; ++y)
            for (int x = 130; x < 160; ++x)
                EXPECT_LT(p.At(x, y, 0), 200) << "label " << k << " at " << x;
    }
}

TEST(ArtBattleSounds, WhistlesHaveTheirExactLengths) {
    const double seconds[5] = {1.431, 1.788, 3.193, 1.091, 0.761};
    for (int j = 0; j < 5; ++j) {
        ArtSound s;
        ASSERT_TRUE(ReadWav(SoundPath(623 + j), s));
        EXPECT_EQ(long(s.samples.size()), std::lround(seconds[j] * 22050)) << "whistle " << 623 + j;
    }
}

TEST(ArtBattleSounds, LoopsJoinWithoutAClick) {
    for (int n : {300, 5007, 133, 1900, 135, 136, 137, 140}) {
        ArtSound s;
        ASSERT_TRUE(ReadWav(SoundPath(n), s)) << "sound " << n;
        ASSERT_GT(s.samples.size(), 22050u) << "sound " << n;
        double mean = 0;
        for (size_t i = 1; i < s.samples.size(); ++i)
            mean += std::abs(s.samples[i] - s.samples[i - 1]);
        mean /= double(s.samples.size() - 1);
        EXPECT_LE(std::abs(s.samples.front() - s.samples.back()), mean * 6 + 50) << "sound " << n;
    }
}

TEST(ArtBattleSounds, CombatSoundsAreAudibleMonoPcm) {
    std::vector<int> numbers = {200,  213,  221,  290, 297,  320,   323,   311,   331,   700,
                                701,  702,  710,  905, 1000, 1031,  1100,  1631,  398,   2000,
                                2064, 3000, 3007, 500, 506,  30000, 30100, 31801, 50000, 54302};
    for (int n : numbers) {
        ArtSound s;
        ASSERT_TRUE(ReadWav(SoundPath(n), s)) << "sound " << n;
        EXPECT_EQ(s.channels, 1);
        EXPECT_EQ(s.bits, 16);
        EXPECT_EQ(s.rate, 22050);
        int peak = 0;
        for (int16_t v : s.samples)
            peak = std::max(peak, std::abs(int(v)));
        EXPECT_GT(peak, 8000) << "sound " << n;
        EXPECT_GT(s.samples.size(), 1000u) << "sound " << n;
    }
    // A voice is speech, not a tone: it is longer than a short bark and its two nations differ.
    ArtSound de, en;
    ASSERT_TRUE(ReadWav(SoundPath(32600), de));
    ASSERT_TRUE(ReadWav(SoundPath(52600), en));
    EXPECT_GT(de.samples.size(), 22050u / 4);
    EXPECT_NE(de.samples, en.samples);
}
