// Compressed game files: a 1024-byte plain part and a compressed rest.
// A file that opens is written again, read and written once more: the
// two files must be the same bytes.
#include "FuzzFileReader.h"

#include <vector>

#include "engine/CompressedStream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The input as it came.
    FuzzOpenRoundTrip(data, size, kFileModeCompressedRead, kFileModeCompressedWrite);

    // The input as a well-formed game file, so that the record reading is
    // reached; then the same file cut short and with one byte changed, at
    // places the input chooses.
    std::vector<uint8_t> image(kFilePlainHeaderSize, 0);
    if (!CompressedStream::Compress(data, size, image)) return 0;
    FuzzOpenRoundTrip(image.data(), image.size(), kFileModeCompressedRead, kFileModeCompressedWrite);
    if (size < 2) return 0;
    const size_t packed = image.size() - kFilePlainHeaderSize;
    const size_t at = kFilePlainHeaderSize + (size_t(data[0]) << 8 | data[1]) % packed;
    std::vector<uint8_t> cut(image.begin(), image.begin() + at);
    FuzzOpen(cut.data(), cut.size(), kFileModeCompressedRead);
    image[at] ^= uint8_t(data[size - 1] | 1);
    FuzzOpen(image.data(), image.size(), kFileModeCompressedRead);
    return 0;
}
