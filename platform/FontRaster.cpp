#include "platform/FontRaster.h"
#include <ft2build.h>
#include FT_FREETYPE_H
#include <cmath>
#include <filesystem>

FontRaster::FontRaster() = default;
FontRaster::~FontRaster() = default;

bool FontRaster::Open(const std::string& path, int32_t pixelSize, int32_t fixedAdvance) {
    mOpen = false;
    for (Glyph& g : mGlyphs)
        g = Glyph{};
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib) != 0) return false;
    FT_Face face = nullptr;
    if (FT_New_Face(lib, path.c_str(), 0, &face) != 0 || FT_Set_Pixel_Sizes(face, 0, pixelSize) != 0) {
        if (face) FT_Done_Face(face);
        FT_Done_FreeType(lib);
        return false;
    }
    // The capital H gives the visible ascent, which is what layouts align to.
    mAscent = static_cast<int32_t>((face->size->metrics.ascender + 63) >> 6);
    if (FT_Load_Char(face, 'H', FT_LOAD_DEFAULT) == 0)
        mAscent = static_cast<int32_t>((face->glyph->metrics.horiBearingY + 63) >> 6);
    for (int code = 32; code < 256; ++code) {
        Glyph& g = mGlyphs[code];
        // Latin-1 codes are the Unicode code points of the same number.
        if (FT_Load_Char(face, static_cast<FT_ULong>(code), FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT) != 0)
            continue;
        const FT_GlyphSlot slot = face->glyph;
        g.advance = fixedAdvance > 0 ? fixedAdvance : static_cast<int32_t>((slot->advance.x + 32) >> 6);
        const FT_Bitmap& bm = slot->bitmap;
        if (bm.pixel_mode != FT_PIXEL_MODE_GRAY || bm.width == 0 || bm.rows == 0) continue;
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        g.width = static_cast<int32_t>(bm.width);
        g.height = static_cast<int32_t>(bm.rows);
        // A fixed advance centres the glyph in its cell.
        if (fixedAdvance > 0) g.left = (fixedAdvance - g.width) / 2;
        g.coverage.resize(static_cast<size_t>(g.width) * g.height);
        for (int32_t y = 0; y < g.height; ++y)
            for (int32_t x = 0; x < g.width; ++x)
                g.coverage[static_cast<size_t>(y) * g.width + x] = bm.buffer[y * bm.pitch + x];
    }
    FT_Done_Face(face);
    FT_Done_FreeType(lib);
    mOpen = true;
    return true;
}

int32_t FontRaster::Advance(uint8_t ch) const {
    return ch < 32 ? 0 : mGlyphs[ch].advance;
}

int32_t FontRaster::TextWidth(const char* text, int32_t length) const {
    int32_t w = 0;
    for (int32_t i = 0; i < length; ++i)
        w += Advance(static_cast<uint8_t>(text[i]));
    return w;
}

void FontRaster::Draw(const PixelTarget16& dst, int32_t x, int32_t baselineY, const char* text,
                      int32_t length, uint8_t r, uint8_t g, uint8_t b) const {
    if (!dst.pixels || !mOpen) return;
    const int32_t r5 = r >> 3, g6 = g >> 2, b5 = b >> 3;
    for (int32_t i = 0; i < length; ++i) {
        const uint8_t ch = static_cast<uint8_t>(text[i]);
        if (ch < 32) continue;
        const Glyph& gl = mGlyphs[ch];
        const int32_t gx = x + gl.left, gy = baselineY - gl.top;
        for (int32_t row = 0; row < gl.height; ++row) {
            const int32_t py = gy + row;
            if (py < 0 || py >= dst.height) continue;
            uint16_t* line = dst.Row(py);
            const uint8_t* cov = gl.coverage.data() + static_cast<size_t>(row) * gl.width;
            for (int32_t col = 0; col < gl.width; ++col) {
                const int32_t px = gx + col;
                const int32_t a = cov[col];
                if (a == 0 || px < 0 || px >= dst.width) continue;
                const uint16_t d = line[px];
                if (a == 255) {
                    line[px] = static_cast<uint16_t>((r5 << 11) | (g6 << 5) | b5);
                    continue;
                }
                const int32_t dr = d >> 11, dg = (d >> 5) & 63, db = d & 31;
                const int32_t nr = dr + ((r5 - dr) * a + 127) / 255;
                const int32_t ng = dg + ((g6 - dg) * a + 127) / 255;
                const int32_t nb = db + ((b5 - db) * a + 127) / 255;
                line[px] = static_cast<uint16_t>((nr << 11) | (ng << 5) | nb);
            }
        }
        x += gl.advance;
    }
}

std::string FindSystemFont(const char* fileName) {
    static const char* const kFolders[] = {"/usr/share/fonts/truetype/dejavu/", "/usr/share/fonts/dejavu/",
                                           "/usr/share/fonts/TTF/"};
    std::error_code ec;
    for (const char* folder : kFolders) {
        std::string p = std::string(folder) + fileName;
        if (std::filesystem::exists(p, ec)) return p;
    }
    return "";
}
