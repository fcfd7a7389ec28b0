// The computer side's set-up turn: sorts the side's units, rates its zone's
// lines of fire, places units and fortifications, gives the objectives
// their guards and leaves the side with its first groups.

#include "ai/AISetup.h"
#include "ai/AIPanel.h"
#include "ai/FlagsNode.h"
#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/Campaign.h"
#include "battle/UnitList.h"
#include "engine/GDynamicArray.h"
#include "engine/GOLTA.h"
#include "units/DataTables.h"
#include "units/Inanimate.h"
#include "units/Unit.h"

bool gAIFreeSetup = false;

namespace {

bool IsLeaderOfKind1(Unit* u) {
    int32_t level = 0;
    return u->mUnitType == kUnitInfantry && u->IsLeader(&level) && level == 1;
}

// Set-up order: smaller defensive type first, then nearer to its nearest
// objective node.
int32_t CompareSetupOrder(GObject* ga, GObject* gb, void*) {
    auto* a = static_cast<Unit*>(ga);
    auto* b = static_cast<Unit*>(gb);
    const int32_t ta = a->AIDefensiveType(), tb = b->AIDefensiveType();
    if (ta < tb) return -1;
    if (ta > tb) return 1;
    float da = 0.0f, db = 0.0f;
    AIGetNearestFlagsNode(a->mX, a->mY, &da);
    AIGetNearestFlagsNode(b->mX, b->mY, &db);
    if (da < db) return -1;
    if (da > db) return 1;
    return 0;
}

void RemainingPlacement(AIGroup* group, GDynamicArray* grid) {
    for (int32_t i = 0; i < group->GetCount(); ++i) {
        auto* u = static_cast<Unit*>(group->GetObjectA(i));
        if (u->mSetupZone == 7 || u->AIDefensiveType() == 1) continue;
        if (!gAIDefending && IsLeaderOfKind1(u)) continue;
        AIPlace(u, grid, false);
        AIAdvanceProgress();
    }
}

struct LeaderContext {
    GDynamicArray* grid;
};

} // namespace

int32_t AIAttackGroupCount(int32_t nodes) {
    if (nodes <= 1) return 1;
    if (nodes == 6) return 2;
    const uint32_t r = RandomPair();
    switch (nodes) {
    case 2:
        return (r & 3) <= 2 ? 1 : 2;
    case 3:
        return r % 3 <= 1 ? 1 : 2;
    case 4:
        return (r & 1) == 0 ? 1 : 2;
    case 5:
        return r % 3 == 1 ? 1 : 2;
    default:
        return (r & 3) <= 2 ? 2 : 3;
    }
}

void Battle::AISetup() {
    if (!mMap || !mUnits || gAISide < 0 || gAISide > 1) return;
    const Affiliation side = gAISide;
    // 1. The side's group list and the working lists.
    delete mAIGroups[side];
    mAIGroups[side] = new GList;
    GList* groups = mAIGroups[side];
    auto* unassigned = new AIGroup;
    GList fortifications, fixed, platoon;
    fortifications.PreserveObjects();
    fixed.PreserveObjects();
    platoon.PreserveObjects();

    // 2. Free placement.
    BattleHost* host = Host();
    gAIFreeSetup = (host && host->ComputerSetupOption() == 1) || mSideShortA[0] != 0 ||
                   (gCampaign && gCampaign->mTurn > 1);

    // 3. Sorting the side's units.
    const int32_t fog = host ? host->FogOfWarLevel() : 0;
    for (int32_t i = mUnits->GetCount() - 1; i >= 0; --i) {
        Unit* u = mUnits->GetUnit(i);
        if (u->GetAffiliation() != side || !u->mActive) continue;
        // Set-up zone fields the side cannot use mean a fixed unit.
        if (u->mSetupZone < 0 || u->mSetupZone > 7) u->mSetupZone = 7;
        if (!mHasExitEdge[side]) u->mExiting = false;
        const bool passenger = u->IsPassenger(false);
        if (u->mUnitType == kUnitInfantry && passenger && u->mTransport && u->mTransport->mSetupZone == 7)
            u->mSetupZone = 7;
        if (u->mUnitType != kUnitAirplane && !passenger) {
            if (u->mUnitType == kUnitInanimate) {
                if (u->mSetupZone != 7) fortifications.Add(u);
            } else {
                unassigned->Add(u);
            }
        }
        if (gAIDefending && fog > 0 && u->mUnitType == kUnitInfantry) u->mHiding = true;
        if (u->mSetupZone != 7 && u->mUnitType != kUnitInanimate && !u->mImmobile) {
            int32_t d = HomeMapEdge(side);
            if (u->mUnitType == kUnitVehicle && gVehicleData[u->mSubtype].mGunToRear < 0) d = (d + 2) % 4;
            static const float kFacing[4] = {0.0f, 270.0f, 180.0f, 90.0f};
            u->mHeading = kFacing[d & 3];
        }
    }

    if (gAIPanel)
        static_cast<AIPanel*>(gAIPanel)->SetProgressIncrement(unassigned->GetCount() + 4 +
                                                              fortifications.GetCount());

    // 5. The holding group, then the unassigned group.
    auto* holding = new AIGroup;
    holding->mOrder = 1;
    groups->Add(holding);
    groups->Add(unassigned);

    // 6. Lines of fire.
    auto* grid = new GDynamicArray;
    if (AIMakeLinesOfFireGrid(grid)) AIRateLinesOfFire(grid);
    AIAdvanceProgress();

    int32_t count = 0;
    if (gAIDefending) {
        // 7. Fixed units, platoons and fixed guards.
        for (int32_t i = 0; i < unassigned->GetCount(); ++i)
            if (static_cast<Unit*>(unassigned->GetObjectA(i))->AIDefensiveType() != 0) ++count;
        for (int32_t i = unassigned->GetCount() - 1; i >= 0; --i) {
            auto* u = static_cast<Unit*>(unassigned->GetObjectA(i));
            if (u->mSetupZone == 7 || !gAIFreeSetup) {
                u->mSetupZone = 7;
                unassigned->DeleteIndex(i, false);
                fixed.Add(u);
            }
        }
        for (int32_t i = 0; i < unassigned->GetCount(); ++i) {
            auto* u = static_cast<Unit*>(unassigned->GetObjectA(i));
            if (u->mUnitType == kUnitInfantry &&
                (gInfantryData[u->mSubtype].mPlatoonMember != 0 || IsLeaderOfKind1(u)))
                platoon.Add(u);
        }
        for (int32_t i = 0; i < fixed.GetCount();) {
            auto* u = static_cast<Unit*>(fixed.GetObjectA(i));
            if (u->AIDefensiveType() == 0) {
                fixed.DeleteIndex(i, false);
                holding->Add(u);
                AIAdvanceProgress();
            } else {
                ++i;
            }
        }
        fixed.QuickSort(CompareSetupOrder, nullptr);
        fixed.DeleteSome(
            [](GObject* m, void* context) -> bool {
                return AIAttachFixedGuard(static_cast<Unit*>(m), static_cast<int32_t*>(context));
            },
            &count, false);
    }

    // 8. Units to be placed wait off the map.
    if (gAIFreeSetup)
        for (int32_t i = 0; i < unassigned->GetCount(); ++i) {
            auto* u = static_cast<Unit*>(unassigned->GetObjectA(i));
            if (u->mSetupZone != 7) u->mX += 99999.0f;
        }

    // 9. Trenches, before any unit stands.
    if (fortifications.GetCount() > 0 && gAIFreeSetup) AIPlaceTrenches(&fortifications, grid);

    // 10. Holders and units of defensive type 1.
    for (int32_t i = 0; i < unassigned->GetCount();) {
        auto* u = static_cast<Unit*>(unassigned->GetObjectA(i));
        const int32_t type = u->AIDefensiveType();
        if (type != 0 && type != 1) {
            ++i;
            continue;
        }
        if (u->mSetupZone != 7 && gAIFreeSetup) AIPlace(u, grid, true);
        AIAdvanceProgress();
        if (type == 0) {
            unassigned->DeleteIndex(i, false);
            holding->Add(u);
        } else {
            ++i;
        }
    }

    GList* graph = mObjectiveGraph;
    const int32_t nodes = graph ? graph->GetCount() : 0;
    if (gAIDefending) {
        // 11. Guards, reserves and platoons.
        unassigned->QuickSort(CompareSetupOrder, nullptr);
        GList nodeCopy;
        nodeCopy.PreserveObjects();
        for (int32_t i = 0; i < nodes; ++i) {
            auto* node = static_cast<FlagsNode*>(graph->GetObjectA(i));
            node->RateFlexibility();
            nodeCopy.Add(node);
        }
        nodeCopy.RandomShuffle();
        nodeCopy.QuickSort(
            [](GObject* a, GObject* b, void*) -> int32_t {
                const bool fa = static_cast<FlagsNode*>(a)->mFlexible,
                           fb = static_cast<FlagsNode*>(b)->mFlexible;
                return fa == fb ? 0 : (fa ? 1 : -1);
            },
            nullptr);
        AIAssignFlagDefenders(count, &nodeCopy, unassigned, grid);
        if (gAIFreeSetup) RemainingPlacement(unassigned, grid);
        unassigned->ConcatGroup(&fixed);
        fixed.EmptyOut(false);
        GList candidates; // owns the single-unit groups until they join the side's list
        for (int32_t i = 0; i < unassigned->GetCount(); ++i) {
            auto* u = static_cast<Unit*>(unassigned->GetObjectA(i));
            auto* g = new AIGroup;
            g->Add(u);
            g->mCenterX = u->mX;
            g->mCenterY = u->mY;
            candidates.Add(g);
        }
        groups->Delete(unassigned, false);
        delete unassigned;
        unassigned = nullptr;
        AIGroupReserves(&candidates);
        while (candidates.GetCount() > 0) {
            groups->Add(candidates.GetObjectA(0));
            candidates.DeleteIndex(0, false);
        }
        if (holding->GetCount() == 0) {
            groups->Delete(holding, false);
            delete holding;
            holding = nullptr;
        }
        AIRegroupPlatoons(&platoon);
        AISwapPlatooners();
        if (gAIFreeSetup)
            for (int32_t g = 0; g < groups->GetCount(); ++g) {
                LeaderContext context{grid};
                static_cast<AIGroup*>(groups->GetObjectA(g))
                    ->DeleteSome(
                        [](GObject* m, void* c) -> bool {
                            return AIPlaceLeaderWithPlatoon(static_cast<Unit*>(m),
                                                            static_cast<LeaderContext*>(c)->grid);
                        },
                        &context, false);
            }
        AIAdvanceProgress();
    } else {
        // 12. Attack groups.
        unassigned->RandomShuffle();
        const int32_t k = AIAttackGroupCount(nodes);
        AIGroup* attack[3] = {};
        for (int32_t i = 0; i < k; ++i) {
            attack[i] = new AIGroup;
            groups->Add(attack[i]);
        }
        if (gAIFreeSetup) {
            RemainingPlacement(unassigned, grid);
            AISwapPlatooners();
            for (int32_t i = 0; i < unassigned->GetCount(); ++i)
                AIPlaceLeaderWithPlatoon(static_cast<Unit*>(unassigned->GetObjectA(i)), grid);
        }
        AIAdvanceProgress();
        for (int32_t p = 0; p <= 12; ++p)
            SplitGroupByClass(unassigned, attack, k, p);
        groups->Delete(unassigned, false);
        delete unassigned;
        unassigned = nullptr;
    }

    // 13. The common end.
    CheckAllLeadership();
    AIAdvanceProgress();
    if (fortifications.GetCount() > 0 && gAIFreeSetup) AIPlaceInanimates(&fortifications);
    // No unit of the side is left waiting off the map.
    for (int32_t i = 0; i < mUnits->GetCount(); ++i) {
        Unit* u = mUnits->GetUnit(i);
        if (u->GetAffiliation() == side && u->mX >= 99999.0f) u->AISetLocation(u->mX - 99999.0f, u->mY);
    }
    for (int32_t i = 0; i < mUnits->GetCount(); ++i) {
        Unit* u = mUnits->GetUnit(i);
        if (u->GetAffiliation() != side || u->mSetupZone == 7) continue;
        const Terrain t = u->GetOccupiedTerrain();
        // Only infantry in a tall building draws for the upper floor.
        const bool upper = u->mUnitType == kUnitInfantry && t >= 52 && t <= 54 && (RandomPair() & 1) == 0;
        u->mZ = upper ? 1.0f : 0.0f;
    }
    for (int32_t i = 0; i < mUnits->GetCount(); ++i) {
        Unit* u = mUnits->GetUnit(i);
        if (u->GetAffiliation() != side || u->mUnitType != kUnitInfantry || !u->IsPassenger(false)) continue;
        for (int32_t g = 0; g < groups->GetCount(); ++g) {
            auto* group = static_cast<AIGroup*>(groups->GetObjectA(g));
            if (group->IsMember(u->mTransport)) {
                group->Add(u);
                break;
            }
        }
    }
    AIAdvanceProgress();
    delete grid;
}
