// The cost of showing orders on the largest demo battle at 1024 x 768:
// a frame and a pick with every own unit's path, target line and arc shown
// (bytes 7 = 3, 81 = 2) against the same with none; the orders menu of a
// twelve-unit selection; and order 39 choosing among a hundred enemies.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "LargeBattleScreen.h"
#include "ScenarioPaths.h"
#include "app/AppTypes.h"
#include "app/MVApplication.h"
#include "app/MapView.h"
#include "app/PlayerMenu.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "battle/UnitList.h"
#include "engine/GFile.h"
#include "engine/GKernel.h"
#include "engine/GView.h"
#include "map/Map.h"
#include "renderer/GGraph3D.h"
#include "units/Hack.h"
#include "units/Unit.h"

namespace {

struct OrdersRig {
    MVApplication* app = nullptr;
    Battle* battle = nullptr;
    Unit* unit = nullptr;
    const char* error = nullptr;

    OrdersRig() {
        error = OpenLargeBattleScreen(&app, &battle);
        if (error) return;
        battle->mSetupPhase = false;
        if (!battle->mMap || !battle->mMap->mView) {
            error = "no battle screen";
            return;
        }
        const Affiliation side = app->ViewingSide();
        // Every own unit gets a three-leg path, an area target and an arc.
        for (int32_t i = 0; i < battle->mUnits->GetCount(); ++i) {
            Unit* u = battle->mUnits->GetUnit(i);
            if (!u->mActive || !u->IsOwnUnit(side) || u->mOffMapState != 0) continue;
            if (!unit && u->CanMoveByOrders()) unit = u;
            u->CancelMovementOrders();
            for (int32_t k = 1; k <= 3; ++k)
                u->ReceiveMoveOrders(u->mX + 15.0f * k, u->mY + 10.0f * k, 20, nullptr, true, false, false, true);
            u->mAreaTarget = true;
            u->mAreaTargetX = u->mX + 100.0f;
            u->mAreaTargetY = u->mY + 200.0f;
            u->mCoveredArc = true;
            u->mArcA = 30.0f;
            u->mArcB = 120.0f;
        }
        if (!unit) {
            error = "no unit of the viewing side";
            return;
        }
        Map* map = battle->mMap;
        const int32_t s = map->mViewingSide & 1;
        map->mCameraLevel[s] = 3;
        map->mCameraX[s] = unit->mX;
        map->mCameraY[s] = unit->mY - 40.0f;
        map->mCameraHeading[s] = 1.5707964f;
        map->mLockedUnit = nullptr;
        map->DirtyClip();
        battle->SetSelectedUnit(unit);
        gKernel->UpdateScreen();
    }
    ~OrdersRig() {
        delete battle;
        gBattle = nullptr;
        delete gKernel;
        gKernel = nullptr;
    }
    void Show(bool all) {
        app->mPrefs[kPrefPaths] = all ? 3 : 0;
        app->mPrefs[kPrefFireArcs] = all ? 2 : 1;
    }
};

void Frame(benchmark::State& state, bool all) {
    OrdersRig rig;
    if (rig.error) {
        state.SkipWithError(rig.error);
        return;
    }
    rig.Show(all);
    MapView* view = rig.battle->mMap->mView;
    for (auto _ : state) {
        g3D->RenderBegin(nullptr);
        view->Draw();
        g3D->RenderEnd();
    }
}
void BM_FrameEveryOrderShownLargeBattle(benchmark::State& state) {
    Frame(state, true);
}
void BM_FrameNoOrdersShownLargeBattle(benchmark::State& state) {
    Frame(state, false);
}
BENCHMARK(BM_FrameEveryOrderShownLargeBattle)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FrameNoOrdersShownLargeBattle)->Unit(benchmark::kMillisecond);

// A click's pick over the selected unit's waypoint markers, with and
// without the markers (no selected unit).
void Pick(benchmark::State& state, bool markers) {
    OrdersRig rig;
    if (rig.error) {
        state.SkipWithError(rig.error);
        return;
    }
    rig.Show(true);
    Map* map = rig.battle->mMap;
    MapView* view = map->mView;
    if (!markers) rig.battle->mSelectedUnit = nullptr;
    for (auto _ : state) {
        view->Pick(512, 300, true, true);
        map->DesireUnitPick(false);
    }
}
void BM_PickWithWaypointMarkersLargeBattle(benchmark::State& state) {
    Pick(state, true);
}
void BM_PickWithoutWaypointMarkersLargeBattle(benchmark::State& state) {
    Pick(state, false);
}
BENCHMARK(BM_PickWithWaypointMarkersLargeBattle)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PickWithoutWaypointMarkersLargeBattle)->Unit(benchmark::kMillisecond);

void BM_OrdersMenuTwelveUnitsLargeBattle(benchmark::State& state) {
    OrdersRig rig;
    if (rig.error) {
        state.SkipWithError(rig.error);
        return;
    }
    const Affiliation side = rig.app->ViewingSide();
    int32_t marked = 0;
    for (int32_t i = 0; i < rig.battle->mUnits->GetCount() && marked < 12; ++i) {
        Unit* u = rig.battle->mUnits->GetUnit(i);
        if (u->mActive && u->IsOwnUnit(side) && u->CanReceiveOrders()) {
            u->mSelectionMark = 2;
            ++marked;
        }
    }
    rig.battle->mMultiSelection = true;
    GView parent;
    parent.IView(nullptr, 0, 0, 1024, 678);
    for (auto _ : state) {
        auto* menu = new OrdersMenu;
        menu->IPlayerMenu(rig.unit, 500, 300, &parent);
        benchmark::DoNotOptimize(menu->mButtonCount);
        delete menu;
    }
}
BENCHMARK(BM_OrdersMenuTwelveUnitsLargeBattle)->Unit(benchmark::kMicrosecond);

// Order 39 with a hundred enemies seen around the unit.
void BM_NextTargetAmongHundredEnemies(benchmark::State& state) {
    OrdersRig rig;
    if (rig.error) {
        state.SkipWithError(rig.error);
        return;
    }
    Unit* shooter = rig.unit;
    const Affiliation side = rig.app->ViewingSide();
    int32_t placed = 0;
    for (int32_t i = 0; i < rig.battle->mUnits->GetCount(); ++i) {
        Unit* e = rig.battle->mUnits->GetUnit(i);
        if (!e->mActive || e->IsOwnUnit(side) || !shooter->CanPotentiallyTarget(e)) continue;
        const float r = 3.6f * static_cast<float>(placed) * 0.017453292f;
        e->mX = shooter->mX + (60.0f + placed) * std::cos(r);
        e->mY = shooter->mY + (60.0f + placed) * std::sin(r);
        e->mContactLevel = 5;
        ++placed;
    }
    state.counters["enemies"] = placed;
    for (auto _ : state)
        shooter->CycleToNextTarget();
}
BENCHMARK(BM_NextTargetAmongHundredEnemies)->Unit(benchmark::kMicrosecond);

} // namespace
