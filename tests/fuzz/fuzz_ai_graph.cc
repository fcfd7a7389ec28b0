// Feeds arbitrary bytes to the reader of the computer opponent's objective
// graph in a saved game. Damaged data must fail cleanly, making nothing;
// data that loads is taken by a small battle with three flags (a graph
// naming other flags is dropped), written, read, taken and written again,
// and the two writes must be the same bytes.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "FuzzBattles.h"
#include "FuzzRoundTrip.h"
#include "battle/Battle.h"
#include "battle/VictoryFlag.h"

namespace {

Battle* NewFlagBattle() {
    Battle* battle = NewKindBattle();
    for (int32_t i = 0; i < 3; ++i)
        battle->mFlags.Add(new VictoryFlag());
    return battle;
}

std::vector<uint8_t> Save(Battle* battle) {
    auto file = FuzzScratchFile();
    if (!file) FuzzFail("no scratch file");
    battle->WriteAIGraph(file.get());
    return FuzzFileBytes(file.get());
}

// Reads the bytes into the battle's graph; false when they are damaged.
bool Load(Battle* battle, const std::vector<uint8_t>& bytes) {
    auto file = FuzzFileWith(bytes);
    if (!file) return false;
    GList* graph = nullptr;
    if (!ReadAIGraph(file.get(), &graph)) {
        FuzzRequire(graph == nullptr, "a failed read made a graph");
        return false;
    }
    battle->TakeAIGraph(graph);
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::unique_ptr<Battle> battle(NewFlagBattle());
    Battle* old = gBattle;
    gBattle = battle.get();
    if (Load(battle.get(), std::vector<uint8_t>(data, data + size))) {
        const std::vector<uint8_t> first = Save(battle.get());
        std::unique_ptr<Battle> again(NewFlagBattle());
        gBattle = again.get();
        FuzzRequire(Load(again.get(), first), "a written graph does not load");
        FuzzRequireSame(first, Save(again.get()), "computer opponent's graph");
    }
    gBattle = old;
    return 0;
}
