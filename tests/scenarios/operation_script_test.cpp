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

// The attack a player makes keeps its tanks back from the 57 mm gun and out
// of the village's bazookas while the grenadiers work round the village and
// contest the bridge: at these seeds it wins both day battles and the
// operation (not at every seed: docs/operations.md). The careless one sends
// the tanks down the road at the gun, loses them, and with them the
// operation.
TEST(DemoOperationScript, APlayersAttackWinsAndACarelessOneLoses) {
    ASSERT_TRUE(DecryptData());
    constexpr int32_t kTankValue = 124; // GetVPValue of the Axis tank
    for (const uint16_t seed : {52, 10}) {
        const std::vector<OperationBattle> player =
            PlayScripted(std::string(DM_OPERATION_SOURCE_DIR) + "/mortain.orders", seed);
        const std::vector<OperationBattle> careless =
            PlayScripted(std::string(DM_OPERATION_SOURCE_DIR) + "/mortain_careless.orders", seed);
        ASSERT_EQ(player.size(), 3u);
        ASSERT_EQ(careless.size(), 3u);
        for (size_t i = 1; i < 3; ++i) {
            EXPECT_LT(player[i].grade, 0) << "seed " << seed << " battle " << player[i].number;
            EXPECT_GT(careless[i].grade, 0) << "seed " << seed << " battle " << careless[i].number;
        }
        EXPECT_EQ(player.back().materialInflicted[kAllies], 0)
            << "seed " << seed << ": the player lost a tank";
        EXPECT_GE(careless.back().materialInflicted[kAllies], 2 * kTankValue) << "seed " << seed;
    }
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
