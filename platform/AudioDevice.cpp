#include "platform/AudioDevice.h"

#include <SDL.h>
#include <cstring>

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
    want.samples = 1024; // about 23 ms a block at 44.1 kHz
    want.callback = &AudioDevice::Callback;
    want.userdata = this;
    mDevice = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    if (mDevice == 0) {
        Close();
        return false;
    }
    mRate = have.freq;
    return true;
}

void AudioDevice::Play(Source source, void* context) {
    if (mDevice == 0) return;
    SDL_LockAudioDevice(mDevice);
    mSource = source;
    mContext = context;
    SDL_UnlockAudioDevice(mDevice);
    SDL_PauseAudioDevice(mDevice, 0);
}

void AudioDevice::Close() {
    // Closing waits for the audio thread, so the source is not called again.
    if (mDevice != 0) SDL_CloseAudioDevice(mDevice);
    mDevice = 0;
    mRate = 0;
    mSource = nullptr;
    mContext = nullptr;
    if (mSubsystem) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    mSubsystem = false;
}

void AudioDevice::Callback(void* self, uint8_t* stream, int len) {
    const AudioDevice* device = static_cast<const AudioDevice*>(self);
    if (device->mSource)
        device->mSource(device->mContext, stream, len);
    else
        std::memset(stream, 0, static_cast<size_t>(len));
}
