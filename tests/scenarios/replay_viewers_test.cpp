// Two machines' replays of one computed turn, each played as its player
// plays it: the machine that computed the turn replays its own packets, the
// other the packets its copy of the results holds; each from its own side,
// frame by frame on its own clock, with fast forward, rewind and pauses.
// After the next-turn command both battles hold the same records. Each case
// is one way two players split (spot markers kept to a third of a metre on
// one machine only; a pause after a shot counted down by each machine's
// frames; the sound offsets of a unit heard and lost again, which only the
// computing machine's packets held).

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ScenarioPaths.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/GFile.h"
#include "engine/GOLTA.h"
#include "tools/scenarios/BattleRunner.h"
#include "tools/scenarios/OrderScript.h"
#include "units/Hack.h"
#include "units/Infantry.h"
#include "units/Unit.h"

namespace {

constexpr int32_t kPlay = 15, kPause = 13, kFastForward = 14, kStepBack = 12, kRewind = 11;

// A viewer's machine: its side, the clock its frames read, and the seed
// both machines of a TCP/IP game share at each turn's start and end.
class ViewerHost : public RunnerHost {
public:
    uint32_t ClockTime() override { return mNow; }
    void SynchRandomForTCPIP() override { SeedRandomGenerator(4242); }
    uint32_t mNow = 1000;
};

struct CurrentBattle {
    explicit CurrentBattle(Battle* b) : kept(gBattle) { gBattle = b; }
    ~CurrentBattle() { gBattle = kept; }
    Battle* kept;
};

// How a player watches: frames of `frameMs` (alternating with 7 ms more), a
// start `startMs` late, after `watchMs` of it fast forward to the end; with
// `rewind`, the replay is stepped back and rewound once half-way.
struct Viewing {
    uint32_t frameMs = 40;
    uint32_t startMs = 0;
    uint32_t watchMs = 0xFFFFFFFFu;
    bool rewind = false;
};

// Plays the replay to its end as the map view does, then the next turn.
void Watch(Battle* battle, ViewerHost* host, const Viewing& v) {
    CurrentBattle current(battle);
    battle->HandleVCRButton(kPause, false);
    host->mNow += v.startMs;
    battle->HandleVCRButton(kPlay, false);
    uint32_t watched = 0;
    bool rewound = !v.rewind;
    for (int32_t frame = 0; frame < 100000 && battle->mPlayState != kPause; ++frame) {
        const uint32_t step = v.frameMs + (frame % 2) * 7;
        host->mNow += step;
        watched += step;
        battle->AdvanceAnimations();
        battle->Playback();
        if (!rewound && battle->mPlayNow > 1200) {
            rewound = true;
            battle->HandleVCRButton(kStepBack, true);
            battle->HandleVCRButton(kPause, false);
            battle->HandleVCRButton(kRewind, false);
            battle->HandleVCRButton(kPlay, false);
        }
        if (watched >= v.watchMs) battle->HandleVCRButton(kFastForward, false);
    }
    battle->HandleCommand(kRunnerCommandNextTurn);
}

struct Pair {
    const char* name;
    const char* scenario;
    int32_t turn; // the turn whose replay split the two machines
    Viewing computing, receiving;
};

class ReplayViewers : public testing::TestWithParam<Pair> {};

// One machine: the scenario loaded with its script and played to the
// pair's turn, which it then computes on the viewer's clock.
struct Machine {
    BattleRunner runner;
    ViewerHost host;
    Battle* battle = nullptr;

    void Compute(const Pair& pair) {
        std::string error;
        const std::string name = pair.scenario;
        ASSERT_TRUE(runner.Load(std::string(DM_SCENARIO_BUILT_DIR) + "/" + name + ".mvg", &error)) << error;
        const std::string path = std::string(DM_SCENARIO_SOURCE_DIR) + "/" + name + ".orders";
        ASSERT_TRUE(runner.LoadScript(path, &error)) << error;
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        OrderScript script;
        ScenarioFault fault;
        ASSERT_TRUE(ParseOrderScript(text.str(), path, &script, &fault));
        battle = runner.GetBattle();
        while (battle->mTurn < pair.turn) {
            RunnerTurn played;
            ASSERT_TRUE(runner.RunTurn(&played, &error)) << error;
        }
        battle->mHost = &host;
        CurrentBattle current(battle);
        ApplyOrders(script, battle->mTurn, battle);
        SeedRandomGenerator(static_cast<uint32_t>(runner.Seed() + battle->mTurn));
        battle->HandleCommand(kRunnerCommandGo);
        ASSERT_GT(battle->mPackets.GetCount(), 0);
    }
    std::vector<Battle::SimulationRecord> Records() {
        CurrentBattle current(battle);
        return battle->SimulationRecords();
    }
    ~Machine() {
        if (battle) battle->mHost = nullptr;
    }
};

TEST_P(ReplayViewers, LeaveBothMachinesWithTheSameBattle) {
    const Pair& pair = GetParam();
    ASSERT_TRUE(DecryptData());
    // Both machines hold the same computed turn (a turn is a function of the
    // battle and the seed); the one that receives it replays the packets as
    // the results file carries them, from the other side.
    Machine computing, receiving;
    ASSERT_NO_FATAL_FAILURE(computing.Compute(pair));
    ASSERT_NO_FATAL_FAILURE(receiving.Compute(pair));
    {
        CurrentBattle current(receiving.battle);
        GFile results;
        results.IMemoryFile();
        receiving.battle->WriteActionPackets(&results);
        results.Rewind();
        ASSERT_TRUE(receiving.battle->ReadActionPackets(&results));
        receiving.host.SetViewingSide(kAllies);
        receiving.battle->BeginPlayback();
        receiving.battle->DeleteEffects();
    }
    Watch(computing.battle, &computing.host, pair.computing);
    Watch(receiving.battle, &receiving.host, pair.receiving);
    // A third machine watches nothing, as a game without a screen: what
    // either replay leaves must be what the turn ended with.
    Machine unwatched;
    ASSERT_NO_FATAL_FAILURE(unwatched.Compute(pair));
    {
        CurrentBattle current(unwatched.battle);
        unwatched.battle->HandleCommand(kRunnerCommandNextTurn);
    }
    const std::vector<Battle::SimulationRecord> ours = computing.Records();
    const std::vector<Battle::SimulationRecord> theirs = receiving.Records();
    const std::vector<Battle::SimulationRecord> plain = unwatched.Records();
    ASSERT_EQ(ours.size(), theirs.size());
    ASSERT_EQ(ours.size(), plain.size());
    for (size_t i = 0; i < ours.size(); ++i) {
        EXPECT_EQ(Battle::RecordDifference(ours[i], theirs[i]), "");
        EXPECT_EQ(Battle::RecordDifference(ours[i], plain[i]), "") << "against the unwatched turn";
    }
    // The sight between turns reads each unit's slice count, which no record
    // keeps: it must not be where either replay's last frame left it.
    const int32_t units = computing.battle->mUnits->GetCount();
    ASSERT_EQ(units, receiving.battle->mUnits->GetCount());
    for (int32_t i = 0; i < units; ++i)
        EXPECT_EQ(computing.battle->mUnits->GetUnit(i)->mSliceCount,
                  receiving.battle->mUnits->GetUnit(i)->mSliceCount)
            << "unit " << i;
}

// The six ways of the split games: the battle, its turn, and how each
// player watched.
const Pair kPairs[] = {
    {"watched15sThenFastForward", "hatten", 2, {40, 0, 15000, false}, {33, 0, 0xFFFFFFFFu, false}},
    {"fastForwardAtOnce", "hatten", 1, {40, 0, 0, false}, {45, 0, 0, false}},
    {"fastForwardWithAMoveOrder", "panzer", 1, {40, 0, 0, false}, {33, 0, 0xFFFFFFFFu, true}},
    {"wholeReplayStartedApart", "hatten", 1, {40, 0, 0xFFFFFFFFu, false}, {33, 2000, 0xFFFFFFFFu, false}},
    {"wholeReplayOfTheBigBattle",
     "grossangriff",
     1,
     {40, 0, 0xFFFFFFFFu, true},
     {45, 2000, 0xFFFFFFFFu, false}},
    {"wholeReplayOfTheBridge", "bruecke", 1, {40, 2000, 0xFFFFFFFFu, false}, {33, 0, 0xFFFFFFFFu, false}},
    {"lastFramesApart", "hatten", 2, {40, 0, 0, false}, {100, 0, 0xFFFFFFFFu, false}},
    {"heardThenLost", "bruecke", 2, {40, 0, 0, false}, {100, 0, 0xFFFFFFFFu, false}},
};

INSTANTIATE_TEST_SUITE_P(SplitGames, ReplayViewers, testing::ValuesIn(kPairs),
                         [](const testing::TestParamInfo<Pair>& info) {
                             return std::string(info.param.name);
                         });

// The next-turn command keeps every squad's pace as the turn left it, as a
// saved game's load keeps the one read: worked out again from the map and
// the squad's state after a replay, it split two machines.
TEST(NextTurn, KeepsEverySquadsPaceAsTheTurnLeftIt) {
    ASSERT_TRUE(DecryptData());
    Machine machine;
    ASSERT_NO_FATAL_FAILURE(machine.Compute(kPairs[1]));
    CurrentBattle current(machine.battle);
    // The replay played to its end, as the next-turn button finds it.
    machine.battle->HandleVCRButton(kPlay, false);
    for (int32_t frame = 0; frame < 100000 && machine.battle->mPlayState != kPause; ++frame) {
        machine.host.mNow += 40;
        machine.battle->Playback();
    }
    std::vector<std::pair<Unit*, MovementSpeedType>> paces;
    for (int32_t i = 0; i < machine.battle->mUnits->GetCount(); ++i)
        if (auto* squad = dynamic_cast<Infantry*>(machine.battle->mUnits->GetUnit(i)))
            paces.emplace_back(squad, squad->mMoveSpeed);
    machine.battle->HandleCommand(kRunnerCommandNextTurn);
    int32_t changed = 0;
    for (const auto& [squad, pace] : paces)
        changed += static_cast<Infantry*>(squad)->mMoveSpeed != pace;
    EXPECT_EQ(changed, 0) << "of " << paces.size() << " squads";
}

} // namespace
