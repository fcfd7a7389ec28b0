// Helpers for the battlefield textures: noise that wraps (so a picture tiles without seams), soft
// alpha shapes, and the rules every texture keeps (no pure white, magenta only as a mask, v counted
// upward from the bottom row).
#pragma once
#include <cstdint>

#include "Image.h"

// Value noise on a lattice that repeats every `period` cells in x and y; 0..1.
float TileNoise(float x, float y, int period, uint32_t seed);
// Fractal sum of TileNoise, each octave doubling the lattice, so the sum repeats at `period` too.
float TileFbm(float x, float y, int period, uint32_t seed, int octaves);

// A picture filled with seamless noise: colour a where the noise is low, b where it is high.
// `cells` lattice cells span the picture.
Image NoiseTexture(int w, int h, Rgb a, Rgb b, int cells, uint32_t seed, int octaves = 4);

// Turns pure white into (240, 240, 240) as the loader would, so that what the generator writes
// is what the game shows; returns the picture for chaining.
Image& NoPureWhite(Image& img);

// Pixel row of texture coordinate v (counted upward from the bottom row), for a picture h high.
inline int RowOfV(float v, int h) {
    int y = h - 1 - int(v * h);
    return y < 0 ? 0 : (y >= h ? h - 1 : y);
}

// Mixes c into the pixel with coverage t and raises its alpha to at least a * 255.
void Paint(Image& img, int x, int y, Rgb c, float t, float a);
// A soft disc (radius r, edge softness s in pixels), painted with coverage and alpha.
void SoftDisc(Image& img, float cx, float cy, float r, float s, Rgb c, float alpha);
