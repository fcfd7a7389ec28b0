// The line-of-fire grid of the set-up and the nearness of objective nodes.

#include <cmath>

#include "ai/AISetup.h"
#include "ai/FlagsNode.h"
#include "battle/Battle.h"
#include "engine/GDynamicArray.h"
#include "map/Map.h"

namespace {

constexpr float kNearRanges[2] = {75.0f, 250.0f};
constexpr float kFarRanges[2] = {500.0f, 1000.0f};
constexpr float kPi = 3.14159265358979f;

Map* SetupMap() {
    return gBattle ? gBattle->mMap : nullptr;
}

// Seen and total probe points of one band.
void ProbeBand(Map* map, float cx, float cy, float cz, const float ranges[2], const bool* directions,
               float* seen, float* total) {
    const float v = gBattle->mVisibilityDistance;
    for (int32_t i = 0; i < 2; ++i) {
        float r = ranges[i];
        if (r > v) r = (r / 1000.0f * 0.5f + 0.5f) * v;
        for (int32_t k = 0; k < 16; ++k) {
            if (!directions[k]) continue;
            const float a = static_cast<float>(k) * 22.5f * kPi / 180.0f;
            const float px = cx + r * std::sin(a);
            const float py = cy + r * std::cos(a);
            if (map->OnMap(px, py)) {
                *total += 1.0f;
                float visibility = 0.0f;
                if (map->CheckLOS(false, true, false, cx, cy, cz, px, py, map->GetZWithBuilding(px, py),
                                  &visibility, nullptr, nullptr, nullptr, nullptr) &&
                    visibility > 0.0f)
                    *seen += 1.0f;
            } else {
                *total += 0.5f;
                *seen += 0.25f;
            }
        }
    }
}

} // namespace

bool AIMakeLinesOfFireGrid(GDynamicArray* grid) {
    Map* map = SetupMap();
    if (!grid || !map || map->mWidth < 1 || map->mHeight < 1) return false;
    if (!grid->IDynamicArray(2, map->mWidth, map->mHeight)) return false;
    grid->Zero();
    return true;
}

uint16_t AIGridValue(const GDynamicArray* grid, float x, float y) {
    if (!grid || !(x >= 0.0f) || !(y >= 0.0f)) return 0;
    int32_t columns = 0, rows = 0;
    grid->GetBounds(&columns, &rows);
    const int32_t c = static_cast<int32_t>(x * 0.05f), r = static_cast<int32_t>(y * 0.05f);
    if (c >= columns || r >= rows) return 0;
    return *static_cast<const uint16_t*>(grid->GetElement(c, r));
}

int16_t AIScoreLOF(int32_t column, int32_t row, const bool* directions) {
    Map* map = SetupMap();
    if (!map) return 0;
    const float cx = (static_cast<float>(column) + 0.5f) * 20.0f;
    const float cy = (static_cast<float>(row) + 0.5f) * 20.0f;
    const float cz = map->GetZCoord(cx, cy);
    float seenNear = 0.0f, totalNear = 0.0f, seenFar = 0.0f, totalFar = 0.0f;
    ProbeBand(map, cx, cy, cz, kNearRanges, directions, &seenNear, &totalNear);
    ProbeBand(map, cx, cy, cz, kFarRanges, directions, &seenFar, &totalFar);
    const int32_t f = static_cast<int32_t>(100.0f * seenFar / std::max(totalFar, 1.0f));
    const int32_t n = static_cast<int32_t>(100.0f * seenNear / std::max(totalNear, 1.0f));
    return static_cast<int16_t>((f << 8) + n);
}

void AIRateLinesOfFire(GDynamicArray* grid) {
    Map* map = SetupMap();
    if (!grid || !map) return;
    int32_t columns = 0, rows = 0;
    grid->GetBounds(&columns, &rows);
    grid->Zero();
    bool directions[16] = {};
    const int32_t enemy = gAISide == kAxis ? 1 : 0;
    // West, North, East, South: the five directions around each edge.
    static const int32_t kFirst[4] = {10, 14, 2, 6};
    for (int32_t e = 0; e < 4; ++e)
        if (gBattle->mEdgeOwner[e] == enemy)
            for (int32_t i = 0; i < 5; ++i)
                directions[(kFirst[e] + i) & 15] = true;
    const int32_t lo = gAISide == kAxis ? 4 : 1;
    for (int32_t c = std::min(columns, map->mWidth) - 1; c >= 0; --c)
        for (int32_t r = std::min(rows, map->mHeight) - 1; r >= 0; --r) {
            const Square* s = map->GetSquare(c, r);
            if (!s || s->mSetupZone < lo || s->mSetupZone > lo + 2) continue;
            const int16_t value = AIScoreLOF(c, r, directions);
            grid->Set(c, r, &value);
        }
}

FlagsNode* AIGetNearestFlagsNode(float x, float y, float* distance) {
    GList* graph = gBattle ? gBattle->mObjectiveGraph : nullptr;
    FlagsNode* best = nullptr;
    float bestDistance = 9.0e20f;
    for (int32_t i = 0; graph && i < graph->GetCount(); ++i) {
        auto* node = static_cast<FlagsNode*>(graph->GetObjectA(i));
        const float d = node->GetAbstractDistanceTo(x, y);
        if (d < bestDistance) {
            bestDistance = d;
            best = node;
        }
    }
    if (distance) *distance = bestDistance;
    return best;
}

GList* AISortFlagsNodesByProximity(float x, float y) {
    auto* list = new GList;
    list->PreserveObjects();
    GList* graph = gBattle ? gBattle->mObjectiveGraph : nullptr;
    for (int32_t i = 0; graph && i < graph->GetCount(); ++i)
        list->Add(graph->GetObjectA(i));
    struct Point {
        float x, y;
    } p{x, y};
    list->InsertionSort(
        [](GObject* a, GObject* b, void* context) -> int32_t {
            auto* q = static_cast<Point*>(context);
            const float da = static_cast<FlagsNode*>(a)->GetAbstractDistanceTo(q->x, q->y);
            const float db = static_cast<FlagsNode*>(b)->GetAbstractDistanceTo(q->x, q->y);
            return da < db ? -1 : (db < da ? 1 : 0);
        },
        &p);
    return list;
}

int32_t AINodeIndex(FlagsNode* node) {
    GList* graph = gBattle ? gBattle->mObjectiveGraph : nullptr;
    for (int32_t i = 0; graph && node && i < graph->GetCount(); ++i)
        if (graph->GetObjectA(i) == node) return i;
    return -1;
}

bool AIZoneFits(int32_t field, int32_t code, int32_t side) {
    if (code < 1 || code > 6) return false;
    if (field >= 1 && field <= 6) return code == field;
    if (field != 0) return false;
    return side == kAxis ? code >= 4 : code <= 3;
}
