// The demo operation played with an order script for the Axis against the
// computer's Allies, through the operation runner as dm_run plays it: a
// script per battle section, its points on the operation's map.

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "ScenarioPaths.h"
#include "engine/FileTestFolder.h"
#include "tools/scenarios/BattleRunner.h"
#include "tools/scenarios/OperationRunner.h"
#include "units/Hack.h"

namespace {

const std::string kOperation = std::string(DM_SCENARIO_BUILT_DIR) + "/mortain.mvh";

// Each battle's report of the demo operation played with the Axis scripted
// and the Allies planned by the computer.
std::vector<OperationBattle> PlayScripted(const std::string& script, uint16_t seed) {
    OperationRunner runner;
    runner.PlanSides(false, true);
    runner.OverrideSeed(seed);
    std::string error;
    std::vector<OperationBattle> battles;
    if (!runner.Load(kOperation, &error) || !runner.LoadScript(script, &error)) {
        ADD_FAILURE() << error;
        return battles;
    }
    while (!runner.Over()) {
        OperationBattle b;
        if (!runner.PlayBattle(&b, &error)) {
            ADD_FAILURE() << error;
            return {};
        }
        battles.push_back(b);
    }
    return battles;
}

} // namespace

// The attack a player makes deals with the 57 mm gun before its tanks come
// up, keeps them out of the gun's sight and the village's bazookas, and
// contests both the village and the bridge: over the file's seed and seeds
// 1-7 it wins the operation at most of them and loses a tank at one at
// most. The careless one sends the tanks down the road at the gun, loses
// two or more of them at most seeds, and with them the operation.
TEST(DemoOperationScript, APlayersAttackWinsAndACarelessOneLoses) {
    ASSERT_TRUE(DecryptData());
    constexpr int32_t kTankValue = 124; // GetVPValue of the Axis tank
    int playerWins = 0, playerKeepsTanks = 0, carelessWins = 0, carelessLosesTanks = 0;
    for (const uint16_t seed : {4407, 1, 2, 3, 4, 5, 6, 7}) {
        const std::vector<OperationBattle> player =
            PlayScripted(std::string(DM_OPERATION_SOURCE_DIR) + "/mortain.orders", seed);
        const std::vector<OperationBattle> careless =
            PlayScripted(std::string(DM_OPERATION_SOURCE_DIR) + "/mortain_careless.orders", seed);
        ASSERT_EQ(player.size(), 3u) << "seed " << seed;
        ASSERT_EQ(careless.size(), 3u) << "seed " << seed;
        playerWins += player.back().grade < 0;
        playerKeepsTanks += player.back().materialInflicted[kAllies] == 0;
        carelessWins += careless.back().grade < 0;
        carelessLosesTanks += careless.back().materialInflicted[kAllies] >= 2 * kTankValue;
    }
    EXPECT_GE(playerWins, 6);
    EXPECT_GE(playerKeepsTanks, 7);
    EXPECT_LE(carelessWins, 3);
    EXPECT_GE(carelessLosesTanks, 6);
}

// A script that does not fit the operation is refused with its line: one
// without battle sections, a section past the last battle, a unit the
// operation holds nowhere, a point off the battle's map (when that battle
// opens); and the operation's script is refused by a single battle.
TEST(DemoOperationScript, AScriptThatDoesNotFitIsRefused) {
    ASSERT_TRUE(DecryptData());
    FileTestFolder folder;
    struct Case {
        const char* text;
        const char* reason;
        bool atOpening;
    } cases[] = {
        {"turn 1\nmove axis A 1 1 move 1700 500\n", "'battle' sections", false},
        {"battle 4\nturn 1\nmove axis A 1 1 move 1700 500\n", "3: the operation has 3 battles", false},
        {"battle 2\nturn 1\nmove axis Z 1 1 move 1700 500\n", "3: the scenario has no such unit", false},
        {"battle 2\nturn 1\nmove axis A 1 1 move 1700 500 100 500\n",
         "3: the point 100 500 lies off battle 2's map", true},
    };
    for (const Case& c : cases) {
        const std::string path = folder.File("probe.orders");
        std::ofstream(path) << c.text;
        OperationRunner runner;
        std::string error;
        ASSERT_TRUE(runner.Load(kOperation, &error)) << error;
        EXPECT_EQ(runner.LoadScript(path, &error), c.atOpening) << c.text;
        for (OperationBattle b; c.atOpening && runner.PlayBattle(&b, &error); b = OperationBattle{}) {
        }
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    }
    BattleRunner battle;
    std::string error;
    ASSERT_TRUE(battle.Load(std::string(DM_SCENARIO_BUILT_DIR) + "/hecken.mvg", &error)) << error;
    EXPECT_FALSE(battle.LoadScript(std::string(DM_OPERATION_SOURCE_DIR) + "/mortain.orders", &error));
    EXPECT_NE(error.find("an operation's script"), std::string::npos) << error;
}
