#pragma once
// A turn that leaves the info panel's hiding and manoeuvre pictures, for the
// tests of two programs: the side's squads hide, and one of its tanks drives
// through the place of a vehicle at least half as heavy again, whose tracks
// are then broken so that the tank creeps up to it and tries its way round.

#include <cstdint>

#include "units/Enums.h"

struct ScreenDrawLog;
class Unit;
class Vehicle;

// The tank and the vehicle in its way, by their unique ids (0: none).
struct PanelMarksOrders {
    uint32_t driver = 0;
    uint32_t blocker = 0;
    int32_t hiders = 0;
};

// The orders of the battle's side given as the order menu gives them: every
// squad hides, the nearest tank with a heavier vehicle drives through it.
PanelMarksOrders GivePanelMarksOrders(Affiliation side);
// The blocker's tracks broken.
void ImmobiliseBlocker(const PanelMarksOrders& orders);
Vehicle* VehicleByID(uint32_t id);
// A squad of the side that hid from the turn's start and shows so (no
// delay or barrage in the panel's place), or null.
Unit* HiderFromTheStart(Affiliation side);
bool DrawsPicture(const ScreenDrawLog& log, int32_t picture);
