#pragma once
#include "platform/Letterbox.h"
#include "platform/PlatformEvent.h"
#include "platform/Surface16.h"
#include <cstdint>
#include <deque>
#include <vector>

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
union SDL_Event;

// The window, the game's 16-bit back buffer and its presentation: the back
// buffer is converted through the gamma table into a streaming texture that
// is scaled into the window with letterboxing. Also the event source.
class PlatformVideo {
public:
    PlatformVideo();
    ~PlatformVideo();
    PlatformVideo(const PlatformVideo&) = delete;
    PlatformVideo& operator=(const PlatformVideo&) = delete;

    // Opens the video system and a desktop full-screen window (a plain window
    // of the mode's size with the dummy driver). False when no display opens.
    bool Open(const char* title, int32_t width, int32_t height);
    // Whether Open takes the video driver SDL chose: a driver that shows
    // nothing (SDL's fallback without a display) only when the caller asked
    // for it by name (asked is SDL_VIDEODRIVER, or null).
    static bool DriverAccepted(const char* driver, const char* asked);
    bool IsOpen() const { return mWindow != nullptr; }
    void Close();
    // A new back buffer of the size; the window stays.
    bool SetMode(int32_t width, int32_t height);

    Surface16& BackBuffer() { return mBack; }
    int32_t Width() const { return mBack.Width(); }
    int32_t Height() const { return mBack.Height(); }

    // Shows the back buffer.
    void Present();
    // One gamma ramp for the three colours; 256 entries of 0..65535.
    void SetGammaRamp(const uint16_t ramp[256]);

    // Takes one event in game terms; with waitMs > 0 waits that long at most,
    // with waitMs < 0 until an event arrives. False when none came.
    bool NextEvent(PlatformEvent* out, int32_t waitMs);
    void ShowCursor(bool show);
    void Minimize();
    // Pointer position in game pixels right now.
    void CursorPosition(int32_t* x, int32_t* y) const;
    // The size of the desktop the window lies on; false when unknown.
    bool DesktopSize(int32_t* width, int32_t* height) const;

    // Maps a window position to a game pixel (letterbox and high-DPI aware).
    void WindowToGame(int32_t wx, int32_t wy, int32_t* gx, int32_t* gy) const;
    Letterbox CurrentLetterbox() const;

private:
    bool Translate(const SDL_Event& e, PlatformEvent* out);
    bool WaitSdlEvent(SDL_Event* e, int32_t waitMs);
    void FillModifiers(PlatformEvent* out) const;
    // Between full screen and a window of the game's size (F11, Alt+Enter).
    void ToggleFullScreen();

    SDL_Window* mWindow = nullptr;
    SDL_Renderer* mRenderer = nullptr;
    SDL_Texture* mTexture = nullptr;
    Surface16 mBack;
    std::vector<uint32_t> mLut;         // RGB565 -> XRGB8888 with gamma
    std::deque<PlatformEvent> mPending; // further characters of one text event
    uint8_t mPendingKeypadChar = 0;
    int32_t mLastKeyDown = 0; // the keyboard key of the text that follows
    // The last key down was reported as an Alt character: the text the
    // window system may still send for it is not typed.
    bool mAltCharTaken = false;
    bool mVideoInit = false;
    bool mWaitPolls = false; // the driver cannot block on its event queue
};

// Milliseconds since the start of the program's clock (wraps at 32 bits).
uint32_t PlatformTicks();
void PlatformSleep(uint32_t ms);
// Shows a fatal message box when a display is there, and always on stderr.
void PlatformFatalMessage(const char* title, const char* latin1Text);
