#include "engine/GOLTAFont.h"
#include "engine/G3DBridge.h"
#include "engine/GString.h"
#include "platform/FontRaster.h"
#include <memory>

namespace {
struct FaceSpec {
    const char* file;
    int32_t pixelSize;
    int32_t fixedAdvance;
};
// Sizes chosen so that the capitals are as tall as the bitmap fonts of the
// 3-D display (8, 8 and 10 pixels above y).
constexpr FaceSpec kFaces[3] = {
    {"DejaVuSans.ttf", 11, 0},
    {"DejaVuSansCondensed.ttf", 11, 0},
    {"DejaVuSansMono.ttf", 13, 7},
};
constexpr int32_t kHeightAbove[3] = {8, 8, 10};
std::unique_ptr<FontRaster> sFaces[3];
} // namespace

namespace GOLTAFonts {
bool Make() {
    bool ok = true;
    for (int i = 0; i < 3; ++i) {
        if (sFaces[i]) continue;
        auto face = std::make_unique<FontRaster>();
        const std::string path = FindSystemFont(kFaces[i].file);
        if (path.empty() || !face->Open(path, kFaces[i].pixelSize, kFaces[i].fixedAdvance)) {
            ok = false;
            continue;
        }
        sFaces[i] = std::move(face);
    }
    return ok;
}

void Release() {
    for (auto& f : sFaces)
        f.reset();
}

const FontRaster* Face(GOLTAFont font) {
    if (font < 0 || font > 2) return nullptr;
    return sFaces[font].get();
}

int32_t HeightAbove(GOLTAFont font) {
    return font >= 0 && font <= 2 ? kHeightAbove[font] : 8;
}

int32_t BaselineFor(GOLTAFont font, int32_t y) {
    // The capitals' top lands one pixel below the top of the 3-D text strip.
    const FontRaster* f = Face(font);
    const int32_t ascent = f ? f->Ascent() : HeightAbove(font);
    return y - HeightAbove(font) + 1 + ascent;
}
} // namespace GOLTAFonts

int32_t StringWidthInPixels(GString* text, GOLTAFont font) {
    if (!text) return 0;
    if (Bridge3D::Exists()) return Bridge3D::StringWidth(text, font);
    const FontRaster* f = GOLTAFonts::Face(font);
    if (!f) return 0;
    return f->TextWidth(text->GetCString(), text->GetLength());
}
