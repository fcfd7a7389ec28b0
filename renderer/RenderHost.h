#pragma once
#include <cstdint>

#include "platform/PixelTarget.h"

class GGraphic;
class SoftDevice3D;
class SoftTexture;

// What the renderer uses of the kernel: its device and back buffer, the
// screen, the pixel format, pictures and the pointer. The kernel installs its
// implementation before it creates g3D; tests install their own.
class RenderHost {
public:
    virtual ~RenderHost() = default;

    virtual SoftDevice3D* Get3DDevice() = 0;
    virtual PixelTarget16 GetBackBuffer() = 0;
    virtual int32_t ScreenWidth() = 0;
    virtual int32_t ScreenHeight() = 0;
    virtual bool IsHardwareDevice() = 0;
    virtual bool IsHardwareDriver() = 0;
    virtual bool IsQuitting() = 0;
    // The device's fixed render states and the display's pixel format.
    virtual void PrepareDevice3D() = 0;
    virtual void DetermineWinPixelFormat() = 0;
    virtual uint16_t MakeColor16(uint8_t r, uint8_t g, uint8_t b) = 0;
    virtual uint32_t ConvertToD3DColor(uint16_t pixel) = 0;
    virtual uint16_t GetMaskColor() = 0;

    // Pictures: the pointer (type 1, id 10) and the font bitmaps (type 1,
    // id = font, keyed on black). The renderer deletes what it made.
    virtual GGraphic* MakeGraphic(int32_t type, int32_t id) = 0;
    virtual GGraphic* MakeFontGraphic(int32_t font) = 0;
    virtual void DeleteGraphic(GGraphic* graphic) = 0;
    // The graphic's texture for the device; null when it has no picture.
    virtual const SoftTexture* TextureOf(GGraphic* graphic) = 0;
    // The graphic's 16-bit surface; false when it has none.
    virtual bool SurfaceOf(GGraphic* graphic, PixelTarget16* out) = 0;
    virtual void SetSurfaceColorKey(GGraphic* graphic, uint16_t key) = 0;
    // (0, 0, width, height); (0, 0, 1, 1) without a picture.
    virtual void GetBounds(GGraphic* graphic, int32_t* width, int32_t* height) = 0;

    virtual void ShowWinCursor(bool show) = 0;
    virtual void SetCursorPos(int32_t x, int32_t y) = 0;
    // Shows the finished back buffer (the page flip).
    virtual void Flip() = 0;
    // Video memory in bytes (free, total) and the application's hook.
    virtual void GetVideoMemory(uint32_t* freeBytes, uint32_t* totalBytes) = 0;
    virtual void RespondToVRAM(int32_t kilobytes, bool agpTexturing) = 0;
};

extern RenderHost* gRenderHost;
