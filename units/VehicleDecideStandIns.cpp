// Least answers for the machine-gun fire and the start of a bail-out until
// the vehicle's hit and damage rules replace this file: the machine guns
// stay silent, and a crew that must leave does so at once.

#include "units/Vehicle.h"

void Vehicle::FireMachineGuns() {}

void Vehicle::BeginToBailOut(float kill, bool afterHit) {
    if (mBailOutCountdown < 0) mBailOutCountdown = 1;
}

// No armour is counted until the armour model lands.
float Vehicle::CalculateArmorBasis(float, float, float, bool, VehicleHitLocation, VehicleAspect, bool, float,
                                   WeaponClass, AmmoClass, ShellType, DataKnowledge, bool*, int32_t*, float*,
                                   bool, float*) {
    return 0.0f;
}
