// Draw state, primitives, translucency, queued text, the pointer, screen
// rectangles and fog, drawn through the software device into a test canvas.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "RendererTestHost.h"
#include "engine/GString.h"
#include "renderer/TransparencySorter.h"

using namespace rtest;

namespace {

// Camera-space triangles at depth 5 (the default identity camera).
void Tri(GGraph3D& r, float x0, float y0, float x1, float y1, float x2, float y2, float z = -5) {
    r.DrawTriangle(x0, y0, z, x1, y1, z, x2, y2, z);
}

TEST(RendererState, ColourOpacityLightAndTexture) {
    Fixture f;
    GGraph3D& r = *f.r;
    ASSERT_TRUE(f.setUp);
    EXPECT_EQ(r.mColor, 0xFFFFFFFFu);
    r.Color(2.0f, -1.0f, 0.5f);
    EXPECT_EQ(r.mColor, 0xFFFF007Fu);
    ColorRGB half{0.5f, 0.5f, 0.5f}, old{};
    r.SetLightFactors(&half, &old);
    EXPECT_EQ(old.red, 1.0f);
    r.Color(1, 1, 1);
    EXPECT_EQ(r.mColor & 0xFFFFFF, 0x7F7F7Fu);
    r.SetLightFactors(nullptr, &old);  // only reads
    EXPECT_EQ(old.green, 0.5f);
    r.SetLightFactor(1.0f);
    r.SetOpacity(0.5f);
    EXPECT_EQ(r.mColor >> 24, 127u);
    EXPECT_EQ(r.mGouraudVertices[9].color, r.mColor);
    r.SetOpacity(1.5f);
    EXPECT_EQ(r.mColor >> 24, 255u);
    r.SetOpacity(-2.0f);
    EXPECT_EQ(r.mColor >> 24, 0u);
    r.SetOpacity(1.0f);

    auto tex = MakePicture(4, 4, [](int, int) { return 0xFFFFFFFFu; });
    SoftDevice3D& d = f.host.mDevice;
    r.Texture(tex->AsGraphic());
    EXPECT_EQ(r.mCurrentTexture, tex->AsGraphic());
    EXPECT_EQ(d.GetTexture(), &tex->texture);
    EXPECT_EQ(d.GetTextureStageState(SoftStage::ColorOp), SoftValue::kOpSelectArg1);
    EXPECT_EQ(d.GetTextureStageState(SoftStage::AlphaOp), SoftValue::kOpSelectArg1);
    r.Texture(nullptr);  // keeps the texture bound
    EXPECT_EQ(r.mCurrentTexture, tex->AsGraphic());
    r.Color(1, 1, 1);  // switches texturing off
    EXPECT_EQ(r.mCurrentTexture, nullptr);
    EXPECT_EQ(d.GetTextureStageState(SoftStage::ColorOp), SoftValue::kOpDisable);

    EXPECT_FALSE(r.SetMipMapLocal(true));
    r.SetMipMapMaster(true);
    EXPECT_FALSE(r.mMipMapMaster);
    r.SetDistantZ(true);
    EXPECT_EQ(d.GetRenderState(SoftState::ZWriteEnable), SoftValue::kFalse);
    r.SetDistantZ(false);
    EXPECT_EQ(d.GetRenderState(SoftState::ZWriteEnable), SoftValue::kTrue);

    RECT box;
    r.StartHiliteBox();
    r.EndHiliteBox(&box);
    EXPECT_EQ(box.left, 999999);
    EXPECT_EQ(box.bottom, -999999);
    r.StartHiliteBox();
    Tri(r, 0, 0, 0, 1, 1, 0);
    r.EndHiliteBox(&box);
    EXPECT_EQ(box.left, 80);
    EXPECT_GT(box.right, 80);
    EXPECT_LT(box.top, 60);

    // During a pick pass colour, opacity, texture and the hilite box hold.
    r.mPickPass = 1;
    uint32_t c = r.mColor;
    r.Color(0, 0, 0);
    r.SetOpacity(0.1f);
    r.Texture(tex->AsGraphic());
    r.StartHiliteBox();
    EXPECT_EQ(r.mColor, c);
    EXPECT_EQ(r.mCurrentTexture, nullptr);
    EXPECT_FALSE(r.mHiliteBoxOn);
    r.mPickPass = 0;

    float x = 1, y = 2, z = 3;
    r.Translate(10, 0, 0);
    r.Transform3DSoundPoint(&x, &y, &z);
    EXPECT_EQ(x, 11.0f);
    EXPECT_EQ(z, -3.0f);
}

TEST(RendererState, FogAndTextureErrorState) {
    Fixture f;
    GGraph3D& r = *f.r;
    SoftDevice3D& d = f.host.mDevice;
    EXPECT_TRUE(r.mTableFog);
    EXPECT_FALSE(r.Fog(true));
    EXPECT_TRUE(r.Fog(true));
    EXPECT_EQ(d.GetRenderState(SoftState::FogEnable), SoftValue::kTrue);
    EXPECT_EQ(d.GetRenderState(SoftState::FogTableMode), SoftValue::kFogLinear);
    r.FogColor(0.5f, 0.5f, 0.5f);
    EXPECT_EQ(d.GetRenderState(SoftState::FogColor), 0x7F7F7Fu);
    r.FogColor(1, 1, 1);
    EXPECT_EQ(d.GetRenderState(SoftState::FogColor), 0xFFFFFFu);
    r.FogRange(1.0f, 850.0f, 251000.0f);
    float end;
    uint32_t bits = d.GetRenderState(SoftState::FogTableEnd);
    std::memcpy(&end, &bits, 4);
    EXPECT_EQ(end, 850.0f);
    EXPECT_TRUE(r.Fog(false));

    int32_t level = -1;
    r.SetTextureDownsample(2);
    EXPECT_FALSE(r.GetTextureErrorState(&level));
    EXPECT_EQ(level, 2);
    r.SetTextureErrorFlagSys();
    EXPECT_TRUE(r.GetTextureErrorState(&level));
    EXPECT_EQ(level, 2);
    EXPECT_EQ(r.GetTextureDownsample(), 3);
    EXPECT_FALSE(r.GetTextureErrorFlagSys());
    EXPECT_FALSE(r.GetTextureErrorState(nullptr));
    EXPECT_EQ(r.GetTextureDownsample(), 3);
}

TEST(RendererSetup, CapabilitiesAndVideoMemory) {
    Fixture f;
    GGraph3D& r = *f.r;
    EXPECT_EQ(r.GetMaxTextureSize(), 2048);
    EXPECT_FALSE(r.mSortIndependent);
    r.InformAppOfVRAM();
    EXPECT_EQ(f.host.mVRAMKilobytes, 8192);
    EXPECT_FALSE(f.host.mAGP);
    // Without a device the set-up fails.
    TestHost none(32, 32);
    none.mNoDevice = true;
    gRenderHost = &none;
    GGraph3D other;
    EXPECT_FALSE(other.Setup3D());
    gRenderHost = &f.host;
}

TEST(RendererPrimitives, CullingProjectionAndPixels) {
    Fixture f;
    GGraph3D& r = *f.r;
    SoftDevice3D& d = f.host.mDevice;
    int32_t calls = d.DrawCalls();
    Tri(r, 0, 0, 1, 0, 0, 1);  // T = 5 with the defaults: culled
    EXPECT_EQ(d.DrawCalls(), calls);
    Tri(r, 0, 0, 0, 1, 1, 0);  // T = -5: drawn
    EXPECT_EQ(d.DrawCalls(), calls + 1);
    r.mFrontClockwise = false;
    Tri(r, 0, 0, 0, 1, 1, 0);
    EXPECT_EQ(d.DrawCalls(), calls + 1);
    Tri(r, 0, 0, 1, 0, 0, 1);
    EXPECT_EQ(d.DrawCalls(), calls + 2);
    Tri(r, 0, 0, 1, 1, 2, 2);  // degenerate: culled either way
    r.mFrontClockwise = true;
    Tri(r, 0, 0, 1, 1, 2, 2);
    EXPECT_EQ(d.DrawCalls(), calls + 2);
    // All corners behind the eye: dropped before anything else.
    r.mBackFaceCull = false;
    Tri(r, 0, 0, 0, 1, 1, 0, 5);
    EXPECT_EQ(d.DrawCalls(), calls + 2);
    r.mBackFaceCull = true;

    // A red camera-space square at depth 5 covers its projected pixels.
    f.host.Fill(0);
    r.Color(1, 0, 0);
    r.DrawQuad(-1, -1, -5, -1, 1, -5, 1, 1, -5, 1, -1, -5);
    float half = r.mProjectionX / 5 * 80;  // pixels per unit
    EXPECT_EQ(f.host.At(80, 60), RGB565(255, 0, 0));
    EXPECT_EQ(f.host.At(int(80 + half) + 2, 60), 0);
    EXPECT_EQ(f.host.At(int(80 + half) - 2, 60), RGB565(255, 0, 0));

    // A quadrilateral with one corner behind the eye is clipped as one
    // polygon and drawn as a fan of five.
    calls = d.DrawCalls();
    r.mBackFaceCull = false;
    r.DrawQuad(-0.2f, -0.2f, -5, -0.2f, 0.2f, -5, 0.2f, 0.2f, -5, 0.2f, -0.2f, -0.5f);
    EXPECT_EQ(d.DrawCalls(), calls + 1);
    EXPECT_EQ(r.mWorkPolygon.count, 5);
    r.mBackFaceCull = true;

    // Texture v reaches the device negated; textured calls leave the flag off.
    auto tex = MakePicture(4, 4, [](int, int) { return 0xFFFFFFFFu; });
    r.Texture(tex->AsGraphic());
    r.DrawTexturedTriangle(0, 0, -5, 0.25f, 0.25f, 0, 1, -5, 0, 1, 1, 0, -5, 1, 0);
    EXPECT_EQ(r.mTexturedVertices[0].u, 0.25f);
    EXPECT_EQ(r.mTexturedVertices[0].v, -0.25f);
    EXPECT_FALSE(r.mPolygonTextured);
    r.DrawTexturedTriangle(0, 0, -5, 0, 0, 1, 0, -5, 1, 0, 0, 1, -5, 0, 1);  // culled
    EXPECT_FALSE(r.mPolygonTextured);
    // The array form fills the work polygon like the plain one.
    const float xyz[9] = {0, 0, -5, 0, 1, -5, 1, 0, -5}, uv[6] = {0, 0, 0, 1, 1, 0};
    r.DrawTexturedTriangleV(xyz, uv);
    WorkPolygon a = r.mWorkPolygon;
    r.DrawTexturedTriangle(0, 0, -5, 0, 0, 0, 1, -5, 0, 1, 1, 0, -5, 1, 0);
    EXPECT_EQ(std::memcmp(&a, &r.mWorkPolygon, sizeof a), 0);
    EXPECT_TRUE(f.host.BorderIntact());
}

TEST(RendererPrimitives, StripsAndFans) {
    Fixture f;
    GGraph3D& r = *f.r;
    SoftDevice3D& d = f.host.mDevice;
    float xyz[27 * 3], uv[27 * 2];
    for (int i = 0; i < 27; ++i) {
        float a = i * 0.2f;
        xyz[i * 3] = i == 0 ? 0 : std::cos(a);
        xyz[i * 3 + 1] = i == 0 ? 0 : std::sin(a);
        xyz[i * 3 + 2] = -5;
        uv[i * 2] = xyz[i * 3];
        uv[i * 2 + 1] = xyz[i * 3 + 1];
    }
    int32_t calls = d.DrawCalls();
    r.DrawFan(false, 25, xyz);  // fast path: 22 + 7 vertices
    EXPECT_EQ(d.DrawCalls(), calls + 2);
    r.DrawFan(false, 0, xyz);
    r.DrawStrip(false, -3, xyz);
    EXPECT_EQ(d.DrawCalls(), calls + 2);
    // The careful path draws one polygon per surviving triangle. A fan
    // around the centre seen from the front: every triangle counter-
    // clockwise on screen is culled, so reverse the culling sense.
    calls = d.DrawCalls();
    r.mFrontClockwise = false;
    r.DrawTextureFan(true, 25, xyz, uv);
    EXPECT_EQ(d.DrawCalls(), calls + 25);
    EXPECT_FALSE(r.mPolygonTextured);
    r.mFrontClockwise = true;
    // Translucent: records, no draws, one alpha byte per textured triangle.
    auto tex = MakePicture(4, 4, [](int, int) { return 0xFFFFFFFFu; });
    r.Texture(tex->AsGraphic());
    r.SetOpacity(0.5f);
    r.mBackFaceCull = false;
    calls = d.DrawCalls();
    uint8_t* before = r.mTransparencyWrite;
    r.DrawTextureStrip(false, 3, xyz, uv);
    EXPECT_EQ(d.DrawCalls(), calls);
    EXPECT_EQ(r.mTransparencyWrite - before, 3 * 88);
    EXPECT_EQ(r.mAlphaWrite - r.mAlphaBuffer, 3);
    // The strip's second triangle is (p2, p1, p3).
    float x2 = xyz[6], y2 = xyz[7];
    r.WorldToScreen(&x2, &y2, -5, false);
    float stored;
    std::memcpy(&stored, before + 88 + 16, 4);
    EXPECT_NEAR(stored, x2, 1e-3f);
}

TEST(RendererFrame, TranslucentPolygonsAreStoredSortedAndBlended) {
    Fixture f;
    GGraph3D& r = *f.r;
    SoftDevice3D& d = f.host.mDevice;
    f.host.Fill(0);
    ASSERT_TRUE(r.RenderBegin(nullptr));
    // A frame without translucent polygons leaves blending alone.
    d.SetRenderState(SoftState::AlphaBlendEnable, 7);
    r.RenderEnd();
    EXPECT_EQ(d.GetRenderState(SoftState::AlphaBlendEnable), 7u);
    EXPECT_EQ(f.host.mFlips, 1);
    d.SetRenderState(SoftState::AlphaBlendEnable, SoftValue::kTrue);

    ASSERT_TRUE(r.RenderBegin(nullptr));
    r.Color(1, 0, 0);
    r.SetOpacity(0.5f);
    r.DrawQuad(-1, -1, -4, -1, 1, -4, 1, 1, -4, 1, -1, -4);  // near, red
    r.Color(0, 0, 1);
    r.DrawQuad(-1, -1, -8, -1, 1, -8, 1, 1, -8, 1, -1, -8);  // far, blue
    EXPECT_EQ(r.mTransparencyWrite - r.mTransparencyBuffer.get(), 2 * (16 + 4 * 20));
    EXPECT_EQ(f.host.At(80, 60), 0);  // nothing drawn yet
    // Opaque polygons drawn later still come first.
    r.SetOpacity(1.0f);
    r.Color(0, 1, 0);
    r.DrawQuad(-3, -3, -20, -3, 3, -20, 3, 3, -20, 3, -3, -20);
    r.RenderEnd();
    // Far blue over green, then near red over that: red dominates.
    uint16_t p = f.host.At(80, 60);
    EXPECT_GT((p >> 11) & 31, 13);
    EXPECT_GT(p & 31, 5);
    EXPECT_LT(p & 31, (p >> 11) & 31);
    EXPECT_FALSE(sDrawingTransparents);

    // The sort: larger depth sums first.
    ASSERT_TRUE(r.RenderBegin(nullptr));
    r.SetOpacity(0.5f);
    r.Color(1, 1, 1);
    Tri(r, 0, 0, 0, 1, 1, 0, -3);
    Tri(r, 0, 0, 0, 1, 1, 0, -9);
    Tri(r, 0, 0, 0, 1, 1, 0, -6);
    GList* list = r.SortTransparencies(r.mTransparencyBuffer.get(), r.mTransparencyWrite);
    ASSERT_EQ(list->GetCount(), 3);
    float d0 = static_cast<TransparencySorter*>(list->GetObjectA(0))->mDepth;
    float d1 = static_cast<TransparencySorter*>(list->GetObjectA(1))->mDepth;
    float d2 = static_cast<TransparencySorter*>(list->GetObjectA(2))->mDepth;
    EXPECT_GT(d0, d1);
    EXPECT_GT(d1, d2);
    delete list;
    r.RenderEnd();
}

TEST(RendererFrame, RecordsOfEveryKindAndAFullBuffer) {
    Fixture f;
    GGraph3D& r = *f.r;
    SoftDevice3D& d = f.host.mDevice;
    auto tex = MakePicture(4, 4, [](int, int) { return 0xFF00FF00u; });
    ASSERT_TRUE(r.RenderBegin(nullptr));
    r.SetOpacity(0.5f);
    // A textured triangle drawn after Color(): no texture is bound, but its
    // vertices are textured. The record says so, and the untextured record
    // after it is read correctly.
    r.Color(1, 1, 1);
    r.DrawTexturedTriangle(0, 0, -5, 0, 0, 0, 1, -5, 0, 1, 1, 0, -5, 1, 0);
    r.DrawTriangle(0, 0, -7, 0, 1, -7, 1, 0, -7);
    r.Texture(tex->AsGraphic());
    r.DrawTexturedTriangle(0, 0, -6, 0, 0, 0, 1, -6, 0, 1, 1, 0, -6, 1, 0);
    EXPECT_EQ(r.mTransparencyWrite - r.mTransparencyBuffer.get(), 88 + 76 + 88);
    EXPECT_EQ(r.mAlphaWrite - r.mAlphaBuffer, 2);
    r.mAlphaWrite = r.mAlphaBuffer;
    GList* list = r.SortTransparencies(r.mTransparencyBuffer.get(), r.mTransparencyWrite);
    ASSERT_EQ(list->GetCount(), 3);
    for (int i = 0; i < 3; ++i) {
        auto* s = static_cast<TransparencySorter*>(list->GetObjectA(i));
        EXPECT_GT(s->mDepth, 0.0f);
        EXPECT_LT(s->mDepth, 3.0f);
    }
    // The textured record got the texture factor of opacity 0.5.
    auto* last = static_cast<TransparencySorter*>(list->GetObjectA(1));
    EXPECT_EQ(last->mAlpha, 127);
    r.DrawOneTransparency(last);
    EXPECT_EQ(d.GetRenderState(SoftState::TextureFactor), 0x7FFFFFFFu);
    delete list;
    r.RenderEnd();

    // Once the buffer is full, translucent polygons are dropped, opaque not.
    ASSERT_TRUE(r.RenderBegin(nullptr));
    r.Color(1, 1, 1);
    r.SetOpacity(0.5f);
    r.mTransparencyWrite = r.mTransparencyLimit;
    int32_t calls = d.DrawCalls();
    Tri(r, 0, 0, 0, 1, 1, 0);
    EXPECT_EQ(r.mTransparencyWrite, r.mTransparencyLimit);
    EXPECT_EQ(d.DrawCalls(), calls);
    r.mTransparencyWrite = r.mTransparencyBuffer.get();
    // Under distant depth a translucent polygon is drawn at once.
    r.SetDistantZ(true);
    Tri(r, 0, 0, 0, 1, 1, 0);
    r.SetDistantZ(false);
    EXPECT_EQ(d.DrawCalls(), calls + 1);
    EXPECT_EQ(r.mTransparencyWrite, r.mTransparencyBuffer.get());
    r.RenderEnd();
}

TEST(RendererText, QueuedWidthsJustificationAndClipping) {
    Fixture f(200, 100);
    GGraph3D& r = *f.r;
    GString255 ab("AB");
    EXPECT_EQ(r.StringWidthInPixels3D(&ab, 0), 17);
    EXPECT_EQ(r.StringWidthInPixels3D(&ab, 1), 13);
    EXPECT_EQ(r.StringWidthInPixels3D(&ab, 2), 14);
    GString255 odd("\x7f\x01");
    EXPECT_EQ(r.StringWidthInPixels3D(&odd, 0), 0);
    EXPECT_EQ(r.StringWidthInPixels3D(&odd, 2), 14);

    // Out of range: not even queued.
    r.WriteString3D(&ab, -1, 50, -1, 0, 0, 0, 0);
    r.WriteString3D(&ab, 200, 50, -1, 0, 0, 0, 0);
    r.WriteString3D(&ab, 10, 7, -1, 0, 0, 0, 0);
    r.WriteString3D(&ab, 10, 100, -1, 0, 0, 0, 0);
    EXPECT_EQ(r.mDelayedStrings.GetCount(), 0);
    // Queued, drawn only when the frame ends; centred 17 pixels at 100
    // starts at 92; white turns to (255, 255, 240).
    f.host.Fill(0);
    ASSERT_TRUE(r.RenderBegin(nullptr));
    r.WriteString3D(&ab, 100, 50, 0, 0, 255, 255, 255);
    EXPECT_EQ(r.mDelayedStrings.GetCount(), 1);
    EXPECT_EQ(f.host.At(95, 43), 0);
    r.RenderEnd();
    EXPECT_EQ(r.mDelayedStrings.GetCount(), 0);
    // The stroke rows are 1..6 of the glyph row, from y - 8.
    const uint16_t white = RGB565(255, 255, 240);
    EXPECT_EQ(f.host.At(91, 43), 0);
    EXPECT_EQ(f.host.At(92, 43), white);
    EXPECT_EQ(f.host.At(108, 43), white);
    EXPECT_EQ(f.host.At(109, 43), 0);
    EXPECT_EQ(f.host.At(100, 42), 0);  // row 0 of the glyph is white: keyed
    // Right-justified: starts at x - width + 2.
    f.host.Fill(0);
    ASSERT_TRUE(r.RenderBegin(nullptr));
    r.WriteString3D(&ab, 100, 50, 1, 0, 10, 200, 10);
    r.RenderEnd();
    EXPECT_EQ(f.host.At(84, 43), 0);
    EXPECT_EQ(f.host.At(85, 43), RGB565(10, 200, 10));
    // Text reaching the bottom and the right edge is cut there.
    ASSERT_TRUE(r.RenderBegin(nullptr));
    GString255 longText("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWW");
    r.WriteString3D(&longText, 190, 99, -1, 0, 1, 2, 3);
    r.WriteString3D(&longText, 5, 99, 1, 2, 1, 2, 3);
    r.RenderEnd();
    EXPECT_TRUE(f.host.BorderIntact());
    EXPECT_EQ(f.host.At(199, 92), RGB565(1, 2, 3));
    // During a pick pass nothing is queued.
    r.mPickPass = 1;
    r.WriteString3D(&ab, 100, 50, 0, 0, 0, 0, 0);
    r.mPickPass = 0;
    EXPECT_EQ(r.mDelayedStrings.GetCount(), 0);
}

TEST(RendererText, DrawnPointer) {
    Fixture f(200, 100, true);
    GGraph3D& r = *f.r;
    ASSERT_NE(r.mCursorGraphic, nullptr);
    f.host.Fill(0);
    r.DrawFakeCursor(200, 100);
    EXPECT_EQ(f.host.mCursorX, 198);
    EXPECT_EQ(f.host.mCursorY, 97);
    EXPECT_EQ(f.host.At(198, 97), 0xFFFF);
    EXPECT_EQ(f.host.At(199, 99), 0xFFFF);
    EXPECT_TRUE(f.host.BorderIntact());
    f.host.Fill(0);
    r.DrawFakeCursor(10, 10);
    EXPECT_EQ(f.host.At(10, 10), 0xFFFF);
    EXPECT_EQ(f.host.At(12, 10), 0);  // magenta half is transparent
    r.Show3DCursor(false);
    EXPECT_TRUE(f.host.mWinCursorShown);
    f.host.Fill(0);
    r.DrawFakeCursor(10, 10);
    EXPECT_EQ(f.host.At(10, 10), 0);
    // Without a drawn pointer the kernel's pointer is shown or hidden.
    Fixture g(50, 50, false);
    EXPECT_EQ(g.r->mCursorGraphic, nullptr);
    g.r->Show3DCursor(false);
    EXPECT_FALSE(g.host.mWinCursorShown);
}

TEST(RendererFlat, RectanglesAndLinesOverTheScene) {
    Fixture f(100, 80);
    GGraph3D& r = *f.r;
    f.host.Fill(0);
    ASSERT_TRUE(r.RenderBegin(nullptr));
    r.Color(0, 0, 1);
    r.DrawQuad(-9, -9, -2, -9, 9, -2, 9, 9, -2, 9, -9, -2);  // near, covers all
    RECT rect{10, 10, 20, 15};
    r.PaintRectangle(&rect, RGB565(255, 0, 0));
    EXPECT_EQ(rect.right, 20);
    EXPECT_EQ(f.host.At(10, 10), RGB565(255, 0, 0));
    EXPECT_EQ(f.host.At(19, 14), RGB565(255, 0, 0));
    EXPECT_EQ(f.host.At(20, 14), RGB565(0, 0, 255));
    EXPECT_EQ(f.host.mDevice.GetRenderState(SoftState::ZFunc), SoftValue::kCmpLessEqual);
    // The rectangle wrote no depth: 3-D drawn after it shows over it.
    r.Color(0, 1, 0);
    r.DrawQuad(-0.7f, 0.4f, -1.5f, -0.7f, 0.6f, -1.5f, -0.5f, 0.6f, -1.5f, -0.5f, 0.4f, -1.5f);
    EXPECT_EQ(f.host.At(15, 12), RGB565(0, 255, 0));
    // Wholly left of the view: nothing; wholly right: a zero-width strip.
    RECT left{-50, 0, -10, 10}, right{150, 0, 200, 10};
    r.PaintRectangle(&left, RGB565(0, 255, 0));
    r.PaintRectangle(&right, RGB565(0, 255, 0));
    EXPECT_EQ(f.host.At(0, 5), RGB565(0, 0, 255));
    EXPECT_EQ(f.host.At(99, 5), RGB565(0, 0, 255));
    RECT frame{30, 30, 40, 40};
    r.FrameRectangle(&frame, RGB565(255, 255, 255));
    EXPECT_EQ(frame.right, 39);
    EXPECT_EQ(frame.bottom, 39);
    EXPECT_EQ(f.host.At(34, 30), 0xFFFF);
    EXPECT_EQ(f.host.At(34, 35), RGB565(0, 0, 255));
    // Lines keep the colour of the next polygons as it was.
    r.SetOpacity(0.5f);
    r.Color(1, 0, 0);
    uint32_t c = r.mColor;
    r.Line(50, 5, 50, 70, RGB565(0, 255, 0), 3);
    r.Line(-500, -500, 900, 900, RGB565(0, 255, 0), 40);
    EXPECT_EQ(f.host.At(50, 20), RGB565(0, 255, 0));
    EXPECT_EQ(r.mColor, c);
    EXPECT_EQ(r.mGouraudVertices[0].color, c);
    r.RenderEnd();
    EXPECT_TRUE(f.host.BorderIntact());
}

}  // namespace
