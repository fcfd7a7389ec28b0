// The computer opponent's groups in a saved game: per side a presence char,
// then the list's keep char, the group count and each group's record.

#include <unordered_set>

#include "ai/AIPlanning.h"
#include "battle/Battle.h"
#include "battle/UnitID.h"
#include "engine/GFile.h"
#include "units/Unit.h"

namespace {

// Each group record takes at least a short and a long.
constexpr int32_t kMinGroupBytes = 6;

void DeleteRawList(GList* list) {
    // The groups hold raw identifiers and own nothing; the list owns them.
    delete list;
}

// One side's list, or null on damaged data (nothing is kept then).
GList* ReadSide(GFile* file) {
    const int8_t keep = file->ReadChar();
    if (file->HasFailed() || (keep != 0 && keep != 1)) return nullptr;
    const int32_t count = file->ReadLong();
    if (file->HasFailed() || count < 0 || count > file->GetFileLength() / kMinGroupBytes) return nullptr;
    // Whatever the keep char says, the side's list owns its groups.
    auto* list = new GList;
    for (int32_t i = 0; i < count; ++i) {
        auto* group = new AIGroup;
        group->mOrder = kAIOrderNone;
        if (!group->ReadRecord(file)) {
            delete group;
            DeleteRawList(list);
            return nullptr;
        }
        list->Add(group);
    }
    return list;
}

} // namespace

void Battle::WriteAIData(GFile* file) {
    if (!file) return;
    for (GList* list : mAIGroups) {
        file->WriteChar(list ? 1 : 0);
        if (list) list->Write(file);
    }
}

bool ReadAI(GFile* file, GList** lists) {
    if (!file || !lists) return false;
    GList* read[2] = {nullptr, nullptr};
    bool ok = true;
    for (int32_t side = 0; side < 2 && ok; ++side) {
        const int8_t present = file->ReadChar();
        if (file->HasFailed() || (present != 0 && present != 1)) {
            ok = false;
        } else if (present == 1) {
            read[side] = ReadSide(file);
            ok = read[side] != nullptr;
        }
    }
    if (!ok) {
        for (GList* list : read)
            DeleteRawList(list);
        return false;
    }
    for (int32_t side = 0; side < 2; ++side)
        if (read[side]) lists[side] = read[side];
    return true;
}

void AIResolveGroupUnits(ScenarioCore* core, GList* list) {
    if (!core || !list) return;
    std::unordered_set<Unit*> seen;
    for (int32_t g = 0; g < list->GetCount(); ++g) {
        auto* group = static_cast<GList*>(list->GetObjectA(g));
        if (!group) continue;
        // The members are raw identifiers, not objects: only their values are read.
        for (int32_t i = 0; i < group->GetCount(); ++i) {
            const auto id = static_cast<int32_t>(reinterpret_cast<intptr_t>(group->GetObjectA(i)));
            group->ReplaceIndex(i, core->GetUnitPointer(id), false);
        }
        for (int32_t i = 0; i < group->GetCount();) {
            auto* unit = static_cast<Unit*>(group->GetObjectA(i));
            if (!unit || !seen.insert(unit).second)
                group->DeleteIndex(i, false);
            else
                ++i;
        }
    }
}
