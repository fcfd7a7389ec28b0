// The kernel's 3-D device, and a start-up whose 3-D display cannot be made.
#include "engine/G3DBridge.h"
#include "kernel/kernel_fixture.h"
#include "platform/PlatformVideo.h"
#include "renderer/RenderHost.h"
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

TEST_F(KernelTest, TheScreenDeviceIsOneObjectSharedWithTheRenderer) {
    StartApp();
    gKernel->Set3D(true);
    ASSERT_NE(g3D, nullptr);
    SoftDevice3D* device = gKernel->Get3DDevice();
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(gKernel->Get3DDevice(), device);
    ASSERT_NE(gRenderHost, nullptr);
    EXPECT_EQ(gRenderHost->Get3DDevice(), device);
    // A new renderer for the same screen draws through the same device.
    EXPECT_TRUE(gKernel->ConfigureDirect3D());
    EXPECT_NE(g3D, nullptr);
    EXPECT_EQ(gKernel->Get3DDevice(), device);
    gKernel->DeleteDirectXGraphics();
    EXPECT_EQ(g3D, nullptr);
}
