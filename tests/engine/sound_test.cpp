// The sound manager and its sounds: file names, loading, the channel lists
// with their priorities and instance limits, positioned sounds, streams,
// switching sound off, and the mixed output. No sound card is used: the
// tests drive the manager's clock and read its mixer.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <vector>

#include "engine/FileTestFolder.h"
#include "engine/GFileServices.h"
#include "engine/GSound.h"
#include "engine/GSound3D.h"
#include "engine/GSound3DLoop.h"
#include "engine/GSoundManager.h"
#include "engine/GSoundStream.h"
#include "engine/sound_wav_files.h"

namespace {

uint32_t gFakeNow = 0;
uint32_t FakeClock() {
    return gFakeNow;
}

// The listener sits at the world's origin looking along +z.
bool IdentityListener(float*, float*, float*) {
    return true;
}

class SoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(mFolder.Path() / "Demo Data" / "WAV");
        SetProgramFolder(mFolder.Path().string().c_str());
        gFakeNow = 1000;
        mManager = std::make_unique<GSoundManager>();
        mManager->SetClock(&FakeClock);
        EXPECT_FALSE(mManager->ISoundManager(false));
        mManager->SetListenerTransform(&IdentityListener);
        gSound = mManager.get();
    }
    void TearDown() override {
        mManager.reset();
        SetProgramFolder(nullptr);
    }
    void WriteSound(int32_t id, const std::vector<uint8_t>& bytes) {
        ASSERT_TRUE(wavtest::WriteFile(GSound::MakePath(id, mFolder.Path().string()), bytes));
    }
    // Lets `ms` of silent output pass.
    void Pass(uint32_t ms) {
        gFakeNow += ms;
        mManager->ManageSounds();
    }
    std::vector<int16_t> Mix(int32_t frames) {
        std::vector<int16_t> out(static_cast<size_t>(frames) * 2);
        mManager->GetMixer()->Render(out.data(), frames);
        return out;
    }

    FileTestFolder mFolder;
    std::unique_ptr<GSoundManager> mManager;
};

TEST(SoundFileName, PadsWithZerosByTheNumbersSize) {
    std::string name;
    ASSERT_TRUE(GSound::MakeFileName(5, &name));
    EXPECT_EQ(name, "000005.wav");
    GSound::MakeFileName(100, &name);
    EXPECT_EQ(name, "00000100.wav");
    GSound::MakeFileName(999, &name);
    EXPECT_EQ(name, "00000999.wav");
    GSound::MakeFileName(1000, &name);
    EXPECT_EQ(name, "00001000.wav");
    GSound::MakeFileName(30123, &name);
    EXPECT_EQ(name, "00030123.wav");
    GSound::MakeFileName(999999, &name);
    EXPECT_EQ(name, "00999999.wav");
    GSound::MakeFileName(12345678, &name);
    EXPECT_EQ(name, "12345678.wav");
    EXPECT_FALSE(GSound::MakeFileName(-1, &name));
    EXPECT_EQ(GSound::MakePath(5007, "/p"), "/p/Demo Data/WAV/00005007.wav");
}

TEST_F(SoundTest, LoadsSoundsAndTreatsBadFilesAsSilence) {
    WriteSound(128, wavtest::Constant(22050, 100, 500));
    WriteSound(129, std::vector<uint8_t>(40, 'x'));
    EXPECT_TRUE(mManager->GetSound(128)->IsLoaded());
    EXPECT_EQ(mManager->GetSound(128)->GetSample()->rate, 22050);
    EXPECT_FALSE(mManager->GetSound(129)->IsLoaded());
    EXPECT_FALSE(mManager->GetSound(130)->IsLoaded());
    // Nothing plays, nothing breaks.
    mManager->PlaySoundA(129, 5);
    mManager->PlaySoundA(130, 5);
    GSound3D missing;
    missing.ISound3D(130, 5, 10.0f, 1);
    missing.Play();
    EXPECT_TRUE(missing.IsComplete());
    EXPECT_EQ(Mix(100), std::vector<int16_t>(200, 0));
}

TEST_F(SoundTest, PreloadStopsAtTheFirstFailure) {
    WriteSound(200, wavtest::Constant(44100, 10, 1));
    WriteSound(202, wavtest::Constant(44100, 10, 1));
    const int32_t ids[] = {200, 201, 202};
    const bool flags[] = {false, false, false};
    mManager->PreloadSounds(3, ids, flags);
    EXPECT_TRUE(mManager->IsCached(200));
    EXPECT_TRUE(mManager->IsCached(201));
    EXPECT_FALSE(mManager->IsCached(202));
}

TEST_F(SoundTest, PlainSoundsShareTheFirstListByPriority) {
    WriteSound(300, wavtest::Constant(44100, 44100, 1000));
    WriteSound(301, wavtest::Constant(44100, 44100, -1000));
    const int32_t n = GSoundManager::kFirstListChannels;
    for (int32_t i = 0; i < n; ++i)
        mManager->PlaySoundA(300, 5);
    AudioMixer* mixer = mManager->GetMixer();
    for (int32_t i = 0; i < n; ++i)
        EXPECT_FALSE(mixer->IsFree(i));
    const int16_t one = 707; // a centred mono sound at full volume
    EXPECT_NEAR(Mix(1000)[2 * 999], n * one, n);
    // A lower priority finds no room; an equal one takes the oldest channel.
    mManager->PlaySoundA(301, 4);
    EXPECT_NEAR(Mix(1000)[2 * 999], n * one, n);
    mManager->PlaySoundA(301, 5);
    EXPECT_NEAR(Mix(1000)[2 * 999], (n - 2) * one, n);
    // Switched off: the plain sounds stop and new ones are refused.
    mManager->ActivateSound(false);
    Mix(1000);
    mManager->PlaySoundA(300, 999);
    EXPECT_EQ(Mix(10), std::vector<int16_t>(20, 0));
    for (int32_t i = 0; i < n; ++i)
        EXPECT_TRUE(mixer->IsFree(i));
}

TEST(SoundListenerGains, AttenuateBeyondTheSoundsDistanceAndPanByBearing) {
    float l, r;
    const float c = std::sqrt(0.5f);
    ListenerGains(0, 0, 40, 50, 1e9f, 0, 1, &l, &r);
    EXPECT_NEAR(l, c, 1e-5f);
    EXPECT_NEAR(r, c, 1e-5f);
    ListenerGains(0, 0, 100, 50, 1e9f, 0, 1, &l, &r); // twice the distance: half
    EXPECT_NEAR(l, 0.5f * c, 1e-5f);
    ListenerGains(0, 0, 1000, 50, 500, 0, 1, &l, &r); // no quieter beyond 500 m
    EXPECT_NEAR(l, 0.1f * c, 1e-5f);
    ListenerGains(0, 0, 50, 50, 1e9f, 50, 1, &l, &r); // the offset adds 50 m
    EXPECT_NEAR(l, 0.5f * c, 1e-5f);
    ListenerGains(0, 0, 0, 50, 1e9f, 100, 1, &l, &r); // from the origin, ahead
    EXPECT_NEAR(l, 0.5f * c, 1e-5f);
    EXPECT_NEAR(r, l, 1e-6f);
    ListenerGains(0, 0, 20, 50, 1e9f, -100, 1, &l, &r); // never behind the listener
    EXPECT_NEAR(l, c, 1e-5f);
    ListenerGains(30, 500, 0, 50, 1e9f, 0, 1, &l, &r); // to the right, far above
    EXPECT_NEAR(l, 0.0f, 1e-5f);
    EXPECT_GT(r, 0.0f);
    ListenerGains(-30, 0, 30, 1000, 1e9f, 0, 1, &l, &r); // 45 degrees left
    EXPECT_GT(l, r);
    EXPECT_NEAR(l * l + r * r, 1.0f, 1e-5f);
}

TEST_F(SoundTest, PositionedSoundsFollowTheListenerFrame) {
    WriteSound(400, wavtest::Constant(44100, 44100, 10000));
    GSound3DLoop loop;
    loop.ISound3DLoop(400, 5, 10.0f, 0);
    loop.Set(20.0f, 0.0f, 0.0f); // 20 m to the right, twice its distance
    loop.Play();
    std::vector<int16_t> out = Mix(1000);
    EXPECT_EQ(out[2 * 900], 0);
    EXPECT_EQ(out[2 * 900 + 1], 5000);
    loop.Set(0.0f, 0.0f, 5.0f);
    out = Mix(1000);
    EXPECT_EQ(out[2 * 900], out[2 * 900 + 1]);
    EXPECT_NEAR(out[2 * 900], 7071, 1);
    // Without a listener the sound sits 1000 m ahead.
    mManager->SetListenerTransform(nullptr);
    loop.Set(1.0f, 2.0f, 3.0f);
    float x, y, z;
    loop.GetListenerPoint(&x, &y, &z);
    EXPECT_EQ(x, 0.0f);
    EXPECT_EQ(y, 0.0f);
    EXPECT_EQ(z, 1000.0f);
    // The distance offset applies as the gains are next worked out.
    mManager->m3DDistanceOffset = 1000.0f;
    loop.Set(0, 0, 0);
    out = Mix(1000);
    EXPECT_NEAR(out[2 * 900], 7071 / 200, 1);
}

TEST_F(SoundTest, TinyDistancesAreRaised) {
    WriteSound(401, wavtest::Constant(44100, 100, 1));
    GSound3D once;
    once.ISound3D(401, 1, 0.0f, 0);
    EXPECT_FLOAT_EQ(once.GetDistance(), 0.01f);
    GSound3DLoop loop;
    loop.ISound3DLoop(401, 1, -5.0f, 0);
    EXPECT_FLOAT_EQ(loop.GetDistance(), 0.001f);
}

TEST_F(SoundTest, OneShotsCompleteAsSilentTimePasses) {
    WriteSound(500, wavtest::Constant(44100, 4410, 100)); // 100 ms
    GSound3D once;
    once.ISound3D(500, 5, 10.0f, 1);
    once.Set(0, 0, 1);
    EXPECT_FALSE(once.IsComplete());
    once.Play();
    EXPECT_FALSE(once.IsComplete());
    Pass(60);
    EXPECT_FALSE(once.IsComplete());
    Pass(60);
    EXPECT_TRUE(once.IsComplete());
}

TEST_F(SoundTest, InstanceLimitStopsTheOldestInstance) {
    WriteSound(600, wavtest::Constant(44100, 44100, 100));
    GSound3D a, b, c;
    for (GSound3D* s : {&a, &b, &c}) {
        s->ISound3D(600, 12, 10.0f, 2);
        s->Set(0, 0, 1);
        s->Play();
        Pass(1);
    }
    EXPECT_TRUE(a.IsComplete());
    EXPECT_FALSE(b.IsComplete());
    EXPECT_FALSE(c.IsComplete());
    // Limit 0 means no limit.
    GSound3DLoop e1, e2, e3;
    for (GSound3DLoop* s : {&e1, &e2, &e3}) {
        s->ISound3DLoop(600, 3, 70.0f, 0);
        s->Play();
    }
    EXPECT_EQ(e1.GetState(), GVirtualSound::State::kPlaying);
    EXPECT_EQ(e3.GetState(), GVirtualSound::State::kPlaying);
    // Two loops under a limit of 1: the newer plays, the older waits and
    // does not take the channel back.
    WriteSound(601, wavtest::Constant(44100, 44100, 100));
    GSound3DLoop older, newer;
    for (GSound3DLoop* s : {&older, &newer}) {
        s->ISound3DLoop(601, 12, 10.0f, 1);
        s->Play();
    }
    for (int i = 0; i < 3; ++i) {
        Pass(10);
        EXPECT_EQ(older.GetState(), GVirtualSound::State::kVirtual);
        EXPECT_EQ(newer.GetState(), GVirtualSound::State::kPlaying);
    }
}

TEST_F(SoundTest, SecondListGivesWayToHigherPriorityAndLouderSounds) {
    WriteSound(700, wavtest::Constant(44100, 44100, 100));
    const int32_t n = GSoundManager::kSecondListChannels;
    std::vector<std::unique_ptr<GSound3DLoop>> loops;
    for (int32_t i = 0; i < n; ++i) {
        loops.push_back(std::make_unique<GSound3DLoop>());
        loops.back()->ISound3DLoop(700, 5, 10.0f, 0);
        loops.back()->Set(0, 0, 10.0f + static_cast<float>(i)); // loops[n-1] is the quietest
        loops.back()->Play();
        EXPECT_EQ(loops.back()->GetState(), GVirtualSound::State::kPlaying);
    }
    GSound3DLoop quiet, loud, low;
    quiet.ISound3DLoop(700, 5, 10.0f, 0);
    quiet.Set(0, 0, 500);
    quiet.Play();
    EXPECT_EQ(quiet.GetState(), GVirtualSound::State::kVirtual);
    EXPECT_FALSE(quiet.IsComplete());
    loud.ISound3DLoop(700, 5, 10.0f, 0);
    loud.Set(0, 0, 1);
    loud.Play();
    EXPECT_EQ(loud.GetState(), GVirtualSound::State::kPlaying);
    EXPECT_EQ(loops[n - 1]->GetState(), GVirtualSound::State::kVirtual);
    // A one-shot that ranks below every channel is simply not heard.
    GSound3D lowOnce;
    lowOnce.ISound3D(700, 1, 10.0f, 0);
    lowOnce.Set(0, 0, 1);
    lowOnce.Play();
    EXPECT_TRUE(lowOnce.IsComplete());
    // A channel frees up: the louder waiting loop gets it back at the next pass.
    loops[0].reset();
    Pass(10);
    Pass(10);
    EXPECT_EQ(loops[n - 1]->GetState(), GVirtualSound::State::kPlaying);
    EXPECT_EQ(quiet.GetState(), GVirtualSound::State::kVirtual);
}

TEST_F(SoundTest, SilenceAndSwitchingOff) {
    WriteSound(800, wavtest::Constant(44100, 44100, 100));
    GSound3DLoop loop;
    loop.ISound3DLoop(800, 5, 10.0f, 0);
    loop.Play();
    mManager->Silence();
    EXPECT_TRUE(loop.IsComplete());
    Pass(10);
    EXPECT_TRUE(loop.IsComplete());
    // Off: one-shots are over at once, loops wait for sound to come back.
    mManager->ActivateSound(false);
    GSound3D once;
    once.ISound3D(800, 5, 10.0f, 1);
    once.Play();
    EXPECT_TRUE(once.IsComplete());
    loop.Play();
    EXPECT_EQ(loop.GetState(), GVirtualSound::State::kVirtual);
    mManager->ActivateSound(true);
    Pass(10);
    EXPECT_EQ(loop.GetState(), GVirtualSound::State::kPlaying);
}

TEST_F(SoundTest, StreamsRefillFromTheFileAndEnd) {
    WriteSound(5010, wavtest::Constant(22050, 22050, 3000)); // one second
    GSoundStream* music = mManager->StreamSound(5010, 0, false);
    ASSERT_NE(music, nullptr);
    EXPECT_FALSE(music->IsComplete());
    EXPECT_EQ(Mix(1000)[2 * 900], 2121); // centred mono
    for (int i = 0; i < 9; ++i)
        Pass(100);
    EXPECT_FALSE(music->IsComplete());
    for (int i = 0; i < 3; ++i)
        Pass(100);
    EXPECT_TRUE(music->IsComplete());
    delete music;

    GSoundStream* ambient = mManager->StreamSound(5010, 1, true);
    for (int i = 0; i < 30; ++i)
        Pass(100);
    EXPECT_FALSE(ambient->IsComplete());
    delete ambient; // frees its channel
    Mix(AudioMixer::kRampFrames + 1);
    EXPECT_EQ(Mix(10), std::vector<int16_t>(20, 0));

    GSoundStream* missing = mManager->StreamSound(5011, 0, true);
    ASSERT_NE(missing, nullptr);
    EXPECT_TRUE(missing->IsComplete());
    delete missing;
}

TEST_F(SoundTest, SoundsOutliveTheirManagerSafely) {
    WriteSound(900, wavtest::Constant(44100, 44100, 100));
    auto loop = std::make_unique<GSound3DLoop>();
    loop->ISound3DLoop(900, 5, 10.0f, 0);
    loop->Play();
    GSoundStream* stream = mManager->StreamSound(900, 0, true);
    mManager.reset();
    EXPECT_EQ(gSound, nullptr);
    EXPECT_TRUE(loop->IsComplete());
    loop->Set(1, 2, 3);
    loop->Play();
    EXPECT_TRUE(stream->IsComplete());
    delete stream;
}

} // namespace
