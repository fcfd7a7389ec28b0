#pragma once
// The engine's compressed byte stream: a zlib-format deflate stream (with
// its Adler-32 check, so that damage is detected on reading). Game files
// keep one behind their plain header; temporary files are compressed as a
// whole before they travel.

#include <cstddef>
#include <cstdint>
#include <vector>

class CompressedStream {
public:
    // Upper bound of a decompressed stream. Real game files stay far below
    // it; a damaged or hostile file cannot make the reader take more.
    static constexpr size_t kMaxExpandedSize = size_t{256} << 20;

    // Appends the compressed form of data[0..count) to out.
    static bool Compress(const uint8_t* data, size_t count, std::vector<uint8_t>& out);
    // Appends the decompressed contents of data[0..count) to out. The input
    // must be exactly one complete stream that passes its check; false
    // otherwise (out is then restored to its old size).
    static bool Decompress(const uint8_t* data, size_t count, std::vector<uint8_t>& out,
                           size_t maxSize = kMaxExpandedSize);
};
