#include "Widgets.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>

#include "Noise.h"

void DrawPanel(Image& img, int x, int y, int w, int h, Rgb face, uint32_t seed, bool sunken) {
    img.VerticalGradient(x, y, w, h, Shade(face, sunken ? 0.85f : 1.12f), Shade(face, sunken ? 1.0f : 0.86f));
    img.Grain(x, y, w, h, 0.06f, seed, 9.0f);
    Rgb light = Shade(face, 1.55f), dark = Shade(face, 0.5f);
    img.FrameRect(x, y, w, h, Palette::kInk);
    if (sunken)
        img.Bevel(x + 1, y + 1, w - 2, h - 2, dark, light, 2);
    else
        img.Bevel(x + 1, y + 1, w - 2, h - 2, light, dark, 2);
}

void DrawBackdrop(Image& img, Rgb top, Rgb bottom, uint32_t seed) {
    const int w = img.Width(), h = img.Height();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float t = float(y) / float(h > 1 ? h - 1 : 1);
            float cloud = Fbm(x / 90.0f, y / 60.0f, seed, 5);
            float grain = ValueNoise(x * 0.9f, y * 0.9f, seed + 17) - 0.5f;
            float dx = (x - w * 0.5f) / (w * 0.5f), dy = (y - h * 0.5f) / (h * 0.5f);
            float vignette = 1.0f - 0.35f * std::min(1.0f, 0.5f * (dx * dx + dy * dy));
            Rgb c = Mix(top, bottom, t);
            img.Set(x, y, Shade(c, (0.78f + 0.42f * cloud + 0.05f * grain) * vignette));
        }
}

void DrawButton(Image& img, int x, int y, int w, int h, const std::string& label, ButtonState state,
                const Fonts& fonts, int font, int scale, uint32_t seed) {
    Rgb face = Palette::kOlive, text = Palette::kText;
    bool sunken = false;
    int shift = 0;
    switch (state) {
    case ButtonState::kNormal:
        break;
    case ButtonState::kPressed:
        face = Palette::kOliveDark;
        sunken = true;
        shift = 1;
        break;
    case ButtonState::kHighlight:
        face = Palette::kOliveLight;
        text = Palette::kHighlightText;
        break;
    case ButtonState::kInactive:
        face = Palette::kGreyDark;
        text = Palette::kTextDim;
        break;
    }
    DrawPanel(img, x, y, w, h, face, seed, sunken);
    if (state == ButtonState::kHighlight) img.FrameRect(x + 3, y + 3, w - 6, h - 6, Palette::kBrass);
    if (state == ButtonState::kInactive) img.Grain(x + 3, y + 3, w - 6, h - 6, 0.04f, seed + 5, 3.0f);
    // Baseline so that the capitals sit in the middle of the face.
    int capHeight = (font == 2 ? 8 : font == 0 ? 8 : 6) * scale;
    int baseline = y + (h + capHeight) / 2 + shift;
    std::string text1 = Latin1(label);
    const BitmapFont& f = fonts[font];
    if (state == ButtonState::kInactive)
        f.DrawText(img, text1, x + w / 2 + shift, baseline, text, 0, scale);
    else
        f.DrawShadowed(img, text1, x + w / 2 + shift, baseline, text, Palette::kInk, 0, scale);
}

std::vector<Image> ButtonLooks(int w, int h, int looks, const std::string& label, const Fonts& fonts,
                               int font, int scale, uint32_t seed) {
    const ButtonState states[4] = {ButtonState::kNormal, ButtonState::kPressed, ButtonState::kHighlight,
                                   ButtonState::kInactive};
    std::vector<Image> out;
    for (int i = 0; i < looks && i < 4; ++i) {
        out.emplace_back(w, h);
        DrawButton(out.back(), 0, 0, w, h, label, states[i], fonts, font, scale, seed);
    }
    return out;
}

namespace {
std::vector<uint32_t> CodePoints(const std::string& utf8) {
    std::vector<uint32_t> cps;
    for (size_t i = 0; i < utf8.size();) {
        unsigned char c = utf8[i];
        if (c < 0x80) {
            cps.push_back(c);
            ++i;
        } else if ((c & 0xE0) == 0xC0 && i + 1 < utf8.size()) {
            cps.push_back(((c & 0x1Fu) << 6) | (utf8[i + 1] & 0x3Fu));
            i += 2;
        } else {
            ++i;
        }
    }
    return cps;
}
} // namespace

void DrawLargeText(Image& img, const Fonts& fonts, const std::string& utf8, const char* face, int pixelSize,
                   int x, int y, Rgb colour, int justify) {
    FT_Library lib = nullptr;
    FT_Face ft = nullptr;
    if (FT_Init_FreeType(&lib)) return;
    std::string path = fonts.faceDir + "/" + face;
    if (FT_New_Face(lib, path.c_str(), 0, &ft) == 0) {
        FT_Set_Pixel_Sizes(ft, 0, FT_UInt(pixelSize));
        std::vector<uint32_t> cps = CodePoints(utf8);
        int width = 0;
        for (uint32_t cp : cps)
            if (!FT_Load_Char(ft, cp, FT_LOAD_DEFAULT)) width += int(ft->glyph->advance.x >> 6);
        int pen = justify == 0 ? x - width / 2 : justify == 1 ? x - width : x;
        for (uint32_t cp : cps) {
            if (FT_Load_Char(ft, cp, FT_LOAD_RENDER)) continue;
            const FT_Bitmap& bm = ft->glyph->bitmap;
            for (int j = 0; j < int(bm.rows); ++j)
                for (int i = 0; i < int(bm.width); ++i) {
                    float a = bm.buffer[j * bm.pitch + i] / 255.0f;
                    img.Blend(pen + ft->glyph->bitmap_left + i, y - ft->glyph->bitmap_top + j, colour, a);
                }
            pen += int(ft->glyph->advance.x >> 6);
        }
        FT_Done_Face(ft);
    }
    FT_Done_FreeType(lib);
}

void Label(Image& img, const Fonts& fonts, int font, const std::string& utf8, int x, int y, Rgb colour,
           int justify, int scale) {
    fonts[font].DrawShadowed(img, Latin1(utf8), x, y, colour, Palette::kInk, justify, scale);
}

void DrawAxisEmblem(Image& img, int cx, int cy, int size) {
    // A white-edged black cross with straight arms.
    float s = size / 2.0f, a = size * 0.16f, e = size * 0.08f;
    auto cross = [&](float arm, float half, Rgb c) {
        img.FillPolygon({cx - half, cy - arm,  cx + half, cy - arm,  cx + half, cy - half,
                         cx + arm,  cy - half, cx + arm,  cy + half, cx + half, cy + half,
                         cx + half, cy + arm,  cx - half, cy + arm,  cx - half, cy + half,
                         cx - arm,  cy + half, cx - arm,  cy - half, cx - half, cy - half},
                        c);
    };
    cross(s, a + e, Palette::kText);
    cross(s - e, a, Palette::kInk);
}

void DrawAlliedEmblem(Image& img, int cx, int cy, int size) {
    float r = size / 2.0f;
    // A pale disc with a five-pointed star in olive.
    std::vector<float> disc;
    for (int i = 0; i < 32; ++i) {
        float t = i * 6.2831853f / 32.0f;
        disc.push_back(cx + r * std::cos(t));
        disc.push_back(cy + r * std::sin(t));
    }
    img.FillPolygon(disc, Palette::kText);
    std::vector<float> star;
    for (int i = 0; i < 10; ++i) {
        float t = -1.5707963f + i * 3.14159265f / 5.0f;
        float rr = (i % 2 ? 0.38f : 0.95f) * r;
        star.push_back(cx + rr * std::cos(t));
        star.push_back(cy + rr * std::sin(t));
    }
    img.FillPolygon(star, Palette::kOliveDark);
}
