// The application's side of the battle screen: it builds the bottom bar and
// the map view when a battle begins, releases them when it goes, and opens
// the question menus the unit rules ask for.
#include "app/BattleScreen.h"
#include "app/MVApplication.h"
#include "app/MapSound.h"
#include "app/MapView.h"
#include "app/PlayerMenu.h"
#include "battle/Battle.h"
#include "battle/Reinforcement.h"
#include "battle/UnitList.h"
#include "engine/GBlitView.h"
#include "engine/GKernel.h"
#include "map/Map.h"
#include "units/Vehicle.h"

namespace {

// The battle's map while it has a view on the screen.
Map* ShownMap() {
    return gBattle && gBattle->mMap && gBattle->mMap->mView ? gBattle->mMap : nullptr;
}

// A vehicle's engine falls silent: its running loop stops and, when asked,
// the engine sound still waiting in the battle's queue goes too.
void DropEngineSound(Vehicle* vehicle, bool queuedToo) {
    if (Map* map = ShownMap()) map->RemoveUnitEngineSound(vehicle);
    if (queuedToo && gBattle) gBattle->RemoveQueuedEngineSound(vehicle);
}

// Every texture the battle draws with: the units' (those still waiting
// as reinforcements too) and the map's, made before the first frame; the
// drawing finds empty slots otherwise and paints untextured.
void MakeBattleTextures(Battle* battle) {
    auto units = [](UnitList* list) {
        if (!list) return;
        for (int32_t i = 0; i < list->GetCount(); ++i)
            if (Unit* u = list->GetUnit(i)) u->MakeTextures(false);
    };
    units(battle->mUnits);
    for (GList& side : battle->mReinforcements)
        for (int32_t i = 0; i < side.GetCount(); ++i)
            units(static_cast<Reinforcement*>(side.GetObjectA(i))->mUnits);
    battle->mMap->MakeTextures(false);
}

} // namespace

GView* MVApplication::BuildBattleScreen(Battle* battle, bool clearScreen) {
    if (!battle || !battle->mMap) return nullptr;
    if (gKernel) gKernel->Set3D(true);
    const int32_t w = gKernel ? gKernel->mScreenWidth : 800;
    const int32_t h = gKernel ? gKernel->mScreenHeight : 600;
    const bool tcpHost = mConnectionType == 2 && mIsHost;
    SetupScreen(battle, &mBattleScreen, nullptr, w, h, tcpHost);
    SetupMenus(battle);
    MakeProgressWindow(1550);
    MakeBattleTextures(battle);
    DeleteProgressWindow();
    InstallMapSoundHooks();
    Vehicle::sDropEngineSound = DropEngineSound;
    battle->mMap->SetScreenWidth(w);
    battle->mMap->CreateView();
    mBattleScreen.mRoot->Show(true);
    return mBattleScreen.mRoot;
}

void MVApplication::ReleaseBattleScreen(Battle* battle) {
    if (!battle) return;
    Vehicle::sDropEngineSound = nullptr;
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

void MVApplication::PlaybackPanelChanged(int32_t playState, int32_t seconds) {
    const bool replay = mState == kStatePlayback;
    if (replay && mBattleScreen.mVCRPicture && !mBattleScreen.mVCRPicture->IsVisible())
        ShowReplayControls(&mBattleScreen, true);
    PlaybackChanged(&mBattleScreen, playState, seconds, gBattle && gBattle->AtEndOfPlayback());
}

void MVApplication::OrdersMenuCommand(int32_t command) {
    Map* map = ShownMap();
    if (map && map->mOpenMenu) map->mOpenMenu->HandleCommand(command);
}

void MVApplication::MapKey(char key, bool ctrl, bool keypad) {
    (void)keypad;
    // Letters (and the signs between the two alphabets) are the orders
    // menu's hot keys for the selected unit, outside playback.
    Map* map = ShownMap();
    if (!map || ctrl || key < 'A' || key > 'z') return;
    if (!gBattle->mSelectedUnit || mState == kStatePlayback) return;
    map->HandleMenuKey(key);
}

void MVApplication::PlayPacketSound(ActionPacket* packet) {
    if (Map* map = ShownMap()) map->PlaySoundEffect(packet);
}
