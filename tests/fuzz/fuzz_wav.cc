// WAVE files from disk: any bytes either load whole or are refused, and a
// loaded file reads to its end without touching memory it does not own.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "platform/WavReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FILE* f = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!f) return 0;
    WavStream wav;
    if (!wav.OpenStream(f)) return 0;
    std::vector<int16_t> buffer(static_cast<size_t>(512 * wav.Format().channels));
    while (wav.ReadFrames(buffer.data(), 512) > 0) {
    }
    return 0;
}
