#pragma once
#include <cstdint>
#include <vector>

// A 16-bit RGB565 pixel rectangle that 2-D drawing and the 3-D device both
// draw into. The kernel's back buffer is one; so are off-screen surfaces.
// pitch counts pixels, not bytes.
struct PixelTarget16 {
    uint16_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t pitch = 0;

    uint16_t* Row(int32_t y) const { return pixels + static_cast<int64_t>(y) * pitch; }
};

// An 8-bit-per-channel RGBA picture as the picture store loads it.
struct PictureRGBA {
    int32_t width = 0;
    int32_t height = 0;
    // width * height pixels, row 0 at the top, bytes R, G, B, A.
    std::vector<uint8_t> rgba;
};
