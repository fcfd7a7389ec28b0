// Whole WAVE files as the sound layer loads them: any bytes either load as
// a complete sample or are refused with nothing kept. A mono sample that
// loads is written by the sound writer, loaded and written again, and the
// two files must be the same bytes and the two samples the same sound.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FuzzFileReader.h"
#include "FuzzRoundTrip.h"
#include "platform/WavReader.h"
#include "tools/art/WavWriter.h"

namespace {

std::vector<uint8_t> WriteSample(const AudioSample& sample, AudioSample* back) {
    const std::string path = FuzzFilePath() + ".wav";
    FuzzRequire(WriteWav(path, sample.data, sample.rate), "the sound writer failed");
    std::vector<uint8_t> bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const bool loaded = LoadWavFile(path.c_str(), back);
    std::remove(path.c_str());
    FuzzRequire(loaded, "a written sound does not load");
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!PutOnDisk(data, size)) return 0;
    AudioSample sample;
    const bool loaded = LoadWavFile(FuzzFilePath().c_str(), &sample);
    std::remove(FuzzFilePath().c_str());
    if (!loaded) {
        FuzzRequire(sample.data.empty() && sample.channels == 0, "a refused file left a sample behind");
        return 0;
    }
    FuzzRequire(sample.channels == 1 || sample.channels == 2, "a loaded sample has no channels");
    FuzzRequire(sample.data.size() % static_cast<size_t>(sample.channels) == 0,
                "a loaded sample ends mid-frame");
    // The writer makes mono files only.
    if (sample.channels != 1) return 0;
    AudioSample back;
    const std::vector<uint8_t> first = WriteSample(sample, &back);
    FuzzRequire(back.rate == sample.rate && back.channels == 1 && back.data == sample.data,
                "a written sound loads as another");
    AudioSample again;
    FuzzRequireSame(first, WriteSample(back, &again), "sound file");
    return 0;
}
