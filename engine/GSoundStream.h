#pragma once
// A long sound (music, ambience) read from its file piece by piece while it
// plays. The sound manager refills it from the main loop; the caller owns
// the stream and deleting it stops the sound.

#include <cstdint>
#include <vector>

#include "engine/GObject.h"
#include "platform/WavReader.h"

class GSoundManager;

class GSoundStream : public GObject {
public:
    GSoundStream() = default;
    ~GSoundStream() override;
    GSoundStream(const GSoundStream&) = delete;
    GSoundStream& operator=(const GSoundStream&) = delete;

    // Opens the sound's file and starts it on a free stream channel; false
    // (a silent, complete stream) when the file or a channel is missing.
    bool IStream(GSoundManager* manager, int32_t id, int32_t mode, bool loop);
    // Tops the channel's queue up from the file; a loop starts the file over.
    void Refill();
    void Stop();
    bool IsComplete() const;
    int32_t GetID() const { return mID; }
    int32_t GetMode() const { return mMode; }

private:
    friend class GSoundManager;
    void Detach();

    GSoundManager* mManager = nullptr;
    WavStream mWav;
    std::vector<int16_t> mBuffer;
    int32_t mID = -1;
    int32_t mMode = 0;
    int32_t mHandle = -1;
    bool mLoop = false;
};
