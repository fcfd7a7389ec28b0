#include "map/AIPath.h"

#include <algorithm>
#include <cmath>
#include <queue>

#include "map/Map.h"

namespace {

uint8_t CellCost(Terrain t, PathType type)
{
    const TerrainInfo& info = TerrainInfoOf(t);
    if (type == kPathOnFoot) return static_cast<uint8_t>(info.mWalkCost);
    uint8_t cost = static_cast<uint8_t>(info.mDriveCost);
    // Wheels bog down where tracks do not.
    if (type == kPathWheeled && cost <= kPathMaxCost && (info.mFlags & kTFSoft) && !(info.mFlags & kTFRoad)) ++cost;
    return cost;
}

// Extra cost of a square's slope: the rise between its lowest and highest
// corner over its 20 m.
int32_t SlopeCost(float slope, PathType type)
{
    if (type == kPathOnFoot) return slope > 0.6f ? 2 : (slope > 0.25f ? 1 : 0);
    if (slope > 0.5f) return kPathBlocked;
    return slope > 0.3f ? 2 : (slope > 0.15f ? 1 : 0);
}

// Per terrain code, a cell's cost for one path type and whether it is road;
// looked up once per grid rather than once per cell.
struct CellCosts {
    uint8_t mCost[kTerrainCount];
    bool mRoad[kTerrainCount];
};

void FillCellCosts(PathType type, CellCosts* costs)
{
    for (Terrain t = 0; t < kTerrainCount; ++t) {
        costs->mCost[t] = CellCost(t, type);
        costs->mRoad[t] = TerrainHas(t, kTFRoad);
    }
}

uint8_t SquareCost(const Map& map, int32_t col, int32_t row, PathType type, const CellCosts& costs)
{
    int32_t passable = 0, sum = 0, roads = 0;
    for (int32_t i = 0; i < kPointsPerSquare; ++i) {
        const uint16_t* points = &map.mPoints[static_cast<size_t>(col * kPointsPerSquare + i) * map.mPointsY +
                                              static_cast<size_t>(row * kPointsPerSquare)];
        for (int32_t j = 0; j < kPointsPerSquare; ++j) {
            Terrain t = DecodePointTerrain(points[j]);
            uint8_t c = costs.mCost[t];
            if (c > kPathMaxCost) continue;
            ++passable;
            sum += c;
            if (costs.mRoad[t]) ++roads;
        }
    }
    // A square is entered when a quarter of it can be crossed: a bridge or a
    // ford across a stream is enough.
    if (passable * 4 < kPointsPerSquare * kPointsPerSquare) return kPathBlocked;
    int32_t cost = roads * 10 >= kPointsPerSquare * kPointsPerSquare ? 1 : (sum + passable / 2) / passable;
    const int32_t ch = map.mHeight + 1;
    float c00 = map.mCornerHeight[static_cast<size_t>(col) * ch + row];
    float c01 = map.mCornerHeight[static_cast<size_t>(col) * ch + row + 1];
    float c10 = map.mCornerHeight[static_cast<size_t>(col + 1) * ch + row];
    float c11 = map.mCornerHeight[static_cast<size_t>(col + 1) * ch + row + 1];
    float slope = (std::max({c00, c01, c10, c11}) - std::min({c00, c01, c10, c11})) / kSquareSize;
    cost += SlopeCost(slope, type);
    if (cost > kPathMaxCost) return kPathBlocked;
    if (map.mFire[map.SquareIndex(col, row)] > 4) return kPathBlocked;  // a large fire
    return static_cast<uint8_t>(std::max(cost, 1));
}

constexpr float kFarOff = 10000.0f;      // metres beyond the map that still get an answer
constexpr float kMineFieldHalf = 12.0f;  // a found field stops units 12 m either way of its mine

constexpr int32_t kDCol[8] = {1, -1, 0, 0, 1, 1, -1, -1};
constexpr int32_t kDRow[8] = {0, 0, 1, -1, 1, -1, 1, -1};

// May the search step from (c, r) in direction k? Diagonal steps need both
// squares beside them enterable, so paths never squeeze between two corners.
bool CanStep(const PathGrid& g, int32_t rows, int32_t cols, int32_t c, int32_t r, int k)
{
    int32_t nc = c + kDCol[k], nr = r + kDRow[k];
    if (nc < 0 || nr < 0 || nc >= cols || nr >= rows) return false;
    if (!g.Enterable(nc * rows + nr)) return false;
    if (k >= 4 && (!g.Enterable(nc * rows + r) || !g.Enterable(c * rows + nr))) return false;
    return true;
}

void LabelRegions(const Map& map, PathGrid* g)
{
    const int32_t rows = map.mHeight, cols = map.mWidth;
    g->mRegion.assign(g->mSize, -1);
    std::vector<int32_t> stack;
    int32_t region = 0;
    for (int32_t s = 0; s < g->mSize; ++s) {
        if (g->mRegion[s] >= 0 || !g->Enterable(s)) continue;
        g->mRegion[s] = region;
        stack.push_back(s);
        while (!stack.empty()) {
            int32_t cur = stack.back();
            stack.pop_back();
            int32_t c = cur / rows, r = cur % rows;
            for (int k = 0; k < 8; ++k) {
                if (!CanStep(*g, rows, cols, c, r, k)) continue;
                int32_t next = (c + kDCol[k]) * rows + r + kDRow[k];
                if (g->mRegion[next] < 0) {
                    g->mRegion[next] = region;
                    stack.push_back(next);
                }
            }
        }
        ++region;
    }
}

} // namespace

void BuildPathGrid(const Map& map, PathType type, PathGrid* grid, const std::vector<float>* mineFields)
{
    grid->mRowWidth = map.mHeight;
    grid->mSize = map.mSquareCount;
    grid->mStride = 1;
    grid->mCost.assign(grid->mSize, kPathBlocked);
    CellCosts costs;
    FillCellCosts(type, &costs);
    for (int32_t col = 0; col < map.mWidth; ++col) {
        for (int32_t row = 0; row < map.mHeight; ++row)
            grid->mCost[map.SquareIndex(col, row)] = SquareCost(map, col, row, type, costs);
    }
    for (size_t k = 0; mineFields && k + 1 < mineFields->size(); k += 2) {
        const float x = (*mineFields)[k], y = (*mineFields)[k + 1];
        if (!std::isfinite(x) || !std::isfinite(y)) continue;
        const int32_t c0 = std::max(0, static_cast<int32_t>(std::floor((x - kMineFieldHalf) / kSquareSize)));
        const int32_t c1 = std::min(map.mWidth - 1, static_cast<int32_t>(std::floor((x + kMineFieldHalf) / kSquareSize)));
        const int32_t r0 = std::max(0, static_cast<int32_t>(std::floor((y - kMineFieldHalf) / kSquareSize)));
        const int32_t r1 = std::min(map.mHeight - 1, static_cast<int32_t>(std::floor((y + kMineFieldHalf) / kSquareSize)));
        for (int32_t col = c0; col <= c1; ++col)
            for (int32_t row = r0; row <= r1; ++row)
                grid->mCost[map.SquareIndex(col, row)] = kPathBlocked;
    }
    LabelRegions(map, grid);
}

PathResult AIPathFinder::Find(const Map& map, const PathGrid& g, float x1, float y1, float x2, float y2, Path* path)
{
    if (!path || g.mSize != map.mSquareCount || g.mSize == 0) return kPathNoAnswer;
    path->mCount = 0;
    // Points just off the map (an exit) are searched from the edge square;
    // points far off it have no answer.
    auto near = [&](float x, float y) {
        return std::isfinite(x) && std::isfinite(y) && std::fabs(x - map.mWidthMetres * 0.5f) < map.mWidthMetres + kFarOff &&
               std::fabs(y - map.mHeightMetres * 0.5f) < map.mHeightMetres + kFarOff;
    };
    if (!near(x1, y1) || !near(x2, y2)) return kPathNoAnswer;
    const int32_t rows = map.mHeight, cols = map.mWidth;
    auto squareOf = [&](float x, float y) {
        int32_t c = std::clamp(static_cast<int32_t>(std::floor(x * 0.05f)), 0, cols - 1);
        int32_t r = std::clamp(static_cast<int32_t>(std::floor(y * 0.05f)), 0, rows - 1);
        return c * rows + r;
    };
    const int32_t start = squareOf(x1, y1), goal = squareOf(x2, y2);
    if (!g.Enterable(goal)) return kPathUnreachable;
    // A unit may always leave the square it stands on.
    if (g.Enterable(start) && g.mRegion[start] != g.mRegion[goal]) return kPathUnreachable;

    if (mCostSoFar.size() != static_cast<size_t>(g.mSize)) {
        mCostSoFar.assign(g.mSize, 0.0f);
        mParent.assign(g.mSize, -1);
        mSeen.assign(g.mSize, 0);
        mClosed.assign(g.mSize, 0);
        mGeneration = 0;
    }
    const uint32_t gen = ++mGeneration;
    const int32_t gc = goal / rows, gr = goal % rows;
    auto heuristic = [&](int32_t s) {
        float dc = std::fabs(static_cast<float>(s / rows - gc)), dr = std::fabs(static_cast<float>(s % rows - gr));
        return std::max(dc, dr) + 0.41421356f * std::min(dc, dr);
    };
    using Item = std::pair<float, int32_t>;
    std::priority_queue<Item, std::vector<Item>, std::greater<Item>> open;
    mSeen[start] = gen;
    mCostSoFar[start] = 0.0f;
    mParent[start] = -1;
    open.push({heuristic(start), start});
    bool found = false;
    while (!open.empty()) {
        auto [f, cur] = open.top();
        open.pop();
        if (mClosed[cur] == gen) continue;
        mClosed[cur] = gen;
        if (cur == goal) {
            found = true;
            break;
        }
        const int32_t c = cur / rows, r = cur % rows;
        const float curCost = cur == start && !g.Enterable(start) ? 1.0f : g.mCost[cur];
        for (int k = 0; k < 8; ++k) {
            if (!CanStep(g, rows, cols, c, r, k)) continue;
            const int32_t next = (c + kDCol[k]) * rows + r + kDRow[k];
            if (mClosed[next] == gen) continue;
            const float step = (curCost + g.mCost[next]) * 0.5f * (k >= 4 ? 1.41421356f : 1.0f);
            const float cost = mCostSoFar[cur] + step;
            if (mSeen[next] != gen || cost < mCostSoFar[next]) {
                mSeen[next] = gen;
                mCostSoFar[next] = cost;
                mParent[next] = cur;
                open.push({cost + heuristic(next), next});
            }
        }
    }
    if (!found) return kPathUnreachable;

    mSquares.clear();
    for (int32_t s = goal; s != -1; s = mParent[s]) mSquares.push_back(s);
    std::reverse(mSquares.begin(), mSquares.end());
    // Points: the centres of the squares after the start, then the goal itself.
    mPointX.clear();
    mPointY.clear();
    for (size_t k = 1; k + 1 < mSquares.size(); ++k) {
        mPointX.push_back((mSquares[k] / rows) * kSquareSize + kSquareSize * 0.5f);
        mPointY.push_back((mSquares[k] % rows) * kSquareSize + kSquareSize * 0.5f);
    }
    mPointX.push_back(x2);
    mPointY.push_back(y2);
    Simplify(map, g, x1, y1);
    // Callers take the last point for the destination. A path longer than
    // the unit can store keeps its first points and then the destination;
    // the unit meets the rest of the way as an obstacle and plans again.
    const int32_t points = static_cast<int32_t>(mPointX.size());
    path->mCount = std::min(points, kPathMaxPoints);
    for (int32_t k = 0; k < path->mCount - 1; ++k) {
        path->mX[k] = mPointX[k];
        path->mY[k] = mPointY[k];
    }
    path->mX[path->mCount - 1] = mPointX[points - 1];
    path->mY[path->mCount - 1] = mPointY[points - 1];
    return kPathFound;
}

// Drops every point that the straight way from the previous kept point to
// the next one can do without, as long as that way crosses only enterable
// squares no dearer than the dearest square the path itself crossed there.
void AIPathFinder::Simplify(const Map& map, const PathGrid& g, float x1, float y1)
{
    std::vector<float> kx, ky;
    float ax = x1, ay = y1;
    size_t k = 0;
    const size_t n = mPointX.size();
    uint8_t worst = 1;
    while (k < n) {
        size_t next = k;
        worst = 1;
        for (size_t m = k; m < n; ++m) {
            // The dearest square along the original path up to point m.
            int32_t sq = map.SquareIndex(std::clamp(static_cast<int32_t>(mPointX[m] * 0.05f), 0, map.mWidth - 1),
                                         std::clamp(static_cast<int32_t>(mPointY[m] * 0.05f), 0, map.mHeight - 1));
            worst = std::max<uint8_t>(worst, std::min<uint8_t>(g.mCost[sq], kPathMaxCost));
            if (m == k || StraightWalkable(map, g, ax, ay, mPointX[m], mPointY[m], worst)) next = m;
            else break;
        }
        kx.push_back(mPointX[next]);
        ky.push_back(mPointY[next]);
        ax = mPointX[next];
        ay = mPointY[next];
        k = next + 1;
    }
    mPointX.swap(kx);
    mPointY.swap(ky);
}

bool AIPathFinder::StraightWalkable(const Map& map, const PathGrid& g, float ax, float ay, float bx, float by,
                                    uint8_t maxCost) const
{
    const float dx = bx - ax, dy = by - ay;
    const int32_t steps = std::max(1, static_cast<int32_t>(std::sqrt(dx * dx + dy * dy) / 4.0f));
    for (int32_t s = 0; s <= steps; ++s) {
        float x = ax + dx * s / steps, y = ay + dy * s / steps;
        if (!map.OnMap(x, y)) continue;
        uint8_t c = g.mCost[map.SquareIndex(static_cast<int32_t>(x * 0.05f), static_cast<int32_t>(y * 0.05f))];
        if (c > maxCost) return false;
    }
    return true;
}
