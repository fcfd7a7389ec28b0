// Infantry rules at the rates a battle calls them. Budgets: MoveSpeed under
// 80 ns, ApplyFatigue under 40 ns, AdvanceAnimation of 300 units for one
// frame under 60 us, IInfantry under 3 us, a squad's ReceiveCasualties under
// 1 us, 300 infantry records written and read under 5 ms each way.

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "battle/Battle.h"
#include "battle/UnitID.h"
#include "engine/GFile.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Hack.h"
#include "units/Infantry.h"

namespace {

constexpr InfantryType kSquad = 250; // a German rifle squad of ten
constexpr Force kGermanForce = 0;

// The real tables and a battle with a blank 1 km map in its action phase.
struct Scene {
    Scene() {
        DecryptData();
        old = gBattle;
        battle.IBattleStub();
        battle.mMap = new Map;
        battle.mMap->IBlankMap(50, 50, 1.0f, 0);
        battle.mSetupPhase = false;
        battle.mTimeSlice = 500;
        gBattle = &battle;
        SeedRandomGenerator(1);
    }
    ~Scene() {
        battle.mPackets.EmptyOut(true);
        gBattle = old;
        DeleteCryptoData();
    }
    std::unique_ptr<Infantry> Squad(float x, float y) {
        auto u = std::make_unique<Infantry>();
        u->IInfantry(kSquad, kGermanForce, kExperienceRegular, x, y, 0.0f);
        u->mMoveSpeed = 4;
        u->mHeading = 30.0f;
        return u;
    }
    Battle battle;
    Battle* old = nullptr;
};

void BM_InfantryMoveSpeed(benchmark::State& state) {
    Scene scene;
    auto u = scene.Squad(400.0f, 300.0f);
    for (auto _ : state)
        benchmark::DoNotOptimize(u->MoveSpeed(nullptr));
}
BENCHMARK(BM_InfantryMoveSpeed);

void BM_InfantryApplyFatigue(benchmark::State& state) {
    Scene scene;
    auto u = scene.Squad(400.0f, 300.0f);
    u->mSliceCount = 1;
    for (auto _ : state) {
        u->ApplyFatigue();
        u->mFatigue = 50.0f;
    }
}
BENCHMARK(BM_InfantryApplyFatigue);

void BM_InfantryAdvanceAnimation300(benchmark::State& state) {
    Scene scene;
    std::vector<std::unique_ptr<Infantry>> units;
    for (int32_t i = 0; i < 300; ++i) {
        units.push_back(scene.Squad(10.0f + i * 3.0f, 100.0f));
        units.back()->mContactLevel = kContactFull;
        units.back()->AdvanceAnimation();
    }
    for (auto _ : state)
        for (auto& u : units)
            u->AdvanceAnimation();
}
BENCHMARK(BM_InfantryAdvanceAnimation300)->Unit(benchmark::kMicrosecond);

void BM_InfantryIInfantry(benchmark::State& state) {
    Scene scene;
    for (auto _ : state) {
        Infantry u;
        u.IInfantry(kSquad, kGermanForce, kExperienceRegular, 10.0f, 10.0f, 0.0f);
        benchmark::DoNotOptimize(u.mGrenades);
    }
}
BENCHMARK(BM_InfantryIInfantry);

void BM_InfantryReceiveCasualties(benchmark::State& state) {
    Scene scene;
    auto u = scene.Squad(400.0f, 300.0f);
    const Infantry& fresh = *u;
    const int8_t men[4] = {fresh.mTeamMen[0], fresh.mTeamMen[1], fresh.mTeamMen[2], fresh.mTeamMen[3]};
    for (auto _ : state) {
        u->mCasualties = 0;
        for (int32_t t = 0; t < 4; ++t)
            u->mTeamMen[t] = men[t];
        benchmark::DoNotOptimize(u->ReceiveCasualties(10, 0.3f, true, false, false));
    }
}
BENCHMARK(BM_InfantryReceiveCasualties);

void BM_InfantryRecords300(benchmark::State& state) {
    Scene scene;
    std::vector<std::unique_ptr<Infantry>> units;
    for (int32_t i = 0; i < 300; ++i)
        units.push_back(scene.Squad(10.0f + i, 50.0f));
    const bool writing = state.range(0) == 0;
    GFile file;
    file.ITempFile(false);
    for (auto& u : units)
        u->Write(&file);
    for (auto _ : state) {
        if (writing) {
            state.PauseTiming();
            auto out = std::make_unique<GFile>();
            out->ITempFile(false);
            state.ResumeTiming();
            for (auto& u : units)
                u->Write(out.get());
            state.PauseTiming();
            out.reset();
            state.ResumeTiming();
        } else {
            file.Rewind();
            for (int32_t i = 0; i < 300; ++i)
                delete ReadUnit(&file);
        }
    }
}
BENCHMARK(BM_InfantryRecords300)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace
