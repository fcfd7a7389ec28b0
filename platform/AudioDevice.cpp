#include "platform/AudioDevice.h"

#include <SDL.h>

namespace {
constexpr int32_t kFrameBytes = 2 * static_cast<int32_t>(sizeof(int16_t));
}

AudioDevice::~AudioDevice() {
    Close();
}

bool AudioDevice::Open(int32_t rate) {
    Close();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    mSubsystem = true;
    SDL_AudioSpec want{};
    SDL_AudioSpec have{};
    want.freq = rate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = nullptr; // queued output
    mDevice = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    if (mDevice == 0) {
        Close();
        return false;
    }
    mRate = have.freq;
    SDL_PauseAudioDevice(mDevice, 0);
    return true;
}

void AudioDevice::Close() {
    if (mDevice != 0) SDL_CloseAudioDevice(mDevice);
    mDevice = 0;
    mRate = 0;
    if (mSubsystem) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    mSubsystem = false;
}

int32_t AudioDevice::QueuedFrames() const {
    if (mDevice == 0) return 0;
    return static_cast<int32_t>(SDL_GetQueuedAudioSize(mDevice) / kFrameBytes);
}

bool AudioDevice::Queue(const int16_t* frames, int32_t count) {
    if (mDevice == 0 || count <= 0) return false;
    return SDL_QueueAudio(mDevice, frames, static_cast<Uint32>(count * kFrameBytes)) == 0;
}
