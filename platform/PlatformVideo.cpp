#include "platform/PlatformVideo.h"
#include <SDL.h>
#include <algorithm>
#include <cstdio>
#include <string>

namespace {
constexpr int32_t kPollSliceMs = 10;

// Latin-1 from the UTF-8 of a text-input event; characters outside Latin-1
// are dropped, as the game's texts cannot hold them.
std::string Utf8ToLatin1(const char* s) {
    std::string out;
    const auto* p = reinterpret_cast<const unsigned char*>(s);
    while (*p) {
        uint32_t cp = 0;
        int extra = 0;
        if (*p < 0x80) {
            cp = *p;
        } else if ((*p & 0xE0) == 0xC0) {
            cp = *p & 0x1F;
            extra = 1;
        } else if ((*p & 0xF0) == 0xE0) {
            cp = *p & 0x0F;
            extra = 2;
        } else if ((*p & 0xF8) == 0xF0) {
            cp = *p & 0x07;
            extra = 3;
        } else {
            ++p;
            continue;
        }
        ++p;
        bool ok = true;
        for (int i = 0; i < extra; ++i, ++p) {
            if ((*p & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (*p & 0x3F);
        }
        if (ok && cp >= 32 && cp < 256 && cp != 127) out.push_back(static_cast<char>(cp));
    }
    return out;
}

uint8_t KeypadChar(SDL_Keycode sym) {
    if (sym >= SDLK_KP_1 && sym <= SDLK_KP_9) return static_cast<uint8_t>('1' + (sym - SDLK_KP_1));
    switch (sym) {
    case SDLK_KP_0:
        return '0';
    case SDLK_KP_PERIOD:
        return '.';
    case SDLK_KP_PLUS:
        return '+';
    case SDLK_KP_MINUS:
        return '-';
    case SDLK_KP_MULTIPLY:
        return '*';
    case SDLK_KP_DIVIDE:
        return '/';
    default:
        return 0;
    }
}

// Keys that produce no text event but reach DoKey as characters.
uint8_t SpecialKey(SDL_Keycode sym) {
    switch (sym) {
    case SDLK_LEFT:
        return kKeyLeft;
    case SDLK_RIGHT:
        return kKeyRight;
    case SDLK_UP:
        return kKeyUp;
    case SDLK_DOWN:
        return kKeyDown;
    case SDLK_BACKSPACE:
        return kKeyBackspace;
    case SDLK_TAB:
        return kKeyTab;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return kKeyReturn;
    case SDLK_ESCAPE:
        return kKeyEscape;
    default:
        return 0;
    }
}
} // namespace

PlatformVideo::PlatformVideo() : mLut(65536) {
    SetGammaRamp(nullptr);
}

PlatformVideo::~PlatformVideo() {
    Close();
}

bool PlatformVideo::DriverAccepted(const char* driver, const char* asked) {
    // With no display SDL falls back to a driver that shows nothing; only a
    // caller that asked for such a driver by name (the tests) gets it.
    if (!driver) return false;
    const std::string d = driver;
    if (d != "offscreen" && d != "dummy") return true;
    return asked && d == asked;
}

bool PlatformVideo::Open(const char* title, int32_t width, int32_t height) {
    Close();
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) return false;
    mVideoInit = true;
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    Uint32 flags = SDL_WINDOW_ALLOW_HIGHDPI;
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!DriverAccepted(driver, SDL_getenv("SDL_VIDEODRIVER"))) {
        Close();
        return false;
    }
    int x = SDL_WINDOWPOS_CENTERED, y = SDL_WINDOWPOS_CENTERED, w = width, h = height;
    if (!driver || std::string(driver) != "dummy") {
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
        // Without a window manager the X server keeps a window at the size
        // it was made with, whatever the full-screen flag says, while SDL
        // draws for the whole desktop: the window is made as large as the
        // desktop from the start.
        SDL_DisplayMode desktop;
        if (SDL_GetDesktopDisplayMode(0, &desktop) == 0 && desktop.w > 0 && desktop.h > 0) {
            x = y = 0;
            w = desktop.w;
            h = desktop.h;
            flags |= SDL_WINDOW_BORDERLESS;
        }
    }
    mWindow = SDL_CreateWindow(title, x, y, w, h, flags);
    if (mWindow) mRenderer = SDL_CreateRenderer(mWindow, -1, 0);
    if (!mRenderer && mWindow) mRenderer = SDL_CreateRenderer(mWindow, -1, SDL_RENDERER_SOFTWARE);
    if (!mRenderer || !SetMode(width, height)) {
        Close();
        return false;
    }
    SDL_StartTextInput();
    mWaitPolls = !driver || std::string(driver) == "dummy" || std::string(driver) == "offscreen";
    return true;
}

void PlatformVideo::Close() {
    if (mTexture) SDL_DestroyTexture(mTexture);
    if (mRenderer) SDL_DestroyRenderer(mRenderer);
    if (mWindow) SDL_DestroyWindow(mWindow);
    mTexture = nullptr;
    mRenderer = nullptr;
    mWindow = nullptr;
    mBack.Release();
    mPending.clear();
    if (mVideoInit) SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    mVideoInit = false;
}

bool PlatformVideo::SetMode(int32_t width, int32_t height) {
    if (!mRenderer) return false;
    SDL_Texture* t =
        SDL_CreateTexture(mRenderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, width, height);
    if (!t) return false;
    if (!mBack.Create(width, height)) {
        SDL_DestroyTexture(t);
        return false;
    }
    if (mTexture) SDL_DestroyTexture(mTexture);
    mTexture = t;
    if (!(SDL_GetWindowFlags(mWindow) & SDL_WINDOW_FULLSCREEN_DESKTOP))
        SDL_SetWindowSize(mWindow, width, height);
    return true;
}

void PlatformVideo::ToggleFullScreen() {
    if (!mWindow) return;
    if (SDL_GetWindowFlags(mWindow) & (SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_FULLSCREEN)) {
        SDL_SetWindowFullscreen(mWindow, 0);
        SDL_SetWindowBordered(mWindow, SDL_TRUE);
        SDL_SetWindowSize(mWindow, mBack.Width(), mBack.Height());
        SDL_SetWindowPosition(mWindow, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    } else {
        SDL_SetWindowFullscreen(mWindow, SDL_WINDOW_FULLSCREEN_DESKTOP);
    }
}

void PlatformVideo::SetGammaRamp(const uint16_t ramp[256]) {
    // Expand each 5/6-bit channel to 8 bits, then through the ramp.
    uint8_t r5[32], g6[64];
    for (int i = 0; i < 32; ++i) {
        const int v = i * 255 / 31;
        r5[i] = static_cast<uint8_t>(ramp ? ramp[v] >> 8 : v);
    }
    for (int i = 0; i < 64; ++i) {
        const int v = i * 255 / 63;
        g6[i] = static_cast<uint8_t>(ramp ? ramp[v] >> 8 : v);
    }
    for (uint32_t p = 0; p < 65536; ++p)
        mLut[p] = (static_cast<uint32_t>(r5[p >> 11]) << 16) |
                  (static_cast<uint32_t>(g6[(p >> 5) & 63]) << 8) | r5[p & 31];
}

Letterbox PlatformVideo::CurrentLetterbox() const {
    int ow = 0, oh = 0;
    if (mRenderer) SDL_GetRendererOutputSize(mRenderer, &ow, &oh);
    return Letterbox::Fit(mBack.Width(), mBack.Height(), ow, oh);
}

void PlatformVideo::Present() {
    if (!mTexture || mBack.IsEmpty()) return;
    void* raw = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(mTexture, nullptr, &raw, &pitch) == 0) {
        const PixelTarget16& src = mBack.Target();
        const uint32_t* lut = mLut.data();
        for (int32_t y = 0; y < src.height; ++y) {
            const uint16_t* s = src.Row(y);
            uint32_t* d =
                reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(raw) + static_cast<size_t>(y) * pitch);
            for (int32_t x = 0; x < src.width; ++x)
                d[x] = lut[s[x]];
        }
        SDL_UnlockTexture(mTexture);
    }
    const Letterbox box = CurrentLetterbox();
    const SDL_Rect dst{box.x, box.y, box.w, box.h};
    SDL_SetRenderDrawColor(mRenderer, 0, 0, 0, 255);
    SDL_RenderClear(mRenderer);
    SDL_RenderCopy(mRenderer, mTexture, nullptr, &dst);
    SDL_RenderPresent(mRenderer);
}

void PlatformVideo::WindowToGame(int32_t wx, int32_t wy, int32_t* gx, int32_t* gy) const {
    int ww = 1, wh = 1, ow = 1, oh = 1;
    if (mWindow) SDL_GetWindowSize(mWindow, &ww, &wh);
    if (mRenderer) SDL_GetRendererOutputSize(mRenderer, &ow, &oh);
    if (ww < 1) ww = 1;
    if (wh < 1) wh = 1;
    // Window points to output pixels (they differ on high-DPI screens), then
    // out of the letterbox.
    const double ox = (wx + 0.5) * ow / ww, oy = (wy + 0.5) * oh / wh;
    CurrentLetterbox().ToGame(ox, oy, mBack.Width(), mBack.Height(), gx, gy);
}

void PlatformVideo::FillModifiers(PlatformEvent* out) const {
    const SDL_Keymod m = SDL_GetModState();
    out->shift = (m & KMOD_SHIFT) != 0;
    out->ctrl = (m & KMOD_CTRL) != 0;
}

bool PlatformVideo::Translate(const SDL_Event& e, PlatformEvent* out) {
    *out = PlatformEvent{};
    FillModifiers(out);
    switch (e.type) {
    case SDL_QUIT:
        out->type = PlatformEvent::kQuit;
        return true;
    case SDL_WINDOWEVENT:
        switch (e.window.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            out->type = PlatformEvent::kFocusGained;
            return true;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            out->type = PlatformEvent::kFocusLost;
            return true;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            out->type = PlatformEvent::kExpose;
            return true;
        case SDL_WINDOWEVENT_CLOSE:
            out->type = PlatformEvent::kQuit;
            return true;
        default:
            return false;
        }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (e.button.button != SDL_BUTTON_LEFT && e.button.button != SDL_BUTTON_RIGHT) return false;
        out->type = e.type == SDL_MOUSEBUTTONDOWN ? PlatformEvent::kMouseDown : PlatformEvent::kMouseUp;
        out->button = e.button.button == SDL_BUTTON_LEFT ? 1 : 2;
        // Every second click of a quick series is a double click.
        out->doubleClick = out->button == 1 && e.type == SDL_MOUSEBUTTONDOWN && e.button.clicks >= 2 &&
                           e.button.clicks % 2 == 0;
        WindowToGame(e.button.x, e.button.y, &out->x, &out->y);
        return true;
    case SDL_MOUSEMOTION:
        out->type = PlatformEvent::kMouseMove;
        WindowToGame(e.motion.x, e.motion.y, &out->x, &out->y);
        return true;
    case SDL_KEYDOWN: {
        const SDL_Keycode sym = e.key.keysym.sym;
        mPendingKeypadChar = KeypadChar(sym);
        mAltCharTaken = false;
        mLastKeyDown = static_cast<int32_t>(sym);
        out->physicalKey = mLastKeyDown;
        // The window's own keys: they never reach the game.
        if (sym == SDLK_F11 || ((e.key.keysym.mod & KMOD_ALT) && (sym == SDLK_RETURN || sym == SDLK_KP_ENTER))) {
            if (!e.key.repeat) ToggleFullScreen();
            return false;
        }
        out->type = PlatformEvent::kKey;
        if (uint8_t k = SpecialKey(sym)) {
            out->key = k;
            return true;
        }
        // Left Alt with a character key: an Alt character; no text follows.
        if ((e.key.keysym.mod & KMOD_LALT) && sym >= 32 && sym < 127) {
            char c = static_cast<char>(sym);
            if (out->shift && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            out->key = static_cast<uint8_t>(c);
            out->alt = true;
            mAltCharTaken = true;
            return true;
        }
        return false;
    }
    case SDL_KEYUP:
        out->type = PlatformEvent::kKeyUp;
        out->physicalKey = static_cast<int32_t>(e.key.keysym.sym);
        return true;
    default:
        return false;
    }
}

bool PlatformVideo::WaitSdlEvent(SDL_Event* e, int32_t waitMs) {
    if (waitMs == 0) return SDL_PollEvent(e) != 0;
    if (!mWaitPolls) return (waitMs < 0 ? SDL_WaitEvent(e) : SDL_WaitEventTimeout(e, waitMs)) != 0;
    // Drivers without a real wait (the dummy one) would be polled every
    // millisecond by SDL; sleeping in slices keeps an idle loop cheap.
    const uint32_t start = SDL_GetTicks();
    for (;;) {
        if (SDL_PollEvent(e)) return true;
        const int32_t left =
            waitMs < 0 ? kPollSliceMs : waitMs - static_cast<int32_t>(SDL_GetTicks() - start);
        if (left <= 0) return false;
        SDL_Delay(static_cast<uint32_t>(std::min(left, kPollSliceMs)));
    }
}

bool PlatformVideo::NextEvent(PlatformEvent* out, int32_t waitMs) {
    if (!mVideoInit) return false;
    if (!mPending.empty()) {
        *out = mPending.front();
        mPending.pop_front();
        return true;
    }
    SDL_Event e;
    for (;;) {
        if (!WaitSdlEvent(&e, waitMs)) return false;
        if (e.type == SDL_TEXTINPUT) {
            // Decided by the key's own event: the modifier state now may
            // already be that of a later moment (a quick Alt+S).
            if (mAltCharTaken) {
                mAltCharTaken = false;
                continue; // reported as an Alt character
            }
            const std::string text = Utf8ToLatin1(e.text.text);
            if (text.empty()) continue;
            *out = PlatformEvent{};
            FillModifiers(out);
            out->type = PlatformEvent::kKey;
            out->key = static_cast<uint8_t>(text[0]);
            out->numpad = mPendingKeypadChar != 0 && mPendingKeypadChar == out->key;
            out->physicalKey = mLastKeyDown;
            mPendingKeypadChar = 0;
            // Rarely more than one character arrives; the rest follow in order.
            for (size_t i = 1; i < text.size(); ++i) {
                PlatformEvent more = *out;
                more.key = static_cast<uint8_t>(text[i]);
                more.numpad = false;
                mPending.push_back(more);
            }
            return true;
        }
        if (Translate(e, out)) return true;
        // After an ignored event a timed wait ends; a blocking wait goes on.
        if (waitMs > 0) waitMs = 0;
    }
}

void PlatformVideo::Minimize() {
    if (mWindow) SDL_MinimizeWindow(mWindow);
}

void PlatformVideo::ShowCursor(bool show) {
    SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
}

void PlatformVideo::CursorPosition(int32_t* x, int32_t* y) const {
    int wx = 0, wy = 0;
    SDL_GetMouseState(&wx, &wy);
    WindowToGame(wx, wy, x, y);
}

bool PlatformVideo::DesktopSize(int32_t* width, int32_t* height) const {
    SDL_DisplayMode mode;
    const int display = mWindow ? SDL_GetWindowDisplayIndex(mWindow) : 0;
    if (!mVideoInit || SDL_GetDesktopDisplayMode(display < 0 ? 0 : display, &mode) != 0) return false;
    *width = mode.w;
    *height = mode.h;
    return true;
}

uint32_t PlatformTicks() {
    return SDL_GetTicks();
}

void PlatformSleep(uint32_t ms) {
    SDL_Delay(ms);
}

void PlatformFatalMessage(const char* title, const char* latin1Text) {
    std::fprintf(stderr, "%s: %s\n", title, latin1Text);
    std::string utf8;
    for (const char* p = latin1Text; *p; ++p) {
        const uint8_t c = static_cast<uint8_t>(*p);
        if (c < 128) {
            utf8.push_back(static_cast<char>(c));
            continue;
        }
        utf8.push_back(static_cast<char>(0xC0 | (c >> 6)));
        utf8.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
    // The message box needs a display; without one the text above is all.
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title, utf8.c_str(), nullptr);
}
