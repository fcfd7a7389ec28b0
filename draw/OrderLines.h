#pragma once
// The orders given to units, drawn on the ground: move paths with their
// waypoint markers, target and incoming-fire lines, covered arcs and the
// short-lived marks of destinations a unit could not take. The rows of the
// line texture (picture 2020) they use are listed in docs/assets.md.
#include <cstdint>

#include "units/Enums.h"

class Battle;
class Map;
class Unit;

namespace orderlines {
// Rows of the line texture. Move legs take the row of their pace.
constexpr int32_t kRowMove = 0;       // move, mount, dig in at the end
constexpr int32_t kRowFast = 1;       // hurry and rush
constexpr int32_t kRowAssault = 2;    // assault, ends at the first enemy seen
constexpr int32_t kRowQuiet = 4;      // sneak and crawl
constexpr int32_t kRowHunt = 5;       // hunt and advance by bounds
constexpr int32_t kRowReverse = 7;    // reverse
constexpr int32_t kRowWithdraw = 8;   // withdraw, fire and withdraw, rout
constexpr int32_t kRowSewer = 9;      // through the sewers
constexpr int32_t kRowRotate = 10;    // the turn to face a point
constexpr int32_t kRowTarget = 11;    // fire at a unit
constexpr int32_t kRowAreaFire = 12;  // fire at a point
constexpr int32_t kRowCoverFire = 19; // covering fire at a unit
constexpr int32_t kRowSmoke = 23;     // smoke at a point
constexpr int32_t kRowObserver = 24;  // an observer's fire mission
constexpr int32_t kRowIncoming = 25;  // an enemy firing at the selected unit
constexpr int32_t kRowCommand = 26;   // to the unit's leader
constexpr int32_t kRowPlatoon = 27;   // to the platoon leader
constexpr int32_t kRowArc = 28;       // covered arc
constexpr int32_t kRowArmourArc = 29; // covered arc against armour
constexpr int32_t kRowRefused = 30;   // a destination the unit cannot take

int32_t RowOfPace(MovementSpeedType pace);
int32_t RowOfOrder(int32_t order);

// The viewer may see this unit's orders: its own units, and every unit
// once the battle is over.
bool OrdersShown(Unit* unit);

// The orders of the battle's units for this frame: in a pick pass the
// selected unit's waypoint markers only, else the selected unit's path,
// and the paths, target lines and arcs the preferences ask for (bytes 7
// and 81), and the refused-destination marks.
void DrawOrders(Battle* battle);

// A refused destination of a unit of that side, shown to that side for
// about two seconds.
void AddRefusedMark(float x, float y, char side);
void ClearRefusedMarks();
int32_t RefusedMarkCount();
} // namespace orderlines
