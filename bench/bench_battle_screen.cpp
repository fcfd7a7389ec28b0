// The battle screen's costs: an orders menu for twenty selected units, the
// half-second upkeep of two hundred positioned map sounds, and on the
// largest demo battle at 1024 x 768 a click that selects a unit (both pick
// passes) and a frame of the map view with and without its overlays.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <memory>

#include "LargeBattleScreen.h"
#include "ScenarioPaths.h"
#include "app/AppTypes.h"
#include "app/MVApplication.h"
#include "app/MapSound.h"
#include "app/MapView.h"
#include "app/PlayerMenu.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "battle/UnitList.h"
#include "draw/DrawSettings.h"
#include "engine/GFile.h"
#include "engine/GGroup.h"
#include "engine/GKernel.h"
#include "engine/GView.h"
#include "map/Map.h"
#include "renderer/GGraph3D.h"
#include "units/Hack.h"
#include "units/Unit.h"

namespace {

class BenchUnit : public Unit {
public:
    void ConcatName(GString* text, bool full) override {}
    bool CanReceiveOrders() override { return true; }
    void TakeAreaHit(float power, int32_t extra, PendingAttack* attack) override {}
    void DrawCode(bool needsClip, float scale, float factor) override {}
};

struct ScreenRig {
    Battle battle;
    Battle* old = nullptr;
    GView parent;
    ScreenRig() {
        old = gBattle;
        gBattle = &battle;
        battle.IBattleStub();
        battle.mSetupPhase = false;
        battle.mMap = new Map;
        battle.mMap->IBlankMap(50, 50, 1.0f, 10);
        parent.IView(nullptr, 0, 0, 1024, 678);
        for (int32_t i = 0; i < 20; ++i) {
            auto* u = new BenchUnit;
            u->mUnitType = i % 3 == 0 ? kUnitVehicle : kUnitInfantry;
            u->mSide = 1;
            u->mActive = true;
            u->mX = 100.0f + 10.0f * i;
            u->mY = 200.0f;
            u->mSelectionMark = 2;
            battle.mUnits->Add(u);
        }
        battle.mSelectedUnit = battle.mUnits->GetUnit(0);
        battle.mMultiSelection = true;
    }
    ~ScreenRig() { gBattle = old; }
};

void BM_OrdersMenuForTwentyUnits(benchmark::State& state) {
    ScreenRig rig;
    for (auto _ : state) {
        auto* menu = new OrdersMenu;
        menu->IPlayerMenu(rig.battle.mSelectedUnit, 500, 300, &rig.parent);
        benchmark::DoNotOptimize(menu->mButtonCount);
        delete menu;
    }
}
BENCHMARK(BM_OrdersMenuForTwentyUnits)->Unit(benchmark::kMicrosecond);

void BM_UpdateTwoHundredMapSounds(benchmark::State& state) {
    ScreenRig rig;
    Map* map = rig.battle.mMap;
    for (int32_t i = 0; i < 200; ++i) {
        Unit* u = i % 2 ? rig.battle.mUnits->GetUnit(i % 20) : nullptr;
        if (i % 4 < 2) {
            auto* s = new MapSound;
            if (u)
                s->IMapSound(300, 5, u);
            else
                s->IMapSound(300, 5, 10.0f * i, 100.0f, 0.0f);
            map->mSounds->Add(s);
        } else {
            auto* s = new MapSoundLoop;
            if (u)
                s->IMapSoundLoop(300, 3, u);
            else
                s->IMapSoundLoop(300, 3, 10.0f * i, 100.0f, 0.0f);
            map->mSoundLoops->Add(s);
        }
    }
    for (auto _ : state) {
        for (int32_t i = 0; i < map->mSounds->GetCount(); ++i)
            static_cast<MapSound*>(map->mSounds->GetObjectA(i))->Update();
        for (int32_t i = 0; i < map->mSoundLoops->GetCount(); ++i)
            static_cast<MapSoundLoop*>(map->mSoundLoops->GetObjectA(i))->Update();
    }
}
BENCHMARK(BM_UpdateTwoHundredMapSounds)->Unit(benchmark::kMicrosecond);

// The largest demo battle on a 1024 x 768 screen of the whole program, the
// camera looking at one of the viewing side's units from nearby.
struct LargeBattleScreen {
    MVApplication* app = nullptr;
    Battle* battle = nullptr;
    Unit* unit = nullptr;
    int32_t x = 0, y = 0; // the unit on the screen
    const char* error = nullptr;

    LargeBattleScreen() {
        error = OpenLargeBattleScreen(&app, &battle);
        if (error) return;
        Map* map = battle->mMap;
        if (!map || !map->mView) {
            error = "no battle screen";
            return;
        }
        const Affiliation side = app->ViewingSide();
        for (int32_t i = 0; i < battle->mUnits->GetCount() && !unit; ++i) {
            Unit* u = battle->mUnits->GetUnit(i);
            if (u->mActive && u->mUnitType == kUnitVehicle && u->IsOwnUnit(side)) unit = u;
        }
        if (!unit) {
            error = "no unit of the viewing side";
            return;
        }
        const int32_t s = map->ViewingSide();
        map->mCameraLevel[s] = 3;
        map->mCameraX[s] = unit->mX;
        map->mCameraY[s] = unit->mY - 40.0f;
        map->mCameraHeading[s] = 1.5707964f; // looking north
        map->mLockedUnit = nullptr;
        map->DirtyClip();
        gKernel->UpdateScreen();
        // The camera looks along the unit's column: find the point of the
        // screen whose click picks it (outside the timing).
        for (int32_t py = 200; py < 740 && !battle->mSelectedUnit; py += 4)
            for (int32_t px = 500; px <= 524 && !battle->mSelectedUnit; px += 8) {
                x = px;
                y = py;
                map->mView->DoClick(x, y, false, false, false);
                map->mView->DoMouseUp(x, y, false);
            }
        if (!battle->mSelectedUnit) error = "no click point selects a unit";
    }
    ~LargeBattleScreen() {
        delete battle;
        gBattle = nullptr;
        delete gKernel;
        gKernel = nullptr;
    }
};

void BM_ClickSelectsAUnitLargeBattle(benchmark::State& state) {
    LargeBattleScreen rig;
    if (rig.error) {
        state.SkipWithError(rig.error);
        return;
    }
    MapView* view = rig.battle->mMap->mView;
    for (auto _ : state) {
        rig.battle->SetSelectedUnit(nullptr);
        view->DoClick(rig.x, rig.y, false, false, false);
        view->DoMouseUp(rig.x, rig.y, false);
    }
    if (!rig.battle->mSelectedUnit) state.SkipWithError("the click selected no unit");
}
BENCHMARK(BM_ClickSelectsAUnitLargeBattle)->Unit(benchmark::kMillisecond);

// The map view's frame, and the map's drawing alone: the difference is the
// overlays and status lines drawn after the scene.
void MapViewFrame(benchmark::State& state, bool overlays, bool bases = false) {
    LargeBattleScreen rig;
    if (rig.error) {
        state.SkipWithError(rig.error);
        return;
    }
    rig.app->mPrefs[kPrefUnitBases] = bases ? 1 : 0;
    rig.battle->SetSelectedUnit(rig.unit);
    Map* map = rig.battle->mMap;
    MapView* view = map->mView;
    for (auto _ : state) {
        g3D->RenderBegin(nullptr);
        if (overlays)
            view->Draw();
        else
            map->DrawMap();
        g3D->RenderEnd();
    }
}
void BM_MapViewFrameLargeBattle(benchmark::State& state) {
    MapViewFrame(state, true);
}
void BM_MapViewSceneOnlyLargeBattle(benchmark::State& state) {
    MapViewFrame(state, false);
}
BENCHMARK(BM_MapViewFrameLargeBattle)->Unit(benchmark::kMillisecond);
// The same frame with a base disc under every unit seen (key B).
void BM_MapViewFrameLargeBattleWithBases(benchmark::State& state) {
    MapViewFrame(state, true, true);
}
BENCHMARK(BM_MapViewFrameLargeBattleWithBases)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MapViewSceneOnlyLargeBattle)->Unit(benchmark::kMillisecond);

// The map's frame of the largest battle as the game loads it, at camera
// level range(0), with its overlays (range(1) = 1) or with every square's
// slots and edges emptied (0): what the roads, streams and fields cost.
void BM_MapFrameOverlaysLargeBattle(benchmark::State& state) {
    LargeBattleScreen rig;
    if (rig.error) {
        state.SkipWithError(rig.error);
        return;
    }
    Map* map = rig.battle->mMap;
    if (state.range(1) == 0)
        for (Square& sq : map->mSquares) {
            sq.mOverlay[0] = sq.mOverlay[1] = 0;
            sq.mOverlayMirror[0] = sq.mOverlayMirror[1] = 0;
            std::fill(std::begin(sq.mEdge), std::end(sq.mEdge), 0);
        }
    int32_t drawn = 0;
    for (const Square& sq : map->mSquares)
        drawn += sq.mOverlay[0] != 0 || sq.mOverlay[1] != 0 || std::count(std::begin(sq.mEdge), std::end(sq.mEdge), 1);
    const int32_t s = map->ViewingSide();
    map->mCameraLevel[s] = static_cast<int32_t>(state.range(0));
    map->DirtyClip();
    for (auto _ : state) {
        g3D->RenderBegin(nullptr);
        map->DrawMap();
        g3D->RenderEnd();
    }
    state.counters["squares_with_overlays"] = drawn;
}
BENCHMARK(BM_MapFrameOverlaysLargeBattle)
    ->Args({1, 0})
    ->Args({1, 1})
    ->Args({6, 0})
    ->Args({6, 1})
    ->Unit(benchmark::kMillisecond);

} // namespace
