// A vehicle placed by the computer side's set-up takes its riders along.

#include "units/Infantry.h"
#include "units/Vehicle.h"

void Vehicle::AISetLocation(float x, float y) {
    Unit::AISetLocation(x, y);
    for (Unit* rider : mPassengers)
        if (auto* infantry = dynamic_cast<Infantry*>(rider)) infantry->UpdateRider(false);
}
