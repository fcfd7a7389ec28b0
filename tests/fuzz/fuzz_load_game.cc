// Feeds arbitrary bytes to the game-file reader as a game file (compressed
// read) or an e-mail turn file, header only or whole, as the scenario list
// and the loads read them. Whatever loads is written again, read back and
// written once more: the two writes must be the same bytes.
//
// The first input byte picks the form: bit 0 the e-mail file, bit 1 the
// header only. While a file is read, the host answers its version byte as
// the program does, so files of older versions are read in their older form.
// The game's data tables are loaded as in the program: the units' records and
// the infantry paces behind the battle are checked against them.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "FuzzFileReader.h"
#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "units/Hack.h"

namespace {

// Answers the version byte of the file being read, as the program does.
class FileVersionHost : public BattleHost {
public:
    int32_t LoadingFileVersion() override { return reading ? reading->fileVersion : kGameFileVersion; }
    const GameFileState* reading = nullptr;
};

std::vector<uint8_t> WriteAgain(GameFileState state, const GameFileContents& contents) {
    GFile file;
    if (!file.ITempFile(false)) return {};
    Battle* previous = gBattle;
    gBattle = contents.battle;
    WriteGameFile(&file, &state, contents.battle, contents.campaign);
    gBattle = previous;
    file.Rewind();
    std::vector<uint8_t> bytes(static_cast<size_t>(file.GetFileLength()));
    if (!bytes.empty()) file.ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    return bytes;
}

bool ReadBack(const std::vector<uint8_t>& bytes, GameFileState* state, GameFileContents* contents) {
    GFile file;
    if (!file.ITempFile(false)) return false;
    file.WriteBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    file.Rewind();
    return ReadGameFile(&file, state, contents, {.takeSeed = true}) == kGameFileLoaded;
}

void Free(GameFileContents* contents) {
    delete contents->battle;
    delete contents->campaign;
    *contents = {};
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    DecryptData();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const bool mail = data[0] & 1;
    const bool headerOnly = data[0] & 2;
    if (!PutOnDisk(data + 1, size - 1)) return 0;
    GFile file;
    bool opened = file.IFile(FuzzFilePath().c_str(), mail ? kFileModeMailRead : kFileModeCompressedRead);
    std::remove(FuzzFilePath().c_str());
    if (!opened) return 0;
    if (headerOnly) {
        GameFileHeader header;
        ReadGameFileHeader(&file, &header);
        return 0;
    }
    GameFileState state;
    GameFileContents contents;
    FileVersionHost host;
    host.reading = &state;
    const GameFileResult result =
        ReadGameFile(&file, &state, &contents, {.takeSeed = true, .host = &host, .reading = &host.reading});
    host.reading = nullptr;
    if (result != kGameFileLoaded) return 0;
    std::vector<uint8_t> first = WriteAgain(state, contents);
    Free(&contents);
    GameFileState again;
    if (!ReadBack(first, &again, &contents)) {
        std::fprintf(stderr, "round trip: the file written again does not load\n");
        std::abort();
    }
    std::vector<uint8_t> second = WriteAgain(again, contents);
    Free(&contents);
    if (first != second) {
        std::fprintf(stderr, "round trip: the second write differs\n");
        std::abort();
    }
    return 0;
}
