// Feeds arbitrary bytes to the battle's file reader: the scenario and battle
// parts, then the action-packet block. A damaged file must fail cleanly,
// without running off any buffer or leaking; a file that loads is saved,
// loaded and saved again, and the two saves must be the same bytes.

#include <cstddef>
#include <cstdint>

#include "FuzzFileReader.h"
#include "FuzzRoundTrip.h"
#include "battle/Battle.h"

namespace {

// The battle as a saved game holds it: the battle, a flag and, when set,
// the packet block.
std::vector<uint8_t> Save(Battle* battle, bool packets) {
    auto file = FuzzScratchFile();
    if (!file) FuzzFail("no scratch file");
    battle->Write(file.get());
    file->WriteChar(packets ? 1 : 0);
    if (packets) battle->WriteActionPackets(file.get());
    return FuzzFileBytes(file.get());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!PutOnDisk(data, size)) return 0;
    GFile file;
    const bool opened = file.IFile(FuzzFilePath().c_str(), kFileModePlainRead);
    std::remove(FuzzFilePath().c_str());
    if (!opened) return 0;
    Battle* old = gBattle;
    Battle battle;
    gBattle = &battle;
    if (!battle.IBattle(&file, nullptr)) {
        gBattle = old;
        return 0;
    }
    const bool packets = file.ReadChar() != 0 && battle.ReadActionPackets(&file);
    const std::vector<uint8_t> first = Save(&battle, packets);

    Battle again;
    gBattle = &again;
    auto in = FuzzFileWith(first);
    FuzzRequire(in && again.IBattle(in.get(), nullptr), "a saved battle does not load");
    FuzzRequire(in->ReadChar() == (packets ? 1 : 0), "the packet flag moved");
    FuzzRequire(!packets || again.ReadActionPackets(in.get()), "a saved packet block does not load");
    FuzzRequireSame(first, Save(&again, packets), "battle");
    gBattle = old;
    return 0;
}
