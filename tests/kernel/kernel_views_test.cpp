// The view tree: placement, visibility, deletion, idle timers and the
// deferred deletion of views during idle time.
#include "engine/GOLTA.h"
#include "engine/GView.h"
#include "kernel/kernel_fixture.h"

namespace {
class IdleCounter : public GView {
public:
    void DoIdle() override { ++mIdles; }
    int mIdles = 0;
};

// Deletes another view from its DoIdle; the kernel must not touch it later.
class Deleter : public GView {
public:
    void DoIdle() override {
        delete mVictim;
        mVictim = nullptr;
    }
    GView* mVictim = nullptr;
};
} // namespace

TEST_F(KernelTest, PlacementCentresAndTakesTheParentsSize) {
    StartApp(800, 600);
    GView* root = gKernel->GetWindow();
    EXPECT_EQ(root->GetWidth(), 800);
    EXPECT_EQ(root->GetHeight(), 600);
    auto* panel = new GView;
    panel->IView(nullptr, -1, -5, 200, 100); // any negative centres
    EXPECT_EQ(panel->GetParent(), root);
    LongRect b;
    panel->GetBounds(&b);
    EXPECT_EQ(b.left, 300);
    EXPECT_EQ(b.top, 250);
    auto* child = new GView;
    child->IView(panel, 10, 20, 0, -3); // width and height from the parent
    child->GetBounds(&b);
    EXPECT_EQ(b.right, 210);
    EXPECT_EQ(b.bottom, 120);
    child->GetGlobalBounds(&b);
    EXPECT_EQ(b.left, 310);
    EXPECT_EQ(b.top, 270);
    child->GetLocalBounds(&b);
    EXPECT_EQ(b.left, 0);
    EXPECT_EQ(b.right, 200);
}

TEST_F(KernelTest, VisibilityActivityAndDeletionFollowTheTree) {
    StartApp();
    auto* outer = new GView;
    outer->IView(nullptr, 0, 0, 100, 100);
    auto* inner = new GView;
    inner->IView(outer, 0, 0, 10, 10);
    EXPECT_TRUE(inner->IsVisible());
    outer->Show(false);
    EXPECT_FALSE(inner->IsVisible());
    EXPECT_TRUE(inner->IsShown());
    outer->Show(true);
    outer->Activate(false);
    EXPECT_FALSE(inner->IsActive());
    outer->Activate(true);
    EXPECT_TRUE(gKernel->IsViewAlive(inner));
    delete outer; // deletes its subview too
    EXPECT_FALSE(gKernel->IsViewAlive(inner));
    EXPECT_EQ(gKernel->GetWindow()->GetSubviewCount(), 0);

    auto* a = new GView;
    a->IView(nullptr, 0, 0, 10, 10);
    auto* b = new GView;
    b->IView(a, 0, 0, 5, 5);
    a->ClearSubviews();
    EXPECT_EQ(a->GetSubviewCount(), 0);
    EXPECT_FALSE(gKernel->IsViewAlive(b));
    gKernel->ClearScreen(true);
    EXPECT_FALSE(gKernel->IsViewAlive(a));
}

TEST_F(KernelTest, IdleTimersAndDeferredKills) {
    RecordingApp* app = StartApp();
    auto* every = new IdleCounter;
    every->IView(nullptr, 0, 0, 10, 10);
    every->SetIdleTimer(0);
    auto* never = new IdleCounter;
    never->IView(nullptr, 0, 0, 10, 10);
    never->SetIdleTimer(-1);
    auto* slow = new IdleCounter;
    slow->IView(nullptr, 0, 0, 10, 10);
    slow->SetIdleTimer(60000);
    Pass(3);
    EXPECT_EQ(every->mIdles, 3);
    EXPECT_EQ(never->mIdles, 0);
    EXPECT_EQ(slow->mIdles, 0);
    EXPECT_GE(app->mAfterIdles, 3);

    // A kill asked for during idle waits until the idle pass is over.
    class SelfKiller : public GView {
    public:
        void DoIdle() override {
            mWasIdling = gKernel->Idling();
            gKernel->KillViewAfterIdle(this);
            mStillAlive = gKernel->IsViewAlive(this);
        }
        bool mWasIdling = false, mStillAlive = false;
    };
    auto* killer = new SelfKiller;
    killer->IView(nullptr, 0, 0, 10, 10);
    killer->SetIdleTimer(0);
    GView* watch = killer;
    bool wasIdling = false, alive = false;
    // Read the flags through a second view that survives.
    class Probe : public GView {
    public:
        void DoIdle() override {
            if (!gKernel->IsViewAlive(mTarget)) return;
            *mIdling = static_cast<SelfKiller*>(mTarget)->mWasIdling;
            *mAlive = static_cast<SelfKiller*>(mTarget)->mStillAlive;
        }
        GView* mTarget = nullptr;
        bool* mIdling = nullptr;
        bool* mAlive = nullptr;
    };
    auto* probe = new Probe;
    probe->IView(nullptr, 0, 0, 1, 1);
    probe->mTarget = watch;
    probe->mIdling = &wasIdling;
    probe->mAlive = &alive;
    probe->SetIdleTimer(0);
    Pass();
    EXPECT_TRUE(wasIdling);
    EXPECT_TRUE(alive);
    EXPECT_FALSE(gKernel->IsViewAlive(watch));
    EXPECT_FALSE(gKernel->Idling());

    // A view deleted by another view's DoIdle is not idled afterwards.
    auto* deleter = new Deleter;
    deleter->IView(nullptr, 0, 0, 1, 1);
    deleter->SetIdleTimer(0);
    auto* victim = new IdleCounter;
    victim->IView(nullptr, 0, 0, 1, 1);
    victim->SetIdleTimer(0);
    deleter->mVictim = victim;
    Pass();
    EXPECT_EQ(deleter->mVictim, nullptr);
}

TEST_F(KernelTest, HogCPUCounterAndQuit) {
    StartApp();
    gKernel->HogCPU(true);
    EXPECT_EQ(gKernel->GetHogCPU(), 1);
    gKernel->HogCPUIncrement();
    gKernel->HogCPU(true); // only sets 1 when it was 0
    EXPECT_EQ(gKernel->GetHogCPU(), 2);
    for (int i = 0; i < 2000; ++i)
        gKernel->HogCPUIncrement();
    EXPECT_EQ(gKernel->GetHogCPU(), 999);
    gKernel->HogCPU(false);
    gKernel->HogCPUDecrement();
    EXPECT_EQ(gKernel->GetHogCPU(), 0);
    gKernel->Quit();
    gKernel->RunMainLoop(); // ends after the current pass
    EXPECT_TRUE(gKernel->IsQuitting());
}

TEST_F(KernelTest, StartupAndPresets) {
    auto* app = new RecordingApp; // no preferences: the default mode
    gKernel->StartApp(app);
    EXPECT_EQ(app->mStartups, 1);
    EXPECT_EQ(gKernel->mScreenWidth, 1024);
    EXPECT_EQ(gKernel->mScreenHeight, 768);
    EXPECT_EQ(app->mStored.mModeConfirmed, 1);
    EXPECT_EQ(app->mStored.mScreenWidth, 1024);
    EXPECT_EQ(app->mStored.mBitDepth, 16);
    EXPECT_GT(gKernel->mCPUSpeed, 0);
    Pass(2);
    EXPECT_GE(app->mRenders, 2);
    // Frame timing fields move forward.
    const int32_t before = gKernel->mLastFrameTime;
    TimeDelay(3);
    gKernel->UpdateScreen();
    EXPECT_GE(gKernel->mLastFrameTime, before + 3);
    EXPECT_GE(gKernel->mFrameMs, 3);
}

TEST_F(KernelTest, ThreeDModeDrawsTheWholeTreeThroughTheRenderer) {
    class VramApp : public RecordingApp {
    public:
        void RespondToVRAM(int32_t kilobytes, bool) override { mVram = kilobytes; }
        int32_t mVram = -1;
    };
    auto* app = new VramApp;
    app->mPresets.mHaveChoices = 1;
    app->mPresets.mModeConfirmed = 1;
    app->mPresets.mScreenWidth = 800;
    app->mPresets.mScreenHeight = 600;
    gKernel->StartApp(app);
    if (!gKernel->Is3D()) GTEST_SKIP() << "no renderer in this build";
    EXPECT_GE(app->mVram, 0); // reported after Startup
    auto* panel = new GView;
    panel->IView(nullptr, 10, 10, 30, 30);
    const int16_t red = gKernel->MakeColor16(255, 0, 0);
    panel->SetFillColor(red);
    // Flat rectangles of the 3-D display are cut to the active viewport.
    gKernel->GetWindow()->Reactivate3D();
    const int renders = app->mRenders;
    Pass();
    EXPECT_EQ(app->mRenders, renders + 1);
    EXPECT_EQ(Pixel(20, 20), static_cast<uint16_t>(red));
    // Switching to 2-D drops the renderer; back to 3-D makes a new one.
    gKernel->Set3D(false);
    EXPECT_FALSE(gKernel->Is3D());
    app->mVram = -1;
    gKernel->Set3D(true);
    EXPECT_TRUE(gKernel->Is3D());
    EXPECT_GE(app->mVram, 0);
    gKernel->Set3D(true); // nothing when already in that mode
}
