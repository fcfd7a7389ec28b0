// Feeds arbitrary bytes to the battle's file reader: the scenario and battle
// parts, then the action-packet block. A damaged file must fail cleanly,
// without running off any buffer or leaking.

#include <cstddef>
#include <cstdint>

#include "FuzzFileReader.h"
#include "battle/Battle.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!PutOnDisk(data, size)) return 0;
    GFile file;
    if (!file.IFile(FuzzFilePath().c_str(), kFileModePlainRead)) return 0;
    Battle battle;
    Battle* old = gBattle;
    gBattle = &battle;
    if (battle.IBattle(&file, nullptr) && file.ReadChar() != 0) battle.ReadActionPackets(&file);
    gBattle = old;
    return 0;
}
