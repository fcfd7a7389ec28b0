#include "engine/GVirtualSound.h"

#include <algorithm>

#include "engine/GSound.h"
#include "engine/GSoundManager.h"

GVirtualSound::~GVirtualSound() {
    Stop();
    if (mManager) mManager->Unregister(this);
}

void GVirtualSound::IVirtualSound(GSoundManager* manager, int32_t id, int32_t priority, int32_t instanceLimit,
                                  bool loop) {
    Stop();
    if (mManager) mManager->Unregister(this);
    mManager = manager;
    mID = id;
    mPriority = priority;
    mInstanceLimit = instanceLimit;
    mLoop = loop;
    mState = State::kIdle;
    mSample.reset();
    if (!mManager) return;
    mManager->Register(this);
    if (GSound* sound = mManager->GetSound(id)) mSample = sound->GetSample();
}

void GVirtualSound::Play() {
    Stop();
    if (!mManager || !mSample) {
        mState = State::kDone;
        return;
    }
    if (mManager->StartVirtual(this)) return;
    // No channel: a loop waits for one, a one-shot is simply not heard.
    mState = mLoop ? State::kVirtual : State::kDone;
}

bool GVirtualSound::IsComplete() {
    if (mState == State::kPlaying && !(mManager && mManager->GetMixer()->IsPlaying(mHandle))) {
        mState = State::kDone;
        mHandle = -1;
    }
    return mState == State::kDone;
}

void GVirtualSound::Stop() {
    if (mState == State::kPlaying && mManager) mManager->GetMixer()->Stop(mHandle);
    mHandle = -1;
    if (mState != State::kIdle) mState = State::kDone;
}

float GVirtualSound::Loudness() const {
    float l = 0, r = 0;
    ComputeGains(mSample ? mSample->channels : 1, &l, &r);
    return std::max(l, r);
}

void GVirtualSound::ComputeGains(int32_t channels, float* left, float* right) const {
    PanGains(1.0f, 0.0f, channels, left, right);
}

void GVirtualSound::UpdateGains() {
    if (mState != State::kPlaying || !mManager || !mSample) return;
    float l = 0, r = 0;
    ComputeGains(mSample->channels, &l, &r);
    mManager->GetMixer()->SetGains(mHandle, l, r);
}

void GVirtualSound::Detach() {
    mManager = nullptr;
    mHandle = -1;
    if (mState == State::kPlaying || mState == State::kVirtual) mState = State::kDone;
}

void GVirtualSound::TookVoice(int32_t handle, uint64_t serial) {
    mHandle = handle;
    mSerial = serial;
    mState = State::kPlaying;
}

void GVirtualSound::LostVoice() {
    mHandle = -1;
    mState = mLoop ? State::kVirtual : State::kDone;
}
