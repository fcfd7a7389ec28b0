// The application's side of the battle screen: it builds the bottom bar and
// the map view when a battle begins, releases them when it goes, and opens
// the question menus the unit rules ask for.
#include <algorithm>
#include <cmath>

#include "app/AppViews.h"
#include "app/BattleScreen.h"
#include "app/InfoPanel.h"
#include "app/MVApplication.h"
#include "app/MapSound.h"
#include "app/MapView.h"
#include "app/PlayerMenu.h"
#include "app/ResultView.h"
#include "app/UnitInfoBalloon.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "draw/DrawSettings.h"
#include "engine/GBlitView.h"
#include "engine/GEditView.h"
#include "engine/GKernel.h"
#include "engine/GOLTA.h"
#include "engine/GSoundManager.h"
#include "map/Map.h"
#include "units/Vehicle.h"

namespace {

constexpr int32_t kLoadingGraphicsString = 1550;
constexpr int32_t kProgressBarInset = 2;
constexpr int32_t kSlicesPerTurnBar = 2400;

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

// Deletes a view unless a cleared screen took it already.
void DropView(GView*& view) {
    if (view && (!gKernel || gKernel->IsViewAlive(view))) delete view;
    view = nullptr;
}

} // namespace

GView* MVApplication::BuildBattleScreen(Battle* battle, bool clearScreen) {
    if (!battle || !battle->mMap) return nullptr;
    if (gKernel) gKernel->Set3D(true);
    const int32_t w = gKernel ? gKernel->mScreenWidth : 800;
    const int32_t h = gKernel ? gKernel->mScreenHeight : 600;
    const bool tcpHost = mConnectionType == 2 && mIsHost;
    // The host's waiting window has done its work once the battle begins.
    DeleteView(mServerWaitWindow);
    mTCPIPWaitBox = nullptr;
    SetupScreen(battle, &mBattleScreen, nullptr, w, h, tcpHost);
    SetupMenus(battle);
    battle->mScreen = mBattleScreen.mRoot;
    MakeProgressWindow(kLoadingGraphicsString);
    const bool made = battle->MakeBattleTextures(true);
    DeleteProgressWindow();
    if (!made) {
        ReleaseBattleScreen(battle);
        battle->mScreen = nullptr;
        return nullptr;
    }
    InstallMapSoundHooks();
    Vehicle::sDropEngineSound = DropEngineSound;
    battle->mMap->SetScreenWidth(w);
    battle->mMap->CreateView();
    mBattleScreen.mRoot->Show(true);
    return mBattleScreen.mRoot;
}

void MVApplication::BattleGoes(Battle* battle) {
    if (battle) battle->DeletePreviewMaterial(false);
}

// The views only: the menu and order pictures go with the battle's preview
// material.
void MVApplication::ReleaseBattleScreen(Battle* battle) {
    if (!battle) return;
    Vehicle::sDropEngineSound = nullptr;
    if (battle->mMap) battle->mMap->DeleteView();
    battle->mBottomPanel = nullptr;
    battle->mInfoPanel = nullptr; // deleted with the bar below
    battle->mReplayControls = nullptr;
    DropView(battle->mResultView);
    battle->mScreen = nullptr;
    // The screen may have been cleared with its views already.
    GView* root = mBattleScreen.mRoot;
    if (root && (!gKernel || gKernel->IsViewAlive(root))) delete root;
    mBattleScreen = BattleScreen{};
}

void MVApplication::RefreshInfoPanel() {
    if (gBattle && gBattle->mInfoPanel) gBattle->mInfoPanel->Refresh();
}

void MVApplication::SelectionChanged(Unit* unit) {
    (void)unit;
    if (Map* map = ShownMap()) map->UpdateInfoBalloon();
}

void MVApplication::ReportVP(float axisShare, float alliesShare) {
    if (gBattle && gBattle->mInfoPanel) gBattle->mInfoPanel->ReportVP(axisShare, alliesShare);
}

void MVApplication::ToggleKillsPage() {
    Map* map = ShownMap();
    if (map && map->mInfoBalloon) map->mInfoBalloon->ToggleKills();
}

void MVApplication::CreateFloorChoiceMenu(Unit* unit) {
    if (gBattle && gBattle->mMap && gBattle->mMap->mView) gBattle->mMap->CreateFloorChoiceMenu(unit);
}

void MVApplication::CreateGunChoiceMenu(Unit* vehicle) {
    if (gBattle && gBattle->mMap && gBattle->mMap->mView) gBattle->mMap->CreateGunChoiceMenu(vehicle);
}

void MVApplication::PlaybackPanelChanged(int32_t playState, int32_t seconds) {
    const bool replay = mState == kStatePlayback;
    // The computation is over: its progress bar goes.
    if (replay) ShowView(mBattleScreen.mActionBar, false);
    // While the computing machine makes its results ready to send (phase 14),
    // the replay's controls wait: play and next turn would run outside the
    // exchange. StartOwnReplay shows them once the peer has the turn.
    const bool sending = mConnectionType == 2 && mTCPIPPhase == 14;
    if (replay && !sending && mBattleScreen.mVCRPicture && !mBattleScreen.mVCRPicture->IsVisible())
        ShowReplayControls(&mBattleScreen, true);
    PlaybackChanged(&mBattleScreen, playState, seconds, gBattle && gBattle->AtEndOfPlayback());
}

void MVApplication::OrdersMenuCommand(int32_t command) {
    Map* map = ShownMap();
    if (map && map->mOpenMenu) map->mOpenMenu->HandleCommand(command);
}

void MVApplication::PlayPacketSound(ActionPacket* packet) {
    if (Map* map = ShownMap()) map->PlaySoundEffect(packet);
}

// ------------------------------------------------------------ the turn

void MVApplication::ActionPhaseStarts() {
    ShowView(mBattleScreen.mGoPicture, false);
    if (Alive(mBattleScreen.mActionButton)) mBattleScreen.mActionButton->Activate(false);
}

void MVApplication::ShowProgress(int32_t slice) {
    ActionBar* bar = Alive(mBattleScreen.mActionBar);
    if (!bar) return;
    // The bar moves by whole pixels, redrawn only when it moves, and the
    // screen shows it at most every tenth of a second so that drawing does
    // not lengthen the wait.
    const int32_t m = bar->GetWidth() - kProgressBarInset;
    const int32_t s = slice < kSlicesPerTurnBar ? slice : kSlicesPerTurnBar;
    const int32_t value = static_cast<int32_t>(static_cast<float>(s * m) * (1.0f / 2400.0f) + 1.5f);
    if (value == bar->mValue && s > 0) return;
    bar->mValue = value;
    bar->Show(true);
    bar->Refresh();
    UpdateScreenForProgress();
}

void MVApplication::GoButtonChanged(bool shown) {
    ShowView(mBattleScreen.mGoPicture, shown);
}

void MVApplication::PreloadSounds(int32_t count, const int32_t* numbers, const bool* flags) {
    if (gSound) gSound->PreloadSounds(count, numbers, flags);
}

void MVApplication::PlaySound(int32_t number, int32_t priority) {
    PlayAppSound(number, priority);
}

void MVApplication::RestartVehicleSounds() {
    if (gBattle) gBattle->StartVehicleSounds();
}

void MVApplication::ShowBattleScreen(bool show) {
    if (show && gKernel) gKernel->Set3D(true);
    ShowView(mBattleScreen.mRoot, show);
    if (gBattle && gBattle->mMap) gBattle->mMap->ShowMap(show);
    if (!show && gKernel) gKernel->Set3D(false);
}

void MVApplication::ShowResult(bool noOperationStep, bool nightEnd) {
    if (!gBattle) return;
    Battle* b = gBattle;
    if (mConnectionType == 2) {
        // The peer learns that this battle is over, so a later loss of the
        // connection is not reported to it as a failure.
        mTCPIPPhase = 23;
        uint8_t over = 17;
        ForceSendRecord(&over, 1, 5);
    }
    if (gSound) gSound->FlushUnusedSounds(2);
    b->ShowScreens(false);
    if (gKernel) gKernel->ClearScreen(false);
    DropView(b->mResultView);
    const bool continues = gCampaign && !gCampaign->Over();
    auto* view = new ResultView;
    view->IResultView(nullptr, b->mResult, &b->mTitle, gCampaign != nullptr, continues);
    b->mResultView = view;
    // The other machine is told by the network side; here GO comes back.
    if (mConnectionType == 2 && !continues) ShowView(mBattleScreen.mGoPicture, true);
}

// ------------------------------------------------------- camera and keys

namespace {

// The map's camera moves and turns take a rate per second and step one
// frame's worth of it per call. Calls come once per click or key press, and
// on every pass while a button or key is held, so each call is scaled to
// the time it stands for: while held, the time since the last call of the
// same kind; a single tap, one frame but at least 1/30 s. The distance then
// does not depend on how fast the machine draws.
struct CameraHold {
    int32_t what = -1;
    uint32_t last = 0;
};
CameraHold sCameraHold;
constexpr uint32_t kHoldGapMs = 150; // a call this soon after the last continues a hold
constexpr float kTapSeconds = 1.0f / 30.0f;

float FrameRate() {
    const float fps = gKernel ? gKernel->mFramesPerSecond : 30.0f;
    return std::isfinite(fps) && fps >= 1.0f ? fps : 30.0f;
}

float CameraStepFactor(int32_t what) {
    const float fps = FrameRate();
    const uint32_t now = DrawClockNow(); // the frame clock
    float seconds = std::max(kTapSeconds, 1.0f / fps);
    if (sCameraHold.what == what && now - sCameraHold.last <= kHoldGapMs)
        seconds = static_cast<float>(now - sCameraHold.last) / 1000.0f;
    sCameraHold = {what, now};
    return fps * seconds;
}

} // namespace

void MVApplication::KeyHeld(char key) {
    // The camera keys go on while held, at their rates per second; other
    // keys wait for the keyboard's own repeat.
    const int32_t code = static_cast<unsigned char>(key);
    const bool arrow = code >= 1 && code <= 4;
    const bool camera = arrow || key == ',' || key == '.' || key == '<' || key == '>';
    if (!camera || !gBattle || !ShownMap() || mState == kStateConfirm || mRadioInput) return;
    // Keys that went to a box, a menu or a field are not the camera's.
    if (gKernel && (gKernel->GetTopModal() || (gKernel->GetActiveEdit() && gKernel->GetActiveEdit()->IsVisible())))
        return;
    gBattle->DoKey(key, false, false);
}

void MVApplication::CameraCommand(int32_t command) {
    Map* map = ShownMap();
    if (!map) return;
    const float f = command >= 1 && command <= 6 ? CameraStepFactor(command) : 1.0f;
    switch (command) {
    case 1:
        map->BogusRotate(1.5f * f);
        break;
    case 2:
        map->BogusRotate(-1.5f * f);
        break;
    case 3:
        map->BogusMove(3, 1.5f * f);
        break;
    case 4:
        map->BogusMove(4, 1.5f * f);
        break;
    case 5:
        map->BogusMove(1, 1.5f * f);
        break;
    case 6:
        map->BogusMove(2, 1.5f * f);
        break;
    case 7:
        map->BogusLoft(false);
        break;
    case 8:
        map->BogusLoft(true);
        break;
    default:
        break;
    }
}

void MVApplication::MoveCamera(int32_t direction, float step) {
    if (Map* map = ShownMap()) map->BogusMove(static_cast<char>(direction), step * CameraStepFactor(100 + direction));
}

void MVApplication::TurnCamera(float rate) {
    if (Map* map = ShownMap()) map->BogusRotate(rate * CameraStepFactor(rate < 0.0f ? 200 : 201));
}

void MVApplication::TurnCameraTo(float degrees) {
    if (Map* map = ShownMap()) map->RotateCameraAbsolute(degrees);
}

void MVApplication::JumpCameraToLevel(int32_t level) {
    if (Map* map = ShownMap()) map->JumpToCameraLoft(level);
}

void MVApplication::CameraKeyPad(char key) {
    if (Map* map = ShownMap()) map->KeyPad(key);
}

void MVApplication::ToggleCameraLock(Unit* unit) {
    if (Map* map = ShownMap()) map->ToggleCameraLock(unit);
}

void MVApplication::ToggleUnitInfo() {
    if (Map* map = ShownMap()) map->ToggleUnitInfo();
}

void MVApplication::CloseUnitInfo() {
    if (gBattle && gBattle->mMap && gBattle->mMap->mInfoBalloon) gBattle->mMap->ClearInfoBalloon();
}

void MVApplication::EnsurePointIsVisible(float x, float y) {
    if (Map* map = ShownMap()) map->EnsurePointIsVisible(x, y);
}

bool MVApplication::OrdersMenuOpen() {
    Map* map = ShownMap();
    return map && map->mOpenMenu;
}

void MVApplication::OpenOrdersMenu() {
    if (Map* map = ShownMap()) map->BringUpOrdersMenu(false);
}

void MVApplication::CloseOrdersMenu() {
    if (Map* map = ShownMap()) map->CloseOpenMenu();
}

void MVApplication::OrdersMenuKey(char key) {
    if (Map* map = ShownMap()) map->HandleMenuKey(key);
}

void MVApplication::RespondToOrder(int32_t order) {
    if (Map* map = ShownMap()) map->RespondToOrder(order, false);
}

bool MVApplication::TurnClockPausable() {
    return mConnectionType == 2 && mTurnTimeLimit > 0 && (mTurnClockStart != 0 || mClockWasRunning);
}

void MVApplication::UnitGoes(Unit* unit) {
    if (gBattle && gBattle->mMap) gBattle->mMap->ForgetUnit(unit);
}
