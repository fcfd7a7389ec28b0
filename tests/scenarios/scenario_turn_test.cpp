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
    {"hecken", "a222f29dcf9715852ad79b203a46634b1674a9b2cbee15e2727704e838f122b5",
     "0f3ec5ec8c6a158a1f9191bc542e9749aad35c7534a01e2efa853d7a3aae6f14"},
    {"bruecke", "b4e3ca403bf7f2358f71c929b6326c064ce7e6fe6faed87f849c34e955695814",
     "422fd1188c6c14a5e9f63f75f39f57cd48eb5afd86228430e67e5f4266b832dd"},
    {"panzer", "8440a9e348070464ad3ce665e00b303851e887459d6ee9d04309e8950e37d034",
     "8f7fdb766eb64fdf1dd219578cb18c8ac59ab775ecf48393ed66e04369d0ef04"},
    {"grossangriff", "bb177c6a576451848d82c9770d0afa736c95a79fac992079e57fa5504a1e1d37",
     "90d72e0f71e409cdb2dae0321fbcedee7047dc03f19d6f0b37902483a0f96b83"},
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
