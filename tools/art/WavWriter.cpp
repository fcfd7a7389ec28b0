#include "WavWriter.h"

#include <cstdio>

namespace {
void Put32(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.push_back(uint8_t(v >> (8 * i)));
}

void Put16(std::vector<uint8_t>& b, uint16_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

void PutTag(std::vector<uint8_t>& b, const char* tag) {
    for (int i = 0; i < 4; ++i)
        b.push_back(uint8_t(tag[i]));
}
} // namespace

bool WriteWav(const std::string& path, const std::vector<int16_t>& samples, int32_t rate) {
    const uint32_t dataBytes = uint32_t(samples.size() * 2);
    std::vector<uint8_t> b;
    b.reserve(44 + dataBytes);
    PutTag(b, "RIFF");
    Put32(b, 36 + dataBytes);
    PutTag(b, "WAVE");
    PutTag(b, "fmt ");
    Put32(b, 16);
    Put16(b, 1); // PCM
    Put16(b, 1); // mono
    Put32(b, uint32_t(rate));
    Put32(b, uint32_t(rate) * 2);
    Put16(b, 2);
    Put16(b, 16);
    PutTag(b, "data");
    Put32(b, dataBytes);
    for (int16_t s : samples)
        Put16(b, uint16_t(s));
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
    if (std::fclose(f) != 0) ok = false;
    return ok;
}
