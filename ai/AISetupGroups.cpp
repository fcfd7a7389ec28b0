// The groups of the computer side's set-up: guards of the objective nodes,
// reserves, platoons brought together, and reinforcements.

#include <cmath>

#include "ai/AIGeometry.h"
#include "ai/AISetup.h"
#include "ai/FlagsNode.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Infantry.h"
#include "units/Unit.h"

namespace {

GList* SideGroups() {
    return gBattle && gAISide >= 0 && gAISide <= 1 ? gBattle->mAIGroups[gAISide] : nullptr;
}

bool PlatoonMember(const Unit* u) {
    return u->mUnitType == kUnitInfantry && gInfantryData[u->mSubtype].mPlatoonMember != 0;
}

bool SameField(const Unit* a, const Unit* b) {
    return a->mSetupZone == b->mSetupZone;
}

// The unit itself, or the carrier it rides.
Unit* Standing(Unit* u) {
    return u->IsPassenger(false) && u->mTransport ? u->mTransport : u;
}

void SwapPlaces(Unit* a, Unit* b) {
    const float ax = a->mX, ay = a->mY;
    a->AISetLocation(b->mX, b->mY);
    b->AISetLocation(ax, ay);
}

void MoveBetween(Unit* u, AIGroup* from, AIGroup* to) {
    if (from) from->Delete(u, false);
    if (to) to->Add(u);
}

int32_t ZoneCodeAt(float x, float y) {
    Map* map = gBattle->mMap;
    if (!map || !map->OnMap(x, y)) return 0;
    const Square* s = map->GetSquare(static_cast<int32_t>(x * 0.05f), static_cast<int32_t>(y * 0.05f));
    return s ? s->mSetupZone : 0;
}

} // namespace

AIGroup* AIGroupHolding(Unit* unit) {
    GList* groups = SideGroups();
    for (int32_t i = 0; groups && i < groups->GetCount(); ++i) {
        auto* g = static_cast<AIGroup*>(groups->GetObjectA(i));
        if (g->IsMember(unit)) return g;
    }
    return nullptr;
}

AIGroup* AIGuardGroup(FlagsNode* node) {
    AIGroup* group = nullptr;
    node->Defended(0, &group, nullptr);
    GList* groups = SideGroups();
    if (!group && groups) {
        group = new AIGroup;
        group->mOrder = kAIOrderHoldNode + AINodeIndex(node);
        groups->Add(group);
    }
    return group;
}

bool AIAttachFixedGuard(Unit* unit, int32_t* count) {
    const float range = AIFlagGuardSetupRange(unit);
    GList* nodes = AISortFlagsNodesByProximity(unit->mX, unit->mY);
    FlagsNode* taken = nullptr;
    for (int32_t i = 0; i < nodes->GetCount(); ++i) {
        auto* node = static_cast<FlagsNode*>(nodes->GetObjectA(i));
        if (node->GetAbstractDistanceTo(unit->mX, unit->mY) > range) break;
        AIGroup* group = nullptr;
        if (node->Defended(*count, &group, nullptr)) continue;
        taken = node;
        break;
    }
    delete nodes;
    if (!taken || !SideGroups()) return false;
    AIGuardGroup(taken)->Add(unit);
    AIAdvanceProgress();
    return true;
}

void AIAssignFlagDefenders(int32_t count, GList* nodes, AIGroup* pool, GDynamicArray* grid) {
    if (!nodes || !pool || !SideGroups()) return;
    for (int32_t pass = 0; pass < 2; ++pass) {
        for (int32_t n = 0; n < nodes->GetCount() && pool->GetCount() > 0; ++n) {
            auto* node = static_cast<FlagsNode*>(nodes->GetObjectA(n));
            AIGroup* group = nullptr;
            bool half = false;
            bool done = node->Defended(count, &group, pass == 0 ? &half : nullptr);
            if (pass == 0) done = half;
            if (done) continue;
            for (int32_t i = 0; i < pool->GetCount() && !done;) {
                auto* u = static_cast<Unit*>(pool->GetObjectA(i));
                if (!AIPlaceDefender(u, node, grid)) {
                    ++i;
                    continue;
                }
                pool->DeleteIndex(i, false);
                AIGuardGroup(node)->Add(u);
                AIAdvanceProgress();
                done = node->Defended(count, &group, pass == 0 ? &half : nullptr);
                if (pass == 0) done = half;
            }
        }
    }
}

void AIGroupReserves(GList* groups) {
    if (!groups) return;
    const int32_t nodes = gBattle->mObjectiveGraph ? gBattle->mObjectiveGraph->GetCount() : 0;
    const int32_t target = std::max(nodes - 1, 1);
    while (groups->GetCount() > target) {
        int32_t bi = -1, bj = -1;
        float best = 0.0f;
        for (int32_t i = 0; i < groups->GetCount(); ++i) {
            auto* a = static_cast<AIGroup*>(groups->GetObjectA(i));
            for (int32_t j = i + 1; j < groups->GetCount(); ++j) {
                auto* b = static_cast<AIGroup*>(groups->GetObjectA(j));
                const float dx = a->mCenterX - b->mCenterX, dy = a->mCenterY - b->mCenterY;
                const float d = std::sqrt(dx * dx + dy * dy);
                if (bi < 0 || d < best) {
                    best = d;
                    bi = i;
                    bj = j;
                }
            }
        }
        auto* keep = static_cast<AIGroup*>(groups->GetObjectA(bi));
        auto* gone = static_cast<AIGroup*>(groups->GetObjectA(bj));
        keep->ConcatGroup(gone);
        keep->SetupRecenter();
        groups->DeleteIndex(bj, false);
        delete gone;
    }
    for (int32_t i = 0; i < groups->GetCount(); ++i)
        static_cast<AIGroup*>(groups->GetObjectA(i))->mOrder = nodes == 1 ? kAIOrderGoToNode : kAIOrderHold;
}

void AIRegroupPlatoons(GList* list) {
    if (!list || !gBattle) return;
    for (;;) {
        gBattle->CheckAllLeadership();
        list->DeleteSome(
            [](GObject* m, void* context) -> bool {
                auto* u = static_cast<Unit*>(m);
                auto* all = static_cast<GList*>(context);
                if (u->mSetupZone == 7 || u->mUnitType != kUnitInfantry || u->IsPassenger(false)) return true;
                if (PlatoonMember(u)) return u->mHQ == u->mPlatoonHQ;
                for (int32_t i = 0; i < all->GetCount(); ++i) {
                    auto* o = static_cast<Unit*>(all->GetObjectA(i));
                    if (PlatoonMember(o) && o->mHQ == u) return true;
                }
                return false;
            },
            list, false);
        bool swapped = false;
        for (int32_t i = 0; i < list->GetCount() && !swapped; ++i) {
            auto* u = static_cast<Unit*>(list->GetObjectA(i));
            Unit* h = u->mPlatoonHQ;
            if (!PlatoonMember(u) || !h || h->IsPassenger(false)) continue;
            AIGroup* gu = AIGroupHolding(u);
            AIGroup* gh = AIGroupHolding(h);
            if (!gu || !gh || gu == gh) continue;
            Unit* w = nullptr;
            bool first = true;
            for (int32_t k = 0; k < gh->GetCount() && !w; ++k) {
                auto* c = static_cast<Unit*>(gh->GetObjectA(k));
                if (c != h && list->IsMember(c) && SameField(c, u)) w = c;
            }
            if (!w && list->IsMember(h)) {
                first = false;
                for (int32_t k = 0; k < gu->GetCount() && !w; ++k) {
                    auto* c = static_cast<Unit*>(gu->GetObjectA(k));
                    if (c != u && list->IsMember(c) && SameField(c, h)) w = c;
                }
            }
            if (!w) continue;
            if (first) {
                SwapPlaces(u, w);
                MoveBetween(u, gu, gh);
                MoveBetween(w, gh, gu);
            } else {
                SwapPlaces(h, w);
                MoveBetween(h, gh, gu);
                MoveBetween(w, gu, gh);
            }
            list->Delete(u, false);
            list->Delete(h, false);
            w->CheckLeadership();
            if (w->mHQ == w->mPlatoonHQ) list->Delete(w, false);
            swapped = true;
        }
        if (!swapped) break;
    }
    gBattle->CheckAllLeadership();
}

void AISwapPlatooners() {
    UnitList* units = gBattle ? gBattle->mUnits : nullptr;
    if (!units) return;
    GList heads, members;
    heads.PreserveObjects();
    members.PreserveObjects();
    for (int32_t i = 0; i < units->GetCount(); ++i) {
        Unit* u = units->GetUnit(i);
        if (u->GetAffiliation() != gAISide || !PlatoonMember(u) || u->mSetupZone == 7) continue;
        members.Add(u);
        if (u->GetUnitNumber() == 1) heads.Add(u);
    }
    heads.InsertionSort(
        [](GObject* a, GObject* b, void*) -> int32_t {
            const int32_t ia = static_cast<Unit*>(a)->mPackedID, ib = static_cast<Unit*>(b)->mPackedID;
            return ia < ib ? -1 : (ia > ib ? 1 : 0);
        },
        nullptr);
    for (int32_t hI = 0; hI < heads.GetCount(); ++hI) {
        auto* a = static_cast<Unit*>(heads.GetObjectA(hI));
        for (int32_t i = 0; i < members.GetCount(); ++i) {
            auto* m = static_cast<Unit*>(members.GetObjectA(i));
            m->mAISortScore = Distance(a->mX, a->mY, a->GetZ(), m->mX, m->mY, m->GetZ());
        }
        members.InsertionSort(
            [](GObject* x, GObject* y, void*) -> int32_t {
                const float dx = static_cast<Unit*>(x)->mAISortScore,
                            dy = static_cast<Unit*>(y)->mAISortScore;
                return dx < dy ? -1 : (dy < dx ? 1 : 0);
            },
            nullptr);
        auto inPlatoon = [a](const Unit* u) {
            return u->GetPlatoonNumber() == a->GetPlatoonNumber() &&
                   u->GetCompanyNumber() == a->GetCompanyNumber();
        };
        for (int32_t i = 0; i + 1 < members.GetCount(); ++i) {
            auto* u = static_cast<Unit*>(members.GetObjectA(i));
            if (inPlatoon(u)) continue;
            bool anyFollows = false;
            int32_t found = -1;
            for (int32_t j = i + 1; j < members.GetCount() && found < 0; ++j) {
                auto* w = static_cast<Unit*>(members.GetObjectA(j));
                if (!inPlatoon(w)) continue;
                anyFollows = true;
                if (!SameField(u, w)) continue;
                Unit* su = Standing(u);
                Unit* sw = Standing(w);
                if (u->mSetupZone == 0 &&
                    (ZoneCodeAt(su->mX, su->mY) == 0 || ZoneCodeAt(sw->mX, sw->mY) == 0))
                    continue;
                if (!su->CanOccupyLocation(sw->mX, sw->mY, true) ||
                    !sw->CanOccupyLocation(su->mX, su->mY, true))
                    continue;
                found = j;
            }
            if (!anyFollows) break;
            if (found < 0) continue;
            auto* w = static_cast<Unit*>(members.GetObjectA(found));
            Unit* su = Standing(u);
            Unit* sw = Standing(w);
            members.Swap(i, found);
            SwapPlaces(su, sw);
            if (gAIDefending) {
                AIGroup* gu = AIGroupHolding(su);
                AIGroup* gw = AIGroupHolding(sw);
                if (gu && gw && gu != gw) {
                    MoveBetween(su, gu, gw);
                    MoveBetween(sw, gw, gu);
                }
            }
        }
    }
}

void Battle::AIAddReinforcementGroup(GList* arriving) {
    if (!arriving || arriving->GetCount() == 0) return;
    const Affiliation side = static_cast<Unit*>(arriving->GetObjectA(0))->GetAffiliation();
    GList* groups = mAIGroups[side];
    if (!groups) return;
    auto* group = new AIGroup;
    group->ConcatGroup(arriving);
    group->mOrder = mAttacker != side && mAttacker != 2 ? kAIOrderHold : kAIOrderNone;
    groups->Add(group);
}
