#include "renderer/KernelRenderHost.h"

#include "engine/GApplication.h"
#include "engine/GGraphic.h"
#include "engine/GKernel.h"

SoftDevice3D* KernelRenderHost::Get3DDevice() {
    if (!gKernel) return nullptr;
    PixelTarget16 back = gKernel->GetBackBuffer();
    if (!back.pixels) return nullptr;
    // A new screen mode brings a new back buffer: the device follows it.
    if (back.pixels != mTarget.pixels || back.width != mTarget.width || back.height != mTarget.height ||
        back.pitch != mTarget.pitch) {
        if (!mDevice.ICreate16(back)) return nullptr;
        mDevice.SetThreadCount(0);  // the frame's bands on one thread per core
        mTarget = back;
    }
    return &mDevice;
}

// 2-D drawing into the back buffer comes after the 3-D work queued so far.
PixelTarget16 KernelRenderHost::GetBackBuffer() {
    if (!gKernel) return PixelTarget16{};
    mDevice.Flush();
    return gKernel->GetBackBuffer();
}
int32_t KernelRenderHost::ScreenWidth() { return gKernel ? gKernel->mScreenWidth : 0; }
int32_t KernelRenderHost::ScreenHeight() { return gKernel ? gKernel->mScreenHeight : 0; }
bool KernelRenderHost::IsHardwareDevice() { return gKernel && gKernel->mHardwareDevice; }
bool KernelRenderHost::IsHardwareDriver() { return gKernel && gKernel->mHardwareDirectDraw; }
bool KernelRenderHost::IsQuitting() { return gKernel && gKernel->IsQuitting(); }
void KernelRenderHost::PrepareDevice3D() { PrepareScreenDevice(Get3DDevice(), IsHardwareDevice()); }

uint16_t KernelRenderHost::MakeColor16(uint8_t r, uint8_t g, uint8_t b) {
    return gKernel ? static_cast<uint16_t>(gKernel->MakeColor16(r, g, b)) : 0;
}

uint32_t KernelRenderHost::ConvertToD3DColor(uint16_t pixel) {
    return gKernel ? gKernel->ConvertToD3DColor(static_cast<int16_t>(pixel)) : 0xFF000000u;
}

uint16_t KernelRenderHost::GetMaskColor() { return gKernel ? *gKernel->GetMaskColor() : 0xF81F; }

GGraphic* KernelRenderHost::MakeGraphic(int32_t type, int32_t id) {
    return gKernel ? gKernel->MakeGraphic(static_cast<GraphicType>(type), id) : nullptr;
}

GGraphic* KernelRenderHost::MakeFontGraphic(int32_t font) {
    auto* g = new GWinFontGraphic;
    g->IGraphic(kGraphic3DPicture, font, 99, false);
    return g;
}

void KernelRenderHost::DeleteGraphic(GGraphic* graphic) { delete graphic; }

const SoftTexture* KernelRenderHost::TextureOf(GGraphic* graphic) {
    return graphic ? graphic->GetD3DTexture() : nullptr;
}

bool KernelRenderHost::SurfaceOf(GGraphic* graphic, PixelTarget16* out) {
    Surface16* s = graphic ? graphic->GetSurface() : nullptr;
    if (!s) return false;
    *out = s->Target();
    return true;
}

void KernelRenderHost::SetSurfaceColorKey(GGraphic* graphic, uint16_t key) {
    if (Surface16* s = graphic ? graphic->GetSurface() : nullptr) s->SetColorKey(key);
}

void KernelRenderHost::GetBounds(GGraphic* graphic, int32_t* width, int32_t* height) {
    LongRect r{0, 0, 1, 1};
    if (graphic) graphic->GetBounds(&r);
    *width = r.Width();
    *height = r.Height();
}

void KernelRenderHost::ShowWinCursor(bool show) {
    if (gKernel) gKernel->ShowWinCursor(show);
}

void KernelRenderHost::GetVideoMemory(uint32_t* freeBytes, uint32_t* totalBytes) {
    // The software device keeps its textures in main memory; it reports a
    // generous fixed amount so the application chooses full-size textures.
    *freeBytes = 0;
    *totalBytes = 64u * 1024u * 1024u;
}

void KernelRenderHost::RespondToVRAM(int32_t kilobytes, bool agpTexturing) {
    if (gKernel && gKernel->GetApplication()) gKernel->GetApplication()->RespondToVRAM(kilobytes, agpTexturing);
}
