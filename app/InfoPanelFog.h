#pragma once
// What the player at this machine may know of a unit: the facts of the
// viewer (side, fog-of-war setting, editor, end of the scenario) and the
// knowledge tests that the unit panel and the unit balloon share.
#include <cstdint>

#include "units/Enums.h"

class Unit;

struct ViewerFacts {
    Affiliation side = kAxis; // the player's side
    int32_t fog = 2;          // fog-of-war setting 0..3
    bool editor = false;      // an editor is open
    bool over = false;        // the battle (or the operation) is over
    int32_t state = 0;        // the application's interaction state (8 replay)
};
ViewerFacts CurrentViewer();

// The unit is of the player's side (by its Axis flag).
bool IsViewersUnit(Unit* u, Affiliation side);
// K: the player may see the unit's internals.
bool KnowsInternals(Unit* u, const ViewerFacts& v);
// N: the panel names the unit's leader and formation.
bool ShowsName(Unit* u, bool K, const ViewerFacts& v);
// The balloon's test for kill details and ammunition.
bool KillDetailsKnown(Unit* u, const ViewerFacts& v);
