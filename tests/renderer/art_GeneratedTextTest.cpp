// The generated font bitmaps and pointer as the renderer reads them: loaded from the program's picture
// store the way the kernel loads them, German text queued and drawn through the 3-D text path must show,
// pixel for pixel, each character's glyph cell of the font file, standing on the text's y; the drawn
// pointer shows its arrow with the magenta key cut out. The frame is written to art_text.png in the
// program folder to be looked at.
#include "engine/FileTestFolder.h"
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "RendererTestHost.h"
#include "engine/GGraphic.h"
#include "engine/GPictureStore.h"
#include "engine/GString.h"
#include "platform/PngIO.h"
#include "platform/Surface16.h"

namespace {

using rtest::RGB565;

// A render host whose fonts and pointer are the program's own pictures.
class StoreHost : public rtest::TestHost {
public:
    using TestHost::TestHost;
    GGraphic* MakeFontGraphic(int32_t font) override { return Load(new GWinFontGraphic, font); }
    GGraphic* MakeGraphic(int32_t type, int32_t id) override {
        return type == kGraphic3DPicture ? Load(new GGraphic, id) : nullptr;
    }
    const SoftTexture* TextureOf(GGraphic* g) override { return g ? g->GetD3DTexture() : nullptr; }
    bool SurfaceOf(GGraphic* g, PixelTarget16* out) override {
        Surface16* s = g ? g->GetSurface() : nullptr;
        if (!s) return false;
        *out = s->Target();
        return true;
    }
    void SetSurfaceColorKey(GGraphic* g, uint16_t key) override {
        if (Surface16* s = g ? g->GetSurface() : nullptr) s->SetColorKey(key);
    }
    void GetBounds(GGraphic* g, int32_t* w, int32_t* h) override {
        LongRect r{0, 0, 1, 1};
        if (g) g->GetBounds(&r);
        *w = r.Width();
        *h = r.Height();
    }
    int32_t mMissing = 0;

private:
    GGraphic* Load(GGraphic* g, int32_t id) {
        if (!g->IGraphic(kGraphic3DPicture, id, 99, false) || !g->IsLoaded()) ++mMissing;
        mGraphics.emplace_back(g);
        return g;
    }
    std::vector<std::unique_ptr<GGraphic>> mGraphics;
};

// A renderer set up on the store host with a drawn pointer.
struct StoreRenderer : rtest::HostedRenderer<StoreHost> {
    StoreRenderer(int32_t w, int32_t h) : HostedRenderer(w, h, true) {}
};

constexpr int32_t kRowHeight[3] = {15, 12, 14};
constexpr int32_t kFontHeight[3] = {8, 8, 10};

int32_t Width(GGraph3D& r, int32_t font, int code) {
    char text[2] = {static_cast<char>(code), 0};
    GString255 s(text);
    return r.StringWidthInPixels3D(&s, font);
}

// Where a code's glyph lies in a font bitmap, by the packing rule: the codes with a font-0 width are
// numbered in code order, 32 to a row; fonts 0 and 1 pack a row's glyphs at their widths, font 2 has
// 7-pixel cells. A code without a glyph shows glyph 0.
struct Cell {
    int32_t x = 0, y = 0;
};
Cell CellOf(GGraph3D& r, int32_t font, int code) {
    int32_t glyph = 0, x = 0;
    Cell found;
    for (int c = 32; c < 256; ++c) {
        if (Width(r, 0, c) == 0) continue;
        if (glyph % 32 == 0) x = 0;
        if (c == code) found = {font == 2 ? (glyph % 32) * 7 : x, (glyph / 32) * kRowHeight[font]};
        x += Width(r, font, c);
        ++glyph;
    }
    return found;
}

uint16_t At(const PictureRGBA& p, int32_t x, int32_t y) {
    const uint8_t* q = &p.rgba[(size_t(y) * p.width + x) * 4];
    return MakeRGB565(q[0], q[1], q[2]);
}

// The screen the text path must leave: every black pixel of each character's cell in the text colour,
// anything in a cell that is neither black nor white copied as it is, the rest untouched.
void ExpectText(GGraph3D& r, std::vector<uint16_t>& screen, int32_t screenW, const PictureRGBA& bitmap,
                int32_t font, const std::string& text, int32_t x, int32_t y, uint16_t colour) {
    const int32_t top = y - kFontHeight[font];
    int32_t d = 0;
    for (unsigned char c : text) {
        if (c < 32) continue;
        const int32_t w = font == 2 ? 7 : Width(r, font, c);
        const Cell cell = CellOf(r, font, c);
        for (int32_t j = 0; j < kRowHeight[font]; ++j)
            for (int32_t i = 0; i < w; ++i) {
                const uint16_t p = At(bitmap, cell.x + i, cell.y + j);
                if (p != 0xFFFF) screen[size_t(top + j) * screenW + x + d + i] = p == 0 ? colour : p;
            }
        d += w;
    }
}

// Top and bottom rows of the pixels in colour within columns [x0, x1); -1, -1 without any.
std::pair<int32_t, int32_t> InkRows(StoreHost& host, int32_t x0, int32_t x1, uint16_t colour) {
    int32_t top = -1, bottom = -1;
    for (int32_t y = 0; y < host.mH; ++y)
        for (int32_t x = x0; x < x1; ++x)
            if (host.At(x, y) == colour) {
                if (top < 0) top = y;
                bottom = y;
            }
    return {top, bottom};
}

// Draws one text through the queue and the end of a frame.
void Draw(GGraph3D& r, const std::string& text, int32_t x, int32_t y, int32_t font, uint8_t red, uint8_t green,
          uint8_t blue) {
    GString255 s(text.c_str());
    r.WriteString3D(&s, x, y, -1, font, red, green, blue);
    r.FlushDelayedStringsWin();
}

class ArtText : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(f.setUp);
        ASSERT_EQ(f.host.mMissing, 0) << "font bitmaps or pointer missing from " << GPictureStore::Get().PathOf(0);
        for (int32_t font = 0; font < 3; ++font)
            ASSERT_TRUE(LoadPngRGBA(GPictureStore::Get().PathOf(font), &mBitmaps[font]));
    }
    StoreRenderer f{480, 200};
    PictureRGBA mBitmaps[3];
};

// Latin-1, as the string table gives the texts to the renderer.
const std::string kLines[3] = {
    "Schnelles Gefecht: Gr\xFC\xDF" "e aus \xC4gypten!",
    "Panzerungsqualit\xE4t: 85% \x95 Verst\xE4rkte Turmfront \xDC" "berh\xF6hung",
    "Neigung 45\xB0  R\xFC" "ck  \xD6" "ffnung  F\xFC" "r Punkte?",
};

TEST_F(ArtText, GermanLinesShowTheGlyphCellsOfTheFontFiles) {
    const uint16_t panel = RGB565(40, 36, 30), light = RGB565(218, 215, 191);
    f.host.Fill(panel);
    for (int32_t y = 100; y < 200; ++y)
        for (int32_t x = 0; x < 480; ++x) f.host.At(x, y) = light;
    std::vector<uint16_t> want(size_t(480) * 200);
    for (int32_t y = 0; y < 200; ++y)
        for (int32_t x = 0; x < 480; ++x) want[size_t(y) * 480 + x] = f.host.At(x, y);

    GGraph3D& r = *f.r;
    ASSERT_TRUE(r.RenderBegin(nullptr));
    for (int32_t font = 0; font < 3; ++font) {
        GString255 s(kLines[font].c_str());
        r.WriteString3D(&s, 6, 20 + 30 * font, -1, font, 255, 255, 180);
        r.WriteString3D(&s, 6, 120 + 30 * font, -1, font, 0, 0, 0);
        ExpectText(r, want, 480, mBitmaps[font], font, kLines[font], 6, 20 + 30 * font, RGB565(255, 255, 180));
        ExpectText(r, want, 480, mBitmaps[font], font, kLines[font], 6, 120 + 30 * font, RGB565(0, 0, 0));
    }
    r.RenderEnd();
    FileTestFolder pictures("dm-text-");
    EXPECT_TRUE(SavePng16(pictures.File("art_text.png").c_str(), f.host.mBack));

    int32_t wrong = 0, firstX = -1, firstY = -1;
    for (int32_t y = 0; y < 200; ++y)
        for (int32_t x = 0; x < 480; ++x)
            if (f.host.At(x, y) != want[size_t(y) * 480 + x] && wrong++ == 0) {
                firstX = x;
                firstY = y;
            }
    EXPECT_EQ(wrong, 0) << "first at " << firstX << "," << firstY;
    EXPECT_TRUE(f.host.BorderIntact());
    // The strokes came through both keys in both colours.
    EXPECT_GE(InkRows(f.host, 0, 480, RGB565(255, 255, 180)).first, 0);
    EXPECT_GE(InkRows(f.host, 0, 480, RGB565(0, 0, 0)).first, 0);
}

TEST_F(ArtText, CapitalsStandOnTheTextsYAndDescendersReachBelow) {
    GGraph3D& r = *f.r;
    const uint16_t ink = RGB565(255, 255, 240);  // white text is drawn with blue 240
    for (int32_t font = 0; font < 3; ++font) {
        f.host.Fill(0);
        Draw(r, "HEN", 10, 60, font, 255, 255, 255);
        auto caps = InkRows(f.host, 0, 480, ink);
        EXPECT_EQ(caps.second, 59) << "font " << font;
        EXPECT_GE(caps.first, 60 - kFontHeight[font]) << "font " << font;
        EXPECT_LE(caps.first, 54) << "font " << font << ": capitals at least 6 pixels high";
        f.host.Fill(0);
        Draw(r, "gjpqy", 10, 60, font, 255, 255, 255);
        EXPECT_GT(InkRows(f.host, 0, 480, ink).second, 60) << "font " << font;
    }
}

TEST_F(ArtText, UmlautsAreTheirLetterWithDotsAbove) {
    // A wrong glyph order would put another letter under the code: the umlaut must show its base letter
    // (lower case: the same pixels) with ink above it.
    GGraph3D& r = *f.r;
    const uint16_t ink = RGB565(255, 255, 240);
    auto shot = [&](int32_t font, const char* text) {
        f.host.Fill(0);
        Draw(r, text, 10, 60, font, 255, 255, 255);
        std::vector<bool> on(size_t(f.host.mW) * f.host.mH);
        for (int32_t y = 0; y < f.host.mH; ++y)
            for (int32_t x = 0; x < f.host.mW; ++x) on[size_t(y) * f.host.mW + x] = f.host.At(x, y) == ink;
        return std::make_pair(on, InkRows(f.host, 0, f.host.mW, ink));
    };
    const char* pairs[][2] = {{"\xE4", "a"}, {"\xF6", "o"}, {"\xFC", "u"}, {"\xC4", "A"}, {"\xD6", "O"}, {"\xDC", "U"}};
    for (int32_t font = 0; font < 3; ++font)
        for (const auto& p : pairs) {
            auto umlaut = shot(font, p[0]);
            auto base = shot(font, p[1]);
            EXPECT_LT(umlaut.second.first, base.second.first) << "code " << int(uint8_t(p[0][0])) << " font " << font;
            if (p[1][0] < 'a') continue;
            for (size_t i = 0; i < base.first.size(); ++i) {
                if (!base.first[i]) continue;
                ASSERT_TRUE(umlaut.first[i]) << "code " << int(uint8_t(p[0][0])) << " font " << font;
            }
        }
}

TEST_F(ArtText, PointerShowsItsArrowWithTheKeyCutOut) {
    GGraph3D& r = *f.r;
    ASSERT_NE(r.mCursorGraphic, nullptr);
    PictureRGBA pointer;
    ASSERT_TRUE(LoadPngRGBA(GPictureStore::Get().PathOf(10), &pointer));
    const uint16_t back = RGB565(90, 110, 60);
    f.host.Fill(back);
    r.DrawFakeCursor(50, 40);
    int32_t dark = 0, light = 0;
    for (int32_t y = 0; y < pointer.height; ++y)
        for (int32_t x = 0; x < pointer.width; ++x) {
            const uint8_t* q = &pointer.rgba[(size_t(y) * pointer.width + x) * 4];
            const bool key = q[0] == 255 && q[1] == 0 && q[2] == 255;
            // The loader softens pure white in every picture but the fonts.
            const bool white = q[0] == 255 && q[1] == 255 && q[2] == 255;
            const uint16_t expect = key ? back : white ? MakeRGB565(240, 240, 240) : MakeRGB565(q[0], q[1], q[2]);
            ASSERT_EQ(f.host.At(50 + x, 40 + y), expect) << x << "," << y;
            const int sum = q[0] + q[1] + q[2];
            if (!key && sum < 150) ++dark;
            if (!key && sum > 600) ++light;
        }
    // The hot spot is the tip at the top-left, and the arrow has a dark edge and a light body so that it
    // shows on any ground.
    EXPECT_NE(f.host.At(50, 40), back);
    EXPECT_GT(dark, 0);
    EXPECT_GT(light, 0);
}

}  // namespace
