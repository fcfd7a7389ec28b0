#pragma once
// The 1024 x 768 software screen the drawing and renderer benchmarks draw
// on, and a renderer set up over it as the game's.
#include <vector>

#include "platform/SoftDevice3D.h"
#include "renderer/GGraph3D.h"
#include "renderer/RenderHost.h"

namespace drawbench {

class ScreenHost : public RenderHost {
public:
    static constexpr int32_t kW = 1024, kH = 768;
    ScreenHost() : mPixels(size_t(kW) * kH) {
        mBack = PixelTarget16{mPixels.data(), kW, kH, kW};
        mDevice.ICreate16(mBack);
    }
    SoftDevice3D* Get3DDevice() override { return mNoDevice ? nullptr : &mDevice; }
    PixelTarget16 GetBackBuffer() override {
        if (mFlushOnRead) mDevice.Flush();
        return mBack;
    }
    int32_t ScreenWidth() override { return kW; }
    int32_t ScreenHeight() override { return kH; }
    bool IsHardwareDevice() override { return true; }
    bool IsHardwareDriver() override { return false; }
    bool IsQuitting() override { return false; }
    void PrepareDevice3D() override { PrepareScreenDevice(&mDevice, true); }
    void DetermineWinPixelFormat() override {}
    uint16_t MakeColor16(uint8_t r, uint8_t g, uint8_t b) override {
        return uint16_t(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
    }
    uint32_t ConvertToD3DColor(uint16_t) override { return 0xFFFFFFFFu; }
    uint16_t GetMaskColor() override { return 0xF81F; }
    GGraphic* MakeGraphic(int32_t, int32_t) override { return nullptr; }
    GGraphic* MakeFontGraphic(int32_t) override { return nullptr; }
    void DeleteGraphic(GGraphic*) override {}
    const SoftTexture* TextureOf(GGraphic* g) override { return reinterpret_cast<const SoftTexture*>(g); }
    bool SurfaceOf(GGraphic*, PixelTarget16*) override { return false; }
    void SetSurfaceColorKey(GGraphic*, uint16_t) override {}
    void GetBounds(GGraphic*, int32_t* w, int32_t* h) override { *w = *h = mBounds; }
    void ShowWinCursor(bool) override {}
    void SetCursorPos(int32_t, int32_t) override {}
    void Flip() override {}
    void GetVideoMemory(uint32_t* f, uint32_t* t) override { *f = *t = 0; }
    void RespondToVRAM(int32_t, bool) override {}

    std::vector<uint16_t> mPixels;
    PixelTarget16 mBack;
    SoftDevice3D mDevice;
    bool mNoDevice = false;    // the drawing code and the renderer's geometry alone
    bool mFlushOnRead = false; // finish the device's queued work before the pixels are read
    int32_t mBounds = 64;      // every picture's width and height
};

// A software texture made once and kept for the whole run, used as a GGraphic.
inline GGraphic* KeptTexture(const PictureRGBA& rgba) {
    auto* tex = new SoftTexture;
    tex->ICreate(rgba);
    return reinterpret_cast<GGraphic*>(tex);
}

// A renderer over the screen host, installed as the game's.
struct RendererRig {
    ScreenHost host;
    GGraph3D* r = nullptr;
    RendererRig() {
        gRenderHost = &host;
        r = new GGraph3D;
        g3D = r;
        r->Setup3D();
    }
    ~RendererRig() {
        delete r;
        g3D = nullptr;
        gRenderHost = nullptr;
    }
    RendererRig(const RendererRig&) = delete;
    RendererRig& operator=(const RendererRig&) = delete;
};

} // namespace drawbench
