// The demo operation over TCP/IP between two programs, each in a process of
// its own with the real application, its screens and its own program folder,
// over real sockets on 127.0.0.1: the host picks the operation in the list
// and TCP/IP on the players screen, the other joins by its address. Battle 1
// (the night) is fought because the host's player chooses to; after one
// computed turn both players offer a cease-fire, which ends it. Both go on
// from the result screen: the host cuts battle 2 and sends it when the
// joining side says it is ready. Both must then hold the same operation and
// the same battle, in its set-up, and both must have found every exchange's
// battle digests equal.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/MVApplication.h"
#include "app/ResultView.h"
#include "app/ScenarioScroller.h"
#include "app_fixture.h"
#include "battle/Battle.h"
#include "battle/Campaign.h"
#include "engine/EZOpenPlay.h"
#include "engine/GEncoder.h"
#include "engine/FileTestFolder.h"
#include "engine/GEditView.h"
#include "engine/GKernel.h"
#include "engine/TestPorts.h"
#include "app/MapView.h"
#include "map/Map.h"
#include "scenarios/OperationFixture.h"
#include "units/Hack.h"

namespace {

// What one side's program reports to the test.
struct SideReport {
    char failure[200] = {};
    int32_t operationBattle = 0; // the operation's battle number at the end
    int32_t setup = 0;           // battle 2 is in its set-up
    int32_t timeOfDay = -1;
    int32_t side = -1;
    int32_t agreed = 0;     // exchanges of battle 1 whose digests were found equal
    int32_t secondAgreed = 0; // those of battle 2 (its set-up)
    int32_t report = -1;    // a network report shown, or -1
    int32_t firstEnded = 0; // battle 1 ended by the cease-fire, after turn 1
    uint64_t battleDigest = 0;
    int32_t radioHints = -1; // the radio's hint lines on the screen when battle 2 begins
    char operationDigest[72] = {};
    int32_t supply[2] = {-1, -1}; // the operation's supply levels, as its record holds them
    int32_t day[2] = {-1, -1};    // its day period and offset
};

// Whether the joining side's player leaves while waiting for battle 2.
bool gJoinerLeaves = false;

// The folder the two programs share: the host's mark that it listens, each
// side's mark that it has looked at battle 2, and each side's report.
std::string gShared;

bool Marked(const std::string& name) {
    return access((gShared + "/" + name).c_str(), F_OK) == 0;
}

void Mark(const std::string& name) {
    if (std::FILE* f = std::fopen((gShared + "/" + name).c_str(), "w")) std::fclose(f);
}

void Pass() {
    gKernel->DoOnePass(0);
}

GView* FindCommand(GView* root, int32_t command) {
    if (!root || !root->IsVisible()) return nullptr;
    if (auto* control = dynamic_cast<GControl*>(root))
        if (control->GetCommandID() == command) return root;
    for (int32_t i = 0; i < root->GetSubviewCount(); ++i)
        if (GView* found = FindCommand(root->GetSubview(i), command)) return found;
    return nullptr;
}

bool Shown(int32_t command) {
    return FindCommand(gKernel->GetWindow(), command) != nullptr;
}

void ClickAt(int32_t x, int32_t y) {
    PlatformEvent e;
    e.type = PlatformEvent::kMouseDown;
    e.x = x;
    e.y = y;
    e.button = 1;
    gKernel->InjectEvent(e);
    Pass();
    e.type = PlatformEvent::kMouseUp;
    gKernel->InjectEvent(e);
    Pass();
}

// Clicks the shown button that sends the command; false when none is shown.
bool Click(int32_t command) {
    GView* view = FindCommand(gKernel->GetWindow(), command);
    if (!view) return false;
    LongRect r;
    view->GetGlobalBounds(&r);
    ClickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    return true;
}

// The network and the program's TCP/IP step until done() holds; false on a
// network report or when nothing happens for three minutes (a hang).
bool Pump(MVApplication* app, const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(3);
    while (std::chrono::steady_clock::now() < end) {
        OPIdle();
        app->TCPIPIdleStep();
        if (done()) return true;
        if (app->mNetworkReport >= 0) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

// The screens between a loaded game and its battle, as a player goes
// through them: briefings, side, TCP/IP on the players screen (the host),
// the password; until the host waits for its peer or the battle has begun.
bool ThroughScreens(MVApplication* app, const std::function<bool()>& done) {
    for (int i = 0; i < 200 && !done(); ++i) {
        if (app->mNetworkReport >= 0) return false;
        if (app->mPasswordField && gKernel->IsViewAlive(app->mPasswordField)) {
            if (!Click(118)) return false;
        } else if (Click(85) || Click(86) || Click(89) || Click(109)) {
        } else if (Shown(111)) {
            if (Shown(117)) Click(117);
            Click(111);
        } else {
            OPIdle();
            Pass();
        }
    }
    return done();
}

// Both sides' orders of one exchange: the host presses GO first, the joining
// side once the host's orders have come.
bool PressGo(MVApplication* app, bool host) {
    if (!host && !Pump(app, [&] { return app->mTCPIPPhase == 12; })) return false;
    return Click(9);
}

// The operation's own record, as a saved game holds it. (The battle's
// record also holds what each screen shows: its camera and flag colours.)
std::string OperationDigest() {
    GFile file;
    if (!gCampaign) return "no operation";
    if (!file.ITempFile(false)) return std::string("no temporary file: ") + std::strerror(errno);
    gCampaign->Write(&file);
    file.Rewind();
    std::vector<uint8_t> bytes(static_cast<size_t>(file.GetFileLength()));
    if (!bytes.empty()) file.ReadBytes(bytes.data(), static_cast<int32_t>(bytes.size()));
    return HavalHex(HavalHash256(bytes.data(), bytes.size()));
}

void Fail(SideReport* report, const std::string& why, MVApplication* app) {
    const std::string text = why + " (phase " + std::to_string(app ? app->mTCPIPPhase : -1) + ", report " +
                             std::to_string(app ? app->mNetworkReport : -1) + ")";
    std::strncpy(report->failure, text.c_str(), sizeof report->failure - 1);
}

void PlaySide(bool host, uint32_t port, SideReport* report) {
    RealArtProgram program;
    MVApplication* app = program.App();
    if (!program.Started()) return Fail(report, "no program", nullptr);
    app->mGamePort = port;
    std::filesystem::copy_file(std::string(DM_SCENARIO_BUILT_DIR) + "/mortain.mvh",
                               program.Path("Szenarien/mortain.mvh"));
    // The title, then the main menu.
    for (int i = 0; i < 50 && !(app->mMenuPicture && gKernel->IsViewAlive(app->mMenuPicture)); ++i) {
        PlatformEvent key;
        key.type = PlatformEvent::kKey;
        key.key = 'x';
        gKernel->InjectEvent(key);
        Pass();
        ClickAt(400, 300);
    }
    if (!app->mMenuPicture) return Fail(report, "no main menu", app);
    const auto battleBegun = [&] {
        return gBattle && gBattle->mMap && gBattle->mMap->mView && gBattle->mMap->mView->IsVisible();
    };
    if (host) {
        // The operation from the list, TCP/IP on the players screen.
        if (!Click(67) || !app->mScenarioList) return Fail(report, "no scenario list", app);
        Click(79);
        if (app->mScenarioList->Choice() != 1) return Fail(report, "the operations were not chosen", app);
        if (!Click(72) || !gCampaign || !gBattle) return Fail(report, "the operation did not open", app);
        if (!ThroughScreens(app, [&] { return app->mServerWaitWindow && gKernel->IsViewAlive(app->mServerWaitWindow); }))
            return Fail(report, "the host does not wait for its peer", app);
        if (app->mConnectionType != 2) return Fail(report, "not a TCP/IP game", app);
        Mark("listening");
        if (!Pump(app, [&] { return app->mTCPIPPhase == 6; })) return Fail(report, "the peer did not load", app);
    } else {
        if (!Click(68) || !Click(75)) return Fail(report, "no address screen", app);
        const char* octets[4] = {"127", "0", "0", "1"};
        for (int i = 0; i < 4; ++i) {
            auto* field = static_cast<GEditView*>(app->mAddressField[i]);
            if (!field) return Fail(report, "no address field", app);
            field->Clear();
            GString15 text(octets[i]);
            field->InsertString(&text);
        }
        const auto until = std::chrono::steady_clock::now() + std::chrono::minutes(3);
        while (!Marked("listening") && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        Click(76);
        if (app->mTCPIPPhase != 5) return Fail(report, "not connected", app);
        if (!Pump(app, [&] { return gBattle && gCampaign; })) return Fail(report, "no operation came", app);
        if (!ThroughScreens(app, battleBegun)) return Fail(report, "the battle did not begin", app);
    }
    if (!gCampaign || gCampaign->mTurn != 1 || gBattle->mTimeOfDay != kNight)
        return Fail(report, "not the operation's night battle", app);

    // The night: the host's player fights it, the joining side's rests.
    if (!PressGo(app, host)) return Fail(report, "no GO in the set-up", app);
    if (!Click(host ? 17 : 18)) return Fail(report, "the night was not asked", app);
    // Over (the host's first orders may be in already, 10 or 12).
    if (!Pump(app, [&] { return app->mTCPIPPhase <= 12 && !gBattle->mSetupPhase; }))
        return Fail(report, "the set-up did not end", app);
    if (gBattle->Over()) return Fail(report, "the night was not fought", app);
    // Turn 1, computed on one machine, replayed on both.
    if (!PressGo(app, host)) return Fail(report, "no GO in turn 1", app);
    if (!Pump(app, [&] { return app->mTCPIPPhase >= 19 && app->mTCPIPPhase <= 21; }))
        return Fail(report, "turn 1 was not replayed", app);
    app->DoCommand(10);
    if (gBattle->mTurn != 2 || gBattle->Over()) return Fail(report, "turn 2 did not come", app);
    // Both offer a cease-fire and press GO: battle 1 ends on both.
    if (!Click(106) || !Click(107)) return Fail(report, "no cease-fire offered", app);
    if (!PressGo(app, host)) return Fail(report, "no GO in turn 2", app);
    if (!Pump(app, [&] { return gBattle->mResultView != nullptr; })) return Fail(report, "battle 1 did not end", app);
    report->firstEnded = gBattle->Over() && gCampaign->mTurn == 2;
    // Both result screens come from the same battle: the digests of its
    // last exchange agree (the peer's may come while the result shows).
    Pump(app, [&] { return app->mDigestsAgreed >= 3; });
    report->agreed = app->mDigestsAgreed;
    // The result screen's button, then battle 2.
    if (!Click(120)) return Fail(report, "no way on from the result", app);
    if (host && gJoinerLeaves) {
        // Told at once, or while it waits for the joining side's word.
        Pump(app, [] { return false; });
        report->report = app->mNetworkReport;
        return;
    }
    if (host) {
        // It waits for the joining side's word (2), or has it and sends (3, 4).
        if (app->mTCPIPPhase < 2 || app->mTCPIPPhase > 4 || gCampaign->mTurn != 2)
            return Fail(report, "the host does not go on to battle 2", app);
        if (!Pump(app, [&] { return app->mTCPIPPhase == 6; })) return Fail(report, "battle 2 was not loaded", app);
    } else {
        if (app->mTCPIPPhase != 5 || gBattle) return Fail(report, "the joining side does not wait", app);
        if (gJoinerLeaves) {
            // Its player gives up waiting (its button's command, before the
            // next pass can bring battle 2): back to the main menu.
            if (!Shown(77)) return Fail(report, "no way back from waiting", app);
            app->DoCommand(77);
            Pass();
            report->operationBattle = gCampaign ? gCampaign->mTurn : 0;
            report->setup = app->mMenuPicture && gKernel->IsViewAlive(app->mMenuPicture);
            return;
        }
        if (!Pump(app, [&] { return gBattle && gCampaign; })) return Fail(report, "battle 2 did not come", app);
        if (!ThroughScreens(app, battleBegun)) return Fail(report, "battle 2 did not begin", app);
    }
    // The last packets, the digest of battle 1's last exchange among them.
    for (int i = 0; i < 200; ++i) {
        OPIdle();
        app->TCPIPIdleStep();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    report->operationBattle = gCampaign->mTurn;
    report->setup = gBattle->mSetupPhase;
    report->timeOfDay = gBattle->mTimeOfDay;
    report->side = app->mSide;
    report->report = app->mNetworkReport;
    report->battleDigest = gBattle->SimulationDigest();
    report->radioHints = 0;
    for (int32_t i = 0; i < 14; ++i)
        report->radioHints += app->mRadioLine[i].GetLength() > 0 && app->mRadioSide[i] == 2;
    const std::string digest = OperationDigest();
    std::strncpy(report->operationDigest, digest.c_str(), sizeof report->operationDigest - 1);
    report->supply[0] = gCampaign->mSupplyLevel[0];
    report->supply[1] = gCampaign->mSupplyLevel[1];
    report->day[0] = gCampaign->mDayPeriod;
    report->day[1] = gCampaign->mDayOffset;
    // Battle 2's set-up goes through its exchange as battle 1's did.
    if (!PressGo(app, host)) return Fail(report, "no GO in battle 2's set-up", app);
    if (!Pump(app, [&] { return app->mTCPIPPhase <= 12 && !gBattle->mSetupPhase; }))
        return Fail(report, "battle 2's set-up did not end", app);
    Pump(app, [&] { return app->mDigestsAgreed >= 1; });
    report->secondAgreed = app->mDigestsAgreed;
    // Neither leaves before the other has looked: a peer that leaves is
    // reported now that the operation goes on.
    Mark(host ? "done-host" : "done-join");
    Pump(app, [] { return Marked("done-host") && Marked("done-join"); });
    app->CloseTCPIP();
}

} // namespace

// One side's program: this test program run once more for that side alone,
// so that neither side inherits threads or a window of this one.
TEST(OperationOverTcp, OneSideOfTwo) {
    const char* side = getenv("DM_OPERATION_TCP_SIDE");
    if (!side) GTEST_SKIP() << "one side of the two-program tests, which run it";
    gShared = getenv("DM_OPERATION_TCP_FOLDER");
    gJoinerLeaves = getenv("DM_OPERATION_TCP_LEAVES") != nullptr;
    const bool host = std::string(side) == "host";
    SideReport report;
    PlaySide(host, static_cast<uint32_t>(std::atoi(getenv("DM_OPERATION_TCP_PORT"))), &report);
    std::FILE* f = std::fopen((gShared + "/report-" + side).c_str(), "wb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(std::fwrite(&report, sizeof report, 1, f), 1u);
    std::fclose(f);
}

// Both sides' programs; their reports.
static void PlayPair(SideReport out[2], bool joinerLeaves) {
    const uint32_t port = FreeLoopbackPort();
    ASSERT_NE(port, 0u) << "no free port on the loopback address";
    FileTestFolder shared("dm-op-tcp-");
    std::fflush(stdout);
    pid_t child[2];
    const char* sides[2] = {"host", "join"};
    for (int side = 0; side < 2; ++side) {
        child[side] = fork();
        ASSERT_GE(child[side], 0);
        if (child[side] == 0) {
            setenv("DM_OPERATION_TCP_SIDE", sides[side], 1);
            setenv("DM_OPERATION_TCP_FOLDER", shared.Path().c_str(), 1);
            setenv("DM_OPERATION_TCP_PORT", std::to_string(port).c_str(), 1);
            if (joinerLeaves) setenv("DM_OPERATION_TCP_LEAVES", "1", 1);
            setenv("TMPDIR", shared.Path().c_str(), 1);
            // The run of this program's shard, and its report, are not the side's.
            for (const char* name : {"GTEST_TOTAL_SHARDS", "GTEST_SHARD_INDEX", "GTEST_SHARD_STATUS_FILE",
                                     "GTEST_OUTPUT", "GTEST_FILTER"})
                unsetenv(name);
            execl("/proc/self/exe", "test_app", "--gtest_filter=OperationOverTcp.OneSideOfTwo", nullptr);
            _exit(127);
        }
    }
    for (int side = 0; side < 2; ++side) {
        int status = 0;
        waitpid(child[side], &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << sides[side] << " did not end well";
        std::FILE* f = std::fopen((shared.Path().string() + "/report-" + sides[side]).c_str(), "rb");
        if (!f) {
            ADD_FAILURE() << sides[side] << " left no report";
            continue;
        }
        EXPECT_EQ(std::fread(&out[side], sizeof out[side], 1, f), 1u);
        std::fclose(f);
    }
}

TEST(OperationOverTcp, BothSidesReachTheSecondBattleWithTheSameOperation) {
    SideReport reports[2];
    PlayPair(reports, false);
    if (HasFatalFailure()) return;
    const SideReport& h = reports[0];
    const SideReport& j = reports[1];
    EXPECT_STREQ(h.failure, "") << "the host";
    EXPECT_STREQ(j.failure, "") << "the joining side";
    EXPECT_EQ(h.report, -1);
    EXPECT_EQ(j.report, -1);
    EXPECT_TRUE(h.firstEnded && j.firstEnded) << "battle 1 ended by the cease-fire after turn 1";
    // The set-up, turn 1 and the cease-fire's exchange, compared on both.
    EXPECT_EQ(h.agreed, 3);
    EXPECT_EQ(j.agreed, 3);
    EXPECT_EQ(h.secondAgreed, 1);
    // Each machine tells its player once how to use the radio.
    EXPECT_EQ(h.radioHints, 1);
    EXPECT_EQ(j.radioHints, 1);
    EXPECT_EQ(j.secondAgreed, 1);
    EXPECT_EQ(h.side, 0);
    EXPECT_EQ(j.side, 1);
    for (const SideReport* r : {&h, &j}) {
        EXPECT_EQ(r->operationBattle, 2);
        EXPECT_TRUE(r->setup);
        EXPECT_EQ(r->timeOfDay, kMorning);
    }
    EXPECT_NE(h.battleDigest, 0u);
    EXPECT_EQ(h.battleDigest, j.battleDigest) << "battle 2 differs";
    EXPECT_NE(std::string(h.operationDigest), "");
    EXPECT_STREQ(h.operationDigest, j.operationDigest) << "the operation differs";
    // Both operations were read by the same code (the host's from the list):
    // what no step changes is held against the operation built from its
    // description.
    ASSERT_TRUE(DecryptData());
    const std::unique_ptr<Campaign> built = BuildDemoOperation();
    ASSERT_NE(built, nullptr);
    for (const SideReport* r : {&h, &j}) {
        EXPECT_EQ(r->supply[0], built->mSupplyLevel[0]);
        EXPECT_EQ(r->supply[1], built->mSupplyLevel[1]);
        EXPECT_EQ(r->day[0], built->mDayPeriod);
        EXPECT_EQ(r->day[1], built->mDayOffset);
    }
}

// The joining side's player leaves while waiting for battle 2: the host,
// which waits for its word, is told.
TEST(OperationOverTcp, TheHostIsToldWhenTheJoiningSideLeavesBetweenBattles) {
    SideReport reports[2];
    PlayPair(reports, true);
    if (HasFatalFailure()) return;
    EXPECT_STREQ(reports[0].failure, "") << "the host";
    EXPECT_STREQ(reports[1].failure, "") << "the joining side";
    // Its word that it leaves (box 4) may be lost when the host's sending of
    // battle 2 meets the closed connection first (box 1).
    EXPECT_TRUE(reports[0].report == kConfirmPeerLeft || reports[0].report == kConfirmConnectionBroken)
        << reports[0].report;
    EXPECT_TRUE(reports[1].setup) << "the joining side is back at the main menu";
    EXPECT_EQ(reports[1].operationBattle, 0) << "with no operation";
}
