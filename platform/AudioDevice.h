#pragma once
// The sound card: 16-bit stereo output through SDL's queue. The program mixes
// on its main loop and keeps a little audio queued ahead; SDL's own thread
// only drains that queue, so it never waits for the program.

#include <cstdint>

class AudioDevice {
public:
    AudioDevice() = default;
    ~AudioDevice();
    AudioDevice(const AudioDevice&) = delete;
    AudioDevice& operator=(const AudioDevice&) = delete;

    // Opens the default output at `rate` frames a second, stereo; false when
    // the machine has no usable device (the program then runs silent).
    bool Open(int32_t rate);
    void Close();
    bool IsOpen() const { return mDevice != 0; }
    // The rate the device really runs at.
    int32_t Rate() const { return mRate; }
    // Stereo frames queued and not yet played.
    int32_t QueuedFrames() const;
    // Appends interleaved stereo frames to the queue.
    bool Queue(const int16_t* frames, int32_t count);

private:
    uint32_t mDevice = 0;
    int32_t mRate = 0;
    bool mSubsystem = false;
};
