// Any byte string given to the game data loader is either a valid block or
// refused; nothing half-loaded, no crash. A block that loads is unpacked,
// packed and sealed again, and that block unpacks and packs to the same
// bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzRoundTrip.h"
#include "units/DataBlock.h"
#include "units/GameDataSet.h"
#include "units/Hack.h"

namespace {

// The block's tables packed again; false when the block does not open.
bool Repack(const std::vector<uint8_t>& block, std::vector<uint8_t>* plain) {
    std::vector<uint8_t> opened;
    std::string why;
    GameDataSet set;
    if (!OpenDataBlock(block.data(), block.size(), &opened, &why) || !SplitGameData(opened, &set, &why))
        return false;
    *plain = FlattenGameData(set);
    FuzzRequireSame(opened, *plain, "tables unpacked and packed");
    return true;
}

void RoundTrip(const uint8_t* data, size_t size) {
    std::vector<uint8_t> plain;
    if (!Repack(std::vector<uint8_t>(data, data + size), &plain)) FuzzFail("a loaded block does not open");
    std::vector<uint8_t> sealed;
    FuzzRequire(SealDataBlock(plain, &sealed), "loaded tables do not seal");
    std::vector<uint8_t> again;
    FuzzRequire(Repack(sealed, &again), "a sealed block does not open");
    FuzzRequireSame(plain, again, "tables");
    std::vector<uint8_t> resealed;
    FuzzRequire(SealDataBlock(again, &resealed), "tables do not seal twice");
    FuzzRequireSame(sealed, resealed, "sealed block");
    FuzzRequire(LoadGameData(sealed.data(), sealed.size()), "a sealed block does not load");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (LoadGameData(data, size)) RoundTrip(data, size);
    DeleteCryptoData();
    // Also feed the bytes as an already opened block, past the cipher and
    // the checksum, straight into the table reader and the check.
    std::vector<uint8_t> sealed;
    std::vector<uint8_t> plain(data, data + size);
    if (SealDataBlock(plain, &sealed)) {
        if (LoadGameData(sealed.data(), sealed.size())) RoundTrip(sealed.data(), sealed.size());
        DeleteCryptoData();
    }
    return 0;
}
