// The kernel's 2-D graphics services: colours, rectangles, lines, pictures.
#include "engine/G3DBridge.h"
#include "engine/GKernel.h"
#include "platform/Surface16.h"

void GKernel::DetermineWinPixelFormat() {
    // The back buffer is always RGB565.
    mMaskColour = static_cast<uint16_t>(MakeColor16(255, 0, 255));
    gBlack = MakeColor16(0, 0, 0);
    gWhite = MakeColor16(255, 255, 255);
}

int16_t GKernel::MakeColor16(uint8_t r, uint8_t g, uint8_t b) const {
    return static_cast<int16_t>(MakeRGB565(r, g, b));
}

uint32_t GKernel::ConvertToD3DColor(int16_t pixel) const {
    const uint32_t p = static_cast<uint16_t>(pixel);
    const auto scale = [](uint32_t v, uint32_t maxValue) {
        return static_cast<uint32_t>(v * 255.0 / maxValue);
    };
    return 0xFF000000u | (scale(p >> 11, 31) << 16) | (scale((p >> 5) & 63, 63) << 8) | scale(p & 31, 31);
}

void GKernel::PaintRectangle(const LongRect* rect, int16_t colour) {
    if (!rect) return;
    if (m3DMode && Bridge3D::Exists()) {
        Bridge3D::PaintRectangle(*rect, static_cast<uint16_t>(colour));
        return;
    }
    FillRect16(GetBackBuffer(), rect->left, rect->top, rect->Width(), rect->Height(),
               static_cast<uint16_t>(colour));
    mPresentPending = true;
}

void GKernel::Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int16_t colour, int16_t width) {
    if (m3DMode && Bridge3D::Exists()) {
        Bridge3D::Line(x1, y1, x2, y2, static_cast<uint16_t>(colour), width);
        return;
    }
    DrawLine16(GetBackBuffer(), x1, y1, x2, y2, static_cast<uint16_t>(colour), width);
    mPresentPending = true;
}

GGraphic* GKernel::MakeGraphic(GraphicType type, int32_t id) {
    GGraphic* g = new GGraphic;
    g->IGraphic(type, id, 0, false);
    return g;
}

GGraphic* GKernel::MakeGraphicCanFail(GraphicType type, int32_t id) {
    GGraphic* g = new GGraphic;
    if (g->IGraphic(type, id, 0, false)) return g;
    delete g;
    return nullptr;
}

namespace {
GGraphic* MakeTextureAt(int32_t id, int32_t priority) {
    if (id < 1) return nullptr;
    GGraphic* g = new GGraphic;
    g->IGraphic(kGraphicTexture, id, priority, false);
    return g;
}
} // namespace

GGraphic* GKernel::MakeTexture(int32_t id) {
    return MakeTextureAt(id, 0);
}
GGraphic* GKernel::MakePriorityTexture(int32_t id) {
    return MakeTextureAt(id, 1);
}
GGraphic* GKernel::MakeHighPriorityTexture(int32_t id) {
    return MakeTextureAt(id, 2);
}
GGraphic* GKernel::MakeHighestPriorityTexture(int32_t id) {
    return MakeTextureAt(id, 3);
}
