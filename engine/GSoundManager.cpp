#include "engine/GSoundManager.h"

#include <algorithm>

#include "engine/GFileServices.h"
#include "engine/GOLTA.h"
#include "engine/GSound.h"
#include "engine/GSoundStream.h"
#include "engine/GVirtualSound.h"
#include "platform/AudioDevice.h"

GSoundManager* gSound = nullptr;

namespace {
constexpr int32_t kFirstVirtual = GSoundManager::kFirstListChannels;
constexpr int32_t kFirstStream = kFirstVirtual + GSoundManager::kSecondListChannels;
constexpr int32_t kChannels = kFirstStream + GSoundManager::kStreamChannels;
// Without a sound card, silent output catches up with the clock by at most
// this much at once.
constexpr uint32_t kMaxCatchUpMs = 1000;
} // namespace

GSoundManager::GSoundManager() : mMixer(std::make_unique<AudioMixer>(kChannels, kOutputRate)) {}

GSoundManager::~GSoundManager() {
    for (GVirtualSound* sound : mSounds)
        sound->Detach();
    for (GSoundStream* stream : mStreams)
        stream->Detach();
    mSounds.clear();
    mStreams.clear();
    mDevice.reset();
    if (gSound == this) gSound = nullptr;
}

bool GSoundManager::ISoundManager(bool openDevice) {
    mFolder = GetProgramFolder();
    if (!mClock) mClock = &ClockTime;
    int32_t rate = kOutputRate;
    mDevice.reset();
    if (openDevice) {
        mDevice = std::make_unique<AudioDevice>();
        if (mDevice->Open(kOutputRate))
            rate = mDevice->Rate();
        else
            mDevice.reset();
    }
    mMixer = std::make_unique<AudioMixer>(kChannels, rate);
    // The card's thread mixes each block as the card needs it.
    if (mDevice) mDevice->Play(&AudioMixer::RenderInto, mMixer.get());
    mLastPump = mClock();
    return HasDevice();
}

bool GSoundManager::HasDevice() const {
    return mDevice && mDevice->IsOpen();
}

bool GSoundManager::ToListener(float* x, float* y, float* z) const {
    return mTransform && mTransform(x, y, z);
}

GSound* GSoundManager::GetSound(int32_t id) {
    auto it = mCache.find(id);
    if (it != mCache.end()) return it->second.get();
    auto sound = std::make_unique<GSound>();
    sound->ISound(id, mFolder);
    GSound* result = sound.get();
    mCache.emplace(id, std::move(sound));
    return result;
}

void GSoundManager::ActivateSound(bool on) {
    mActive = on;
    mMixer->SetMasterGain(on ? 1.0f : 0.0f);
    if (on) return;
    for (PlainChannel& channel : mPlain) {
        mMixer->Stop(channel.handle);
        channel = PlainChannel{};
    }
}

void GSoundManager::PlaySoundA(int32_t id, int32_t priority) {
    if (!mActive) return;
    GSound* sound = GetSound(id);
    if (!sound->IsLoaded()) return;
    const int32_t channel = FindPlainChannel(priority);
    if (channel < 0) return;
    float l = 0, r = 0;
    PanGains(1.0f, 0.0f, sound->GetSample()->channels, &l, &r);
    const int32_t handle = mMixer->Start(channel, sound->GetSample(), false, l, r);
    mPlain[channel] = PlainChannel{handle, priority, ++mSerial};
}

// A free first-list channel, or the oldest of the lowest priority when that
// priority is not above the new sound's; -1 when all rank higher.
int32_t GSoundManager::FindPlainChannel(int32_t priority) {
    int32_t victim = -1;
    for (int32_t i = 0; i < kFirstListChannels; ++i) {
        if (mMixer->IsFree(i)) return i;
        const PlainChannel& c = mPlain[i];
        if (victim < 0 || c.priority < mPlain[victim].priority ||
            (c.priority == mPlain[victim].priority && c.serial < mPlain[victim].serial))
            victim = i;
    }
    return mPlain[victim].priority <= priority ? victim : -1;
}

void GSoundManager::Silence() {
    mMixer->StopAll();
    for (PlainChannel& channel : mPlain)
        channel = PlainChannel{};
    for (GVirtualSound* sound : mSounds)
        sound->Stop();
    for (GSoundStream* stream : mStreams)
        stream->Stop();
}

GSoundStream* GSoundManager::StreamSound(int32_t id, int32_t mode, bool loop) {
    auto* stream = new GSoundStream;
    stream->IStream(this, id, mode, loop);
    return stream;
}

void GSoundManager::PreloadSounds(int32_t count, const int32_t* ids, const bool* flags) {
    if (!ids) return;
    for (int32_t i = 0; i < count; ++i)
        if (!GetSound(ids[i])->IsLoaded()) return;
}

void GSoundManager::Register(GVirtualSound* sound) {
    if (std::find(mSounds.begin(), mSounds.end(), sound) == mSounds.end()) mSounds.push_back(sound);
}

void GSoundManager::Unregister(GVirtualSound* sound) {
    mSounds.erase(std::remove(mSounds.begin(), mSounds.end(), sound), mSounds.end());
}

void GSoundManager::Register(GSoundStream* stream) {
    if (std::find(mStreams.begin(), mStreams.end(), stream) == mStreams.end()) mStreams.push_back(stream);
}

void GSoundManager::Unregister(GSoundStream* stream) {
    mStreams.erase(std::remove(mStreams.begin(), mStreams.end(), stream), mStreams.end());
}

// The playing sound on each second-list channel (null where only a fading
// sound is left), found in one walk over the sounds.
void GSoundManager::FindOwners(GVirtualSound** owners) const {
    for (int32_t i = 0; i < kSecondListChannels; ++i)
        owners[i] = nullptr;
    for (GVirtualSound* sound : mSounds) {
        if (sound->mState != GVirtualSound::State::kPlaying) continue;
        const int32_t voice = mMixer->VoiceOf(sound->mHandle);
        if (voice >= kFirstVirtual && voice < kFirstStream) owners[voice - kFirstVirtual] = sound;
    }
}

// The channel search for positioned sounds: an instance limit first makes
// the oldest playing instance of the same sound give way (a waiting loop
// coming back waits instead, or two loops would take turns for ever); then
// a free channel; then the channel of a sound that ranks below the new one.
int32_t GSoundManager::FindVirtualChannel(GVirtualSound* sound, bool reviving) {
    if (sound->mInstanceLimit > 0) {
        int32_t instances = 0;
        GVirtualSound* oldest = nullptr;
        for (GVirtualSound* other : mSounds) {
            if (other == sound || other->mID != sound->mID || other->IsComplete() ||
                other->mState != GVirtualSound::State::kPlaying)
                continue;
            ++instances;
            if (!oldest || other->mSerial < oldest->mSerial) oldest = other;
        }
        if (oldest && instances >= sound->mInstanceLimit) {
            if (reviving) return -1;
            // The oldest may have ended just now on the card's thread; then
            // its channel is simply free and the search below finds one.
            const int32_t voice = mMixer->VoiceOf(oldest->mHandle);
            oldest->LostVoice();
            if (voice >= 0) return voice;
        }
    }
    for (int32_t voice = kFirstVirtual; voice < kFirstStream; ++voice)
        if (mMixer->IsFree(voice)) return voice;
    GVirtualSound* owners[kSecondListChannels];
    FindOwners(owners);
    GVirtualSound* victim = nullptr;
    int32_t victimVoice = -1;
    float victimLoudness = 0.0f;
    for (int32_t voice = kFirstVirtual; voice < kFirstStream; ++voice) {
        GVirtualSound* owner = owners[voice - kFirstVirtual];
        if (!owner) return voice; // only a fading sound left there
        const float loudness = owner->Loudness();
        if (!victim || owner->mPriority < victim->mPriority ||
            (owner->mPriority == victim->mPriority && loudness < victimLoudness)) {
            victim = owner;
            victimVoice = voice;
            victimLoudness = loudness;
        }
    }
    if (victim->mPriority > sound->mPriority ||
        (victim->mPriority == sound->mPriority && victimLoudness >= sound->Loudness()))
        return -1;
    victim->LostVoice();
    return victimVoice;
}

bool GSoundManager::StartVirtual(GVirtualSound* sound, bool reviving) {
    if (!mActive || !sound->mSample) return false;
    const int32_t voice = FindVirtualChannel(sound, reviving);
    if (voice < 0) return false;
    float l = 0, r = 0;
    sound->ComputeGains(sound->mSample->channels, &l, &r);
    const int32_t handle = mMixer->Start(voice, sound->mSample, sound->mLoop, l, r);
    if (handle < 0) return false;
    sound->TookVoice(handle, ++mSerial);
    return true;
}

int32_t GSoundManager::StartStreamVoice(int32_t rate, int32_t channels) {
    for (int32_t voice = kFirstStream; voice < kChannels; ++voice) {
        if (!mMixer->IsFree(voice)) continue;
        float l = 0, r = 0;
        PanGains(1.0f, 0.0f, channels, &l, &r);
        return mMixer->StartStream(voice, rate, channels, l, r);
    }
    return -1;
}

void GSoundManager::RefillStreams() {
    const std::vector<GSoundStream*> streams = mStreams;
    for (GSoundStream* stream : streams)
        stream->Refill();
}

// Loops that lost their channel (or never had one) get one back, highest
// priority first, as channels free up.
void GSoundManager::ReviveWaitingLoops() {
    if (!mActive) return;
    std::vector<GVirtualSound*> waiting;
    for (GVirtualSound* sound : mSounds)
        if (sound->mState == GVirtualSound::State::kVirtual) waiting.push_back(sound);
    std::stable_sort(waiting.begin(), waiting.end(), [](const GVirtualSound* a, const GVirtualSound* b) {
        return a->mPriority > b->mPriority;
    });
    for (GVirtualSound* sound : waiting)
        if (sound->mState == GVirtualSound::State::kVirtual) StartVirtual(sound, true);
}

// With a sound card its thread mixes as the card plays; without one time
// still passes for every sound, unheard.
void GSoundManager::PumpOutput() {
    const uint32_t now = mClock ? mClock() : ClockTime();
    const uint32_t elapsed = now - mLastPump;
    mLastPump = now;
    if (HasDevice()) return;
    const uint32_t ms = std::min(elapsed, kMaxCatchUpMs);
    const int32_t frames = static_cast<int32_t>(static_cast<uint64_t>(ms) * mMixer->OutputRate() / 1000);
    mMixer->Render(nullptr, frames);
}

void GSoundManager::ManageSounds() {
    RefillStreams();
    ReviveWaitingLoops();
    PumpOutput();
}
