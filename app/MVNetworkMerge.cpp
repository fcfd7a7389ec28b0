// The TCP/IP turn files at the level of units: a received orders or results
// file merged into the running battle, the hand-over to the action phase
// once both orders files are in, the phase steps at the end of a replay and
// the transfer panel of the results.

#include <algorithm>
#include <cstring>
#include <typeinfo>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "app/AppViews.h"
#include "app/BattleScreen.h"
#include "app/MVApplication.h"
#include "app/ProgressView.h"
#include "app/UpDownloadPanel.h"
#include "battle/Campaign.h"
#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/GameFile.h"
#include "battle/UnitList.h"
#include "engine/GButton3D.h"
#include "engine/GFile.h"
#include "engine/GKernel.h"
#include "engine/GOLTA.h"
#include "engine/RandomStateKeeper.h"
#include "map/Map.h"
#include "units/Airplane.h"
#include "units/Inanimate.h"
#include "units/Infantry.h"
#include "units/Vehicle.h"

namespace {

constexpr uint32_t kReplayAllowance = 75000; // ms
constexpr uint32_t kSecondHalfBit = 0x80000;

// What a running unit keeps when a copy from the peer overwrites it: the
// graphics made on this machine and, when asked, an infantry unit's
// animation.
struct KeptState {
    GGraphic* graphics[Unit::kGraphicSlots] = {};
    int16_t faces[16] = {};
    int32_t randomSeed = 0;
    float randomHeading = 0.0f;
    float figureScale[kInfantryFigures] = {};
    int32_t animation[3] = {};
    int32_t animKeyTime[3] = {};
    int32_t animFrame[3] = {};
    float figurePos[kPoseValues][kInfantryFigures] = {};
};

void Keep(const Unit* u, KeptState* k) {
    size_t n = 0;
    const_cast<Unit*>(u)->ForEachGraphicSlot([&](GGraphic*& g) { k->graphics[n++] = g; });
    std::memcpy(k->faces, u->mFaceIndex, sizeof k->faces);
    std::memcpy(k->animation, u->mAnimation, sizeof k->animation);
    std::memcpy(k->animKeyTime, u->mAnimKeyTime, sizeof k->animKeyTime);
    std::memcpy(k->animFrame, u->mAnimFrame, sizeof k->animFrame);
    if (u->mUnitType == kUnitInfantry) {
        const auto* i = static_cast<const Infantry*>(u);
        k->randomSeed = i->mRandomSeed;
        k->randomHeading = i->mRandomHeading;
        std::memcpy(k->figureScale, i->mFigureScale, sizeof k->figureScale);
        std::memcpy(k->figurePos, i->mFigurePos, sizeof k->figurePos);
    }
}

void Restore(Unit* u, const KeptState& k, bool animation) {
    // The running unit keeps the graphics it owns; the incoming copy's (if
    // any) stay the copy's.
    size_t n = 0;
    u->ForEachGraphicSlot([&](GGraphic*& g) { g = k.graphics[n++]; });
    std::memcpy(u->mFaceIndex, k.faces, sizeof k.faces);
    if (u->mUnitType != kUnitInfantry) return;
    auto* i = static_cast<Infantry*>(u);
    i->mRandomSeed = k.randomSeed;
    i->mRandomHeading = k.randomHeading;
    std::memcpy(i->mFigureScale, k.figureScale, sizeof k.figureScale);
    if (!animation) return;
    std::memcpy(u->mAnimation, k.animation, sizeof k.animation);
    std::memcpy(u->mAnimKeyTime, k.animKeyTime, sizeof k.animKeyTime);
    std::memcpy(u->mAnimFrame, k.animFrame, sizeof k.animFrame);
    std::memcpy(i->mFigurePos, k.figurePos, sizeof k.figurePos);
}

// The running unit takes the whole state of the peer's copy of it. The
// objects the copy owned pass to the running unit; the running unit's own
// are deleted. False, with nothing changed, when the two are not of one kind.
bool Overwrite(Unit* running, Unit* copy, bool keepAnimation) {
    if (typeid(*running) != typeid(*copy) || running->mUnitType != copy->mUnitType) return false;
    KeptState kept;
    Keep(running, &kept);
    GString15* ownName = running->mCustomName;
    switch (running->mUnitType) {
    case kUnitInfantry:
        *static_cast<Infantry*>(running) = *static_cast<Infantry*>(copy);
        break;
    case kUnitVehicle:
        *static_cast<Vehicle*>(running) = *static_cast<Vehicle*>(copy);
        break;
    case kUnitInanimate:
        *static_cast<Inanimate*>(running) = *static_cast<Inanimate*>(copy);
        break;
    case kUnitAirplane:
        *static_cast<Airplane*>(running) = *static_cast<Airplane*>(copy);
        break;
    default:
        return false;
    }
    running->mCustomName = copy->mCustomName;
    copy->mCustomName = nullptr;
    delete ownName;
    Restore(running, kept, keepAnimation);
    return true;
}

// Points every unit pointer of a packet read against the scratch battle at
// the running battle's unit.
void Repoint(ActionPacket* p, const std::unordered_map<Unit*, Unit*>& to) {
    Unit** links[] = {&p->mFirer, &p->mTarget, &p->mSource, &p->mVehicle,
                      &p->mUnit,  &p->mLinkA,  &p->mLinkB,  &p->mLinkedUnit};
    for (Unit** link : links) {
        if (!*link) continue;
        auto it = to.find(*link);
        *link = it == to.end() ? nullptr : it->second;
    }
}

// Takes a unit out of the running battle and deletes it, leaving no
// pointer to it behind: other units' links, the selection, the camera
// lock, the tracked and picked unit, the open menu, its engine sound.
void DropRunningUnit(Battle* battle, Unit* unit) {
    UnitList* units = battle->mUnits;
    int32_t index = units->IndexOf(unit);
    if (index < 0) return;
    units->DeleteIndex(index, false);
    for (int32_t i = 0; i < units->GetCount(); ++i)
        units->GetUnit(i)->ClearBrokenLinks(units);
    if (battle->mNewUnits.IsMember(unit)) battle->mNewUnits.Delete(unit, false);
    if (battle->mSelectedUnit == unit) battle->SetSelectedUnit(nullptr);
    if (battle->mMap) battle->mMap->ForgetUnit(unit);
    delete unit;
}

// After a merge every unit pointer the screen keeps must name a unit of the
// running battle.
void VerifyScreenUnits(Battle* battle) {
    UnitList* units = battle->mUnits;
    auto member = [units](Unit* u) { return u && units->IndexOf(u) >= 0; };
    if (battle->mSelectedUnit && !member(battle->mSelectedUnit)) {
        battle->mSelectedUnit = nullptr;
        battle->mSelectedIndex = -1;
    }
    if (Map* map = battle->mMap) {
        if (map->mLockedUnit && !member(map->mLockedUnit)) map->mLockedUnit = nullptr;
        if (map->mTrackedUnit && !member(map->mTrackedUnit)) map->mTrackedUnit = nullptr;
        if (map->mPickedUnit && !member(map->mPickedUnit)) map->mPickedUnit = nullptr;
    }
    battle->VerifySelectedUnit();
}

// A file that names one unit twice, or a running unit by a copy of another
// kind, is damaged: the merge would keep one of them and drop the other
// unseen, and the two machines' battles would part.
bool NamesEachUnitOnce(UnitList* running, UnitList* incoming, bool bothSides, int32_t ownSide) {
    std::unordered_map<uint32_t, Unit*> byID;
    for (int32_t i = 0; i < running->GetCount(); ++i)
        byID.emplace(running->GetUnit(i)->UniqueID(), running->GetUnit(i));
    std::unordered_set<uint32_t> seen;
    for (int32_t i = 0; i < incoming->GetCount(); ++i) {
        Unit* copy = incoming->GetUnit(i);
        if (!seen.insert(copy->UniqueID()).second) return false;
        if (!bothSides && copy->GetAffiliation() == ownSide) continue;
        auto it = byID.find(copy->UniqueID());
        if (it != byID.end() && (typeid(*it->second) != typeid(*copy) || it->second->mUnitType != copy->mUnitType))
            return false;
    }
    return true;
}

int32_t ByPackedID(GObject* a, GObject* b, void*) {
    auto* ua = static_cast<Unit*>(a);
    auto* ub = static_cast<Unit*>(b);
    if (ua->mPackedID != ub->mPackedID) return ua->mPackedID < ub->mPackedID ? -1 : 1;
    uint32_t ia = ua->UniqueID(), ib = ub->UniqueID();
    return ia < ib ? -1 : (ia > ib ? 1 : 0);
}

} // namespace

MVApplication::TCPValues MVApplication::KeepTCPValues() const {
    TCPValues v;
    v.seed = mRandomSeed;
    v.computesTurn = mComputesTurn;
    v.passwords[0] = mPasswordHash[0];
    v.passwords[1] = mPasswordHash[1];
    if (gCampaign) {
        v.sideValue[0] = gCampaign->mSideValue[0];
        v.sideValue[1] = gCampaign->mSideValue[1];
    }
    return v;
}

void MVApplication::RestoreTCPValues(const TCPValues& v) {
    mRandomSeed = v.seed;
    mComputesTurn = v.computesTurn;
    mPasswordHash[0] = v.passwords[0];
    mPasswordHash[1] = v.passwords[1];
    if (gCampaign) {
        gCampaign->mSideValue[0] = v.sideValue[0];
        gCampaign->mSideValue[1] = v.sideValue[1];
    }
}

bool MVApplication::MergeTCPIPFile(bool bothSides, bool second) {
    GFile* file = mIncomingTurnFile;
    mIncomingTurnFile = nullptr;
    if (!file) return false;
    Battle* running = gBattle;
    // A file that does not decompress, or whose body or packets are refused,
    // is dropped whole: the running battle stays as after the last exchange.
    if (!running || !running->mUnits || !file->RewindAndReadAsCompressed()) {
        delete file;
        return false;
    }
    Battle scratch;
    scratch.IBattleStub();
    scratch.mHost = this;
    scratch.mTurn = running->mTurn;
    scratch.mLastTurn = running->mLastTurn;
    // Reading the body sets the exchange's values (seed, computing side, the
    // peer's password, the operation's side value); a file refused after
    // that, for its packets, must leave them as they were.
    const TCPValues before = KeepTCPValues();
    if (!scratch.ReadPartialTCP(file, second)) {
        delete file;
        RestoreTCPValues(before);
        return false;
    }
    UnitList* units = running->mUnits;
    UnitList* incoming = scratch.mUnits;
    // The packets (results only) name units by their place in the file, so
    // they are read against the scratch battle before anything moves.
    GList packets;
    const int8_t hasPackets = file->ReadChar();
    bool fileOK = !file->HasFailed();
    if (fileOK && hasPackets == 1) {
        Battle* previous = gBattle;
        gBattle = &scratch;
        fileOK = ReadPacketList(file, &packets, &scratch);
        gBattle = previous;
    }
    int16_t quietTurns[2] = {0, 0};
    bool hasQuietTurns = false;
    if (fileOK && hasPackets == 1) {
        quietTurns[0] = file->ReadShort();
        quietTurns[1] = file->ReadShort();
        hasQuietTurns = !file->HasFailed() && quietTurns[0] >= 0 && quietTurns[1] >= 0;
    }
    // Last, what the units carry between turns beyond their records: it goes
    // to the copies (named by their place in the file) and with them below.
    if (fileOK) fileOK = ReadUnitExtras(file, &scratch);
    delete file;
    if (fileOK) fileOK = NamesEachUnitOnce(units, incoming, bothSides, mSide);
    if (!fileOK) {
        packets.EmptyOut(true);
        RestoreTCPValues(before);
        return false;
    }

    if (!mComputesTurn) running->mLastTurn = scratch.mLastTurn;
    for (int32_t i = 0; i < units->GetCount(); ++i)
        units->GetUnit(i)->mLinkID = static_cast<int32_t>(units->GetUnit(i)->UniqueID());
    for (int32_t i = 0; i < incoming->GetCount(); ++i)
        incoming->GetUnit(i)->mLinkID = static_cast<int32_t>(incoming->GetUnit(i)->UniqueID());
    for (int32_t i = 0; i < incoming->GetCount(); ++i)
        incoming->GetUnit(i)->RollupLinks();

    // The file order, by scratch unit, for the packets and the sort after.
    std::vector<Unit*> fileOrder;
    fileOrder.reserve(static_cast<size_t>(incoming->GetCount()));
    for (int32_t i = 0; i < incoming->GetCount(); ++i)
        fileOrder.push_back(incoming->GetUnit(i));
    std::unordered_map<Unit*, Unit*> toRunning;

    std::vector<Unit*> added;
    for (Unit* copy : fileOrder) {
        // The local player's own units stand as this machine has them.
        if (!bothSides && copy->GetAffiliation() == mSide) continue;
        Unit* target = running->GetUnitFromUniqueID(static_cast<uint32_t>(copy->mLinkID));
        if (!target) {
            incoming->Delete(copy, false);
            units->Add(copy);
            added.push_back(copy);
            toRunning[copy] = copy;
        } else if (Overwrite(target, copy, !bothSides)) {
            toRunning[copy] = target;
        }
    }
    for (int32_t i = 0; i < units->GetCount(); ++i) {
        Unit* u = units->GetUnit(i);
        if (u->mLinksRolledUp) u->UnrollLinks();
    }
    for (Unit* u : added)
        u->MakeTextures(false);

    // A second half whose first half has no link back came from a split the
    // peer's set-up undid.
    if (running->mTurn == 1) {
        std::vector<Unit*> orphans;
        for (int32_t i = 0; i < units->GetCount(); ++i) {
            Unit* u = units->GetUnit(i);
            if (u->mUnitType == kUnitInfantry && u->mSibling && (u->UniqueID() & kSecondHalfBit) &&
                !u->mSibling->mSibling)
                orphans.push_back(u);
        }
        for (Unit* u : orphans) {
            for (auto& entry : toRunning)
                if (entry.second == u) entry.second = nullptr;
            DropRunningUnit(running, u);
        }
    }

    // A unit the file adds whose links named units this battle does not
    // hold takes another name once they are gone: one that another unit
    // has cannot stand (no file this program sends does so).
    {
        std::unordered_map<uint32_t, int32_t> names;
        for (int32_t i = 0; i < units->GetCount(); ++i)
            ++names[units->GetUnit(i)->UniqueID()];
        std::vector<Unit*> clashes;
        for (Unit* u : added) {
            if (units->IndexOf(u) < 0) continue; // dropped above
            int32_t& holders = names[u->UniqueID()];
            if (holders < 2) continue;
            --holders;
            clashes.push_back(u);
        }
        for (Unit* u : clashes) {
            for (auto& entry : toRunning)
                if (entry.second == u) entry.second = nullptr;
            DropRunningUnit(running, u);
        }
    }

    if (hasPackets == 1) {
        // Back into the computing machine's order, where the packets found them.
        std::vector<Unit*> order;
        order.reserve(static_cast<size_t>(units->GetCount()));
        for (Unit* copy : fileOrder) {
            auto it = toRunning.find(copy);
            if (it != toRunning.end() && it->second && units->IndexOf(it->second) >= 0 &&
                std::find(order.begin(), order.end(), it->second) == order.end())
                order.push_back(it->second);
        }
        for (int32_t i = 0; i < units->GetCount(); ++i)
            if (std::find(order.begin(), order.end(), units->GetUnit(i)) == order.end())
                order.push_back(units->GetUnit(i));
        units->EmptyOut(false);
        for (Unit* u : order)
            units->Add(u);
        running->mPackets.EmptyOut(true);
        for (int32_t i = 0; i < packets.GetCount(); ++i) {
            auto* p = static_cast<ActionPacket*>(packets.GetObjectA(i));
            Repoint(p, toRunning);
            running->mPackets.Add(p);
        }
        packets.EmptyOut(false);
        running->mPacketsSorted = false;
        if (hasQuietTurns) {
            running->mQuietTurns[0] = quietTurns[0];
            running->mQuietTurns[1] = quietTurns[1];
        }
    } else if (bothSides) {
        units->InsertionSort(ByPackedID, nullptr);
        running->CheckAllLeadership();
        {
            // The points for the panel. A battle on one machine makes no
            // such count before its turn is computed: the generator is left
            // as it was, so that the turn is the same there and here.
            RandomStateKeeper generator;
            running->CountVPs(true, false, nullptr, nullptr, nullptr);
        }
        running->GlobalMorale();
    }
    running->mSurrenderState[1 - (mSide == 1 ? 1 : 0)] = scratch.mSurrenderState[1 - (mSide == 1 ? 1 : 0)];
    if (bothSides) running->mSurrenderState[mSide == 1 ? 1 : 0] = scratch.mSurrenderState[mSide == 1 ? 1 : 0];
    VerifyScreenUnits(running);
    return true;
}

void MVApplication::CommunicateAction() {
    BreakMouse();
    if (!gBattle) return;
    if (gBattle->TCPIPTruceOrSurrenderCheck()) {
        mTCPIPPhase = 23;
        // The battle's last exchange: both result screens, and an
        // operation's next battle, must come from the same battle.
        NoteExchangeDigest();
        return;
    }
    if (gBattle->mSetupPhase) {
        // The GO that ends the set-up, on both machines alike.
        mTCPIPPhase = 14;
        DoCommand(9);
        if (gBattle && !gBattle->mSetupPhase) {
            // The button and the panel it sits on: the host's screen was built
            // with the panel hidden.
            if (Alive(mBattleScreen.mGoButton)) mBattleScreen.mGoButton->Show(true);
            GoButtonChanged(true);
            mTCPIPPhase = 6;
            mTurnClockStart = static_cast<int32_t>(NetworkClock() - kReplayAllowance);
            mClockWasRunning = false;
            NoteExchangeDigest();
        }
        return;
    }
    if (!mComputesTurn) {
        mTCPIPPhase = 15;
        ExchangeAutoSave();
        return;
    }
    mTCPIPPhase = 14;
    DoCommand(9);
    mTCPIPPhase = 16;
    BeginTCPIPFileSend(false);
    uint8_t length[5] = {8};
    const auto total = static_cast<uint32_t>(mBytesToSend);
    length[1] = static_cast<uint8_t>(total >> 24);
    length[2] = static_cast<uint8_t>(total >> 16);
    length[3] = static_cast<uint8_t>(total >> 8);
    length[4] = static_cast<uint8_t>(total);
    ForceSendRecord(length, 5, 0);
    MakeTransferPanel(mBytesToSend);
}

void MVApplication::MakeTransferPanel(int32_t total) {
    DeleteTransferPanel();
    mBytesCounted = 0;
    if (!gKernel) return;
    int16_t colour = 0;
    mTransferBox = MakeConfirmationBox(nullptr, &colour, false);
    mTransferPanel = new UpDownloadPanel;
    mTransferPanel->IUpDownloadPanel(mTransferBox, colour, total);
}

void MVApplication::DeleteTransferPanel() {
    // The panel is a child of its box and goes with it.
    DeleteView(mTransferBox);
    mTransferBox = nullptr;
    mTransferPanel = nullptr;
}

void MVApplication::LoadNewTCPIPTextures() {
    mNewTCPIPTextures = false;
    const int32_t phase = mTCPIPPhase;
    mTCPIPPhase = 22;
    if (gKernel) {
        if (gBattle && gBattle->mMap) gBattle->mMap->Refresh();
        gKernel->UpdateScreen();
    }
    // Every texture of the battle is made again with the enemy's units in
    // it; when they cannot be made the program quits, as at the battle's start.
    if (gBattle && gKernel) {
        gBattle->DeleteTextures();
        gBattle->MakeBattleTextures(true);
    }
    mTCPIPPhase = phase;
    if (gBattle) {
        gBattle->mPendingGraphics[0] = 0;
        gBattle->mPendingGraphics[1] = 0;
    }
}

void MVApplication::TCPIPReplayEnded() {
    if (!gBattle) return;
    if (gBattle->Over()) {
        // The battle's last exchange: both result screens must come from
        // the same battle.
        NoteExchangeDigest();
        return;
    }
    if (mTCPIPPhase < 19 || mTCPIPPhase > 21) return;
    // Both machines hold the turn as computed: the peer's orders (merged
    // below when they came during the replay) are not yet part of it.
    NoteExchangeDigest();
    // The host draws the seed of the next turn; its orders file carries it.
    if (mIsHost) {
        const auto high = static_cast<uint32_t>(Random());
        const auto low = static_cast<uint32_t>(Random());
        mRandomSeed = static_cast<uint16_t>(((high << 16) | low) % 65535u);
    }
    switch (mTCPIPPhase) {
    case 19:
        mTCPIPPhase = 6;
        break;
    case 20:
        mTCPIPPhase = 10;
        break;
    case 21:
        if (!MergeTCPIPFile(false, false)) {
            // The peer's orders, whole but refused: the replay's end stands,
            // and both players are told.
            mTCPIPPhase = 10;
            GiveUpFile(7, true);
            return;
        }
        mTCPIPPhase = 12;
        if (mNewTCPIPTextures) LoadNewTCPIPTextures();
        break;
    default:
        return;
    }
    if (mTurnTimeLimit > 0) {
        const auto latest = static_cast<int32_t>(NetworkClock() - kReplayAllowance);
        mTurnClockStart = std::min(mTurnClockStart, latest);
        mClockWasRunning = false;
    }
}
