// The renderer driven by arbitrary calls with arbitrary numbers (not a
// number, infinities, huge values included): transforms, views, cameras,
// draw state, every primitive, picking, text, screen rectangles and lines,
// frames. Whatever it is given, nothing is written outside the screen.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "engine/GString.h"
#include "tests/renderer/RendererTestHost.h"

namespace {

class Input {
public:
    Input(const uint8_t* data, size_t size) : mP(data), mN(size) {}
    bool Empty() const { return mN == 0; }
    uint32_t Word() {
        uint32_t v = 0;
        size_t k = mN < 4 ? mN : 4;
        std::memcpy(&v, mP, k);
        mP += k;
        mN -= k;
        return v;
    }
    uint8_t Byte() {
        if (mN == 0) return 0;
        --mN;
        return *mP++;
    }
    float Float() {
        uint32_t b = Word();
        float f;
        std::memcpy(&f, &b, 4);
        return f;
    }
    // A small integer around the screen, or anything now and then.
    int32_t Int() {
        uint32_t w = Word();
        return (w & 0x80000000u) ? static_cast<int32_t>(w) : static_cast<int32_t>(w % 160) - 40;
    }
    void Floats(float* out, int32_t n) {
        for (int32_t i = 0; i < n; ++i) out[i] = Float();
    }

private:
    const uint8_t* mP;
    size_t mN;
};

void Primitive(GGraph3D& r, Input& in, uint8_t op) {
    float a[69];
    float uv[46];
    switch (op % 8) {
    case 0: in.Floats(a, 9); r.DrawTriangleV(a); break;
    case 1: in.Floats(a, 12); r.DrawQuad(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9], a[10], a[11]); break;
    case 2: in.Floats(a, 9); in.Floats(uv, 6); r.DrawTexturedTriangleV(a, uv); break;
    case 3: in.Floats(a, 12); in.Floats(uv, 8); r.DrawTexturedQuadV(a, uv); break;
    default: {
        int32_t n = static_cast<int32_t>(in.Byte() % 24) - 2;  // up to 21 triangles, some n <= 0
        int32_t corners = n + 2 > 0 ? n + 2 : 0;
        in.Floats(a, corners * 3);
        in.Floats(uv, corners * 2);
        bool clip = in.Byte() & 1;
        if (op % 8 == 4) r.DrawFan(clip, n, a);
        else if (op % 8 == 5) r.DrawStrip(clip, n, a);
        else if (op % 8 == 6) r.DrawTextureFan(clip, n, a, uv);
        else r.DrawTextureStrip(clip, n, a, uv);
    }
    }
}

void Call(GGraph3D& r, Input& in, GGraphic* texture, bool* inFrame) {
    uint8_t op = in.Byte();
    float f[9];
    switch (op % 24) {
    case 0: r.ActivateView(in.Int(), in.Int(), in.Int(), in.Int(), in.Float(), in.Float(), in.Float()); break;
    case 1: r.ActivateBasicView(in.Int(), in.Int(), in.Int(), in.Int()); break;
    case 2: in.Floats(f, 9); r.LookAt(f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8]); break;
    case 3: in.Floats(f, 3); r.Translate(f[0], f[1], f[2]); break;
    case 4: in.Floats(f, 2); r.RotateXY(f[0], f[1]); r.RotateZ(f[1]); break;
    case 5: in.Floats(f, 3); r.Scale(f[0], f[1], f[2]); r.Reflect(op & 32, op & 64, op & 128); break;
    case 6: (op & 32) ? r.PushMatrix() : r.PopMatrix(); break;
    case 7: in.Floats(f, 4); r.Color(f[0], f[1], f[2]); r.SetOpacity(f[3]); break;
    case 8: r.Texture((op & 32) ? texture : nullptr); break;
    case 9: r.SetDistantZ(op & 32); break;
    case 10: {
        RECT box;
        (op & 32) ? r.StartHiliteBox() : r.EndHiliteBox(&box);
        break;
    }
    case 11: r.mClipNeeded = op & 32; r.mBackFaceCull = op & 64; r.mFrontClockwise = op & 128; break;
    case 12: {
        in.Floats(f, 3);
        r.WorldToScreen(&f[0], &f[1], f[2], op & 32);
        in.Floats(f, 6);
        r.BoundingBoxTest(f[0], f[1], f[2], f[3], f[4], f[5]);
        r.Transform3DSoundPoint(&f[0], &f[1], &f[2]);
        break;
    }
    case 13: r.ActivatePicking(in.Int(), in.Int(), in.Int(), in.Int(), in.Float(), in.Float(), in.Float()); break;
    case 14: r.IncrementPickGroup(); break;
    case 15: (op & 32) ? r.Continue3DPick() : r.FinishedPicking(); break;
    case 16: {
        char text[12];
        for (char& c : text) c = static_cast<char>(in.Byte());
        text[11] = 0;
        GString255 s(text);
        r.WriteString3D(&s, in.Int(), in.Int(), in.Int(), in.Byte() % 3, in.Byte(), in.Byte(), in.Byte());
        break;
    }
    case 17: {
        RECT rect{in.Int(), in.Int(), in.Int(), in.Int()};
        uint16_t colour = static_cast<uint16_t>(in.Word());
        (op & 32) ? r.PaintRectangle(&rect, colour) : r.FrameRectangle(&rect, colour);
        break;
    }
    case 18: r.Line(in.Int(), in.Int(), in.Int(), in.Int(), static_cast<uint16_t>(in.Word()), static_cast<int16_t>(in.Word())); break;
    case 19:
        if (*inFrame) r.RenderEnd();
        else r.RenderBegin(nullptr);
        *inFrame = !*inFrame;
        break;
    case 20: {
        in.Floats(f, 5);
        r.Fog(op & 32);
        r.FogColor(f[0], f[1], f[2]);
        r.FogRange(f[3], f[4], 0);
        break;
    }
    case 21: r.DrawFakeCursor(in.Int(), in.Int()); break;
    default: Primitive(r, in, in.Byte()); break;
    }
}

// Small font bitmaps keep each run quick; glyphs beyond them are cut off.
class FuzzHost : public rtest::TestHost {
public:
    FuzzHost() : TestHost(37, 23) {}
    GGraphic* MakeFontGraphic(int32_t font) override {
        mPictures.push_back(rtest::MakePicture(40, 15 * 5, [](int x, int y) { return ((x ^ y) & 2) ? 0xFF000000u : 0xFFFFFFFFu; }));
        (void)font;
        return mPictures.back()->AsGraphic();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzHost host;
    host.mHardwareDriver = true;
    gRenderHost = &host;
    auto* r = new GGraph3D;
    g3D = r;
    if (r->Setup3D()) {
        r->ActivateView(0, 0, 37, 23, 60, 1, 1000);
        auto texture = rtest::MakePicture(8, 4, [](int x, int y) { return ((x + y) & 1) ? 0x80FF8040u : 0xFF2060A0u; });
        Input in(data, size);
        bool inFrame = false;
        for (int32_t calls = 0; calls < 200 && !in.Empty(); ++calls) Call(*r, in, texture->AsGraphic(), &inFrame);
        if (inFrame) r->RenderEnd();
        if (r->mPickPass != 0) r->FinishedPicking();
    }
    delete r;
    g3D = nullptr;
    gRenderHost = nullptr;
    if (!host.BorderIntact()) std::abort();
    return 0;
}
