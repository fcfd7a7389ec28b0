// Two game processes play one battle over 127.0.0.1: the host opens its
// endpoint, the joining side connects, the build handshake and the scenario
// pass, both give scripted orders, and the set-up and three turns go through
// the orders files, their merges, one machine's computation and the results.
// After each turn both battles must be byte for byte the same, and both
// machines must have found each exchange's battle digests equal. Then the
// faults of a network: a chunk twice, chunks swapped, a file cut short, a
// wrong check value (each once: the file is asked for again and the game
// goes on identical; every time: both players are told), battles made to
// differ (both told), a peer killed in the middle of a file (told, nothing
// of it merged). Each process runs headless with its own program folder.

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/MVApplication.h"
#include "app_fixture.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "battle/GameFile.h"
#include "battle/UnitList.h"
#include "battle_records.h"
#include "engine/EZOpenPlay.h"
#include "engine/FileTestFolder.h"
#include "engine/TestPorts.h"
#include "engine/GFile.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/Hack.h"
#include "units/Unit.h"

namespace {

// A forked peer leaves by _exit, without its destructors: its program folder
// and temporary files go into a folder of their own that the test's side
// removes when the test ends.
class PeerTempFolder {
public:
    PeerTempFolder() : mFolder("dm-peer-") {}
    // Called in the child right after the fork.
    void UseInChild() const { setenv("TMPDIR", mFolder.Path().c_str(), 1); }

private:
    FileTestFolder mFolder;
};

constexpr int kTurns = 3;

// A fault one machine puts into its own sending, or into its battle.
struct Fault {
    enum Kind { kNone, kChunkTwice, kChunksSwapped, kCutShort, kWrongCheck, kDiverge, kDieInFile };
    Kind kind = kNone;
    bool onHost = true;
    uint8_t marker = 10;   // the file: 7 first orders, 5 second orders, 10 results
    int sending = 0;       // the first of this machine's files of that kind it damages
    int sendings = 1;      // how many in a row (a file asked for again is one more)
    int turn = 1;          // kDiverge: the turn whose end differs
    bool endsGame = false; // the file cannot be had and the game ends
};

// Whether the battle ends with the last turn played (its last turn is set
// to it on both machines once the set-up is over).
bool gEndAtLastTurn = false;

// Whether the joining side presses GO first in every exchange.
bool gJoinerFirst = false;

// Where each machine leaves the records of its last digest sent, so that
// battles found to differ can be told apart record by record.
std::string gRecordFolder;

// What became of one machine's game.
struct Outcome {
    int32_t report = -1;   // the network report shown, or -1
    int32_t agreed = 0;    // exchanges whose digests were found equal
    int32_t injected = 0;  // sendings damaged
    int32_t asked = 0;     // files this machine asked for again
    int32_t again = 0;     // exchanges begun again
};

// While the computing machine computes a turn (from the start of its action
// phase to its replay), noted in memory both processes share.
volatile uint8_t* gComputingNow = nullptr;
// Whether this process computes a turn now, and whether its connection runs
// on the stretched clock below.
bool gComputingHere = false;
bool gStretched = false;
void JumpStretchedClock();

class LoopApp : public MVApplication {
public:
    void ActionPhaseStarts() override {
        MVApplication::ActionPhaseStarts();
        if (gComputingNow) *gComputingNow = 1;
        gComputingHere = true;
    }
    void SetState(State state) override {
        MVApplication::SetState(state);
        if (gComputingNow && state == kStatePlayback) *gComputingNow = 0;
        if (state == kStatePlayback) gComputingHere = false;
    }
    void PingDuringBusyCPU() override {
        if (gStretched && gComputingHere) JumpStretchedClock();
        MVApplication::PingDuringBusyCPU();
    }
    uint32_t PeerPort() override { return port; }
    int32_t CPUSpeed() override { return speed; }
    int32_t ForceSendRecord(const uint8_t* data, uint32_t length, int32_t timeout) override {
        if (length == 2 && data[0] == 21) ++asked;
        if (length >= 13 && data[0] == 20) WriteBattleRecords(gRecordFolder, mIsHost);
        return MVApplication::ForceSendRecord(data, length, timeout);
    }
    // The chunks and end markers of the chosen file go out damaged.
    int32_t SendRecord(const uint8_t* data, uint32_t length) override {
        const uint8_t type = length > 0 ? data[0] : 0;
        const bool ofFile = fault.kind != Fault::kNone && fault.kind != Fault::kDiverge &&
                            (type == fault.marker || type == fault.marker - 1);
        if (!ofFile || sent < fault.sending || sent >= fault.sending + fault.sendings) {
            const int32_t result = MVApplication::SendRecord(data, length);
            if (result == 0 && type == fault.marker) ++sent;
            return result;
        }
        std::vector<uint8_t> record(data, data + length);
        const bool marker = type == fault.marker;
        int32_t result = 0;
        switch (fault.kind) {
        case Fault::kChunkTwice:
            result = MVApplication::SendRecord(data, length);
            if (result == 0 && !marker) MVApplication::SendRecord(data, length);
            break;
        case Fault::kChunksSwapped:
            // The first chunk goes after the record that follows it.
            if (!marker && held.empty()) {
                held = record;
                return 0;
            }
            result = MVApplication::SendRecord(data, length);
            if (result == 0 && !held.empty()) {
                MVApplication::SendRecord(held.data(), static_cast<uint32_t>(held.size()));
                held.clear();
            }
            break;
        case Fault::kCutShort:
            // Each chunk goes when the next comes; the last never goes.
            if (!marker) {
                if (!held.empty()) MVApplication::SendRecord(held.data(), static_cast<uint32_t>(held.size()));
                held = record;
                return 0;
            }
            held.clear();
            result = MVApplication::SendRecord(data, length);
            break;
        case Fault::kWrongCheck:
            if (marker) record[8] ^= 0x5A;
            result = MVApplication::SendRecord(record.data(), length);
            break;
        case Fault::kDieInFile:
            // Every chunk is out, the end marker never comes.
            if (marker) _exit(0);
            result = MVApplication::SendRecord(data, length);
            break;
        default:
            result = MVApplication::SendRecord(data, length);
            break;
        }
        if (result == 0 && marker) {
            ++sent;
            ++injected;
        }
        return result;
    }
    GView* BuildBattleScreen(Battle*, bool) override { return nullptr; }
    // Headless: the battle opens without a screen.
    bool HasScreen() override { return false; }
    uint32_t port = 0;
    int32_t speed = 100;
    Fault fault;
    int sent = 0; // files of the fault's kind sent so far
    int32_t injected = 0;
    int32_t asked = 0;
    std::vector<uint8_t> held;
};

// A stretched clock for the connection: real time, plus a jump of kJump at
// each point where the computation keeps the connection alive (its pings,
// 60 a turn), on both machines. A turn so lasts 300 s on either clock,
// longer than the time-out; only the keep-alives sent from inside the
// computation hold the connection then. The jumps go in step with the
// waiting machine: the computing one jumps only once the other has read the
// clock since the last jump, so a pause of either process (a machine busy
// with other work) never passes for a silence of the peer; only a real one
// of the time-out's length would.
constexpr uint32_t kJump = 5000;
static_assert(60 * kJump > OPEndpoint::kSilenceMs && 3 * kJump <= OPEndpoint::kKeepAliveMs);

// The jumps so far and whether the waiting machine read the clock since the
// last, in the page both processes share (after gComputingNow).
std::atomic_ref<uint32_t> SharedWord(int index) {
    return std::atomic_ref<uint32_t>(*reinterpret_cast<uint32_t*>(const_cast<uint8_t*>(gComputingNow) + 64 + 4 * index));
}

uint32_t StretchedClock() {
    if (!gComputingHere) SharedWord(1).store(1);
    return ClockTime() + SharedWord(0).load();
}

void JumpStretchedClock() {
    // Waits for the other machine to read the clock. One gone or hung fails
    // the test on its own side; this one waits a minute once, then no more.
    static bool peerGone = false;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!peerGone && SharedWord(1).load() == 0)
        if (std::chrono::steady_clock::now() >= until)
            peerGone = true;
        else
            std::this_thread::yield();
    SharedWord(0).fetch_add(kJump);
    SharedWord(1).store(0);
}

// Runs the network and the idle step until done() or 120 s have passed (only
// a hang takes that long, however busy the machine); a network report ends
// the wait at once.
bool PumpUntil(LoopApp& app, const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (std::chrono::steady_clock::now() < end) {
        OPIdle();
        app.TCPIPIdleStep();
        if (done()) return true;
        if (app.mNetworkReport >= 0) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

// The joining side connects once the host listens: the host loads its
// scenario first, which on a busy machine may take long.
bool ConnectToHost(LoopApp& app) {
    const uint8_t local[4] = {127, 0, 0, 1};
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (!app.ConnectToPeer(local)) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// Moves the first own unit that takes orders a little towards the enemy.
void GiveOrders(LoopApp& app, int turn) {
    if (!gBattle) return;
    for (int32_t i = 0; i < gBattle->mUnits->GetCount(); ++i) {
        Unit* u = gBattle->mUnits->GetUnit(i);
        if (u->GetAffiliation() != app.mSide || !u->CanReceiveOrders()) continue;
        const float step = app.mSide == 0 ? 12.0f : -12.0f;
        u->ReceiveMoveOrders(u->mX + step * static_cast<float>(turn), u->mY, 20, nullptr, true, true, true,
                             true);
        return;
    }
}

// One side's whole game; gives the digests after the set-up and each turn,
// or an empty list with the reason.
// With `stretch`, the connection runs on the stretched clock and the
// machine that does not compute checks that the turn it waited for lasted
// longer than its time-out.
// With a fault, a network report ends the game there (no failure): the
// outcome tells which.
std::vector<uint64_t> Play(bool host, uint32_t port, int32_t speed, bool computes,
                           const std::string& scenario, std::string* why, int turns = kTurns,
                           bool stretch = false, const Fault& fault = {}, Outcome* outcome = nullptr) {
    std::vector<uint64_t> digests;
    ProgramFolder folder;
    LoopApp app;
    app.port = port;
    app.speed = speed;
    app.mPlayers = 2;
    app.mConnectionType = 2;
    if (fault.onHost == host) app.fault = fault;
    int32_t again = 0;
    auto note = [&] {
        if (!outcome) return;
        outcome->report = app.mNetworkReport;
        outcome->agreed = app.mDigestsAgreed;
        outcome->injected = app.injected;
        outcome->asked = app.asked;
        outcome->again = again;
    };
    // Waits as PumpUntil; an exchange begun again, or results computed
    // here, is told, and the side whose orders are to go again presses GO
    // once more.
    auto wait = [&](const std::function<bool()>& done) {
        for (;;) {
            const bool reached = PumpUntil(app, done);
            const int32_t report = app.mNetworkReport;
            if (report == kConfirmExchangeAgain || report == kConfirmResultsComputedHere) {
                ++again;
                app.mNetworkReport = -1;
            } else if (!reached) {
                return false;
            }
            if (reached) return true;
            if (app.mTCPIPPhase == (host ? 6 : 12)) app.DoCommand(9);
        }
    };
    auto fail = [&](const char* what) {
        note();
        digests.clear();
        if (fault.kind != Fault::kNone && app.mNetworkReport >= 0) {
            // Reported: nothing of a refused file stays, nothing goes on.
            if (app.mIncomingTurnFile) *why = "a refused file stayed";
            app.CloseTCPIP();
            delete gBattle;
            gBattle = nullptr;
            return digests;
        }
        *why = std::string(host ? "host: " : "joining side: ") + what + " (phase " +
               std::to_string(app.mTCPIPPhase) + ")";
        return digests;
    };
    if (host) {
        GFile file;
        if (!file.IFile(scenario.c_str(), kFileModeCompressedRead)) return fail("no scenario");
        GameFileState state;
        GameFileContents contents;
        if (ReadGameFile(&file, &state, &contents, {.takeSeed = true, .host = &app}) != kGameFileLoaded)
            return fail("scenario refused");
        delete contents.campaign;
        gBattle = contents.battle;
        app.mRandomSeed = state.randomSeed;
        app.mSide = 0;
        app.mIsHost = true;
        app.mTCPIPPhase = 0;
        app.ServerOpen();
        // A joining side that presses GO at once may have sent its orders too.
        if (!PumpUntil(
                app, [&] { return app.mTCPIPPhase == 6 || app.mTCPIPPhase == 10 || app.mTCPIPPhase == 12; }))
            return fail("no peer");
    } else {
        const bool connected = ConnectToHost(app);
        if (!connected) return fail("no host");
        if (!PumpUntil(app, [&] { return app.mTCPIPPhase == 6 && gBattle; })) return fail("no scenario");
        app.mConnectionType = 2;
        app.mPlayers = 2;
        gBattle->BeginBattle(true, true);
    }
    if (app.mSide != (host ? 0 : 1)) return fail("wrong side");
    // Both machines know it is a TCP/IP game: the computing one resets the
    // units' animation before the action phase.
    if (app.GameMode() != kGameModeTCPIP) return fail("not a TCP/IP game");
    if (stretch) {
        gStretched = true;
        OPSetClock(&StretchedClock);
    }

    // The set-up, then the turns: the host presses GO first; the joining
    // side once the host's orders have arrived and merged.
    for (int turn = 0; turn <= turns; ++turn) {
        GiveOrders(app, turn);
        if (host != gJoinerFirst) {
            app.DoCommand(9);
            if (!wait([&] { return app.mTCPIPPhase != 7; })) return fail("orders not sent");
            // Sent: Backspace no longer takes the waypoints back.
            if (app.ProhibitOrdersDueToTCPIP() && !gBattle->mSetupPhase) {
                Unit* mover = nullptr;
                for (int32_t i = 0; i < gBattle->mUnits->GetCount() && !mover; ++i)
                    if (Unit* u = gBattle->mUnits->GetUnit(i);
                        u->mNrWaypoints > 0 && u->GetAffiliation() == app.mSide)
                        mover = u;
                if (mover) {
                    const int32_t before = mover->mNrWaypoints;
                    gBattle->mSelectedUnit = mover;
                    gBattle->DoKey(8, false, false);
                    gBattle->mSelectedUnit = nullptr;
                    if (mover->mNrWaypoints != before) return fail("Backspace took an order back after GO");
                }
            }
        } else {
            if (!wait([&] { return app.mTCPIPPhase == 12; })) return fail("no orders from the peer");
            app.DoCommand(9);
        }
        if (turn == 0) {
            if (!wait([&] { return app.mTCPIPPhase == 6 && !gBattle->mSetupPhase; }))
                return fail("set-up did not end");
            if (gEndAtLastTurn) gBattle->mLastTurn = turns;
        } else {
            const uint32_t waitFrom = stretch ? StretchedClock() : 0;
            // The replay has begun (19); the host's next orders may have come
            // in it already (20, 21) when the joining side computed.
            if (!wait([&] { return app.mTCPIPPhase >= 19 && app.mTCPIPPhase <= 21; })) return fail("no results");
            if (stretch && !computes && StretchedClock() - waitFrom <= OPEndpoint::kSilenceMs)
                return fail("the turn was not longer than the time-out");
            if (app.GameMode() != kGameModeTCPIP) return fail("no longer a TCP/IP game");
            if (app.fault.kind == Fault::kDiverge && turn == app.fault.turn) {
                // Something the replay does not set differs on this machine.
                Unit* u = gBattle->mUnits->GetUnit(0);
                u->mExperience = u->mExperience == 0 ? 1 : 0;
            }
            app.DoCommand(10);
            if (app.mNetworkReport >= 0) return fail("reported");
            if (gBattle->Over()) {
                if (!gEndAtLastTurn || turn != turns) return fail("the battle ended early");
                digests.push_back(SharedBattleDigest());
                break;
            }
            if (app.mTCPIPPhase != 6 && app.mTCPIPPhase != 10 && app.mTCPIPPhase != 12)
                return fail("replay did not end");
            if (app.mComputesTurn != computes) return fail("the wrong machine computed");
        }
        digests.push_back(SharedBattleDigest());
    }
    // Let the last packets (the last digest among them) go before closing.
    // The peer may finish first and leave: its digest came before that.
    const auto lastEnd = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    for (int i = 0; i < 200 || (app.mDigestsAgreed < turns + 1 && std::chrono::steady_clock::now() < lastEnd &&
                                app.mNetworkReport < 0);
         ++i) {
        OPIdle();
        app.TCPIPIdleStep();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (app.mNetworkReport == kConfirmPeerLeft) app.mNetworkReport = -1;
    note();
    if (app.mNetworkReport >= 0) return fail("a report at the end");
    app.CloseTCPIP();
    delete gBattle;
    gBattle = nullptr;
    return digests;
}

// The joining side in a child process: its digests and outcome come back
// through a pipe. Without a fault, or with one the game recovers from, both
// battles are the same after the set-up and every turn, and both machines
// found every exchange's digests equal.
void RunPair(int32_t hostSpeed, int32_t joinSpeed, const char* name = "hecken", int turns = kTurns,
             bool stretch = false, const Fault& fault = {}, Outcome* hostOutcome = nullptr,
             Outcome* joinOutcome = nullptr) {
    ASSERT_TRUE(DecryptData());
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    const std::string scenario = std::string(cwd) + "/Szenarien/" + name + ".mvg";
    void* shared = mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(shared, MAP_FAILED);
    gComputingNow = static_cast<volatile uint8_t*>(shared);
    *gComputingNow = 0;
    const uint32_t port = FreeLoopbackPort();
    ASSERT_NE(port, 0u) << "no free port on the loopback address";
    int channel[2];
    ASSERT_EQ(pipe(channel), 0);
    PeerTempFolder peerTemp;
    FileTestFolder records("dm-records-");
    gRecordFolder = records.Path().string();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        peerTemp.UseInChild();
        close(channel[0]);
        std::string why;
        Outcome outcome;
        std::vector<uint64_t> digests =
            Play(false, port, joinSpeed, joinSpeed > hostSpeed, scenario, &why, turns, stretch, fault, &outcome);
        uint64_t count = digests.size();
        ssize_t ok = write(channel[1], &count, sizeof count);
        if (count > 0) ok = write(channel[1], digests.data(), sizeof(uint64_t) * digests.size());
        why.resize(200);
        ok = write(channel[1], why.data(), why.size());
        ok = write(channel[1], &outcome, sizeof outcome);
        (void)ok;
        close(channel[1]);
        _exit(0);
    }
    close(channel[1]);
    std::string why;
    Outcome ourOutcome;
    std::vector<uint64_t> ours =
        Play(true, port, hostSpeed, hostSpeed >= joinSpeed, scenario, &why, turns, stretch, fault, &ourOutcome);
    OPSetClock(nullptr);
    gStretched = false;
    uint64_t count = 0;
    std::vector<uint64_t> theirs;
    const bool counted = read(channel[0], &count, sizeof count) == sizeof count;
    if (counted && count > 0 && count < 100) {
        theirs.resize(count);
        EXPECT_EQ(read(channel[0], theirs.data(), sizeof(uint64_t) * count),
                  static_cast<ssize_t>(sizeof(uint64_t) * count));
    }
    char reason[201] = {};
    EXPECT_GE(read(channel[0], reason, 200), 0);
    Outcome theirOutcome;
    const bool outcomeRead = read(channel[0], &theirOutcome, sizeof theirOutcome) == sizeof theirOutcome;
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    munmap(shared, 4096);
    gComputingNow = nullptr;
    if (hostOutcome) *hostOutcome = ourOutcome;
    if (joinOutcome) *joinOutcome = outcomeRead ? theirOutcome : Outcome{-2, 0, 0, 0, 0};
    EXPECT_TRUE(why.empty()) << why;
    EXPECT_STREQ(reason, "");
    const bool stops = fault.kind == Fault::kDiverge || fault.kind == Fault::kDieInFile || fault.endsGame;
    if (stops) return;
    if (ourOutcome.report == kConfirmBattlesDiffer || theirOutcome.report == kConfirmBattlesDiffer)
        ADD_FAILURE() << "the battles differ first in " << FirstRecordDifference(gRecordFolder);
    EXPECT_EQ(ourOutcome.report, -1);
    EXPECT_EQ(theirOutcome.report, -1);
    EXPECT_EQ(ourOutcome.agreed, turns + 1) << "exchanges whose digests the host found equal";
    EXPECT_EQ(theirOutcome.agreed, turns + 1) << "exchanges whose digests the joining side found equal";
    ASSERT_EQ(ours.size(), static_cast<size_t>(turns + 1));
    ASSERT_EQ(theirs.size(), ours.size());
    for (size_t i = 0; i < ours.size(); ++i) {
        EXPECT_EQ(ours[i], theirs[i]) << (i == 0 ? "after the set-up" : "after turn ") << i;
        if (i > 0) {
            EXPECT_NE(ours[i], ours[i - 1]) << "turn " << i << " changed nothing";
        }
    }
}

} // namespace

TEST(TwoPlayersLoopback, HostComputesWhenTheSpeedsTie) {
    RunPair(100, 100);
}

// The set-up and first turn of every demo battle come out alike on both
// machines, whichever side presses GO first.
TEST(TwoPlayersLoopback, EveryDemoBattlePlaysAlikeOnBothMachines) {
    struct Case {
        const char* name;
        bool joinerFirst;
    };
    for (const Case& c : {Case{"hecken", false}, Case{"bruecke", false}, Case{"bruecke", true},
                          Case{"panzer", false}, Case{"panzer", true}, Case{"ausbruch", false},
                          Case{"grossangriff", false}}) {
#if defined(__SANITIZE_ADDRESS__)
        if (std::string(c.name) == "grossangriff") continue; // a turn outlasts the pump's 30 s
#endif
        SCOPED_TRACE(std::string(c.name) + (c.joinerFirst ? ", joining side first" : ", host first"));
        gJoinerFirst = c.joinerFirst;
        RunPair(100, 100, c.name, 1);
        gJoinerFirst = false;
    }
}

TEST(TwoPlayersLoopback, FasterJoiningSideComputes) {
    RunPair(100, 250);
}

// One damaged sending of a file: the receiver asks for it again, takes the
// second sending, and the game goes on with both battles the same.
struct Recoverable {
    const char* what;
    Fault fault;
    int32_t joinSpeed;
};

TEST(TwoPlayersLoopback, AFileDamagedOnceIsAskedForAgainAndTheBattlesStayTheSame) {
    const Recoverable cases[] = {
        {"results with a chunk twice", {Fault::kChunkTwice, true, 10, 0, 1}, 100},
        {"first orders with two chunks swapped", {Fault::kChunksSwapped, true, 7, 1, 1}, 100},
        {"results cut short", {Fault::kCutShort, true, 10, 1, 1}, 100},
        // The host asks again while the joining side already computes with
        // them: its results wait until the orders are in.
        {"second orders with a wrong check value", {Fault::kWrongCheck, false, 5, 1, 1}, 250},
    };
    for (const Recoverable& c : cases) {
        SCOPED_TRACE(c.what);
        Outcome host, join;
        RunPair(100, c.joinSpeed, "hecken", 2, false, c.fault, &host, &join);
        const Outcome& sender = c.fault.onHost ? host : join;
        const Outcome& receiver = c.fault.onHost ? join : host;
        EXPECT_EQ(sender.injected, 1) << "the fault was not made";
        EXPECT_EQ(receiver.asked, c.fault.kind == Fault::kChunkTwice ? 0 : 1);
    }
}

// First orders damaged at every sending cannot be had: both machines go
// back to the exchange's start, the host gives its orders again, and the
// game goes on with both battles the same.
TEST(TwoPlayersLoopback, FirstOrdersThatCannotBeHadTakeBothMachinesBackToTheExchange) {
    Outcome host, join;
    RunPair(100, 100, "hecken", 2, false, {Fault::kCutShort, true, 7, 1, 3}, &host, &join);
    EXPECT_EQ(host.injected, 3);
    EXPECT_EQ(join.asked, 2);
    EXPECT_EQ(host.again, 1);
    EXPECT_EQ(join.again, 1);
}

// Second orders damaged at every sending, the host computing: the joining
// side merged both orders but computed nothing, so both go back to the
// exchange's second half, it gives GO again, and the game goes on.
TEST(TwoPlayersLoopback, SecondOrdersThatCannotBeHadTakeBothBackWhenTheirReceiverComputes) {
    Outcome host, join;
    RunPair(100, 100, "hecken", 2, false, {Fault::kWrongCheck, false, 5, 1, 3}, &host, &join);
    EXPECT_EQ(join.injected, 3);
    EXPECT_EQ(host.asked, 2);
    EXPECT_EQ(host.again, 1);
    EXPECT_EQ(join.again, 1);
}

// Results damaged at every sending cannot be had: the joining side, which
// holds the battle they were computed from and the seed, computes the turn
// itself, both replay, and the game goes on with both battles the same.
TEST(TwoPlayersLoopback, ResultsThatCannotBeHadAreComputedByTheMachineThatWaited) {
    Outcome host, join;
    RunPair(100, 100, "hecken", 2, false, {Fault::kWrongCheck, true, 10, 0, 3}, &host, &join);
    EXPECT_EQ(host.injected, 3);
    EXPECT_EQ(join.asked, 2);
    EXPECT_EQ(host.again, 1);
    EXPECT_EQ(join.again, 1);
}

// Second orders damaged at every sending, their sender having computed the
// turn with them: nothing can be taken back, both players are told, the
// game ends, and nothing of the file is merged.
TEST(TwoPlayersLoopback, SecondOrdersWhoseSenderComputedAreReportedOnBothMachines) {
    Fault fault{Fault::kWrongCheck, false, 5, 1, 3};
    fault.endsGame = true;
    Outcome host, join;
    RunPair(100, 250, "hecken", 2, false, fault, &host, &join);
    EXPECT_EQ(join.injected, 3);
    EXPECT_EQ(host.asked, 2);
    EXPECT_EQ(host.report, kConfirmFileNotHad);
    EXPECT_EQ(join.report, kConfirmFileNotHad);
}

// Battles that differ after a turn are found at that exchange by both
// machines, and the game is not played on.
TEST(TwoPlayersLoopback, BattlesThatDifferAreReportedOnBothMachines) {
    Fault fault;
    fault.kind = Fault::kDiverge;
    fault.onHost = false;
    fault.turn = 1;
    Outcome host, join;
    RunPair(100, 100, "hecken", 2, false, fault, &host, &join);
    EXPECT_EQ(host.report, kConfirmBattlesDiffer);
    EXPECT_EQ(join.report, kConfirmBattlesDiffer);
    EXPECT_EQ(host.agreed, 1) << "the set-up's exchange was equal";
    EXPECT_EQ(join.agreed, 1);
}

// The battle's last turn is an exchange too: both machines compare the
// battle they show the result of, and report one that differs.
TEST(TwoPlayersLoopback, TheBattlesOfTheResultScreensAreComparedToo) {
    gEndAtLastTurn = true;
    Outcome host, join;
    RunPair(100, 100, "hecken", 1, false, {}, &host, &join);
    Fault fault;
    fault.kind = Fault::kDiverge;
    fault.onHost = true;
    fault.turn = 1;
    RunPair(100, 100, "hecken", 1, false, fault, &host, &join);
    gEndAtLastTurn = false;
    EXPECT_EQ(host.report, kConfirmBattlesDiffer);
    EXPECT_EQ(join.report, kConfirmBattlesDiffer);
}

// The joining side dies with its second orders sent but for the end marker:
// the host reports the lost connection and merges nothing of the file.
TEST(TwoPlayersLoopback, APeerKilledInTheMiddleOfAFileIsReported) {
    Outcome host, join;
    RunPair(100, 100, "hecken", 2, false, {Fault::kDieInFile, false, 5, 1, 1}, &host, &join);
    EXPECT_EQ(host.report, kConfirmConnectionBroken);
    EXPECT_EQ(join.report, -2) << "the joining side was to die";
}

// A turn of the largest scenario computed on the host while the joining
// side's clock runs past its time-out: the keep-alives the computation sends
// hold the connection, and the results arrive.
TEST(TwoPlayersLoopback, KeepAlivesHoldTheConnectionThroughALongComputation) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the largest battle's turn is left to the plain build under the sanitizers";
#endif
    RunPair(100, 100, "grossangriff", 1, true);
}

// The joining side loads the scenario, sends malformed and unexpected
// records instead of its answer, and dies without closing: the host ignores
// them, notices the loss, drops what it was sending and keeps its battle.
TEST(TwoPlayersLoopback, HostSurvivesAPeerThatSendsGarbageAndDies) {
    ASSERT_TRUE(DecryptData());
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    const std::string scenario = std::string(cwd) + "/Szenarien/hecken.mvg";
    const uint32_t port = FreeLoopbackPort();
    ASSERT_NE(port, 0u) << "no free port on the loopback address";
    PeerTempFolder peerTemp;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        peerTemp.UseInChild();
        ProgramFolder folder;
        LoopApp app;
        app.port = port;
        const bool connected = ConnectToHost(app);
        if (connected && PumpUntil(app, [&] { return app.mTCPIPPhase == 6 && gBattle; })) {
            uint32_t noise = 12345;
            for (int i = 0; i < 300; ++i) {
                uint8_t record[40];
                const uint32_t length = 1 + i % 40;
                for (uint32_t k = 0; k < length; ++k) {
                    noise = noise * 1103515245u + 12345u;
                    record[k] = static_cast<uint8_t>(noise >> 16);
                }
                if (length == 1 && record[0] == 11) record[0] = 12;
                OPForceSend(record, length, 1);
            }
            for (int i = 0; i < 100; ++i) {
                OPIdle();
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        _exit(0);
    }
    ProgramFolder folder;
    LoopApp host;
    host.port = port;
    host.mPlayers = 2;
    host.mConnectionType = 2;
    GFile file;
    ASSERT_TRUE(file.IFile(scenario.c_str(), kFileModeCompressedRead));
    GameFileState state;
    GameFileContents contents;
    ASSERT_EQ(ReadGameFile(&file, &state, &contents, {.takeSeed = true, .host = &host}), kGameFileLoaded);
    delete contents.campaign;
    gBattle = contents.battle;
    host.mSide = 0;
    host.ServerOpen();
    EXPECT_TRUE(PumpUntil(host, [&] { return host.mTCPIPPhase == 4; }));
    EXPECT_TRUE(PumpUntil(host, [&] { return !OPHasConnection(); }));
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(host.mTCPIPPhase, 4);
    EXPECT_EQ(host.mIncomingTurnFile, nullptr);
    EXPECT_EQ(host.mOutgoingTurnFile, nullptr);
    ASSERT_NE(gBattle, nullptr);
    host.CloseTCPIP();
    delete gBattle;
    gBattle = nullptr;
}

namespace {

// One side of an operation over TCP/IP: the host opens the demo operation
// (its first battle cut) and sends it; both end the first battle as its
// result screen does and press continue; the host takes the steps and waits
// for the joining side's packet 14, then sends the next battle. Gives the
// digest of the second battle on this machine, or 0 with the reason.
uint64_t PlayOperation(bool host, uint32_t port, const std::string& path, std::string* why) {
    ProgramFolder folder;
    LoopApp app;
    app.port = port;
    app.mPlayers = 2;
    app.mConnectionType = 2;
    auto fail = [&](const char* what) {
        *why = std::string(host ? "host: " : "joining side: ") + what + " (phase " +
               std::to_string(app.mTCPIPPhase) + ")";
        return uint64_t{0};
    };
    if (host) {
        GFile file;
        if (!file.IFile(path.c_str(), kFileModeCompressedRead)) return fail("no operation");
        GameFileState state;
        GameFileContents contents;
        if (ReadGameFile(&file, &state, &contents, {.takeSeed = true, .host = &app}) != kGameFileLoaded ||
            !contents.campaign)
            return fail("operation refused");
        gCampaign = contents.campaign;
        gBattle = gCampaign->StepToNextBattle(nullptr, state.randomSeed, &app);
        if (!gBattle) return fail("no first battle");
        app.mRandomSeed = state.randomSeed;
        app.mSide = 0;
        app.mIsHost = true;
        app.mTCPIPPhase = 0;
        app.ServerOpen();
        // An operation's battle begins as soon as it has gone (phase 4).
        if (!PumpUntil(app, [&] { return app.mTCPIPPhase == 4 || app.mTCPIPPhase == 6; })) return fail("no peer");
    } else {
        const bool connected = ConnectToHost(app);
        if (!connected) return fail("no host");
        if (!PumpUntil(app, [&] { return app.mTCPIPPhase == 6 && gBattle; })) return fail("no battle");
        if (!gCampaign || gCampaign->mTurn != 1) return fail("the operation did not come with it");
        app.mConnectionType = 2;
        app.mPlayers = 2;
    }
    // The first battle ends; its result screen counts it.
    SeedRandomGenerator(app.mRandomSeed);
    gBattle->mSetupPhase = false;
    gBattle->mTurn = gBattle->mLastTurn + 1;
    gBattle->BattleVictoryScreen(false, false);
    if (gCampaign->mTurn != 2) return fail("the battle was not counted");
    app.DoCommand(120);
    if (host) {
        if (app.mTCPIPPhase != 2 || !gBattle || !gBattle->mSetupPhase) return fail("no next battle waiting");
        // Phase 3 sends it; phase 4 begins it once it is gone.
        if (!PumpUntil(app, [&] { return app.mTCPIPPhase == 4; })) return fail("the next battle was not sent");
    } else {
        if (app.mTCPIPPhase != 5 || gBattle || gCampaign) return fail("not waiting for the next battle");
        if (!PumpUntil(app, [&] { return app.mTCPIPPhase == 6 && gBattle && gCampaign; }))
            return fail("the next battle did not arrive");
        gBattle->BeginBattle(true, true);
    }
    if (gCampaign->mTurn != 2) return fail("not the second battle");
    // What both machines must agree on: the operation's record, and where
    // each unit of the battle stands with what it has left.
    uint64_t digest = 1469598103934665603ull;
    auto mix = [&](uint64_t v) { digest = (digest ^ v) * 1099511628211ull; };
    {
        GFile file;
        if (!file.ITempFile(false)) return fail("no temporary file");
        gCampaign->Write(&file);
        file.Rewind();
        std::vector<uint8_t> bytes(static_cast<size_t>(file.GetFileLength()));
        if (!bytes.empty()) file.ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
        for (uint8_t b : bytes)
            mix(b);
    }
    for (int32_t i = 0; i < gBattle->mUnits->GetCount(); ++i) {
        Unit* u = gBattle->mUnits->GetUnit(i);
        mix(u->UniqueID());
        mix(static_cast<uint64_t>(static_cast<int64_t>(u->mX * 100.0f)));
        mix(static_cast<uint64_t>(static_cast<int64_t>(u->mY * 100.0f)));
        mix(static_cast<uint64_t>(u->mCasualties));
    }
    mix(static_cast<uint64_t>(gBattle->mTimeOfDay));
    mix(static_cast<uint64_t>(gBattle->mMap->mWidth));
    for (int i = 0; i < 200; ++i) {
        OPIdle();
        app.TCPIPIdleStep();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    app.CloseTCPIP();
    delete gBattle;
    gBattle = nullptr;
    delete gCampaign;
    gCampaign = nullptr;
    return digest;
}

} // namespace

TEST(TwoPlayersLoopback, AnOperationGoesOnToItsNextBattle) {
    ASSERT_TRUE(DecryptData());
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    const std::string path = std::string(cwd) + "/Szenarien/mortain.mvh";
    const uint32_t port = FreeLoopbackPort();
    ASSERT_NE(port, 0u) << "no free port on the loopback address";
    int channel[2];
    ASSERT_EQ(pipe(channel), 0);
    PeerTempFolder peerTemp;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        peerTemp.UseInChild();
        close(channel[0]);
        std::string why;
        uint64_t digest = PlayOperation(false, port, path, &why);
        ssize_t ok = write(channel[1], &digest, sizeof digest);
        why.resize(200);
        ok = write(channel[1], why.data(), why.size());
        (void)ok;
        close(channel[1]);
        _exit(0);
    }
    close(channel[1]);
    std::string why;
    const uint64_t ours = PlayOperation(true, port, path, &why);
    uint64_t theirs = 0;
    EXPECT_EQ(read(channel[0], &theirs, sizeof theirs), static_cast<ssize_t>(sizeof theirs));
    char reason[201] = {};
    EXPECT_GE(read(channel[0], reason, 200), 0);
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(why.empty()) << why;
    EXPECT_STREQ(reason, "");
    EXPECT_NE(ours, 0u);
    EXPECT_EQ(ours, theirs);
}
