#pragma once
// A render host for tests: a guarded 16-bit canvas as back buffer with its
// screen device, and small pictures made in the test instead of the art.
#include <cstring>
#include <memory>
#include <vector>

#include "platform/SoftDevice3D.h"
#include "renderer/GGraph3D.h"
#include "renderer/RenderHost.h"

struct GGraph3DTestAccess {
    static bool Clip(GGraph3D* r) { return r->Clip(); }
};

namespace rtest {

inline uint16_t RGB565(uint32_t r, uint32_t g, uint32_t b) {
    return static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

// A picture standing in for a GGraphic: surface pixels and a texture.
struct TestPicture {
    int32_t w = 0, h = 0;
    std::vector<uint16_t> pixels;
    SoftTexture texture;
    GGraphic* AsGraphic() { return reinterpret_cast<GGraphic*>(this); }
    static TestPicture* From(GGraphic* g) { return reinterpret_cast<TestPicture*>(g); }
};

template <class F>
std::unique_ptr<TestPicture> MakePicture(int32_t w, int32_t h, F argbAt) {
    auto p = std::make_unique<TestPicture>();
    p->w = w;
    p->h = h;
    PictureRGBA rgba;
    rgba.width = w;
    rgba.height = h;
    rgba.rgba.resize(size_t(w) * h * 4);
    p->pixels.resize(size_t(w) * h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            uint32_t c = argbAt(x, y);
            uint8_t* q = &rgba.rgba[(size_t(y) * w + x) * 4];
            q[0] = (c >> 16) & 0xFF;
            q[1] = (c >> 8) & 0xFF;
            q[2] = c & 0xFF;
            q[3] = c >> 24;
            p->pixels[size_t(y) * w + x] = RGB565(q[0], q[1], q[2]);
        }
    p->texture.ICreate(rgba);
    return p;
}

class TestHost : public RenderHost {
public:
    static constexpr int32_t kBorder = 16;
    static constexpr uint16_t kSentinel = 0xBEEF;

    TestHost(int32_t w, int32_t h) : mW(w), mH(h), mPitch(w + 2 * kBorder), mBuf(size_t(mPitch) * (h + 2 * kBorder), kSentinel) {
        mBack = PixelTarget16{mBuf.data() + kBorder * mPitch + kBorder, w, h, mPitch};
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) At(x, y) = 0;
        mDevice.ICreate16(mBack);
    }
    uint16_t& At(int32_t x, int32_t y) { return mBack.pixels[y * mPitch + x]; }
    bool BorderIntact() const {
        for (int32_t y = 0; y < mH + 2 * kBorder; ++y)
            for (int32_t x = 0; x < mPitch; ++x) {
                bool inside = x >= kBorder && x < kBorder + mW && y >= kBorder && y < kBorder + mH;
                if (!inside && mBuf[size_t(y) * mPitch + x] != kSentinel) return false;
            }
        return true;
    }
    void Fill(uint16_t c) {
        for (int32_t y = 0; y < mH; ++y)
            for (int32_t x = 0; x < mW; ++x) At(x, y) = c;
    }

    SoftDevice3D* Get3DDevice() override { return mNoDevice ? nullptr : &mDevice; }
    PixelTarget16 GetBackBuffer() override { return mBack; }
    int32_t ScreenWidth() override { return mW; }
    int32_t ScreenHeight() override { return mH; }
    bool IsHardwareDevice() override { return true; }
    bool IsHardwareDriver() override { return mHardwareDriver; }
    bool IsQuitting() override { return false; }
    void PrepareDevice3D() override { PrepareScreenDevice(&mDevice, true); }
    void DetermineWinPixelFormat() override {}
    uint16_t MakeColor16(uint8_t r, uint8_t g, uint8_t b) override { return RGB565(r, g, b); }
    uint32_t ConvertToD3DColor(uint16_t p) override {
        uint32_t r = ((p >> 11) & 31) * 255 / 31, g = ((p >> 5) & 63) * 255 / 63, b = (p & 31) * 255 / 31;
        return 0xFF000000u | r << 16 | g << 8 | b;
    }
    uint16_t GetMaskColor() override { return RGB565(255, 0, 255); }
    GGraphic* MakeGraphic(int32_t type, int32_t id) override {
        if (type != 1 || id != 10) return nullptr;
        // The pointer: 4 x 6, white with a magenta (transparent) right half.
        mPictures.push_back(MakePicture(4, 6, [](int x, int) { return x < 2 ? 0xFFFFFFFFu : 0xFFFF00FFu; }));
        return mPictures.back()->AsGraphic();
    }
    GGraphic* MakeFontGraphic(int32_t font) override {
        // Glyph cells black (strokes) in rows 1..6 of every glyph row and
        // white elsewhere, laid out 32 glyphs to a row.
        const int32_t rowH[3] = {15, 12, 14};
        int32_t h = rowH[font];
        mPictures.push_back(MakePicture(256, h * 5, [h](int, int y) {
            int32_t r = y % h;
            return (r >= 1 && r <= 6) ? 0xFF000000u : 0xFFFFFFFFu;
        }));
        return mPictures.back()->AsGraphic();
    }
    void DeleteGraphic(GGraphic* g) override { ++mDeleted; (void)g; }
    const SoftTexture* TextureOf(GGraphic* g) override { return g ? &TestPicture::From(g)->texture : nullptr; }
    bool SurfaceOf(GGraphic* g, PixelTarget16* out) override {
        if (!g) return false;
        TestPicture* p = TestPicture::From(g);
        *out = PixelTarget16{p->pixels.data(), p->w, p->h, p->w};
        return true;
    }
    void SetSurfaceColorKey(GGraphic*, uint16_t) override {}
    void GetBounds(GGraphic* g, int32_t* w, int32_t* h) override {
        *w = TestPicture::From(g)->w;
        *h = TestPicture::From(g)->h;
    }
    void ShowWinCursor(bool show) override { mWinCursorShown = show; }
    void SetCursorPos(int32_t x, int32_t y) override {
        mCursorX = x;
        mCursorY = y;
    }
    void Flip() override { ++mFlips; }
    void GetVideoMemory(uint32_t* f, uint32_t* t) override {
        *f = 0;
        *t = 8u << 20;
    }
    void RespondToVRAM(int32_t kb, bool agp) override {
        mVRAMKilobytes = kb;
        mAGP = agp;
    }

    int32_t mW, mH, mPitch;
    std::vector<uint16_t> mBuf;
    PixelTarget16 mBack;
    SoftDevice3D mDevice;
    std::vector<std::unique_ptr<TestPicture>> mPictures;
    bool mHardwareDriver = false;
    bool mNoDevice = false;
    bool mWinCursorShown = true;
    int32_t mCursorX = -1, mCursorY = -1, mFlips = 0, mDeleted = 0, mVRAMKilobytes = -1;
    bool mAGP = true;
};

// A renderer set up on a host of w x h pixels, installed as g3D for its
// lifetime.
template <class Host> struct HostedRenderer {
    Host host;
    GGraph3D* r;
    explicit HostedRenderer(int32_t w = 160, int32_t h = 120, bool hardwareDriver = false) : host(w, h) {
        host.mHardwareDriver = hardwareDriver;
        gRenderHost = &host;
        r = new GGraph3D;
        g3D = r;
        setUp = r->Setup3D();
        r->ActivateView(0, 0, w, h, 60.0f, 1.0f, 1000.0f);
    }
    ~HostedRenderer() {
        delete r;
        g3D = nullptr;
        gRenderHost = nullptr;
    }
    bool setUp = false;
};

using Fixture = HostedRenderer<TestHost>;

}  // namespace rtest
