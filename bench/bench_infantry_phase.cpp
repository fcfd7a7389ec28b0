// Infantry fighting a whole action phase. Budgets: 2401 slices of 300
// infantry units (150 a side, half of them moving, targets given in place
// of the computer opponent) under 400 ms on one core; a cover search under
// 1 ms; a spotting range answered from the stored sight table under 100 ns.

#include <benchmark/benchmark.h>

#include <cmath>

#include "battle/Battle.h"
#include "battle/PendingAttack.h"
#include "battle/UnitList.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Hack.h"
#include "units/Infantry.h"

namespace {

constexpr InfantryType kSquad = 250; // a rifle squad of ten
constexpr Force kForce = 0;
constexpr int32_t kPerSide = 150;

// The real tables and a battle on a blank 1 km map in its action phase.
struct Field {
    Field() {
        DecryptData();
        old = gBattle;
        battle.IBattleStub();
        battle.mMap = new Map;
        battle.mMap->IBlankMap(50, 50, 1.0f, 0);
        battle.mSetupPhase = false;
        battle.mTimeSlice = 0;
        gBattle = &battle;
        SeedRandomGenerator(1);
    }
    ~Field() {
        battle.mPackets.EmptyOut(true);
        gBattle = old;
        DeleteCryptoData();
    }
    Infantry* Squad(float x, float y, bool axis) {
        auto* u = new Infantry;
        u->IInfantry(kSquad, kForce, kExperienceRegular, x, y, 0.0f);
        u->mSide = axis ? 1 : 0;
        u->mHeading = axis ? 0.0f : 180.0f;
        u->mArtilleryDelay = 99.0f; // the benchmark gives the targets, not the computer opponent's search
        battle.mUnits->Add(u);
        return u;
    }
    Battle battle;
    Battle* old = nullptr;
};

// Two lines 150 m apart; every second squad walks 100 m along its line.
void Deploy(Field& f, std::vector<Infantry*>* axis, std::vector<Infantry*>* allies) {
    for (int32_t i = 0; i < kPerSide; ++i) {
        const float y = 20.0f + 6.4f * static_cast<float>(i);
        axis->push_back(f.Squad(400.0f, y, true));
        allies->push_back(f.Squad(550.0f, y, false));
    }
    for (int32_t i = 0; i < kPerSide; i += 2) {
        for (Infantry* u : {(*axis)[i], (*allies)[i]}) {
            u->mNrWaypoints = 1;
            u->mWaypoints[0] = Waypoint{u->mX, std::fmod(u->mY + 100.0f, 980.0f), 0.0f, 4, 1, 0, 0};
        }
    }
    for (int32_t i = 0; i < f.battle.mUnits->GetCount(); ++i)
        f.battle.mUnits->GetUnit(i)->PrepareForAction();
}

// Attacks that fall due reach their targets, as the battle's resolution will.
void Deliver(Battle& b, int32_t slice) {
    for (GList* list : {&b.mNewAttacks, &b.mPendingAttacks}) {
        for (int32_t i = list->GetCount() - 1; i >= 0; --i) {
            auto* a = static_cast<PendingAttack*>(list->GetObjectA(i));
            if (a->mLandingSlice > slice) continue;
            if (a->mTarget && a->mTarget->mActive) {
                int32_t shift = 0;
                float p = a->GetFirepower(false, &shift);
                a->mTarget->TakeAreaHit(p > 0.0f ? p : 20.0f, shift, a);
            }
            list->DeleteIndex(i, true);
        }
    }
}

void BM_InfantryActionPhase(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Field f;
        std::vector<Infantry*> axis, allies;
        Deploy(f, &axis, &allies);
        state.ResumeTiming();
        f.battle.mComputing = true;
        for (int32_t s = 0; s <= 2400; ++s) {
            f.battle.mTimeSlice = s;
            for (int32_t i = 0; i < kPerSide; ++i) {
                axis[i]->mTarget = allies[i]->mActive ? allies[i] : nullptr;
                allies[i]->mTarget = axis[i]->mActive ? axis[i] : nullptr;
            }
            UnitList* units = f.battle.mUnits;
            for (int32_t i = 0; i < units->GetCount(); ++i)
                units->GetUnit(i)->MasterControl();
            Deliver(f.battle, s);
            if (s % 200 == 0) f.battle.mPackets.EmptyOut(true); // the replay is not measured
        }
    }
}
BENCHMARK(BM_InfantryActionPhase)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_InfantryCoverMove(benchmark::State& state) {
    Field f;
    std::vector<Infantry*> axis, allies;
    Deploy(f, &axis, &allies);
    // Scattered woods: every other 10 m block around the squad is cover.
    Map& map = *f.battle.mMap;
    for (int32_t i = 150; i < 250; ++i)
        for (int32_t j = 0; j < 60; ++j)
            if (((i / 5) + (j / 5)) % 2 == 0) map.SetPoint(i, j, EncodePoint(map.GetPoint(i, j) & 0x3ff, 21));
    Infantry* u = axis[1];
    u->mX = 410.0f; // in the open between two blocks
    for (auto _ : state) {
        u->mNrWaypoints = 0;
        u->CoverMove(true, true, allies[1]->mX, allies[1]->mY);
    }
}
BENCHMARK(BM_InfantryCoverMove)->Unit(benchmark::kMicrosecond);

void BM_InfantrySpottingRangeStored(benchmark::State& state) {
    Field f;
    Infantry* spotter = f.Squad(400.0f, 300.0f, true);
    Infantry* seen = f.Squad(550.0f, 300.0f, false);
    spotter->mMoveStamp = 1;
    seen->mMoveStamp = 1;
    benchmark::DoNotOptimize(seen->SpottingRange(spotter)); // the first look fills the table
    for (auto _ : state)
        benchmark::DoNotOptimize(seen->SpottingRange(spotter));
}
BENCHMARK(BM_InfantrySpottingRangeStored);

} // namespace
