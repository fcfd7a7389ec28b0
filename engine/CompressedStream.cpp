#include "engine/CompressedStream.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

namespace {

// zlib counts in uInt; feed it in chunks that always fit.
constexpr size_t kChunk = size_t{1} << 30;

// Level 6 is zlib's own default balance of speed and size.
constexpr int kLevel = 6;

}  // namespace

bool CompressedStream::Compress(const uint8_t* data, size_t count, std::vector<uint8_t>& out)
{
    z_stream z{};
    if (deflateInit(&z, kLevel) != Z_OK) return false;
    const size_t start = out.size();
    out.resize(start + deflateBound(&z, static_cast<uLong>(std::min(count, kChunk))) + 64);
    size_t written = start;
    size_t consumed = 0;
    int status = Z_OK;
    while (status != Z_STREAM_END) {
        const size_t inChunk = std::min(count - consumed, kChunk);
        z.next_in = const_cast<Bytef*>(data + consumed);
        z.avail_in = static_cast<uInt>(inChunk);
        if (written == out.size()) out.resize(out.size() + out.size() / 2 + 4096);
        z.next_out = out.data() + written;
        z.avail_out = static_cast<uInt>(std::min(out.size() - written, kChunk));
        const uInt availOut = z.avail_out;
        const int flush = (consumed + inChunk == count) ? Z_FINISH : Z_NO_FLUSH;
        status = deflate(&z, flush);
        if (status == Z_STREAM_ERROR) break;
        consumed += inChunk - z.avail_in;
        written += availOut - z.avail_out;
    }
    deflateEnd(&z);
    if (status != Z_STREAM_END) {
        out.resize(start);
        return false;
    }
    out.resize(written);
    return true;
}

bool CompressedStream::Decompress(const uint8_t* data, size_t count, std::vector<uint8_t>& out,
                                  size_t maxSize)
{
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return false;
    const size_t start = out.size();
    // A first guess at the expanded size: game data rarely packs tighter
    // than 1:8, and growing the buffer later costs a copy.
    out.resize(start + std::min(maxSize, std::max<size_t>(count * 8, 65536)));
    size_t written = start;
    size_t consumed = 0;
    int status = Z_OK;
    while (status == Z_OK) {
        if (written == out.size()) {
            const size_t have = written - start;
            if (have >= maxSize) break;
            out.resize(start + std::min(maxSize, have * 2));
        }
        const size_t inChunk = std::min(count - consumed, kChunk);
        z.next_in = const_cast<Bytef*>(data + consumed);
        z.avail_in = static_cast<uInt>(inChunk);
        z.next_out = out.data() + written;
        z.avail_out = static_cast<uInt>(std::min(out.size() - written, kChunk));
        const uInt availOut = z.avail_out;
        status = inflate(&z, Z_NO_FLUSH);
        consumed += inChunk - z.avail_in;
        written += availOut - z.avail_out;
        // No progress with input exhausted: the stream is cut short.
        if (status == Z_BUF_ERROR || (status == Z_OK && consumed == count && z.avail_out != 0))
            break;
    }
    inflateEnd(&z);
    // Exactly one complete stream, with nothing behind it.
    if (status != Z_STREAM_END || consumed != count) {
        out.resize(start);
        return false;
    }
    out.resize(written);
    return true;
}
