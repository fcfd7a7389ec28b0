#pragma once
// The band pictures of the map's overlays: a stream, track or bridge deck
// laid along a line's course as a strip of the code's own picture, the rest
// of the 20 m square clear (data/overlay_index.txt, docs/assets.md).
#include "Image.h"

// Shapes 1..16, across the picture's u (0..1, the picture's columns) and
// along its v (0 at the bottom row, as the renderer addresses it):
//   1..4    u 0 .. 0.1 k over the whole length (k = shape)
//   5..8    u 0 .. 0.1 k over v 0 .. 0.5       (k = shape - 4)
//   9..12   u 0 .. 0.1 k over v 0.5 .. 1       (k = shape - 8)
//   13..16  u 0.2-0.4, 0.2-0.6, 0.2-0.8, 0.4-0.6 over the whole length
bool BandCovers(int shape, float u, float v);

// The full picture cut to the band of the shape (alpha 0 outside it, a soft
// edge of a pixel).
Image BandPicture(const Image& full, int shape);
