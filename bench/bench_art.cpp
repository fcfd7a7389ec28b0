// The whole picture and sound store, generated from scratch into a scratch folder: the build
// runs this once (CI several times), so with the model tables it must stay under 20 s on one core.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "ArtGenerator.h"
#include "ModelGenerator.h"

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

// One run with the generator's own time per family printed (on stderr), and the model tables'
// generator over every model file.
static void BM_ArtTimePerFamily(benchmark::State& state) {
    namespace fs = std::filesystem;
    const fs::path out = fs::temp_directory_path() / ("dm_art_bench_f_" + std::to_string(::getpid()));
    const std::string cmd = std::string("\"") + DM_ART_GENERATOR + "\" --out \"" + out.string() +
                            "\" --fonts \"" + DM_ART_FONT_DIR + "\" --data \"" + DM_ART_DATA_DIR +
                            "\" --timing";
    for (auto _ : state)
        if (std::system(cmd.c_str()) != 0) {
            state.SkipWithError("the generator failed");
            break;
        }
    fs::remove_all(out);
}
BENCHMARK(BM_ArtTimePerFamily)->Unit(benchmark::kMillisecond)->Iterations(1);

static void BM_ModelTables(benchmark::State& state) {
    namespace fs = std::filesystem;
    const fs::path src = DM_ART_DATA_DIR;
    std::string cmd = std::string("\"") + DM_MODEL_GENERATOR + "\" --contract \"" +
                      (src / "models/contract.txt").string() + "\" --out \"" +
                      (fs::temp_directory_path() / "dm_models_bench.cpp").string() + "\"";
    for (const auto& e : fs::directory_iterator(src / "models"))
        if (e.path().filename() != "contract.txt") cmd += " \"" + e.path().string() + "\"";
    for (auto _ : state)
        if (std::system(cmd.c_str()) != 0) {
            state.SkipWithError("the model generator failed");
            break;
        }
}
BENCHMARK(BM_ModelTables)->Unit(benchmark::kMillisecond)->Iterations(3);
