#include "engine/GSound.h"

bool GSound::MakeFileName(int32_t id, std::string* name) {
    if (id < 0) return false;
    // Five zeros below 1000, one fewer for each further power of ten.
    int32_t zeros = 5;
    for (int64_t limit = 1000; zeros > 0 && id >= limit; limit *= 10)
        --zeros;
    *name = std::string(static_cast<size_t>(zeros), '0') + std::to_string(id) + ".wav";
    return true;
}

std::string GSound::MakePath(int32_t id, const std::string& folder) {
    std::string name;
    if (!MakeFileName(id, &name)) return std::string();
    return folder + "/Demo Data/WAV/" + name;
}

bool GSound::ISound(int32_t id, const std::string& folder) {
    mID = id;
    mSample.reset();
    const std::string path = MakePath(id, folder);
    if (path.empty()) return false;
    auto sample = std::make_shared<AudioSample>();
    if (!LoadWavFile(path.c_str(), sample.get())) return false;
    mSample = std::move(sample);
    return true;
}
