#include "engine/GApplication.h"
#include <cstddef>

// The preferences file keeps the record byte for byte, so its layout is fixed.
static_assert(offsetof(GraphicsPresets, mDriverName) == 4);
static_assert(offsetof(GraphicsPresets, mUse3D) == 20);
static_assert(offsetof(GraphicsPresets, mDeviceName) == 24);
static_assert(offsetof(GraphicsPresets, mScreenWidth) == 40);
static_assert(offsetof(GraphicsPresets, mHardwareDevice) == 52);
static_assert(offsetof(GraphicsPresets, mVideoMemoryKB) == 56);
static_assert(offsetof(GraphicsPresets, mReserved4) == 60);
