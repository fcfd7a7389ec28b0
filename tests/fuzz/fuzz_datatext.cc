// The game data's text reader as the build's packer runs it: the first
// byte picks the table, the rest is its text. Any text is read or refused
// with a message, never a crash. A table that reads is packed in the block
// form, unpacked and packed again to the same bytes.

#include <cstdint>
#include <string>
#include <vector>

#include "FuzzRoundTrip.h"
#include "units/DataBlock.h"
#include "units/DataText.h"
#include "units/GameDataSet.h"

extern const unsigned char kGameDataBlock[];
extern const size_t kGameDataBlockSize;

namespace {

// The program's own tables, so that the other thirteen are whole.
const GameDataSet& ProgramTables() {
    static const GameDataSet set = [] {
        GameDataSet s;
        std::vector<uint8_t> plain;
        std::string why;
        if (!OpenDataBlock(kGameDataBlock, kGameDataBlockSize, &plain, &why) ||
            !SplitGameData(plain, &s, &why))
            FuzzFail("the program's data block does not open");
        return s;
    }();
    return set;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const GameTable table = static_cast<GameTable>(data[0] % kTableCount);
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    GameDataSet set = ProgramTables();
    std::string error;
    if (!ParseTableText(text, GameTableName(table), table, &set, &error)) {
        FuzzRequire(!error.empty(), "a refused table gave no message");
        return 0;
    }
    const std::vector<uint8_t> first = FlattenGameData(set);
    GameDataSet again;
    // Fewer rows than the table must have are refused when unpacking, as the
    // packer's check refuses them.
    if (set.Count(table) < kTableMinRows[table]) return 0;
    FuzzRequire(SplitGameData(first, &again, &error), "packed tables do not unpack");
    FuzzRequireSame(first, FlattenGameData(again), "packed tables");
    return 0;
}
