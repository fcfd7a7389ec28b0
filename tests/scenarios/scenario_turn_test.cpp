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
     "c56e4e4b197409eda8c9879b094a5d7ceb5a33af6ddd28e738ff3be17f7ec1dc"},
    {"bruecke", "72db22625020b1f74b239617cfca3c39095086f8823168a2171eb4a36ce3b263",
     "be47e8ae757509eff92beb1f498ad168936c410297f11771012b0d80db3a7919"},
    {"panzer", "019e8a6c3677668b9ae1b73b904b4b6420fb407e4d678b69d4cab1649ddaeee8",
     "ca5605ae797402b5f796dca3ff74e8fd8ce28c1075f3d012cd63f9f0cf1dbcff"},
    {"grossangriff", "d4ece3e4e9577d706dec7ffb12916a0b8d59591f407cb64101abea42d733bf9a",
     "db4c001531da26d708141348615bdb72f684b4ffdeda03ad21be2cd75963f2b9"},
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
