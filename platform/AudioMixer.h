#pragma once
// The program's own mixer: a fixed set of voices, each playing a sample from
// memory or a stream fed from the main loop, with a left and a right gain,
// rate conversion by linear interpolation and short gain ramps so that
// starting, stopping and moving a sound never clicks. Output is interleaved
// signed 16-bit stereo. The sound card's thread renders while the main loop
// starts, moves and stops sounds: every call holds the mixer's lock only for
// its own short work.

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/WavReader.h"

// The gains of a sound at volume v (0..1) and pan p (-1 left .. +1 right)
// under the constant-power law: left = v cos a, right = v sin a with
// a = (p + 1) pi / 4. A stereo source is raised by sqrt(2) so that it plays
// at its own level when centred.
void PanGains(float volume, float pan, int32_t channels, float* left, float* right);

class AudioMixer {
public:
    static constexpr int32_t kRampFrames = 256; // about 6 ms at 44.1 kHz

    AudioMixer(int32_t voices, int32_t outputRate);
    int32_t VoiceCount() const { return mVoiceCount; }
    int32_t OutputRate() const { return mRate; }

    // Starts a sample on voice `voice` and returns a handle, or -1 for a bad
    // voice or an empty sample. A sound the voice still played fades out
    // beside it.
    int32_t Start(int32_t voice, std::shared_ptr<const AudioSample> sample, bool loop, float left,
                  float right);
    // Starts a stream on `voice`: frames arrive through PushStream.
    int32_t StartStream(int32_t voice, int32_t rate, int32_t channels, float left, float right);
    // Appends frames to a stream's queue; false for a stale handle.
    bool PushStream(int32_t handle, const int16_t* frames, int32_t count);
    // Frames queued and not yet played.
    int32_t StreamQueued(int32_t handle) const;
    // No more frames will come: the voice ends when its queue runs dry.
    void EndStream(int32_t handle);

    // New gains, reached over a ramp.
    void SetGains(int32_t handle, float left, float right);
    // Fades the voice out over a ramp, then frees it.
    void Stop(int32_t handle);
    void StopAll();
    // True while the handle's sound still sounds (including its fade-out).
    bool IsPlaying(int32_t handle) const;
    // True when the voice is free for a new sound.
    bool IsFree(int32_t voice) const;
    // The voice of a live handle, -1 for a stale one.
    int32_t VoiceOf(int32_t handle) const;
    // A gain applied to everything, ramped like the voices' gains.
    void SetMasterGain(float gain);

    // Mixes `frames` stereo frames into out; with out null the voices only
    // advance, as if the output were thrown away.
    void Render(int16_t* out, int32_t frames);
    // Render as a sound card's callback: `bytes` of 16-bit stereo output.
    static void RenderInto(void* mixer, uint8_t* out, int32_t bytes);

private:
    struct Voice {
        std::shared_ptr<const AudioSample> sample;
        std::vector<int16_t> queue; // stream frames not yet played
        size_t queueHead = 0;       // first unplayed frame of queue
        int32_t channels = 1;
        uint64_t pos = 0;  // frame position, 32.32 fixed point
        uint64_t step = 0; // source frames per output frame, 32.32
        float curL = 0, curR = 0, targetL = 0, targetR = 0, stepL = 0, stepR = 0;
        int32_t rampLeft = 0;
        uint32_t generation = 0;
        bool active = false;
        bool loop = false;
        bool stream = false;
        bool streamEnded = false;
        bool stopping = false;
    };
    Voice* Lookup(int32_t handle);
    const Voice* Lookup(int32_t handle) const;
    void StopVoice(Voice& v);
    int32_t Begin(int32_t voice, int32_t rate, int32_t channels, float left, float right);
    void RampTo(Voice& v, float left, float right);
    void MixVoice(Voice& v, float* acc, int32_t frames);
    bool Fetch(Voice& v, uint32_t index, float* l, float* r) const;
    void Advance(Voice& v, int32_t frames);
    void Finish(Voice& v);
    void FadeAside(Voice& v);

    // The voices callers address, then hidden ones where replaced sounds
    // fade out.
    std::vector<Voice> mVoices;
    int32_t mVoiceCount;
    std::vector<float> mAccumulator;
    int32_t mRate;
    float mMaster = 1.0f, mMasterTarget = 1.0f, mMasterStep = 0.0f;
    int32_t mMasterRamp = 0;
    mutable std::mutex mLock;
};
