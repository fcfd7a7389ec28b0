// The application's side of the battle screen: it builds the bottom bar and
// the map view when a battle begins, releases them when it goes, and opens
// the question menus the unit rules ask for.
#include "app/BattleScreen.h"
#include "app/MVApplication.h"
#include "app/MapSound.h"
#include "app/MapView.h"
#include "battle/Battle.h"
#include "engine/GKernel.h"
#include "map/Map.h"

GView* MVApplication::BuildBattleScreen(Battle* battle, bool clearScreen) {
    if (!battle || !battle->mMap) return nullptr;
    if (gKernel) gKernel->Set3D(true);
    const int32_t w = gKernel ? gKernel->mScreenWidth : 800;
    const int32_t h = gKernel ? gKernel->mScreenHeight : 600;
    const bool tcpHost = mConnectionType == 2 && mIsHost;
    SetupScreen(battle, &mBattleScreen, nullptr, w, h, tcpHost);
    SetupMenus(battle);
    InstallMapSoundHooks();
    battle->mMap->SetScreenWidth(w);
    battle->mMap->CreateView();
    mBattleScreen.mRoot->Show(true);
    return mBattleScreen.mRoot;
}

void MVApplication::ReleaseBattleScreen(Battle* battle) {
    if (!battle) return;
    if (battle->mMap) battle->mMap->DeleteView();
    for (GGraphic*& g : battle->mMenuGraphics) {
        delete g;
        g = nullptr;
    }
    for (GGraphic*& g : battle->mOrderGraphics) {
        delete g;
        g = nullptr;
    }
    battle->mBottomPanel = nullptr;
    battle->mReplayControls = nullptr;
    // The screen may have been cleared with its views already.
    GView* root = mBattleScreen.mRoot;
    if (root && (!gKernel || gKernel->IsViewAlive(root))) delete root;
    mBattleScreen = BattleScreen{};
}

void MVApplication::CreateFloorChoiceMenu(Unit* unit) {
    if (gBattle && gBattle->mMap && gBattle->mMap->mView) gBattle->mMap->CreateFloorChoiceMenu(unit);
}

void MVApplication::CreateGunChoiceMenu(Unit* vehicle) {
    if (gBattle && gBattle->mMap && gBattle->mMap->mView) gBattle->mMap->CreateGunChoiceMenu(vehicle);
}
