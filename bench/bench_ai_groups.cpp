// The computer opponent's turn in a 300-unit battle: one whole planning
// run, the artillery planning with six batteries, and the saved block of
// its groups.

#include <benchmark/benchmark.h>

#include <vector>

#include "ai/AIPlanning.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "battle/VictoryFlag.h"
#include "engine/GFile.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Unit.h"

namespace {

class GroupBenchInfantry : public Unit {
public:
    GroupBenchInfantry() { mUnitType = kUnitInfantry; }
    void TakeAreaHit(float, int32_t, PendingAttack*) override {}
    void ConcatName(GString*, bool) override {}
    void DrawCode(bool, float, float) override {}
    bool CanOccupyLocation(float x, float y, bool) override {
        return gBattle && gBattle->mMap->OnMap(x, y) &&
               gBattle->mMap->GetTerrain(x, y, false) != kTerrainWater;
    }
    float GetTEMFromLocation(float x, float y, float, bool, bool, bool, WeaponClass, bool, float*) override {
        return gBattle->mMap->IsCoverAt(x, y, false) ? 0.3f : 1.0f;
    }
    bool AllowedToTarget() override { return true; }
    bool InRange(float d, bool, float factor) override { return d <= 800.0f * factor; }
    float GetVPValue(bool, DataKnowledge) override { return 10.0f; }
    AmmoClass ChooseAmmo(Unit*, bool) override { return 0; }
    float AIGetGeneralAbilityToHarmAsNumber(Unit*, AmmoClass, bool, bool, bool, DataKnowledge, DataKnowledge,
                                            bool) override {
        return 0.4f;
    }
    void ReceiveTargetOrders(Unit* target, float x, float y, bool, int32_t) override {
        mTarget = target;
        mAreaTarget = target == nullptr;
        mAreaTargetX = x;
        mAreaTargetY = y;
    }
};

// A 2 km map, 300 units half a side each, four flags, and the Axis units in
// groups of ten.
struct GroupBattle {
    Battle battle;
    Battle* old = gBattle;
    std::vector<InfantryData> infantryRows = std::vector<InfantryData>(2);
    std::vector<WeaponData> weaponRows = std::vector<WeaponData>(1);
    InfantryData* oldInfantry = const_cast<InfantryData*>(gInfantryData.Rows());
    int32_t oldInfantryCount = gInfantryData.Count();
    WeaponData* oldWeapons = const_cast<WeaponData*>(gWeaponData.Rows());
    int32_t oldWeaponCount = gWeaponData.Count();

    GroupBattle() {
        gBattle = &battle;
        infantryRows[0].mHeavyWeapon = kWeaponNone;
        infantryRows[0].mNrMen = 10;
        infantryRows[0].mPlatoonMember = 1;
        infantryRows[1].mHeavyWeapon = 0;
        infantryRows[1].mNrMen = 5;
        weaponRows[0].mClass = 5;
        gInfantryData.Attach(infantryRows.data(), 2);
        gWeaponData.Attach(weaponRows.data(), 1);
        battle.IBattleStub();
        battle.mMap = new Map;
        battle.mMap->IBlankMap(100, 100, 1.0f, 0);
        battle.mSetupPhase = false;
        battle.mTurn = 3;
        battle.mLastTurn = 30;
        battle.mAttacker = kAxis;
        for (int32_t i = 0; i < 500; i += 3)
            for (int32_t j = (i / 3) % 4; j < 1000; j += 7)
                battle.mMap->SetPoint(i, j, EncodePoint(0, kTerrainWoods));
        for (int32_t k = 0; k < 4; ++k) {
            auto* f = new VictoryFlag();
            f->mX = 900.0f + 150.0f * static_cast<float>(k);
            f->mY = 400.0f + 400.0f * static_cast<float>(k);
            f->mKind = k % 2;
            battle.mFlags.Add(f);
        }
        SeedRandomGenerator(99);
        battle.mAIGroups[kAxis] = new GList;
        AIGroup* group = nullptr;
        for (int32_t k = 0; k < 300; ++k) {
            auto* u = new GroupBenchInfantry();
            u->mSide = k % 2 ? 0 : 1;
            u->mX = 300.0f + static_cast<float>(k % 2 ? 800 : 0) + static_cast<float>(RandomPick(600));
            u->mY = 200.0f + static_cast<float>(RandomPick(1600));
            u->mActive = true;
            u->mContactLevel = 5;
            battle.mUnits->Add(u);
            if (u->mSide == 0) continue;
            if (k % 50 == 0) {
                // A battery.
                u->mSubtype = 1;
                u->mTargetFree = true;
                u->mAmmo[0] = 30;
            }
            if (!group || group->GetCount() == 10) {
                group = new AIGroup;
                group->mOrder = static_cast<int32_t>(battle.mAIGroups[kAxis]->GetCount()) % 3 == 0
                                    ? kAIOrderHold
                                    : kAIOrderNone;
                battle.mAIGroups[kAxis]->Add(group);
            }
            group->Add(u);
        }
        battle.mVisibilityDistance = 1000.0f;
    }
    ~GroupBattle() {
        gInfantryData.Attach(oldInfantry, oldInfantryCount);
        gWeaponData.Attach(oldWeapons, oldWeaponCount);
        gBattle = old;
    }
};

void BM_AIOperationalTurn(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto* b = new GroupBattle;
        state.ResumeTiming();
        b->battle.AIOperational(kAxis);
        state.PauseTiming();
        delete b;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AIOperationalTurn)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_AITargetArtillerySixBatteries(benchmark::State& state) {
    GroupBattle b;
    gAISide = kAxis;
    gAIDefending = false;
    for (auto _ : state)
        b.battle.AITargetArtillery();
}
BENCHMARK(BM_AITargetArtillerySixBatteries)->Unit(benchmark::kMillisecond);

void BM_AIGroupBlockWriteRead(benchmark::State& state) {
    GroupBattle b;
    GFile file;
    for (auto _ : state) {
        state.PauseTiming();
        file.ITempFile(false);
        state.ResumeTiming();
        b.battle.WriteAIData(&file);
        // The flush to disk is the file's, once per saved game.
        state.PauseTiming();
        file.Rewind();
        state.ResumeTiming();
        GList* lists[2] = {nullptr, nullptr};
        ReadAI(&file, lists);
        AIResolveGroupUnits(&b.battle, lists[kAxis]);
        benchmark::DoNotOptimize(lists[kAxis]);
        delete lists[0];
        delete lists[1];
    }
}
BENCHMARK(BM_AIGroupBlockWriteRead)->Unit(benchmark::kMicrosecond);

} // namespace
