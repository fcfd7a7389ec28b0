// A group's moves for the turn: its units, rated and ordered, are handed to
// the combat, objective and fall-back moves as the group's order asks; the
// units left over stop and face their targets.

#include <algorithm>
#include <cmath>
#include <vector>

#include "ai/AIMoves.h"
#include "ai/AIPlanning.h"
#include "ai/FlagsNode.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/GOLTA.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

namespace {

constexpr float kEscortRadius = 60.0f;
constexpr float kExitNodeNear = 150.0f;
constexpr float kEnemyNear = 100.0f;
constexpr float kMaxMoveSuppression = 350.0f;
constexpr float kHidingScore = -9999.0f;
constexpr float kObjectiveDamping = 0.2f;

using Stubs = std::vector<UnitStubAI>;

bool OnBridge(Unit* u) {
    const Terrain t = u->GetOccupiedTerrain();
    return t >= kTerrainBridgeFirst && t <= kTerrainBrokenBridgeLast;
}

bool OnRoadOrBridge(Unit* u) {
    const Terrain t = u->GetOccupiedTerrain();
    return t == kTerrainRoad || t == kTerrainRoad2 ||
           (t >= kTerrainBridgeFirst && t <= kTerrainBrokenBridgeLast);
}

bool ControlledByPlannedSide(const Unit* u) {
    return (u->GetAffiliation() == gAISide) != u->mSurrendered;
}

int32_t MenLeft(const Unit* u) {
    return u->GetOriginalNrMen() - u->mCasualties;
}

// The share of a group, nearest first, whose wish to reach the objective is
// damped so that the front of the group waits for the rest.
float DampedShare(Unit* u) {
    if (u->mUnitType == kUnitInfantry) {
        if (u->IsLeader(nullptr)) return 0.45f;
        if (aimove::IsGunCrew(u)) return 0.64f;
        if (u->HasHeavyWeapon(kKnowTruth)) return 0.5f;
        return 0.25f;
    }
    if (Vehicle* v = aimove::AsVehicle(u)) {
        if (!v->IsArmoredVehicle(kKnowTruth, false)) return 0.75f;
        const int32_t open = v->OpenTopStatus(kKnowTruth);
        if (open == 2) return 0.7f;
        if (open == 1) return 0.55f;
        if (!v->HasHeavyWeapon(kKnowTruth)) return 0.45f;
        return 0.35f;
    }
    return 0.25f;
}

// An enemy infantry unit fit to fight within 100 m of the point.
bool HealthyEnemyInfantryNear(float x, float y) {
    if (!gBattle || !gBattle->mUnits) return false;
    for (int32_t i = 0; i < gBattle->mUnits->GetCount(); ++i) {
        Unit* e = gBattle->mUnits->GetUnit(i);
        if (!e->mActive || e->mUnitType != kUnitInfantry || e->GetAffiliation() == gAISide) continue;
        if (!e->InGoodOrder()) continue;
        const int32_t start = e->GetOriginalNrMen();
        if (start <= 0 || 2 * MenLeft(e) < start) continue;
        WeaponType weapon = kWeaponNone;
        e->GetWeaponInfo(&weapon, nullptr, kKnowTruth);
        if (!aimove::PlatoonMember(e) && weapon == kWeaponNone) continue;
        const float dx = e->mX - x;
        const float dy = e->mY - y;
        if (std::fabs(dx) >= kEnemyNear || std::fabs(dy) >= kEnemyNear) continue;
        if (std::sqrt(dx * dx + dy * dy) < kEnemyNear) return true;
    }
    return false;
}

// A platoon member of the mover's side already moving near it.
bool PlatoonMoverNear(Unit* m) {
    if (!gBattle || !gBattle->mUnits) return false;
    for (int32_t i = 0; i < gBattle->mUnits->GetCount(); ++i) {
        Unit* u = gBattle->mUnits->GetUnit(i);
        if (!u->mActive || u->mUnitType != kUnitInfantry || u->mSide != m->mSide) continue;
        if (!aimove::PlatoonMember(u) || !u->HasMovementOrders() || !u->InGoodOrder()) continue;
        if (aimove::Distance3D(u, m) < kEscortRadius) return true;
    }
    return false;
}

// The combat move's test; the second fraction is drawn only when the
// first comparison with a fraction holds.
bool WantsCombatMove(const UnitStubAI& s) {
    if (s.mCombat > 3.0f) return true;
    if (!(s.mCombat >= 2.0f + 0.2f * AIUniform())) return false;
    return s.mObjective < 2.3f + 0.4f * AIUniform();
}

void SortBy(Stubs& stubs, float UnitStubAI::*field, bool highestFirst) {
    std::stable_sort(stubs.begin(), stubs.end(),
                     [field, highestFirst](const UnitStubAI& a, const UnitStubAI& b) {
                         return highestFirst ? a.*field > b.*field : a.*field < b.*field;
                     });
}

// The first k stubs make the combat move when they want it; those that move
// leave the list.
void CombatMoves(Stubs& stubs, int32_t k) {
    std::vector<bool> moved(stubs.size(), false);
    for (int32_t i = 0; i < k && i < static_cast<int32_t>(stubs.size()); ++i) {
        const auto idx = static_cast<size_t>(i);
        if (!WantsCombatMove(stubs[idx])) continue;
        if (stubs[idx].mUnit->AIDoCombatMove(true, false)) {
            moved[idx] = true;
            AIAdvanceProgress();
        }
    }
    Stubs kept;
    for (size_t i = 0; i < stubs.size(); ++i)
        if (!moved[i]) kept.push_back(stubs[i]);
    stubs.swap(kept);
}

// Rates every stub for holding: distance to the node (0 without one), the
// combat wish only, with early-turn weight on good ground and hiding units
// last.
void RateForHolding(Stubs& stubs, FlagsNode* node) {
    const float turn = gBattle ? static_cast<float>(gBattle->mTurn) : 1.0f;
    const float last = gBattle && gBattle->mLastTurn > 0 ? static_cast<float>(gBattle->mLastTurn) : 1.0f;
    for (UnitStubAI& s : stubs) {
        s.mDistance = node ? s.mUnit->DistanceToLocation(node->mCenterX, node->mCenterY) : 0.0f;
        s.mUnit->AIRateFuzzies(s.mDistance, &s.mCombat, nullptr);
        const Terrain t = s.mUnit->GetOccupiedTerrain();
        if (t >= 5 && t <= 8 && turn / last < 0.333f) s.mCombat = s.mCombat * (3.0f * turn / last);
        s.mScore = s.mUnit->mHiding ? kHidingScore : s.mCombat - 0.5f * s.mObjective;
    }
    SortBy(stubs, &UnitStubAI::mScore, true);
    CombatMoves(stubs, static_cast<int32_t>(0.5f * static_cast<float>(stubs.size())));
}

void GoToNode(Stubs& stubs, FlagsNode* node, int32_t n) {
    const bool exitNode = node->mExitNode;
    for (UnitStubAI& s : stubs) {
        s.mDistance = s.mUnit->DistanceToLocation(node->mCenterX, node->mCenterY);
        s.mUnit->AIRateFuzzies(s.mDistance, &s.mCombat, &s.mObjective);
    }
    SortBy(stubs, &UnitStubAI::mDistance, false);
    for (size_t idx = 0; idx < stubs.size(); ++idx) {
        UnitStubAI& s = stubs[idx];
        if (exitNode && s.mDistance < kExitNodeNear) continue;
        if (s.mUnit->mUnitType == kUnitVehicle && OnRoadOrBridge(s.mUnit)) continue;
        if (static_cast<float>(idx + 1) < DampedShare(s.mUnit) * static_cast<float>(n))
            s.mObjective = s.mObjective * kObjectiveDamping;
    }
    for (UnitStubAI& s : stubs)
        s.mScore = s.mCombat - 0.5f * s.mObjective;
    SortBy(stubs, &UnitStubAI::mScore, true);
    CombatMoves(stubs, std::max(1, static_cast<int32_t>(0.5f * static_cast<float>(stubs.size()))));

    SortBy(stubs, &UnitStubAI::mObjective, true);
    const int32_t k = std::max(1, static_cast<int32_t>(0.75f * static_cast<float>(stubs.size())));
    std::vector<Unit*> movers;
    {
        std::vector<bool> moved(stubs.size(), false);
        for (int32_t i = 0; i < k && i < static_cast<int32_t>(stubs.size()); ++i) {
            const auto idx = static_cast<size_t>(i);
            Unit* u = stubs[idx].mUnit;
            // A vehicle on a bridge never waits there; for it no fraction is drawn.
            const bool go = (u->mUnitType == kUnitVehicle && OnBridge(u)) ||
                            AIUniform() < 0.8f * stubs[idx].mObjective - 1.3f;
            if (!go) continue;
            bool exposed = false;
            if (!u->AIDoObjectiveMove(node, &exposed)) continue;
            if (exposed && HealthyEnemyInfantryNear(u->mX, u->mY)) {
                u->CancelMovementOrders();
                continue;
            }
            moved[idx] = true;
            movers.push_back(u);
            AIAdvanceProgress();
        }
        Stubs kept;
        for (size_t i = 0; i < stubs.size(); ++i)
            if (!moved[i]) kept.push_back(stubs[i]);
        stubs.swap(kept);
    }

    // Escorts: a mover without platoon members moving near it takes one along.
    for (Unit* m : movers) {
        if (m->mUnitType != kUnitInfantry || PlatoonMoverNear(m)) continue;
        bool escorted = false;
        for (size_t i = 0; i < stubs.size(); ++i) {
            Unit* u = stubs[i].mUnit;
            if (u->mUnitType != kUnitInfantry || !aimove::PlatoonMember(u)) continue;
            if (aimove::Distance3D(u, m) >= kEscortRadius) continue;
            if (!(AIUniform() < 0.75f * stubs[i].mObjective)) continue;
            if (!u->AIDoObjectiveMove(node, nullptr)) continue;
            AIAdvanceProgress();
            stubs.erase(stubs.begin() + static_cast<std::ptrdiff_t>(i));
            escorted = true;
            break;
        }
        if (escorted || !m->mTarget) continue;
        if (n < static_cast<int32_t>(4 + (RandomPair() & 3))) continue;
        int32_t close = 0;
        for (Unit* other : movers)
            if (other != m && aimove::Distance3D(other, m) < kEscortRadius) ++close;
        if (close >= 2) m->CancelMovementOrders();
    }

    // Most of the group still waiting: its squads go all the same.
    if (n > 0 && 0.6f + 0.1f * AIUniform() < static_cast<float>(stubs.size()) / static_cast<float>(n)) {
        Stubs kept;
        for (UnitStubAI& s : stubs) {
            Unit* u = s.mUnit;
            if (u->mUnitType == kUnitInfantry && aimove::PlatoonMember(u) && MenLeft(u) >= 5 &&
                u->AIDoObjectiveMove(node, nullptr))
                continue;
            kept.push_back(s);
        }
        stubs.swap(kept);
    }
}

} // namespace

void AIGroup::MoveUnits() {
    Stubs stubs;
    for (int32_t i = 0; i < GetCount(); ++i) {
        auto* u = static_cast<Unit*>(GetObjectA(i));
        if (!u || !u->mActive) continue;
        if (u->mUnitType == kUnitInanimate || u->mUnitType == kUnitAirplane) continue;
        if (!ControlledByPlannedSide(u)) continue;
        if (u->mUnitType == kUnitInfantry && u->IsPassenger(false)) continue;
        if (u->mSuppression >= kMaxMoveSuppression) continue;
        UnitStubAI s;
        s.mUnit = u;
        stubs.push_back(s);
    }
    for (UnitStubAI& s : stubs) {
        s.mUnit->mCommandDelay = 0.0f;
        s.mUnit->mQueuedDelay = 0;
    }
    const auto n = static_cast<int32_t>(stubs.size());

    int32_t order = mOrder;
    FlagsNode* node = OrderNode();
    // An order naming no node of the graph holds where the group stands.
    if (order >= kAIOrderHoldNode && !node) order = kAIOrderHold;
    if (order >= kAIOrderGoToNode) {
        GoToNode(stubs, node, n);
    } else if (order >= kAIOrderHoldNode) {
        RateForHolding(stubs, node);
    } else if (order == kAIOrderHold) {
        RateForHolding(stubs, nullptr);
    } else if (order == kAIOrderFallBack || order == kAIOrderLooseFallBack) {
        for (UnitStubAI& s : stubs) {
            s.mUnit->AIDoLoserMove(order == kAIOrderLooseFallBack);
            AIAdvanceProgress();
        }
        stubs.clear();
    }

    for (UnitStubAI& s : stubs) {
        Unit* u = s.mUnit;
        u->CancelMovementOrders();
        if (Vehicle* v = aimove::AsVehicle(u)) {
            v->AIDumpPassengers();
            if (v->IsArmoredVehicle(kKnowTruth, false) && v->HasOrdnance(false, false) &&
                aimove::HasFunctioningMG(v, false) && v->mTarget)
                v->ReceiveMoveOrders(v->mTarget->mX, v->mTarget->mY, kOrderRotate, nullptr, true, false,
                                     false, true);
        }
        AIAdvanceProgress();
    }
}
