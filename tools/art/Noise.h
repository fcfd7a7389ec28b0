// Deterministic value noise: the same seed gives the same picture on every build and machine.
#pragma once
#include <cstdint>

uint32_t HashInts(int32_t x, int32_t y, uint32_t seed);
// Smooth value noise in 0..1 at (x, y), lattice spacing 1.
float ValueNoise(float x, float y, uint32_t seed);
// Fractal sum of value noise octaves, normalised to 0..1.
float Fbm(float x, float y, uint32_t seed, int octaves);

// A small linear congruential generator for the sounds (own code, no library engine).
class ArtRandom {
public:
    explicit ArtRandom(uint32_t seed) : mState(seed) {}
    uint32_t Next() {
        mState = mState * 1664525u + 1013904223u;
        return mState;
    }
    // Uniform in -1..1.
    float Signed() { return (Next() >> 8) * (2.0f / 16777216.0f) - 1.0f; }

private:
    uint32_t mState;
};
