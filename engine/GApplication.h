#pragma once
#include "engine/GObject.h"
#include <cstdint>

// The kernel's screen-mode and 3-D device choices, which the application
// stores in its preferences file as it lies in memory (64 bytes). The first
// two bytes are 0 when no preferences were read.
struct GraphicsPresets {
    uint8_t mHaveChoices = 0;   // 1 once the kernel has filled the record
    uint8_t mModeConfirmed = 0; // 1 when the user accepted the display mode
    uint8_t mWindowed = 0;      // reserved for a windowed display, 0 here
    uint8_t mReserved1 = 0;
    char mDriverName[16] = {}; // the 2-D display driver chosen
    uint8_t mUse3D = 0;        // the 3-D mode flag at the last exit
    uint8_t mReserved2[3] = {};
    char mDeviceName[16] = {}; // the 3-D device chosen
    int32_t mScreenWidth = 0;
    int32_t mScreenHeight = 0;
    int32_t mBitDepth = 0; // always 16
    uint8_t mHardwareDevice = 0;
    uint8_t mReserved3[3] = {};
    int32_t mVideoMemoryKB = 0;
    int32_t mReserved4 = 0;
};
static_assert(sizeof(GraphicsPresets) == 64, "the preferences file holds 64 bytes");

// The application the kernel runs. The kernel owns it and calls it through
// these hooks; the engine's versions do nothing.
class GApplication : public GObject {
public:
    GApplication() = default;
    ~GApplication() override = default;

    virtual void LoadPrefs() {}
    virtual void GetGraphicsPresets(GraphicsPresets* presets) {}
    virtual void StoreGraphicPresets(GraphicsPresets* presets) {}
    virtual void Startup() {}
    virtual void SuspendApp() {}
    virtual void ResumeApp() {}
    virtual void DoKey(char key, bool alt, bool numpad) {}
    // Once a pass while the key last pressed is held down (after its DoKey).
    virtual void KeyHeld(char key) {}
    virtual void DoCommand(int32_t command) {}
    virtual void DoStuffWhileRender() {}
    virtual void DoStuffAfterIdle() {}
    // On the loop's wake-ups without a message while the program is in the
    // background: work that must go on although nobody looks (a network
    // game's transfers and turn clock).
    virtual void DoBackgroundWork() {}
    virtual void RespondToVRAM(int32_t kilobytes, bool agpTexturing) {}
};
