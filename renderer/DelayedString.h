#pragma once
#include <cstdint>

#include "engine/GObject.h"
#include "engine/GString.h"

// A 3-D text call queued until the end of the frame.
class DelayedString : public GObject {
public:
    DelayedString() = default;
    ~DelayedString() override = default;

    GString255 mText;
    int32_t mX = 0;
    int32_t mY = 0;
    int32_t mJustify = 0;
    int32_t mFont = 0;
    uint8_t mRed = 0;
    uint8_t mGreen = 0;
    uint8_t mBlue = 0;
};
