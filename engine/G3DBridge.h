#pragma once
#include "engine/LongRect.h"
#include <cstdint>

// The kernel's and the views' calls into the 3-D renderer g3D. They are
// gathered here so that the engine's 2-D code does not depend on the
// renderer's headers; every call does nothing (or answers neutrally) while
// g3D is null, i.e. in 2-D mode.
class GGraph3D;
class GString;
class SoftDevice3D;
extern GGraph3D* g3D;

namespace Bridge3D {
bool Exists();
// The screen's 3-D device, drawing into the kernel's back buffer; null
// while there is no back buffer (or no renderer in the build).
SoftDevice3D* Device();
// Sets the device's fixed render states.
void PrepareDevice();
// Makes a new renderer for the kernel's device and sets it up; g3D stays
// null when that fails.
bool Create();
void Delete();
bool RenderBegin();
void RenderEnd();
void DrawFakeCursor(int32_t x, int32_t y);
void ShowCursor(bool show);
void InformAppOfVRAM();
void WriteString(GString* text, int32_t x, int32_t y, int32_t justify, int32_t font, uint8_t r, uint8_t g,
                 uint8_t b);
int32_t StringWidth(GString* text, int32_t font);
// Draws the texts written so far over what is drawn, so that views drawn
// later cover them.
void FlushStrings();
void ActivateView(int32_t left, int32_t top, int32_t width, int32_t height, float fov, float nearZ,
                  float farZ);
void ActivateBasicView(int32_t left, int32_t top, int32_t width, int32_t height);
void ActivatePicking(int32_t x, int32_t y, int32_t width, int32_t height, float fov, float nearZ, float farZ);
void Continue3DPick();
void FinishedPicking();
void PushMatrix();
void PopMatrix();
void PaintRectangle(const LongRect& rect, uint16_t colour);
void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint16_t colour, int16_t width);
// Texture loading: the error flag, the downsample level, the light factors
// (red, green, blue) and the largest texture side.
bool TextureError();
int32_t TextureDownsample();
void LightFactors(float rgb[3]);
// Sets the light factors that textures made from now on are lit with.
void SetLightFactors(const float rgb[3]);
int32_t MaxTextureSize();
} // namespace Bridge3D

namespace Bridge3D {
// The renderer's local mip-mapping for the textures made while it is on (a
// unit's vehicle sets); answers the renderer's reply, false without g3D.
bool SetMipMapLocal(bool on);
} // namespace Bridge3D
