// The application's side of the battle screen: it makes the map view when a
// battle begins and opens the question menus the unit rules ask for.
#include "app/MVApplication.h"
#include "app/MapSound.h"
#include "app/MapView.h"
#include "battle/Battle.h"
#include "engine/GKernel.h"
#include "map/Map.h"

GView* MVApplication::BuildBattleScreen(Battle* battle, bool clearScreen) {
    if (!battle || !battle->mMap) return nullptr;
    if (gKernel) gKernel->Set3D(true);
    InstallMapSoundHooks();
    battle->mMap->CreateView();
    return battle->mMap->mView;
}

void MVApplication::ReleaseBattleScreen(Battle* battle) {
    if (battle && battle->mMap) battle->mMap->DeleteView();
}

void MVApplication::CreateFloorChoiceMenu(Unit* unit) {
    if (gBattle && gBattle->mMap && gBattle->mMap->mView) gBattle->mMap->CreateFloorChoiceMenu(unit);
}

void MVApplication::CreateGunChoiceMenu(Unit* vehicle) {
    if (gBattle && gBattle->mMap && gBattle->mMap->mView) gBattle->mMap->CreateGunChoiceMenu(vehicle);
}
