#pragma once
// What each 20 m square shows of the description's shapes: its two overlay
// slots (cover and bands) and the road edges along its sides.
#include "tools/scenarios/ScenarioText.h"

class Map;

// False with the fault when a shape cannot be drawn as the map's overlays: a
// line of no length, or a line whose code is neither a road (drawn along the
// squares' sides), plain ground, nor a code with band pictures in the
// overlay table.
bool CheckShapesDrawable(const ScenarioDescription& description, ScenarioFault* fault);

// Fills every square's overlay slots, mirrors, turns and edge features from
// the description's shapes (docs/scenarios.md, "What the map shows"). Reads
// nothing of the map but its size; draws no random numbers.
void LayOverlays(const ScenarioDescription& description, Map* map);
