// Speed of the map's most used queries and of its file record.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <string>
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
            if (row == 50) t = col == 70 ? 55 : kTerrainWater;  // a river with one bridge
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

namespace {

// Points 500 m apart across the varied map, eyes 2 m above the ground.
struct SightPair {
    float x1, y1, z1, x2, y2, z2;
};

std::vector<SightPair> SightPairs(const Map& map)
{
    std::vector<SightPair> pairs;
    uint32_t s = 777;
    for (int k = 0; k < 256; ++k) {
        s = s * 1103515245u + 12345u;
        float x = 100.0f + (s >> 8) % 1400, y = 100.0f + (s >> 4) % 1400;
        float a = static_cast<float>((s >> 12) % 360) * 0.0174533f;
        float x2 = std::clamp(x + 500.0f * std::cos(a), 1.0f, 1999.0f);
        float y2 = std::clamp(y + 500.0f * std::sin(a), 1.0f, 1999.0f);
        pairs.push_back({x, y, map.GetZCoord(x, y) + 2.0f, x2, y2, map.GetZCoord(x2, y2) + 2.0f});
    }
    return pairs;
}

void BM_MapCheckLOS500m(benchmark::State& state)
{
    auto map = MakeBigMap();
    auto pairs = SightPairs(*map);
    size_t k = 0;
    float vis = 0;
    for (auto _ : state) {
        const SightPair& p = pairs[k++ & 255];
        map->CheckLOS(false, true, false, p.x1, p.y1, p.z1, p.x2, p.y2, p.z2, &vis, nullptr, nullptr, nullptr,
                      nullptr);
        benchmark::DoNotOptimize(vis);
    }
}
BENCHMARK(BM_MapCheckLOS500m);

void BM_MapCheckStoredLOS(benchmark::State& state)
{
    auto map = MakeBigMap();
    std::vector<Unit*> units;
    for (uintptr_t k = 1; k <= 64; ++k) units.push_back(reinterpret_cast<Unit*>(k * 64));
    for (int a = 0; a < 64; ++a) {
        for (int b = a + 1; b < 64; ++b) map->StoreLOS(units[a], units[b], true, 0.8f, false, false, false);
    }
    size_t k = 0;
    bool los = false, known = false, hd = false;
    float vis = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(map->CheckStoredLOS(units[k & 63], units[(k * 7 + 1) & 63], &los, &vis, &known, &hd));
        ++k;
    }
}
BENCHMARK(BM_MapCheckStoredLOS);

void BM_MapAStarLongPath(benchmark::State& state)
{
    auto map = MakeBigMap();
    map->CalculateAIPathGrids(kAxis, kPathOnFoot);
    Path path;
    for (auto _ : state) {
        benchmark::DoNotOptimize(map->AStar(nullptr, 30, 30, 1970, 1970, false, &path));
    }
    state.SetLabel(std::to_string(path.mCount) + " points");
}
BENCHMARK(BM_MapAStarLongPath)->Unit(benchmark::kMicrosecond);

void BM_MapAStarUnreachable(benchmark::State& state)
{
    auto map = MakeBigMap();
    // An island in a lake near the far corner.
    for (int32_t i = 1700; i < 1900; i += 2) {
        for (int32_t j = 1700; j < 1900; j += 2) {
            bool island = i >= 1780 && i < 1820 && j >= 1780 && j < 1820;
            map->SetPoint(i / 2, j / 2, EncodePoint(300, island ? kTerrainOpen : kTerrainWater));
        }
    }
    map->CalculateAIPathGrids(kAxis, kPathOnFoot);
    Path path;
    for (auto _ : state) {
        benchmark::DoNotOptimize(map->AStar(nullptr, 30, 30, 1800, 1800, false, &path));
    }
}
BENCHMARK(BM_MapAStarUnreachable)->Unit(benchmark::kMicrosecond);

} // namespace
