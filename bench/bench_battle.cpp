// Saving and loading a battle of 300 units with a turn of 50,000 action
// packets, each way.

#include <benchmark/benchmark.h>

#include <memory>

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/GFile.h"
#include "map/Map.h"
#include "units/Airplane.h"
#include "units/Inanimate.h"

namespace {

constexpr int kUnits = 300;
constexpr int kPackets = 50000;

void BuildBigBattle(Battle* battle) {
    battle->IBattleStub();
    battle->mStub = false;
    battle->mMap = new Map;
    battle->mMap->IBlankMap(40, 40, 1.0f, 10);
    for (int i = 0; i < kUnits; ++i) {
        Unit* u;
        if (i % 10 == 9) {
            u = new Airplane;
        } else {
            auto* object = new Inanimate;
            object->IInanimate(i % 7, i % 2 ? 0 : 30, 0, 0, 0);
            u = object;
        }
        u->mX = static_cast<float>(i % 40) * 20.0f;
        u->mY = static_cast<float>(i / 40) * 20.0f;
        u->mNrWaypoints = i % 5;
        battle->mUnits->Add(u);
    }
    for (int i = 0; i < kPackets; ++i) {
        battle->mTimeSlice = i % 2400;
        ActionPacket* p = battle->CreateActionPacket(0);
        p->mType = static_cast<int8_t>(i % 14);
        p->mX = static_cast<float>(i % 800);
        p->mUnit = battle->mUnits->GetUnit(i % kUnits);
        p->mFirer = p->mUnit;
        p->mSource = p->mUnit;
        p->mVehicle = p->mUnit;
    }
}

std::unique_ptr<GFile> SaveBattle(Battle* battle) {
    auto file = std::make_unique<GFile>();
    if (!file->ITempFile(false)) return nullptr;
    battle->Write(file.get());
    battle->WriteActionPackets(file.get());
    file->Rewind();
    return file;
}

void BM_WriteBattle(benchmark::State& state) {
    Battle battle;
    BuildBigBattle(&battle);
    Battle* old = gBattle;
    gBattle = &battle;
    for (auto _ : state) {
        auto file = SaveBattle(&battle);
        benchmark::DoNotOptimize(file);
    }
    gBattle = old;
}
BENCHMARK(BM_WriteBattle)->Unit(benchmark::kMillisecond);

void BM_ReadBattle(benchmark::State& state) {
    Battle source;
    BuildBigBattle(&source);
    Battle* old = gBattle;
    gBattle = &source;
    auto file = SaveBattle(&source);
    for (auto _ : state) {
        file->Rewind();
        Battle loaded;
        gBattle = &loaded;
        bool ok = loaded.IBattle(file.get(), nullptr) && loaded.ReadActionPackets(file.get());
        if (!ok) state.SkipWithError("the saved battle did not load");
        gBattle = &source;
    }
    gBattle = old;
}
BENCHMARK(BM_ReadBattle)->Unit(benchmark::kMillisecond);

} // namespace
