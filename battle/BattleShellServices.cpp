// What the application shell asks of the battle: the screen shown or
// hidden, the map reviewed after the end, the engine sounds started.

#include "battle/Battle.h"

#include "battle/BattleHost.h"
#include "battle/Campaign.h"
#include "battle/UnitList.h"
#include "engine/GView.h"
#include "map/Map.h"
#include "units/Unit.h"

void Battle::ShowScreens(bool show) {
    if (mScreen) Host()->ShowBattleScreen(show);
}

void Battle::ReviewMap() {
    // A finished battle's map shows every foxhole.
    if ((!gCampaign || gCampaign->Over()) && mMap) mMap->SpotFoxholes(true);
    if (mResultView) mResultView->Show(false);
    ShowScreens(true);
}

void Battle::StartVehicleSounds() {
    if (mSetupPhase || !mUnits) return;
    for (int32_t i = 0; i < mUnits->GetCount(); ++i)
        mUnits->GetUnit(i)->StartEngineSound();
}
