#include "engine/GKernel.h"
#include "engine/G3DBridge.h"
#include "engine/EZOpenPlay.h"
#include "engine/GFileServices.h"
#include "engine/GOLTA.h"
#include "engine/GOLTAFont.h"
#include "engine/GSoundNetworkSetup.h"
#include "engine/GView.h"
#include "platform/PlatformVideo.h"
#include "platform/Surface16.h"
#include <algorithm>
#include <cmath>

GKernel* gKernel = nullptr;
int16_t gBlack = 0;
int16_t gWhite = static_cast<int16_t>(0xFFFF);

const char* const kProductName = "Morvane: Dunmarch DEMO";
const char* const kNoGraphicsMessage = "Konnte DirectX Grafik nicht erkennen";
const char* const kNo3DGraphicsMessage = "Konnte Direct3D Grafik nicht erkennen";

namespace {
constexpr int32_t kStartWidth = 640;
constexpr int32_t kStartHeight = 480;
constexpr int32_t kDefaultWidth = 1024;
constexpr int32_t kDefaultHeight = 768;
constexpr int32_t kSmallWidth = 800;
constexpr int32_t kSmallHeight = 600;

// Rounds of 1000 steps of integer work done in `ms` milliseconds of the
// real clock (the machine's speed, whatever paces the program).
uint32_t RoundsIn(uint32_t ms) {
    const uint32_t start = RealClockTime();
    uint32_t state = 12345, rounds = 0;
    while (RealClockTime() - start < ms) {
        for (int i = 0; i < 1000; ++i)
            state = state * 1103515245u + 12345u;
        ++rounds;
    }
    // Keeps the optimiser from dropping the loop.
    volatile uint32_t sink = state;
    (void)sink;
    return rounds;
}

// The machine's speed: rounds of integer work per 16 ms. A faster machine
// gives more. The best of several short windows counts, so that a moment
// in which other programs had the processor does not make the machine
// look slow (the value picks the peer that computes a network turn and
// the texture budget).
int32_t TestCPUSpeed() {
    constexpr int kWindows = 4;
    constexpr uint32_t kWindowMs = 8;
    uint32_t best = 0;
    for (int i = 0; i < kWindows; ++i)
        best = std::max(best, RoundsIn(kWindowMs));
    return static_cast<int32_t>(std::max<uint32_t>(best * (16 / kWindowMs), 1u));
}

bool IsUsableMode(int32_t w, int32_t h) {
    return w >= kStartWidth && h >= kStartHeight && w <= 4096 && h <= 4096;
}
} // namespace

GKernel::GKernel() {
    gKernel = this;
}

GKernel::~GKernel() {
    mKillList.clear();
    delete mApplication;
    mApplication = nullptr;
    delete mRootView;
    mRootView = nullptr;
    mNetworkHook = nullptr;
    OPShutdown();
    DeleteDirectXGraphics();
    mSoundHook = nullptr;
    mPlayHook = nullptr;
    mBeepHook = nullptr;
    delete mSoundManager;
    mSoundManager = nullptr;
    GOLTAFonts::Release();
    mVideo.reset();
    if (gKernel == this) gKernel = nullptr;
}

bool GKernel::IKernel() {
    mVideo = std::make_unique<PlatformVideo>();
    if (!mVideo->Open(kProductName, kStartWidth, kStartHeight)) {
        mVideo.reset();
        return false;
    }
    mScreenWidth = kStartWidth;
    mScreenHeight = kStartHeight;
    DetermineWinPixelFormat();
    mRootView = new GView;
    mRootView->IView(nullptr, 0, 0, kStartWidth, kStartHeight);
    mRootView->SetFillColor(gBlack);
    RandomlySeedRandomGenerator();
    mCPUSpeed = TestCPUSpeed();
    GetProgramFolder(); // the program's folder, found once for every file service
    mCurrentTime = ClockTime();
    mLastFrameTime = static_cast<int32_t>(mCurrentTime);
    InstallSoundAndNetwork(this);
    GOLTAFonts::Make();
    SetGamma(1.0f, 1.0f);
    return true;
}

void GKernel::InstallApp(GApplication* app) {
    StartApp(app);
    RunMainLoop();
}

void GKernel::StartApp(GApplication* app) {
    delete mApplication;
    mApplication = app;
    mGraphicsPresets.mHaveChoices = 0;
    mGraphicsPresets.mModeConfirmed = 0;
    if (app) {
        app->LoadPrefs();
        app->GetGraphicsPresets(&mGraphicsPresets);
    }
    const bool chosen = mGraphicsPresets.mHaveChoices != 0 &&
                        IsUsableMode(mGraphicsPresets.mScreenWidth, mGraphicsPresets.mScreenHeight);
    if (!chosen || !SetScreenMode(mGraphicsPresets.mScreenWidth, mGraphicsPresets.mScreenHeight)) {
        // 1024 x 768 unless the desktop is smaller; then the menu's minimum.
        int32_t dw = kDefaultWidth, dh = kDefaultHeight;
        if (mVideo && mVideo->DesktopSize(&dw, &dh) && (dw < kDefaultWidth || dh < kDefaultHeight))
            SetScreenMode(kSmallWidth, kSmallHeight);
        else
            SetScreenMode(kDefaultWidth, kDefaultHeight);
    }
    m3DMode = true;
    if (!InitDirectXGraphics()) {
        // No game without the 3-D display: the program ends at once, and
        // the entry shows the message.
        mFatalMessage = kNo3DGraphicsMessage;
        Quit();
        return;
    }
    // The display is our own software device, which cannot fail a mode the
    // window opened with, so the user test completes at once and Startup runs
    // before the loop.
    CompleteDisplayTest();
}

void GKernel::CompleteDisplayTest() {
    mDisplayTestRunning = false;
    mGraphicsPresets.mHaveChoices = 1;
    mGraphicsPresets.mModeConfirmed = 1;
    mGraphicsPresets.mScreenWidth = mScreenWidth;
    mGraphicsPresets.mScreenHeight = mScreenHeight;
    mGraphicsPresets.mBitDepth = 16;
    mGraphicsPresets.mUse3D = m3DMode ? 1 : 0;
    mGraphicsPresets.mHardwareDevice = mHardwareDevice ? 1 : 0;
    if (mApplication) {
        mApplication->StoreGraphicPresets(&mGraphicsPresets);
        mApplication->Startup();
    }
    if (m3DMode && Bridge3D::Exists()) Bridge3D::InformAppOfVRAM();
}

bool GKernel::InitDirectXGraphics() {
    DeleteDirectXGraphics();
    if (!m3DMode) return true;
    if (ConfigureDirect3D()) return true;
    m3DMode = false;
    return false;
}

void GKernel::DeleteDirectXGraphics() {
    Bridge3D::Delete();
}

SoftDevice3D* GKernel::Get3DDevice() {
    return Bridge3D::Device();
}

bool GKernel::ConfigureDirect3D() {
    return Bridge3D::Create();
}

void GKernel::PrepareDevice3D() {
    Bridge3D::PrepareDevice();
}

void GKernel::Set3D(bool on) {
    if (on == m3DMode) return;
    m3DMode = on;
    if (on) {
        if (InitDirectXGraphics()) Bridge3D::InformAppOfVRAM();
    } else {
        DeleteDirectXGraphics();
    }
    if (mRootView) mRootView->Refresh();
}

bool GKernel::SetScreenMode(int32_t width, int32_t height) {
    if (!mVideo || !IsUsableMode(width, height) || !mVideo->SetMode(width, height)) return false;
    mScreenWidth = width;
    mScreenHeight = height;
    if (mRootView) mRootView->Resize(width, height);
    QueueRefresh(LongRect{0, 0, width, height});
    return true;
}

PixelTarget16 GKernel::GetBackBuffer() const {
    return mVideo ? mVideo->BackBuffer().Target() : PixelTarget16{};
}

void GKernel::ClearScreen(bool removeViews) {
    if (removeViews && mRootView) mRootView->ClearSubviews();
    FillRect16(GetBackBuffer(), 0, 0, mScreenWidth, mScreenHeight, static_cast<uint16_t>(gBlack));
    QueueRefresh(LongRect{0, 0, mScreenWidth, mScreenHeight});
}

void GKernel::QueueRefresh(const LongRect& screenRect) {
    mDirty =
        LongRect::Union(mDirty, LongRect::Intersect(screenRect, LongRect{0, 0, mScreenWidth, mScreenHeight}));
}

bool GKernel::SaveScreen(const char* path) const {
    return SavePng16(path, GetBackBuffer());
}

void GKernel::Suspend() {
    // Leaving the foreground deactivates the program through the focus
    // events, which call the application's SuspendApp.
    if (mVideo) mVideo->Minimize();
}

void GKernel::ShowSystemCursor(bool show) {
    if (m3DMode && Bridge3D::Exists())
        Bridge3D::ShowCursor(show);
    else
        ShowWinCursor(show);
}

void GKernel::ShowWinCursor(bool show) {
    mCursorShown = show;
    if (mVideo) mVideo->ShowCursor(show);
}

bool GKernel::HideCursorOnPageFlipper() {
    // Only a hardware page flipper draws over the platform's pointer.
    if (!mHardwareDirectDraw || !mCursorShown) return false;
    ShowWinCursor(false);
    return true;
}

void GKernel::SetGamma(float gamma, float brightness) {
    if (!(gamma > 0.0f)) gamma = 1.0f;
    for (int i = 0; i < 256; ++i) {
        const double v = 65535.0 * brightness * std::pow(i / 255.0, 1.0 / gamma);
        // Brightness above 1 would overflow the ramp; it saturates instead.
        mGammaRamp[i] = static_cast<uint16_t>(v >= 65535.0 ? 65535.0 : v <= 0.0 ? 0.0 : v);
    }
    if (mVideo) mVideo->SetGammaRamp(mGammaRamp);
    QueueRefresh(LongRect{0, 0, mScreenWidth, mScreenHeight});
}

void GKernel::Beep() {
    ++mBeepCount;
    if (mBeepHook) mBeepHook(mBeepContext);
}

void GKernel::SetManageSoundsHook(SoundHook hook, void* context) {
    mSoundHook = hook;
    mSoundContext = context;
}

void GKernel::SetBeepHook(SoundHook hook, void* context) {
    mBeepHook = hook;
    mBeepContext = context;
}

void GKernel::SetPlaySoundHook(PlaySoundHook hook, void* context) {
    mPlayHook = hook;
    mPlayContext = context;
}

void GKernel::PlaySound(int32_t soundId) {
    if (mPlayHook) mPlayHook(soundId, mPlayContext);
}

void GKernel::AdoptSoundManager(GObject* manager) {
    if (manager == mSoundManager) return;
    delete mSoundManager;
    mSoundManager = manager;
}

void GKernel::SetNetworkPumpHook(SoundHook hook, void* context) {
    mNetworkHook = hook;
    mNetworkContext = context;
}

void GKernel::ManageSounds() {
    if (mSoundHook) mSoundHook(mSoundContext);
}

void GKernel::HogCPU(bool on) {
    if (!on)
        mHogCPU = 0;
    else if (mHogCPU == 0)
        mHogCPU = 1;
}

void GKernel::HogCPUIncrement() {
    if (mHogCPU < 999) ++mHogCPU;
}

void GKernel::HogCPUDecrement() {
    if (mHogCPU > 0) --mHogCPU;
}
