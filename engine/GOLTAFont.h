#pragma once
#include <cstdint>

class GString;
class FontRaster;

// The program's three text faces: 0 and 1 proportional, 2 with a fixed
// advance of 7 pixels.
enum GOLTAFont : int32_t { kFontNormal = 0, kFontSmall = 1, kFontFixed = 2 };

// The width of the text in pixels; in 3-D mode the renderer's measure.
// 0 for a null text or before the fonts are made.
int32_t StringWidthInPixels(GString* text, GOLTAFont font);

// The 2-D faces, made once by the kernel at start.
namespace GOLTAFonts {
bool Make();
void Release();
// Null before Make or for a font number outside 0..2.
const FontRaster* Face(GOLTAFont font);
// Pixels of the text above its y, the same for 2-D and 3-D text.
int32_t HeightAbove(GOLTAFont font);
// Where the baseline of text written at y lies.
int32_t BaselineFor(GOLTAFont font, int32_t y);
} // namespace GOLTAFonts
