#pragma once
// Overlay texture index of each terrain code (data/overlay_index.txt,
// compiled in at build time). The map's ground texture table holds one
// texture per index; its picture is 600 + index + the under-layer.
#include <cstdint>

inline constexpr int kOverlayCodeCount = 64;
// 140 cover and band pictures, and the 16 band pictures of shallow water.
inline constexpr int kGroundTextureCount = 156;

struct OverlayIndexInfo {
    int16_t mIndex; // ground texture index, -1 = the code draws no overlay
    int8_t mLayers; // under-layer pictures following the base picture
    int16_t mBands; // first of the code's band pictures, -1 = none
};

// The band pictures of a code with bands: a slot whose mirror byte is 1..16
// draws picture mBands + byte - 1 (always mirrored, as every non-zero byte).
inline constexpr int kOverlayBandShapes = 16;

extern const OverlayIndexInfo gOverlayIndexTable[kOverlayCodeCount];
