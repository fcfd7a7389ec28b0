#pragma once
// What the map needs to know of the battle that owns it. The battle (or a
// test) implements this and hands it to Map::SetBattleLink; the map itself
// never looks into units, so it stays independent of their internals.
#include "units/Enums.h"

class MapBattleLink {
public:
    virtual ~MapBattleLink() = default;

    // True when `side` has a target reference point (an inanimate object of
    // subtype 3) within `radius` metres of (x, y).
    virtual bool HasReferencePointNear(float x, float y, Affiliation side, float radius) = 0;
};
