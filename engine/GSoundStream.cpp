#include "engine/GSoundStream.h"

#include "engine/GSound.h"
#include "engine/GSoundManager.h"

namespace {
// How far ahead of the voice the file is read, in milliseconds.
constexpr int32_t kAheadMs = 500;
constexpr int32_t kPieceFrames = 4096;
} // namespace

GSoundStream::~GSoundStream() {
    Stop();
    if (mManager) mManager->Unregister(this);
}

bool GSoundStream::IStream(GSoundManager* manager, int32_t id, int32_t mode, bool loop) {
    Stop();
    if (mManager) mManager->Unregister(this);
    mManager = manager;
    mID = id;
    mMode = mode;
    mLoop = loop;
    if (!mManager) return false;
    mManager->Register(this);
    const std::string path = GSound::MakePath(id, mManager->GetFolder());
    if (path.empty() || !mWav.Open(path.c_str()) || mWav.FrameCount() == 0) {
        mWav.Close();
        return false;
    }
    mHandle = mManager->StartStreamVoice(mWav.Format().rate, mWav.Format().channels);
    if (mHandle < 0) {
        mWav.Close();
        return false;
    }
    Refill();
    return true;
}

void GSoundStream::Refill() {
    if (!mManager || mHandle < 0 || !mWav.IsOpen()) return;
    AudioMixer* mixer = mManager->GetMixer();
    if (!mixer->IsPlaying(mHandle)) {
        mHandle = -1;
        mWav.Close();
        return;
    }
    const int32_t channels = mWav.Format().channels;
    const int32_t ahead = mWav.Format().rate * kAheadMs / 1000;
    mBuffer.resize(static_cast<size_t>(kPieceFrames * channels));
    bool rewound = false;
    while (mixer->StreamQueued(mHandle) < ahead) {
        const int32_t got = mWav.ReadFrames(mBuffer.data(), kPieceFrames);
        if (got > 0) {
            if (!mixer->PushStream(mHandle, mBuffer.data(), got)) return;
            rewound = false;
            continue;
        }
        // The end of the file: a loop reads it again, a single pass ends
        // once its queue has played (so does a loop whose file stops giving
        // frames).
        if (!mLoop || rewound || !mWav.Rewind()) {
            mixer->EndStream(mHandle);
            mWav.Close();
            return;
        }
        rewound = true;
    }
}

void GSoundStream::Stop() {
    if (mManager && mHandle >= 0) mManager->GetMixer()->Stop(mHandle);
    mHandle = -1;
    mWav.Close();
}

bool GSoundStream::IsComplete() const {
    return !mManager || mHandle < 0 || !mManager->GetMixer()->IsPlaying(mHandle);
}

void GSoundStream::Detach() {
    mManager = nullptr;
    mHandle = -1;
    mWav.Close();
}
