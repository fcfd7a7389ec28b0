// The computer opponent's turn: the fixed sequence of planning steps for the
// side the human does not play, and the passes over the units around the
// group moves.

#include <algorithm>
#include <cmath>
#include <vector>

#include "ai/AIGeometry.h"
#include "ai/AIMoves.h"
#include "ai/AIPanel.h"
#include "ai/AIPlanning.h"
#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/UnitList.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/Unit.h"
#include "units/ValueMemo.h"

namespace {

constexpr float kBunchingRadius = 25.0f;
constexpr float kBunchingClose = 8.0f;
constexpr float kIdleTankArc = 30.0f;
constexpr int32_t kExtraSteps = 6;

AIGroup* GroupAt(GList* list, int32_t i) {
    return static_cast<AIGroup*>(list->GetObjectA(i));
}

// The first group of the list that holds the unit, or null.
AIGroup* GroupHolding(GList* list, Unit* u) {
    for (int32_t i = 0; list && i < list->GetCount(); ++i)
        if (GroupAt(list, i)->IsMember(u)) return GroupAt(list, i);
    return nullptr;
}

// Where a unit will stand: its final destination, or its place.
void BunchingPoint(Unit* u, float* x, float* y) {
    *x = u->mX;
    *y = u->mY;
    if (u->HasMovementOrders()) {
        char flag = 0;
        u->GetFinalDestination(x, y, &flag);
    }
}

bool ReadyToMove(Unit* u) {
    return u->InGoodOrder() && u->CanMovePhysically();
}

} // namespace

// The chance that a defender's hidden units give up their ambush this turn.
float AIAmbushReleaseChance(int32_t turn, bool enemyHasBoat) {
    if (enemyHasBoat) return 1.0f;
    float p = 1.0f;
    for (int32_t i = turn; i >= 1; --i)
        p = p * static_cast<float>(0.85 - 0.03 * static_cast<double>(i));
    return 1.0f - p;
}

void Battle::AIOperational(Affiliation side) {
    if (side < 0 || side > 1) return;
    BattleHost* host = Host();
    mAIThinking = true;
    if (mMap) {
        mMap->mDrawMode = 0;
        mMap->mLOSCacheOn = false;
    }
    // Planning changes nothing on the map: a line traced again is answered
    // from the first trace.
    Map::TraceReuseScope reuse(mMap);
    ValueMemoScope values;
    int16_t fill = 0;
    GView* box = host->MakeAIBox(&fill);
    if (box) {
        auto* panel = new AIPanel;
        gAIPanel = panel;
        panel->IAIPanel(box, fill);
    }
    const Affiliation viewing = host->ViewingSide();
    host->SetViewingSide(side);
    gAIDefending = mAttacker != side && mAttacker != 2;
    gAISide = side;
    AICalculateFlagGraph();
    ColorVictoryFlags(mTurn > 1, false);

    auto* panel = static_cast<AIPanel*>(gAIPanel);
    GList* groups = mAIGroups[side];
    if (mSetupPhase) {
        if (!groups) AISetup();
    } else if (groups && groups->GetCount() > 0) {
        AICollectFraidyCats();
        AIGroupLevel();
        groups = mAIGroups[side];
        int32_t moving = 0;
        for (int32_t g = 0; groups && g < groups->GetCount(); ++g) {
            AIGroup* group = GroupAt(groups, g);
            for (int32_t i = 0; i < group->GetCount(); ++i) {
                auto* u = static_cast<Unit*>(group->GetObjectA(i));
                if (!u->mActive || !u->InGoodOrder()) continue;
                if (u->mUnitType == kUnitInfantry && u->IsPassenger(false)) continue;
                ++moving;
            }
        }
        if (panel) {
            panel->SetProgressIncrement(moving + kExtraSteps);
            panel->IncrementProgress();
        }
        if (mMap) mMap->CalculateAIPathGrids(side, -1);
        if (panel) panel->IncrementProgresses(3);

        if (gAIDefending) {
            const float p = AIAmbushReleaseChance(mTurn, HasBoat(1 - side));
            const double r = RandomFraction();
            if (r < p && mUnits) {
                for (int32_t i = 0; i < mUnits->GetCount(); ++i) {
                    Unit* u = mUnits->GetUnit(i);
                    if (u->mHiding && u->mActive && u->GetAffiliation() == side && u->InGoodOrder())
                        u->mHiding = false;
                }
            }
        }

        for (int32_t g = 0; groups && g < groups->GetCount(); ++g)
            GroupAt(groups, g)->MoveUnits();
        AIAvoidBunching();
        AITargetArtillery();
        AIFaceIdleTanks();
        AIAdvanceProgress();
        if (mMap) mMap->DeleteAIPathGrids();
        AIAdvanceProgress();
    }

    // Closing, on every path.
    mAIThinking = false;
    host->SetViewingSide(viewing);
    ColorVictoryFlags(true, false);
    if (mMap) {
        mMap->mDrawMode = 2;
        mMap->mLOSCacheOn = true;
    }
    delete box;
    gAIPanel = nullptr;
    host->RefreshWindow();
    host->UpdateScreen();
}

void Battle::AICollectFraidyCats() {
    GList* groups = mAIGroups[gAISide];
    if (!groups || !mUnits) return;
    AIGroup* loose = nullptr;
    for (int32_t g = 0; g < groups->GetCount() && !loose; ++g)
        if (GroupAt(groups, g)->mOrder == kAIOrderLooseFallBack) loose = GroupAt(groups, g);
    const bool made = !loose;
    if (made) {
        loose = new AIGroup;
        loose->mOrder = kAIOrderLooseFallBack;
    }
    for (int32_t i = 0; i < mUnits->GetCount(); ++i) {
        Unit* u = mUnits->GetUnit(i);
        if (!u->mActive) continue;
        if (u->GetAffiliation() != gAISide && !u->mSurrendered) continue;
        if (u->mUnitType == kUnitAirplane || u->mUnitType == kUnitInanimate) continue;
        if (u->IsPassenger(false) || loose->IsMember(u)) continue;
        AIGroup* holder = GroupHolding(groups, u);
        if (holder && !u->mFreed) continue;
        loose->Add(u);
        if (holder) holder->Delete(u, false);
    }
    if (made && loose->GetCount() == 0) {
        delete loose;
        return;
    }
    if (made) groups->Add(loose);
    loose->DeleteSome(
        [](GObject* m, void*) {
            auto* u = static_cast<Unit*>(m);
            return u->GetAffiliation() != gAISide && u->mFreed;
        },
        nullptr, false);
}

void Battle::AIAvoidBunching() {
    if (!mUnits) return;
    std::vector<Unit*> list;
    for (int32_t i = 0; i < mUnits->GetCount(); ++i) {
        Unit* u = mUnits->GetUnit(i);
        if (!u->mActive || u->mUnitType != kUnitInfantry || u->GetAffiliation() != gAISide) continue;
        if (u->HasMovementOrders()) {
            float k;
            switch (u->GetSpeedClass()) {
            case 2:
                k = 1.0f;
                break;
            case 3:
                k = 2.0f;
                break;
            case 4:
                k = 3.0f;
                break;
            default:
                k = 0.5f;
                break;
            }
            const float reach = std::min(k * 26.838f, 75.0f);
            float x = 0.0f;
            float y = 0.0f;
            char flag = 0;
            u->GetFinalDestination(&x, &y, &flag);
            if (reach < u->DistanceToLocation(x, y)) continue;
        }
        list.push_back(u);
    }
    // Units that cannot move first, then those with orders; otherwise the
    // list's order stands.
    std::stable_sort(list.begin(), list.end(), [](Unit* a, Unit* b) {
        const bool ra = ReadyToMove(a);
        const bool rb = ReadyToMove(b);
        if (ra != rb) return !ra;
        return a->HasMovementOrders() && !b->HasMovementOrders();
    });
    for (size_t i = 0; i < list.size(); ++i) {
        Unit* u = list[i];
        float x = 0.0f;
        float y = 0.0f;
        BunchingPoint(u, &x, &y);
        float crowding = 0.0f;
        for (size_t j = i + 1; j < list.size(); ++j) {
            float ox = 0.0f;
            float oy = 0.0f;
            BunchingPoint(list[j], &ox, &oy);
            const float dx = ox - x;
            const float dy = oy - y;
            const float d = std::sqrt(dx * dx + dy * dy);
            if (d < kBunchingRadius) crowding += d <= kBunchingClose ? 1.0f : (kBunchingRadius - d) / 17.0f;
        }
        const float tem = u->GetGenericTEM(x, y, false, true);
        const float threshold = 4.41f * std::exp(-3.06f * tem);
        if (crowding < threshold) continue;
        if (u->HasMovementOrders())
            u->CancelMovementOrders();
        else
            u->AIDoCombatMove(true, true);
    }
}

void Battle::AIFaceIdleTanks() {
    if (!mUnits) return;
    for (int32_t i = 0; i < mUnits->GetCount(); ++i) {
        Unit* u = mUnits->GetUnit(i);
        if (!u->mActive || u->GetAffiliation() != gAISide || u->mUnitType != kUnitVehicle) continue;
        if (u->mNrWaypoints != 0 || !u->mTarget || u->mCoveredArc || u->CanMovePhysically()) continue;
        if (!u->InGoodOrder() || !u->CanDoOrder(kOrderRotate) || !u->HasHeavyWeapon(kKnowTruth)) continue;
        const float tx = u->mTarget->mX;
        const float ty = u->mTarget->mY;
        if (_AngleOff(u->mHeading, u->mX, u->mY, tx, ty, true) > kIdleTankArc)
            u->ReceiveMoveOrders(tx, ty, kOrderRotate, nullptr, true, false, true, true);
    }
}

void Battle::RemoveUnitFromAI(Unit* unit) {
    if (!unit) return;
    GList* groups = mAIGroups[unit->GetAffiliation()];
    if (AIGroup* holder = GroupHolding(groups, unit)) holder->Delete(unit, false);
}

void AIForgetUnit(Battle* battle, Unit* unit) {
    if (!battle) return;
    for (GList* list : battle->mAIGroups)
        for (int32_t g = 0; list && g < list->GetCount(); ++g)
            GroupAt(list, g)->Delete(unit, false);
}
