// The application's commands (66 to 120), the interaction state and the
// idle pass.

#include "app/AppViews.h"
#include "app/BattleScreen.h"
#include "app/Editor.h"
#include "app/FadeInScreen.h"
#include "app/MVApplication.h"
#include "app/ScenarioScroller.h"
#include "app/ScenarioTextView.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "engine/GBlitView.h"
#include "engine/GFile.h"
#include "engine/GOLTA.h"
#include "engine/GRadioGroup.h"
#include "engine/GSoundStream.h"
#include "map/Map.h"

namespace {

ScenarioCore* Core() {
    return gCampaign ? static_cast<ScenarioCore*>(gCampaign) : static_cast<ScenarioCore*>(gBattle);
}

bool PanelVisible(GView* panel) {
    return Alive(panel) && panel->IsVisible();
}

void DeleteBattleAndCampaign() {
    delete gBattle;
    gBattle = nullptr;
    delete gCampaign;
    gCampaign = nullptr;
}

// Whether the briefing shows before the side's battle: a fresh battle (or
// operation) still in its set-up.
bool InFirstSetup() {
    if (gCampaign) return !gBattle || gBattle->mSetupPhase;
    return gBattle && gBattle->mSetupPhase;
}

bool IsEditorCommand(int32_t command) {
    return command == 65 || (command >= 78 && command <= 82) || command == 96 || command == 97 ||
           command > 120;
}

} // namespace

void MVApplication::SetState(State state) {
    if (GView* modal = Alive(mPendingModal)) {
        // The box may be the caller's own ancestor: hide it now and let the
        // kernel delete it after the idle pass; the commands its buttons
        // send on deletion then run in order.
        modal->Show(false);
        gKernel->KillViewAfterIdle(modal);
    }
    mPendingModal = nullptr;
    if (state == kStatePlayback && !gBattle) state = kStateNone;
    // The next turn begins: the bar shows GO again instead of the replay controls.
    if (mState == kStatePlayback && state == kStateNone) ShowReplayControls(&mBattleScreen, false);
    mState = state;
    if (gBattle && Alive(gBattle->mBottomPanel))
        gBattle->mBottomPanel->Activate(state == kStateNone || state == kStatePlayback);
}

void MVApplication::BreakMouse() {
    if (gBattle && gBattle->mMap) gBattle->mMap->mTrackedUnit = nullptr;
    if (gKernel) gKernel->BreakMouseTrack();
    if (mState != kStatePlayback && mState != kStateConfirm) SetState(kStateNone);
}

void MVApplication::QueueCommand(int32_t command) {
    mQueuedCommands.push_back(command);
}

void MVApplication::RunQueuedCommands() {
    if (mRunningQueue) return;
    mRunningQueue = true;
    while (!mQueuedCommands.empty()) {
        int32_t command = mQueuedCommands.front();
        mQueuedCommands.erase(mQueuedCommands.begin());
        DoCommand(command);
    }
    mRunningQueue = false;
}

void MVApplication::DoStuffWhileRender() {
    if (gBattle) gBattle->PlaySoundQueue();
}

void MVApplication::DoStuffAfterIdle() {
    RunQueuedCommands();
    if (mMailDialogDue) {
        mMailDialogDue = false;
        SaveDialogMV(true);
    }
    if (mFadeScreen) {
        if (!Alive(mFadeScreen)) {
            mFadeScreen = nullptr;
        } else if (mFadeScreen->IsDone()) {
            DeleteView(mFadeScreen);
            StartupPartTwo();
            return;
        }
    }
    if (!Alive(mPendingModal)) mPendingModal = nullptr;
    if (!mPendingModal && mState == kStateConfirm)
        SetState(gBattle && PanelVisible(gBattle->mReplayControls) ? kStatePlayback : kStateNone);
    if (!mPendingModal && gBattle && PanelVisible(gBattle->mScreen)) {
        if (mIdleRequestB) {
            mIdleRequestB = false;
            gBattle->DoKey('B', true, false);
            // The second player's set-up draws and picks the battlefield.
            if (gBattle->mMap) gBattle->mMap->mDrawMode = 2;
        } else if (mIdleRequestA) {
            mIdleRequestA = false;
            Confirm(kConfirmNotice7);
        } else if ((mSide == 0 || mSide == 1) && gBattle->mHandicapped[mSide]) {
            // The handicap notice: once for each player, kept in the game file.
            gBattle->mHandicapped[mSide] = false;
            Confirm(kConfirmHandicap);
        }
    }
    if (mConnectionType == 2) TCPIPIdleStep();
}

void MVApplication::DoBackgroundWork() {
    // A player away from the window still hosts, sends and keeps the clock:
    // the peer would otherwise wait for a handshake or a file that only
    // moves on while this window has the focus.
    if (mConnectionType == 2) TCPIPIdleStep();
}

void MVApplication::DoCommand(int32_t command) {
    if (command < 65) {
        if (gBattle) gBattle->HandleCommand(command);
        if (command == 10 && mConnectionType == 2) TCPIPReplayEnded();
        return;
    }
    if (IsEditorCommand(command)) {
        if (gEditor) gEditor->HandleCommand(command);
        return;
    }
    if (command >= 90 && command <= 93) {
        DoSaveCommand(command);
        return;
    }
    if (command >= 103 && command <= 108) {
        DoBattleCommand(command);
        return;
    }
    DoFlowCommand(command);
}

void MVApplication::DoFlowCommand(int32_t command) {
    const Affiliation side = mSide == 1 ? 1 : 0;
    switch (command) {
    case 66:
        ShowView(mMenuPicture, true);
        break;
    case 67:
        PlayScenarioScreen();
        break;
    case 68:
        JoinMultiplayer();
        break;
    case 69:
        if (gKernel) gKernel->Beep();
        break;
    case 71:
        Confirm(kConfirmQuit);
        break;
    case 72: {
        if (!Alive(mScenarioList)) break;
        bool quickBattle = false;
        GFile* file = mScenarioList->OpenScenario(&quickBattle);
        if (!file) {
            // A listed file whose header reads but whose rest does not
            // (cut short, damaged behind it) is refused as a damaged file.
            if (!quickBattle && mScenarioList->FileSelected()) {
                if (gKernel) gKernel->Beep();
                Confirm(kConfirmVersionTooNew);
            }
            break;
        }
        mListLoad = true;
        HighLevelLoadGame(file);
        if (gBattle) gBattle->mOpenedFromList = true;
        mListLoad = false;
        break;
    }
    case 73:
        SetState(kStateNone);
        DeleteBattleAndCampaign();
        Intro(false);
        break;
    case 74:
        OpenMailFile();
        break;
    case 75:
        SetUpTCPIPClient();
        break;
    case 76:
        CollectTCPIPClient();
        break;
    case 77:
        DeleteView(mJoinView);
        SetState(kStateNone);
        DeleteBattleAndCampaign();
        Intro(true);
        break;
    case 83:
    case 84:
        if (Alive(mScenarioText)) mScenarioText->Scroll(command == 84);
        break;
    case 85:
    case 86:
        DeleteView(mScenarioText);
        if (gKernel) gKernel->ClearScreen(true);
        ClearFrontEnd();
        if (command == 85)
            ChooseSides();
        else
            PasswordScreen();
        break;
    case 87:
        DeleteView(mScreenView);
        if (gBattle) gBattle->ShowScreens(true);
        break;
    case 88:
        DeleteView(mScreenView);
        mScenarioText = nullptr;
        if (Alive(mRootView)) {
            mRootView->Show(true);
            DeleteBattleAndCampaign();
            SetState(kStateNone);
        } else {
            DoCommand(99);
            DoCommand(67);
        }
        break;
    case 89:
        DeleteView(mScenarioText);
        if (gKernel) gKernel->ClearScreen(true);
        ClearFrontEnd();
        DoCommand(102);
        break;
    case 94: // the hot-key help of the battle map
        if (gBattle && gBattle->mMap) gBattle->mMap->ShowHotkeys();
        break;
    case 95: {
        ScenarioCore* core = Core();
        if (!gBattle || mState != kStateNone || !PanelVisible(gBattle->mBottomPanel) || !core) break;
        if (!core->mBriefing[2] && !core->mBriefing[side]) break;
        gBattle->ShowScreens(false);
        ShowTextFile(side, true, true, 87, true);
        break;
    }
    case 98:
        CloseTCPIP();
        PlayAppSound(171, 999);
        if (gKernel) {
            TimeDelay(1450);
            gKernel->Quit();
        }
        break;
    case 99:
        mPasswordField = nullptr;
        SetState(kStateNone);
        delete gEditor;
        gEditor = nullptr;
        DeleteBattleAndCampaign();
        Intro(true);
        break;
    case 100:
        ShowView(mSaveDialog, true);
        if (gKernel && gKernel->GetWindow()) gKernel->GetWindow()->Refresh();
        break;
    case 102:
        if (!gBattle) break;
        if (gBattle->mMustGiveOrders[side]) {
            PasswordScreen();
            break;
        }
        gBattle->BeginBattle(true, gBattle->mPackets.GetCount() == 0);
        if (gBattle->mPackets.GetCount() > 0 && !gBattle->Over() &&
            !(gBattle->mSurrenderState[0] == 1 && gBattle->mSurrenderState[1] == 1))
            gBattle->ActionPhase(false, false);
        PasswordScreen();
        break;
    case 109:
    case 110:
        mSide = command - 109;
        SettleGameMode();
        PlayersAndConnectionType();
        break;
    case 111: {
        if (!GetPlayersAndConnectionType()) break;
        ScenarioCore* core = Core();
        int32_t s = mSide == 1 ? 1 : 0;
        bool tcpLater = mConnectionType == 2 && gCampaign && gCampaign->mTurn > 1;
        if (core && core->mBriefing[s] && InFirstSetup() && !tcpLater) {
            ShowTextFile(s, false, false, 86, true);
            break;
        }
        if (mPlayers == 2 && mConnectionType == 0 && gBattle && !gBattle->mMustGiveOrders[s] &&
            gBattle->mMustGiveOrders[1 - s])
            mSide = 1 - s;
        SettleGameMode();
        PasswordScreen();
        break;
    }
    case 112:
    case 113:
        ShowView(mTimePopup, command == 113);
        break;
    case 114:
    case 115:
    case 116:
    case 117:
        mPlayersChoice = command - 114;
        // Without the one-player option the group's first button is hotseat.
        if (mPlayersRadio)
            mPlayersRadio->SetChoiceByIndex(mPlayersChoice - (mPlayersRadio->GetCount() == 4 ? 0 : 1));
        PlayAppSound(150);
        ShowView(mTimePopup, command == 117);
        break;
    case 118:
        if (!CheckPassword()) break;
        if (!gBattle) break;
        if (mConnectionType == 2) {
            // The host of a fresh game waits for the peer before the battle;
            // a side that must give orders (a reloaded game) begins at once.
            const bool operationStarts = gCampaign && mTCPIPPhase == 2;
            if (mIsHost && !gBattle->mMustGiveOrders[side] && !operationStarts) {
                ServerOpen();
                break;
            }
            if (gBattle->mMustGiveOrders[side] || mIsHost) {
                gBattle->BeginBattle(true, true);
                break;
            }
        }
        gBattle->BeginBattle(true, true);
        if (mState != kStatePlayback) gBattle->TruceOrSurrenderCheck(mPlayers == 1 || mConnectionType != 0);
        break;
    case 119:
        if (gBattle) gBattle->ReviewMap();
        break;
    case 120:
        ContinueAfterBattle();
        break;
    default: // 70, 101 and the rest do nothing
        break;
    }
}

void MVApplication::DoBattleCommand(int32_t command) {
    if (!gBattle) return;
    const Affiliation side = mSide == 1 ? 1 : 0;
    switch (command) {
    case 103:
    case 106:
        if (mState != kStateNone || gBattle->Over() || !PanelVisible(gBattle->mBottomPanel)) break;
        if (mConnectionType == 2 && mTCPIPPhase != 6 && mTCPIPPhase != 10 && mTCPIPPhase != 12) break;
        if (command == 106 && !gBattle->ForceIsReady(side)) break;
        Confirm(command == 103 ? kConfirmSurrender : kConfirmCeaseFire);
        break;
    case 104:
        if (mConnectionType == 2) {
            gBattle->mSurrenderState[side] = 2;
            gBattle->HandleCommand(9);
        } else {
            gBattle->EndEarly(side);
        }
        break;
    case 105:
        if (gBattle->mSurrenderState[side] == 2)
            gBattle->mSurrenderState[side] = gBattle->mGlobalMorale[side] < 0.245f ? 1 : 0;
        break;
    case 107:
        gBattle->mSurrenderState[side] = 1;
        gBattle->RefreshInfoPanel();
        if (gBattle->mSurrenderState[1 - side] == 1 && (mPlayers == 1 || mConnectionType == 0))
            gBattle->EndEarly(2);
        break;
    case 108:
        gBattle->mSurrenderState[side] = gBattle->mGlobalMorale[side] < 0.245f ? 1 : 0;
        gBattle->RefreshInfoPanel();
        break;
    default:
        break;
    }
}

bool MVApplication::LoadMailFile(GFile* file) {
    const int32_t connection = mConnectionType;
    const int32_t players = mPlayers;
    mConnectionType = 1;
    mPlayers = 2;
    if (LoadGame(file, nullptr)) return true;
    // Refused: the game that was running goes on as it was.
    mConnectionType = connection;
    mPlayers = players;
    SettleGameMode();
    return false;
}

void MVApplication::OpenMailFile() {
    delete mTitleMusic;
    mTitleMusic = nullptr;
    if (!gKernel) return;
    bool failed = false;
    GFile* file =
        gKernel->OpenFileDialog(MailFolder(), nullptr, nullptr, nullptr, nullptr, kFileModeMailRead, &failed);
    if (!file) {
        if (failed) gKernel->Beep();
        return;
    }
    const bool loaded = LoadMailFile(file);
    delete file;
    if (!loaded) return;
    mTruceWhenLoaded = gBattle && gBattle->mSurrenderState[0] == 1 && gBattle->mSurrenderState[1] == 1;
    DeleteView(mRootView);
    ScenarioCore* core = Core();
    int32_t side = mSide == 1 ? 1 : 0;
    if (core && (core->mBriefing[2] || core->mBriefing[side]) && InFirstSetup())
        ShowTextFile(side, true, false, 89, true);
    else
        DoCommand(102);
}

void MVApplication::ContinueAfterBattle() {
    if (!gCampaign || gCampaign->Over()) {
        int32_t players = mPlayers;
        int32_t connection = mConnectionType;
        // The file holds a one-player game, but it goes to the slot of the
        // mode it was played in.
        GString31 slot;
        AutoSaveName(AutoSaveSlot(players, connection), &slot);
        mPlayers = 1;
        mConnectionType = 0;
        SettleGameMode();
        AutoSaveAs(slot, false);
        mPlayers = players;
        mConnectionType = connection;
        SettleGameMode();
    }
    // A finished battle of an e-mail game goes to the other player first.
    // In an operation the battle counter says whether both have seen it:
    // the player who sees it second takes the steps to the next battle.
    if (gBattle && gBattle->Over() && mPlayers == 2 && mConnectionType == 1) {
        const int32_t finished = gCampaign ? gCampaign->mTurn - 1 : 0;
        if (!gCampaign || gCampaign->mBattleCounter < finished) {
            if (gCampaign) gCampaign->mBattleCounter = finished;
            SendGameData();
            return;
        }
    }
    if (!gCampaign) {
        delete gBattle;
        gBattle = nullptr;
        Intro(true);
        return;
    }
    if (gBattle && gBattle->mResultView) {
        // The result view belongs to the battle: without a kernel no cleared
        // screen can have taken it.
        GView*& result = gBattle->mResultView;
        if (!gKernel || gKernel->IsViewAlive(result)) delete result;
        result = nullptr;
    }
    if (gKernel) gKernel->ClearScreen(false);
    if (gCampaign->Over()) {
        DeleteBattleAndCampaign();
        Intro(true);
        return;
    }
    if (mConnectionType == 2) {
        ContinueTCPIPOperation();
        return;
    }
    if (mPlayers == 2) mSidesSwapped = true;
    // Both machines of an e-mail game cut the same next battle from the
    // file both have read.
    const uint32_t seed = mConnectionType == 1 ? mMailFileCRC : GetRandomState();
    StartNextBattle(seed);
}

void MVApplication::StartNextBattle(uint32_t seed) {
    Battle* finished = gBattle;
    Battle* next = gCampaign ? gCampaign->StepToNextBattle(finished, seed, this) : nullptr;
    gBattle = nullptr;
    delete finished;
    gBattle = next;
    if (gKernel) gKernel->ClearScreen(true);
    ClearFrontEnd();
    if (!gBattle) {
        // Nothing left to fight over: the operation is over.
        AutoSave(false);
        DeleteBattleAndCampaign();
        Intro(true);
        return;
    }
    mLastSaveName = mScenarioFileName;
    // The TCP/IP host begins the battle once it has sent it (phase 2).
    if (mConnectionType == 2) return;
    // The briefing, headed with the battle's number in the operation, then
    // the sides.
    ScenarioCore* core = Core();
    if (core && core->mBriefing[2]) {
        ShowView(mRootView, false);
        ShowTextFile(2, true, false, 85, false);
        return;
    }
    ChooseSides();
}
