#pragma once
// One sound by its number, loaded from its WAVE file and kept by the sound
// manager for every later use of the number.

#include <cstdint>
#include <memory>
#include <string>

#include "engine/GObject.h"
#include "platform/WavReader.h"

class GSound : public GObject {
public:
    GSound() = default;
    // Loads "Demo Data/WAV/<name>.wav" of the folder; false (and silent) when
    // the file is missing or malformed.
    bool ISound(int32_t id, const std::string& folder);
    int32_t GetID() const { return mID; }
    bool IsLoaded() const { return mSample != nullptr; }
    // The samples, shared with the voices that play them; null when not loaded.
    std::shared_ptr<const AudioSample> GetSample() const { return mSample; }

    // The file name of a sound number: the number with leading zeros,
    // "00000" before numbers below 1000, "0000" below 10000 and so on, so
    // that 100 to 99999999 give eight digits; then ".wav". False for a
    // negative number.
    static bool MakeFileName(int32_t id, std::string* name);
    // The full path of a sound number's file under the given program folder.
    static std::string MakePath(int32_t id, const std::string& folder);

private:
    int32_t mID = -1;
    std::shared_ptr<const AudioSample> mSample;
};
