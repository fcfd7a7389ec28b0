// The whole picture and sound store, generated from scratch into a scratch folder: the build
// runs this once, so it must stay within a few seconds.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "ArtGenerator.h"

static void BM_ArtWholeStore(benchmark::State& state) {
    namespace fs = std::filesystem;
    const fs::path out = fs::temp_directory_path() / ("dm_art_bench_" + std::to_string(::getpid()));
    const std::string cmd = std::string("\"") + DM_ART_GENERATOR + "\" --out \"" + out.string() +
                            "\" --fonts \"" + DM_ART_FONT_DIR + "\" --data \"" + DM_ART_DATA_DIR + "\"";
    for (auto _ : state) {
        if (std::system(cmd.c_str()) != 0) {
            state.SkipWithError("the generator failed");
            break;
        }
    }
    fs::remove_all(out);
}
BENCHMARK(BM_ArtWholeStore)->Unit(benchmark::kMillisecond)->Iterations(3);
