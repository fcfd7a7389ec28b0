// Making the battle's textures for the largest demo battle (grossangriff) on
// one core: the whole battle's, and the vehicles' share alone (their sets,
// shading, portraits and panel pictures). Counters: the units' graphic
// memory in MB, split into vehicles and the rest.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <set>
#include <string>

#include "LargeBattleScreen.h"
#include "ScenarioPaths.h"
#include "app/MVApplication.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "battle/UnitList.h"
#include "engine/GFile.h"
#include "engine/GGraphic.h"
#include "engine/GKernel.h"
#include "units/Hack.h"
#include "units/Unit.h"

namespace {

struct TexturedBattle {
    MVApplication* app = nullptr;
    Battle* battle = nullptr;
    const char* error = nullptr;
    TexturedBattle() {
        error = OpenLargeBattleScreen(&app, &battle);
        if (error) return;
    }
    ~TexturedBattle() {
        delete battle;
        gBattle = nullptr;
        delete gKernel;
        gKernel = nullptr;
    }
    // Bytes held by the units' graphics (each graphic once): the 16-bit
    // surface and the texture's RGBA copy.
    double Megabytes(bool vehicles) const {
        std::set<GGraphic*> seen;
        size_t bytes = 0;
        for (int32_t i = 0; i < battle->mUnits->GetCount(); ++i) {
            Unit* u = battle->mUnits->GetUnit(i);
            if ((u->mUnitType == kUnitVehicle) != vehicles) continue;
            u->ForEachGraphicSlot([&](GGraphic*& g) {
                if (!g || !seen.insert(g).second) return;
                if (Surface16* s = g->GetSurface()) bytes += size_t(s->Width()) * s->Height() * 2;
                if (const PictureRGBA* p = g->GetTexturePicture()) bytes += p->rgba.size();
            });
        }
        return static_cast<double>(bytes) / (1024.0 * 1024.0);
    }
};

void BM_MakeBattleTextures(benchmark::State& state) {
    TexturedBattle t;
    if (t.error) {
        state.SkipWithError(t.error);
        return;
    }
    for (auto _ : state) {
        t.battle->DeleteTextures();
        benchmark::DoNotOptimize(t.battle->MakeBattleTextures(false));
    }
    state.counters["vehicles_MB"] = t.Megabytes(true);
    state.counters["others_MB"] = t.Megabytes(false);
}
BENCHMARK(BM_MakeBattleTextures)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_MakeVehicleTextures(benchmark::State& state) {
    TexturedBattle t;
    if (t.error) {
        state.SkipWithError(t.error);
        return;
    }
    for (auto _ : state)
        for (int32_t i = 0; i < t.battle->mUnits->GetCount(); ++i) {
            Unit* u = t.battle->mUnits->GetUnit(i);
            if (u->mUnitType != kUnitVehicle) continue;
            u->DeleteTextures();
            u->MakeTextures(false);
        }
}
BENCHMARK(BM_MakeVehicleTextures)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
