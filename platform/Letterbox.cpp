#include "platform/Letterbox.h"
#include <cmath>

Letterbox Letterbox::Fit(int32_t gameW, int32_t gameH, int32_t outW, int32_t outH) {
    Letterbox b;
    if (gameW <= 0 || gameH <= 0 || outW <= 0 || outH <= 0) return b;
    // Compare the aspect ratios in integers so the result does not wobble.
    if (static_cast<int64_t>(outW) * gameH <= static_cast<int64_t>(outH) * gameW) {
        b.w = outW;
        b.h = static_cast<int32_t>(static_cast<int64_t>(gameH) * outW / gameW);
    } else {
        b.h = outH;
        b.w = static_cast<int32_t>(static_cast<int64_t>(gameW) * outH / gameH);
    }
    b.x = (outW - b.w) / 2;
    b.y = (outH - b.h) / 2;
    return b;
}

void Letterbox::ToGame(double outX, double outY, int32_t gameW, int32_t gameH, int32_t* gameX,
                       int32_t* gameY) const {
    int32_t gx = 0, gy = 0;
    if (w > 0 && h > 0) {
        gx = static_cast<int32_t>(std::floor((outX - x) * gameW / w));
        gy = static_cast<int32_t>(std::floor((outY - y) * gameH / h));
    }
    if (gx < 0) gx = 0;
    if (gy < 0) gy = 0;
    if (gx > gameW - 1) gx = gameW - 1;
    if (gy > gameH - 1) gy = gameH - 1;
    *gameX = gx;
    *gameY = gy;
}
