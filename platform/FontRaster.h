#pragma once
#include "platform/PixelTarget.h"
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One text face rasterised by FreeType at a fixed pixel size. The glyphs of
// the 224 printable Latin-1 codes (32..255) are rendered once when the face
// opens, so drawing text is a blend of cached coverage masks.
class FontRaster {
public:
    FontRaster();
    ~FontRaster();
    FontRaster(const FontRaster&) = delete;
    FontRaster& operator=(const FontRaster&) = delete;

    // Opens the font file at pixelSize. fixedAdvance > 0 forces every
    // character's advance to that many pixels. False when the file is unusable.
    bool Open(const std::string& path, int32_t pixelSize, int32_t fixedAdvance);
    bool IsOpen() const { return mOpen; }

    // Pixels above the baseline that the capital letters reach.
    int32_t Ascent() const { return mAscent; }
    int32_t Advance(uint8_t ch) const;
    int32_t TextWidth(const char* text, int32_t length) const;
    // Draws Latin-1 text with its baseline at y and its left edge at x,
    // blending coverage into the target; clipped.
    void Draw(const PixelTarget16& dst, int32_t x, int32_t baselineY, const char* text, int32_t length,
              uint8_t r, uint8_t g, uint8_t b) const;

private:
    struct Glyph {
        int32_t left = 0, top = 0, width = 0, height = 0, advance = 0;
        std::vector<uint8_t> coverage;
    };
    Glyph mGlyphs[256];
    int32_t mAscent = 0;
    bool mOpen = false;
};

// The DejaVu font files of the system, or "" when absent.
std::string FindSystemFont(const char* fileName);
