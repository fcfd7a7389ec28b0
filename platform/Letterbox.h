#pragma once
#include <cstdint>

// Where a game screen of gameW x gameH lands inside an output of outW x outH
// pixels when scaled uniformly and centred (letterboxing), and the way back
// from an output position to a game pixel.
struct Letterbox {
    int32_t x = 0, y = 0, w = 0, h = 0; // destination rectangle in output pixels

    static Letterbox Fit(int32_t gameW, int32_t gameH, int32_t outW, int32_t outH);
    // Maps an output position to the game pixel under it, clamped to the screen.
    void ToGame(double outX, double outY, int32_t gameW, int32_t gameH, int32_t* gameX, int32_t* gameY) const;
};
