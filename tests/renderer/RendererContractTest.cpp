// Results of the pipeline, picking and view worked out by hand: distant
// depth, the pick window's limits, the pick scan's order, the second pass,
// the eye plane, and values that are not numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "RendererTestHost.h"
#include "engine/GString.h"

using namespace rtest;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(RendererContract, DistantDepthReplacesEveryDepthAndSkipsTheFarPlane) {
    Fixture f;
    GGraph3D& r = *f.r;
    SoftDevice3D& d = f.host.mDevice;
    // Far beyond the far plane (1000): rejected normally, drawn at 0.99999
    // under distant depth, whatever the opacity.
    int32_t calls = d.DrawCalls();
    r.DrawTriangle(0, 0, -5000, 0, 1000, -5000, 1000, 0, -5000);
    EXPECT_EQ(d.DrawCalls(), calls);
    r.SetDistantZ(true);
    r.SetOpacity(0.5f);
    r.DrawTriangle(0, 0, -5000, 0, 1000, -5000, 1000, 0, -5000);
    EXPECT_EQ(d.DrawCalls(), calls + 1);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(r.mGouraudVertices[i].z, 0.99999f);
    EXPECT_EQ(r.mTransparencyWrite, r.mTransparencyBuffer.get());
    r.SetDistantZ(false);
    r.SetOpacity(1.0f);
}

TEST(RendererContract, ASortIndependentDeviceDrawsTranslucencyAtOnce) {
    Fixture f;
    GGraph3D& r = *f.r;
    SoftDevice3D& d = f.host.mDevice;
    r.mSortIndependent = true;
    r.SetOpacity(0.5f);
    int32_t calls = d.DrawCalls();
    r.DrawTriangle(0, 0, -5, 0, 1, -5, 1, 0, -5);
    EXPECT_EQ(d.DrawCalls(), calls + 1);
    // Strips and fans inside the view take the fast path: 25 triangles in
    // two calls.
    float xyz[27 * 3];
    for (int i = 0; i < 27; ++i) {
        xyz[i * 3] = i == 0 ? 0 : std::cos(i * 0.2f);
        xyz[i * 3 + 1] = i == 0 ? 0 : std::sin(i * 0.2f);
        xyz[i * 3 + 2] = -5;
    }
    r.DrawFan(false, 25, xyz);
    EXPECT_EQ(d.DrawCalls(), calls + 3);
    EXPECT_EQ(r.mTransparencyWrite, r.mTransparencyBuffer.get());
    // Without it the same fan is stored triangle by triangle.
    r.mSortIndependent = false;
    r.mBackFaceCull = false;
    r.DrawFan(false, 25, xyz);
    EXPECT_EQ(d.DrawCalls(), calls + 3);
    EXPECT_EQ(r.mTransparencyWrite - r.mTransparencyBuffer.get(), 25 * 76);
}

TEST(RendererContract, PickPassOneKeepsCornersInsideTheWindow) {
    Fixture f;
    GGraph3D& r = *f.r;
    r.ActivatePicking(80, 60, 160, 120, 60, 1, 1000);
    // Drawing code that clears the clip flag against the rule still lands
    // inside the 7 x 7 target: corners are limited to 0 .. 6.99.
    r.mClipNeeded = false;
    r.mBackFaceCull = false;
    r.DrawQuad(-3, -3, -5, -3, 3, -5, 3, 3, -5, 3, -3, -5);
    for (int i = 0; i < 4; ++i) {
        EXPECT_GE(r.mGouraudVertices[i].x, 0.0f);
        EXPECT_LE(r.mGouraudVertices[i].x, 6.99f);
        EXPECT_GE(r.mGouraudVertices[i].y, 0.0f);
        EXPECT_LE(r.mGouraudVertices[i].y, 6.99f);
    }
    EXPECT_EQ(r.mGouraudVertices[0].x, 0.0f);
    EXPECT_EQ(r.mGouraudVertices[0].y, 6.99f);
    EXPECT_EQ(r.mGouraudVertices[2].x, 6.99f);
    EXPECT_EQ(r.mGouraudVertices[2].y, 0.0f);
    // Every pixel of the block holds the identifier.
    for (int i = 0; i < 49; ++i) EXPECT_EQ(r.PickPixels()[i] & 0xFFFFFF, 1u) << i;
    r.mClipNeeded = true;
    r.mBackFaceCull = true;
    r.Continue3DPick();
    r.FinishedPicking();
}

TEST(RendererContract, EqualDepthsGoToThePixelMetFirstInColumnOrder) {
    Fixture f;
    GGraph3D& r = *f.r;
    r.ActivatePicking(80, 60, 160, 120, 60, 1, 1000);
    r.mBackFaceCull = false;
    // Identifier 1 covers the right of the block, identifier 2 the left, both
    // facing the eye at the same depth: the scan meets column 0 first.
    r.DrawQuad(0, -1, -5, 1, -1, -5, 1, 1, -5, 0, 1, -5);
    r.DrawQuad(-1, -1, -5, 0, -1, -5, 0, 1, -5, -1, 1, -5);
    r.Continue3DPick();
    EXPECT_EQ(r.mPickedID, 2);
    // Pass 2: a polygon whose identifier is not the picked one changes
    // nothing but the running identifier.
    GOLTAMatrix before = *r.mCurrentMatrix;
    r.DrawQuad(0, -1, -5, 1, -1, -5, 1, 1, -5, 0, 1, -5);
    EXPECT_EQ(r.mNextPickID, 2);
    EXPECT_FALSE(r.mPickHit);
    EXPECT_FALSE(r.mPickPointValid);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_EQ(before.m[i][j], r.mCurrentMatrix->m[i][j]);
    r.DrawQuad(-1, -1, -5, 0, -1, -5, 0, 1, -5, -1, 1, -5);
    EXPECT_TRUE(r.mPickHit);
    float p[3];
    ASSERT_TRUE(r.GetPickPoint(&p[0], &p[1], &p[2]));
    // No camera was placed: the inverse camera is the identity, so the point
    // is the camera-space point on the centre line at the quad's depth.
    EXPECT_NEAR(p[0], 0.0f, 1e-4f);
    EXPECT_NEAR(p[1], 0.0f, 1e-4f);
    EXPECT_NEAR(p[2], -5.0f, 1e-4f);
    r.mBackFaceCull = true;
    r.FinishedPicking();
    // ActivateView during the passes was ignored; now it takes effect.
    r.ActivateView(0, 0, 160, 120, 60, 1, 1000);
    EXPECT_EQ(r.mViewCenterX, 80.0f);
}

TEST(RendererContract, ActivateViewDuringAPickPassLeavesTheMatrix) {
    Fixture f;
    GGraph3D& r = *f.r;
    r.ActivatePicking(20, 30, 160, 120, 60, 1, 1000);
    r.Translate(1, 2, 3);
    GOLTAMatrix before = *r.mCurrentMatrix;
    float px = r.mProjectionX, scale = r.mDepthScale;
    r.ActivateView(0, 0, 640, 480, 90, 2, 50);
    EXPECT_EQ(r.mProjectionX, px);
    EXPECT_EQ(r.mDepthScale, scale);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) EXPECT_EQ(before.m[i][j], r.mCurrentMatrix->m[i][j]);
    r.Continue3DPick();
    r.FinishedPicking();
}

TEST(RendererContract, EyePlanePointIsClampedOntoAnOffsetView) {
    Fixture f;
    GGraph3D& r = *f.r;
    r.ActivateBasicView(10, 20, 100, 50);
    float x = 3, y = 4;
    EXPECT_FALSE(r.WorldToScreen(&x, &y, 0, true));
    EXPECT_EQ(x, 10.0f);
    EXPECT_EQ(y, 20.0f);
}

TEST(RendererContract, ValuesThatAreNotNumbersAreHandledSafely) {
    Fixture f;
    GGraph3D& r = *f.r;
    SoftDevice3D& d = f.host.mDevice;
    r.Color(kNaN, 1.0f, kNaN);
    EXPECT_EQ(r.mColor & 0xFFFFFF, 0x00FF00u);
    r.SetOpacity(kNaN);
    EXPECT_EQ(r.mColor >> 24, 0u);
    r.SetOpacity(1.0f);
    r.FogColor(kNaN, 1e20f, -1e20f);
    EXPECT_EQ(d.GetRenderState(SoftState::FogColor), 0u);
    // A hilite box widened by corners far off screen still ends as a
    // rectangle of representable numbers.
    r.StartHiliteBox();
    r.mHiliteMinX = -1e30f;
    r.mHiliteMaxX = std::numeric_limits<float>::infinity();
    r.mHiliteMinY = kNaN;
    RECT box;
    r.EndHiliteBox(&box);
    EXPECT_LT(box.left, -1000000);
    EXPECT_GT(box.right, 1000000);
    EXPECT_FALSE(r.mHiliteBoxOn);
    // A view reaching beyond the 32-bit range clamps rectangles safely.
    r.ActivateBasicView(2000000000, 0, 2000000000, 10);
    RECT rect{0, 0, 10, 10};
    r.PaintRectangle(&rect, 0xFFFF);
    r.FrameRectangle(&rect, 0xFFFF);
    r.ActivateBasicView(0, 0, 160, 120);
    // Non-numbers in the matrix draw nothing and write nowhere.
    r.Translate(kNaN, 0, 0);
    r.DrawTriangle(0, 0, -5, 0, 1, -5, 1, 0, -5);
    const float xyz[12] = {0, 0, -5, 0, 1, -5, 1, 0, -5, 1, 1, -5};
    r.DrawFan(false, 2, xyz);
    EXPECT_TRUE(f.host.BorderIntact());
}

}  // namespace

namespace {

// Glyphs come from their row and column of the font bitmap: a bitmap whose
// every pixel holds its own column (plus one, so that neither black nor
// white) shows on the screen which columns each glyph took.
TEST(RendererContract, GlyphsComeFromTheirPlaceInTheFontBitmap) {
    Fixture f(200, 100);
    GGraph3D& r = *f.r;
    for (int font : {0, 2}) {
        TestPicture* bitmap = TestPicture::From(r.mFonts[font]);
        for (int32_t y = 0; y < bitmap->h; ++y)
            for (int32_t x = 0; x < bitmap->w; ++x) bitmap->pixels[size_t(y) * bitmap->w + x] = uint16_t(x + 1);
    }
    f.host.Fill(0);
    GString255 a("A"), wide("A\x7f" "B");
    ASSERT_TRUE(r.RenderBegin(nullptr));
    r.WriteString3D(&a, 10, 50, -1, 0, 1, 2, 3);     // 'A' follows '@' (12 wide) in row 1
    r.WriteString3D(&wide, 10, 80, -1, 2, 1, 2, 3);  // 7-pixel cells; code 127 shows glyph 0
    r.RenderEnd();
    for (int i = 0; i < 8; ++i) EXPECT_EQ(f.host.At(10 + i, 42), 13 + i) << i;
    EXPECT_EQ(f.host.At(18, 42), 0);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(f.host.At(10 + i, 70), 8 + i) << i;      // glyph 33: column 1
        EXPECT_EQ(f.host.At(17 + i, 70), 1 + i) << i;      // glyph 0: column 0
        EXPECT_EQ(f.host.At(24 + i, 70), 15 + i) << i;  // glyph 34: column 2
    }
}

// The stored translucent polygons come after every opaque one and before
// the text still queued when the frame ends.
TEST(RendererContract, QueuedTextIsDrawnOverTheTranslucentPolygons) {
    Fixture f(160, 120);
    GGraph3D& r = *f.r;
    f.host.Fill(0);
    GString255 ab("AB");
    ASSERT_TRUE(r.RenderBegin(nullptr));
    r.WriteString3D(&ab, 80, 60, 0, 0, 255, 0, 0);
    r.Color(0, 0, 1);
    r.SetOpacity(0.5f);
    r.DrawQuad(-3, -3, -5, -3, 3, -5, 3, 3, -5, 3, -3, -5);
    r.SetOpacity(1.0f);
    r.RenderEnd();
    EXPECT_EQ(f.host.At(80, 53), RGB565(255, 0, 0));  // a stroke row of the text
    uint16_t under = f.host.At(80, 70);                // below the text: the blue half
    EXPECT_GT(under & 31, 8);
    EXPECT_EQ(under >> 11, 0);
}

}  // namespace
