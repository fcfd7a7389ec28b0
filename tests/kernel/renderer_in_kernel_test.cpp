// The renderer as the kernel owns it: made by the 3-D display set-up, a
// frame per screen update, views drawing, writing text and picking in 3-D.
#include "engine/GBlitView.h"
#include "engine/GOLTAFont.h"
#include "engine/GString.h"
#include "engine/GView.h"
#include "kernel/kernel_fixture.h"
#include "platform/Surface16.h"
#include "renderer/GGraph3D.h"

namespace {

// A view that draws a red square in 3-D, straight ahead of the camera.
class SquareView : public GView {
public:
    void Draw() override {
        GView::Draw();
        Activate3D(60.0f, 1.0f, 1000.0f);
        g3D->Color(1.0f, 0.0f, 0.0f);
        g3D->DrawQuad(-1, -1, -5, -1, 1, -5, 1, 1, -5, 1, -1, -5);
        GString255 text("3-D");
        WriteString(&text, 10, 30, -1, kFontNormal, 255, 255, 0);
        ++mDraws;
    }
    int mDraws = 0;
};

class RendererInKernel : public KernelTest {};

// A view drawing the red square in 3-D under its subviews.
class PanelView : public GView {
public:
    void Draw() override {
        Activate3D(60.0f, 1.0f, 1000.0f);
        g3D->Color(1.0f, 0.0f, 0.0f);
        g3D->DrawQuad(-1, -1, -5, -1, 1, -5, 1, 1, -5, 1, -1, -5);
        DrawSubviews();
    }
};

TEST_F(RendererInKernel, ThreeDDisplayDrawsViewsThroughTheRenderer) {
    RecordingApp* app = StartApp(640, 480);
    gKernel->Set3D(true);
    ASSERT_NE(g3D, nullptr);
    auto* view = new SquareView;
    view->IView(gKernel->GetWindow(), 0, 0, 640, 480);
    view->Refresh();
    Pass(2);
    EXPECT_GT(view->mDraws, 0);
    EXPECT_GT(app->mRenders, 0);
    // The square is red in the middle of the view, over the root view's
    // painted background; the text was flushed.
    uint16_t centre = Pixel(320, 240);
    EXPECT_EQ(centre >> 11, 31);
    EXPECT_EQ(g3D->mDelayedStrings.GetCount(), 0);
    // A pick through the view finds the square and the point on it.
    view->Activate3DPick(320, 240);
    view->Draw();
    view->Continue3DPick();
    view->Draw();
    view->Finish3DPick();
    float x = 9, y = 9, z = 9;
    ASSERT_TRUE(g3D->GetPickPoint(&x, &y, &z));
    EXPECT_NEAR(z, -5.0f, 1e-3f);
    EXPECT_NEAR(x, 0.0f, 0.05f);
    EXPECT_EQ(g3D->GetMatrixDepth(), 0);
    // Back to 2-D: the renderer goes.
    gKernel->Set3D(false);
    EXPECT_EQ(g3D, nullptr);
}

// In 3-D mode the 2-D drawing of a child comes after the 3-D work its
// parent queued: a picture on a panel shows over the panel.
TEST_F(RendererInKernel, TwoDBlitsLandOverTheThreeDQueuedBeforeThem) {
    MakePicture(801, 20, 20, 0, 255, 0);
    StartApp(640, 480);
    gKernel->Set3D(true);
    ASSERT_NE(g3D, nullptr);
    auto* panel = new PanelView;
    panel->IView(gKernel->GetWindow(), 0, 0, 640, 480);
    auto* picture = new GBlitView;
    picture->IBlitView3D(panel, 310, 230, 801);
    panel->Refresh();
    Pass(2);
    EXPECT_EQ(Pixel(320, 270) >> 11, 31) << "the square is drawn around the picture";
    const uint16_t onPicture = Pixel(320, 240);
    EXPECT_EQ((onPicture >> 5) & 63, 63) << "the picture lands over the square";
    EXPECT_EQ(onPicture >> 11, 0);
    gKernel->Set3D(false);
}

} // namespace

namespace {
// Writes a long row of capitals at its top left.
class TextView : public GView {
public:
    void Draw() override {
        GView::Draw();
        GString255 text("WWWWWWWWWWWWWWWW");
        WriteString(&text, 4, 20, -1, kFontNormal, 255, 255, 255);
    }
};
// Fills its whole area with one colour.
class CoverView : public GView {
public:
    void Draw() override {
        LongRect r;
        GetLocalBounds(&r);
        PaintRectangle(&r, static_cast<int16_t>(MakeRGB565(0, 0, 255)));
    }
};
} // namespace

// In 3-D mode texts wait in a queue: a view's own are drawn when it has
// drawn, so a view drawn after it (a dialog over a panel) covers them. A
// filled rectangle lands wherever its view is, also outside the last 3-D
// view (the map's), as the progress bar under the map does.
TEST_F(RendererInKernel, LaterViewsCoverEarlierTextsAndRectanglesIgnoreThe3DView) {
    StartApp(640, 480);
    gKernel->Set3D(true);
    ASSERT_NE(g3D, nullptr);
    auto* text = new TextView;
    text->IView(gKernel->GetWindow(), 0, 0, 200, 40);
    auto* cover = new CoverView;
    cover->IView(gKernel->GetWindow(), 0, 0, 200, 40);
    auto* map = new SquareView; // leaves its 3-D view active at the top
    map->IView(gKernel->GetWindow(), 0, 0, 640, 300);
    auto* bar = new CoverView; // below the 3-D view
    bar->IView(gKernel->GetWindow(), 100, 400, 200, 20);
    Pass(3);
    const uint16_t blue = MakeRGB565(0, 0, 255);
    int32_t notBlue = 0;
    for (int32_t y = 8; y < 21; ++y) // above the square view's own text
        for (int32_t x = 4; x < 150; ++x)
            notBlue += Pixel(x, y) != blue;
    EXPECT_EQ(notBlue, 0) << "the earlier view's text shows through the view over it";
    for (int32_t y = 402; y < 418; y += 4)
        for (int32_t x = 102; x < 298; x += 8)
            EXPECT_EQ(Pixel(x, y), blue) << x << ", " << y;
}
