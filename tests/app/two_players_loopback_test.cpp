// Two game processes play one battle over 127.0.0.1: the host opens its
// endpoint, the joining side connects, the build handshake and the scenario
// pass, both give scripted orders, and the set-up and three turns go through
// the orders files, their merges, one machine's computation and the results.
// After each turn both battles must be byte for byte the same. Each process
// runs headless with its own program folder.

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
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
#include "engine/EZOpenPlay.h"
#include "engine/TestPorts.h"
#include "engine/GFile.h"
#include "engine/GOLTA.h"
#include "map/Map.h"
#include "units/Hack.h"
#include "units/Unit.h"

namespace {

constexpr int kTurns = 3;

// While the computing machine computes a turn (from the start of its action
// phase to its replay), noted in memory both processes share.
volatile uint8_t* gComputingNow = nullptr;

class LoopApp : public MVApplication {
public:
    void ActionPhaseStarts() override {
        MVApplication::ActionPhaseStarts();
        if (gComputingNow) *gComputingNow = 1;
    }
    void SetState(State state) override {
        MVApplication::SetState(state);
        if (gComputingNow && state == kStatePlayback) *gComputingNow = 0;
    }
    uint32_t PeerPort() override { return port; }
    int32_t CPUSpeed() override { return speed; }
    GView* BuildBattleScreen(Battle*, bool) override { return nullptr; }
    // Headless: the battle opens without a screen.
    bool HasScreen() override { return false; }
    uint32_t port = 0;
    int32_t speed = 100;
};

uint64_t Digest(Battle* battle) {
    GFile file;
    if (!file.ITempFile(false)) return 0;
    battle->Write(&file);
    file.Rewind();
    std::vector<uint8_t> bytes(static_cast<size_t>(file.GetFileLength()));
    if (!bytes.empty()) file.ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    uint64_t hash = 1469598103934665603ull;
    for (uint8_t b : bytes)
        hash = (hash ^ b) * 1099511628211ull;
    return hash;
}

// A stretched clock for the connection: while the computing machine
// computes a turn (gComputingNow), time runs
// kStretch times faster on both machines, so a computation of a few hundred
// milliseconds lasts longer than the peer's time-out. Only keep-alives sent
// from inside the computation keep the connection then.
constexpr uint32_t kStretch = 500;
uint32_t StretchedClock() {
    static uint32_t lastReal = ClockTime();
    static uint32_t now = lastReal; // the endpoint's times so far are real ones
    const uint32_t real = ClockTime();
    now += (real - lastReal) * (*gComputingNow ? kStretch : 1);
    lastReal = real;
    return now;
}

// Runs the network and the idle step until done() or 30 s have passed.
bool PumpUntil(LoopApp& app, const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < end) {
        OPIdle();
        app.TCPIPIdleStep();
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
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
std::vector<uint64_t> Play(bool host, uint32_t port, int32_t speed, bool computes,
                           const std::string& scenario, std::string* why, int turns = kTurns,
                           bool stretch = false) {
    std::vector<uint64_t> digests;
    ProgramFolder folder;
    LoopApp app;
    app.port = port;
    app.speed = speed;
    app.mPlayers = 2;
    app.mConnectionType = 2;
    auto fail = [&](const char* what) {
        *why = std::string(host ? "host: " : "joining side: ") + what + " (phase " +
               std::to_string(app.mTCPIPPhase) + ")";
        digests.clear();
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
        if (!PumpUntil(app, [&] { return app.mTCPIPPhase == 6; })) return fail("no peer");
    } else {
        const uint8_t local[4] = {127, 0, 0, 1};
        bool connected = false;
        for (int attempt = 0; attempt < 200 && !connected; ++attempt) {
            connected = app.ConnectToPeer(local);
            if (!connected) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
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
    if (stretch) OPSetClock(&StretchedClock);

    // The set-up, then the turns: the host presses GO first; the joining
    // side once the host's orders have arrived and merged.
    for (int turn = 0; turn <= turns; ++turn) {
        GiveOrders(app, turn);
        if (host) {
            app.DoCommand(9);
            if (!PumpUntil(app, [&] { return app.mTCPIPPhase != 7; })) return fail("orders not sent");
            // Sent: Backspace no longer takes the waypoints back.
            if (app.ProhibitOrdersDueToTCPIP() && !gBattle->mSetupPhase) {
                Unit* mover = nullptr;
                for (int32_t i = 0; i < gBattle->mUnits->GetCount() && !mover; ++i)
                    if (Unit* u = gBattle->mUnits->GetUnit(i); u->mNrWaypoints > 0 && u->GetAffiliation() == 0)
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
            if (!PumpUntil(app, [&] { return app.mTCPIPPhase == 12; }))
                return fail("no orders from the host");
            app.DoCommand(9);
        }
        if (turn == 0) {
            if (!PumpUntil(app, [&] { return app.mTCPIPPhase == 6 && !gBattle->mSetupPhase; }))
                return fail("set-up did not end");
        } else {
            const uint32_t waitFrom = stretch ? StretchedClock() : 0;
            if (!PumpUntil(app, [&] { return app.mTCPIPPhase == 19; })) return fail("no results");
            if (stretch && !computes && StretchedClock() - waitFrom <= OPEndpoint::kSilenceMs)
                return fail("the turn was not longer than the time-out");
            if (app.GameMode() != kGameModeTCPIP) return fail("no longer a TCP/IP game");
            app.DoCommand(10);
            if (app.mTCPIPPhase != 6 && app.mTCPIPPhase != 10) return fail("replay did not end");
            if (app.mComputesTurn != computes) return fail("the wrong machine computed");
        }
        digests.push_back(Digest(gBattle));
    }
    // Let the last packets go before closing.
    for (int i = 0; i < 200; ++i) {
        OPIdle();
        app.TCPIPIdleStep();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    app.CloseTCPIP();
    delete gBattle;
    gBattle = nullptr;
    return digests;
}

// The joining side in a child process: its digests come back through a pipe.
void RunPair(int32_t hostSpeed, int32_t joinSpeed, const char* name = "hecken",
             int turns = kTurns, bool stretch = false) {
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
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(channel[0]);
        std::string why;
        std::vector<uint64_t> digests = Play(false, port, joinSpeed, joinSpeed > hostSpeed, scenario, &why, turns, stretch);
        uint64_t count = digests.size();
        ssize_t ok = write(channel[1], &count, sizeof count);
        if (count > 0) ok = write(channel[1], digests.data(), sizeof(uint64_t) * digests.size());
        why.resize(200);
        ok = write(channel[1], why.data(), why.size());
        (void)ok;
        close(channel[1]);
        _exit(0);
    }
    close(channel[1]);
    std::string why;
    std::vector<uint64_t> ours = Play(true, port, hostSpeed, hostSpeed >= joinSpeed, scenario, &why, turns, stretch);
    OPSetClock(nullptr);
    uint64_t count = 0;
    std::vector<uint64_t> theirs;
    if (read(channel[0], &count, sizeof count) == sizeof count && count > 0 && count < 100) {
        theirs.resize(count);
        EXPECT_EQ(read(channel[0], theirs.data(), sizeof(uint64_t) * count),
                  static_cast<ssize_t>(sizeof(uint64_t) * count));
    }
    char reason[201] = {};
    EXPECT_GE(read(channel[0], reason, 200), 0);
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    munmap(shared, 4096);
    gComputingNow = nullptr;
    EXPECT_TRUE(why.empty()) << why;
    EXPECT_STREQ(reason, "");
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

TEST(TwoPlayersLoopback, FasterJoiningSideComputes) {
    RunPair(100, 250);
}

// A turn of the largest scenario computed on the host while the joining
// side's clock runs past its time-out: the keep-alives the computation sends
// hold the connection, and the results arrive.
TEST(TwoPlayersLoopback, KeepAlivesHoldTheConnectionThroughALongComputation) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the largest battle's turn takes longer than the pump's 30 s under the sanitizers";
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
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ProgramFolder folder;
        LoopApp app;
        app.port = port;
        const uint8_t local[4] = {127, 0, 0, 1};
        bool connected = false;
        for (int attempt = 0; attempt < 200 && !connected; ++attempt) {
            connected = app.ConnectToPeer(local);
            if (!connected) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
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
        const uint8_t local[4] = {127, 0, 0, 1};
        bool connected = false;
        for (int attempt = 0; attempt < 200 && !connected; ++attempt) {
            connected = app.ConnectToPeer(local);
            if (!connected) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
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
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
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
