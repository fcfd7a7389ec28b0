// The interface sounds and the title music: valid 16-bit PCM files of fitting length.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "art/ArtFiles.h"
#include "platform/WavReader.h"

namespace {
struct ExpectedSound {
    int number;
    double minSeconds, maxSeconds;
};

const ExpectedSound kSounds[] = {
    {150, 0.02, 0.3},   {151, 0.02, 0.4}, {152, 0.05, 0.8}, {153, 0.1, 1.0}, // buttons
    {149, 0.05, 0.5},                                                        // refusal beep
    {128, 0.3, 2.0},    {129, 0.5, 4.0},  {170, 0.5, 3.0},  {190, 0.2, 2.0},
    {171, 0.3, 1.4},    // the program waits 1450 ms after it before quitting
    {5010, 10.0, 40.0}, // title music, longer than the title shows
};

int Peak(const ArtSound& s) {
    int peak = 0;
    for (int16_t v : s.samples)
        peak = std::max(peak, std::abs(int(v)));
    return peak;
}
} // namespace

TEST(ArtSounds, EveryInterfaceSoundIsValidPcmOfFittingLength) {
    for (const ExpectedSound& e : kSounds) {
        ArtSound s;
        ASSERT_TRUE(ReadWav(SoundPath(e.number), s)) << "sound " << e.number;
        EXPECT_EQ(s.channels, 1);
        EXPECT_EQ(s.bits, 16);
        EXPECT_EQ(s.rate, 22050);
        // The game's own reader takes it with the same samples.
        AudioSample loaded;
        EXPECT_TRUE(LoadWavFile(SoundPath(e.number).c_str(), &loaded)) << "sound " << e.number;
        EXPECT_TRUE(loaded.rate == s.rate && loaded.channels == 1 && loaded.data == s.samples) << "sound " << e.number;
        double seconds = double(s.samples.size()) / s.rate;
        EXPECT_GE(seconds, e.minSeconds) << "sound " << e.number;
        EXPECT_LE(seconds, e.maxSeconds) << "sound " << e.number;
        // Loud enough to hear, never clipped.
        int peak = Peak(s);
        EXPECT_GT(peak, 16000) << "sound " << e.number;
        EXPECT_LT(peak, 32767) << "sound " << e.number;
    }
}

TEST(ArtSounds, SoundsFadeOutWithoutAClick) {
    for (const ExpectedSound& e : kSounds) {
        if (e.number == 5010) continue;
        ArtSound s;
        ASSERT_TRUE(ReadWav(SoundPath(e.number), s));
        ASSERT_FALSE(s.samples.empty());
        EXPECT_LT(std::abs(int(s.samples.back())), 600) << "sound " << e.number;
    }
}

TEST(ArtSounds, TitleMusicLoopsSeamlessly) {
    // The end joins the start: the jump from the last sample to the first is no larger than the
    // music's usual step from one sample to the next.
    ArtSound s;
    ASSERT_TRUE(ReadWav(SoundPath(5010), s));
    ASSERT_GT(s.samples.size(), 2u);
    int largestStep = 0;
    for (size_t i = 1; i < s.samples.size(); ++i)
        largestStep = std::max(largestStep, std::abs(s.samples[i] - s.samples[i - 1]));
    EXPECT_LE(std::abs(s.samples.front() - s.samples.back()), largestStep);
}

TEST(ArtSounds, ReaderRefusesATruncatedFile) {
    std::vector<uint8_t> bytes = ReadBytes(SoundPath(150));
    ASSERT_GT(bytes.size(), 100u);
    const char* path = "art_truncated.wav";
    FILE* f = std::fopen(path, "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size() - 10, f);
    std::fclose(f);
    ArtSound s;
    EXPECT_FALSE(ReadWav(path, s));
    std::remove(path);
}
