// Least answers of what the application shell asks of the battle. The battle
// flow and the battle screen replace these bodies in place.

#include "battle/Battle.h"

#include "battle/Campaign.h"
#include "map/Map.h"

void Battle::ShowScreens(bool show) {}

void Battle::ReviewMap() {
    // A finished battle's map shows every foxhole.
    if ((!gCampaign || gCampaign->Over()) && mMap) mMap->SpotFoxholes(true);
    ShowScreens(true);
}

void Battle::Ambient() {}

void Battle::StopVehicleSounds() {}
