#pragma once
// What the battle asks of the program that runs it: who plays, how turns
// travel, and the screen. The application implements it; without a host the
// battle runs headless as a one-player game seen from the Axis side.

#include <cstdint>

#include "units/Enums.h"

class ActionPacket;
class Battle;
struct DrawSettings;
class GFile;

// The format version of the files this program writes.
constexpr int32_t kCurrentFileVersion = 2;

// The kinds of game (BattleHost::GameMode).
constexpr int32_t kGameModeHotseat = 0;
constexpr int32_t kGameModeComputer = 1;
constexpr int32_t kGameModeTCPIP = 2;
constexpr int32_t kGameModeMail = 3;

// No side: the computer plays none in a game of two players.
constexpr Affiliation kSideNone = 2;
class GString;
class GView;
class Unit;

class BattleHost {
public:
    virtual ~BattleHost() = default;

    // The side whose player sits at the screen (0 or 1). The computer
    // opponent shows its planned side's view while it plans; headless the
    // side is only stored.
    virtual Affiliation ViewingSide() { return mViewingSide; }
    virtual void SetViewingSide(Affiliation side) { mViewingSide = side; }
    // 1 against the computer, 2 for two players.
    virtual int32_t HumanPlayers() { return 1; }
    // 0 hotseat, 1 e-mail, 2 TCP/IP.
    virtual int32_t ConnectionKind() { return 0; }
    // False on the machine that joined a TCP/IP game.
    virtual bool IsHost() { return true; }
    // Fog of war: 0 off (every unit fully known), 1, 2, 3 the fullest.
    virtual int32_t FogOfWarLevel() { return 3; }
    // How the computer player sets up: 1 it places its units freely, 0 it
    // keeps the scenario's set-up.
    virtual int32_t ComputerSetupOption() { return 1; }
    // The kind of game, kept in the battle part of a saved game: 0 hotseat,
    // 1 against the computer, 2 TCP/IP, 3 e-mail. Headless it is a game
    // against the computer.
    virtual int32_t GameMode() { return kGameModeComputer; }
    virtual void SetGameMode(int32_t mode) {}
    // The side the computer opponent plays: the side the player at this
    // machine does not command in a game against the computer, kSideNone in
    // any other game. It stays put while the computer plans with its own
    // side in view. Headless the computer plays the Allies.
    virtual Affiliation ComputerSide() { return HumanPlayers() == 1 ? kAllies : kSideNone; }
    // The player-side value; 2 keeps the game mode from being taken from a file.
    virtual int32_t PlayerSideValue() { return ViewingSide(); }
    // CRC of the last e-mail turn file read.
    virtual uint32_t LastTurnFileCRC() { return 0; }
    // Remembers the name of the scenario being loaded.
    virtual void RememberScenarioName(GFile* file) {}
    // The format version of the game file being read: 0 and 1 are older
    // files (older unit records), the current version otherwise.
    virtual int32_t LoadingFileVersion() { return kCurrentFileVersion; }

    // TCP/IP turn hand-over: the turn counter, the sending player's
    // password hash, this machine's CPU-speed value, and whether this
    // machine computes the action phases.
    virtual int32_t TCPTurnCounter() { return 0; }
    virtual void SetTCPTurnCounter(int32_t counter) {}
    virtual void GetPasswordHash(GString* hash) {}
    virtual void SetOtherPasswordHash(const GString& hash) {}
    virtual int32_t CPUSpeed() { return 0; }
    virtual bool ComputesTurn() { return true; }
    virtual void SetComputesTurn(bool computes) {}

    // Builds the battle screen and gives its root view; null when its
    // graphics cannot be made (or there is no screen). The host owns the
    // views it builds and releases them when the battle goes; the pictures
    // and sound held in the battle's own fields (filler, battle textures,
    // result view, ambient sound) are the battle's, which frees them after.
    virtual GView* BuildBattleScreen(Battle* battle, bool clearScreen) { return nullptr; }
    // Whether this program shows a battle screen at all (false headless):
    // a screen that cannot be built then stops the battle's opening.
    virtual bool HasScreen() { return false; }
    virtual void ReleaseBattleScreen(Battle* battle) {}
    // A battle that began is deleted: its screen and what the screen made
    // for it (pictures, textures, the map view, replay sounds) go. Without
    // a screen only the host's views are released.
    virtual void BattleGoes(Battle* battle);
    // Shows or hides the battle screen and its map view (the result screen
    // hides it).
    virtual void ShowBattleScreen(bool show) {}
    virtual void RestartVehicleSounds() {}
    virtual void JoinerBeginsBattle() {}
    virtual void AddRadioInstructions() {}

    // The battle screen's answers to the unit rules (nothing headless):
    // redraw the unit panel; the selection changed (balloon, camera lock and
    // panel buttons follow it); let the player choose the ground or the
    // upper floor of a building for the unit.
    virtual void RefreshInfoPanel() {}
    // The shares (fractions) of the victory points the player sees, after
    // each count; the kills page of the unit balloon flips (command 16).
    virtual void ReportVP(float axisShare, float alliesShare) {}
    virtual void ToggleKillsPage() {}
    virtual void SelectionChanged(Unit* unit) {}
    virtual void CreateFloorChoiceMenu(Unit* unit) {}
    // Lets the player choose between a vehicle's main gun and its machine
    // guns; the answer reaches Vehicle::RespondToGunUseChoice.
    virtual void CreateGunChoiceMenu(Unit* vehicle) {}
    // The player's signed unit-size preference (0 normal), and the spotting
    // preference (2 or more keeps first-seen boats partly identified).
    virtual int32_t UnitSizePreference() { return 0; }
    virtual int32_t SpottingPreference() { return 0; }

    // The turn. The application state (8 playback); the TCP/IP re-seed of
    // the generator before a turn is computed; the TCP/IP transfer phase
    // (14 waits for the peer before playback); the progress of the
    // computation (slice 0..2400) and the keep-alive of a connection.
    virtual void SetState(int32_t state) {}
    virtual void SynchRandomForTCPIP() {}
    virtual int32_t TransferPhase() { return 0; }
    virtual void ShowProgress(int32_t slice) {}
    virtual void PingDuringBusyCPU() {}
    // The progress window while the battle's pictures are made: moved on
    // between groups of textures.
    virtual void UpdateProgressWindow() {}
    // Whether Shift is held: the replay's back and forward step 80 slices
    // instead of 400 (false headless).
    virtual bool ShiftHeld() { return false; }
    // Screen steps around the computation (hide GO, show the playback
    // panel, refresh the timer and buttons); nothing headless.
    virtual void ActionPhaseStarts() {}
    virtual void PlaybackPanelChanged(int32_t playState, int32_t seconds) {}
    // The pointer hides while a long redraw or computation runs; the main
    // loop keeps the processor while the replay runs; cached sounds no
    // longer needed may go (mode 1 before a computation); whether the last
    // frame took so long that a rewind hides its redraw.
    virtual void ShowCursor(bool show) {}
    virtual void HogCPU(bool on) {}
    virtual void FlushSoundCache(int32_t mode) {}
    virtual bool SlowRedraw() { return false; }
    // The clock playback runs by, in ms.
    virtual uint32_t ClockTime();
    // Sounds: preload, play one packet's sound, a fixed sound.
    virtual void PreloadSounds(int32_t count, const int32_t* numbers, const bool* flags) {}
    virtual void PlayPacketSound(ActionPacket* packet) {}
    virtual void PlaySound(int32_t number, int32_t priority) {}
    // The GO button and the auto-save written at every GO.
    virtual void GoButtonChanged(bool shown) {}
    virtual void AutoSave(bool reload) {}
    // The auto-save of a TCP/IP GO, written as an exchange's: a reload of it
    // waits for GO.
    virtual void ExchangeAutoSave() { AutoSave(false); }
    // The hand-over of a two-player turn (hotseat, e-mail); the second-half
    // flag of a two-player turn.
    virtual void SendGameData() {}
    virtual bool SecondHalf() { return true; }
    virtual void SetSecondHalf(bool second) {}
    // False holds a TCP/IP GO back until the peer is ready.
    virtual bool GoButton() { return true; }
    // Whether the game was reloaded from a TCP/IP exchange's auto-save; the
    // answer clears it (GO takes it once).
    virtual bool TakeAutoSaveReloading() { return false; }
    // Ends any mouse tracking on the screen (a drag, a held button).
    virtual void BreakMouse() {}
    // The application's interaction state (8 playback).
    virtual int32_t InteractionState() { return 0; }
    // The result of the battle is to be shown (its figures: the battle's
    // mResult).
    virtual void ShowResult(bool noOperationStep, bool nightEnd) {}
    // Asks the viewing player whether the night battle of an operation is
    // fought (its answer comes back as command 17) or rested (command 18).
    virtual void AskAboutNightBattle() {}
    // Camera commands 1-8, orders-menu commands 20-63, and the application
    // commands 90, 95, 103, 106 (nothing headless).
    virtual void CameraCommand(int32_t command) {}
    virtual void OrdersMenuCommand(int32_t command) {}
    virtual void ApplicationCommand(int32_t command) {}

    // The map view's side of the battle's keys, selection stepping and
    // multi-unit orders (nothing headless). Camera: move (direction 1 left,
    // 2 right, 3 ahead, 4 back) or turn by a rate, turn to a bearing in
    // degrees, jump to a height level 0..8, a key of the keypad.
    virtual void MoveCamera(int32_t direction, float step) {}
    virtual void TurnCamera(float rate) {}
    virtual void TurnCameraTo(float degrees) {}
    virtual void JumpCameraToLevel(int32_t level) {}
    virtual void CameraKeyPad(char key) {}
    // Locks the camera on the unit, or releases the lock (the same unit, or
    // null); turns or moves the camera so that the point shows.
    virtual void ToggleCameraLock(Unit* unit) {}
    virtual void EnsurePointIsVisible(float x, float y) {}
    // The unit information balloon opens or closes; closes when open.
    virtual void ToggleUnitInfo() {}
    virtual void CloseUnitInfo() {}
    // The orders menu of the selected unit: whether one is open, open it
    // (a second call closes it), close it, and a hot key typed for it.
    virtual bool OrdersMenuOpen() { return false; }
    virtual void OpenOrdersMenu() {}
    virtual void CloseOrdersMenu() {}
    virtual void OrdersMenuKey(char key) {}
    // The player may give no orders now (a TCP/IP turn after GO, or one
    // reloaded from its auto-save); selecting and the camera still work.
    virtual bool OrdersProhibited() { return false; }
    // Carries an order to the selected unit as the orders menu would.
    virtual void RespondToOrder(int32_t order) {}
    // The turn clock of a TCP/IP game is set or running under a time limit
    // (false elsewhere); the pause key flips its pause.
    virtual bool TurnClockPausable() { return false; }
    virtual void PauseTurnClock() {}
    // The turn clock stops for good (the battle ended early).
    virtual void StopTurnClock() {}
    // The player looks at the battle from the other side (after its end).
    virtual void ViewOtherSide() {}
    // A unit is about to be deleted: the screen drops every reference to it
    // (picked, tracked, menu unit, sounds).
    virtual void UnitGoes(Unit* unit) {}

    // The computer opponent's planning on the screen: the framed box that
    // holds its progress panel (null: no box and no panel), which writes the
    // box's fill colour and is deleted by the caller; the screen's redraw,
    // the window's refresh and the sounds' upkeep while it plans.
    virtual GView* MakeAIBox(int16_t* fillColour) { return nullptr; }
    virtual void UpdateScreen() {}
    // The redraw for a step of progress, which the host may skip when the
    // screen was drawn a moment ago.
    virtual void UpdateScreenForProgress() { UpdateScreen(); }
    virtual void RefreshWindow() {}
    virtual void ManageSounds() {}

    // The display preferences and frame clock the battlefield drawing
    // reads; null gives the drawing's defaults.
    virtual DrawSettings* GetDrawSettings() { return nullptr; }

private:
    Affiliation mViewingSide = kAxis;
};
