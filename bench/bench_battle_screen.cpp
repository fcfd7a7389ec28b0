// The battle screen's costs: an orders menu for twenty selected units and
// the half-second upkeep of two hundred positioned map sounds.
#include <benchmark/benchmark.h>

#include <memory>

#include "app/MapSound.h"
#include "app/PlayerMenu.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "draw/DrawSettings.h"
#include "engine/GGroup.h"
#include "engine/GView.h"
#include "map/Map.h"
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

} // namespace
