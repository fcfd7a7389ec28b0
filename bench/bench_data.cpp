// Start-up cost of the game data: unpack, check and install every table from
// the block the program carries (the budget is 20 ms).

#include <benchmark/benchmark.h>

#include "units/Hack.h"

static void BM_DecryptData(benchmark::State& state) {
    for (auto _ : state) {
        const bool ok = DecryptData();
        benchmark::DoNotOptimize(ok);
        if (!ok) state.SkipWithError(GameDataError());
    }
    DeleteCryptoData();
}
BENCHMARK(BM_DecryptData)->Unit(benchmark::kMillisecond);
