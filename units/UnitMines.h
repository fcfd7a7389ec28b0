#pragma once
// Mines going off under enemy units that move through their fields.

class Unit;

// After the unit's move of this slice from (fromX, fromY): an enemy mine
// field whose 24 m square holds the unit may go off under it, by a chance
// per metre moved (docs/unit-rules.md). A mine that goes off shows its
// blast (a shell packet of look 1 and its sound at the unit), hits the unit
// (TakeMineHit) and counts as found. Draws only where such a field lies.
// True when one went off.
bool SetOffMines(Unit* mover, float fromX, float fromY);
