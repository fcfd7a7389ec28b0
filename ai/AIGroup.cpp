// The computer opponent's groups: their centre and representative, the
// choice of an objective node, the garrison left at a secured node and the
// saved record.

#include <algorithm>
#include <cmath>
#include <vector>

#include "ai/AIMoves.h"
#include "ai/AIPlanning.h"
#include "ai/FlagsNode.h"
#include "battle/Battle.h"
#include "battle/UnitID.h"
#include "battle/UnitList.h"
#include "engine/GFile.h"
#include "units/Unit.h"

namespace {

// The highest cost a node may have and still be chosen.
constexpr float kNoCost = 9.9e20f;
constexpr float kTakenPenalty = 2.5f;
constexpr float kGarrisonReach = 200.0f;
constexpr float kCalmSuppression = 50.0f;

GList* Graph() {
    return gBattle ? gBattle->mObjectiveGraph : nullptr;
}

FlagsNode* NodeAt(GList* nodes, int32_t i) {
    return nodes ? static_cast<FlagsNode*>(nodes->GetObjectA(i)) : nullptr;
}

GList* SideGroups() {
    return gBattle && gAISide >= 0 && gAISide <= 1 ? gBattle->mAIGroups[gAISide] : nullptr;
}

float PlaneDistance(float x1, float y1, float x2, float y2) {
    const float dx = x1 - x2;
    const float dy = y1 - y2;
    return std::sqrt(dx * dx + dy * dy);
}

// Higher stays behind first.
float GarrisonScore(Unit* u, const FlagsNode* node) {
    float score;
    if (u->mUnitType == kUnitInfantry) {
        score = 10000.0f;
        if (!u->HasHeavyWeapon(kKnowTruth)) score = score + 5000.0f - 3.0f * static_cast<float>(u->mAmmo[0]);
        score = score + 18.0f * static_cast<float>(u->mCasualties);
    } else {
        score = u->HasHeavyWeapon(kKnowTruth) ? 0.0f : 50.0f;
    }
    const float k = gAIDefending ? 0.5f : 0.1f;
    score = score - k * PlaneDistance(u->mX, u->mY, node->mCenterX, node->mCenterY);
    if (u->mUnitType == kUnitVehicle) {
        const Terrain t = u->GetOccupiedTerrain();
        if (t >= 55 && t <= 63) score = score - 100000.0f;
    }
    if (u->MarkedForExit()) score = score - 50000.0f;
    return score;
}

} // namespace

void AIGroup::SetupRecenter() {
    const int32_t n = GetCount();
    if (n == 0) return;
    float sx = 0.0f;
    float sy = 0.0f;
    for (int32_t i = 0; i < n; ++i) {
        auto* u = static_cast<Unit*>(GetObjectA(i));
        sx += u->mX;
        sy += u->mY;
    }
    mCenterX = sx / static_cast<float>(n);
    mCenterY = sy / static_cast<float>(n);
}

FlagsNode* AIGroup::OrderNode() const {
    GList* nodes = Graph();
    if (mOrder >= kAIOrderGoToNode) return NodeAt(nodes, mOrder - kAIOrderGoToNode);
    if (mOrder >= kAIOrderHoldNode) return NodeAt(nodes, mOrder - kAIOrderHoldNode);
    return nullptr;
}

void AIGroup::MarkObjective() {
    if (mOrder < kAIOrderGoToNode) return;
    FlagsNode* node = NodeAt(Graph(), mOrder - kAIOrderGoToNode);
    if (node && !node->mExitNode) node->mTaken = true;
}

Unit* AIGroup::GetRepresentative() {
    const int32_t n = GetCount();
    if (n == 0) return nullptr;
    for (int32_t i = 0; i < n; ++i) {
        auto* u = static_cast<Unit*>(GetObjectA(i));
        if (u->mActive && u->CanMovePhysically()) return u;
    }
    return static_cast<Unit*>(GetObjectA(n - 1));
}

void AIGroup::GiveGroupOrder(GList* nodes, bool noMark) {
    Unit* rep = GetRepresentative();
    if (!rep || !nodes) return;
    float best = kNoCost;
    int32_t choice = -1;
    for (int32_t i = nodes->GetCount() - 1; i >= 0; --i) {
        FlagsNode* node = NodeAt(nodes, i);
        if (!node || node->mRating <= 0.0f || node->mSecured) continue;
        float cost = node->GetAbstractDistanceTo(rep->mX, rep->mY);
        if (node->mTaken) cost = cost * kTakenPenalty;
        const float factor = 1.0f + 0.25f * AIUniform();
        cost = cost * factor;
        cost = cost * (2.0f - node->mRating);
        if (cost < best) {
            best = cost;
            choice = i;
        }
    }
    if (choice < 0) return;
    mOrder = kAIOrderGoToNode + choice;
    FlagsNode* node = NodeAt(nodes, choice);
    if (!noMark && !node->mExitNode) node->mTaken = true;
}

void AIGroup::DecideIfFlagCaptured(GList* newGroups) {
    if (mOrder < kAIOrderGoToNode) return;
    GList* nodes = Graph();
    const int32_t count = nodes ? nodes->GetCount() : 0;
    int32_t i = mOrder - kAIOrderGoToNode;
    if (i >= count) {
        i = 0;
        mOrder = kAIOrderGoToNode;
    }
    FlagsNode* node = NodeAt(nodes, i);
    if (!node || !node->mSecured) return;
    if (!gAIDefending) {
        bool all = true;
        for (int32_t k = 0; k < count; ++k)
            if (!NodeAt(nodes, k)->mSecured) all = false;
        if (all) return;
    }
    if (GList* groups = SideGroups()) {
        for (int32_t g = 0; g < groups->GetCount(); ++g) {
            auto* other = static_cast<AIGroup*>(groups->GetObjectA(g));
            if (other != this && other->mOrder == kAIOrderHoldNode + i) {
                mOrder = gAIDefending ? kAIOrderHold : kAIOrderNone;
                return;
            }
        }
    }

    int32_t n = 0;
    int32_t near = 0;
    int32_t calm = 0;
    for (int32_t k = 0; k < GetCount(); ++k) {
        auto* u = static_cast<Unit*>(GetObjectA(k));
        if (!u->mActive || !u->CanMovePhysically()) continue;
        ++n;
        if (PlaneDistance(u->mX, u->mY, node->mCenterX, node->mCenterY) < kGarrisonReach) ++near;
        if (u->mSuppression < kCalmSuppression) ++calm;
    }
    int32_t own = 0;
    if (gBattle && gBattle->mUnits) {
        for (int32_t k = 0; k < gBattle->mUnits->GetCount(); ++k) {
            Unit* u = gBattle->mUnits->GetUnit(k);
            if (u->mActive && !u->mSurrendered && u->GetAffiliation() == gAISide) ++own;
        }
    }
    const auto need = static_cast<int32_t>(static_cast<float>(own) * node->mRating * 0.3f + 0.99f);
    if (n < need) {
        mOrder -= kAIOrderGoToNode - kAIOrderHoldNode;
        return;
    }
    // Nobody able to stay: there is no share to weigh.
    if (n == 0) return;
    const float fn = static_cast<float>(n);
    if (static_cast<float>(near) / fn < 0.666f || static_cast<float>(calm) / fn < 0.5f) return;
    const auto m = static_cast<int32_t>(std::min(static_cast<float>(need), fn * 0.5f));

    std::vector<std::pair<float, Unit*>> order;
    order.reserve(static_cast<size_t>(GetCount()));
    for (int32_t k = 0; k < GetCount(); ++k) {
        auto* u = static_cast<Unit*>(GetObjectA(k));
        order.emplace_back(GarrisonScore(u, node), u);
    }
    std::stable_sort(order.begin(), order.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    EmptyOut(false);
    auto* garrison = new AIGroup;
    for (size_t k = 0; k < order.size(); ++k) {
        Unit* u = order[k].second;
        if (static_cast<int32_t>(k) < m && !u->MarkedForExit())
            garrison->Add(u);
        else
            Add(u);
    }
    if (garrison->GetCount() == 0 || !newGroups) {
        // Without a list to take the garrison the group stays whole.
        ConcatGroup(garrison);
        delete garrison;
        return;
    }
    if (gAIDefending) {
        garrison->mOrder = kAIOrderHoldNode + i;
        mOrder = kAIOrderHold;
    } else {
        garrison->mOrder = mOrder;
        mOrder = kAIOrderNone;
    }
    newGroups->Add(garrison);
}

void AIGroup::Write(GFile* file) {
    file->WriteShort(static_cast<int16_t>(mOrder));
    file->WriteLong(GetCount());
    for (int32_t i = 0; i < GetCount(); ++i)
        WriteUnitID(file, static_cast<Unit*>(GetObjectA(i)));
}

void AIGroup::Read(GFile* file) {
    ReadRecord(file);
}

bool AIGroup::ReadRecord(GFile* file) {
    EmptyOut(false);
    mOrder = file->ReadShort();
    const int32_t count = file->ReadLong();
    // Each identifier takes two bytes: a count the file cannot hold is damage.
    if (file->HasFailed() || count < 0 || count > file->GetFileLength() / 2) return false;
    for (int32_t i = 0; i < count; ++i) {
        // The raw identifier stands in the member's place until the battle
        // resolves it; it is never used as an object.
        const int32_t id = RawUnitID(ReadUnitID(file, false));
        if (file->HasFailed()) {
            EmptyOut(false);
            return false;
        }
        Add(reinterpret_cast<GObject*>(static_cast<intptr_t>(id)));
    }
    return true;
}
