// The kernel's test application: a small screen of views that is driven by
// injected clicks and keys and checked by its pixels. The same application
// runs once in a real X window (under Xvfb) and quits by itself.
#include "engine/FileTestFolder.h"
#include "engine/GBlitView.h"
#include "engine/GButton.h"
#include "engine/GEditView.h"
#include "engine/GOLTA.h"
#include "engine/GTextView.h"
#include "engine/GView.h"
#include "kernel/kernel_fixture.h"
#include "platform/PlatformVideo.h"
#include <cstdlib>

namespace {
constexpr int32_t kCmdPaint = 200;
constexpr int32_t kCmdQuit = 201;

// Builds its screen at Startup: a backdrop, a picture, a text, an edit field
// and two buttons. "Malen" paints a marker square; "Ende" quits.
class TestApplication : public RecordingApp {
public:
    void Startup() override {
        RecordingApp::Startup();
        gKernel->Set3D(false); // a front-end screen
        mBackdrop = new GView;
        mBackdrop->IView(nullptr, 0, 0, 0, 0);
        mBackdrop->SetFillColor(gKernel->MakeColor16(40, 60, 40));
        auto* picture = new GBlitView;
        picture->IBlitView2D(mBackdrop, 20, 20, 800);
        auto* title = new GTextView;
        GString63 text("Dunmarch Testanwendung");
        title->ITextView(mBackdrop, -1, 10, 400, &text);
        title->SetColor(255, 255, 255);
        mEdit = new GEditView;
        mEdit->IEditView(mBackdrop, 300, 100, 20, 1, true, false);
        auto* paint = new GButton;
        paint->IButton(1, mBackdrop, 300, 200, 120, 30, kCmdPaint);
        GString15 label("Malen");
        paint->SetTitle(&label);
        auto* quit = new GButton;
        quit->IButton(1, mBackdrop, 450, 200, 120, 30, kCmdQuit);
        GString15 end("Ende");
        quit->SetTitle(&end);
        quit->SetDefaultOK();
        if (mAutoQuitMs > 0) {
            mBackdrop->SetIdleTimer(mAutoQuitMs);
            mAutoQuit = true;
        }
    }
    void DoCommand(int32_t command) override {
        RecordingApp::DoCommand(command);
        if (command == kCmdPaint) {
            auto* marker = new GView;
            marker->IView(mBackdrop, 700, 500, 40, 40);
            marker->SetFillColor(gKernel->MakeColor16(255, 255, 0));
        }
        if (command == kCmdQuit) gKernel->Quit();
    }
    void DoStuffAfterIdle() override {
        RecordingApp::DoStuffAfterIdle();
        // Auto-quit: press "Ende" through the default-button path after the
        // timer of the backdrop has come round once.
        if (mAutoQuit && ++mPasses > 3 && ClockTime() - mStart > static_cast<uint32_t>(mAutoQuitMs))
            gKernel->PressDefaultButton();
    }

    GView* mBackdrop = nullptr;
    GEditView* mEdit = nullptr;
    int32_t mAutoQuitMs = 0;
    bool mAutoQuit = false;
    int mPasses = 0;
    uint32_t mStart = ClockTime();
};
} // namespace

TEST_F(KernelTest, TestApplicationHeadless) {
    MakePicture(800, 30, 20, 200, 0, 0);
    auto* app = new TestApplication;
    app->mPresets.mHaveChoices = 1;
    app->mPresets.mModeConfirmed = 1;
    app->mPresets.mScreenWidth = 800;
    app->mPresets.mScreenHeight = 600;
    gKernel->StartApp(app);
    Pass();
    const uint16_t backdrop = static_cast<uint16_t>(gKernel->MakeColor16(40, 60, 40));
    EXPECT_EQ(Pixel(5, 5), backdrop);
    EXPECT_EQ(Pixel(25, 25), MakeRGB565(200, 0, 0));
    EXPECT_EQ(Pixel(720, 520), backdrop);

    // Type into the field, click "Malen": the marker appears.
    for (char c : std::string("abc"))
        Key(static_cast<uint8_t>(c));
    GString31 typed;
    app->mEdit->CaptureString(&typed);
    EXPECT_STREQ(typed.GetCString(), "abc");
    Click(360, 215);
    EXPECT_EQ(app->mCommands.back(), kCmdPaint);
    EXPECT_EQ(Pixel(720, 520), MakeRGB565(255, 255, 0));
    // The button's title is drawn: dark text on the lighter face.
    int ink = 0;
    for (int32_t y = 202; y < 228; ++y)
        for (int32_t x = 302; x < 418; ++x)
            ink += ((Pixel(x, y) >> 5) & 63) < 30;
    EXPECT_GT(ink, 20);
    FileTestFolder shots("kernel_test_app_");
    const std::string shot = shots.File("screen.png");
    EXPECT_TRUE(gKernel->SaveScreen(shot.c_str()));

    // Escape reaches DoKey though the field has the keys; Return presses "Ende".
    Key(27);
    EXPECT_EQ(app->mKeys.back().key, 27);
    Key(13);
    EXPECT_TRUE(gKernel->IsQuitting());
}

// Runs the application's own main loop once in a real window; scripts/xvfb-smoke
// starts it under xvfb-run with DM_XVFB_SMOKE=1.
TEST_F(KernelTest, XvfbSmoke) {
    if (!std::getenv("DM_XVFB_SMOKE") || !std::getenv("DISPLAY"))
        GTEST_SKIP() << "needs DM_XVFB_SMOKE=1 and X";
    MakePicture(800, 30, 20, 200, 0, 0);
    auto* app = new TestApplication;
    app->mAutoQuitMs = 300;
    const uint32_t start = ClockTime();
    gKernel->InstallApp(app); // returns when the application quits
    EXPECT_TRUE(gKernel->IsQuitting());
    EXPECT_EQ(app->mCommands.back(), kCmdQuit);
    EXPECT_LT(ClockTime() - start, 120000u); // only a hang takes that long
}

// In a real full-screen window of another shape the game screen is
// letterboxed and pointer positions map back exactly (run by xvfb-smoke on a
// 1280 x 1024 screen).
TEST(XvfbWindow, LetterboxedPointerMapping) {
    if (!std::getenv("DM_XVFB_SMOKE") || !std::getenv("DISPLAY"))
        GTEST_SKIP() << "needs DM_XVFB_SMOKE=1 and X";
    PlatformVideo video;
    ASSERT_TRUE(video.Open(kProductName, 1024, 768));
    for (int i = 0; i < 20; ++i) { // let the window reach its size
        PlatformEvent e;
        video.NextEvent(&e, 20);
    }
    const Letterbox box = video.CurrentLetterbox();
    ASSERT_GT(box.w, 0);
    EXPECT_EQ(box.w * 768, box.h * 1024); // the game's shape is kept
    int32_t gx = -1, gy = -1;
    video.WindowToGame(0, 0, &gx, &gy);
    EXPECT_EQ(gx, 0);
    EXPECT_EQ(gy, 0);
    // The centre of the window is the centre of the game screen.
    int32_t ww = box.x * 2 + box.w, wh = box.y * 2 + box.h;
    video.WindowToGame(ww / 2, wh / 2, &gx, &gy);
    EXPECT_NEAR(gx, 512, 1);
    EXPECT_NEAR(gy, 384, 1);
    video.WindowToGame(ww - 1, wh - 1, &gx, &gy);
    EXPECT_EQ(gx, 1023);
    EXPECT_EQ(gy, 767);
    video.Present();
}
