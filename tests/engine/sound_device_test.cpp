// The sound manager on a real output device (SDL's disk driver, which
// writes what the card would play into a file at the card's pace): a sound
// plays to its end while the main loop is blocked, as when the program
// waits for its quit sound before it ends.

#include <gtest/gtest.h>

#include <SDL.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/FileTestFolder.h"
#include "engine/GFileServices.h"
#include "engine/GOLTA.h"
#include "engine/GSound.h"
#include "engine/GSoundManager.h"
#include "engine/sound_wav_files.h"

namespace {

// Sets the disk driver for the next device opened and restores the old
// driver choice when it goes.
class DiskDriver {
public:
    explicit DiskDriver(const std::string& file) {
        const char* old = std::getenv("SDL_AUDIODRIVER");
        mHadOld = old != nullptr;
        if (old) mOld = old;
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    }
    ~DiskDriver() {
        if (mHadOld)
            setenv("SDL_AUDIODRIVER", mOld.c_str(), 1);
        else
            unsetenv("SDL_AUDIODRIVER");
        unsetenv("SDL_DISKAUDIOFILE");
    }

private:
    std::string mOld;
    bool mHadOld = false;
};

std::vector<int16_t> ReadSamples(const std::string& path) {
    std::vector<int16_t> samples;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        int16_t buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, sizeof(int16_t), 4096, f)) > 0)
            samples.insert(samples.end(), buffer, buffer + n);
        std::fclose(f);
    }
    return samples;
}

} // namespace

TEST(SoundDevice, ASoundPlaysOnWhileTheMainLoopWaits) {
    FileTestFolder folder;
    std::filesystem::create_directories(folder.Path() / "Demo Data" / "WAV");
    SetProgramFolder(folder.Path().string().c_str());
    // 0.8 s of a steady level, at the output's own rate.
    ASSERT_TRUE(wavtest::WriteFile(GSound::MakePath(171, folder.Path().string()),
                                   wavtest::Constant(44100, 35280, 8000)));
    const std::string out = folder.File("card.raw");
    int32_t rate = 0;
    {
        DiskDriver disk(out);
        GSoundManager manager;
        if (!manager.ISoundManager(true) || std::string(SDL_GetCurrentAudioDriver()) != "disk") {
            SetProgramFolder(nullptr);
            GTEST_SKIP() << "SDL has no disk audio driver here";
        }
        rate = manager.GetMixer()->OutputRate();
        manager.PlaySoundA(171, 999);
        manager.ManageSounds();
        // The main loop does nothing else until the sound should be over.
        TimeDelay(1100);
    }
    SetProgramFolder(nullptr);
    const std::vector<int16_t> samples = ReadSamples(out);
    size_t sounding = 0;
    for (size_t i = 0; i + 1 < samples.size(); i += 2)
        if (samples[i] > 1000) ++sounding;
    // Nearly all of the 0.8 s were heard (the fades take a few ms).
    EXPECT_GT(sounding, static_cast<size_t>(rate) * 75 / 100);
}
