#pragma once
// The sound manager gSound: the channels, the cache of loaded sounds, the
// positioned sounds and the streams, and the output to the sound card. The
// kernel calls ManageSounds once per pass of its main loop; that refills the
// streams and gives waiting loops a channel when one frees up. The sound
// card's own thread mixes the output, so sounds play on in time while the
// main loop is busy. Without a sound card everything runs on, silent, paced
// by the clock.
//
// Channels: a first list for plain (2-D) one-shots, a second list for
// positioned sounds, and a few channels for streams. A new sound takes a
// free channel of its list, or else the channel of the lowest-priority sound
// (of two equal priorities the quieter) when that one ranks below it.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/GObject.h"
#include "platform/AudioMixer.h"

class AudioDevice;
class GSound;
class GSoundStream;
class GVirtualSound;

class GSoundManager : public GObject {
public:
    static constexpr int32_t kFirstListChannels = 8;
    static constexpr int32_t kSecondListChannels = 24;
    static constexpr int32_t kStreamChannels = 4;
    static constexpr int32_t kOutputRate = 44100;

    // Turns a world point into the listener's frame in place; false when
    // there is no listener (no renderer).
    using ListenerTransform = bool (*)(float* x, float* y, float* z);
    using Clock = uint32_t (*)();

    // The distance beyond which a positioned sound grows no quieter, in
    // metres; the password screen sets it to 500.
    float mMaxDistance = 1.0e9f;
    // Metres added to every positioned sound's distance from the listener.
    float m3DDistanceOffset = 0.0f;

    GSoundManager();
    ~GSoundManager() override;
    GSoundManager(const GSoundManager&) = delete;
    GSoundManager& operator=(const GSoundManager&) = delete;

    // Sets the manager up; with openDevice it also opens the sound card.
    // Returns whether output reaches a device (false means silent).
    bool ISoundManager(bool openDevice);
    bool HasDevice() const;

    // Switches sound on or off. Off mutes the output, stops the plain
    // one-shots and refuses new ones; streams and loops play on unheard.
    void ActivateSound(bool on);
    bool IsSoundActive() const { return mActive; }
    // Plays a plain one-shot sound when sound is on.
    void PlaySoundA(int32_t id, int32_t priority);
    // Stops every sound, streams included.
    void Silence();
    // Starts a streamed sound; the caller owns and deletes the stream. A
    // stream whose file is missing is returned silent and complete.
    GSoundStream* StreamSound(int32_t id, int32_t mode, bool loop);
    // Loads the sounds ids[0 .. count-1] ahead of use, stopping at the first
    // that fails.
    void PreloadSounds(int32_t count, const int32_t* ids, const bool* flags);
    // Loaded sounds stay cached; nothing to flush here.
    void FlushUnusedSounds(int32_t mode) {}
    // The channels of the second list: the most positioned sounds heard at once.
    int32_t GetSecondChannelListCount() const { return kSecondListChannels; }

    void ManageSounds();
    void RefillStreams();

    // The renderer's listener transform, set by whoever owns the renderer.
    void SetListenerTransform(ListenerTransform transform) { mTransform = transform; }
    bool ToListener(float* x, float* y, float* z) const;
    // The millisecond clock that paces output without a sound card (tests
    // replace it).
    void SetClock(Clock clock) { mClock = clock; }

    // The loaded sound of a number (cached, also when it failed to load).
    GSound* GetSound(int32_t id);
    bool IsCached(int32_t id) const { return mCache.count(id) != 0; }
    const std::string& GetFolder() const { return mFolder; }
    AudioMixer* GetMixer() { return mMixer.get(); }
    const AudioMixer* GetMixer() const { return mMixer.get(); }

    // For the sound objects.
    void Register(GVirtualSound* sound);
    void Unregister(GVirtualSound* sound);
    void Register(GSoundStream* stream);
    void Unregister(GSoundStream* stream);
    // Finds a second-list channel for the sound and starts it; false when
    // every channel holds a sound that ranks higher. Reviving is a waiting
    // loop's new try.
    bool StartVirtual(GVirtualSound* sound, bool reviving = false);
    // Starts a stream voice; -1 when every stream channel is busy.
    int32_t StartStreamVoice(int32_t rate, int32_t channels);

private:
    struct PlainChannel {
        int32_t handle = -1;
        int32_t priority = 0;
        uint64_t serial = 0;
    };
    int32_t FindPlainChannel(int32_t priority);
    int32_t FindVirtualChannel(GVirtualSound* sound, bool reviving);
    void FindOwners(GVirtualSound** owners) const;
    void ReviveWaitingLoops();
    void PumpOutput();

    std::unique_ptr<AudioDevice> mDevice;
    std::unique_ptr<AudioMixer> mMixer;
    std::map<int32_t, std::unique_ptr<GSound>> mCache;
    std::vector<GVirtualSound*> mSounds;
    std::vector<GSoundStream*> mStreams;
    PlainChannel mPlain[kFirstListChannels];
    std::string mFolder;
    ListenerTransform mTransform = nullptr;
    Clock mClock = nullptr;
    uint32_t mLastPump = 0;
    uint64_t mSerial = 0;
    bool mActive = true;
};

extern GSoundManager* gSound;
