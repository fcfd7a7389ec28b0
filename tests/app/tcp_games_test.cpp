// Two programs play a demo battle over TCP/IP on 127.0.0.1 as two players
// would: each a process of its own with its own program folder and a new
// player's preferences, through the menus, the connection, the passwords and
// the set-up, then turns with orders on both sides, every replay drawn on the
// software screen; one side runs each replay fast forward, the other watches
// it whole, and the two press GO at different moments. After every exchange
// both battles are compared: the game's own digests, the battle's digest and
// its simulation records (the first unit and field that differ are named).
//
// The programs run on the driver's clock, so a replay costs its frames only.
// TcpGames.EveryBattleTwoTurns is the short form; scripts/tcp-soak plays
// TcpGames.OneGame over many seeds and variations.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/AppTypes.h"
#include "app/MVApplication.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "battle_records.h"
#include "engine/EZOpenPlay.h"
#include "engine/FileTestFolder.h"
#include "engine/GDrawRecord.h"
#include "engine/TestPorts.h"
#include "engine/GKernel.h"
#include "engine/GOLTA.h"
#include "engine/GView.h"
#include "panel_marks.h"
#include "play_through_driver.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

#ifdef DM_COVERAGE
extern "C" void __gcov_dump(void);
#endif

namespace {

constexpr int32_t kGo = 9;
constexpr int32_t kNextTurn = 10;
constexpr int32_t kForward = 14;
constexpr int kMaxTurns = 8;

struct DemoBattle {
    const char* file;
    const char* title; // the list's title starts so
};

const DemoBattle kBattles[] = {{"hecken", "Hecken bei Saint-L"},     {"panzer", "Panzer bei Arracourt"},
                               {"bruecke", "Br"},                    {"ausbruch", "Ausbruch bei Chambois"},
                               {"grossangriff", "Gro"},              {"hatten", "Hatten im Schnee"}};

// One game's variation: who hosts which side, who runs the replays fast
// forward, who presses GO first and how much later the other does, orders
// or none, each player's fog of war (as loaded, off, or the two differing),
// and the watching side's frame time.
struct TcpGame {
    DemoBattle battle;
    uint32_t seed = 1;
    int turns = 2;
    int32_t hostSide = 0;         // the side the host takes
    bool hostFastForwards = true; // the other side watches every replay whole
    bool joinerFirst = false;     // who presses GO (and NEXT TURN) first
    int32_t laterMs = 0;          // how much later the other presses
    bool orders = true;
    int32_t hostFog = -1;   // the host's fog-of-war level; -1: as loaded
    int32_t joinerFog = -1; // the joining player's own
    int32_t watchFrameMs = 40;
    // The first side's GO may come while the other still watches its
    // replay (its orders are merged there at the replay's end); otherwise
    // each side's GO waits until the other has its turn's orders open.
    bool goDuringReplay = false;
    // Each machine's speed as its kernel measured it (0: as measured): the
    // faster machine computes the turns.
    int32_t hostSpeed = 0;
    int32_t joinerSpeed = 0;
    // A side's own orders before its GO (the orders above still come), and
    // what it finds at the end of a turn's replay, before NEXT TURN.
    std::function<void(MVApplication*, int32_t turn)> beforeGo;
    std::function<int32_t(MVApplication*, int32_t turn)> atReplayEnd;

    std::string Name() const {
        char text[160];
        std::snprintf(text, sizeof text,
                      "%s seed %u: host %s, %s fast forward, %s first +%d ms%s, %s, fog %d/%d, %d ms frames",
                      battle.file, seed, hostSide == 0 ? "Axis" : "Allies", hostFastForwards ? "host" : "joiner",
                      joinerFirst ? "joiner" : "host", laterMs, goDuringReplay ? " during the replay" : "",
                      orders ? "orders" : "no orders", hostFog, joinerFog, watchFrameMs);
        return text;
    }
};

// The variation numbered v (0..9 differ in every choice at least once).
TcpGame Variation(const DemoBattle& battle, int v, uint32_t seed, int turns) {
    TcpGame g;
    g.battle = battle;
    g.seed = seed;
    g.turns = turns;
    g.hostSide = v & 1;
    g.hostFastForwards = (v >> 1 & 1) == 0;
    g.joinerFirst = (v % 3) == 1;
    const int32_t later[] = {0, 2000, 700, 5000, 20};
    g.laterMs = later[(v + static_cast<int>(seed)) % 5];
    g.orders = v % 5 != 4;
    // Both off, or the host at "Extrem" and the joining player at "Kein".
    if (v == 7) g.hostFog = g.joinerFog = 0;
    if (v == 9) {
        g.hostFog = 3;
        g.joinerFog = 0;
    }
    g.watchFrameMs = v % 4 == 3 ? 20 : 40;
    g.goDuringReplay = v % 3 == 2;
    return g;
}

// What one side reports back through its pipe.
struct SideResult {
    uint64_t digest[kMaxTurns + 1] = {}; // the battle's digest as turn t's orders open
    bool peerOrdersIn[kMaxTurns + 1] = {}; // the peer's orders of turn t were merged by then
    int32_t turnsSeen = 0;
    int32_t report = -1; // the network report shown, or -1
    int32_t agreed = 0;  // exchanges whose digests the game found equal
    int32_t failed = 0;
    int32_t atReplayEnd = -1; // what TcpGame::atReplayEnd found last
};

std::string gFolder;        // the game's records, by turn
int gListeningPipe = -1;    // the host's sign that it listens
int gPartsAtFork = 0;       // the test's results when this side was forked

// Whether this side failed: the failures before the fork are the test's.
bool FailedHere() {
    const ::testing::TestResult* result = ::testing::UnitTest::GetInstance()->current_test_info()->result();
    for (int k = gPartsAtFork; k < result->total_part_count(); ++k)
        if (result->GetTestPartResult(k).failed()) return true;
    return false;
}

std::string Mark(const char* what, bool host, int32_t turn = 0) {
    return gFolder + "/" + what + (host ? "-host-" : "-join-") + std::to_string(turn);
}

void Touch(const std::string& path) {
    if (std::FILE* f = std::fopen(path.c_str(), "w")) std::fclose(f);
}

bool BattleShown() {
    return BattleScreenShown();
}

// A few of this side's units sent some way towards the other side, the
// places drawn from the game's seed and the turn (the program's own
// generator stays untouched).
void GiveOrders(MVApplication* app, const TcpGame& game, int32_t turn) {
    uint32_t state = game.seed * 2654435761u + static_cast<uint32_t>(turn) * 40503u + app->mSide;
    auto next = [&] {
        state = state * 1103515245u + 12345u;
        return (state >> 16) & 0x7FFFu;
    };
    int32_t given = 0;
    for (int32_t i = 0; i < gBattle->mUnits->GetCount() && given < 3; ++i) {
        Unit* u = gBattle->mUnits->GetUnit(i);
        if (u->GetAffiliation() != app->mSide || !u->CanReceiveOrders() || next() % 3 != 0) continue;
        const float ahead = app->mSide == 0 ? 1.0f : -1.0f;
        const float dx = ahead * static_cast<float>(10 + next() % 40);
        const float dy = static_cast<float>(static_cast<int32_t>(next() % 41) - 20);
        // As the map's order menu gives a move order.
        u->ReceiveMoveOrders(u->mX + dx, u->mY + dy, 20, nullptr, false, false, true, true);
        ++given;
    }
}

// The screens of a TCP/IP game up to its battle screen.
bool ToBattle(PlayDriver& d, bool host, const TcpGame& game) {
    MVApplication* app = d.App();
    if (!ToMainMenu(d)) return false;
    // Each player's own fog-of-war level, as the options left it.
    const int32_t fog = host ? game.hostFog : game.joinerFog;
    if (fog >= 0) app->mPrefs[kPrefFogOfWar] = static_cast<int8_t>(fog);
    if (host) {
        if (!OpenListed(d, game.battle.title, false)) return false;
    } else {
        // The host listens already: the test started this side after it said so.
        if (!d.ClickCommand(68)) return false;
        d.Run(200);
        if (!d.ClickCommand(75)) return false;
        d.Run(200);
        const char* octets[4] = {"127", "0", "0", "1"};
        for (int i = 0; i < 4; ++i) {
            GView* field = app->mAddressField[i];
            if (!field) {
                ADD_FAILURE() << "no address field " << i;
                return false;
            }
            int32_t x = 0, y = 0;
            PlayDriver::CentreOf(field, &x, &y);
            d.Click(x, y);
            for (int k = 0; k < 4; ++k)
                d.Key(kKeyBackspace);
            d.Type(octets[i]);
        }
        if (!d.ClickCommand(76)) return false;
    }
    bool tcpChosen = false;
    return d.AwaitOther(
        [&] {
            if (BattleShown() || FailedHere()) return true;
            d.AllowBeeps();
            if (host && gListeningPipe >= 0 && app->mServerWaitWindow &&
                gKernel->IsViewAlive(app->mServerWaitWindow)) {
                const char listening = 1;
                EXPECT_EQ(write(gListeningPipe, &listening, 1), 1);
                close(gListeningPipe);
                gListeningPipe = -1;
            }
            if (app->mPasswordField && gKernel->IsViewAlive(app->mPasswordField)) {
                d.Type(host ? "wirt" : "gast");
                d.Key(kKeyReturn);
            } else if (int32_t c = ShownCommand({85, 86, 87, 89})) {
                d.ClickCommand(c);
            } else if (int32_t s = ShownCommand({109 + (host ? game.hostSide : 1 - game.hostSide), 109, 110})) {
                d.ClickCommand(s);
            } else if (ShownCommand({111})) {
                if (!tcpChosen && ShownCommand({117})) {
                    d.ClickCommand(117);
                    tcpChosen = true;
                }
                d.ClickCommand(111);
            }
            return false;
        },
        "the battle screen") && BattleShown();
}

// One side's game; what it saw goes into result.
void PlaySide(PlayDriver& d, bool host, const TcpGame& game, SideResult* result) {
    MVApplication* app = d.App();
    if (!ToBattle(d, host, game)) {
        ADD_FAILURE() << d.RunName() << ": no battle screen (phase " << app->mTCPIPPhase << ", state "
                      << app->InteractionState() << ")";
        return;
    }
    // The host's level holds on both machines; the joining player's own stays.
    if (game.hostFog >= 0) EXPECT_EQ(app->FogOfWarLevel(), game.hostFog) << game.Name();
    if (!host && game.joinerFog >= 0) EXPECT_EQ(app->mPrefs[kPrefFogOfWar], game.joinerFog) << game.Name();
    const bool fastForward = host == game.hostFastForwards;
    const bool first = host != game.joinerFirst;
    const int32_t wait = first ? 0 : game.laterMs;
    int32_t pressedFor = -1;   // the turn (0: the set-up) whose GO was pressed
    int32_t nextFor = -1;      // the turn whose replay was left by NEXT TURN
    int32_t openedAt = -1;     // the driver's passes since that turn's orders opened
    int32_t forwardFor = -1;   // the turn whose replay was run fast forward
    int32_t replayFor = -1;    // the turn whose replay began
    const uint32_t start = RealClockTime();
    while (RealClockTime() - start < PlayDriver::kHungMs && !FailedHere()) {
        d.AllowBeeps();
        // The other side left the game (a report that ends it, or a fault).
        if (access(Mark("left", !host).c_str(), F_OK) == 0) {
            std::printf("[%s] the other side left the game in turn %d\n", d.RunName().c_str(),
                        gBattle ? gBattle->mTurn : -1);
            break;
        }
        // A file given up on that the game plays on after: the player's OK.
        const bool playsOn =
            app->mNetworkReport == kConfirmExchangeAgain || app->mNetworkReport == kConfirmResultsComputedHere;
        if (playsOn && result->report != app->mNetworkReport) {
            result->report = app->mNetworkReport;
            std::printf("[%s] network report %d in turn %d (phase %d); plays on\n", d.RunName().c_str(),
                        app->mNetworkReport, gBattle ? gBattle->mTurn : -1, app->mTCPIPPhase);
        }
        if (playsOn && ShownCommand({kCommandNothing})) {
            d.ClickCommand(kCommandNothing);
            continue;
        }
        if (app->mNetworkReport >= 0 && !playsOn) {
            result->report = app->mNetworkReport;
            // Each side's battle as the split was found, to name what differs.
            if (app->mNetworkReport == kConfirmBattlesDiffer) {
                std::error_code ec;
                std::filesystem::create_directories(gFolder + "/split", ec);
                WriteBattleRecords(gFolder + "/split", host);
            }
            std::printf("[%s] network report %d in turn %d (phase %d)\n", d.RunName().c_str(),
                        app->mNetworkReport, gBattle ? gBattle->mTurn : -1, app->mTCPIPPhase);
            break;
        }
        const int32_t turn = gBattle ? (gBattle->mSetupPhase ? 0 : gBattle->mTurn) : -1;
        if (app->InteractionState() == kStatePlayback) {
            openedAt = -1;
            if (!gBattle->AtEndOfPlayback()) {
                if (replayFor != turn) {
                    replayFor = turn;
                    std::printf("[%s] turn %d's replay starts after %u s (phase %d)\n", d.RunName().c_str(), turn,
                                (RealClockTime() - start) / 1000, app->mTCPIPPhase);
                }
                // Phase 19 and on: the turn's results are here and its replay runs.
                const bool resultsHere = app->mTCPIPPhase >= 19;
                if (fastForward && resultsHere && forwardFor != turn) {
                    forwardFor = turn;
                    for (int i = 0; i < 40 && !gBattle->AtEndOfPlayback(); ++i)
                        if (!PlayDriver::FindControl(gKernel->GetWindow(), kForward) || !d.ClickCommand(kForward))
                            break;
                }
                d.Pass(fastForward || !resultsHere ? PlayDriver::kPassMs : game.watchFrameMs);
            } else if (nextFor != turn && ShownCommand({kNextTurn})) {
                std::printf("[%s] turn %d's replay over after %u s\n", d.RunName().c_str(), turn,
                            (RealClockTime() - start) / 1000);
                if (game.atReplayEnd) result->atReplayEnd = game.atReplayEnd(app, turn);
                d.Run(wait);
                nextFor = turn;
                d.ClickCommand(kNextTurn);
            } else {
                d.Run(100);
            }
            continue;
        }
        if (app->InteractionState() == kStateNone && turn >= 0 && ShownCommand({kGo}) && pressedFor != turn) {
            if (turn >= 1 && result->turnsSeen < turn) {
                // The orders of turn t open: the battles must be the same.
                result->turnsSeen = turn;
                result->digest[std::min(turn, kMaxTurns)] = SharedBattleDigest();
                result->peerOrdersIn[std::min(turn, kMaxTurns)] = app->mTCPIPPhase == 12;
                Touch(Mark("open", host, turn));
                const std::string folder = gFolder + "/turn" + std::to_string(turn);
                std::error_code ec;
                std::filesystem::create_directories(folder, ec);
                WriteBattleRecords(folder, host);
                if (turn > game.turns) break;
            }
            if (turn >= 1 && !game.goDuringReplay && access(Mark("open", !host, turn).c_str(), F_OK) != 0) {
                d.Pass(); // the other side's orders are not open yet
                continue;
            }
            if (openedAt < 0) openedAt = 0;
            if (openedAt * PlayDriver::kPassMs < wait) {
                ++openedAt;
                d.Pass();
                continue;
            }
            if (game.orders && turn >= 1) GiveOrders(app, game, turn);
            if (game.beforeGo) game.beforeGo(app, turn);
            pressedFor = turn;
            openedAt = -1;
            d.ClickCommand(kGo);
            continue;
        }
        d.Run(100);
    }
    if (result->turnsSeen <= game.turns) Touch(Mark("left", host));
    // The last exchange's digests compared on both machines; then each side
    // keeps its program running until the other is through, as a player who
    // left early would break the connection the other still plays on.
    if (result->turnsSeen > game.turns && !FailedHere())
        d.AwaitOther([&] { return app->mDigestsAgreed >= game.turns + 1 || app->mNetworkReport == kConfirmBattlesDiffer; },
                     "the exchanges' digests compared");
    Touch(Mark("done", host));
    const std::string other = Mark("done", !host);
    d.AwaitOther([&] { return access(other.c_str(), F_OK) == 0; }, "the other side through");
    result->agreed = app->mDigestsAgreed;
    if (app->mNetworkReport == kConfirmBattlesDiffer && result->report != kConfirmBattlesDiffer) {
        result->report = app->mNetworkReport;
        std::error_code ec;
        std::filesystem::create_directories(gFolder + "/split", ec);
        WriteBattleRecords(gFolder + "/split", host);
    }
    std::printf("[%s] turns seen %d, digests agreed %d, report %d\n", d.RunName().c_str(), result->turnsSeen,
                result->agreed, result->report);
}

// Plays one game in two forked processes; whether the battles split, with
// what differs first.
struct GameOutcome {
    bool played = false;
    bool split = false;
    std::string difference;
    int32_t atReplayEnd[2] = {-1, -1}; // each side's, host first
};

GameOutcome PlayGame(const TcpGame& game) {
    GameOutcome outcome;
    std::printf("[tcp-game] %s\n", game.Name().c_str());
    const uint32_t began = RealClockTime();
    FileTestFolder records("dm-tcp-game-");
    gFolder = records.Path().string();
    setenv("DM_PLAY_SHOTS", (gFolder + "/shots").c_str(), 1);
    std::fflush(stdout);
    // A port of this game's own: other games on the machine keep apart.
    const uint16_t port = FreeLoopbackPort();
    int listening[2];
    if (port == 0 || pipe(listening) != 0) {
        ADD_FAILURE() << "no pipe";
        return outcome;
    }
    int channel[2][2];
    pid_t child[2] = {-1, -1};
    for (int side = 0; side < 2; ++side) {
        if (side == 1) {
            // The joining side starts once the host listens (or has ended).
            char said = 0;
            const ssize_t got = read(listening[0], &said, 1);
            close(listening[0]);
            if (got != 1) ADD_FAILURE() << game.Name() << ": the host ended before it listened";
        }
        if (pipe(channel[side]) != 0) {
            ADD_FAILURE() << "no pipe";
            return outcome;
        }
        child[side] = fork();
        if (child[side] < 0) {
            ADD_FAILURE() << "no fork";
            return outcome;
        }
        if (child[side] == 0) {
            close(channel[side][0]);
            if (side == 0) {
                close(listening[0]);
                gListeningPipe = listening[1];
            }
            OPSetPort(port);
            gPartsAtFork = ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
            SideResult result;
            {
                PlayDriver d(std::string(side == 0 ? "tcp-host-" : "tcp-join-") + game.battle.file, 800, 600);
                if (d.Start()) {
                    if (const int32_t speed = side == 0 ? game.hostSpeed : game.joinerSpeed)
                        gKernel->mCPUSpeed = speed;
                    // The seeds the host draws for the game come from here.
                    SeedRandomGenerator(game.seed * 7919u + static_cast<uint32_t>(side));
                    PlaySide(d, side == 0, game, &result);
                } else {
                    // The other side must not wait for this one.
                    Touch(Mark("left", side == 0));
                    Touch(Mark("done", side == 0));
                }
            }
            result.failed = FailedHere() ? 1 : 0;
            std::fflush(stdout);
            const ssize_t wrote = write(channel[side][1], &result, sizeof result);
            (void)wrote;
            close(channel[side][1]);
#ifdef DM_COVERAGE
            __gcov_dump();
#endif
            _exit(0);
        }
        close(channel[side][1]);
        if (side == 0) close(listening[1]);
    }
    SideResult result[2];
    for (int side = 0; side < 2; ++side) {
        const ssize_t got = read(channel[side][0], &result[side], sizeof result[side]);
        close(channel[side][0]);
        int status = 0;
        waitpid(child[side], &status, 0);
        if (got != static_cast<ssize_t>(sizeof result[side])) {
            ADD_FAILURE() << game.Name() << ": " << (side == 0 ? "the host" : "the joining side")
                          << " ended without its result";
            result[side].failed = 1;
        }
    }
    // Both sides through the same turns with the same battle after each.
    const int32_t seen = std::min(result[0].turnsSeen, result[1].turnsSeen);
    for (int32_t t = 1; t <= std::min(seen, kMaxTurns); ++t) {
        if (result[0].digest[t] == result[1].digest[t]) continue;
        // A side that had the peer's orders of the turn merged before its
        // orders opened holds them by right; the game's digest, noted at
        // the replay's end before that merge, judges that exchange.
        if (result[0].peerOrdersIn[t] || result[1].peerOrdersIn[t]) continue;
        outcome.split = true;
        outcome.difference = "turn " + std::to_string(t) + ": " +
                             FirstRecordDifference(gFolder + "/turn" + std::to_string(t));
        break;
    }
    if (result[0].report == kConfirmBattlesDiffer || result[1].report == kConfirmBattlesDiffer) {
        outcome.split = true;
        if (outcome.difference.empty())
            outcome.difference = "the game's digests differ (box " + std::to_string(kConfirmBattlesDiffer) +
                                 ") after turn " + std::to_string(seen) + ": " +
                                 FirstRecordDifference(gFolder + "/split");
    }
    outcome.atReplayEnd[0] = result[0].atReplayEnd;
    outcome.atReplayEnd[1] = result[1].atReplayEnd;
    outcome.played = seen > game.turns && !result[0].failed && !result[1].failed &&
                     result[0].report < 0 && result[1].report < 0;
    EXPECT_FALSE(outcome.split) << game.Name() << ": the battles differ, " << outcome.difference;
    if (!outcome.split) {
        EXPECT_GT(seen, game.turns) << game.Name() << ": the game did not reach its last turn";
        EXPECT_EQ(result[0].failed + result[1].failed, 0) << game.Name() << ": a side failed (its log is above)";
        for (int side = 0; side < 2; ++side) {
            EXPECT_EQ(result[side].report, -1) << game.Name() << ": a network report on side " << side;
            EXPECT_GE(result[side].agreed, game.turns + 1) << game.Name() << ": exchanges compared on side " << side;
        }
    }
    std::printf("[tcp-game] %s in %u s: %s%s\n", game.Name().c_str(), (RealClockTime() - began) / 1000,
                outcome.split ? "SPLIT, " : outcome.played ? "played" : "not played",
                outcome.difference.c_str());
    unsetenv("DM_PLAY_SHOTS");
    return outcome;
}

} // namespace

// Every demo battle, two turns each, each in another variation (the short form).
TEST(TcpGames, EveryBattleTwoTurns) {
    int v = 0;
    for (const DemoBattle& battle : kBattles) {
        SCOPED_TRACE(battle.file);
        TcpGame game = Variation(battle, v, 1 + static_cast<uint32_t>(v), 2);
        game.watchFrameMs = 100; // a slow machine's frame rate: the whole replay in fewer frames
        PlayGame(game);
        v += 3;
        if (HasFatalFailure()) return;
    }
}

// Hatten's first turn, computed by the Allied machine (the faster): the
// Axis squads hide and an Axis tank drives into a heavier vehicle whose
// tracks its owner found broken, so it tries its way round. The Axis
// machine, which only replays the turn, shows both in its panel at the
// replay's end: 1050 for a squad hidden since the turn began, 1090 for the
// tank.
TEST(TcpGames, TheSideThatDidNotComputeShowsHidingAndManoeuvre) {
    // Both sides are forks of this process: after a window was open here
    // they would share its connection (ctest runs it in a program of its own).
    if (PlayDriver::StartedBefore()) GTEST_SKIP() << "runs in a test program of its own";
    TcpGame game;
    game.battle = kBattles[5];
    ASSERT_STREQ(game.battle.file, "hatten");
    game.turns = 1;
    game.hostSide = kAxis;
    game.orders = false;
    game.hostSpeed = 50;
    game.joinerSpeed = 100;
    // Each side's process has its own copy.
    static PanelMarksOrders orders;
    game.beforeGo = [](MVApplication* app, int32_t turn) {
        if (app->mSide != kAxis) return;
        // The host draws the seeds of the set-up's end and of each turn from
        // its generator, which its screen has also drawn from for as many
        // frames as the machine managed: both are pinned, to a turn in which
        // the tank meets the blocker and its panel shows the try at the end.
        ASSERT_TRUE(app->mIsHost);
        app->mRandomSeed = turn == 0 ? 202 : 29176;
        if (turn != 1) return;
        orders = GivePanelMarksOrders(kAxis);
        EXPECT_NE(orders.driver, 0u) << "no Axis tank with a heavier vehicle to drive through";
        EXPECT_GT(orders.hiders, 0);
        ImmobiliseBlocker(orders);
    };
    // Bits: 1 the tank's manoeuvre, 2 its picture, 4 a squad hidden since
    // the start, 8 its picture; -2 on the machine that computed.
    game.atReplayEnd = [](MVApplication* app, int32_t turn) -> int32_t {
        if (turn != 1) return -1;
        if (app->ComputesTurn()) return -2;
        int32_t found = 0;
        if (Vehicle* tank = VehicleByID(orders.driver)) {
            found |= tank->mManeuverTried ? 1 : 0;
            gBattle->SetSelectedUnit(tank);
            found |= DrawsPicture(RecordFrame(), 1090) ? 2 : 0;
        }
        if (Unit* hider = HiderFromTheStart(kAxis)) {
            found |= 4;
            gBattle->SetSelectedUnit(hider);
            found |= DrawsPicture(RecordFrame(), 1050) ? 8 : 0;
        }
        return found;
    };
    const GameOutcome outcome = PlayGame(game);
    EXPECT_EQ(outcome.atReplayEnd[1], -2) << "the Allied machine computes the turn";
    EXPECT_EQ(outcome.atReplayEnd[0], 1 | 2 | 4 | 8)
        << "the Axis machine's panel (1: manoeuvre kept, 2: shown; 4: hiding kept, 8: shown)";
}

// One game as DM_TCP_GAME says: "battle variation seed turns" (scripts/tcp-soak).
TEST(TcpGames, OneGame) {
    const char* spec = std::getenv("DM_TCP_GAME");
    if (!spec) GTEST_SKIP() << "DM_TCP_GAME names the game (scripts/tcp-soak)";
    char file[32] = {};
    int variation = 0, turns = 3;
    unsigned seed = 1;
    ASSERT_GE(std::sscanf(spec, "%31s %d %u %d", file, &variation, &seed, &turns), 3) << spec;
    for (const DemoBattle& battle : kBattles)
        if (std::string(battle.file) == file) {
            const GameOutcome outcome = PlayGame(Variation(battle, variation, seed, std::min(turns, kMaxTurns - 1)));
            std::printf("[tcp-soak] %s %s\n", outcome.split ? "split" : outcome.played ? "played" : "unplayed",
                        outcome.difference.c_str());
            return;
        }
    FAIL() << "no demo battle " << file;
}
