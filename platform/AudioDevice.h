#pragma once
// The sound card: 16-bit stereo output. SDL's audio thread asks a source
// for each block the card needs, so sound plays on in time while the main
// loop is busy or waits (a long computation, the pause before quitting).
// The source must be safe to call from that thread.

#include <cstdint>

class AudioDevice {
public:
    // Fills `bytes` bytes of interleaved 16-bit stereo output.
    using Source = void (*)(void* context, uint8_t* out, int32_t bytes);

    AudioDevice() = default;
    ~AudioDevice();
    AudioDevice(const AudioDevice&) = delete;
    AudioDevice& operator=(const AudioDevice&) = delete;

    // Opens the default output at about `rate` frames a second, stereo,
    // paused; false when the machine has no usable device (the program then
    // runs silent).
    bool Open(int32_t rate);
    // Starts output from the source; until then, and without one, the card
    // plays silence.
    void Play(Source source, void* context);
    // Stops output; after it returns the source is no longer called.
    void Close();
    bool IsOpen() const { return mDevice != 0; }
    // The rate the device really runs at.
    int32_t Rate() const { return mRate; }

private:
    static void Callback(void* self, uint8_t* stream, int len);

    uint32_t mDevice = 0;
    int32_t mRate = 0;
    bool mSubsystem = false;
    Source mSource = nullptr;
    void* mContext = nullptr;
};
