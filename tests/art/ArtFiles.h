// Readers for the generated store, written independently of the generator so that the tests
// check the files as a loader sees them.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct ArtPicture {
    int width = 0, height = 0, channels = 0;
    std::vector<uint8_t> pixels; // rows top to bottom, channels per pixel (3 RGB or 4 RGBA)
    uint8_t At(int x, int y, int c) const { return pixels[(size_t(y) * width + x) * channels + c]; }
};

struct ArtSound {
    int channels = 0, bits = 0, rate = 0;
    std::vector<int16_t> samples;
};

std::string PicturePath(int number);
std::string SoundPath(int number);
std::vector<uint8_t> ReadBytes(const std::string& path);
// 8-bit RGB or RGBA, non-interlaced PNG with checked chunk CRCs; false for anything else.
bool ReadPng(const std::string& path, ArtPicture& out);
// A RIFF WAVE file with a PCM fmt chunk; false when malformed.
bool ReadWav(const std::string& path, ArtSound& out);
