// The graphics a unit owns: what the base makes for every kind (its nation's
// textures in the map's table), and the freeing of everything the kinds make.
#include <algorithm>

#include "battle/Battle.h"
#include "engine/GGraphic.h"
#include "map/Map.h"
#include "units/Unit.h"

void Unit::MakeTextures(bool) {
    if (gBattle && gBattle->mMap) gBattle->mMap->MakeNationalTextures(GetNation());
}

void Unit::DeleteTextures() {
    FreeOwnGraphics();
}

void Unit::NullifyTextures(bool deleteThem) {
    if (deleteThem) {
        DeleteTextures();
        return;
    }
    ForEachGraphicSlot([](GGraphic*& g) { g = nullptr; });
}

void Unit::FreeOwnGraphics() {
    // Sets of one unit may share a graphic (a type believed to be itself):
    // each is freed once.
    GGraphic* held[kGraphicSlots];
    size_t n = 0;
    ForEachGraphicSlot([&](GGraphic*& g) {
        if (g && std::find(held, held + n, g) == held + n) held[n++] = g;
        g = nullptr;
    });
    for (size_t i = 0; i < n; ++i)
        delete held[i];
}
