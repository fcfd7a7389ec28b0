// The battle's commands and keys: GO, the next turn, the playback controls,
// the end of the set-up, and the opening of a battle.

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/Campaign.h"
#include "battle/UnitList.h"
#include "battle/VictoryFlag.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/Unit.h"

namespace {

constexpr int32_t kPlaybackState = 8;
constexpr int32_t kGoSound = 128;
constexpr int32_t kGoSoundPriority = 28;

void PickOneRealFlag(Battle* b) {
    const int32_t n = b->mFlags.GetCount();
    if (n == 0 || !static_cast<VictoryFlag*>(b->mFlags.GetObjectA(0))->mCandidate) return;
    for (int32_t k = 0; k < n; ++k)
        static_cast<VictoryFlag*>(b->mFlags.GetObjectA(k))->mReal = false;
    static_cast<VictoryFlag*>(b->mFlags.GetObjectA(static_cast<int32_t>(RandomPair() % n)))->mReal = true;
}

} // namespace

// Once the screen (if any) stands: the real flag, the flags' colours, the
// playback statics and the fires' sounds, then one count of the points.
void Battle::BeginBattleLogic() {
    if (mPickRealFlag && mSetupPhase) PickOneRealFlag(this);
    ColorVictoryFlags(true, false);
    if (mPackets.GetCount() == 0) {
        if (mMap) mMap->StartFireSoundEffects();
        mPlayNow = -1;
        mPlayPrevious = -1;
    }
    CountVPs(true, false, nullptr, nullptr, nullptr);
}

void Battle::HandleCommand(int32_t command) {
    BattleHost* host = Host();
    if (command >= 1 && command <= 8) {
        host->CameraCommand(command);
        return;
    }
    if (command >= 11 && command <= 15) {
        if (host->InteractionState() == kPlaybackState) HandleVCRButton(command, false);
        return;
    }
    if (command >= 20 && command <= 63) {
        host->OrdersMenuCommand(command);
        return;
    }
    if (command == 10) {
        // Next turn.
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
        if (mMap) mMap->BurnOutFires();
        if (!Over()) MaybeForceEnding();
        if (Over()) {
            if (humans == 2 && connection == 1) mShowResultToOther = true;
            BattleVictoryScreen(false, false);
            return;
        }
        if (connection == 1) host->SetSecondHalf(!host->SecondHalf());
        ReinforcementsArrive();
        CheckAllLeadership();
        if (mMap) mMap->DeleteLOSTable();
        if (mUnits)
            for (int32_t i = 0; i < mUnits->GetCount(); ++i)
                mUnits->GetUnit(i)->BeSpotted(false, false);
        CountVPs(true, false, nullptr, nullptr, nullptr);
        GlobalMorale();
        if (connection == 2) host->AutoSave(false);
        return;
    }
    if (command != 9 && command != 17 && command != 18) return;

    // GO.
    mMultiSelection = false;
    const int32_t humans = host->HumanPlayers();
    const int32_t connection = host->ConnectionKind();
    const Affiliation viewer = host->ViewingSide();
    if (command == 17 && gCampaign) gCampaign->mSideValue[viewer] = 2;
    if (mSetupPhase) {
        if (connection == 2 && !host->GoButton()) return;
        host->PlaySound(kGoSound, kGoSoundPriority);
        if (humans == 2 && host->SecondHalf() && connection != 2) {
            host->SendGameData();
            return;
        }
        host->AutoSave(false);
        if (humans == 1) AIOperational(1 - viewer);
        host->SynchRandomForTCPIP();
        SetSelectedUnit(nullptr);
        if (mUnits)
            mUnits->DeleteSome([](GObject* m, void*) { return static_cast<Unit*>(m)->StampToMap(); }, nullptr,
                               true);
        DigIn();
        if (mMap) mMap->DeleteLOSTable();
        if (mUnits)
            for (int32_t i = 0; i < mUnits->GetCount(); ++i)
                mUnits->GetUnit(i)->BeSpotted(true, false);
        mSetupPhase = false;
        if (mMap) mMap->SpotFoxholes(false);
        CountVPs(true, false, nullptr, nullptr, nullptr);
        mPackets.EmptyOut(true);
        if (humans == 2 && !host->SecondHalf() && connection == 1) {
            host->SetSecondHalf(true);
            host->SendGameData();
        }
        return;
    }
    if (MaybeForceSurrender(viewer)) return;
    if (humans == 2 && connection == 2 && MaybeForceSurrender(1 - viewer)) return;
    if (connection == 2) host->AutoSave(false);
    if (!host->SecondHalf() && connection != 2) {
        host->SendGameData();
        return;
    }
    if (connection == 2 && !host->GoButton()) return;
    if (humans == 1 && !MaybeForceSurrender(1 - viewer)) AIOperational(1 - viewer);
    if (!Over()) {
        DeleteEffects();
        ActionPhase(true, false);
    }
    if (connection == 1) host->SendGameData();
}

void Battle::DoKey(char key, bool ctrl, bool keypad) {
    if (!mMap) return;
    VerifySelectedUnit();
    Host()->MapKey(key, ctrl, keypad);
}

void Battle::RespondToSwapSides() {
    if (mInfoPanel) CountVPs(true, false, nullptr, nullptr, nullptr);
    if (mMap) SetSelectedUnit(nullptr);
}
