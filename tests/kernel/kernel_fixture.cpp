#include "engine/FileTestFolder.h"
#include "kernel/kernel_fixture.h"
#include "platform/Surface16.h"
#include <filesystem>

void KernelTest::SetUp() {
    mOldFolder = GPictureStore::Get().GetFolder();
    mPictureFolder = MakeUniqueTestFolder("kernel_pictures_").string() + "/";
    GPictureStore::Get().SetFolder(mPictureFolder);
    gKernel = new GKernel;
    ASSERT_TRUE(gKernel->IKernel());
}

void KernelTest::TearDown() {
    delete gKernel;
    GPictureStore::Get().SetFolder(mOldFolder);
    std::error_code ec;
    std::filesystem::remove_all(mPictureFolder, ec);
}

RecordingApp* KernelTest::StartApp(int32_t width, int32_t height) {
    auto* app = new RecordingApp;
    app->mPresets.mHaveChoices = 1;
    app->mPresets.mModeConfirmed = 1;
    app->mPresets.mScreenWidth = width;
    app->mPresets.mScreenHeight = height;
    gKernel->StartApp(app);
    // The front-end screens run in 2-D, as the tests here do.
    gKernel->Set3D(false);
    return app;
}

void KernelTest::Pass(int count) {
    for (int i = 0; i < count; ++i)
        gKernel->DoOnePass(0);
}

void KernelTest::Press(int32_t x, int32_t y, int32_t button) {
    PlatformEvent e;
    e.type = PlatformEvent::kMouseDown;
    e.x = x;
    e.y = y;
    e.button = button;
    gKernel->InjectEvent(e);
    Pass();
}

void KernelTest::Release(int32_t x, int32_t y, int32_t button) {
    PlatformEvent e;
    e.type = PlatformEvent::kMouseUp;
    e.x = x;
    e.y = y;
    e.button = button;
    gKernel->InjectEvent(e);
    Pass();
}

void KernelTest::Click(int32_t x, int32_t y, int32_t button, bool doubleClick) {
    PlatformEvent e;
    e.type = PlatformEvent::kMouseDown;
    e.x = x;
    e.y = y;
    e.button = button;
    e.doubleClick = doubleClick;
    gKernel->InjectEvent(e);
    Pass();
    Release(x, y, button);
}

void KernelTest::Move(int32_t x, int32_t y) {
    PlatformEvent e;
    e.type = PlatformEvent::kMouseMove;
    e.x = x;
    e.y = y;
    gKernel->InjectEvent(e);
    Pass();
}

void KernelTest::Key(uint8_t key, bool alt, bool numpad) {
    PlatformEvent e;
    e.type = PlatformEvent::kKey;
    e.key = key;
    e.alt = alt;
    e.numpad = numpad;
    gKernel->InjectEvent(e);
    Pass();
}

uint16_t KernelTest::Pixel(int32_t x, int32_t y) const {
    const PixelTarget16 t = gKernel->GetBackBuffer();
    return t.Row(y)[x];
}

void KernelTest::MakePicture(int32_t id, int32_t w, int32_t h, uint8_t r, uint8_t g, uint8_t b,
                             bool transparentLeftColumn) {
    // Written through the 16-bit PNG writer; transparency needs alpha, so
    // those pictures take magenta, which the loader keys out as well.
    Surface16 s;
    ASSERT_TRUE(s.Create(w, h));
    FillRect16(s.Target(), 0, 0, w, h, MakeRGB565(r, g, b));
    if (transparentLeftColumn) FillRect16(s.Target(), 0, 0, 1, h, 0xF81F);
    ASSERT_TRUE(SavePng16((mPictureFolder + std::to_string(id) + ".png").c_str(), s.Target()));
}
