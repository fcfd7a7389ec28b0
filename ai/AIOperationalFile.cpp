// The computer opponent's groups in a saved game: per side a presence char,
// then the list's keep char, the group count and each group's record.

#include <unordered_set>

#include "ai/AIPlanning.h"
#include "ai/FlagsNode.h"
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

// ---------------------------------------------------------------------------
// The objective graph: the node count, then per node its flag count and the
// flags' places in the battle's flag list, its centre, a byte of flags
// (secured, taken, exit node, flexible, the three zone kinds from bit 0) and
// its rating and distress.

namespace {

constexpr int32_t kMinNodeBytes = 4 + 4 + 4 + 1 + 4 + 4;

int8_t NodeBits(const FlagsNode* node) {
    return static_cast<int8_t>((node->mSecured ? 1 : 0) | (node->mTaken ? 2 : 0) | (node->mExitNode ? 4 : 0) |
                               (node->mFlexible ? 8 : 0) | (node->mZoneKinds[0] ? 16 : 0) |
                               (node->mZoneKinds[1] ? 32 : 0) | (node->mZoneKinds[2] ? 64 : 0));
}

} // namespace

void Battle::WriteAIGraph(GFile* file) {
    if (!file) return;
    GList* graph = mObjectiveGraph;
    const int32_t count = graph ? graph->GetCount() : 0;
    file->WriteLong(count);
    for (int32_t i = 0; i < count; ++i) {
        auto* node = static_cast<FlagsNode*>(graph->GetObjectA(i));
        file->WriteLong(node->GetCount());
        for (int32_t k = 0; k < node->GetCount(); ++k) {
            GObject* flag = node->GetObjectA(k);
            int32_t place = -1;
            for (int32_t j = 0; j < mFlags.GetCount() && place < 0; ++j)
                if (mFlags.GetObjectA(j) == flag) place = j;
            file->WriteLong(place);
        }
        file->WriteFloat(node->mCenterX);
        file->WriteFloat(node->mCenterY);
        file->WriteChar(NodeBits(node));
        file->WriteFloat(node->mRating);
        file->WriteFloat(node->mDistress);
    }
}

bool ReadAIGraph(GFile* file, GList** graph) {
    if (!file || !graph) return false;
    const int32_t count = file->ReadLong();
    if (file->HasFailed() || count < 0 || count > file->GetFileLength() / kMinNodeBytes) return false;
    auto* read = new GList;
    for (int32_t i = 0; i < count; ++i) {
        auto* node = new FlagsNode;
        read->Add(node);
        const int32_t flags = file->ReadLong();
        if (file->HasFailed() || flags < 0 || flags > file->GetFileLength() / 4) {
            delete read;
            return false;
        }
        for (int32_t k = 0; k < flags; ++k) {
            // The place, kept as the member until the battle resolves it.
            const int32_t place = file->ReadLong();
            node->Add(reinterpret_cast<GObject*>(static_cast<intptr_t>(place)));
        }
        node->mCenterX = file->ReadFloat();
        node->mCenterY = file->ReadFloat();
        const auto bits = static_cast<uint8_t>(file->ReadChar());
        node->mSecured = (bits & 1) != 0;
        node->mTaken = (bits & 2) != 0;
        node->mExitNode = (bits & 4) != 0;
        node->mFlexible = (bits & 8) != 0;
        for (int32_t z = 0; z < 3; ++z)
            node->mZoneKinds[z] = (bits & (16 << z)) != 0;
        node->mRating = file->ReadFloat();
        node->mDistress = file->ReadFloat();
        if (file->HasFailed() || (bits & 0x80) != 0) {
            delete read;
            return false;
        }
    }
    *graph = read;
    return true;
}

void Battle::TakeAIGraph(GList* graph) {
    if (!graph) return;
    for (int32_t i = 0; i < graph->GetCount(); ++i) {
        auto* node = static_cast<FlagsNode*>(graph->GetObjectA(i));
        for (int32_t k = 0; k < node->GetCount(); ++k) {
            const auto place = static_cast<int32_t>(reinterpret_cast<intptr_t>(node->GetObjectA(k)));
            GObject* flag = place >= 0 && place < mFlags.GetCount() ? mFlags.GetObjectA(place) : nullptr;
            if (!flag) {
                // Not this battle's graph: the nodes let go of the places.
                for (int32_t n = 0; n < graph->GetCount(); ++n)
                    static_cast<FlagsNode*>(graph->GetObjectA(n))->EmptyOut(false);
                delete graph;
                return;
            }
            node->ReplaceIndex(k, flag, false);
        }
    }
    delete mObjectiveGraph;
    mObjectiveGraph = graph;
}
