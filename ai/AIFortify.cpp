// The computer side's fortifications at set-up: every square of its zone is
// rated for the kind, squares around its units are spoilt by the kind's
// spacing, and each item takes the best square after a random jitter.

#include <vector>

#include "ai/AISetup.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/GDynamicArray.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/Inanimate.h"

namespace {

float U() {
    return static_cast<float>(RandomFraction());
}

bool InSet(Terrain t, std::initializer_list<int32_t> codes) {
    for (int32_t c : codes)
        if (c == t) return true;
    return false;
}
bool InRange(Terrain t, int32_t lo, int32_t hi) {
    return t >= lo && t <= hi;
}

bool BlockingCode(Terrain t) {
    return InSet(t, {19, 21, 22, 40, 53}) || InRange(t, 25, 37);
}
bool PassageCode(Terrain t) {
    return InSet(t, {13, 14, 17}) || InRange(t, 55, 63);
}
bool TrenchCode(Terrain t) {
    return InRange(t, 0, 5) || InRange(t, 13, 15) || InSet(t, {25, 35, 60}) || InRange(t, 27, 29) ||
           InRange(t, 46, 49);
}
bool ObstacleCode(Terrain t) {
    return InRange(t, 20, 22) || InSet(t, {25, 26, 35}) || InRange(t, 30, 32);
}
bool ReferenceCode(Terrain t) {
    return InRange(t, 9, 14) || InRange(t, 20, 22) || InSet(t, {25, 26, 35, 38, 39}) || InRange(t, 30, 32) ||
           InRange(t, 50, 53) || InRange(t, 55, 60);
}

Map* SetupMap() {
    return gBattle ? gBattle->mMap : nullptr;
}

bool Blocked(Map* map, float x, float y) {
    return !map->OnMap(x, y) || BlockingCode(map->GetTerrain(x, y, true));
}
bool Road(Map* map, float x, float y) {
    return map->OnMap(x, y) && PassageCode(map->GetTerrain(x, y, true));
}

// Where the item may stand is its kind's own rule (a fortification: on the
// map, not on open water).
bool ItemCanStand(Inanimate* item, float x, float y) {
    return item->CanOccupyLocation(x, y, true);
}

int32_t Spacing(int32_t kind) {
    switch (kind) {
    case kInanimateTrenches:
        return 0;
    case kInanimateRoadblock:
    case kInanimateWire:
        return 1;
    case kInanimateTargetReference:
    case kInanimateDaisyChain:
        return 2;
    default:
        return 3;
    }
}

float DepthFactor(Map* map, float x, float y) {
    const int32_t side = gAISide;
    const int32_t* owner = gBattle->mEdgeOwner; // West, North, East, South
    const float h = map->mHeightMetres, w = map->mWidthMetres;
    float f = 1.0f;
    if (owner[1] == side && owner[3] != side) {
        if (y > 0.4f * h) {
            float g = (0.4f * h - y) / h * 1.66667f + 1.0f;
            if (owner[3] == 2) g = (g + 1.0f) * 0.5f;
            f = g;
        }
    } else if (owner[3] == side && owner[1] != side) {
        if (y < 0.6f * h) {
            float g = y * 1.66667f / h;
            if (owner[1] == 2) g = (g + 1.0f) * 0.5f;
            f = g;
        }
    }
    if (owner[2] == side && owner[0] != side) {
        if (x > 0.4f * w) {
            float g = (0.4f * w - x) / w * 1.66667f + 1.0f;
            if (owner[0] == 2) g = (g + 1.0f) * 0.5f;
            f *= g;
        }
    } else if (owner[0] == side && owner[2] != side) {
        if (x < 0.6f * w) {
            float g = x * 1.66667f / w;
            if (owner[2] == 2) g = (g + 1.0f) * 0.5f;
            f *= g;
        }
    }
    return f;
}

float RoadblockHeading(Map* map, float x, float y, float heading) {
    if (Road(map, x, y + 20.0f) && Road(map, x, y - 20.0f)) return 90.0f;
    if (Road(map, x + 20.0f, y) && Road(map, x - 20.0f, y)) return 0.0f;
    if (Road(map, x + 20.0f, y + 20.0f) && Road(map, x - 20.0f, y - 20.0f)) return 45.0f;
    if (Road(map, x - 20.0f, y + 20.0f) && Road(map, x + 20.0f, y - 20.0f)) return 135.0f;
    return heading;
}

// Moves the items of one kind from the fortification list to a new list
// and places them.
void PlaceKind(GList* fortifications, int32_t kind, GDynamicArray* lofGrid) {
    GList items;
    items.PreserveObjects();
    for (int32_t i = 0; i < fortifications->GetCount();) {
        auto* item = static_cast<Unit*>(fortifications->GetObjectA(i));
        if (item->mSubtype == kind) {
            items.Add(item);
            fortifications->DeleteIndex(i, false);
        } else {
            ++i;
        }
    }
    if (items.GetCount() > 0) AIPlaceOneTypeOfInanimate(&items, lofGrid);
}

} // namespace

int16_t AIRateTileForInanimate(int32_t column, int32_t row, Inanimate* item, GDynamicArray* lofGrid) {
    Map* map = SetupMap();
    const float cx = 20.0f * static_cast<float>(column) + 10.0f;
    const float cy = 20.0f * static_cast<float>(row) + 10.0f;
    if (!map || !ItemCanStand(item, cx, cy)) return 1;
    const Terrain t = map->GetTerrain(cx, cy, true);
    int32_t r;
    switch (item->mSubtype) {
    case kInanimateRoadblock:
    case kInanimateATMines:
    case kInanimateDaisyChain: {
        bool passage = PassageCode(t);
        if (item->mSubtype == kInanimateATMines && (t == 14 || t == 17)) passage = false;
        if (Blocked(map, cx, cy))
            r = 1;
        else if (!passage)
            r = 200;
        else if ((Blocked(map, cx + 20.0f, cy) && Blocked(map, cx - 20.0f, cy)) ||
                 (Blocked(map, cx, cy + 20.0f) && Blocked(map, cx, cy - 20.0f)))
            r = 2000;
        else
            r = 1000;
        break;
    }
    case kInanimateTrenches:
        if (!TrenchCode(t)) {
            r = 200;
        } else {
            if (!lofGrid) {
                r = 2000;
            } else {
                const uint16_t v = AIGridValue(lofGrid, cx, cy);
                r = static_cast<int32_t>(
                    20.0f * (0.333f * static_cast<float>(v & 0xff) + 0.667f * static_cast<float>(v >> 8)));
            }
            if (t == 13 || t == 14) r = r / 2;
        }
        break;
    case kInanimateWire:
    case kInanimateAPMines:
        if (ObstacleCode(t))
            r = 2000;
        else if (t == 4)
            r = 1700;
        else if (t < 50 && t != 36 && t != 37)
            r = 1000;
        else
            r = 200;
        break;
    case kInanimateTargetReference:
        r = ReferenceCode(t) ? 2000 : (t == 37 ? 200 : 1000);
        break;
    default:
        // A kind this rating does not know is never a candidate.
        return 0;
    }
    if (r < 2) return static_cast<int16_t>(r);
    r = static_cast<int32_t>(static_cast<float>(r) * DepthFactor(map, cx, cy));
    return static_cast<int16_t>(std::max(r, 2));
}

void AIPlaceOneTypeOfInanimate(GList* items, GDynamicArray* lofGrid) {
    Map* map = SetupMap();
    if (!map || !items || items->GetCount() == 0) return;
    auto* first = static_cast<Inanimate*>(items->GetObjectA(0));
    const int32_t kind = first->mSubtype;
    if (kind < kInanimateRoadblock || kind > kInanimateDaisyChain) return;
    const int32_t cols = map->mWidth, rows = map->mHeight;
    std::vector<int16_t> rating(static_cast<size_t>(cols) * static_cast<size_t>(rows), 0);
    auto at = [&](int32_t c, int32_t r) -> int16_t& { return rating[static_cast<size_t>(c) * rows + r]; };
    const int32_t lo = gAISide == kAxis ? 4 : 1;
    for (int32_t c = cols - 1; c >= 0; --c)
        for (int32_t r = rows - 1; r >= 0; --r) {
            const Square* s = map->GetSquare(c, r);
            if (s && s->mSetupZone >= lo && s->mSetupZone <= lo + 2)
                at(c, r) = AIRateTileForInanimate(c, r, first, lofGrid);
        }
    const int32_t k = Spacing(kind);
    UnitList* units = gBattle->mUnits;
    for (int32_t i = 0; k > 0 && units && i < units->GetCount(); ++i) {
        Unit* u = units->GetUnit(i);
        if (u->GetAffiliation() != gAISide || !(u->mX >= 0.0f) || !(u->mY >= 0.0f)) continue;
        const int32_t sc = static_cast<int32_t>(u->mX * 0.05f), sr = static_cast<int32_t>(u->mY * 0.05f);
        const int32_t reach = u->mUnitType == kUnitInanimate ? 0 : k;
        for (int32_t c = std::max(sc - reach, 0); c <= std::min(sc + reach, cols - 1); ++c)
            for (int32_t r = std::max(sr - reach, 0); r <= std::min(sr + reach, rows - 1); ++r)
                at(c, r) = 1;
    }
    GList candidates; // owns its stubs
    for (int32_t c = cols - 1; c >= 0; --c)
        for (int32_t r = rows - 1; r >= 0; --r) {
            if (at(c, r) == 0) continue;
            auto* stub = new TileStub;
            stub->mColumn = static_cast<int16_t>(c);
            stub->mRow = static_cast<int16_t>(r);
            stub->mRating = at(c, r);
            const Square* s = map->GetSquare(c, r);
            stub->mZone = static_cast<int16_t>(s ? s->mSetupZone : 0);
            candidates.Add(stub);
        }
    if (candidates.GetCount() == 0) return;
    for (int32_t i = 0; i < items->GetCount(); ++i) {
        auto* item = static_cast<Inanimate*>(items->GetObjectA(i));
        int32_t z = item->mSubtype == kInanimateTargetReference ? -1 : item->mSetupZone;
        for (int32_t n = 0; n < candidates.GetCount(); ++n) {
            auto* stub = static_cast<TileStub*>(candidates.GetObjectA(n));
            stub->mScore = static_cast<int16_t>(static_cast<float>(stub->mRating) * (0.6f + 0.8f * U()));
        }
        // The item's own zone first; an item free to stand in any zone of its
        // side (0) prefers every square of them to the spoilt squares outside.
        candidates.QuickSort(
            [](GObject* ga, GObject* gb, void* context) -> int32_t {
                const int32_t zone = *static_cast<int32_t*>(context);
                auto* a = static_cast<TileStub*>(ga);
                auto* b = static_cast<TileStub*>(gb);
                const bool za = zone == 0 ? AIZoneFits(0, a->mZone, gAISide) : a->mZone == zone;
                const bool zb = zone == 0 ? AIZoneFits(0, b->mZone, gAISide) : b->mZone == zone;
                if (za != zb) return za ? -1 : 1;
                return a->mScore > b->mScore ? -1 : (a->mScore < b->mScore ? 1 : 0);
            },
            &z);
        AIAdvanceProgress();
        auto* best = static_cast<TileStub*>(candidates.GetObjectA(0));
        // An item that may stand in any zone of its side takes any square.
        if (z >= 1 && z <= 6 && best->mZone != z) continue;
        if (z == 0 && !AIZoneFits(0, best->mZone, gAISide)) continue;
        if (gAIFreeSetup) {
            const float cx = 20.0f * best->mColumn + 10.0f, cy = 20.0f * best->mRow + 10.0f;
            item->AISetLocation(cx, cy);
            best->mRating = 1;
            best->mScore = 1;
            if (kind == kInanimateWire) {
                item->mHeading = 360.0f * U();
            } else if (kind == kInanimateRoadblock) {
                item->mHeading = RoadblockHeading(map, cx, cy, item->mHeading);
            } else if (kind == kInanimateTrenches) {
                const int32_t* owner = gBattle->mEdgeOwner;
                if ((owner[1] == gAISide || owner[3] == gAISide) && owner[0] != gAISide &&
                    owner[2] != gAISide)
                    item->mHeading = 90.0f;
            }
            const float dx = 2.0f - 4.0f * U();
            const float dy = 2.0f - 4.0f * U();
            item->AISetLocation(item->mX + dx, item->mY + dy);
        }
        if (kind == kInanimateTrenches) item->StampToMap();
    }
}

void AIPlaceTrenches(GList* fortifications, GDynamicArray* lofGrid) {
    if (fortifications) PlaceKind(fortifications, kInanimateTrenches, lofGrid);
}

void AIPlaceInanimates(GList* fortifications) {
    if (!fortifications) return;
    static const int32_t kOrder[6] = {kInanimateRoadblock, kInanimateWire,    kInanimateTargetReference,
                                      kInanimateAPMines,   kInanimateATMines, kInanimateDaisyChain};
    for (int32_t kind : kOrder)
        PlaceKind(fortifications, kind, nullptr);
}
