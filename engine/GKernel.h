#pragma once
#include "engine/GApplication.h"
#include "engine/GGraphic.h"
#include "engine/GObject.h"
#include "engine/LongRect.h"
#include "platform/PixelTarget.h"
#include "platform/PlatformEvent.h"
#include <cstdint>
#include <memory>
#include <unordered_set>
#include <vector>

class GView;
class GEditView;
class GFileStub;
class GList;
class GButton;
class GFile;
class GString;
class PlatformVideo;
class SoftDevice3D;

// The title of the window and the fatal messages shown when no display opens.
extern const char* const kProductName;
extern const char* const kNoGraphicsMessage;
extern const char* const kNo3DGraphicsMessage;

// The one kernel: window, main loop, dispatch of mouse, keys and commands
// through the view tree, timing, screen updates and 2-D graphics.
class GKernel : public GObject {
public:
    GKernel();
    ~GKernel() override;

    // Opens the window and the back buffer (640 x 480 at first), seeds the
    // generator, measures the CPU and makes the fonts. False when no display
    // can be opened.
    bool IKernel();
    // Runs the application: preferences, display set-up, Startup, main loop.
    // Returns when the program ends.
    void InstallApp(GApplication* app);
    // The part of InstallApp before the main loop: the kernel takes the
    // application, sets up the display and calls Startup.
    void StartApp(GApplication* app);
    GApplication* GetApplication() const { return mApplication; }
    // The German message with which the program must end at once (the 3-D
    // graphics could not be set up at start), or null while all is well.
    const char* GetFatalMessage() const { return mFatalMessage; }

    // --- main loop ---------------------------------------------------------
    void RunMainLoop();
    // One pass of the main loop; waitMs caps how long it may wait for an
    // event when nothing is due (tests pass 0).
    void DoOnePass(int32_t waitMs);
    void Quit() { mQuit = true; }
    bool IsQuitting() const { return mQuit; }
    void Suspend();
    void UpdateScreen();
    // The screen update of work that keeps the loop busy (a progress bar):
    // drawn only when the last update is at least kProgressUpdateMs of wall
    // time old, so showing the progress costs little of the wait. True when
    // it drew.
    static constexpr uint32_t kProgressUpdateMs = 100;
    bool UpdateScreenForProgress();
    // Screen updates made since the kernel began.
    uint32_t GetScreenUpdateCount() const { return mScreenUpdates; }
    bool Idling() const { return mIdling; }
    void KillViewAfterIdle(GView* view);

    // Busy counter: while above 0 the loop polls and never waits.
    void HogCPU(bool on);
    void HogCPUIncrement();
    void HogCPUDecrement();
    int32_t GetHogCPU() const { return mHogCPU; }

    // --- events --------------------------------------------------------------
    // Handles one event as if the window system had sent it.
    void DispatchEvent(const PlatformEvent& event);
    // Queues an event for the next pass, behind those already waiting.
    void InjectEvent(const PlatformEvent& event);
    bool ShiftKeyPressed() const { return mShift; }
    bool ControlKeyPressed() const { return mCtrl; }
    void BreakMouseTrack();
    GView* GetTrackingView() const { return mTrackingView; }
    GView* GetTopModal() const;
    GEditView* GetActiveEdit() const { return mActiveEdit; }
    void SetActiveEdit(GEditView* edit);
    // Presses the visible default button, as Return does; false without one.
    bool PressDefaultButton();
    void SetDefaultButton(GButton* button) { mDefaultButton = button; }
    bool IsDefaultButton(const GButton* button) const { return button && mDefaultButton == button; }

    // --- screen --------------------------------------------------------------
    GView* GetWindow() const { return mRootView; }
    void ClearScreen(bool removeViews);
    // A new display mode; the root view takes its size.
    bool SetScreenMode(int32_t width, int32_t height);
    PixelTarget16 GetBackBuffer() const;
    bool Is3D() const { return m3DMode; }
    void Set3D(bool on);
    void ShowSystemCursor(bool show);
    void ShowWinCursor(bool show);
    bool HideCursorOnPageFlipper();
    void SetGamma(float gamma, float brightness);
    const uint16_t* GetGammaRamp() const { return mGammaRamp; }
    void Beep();
    int32_t GetBeepCount() const { return mBeepCount; }
    // When the last button went down, and whether one is down now.
    uint32_t GetButtonDownTime() const { return mButtonDownTime; }
    bool IsButtonDown() const { return mButtonDown != 0; }
    // Saves the back buffer as a PNG file (for tests and screenshots).
    bool SaveScreen(const char* path) const;
    // Everything below this rectangle (screen coordinates) is drawn again at
    // the next update.
    void QueueRefresh(const LongRect& screenRect);

    // --- 2-D graphics ------------------------------------------------------
    void DetermineWinPixelFormat();
    int16_t MakeColor16(uint8_t r, uint8_t g, uint8_t b) const;
    uint32_t ConvertToD3DColor(int16_t pixel) const;
    const uint16_t* GetMaskColor() const { return &mMaskColour; }
    void PaintRectangle(const LongRect* rect, int16_t colour);
    void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int16_t colour, int16_t width);
    GGraphic* MakeGraphic(GraphicType type, int32_t id);
    GGraphic* MakeGraphicCanFail(GraphicType type, int32_t id);
    GGraphic* MakeTexture(int32_t id);
    GGraphic* MakePriorityTexture(int32_t id);
    GGraphic* MakeHighPriorityTexture(int32_t id);
    GGraphic* MakeHighestPriorityTexture(int32_t id);

    // --- files (in the program's folder) -------------------------------------
    GFile* GetPrefsFile(const char* name, bool forReading);
    bool CreateDirectoryIfAbsent(const char* name);
    GFile* CreateTempFile(bool compressed);
    GFile* SaveFile(const char* type, GString* name, const char* folder, int32_t mode);
    bool FileExists(GString* name, const char* folder, const char* type, bool text);
    GList* EnumerateDirectory(const char* folder, const char* type);
    GFile* OpenFileFromStub(GFileStub* stub, int32_t mode);
    bool DeleteFileFromStub(GFileStub* stub);
    void CutFileSuffix(GString* name);
    void OneWayHash(GString* text, GString* out);
    // The in-game file chooser titled "Szenario": lists the files of the
    // folder whose extension is one of the given type codes (all files when
    // every type is null) and runs until the user opens one or cancels. The
    // chosen file opened in mode, or null; *flag is set when a chosen file
    // could not be opened (the caller beeps), cleared otherwise.
    GFile* OpenFileDialog(const char* folder, const char* type1, const char* type2, const char* type3,
                          const char* type4, int32_t mode, bool* flag);

    // --- 3-D device --------------------------------------------------------
    bool InitDirectXGraphics();
    void DeleteDirectXGraphics();
    // The screen's 3-D device: the same object on every call while the back
    // buffer lives; null without a back buffer.
    SoftDevice3D* Get3DDevice();
    // Makes the renderer g3D for the screen device and sets it up; false
    // (and g3D null) when that fails.
    bool ConfigureDirect3D();
    // The device's fixed render states (depth, blending, alpha test, filters).
    void PrepareDevice3D();

    // --- views (used by GView) ---------------------------------------------
    void RegisterView(GView* view);
    void ForgetView(GView* view);
    bool IsViewAlive(GView* view) const { return mLiveViews.count(view) != 0; }
    void PushModal(GView* view);
    void StartTracking(GView* view, bool hold);
    void PointerPosition(int32_t* x, int32_t* y) const {
        *x = mMouseX;
        *y = mMouseY;
    }

    // --- sound hook --------------------------------------------------------
    // The sound manager services its channels through this, once a pass.
    using SoundHook = void (*)(void* context);
    void SetManageSoundsHook(SoundHook hook, void* context);
    void ManageSounds();
    // The kernel owns the sound manager and deletes it after the renderer.
    void AdoptSoundManager(GObject* manager);
    GObject* GetSoundManager() const { return mSoundManager; }
    // The network pump, run first in every pass of the main loop.
    void SetNetworkPumpHook(SoundHook hook, void* context);
    void SetBeepHook(SoundHook hook, void* context);
    // Controls play their click sounds through this.
    using PlaySoundHook = void (*)(int32_t soundId, void* context);
    void SetPlaySoundHook(PlaySoundHook hook, void* context);
    void PlaySound(int32_t soundId);
    // The hooks in place, null where none is.
    SoundHook ManageSoundsHook() const { return mSoundHook; }
    SoundHook NetworkPumpHook() const { return mNetworkHook; }
    SoundHook BeepHook() const { return mBeepHook; }
    PlaySoundHook ClickSoundHook() const { return mPlayHook; }

    // --- fields read by the game -------------------------------------------
    int32_t mScreenWidth = 640;
    int32_t mScreenHeight = 480;
    int32_t mCPUSpeed = 0;
    uint32_t mCurrentTime = 0; // ms, updated each pass and per event
    float mFramesPerSecond = 0.0f;
    int32_t mFrameMs = 0;
    int32_t mLastFrameTime = 0;
    uint32_t mLastUpdateTime = 0; // time stamp of the last screen update
    uint32_t mScreenUpdates = 0;
    bool mUpdatedOnce = false;
    bool mScreenWasStill = false; // a pass since the last frame made none
    int32_t mMouseX = 0;
    int32_t mMouseY = 0;
    // The pointer's screen-edge directions, which the battle's map view
    // scrolls by: h -1 at the left edge, +1 at the right, else 0; v alike
    // for top and bottom. Both stay 0 while mEdgeScrolling is cleared or the
    // program is in the background.
    int32_t mEdgeH = 0;
    int32_t mEdgeV = 0;
    bool mEdgeScrolling = true;
    bool mHardwareDevice = true; // the software device blends and filters
    bool mHardwareDirectDraw = false;
    GraphicsPresets mGraphicsPresets;

private:
    friend class GKernelTestAccess;
    bool WaitForEvent(PlatformEvent* event, int32_t waitMs);
    void DispatchMouse(const PlatformEvent& event);
    void DispatchKey(const PlatformEvent& event);
    void UpdateEdges();
    void DoIdlePass();
    void DrawViews();
    int32_t MillisUntilNextIdle() const;
    void CompleteDisplayTest();
    GView* ViewAt(int32_t x, int32_t y) const;
    void UpdateCursorView(int32_t x, int32_t y);

    std::unique_ptr<PlatformVideo> mVideo;
    GApplication* mApplication = nullptr;
    GView* mRootView = nullptr;
    std::unordered_set<GView*> mLiveViews;
    std::vector<GView*> mModalStack;
    std::vector<GView*> mKillList;
    std::vector<PlatformEvent> mInjected;
    GView* mTrackingView = nullptr;
    bool mTrackingHold = false;
    bool mHoldSent = false;
    uint32_t mButtonDownTime = 0;
    int32_t mButtonDown = 0; // 1 left, 2 right, 0 none
    GEditView* mActiveEdit = nullptr;
    GButton* mDefaultButton = nullptr;
    LongRect mDirty;
    uint16_t mGammaRamp[256] = {};
    uint16_t mMaskColour = 0xF81F;
    int32_t mHogCPU = 0;
    int32_t mBeepCount = 0;
    SoundHook mSoundHook = nullptr;
    void* mSoundContext = nullptr;
    GObject* mSoundManager = nullptr;
    SoundHook mNetworkHook = nullptr;
    void* mNetworkContext = nullptr;
    PlaySoundHook mPlayHook = nullptr;
    void* mPlayContext = nullptr;
    SoundHook mBeepHook = nullptr;
    void* mBeepContext = nullptr;
    bool m3DMode = false;
    bool mQuit = false;
    bool mIdling = false;
    bool mActive = true;
    bool mShift = false;
    bool mCtrl = false;
    // The key last pressed while it is held down (0: none): the application
    // hears of it on every pass until it is let go or the focus goes.
    int32_t mHeldPhysicalKey = 0;
    uint8_t mHeldKey = 0;
    bool mDisplayTestRunning = false;
    bool mPresentPending = false;
    bool mCursorShown = true;
    const char* mFatalMessage = nullptr;
};

extern GKernel* gKernel;
extern int16_t gBlack;
extern int16_t gWhite;
