// The action-packet block alone, read against a battle holding a unit of
// every kind: a damaged block is refused with an empty list; a block that
// reads is written, read and written again to the same bytes.

#include <cstddef>
#include <cstdint>

#include "FuzzBattles.h"
#include "FuzzRoundTrip.h"
#include "battle/ActionPacket.h"

namespace {

Battle* TheBattle() {
    static Battle* battle = NewKindBattle();
    return battle;
}

std::vector<uint8_t> Write(GList* packets) {
    auto file = FuzzScratchFile();
    if (!file) FuzzFail("no scratch file");
    WritePacketList(file.get(), packets);
    return FuzzFileBytes(file.get());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Battle* battle = TheBattle();
    Battle* old = gBattle;
    gBattle = battle;
    auto file = FuzzFileWith(data, size);
    GList packets;
    packets.IList();
    if (file && ReadPacketList(file.get(), &packets, battle)) {
        const std::vector<uint8_t> first = Write(&packets);
        auto in = FuzzFileWith(first);
        GList again;
        again.IList();
        FuzzRequire(in && ReadPacketList(in.get(), &again, battle), "a written packet block does not read");
        FuzzRequireSame(first, Write(&again), "packet block");
        again.EmptyOut(true);
    } else {
        FuzzRequire(packets.GetCount() == 0, "a refused block left packets behind");
    }
    packets.EmptyOut(true);
    gBattle = old;
    return 0;
}
