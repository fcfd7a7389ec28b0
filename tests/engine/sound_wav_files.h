#pragma once
// Builds WAVE file images for the sound tests.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace wavtest {

inline void Put32(std::vector<uint8_t>* b, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b->push_back(static_cast<uint8_t>(v >> (8 * i)));
}
inline void Put16(std::vector<uint8_t>* b, uint16_t v) {
    b->push_back(static_cast<uint8_t>(v));
    b->push_back(static_cast<uint8_t>(v >> 8));
}
inline void PutTag(std::vector<uint8_t>* b, const char* tag) {
    for (int i = 0; i < 4; ++i)
        b->push_back(static_cast<uint8_t>(tag[i]));
}

inline std::vector<uint8_t> FmtChunk(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    std::vector<uint8_t> b;
    PutTag(&b, "fmt ");
    Put32(&b, 16);
    Put16(&b, tag);
    Put16(&b, channels);
    Put32(&b, rate);
    const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    Put32(&b, rate * align);
    Put16(&b, align);
    Put16(&b, bits);
    return b;
}

inline std::vector<uint8_t> Chunk(const char* tag, const std::vector<uint8_t>& body) {
    std::vector<uint8_t> b;
    PutTag(&b, tag);
    Put32(&b, static_cast<uint32_t>(body.size()));
    for (uint8_t x : body)
        b.push_back(x); // element by element: g++ 12 misreads insert here
    if (body.size() & 1) b.push_back(0);
    return b;
}

inline std::vector<uint8_t> Riff(const std::vector<std::vector<uint8_t>>& chunks) {
    std::vector<uint8_t> inner;
    PutTag(&inner, "WAVE");
    for (const auto& c : chunks)
        for (uint8_t x : c)
            inner.push_back(x);
    std::vector<uint8_t> b;
    PutTag(&b, "RIFF");
    Put32(&b, static_cast<uint32_t>(inner.size()));
    for (uint8_t x : inner)
        b.push_back(x);
    return b;
}

// A 16-bit PCM file of the given interleaved values.
inline std::vector<uint8_t> Pcm16(uint16_t channels, uint32_t rate, const std::vector<int16_t>& values) {
    std::vector<uint8_t> data;
    for (int16_t v : values)
        Put16(&data, static_cast<uint16_t>(v));
    return Riff({FmtChunk(1, channels, rate, 16), Chunk("data", data)});
}

// A mono 16-bit file holding `frames` frames of one value.
inline std::vector<uint8_t> Constant(uint32_t rate, int32_t frames, int16_t value) {
    return Pcm16(1, rate, std::vector<int16_t>(static_cast<size_t>(frames), value));
}

inline bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace wavtest
