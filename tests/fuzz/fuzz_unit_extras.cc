// Feeds arbitrary bytes to the reader of what units carry between turns
// (the extras behind a saved game's battle), behind a saved game whose
// battle holds two squads with orders to move, standing, and a freed
// prisoner. A damaged part must refuse the file cleanly; a file that loads
// must write, read back and write again to the same bytes, so every pace
// and state read is the one kept.
//
// Seeds are extras parts as the writer makes them (tests/fuzz/seeds/, by
// the shared seed maker: scripts/fuzz --make-seeds); --write-seeds=DIR
// writes them too.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "FuzzFileReader.h"
#include "FuzzRoundTrip.h"
#include "UnitExtrasSeeds.h"
#include "units/Hack.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The file on the disk, read as the program reads a saved game; null when
// it is refused.
std::unique_ptr<Battle> Load(const Bytes& bytes) {
    if (!PutOnDisk(bytes.data(), bytes.size())) return nullptr;
    GFile file;
    const bool opened = file.IFile(FuzzFilePath().c_str(), kFileModePlainRead);
    std::remove(FuzzFilePath().c_str());
    if (!opened) return nullptr;
    GameFileState state;
    GameFileContents contents;
    const bool read = ReadGameFile(&file, &state, &contents, {.takeSeed = true}) == kGameFileLoaded;
    delete contents.campaign;
    if (!read) delete contents.battle;
    return std::unique_ptr<Battle>(read ? contents.battle : nullptr);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    DecryptData();
    const std::string folder = SeedFolderArgument(argc, argv);
    if (!folder.empty()) WriteSeedFiles(folder, UnitExtrasSeeds());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const Bytes saved = UnitExtrasGame();
    if (saved.empty()) FuzzFail("the saved game is not written");
    Bytes bytes = saved;
    bytes.insert(bytes.end(), data, data + size);
    const std::unique_ptr<Battle> read = Load(bytes);
    if (!read) return 0;
    const Bytes first = UnitExtrasGameBytes(read.get());
    const std::unique_ptr<Battle> again = Load(first);
    if (!again) FuzzFail("a written game does not read back");
    FuzzRequireSame(first, UnitExtrasGameBytes(again.get()), "game file");
    return 0;
}
