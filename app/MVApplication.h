#pragma once
// The game's one application object. The kernel owns it and calls it through
// the GApplication hooks; it keeps what outlives a battle: the interaction
// state, the preference bytes, the player and connection choices, the
// front-end screens, the title music, the TCP/IP transfer state and the radio
// lines, and it makes and deletes the battle (gBattle) and the operation
// (gCampaign). It is the battle's host.

#include <cstdint>
#include <string>
#include <vector>

#include "app/AppTypes.h"
#include "app/BattleScreen.h"
#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "draw/DrawSettings.h"
#include "engine/GApplication.h"
#include "engine/GOLTAFont.h"
#include "engine/GString.h"

class ButtonFlybyView;
class FadeInScreen;
class GBlitView;
class GFile;
class GList;
class GRadioGroup;
class GRadioInputView;
class GSoundStream;
class GView;
class ScenarioScroller;
class ScenarioSnapshot;
class ScenarioTextView;
class UpDownloadPanel;
struct GameFileState;

class MVApplication : public GApplication, public BattleHost {
public:
    MVApplication();
    // Writes the preferences file, deletes the operation, the battle and the
    // editor, then frees the game data tables.
    ~MVApplication() override;
    MVApplication(const MVApplication&) = delete;
    MVApplication& operator=(const MVApplication&) = delete;

    // ---- Kernel hooks ------------------------------------------------------
    void LoadPrefs() override;
    void KeyHeld(char key) override;
    void GetGraphicsPresets(GraphicsPresets* presets) override;
    void StoreGraphicPresets(GraphicsPresets* presets) override;
    void Startup() override;
    void SuspendApp() override;
    void ResumeApp() override;
    void DoKey(char key, bool alt, bool numpad) override;
    void DoCommand(int32_t command) override;
    void DoStuffWhileRender() override;
    void DoStuffAfterIdle() override;
    void DoBackgroundWork() override;
    void RespondToVRAM(int32_t kilobytes, bool agpTexturing) override;

    // ---- Start-up and the main menu -----------------------------------------
    void StartupPartTwo();
    // The main menu; firstTime builds the frame and the title overlay anew.
    void Intro(bool firstTime);
    bool UsePalmTrees() const;
    // Closes a TCP/IP connection; nothing until network play exists.
    void CloseTCPIP();

    // ---- Commands and the interaction state ---------------------------------
    void SetState(State state) override;
    void BreakMouse() override;
    // A command sent while views are being deleted: it runs once the
    // deletion is over, in the order sent.
    void QueueCommand(int32_t command);
    void RunQueuedCommands();

    // ---- Preferences ----------------------------------------------------------
    void ApplyPref(GamePref pref);
    void SwapSides();
    void ResetCameraPrefs();
    // The preferences file's bytes as the destructor writes them.
    void WritePrefs(GFile* file) const;

    // ---- Front-end screens ----------------------------------------------------
    void PlayScenarioScreen();
    void ShowTextFile(Affiliation side, bool both, bool keepScreen, int32_t nextCommand, bool clear);
    void ChooseSides();
    void PlayersAndConnectionType();
    bool GetPlayersAndConnectionType();
    void PasswordScreen();
    bool CheckPassword();

    // ---- The game file ----------------------------------------------------------
    void SaveGame(GFile* file);
    // With snap: the header only, nothing global changes. Without: the whole
    // file, which replaces the battle and the operation.
    bool LoadGame(GFile* file, ScenarioSnapshot* snap);
    bool ReadAI(GFile* file, GList** lists);
    void ReadDescription(GFile* file, char** text, int32_t* length);
    void HighLevelLoadGame(GFile* file);
    // Whether the file reads whole as a game with a battle or an operation,
    // read beside the running game and the generator, which stay as they
    // were; the file is rewound.
    bool ReadsAsGame(GFile* file);
    // A game just loaded or cut: its briefing or the choice of sides.
    void OpenLoadedGame();
    // The steps between battles and the next battle opened (or, when the
    // operation is over, the title menu); seed: the steps' draws.
    void StartNextBattle(uint32_t seed);
    // Loads an e-mail turn file as a two-player e-mail game; a refused file
    // leaves the running game and the game mode as they were (false).
    bool LoadMailFile(GFile* file);
    // Writes the auto-save of the game's mode (AutoSaveName) and, with
    // reload, reads it back at once.
    void AutoSave(bool reload);
    void AutoSaveAs(const GString& name, bool reload);
    void ExchangeAutoSave() override;
    void SaveDialogMV(bool pbem);
    void GetIntendedSaveName(GString* name);

    // ---- Confirm boxes and the working window -------------------------------------
    // With a file's name, the box names the file in its last line.
    void Confirm(Confirmable kind, const GString* fileName = nullptr);
    void MakeProgressWindow(int32_t stringId);
    void UpdateProgressWindow() override;
    void DeleteProgressWindow();

    // ---- The battle's host ---------------------------------------------------------
    Affiliation ViewingSide() override;
    void SetViewingSide(Affiliation side) override { mSide = side; }
    // The computer opponent's planning on the screen: its box and the
    // kernel's redraw, window refresh and sound upkeep.
    GView* MakeAIBox(int16_t* fillColour) override;
    void UpdateScreen() override;
    void UpdateScreenForProgress() override;
    void RefreshWindow() override;
    void ManageSounds() override;
    int32_t HumanPlayers() override;
    int32_t ConnectionKind() override;
    // The kind of game and the computer's side, settled from the players,
    // the connection and the side at this machine (SettleGameMode). The kind
    // a file holds gives way to them.
    int32_t GameMode() override { return mGameMode; }
    void SetGameMode(int32_t mode) override;
    Affiliation ComputerSide() override { return mComputerSide; }
    // Takes the kind of game and the computer's side from mPlayers,
    // mConnectionType and mSide; called wherever those are chosen or read.
    void SettleGameMode();
    bool IsHost() override { return mIsHost; }
    uint32_t LastTurnFileCRC() override { return mMailFileCRC; }
    // The version byte of the game file being read (its unit records follow
    // it), else of the last one read or written.
    int32_t LoadingFileVersion() override;
    void RememberScenarioName(GFile* file) override;
    void GetPasswordHash(GString* hash) override;
    void SetOtherPasswordHash(const GString& hash) override;
    int32_t CPUSpeed() override;
    bool ComputesTurn() override { return mComputesTurn; }
    void SetComputesTurn(bool computes) override { mComputesTurn = computes; }
    // The fog-of-war level chosen on the sides screen (preference 10).
    // A TCP/IP game is played at the host's level on both machines: the
    // spotting of every computed turn reads it.
    int32_t FogOfWarLevel() override {
        return mConnectionType == 2 && !mIsHost && mHostFogLevel >= 0 ? mHostFogLevel : mPrefs[kPrefFogOfWar];
    }
    // The computer's set-up choice on the sides screen (preference 11): 1
    // it places its units freely, 0 it keeps the scenario's set-up.
    int32_t ComputerSetupOption() override;
    // The unit-size preference (preference 4): 0 realistic, 1..4 enlarged.
    int32_t UnitSizePreference() override;
    // The program shows a battle screen whenever its kernel runs.
    bool HasScreen() override;
    // A turn computed during a TCP/IP game keeps the connection alive.
    void PingDuringBusyCPU() override;
    // The kernel's Shift key.
    bool ShiftHeld() override;
    // The drawing preferences in force, refreshed at each call.
    DrawSettings* GetDrawSettings() override;
    // The battle screen: the map view and the question menus on it.
    GView* BuildBattleScreen(Battle* battle, bool clearScreen) override;
    void ReleaseBattleScreen(Battle* battle) override;
    // The battle's preview material is the one teardown of its screen.
    void BattleGoes(Battle* battle) override;
    void ShowBattleScreen(bool show) override;
    void RestartVehicleSounds() override;
    void CreateFloorChoiceMenu(Unit* unit) override;
    void CreateGunChoiceMenu(Unit* vehicle) override;
    // The unit panel and the unit balloon follow the battle.
    void RefreshInfoPanel() override;
    void SelectionChanged(Unit* unit) override;
    void ReportVP(float axisShare, float alliesShare) override;
    void ToggleKillsPage() override;
    // The battle's turn on the screen: the interaction state it asks for,
    // the bottom bar during playback, the open orders menu, the orders
    // menu's hot keys and the sounds of played-back packets.
    int32_t InteractionState() override { return mState; }
    void PlaybackPanelChanged(int32_t playState, int32_t seconds) override;
    void OrdersMenuCommand(int32_t command) override;
    void PlayPacketSound(ActionPacket* packet) override;
    // The screen steps of the action phase: GO hidden while it computes,
    // the progress bar following the slices; the preload and fixed sounds.
    void ActionPhaseStarts() override;
    void ShowCursor(bool show) override;
    void HogCPU(bool on) override;
    void FlushSoundCache(int32_t mode) override;
    // A frame of more than 100 ms.
    bool SlowRedraw() override;
    void ShowProgress(int32_t slice) override;
    void GoButtonChanged(bool shown) override;
    void PreloadSounds(int32_t count, const int32_t* numbers, const bool* flags) override;
    void PlaySound(int32_t number, int32_t priority) override;
    // The result screen of the finished battle.
    void ShowResult(bool noOperationStep, bool nightEnd) override;
    void AskAboutNightBattle() override { Confirm(kConfirmNightBattle); }
    // Camera buttons and keys, the unit balloon, the orders menu and the
    // camera lock on the battle's map view; application commands by key.
    void CameraCommand(int32_t command) override;
    void ApplicationCommand(int32_t command) override { DoCommand(command); }
    void MoveCamera(int32_t direction, float step) override;
    void TurnCamera(float rate) override;
    void TurnCameraTo(float degrees) override;
    void JumpCameraToLevel(int32_t level) override;
    void CameraKeyPad(char key) override;
    void ToggleCameraLock(Unit* unit) override;
    void ToggleUnitInfo() override;
    void CloseUnitInfo() override;
    void EnsurePointIsVisible(float x, float y) override;
    bool OrdersMenuOpen() override;
    void OpenOrdersMenu() override;
    void CloseOrdersMenu() override;
    void OrdersMenuKey(char key) override;
    bool OrdersProhibited() override { return ProhibitOrdersDueToTCPIP(); }
    void RespondToOrder(int32_t order) override;
    bool TurnClockPausable() override;
    // The pause key asks the peer; the clock stops once both have asked.
    void PauseTurnClock() override { TogglePauseRequest(); }
    // Only a TCP/IP game keeps a turn clock.
    void StopTurnClock() override {
        if (mConnectionType == 2) mTurnClockStart = 0;
    }
    void ViewOtherSide() override { SwapSides(); }
    void UnitGoes(Unit* unit) override;

    // ---- Two players: the hand-over of turns, TCP/IP play, radio text ---------------
    // Ends a player's turn in a hotseat or e-mail game (nothing over TCP/IP).
    void SendGameData() override;
    // The second half of a two-player turn is the swapped view.
    bool SecondHalf() override { return mSidesSwapped; }
    void SetSecondHalf(bool second) override { mSidesSwapped = second; }
    // The TCP/IP turn counter is the seed both machines share.
    int32_t TCPTurnCounter() override { return mRandomSeed; }
    void SetTCPTurnCounter(int32_t counter) override { mRandomSeed = static_cast<uint16_t>(counter); }
    void PauseTCPIP();
    // The pause key: this player's request to stop the turn clock, on or off.
    void TogglePauseRequest();
    // The GO of a TCP/IP game: true when the battle may run its own GO.
    bool GoButton() override;
    bool TakeAutoSaveReloading() override;
    void SynchRandomForTCPIP() override;
    // Whole seconds left on the turn clock (the replay allowance included).
    uint32_t TCPIPTimeRemaining();
    bool ProhibitOrdersDueToTCPIP();
    void BeginTCPIPFileSend(bool fullScenario);
    void WriteIncomingBytesToDisk(const uint8_t* data, uint32_t length);
    // The sending step of the idle pass: chunks of the outgoing file, then
    // its end marker; a refused one is offered again in the next pass.
    void SendTCPIPFile();
    // The TCP/IP step of the idle pass: sending, phase steps, turn clock.
    void TCPIPIdleStep();
    // One application packet from the peer; anything malformed is ignored.
    void ReceivePacket(const uint8_t* data, uint32_t length);
    // The packets of the transfer phases and turn files, by phase.
    void ReceivePhasePacket(const uint8_t* data, uint32_t length);
    // Whether this phase waits for a file of that end marker type.
    bool ExpectsFile(uint8_t marker) const;
    // Merges the received file into the running battle (bothSides: its
    // state counts for both sides; second: it is this machine's own file).
    // A file that does not read is dropped whole (false).
    bool MergeTCPIPFile(bool bothSides, bool second);
    // Checks a chunk's index before it is taken: false for a chunk already
    // taken (dropped) or one that skips ahead (the file is then broken).
    bool ChunkInOrder(const uint8_t* body, uint32_t length);
    // Checks an end marker against the file received; false when it is a
    // repeat of the last marker. A file that is not whole is refused.
    bool IncomingFileWhole(const uint8_t* body, uint32_t length, bool* refused);
    void ResetIncomingTransfer();
    // Both turn files dropped, unmerged and unsent.
    void DropTransfers();
    // A turn file that did not arrive whole (its end marker of the given
    // type): nothing of it is applied and the sender is asked for it again;
    // after the last attempt both players are told and the connection ends.
    void RefuseIncomingFile(uint8_t marker);
    // A file that cannot be had (unreadable: it came whole but did not
    // read): the peer is told, then this player.
    void GiveUpFile(uint8_t marker, bool unreadable);
    // The replay of the turn this machine holds the packets of (its own
    // computation's, or the results').
    void StartOwnReplay();
    // The transfer's byte count, its panel refreshed when it changes.
    void SetBytesCounted(int32_t count);
    // The peer asks again for the file of this end marker type: the kept
    // copy goes out once more (SendResentFile), or the peer is told it
    // cannot be had.
    void ResendKeptFile(uint8_t marker);
    // The sending step of a file asked for again, in the idle pass.
    void SendResentFile();
    // A file of that end marker type that could not be had after every
    // attempt (here, or by its word at the peer); this player is told. A
    // first orders file takes both machines back to the exchange's start
    // (nothing of it was merged or computed anywhere), a second orders file
    // whose receiver computes back to the exchange's second half; results
    // are computed by the machine that waited for them; after any other
    // the connection ends.
    // code: the end marker type, with 0x80 when the file was unreadable.
    void TransferGivenUp(uint8_t code, bool here);
    // The digest of the battle at an exchange (the set-up's end, a replay's
    // end) goes to the peer and is compared with the peer's of that turn.
    void NoteExchangeDigest();
    void CompareDigests();
    // A new connection or battle: no file asked for or kept, no digest
    // pending, no difference found, no report.
    void ResetExchangeChecks();
    // The two battles differ: reported here, the connection ends, and the
    // game is not played on.
    void BattlesDiffer();
    void NameDifferingField(const uint8_t* data, uint32_t length);
    void CloseAfterDifferRecord();
    // The values a turn file of the exchange sets, kept so that a refused
    // file leaves them as they were.
    struct TCPValues {
        uint16_t seed = 0;
        bool computesTurn = false;
        GString63 passwords[2];
        int32_t sideValue[2] = {0, 0};
    };
    TCPValues KeepTCPValues() const;
    void RestoreTCPValues(const TCPValues& values);
    // Both orders files are merged: compute the action phase or wait for it.
    void CommunicateAction();
    // Rebuilds the unit graphics once the enemy's units have arrived.
    void LoadNewTCPIPTextures();
    // The phase steps of a TCP/IP game when a replay ends (command 10).
    void TCPIPReplayEnded();
    // The joining side's waiting screen before the next battle of an operation.
    void SetUpTCPIPClientCampaign();
    // Command 120 in a TCP/IP operation: the host sets up the next battle,
    // the joining side reports ready and waits for it.
    void ContinueTCPIPOperation();
    // The transfer box and its progress panel for a file of total bytes.
    void MakeTransferPanel(int32_t total);
    void DeleteTransferPanel();
    int32_t TransferPhase() override { return mTCPIPPhase; }
    void ConnectionDied(bool wasConnected);
    void JoinMultiplayer();
    void SetUpTCPIPClient();
    void CollectTCPIPClient();
    // Connects to the host at the four octets (the joining side's step of
    // CollectTCPIPClient); false, with its box shown, when it cannot.
    bool ConnectToPeer(const uint8_t* octets);
    void ServerOpen();
    void ServerWaitingWindow();
    void ConcatServerIPAddress(GString* text, int32_t index);
    void JoinerBeginsBattle() override;
    // The TCP port of the game (mGamePort); tests choose their own.
    virtual uint32_t PeerPort();
    void AddRadioText(GString* text, Affiliation side);
    void AddRadioTextX(GString* text, Affiliation side);
    void RadioTextTimeOut();
    void AddRadioInstructions() override;
    GOLTAFont GetRadioFont();
    // The radio input of a TCP/IP battle, made with the map view.
    void MakeRadioInput(GView* mapView);
    // The radio key: shows the input field; false when the key is not it.
    bool OpenRadioInput(char key, bool alt);
    // A line typed into the radio input: shown here and sent to the peer.
    void SendRadioText(GString* text);
    // The clock of the turn clock and the radio lines, in ms.
    virtual uint32_t NetworkClock();
    // The network layer's sending calls; tests replace them.
    virtual int32_t SendRecord(const uint8_t* data, uint32_t length);
    virtual int32_t ForceSendRecord(const uint8_t* data, uint32_t length, int32_t timeoutSeconds);

    // ---- Fields, in the order the object keeps them ------------------------------
    // TCP/IP connection and transfer (filled by network play).
    bool mIsHost = true;
    // The host's fog-of-war level (packet 24), on the joining side; -1 until it came.
    int8_t mHostFogLevel = -1;
    bool mComputesTurn = true;
    bool mPeerQuit = false;
    bool mOwnPauseRequest = false;
    bool mPeerPause = false;
    bool mClockWasRunning = false;
    bool mClientReady = false;
    int32_t mTCPIPPhase = 0;
    GFile* mOutgoingTurnFile = nullptr;
    GFile* mIncomingTurnFile = nullptr;
    int32_t mBytesToSend = 0;
    int32_t mBytesCounted = 0;
    int32_t mPendingChunk = 0;
    // One type byte, the chunk's index (4 bytes) and up to 8191 data bytes.
    uint8_t mChunk[8196] = {};
    // The file being sent: the next chunk's index, its length and CRC-32,
    // which the end marker carries.
    uint32_t mOutgoingIndex = 0;
    uint32_t mOutgoingLength = 0;
    uint32_t mOutgoingCRC = 0;
    // The file being received: the next chunk expected, what has come so
    // far, and whether a chunk went missing or came out of order.
    uint32_t mIncomingIndex = 0;
    uint32_t mIncomingLength = 0;
    uint32_t mIncomingCRC = 0;
    bool mIncomingBroken = false;
    uint32_t mAcceptedLength = 0; // the last file taken whole, to know its marker again
    uint32_t mAcceptedCRC = 0;
    // The bytes of the file being sent, kept once sent by its end marker
    // type (5, 7, 10) until the next file of that type, for a peer that asks
    // for it again.
    std::vector<uint8_t> mOutgoingBytes;
    std::vector<uint8_t> mKeptFile[3];
    bool mHasKeptFile[3] = {false, false, false};
    // A kept file going out again: its marker type and the next offset and
    // chunk index (marker 0: none).
    uint8_t mResendMarker = 0;
    uint32_t mResendOffset = 0;
    uint32_t mResendIndex = 0;
    // The marker type of a refused file asked for again (0: none), the
    // attempts it has had, and the other files' packets that came
    // meanwhile, taken once it is in.
    uint8_t mAwaitedMarker = 0;
    int32_t mFileAttempts = 0;
    std::vector<std::vector<uint8_t>> mDeferredPackets;
    // The battle digests of the last exchange, this machine's and the
    // peer's, each with its turn (-1: none yet); the exchanges found equal;
    // whether the two battles were found to differ.
    // The records of this machine's last exchange digest and the peer's
    // hash of each: where the two battles differ is named from them.
    std::vector<Battle::SimulationRecord> mOwnRecords;
    std::vector<uint32_t> mPeerRecordHashes;
    // The log line of battles that differ: the record, and once the peer's
    // bytes of it are in, the field.
    std::string mBattlesDifferLine;
    int32_t mPeerDigestTurnCompared = -1;
    bool mAwaitedDifferRecord = false; // sent ours, the peer's still to come
    uint32_t mDifferRecordDeadline = 0;
    int32_t mUnreadableScenarios = 0; // whole scenarios that did not read, this connection
    int32_t mOwnDigestTurn = -1;
    uint64_t mOwnDigest = 0;
    int32_t mPeerDigestTurn = -1;
    uint64_t mPeerDigest = 0;
    int32_t mDigestsAgreed = 0;
    bool mBattlesDiffer = false;
    // The box of the last network report (a lost connection, a file that
    // could not be had, battles that differ); -1 when none.
    Confirmable mNetworkReport = -1;
    int32_t mPeerAddress = 0;
    int32_t mOwnAddress[3] = {0, 0, 0};
    int32_t mOwnAddressCount = 0;
    int32_t mPort = 0;
    // The port the game listens on and connects to: always the game's own
    // outside tests, which let the system choose one.
    uint32_t mGamePort = 7023;
    uint16_t mRandomSeed = 0;
    int32_t mTurnTimeLimit = 0; // ms
    int32_t mTurnClockStart = 0;
    // Radio text.
    GString255 mRadioLine[14];
    int32_t mRadioSide[14] = {};
    int32_t mRadioTime[14] = {};
    int32_t mRadioWidest = 0;
    int32_t mRadioShown = 0;
    bool mPeerDiedMessageOff = false;
    // The connection to the peer ended (reported or not) since it was made.
    bool mPeerGone = false;
    bool mNewTCPIPTextures = false;
    bool mAutoSaveReloading = false;
    GView* mAddressField[4] = {};
    UpDownloadPanel* mTransferPanel = nullptr;
    GView* mTransferBox = nullptr;
    GView* mTCPIPWaitBox = nullptr;
    GRadioInputView* mRadioInput = nullptr; // the map view's; clears this when it goes
    Affiliation mSide = 2;             // the player at this machine; 2 none
    int32_t mConnectionType = 0;       // 0 hotseat, 1 e-mail, 2 TCP/IP
    int32_t mLoadedConnectionType = 0; // as read from the last file
    GString31 mLastSaveName;
    GString31 mScenarioFileName;
    bool mTruceWhenLoaded = false;
    bool mSidesSwapped = false;
    int32_t mPlayers = 0;
    // The kind of game (kGameMode*) and the side the computer plays
    // (kSideNone unless against the computer), as SettleGameMode left them.
    int32_t mGameMode = kGameModeComputer;
    Affiliation mComputerSide = kAllies;
    bool mShowPBEMBox = false;
    bool mIdleRequestA = false;
    bool mIdleRequestB = false;
    int8_t mFileVersion = 4;
    // The file state a load is filling while the game file is read.
    const GameFileState* mReadingFile = nullptr;
    GView* mPendingModal = nullptr;
    ButtonFlybyView* mFlybyHelp = nullptr;
    GView* mSaveDialog = nullptr;
    GSoundStream* mTitleMusic = nullptr;
    int32_t mTextureDownsample = 0;
    uint32_t mMailFileCRC = 0;
    GString63 mPasswordHash[2];
    FadeInScreen* mFadeScreen = nullptr;
    State mState = kStateNone;
    int8_t mPrefs[kPrefCount] = {};
    int8_t mOtherPrefs[kPrefCount] = {};
    // Set by LoadPrefs: only preferences that were read (or defaulted) go
    // back to the file, never the zeros of an application that never loaded.
    bool mPrefsLoaded = false;
    GView* mRootView = nullptr;
    GView* mScreenView = nullptr;
    GView* mServerWaitWindow = nullptr;
    GView* mJoinView = nullptr;
    GBlitView* mMenuPicture = nullptr;
    GView* mSaveNameField = nullptr;
    GRadioGroup* mPlayersRadio = nullptr;
    GView* mPasswordField = nullptr;
    GView* mPasswordRetryButton = nullptr;
    GView* mHandicapPopup = nullptr;
    int32_t mScenarioKind = 0;
    bool mScreensHiddenForPassword = false;
    bool mSaveForMail = false;
    bool mPasswordSet[2] = {false, false};
    ScenarioTextView* mScenarioText = nullptr;
    ScenarioScroller* mScenarioList = nullptr;
    GView* mProgressWindow = nullptr;
    GView* mProgressBar = nullptr;
    int32_t mTreeTextureLevel = 0;

    // The sides screen's choices, read when the players screen opens.
    GView* mFogPopup = nullptr;
    GView* mSetupPopup = nullptr;
    GView* mBonusPopup = nullptr;
    GView* mTimePopup = nullptr;
    GView* mTCPIPOptions = nullptr;
    int32_t mPlayersChoice = 0; // the players screen's option, kept past its views
    // The front-end layout: 0 until the menu is built, 1 for 600 lines, 2 for 768.
    int32_t mMenuScale = 0;
    // Set while a file chosen from the scenario list loads.
    bool mListLoad = false;
    // The graphics record kept in the preferences file.
    GraphicsPresets mPresets;
    // The last message a preference key gave, for the map's message line.
    GString255 mKeyMessage;
    // The e-mail box has closed: its save dialog opens after the deletion.
    bool mMailDialogDue = false;
    DrawSettings mDrawSettings;
    // The bottom bar of the battle on screen.
    BattleScreen mBattleScreen;

private:
    void CopyToFileState(GameFileState* state) const;
    void CopyFromFileState(const GameFileState& state);
    void BuildMenuButtons();
    void ClearFrontEnd();
    void DoSaveCommand(int32_t command);
    void DoFlowCommand(int32_t command);
    void DoBattleCommand(int32_t command);
    void OpenMailFile();
    void ContinueAfterBattle();
    bool DoPrefKey(char key);

    std::vector<int32_t> mQueuedCommands;
    bool mRunningQueue = false;
};

// The application while the program runs (the kernel's, typed); null before.
MVApplication* TheApp();

// The preferences file and the three folders, by their string numbers.
constexpr int32_t kPrefsFileNameId = 1546;
constexpr int32_t kScenarioFolderId = 1541;
constexpr int32_t kSavegameFolderId = 1542;
constexpr int32_t kMailFolderId = 1543;
constexpr int32_t kQuickBattleFolderId = 1544;
constexpr int32_t kAutoSaveNameId = 390;
// The auto-saves: one per game mode, so that a hotseat or two-machine game
// never writes over the one-player game's. The one-player game keeps the
// plain name (string 390) that older auto-saves carry; the others add the
// mode. Slots: 0 one player, 1 hotseat, 2 e-mail, 3 TCP/IP.
constexpr int32_t kAutoSaveSlots = 4;
int32_t AutoSaveSlot(int32_t players, int32_t connection);
void AutoSaveName(int32_t slot, GString* name);
// The slot a file name belongs to, or -1 for a save the player named.
int32_t AutoSaveSlotOfName(const GString& name);

// The folder names (GString31), filled by LoadPrefs.
const char* ScenarioFolder();
const char* SavegameFolder();
const char* MailFolder();
