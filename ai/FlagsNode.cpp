// The objective graph: victory flags joined into nodes, the nodes rated by
// their flags' value and their nearness to the enemy's map edges.

#include "ai/FlagsNode.h"

#include <algorithm>
#include <cmath>

#include "ai/AIMoves.h"
#include "ai/AIPlanning.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/UnitList.h"
#include "battle/VictoryFlag.h"
#include "engine/GOLTA.h"
#include "map/AIPath.h"
#include "map/Map.h"
#include "map/Square.h"
#include "units/Unit.h"

namespace {

Map* BattleMap() {
    return gBattle ? gBattle->mMap : nullptr;
}

// The side other than the planned one.
int32_t OtherSide() {
    return gAISide == kAxis ? kAllies : kAxis;
}

VictoryFlag* FlagAt(GList* list, int32_t i) {
    return static_cast<VictoryFlag*>(list->GetObjectA(i));
}

FlagsNode* NodeAt(GList* list, int32_t i) {
    return static_cast<FlagsNode*>(list->GetObjectA(i));
}

} // namespace

int32_t AIFlagHolder(const VictoryFlag* flag) {
    if (flag->mNeutral) return -1;
    return flag->mHolderNation < kFirstAlliedNation ? kAxis : kAllies;
}

float FlagsNode::ValueOf(const VictoryFlag* flag) {
    return flag->FlagValue(gAISide == kAxis, true);
}

FlagsNode::~FlagsNode() {
    delete mDistances;
}

void FlagsNode::IFlagsNode(VictoryFlag* flag) {
    EmptyOut(false);
    Add(flag);
    mCenterX = flag->mX;
    mCenterY = flag->mY;
    delete mDistances;
    mDistances = new GList();
    mSecured = false;
    mTaken = false;
    mExitNode = false;
}

float FlagsNode::GetAbstractDistanceTo(float x, float y) const {
    const float dx = mCenterX - x;
    const float dy = mCenterY - y;
    return std::sqrt(dx * dx + dy * dy);
}

float FlagsNode::CachedDistanceTo(FlagsNode* other) const {
    if (!mDistances) return -1.0f;
    for (int32_t i = 0; i < mDistances->GetCount(); ++i) {
        auto* r = static_cast<DistanceRecord*>(mDistances->GetObjectA(i));
        if (r->mNode == other && r->mCount == other->GetCount()) return r->mDistance;
    }
    return -1.0f;
}

void FlagsNode::GetShortestFlagDistance(int32_t first, GList* nodes, float* best, FlagsNode** a,
                                        FlagsNode** b) {
    Map* map = BattleMap();
    for (int32_t j = first; j < nodes->GetCount(); ++j) {
        FlagsNode* other = NodeAt(nodes, j);
        if (other->mExitNode) continue;
        if (GetAbstractDistanceTo(other->mCenterX, other->mCenterY) > kAIJoinDistance) continue;
        float d = CachedDistanceTo(other);
        if (d < 0.0f) {
            const float dx = mCenterX - other->mCenterX;
            const float dy = mCenterY - other->mCenterY;
            d = map ? map->AbstractPathDistance(mCenterX, mCenterY, other->mCenterX, other->mCenterY)
                    : std::sqrt(dx * dx + dy * dy);
            if (!mDistances) mDistances = new GList();
            auto* r = new DistanceRecord();
            r->mNode = other;
            r->mCount = other->GetCount();
            r->mDistance = d;
            mDistances->Add(r);
        }
        if (d < *best) {
            *best = d;
            *a = this;
            *b = other;
        }
    }
}

void FlagsNode::Join(FlagsNode* other) {
    for (int32_t i = 0; i < other->GetCount(); ++i)
        Add(other->GetObjectA(i));
    if (mDistances) mDistances->EmptyOut(true);
    float sx = 0.0f, sy = 0.0f, sw = 0.0f;
    for (int32_t i = GetCount() - 1; i >= 0; --i) {
        const VictoryFlag* f = FlagAt(this, i);
        const float w = ValueOf(f);
        sx += f->mX * w;
        sy += f->mY * w;
        sw += w;
    }
    if (sw < 0.0001f) sw = 0.0001f;
    mCenterX = sx / sw;
    mCenterY = sy / sw;
}

VictoryFlag* FlagsNode::PickUncapturedFlag(float, float) {
    GList pool;
    pool.PreserveObjects();
    for (int32_t i = 0; i < GetCount(); ++i)
        pool.Add(GetObjectA(i));
    while (pool.GetCount() > 0) {
        const int32_t i = static_cast<int32_t>(RandomPair() % static_cast<uint32_t>(pool.GetCount()));
        VictoryFlag* f = FlagAt(&pool, i);
        const int32_t holder = AIFlagHolder(f);
        if (holder < 0 || holder == OtherSide()) return f;
        pool.DeleteIndex(i, false);
    }
    return nullptr;
}

void FlagsNode::RateDistress() {
    if (mSecured) {
        mDistress = 0.0f;
        return;
    }
    bool enemyHolds = false;
    for (int32_t i = 0; i < GetCount(); ++i)
        if (AIFlagHolder(FlagAt(this, i)) == OtherSide()) enemyHolds = true;
    mDistress = mRating * (enemyHolds ? 1.33f : 0.67f);
}

float FlagsNode::NearToEnemyEdgeModifier() const {
    if (gCampaign) return 1.0f;
    Map* map = BattleMap();
    if (!gBattle || !map) return 1.0f;
    float m = 1.0f;
    const float w = map->mWidthMetres;
    const float h = map->mHeightMetres;
    const int32_t* owner = gBattle->mEdgeOwner; // West, North, East, South
    const int32_t own = gAISide;
    const int32_t other = OtherSide();
    if (owner[2] == other && owner[0] == own && mCenterX > w / 2.0f)
        m = m * mCenterX / (w / 2.0f);
    else if (owner[2] == own && owner[0] == other && mCenterX < w / 2.0f)
        m = m * (w - mCenterX) / (w / 2.0f);
    if (owner[1] == other && owner[3] == own && mCenterY > h / 2.0f)
        m = m * mCenterY / (h / 2.0f);
    else if (owner[1] == own && owner[3] == other && mCenterY < h / 2.0f)
        m = m * (h - mCenterY) / (h / 2.0f);
    return m < 2.0f ? m : 2.0f;
}

void FlagsNode::Color() {
    mTaken = false;
    if (mExitNode) {
        mSecured = false;
        return;
    }
    bool secured = true;
    for (int32_t i = 0; i < GetCount(); ++i) {
        const int32_t holder = AIFlagHolder(FlagAt(this, i));
        if (holder < 0 || holder == OtherSide()) secured = false;
    }
    mSecured = secured;
}

bool FlagsNode::Defended(int32_t n, AIGroup** group, bool* half) {
    const int32_t k = static_cast<int32_t>(static_cast<float>(n) * 0.5f * mRating + 0.99f);
    AIGroup* found = nullptr;
    GList* graph = gBattle ? gBattle->mObjectiveGraph : nullptr;
    GList* groups = gBattle && gAISide >= 0 && gAISide <= 1 ? gBattle->mAIGroups[gAISide] : nullptr;
    if (graph && groups) {
        int32_t index = -1;
        for (int32_t i = 0; i < graph->GetCount(); ++i)
            if (graph->GetObjectA(i) == this) index = i;
        for (int32_t i = 0; index >= 0 && i < groups->GetCount(); ++i) {
            auto* g = static_cast<AIGroup*>(groups->GetObjectA(i));
            if (g->mOrder == kAIOrderHoldNode + index) {
                found = g;
                break;
            }
        }
    }
    if (group) *group = found;
    if (!found) {
        if (half) *half = false;
        return false;
    }
    if (half) *half = found->GetCount() >= (k + 1) / 2;
    return found->GetCount() >= k;
}

void FlagsNode::RateFlexibility() {
    Map* map = BattleMap();
    mZoneKinds[0] = mZoneKinds[1] = mZoneKinds[2] = false;
    mFlexible = false;
    if (!map) return;
    const int32_t cx = static_cast<int32_t>(mCenterX * 0.05f);
    const int32_t cy = static_cast<int32_t>(mCenterY * 0.05f);
    bool seen[8] = {};
    const int32_t x0 = cx - 10 > 0 ? cx - 10 : 0;
    const int32_t y0 = cy - 10 > 0 ? cy - 10 : 0;
    const int32_t x1 = map->mWidth - 1 < cx + 10 ? map->mWidth - 1 : cx + 10;
    const int32_t y1 = map->mHeight - 1 < cy + 10 ? map->mHeight - 1 : cy + 10;
    for (int32_t sx = x0; sx < x1; ++sx)
        for (int32_t sy = y0; sy < y1; ++sy)
            if (const Square* s = map->GetSquare(sx, sy)) seen[s->mSetupZone & 7] = true;
    const int32_t base = gAISide == kAxis ? 4 : 1;
    for (int32_t i = 0; i < 3; ++i)
        mZoneKinds[i] = seen[base + i];
    mFlexible = mZoneKinds[0] || mZoneKinds[1] || mZoneKinds[2];
}

// ---------------------------------------------------------------------------
// Building the graph

namespace {

VictoryFlag* AddFlag(Battle* b, float x, float y, int32_t kind) {
    auto* f = new VictoryFlag(); // places itself at random first, as every new flag does
    f->mX = x;
    f->mY = y;
    f->mKind = kind;
    b->mFlags.Add(f);
    return f;
}

FlagsNode* AddNode(GList* graph, VictoryFlag* flag, bool exitNode) {
    auto* node = new FlagsNode();
    node->IFlagsNode(flag);
    node->mExitNode = exitNode;
    graph->Add(node);
    return node;
}

void JoinNodes(GList* graph) {
    while (graph->GetCount() >= 2) {
        float best = kAIJoinDistance;
        FlagsNode* a = nullptr;
        FlagsNode* b = nullptr;
        for (int32_t i = 0; i < graph->GetCount(); ++i) {
            FlagsNode* n = NodeAt(graph, i);
            if (!n->mExitNode) n->GetShortestFlagDistance(i + 1, graph, &best, &a, &b);
        }
        if (!a || !b) return;
        a->Join(b);
        graph->Delete(b, true);
    }
}

// The point on the exit edge the chosen unit reaches by the shortest path.
void AddExitNode(Battle* b, GList* graph) {
    Map* map = b->mMap;
    if (!map || map->mWidthMetres <= 0.0f || map->mHeightMetres <= 0.0f) return;
    const int32_t own = gAISide;
    const int32_t s = b->mHasExitEdge[own] ? own : OtherSide();
    Unit* unit = nullptr;
    int32_t bestType = 0;
    for (int32_t i = 0; b->mUnits && i < b->mUnits->GetCount(); ++i) {
        auto* u = static_cast<Unit*>(b->mUnits->GetObjectA(i));
        // A marked unit of the side whose exit edge is used: the defender of
        // an exit battle has none of its own and plans against the other's.
        if (!u->mActive || !u->MarkedForExit() || aimove::SideOf(u) != s) continue;
        const int32_t t = u->PathType();
        if (!unit || t > bestType) {
            unit = u;
            bestType = t;
        }
    }
    if (!unit) return;
    const float w = map->mWidthMetres;
    const float h = map->mHeightMetres;
    const int32_t edge = b->mExitEdge[s];
    float px[13], py[13];
    for (int32_t i = 0; i <= 12; ++i) {
        const float f = static_cast<float>(i) / 12.0f;
        switch (edge) {
        case 0:
            px[i] = 0.0f;
            py[i] = f * h;
            break;
        case 2:
            px[i] = w;
            py[i] = f * h;
            break;
        case 1:
            px[i] = f * w;
            py[i] = h;
            break;
        default:
            px[i] = f * w;
            py[i] = 0.0f;
            break;
        }
    }
    map->CalculateAIPathGrids(s, bestType);
    float best = 9e20f;
    int32_t chosen = 6;
    Path path;
    for (int32_t i = 0; i <= 12; ++i) {
        if (map->AStar(unit, unit->mX, unit->mY, px[i], py[i], false, &path) != kPathFound) continue;
        float len = 0.0f, fx = unit->mX, fy = unit->mY;
        for (int32_t k = 0; k < path.mCount; ++k) {
            const float dx = path.mX[k] - fx, dy = path.mY[k] - fy;
            len += std::sqrt(dx * dx + dy * dy);
            fx = path.mX[k];
            fy = path.mY[k];
        }
        len = len * (0.9f + 0.2f * AIUniform());
        if (len < best) {
            best = len;
            chosen = i;
        }
    }
    map->DeleteAIPathGrids();
    float x = px[chosen], y = py[chosen];
    if (s != own) {
        const float r = 0.35f + 0.3f * AIUniform();
        switch (edge) {
        case 0:
            x = 0.35f * w;
            y = r * y + (1.0f - r) * h / 2.0f;
            break;
        case 2:
            x = 0.65f * w;
            y = r * y + (1.0f - r) * h / 2.0f;
            break;
        case 1:
            y = 0.65f * h;
            x = r * x + (1.0f - r) * w / 2.0f;
            break;
        default:
            y = 0.35f * h;
            x = r * x + (1.0f - r) * w / 2.0f;
            break;
        }
    }
    AddNode(graph, AddFlag(b, x, y, s == own ? 3 : 2), true);
}

// The computer's flags at an operation's front, in the set-up turn: where
// the planned side should stand (defending) or strike (attacking). The
// front lies across the attack; the flags are put on the side of it the
// attack moves toward.
void AddFrontFlags(Battle* b, const Campaign* op) {
    if (!b->mMap) return;
    const Map* ground = op->mMap ? op->mMap : b->mMap;
    const float w = b->mMap->mWidthMetres, h = b->mMap->mHeightMetres;
    const int32_t d = op->mAttackDirection & 3;
    const bool alongX = d == 0 || d == 2;
    // The front's place along the attack, in squares of this battle's map.
    int32_t squares;
    switch (d) {
    case 0:
        squares = op->mFrontLine - op->mSleeveOffsetX;
        break;
    case 2:
        squares = ground->mWidth - op->mFrontLine - op->mSleeveOffsetX;
        break;
    case 1:
        squares = ground->mHeight - op->mFrontLine - op->mSleeveOffsetY;
        break;
    default:
        squares = op->mFrontLine - op->mSleeveOffsetY;
        break;
    }
    const float front = static_cast<float>(squares) * 20.0f;
    const float sign = d == 0 || d == 3 ? 1.0f : -1.0f;
    const float depth = static_cast<float>(op->mFrontDepth);
    const float across = alongX ? h : w;
    auto place = [&](float along, float side) {
        float x = alongX ? along : side;
        float y = alongX ? side : along;
        x = std::clamp(x, 10.0f, std::max(w - 10.0f, 10.0f));
        y = std::clamp(y, 10.0f, std::max(h - 10.0f, 10.0f));
        AddFlag(b, x, y, 2);
    };
    if (gAIDefending) {
        const float along = front + sign * 0.75f * depth;
        place(along, 0.25f * across);
        place(along, 0.75f * across);
        return;
    }
    const int32_t count = RandomPair() % 3u == 0 ? 2 : 1;
    for (int32_t k = 0; k < count; ++k) {
        const bool last = k == count - 1;
        const float u = static_cast<float>(RandomFraction());
        const float along = front + sign * depth * (u + (last ? 2.5f : 0.75f));
        float side = static_cast<float>(RandomFraction()) * across;
        if (last) side = 0.25f * across + side / 2.0f;
        place(along, side);
    }
}

} // namespace

void Battle::AICalculateFlagGraph() {
    if (mObjectiveGraph) return;
    auto* graph = new GList();
    mObjectiveGraph = graph;
    if (!gCampaign) {
        int32_t n = mFlags.GetCount();
        if (n == 0 && !mHasExitEdge[0] && !mHasExitEdge[1]) {
            const float w = mMap ? mMap->mWidthMetres : 0.0f;
            const float h = mMap ? mMap->mHeightMetres : 0.0f;
            AddFlag(this, w / 2.0f, h / 2.0f, 2);
            n = 1;
        }
        if (!mPickRealFlag && !gAIDefending) PickOneRealFlag();
        bool exitFlagMet = false;
        for (int32_t i = 0; i < n; ++i) {
            VictoryFlag* f = FlagAt(&mFlags, i);
            const uint32_t draw = RandomPair() & 3u;
            if (draw != 0 && !(FlagsNode::ValueOf(f) > 0.0f)) continue;
            const bool exitFlag = f->mKind == 3;
            if (exitFlag) exitFlagMet = true;
            AddNode(graph, f, exitFlag);
        }
        JoinNodes(graph);
        if (!exitFlagMet && (mHasExitEdge[0] || mHasExitEdge[1])) AddExitNode(this, graph);
    } else {
        if (mSetupPhase && gCampaign->mFrontMode != 2) AddFrontFlags(this, gCampaign);
        // Every flag gets a node; with the front mode 2 they are joined.
        for (int32_t i = 0; i < mFlags.GetCount(); ++i) {
            VictoryFlag* f = FlagAt(&mFlags, i);
            AddNode(graph, f, f->mKind == 3);
        }
        if (gCampaign->mFrontMode == 2) JoinNodes(graph);
    }

    // Rating: each node's share of the flags' value. When the flags are
    // worth nothing at all, the nodes share alike.
    float total = 0.0f;
    for (int32_t i = 0; i < mFlags.GetCount(); ++i)
        total += FlagsNode::ValueOf(FlagAt(&mFlags, i));
    const int32_t nodes = graph->GetCount();
    for (int32_t i = 0; i < nodes; ++i) {
        FlagsNode* node = NodeAt(graph, i);
        float sum = 0.0f;
        for (int32_t k = 0; k < node->GetCount(); ++k)
            sum += FlagsNode::ValueOf(FlagAt(node, k));
        const float modifier = node->NearToEnemyEdgeModifier();
        node->mRating = total > 0.0f ? sum * modifier / total : modifier / static_cast<float>(nodes);
    }
}
