#pragma once
#include "platform/SoftDevice3D.h"
#include "renderer/RenderHost.h"

// The renderer's view of the one kernel: the screen device drawing into the
// kernel's back buffer, and the kernel's pictures, colours and pointer.
class KernelRenderHost : public RenderHost {
public:
    SoftDevice3D* Get3DDevice() override;
    PixelTarget16 GetBackBuffer() override;
    int32_t ScreenWidth() override;
    int32_t ScreenHeight() override;
    bool IsHardwareDevice() override;
    bool IsHardwareDriver() override;
    bool IsQuitting() override;
    void PrepareDevice3D() override;
    void DetermineWinPixelFormat() override {}
    uint16_t MakeColor16(uint8_t r, uint8_t g, uint8_t b) override;
    uint32_t ConvertToD3DColor(uint16_t pixel) override;
    uint16_t GetMaskColor() override;
    GGraphic* MakeGraphic(int32_t type, int32_t id) override;
    GGraphic* MakeFontGraphic(int32_t font) override;
    void DeleteGraphic(GGraphic* graphic) override;
    const SoftTexture* TextureOf(GGraphic* graphic) override;
    bool SurfaceOf(GGraphic* graphic, PixelTarget16* out) override;
    void SetSurfaceColorKey(GGraphic* graphic, uint16_t key) override;
    void GetBounds(GGraphic* graphic, int32_t* width, int32_t* height) override;
    void ShowWinCursor(bool show) override;
    void SetCursorPos(int32_t x, int32_t y) override {}
    // The kernel presents the back buffer after RenderEnd itself.
    void Flip() override {}
    void GetVideoMemory(uint32_t* freeBytes, uint32_t* totalBytes) override;
    void RespondToVRAM(int32_t kilobytes, bool agpTexturing) override;

private:
    SoftDevice3D mDevice;
    PixelTarget16 mTarget;
};
