// The battle's commands and keys: GO, the next turn, the playback controls,
// the end of the set-up, and the opening of a battle.

#include <chrono>

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/Campaign.h"
#include "battle/TurnClock.h"
#include "battle/UnitList.h"
#include "battle/VictoryFlag.h"
#include "engine/GOLTA.h"
#include "engine/RandomStateKeeper.h"
#include "engine/GView.h"
#include "map/Map.h"
#include "units/Unit.h"

namespace {
TurnClock sTurnClock;
} // namespace

const TurnClock& LastTurnClock() {
    return sTurnClock;
}

namespace {

constexpr int32_t kPlaybackState = 8;
// Key codes of the keys that give no character.
constexpr int32_t kKeyArrowLeft = 1;
constexpr int32_t kKeyArrowUp = 3;
constexpr int32_t kKeyArrowDown = 4;
constexpr int32_t kKeyBackspace = 8;
constexpr int32_t kKeyTab = 9;
constexpr int32_t kKeyEnter = 13;
constexpr int32_t kGoSound = 128;
constexpr int32_t kGoSoundPriority = 28;

} // namespace

void Battle::PickOneRealFlag() {
    const int32_t n = mFlags.GetCount();
    if (n == 0 || !static_cast<VictoryFlag*>(mFlags.GetObjectA(0))->mCandidate) return;
    for (int32_t k = 0; k < n; ++k)
        static_cast<VictoryFlag*>(mFlags.GetObjectA(k))->mReal = false;
    static_cast<VictoryFlag*>(mFlags.GetObjectA(static_cast<int32_t>(RandomPair() % n)))->mReal = true;
}

// Once the screen (if any) stands: the real flag, the flags' colours, the
// playback statics and the fires' sounds, then one count of the points for
// the panel. That count runs wherever a battle opens (a loaded game too), so
// it leaves the generator as it was: valuing a unit may draw.
void Battle::BeginBattleLogic() {
    if (mPickRealFlag && mSetupPhase) PickOneRealFlag();
    ColorVictoryFlags(true, false);
    if (mPackets.GetCount() == 0) {
        if (mMap) mMap->StartFireSoundEffects();
        mPlayNow = -1;
        mPlayPrevious = -1;
    }
    RandomStateKeeper generator;
    CountVPs(true, false, nullptr, nullptr, nullptr);
}

void Battle::HandleCommand(int32_t command) {
    BattleHost* host = Host();
    if (command >= 1 && command <= 8) {
        host->CameraCommand(command);
        return;
    }
    if (command >= 11 && command <= 15) {
        if (host->InteractionState() == kPlaybackState) HandleVCRButton(command, host->ShiftHeld());
        return;
    }
    if (command >= 20 && command <= 63) {
        host->OrdersMenuCommand(command);
        return;
    }
    if (command == 16) {
        host->ToggleKillsPage();
        return;
    }
    if (command == 10) {
        // Next turn.
        host->CloseUnitInfo();
        mPlaybackPaused = false; // the orders phase is no held replay
        if (mPlayNow <= LastTimeSlice(false)) {
            // The rest of the turn is applied without sound.
            mPlayNow = LastTimeSlice(false) + 1;
            const int32_t kept = mPlayState;
            mSilent = true;
            mPlayState = 15;
            Playback();
            mSilent = false;
            if (mPlayState != 13) mPlayState = kept;
        }
        // Sight between turns reads each unit's slice count, which the
        // replay left at its last frame's slice: it stands just after the
        // turn's last slice on every machine, however the replay was played.
        if (mUnits) {
            const int32_t after = LastTimeSlice(false) + 1;
            for (int32_t i = 0; i < mUnits->GetCount(); ++i)
                mUnits->GetUnit(i)->mSliceCount = after;
        }
        GlobalMorale();
        const int32_t humans = host->HumanPlayers();
        const int32_t connection = host->ConnectionKind();
        if (humans == 2 && connection == 0 && host->SecondHalf()) {
            HandleVCRButton(13, false);
            HandleVCRButton(11, false);
            host->SendGameData();
            return;
        }
        if (connection == 1 && !host->SecondHalf()) {
            if (mMap) mMap->ClearReplaySounds(false);
            host->SendGameData();
            return;
        }
        if (mMap) mMap->ClearReplaySounds(true);
        host->SynchRandomForTCPIP();
        host->SetState(0);
        JoinUnits();
        if (mUnits)
            for (int32_t i = 0; i < mUnits->GetCount(); ++i)
                mUnits->GetUnit(i)->CompletePlayback();
        DeleteEffects();
        mSoundQueue.EmptyOut(false);
        mPackets.EmptyOut(true);
        ++mTurn;
        // The new turn's clock stands before its first slice, as on the
        // machine that only replayed the turn and in a game loaded between
        // turns: sight between turns (the leaders' reach below, the
        // computer's planning) reads smoke clouds by it, and the computing
        // machine's clock still stood at the computed turn's last slice.
        mTimeSlice = -1;
        if (mMap) mMap->BurnOutFires();
        if (!Over()) MaybeForceEnding();
        if (Over()) {
            if (humans == 2 && connection == 1) mShowResultToOther = true;
            BattleVictoryScreen(false, false);
            return;
        }
        if (connection == 1) host->SetSecondHalf(!host->SecondHalf());
        host->FlushSoundCache(0);
        ReinforcementsArrive();
        // Sight answers kept from the replay are not used for the leaders'
        // reach: each machine replays in its own steps.
        if (mMap) mMap->DeleteLOSTable();
        CheckAllLeadership();
        if (mMap) mMap->DeleteLOSTable();
        if (mUnits)
            for (int32_t i = 0; i < mUnits->GetCount(); ++i)
                mUnits->GetUnit(i)->BeSpotted(false, false);
        CountVPs(true, false, nullptr, nullptr, nullptr);
        GlobalMorale();
        NoteOrdersComplete();
        // The next turn goes on from what a saved game holds.
        if (mUnits)
            for (int32_t i = 0; i < mUnits->GetCount(); ++i)
                mUnits->GetUnit(i)->SettleAsSaved();
        if (connection == 2) host->AutoSave(false);
        return;
    }
    if (command != 9 && command != 17 && command != 18) return;

    // GO.
    const int32_t humans = host->HumanPlayers();
    const int32_t connection = host->ConnectionKind();
    if (mMap) {
        // A drag in progress is dropped.
        mMap->mTrackedUnit = nullptr;
        mMap->mSetupChainPending = false;
    }
    if (connection == 2) host->BreakMouse();
    mMultiSelection = false;
    host->CloseUnitInfo();
    // A game reloaded from a TCP/IP exchange takes orders again after this
    // GO; its turn is computed as the reloaded one.
    const bool reloaded = host->TakeAutoSaveReloading();
    const Affiliation viewer = host->ViewingSide();
    if (command == 17 && gCampaign) gCampaign->mSideValue[viewer] = 2;
    if (mSetupPhase) {
        // A night battle of an operation: the player whose side the
        // operation asks chooses between resting and fighting on.
        const bool night = gCampaign && mTimeOfDay == kNight;
        if (night && !mResultView && !Over() && gCampaign->mSideValue[viewer] == 0) {
            gCampaign->mSideValue[viewer] = 1;
            if (gCampaign->mNightQuestion[viewer]) {
                host->AskAboutNightBattle();
                return;
            }
        }
        if (connection == 2 && !host->GoButton()) return;
        host->PlaySound(kGoSound, kGoSoundPriority);
        if (humans == 2 && host->SecondHalf() && connection != 2) {
            host->SendGameData();
            return;
        }
        // Unless a side chose to fight, the night passes after the set-up.
        if (night && gCampaign->mSideValue[0] != 2 && gCampaign->mSideValue[1] != 2) {
            mTurn = mLastTurn + 1;
            mSetupPhase = false;
            if (mMap) mMap->EndFoxholePlacing();
            if (humans == 2 && connection != 0) mShowResultToOther = true;
            BattleVictoryScreen(false, true);
            return;
        }
        host->AutoSave(false);
        if (humans == 1) {
            // No pointer while the computer places its units.
            host->ShowCursor(false);
            AIOperational(1 - viewer);
            host->ShowCursor(true);
        }
        host->SynchRandomForTCPIP();
        SetSelectedUnit(nullptr);
        if (mUnits)
            mUnits->DeleteSome(
                [](GObject* m, void* battle) {
                    auto* u = static_cast<Unit*>(m);
                    const bool gone = u->StampToMap();
                    if (gone) static_cast<Battle*>(battle)->UnitGoes(u);
                    return gone;
                },
                this, true);
        DigIn();
        if (mMap) mMap->DeleteLOSTable();
        if (mUnits)
            for (int32_t i = 0; i < mUnits->GetCount(); ++i)
                mUnits->GetUnit(i)->BeSpotted(true, false);
        mSetupPhase = false;
        if (mMap) {
            mMap->EndFoxholePlacing();
            mMap->SpotFoxholes(false);
        }
        CountVPs(true, false, nullptr, nullptr, nullptr);
        mPackets.EmptyOut(true);
        if (humans == 2 && !host->SecondHalf() && connection == 1) {
            host->SetSecondHalf(true);
            host->SendGameData();
        }
        return;
    }
    if (mResultView) {
        // The battle is over: GO brings its result back.
        ShowScreens(false);
        mResultView->Show(true);
        return;
    }
    if (MaybeForceSurrender(viewer)) return;
    if (humans == 2 && connection == 2 && MaybeForceSurrender(1 - viewer)) return;
    // Saved as an exchange's: a reload of it takes no orders until GO and
    // computes the turn as reloaded.
    if (connection == 2) host->ExchangeAutoSave();
    if (!host->SecondHalf() && connection != 2) {
        host->SendGameData();
        return;
    }
    if (connection == 2 && !host->GoButton()) return;
    const auto planStart = std::chrono::steady_clock::now();
    // No pointer while the computer plans and the turn is computed.
    host->ShowCursor(false);
    if (humans == 1 && !MaybeForceSurrender(1 - viewer)) AIOperational(1 - viewer);
    const auto actionStart = std::chrono::steady_clock::now();
    if (!Over()) {
        DeleteEffects();
        ActionPhase(true, reloaded);
    }
    host->ShowCursor(true);
    const auto end = std::chrono::steady_clock::now();
    sTurnClock.planningMs = std::chrono::duration<double, std::milli>(actionStart - planStart).count();
    sTurnClock.actionMs = std::chrono::duration<double, std::milli>(end - actionStart).count();
    if (connection == 1) host->SendGameData();
}

// The keys, tried in this order; the first that applies acts. Camera keys
// come first and act in every state.
void Battle::DoKey(char key, bool ctrl, bool keypad) {
    if (!mMap) return;
    VerifySelectedUnit();
    BattleHost* host = Host();
    const int32_t state = host->InteractionState();
    const int32_t code = static_cast<unsigned char>(key);
    if (code >= kKeyArrowLeft && code <= kKeyArrowDown) {
        host->MoveCamera(code, code >= kKeyArrowUp ? 0.4f : 0.15f);
        return;
    }
    if (key == '.' || key == '>') {
        host->TurnCamera(-0.24f);
        return;
    }
    if (key == ',' || key == '<') {
        host->TurnCamera(0.24f);
        return;
    }
    if (key == '/') {
        host->TurnCameraTo(180.0f);
        return;
    }
    if (code == kKeyEnter) {
        host->ToggleUnitInfo();
        return;
    }
    if (!keypad && key >= '1' && key <= '9') {
        host->JumpCameraToLevel(key - '1');
        return;
    }
    if (keypad && ((key >= '2' && key <= '9') || key == '-' || key == '+')) {
        host->CameraKeyPad(key);
        return;
    }
    const bool orderState = (state >= 1 && state <= 6) || (state >= 9 && state <= 12);
    if (key == ' ' && mSelectedUnit && state == 0) {
        host->OpenOrdersMenu();
        return;
    }
    if (key == ' ' && orderState) {
        // The order being given is dropped.
        if ((state == 5 || state == 6) && mSelectedUnit) mSelectedUnit->CancelCoveredArc();
        host->SetState(0);
        mMultiOrderPending = false;
        mMap->mSetupChainPending = false;
        return;
    }
    if (code == kKeyBackspace && (state == 0 || state == 2) && host->OrdersProhibited()) return;
    if (code == kKeyBackspace && state == 2 && mSelectedUnit) {
        if (mSelectedUnit->LockedIntoMovementOrders())
            RefuseOrder();
        else
            mSelectedUnit->DeleteLastWaypoint();
        return;
    }
    if (code == kKeyBackspace && state == 0) {
        host->CloseOrdersMenu();
        if (mMultiSelection) {
            mSelectedIndex = -1;
            bool refused = false;
            if (mUnits)
                for (int32_t i = 0; i < mUnits->GetCount(); ++i) {
                    Unit* u = mUnits->GetUnit(i);
                    if (u->mSelectionMark == 0) continue;
                    // A withdrawal or a sewer move once under way stays.
                    if (u->LockedIntoMovementOrders())
                        refused = true;
                    else
                        u->CancelMovementOrders();
                }
            if (refused) RefuseOrder();
        } else if (mSelectedUnit && mSelectedUnit->CanReceiveOrders() &&
                   mSelectedUnit->IsOwnUnit(host->ViewingSide())) {
            if (mSelectedUnit->LockedIntoMovementOrders())
                RefuseOrder();
            else if (mSelectedIndex >= 0)
                mSelectedUnit->DeletePlannedMidWaypoint(mSelectedIndex);
            else
                mSelectedUnit->DeleteLastWaypoint();
        }
        return;
    }
    if (code == kKeyTab) {
        host->ToggleCameraLock(mSelectedUnit);
        return;
    }
    if (code >= 'A' && code <= 'z' && !ctrl && mSelectedUnit && mSelectedUnit->mOffMapState == 0 &&
        state != kPlaybackState) {
        host->OrdersMenuKey(key);
        return;
    }
    if ((key == 'p' || key == 'P') && ctrl && host->ConnectionKind() == 2 && host->TurnClockPausable() &&
        mScreen && (state == 0 || state == kPlaybackState) && !Over()) {
        host->PauseTurnClock();
        return;
    }
    if (state != 0 && state != kPlaybackState) return;
    const bool operationRuns = gCampaign && !gCampaign->Over();
    if (mScreen && !mScreen->IsVisible()) {
        // The result screen is up: only saving.
        if (ctrl && (key == 's' || key == 'S') && mResultView && mResultView->IsVisible() && !operationRuns)
            host->ApplicationCommand(90);
        return;
    }
    if (key == '+' || key == '=') {
        GoToNextUnit(true);
    } else if (key == '-' || key == '_') {
        GoToNextUnit(false);
    } else if (key == '\\') {
        if (!host->OrdersMenuOpen() && Over() && mResultView && !gCampaign) host->ViewOtherSide();
    } else if (ctrl && (key == 's' || key == 'S')) {
        host->ApplicationCommand(90);
    } else if (ctrl && (key == 'c' || key == 'C')) {
        host->ApplicationCommand(106);
    } else if (ctrl && (key == 'u' || key == 'U')) {
        host->ApplicationCommand(103);
    } else if (ctrl && (key == 'b' || key == 'B')) {
        host->ApplicationCommand(95);
    }
}

void Battle::NoteOrdersComplete() {
    bool present[2] = {false, false};
    bool orderable[2] = {false, false};
    if (mUnits)
        for (int32_t i = 0; i < mUnits->GetCount(); ++i) {
            Unit* u = mUnits->GetUnit(i);
            if ((u->mUnitType != kUnitInfantry && u->mUnitType != kUnitVehicle) || !u->mActive ||
                u->mOffMapState != 0)
                continue;
            const Affiliation side = u->GetAffiliation();
            present[side] = true;
            if (u->CanReceiveOrders()) orderable[side] = true;
        }
    for (int32_t side = 0; side < 2; ++side)
        if (present[side] && !orderable[side]) mOrdersPending[side] = true;
}

void Battle::RespondToSwapSides() {
    BattleHost* host = Host();
    if (mInfoPanel) {
        // Only a screen counts here: the turn must not depend on it.
        RandomStateKeeper generator;
        CountVPs(true, false, nullptr, nullptr, nullptr);
        if (mMap) mMap->Refresh();
        RefreshInfoPanel();
    }
    if (!mMap) return;
    host->ToggleCameraLock(nullptr);
    mMap->mLockedUnit = nullptr;
    // The other side's camera looks elsewhere: the next frame works out
    // which ground is in view again.
    mMap->DirtyClip();
    SetSelectedUnit(nullptr);
    mMap->mTrackedUnit = nullptr;
    mMap->mSetupChainPending = false;
}
