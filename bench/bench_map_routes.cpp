// Sight lines and routes on a 2 km map, each case timing one kind of answer
// rather than a mix that early exits dominate.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "map/Map.h"

namespace {

// A 2 km x 2 km map with rolling heights, woods, buildings and a river with
// one bridge, as the other map benchmarks use.
std::unique_ptr<Map> MakeRouteMap() {
    auto map = std::make_unique<Map>();
    map->IBlankMap(100, 100, 1.0f, 54);
    for (int32_t i = 0; i < map->mPointsX; ++i)
        for (int32_t j = 0; j < map->mPointsY; ++j) {
            int32_t h = 300 + static_cast<int32_t>(200.0 * std::sin(i * 0.013) * std::cos(j * 0.021));
            Terrain t = kTerrainOpen;
            int32_t col = i / 10, row = j / 10;
            if ((col * 7 + row * 3) % 11 == 0) t = kTerrainWoods;
            if ((col * 5 + row) % 37 == 0) t = kTerrainUpperHeavy;
            if (row == 50) t = col == 70 ? 55 : kTerrainWater;
            map->SetPoint(i, j, EncodePoint(h, t));
        }
    for (int32_t col = 0; col < 100; ++col)
        for (int32_t row = 0; row < 100; ++row) {
            if ((col * 5 + row) % 37 != 0) continue;
            float x0 = col * 20.0f + 2, y0 = row * 20.0f + 2, x1 = x0 + 16, y1 = y0 + 16;
            float cx[4] = {x0, x1, x1, x0}, cy[4] = {y0, y0, y1, y1};
            Building* b = new Building;
            b->IBuilding(col, row, kTerrainUpperHeavy, cx, cy);
            map->mBuildings->Add(b);
        }
    map->RecomputeHeights();
    map->IndexObjects();
    map->AddTrees();
    return map;
}

struct SightLine {
    float x1, y1, z1, x2, y2, z2;
};

// 500 m lines between eyes 2 m above the ground, sorted into those that see
// to their end (clear: every step of the walk is taken) and those stopped
// on the way (blocked).
std::vector<SightLine> SightLines(Map& map, bool clear) {
    std::vector<SightLine> lines;
    uint32_t s = 777;
    for (int32_t k = 0; k < 20000 && lines.size() < 128; ++k) {
        s = s * 1103515245u + 12345u;
        float x = 100.0f + (s >> 8) % 1400, y = 100.0f + (s >> 4) % 1400;
        float a = static_cast<float>((s >> 12) % 360) * 0.0174533f;
        float x2 = std::clamp(x + 500.0f * std::cos(a), 1.0f, 1999.0f);
        float y2 = std::clamp(y + 500.0f * std::sin(a), 1.0f, 1999.0f);
        SightLine l{x, y, map.GetZCoord(x, y) + 2.0f, x2, y2, map.GetZCoord(x2, y2) + 2.0f};
        float vis = 0;
        map.CheckLOS(false, true, false, l.x1, l.y1, l.z1, l.x2, l.y2, l.z2, &vis, nullptr, nullptr, nullptr,
                     nullptr);
        if ((vis > 0.0f) == clear) lines.push_back(l);
    }
    return lines;
}

void RunSight(benchmark::State& state, bool clear) {
    auto map = MakeRouteMap();
    auto lines = SightLines(*map, clear);
    if (lines.empty()) {
        state.SkipWithError("no such lines on this map");
        return;
    }
    size_t k = 0;
    float vis = 0;
    for (auto _ : state) {
        const SightLine& l = lines[k++ % lines.size()];
        map->CheckLOS(false, true, false, l.x1, l.y1, l.z1, l.x2, l.y2, l.z2, &vis, nullptr, nullptr, nullptr,
                      nullptr);
        benchmark::DoNotOptimize(vis);
    }
    state.SetLabel(std::to_string(lines.size()) + " lines");
}

// 500 m lines that see through to the end: the whole walk, as most lines
// between units on open ground are.
void BM_MapLOSClear500m(benchmark::State& state) {
    RunSight(state, true);
}
BENCHMARK(BM_MapLOSClear500m);

// 500 m lines stopped by a hill, a house or the woods on the way.
void BM_MapLOSBlocked500m(benchmark::State& state) {
    RunSight(state, false);
}
BENCHMARK(BM_MapLOSBlocked500m);

// A route across the whole map on foot, over the river's one bridge.
void BM_MapAStarAcross(benchmark::State& state) {
    auto map = MakeRouteMap();
    map->CalculateAIPathGrids(kAxis, kPathOnFoot);
    Path path;
    PathResult result = kPathNoAnswer;
    for (auto _ : state)
        benchmark::DoNotOptimize(result = map->AStar(nullptr, 30, 1970, 1970, 30, false, &path));
    state.SetLabel(std::to_string(path.mCount) + " points, result " + std::to_string(int(result)));
}
BENCHMARK(BM_MapAStarAcross)->Unit(benchmark::kMicrosecond);

// A goal on an island, asked for from a square that cannot be entered (a
// unit wading in a pond): without a region to compare, the search has to
// visit all the land it can reach before it gives up.
void BM_MapAStarUnreachableSearch(benchmark::State& state) {
    auto map = MakeRouteMap();
    for (int32_t i = 1700; i < 1900; i += 2)
        for (int32_t j = 1700; j < 1900; j += 2) {
            bool island = i >= 1780 && i < 1820 && j >= 1780 && j < 1820;
            map->SetPoint(i / 2, j / 2, EncodePoint(300, island ? kTerrainOpen : kTerrainWater));
        }
    for (int32_t i = 20; i < 42; i += 2)
        for (int32_t j = 20; j < 42; j += 2)
            map->SetPoint(i / 2, j / 2, EncodePoint(300, kTerrainWater));
    map->CalculateAIPathGrids(kAxis, kPathOnFoot);
    Path path;
    PathResult result = kPathNoAnswer;
    for (auto _ : state)
        benchmark::DoNotOptimize(result = map->AStar(nullptr, 30, 30, 1800, 1800, false, &path));
    state.SetLabel("result " + std::to_string(int(result)));
}
BENCHMARK(BM_MapAStarUnreachableSearch)->Unit(benchmark::kMicrosecond);

} // namespace
