#pragma once
// A sound that plays through the sound manager's channels when one is free
// for it, and otherwise only "virtually": a one-shot without a channel is
// over at once, a loop waits until a channel frees up. Deleting a sound
// stops it.

#include <cstdint>
#include <memory>

#include "engine/GObject.h"
#include "platform/WavReader.h"

class GSoundManager;

class GVirtualSound : public GObject {
public:
    enum class State { kIdle, kPlaying, kVirtual, kDone };

    GVirtualSound() = default;
    ~GVirtualSound() override;
    GVirtualSound(const GVirtualSound&) = delete;
    GVirtualSound& operator=(const GVirtualSound&) = delete;

    // Starts the sound from its beginning.
    virtual void Play();
    // True when the sound is no longer playing (or could not play).
    virtual bool IsComplete();
    void Stop();

    int32_t GetID() const { return mID; }
    int32_t GetPriority() const { return mPriority; }
    int32_t GetInstanceLimit() const { return mInstanceLimit; }
    bool IsLooping() const { return mLoop; }
    State GetState() const { return mState; }
    // The larger of the two channel gains this sound asks for; the channel
    // search gives way to louder sounds of the same priority.
    float Loudness() const;

protected:
    // Takes the arguments and registers the sound with the manager.
    void IVirtualSound(GSoundManager* manager, int32_t id, int32_t priority, int32_t instanceLimit,
                       bool loop);
    // The gains for a source of `channels` channels; a plain sound is centred.
    virtual void ComputeGains(int32_t channels, float* left, float* right) const;
    // Sends freshly computed gains to the playing voice.
    void UpdateGains();
    GSoundManager* GetManager() const { return mManager; }

private:
    friend class GSoundManager;
    void Detach();
    // Called by the manager when a channel has started this sound, or when
    // it takes the channel away for another sound.
    void TookVoice(int32_t handle, uint64_t serial);
    void LostVoice();

    GSoundManager* mManager = nullptr;
    std::shared_ptr<const AudioSample> mSample;
    int32_t mID = -1;
    int32_t mPriority = 0;
    int32_t mInstanceLimit = 0;
    int32_t mHandle = -1;
    uint64_t mSerial = 0; // when it got its channel; the oldest instance gives way first
    State mState = State::kIdle;
    bool mLoop = false;
};
