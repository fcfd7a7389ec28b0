// The action phase: one minute of battle computed into action packets, the
// global morale, the leadership pass and digging in.

#include <cmath>

#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/BattleHost.h"
#include "battle/BattleMapLink.h"
#include "battle/PendingAttack.h"
#include "battle/UnitList.h"
#include "engine/GFile.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/DataTables.h"
#include "units/Unit.h"
#include "units/ValueMemo.h"

namespace {

constexpr int32_t kLastComputedSlice = 4800;
constexpr int32_t kMaxPreloaded = 200;
constexpr int32_t kPlaying = 15;
constexpr int32_t kPaused = 13;
constexpr int32_t kPlaybackState = 8;
constexpr int32_t kWaitForPeer = 14;
constexpr int32_t kQuietHuman = 7500;
constexpr int32_t kQuietComputer = 10000;

void ForEachUnit(UnitList* units, void (*fn)(Unit*, int32_t), int32_t value) {
    if (!units) return;
    for (int32_t i = 0; i < units->GetCount(); ++i)
        fn(units->GetUnit(i), value);
}

int32_t ActivityOf(const Battle* b, Affiliation side) {
    // The fire rules count their shots by the Axis flag (1 = Axis).
    return b->mActivity[side] + b->mFiringActivity[side == kAxis ? 1 : 0];
}

} // namespace

void Battle::InstallMapLink() {
    if (!mMapLink) mMapLink = new BattleMapLink(this);
    if (mMap && mMap->GetBattleLink() != mMapLink) mMap->SetBattleLink(mMapLink);
}

int32_t Battle::SightSlice() const {
    return mDispatching ? mPlayNow : mTimeSlice;
}

// The replay of the machine that computed the turn changes the map (smoke,
// craters, buildings, fires) and the units with the values the packets'
// records hold, as the machine that receives the results and a game loaded
// with its replay do: a cloud's radius kept whole here and to a hundredth
// there, or a spot marker kept whole here and to a third of a metre there,
// left the two battles different after the turn.
void Battle::KeepMapPacketsAsRecorded() {
    for (int32_t k = 0; k < mPackets.GetCount(); ++k) {
        auto* p = static_cast<ActionPacket*>(mPackets.GetObjectA(k));
        switch (p->mType) {
        case kPacketUnitState:
            // A packet the file leaves out (a unit without an identifier)
            // reaches no other machine; it stays as made.
            if (!p->IsWritable()) break;
            [[fallthrough]];
        case kPacketFire:
        case kPacketRubble:
        case kPacketSmokeOn:
        case kPacketSmokeOff:
        case kPacketCrater:
        case kPacketCraterRemoved:
        case kPacketFoxholeSpotted:
        case kPacketBuilding:
        case kPacketClearDoodads: {
            GFile record;
            record.IMemoryFile();
            p->Write(&record);
            record.Rewind();
            p->ReadRecord(&record, this);
            break;
        }
        default:
            break;
        }
    }
}

bool Battle::PacketsInOrder() {
    for (int32_t k = 1; k < mPackets.GetCount(); ++k)
        if (ComparePackets(mPackets.GetObjectA(k - 1), mPackets.GetObjectA(k), nullptr) > 0) return false;
    return true;
}

int32_t Battle::ComparePackets(GObject* ga, GObject* gb, void* context) {
    auto* a = static_cast<ActionPacket*>(ga);
    auto* b = static_cast<ActionPacket*>(gb);
    if (a->mTimeSlice != b->mTimeSlice) return a->mTimeSlice < b->mTimeSlice ? -1 : 1;
    if ((a->mType == kPacketSound) != (b->mType == kPacketSound)) return a->mType == kPacketSound ? 1 : -1;
    if ((a->mType == kPacketFoxholeSpotted) != (b->mType == kPacketFoxholeSpotted))
        return a->mType == kPacketFoxholeSpotted ? 1 : -1;
    if (a->mType == kPacketUnitState && b->mType == kPacketUnitState) {
        // The life field: 2 for a unit out of play (state code 2), else 1.
        const int32_t la = (a->mStatus >> 6) == 2 ? 2 : 1;
        const int32_t lb = (b->mStatus >> 6) == 2 ? 2 : 1;
        if (la != lb) return la < lb ? -1 : 1;
    }
    return 0;
}

void Battle::GlobalMorale() {
    float total[2] = {0.0f, 0.0f};
    float weighted[2] = {0.0f, 0.0f};
    if (mUnits) {
        for (int32_t i = 0; i < mUnits->GetCount(); ++i) {
            Unit* u = mUnits->GetUnit(i);
            if (u->mUnitType != kUnitInfantry && u->mUnitType != kUnitVehicle) continue;
            float v = u->GetVPValue(true, kKnowTruth);
            if (u->mUnitType == kUnitVehicle) {
                v *= 0.5f;
            } else if (u->mTransport) {
                v *= 0.75f;
            } else if (!u->HasHeavyWeapon(kKnowTruth)) {
                v *= 3.0f;
            } else if (u->HasOrdnance(true, false)) {
                v *= 0.5f;
            }
            if (u->mUnitType == kUnitInfantry) {
                const WeaponType gun = gInfantryData[u->mSubtype].mHeavyWeapon;
                if (gWeaponData.Has(gun) && gWeaponData[gun].mClass == kWClassIndirect)
                    v = std::fmin(v, 10.0f);
            }
            if (u->mOffMapState != 0) v *= 0.5f;
            const Affiliation side = u->GetAffiliation();
            total[side] += v;
            if ((u->mActive || u->mOffMapState == 2) && !u->mSurrendered)
                weighted[side] += u->SurvivorFraction() * v;
        }
    }
    for (int32_t side = 0; side < 2; ++side) {
        if (total[side] <= 1.0f) total[side] = 1.0f;
        mGlobalMorale[side] = (weighted[side] + 0.01f) / total[side];
    }
}

void Battle::DigIn() {
    if (!mUnits || !mMap) return;
    for (int32_t i = 0; i < mUnits->GetCount(); ++i) {
        Unit* u = mUnits->GetUnit(i);
        if (!u->WillDigFoxhole()) continue;
        // A rifle squad blasts its foxhole with its charges, as a gun crew
        // with its own.
        const bool charges = (u->mUnitType == kUnitInfantry && gInfantryData[u->mSubtype].mIsSquad != 0) ||
                             u->HasOrdnance(false, false);
        mMap->MakeCrater(u->mX, u->mY, charges ? 700.0f : 420.0f, true, false, false, 0.0f,
                         u->GetAffiliation(), false);
    }
}

void Battle::ActionPhase(bool compute, bool reloaded) {
    BattleHost* host = Host();
    InstallMapLink();
    GlobalMorale();
    mTimeSlice = -1;
    if (mMap) mMap->StartFireSoundEffects();
    host->ActionPhaseStarts();
    if (mMap) {
        mMap->SaveMutableData();
        mMap->DeleteLOSTable();
    }
    if (compute) {
        // Pure rule values are kept while the turn is computed (the data
        // tables stay as they are).
        ValueMemoScope values;
        // A line traced again over a map that has not changed since (every
        // change of what a trace reads forgets the kept answers) is answered
        // from the first trace.
        Map::TraceReuseScope reuse(mMap);
        mComputing = true;
        if (!reloaded) {
            // The figures' first frames are drawn for the picture only: the
            // generator goes on where it was, so that the turn does not depend
            // on which figures a screen (or a saved game, which keeps no
            // figure clocks) has started already.
            const uint32_t generator = GetRandomState();
            ForEachUnit(
                mUnits, [](Unit* u, int32_t) { u->AdvanceAnimation(); }, 0);
            SeedRandomGenerator(generator);
            // The units show where this turn starts before it is computed.
            if (mMap) mMap->Refresh();
            host->UpdateScreen();
            host->UpdateScreen();
        }
        host->SynchRandomForTCPIP();
        mActivity[0] = mActivity[1] = 0;
        mFiringActivity[0] = mFiringActivity[1] = 0;
        Unit* selected = mSelectedUnit;
        mSelectedUnit = nullptr;
        mSelectedIndex = -1;
        host->FlushSoundCache(1);
        if (mMap) mMap->mDrawMode = 0;
        host->ShowCursor(false);
        host->ShowProgress(0);
        ForEachUnit(
            mUnits, [](Unit* u, int32_t) { u->PrepareForAction(); }, 0);
        host->ShowProgress(0);
        if (mVariableLength) ColorVictoryFlags(false, false);
        for (mTimeSlice = 0; mTimeSlice <= kSlicesPerTurn; ++mTimeSlice) {
            ResolveDueAttacks();
            // Attacks made while others were resolved join now, in order.
            for (int32_t k = 0; k < mNewAttacks.GetCount(); ++k)
                mPendingAttacks.Add(static_cast<GList&>(mNewAttacks).GetObjectA(k));
            mNewAttacks.EmptyOut(false);
            MergeNewUnits();
            ForEachUnit(
                mUnits, [](Unit* u, int32_t) { u->MasterControl(); }, 0);
            if (mTimeSlice % 160 == 39) CheckAllLeadership();
            if (mTimeSlice % 120 == 39 && mMap) mMap->SpreadFires();
            if (mTimeSlice % 240 == 39 && mMap) mMap->SpotFoxholes(false);
            if (mTimeSlice % 40 == 39) {
                AgeSmokeShells();
                host->ShowProgress(mTimeSlice);
                host->PingDuringBusyCPU();
            }
        }
        if (mVariableLength) {
            ColorVictoryFlags(false, true);
            ColorVictoryFlags(true, false);
        }
        // Shells still in flight land; units no longer act. Attacks the
        // landings make join at once, so none waits for the next turn.
        for (int32_t pass = 0;; ++pass) {
            ForEachUnit(
                mUnits, [](Unit* u, int32_t s) { u->FlushLastPacket(s); }, pass == 0 ? 0 : 1);
            ++mTimeSlice;
            for (int32_t k = 0; k < mNewAttacks.GetCount(); ++k)
                mPendingAttacks.Add(static_cast<GList&>(mNewAttacks).GetObjectA(k));
            mNewAttacks.EmptyOut(false);
            if (mPendingAttacks.GetCount() == 0 || mTimeSlice >= kLastComputedSlice) break;
            ResolveDueAttacks();
            MergeNewUnits();
        }
        mPendingAttacks.EmptyOut(true);
        mNewAttacks.EmptyOut(true);
        MergeNewUnits();
        ForEachUnit(
            mUnits, [](Unit* u, int32_t) { u->ResurrectStraggler(); }, 0);
        if (mMap) {
            for (int32_t k = 0; k < mMap->mBuildings->GetCount(); ++k)
                static_cast<Building*>(mMap->mBuildings->GetObjectA(k))->UpdatePacket();
        }
        StripSuperfluousSounds();
        SetSelectedUnit(selected);
        mPackets.QuickSort(ComparePackets, nullptr);
        mPacketsSorted = true;
        KeepMapPacketsAsRecorded();
        if (mMap) mMap->mDrawMode = 2;
        host->ShowCursor(true);
        for (Affiliation side = 0; side < 2; ++side) {
            const bool human = side == host->ViewingSide() || host->HumanPlayers() == 2;
            const int32_t threshold = human ? kQuietHuman : kQuietComputer;
            if (ActivityOf(this, side) < threshold)
                ++mQuietTurns[side];
            else
                mQuietTurns[side] = 0;
        }
    } else if (!PacketsInOrder()) {
        // Packets that came in playback order (from the computing machine
        // or a saved game) keep it: the sort is not stable, and packets of
        // one slice played in another order can end the turn differently.
        mPackets.QuickSort(ComparePackets, nullptr);
    }
    mPacketsSorted = true;
    host->SetState(kPlaybackState);
    mPlayState = kPlaying;
    host->HogCPU(true);
    mPlaybackPaused = false;
    RefreshInfoPanel();
    // The preload: the first 200 sounds the viewing side hears.
    int32_t numbers[kMaxPreloaded];
    bool flags[kMaxPreloaded];
    int32_t count = 0;
    const uint8_t heard = host->ViewingSide() == 0 ? 0x02 : 0x01;
    for (int32_t k = 0; k < mPackets.GetCount() && count < kMaxPreloaded; ++k) {
        auto* p = static_cast<ActionPacket*>(mPackets.GetObjectA(k));
        if (p->mType != kPacketSound || !(p->mSoundFlags & heard)) continue;
        numbers[count] = p->mSoundNumber;
        flags[count] = (p->mSoundFlags & 0x04) != 0;
        ++count;
    }
    host->PreloadSounds(count, numbers, flags);
    mComputing = false;
    BeginPlayback();
    if (compute && host->TransferPhase() != kWaitForPeer) {
        Playback();
    } else {
        HandleVCRButton(kPaused, false);
    }
    host->PlaybackPanelChanged(mPlayState, 0);
}
