// Two players: the hotseat and e-mail hand-over, the TCP/IP packets by
// transfer phase, the chunked sending and receiving of turn files, the turn
// clock, the pause agreement and the radio lines.

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "app/GRadioInputView.h"
#include "app/MapView.h"
#include "app_fixture.h"
#include "scenarios/OperationFixture.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "engine/GEncoder.h"
#include "engine/GOLTAFont.h"
#include "map/Map.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The application with the network layer and the clock replaced.
class NetApp : public MVApplication {
public:
    uint32_t NetworkClock() override { return now; }
    int32_t SendRecord(const uint8_t* data, uint32_t length) override {
        if (refuse > 0) {
            --refuse;
            offered.emplace_back(data, data + length);
            return 1;
        }
        offered.emplace_back(data, data + length);
        sent.emplace_back(data, data + length);
        return 0;
    }
    int32_t ForceSendRecord(const uint8_t* data, uint32_t length, int32_t) override {
        forced.emplace_back(data, data + length);
        forcedInPhase.push_back(mTCPIPPhase);
        return 0;
    }
    void Packet(const Bytes& bytes) { ReceivePacket(bytes.data(), static_cast<uint32_t>(bytes.size())); }
    void GiveOutgoing(const Bytes& bytes) {
        auto* file = new GFile;
        ASSERT_TRUE(file->ITempFile(false));
        if (!bytes.empty()) file->WriteBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
        file->Rewind();
        mOutgoingTurnFile = file;
        mBytesToSend = static_cast<int32_t>(bytes.size());
        mPendingChunk = 0;
        mOutgoingIndex = 0;
        mOutgoingLength = static_cast<uint32_t>(bytes.size());
        mOutgoingCRC = ComputeCRC32(bytes.data(), bytes.size());
    }
    Bytes Incoming() {
        Bytes bytes;
        if (!mIncomingTurnFile) return bytes;
        mIncomingTurnFile->Rewind();
        bytes.resize(static_cast<size_t>(mIncomingTurnFile->GetFileLength()));
        if (!bytes.empty()) mIncomingTurnFile->ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
        return bytes;
    }
    ~NetApp() override {
        delete mOutgoingTurnFile;
        delete mIncomingTurnFile;
        mOutgoingTurnFile = mIncomingTurnFile = nullptr;
    }

    uint32_t now = 1000000;
    int refuse = 0;
    std::vector<Bytes> offered, sent, forced;
    std::vector<int32_t> forcedInPhase; // the phase each forced record left in
};

Bytes Pattern(size_t n) {
    Bytes bytes(n);
    for (size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
    return bytes;
}

// A chunk of a turn file as the sender frames it: type, index, data.
Bytes Chunk(uint8_t type, uint32_t index, const Bytes& data) {
    Bytes bytes{type, uint8_t(index >> 24), uint8_t(index >> 16), uint8_t(index >> 8), uint8_t(index)};
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

// The end marker of a whole file: type, its length and CRC-32.
Bytes Marker(uint8_t type, const Bytes& file) {
    const uint32_t n = static_cast<uint32_t>(file.size());
    const uint32_t crc = ComputeCRC32(file.data(), file.size());
    return Bytes{type,          uint8_t(n >> 24),   uint8_t(n >> 16),  uint8_t(n >> 8), uint8_t(n),
                 uint8_t(crc >> 24), uint8_t(crc >> 16), uint8_t(crc >> 8), uint8_t(crc)};
}

class TwoPlayersTest : public testing::Test {
protected:
    void SetUp() override { mApp.mConnectionType = 2; }
    ProgramFolder mFolder; // outlives the application, which writes its preferences there
    NetApp mApp;
};

} // namespace

// ---- Chunks of a turn file ------------------------------------------------------

TEST_F(TwoPlayersTest, ChunksAreAtMost8191BytesAndEndWithTheMarker) {
    struct Case {
        size_t length;
        std::vector<size_t> chunks;
    };
    for (const Case& c :
         {Case{8191, {8191}}, Case{8192, {8191, 1}}, Case{0, {}}, Case{20000, {8191, 8191, 3618}}}) {
        NetApp app;
        app.mConnectionType = 2;
        app.mTCPIPPhase = 7;
        Bytes file = Pattern(c.length);
        app.GiveOutgoing(file);
        app.SendTCPIPFile();
        ASSERT_EQ(app.sent.size(), c.chunks.size() + 1) << c.length;
        Bytes joined;
        for (size_t i = 0; i < c.chunks.size(); ++i) {
            EXPECT_EQ(app.sent[i][0], 6);
            EXPECT_EQ(app.sent[i].size(), c.chunks[i] + 5);
            EXPECT_EQ(Bytes(app.sent[i].begin(), app.sent[i].begin() + 5), Chunk(6, uint32_t(i), {}));
            joined.insert(joined.end(), app.sent[i].begin() + 5, app.sent[i].end());
        }
        EXPECT_EQ(joined, file);
        EXPECT_EQ(app.sent.back(), Marker(7, file));
        EXPECT_EQ(app.mOutgoingTurnFile, nullptr);
    }
}

TEST_F(TwoPlayersTest, RefusedChunkAndMarkerAreOfferedAgainUnchanged) {
    mApp.mTCPIPPhase = 16; // results: types 9 and 10
    Bytes file = Pattern(9000);
    mApp.GiveOutgoing(file);
    mApp.refuse = 1;
    mApp.SendTCPIPFile();
    EXPECT_TRUE(mApp.sent.empty());
    mApp.refuse = 0;
    mApp.SendTCPIPFile();
    ASSERT_EQ(mApp.sent.size(), 3u);
    EXPECT_EQ(mApp.offered[0], mApp.sent[0]);
    EXPECT_EQ(mApp.sent[0][0], 9);
    EXPECT_EQ(mApp.sent[2], Marker(10, file));

    // A refused end marker keeps the file until it is accepted.
    NetApp app;
    app.mConnectionType = 2;
    app.mTCPIPPhase = 3;
    app.GiveOutgoing(Pattern(10));
    app.refuse = 0;
    app.SendTCPIPFile();
    ASSERT_EQ(app.sent.size(), 2u);
    EXPECT_EQ(app.sent[0][0], 4);
    EXPECT_EQ(app.sent[1], Marker(5, Pattern(10)));

    NetApp late;
    late.mConnectionType = 2;
    late.mTCPIPPhase = 7;
    late.GiveOutgoing(Pattern(10));
    late.SendTCPIPFile();
    late.sent.clear();
    EXPECT_EQ(late.mOutgoingTurnFile, nullptr);
}

// The window without the focus gets only the loop's message-less wake-ups:
// its turn file still goes out and its phase still moves on.
TEST_F(TwoPlayersTest, AProgramInTheBackgroundStillSendsItsTurnFile) {
    mApp.mTCPIPPhase = 16;
    const Bytes file = Pattern(9000);
    mApp.GiveOutgoing(file);
    mApp.DoBackgroundWork();
    ASSERT_EQ(mApp.sent.size(), 3u);
    EXPECT_EQ(mApp.sent[2], Marker(10, file));
    EXPECT_EQ(mApp.mTCPIPPhase, 17);

    // Not in a TCP/IP game: nothing is sent.
    NetApp alone;
    alone.mConnectionType = 0;
    alone.mTCPIPPhase = 7;
    alone.GiveOutgoing(Pattern(10));
    alone.DoBackgroundWork();
    EXPECT_TRUE(alone.sent.empty());
    EXPECT_EQ(alone.mTCPIPPhase, 7);
}

TEST_F(TwoPlayersTest, ReceivedChunksRebuildTheFileAndAZeroLengthWriteMakesNone) {
    mApp.WriteIncomingBytesToDisk(nullptr, 0);
    EXPECT_EQ(mApp.mIncomingTurnFile, nullptr);

    NetApp sender;
    sender.mConnectionType = 2;
    sender.mTCPIPPhase = 7;
    Bytes file = Pattern(17000);
    sender.GiveOutgoing(file);
    sender.SendTCPIPFile();

    // The peer is replaying: its orders are kept for the end of the replay.
    mApp.mTCPIPPhase = 19;
    for (const Bytes& record : sender.sent)
        mApp.Packet(record);
    EXPECT_EQ(mApp.mTCPIPPhase, 21);
    EXPECT_EQ(mApp.Incoming(), file);
}

TEST_F(TwoPlayersTest, ATurnFileIsTakenOnlyWholeAndInOrder) {
    NetApp sender;
    sender.mConnectionType = 2;
    sender.mTCPIPPhase = 7;
    const Bytes file = Pattern(17000);
    sender.GiveOutgoing(file);
    sender.SendTCPIPFile();
    ASSERT_EQ(sender.sent.size(), 4u); // three chunks and the marker
    const std::vector<Bytes>& r = sender.sent;

    struct Case {
        const char* what;
        std::vector<Bytes> records;
        bool taken;
    };
    Bytes badCheck = r[3];
    badCheck[8] ^= 1;
    const Case cases[] = {
        {"as sent", {r[0], r[1], r[2], r[3]}, true},
        {"a chunk twice", {r[0], r[1], r[1], r[2], r[3]}, true},
        {"the marker twice", {r[0], r[1], r[2], r[3], r[3]}, true},
        {"chunks swapped", {r[0], r[2], r[1], r[3]}, false},
        {"cut short", {r[0], r[1], r[3]}, false},
        {"a wrong check value", {r[0], r[1], r[2], badCheck}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NetApp peer;
        peer.mConnectionType = 2;
        peer.mTCPIPPhase = 19; // replaying: the orders wait for its end
        for (const Bytes& record : c.records)
            peer.Packet(record);
        if (c.taken) {
            EXPECT_EQ(peer.mTCPIPPhase, 21);
            EXPECT_EQ(peer.Incoming(), file);
            EXPECT_TRUE(peer.forced.empty());
            continue;
        }
        // Nothing of it stays, the turn does not go on, and the file is
        // asked for again; the connection stays.
        EXPECT_EQ(peer.mIncomingTurnFile, nullptr);
        EXPECT_EQ(peer.mTCPIPPhase, 20);
        EXPECT_FALSE(peer.mPeerDiedMessageOff);
        ASSERT_EQ(peer.forced.size(), 1u);
        EXPECT_EQ(peer.forced[0], (Bytes{21, 7}));
        // A sending that brings its marker alone is refused too and asked
        // for again; a late chunk of a refused sending that comes while the
        // file is asked for is only dropped: the file sent whole right after
        // it is taken.
        peer.Packet(r[3]);
        ASSERT_EQ(peer.forced.size(), 2u);
        EXPECT_EQ(peer.forced[1], (Bytes{21, 7}));
        peer.Packet(r[2]);
        for (const Bytes& record : r)
            peer.Packet(record);
        EXPECT_EQ(peer.forced.size(), 2u);
        EXPECT_EQ(peer.mTCPIPPhase, 21);
        EXPECT_EQ(peer.Incoming(), file);
        EXPECT_EQ(peer.mNetworkReport, -1);
    }
}

TEST_F(TwoPlayersTest, AFileAskedForAgainGoesOutAsItWasSentAndIsGivenUpAfterThreeTries) {
    NetApp sender;
    sender.mConnectionType = 2;
    sender.mTCPIPPhase = 16; // results
    const Bytes file = Pattern(9000);
    sender.GiveOutgoing(file);
    sender.mOutgoingBytes = file;
    sender.SendTCPIPFile();
    ASSERT_EQ(sender.sent.size(), 3u);
    const std::vector<Bytes> first = sender.sent;
    sender.sent.clear();
    // Asked again, it goes out chunk by chunk in the idle pass, a refused
    // record offered again, until the end marker.
    sender.mTCPIPPhase = 17;
    sender.Packet({21, 10});
    sender.refuse = 1;
    sender.TCPIPIdleStep();
    sender.TCPIPIdleStep();
    EXPECT_EQ(sender.sent, first);
    EXPECT_EQ(sender.mTCPIPPhase, 17);
    // A file never sent cannot be had: the asker is told.
    sender.forced.clear();
    sender.Packet({21, 5});
    ASSERT_EQ(sender.forced.size(), 1u);
    EXPECT_EQ(sender.forced[0], (Bytes{22, 5}));
    EXPECT_EQ(sender.mNetworkReport, kConfirmFileNotHad);
    EXPECT_TRUE(sender.mPeerDiedMessageOff);

    // The receiver refuses a wrong check value three times: it asks twice,
    // then gives up, tells the peer and ends the connection.
    NetApp peer;
    peer.mConnectionType = 2;
    peer.mTCPIPPhase = 18;
    Bytes wrong = first[2];
    wrong[8] ^= 1;
    for (int attempt = 0; attempt < 3; ++attempt) {
        peer.Packet(first[0]);
        peer.Packet(first[1]);
        peer.Packet(wrong);
    }
    std::vector<Bytes> asks;
    for (const Bytes& record : peer.forced)
        if (record[0] == 21 || record[0] == 22) asks.push_back(record);
    EXPECT_EQ(asks, (std::vector<Bytes>{{21, 10}, {21, 10}, {22, 10}}));
    EXPECT_EQ(peer.mNetworkReport, kConfirmFileNotHad);
    EXPECT_TRUE(peer.mPeerDiedMessageOff);
    EXPECT_EQ(peer.mIncomingTurnFile, nullptr);
    EXPECT_EQ(peer.mTCPIPPhase, 18);
    // The peer's word that it gave up is told here the same way.
    NetApp other;
    other.mConnectionType = 2;
    other.Packet({22, 10});
    EXPECT_EQ(other.mNetworkReport, kConfirmFileNotHad);

    // A first orders file given up takes both machines back to the
    // exchange's start, the connection kept: the sender to its orders, the
    // receiver to its orders or its replay.
    for (const auto& phases : std::vector<std::array<int32_t, 2>>{{8, 6}, {7, 6}, {11, 6}, {20, 19}}) {
        NetApp back;
        back.mConnectionType = 2;
        back.mTCPIPPhase = phases[0];
        back.mAwaitedMarker = 7;
        back.Packet({22, 7});
        EXPECT_EQ(back.mTCPIPPhase, phases[1]) << phases[0];
        EXPECT_EQ(back.mNetworkReport, kConfirmExchangeAgain);
        EXPECT_FALSE(back.mPeerDiedMessageOff);
        EXPECT_EQ(back.mAwaitedMarker, 0);
    }
}

TEST_F(TwoPlayersTest, SecondOrdersGivenUpGoBackOnlyWhereNothingWasComputed) {
    // Made first: an application clears the battle pointer when it is made.
    NetApp receiver, sender, other, setUp;
    NetApp computed[3];
    for (NetApp* app : {&receiver, &sender, &other, &setUp, &computed[0], &computed[1], &computed[2]})
        app->mConnectionType = 2;
    gBattle = MakeTestBattle("Zweite").release();
    gBattle->mSetupPhase = false;
    // The receiver computes: it waits for the file again, the sender (which
    // only waits for the results) gives GO again.
    receiver.mComputesTurn = true;
    receiver.mTCPIPPhase = 9;
    const Bytes wrong = Marker(5, {1, 2, 3});
    for (int attempt = 0; attempt < 3; ++attempt) {
        receiver.Packet(Chunk(4, 0, {1, 2}));
        receiver.Packet(wrong);
    }
    EXPECT_EQ(receiver.forced.back(), (Bytes{22, 5}));
    EXPECT_EQ(receiver.mTCPIPPhase, 8);
    EXPECT_EQ(receiver.mNetworkReport, kConfirmExchangeAgain);
    EXPECT_FALSE(receiver.mPeerDiedMessageOff);
    sender.mTCPIPPhase = 15;
    sender.Packet({22, 5});
    EXPECT_EQ(sender.mTCPIPPhase, 12);
    EXPECT_EQ(sender.mNetworkReport, kConfirmExchangeAgain);
    // The sender computed (it sends or shows its results): the game ends on
    // both; so it does in the set-up, whose end cannot be taken back.
    const int32_t phases[3] = {16, 17, 19};
    for (int i = 0; i < 3; ++i) {
        computed[i].mTCPIPPhase = phases[i];
        computed[i].Packet({22, 5});
        EXPECT_EQ(computed[i].mNetworkReport, kConfirmFileNotHad) << phases[i];
        EXPECT_TRUE(computed[i].mPeerDiedMessageOff);
    }
    other.mComputesTurn = false;
    other.mTCPIPPhase = 9;
    other.mFileAttempts = 2;
    other.Packet(Chunk(4, 0, {1, 2}));
    other.Packet(wrong);
    EXPECT_EQ(other.mNetworkReport, kConfirmFileNotHad);
    gBattle->mSetupPhase = true;
    setUp.mComputesTurn = true;
    setUp.mTCPIPPhase = 9;
    setUp.mFileAttempts = 2;
    setUp.Packet(Chunk(4, 0, {1, 2}));
    setUp.Packet(wrong);
    EXPECT_EQ(setUp.mNetworkReport, kConfirmFileNotHad);
    delete gBattle;
    gBattle = nullptr;
}

// Results that cannot be had: the machine that waited for them computes the
// turn and tells the peer only then, so the peer's replay, and the next
// orders it sends at its end, come after this machine's replay has begun.
// Those orders are taken during the replay as usual.
TEST_F(TwoPlayersTest, ResultsGivenUpAreToldOnlyOnceComputedAndTheNextOrdersWaitForTheReplay) {
    NetApp waited, computer;
    for (NetApp* app : {&waited, &computer})
        app->mConnectionType = 2;
    gBattle = MakeTestBattle("Ergebnis").release();
    gBattle->mSetupPhase = false;
    waited.mSide = 1;
    waited.mComputesTurn = false;
    waited.mTCPIPPhase = 18;
    const Bytes wrong = Marker(10, {1, 2, 3});
    for (int attempt = 0; attempt < 3; ++attempt) {
        waited.Packet(Chunk(9, 0, {1, 2}));
        waited.Packet(wrong);
    }
    ASSERT_FALSE(waited.forced.empty());
    EXPECT_EQ(waited.forced.back(), (Bytes{22, 10}));
    EXPECT_EQ(waited.forcedInPhase.back(), 19) << "told before its own turn was computed";
    EXPECT_EQ(waited.mTCPIPPhase, 19);
    EXPECT_FALSE(waited.mComputesTurn);
    EXPECT_EQ(waited.mNetworkReport, kConfirmResultsComputedHere);
    EXPECT_FALSE(waited.mPeerDiedMessageOff);
    // The computing machine, still sending or waiting for the answer,
    // replays its own results.
    for (const int32_t phase : {16, 17}) {
        computer.mTCPIPPhase = phase;
        computer.mNetworkReport = -1;
        computer.Packet({22, 10});
        EXPECT_EQ(computer.mTCPIPPhase, 19) << phase;
        EXPECT_EQ(computer.mNetworkReport, kConfirmResultsComputedHere);
    }
    // Its next orders reach the waiting machine in its replay.
    const Bytes orders = {4, 5, 6};
    waited.Packet(Chunk(6, 0, orders));
    waited.Packet(Marker(7, orders));
    EXPECT_EQ(waited.mTCPIPPhase, 21);
    delete gBattle;
    gBattle = nullptr;
}

TEST_F(TwoPlayersTest, DigestsOfOneTurnAreComparedAndADifferenceStopsThePlay) {
    auto digest = [](uint32_t turn, uint64_t value) {
        Bytes b{20, uint8_t(turn >> 24), uint8_t(turn >> 16), uint8_t(turn >> 8), uint8_t(turn)};
        for (int shift = 56; shift >= 0; shift -= 8)
            b.push_back(uint8_t(value >> shift));
        return b;
    };
    mApp.mTCPIPPhase = 6;
    // The peer's digest of another turn waits; that of this turn is equal.
    mApp.mOwnDigestTurn = 3;
    mApp.mOwnDigest = 0x0123456789ABCDEFull;
    mApp.Packet(digest(2, 0x0123456789ABCDEFull));
    EXPECT_EQ(mApp.mDigestsAgreed, 0);
    mApp.Packet(digest(3, 0x0123456789ABCDEFull));
    EXPECT_EQ(mApp.mDigestsAgreed, 1);
    EXPECT_FALSE(mApp.mBattlesDiffer);
    EXPECT_FALSE(mApp.ProhibitOrdersDueToTCPIP());
    // A difference in the last byte: reported, and no GO or order after it.
    mApp.mOwnDigestTurn = 4;
    mApp.Packet(digest(4, 0x0123456789ABCDEEull));
    EXPECT_TRUE(mApp.mBattlesDiffer);
    EXPECT_EQ(mApp.mNetworkReport, kConfirmBattlesDiffer);
    EXPECT_TRUE(mApp.mPeerDiedMessageOff);
    EXPECT_TRUE(mApp.ProhibitOrdersDueToTCPIP());
    EXPECT_FALSE(mApp.GoButton());
    EXPECT_EQ(mApp.mTCPIPPhase, 6);
    // Turn files are no longer taken.
    mApp.Packet(Chunk(6, 0, {1, 2, 3}));
    EXPECT_EQ(mApp.mTCPIPPhase, 6);
    EXPECT_EQ(mApp.mIncomingTurnFile, nullptr);
    mApp.ResetExchangeChecks();
    EXPECT_FALSE(mApp.mBattlesDiffer);
    EXPECT_EQ(mApp.mNetworkReport, -1);
}

// ---- Packets by phase ------------------------------------------------------------

TEST_F(TwoPlayersTest, FirstOrdersChunkInTheOrdersPhaseMovesOnAndIsKept) {
    mApp.mTCPIPPhase = 6;
    mApp.Packet(Chunk(6, 0, {1, 2, 3}));
    EXPECT_EQ(mApp.mTCPIPPhase, 10);
    EXPECT_EQ(mApp.Incoming(), (Bytes{1, 2, 3}));
}

TEST_F(TwoPlayersTest, MalformedAndUnexpectedPacketsAreIgnored) {
    mApp.mTCPIPPhase = 6;
    for (const Bytes& bad :
         {Bytes{}, Bytes{0}, Bytes{20}, Bytes{255, 1}, Bytes{6}, Bytes{15, 0}, Bytes{16}, Bytes{12, 0, 0, 1},
          Bytes{1, 0, 0, 0, 0, 0}, Bytes{19, 'a', 'b'}, Bytes{4, 1, 2}, Bytes{9, 1}, Bytes{13}, Bytes{11},
          Bytes{6, 0, 0, 0, 0}, Bytes{7}, Bytes{10, 1, 2}}) {
        mApp.Packet(bad);
        EXPECT_EQ(mApp.mTCPIPPhase, 6);
        EXPECT_EQ(mApp.mIncomingTurnFile, nullptr);
        EXPECT_FALSE(mApp.mPeerPause);
    }
    Bytes huge(8197, 6);
    mApp.Packet(huge);
    EXPECT_EQ(mApp.mTCPIPPhase, 6);
    EXPECT_TRUE(mApp.forced.empty());

    // A running total without a transfer panel changes nothing.
    mApp.mBytesCounted = 5;
    mApp.mTurnClockStart = 77;
    mApp.Packet({12, 0, 0, 1, 0});
    EXPECT_EQ(mApp.mBytesCounted, 5);
    EXPECT_EQ(mApp.mTurnClockStart, 77);

    // Chat before the battle's map exists shows nothing.
    mApp.Packet({19, 'h', 'i', 0});
    EXPECT_EQ(mApp.mRadioLine[0].GetLength(), 0);
}

TEST_F(TwoPlayersTest, BothPressingGoTheJoiningSideGivesWay) {
    NetApp joiner;
    joiner.mConnectionType = 2;
    joiner.mIsHost = false;
    joiner.mTCPIPPhase = 7;
    joiner.GiveOutgoing(Pattern(100));
    joiner.Packet(Chunk(6, 0, {9, 9}));
    EXPECT_EQ(joiner.mTCPIPPhase, 11);
    EXPECT_EQ(joiner.mOutgoingTurnFile, nullptr);
    EXPECT_EQ(joiner.mBytesToSend, 0);
    EXPECT_EQ(joiner.Incoming(), (Bytes{9, 9}));

    mApp.mIsHost = true;
    mApp.mTCPIPPhase = 7;
    mApp.GiveOutgoing(Pattern(100));
    mApp.Packet(Chunk(6, 0, {9, 9}));
    EXPECT_EQ(mApp.mTCPIPPhase, 7);
    EXPECT_NE(mApp.mOutgoingTurnFile, nullptr);
    EXPECT_EQ(mApp.mIncomingTurnFile, nullptr);

    // Own orders sent, the peer's second file starts: phase 9 keeps it.
    NetApp waiting;
    waiting.mConnectionType = 2;
    waiting.mTCPIPPhase = 8;
    waiting.Packet(Chunk(4, 0, {5}));
    EXPECT_EQ(waiting.mTCPIPPhase, 9);
    EXPECT_EQ(waiting.Incoming(), Bytes{5});
}

TEST_F(TwoPlayersTest, ResultsAreCountedBackAndTheHandshakeAnswersTheBuild) {
    mApp.mTCPIPPhase = 15;
    mApp.Packet(Chunk(9, 0, {1, 2, 3}));
    mApp.Packet(Chunk(9, 1, {4}));
    EXPECT_EQ(mApp.mTCPIPPhase, 18);
    ASSERT_EQ(mApp.forced.size(), 2u);
    EXPECT_EQ(mApp.forced[0], (Bytes{12, 0, 0, 0, 3}));
    EXPECT_EQ(mApp.forced[1], (Bytes{12, 0, 0, 0, 4}));
    // A whole results file that does not decompress is dropped unmerged:
    // the replay does not start, and both players are told.
    mApp.Packet(Marker(10, {1, 2, 3, 4}));
    EXPECT_EQ(mApp.forced.back(), (Bytes{22, 0x8A}));
    EXPECT_EQ(mApp.mTCPIPPhase, 18);
    EXPECT_EQ(mApp.mIncomingTurnFile, nullptr);
    EXPECT_EQ(mApp.mNetworkReport, kConfirmFileNotHad);

    NetApp joiner;
    joiner.mConnectionType = 2;
    joiner.mTCPIPPhase = 5;
    GString31 build;
    build.IStringRez(9999);
    uint32_t own = static_cast<uint32_t>(build.ConvertToNumber());
    joiner.Packet({1, uint8_t(own >> 24), uint8_t(own >> 16), uint8_t(own >> 8), uint8_t(own)});
    ASSERT_EQ(joiner.forced.size(), 1u);
    EXPECT_EQ(joiner.forced[0], Bytes{2});
    uint32_t other = own + 1;
    joiner.Packet({1, uint8_t(other >> 24), uint8_t(other >> 16), uint8_t(other >> 8), uint8_t(other)});
    EXPECT_EQ(joiner.forced.back(), Bytes{3});
}

// ---- GO, clock and pause -----------------------------------------------------------

TEST_F(TwoPlayersTest, GoButtonFollowsThePhase) {
    struct Step {
        int32_t before, after;
        bool result;
    };
    for (Step s : {Step{10, 11, false}, Step{14, 14, true}, Step{8, 8, false}, Step{19, 19, false}}) {
        mApp.mTCPIPPhase = s.before;
        EXPECT_EQ(mApp.GoButton(), s.result);
        EXPECT_EQ(mApp.mTCPIPPhase, s.after);
    }
    for (int32_t phase : {6, 12}) {
        NetApp app;
        app.mConnectionType = 2;
        app.mTCPIPPhase = phase;
        EXPECT_FALSE(app.GoButton());
        EXPECT_EQ(app.mTCPIPPhase, phase + 1);
    }
    NetApp hotseat;
    EXPECT_TRUE(hotseat.GoButton());

    for (int32_t phase = 0; phase <= 23; ++phase) {
        mApp.mTCPIPPhase = phase;
        bool held = phase == 7 || phase == 8 || phase == 9 || phase == 11 || (phase >= 13 && phase <= 18);
        EXPECT_EQ(mApp.ProhibitOrdersDueToTCPIP(), held) << phase;
    }
    mApp.mTCPIPPhase = 6;
    mApp.mAutoSaveReloading = true;
    EXPECT_TRUE(mApp.ProhibitOrdersDueToTCPIP());
    hotseat.mAutoSaveReloading = true;
    EXPECT_FALSE(hotseat.ProhibitOrdersDueToTCPIP());
}

TEST_F(TwoPlayersTest, TurnClockCountsWholeSecondsWithTheReplayAllowance) {
    mApp.mTurnTimeLimit = 60000;
    mApp.mTurnClockStart = static_cast<int32_t>(mApp.now);
    EXPECT_EQ(mApp.TCPIPTimeRemaining(), 135u);
    mApp.now += 1;
    EXPECT_EQ(mApp.TCPIPTimeRemaining(), 135u);
    mApp.now += 999;
    EXPECT_EQ(mApp.TCPIPTimeRemaining(), 134u);
    mApp.now = static_cast<uint32_t>(mApp.mTurnClockStart) + 135000 - 1;
    EXPECT_EQ(mApp.TCPIPTimeRemaining(), 1u);
    mApp.now += 1;
    EXPECT_EQ(mApp.TCPIPTimeRemaining(), 0u);
    mApp.now += 50000;
    EXPECT_EQ(mApp.TCPIPTimeRemaining(), 0u);
}

TEST_F(TwoPlayersTest, PauseNeedsBothPlayers) {
    mApp.mTurnClockStart = 5000;
    mApp.mClockWasRunning = true;
    mApp.Packet({15});
    EXPECT_TRUE(mApp.mPeerPause);
    ASSERT_EQ(mApp.forced.size(), 1u);
    EXPECT_EQ(mApp.forced[0], (Bytes{16, 0}));
    EXPECT_EQ(mApp.mTurnClockStart, 5000);

    mApp.mOwnPauseRequest = true;
    mApp.Packet({16, 0});
    EXPECT_FALSE(mApp.mPeerPause);
    EXPECT_EQ(mApp.mTurnClockStart, 5000);
    mApp.Packet({16, 1});
    EXPECT_EQ(mApp.mTurnClockStart, 0);
    EXPECT_FALSE(mApp.mOwnPauseRequest);
    EXPECT_FALSE(mApp.mPeerPause);
    EXPECT_FALSE(mApp.mClockWasRunning);

    NetApp asked;
    asked.mConnectionType = 2;
    asked.mOwnPauseRequest = true;
    asked.mTurnClockStart = 9;
    asked.Packet({15});
    EXPECT_EQ(asked.forced[0], (Bytes{16, 1}));
    EXPECT_EQ(asked.mTurnClockStart, 0);

    // The key alone never stops the clock: it asks, or takes the request back.
    NetApp key;
    key.mConnectionType = 2;
    key.mTurnClockStart = 77;
    key.PauseTurnClock();
    EXPECT_TRUE(key.mOwnPauseRequest);
    EXPECT_EQ(key.forced.back(), Bytes{15});
    EXPECT_EQ(key.mTurnClockStart, 77);
    key.PauseTurnClock();
    EXPECT_FALSE(key.mOwnPauseRequest);
    EXPECT_EQ(key.forced.back(), (Bytes{16, 0}));
    key.PauseTurnClock();
    key.Packet({16, 1}); // the peer had asked too
    EXPECT_EQ(key.mTurnClockStart, 0);
}

TEST(TwoPlayersPause, EachMachineShowsWhoAskedAndTheClockGoesOffWhenBothHave) {
    NetApp host, joiner;
    for (NetApp* app : {&host, &joiner}) {
        app->mConnectionType = 2;
        app->mTCPIPPhase = 6;
        app->mTurnTimeLimit = 120000;
        app->mTurnClockStart = static_cast<int32_t>(app->now) - 1000;
    }
    auto deliver = [](NetApp& from, NetApp& to) {
        for (const Bytes& record : from.forced)
            to.Packet(record);
        from.forced.clear();
    };
    auto line = [](NetApp& app, int32_t text) {
        TurnClockLine lines[4];
        const int32_t n = TurnClockLines(&app, lines);
        for (int32_t i = 0; i < n; ++i)
            if (lines[i].text == text) return lines[i].y;
        return 0;
    };
    host.PauseTurnClock(); // Ctrl+P
    deliver(host, joiner);
    deliver(joiner, host);
    EXPECT_EQ(line(host, 1714), 60);
    EXPECT_EQ(line(host, 1716), 0);
    EXPECT_EQ(line(joiner, 1716), 60);
    EXPECT_EQ(line(joiner, 1714), 0);
    joiner.mAutoSaveReloading = true;
    EXPECT_EQ(line(joiner, 1716), 75) << "below the reload warning";
    joiner.mAutoSaveReloading = false;

    joiner.PauseTurnClock();
    deliver(joiner, host);
    deliver(host, joiner);
    for (NetApp* app : {&host, &joiner}) {
        EXPECT_EQ(app->mTurnClockStart, 0);
        EXPECT_EQ(line(*app, 1714) + line(*app, 1716), 0);
        EXPECT_EQ(line(*app, 1718), 45) << "the clock is off";
    }
}

// ---- Radio lines ---------------------------------------------------------------------

TEST_F(TwoPlayersTest, RadioLogDropsTheOldestAndExpiresFromTheFront) {
    for (int i = 0; i < 15; ++i) {
        GString255 line;
        line.IStringNum(i);
        mApp.now = 1000 + static_cast<uint32_t>(i);
        mApp.AddRadioTextX(&line, i % 2);
    }
    EXPECT_STREQ(mApp.mRadioLine[0].GetCString(), "1");
    EXPECT_EQ(mApp.mRadioSide[0], 1);
    EXPECT_EQ(mApp.mRadioTime[0], 1001);
    EXPECT_STREQ(mApp.mRadioLine[13].GetCString(), "14");
    EXPECT_EQ(mApp.mRadioSide[13], 0);

    NetApp app;
    GString255 a("alt"), b("neu"), c("frisch");
    app.now = 0;
    app.AddRadioTextX(&a, 0);
    app.now = 10000;
    app.AddRadioTextX(&b, 1);
    app.now = 5000; // older than the line before it
    app.AddRadioTextX(&c, 0);
    app.now = 89999;
    app.RadioTextTimeOut();
    EXPECT_STREQ(app.mRadioLine[0].GetCString(), "alt");
    app.now = 95000;
    app.RadioTextTimeOut();
    // The first line went; the second is younger and holds the third back.
    EXPECT_STREQ(app.mRadioLine[0].GetCString(), "neu");
    EXPECT_STREQ(app.mRadioLine[1].GetCString(), "frisch");
    EXPECT_EQ(app.mRadioLine[2].GetLength(), 0);
    app.now = 100000;
    app.RadioTextTimeOut();
    EXPECT_EQ(app.mRadioLine[0].GetLength(), 0);
    EXPECT_EQ(app.mRadioLine[1].GetLength(), 0);

    app.AddRadioInstructions();
    EXPECT_EQ(app.mRadioSide[0], 2);
    EXPECT_GT(app.mRadioLine[0].GetLength(), 0);
}

TEST_F(TwoPlayersTest, RadioLinesWrapToTheWidth) {
    ASSERT_TRUE(GOLTAFonts::Make());
    GOLTAFont font = mApp.GetRadioFont();
    mApp.mRadioWidest = 120;
    std::string word(120, 'W');
    GString255 text(word.c_str());
    mApp.AddRadioText(&text, 1);
    int lines = 0;
    std::string rebuilt;
    for (int i = 0; i < 14 && mApp.mRadioLine[i].GetLength() > 0; ++i, ++lines) {
        GString255& line = mApp.mRadioLine[i];
        EXPECT_LE(StringWidthInPixels(&line, font), 120);
        std::string s = line.GetCString();
        if (i > 0) {
            ASSERT_EQ(s.substr(0, 6), "      ");
            s = s.substr(6);
        }
        // The longest piece that fits: one more character is too wide.
        if (i + 1 < 14 && mApp.mRadioLine[i + 1].GetLength() > 0) {
            GString255 longer;
            longer = line;
            longer.AddChar('W');
            EXPECT_GT(StringWidthInPixels(&longer, font), 120);
        }
        EXPECT_EQ(mApp.mRadioSide[i], 1);
        rebuilt += s;
    }
    EXPECT_GT(lines, 1);
    EXPECT_EQ(rebuilt, word);

    // Words break after the space; a limit narrower than the indent ends.
    NetApp words;
    words.mRadioWidest = 60;
    GString255 sentence("Panzer links am Waldrand, drei Stueck");
    words.AddRadioText(&sentence, 0);
    EXPECT_EQ(words.mRadioLine[0].GetCString()[words.mRadioLine[0].GetLength() - 1], ' ');
    NetApp narrow;
    narrow.mRadioWidest = 8;
    GString255 wide("WWWWWWWW");
    narrow.AddRadioText(&wide, 0);
    EXPECT_LE(narrow.mRadioLine[0].GetLength(), 2);
    GOLTAFonts::Release();
}

// ---- Hotseat and e-mail hand-over ------------------------------------------------------

TEST(TwoPlayersHandOver, HotseatSwapsSidesAndPreferencesButNotTheFog) {
    ProgramFolder folder;
    {
        MVApplication app; // owns the battle from here on
        gBattle = MakeTestBattle("Heiss").release();
        app.mConnectionType = 0;
        app.mPlayers = 2;
        app.mSide = 0;
        app.mPrefs[kPrefFogOfWar] = 2;
        app.mOtherPrefs[kPrefFogOfWar] = 0;
        app.mPrefs[kPrefZoom] = 1;
        app.mOtherPrefs[kPrefZoom] = 3;
        app.SendGameData();
        EXPECT_TRUE(app.mSidesSwapped);
        EXPECT_EQ(app.mSide, 1);
        EXPECT_EQ(app.mPrefs[kPrefZoom], 3);
        EXPECT_EQ(app.mOtherPrefs[kPrefZoom], 1);
        EXPECT_EQ(app.mPrefs[kPrefFogOfWar], 2);
        EXPECT_FALSE(app.mIdleRequestB);
        if (gBattle->mMap) {
            EXPECT_EQ(gBattle->mMap->mDrawMode, 2);
        }
        EXPECT_TRUE(app.SecondHalf());

        // Back to the first player during the set-up: the next pass opens it.
        app.SendGameData();
        EXPECT_FALSE(app.mSidesSwapped);
        EXPECT_EQ(app.mSide, 0);
        EXPECT_TRUE(app.mIdleRequestB);
        if (gBattle->mMap) {
            EXPECT_EQ(gBattle->mMap->mDrawMode, 1);
        }

        gBattle->mSetupPhase = false;
        app.mIdleRequestB = false;
        app.SendGameData();
        app.SendGameData();
        EXPECT_FALSE(app.mIdleRequestB);
    }
    EXPECT_EQ(gBattle, nullptr);
}

TEST(TwoPlayersHandOver, MailTurnLeavesForTheMenuAndTcpDoesNothing) {
    ProgramFolder folder;
    {
        MVApplication app;
        gBattle = MakeTestBattle("Post").release();
        app.mConnectionType = 1;
        app.mPlayers = 2;
        app.mSide = 0;
        app.SendGameData();
        EXPECT_EQ(app.mState, kStateNone);
        EXPECT_EQ(app.mSide, 0);
        EXPECT_FALSE(app.mSidesSwapped);
    }
    {
        MVApplication net;
        net.mConnectionType = 2;
        net.mSide = 1;
        net.SendGameData();
        EXPECT_EQ(net.mSide, 1);
        EXPECT_FALSE(net.mShowPBEMBox);
        net.mRandomSeed = 4321;
        EXPECT_EQ(net.TCPTurnCounter(), 4321);
        net.SetTCPTurnCounter(99);
        EXPECT_EQ(net.mRandomSeed, 99);
    }
    EXPECT_EQ(gBattle, nullptr);
}

// ---- Connection screens and loss -------------------------------------------------------

TEST_F(TwoPlayersTest, LostConnectionDropsTheTransfersAndAddressesPrintDotted) {
    mApp.mTCPIPPhase = 9;
    mApp.WriteIncomingBytesToDisk(Pattern(10).data(), 10);
    mApp.GiveOutgoing(Pattern(50));
    mApp.mPeerDiedMessageOff = true;
    mApp.ConnectionDied(true);
    // The peer had ended its battle: nothing is reported or dropped.
    EXPECT_NE(mApp.mIncomingTurnFile, nullptr);
    mApp.mPeerDiedMessageOff = false;
    mApp.ConnectionDied(true);
    EXPECT_EQ(mApp.mIncomingTurnFile, nullptr);
    EXPECT_EQ(mApp.mOutgoingTurnFile, nullptr);
    EXPECT_EQ(mApp.mBytesToSend, 0);

    mApp.mOwnAddress[0] = static_cast<int32_t>(0xC0A8010Au);
    mApp.mOwnAddress[1] = 0x7F000001;
    mApp.mOwnAddressCount = 2;
    GString63 text;
    mApp.ConcatServerIPAddress(&text, 0);
    EXPECT_STREQ(text.GetCString(), "192.168.1.10");
    text.IStringText("");
    mApp.ConcatServerIPAddress(&text, 1);
    EXPECT_STREQ(text.GetCString(), "127.0.0.1");
    mApp.ConcatServerIPAddress(&text, 2);
    EXPECT_STREQ(text.GetCString(), "127.0.0.1");
}

TEST_F(TwoPlayersTest, JoiningSideReportsTheLoadedScenarioAndStartsTheClock) {
    mApp.mTurnTimeLimit = 60000;
    mApp.JoinerBeginsBattle();
    ASSERT_EQ(mApp.forced.size(), 1u);
    EXPECT_EQ(mApp.forced[0], Bytes{11});
    // The first orders phase has twice the limit: the plain one and the
    // replay allowance less the limit.
    EXPECT_EQ(mApp.TCPIPTimeRemaining(), 120u);

    NetApp host;
    host.mConnectionType = 2;
    host.mTCPIPPhase = 4;
    host.mTurnTimeLimit = 60000;
    host.Packet({11});
    EXPECT_EQ(host.mTCPIPPhase, 6);
    EXPECT_EQ(host.TCPIPTimeRemaining(), 120u);
}

// ---- Radio lines on the map and the chat packet -------------------------------------

TEST_F(TwoPlayersTest, RadioLinesShownAreTheNewestUsedOnesOldestOnTop) {
    int32_t shown[14] = {};
    EXPECT_EQ(ChooseRadioLines(mApp.mRadioLine, 3, shown), 0);
    for (int i = 0; i < 5; ++i)
        mApp.mRadioLine[i].IStringText("x");
    ASSERT_EQ(ChooseRadioLines(mApp.mRadioLine, 3, shown), 3);
    EXPECT_EQ(shown[0], 2);
    EXPECT_EQ(shown[2], 4);
    ASSERT_EQ(ChooseRadioLines(mApp.mRadioLine, 10, shown), 5);
    EXPECT_EQ(shown[0], 0);
}

TEST_F(TwoPlayersTest, TypedRadioLineShowsHereAndGoesOutWithItsZeroByte) {
    mApp.mSide = 1;
    mApp.mRadioWidest = 2000;
    GString255 text;
    mApp.SendRadioText(&text); // empty: nothing at all
    EXPECT_TRUE(mApp.forced.empty());
    text.IStringText("Feuer!");
    mApp.SendRadioText(&text);
    ASSERT_EQ(mApp.forced.size(), 1u);
    EXPECT_EQ(mApp.forced[0], (Bytes{19, 'F', 'e', 'u', 'e', 'r', '!', 0}));
    EXPECT_STREQ(mApp.mRadioLine[0].GetCString(), "Feuer!");
    EXPECT_EQ(mApp.mRadioSide[0], 1);
    // The peer shows it in the other side's colour.
    NetApp peer;
    peer.mConnectionType = 2;
    peer.mSide = 0;
    peer.mRadioWidest = 2000;
    gBattle = MakeTestBattle("Funk").release();
    peer.Packet(mApp.forced[0]);
    EXPECT_STREQ(peer.mRadioLine[0].GetCString(), "Feuer!");
    EXPECT_EQ(peer.mRadioSide[0], 1);
    // Without the radio input there is no key to open it.
    EXPECT_FALSE(peer.OpenRadioInput('0', false));
    delete gBattle;
    gBattle = nullptr;
}

TEST_F(TwoPlayersTest, GoStopsTheClockAndRemembersItRan) {
    mApp.mTurnClockStart = 12345;
    mApp.mTCPIPPhase = 8;
    EXPECT_FALSE(mApp.GoButton());
    EXPECT_TRUE(mApp.mClockWasRunning);
    EXPECT_EQ(mApp.mTurnClockStart, 0);
    mApp.mTCPIPPhase = 14;
    mApp.mOwnPauseRequest = mApp.mPeerPause = true;
    EXPECT_TRUE(mApp.GoButton());
    EXPECT_FALSE(mApp.mClockWasRunning);
    EXPECT_FALSE(mApp.mOwnPauseRequest || mApp.mPeerPause);
}

// ---- The e-mail operation's battle counter --------------------------------------------

TEST(TwoPlayersHandOver, MailOperationCountsABattleBothSidesEndedOnce) {
    ProgramFolder folder;
    {
        MVApplication app;
        gBattle = MakeTestBattle("Post").release();
        gCampaign = new Campaign;
        app.mConnectionType = 1;
        app.mPlayers = 2;
        gBattle->mSurrenderState[0] = 1;
        gBattle->mSurrenderState[1] = 1;
        app.mTruceWhenLoaded = true; // counted before this file was sent
        app.SendGameData();
        EXPECT_EQ(gCampaign->mBattleCounter, 0);
        app.mTruceWhenLoaded = false;
        app.SendGameData();
        EXPECT_EQ(gCampaign->mBattleCounter, 1);
        gBattle->mSurrenderState[1] = 0;
        app.SendGameData();
        EXPECT_EQ(gCampaign->mBattleCounter, 1);
    }
    EXPECT_EQ(gCampaign, nullptr);
}

TEST(TwoPlayersHandOver, OperationBattleCounterTravelsInTheGameFile) {
    auto battle = MakeTestBattle("Feldzug");
    Campaign campaign;
    campaign.mBattleCounter = 3;
    campaign.mTitle = battle->mTitle;
    auto write = [&](Campaign* c) {
        GFile file;
        EXPECT_TRUE(file.ITempFile(false));
        GameFileState state;
        state.scenarioName = battle->mTitle;
        Battle* previous = gBattle;
        gBattle = battle.get();
        WriteGameFile(&file, &state, battle.get(), c);
        gBattle = previous;
        file.Rewind();
        Bytes bytes(static_cast<size_t>(file.GetFileLength()));
        file.ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
        return bytes;
    };
    Bytes first = write(&campaign);
    GFile in;
    ASSERT_TRUE(in.ITempFile(false));
    in.WriteBytes(first.data(), static_cast<int32_t>(first.size()));
    in.Rewind();
    GameFileState state;
    GameFileContents contents;
    ASSERT_EQ(ReadGameFile(&in, &state, &contents), kGameFileLoaded);
    ASSERT_NE(contents.campaign, nullptr);
    EXPECT_EQ(contents.campaign->mBattleCounter, 3);
    EXPECT_EQ(write(contents.campaign), first);
    delete contents.battle;
    delete contents.campaign;
    // A file without an operation keeps the bytes it always had there: zeros.
    campaign.mBattleCounter = 0;
    EXPECT_EQ(write(&campaign).size(), first.size());
}

// ---- The next battle of an operation over TCP/IP ---------------------------------------

TEST_F(TwoPlayersTest, NextOperationBattleHostWaitsAndJoiningSideReportsReady) {
    NetApp joiner;
    joiner.mConnectionType = 2;
    joiner.mIsHost = false;
    joiner.mTurnClockStart = 5;
    joiner.mOwnPauseRequest = true;
    gBattle = MakeTestBattle("Feldzug").release();
    gCampaign = new Campaign;
    joiner.ContinueTCPIPOperation();
    EXPECT_EQ(joiner.forced, std::vector<Bytes>{Bytes{14}});
    EXPECT_EQ(gBattle, nullptr);
    EXPECT_EQ(gCampaign, nullptr);
    EXPECT_EQ(joiner.mTCPIPPhase, 5);
    EXPECT_EQ(joiner.mTurnClockStart, 0);
    EXPECT_FALSE(joiner.mOwnPauseRequest);

    // The host takes the steps: the next battle is cut and waits, in phase
    // 2, for the joining side.
    gCampaign = MakeTestOperation();
    ASSERT_NE(gCampaign, nullptr);
    gBattle = gCampaign->StepToNextBattle(nullptr, 1, &mApp);
    ASSERT_NE(gBattle, nullptr);
    Battle* first = gBattle;
    ++gCampaign->mTurn; // counted by its result screen
    mApp.mIsHost = true;
    mApp.ContinueTCPIPOperation();
    ASSERT_NE(gBattle, nullptr);
    EXPECT_NE(gBattle, first);
    EXPECT_TRUE(gBattle->mSetupPhase);
    EXPECT_NE(gCampaign, nullptr);
    EXPECT_EQ(mApp.mTCPIPPhase, 2);
    EXPECT_TRUE(mApp.forced.empty());
    // The joining side's packet 14 lets the host send the next battle.
    mApp.Packet({14});
    EXPECT_TRUE(mApp.mClientReady);
    delete gBattle;
    gBattle = nullptr;
    delete gCampaign;
    gCampaign = nullptr;
}

TEST_F(TwoPlayersTest, ResultScreenTellsThePeerTheBattleIsOver) {
    // Made first: an application clears the battle pointer when it is made.
    NetApp peer;
    peer.mConnectionType = 2;
    peer.mTCPIPPhase = 23;
    gBattle = MakeTestBattle("Ende").release();
    mApp.mTCPIPPhase = 6;
    mApp.ShowResult(true, false);
    EXPECT_EQ(mApp.mTCPIPPhase, 23);
    EXPECT_EQ(mApp.forced, std::vector<Bytes>{Bytes{17}});
    // The peer's packet 17 silences a later connection loss.
    peer.Packet({17});
    EXPECT_TRUE(peer.mPeerDiedMessageOff);
    delete gBattle;
    gBattle = nullptr;
}
