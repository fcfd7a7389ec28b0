#pragma once
// Reading RIFF WAVE files: uncompressed PCM, 8 or 16 bits, mono or stereo,
// any rate. Samples come out as interleaved signed 16-bit frames, whatever
// the file holds. A file that is not such a WAVE file is refused whole.

#include <cstdint>
#include <cstdio>
#include <vector>

// PCM sound data in memory: interleaved signed 16-bit frames.
struct AudioSample {
    int32_t rate = 0;
    int32_t channels = 0; // 1 or 2
    std::vector<int16_t> data;
    int32_t FrameCount() const { return channels > 0 ? static_cast<int32_t>(data.size() / channels) : 0; }
};

struct WavFormat {
    int32_t rate = 0;
    int32_t channels = 0;
    int32_t bits = 0;
};

// A WAVE file read piece by piece, for sounds too long to hold at once.
class WavStream {
public:
    WavStream() = default;
    ~WavStream();
    WavStream(const WavStream&) = delete;
    WavStream& operator=(const WavStream&) = delete;

    // Opens and checks the file; false (and nothing open) when it is missing
    // or not a PCM WAVE file this reader takes.
    bool Open(const char* path);
    // Takes over an open stdio stream (closed by this object); used for
    // in-memory images.
    bool OpenStream(FILE* file);
    void Close();
    bool IsOpen() const { return mFile != nullptr; }
    const WavFormat& Format() const { return mFormat; }
    int64_t FrameCount() const { return mDataFrames; }
    int64_t FramesLeft() const { return mDataFrames - mFramePos; }
    // Reads up to maxFrames frames into out (maxFrames x channels values);
    // returns the number read, 0 at the end or on a read error.
    int32_t ReadFrames(int16_t* out, int32_t maxFrames);
    // Back to the first frame.
    bool Rewind();

private:
    bool ReadChunks();
    FILE* mFile = nullptr;
    WavFormat mFormat;
    int64_t mDataStart = 0;
    int64_t mDataFrames = 0;
    int64_t mFramePos = 0;
    int32_t mBlockAlign = 0;
};

// Loads a whole WAVE file; false (sample left empty) when it cannot.
bool LoadWavFile(const char* path, AudioSample* sample);
