#pragma once
// How many calls of the program's generator lead from a seed to its present
// state (a fraction and a pair are two calls each): tests pin the number of
// draws a rule makes with it. -1 when the state lies over 10,000 calls away.

#include <cstdint>

#include "engine/GOLTA.h"

inline int32_t RandomCallsSince(uint32_t seed)
{
    const uint32_t state = GetRandomState();
    SeedRandomGenerator(seed);
    for (int32_t k = 0; k < 10000; ++k) {
        if (GetRandomState() == state) return k;
        Random();
    }
    return -1;
}
