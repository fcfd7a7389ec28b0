// A TCP/IP turn file merged into the running battle: the peer's units
// overwrite their running twins in place, the local player's stand, new ones
// join, a damaged file changes nothing, the results bring their packets, and
// no screen pointer is left on a unit that went. Then the hand-over to the
// action phase and the transfer panel.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "app/MVApplication.h"
#include "app/UpDownloadPanel.h"
#include "app_fixture.h"
#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "battle/UnitList.h"
#include "engine/GEncoder.h"
#include "engine/GFile.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/Hack.h"
#include "units/Infantry.h"

namespace {

using Bytes = std::vector<uint8_t>;

class MergeApp : public MVApplication {
public:
    uint32_t NetworkClock() override { return now; }
    int32_t SendRecord(const uint8_t* data, uint32_t length) override {
        sent.emplace_back(data, data + length);
        return 0;
    }
    int32_t ForceSendRecord(const uint8_t* data, uint32_t length, int32_t) override {
        forced.emplace_back(data, data + length);
        return 0;
    }
    int32_t CPUSpeed() override { return speed; }
    void AutoSave(bool) override { autoSaves.push_back(mAutoSaveReloading); }
    ~MergeApp() override {
        delete mOutgoingTurnFile;
        delete mIncomingTurnFile;
        mOutgoingTurnFile = mIncomingTurnFile = nullptr;
    }
    uint32_t now = 500000;
    int32_t speed = 100;
    std::vector<Bytes> sent, forced;
    std::vector<bool> autoSaves;
};

Battle* LoadScenario(BattleHost* host) {
    GFile file;
    if (!file.IFile("Szenarien/hecken.mvg", kFileModeCompressedRead)) return nullptr;
    GameFileState state;
    GameFileContents contents;
    if (ReadGameFile(&file, &state, &contents, {.takeSeed = true, .host = host}) != kGameFileLoaded)
        return nullptr;
    delete contents.campaign;
    return contents.battle;
}

Bytes BattleBytes(Battle* battle) {
    Battle* previous = gBattle;
    gBattle = battle;
    GFile file;
    EXPECT_TRUE(file.ITempFile(false));
    battle->Write(&file);
    gBattle = previous;
    file.Rewind();
    Bytes bytes(static_cast<size_t>(file.GetFileLength()));
    if (!bytes.empty()) file.ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    return bytes;
}

Infantry* SplittableSquad(Battle* battle, Affiliation side) {
    for (int32_t i = 0; i < battle->mUnits->GetCount(); ++i) {
        Unit* u = battle->mUnits->GetUnit(i);
        if (u->GetAffiliation() == side && u->mUnitType == kUnitInfantry &&
            static_cast<Infantry*>(u)->CanSplit())
            return static_cast<Infantry*>(u);
    }
    return nullptr;
}

Bytes UnitBytes(Battle* battle) {
    Battle* previous = gBattle;
    gBattle = battle;
    GFile file;
    EXPECT_TRUE(file.ITempFile(false));
    battle->mUnits->WriteUnits(&file);
    gBattle = previous;
    file.Rewind();
    Bytes bytes(static_cast<size_t>(file.GetFileLength()));
    if (!bytes.empty()) file.ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    return bytes;
}

// The compressed turn file as it travels: the body, then the packets or 0,
// then the tail (what units carry between turns).
Bytes TurnFile(Battle* battle, bool packets, const Bytes& tail = {}) {
    Battle* previous = gBattle;
    gBattle = battle;
    GFile file;
    EXPECT_TRUE(file.ITempFile(true));
    battle->WritePartialTCP(&file);
    file.WriteChar(packets ? 1 : 0);
    if (packets) battle->WriteActionPackets(&file);
    if (!tail.empty()) file.WriteBytes(tail.data(), static_cast<int32_t>(tail.size()));
    file.FlushCompressedAndRewindAsPlainRead();
    Bytes bytes(static_cast<size_t>(file.GetFileLength()));
    if (!bytes.empty()) file.ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    gBattle = previous;
    return bytes;
}

class MergeTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(DecryptData());
        for (MergeApp* app : {&mPeer, &mLocal}) {
            app->mConnectionType = 2;
            app->mPlayers = 2;
        }
        mLocal.mSide = 0;
        mLocal.mIsHost = true;
        mPeer.mSide = 1;
        mPeer.mIsHost = false;
        mRunning.reset(LoadScenario(&mLocal));
        mOther.reset(LoadScenario(&mPeer));
        ASSERT_TRUE(mRunning && mOther);
        ASSERT_EQ(mRunning->mUnits->GetCount(), mOther->mUnits->GetCount());
        gBattle = mRunning.get();
    }
    void TearDown() override {
        if (gBattle == mRunning.get() || gBattle == mOther.get()) gBattle = nullptr;
    }
    // The first unit of the running battle of that side, and its twin.
    int32_t FirstOf(Affiliation side, UnitType kind) {
        for (int32_t i = 0; i < mRunning->mUnits->GetCount(); ++i) {
            Unit* u = mRunning->mUnits->GetUnit(i);
            if (u->GetAffiliation() == side && u->mUnitType == kind) return i;
        }
        return -1;
    }
    void Receive(const Bytes& bytes) {
        mLocal.WriteIncomingBytesToDisk(bytes.data(), static_cast<uint32_t>(bytes.size()));
    }

    ProgramFolder mFolder; // outlives the applications, which write their preferences there
    MergeApp mPeer;
    MergeApp mLocal; // made last: the application while the test runs
    std::unique_ptr<Battle> mRunning, mOther;
};

} // namespace

TEST_F(MergeTest, PeersFirstOrdersOverwriteItsUnitsInPlaceAndLeaveOurs) {
    const int32_t theirs = FirstOf(1, kUnitInfantry);
    const int32_t ours = FirstOf(0, kUnitInfantry);
    ASSERT_GE(theirs, 0);
    ASSERT_GE(ours, 0);
    Unit* runningTheirs = mRunning->mUnits->GetUnit(theirs);
    Unit* runningOurs = mRunning->mUnits->GetUnit(ours);
    const float ourX = runningOurs->mX;
    mOther->mUnits->GetUnit(theirs)->mX += 7.0f;
    mOther->mUnits->GetUnit(theirs)->mFatigue = 3.0f;
    mOther->mUnits->GetUnit(ours)->mX += 11.0f;
    mRunning->SetSelectedUnit(runningOurs);
    mRunning->mMap->mLockedUnit = runningOurs;
    mRunning->mMap->mTrackedUnit = runningTheirs;
    const int32_t count = mRunning->mUnits->GetCount();

    Receive(TurnFile(mOther.get(), false));
    mLocal.MergeTCPIPFile(false, false);

    EXPECT_EQ(mLocal.mIncomingTurnFile, nullptr);
    ASSERT_EQ(mRunning->mUnits->GetCount(), count);
    // The same objects: the selection and the camera lock stay valid.
    EXPECT_EQ(mRunning->mUnits->GetUnit(theirs), runningTheirs);
    EXPECT_FLOAT_EQ(runningTheirs->mX, mOther->mUnits->GetUnit(theirs)->mX);
    EXPECT_FLOAT_EQ(runningTheirs->mFatigue, 3.0f);
    EXPECT_FLOAT_EQ(runningOurs->mX, ourX);
    EXPECT_EQ(mRunning->mSelectedUnit, runningOurs);
    EXPECT_EQ(mRunning->mMap->mLockedUnit, runningOurs);
    EXPECT_EQ(mRunning->mMap->mTrackedUnit, runningTheirs);
    // Both machines have the same CPU speed: the host computes.
    EXPECT_TRUE(mLocal.mComputesTurn);
}

TEST_F(MergeTest, FileForBothSidesTakesEveryUnitAndTheFastMachineComputes) {
    const int32_t ours = FirstOf(0, kUnitInfantry);
    Unit* runningOurs = mRunning->mUnits->GetUnit(ours);
    Unit* otherOurs = mOther->mUnits->GetUnit(ours);
    otherOurs->mX += 11.0f;
    mOther->mSurrenderState[0] = 1;
    mOther->mSurrenderState[1] = 1;
    mLocal.speed = 50; // the peer is faster
    Receive(TurnFile(mOther.get(), false));
    mLocal.MergeTCPIPFile(true, false);
    EXPECT_FLOAT_EQ(runningOurs->mX, otherOurs->mX);
    EXPECT_EQ(mRunning->mSurrenderState[0], 1);
    EXPECT_EQ(mRunning->mSurrenderState[1], 1);
    EXPECT_FALSE(mLocal.mComputesTurn);
    // Sorted by packed unit ID.
    for (int32_t i = 1; i < mRunning->mUnits->GetCount(); ++i)
        EXPECT_LE(mRunning->mUnits->GetUnit(i - 1)->mPackedID, mRunning->mUnits->GetUnit(i)->mPackedID);
    // Links point into the running battle.
    for (int32_t i = 0; i < mRunning->mUnits->GetCount(); ++i) {
        Unit* u = mRunning->mUnits->GetUnit(i);
        EXPECT_FALSE(u->mLinksRolledUp);
        for (Unit* link : {u->mHQ, u->mPlatoonHQ, u->mTarget}) {
            if (link) {
                EXPECT_GE(mRunning->mUnits->IndexOf(link), 0);
            }
        }
    }
}

TEST_F(MergeTest, DamagedOrCutFileChangesNothing) {
    const int32_t theirs = FirstOf(1, kUnitInfantry);
    mOther->mUnits->GetUnit(theirs)->mX += 7.0f;
    const Bytes before = BattleBytes(mRunning.get());
    Bytes file = TurnFile(mOther.get(), false);
    for (Bytes damaged : {Bytes(file.begin(), file.begin() + static_cast<long>(file.size() / 2)),
                          Bytes{1, 2, 3, 4, 5, 6, 7, 8}}) {
        Receive(damaged);
        mLocal.MergeTCPIPFile(false, false);
        EXPECT_EQ(mLocal.mIncomingTurnFile, nullptr);
        EXPECT_EQ(BattleBytes(mRunning.get()), before);
    }
    // A file naming one of the peer's units twice (a second unit of its
    // side and place in the list) is damaged too.
    Unit* twin = mOther->mUnits->GetUnit(theirs + 1);
    ASSERT_EQ(twin->GetAffiliation(), 1);
    twin->mIndex = mOther->mUnits->GetUnit(theirs)->mIndex;
    Receive(TurnFile(mOther.get(), false));
    EXPECT_FALSE(mLocal.MergeTCPIPFile(false, false));
    EXPECT_EQ(BattleBytes(mRunning.get()), before);
    // Without a file nothing happens at all.
    mLocal.MergeTCPIPFile(true, false);
    EXPECT_EQ(BattleBytes(mRunning.get()), before);
}

// The part behind the body with what units carry between turns: a damaged
// one (a unit the file does not have, a flag this build does not know, cut
// short) refuses the whole file; a whole one merges.
TEST_F(MergeTest, ADamagedCarriedPartRefusesTheWholeFile) {
    const int32_t theirs = FirstOf(1, kUnitInfantry);
    mOther->mUnits->GetUnit(theirs)->mX += 7.0f;
    const Bytes before = BattleBytes(mRunning.get());
    const auto id = static_cast<uint8_t>(theirs + 1); // the unit's place in the file
    for (const Bytes& damaged : {Bytes{2, 0, 1, 0x7f, 0, 1, 0, 0, 0, 0, 0},
                                 Bytes{2, 0, 1, 0, id, 16, 0, 0, 0, 0, 0}, Bytes{2, 0, 1, 0, id, 1, 0}}) {
        Receive(TurnFile(mOther.get(), false, damaged));
        EXPECT_FALSE(mLocal.MergeTCPIPFile(false, false));
        EXPECT_EQ(BattleBytes(mRunning.get()), before);
    }
    Receive(TurnFile(mOther.get(), false, Bytes{2, 0, 1, 0, id, 1, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(mLocal.MergeTCPIPFile(false, false));
    EXPECT_NE(BattleBytes(mRunning.get()), before);
}

TEST_F(MergeTest, AResultsFileRefusedForItsPacketsLeavesTheExchangeAsItWas) {
    // A whole body, then packets that do not read: the body's values (seed,
    // computing side, the peer's password) must not stay set.
    Battle* previous = gBattle;
    gBattle = mOther.get();
    GFile file;
    ASSERT_TRUE(file.ITempFile(true));
    mOther->WritePartialTCP(&file);
    file.WriteChar(1);
    file.WriteLong(0x7FFFFFFF);
    file.WriteLong(-5);
    file.FlushCompressedAndRewindAsPlainRead();
    Bytes bytes(static_cast<size_t>(file.GetFileLength()));
    file.ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    gBattle = previous;

    mLocal.mIsHost = false;
    mLocal.speed = 50; // the peer is faster: the body would hand it the turn
    mLocal.mComputesTurn = true;
    mLocal.mRandomSeed = 4321;
    mLocal.mPasswordHash[1].IStringText("alt");
    const Bytes before = BattleBytes(mRunning.get());
    Receive(bytes);
    EXPECT_FALSE(mLocal.MergeTCPIPFile(true, false));
    EXPECT_TRUE(mLocal.mComputesTurn);
    EXPECT_EQ(mLocal.mRandomSeed, 4321);
    EXPECT_STREQ(mLocal.mPasswordHash[1].GetCString(), "alt");
    EXPECT_EQ(BattleBytes(mRunning.get()), before);
}

// A results file and an orders file that arrive whole (length and check
// value right) but whose packets the merge refuses: the turn clock, the
// seed, the computing side, the passwords and the battle stay as they were,
// and both players are told. The results' phase stays (the game ends); the
// orders take the exchange back to its start.
TEST_F(MergeTest, AWholeFileTheMergeRefusesChangesNoProgramValue) {
    Battle* previous = gBattle;
    gBattle = mOther.get();
    GFile file;
    ASSERT_TRUE(file.ITempFile(true));
    mOther->WritePartialTCP(&file);
    file.WriteChar(1);
    file.WriteLong(0x7FFFFFFF);
    file.WriteLong(-5);
    file.FlushCompressedAndRewindAsPlainRead();
    Bytes bytes(static_cast<size_t>(file.GetFileLength()));
    file.ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    gBattle = previous;

    for (const uint8_t marker : {uint8_t{10}, uint8_t{7}}) {
        SCOPED_TRACE(marker == 10 ? "results" : "orders");
        const int32_t phase = marker == 10 ? 18 : 10;
        mLocal.mTCPIPPhase = phase;
        mLocal.mIsHost = false;
        mLocal.speed = 50;
        mLocal.mComputesTurn = true;
        mLocal.mRandomSeed = 4321;
        mLocal.mTurnClockStart = 98765;
        mLocal.mPasswordHash[1].IStringText("alt");
        mLocal.mNetworkReport = -1;
        mLocal.mPeerDiedMessageOff = false;
        mLocal.forced.clear();
        const Bytes before = BattleBytes(mRunning.get());
        const uint8_t chunkType = static_cast<uint8_t>(marker - 1);
        uint32_t index = 0;
        for (size_t at = 0; at < bytes.size(); at += 8191, ++index) {
            const size_t n = std::min<size_t>(8191, bytes.size() - at);
            Bytes chunk{chunkType, uint8_t(index >> 24), uint8_t(index >> 16), uint8_t(index >> 8), uint8_t(index)};
            chunk.insert(chunk.end(), bytes.begin() + static_cast<long>(at), bytes.begin() + static_cast<long>(at + n));
            mLocal.ReceivePacket(chunk.data(), static_cast<uint32_t>(chunk.size()));
        }
        const uint32_t n = static_cast<uint32_t>(bytes.size());
        const uint32_t crc = ComputeCRC32(bytes.data(), bytes.size());
        const Bytes end{marker,           uint8_t(n >> 24),   uint8_t(n >> 16),  uint8_t(n >> 8), uint8_t(n),
                        uint8_t(crc >> 24), uint8_t(crc >> 16), uint8_t(crc >> 8), uint8_t(crc)};
        mLocal.ReceivePacket(end.data(), static_cast<uint32_t>(end.size()));
        // The results end the game; the orders take both machines back to
        // the exchange's start.
        EXPECT_EQ(mLocal.mTCPIPPhase, marker == 10 ? phase : 6);
        EXPECT_EQ(mLocal.mTurnClockStart, 98765);
        EXPECT_TRUE(mLocal.mComputesTurn);
        EXPECT_EQ(mLocal.mRandomSeed, 4321);
        EXPECT_STREQ(mLocal.mPasswordHash[1].GetCString(), "alt");
        EXPECT_EQ(mLocal.mIncomingTurnFile, nullptr);
        EXPECT_EQ(BattleBytes(mRunning.get()), before);
        EXPECT_EQ(mLocal.mNetworkReport, marker == 10 ? kConfirmFileNotHad : kConfirmExchangeAgain);
        ASSERT_FALSE(mLocal.forced.empty());
        // The peer learns that the file came whole but did not read.
        EXPECT_EQ(mLocal.forced.back(), (Bytes{22, uint8_t(marker | 0x80)}));
    }
}

TEST_F(MergeTest, NewUnitsJoinAndResultsBringPacketsNamingRunningUnits) {
    // The peer split one of its squads: the new half joins the running battle.
    Battle* previous = gBattle;
    gBattle = mOther.get();
    Infantry* squad = SplittableSquad(mOther.get(), 1);
    if (!squad) GTEST_SKIP() << "no squad that can split";
    Infantry* half = squad->Split();
    ASSERT_NE(half, nullptr);
    mOther->MergeNewUnits();
    ActionPacket* sound = mOther->CreateActionPacket(0);
    sound->mType = kPacketSound;
    sound->mSource = half;
    sound->mSoundNumber = 12;
    sound->mTimeSlice = 40;
    gBattle = previous;
    const int32_t count = mRunning->mUnits->GetCount();
    Receive(TurnFile(mOther.get(), true));
    mLocal.MergeTCPIPFile(true, false);
    ASSERT_EQ(mRunning->mUnits->GetCount(), count + 1);
    ASSERT_EQ(mRunning->mPackets.GetCount(), 1);
    auto* got = static_cast<ActionPacket*>(mRunning->mPackets.GetObjectA(0));
    EXPECT_EQ(got->mSoundNumber, 12);
    ASSERT_NE(got->mSource, nullptr);
    EXPECT_GE(mRunning->mUnits->IndexOf(got->mSource), 0);
    EXPECT_EQ(got->mSource->UniqueID(), half->UniqueID());
    EXPECT_EQ(got->mSource->mSibling, mRunning->GetUnitFromUniqueID(squad->UniqueID()));
    // The running list follows the file's order.
    for (int32_t i = 0; i < mRunning->mUnits->GetCount(); ++i)
        EXPECT_EQ(mRunning->mUnits->GetUnit(i)->UniqueID(), mOther->mUnits->GetUnit(i)->UniqueID());
}

TEST_F(MergeTest, SecondHalfWhoseSplitThePeerUndidGoesWithEveryPointerToIt) {
    // The running battle split one of the peer's squads in the set-up; the
    // peer's file has the squad whole.
    Infantry* squad = SplittableSquad(mRunning.get(), 1);
    if (!squad) GTEST_SKIP() << "no squad that can split";
    Infantry* half = squad->Split();
    ASSERT_NE(half, nullptr);
    mRunning->MergeNewUnits();
    ASSERT_GE(mRunning->mUnits->IndexOf(half), 0);
    ASSERT_TRUE(half->UniqueID() & 0x80000u);
    mRunning->mSelectedUnit = half;
    mRunning->mMap->mLockedUnit = half;
    mRunning->mMap->mTrackedUnit = half;
    const int32_t count = mRunning->mUnits->GetCount();

    Receive(TurnFile(mOther.get(), false));
    mLocal.MergeTCPIPFile(false, false);

    EXPECT_EQ(mRunning->mUnits->GetCount(), count - 1);
    EXPECT_EQ(mRunning->mSelectedUnit, nullptr);
    EXPECT_EQ(mRunning->mMap->mLockedUnit, nullptr);
    EXPECT_EQ(mRunning->mMap->mTrackedUnit, nullptr);
    EXPECT_EQ(squad->mSibling, nullptr);
    for (int32_t i = 0; i < mRunning->mUnits->GetCount(); ++i)
        EXPECT_NE(mRunning->mUnits->GetUnit(i)->mSibling, static_cast<Unit*>(half));
}

// ---- The hand-over to the action phase ----------------------------------------

TEST_F(MergeTest, BothSetUpFilesMergedEndTheSetUpOnBothMachinesAlike) {
    ASSERT_TRUE(mRunning->mSetupPhase);
    mLocal.mTCPIPPhase = 13;
    mLocal.mTurnTimeLimit = 60000;
    mLocal.CommunicateAction();
    EXPECT_FALSE(mRunning->mSetupPhase);
    EXPECT_EQ(mLocal.mTCPIPPhase, 6);
    // The plain limit remains.
    EXPECT_EQ(mLocal.TCPIPTimeRemaining(), 60u);
    EXPECT_FALSE(mLocal.mClockWasRunning);
}

TEST_F(MergeTest, ComputingSideSendsTheResultsWithTheirLengthAndTheOtherWaits) {
    mRunning->mSetupPhase = false;
    // State a unit's record does not keep travels behind the records.
    Unit* freed = mRunning->mUnits->GetUnit(FirstOf(1, kUnitInfantry));
    freed->mFreed = true;
    mLocal.mComputesTurn = false;
    mLocal.CommunicateAction();
    EXPECT_EQ(mLocal.mTCPIPPhase, 15);
    ASSERT_EQ(mLocal.autoSaves.size(), 1u);
    EXPECT_TRUE(mLocal.autoSaves[0]); // the save records the reload state
    EXPECT_FALSE(mLocal.mAutoSaveReloading);

    mLocal.mComputesTurn = true;
    mLocal.CommunicateAction();
    EXPECT_EQ(mLocal.mTCPIPPhase, 16);
    ASSERT_NE(mLocal.mOutgoingTurnFile, nullptr);
    ASSERT_FALSE(mLocal.forced.empty());
    const Bytes& length = mLocal.forced.back();
    ASSERT_EQ(length.size(), 5u);
    EXPECT_EQ(length[0], 8);
    const uint32_t total = (uint32_t{length[1]} << 24) | (uint32_t{length[2]} << 16) |
                           (uint32_t{length[3]} << 8) | uint32_t{length[4]};
    EXPECT_EQ(total, static_cast<uint32_t>(mLocal.mBytesToSend));
    // The results wait, paused, until the peer has them.
    EXPECT_EQ(mRunning->mPlayState, 13);

    // The peer receives them through the packets and plays them back.
    mPeer.mTCPIPPhase = 15;
    gBattle = mOther.get();
    mOther->mSetupPhase = false;
    mLocal.SendTCPIPFile();
    for (const Bytes& record : mLocal.sent)
        mPeer.ReceivePacket(record.data(), static_cast<uint32_t>(record.size()));
    EXPECT_EQ(mPeer.mTCPIPPhase, 19);
    ASSERT_FALSE(mPeer.forced.empty());
    EXPECT_EQ(mPeer.forced.back(), Bytes{13});
    EXPECT_EQ(mOther->mPackets.GetCount(), mRunning->mPackets.GetCount());
    EXPECT_EQ(UnitBytes(mOther.get()), UnitBytes(mRunning.get()));
    EXPECT_TRUE(mOther->GetUnitFromUniqueID(freed->UniqueID())->mFreed);
}

TEST_F(MergeTest, ReplayEndStepsAndTheClockPulledBack) {
    mLocal.mTurnTimeLimit = 60000;
    struct Case {
        int32_t from, to;
    };
    for (Case c : {Case{19, 6}, Case{20, 10}, Case{21, 12}, Case{7, 7}}) {
        mLocal.mTCPIPPhase = c.from;
        mLocal.mTurnClockStart = static_cast<int32_t>(mLocal.now - 1000);
        mLocal.mClockWasRunning = true;
        // The peer's orders came during the replay: merged at its end.
        if (c.from == 21) Receive(TurnFile(mOther.get(), false));
        mLocal.TCPIPReplayEnded();
        EXPECT_EQ(mLocal.mTCPIPPhase, c.to) << c.from;
        EXPECT_EQ(mLocal.mNetworkReport, -1) << c.from;
        if (c.from != 7) {
            EXPECT_EQ(mLocal.TCPIPTimeRemaining(), 60u) << c.from;
            EXPECT_FALSE(mLocal.mClockWasRunning);
        }
    }
}

TEST(TransferPanel, FillsByTheCountAndTreatsNoTotalAsOne) {
    UpDownloadPanel panel;
    panel.IUpDownloadPanel(nullptr, 0, 0);
    EXPECT_EQ(panel.GetTotal(), 1);
    EXPECT_EQ(panel.GetWidth(), 350);
    const int32_t inside = 350 - 42;
    EXPECT_EQ(panel.FilledWidth(0), 0);
    EXPECT_EQ(panel.FilledWidth(5), inside); // beyond the total: a full bar
    UpDownloadPanel half;
    half.IUpDownloadPanel(nullptr, 0, 1000);
    EXPECT_EQ(half.FilledWidth(500), inside / 2);
    EXPECT_EQ(half.FilledWidth(-3), 0);
}
