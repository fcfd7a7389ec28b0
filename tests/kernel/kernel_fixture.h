#pragma once
// A kernel on SDL's dummy display, a folder of small test pictures, and
// helpers that push events through the kernel's real dispatch path.
#include "engine/GApplication.h"
#include "engine/GKernel.h"
#include "engine/GPictureStore.h"
#include "platform/PixelTarget.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

// An application that records what the kernel hands it.
class RecordingApp : public GApplication {
public:
    struct Key {
        char key;
        bool alt;
        bool numpad;
    };
    void GetGraphicsPresets(GraphicsPresets* presets) override { *presets = mPresets; }
    void StoreGraphicPresets(GraphicsPresets* presets) override { mStored = *presets; }
    void Startup() override { ++mStartups; }
    void SuspendApp() override { ++mSuspends; }
    void ResumeApp() override { ++mResumes; }
    void DoKey(char key, bool alt, bool numpad) override { mKeys.push_back({key, alt, numpad}); }
    void KeyHeld(char key) override { mHeld.push_back(key); }
    void DoCommand(int32_t command) override { mCommands.push_back(command); }
    void DoStuffWhileRender() override { ++mRenders; }
    void DoStuffAfterIdle() override { ++mAfterIdles; }
    void DoBackgroundWork() override { ++mBackgroundWork; }

    GraphicsPresets mPresets;
    GraphicsPresets mStored;
    std::vector<Key> mKeys;
    std::vector<char> mHeld;
    std::vector<int32_t> mCommands;
    int mStartups = 0, mSuspends = 0, mResumes = 0, mRenders = 0, mAfterIdles = 0, mBackgroundWork = 0;
};

class KernelTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the application at 800 x 600.
    RecordingApp* StartApp(int32_t width = 800, int32_t height = 600);
    void Pass(int count = 1);
    void Click(int32_t x, int32_t y, int32_t button = 1, bool doubleClick = false);
    void Press(int32_t x, int32_t y, int32_t button = 1);
    void Release(int32_t x, int32_t y, int32_t button = 1);
    void Move(int32_t x, int32_t y);
    void Key(uint8_t key, bool alt = false, bool numpad = false);
    uint16_t Pixel(int32_t x, int32_t y) const;
    // Writes picture id as a w x h PNG of one colour (alpha 0 where
    // transparentLeftColumn says so) into the test picture folder.
    void MakePicture(int32_t id, int32_t w, int32_t h, uint8_t r, uint8_t g, uint8_t b,
                     bool transparentLeftColumn = false);

    std::string mPictureFolder;
    std::string mOldFolder;
};
