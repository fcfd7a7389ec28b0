#include "engine/GFile.h"

#include <stdlib.h>
#include <unistd.h>

#include <cerrno>

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "engine/CompressedStream.h"
#include "engine/GEncoder.h"
#include "engine/GString.h"

namespace {

// No file the game writes comes near this; a larger one is refused rather
// than read into memory.
constexpr long kMaxImageSize = 1L << 30;

bool IsReadMode(FileMode mode)
{
    return mode == kFileModePlainRead || mode == kFileModeCompressedRead ||
           mode == kFileModeMailRead;
}

bool IsWriteMode(FileMode mode)
{
    return mode == kFileModePlainWrite || mode == kFileModeCompressedWrite ||
           mode == kFileModeMailWrite;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& image)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    bool ok = std::fseek(file, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(file) : -1;
    ok = ok && size >= 0 && size <= kMaxImageSize && std::fseek(file, 0, SEEK_SET) == 0;
    if (ok) {
        image.resize(static_cast<size_t>(size));
        ok = std::fread(image.data(), 1, image.size(), file) == image.size();
    }
    std::fclose(file);
    return ok;
}

// A new, empty file beside `path` with a unique name; its name in `temporary`.
// -1 when the folder cannot take a file.
int CreateSibling(const std::string& path, std::string& temporary)
{
    temporary = path + ".part-XXXXXX";
    return mkstemp(temporary.data());
}

// True when a file can be made in the folder that is to hold `path`. The old
// file at `path` is left as it is.
bool FolderTakesFile(const std::string& path)
{
    std::string temporary;
    const int descriptor = CreateSibling(path, temporary);
    if (descriptor < 0) return false;
    close(descriptor);
    std::remove(temporary.c_str());
    return true;
}

bool WriteAll(int descriptor, const uint8_t* data, size_t count)
{
    while (count > 0) {
        const ssize_t written = write(descriptor, data, count);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        count -= static_cast<size_t>(written);
    }
    return true;
}

// Replaces the file at `path` with `image` whole or not at all: the bytes go
// to a file beside it, reach the disk, and only then take its name. On any
// failure the old file stays and the partial one is removed.
bool ReplaceFile(const std::string& path, const std::vector<uint8_t>& image)
{
    std::string temporary;
    const int descriptor = CreateSibling(path, temporary);
    if (descriptor < 0) return false;
    bool ok = WriteAll(descriptor, image.data(), image.size());
    ok = ok && fsync(descriptor) == 0;
    ok = (close(descriptor) == 0) && ok;
    ok = ok && std::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) std::remove(temporary.c_str());
    return ok;
}

// A game file: the first 1024 bytes of the stream plain (zero-filled when
// the stream is shorter), the rest as one compressed stream.
bool EncodeGameForm(const std::vector<uint8_t>& stream, std::vector<uint8_t>& image)
{
    const size_t plain = std::min(stream.size(), size_t{kFilePlainHeaderSize});
    image.assign(stream.begin(), stream.begin() + plain);
    image.resize(kFilePlainHeaderSize, 0);
    return CompressedStream::Compress(stream.data() + plain, stream.size() - plain, image);
}

bool DecodeGameForm(const uint8_t* image, size_t count, std::vector<uint8_t>& stream)
{
    if (count < size_t{kFilePlainHeaderSize}) return false;
    stream.assign(image, image + kFilePlainHeaderSize);
    return CompressedStream::Decompress(image + kFilePlainHeaderSize,
                                        count - kFilePlainHeaderSize, stream);
}

}  // namespace

GFile::GFile() = default;

GFile::~GFile() { Close(); }

void GFile::Close()
{
    FlushPending();
    if (mTemporary && !mPath.empty()) std::remove(mPath.c_str());
    Reset();
}

void GFile::Reset()
{
    mPath.clear();
    mMode = kFileModePlainRead;
    mData.clear();
    mPosition = 0;
    mCRC = 0;
    mWriting = mPending = mFailed = mTemporary = mInMemory = false;
}

bool GFile::IFile(const char* path, FileMode mode)
{
    Close();
    if (!path || !*path || !(IsReadMode(mode) || IsWriteMode(mode))) return false;
    mPath = path;
    mMode = mode;
    if (IsWriteMode(mode)) {
        // A folder that cannot take the file fails here, not silently when
        // the file is closed; the old file is replaced only once the new one
        // is whole on the disk.
        if (!FolderTakesFile(mPath)) {
            Reset();
            return false;
        }
        mWriting = mPending = true;
        return true;
    }
    std::vector<uint8_t> image;
    if (!ReadWholeFile(mPath, image) || !DecodeImage(image)) {
        Reset();
        return false;
    }
    return true;
}

bool GFile::ITempFile(bool compressed)
{
    Close();
    std::error_code error;
    std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    if (error) folder = "/tmp";
    std::string name = (folder / "dunmarch-XXXXXX").string();
    const int descriptor = mkstemp(name.data());
    if (descriptor < 0) return false;
    close(descriptor);
    mPath = name;
    mMode = compressed ? kFileModeTemporaryCompressed : kFileModeTemporary;
    mTemporary = true;
    mWriting = mPending = true;
    return true;
}

void GFile::IMemoryFile()
{
    Close();
    mMode = kFileModeTemporary;
    mInMemory = true;
    mWriting = true;
}

bool GFile::DecodeImage(std::vector<uint8_t>& image)
{
    mData.clear();
    switch (mMode) {
    case kFileModePlainRead:
        mData.swap(image);
        return true;
    case kFileModeCompressedRead:
        return DecodeGameForm(image.data(), image.size(), mData);
    case kFileModeMailRead: {
        std::vector<uint8_t> game;
        if (!PBEMText::Unwrap(reinterpret_cast<const char*>(image.data()), image.size(), game,
                              &mCRC))
            return false;
        if (DecodeGameForm(game.data(), game.size(), mData)) return true;
        mCRC = 0;
        return false;
    }
    default:
        return false;
    }
}

bool GFile::EncodeImage(std::vector<uint8_t>& image)
{
    switch (mMode) {
    case kFileModeCompressedWrite:
        return EncodeGameForm(mData, image);
    case kFileModeMailWrite: {
        std::vector<uint8_t> game;
        if (!EncodeGameForm(mData, game)) return false;
        const std::string text = PBEMText::Wrap(game.data(), game.size(), &mCRC);
        image.assign(text.begin(), text.end());
        return true;
    }
    case kFileModeTemporaryCompressed:
        image.clear();
        return CompressedStream::Compress(mData.data(), mData.size(), image);
    default:
        image = mData;
        return true;
    }
}

bool GFile::StoreImage(const std::vector<uint8_t>& image)
{
    if (!mTemporary) return ReplaceFile(mPath, image);
    std::FILE* file = std::fopen(mPath.c_str(), "wb");
    if (!file) return false;
    bool ok = image.empty() || std::fwrite(image.data(), 1, image.size(), file) == image.size();
    ok = (std::fclose(file) == 0) && ok;
    return ok;
}

bool GFile::Commit()
{
    FlushPending();
    return !mFailed;
}

void GFile::FlushPending()
{
    if (!mWriting || !mPending) return;
    mPending = false;
    if (mInMemory) return;
    std::vector<uint8_t> image;
    if (!EncodeImage(image) || !StoreImage(image)) mFailed = true;
}

// ---- writing ------------------------------------------------------------

void GFile::Put(const void* data, size_t count)
{
    if (!mWriting) {
        mFailed = true;
        return;
    }
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    mData.insert(mData.end(), bytes, bytes + count);
    mPending = true;
}

void GFile::WriteChar(int8_t value) { Put(&value, 1); }

void GFile::WriteShort(int16_t value)
{
    const uint16_t v = static_cast<uint16_t>(value);
    const uint8_t bytes[2] = {uint8_t(v >> 8), uint8_t(v)};
    Put(bytes, 2);
}

void GFile::WriteLong(int32_t value)
{
    const uint32_t v = static_cast<uint32_t>(value);
    const uint8_t bytes[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
    Put(bytes, 4);
}

void GFile::WriteFloat(float value) { WriteLong(std::bit_cast<int32_t>(value)); }

void GFile::WriteBytes(const void* data, int32_t count)
{
    if (count < 1 || !data) return;
    Put(data, static_cast<size_t>(count));
}

void GFile::WriteShortArray(const int16_t* values, int32_t count)
{
    if (count < 1 || !values) return;
    for (int32_t i = 0; i < count; ++i) WriteShort(values[i]);
}

void GFile::WriteZeros(int32_t count)
{
    if (count < 1) return;
    if (!mWriting) {
        mFailed = true;
        return;
    }
    mData.resize(mData.size() + static_cast<size_t>(count), 0);
    mPending = true;
}

void GFile::WriteFixed(float value, float scale)
{
    WriteShort(FixedStored(value, scale));
}

int16_t GFile::FixedStored(float value, float scale)
{
    // floor(value × scale + 0.5): halves round up on both sides of zero, so
    // a stored number read back (n / scale) stores as n again and a value
    // saved and loaded any number of times keeps its bytes. Held to the
    // 16-bit range instead of wrapping round to the opposite sign; NaN
    // stores 0.
    const float scaled = value * scale + 0.5f;
    int16_t stored = 0;
    if (scaled >= 32767.0f) stored = 32767;
    else if (scaled <= -32768.0f) stored = -32768;
    else if (scaled == scaled) stored = static_cast<int16_t>(std::floor(scaled));
    return stored;
}

// ---- reading ------------------------------------------------------------

// The next count bytes, or null (with the error state set and the rest of
// the data passed over) when fewer remain. The position never passes the
// end of the data.
const uint8_t* GFile::Take(int32_t count)
{
    if (!mWriting && static_cast<size_t>(count) <= mData.size() - mPosition) {
        const uint8_t* bytes = mData.data() + mPosition;
        mPosition += static_cast<size_t>(count);
        return bytes;
    }
    mFailed = true;
    if (!mWriting) mPosition = mData.size();
    return nullptr;
}

int8_t GFile::ReadChar()
{
    const uint8_t* b = Take(1);
    return b ? static_cast<int8_t>(b[0]) : 0;
}

int16_t GFile::ReadShort()
{
    const uint8_t* b = Take(2);
    return b ? static_cast<int16_t>(uint16_t(b[0] << 8 | b[1])) : 0;
}

int32_t GFile::ReadLong()
{
    const uint8_t* b = Take(4);
    if (!b) return 0;
    uint32_t v;
    std::memcpy(&v, b, 4);
    if constexpr (std::endian::native == std::endian::little) v = __builtin_bswap32(v);
    return static_cast<int32_t>(v);
}

float GFile::ReadFloat() { return std::bit_cast<float>(ReadLong()); }

void GFile::ReadBytes(void* data, int32_t count)
{
    if (count < 1 || !data) return;
    const uint8_t* b = Take(count);
    if (b) std::memcpy(data, b, static_cast<size_t>(count));
    else std::memset(data, 0, static_cast<size_t>(count));
}

void GFile::ReadShortArray(int16_t* values, int32_t count)
{
    if (count < 1 || !values) return;
    for (int32_t i = 0; i < count; ++i) values[i] = ReadShort();
}

void GFile::Skip(int32_t count)
{
    if (count < 1) return;
    Take(count);
}

float GFile::ReadFixed(float scale) { return static_cast<float>(ReadShort()) / scale; }

// ---- whole-file operations ------------------------------------------------

void GFile::Rewind()
{
    FlushPending();
    mWriting = false;
    mPosition = 0;
}

void GFile::GetName(GString* name) const
{
    if (!name) return;
    // The last part of the path, up to its last dot (a leading dot belongs
    // to the name).
    const std::string file = std::filesystem::path(mPath).filename().string();
    const size_t dot = file.rfind('.');
    const std::string stem = (dot == std::string::npos || dot == 0) ? file : file.substr(0, dot);
    name->IStringText(stem.c_str());
}

int32_t GFile::GetFileLength() const
{
    return static_cast<int32_t>(std::min(mData.size(), size_t{INT32_MAX}));
}

int32_t GFile::GetRemaining() const
{
    if (mWriting || mPosition >= mData.size()) return 0;
    return static_cast<int32_t>(std::min(mData.size() - mPosition, size_t{INT32_MAX}));
}

void GFile::FlushCompressedAndRewindAsPlainRead()
{
    std::vector<uint8_t> packed;
    mPending = false;
    mWriting = false;
    mPosition = 0;
    if (!CompressedStream::Compress(mData.data(), mData.size(), packed) || (!mInMemory && !StoreImage(packed)))
        mFailed = true;
    mData.swap(packed);
}

bool GFile::RewindAndReadAsCompressed()
{
    FlushPending();
    mWriting = false;
    mPosition = 0;
    std::vector<uint8_t> plain;
    if (!CompressedStream::Decompress(mData.data(), mData.size(), plain)) {
        mFailed = true;
        mData.clear();
        return false;
    }
    mData.swap(plain);
    return true;
}
