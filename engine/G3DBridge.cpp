#include "engine/G3DBridge.h"
#include "engine/GDrawRecord.h"

// Without the renderer in the build the bridge has nothing to call: g3D
// stays null and the engine runs in 2-D mode only.
#if __has_include("renderer/GGraph3D.h")
#include <memory>

#include "engine/GString.h"
#include "renderer/GGraph3D.h"
#include "renderer/KernelRenderHost.h"

namespace Bridge3D {
namespace {
std::unique_ptr<KernelRenderHost> sHost;

KernelRenderHost* Host() {
    if (!sHost) sHost = std::make_unique<KernelRenderHost>();
    return sHost.get();
}
}

bool Exists() { return g3D != nullptr; }

SoftDevice3D* Device() { return Host()->Get3DDevice(); }

void PrepareDevice() { Host()->PrepareDevice3D(); }

bool Create() {
    Delete();
    gRenderHost = Host();
    g3D = new GGraph3D;
    if (g3D->Setup3D()) return true;
    Delete();
    return false;
}

void Delete() {
    delete g3D;
    g3D = nullptr;
}

bool RenderBegin() { return g3D && g3D->RenderBegin(nullptr); }
void RenderEnd() { if (g3D) g3D->RenderEnd(); }
void DrawFakeCursor(int32_t x, int32_t y) { if (g3D) g3D->DrawFakeCursor(x, y); }
void ShowCursor(bool show) { if (g3D) g3D->Show3DCursor(show); }
void InformAppOfVRAM() { if (g3D) g3D->InformAppOfVRAM(); }
void WriteString(GString* text, int32_t x, int32_t y, int32_t justify, int32_t font, uint8_t r, uint8_t g,
                 uint8_t b) {
    if (g3D) g3D->WriteString3D(text, x, y, justify, font, r, g, b);
}
int32_t StringWidth(GString* text, int32_t font) { return g3D ? g3D->StringWidthInPixels3D(text, font) : 0; }
void FlushStrings() {
    if (!g3D || g3D->mDelayedStrings.GetCount() == 0 || g3D->mPickPass != 0) return;
    if (gScreenDrawLog) gScreenDrawLog->mItems.push_back(ScreenDrawItem{'f'});
    // Triangles still queued in the device lie under the texts.
    if (SoftDevice3D* device = Device()) device->Flush();
    g3D->FlushDelayedStringsWin();
}
void ActivateView(int32_t left, int32_t top, int32_t width, int32_t height, float fov, float nearZ, float farZ) {
    if (g3D) g3D->ActivateView(left, top, width, height, fov, nearZ, farZ);
}
void ActivateBasicView(int32_t left, int32_t top, int32_t width, int32_t height) {
    if (g3D) g3D->ActivateBasicView(left, top, width, height);
}
void ActivatePicking(int32_t x, int32_t y, int32_t width, int32_t height, float fov, float nearZ, float farZ) {
    if (g3D) g3D->ActivatePicking(x, y, width, height, fov, nearZ, farZ);
}
void Continue3DPick() { if (g3D) g3D->Continue3DPick(); }
void FinishedPicking() { if (g3D) g3D->FinishedPicking(); }
void PushMatrix() { if (g3D) g3D->PushMatrix(); }
void PopMatrix() { if (g3D) g3D->PopMatrix(); }
void PaintRectangle(const LongRect& rect, uint16_t colour) {
    RECT r{rect.left, rect.top, rect.right, rect.bottom};
    if (g3D) g3D->PaintRectangle(&r, colour);
}
void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint16_t colour, int16_t width) {
    if (g3D) g3D->Line(x1, y1, x2, y2, colour, width);
}
bool TextureError() { return g3D && g3D->GetTextureErrorFlagSys(); }
int32_t TextureDownsample() { return g3D ? g3D->GetTextureDownsample() : 0; }
void LightFactors(float rgb[3]) {
    ColorRGB c{1.0f, 1.0f, 1.0f};
    if (g3D) g3D->GetLightFactors(&c);
    rgb[0] = c.red;
    rgb[1] = c.green;
    rgb[2] = c.blue;
}
void SetLightFactors(const float rgb[3]) {
    const ColorRGB c{rgb[0], rgb[1], rgb[2]};
    if (g3D) g3D->SetLightFactors(&c, nullptr);
}
int32_t MaxTextureSize() { return g3D ? g3D->GetMaxTextureSize() : 256; }
}  // namespace Bridge3D
#else
GGraph3D* g3D = nullptr;

namespace Bridge3D {
bool Exists() { return g3D != nullptr; }
SoftDevice3D* Device() { return nullptr; }
void PrepareDevice() {}
bool Create() { return false; }
void Delete() {}
bool RenderBegin() { return false; }
void RenderEnd() {}
void DrawFakeCursor(int32_t, int32_t) {}
void ShowCursor(bool) {}
void InformAppOfVRAM() {}
void WriteString(GString*, int32_t, int32_t, int32_t, int32_t, uint8_t, uint8_t, uint8_t) {}
int32_t StringWidth(GString*, int32_t) { return 0; }
void FlushStrings() {}
void ActivateView(int32_t, int32_t, int32_t, int32_t, float, float, float) {}
void ActivateBasicView(int32_t, int32_t, int32_t, int32_t) {}
void ActivatePicking(int32_t, int32_t, int32_t, int32_t, float, float, float) {}
void Continue3DPick() {}
void FinishedPicking() {}
void PushMatrix() {}
void PopMatrix() {}
void PaintRectangle(const LongRect&, uint16_t) {}
void Line(int32_t, int32_t, int32_t, int32_t, uint16_t, int16_t) {}
bool TextureError() { return false; }
int32_t TextureDownsample() { return 0; }
void LightFactors(float rgb[3]) { rgb[0] = rgb[1] = rgb[2] = 1.0f; }
void SetLightFactors(const float[3]) {}
int32_t MaxTextureSize() { return 256; }
}  // namespace Bridge3D
#endif

#if __has_include("renderer/GGraph3D.h")
namespace Bridge3D {
bool SetMipMapLocal(bool on) { return g3D ? g3D->SetMipMapLocal(on) : false; }
} // namespace Bridge3D
#else
namespace Bridge3D {
bool SetMipMapLocal(bool) { return false; }
} // namespace Bridge3D
#endif
