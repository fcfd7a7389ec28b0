#include "Noise.h"

#include <cmath>

uint32_t HashInts(int32_t x, int32_t y, uint32_t seed) {
    uint32_t h = seed * 0x9E3779B9u ^ uint32_t(x) * 0x85EBCA6Bu ^ uint32_t(y) * 0xC2B2AE35u;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

namespace {
float Lattice(int32_t x, int32_t y, uint32_t seed) {
    return (HashInts(x, y, seed) >> 8) * (1.0f / 16777216.0f);
}

float Smooth(float t) {
    return t * t * (3.0f - 2.0f * t);
}
} // namespace

float ValueNoise(float x, float y, uint32_t seed) {
    float fx = std::floor(x), fy = std::floor(y);
    int32_t ix = int32_t(fx), iy = int32_t(fy);
    float tx = Smooth(x - fx), ty = Smooth(y - fy);
    float a = Lattice(ix, iy, seed), b = Lattice(ix + 1, iy, seed);
    float c = Lattice(ix, iy + 1, seed), d = Lattice(ix + 1, iy + 1, seed);
    float top = a + (b - a) * tx;
    float bottom = c + (d - c) * tx;
    return top + (bottom - top) * ty;
}

float Fbm(float x, float y, uint32_t seed, int octaves) {
    float sum = 0.0f, amp = 1.0f, norm = 0.0f;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * ValueNoise(x, y, seed + uint32_t(o) * 7919u);
        norm += amp;
        amp *= 0.5f;
        x *= 2.0f;
        y *= 2.0f;
    }
    return sum / norm;
}
