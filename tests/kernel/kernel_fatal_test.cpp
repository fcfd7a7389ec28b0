// A start-up whose 3-D display cannot be made ends the program at once.
#include "kernel/kernel_fixture.h"
#include "platform/PlatformVideo.h"
#include <cstring>

// Takes the kernel's display away, as a machine without usable graphics
// would leave it.
class GKernelTestAccess {
public:
    static void DropDisplay(GKernel* kernel) { kernel->mVideo.reset(); }
};

TEST_F(KernelTest, StartupWithoutA3DDisplayEndsWithTheFatalMessage) {
    EXPECT_EQ(gKernel->GetFatalMessage(), nullptr);
    GKernelTestAccess::DropDisplay(gKernel);
    auto* app = new RecordingApp;
    gKernel->InstallApp(app); // returns at once instead of running the loop
    ASSERT_NE(gKernel->GetFatalMessage(), nullptr);
    EXPECT_STREQ(gKernel->GetFatalMessage(), "Konnte Direct3D Grafik nicht erkennen");
    EXPECT_TRUE(gKernel->IsQuitting());
    EXPECT_EQ(app->mStartups, 0);
    EXPECT_EQ(gKernel->GetApplication(), app); // still owned and deleted by the kernel
}
