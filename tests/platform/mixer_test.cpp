// The mixer: the pan law, gain ramps at start, stop and replacement, rate
// conversion, loops, streams, clipping and silent advancing.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/AudioMixer.h"

namespace {

constexpr int32_t kRamp = AudioMixer::kRampFrames;

std::shared_ptr<const AudioSample> Sample(int32_t rate, int32_t channels, std::vector<int16_t> data) {
    auto s = std::make_shared<AudioSample>();
    s->rate = rate;
    s->channels = channels;
    s->data = std::move(data);
    return s;
}

std::shared_ptr<const AudioSample> Constant(int32_t frames, int16_t value) {
    return Sample(44100, 1, std::vector<int16_t>(static_cast<size_t>(frames), value));
}

std::vector<int16_t> Render(AudioMixer& m, int32_t frames) {
    std::vector<int16_t> out(static_cast<size_t>(frames) * 2);
    m.Render(out.data(), frames);
    return out;
}

// The largest jump between neighbouring samples of one channel.
int32_t LargestStep(const std::vector<int16_t>& out, int channel) {
    int32_t largest = 0;
    for (size_t i = 2 + channel; i < out.size(); i += 2)
        largest = std::max(largest, std::abs(out[i] - out[i - 2]));
    return largest;
}

TEST(MixerPanLaw, KeepsPowerConstantAcrossThePanRange) {
    for (float pan = -1.0f; pan <= 1.0f; pan += 0.125f) {
        float l, r;
        PanGains(0.8f, pan, 1, &l, &r);
        EXPECT_NEAR(l * l + r * r, 0.64f, 1e-5f) << pan;
    }
    float l, r;
    PanGains(1.0f, -1.0f, 1, &l, &r);
    EXPECT_NEAR(l, 1.0f, 1e-6f);
    EXPECT_NEAR(r, 0.0f, 1e-6f);
    PanGains(1.0f, 0.0f, 1, &l, &r);
    EXPECT_NEAR(l, r, 1e-6f);
    // A centred stereo source plays at its own level; nonsense input is silent.
    PanGains(1.0f, 0.0f, 2, &l, &r);
    EXPECT_NEAR(l, 1.0f, 1e-5f);
    PanGains(NAN, NAN, 1, &l, &r);
    EXPECT_EQ(l, 0.0f);
    EXPECT_EQ(r, 0.0f);
}

TEST(Mixer, RampsInThenPlaysAtItsGainsAndEnds) {
    AudioMixer m(4, 44100);
    const int32_t h = m.Start(0, Constant(1000, 10000), false, 1.0f, 0.5f);
    ASSERT_GE(h, 0);
    const std::vector<int16_t> out = Render(m, 1200);
    EXPECT_LT(std::abs(out[0]), 100); // no click at the start
    EXPECT_LE(LargestStep(std::vector<int16_t>(out.begin(), out.begin() + 2 * 900), 0), 10000 / kRamp + 2);
    EXPECT_EQ(out[2 * 500], 10000);
    EXPECT_EQ(out[2 * 500 + 1], 5000);
    EXPECT_EQ(out[2 * 1100], 0); // over after its 1000 frames
    EXPECT_FALSE(m.IsPlaying(h));
    EXPECT_TRUE(m.IsFree(0));
}

TEST(Mixer, StopFadesOutAndStaleHandlesDoNothing) {
    AudioMixer m(2, 44100);
    const int32_t h = m.Start(0, Constant(100000, 20000), true, 1.0f, 1.0f);
    Render(m, 1000);
    m.Stop(h);
    EXPECT_TRUE(m.IsPlaying(h)); // still fading
    const std::vector<int16_t> out = Render(m, kRamp + 10);
    EXPECT_LE(LargestStep(out, 0), 20000 / kRamp + 2);
    EXPECT_EQ(out[2 * (kRamp + 5)], 0);
    EXPECT_FALSE(m.IsPlaying(h));
    // A new sound on the voice is not touched through the old handle.
    const int32_t h2 = m.Start(0, Constant(100000, 1000), true, 1.0f, 1.0f);
    EXPECT_NE(h, h2);
    m.Stop(h);
    m.SetGains(h, 0.0f, 0.0f);
    EXPECT_TRUE(m.IsPlaying(h2));
    EXPECT_EQ(m.VoiceOf(h2), 0);
    EXPECT_EQ(m.VoiceOf(h), -1);
    EXPECT_EQ(m.Start(7, Constant(10, 1), false, 1, 1), -1);
    EXPECT_EQ(m.Start(1, Constant(0, 1), false, 1, 1), -1);
}

TEST(Mixer, ReplacingASoundFadesTheOldOneAside) {
    AudioMixer m(1, 44100);
    m.Start(0, Constant(100000, 20000), true, 1.0f, 1.0f);
    std::vector<int16_t> out = Render(m, 500);
    m.Start(0, Constant(100000, -20000), true, 1.0f, 1.0f);
    const std::vector<int16_t> more = Render(m, 1000);
    out.insert(out.end(), more.begin(), more.end());
    EXPECT_LE(LargestStep(out, 0), 2 * 20000 / kRamp + 4);
    EXPECT_EQ(out.back(), -20000);
}

TEST(Mixer, ConvertsRatesByLinearInterpolation) {
    AudioMixer m(1, 44100);
    // Half the output rate: every source frame covers two output frames.
    m.Start(0, Sample(22050, 1, {0, 1000, 2000, 3000, 4000, 5000, 6000, 7000}), false, 1.0f, 1.0f);
    m.SetGains(m.Start(0, Sample(22050, 1, std::vector<int16_t>(400, 0)), false, 1, 1), 1, 1);
    AudioMixer n(1, 44100);
    std::vector<int16_t> ramp(600);
    for (size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = static_cast<int16_t>(i * 10);
    const int32_t h = n.Start(0, Sample(22050, 1, ramp), false, 1.0f, 1.0f);
    const std::vector<int16_t> out = Render(n, 1300);
    // After the ramp in: output frame k sits at source position k / 2.
    EXPECT_EQ(out[2 * 700], 3500);
    EXPECT_EQ(out[2 * 701], 3505);
    EXPECT_TRUE(out[2 * 1199] != 0);
    EXPECT_EQ(out[2 * 1250], 0);
    EXPECT_FALSE(n.IsPlaying(h));
}

TEST(Mixer, LoopsWrapAroundTheirEnd) {
    AudioMixer m(1, 44100);
    std::vector<int16_t> saw(100);
    for (size_t i = 0; i < saw.size(); ++i)
        saw[i] = static_cast<int16_t>(i * 100);
    const int32_t h = m.Start(0, Sample(44100, 1, saw), true, 1.0f, 1.0f);
    const std::vector<int16_t> out = Render(m, 1000);
    EXPECT_EQ(out[2 * 950], 5000);
    EXPECT_EQ(out[2 * 999], 9900);
    EXPECT_TRUE(m.IsPlaying(h));
}

TEST(Mixer, StreamsPlayWhatIsPushedAndEndWhenTold) {
    AudioMixer m(1, 44100);
    const int32_t h = m.StartStream(0, 44100, 2, 1.0f, 1.0f);
    ASSERT_GE(h, 0);
    std::vector<int16_t> frames;
    for (int i = 0; i < 500; ++i) {
        frames.push_back(1000);
        frames.push_back(-1000);
    }
    ASSERT_TRUE(m.PushStream(h, frames.data(), 500));
    EXPECT_EQ(m.StreamQueued(h), 500);
    std::vector<int16_t> out = Render(m, 400);
    EXPECT_EQ(m.StreamQueued(h), 100);
    EXPECT_EQ(out[2 * 300], 1000);
    EXPECT_EQ(out[2 * 300 + 1], -1000);
    // Running dry keeps the stream alive and silent until more comes.
    out = Render(m, 400);
    EXPECT_TRUE(m.IsPlaying(h));
    EXPECT_EQ(out[2 * 399], 0);
    ASSERT_TRUE(m.PushStream(h, frames.data(), 500));
    m.EndStream(h);
    EXPECT_FALSE(m.PushStream(h, frames.data(), 1));
    out = Render(m, 300);
    EXPECT_EQ(out[2 * 200], 1000);
    Render(m, 300);
    EXPECT_FALSE(m.IsPlaying(h));
    // A stream stopped while it waits for data still frees its voice.
    const int32_t dry = m.StartStream(0, 44100, 1, 1.0f, 1.0f);
    Render(m, 10);
    m.Stop(dry);
    Render(m, 10);
    EXPECT_FALSE(m.IsPlaying(dry));
    EXPECT_TRUE(m.IsFree(0));
}

TEST(Mixer, ClipsTheSumAndAppliesTheMasterGain) {
    AudioMixer m(2, 44100);
    m.Start(0, Constant(10000, 30000), true, 1.0f, 1.0f);
    m.Start(1, Constant(10000, 30000), true, 1.0f, 1.0f);
    std::vector<int16_t> out = Render(m, 1000);
    EXPECT_EQ(out[2 * 900], 32767);
    m.SetMasterGain(0.25f);
    out = Render(m, 1000);
    // The ramp runs over the unclipped sum of 60000.
    EXPECT_LE(LargestStep(out, 0), 60000 * 3 / 4 / kRamp + 2);
    EXPECT_EQ(out[2 * 900], 15000);
}

TEST(Mixer, AdvancesWithoutOutput) {
    AudioMixer m(3, 44100);
    const int32_t once = m.Start(0, Constant(1000, 100), false, 1, 1);
    const int32_t loop = m.Start(1, Constant(1000, 100), true, 1, 1);
    const int32_t stream = m.StartStream(2, 22050, 1, 1, 1);
    std::vector<int16_t> frames(300, 5);
    m.PushStream(stream, frames.data(), 300);
    m.Render(nullptr, 400);
    EXPECT_TRUE(m.IsPlaying(once));
    EXPECT_EQ(m.StreamQueued(stream), 100);
    m.Stop(loop);
    m.EndStream(stream);
    m.Render(nullptr, 700);
    EXPECT_FALSE(m.IsPlaying(once));
    EXPECT_FALSE(m.IsPlaying(loop));
    EXPECT_FALSE(m.IsPlaying(stream));
}

} // namespace
