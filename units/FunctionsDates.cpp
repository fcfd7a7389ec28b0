// Date and nation queries of the rules: what the scenario date and a nation
// mean for orders, artillery and equipment.

#include "units/Functions.h"

bool IsEfficientNation(Nation nation) { return false; }

int32_t ArtilleryQuality(Nation nation, int32_t date) { return 2; }

float TimeOnTarget(Nation nation, WeaponType weapon, bool quick) { return quick ? 0.0f : 120.0f; }
