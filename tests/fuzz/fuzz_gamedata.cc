// Any byte string given to the game data loader is either a valid block or
// refused; nothing half-loaded, no crash.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "units/DataBlock.h"
#include "units/Hack.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    LoadGameData(data, size);
    DeleteCryptoData();
    // Also feed the bytes as an already opened block, past the cipher and
    // the checksum, straight into the table reader and the check.
    std::vector<uint8_t> sealed;
    std::vector<uint8_t> plain(data, data + size);
    if (SealDataBlock(plain, &sealed)) {
        LoadGameData(sealed.data(), sealed.size());
        DeleteCryptoData();
    }
    return 0;
}
