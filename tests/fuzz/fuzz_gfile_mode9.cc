// E-mail turn files: 6-bit text around a compressed game file.
// A file that opens is written again, read and written once more: the
// two files must be the same bytes.
#include "FuzzFileReader.h"

#include <string>
#include <vector>

#include "engine/GEncoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The text as it came.
    FuzzOpenRoundTrip(data, size, kFileModeMailRead, kFileModeMailWrite);

    // The input as the wrapped data with a correct CRC, so that the game
    // file inside is reached too.
    std::vector<uint8_t> game(kFilePlainHeaderSize, 0);
    game.insert(game.end(), data, data + size);
    const std::string text = PBEMText::Wrap(game.data(), game.size());
    FuzzOpenRoundTrip(reinterpret_cast<const uint8_t*>(text.data()), text.size(), kFileModeMailRead,
                      kFileModeMailWrite);
    return 0;
}
