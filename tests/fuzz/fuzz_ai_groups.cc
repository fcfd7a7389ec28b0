// Feeds arbitrary bytes to the reader of the computer opponent's groups in a
// saved game. Damaged data must fail cleanly, making nothing; data that
// loads is resolved against a small battle, written, read, resolved and
// written again, and the two writes must be the same bytes.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "FuzzBattles.h"
#include "FuzzRoundTrip.h"
#include "ai/AIPlanning.h"
#include "battle/Battle.h"

namespace {

std::vector<uint8_t> Save(Battle* battle) {
    auto file = FuzzScratchFile();
    if (!file) FuzzFail("no scratch file");
    battle->WriteAIData(file.get());
    return FuzzFileBytes(file.get());
}

// Reads the bytes into the battle's group lists; false when they are damaged.
bool Load(Battle* battle, const std::vector<uint8_t>& bytes) {
    auto file = FuzzFileWith(bytes);
    if (!file) return false;
    GList* lists[2] = {nullptr, nullptr};
    if (!ReadAI(file.get(), lists)) {
        FuzzRequire(lists[0] == nullptr && lists[1] == nullptr, "a failed read made lists");
        return false;
    }
    for (int32_t side = 0; side < 2; ++side) {
        AIResolveGroupUnits(battle, lists[side]);
        delete battle->mAIGroups[side];
        battle->mAIGroups[side] = lists[side];
    }
    return true;
}

// A stub battle does not free its group lists.
void DropGroups(Battle* battle) {
    for (GList*& list : battle->mAIGroups) {
        delete list;
        list = nullptr;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::unique_ptr<Battle> battle(NewKindBattle());
    Battle* old = gBattle;
    gBattle = battle.get();
    if (Load(battle.get(), std::vector<uint8_t>(data, data + size))) {
        const std::vector<uint8_t> first = Save(battle.get());
        std::unique_ptr<Battle> again(NewKindBattle());
        gBattle = again.get();
        FuzzRequire(Load(again.get(), first), "written groups do not load");
        FuzzRequireSame(first, Save(again.get()), "computer opponent's groups");
        DropGroups(again.get());
    }
    DropGroups(battle.get());
    gBattle = old;
    return 0;
}
