#include "platform/AudioMixer.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr float kPi = 3.14159265358979f;
constexpr float kSqrt2 = 1.41421356f;
constexpr float kFracScale = 1.0f / 4294967296.0f;
constexpr int32_t kMaxVoices = 256;
constexpr int32_t kFadeVoices = 8;
constexpr uint32_t kGenerationMask = 0x7FFFFF;

int32_t MakeHandle(int32_t voice, uint32_t generation) {
    return static_cast<int32_t>((generation & kGenerationMask) << 8) | voice;
}
} // namespace

void PanGains(float volume, float pan, int32_t channels, float* left, float* right) {
    // A point that is not a number is heard centred and silent, not as noise.
    pan = std::isnan(pan) ? 0.0f : std::clamp(pan, -1.0f, 1.0f);
    volume = std::isnan(volume) ? 0.0f : std::clamp(volume, 0.0f, 1.0f);
    const float angle = (pan + 1.0f) * (kPi / 4.0f);
    const float scale = channels == 2 ? volume * kSqrt2 : volume;
    *left = scale * std::cos(angle);
    *right = scale * std::sin(angle);
}

AudioMixer::AudioMixer(int32_t voices, int32_t outputRate)
    : mVoices(static_cast<size_t>(std::clamp(voices, 1, kMaxVoices) + kFadeVoices)),
      mVoiceCount(std::clamp(voices, 1, kMaxVoices)), mRate(outputRate > 0 ? outputRate : 44100) {}

// Moves a voice that is about to be replaced to a hidden voice, where it
// fades out instead of stopping dead; without a hidden voice free it is cut.
void AudioMixer::FadeAside(Voice& v) {
    for (size_t i = static_cast<size_t>(mVoiceCount); i < mVoices.size(); ++i) {
        Voice& fade = mVoices[i];
        if (fade.active) continue;
        fade = std::move(v);
        if (!fade.stopping) {
            fade.stopping = true;
            RampTo(fade, 0.0f, 0.0f);
        }
        return;
    }
}

AudioMixer::Voice* AudioMixer::Lookup(int32_t handle) {
    return const_cast<Voice*>(static_cast<const AudioMixer*>(this)->Lookup(handle));
}

const AudioMixer::Voice* AudioMixer::Lookup(int32_t handle) const {
    if (handle < 0) return nullptr;
    const int32_t index = handle & 0xFF;
    if (index >= VoiceCount()) return nullptr;
    const Voice& v = mVoices[static_cast<size_t>(index)];
    if (!v.active || MakeHandle(index, v.generation) != handle) return nullptr;
    return &v;
}

int32_t AudioMixer::Begin(int32_t voice, int32_t rate, int32_t channels, float left, float right) {
    if (voice < 0 || voice >= VoiceCount() || rate <= 0 || (channels != 1 && channels != 2)) return -1;
    Voice& v = mVoices[static_cast<size_t>(voice)];
    const uint32_t generation = v.generation + 1;
    if (v.active) FadeAside(v);
    v = Voice{};
    v.generation = generation;
    v.active = true;
    v.channels = channels;
    v.step = (static_cast<uint64_t>(rate) << 32) / static_cast<uint64_t>(mRate);
    // Every sound fades in from silence.
    RampTo(v, left, right);
    return MakeHandle(voice, generation);
}

int32_t AudioMixer::Start(int32_t voice, std::shared_ptr<const AudioSample> sample, bool loop, float left,
                          float right) {
    const std::lock_guard<std::mutex> lock(mLock);
    if (!sample || sample->FrameCount() <= 0) return -1;
    const int32_t handle = Begin(voice, sample->rate, sample->channels, left, right);
    if (handle < 0) return -1;
    Voice& v = mVoices[static_cast<size_t>(voice)];
    v.sample = std::move(sample);
    v.loop = loop;
    return handle;
}

int32_t AudioMixer::StartStream(int32_t voice, int32_t rate, int32_t channels, float left, float right) {
    const std::lock_guard<std::mutex> lock(mLock);
    const int32_t handle = Begin(voice, rate, channels, left, right);
    if (handle >= 0) mVoices[static_cast<size_t>(voice)].stream = true;
    return handle;
}

bool AudioMixer::PushStream(int32_t handle, const int16_t* frames, int32_t count) {
    const std::lock_guard<std::mutex> lock(mLock);
    Voice* v = Lookup(handle);
    if (!v || !v->stream || v->streamEnded || count < 0) return false;
    // Drop what has been played before the queue grows.
    if (v->queueHead > 0 && v->queueHead * 2 >= v->queue.size()) {
        v->queue.erase(v->queue.begin(), v->queue.begin() + static_cast<std::ptrdiff_t>(v->queueHead));
        v->queueHead = 0;
    }
    v->queue.insert(v->queue.end(), frames, frames + static_cast<size_t>(count) * v->channels);
    return true;
}

int32_t AudioMixer::StreamQueued(int32_t handle) const {
    const std::lock_guard<std::mutex> lock(mLock);
    const Voice* v = Lookup(handle);
    if (!v || !v->stream) return 0;
    return static_cast<int32_t>((v->queue.size() - v->queueHead) / v->channels);
}

void AudioMixer::EndStream(int32_t handle) {
    const std::lock_guard<std::mutex> lock(mLock);
    if (Voice* v = Lookup(handle)) v->streamEnded = true;
}

void AudioMixer::RampTo(Voice& v, float left, float right) {
    v.targetL = left;
    v.targetR = right;
    v.rampLeft = kRampFrames;
    v.stepL = (left - v.curL) / kRampFrames;
    v.stepR = (right - v.curR) / kRampFrames;
}

void AudioMixer::SetGains(int32_t handle, float left, float right) {
    const std::lock_guard<std::mutex> lock(mLock);
    Voice* v = Lookup(handle);
    if (v && !v->stopping) RampTo(*v, left, right);
}

void AudioMixer::Stop(int32_t handle) {
    const std::lock_guard<std::mutex> lock(mLock);
    if (Voice* v = Lookup(handle)) StopVoice(*v);
}

void AudioMixer::StopVoice(Voice& v) {
    if (!v.active || v.stopping) return;
    v.stopping = true;
    RampTo(v, 0.0f, 0.0f);
}

void AudioMixer::StopAll() {
    const std::lock_guard<std::mutex> lock(mLock);
    for (Voice& v : mVoices)
        StopVoice(v);
}

bool AudioMixer::IsPlaying(int32_t handle) const {
    const std::lock_guard<std::mutex> lock(mLock);
    return Lookup(handle) != nullptr;
}

bool AudioMixer::IsFree(int32_t voice) const {
    if (voice < 0 || voice >= VoiceCount()) return false;
    const std::lock_guard<std::mutex> lock(mLock);
    return !mVoices[static_cast<size_t>(voice)].active;
}

int32_t AudioMixer::VoiceOf(int32_t handle) const {
    const std::lock_guard<std::mutex> lock(mLock);
    return Lookup(handle) ? (handle & 0xFF) : -1;
}

void AudioMixer::SetMasterGain(float gain) {
    const std::lock_guard<std::mutex> lock(mLock);
    mMasterTarget = gain;
    mMasterRamp = kRampFrames;
    mMasterStep = (gain - mMaster) / kRampFrames;
}

void AudioMixer::Finish(Voice& v) {
    v.active = false;
    v.sample.reset();
    v.queue.clear();
    v.queueHead = 0;
}

// The source frame `index` (relative to the voice's start or its stream
// queue) as left and right values; false when it does not exist (yet).
bool AudioMixer::Fetch(Voice& v, uint32_t index, float* l, float* r) const {
    const int16_t* base;
    size_t count;
    if (v.stream) {
        base = v.queue.data() + v.queueHead;
        count = (v.queue.size() - v.queueHead) / v.channels;
    } else {
        base = v.sample->data.data();
        count = static_cast<size_t>(v.sample->FrameCount());
        if (index >= count && v.loop) index %= count;
    }
    if (index >= count) return false;
    const int16_t* f = base + static_cast<size_t>(index) * v.channels;
    *l = f[0];
    *r = v.channels == 2 ? f[1] : f[0];
    return true;
}

void AudioMixer::MixVoice(Voice& v, float* acc, int32_t frames) {
    const uint64_t loopLength =
        (!v.stream && v.loop) ? static_cast<uint64_t>(v.sample->FrameCount()) << 32 : 0;
    for (int32_t i = 0; i < frames; ++i) {
        const uint32_t index = static_cast<uint32_t>(v.pos >> 32);
        float aL, aR, bL, bR;
        if (!Fetch(v, index, &aL, &aR)) {
            // A stream waiting for data stays silent where it is, unless it
            // has ended or is being stopped.
            if (!v.stream || v.streamEnded || v.stopping) Finish(v);
            break;
        }
        if (!Fetch(v, index + 1, &bL, &bR)) {
            if (v.stream && !v.streamEnded && !v.stopping) break;
            bL = aL;
            bR = aR;
        }
        const float frac = static_cast<float>(v.pos & 0xFFFFFFFFu) * kFracScale;
        acc[2 * i] += (aL + (bL - aL) * frac) * v.curL;
        acc[2 * i + 1] += (aR + (bR - aR) * frac) * v.curR;
        if (v.rampLeft > 0) {
            v.curL += v.stepL;
            v.curR += v.stepR;
            if (--v.rampLeft == 0) {
                v.curL = v.targetL;
                v.curR = v.targetR;
                if (v.stopping) {
                    Finish(v);
                    return;
                }
            }
        }
        v.pos += v.step;
        if (loopLength && v.pos >= loopLength) v.pos -= loopLength;
    }
    if (v.stream && v.active) {
        const size_t played = static_cast<size_t>(v.pos >> 32);
        v.queueHead += played * v.channels;
        v.pos &= 0xFFFFFFFFu;
    }
}

// Moves a voice on by `frames` without producing output.
void AudioMixer::Advance(Voice& v, int32_t frames) {
    if (v.rampLeft > 0) {
        if (v.stopping && v.rampLeft <= frames) {
            Finish(v);
            return;
        }
        const int32_t n = std::min(v.rampLeft, frames);
        v.curL += v.stepL * n;
        v.curR += v.stepR * n;
        v.rampLeft -= n;
        if (v.rampLeft == 0) {
            v.curL = v.targetL;
            v.curR = v.targetR;
        }
    }
    v.pos += v.step * static_cast<uint64_t>(frames);
    if (v.stream) {
        const size_t available = (v.queue.size() - v.queueHead) / v.channels;
        size_t played = static_cast<size_t>(v.pos >> 32);
        if (played >= available) {
            played = available;
            v.pos = 0;
            if (v.streamEnded) Finish(v);
        } else {
            v.pos &= 0xFFFFFFFFu;
        }
        if (v.active) v.queueHead += played * v.channels;
        return;
    }
    const uint64_t length = static_cast<uint64_t>(v.sample->FrameCount()) << 32;
    if (v.pos < length) return;
    if (v.loop)
        v.pos %= length;
    else
        Finish(v);
}

void AudioMixer::RenderInto(void* mixer, uint8_t* out, int32_t bytes) {
    static_cast<AudioMixer*>(mixer)->Render(reinterpret_cast<int16_t*>(out),
                                            bytes / static_cast<int32_t>(2 * sizeof(int16_t)));
}

void AudioMixer::Render(int16_t* out, int32_t frames) {
    const std::lock_guard<std::mutex> lock(mLock);
    if (frames <= 0) return;
    if (!out) {
        if (mMasterRamp > 0) {
            mMaster = mMasterTarget;
            mMasterRamp = 0;
        }
        for (Voice& v : mVoices)
            if (v.active) Advance(v, frames);
        return;
    }
    mAccumulator.assign(static_cast<size_t>(frames) * 2, 0.0f);
    for (Voice& v : mVoices)
        if (v.active) MixVoice(v, mAccumulator.data(), frames);
    for (int32_t i = 0; i < frames; ++i) {
        if (mMasterRamp > 0) {
            mMaster += mMasterStep;
            if (--mMasterRamp == 0) mMaster = mMasterTarget;
        }
        for (int c = 0; c < 2; ++c) {
            const float s = mAccumulator[static_cast<size_t>(2 * i + c)] * mMaster;
            out[2 * i + c] = static_cast<int16_t>(std::lrintf(std::clamp(s, -32768.0f, 32767.0f)));
        }
    }
}
