// The sound card shim: it opens on SDL's dummy driver (as in CI) or fails
// cleanly, and its thread asks the source for output until it is closed.

#include "engine/FileTestFolder.h"
#include <gtest/gtest.h>

#include <SDL.h>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/AudioDevice.h"
#include "platform/AudioMixer.h"

namespace {
struct Counter {
    std::atomic<int> calls{0};
    std::atomic<int> bytes{0};
};
void CountingSource(void* context, uint8_t* out, int32_t bytes) {
    auto* counter = static_cast<Counter*>(context);
    std::memset(out, 0, static_cast<size_t>(bytes));
    counter->bytes += bytes;
    ++counter->calls;
}
} // namespace

TEST(MixerDevice, OpensOrFailsCleanlyAndCallsItsSourceUntilClosed) {
    AudioDevice device;
    Counter counter;
    if (!device.Open(44100)) {
        EXPECT_FALSE(device.IsOpen());
        device.Play(&CountingSource, &counter);
        EXPECT_EQ(counter.calls, 0);
        return;
    }
    EXPECT_GT(device.Rate(), 0);
    device.Play(&CountingSource, &counter);
    // Until the card's thread has called twice; only a hang takes a minute.
    for (const uint32_t start = SDL_GetTicks(); counter.calls < 2 && SDL_GetTicks() - start < 60000;)
        SDL_Delay(1);
    EXPECT_GE(counter.calls, 2);
    EXPECT_EQ(counter.bytes % 4, 0); // whole stereo 16-bit frames
    device.Close();
    EXPECT_FALSE(device.IsOpen());
    const int after = counter.calls;
    SDL_Delay(60);
    EXPECT_EQ(counter.calls, after);
    // Opening again after a close works as the first time did.
    EXPECT_TRUE(device.Open(22050));
}

// End to end through SDL's disk driver: what the mixer renders for the
// card's thread arrives in the output file as 16-bit stereo frames.
TEST(MixerDevice, MixedFramesReachTheDiskDriverUnchanged) {
    FileTestFolder folder("dm-disk-audio-");
    const std::string out = folder.File("mixed.raw");
    const char* oldDriver = std::getenv("SDL_AUDIODRIVER");
    const std::string saved = oldDriver ? oldDriver : "";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
    AudioDevice device;
    const bool opened = device.Open(44100);
    if (oldDriver)
        setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
    else
        unsetenv("SDL_AUDIODRIVER");
    if (!opened) GTEST_SKIP() << "SDL has no disk audio driver here";
    ASSERT_EQ(device.Rate(), 44100);

    // Two mixers given the same sound: one plays on the card, the other's
    // output is what the file must hold.
    auto tone = std::make_shared<AudioSample>();
    tone->rate = 22050;
    tone->channels = 1;
    for (int i = 0; i < 22050; ++i)
        tone->data.push_back(static_cast<int16_t>((i % 100) * 200 - 10000));
    AudioMixer mixer(1, 44100);
    AudioMixer twin(1, 44100);
    mixer.Start(0, tone, false, 1.0f, 0.5f);
    twin.Start(0, tone, false, 1.0f, 0.5f);
    std::vector<int16_t> mixed(2 * 8192);
    twin.Render(mixed.data(), 8192);
    device.Play(&AudioMixer::RenderInto, &mixer);
    // The disk driver writes at the card's pace: until the file holds four
    // times the mixed frames (room for the silence before them), or a minute.
    for (const uint32_t start = SDL_GetTicks(); SDL_GetTicks() - start < 60000;) {
        struct stat st {};
        if (stat(out.c_str(), &st) == 0 && st.st_size >= static_cast<off_t>(4 * mixed.size() * sizeof(int16_t)))
            break;
        SDL_Delay(5);
    }
    device.Close();

    std::vector<int16_t> written;
    if (FILE* f = std::fopen(out.c_str(), "rb")) {
        int16_t buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, sizeof(int16_t), 4096, f)) > 0)
            written.insert(written.end(), buffer, buffer + n);
        std::fclose(f);
    }
    std::remove(out.c_str());
    // The device may add silence before and after; the mixed frames come
    // through in order and unchanged.
    // The fade-in at the start makes the first frames unique.
    auto at = std::search(written.begin(), written.end(), mixed.begin() + 10, mixed.begin() + 500);
    ASSERT_NE(at, written.end());
    ASSERT_GE(at - written.begin(), 10);
    const size_t offset = static_cast<size_t>(at - written.begin()) - 10;
    ASSERT_LE(mixed.size(), written.size() - offset);
    EXPECT_TRUE(
        std::equal(mixed.begin(), mixed.end(), written.begin() + static_cast<std::ptrdiff_t>(offset)));
}
