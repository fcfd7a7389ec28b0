#pragma once
#include <cstdint>

// One input or window event in game terms. The platform layer turns the
// window system's events into these; the kernel dispatches them, and tests
// can hand the kernel their own.
struct PlatformEvent {
    enum Type : int32_t {
        kNone = 0,
        kQuit,      // the window was closed
        kMouseDown, // x, y in game pixels; button 1 left, 2 right; doubleClick
        kMouseUp,
        kMouseMove,
        kKey,         // one key for DoKey: key, alt, numpad
        kKeyUp,       // a key was let go: physicalKey
        kFocusGained, // the program came to the foreground
        kFocusLost,
        kExpose // the window needs to be shown again
    };
    Type type = kNone;
    int32_t x = 0;
    int32_t y = 0;
    int32_t button = 0;
    bool doubleClick = false;
    // Latin-1 character for kKey; 1..4 are the arrows left, right, up, down;
    // 8 backspace, 9 tab, 13 return, 27 Escape.
    uint8_t key = 0;
    bool alt = false;
    bool numpad = false;
    // The key on the keyboard that made a kKey or kKeyUp (0: unknown), so
    // that a key held down can be told from one let go.
    int32_t physicalKey = 0;
    // Modifier state when the event happened.
    bool shift = false;
    bool ctrl = false;
};

// Arrow keys as the kernel reports them to DoKey.
enum : uint8_t {
    kKeyLeft = 1,
    kKeyRight = 2,
    kKeyUp = 3,
    kKeyDown = 4,
    kKeyBackspace = 8,
    kKeyTab = 9,
    kKeyReturn = 13,
    kKeyEscape = 27
};
