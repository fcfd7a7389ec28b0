// Whole turns of the shipped scenarios through the headless runner: a turn's
// digests depend on the battle and the scenario's seed only, not on what ran
// before in the process; the first computed turn of each scenario gives its
// pinned digests. A deliberate change of the rules changes the pins in the
// same commit, which says why.

#include <gtest/gtest.h>

#include <string>

#include "ScenarioPaths.h"
#include "battle/Battle.h"
#include "engine/GOLTA.h"
#include "tools/scenarios/BattleRunner.h"
#include "units/Hack.h"

namespace {

struct FirstTurn {
    bool computed = false;
    RunnerTurn turn;
};

// Loads the scenario with its script and computes its first turn; a build
// that computes no turn yet gives computed = false.
FirstTurn RunFirstTurn(const std::string& name) {
    FirstTurn result;
    BattleRunner runner;
    std::string error;
    EXPECT_TRUE(runner.Load(std::string(DM_SCENARIO_BUILT_DIR) + "/" + name + ".mvg", &error)) << error;
    EXPECT_TRUE(runner.LoadScript(std::string(DM_SCENARIO_SOURCE_DIR) + "/" + name + ".orders", &error))
        << error;
    result.computed = runner.RunTurn(&result.turn, &error);
    if (!result.computed) {
        EXPECT_NE(error.find("computes no turn"), std::string::npos) << error;
    }
    return result;
}

// The first computed turn of each shipped scenario with its script.
struct Pinned {
    const char* name;
    const char* packets;
    const char* battle;
};
constexpr Pinned kPinned[] = {
    {"hecken", "6a3d18ed61bfd873525d9d1bb5b4e7fab9fd40ae5e8edecd849b26250b6c71fd",
     "c2bb24673a66005301e0123ab2fedf99662b21111dcbacacf428f0e11df4322e"},
    {"bruecke", "d0942db67402584b2d65b2241d802b0e74527bf0cb44f585af4b2e2bba313c46",
     "ced494d8295a58a06850c4962379f4e550bdd13d7923c4f4c77982aaf72b89fc"},
    {"panzer", "195cc39f4ae55087542d2f73993dcd170adea0331cb6cb03d12a335a16868247",
     "343159984ef283b8f6f2b1aa02a05205417d12a2011356b4d27290770cc425af"},
    {"grossangriff", "8919558ee3a7f68bb1f78aa7aeba41c86b033248ae17d2fc2c7014c20aa37db0",
     "ca4eea19e64babee9a188c2ee1d95feb8b12783488a33c1a69d1d652d94ad05d"},
};

} // namespace

TEST(ScenarioTurns, FirstTurnsGiveThePinnedDigests) {
    ASSERT_TRUE(DecryptData());
    for (const Pinned& pin : kPinned) {
        FirstTurn first = RunFirstTurn(pin.name);
        if (!first.computed) GTEST_SKIP() << "this build computes no turn";
        EXPECT_EQ(first.turn.packetDigest, pin.packets) << pin.name;
        EXPECT_EQ(first.turn.battleDigest, pin.battle) << pin.name;
    }
}

// The smaller scenarios play every turn with their scripts to the end.
TEST(ScenarioTurns, SmallScenariosPlayToTheirEnd) {
    ASSERT_TRUE(DecryptData());
    for (const char* name : {"hecken", "bruecke", "panzer"}) {
        BattleRunner runner;
        std::string error;
        ASSERT_TRUE(runner.Load(std::string(DM_SCENARIO_BUILT_DIR) + "/" + name + ".mvg", &error)) << error;
        ASSERT_TRUE(runner.LoadScript(std::string(DM_SCENARIO_SOURCE_DIR) + "/" + name + ".orders", &error));
        const int32_t last = runner.GetBattle()->mLastTurn;
        int32_t turns = 0;
        while (!runner.Over() && turns <= last) {
            RunnerTurn turn;
            if (!runner.RunTurn(&turn, &error)) {
                if (error.find("computes no turn") != std::string::npos) GTEST_SKIP() << error;
                FAIL() << name << ": " << error;
            }
            EXPECT_EQ(turn.turn, turns + 1);
            ++turns;
        }
        EXPECT_TRUE(runner.Over()) << name;
        EXPECT_LE(turns, last) << name;
    }
}

TEST(ScenarioTurns, ATurnDependsOnlyOnTheBattleAndTheSeed) {
    ASSERT_TRUE(DecryptData());
    FirstTurn first = RunFirstTurn("hecken");
    if (!first.computed) GTEST_SKIP() << "this build computes no turn";
    // Draws and another scenario in between change nothing.
    for (int i = 0; i < 17; ++i)
        Random();
    RunFirstTurn("panzer");
    FirstTurn again = RunFirstTurn("hecken");
    EXPECT_EQ(again.turn.turn, 1);
    EXPECT_EQ(again.turn.packetDigest, first.turn.packetDigest);
    EXPECT_EQ(again.turn.battleDigest, first.turn.battleDigest);
    EXPECT_EQ(first.turn.packetDigest.size(), 64u);
}
