#include "platform/WavReader.h"

#include <cstring>

namespace {
// Sounds longer than this are not sounds but damaged headers.
constexpr int64_t kMaxDataBytes = int64_t{1} << 30;
constexpr uint32_t kMaxRate = 192000;
constexpr uint16_t kFormatPCM = 1;

uint32_t Le32(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}
uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

bool FileSize(FILE* f, int64_t* size) {
    const long here = std::ftell(f);
    if (here < 0 || std::fseek(f, 0, SEEK_END) != 0) return false;
    const long end = std::ftell(f);
    if (end < 0 || std::fseek(f, here, SEEK_SET) != 0) return false;
    *size = end;
    return true;
}

// Checks a "fmt " chunk body and fills the format.
bool TakeFormat(const uint8_t* body, uint32_t size, WavFormat* format, int32_t* blockAlign) {
    if (size < 16) return false;
    const uint16_t tag = Le16(body);
    const uint16_t channels = Le16(body + 2);
    const uint32_t rate = Le32(body + 4);
    const uint16_t align = Le16(body + 12);
    const uint16_t bits = Le16(body + 14);
    if (tag != kFormatPCM || (channels != 1 && channels != 2)) return false;
    if (bits != 8 && bits != 16) return false;
    if (rate == 0 || rate > kMaxRate) return false;
    if (align != channels * (bits / 8)) return false;
    format->rate = static_cast<int32_t>(rate);
    format->channels = channels;
    format->bits = bits;
    *blockAlign = align;
    return true;
}
} // namespace

WavStream::~WavStream() {
    Close();
}

void WavStream::Close() {
    if (mFile) std::fclose(mFile);
    mFile = nullptr;
    mFormat = WavFormat{};
    mDataStart = mDataFrames = mFramePos = 0;
    mBlockAlign = 0;
}

bool WavStream::Open(const char* path) {
    Close();
    if (!path) return false;
    FILE* f = std::fopen(path, "rb");
    return f && OpenStream(f);
}

bool WavStream::OpenStream(FILE* file) {
    Close();
    if (!file) return false;
    mFile = file;
    if (!ReadChunks()) {
        Close();
        return false;
    }
    return true;
}

// Walks the RIFF chunks for "fmt " (before "data") and "data"; unknown
// chunks are skipped with their pad byte.
bool WavStream::ReadChunks() {
    int64_t fileSize = 0;
    uint8_t head[12];
    if (!FileSize(mFile, &fileSize) || std::fread(head, 1, 12, mFile) != 12) return false;
    if (std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0) return false;
    int64_t pos = 12;
    bool haveFormat = false;
    while (pos + 8 <= fileSize) {
        uint8_t chunk[8];
        if (std::fread(chunk, 1, 8, mFile) != 8) return false;
        const uint32_t size = Le32(chunk + 4);
        pos += 8;
        if (size > fileSize - pos) return false;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            uint8_t body[40] = {};
            const uint32_t take = size < sizeof body ? size : sizeof body;
            if (std::fread(body, 1, take, mFile) != take) return false;
            if (!TakeFormat(body, size, &mFormat, &mBlockAlign)) return false;
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat || size > kMaxDataBytes) return false;
            mDataStart = pos;
            mDataFrames = size / mBlockAlign;
            mFramePos = 0;
            return std::fseek(mFile, static_cast<long>(mDataStart), SEEK_SET) == 0;
        }
        pos += size + (size & 1);
        if (std::fseek(mFile, static_cast<long>(pos), SEEK_SET) != 0) return false;
    }
    return false;
}

int32_t WavStream::ReadFrames(int16_t* out, int32_t maxFrames) {
    if (!mFile || maxFrames <= 0) return 0;
    int64_t want = FramesLeft();
    if (want > maxFrames) want = maxFrames;
    if (want <= 0) return 0;
    const int32_t values = static_cast<int32_t>(want) * mFormat.channels;
    int32_t got = 0;
    if (mFormat.bits == 16) {
        // Read straight into out, then fix the byte order in place.
        uint8_t* raw = reinterpret_cast<uint8_t*>(out);
        got = static_cast<int32_t>(std::fread(raw, mBlockAlign, static_cast<size_t>(want), mFile));
        for (int32_t i = 0; i < got * mFormat.channels; ++i)
            out[i] = static_cast<int16_t>(Le16(raw + 2 * i));
    } else {
        std::vector<uint8_t> raw(static_cast<size_t>(values));
        got = static_cast<int32_t>(std::fread(raw.data(), mBlockAlign, static_cast<size_t>(want), mFile));
        for (int32_t i = 0; i < got * mFormat.channels; ++i)
            out[i] = static_cast<int16_t>((raw[i] - 128) * 256);
    }
    mFramePos += got;
    return got;
}

bool WavStream::Rewind() {
    if (!mFile || std::fseek(mFile, static_cast<long>(mDataStart), SEEK_SET) != 0) return false;
    mFramePos = 0;
    return true;
}

bool LoadWavFile(const char* path, AudioSample* sample) {
    sample->data.clear();
    sample->rate = sample->channels = 0;
    WavStream wav;
    if (!wav.Open(path)) return false;
    const int32_t channels = wav.Format().channels;
    std::vector<int16_t> data(static_cast<size_t>(wav.FrameCount() * channels));
    if (wav.ReadFrames(data.data(), static_cast<int32_t>(wav.FrameCount())) != wav.FrameCount()) return false;
    sample->rate = wav.Format().rate;
    sample->channels = channels;
    sample->data = std::move(data);
    return true;
}
