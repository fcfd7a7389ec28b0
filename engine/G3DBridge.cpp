#include "engine/G3DBridge.h"

// Until the renderer is part of the build the bridge has nothing to call:
// g3D stays null and the engine runs in 2-D mode only.
#if __has_include("renderer/GGraph3D.h")
#error "wire the bridge to the renderer"
#else
GGraph3D* g3D = nullptr;

namespace Bridge3D {
bool Exists() { return g3D != nullptr; }
bool Create() { return false; }
void Delete() {}
bool RenderBegin() { return false; }
void RenderEnd() {}
void DrawFakeCursor(int32_t, int32_t) {}
void ShowCursor(bool) {}
void InformAppOfVRAM() {}
void WriteString(GString*, int32_t, int32_t, int32_t, int32_t, uint8_t, uint8_t, uint8_t) {}
int32_t StringWidth(GString*, int32_t) { return 0; }
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
int32_t MaxTextureSize() { return 256; }
}  // namespace Bridge3D
#endif
