// Speed of the map's most used queries and of its file record.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "engine/GFile.h"
#include "map/Map.h"

namespace {

// A 2 km x 2 km map with rolling heights, woods, buildings and water.
std::unique_ptr<Map> MakeBigMap()
{
    auto map = std::make_unique<Map>();
    map->IBlankMap(100, 100, 1.0f, 54);
    for (int32_t i = 0; i < map->mPointsX; ++i) {
        for (int32_t j = 0; j < map->mPointsY; ++j) {
            int32_t h = 300 + static_cast<int32_t>(200.0 * std::sin(i * 0.013) * std::cos(j * 0.021));
            Terrain t = kTerrainOpen;
            int32_t col = i / 10, row = j / 10;
            if ((col * 7 + row * 3) % 11 == 0) t = kTerrainWoods;
            if ((col * 5 + row) % 37 == 0) t = kTerrainUpperHeavy;
            if (row == 50) t = kTerrainWater;
            map->SetPoint(i, j, EncodePoint(h, t));
        }
    }
    for (int32_t col = 0; col < 100; ++col) {
        for (int32_t row = 0; row < 100; ++row) {
            if ((col * 5 + row) % 37 != 0) continue;
            float x0 = col * 20.0f + 2, y0 = row * 20.0f + 2, x1 = x0 + 16, y1 = y0 + 16;
            float cx[4] = {x0, x1, x1, x0}, cy[4] = {y0, y0, y1, y1};
            Building* b = new Building;
            b->IBuilding(col, row, kTerrainUpperHeavy, cx, cy);
            map->mBuildings->Add(b);
        }
    }
    map->RecomputeHeights();
    map->IndexObjects();
    map->AddTrees();
    return map;
}

std::vector<float> Points()
{
    std::vector<float> p(2048);
    uint32_t s = 12345;
    for (float& v : p) {
        s = s * 1103515245u + 12345u;
        v = static_cast<float>((s >> 8) % 2000000) * 0.001f;
    }
    return p;
}

void BM_MapGetZCoord(benchmark::State& state)
{
    auto map = MakeBigMap();
    auto p = Points();
    size_t k = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(map->GetZCoord(p[k], p[k + 1]));
        k = (k + 2) & 2047;
    }
}
BENCHMARK(BM_MapGetZCoord);

void BM_MapGetTerrain(benchmark::State& state)
{
    auto map = MakeBigMap();
    auto p = Points();
    size_t k = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(map->GetTerrain(p[k], p[k + 1], true));
        k = (k + 2) & 2047;
    }
}
BENCHMARK(BM_MapGetTerrain);

void BM_MapGetZWithBuilding(benchmark::State& state)
{
    auto map = MakeBigMap();
    auto p = Points();
    size_t k = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(map->GetZWithBuilding(p[k], p[k + 1]));
        k = (k + 2) & 2047;
    }
}
BENCHMARK(BM_MapGetZWithBuilding);

void BM_MapWrite2km(benchmark::State& state)
{
    auto map = MakeBigMap();
    for (auto _ : state) {
        GFile file;
        file.ITempFile(false);
        map->Write(&file);
        benchmark::DoNotOptimize(file.GetFileLength());
    }
    state.SetLabel("2 km x 2 km");
}
BENCHMARK(BM_MapWrite2km)->Unit(benchmark::kMillisecond);

void BM_MapLoad2km(benchmark::State& state)
{
    auto map = MakeBigMap();
    GFile file;
    file.ITempFile(false);
    map->Write(&file);
    for (auto _ : state) {
        file.Rewind();
        Map loaded;
        benchmark::DoNotOptimize(loaded.IMap(&file));
    }
    state.SetLabel("2 km x 2 km, trees included");
}
BENCHMARK(BM_MapLoad2km)->Unit(benchmark::kMillisecond);

} // namespace
