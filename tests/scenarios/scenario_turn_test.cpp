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
    {"hecken", "01495f24acb84d87e3ce577a1c85a0a1241ffeadf838ed1c25c9199773a02b81",
     "10262de7053213e0c50c5a8eafa5f60f16d36ced4ddd0275ba137cc3f5f1e97b"},
    {"bruecke", "4b4acc1b745825619d358d5add45581fa8148907434be9910ab48e6ed36684ed",
     "7f7c1aec57cf0c932760aac9f7cdefd60a0d3d899755afb28f237c91767296f6"},
    {"panzer", "657d263e7924e2b5ad894d16433fbbbbffd26372799a9524df314be07ffcf5f0",
     "72aa6e7cc6c208ded9e27060dcf152bd177a7a905611aa89c65d699a773d8061"},
    {"grossangriff", "a719cbc1a74d7f73b9cf518e3a9a8bb7c6f72ffa8a90a282010f1182e56eaba9",
     "e0455029789ce7328834a4f75e87994158caf1c7ac29dc1d20a34a30588b2bf6"},
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
