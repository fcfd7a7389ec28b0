// Compressed game files through GFile against plain zlib on the same bytes.
// The stream imitates a saved game: unit records of small numbers,
// fixed-point positions, floats, names and runs of reserved zeros.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/GFile.h"

namespace {

constexpr size_t kStreamBytes = 5u << 20;

// Collects the bytes the record writer makes, for the zlib side.
class ByteSink {
public:
    void WriteChar(int8_t v) { mBytes.push_back(uint8_t(v)); }
    void WriteShort(int16_t v)
    {
        mBytes.push_back(uint8_t(uint16_t(v) >> 8));
        mBytes.push_back(uint8_t(v));
    }
    void WriteLong(int32_t v)
    {
        WriteShort(int16_t(uint32_t(v) >> 16));
        WriteShort(int16_t(v));
    }
    void WriteFloat(float v)
    {
        int32_t bits;
        std::memcpy(&bits, &v, 4);
        WriteLong(bits);
    }
    void WriteFixed(float v, float scale) { WriteShort(int16_t(v * scale + 0.5f)); }
    void WriteBytes(const void* p, int32_t n)
    {
        mBytes.insert(mBytes.end(), static_cast<const uint8_t*>(p),
                      static_cast<const uint8_t*>(p) + n);
    }
    void WriteZeros(int32_t n) { mBytes.resize(mBytes.size() + size_t(n), 0); }
    std::vector<uint8_t> mBytes;
};

// Writes unit-like records until about kStreamBytes are written. A small
// generator of its own keeps the data the same on every run.
template <class Sink>
size_t WriteSavedGame(Sink& sink)
{
    uint32_t state = 12345;
    auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return int32_t((state >> 16) & 0x7FFF);
    };
    static const char kNames[][16] = {"Gefreiter Kurz", "Leutnant Wolf", "Feldwebel Berg"};
    size_t written = 0;
    for (int32_t unit = 0; written < kStreamBytes; ++unit) {
        sink.WriteChar(int8_t(unit & 3));
        sink.WriteShort(int16_t(unit));
        sink.WriteLong(next() % 1000);
        sink.WriteFixed(float(next() % 4000) * 0.37f, 10.0f);
        sink.WriteFixed(float(next() % 4000) * 0.41f, 10.0f);
        sink.WriteFixed(float(next() % 200) * 0.5f, 10.0f);
        sink.WriteFloat(float(next() % 360));
        sink.WriteBytes(kNames[unit % 3], 16);
        for (int i = 0; i < 12; ++i) sink.WriteShort(int16_t(next() % 8));
        sink.WriteZeros(24);
        written += 1 + 2 + 4 + 6 + 4 + 16 + 24 + 24;
    }
    return written;
}

const std::vector<uint8_t>& SavedGameBytes()
{
    static const std::vector<uint8_t> bytes = [] {
        ByteSink sink;
        WriteSavedGame(sink);
        return sink.mBytes;
    }();
    return bytes;
}

std::string BenchPath(const char* name) { return std::string("/tmp/dm-bench-") + name; }

bool WriteAll(const std::string& path, const uint8_t* data, size_t n)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(data, 1, n, f) == n;
    return std::fclose(f) == 0 && ok;
}

std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::vector<uint8_t> bytes;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return bytes;
    std::fseek(f, 0, SEEK_END);
    bytes.resize(size_t(std::ftell(f)));
    std::fseek(f, 0, SEEK_SET);
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
    std::fclose(f);
    return bytes;
}

// zlib's own one-call compression at the level GFile uses, behind the same
// 1024 plain bytes.
std::vector<uint8_t> ZlibGameImage(const std::vector<uint8_t>& data)
{
    uLongf packed = compressBound(uLong(data.size()));
    std::vector<uint8_t> image(1024 + packed);
    std::memcpy(image.data(), data.data(), 1024);
    compress2(image.data() + 1024, &packed, data.data() + 1024, uLong(data.size() - 1024), 6);
    image.resize(1024 + packed);
    return image;
}

void BM_GFileCompressedWrite(benchmark::State& state)
{
    const std::string path = BenchPath("gfile.mvg");
    for (auto _ : state) {
        GFile file;
        file.IFile(path.c_str(), kFileModeCompressedWrite);
        WriteSavedGame(file);
        file.Rewind();  // compresses and stores
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(SavedGameBytes().size()));
    std::remove(path.c_str());
}

void BM_ZlibCompressWrite(benchmark::State& state)
{
    const std::vector<uint8_t>& data = SavedGameBytes();
    const std::string path = BenchPath("zlib.mvg");
    for (auto _ : state) {
        const std::vector<uint8_t> image = ZlibGameImage(data);
        WriteAll(path, image.data(), image.size());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
    std::remove(path.c_str());
}

void BM_GFileCompressedRead(benchmark::State& state)
{
    const std::string path = BenchPath("gfile-read.mvg");
    {
        GFile file;
        file.IFile(path.c_str(), kFileModeCompressedWrite);
        WriteSavedGame(file);
    }
    const int32_t longs = int32_t(SavedGameBytes().size() / 4);
    for (auto _ : state) {
        GFile file;
        file.IFile(path.c_str(), kFileModeCompressedRead);
        int32_t sum = 0;
        for (int32_t i = 0; i < longs; ++i) sum += file.ReadLong();
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(SavedGameBytes().size()));
    std::remove(path.c_str());
}

void BM_ZlibUncompressRead(benchmark::State& state)
{
    const std::vector<uint8_t>& data = SavedGameBytes();
    const std::string path = BenchPath("zlib-read.mvg");
    const std::vector<uint8_t> stored = ZlibGameImage(data);
    WriteAll(path, stored.data(), stored.size());
    for (auto _ : state) {
        // Like any reader of a file, it needs fresh memory for the result;
        // unlike GFile it is told the expanded size.
        std::vector<uint8_t> plain(data.size());
        const std::vector<uint8_t> image = ReadAll(path);
        std::memcpy(plain.data(), image.data(), 1024);
        uLongf length = uLongf(plain.size() - 1024);
        uncompress(plain.data() + 1024, &length, image.data() + 1024, uLong(image.size() - 1024));
        benchmark::DoNotOptimize(plain.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
    std::remove(path.c_str());
}

}  // namespace

BENCHMARK(BM_GFileCompressedWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibCompressWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GFileCompressedRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibUncompressRead)->Unit(benchmark::kMillisecond);
