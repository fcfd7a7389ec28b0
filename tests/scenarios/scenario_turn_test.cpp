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
    {"hecken", "dba284dddaf9eb5fc8b1b215faa12f8ebad787acfc758ff202c13333b0de1672",
     "a3e10240c86b74fc9d7e40537e15429dfb998e68693d7ec4a1940c5f6b0ed92f"},
    {"bruecke", "620566c42fe72776ea9e6f2e190d89a6de9194986fd79b2f96fbe48bd2bfdb58",
     "4a619927306e5fd2c05f5eb4df7f0d8b38fce50083cc750eb2480bf743b534cf"},
    {"panzer", "c6551da76d666f2a9c45f52382ec98c767b203b31b7b6f793bd62aa4faeefb2e",
     "8758729db66c18387123d69335b8bfa4be9e252c35a77f199f3df40d3de1fd67"},
    {"grossangriff", "375c6726150c8e2eb56ae167069a1abff26c1d1a4dc1dc18c02ef88adca57b15",
     "eb834e9e519f06dc781d87da08d2d4e3a16d7894239e0cab28c24a0b7ca6e0f6"},
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
