#include "OverlayBands.h"

#include <algorithm>
#include <cmath>

namespace {

void BandBounds(int shape, float* u0, float* u1, float* v0, float* v1) {
    *u0 = 0.0f, *v0 = 0.0f, *v1 = 1.0f;
    if (shape <= 12) {
        const int k = (shape - 1) % 4 + 1;
        *u1 = 0.1f * k;
        if (shape >= 5 && shape <= 8) *v1 = 0.5f;
        if (shape >= 9) *v0 = 0.5f;
        return;
    }
    static const float kInner[4][2] = {{0.2f, 0.4f}, {0.2f, 0.6f}, {0.2f, 0.8f}, {0.4f, 0.6f}};
    *u0 = kInner[shape - 13][0];
    *u1 = kInner[shape - 13][1];
}

} // namespace

bool BandCovers(int shape, float u, float v) {
    float u0, u1, v0, v1;
    BandBounds(shape, &u0, &u1, &v0, &v1);
    return u >= u0 && u < u1 && v >= v0 && v < v1;
}

Image BandPicture(const Image& full, int shape) {
    const int w = full.Width(), h = full.Height();
    float u0, u1, v0, v1;
    BandBounds(shape, &u0, &u1, &v0, &v1);
    Image out(w, h, {0, 0, 0}, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float u = (x + 0.5f) / w, v = 1.0f - (y + 0.5f) / h;
            // Distance inside the band, in pixels, to its nearest open edge
            // (the picture's own borders are no edge).
            float d = 1e9f;
            if (u0 > 0.0f) d = std::min(d, (u - u0) * w);
            if (u1 < 1.0f) d = std::min(d, (u1 - u) * w);
            if (v0 > 0.0f) d = std::min(d, (v - v0) * h);
            if (v1 < 1.0f) d = std::min(d, (v1 - v) * h);
            const float cover = std::clamp(d + 0.5f, 0.0f, 1.0f);
            if (cover <= 0.0f) continue;
            out.Set(x, y, full.Get(x, y), static_cast<uint8_t>(std::lround(full.Alpha(x, y) * cover)));
        }
    return out;
}
