#pragma once
// Puts the program's generator back as it found it when it goes: for work
// outside the rules (a count of points for the screen, a merge on one peer)
// that may draw numbers but must not change what the rules draw next.

#include <cstdint>

#include "engine/GOLTA.h"

class RandomStateKeeper {
public:
    RandomStateKeeper() : mState(GetRandomState()) {}
    ~RandomStateKeeper() { SeedRandomGenerator(mState); }
    RandomStateKeeper(const RandomStateKeeper&) = delete;
    RandomStateKeeper& operator=(const RandomStateKeeper&) = delete;

private:
    uint32_t mState;
};
