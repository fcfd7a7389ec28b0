// The main loop while the program is in the background, and the file
// chooser handing the screen back as it found it.
#include "engine/GButton.h"
#include "engine/GView.h"
#include "kernel/kernel_fixture.h"

namespace {
void Focus(bool gained) {
    PlatformEvent e;
    e.type = gained ? PlatformEvent::kFocusGained : PlatformEvent::kFocusLost;
    gKernel->InjectEvent(e);
    gKernel->DoOnePass(0);
}

class IdleCounter : public GView {
public:
    void DoIdle() override { ++mIdles; }
    int mIdles = 0;
};
} // namespace

TEST_F(KernelTest, BackgroundPassesKeepIdleWorkAndSoundButDrawNothing) {
    RecordingApp* app = StartApp();
    Pass(10); // the window system's own start-up messages
    auto* idler = new IdleCounter;
    idler->IView(nullptr, 10, 10, 20, 20);
    idler->SetIdleTimer(0);
    int sounds = 0, pumps = 0;
    gKernel->SetManageSoundsHook([](void* c) { ++*static_cast<int*>(c); }, &sounds);
    gKernel->SetNetworkPumpHook([](void* c) { ++*static_cast<int*>(c); }, &pumps);
    // Edge scrolling is on unless the program turns it off.
    Move(0, 300);
    EXPECT_EQ(gKernel->mEdgeH, -1);

    Focus(false);
    const int renders = app->mRenders, afterIdles = app->mAfterIdles, idles = idler->mIdles;
    sounds = pumps = 0;
    Key('a');
    Move(5, 300);
    // For each message the idle timers, the after-idle hook (which carries
    // network transfers) and the sound channels go on; the screen is left
    // alone, and the pointer outside the window scrolls nothing.
    EXPECT_EQ(app->mRenders, renders);
    EXPECT_EQ(app->mAfterIdles, afterIdles + 2);
    EXPECT_EQ(idler->mIdles, idles + 2);
    EXPECT_EQ(sounds, 2);
    EXPECT_EQ(gKernel->mEdgeH, 0);
    EXPECT_EQ(app->mKeys.back().key, 'a');
    EXPECT_EQ(app->mBackgroundWork, 0);
    // A wake-up without a message only runs the network pump and the
    // application's background work.
    Pass(3);
    EXPECT_EQ(pumps, 5);
    EXPECT_EQ(app->mAfterIdles, afterIdles + 2);
    EXPECT_EQ(app->mBackgroundWork, 3);
    EXPECT_EQ(sounds, 2);

    Focus(true);
    EXPECT_GT(app->mRenders, renders);
    Pass(2);
    EXPECT_EQ(app->mBackgroundWork, 3);
    gKernel->SetNetworkPumpHook(nullptr, nullptr);
    Move(0, 300);
    EXPECT_EQ(gKernel->mEdgeH, -1);
}
