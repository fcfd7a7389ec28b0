// Group forming: once per planning run the planned side's groups are
// tidied, garrisons are left at secured nodes, and the groups get this
// turn's orders.

#include <algorithm>
#include <cmath>
#include <vector>

#include "ai/AIMoves.h"
#include "ai/AIPlanning.h"
#include "ai/FlagsNode.h"
#include "battle/Battle.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

namespace {

constexpr float kNoDistance = 9e20f;
// Metres a rider without a combat move steps off: beyond the reach within
// which the computer stops units that would end up bunched.
constexpr float kRiderStep = 80.0f;

AIGroup* GroupAt(GList* list, int32_t i) {
    return static_cast<AIGroup*>(list->GetObjectA(i));
}

float PlaneDistance(float x1, float y1, float x2, float y2) {
    const float dx = x1 - x2;
    const float dy = y1 - y2;
    return std::sqrt(dx * dx + dy * dy);
}

int32_t IndexOf(GList* list, GObject* member) {
    for (int32_t i = 0; i < list->GetCount(); ++i)
        if (list->GetObjectA(i) == member) return i;
    return -1;
}

// Units that can no longer fight or move go to the fall-back group; dead
// and surrendered ones leave their group.
// A carrier about to fall back puts its riders down: each makes its combat
// move, and a rider that found no square for one steps off 80 m toward its
// own edge. A rider that cannot get out rides on.
void PutRidersDown(Battle* battle, Vehicle* v) {
    v->AIDumpPassengers();
    const Direction edge = battle->HomeMapEdge(v->GetAffiliation());
    for (Unit* p : v->mPassengers) {
        if (!p || p->mNrWaypoints > 0) continue;
        float x = v->mX, y = v->mY;
        switch (edge) {
        case 0:
            x -= kRiderStep;
            break;
        case 2:
            x += kRiderStep;
            break;
        case 1:
            y += kRiderStep;
            break;
        default:
            y -= kRiderStep;
            break;
        }
        p->AIMakePathTo(x, y, false, false, nullptr);
    }
}

void GatherFallBack(Battle* battle, GList* groups) {
    AIGroup* fallBack = nullptr;
    for (int32_t g = 0; g < groups->GetCount() && !fallBack; ++g)
        if (GroupAt(groups, g)->mOrder == kAIOrderFallBack) fallBack = GroupAt(groups, g);
    const bool made = !fallBack;
    if (made) {
        fallBack = new AIGroup;
        fallBack->mOrder = kAIOrderFallBack;
    }
    for (int32_t g = 0; g < groups->GetCount(); ++g) {
        AIGroup* group = GroupAt(groups, g);
        if (group->mOrder == kAIOrderFallBack || group->mOrder == kAIOrderLooseFallBack) continue;
        for (int32_t i = 0; i < group->GetCount();) {
            auto* u = static_cast<Unit*>(group->GetObjectA(i));
            if (!u->mActive || u->mSurrendered) {
                group->DeleteIndex(i, false);
                continue;
            }
            if (u->CanMovePhysically() && (u->MarkedForExit() || u->HasFunctioningWeapon())) {
                ++i;
                continue;
            }
            // A carrier's riders get out first and stay with their group;
            // one that cannot get out rides on.
            if (Vehicle* v = aimove::AsVehicle(u)) PutRidersDown(battle, v);
            group->DeleteIndex(i, false);
            fallBack->Add(u);
            u->CancelMovementOrders();
        }
    }
    if (!made) return;
    if (fallBack->GetCount() > 0)
        groups->Add(fallBack);
    else
        delete fallBack;
}

// Holding groups go to the nodes in most distress while the need is great
// enough for the groups left.
void SendHoldersToDistress(Battle* battle, GList* groups, GList* graph) {
    std::vector<AIGroup*> holding;
    for (int32_t g = 0; g < groups->GetCount(); ++g) {
        AIGroup* group = GroupAt(groups, g);
        if (group->mOrder != kAIOrderHold) continue;
        group->SetupRecenter();
        holding.push_back(group);
    }
    if (holding.empty() || !graph || graph->GetCount() == 0) return;
    std::vector<FlagsNode*> nodes;
    for (int32_t i = 0; i < graph->GetCount(); ++i) {
        auto* node = static_cast<FlagsNode*>(graph->GetObjectA(i));
        node->RateDistress();
        nodes.push_back(node);
    }
    std::stable_sort(nodes.begin(), nodes.end(),
                     [](const FlagsNode* a, const FlagsNode* b) { return a->mDistress > b->mDistress; });
    const float nodeShare = 1.0f / static_cast<float>(std::min<int32_t>(graph->GetCount(), 3));
    const float time = battle->mLastTurn > 0
                           ? static_cast<float>(battle->mTurn) / static_cast<float>(battle->mLastTurn)
                           : 0.0f;
    for (FlagsNode* node : nodes) {
        if (holding.empty()) break;
        const float v = static_cast<float>(holding.size()) * (nodeShare + time) * node->mDistress * 4.0f;
        if (v <= 1.0f) break;
        size_t nearest = 0;
        float best = 0.0f;
        for (size_t k = 0; k < holding.size(); ++k) {
            const float d =
                PlaneDistance(holding[k]->mCenterX, holding[k]->mCenterY, node->mCenterX, node->mCenterY);
            if (k == 0 || d < best) {
                best = d;
                nearest = k;
            }
        }
        AIGroup* chosen = holding[nearest];
        const int32_t index = IndexOf(graph, node);
        chosen->mOrder = kAIOrderGoToNode + index;
        for (int32_t g = 0; g < groups->GetCount(); ++g) {
            AIGroup* garrison = GroupAt(groups, g);
            if (garrison == chosen || garrison->mOrder != kAIOrderHoldNode + index) continue;
            chosen->ConcatGroup(garrison);
            groups->DeleteIndex(g, true);
            break;
        }
        holding.erase(holding.begin() + static_cast<std::ptrdiff_t>(nearest));
    }
}

float DistanceToChoice(AIGroup* group, GList* graph) {
    Unit* rep = group->GetRepresentative();
    if (!rep || group->mOrder < kAIOrderGoToNode) return kNoDistance;
    auto* node = static_cast<FlagsNode*>(graph->GetObjectA(group->mOrder - kAIOrderGoToNode));
    if (!node) return kNoDistance;
    return PlaneDistance(rep->mX, rep->mY, node->mCenterX, node->mCenterY);
}

// Groups without an order choose objectives, the one nearest to its choice
// first, each choice marked taken for those after it.
void OrderAttackers(GList* groups, GList* graph) {
    for (int32_t g = 0; g < groups->GetCount(); ++g)
        GroupAt(groups, g)->MarkObjective();
    if (!graph) return;
    std::vector<AIGroup*> queue;
    for (int32_t g = 0; g < groups->GetCount(); ++g)
        if (GroupAt(groups, g)->mOrder == kAIOrderNone) queue.push_back(GroupAt(groups, g));
    while (!queue.empty()) {
        std::vector<std::pair<float, AIGroup*>> ranked;
        for (AIGroup* group : queue) {
            group->GiveGroupOrder(graph, true);
            ranked.emplace_back(DistanceToChoice(group, graph), group);
        }
        std::stable_sort(ranked.begin(), ranked.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        AIGroup* first = ranked.front().second;
        first->GiveGroupOrder(graph, false);
        queue.clear();
        for (size_t k = 1; k < ranked.size(); ++k)
            queue.push_back(ranked[k].second);
    }
}

} // namespace

void Battle::AIGroupLevel() {
    GList* groups = mAIGroups[gAISide];
    if (!groups) return;
    groups->DeleteSome([](GObject* m, void*) { return static_cast<AIGroup*>(m)->GetCount() == 0; }, nullptr,
                       true);
    GatherFallBack(this, groups);
    GList* graph = mObjectiveGraph;
    for (int32_t i = 0; graph && i < graph->GetCount(); ++i)
        static_cast<FlagsNode*>(graph->GetObjectA(i))->Color();

    GList garrisons;
    garrisons.PreserveObjects();
    for (int32_t g = 0; g < groups->GetCount(); ++g)
        GroupAt(groups, g)->DecideIfFlagCaptured(&garrisons);

    if (gAIDefending)
        SendHoldersToDistress(this, groups, graph);
    else
        OrderAttackers(groups, graph);

    groups->ConcatGroup(&garrisons);
    garrisons.EmptyOut(false);
}
