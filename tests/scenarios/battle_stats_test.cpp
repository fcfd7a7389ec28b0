// The headless runner's per-unit figures (dm_run --stats): a line per unit in
// play for the turn, read from the battle as computed, and the turn itself
// unchanged by the reading.

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ScenarioPaths.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/FileTestFolder.h"
#include "tools/scenarios/BattleRunner.h"
#include "tools/scenarios/BattleStats.h"
#include "units/Hack.h"
#include "units/Unit.h"

namespace {

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string f; std::getline(in, f, '\t');)
        fields.push_back(f);
    return fields;
}

// Slices in a "pace:slices,..." field.
int SlicesOf(const std::string& paces) {
    int total = 0;
    std::istringstream in(paces);
    for (std::string item; std::getline(in, item, ',');)
        if (auto colon = item.find(':'); colon != std::string::npos)
            total += std::stoi(item.substr(colon + 1));
    return total;
}

bool Counted(const Unit* u) {
    return (u->mUnitType == kUnitInfantry || u->mUnitType == kUnitVehicle) && u->mActive &&
           u->mOffMapState == 0;
}

} // namespace

// Hatten's first turn, both sides planned as battle-stats plays it: its
// casemate and the first squads fire at once.
TEST(BattleStats, AFirstTurnGivesALinePerUnitInPlayAndLeavesTheTurnAsItWas) {
    ASSERT_TRUE(DecryptData());
    const std::string scenario = std::string(DM_SCENARIO_BUILT_DIR) + "/hatten.mvg";
    FileTestFolder folder;
    std::string digests[2];
    std::set<const Unit*> inPlay;
    std::set<std::string> fromTheStart; // numbers of the units in play when the turn begins
    for (int withStats = 0; withStats < 2; ++withStats) {
        BattleRunner runner;
        runner.PlanSides(true, true);
        std::string error;
        ASSERT_TRUE(runner.Load(scenario, &error)) << error;
        std::unique_ptr<BattleStats> stats;
        if (withStats) {
            stats = BattleStats::Attach(&runner, folder.File("stats.tsv"), &error);
            ASSERT_NE(stats, nullptr) << error;
        }
        Battle* battle = runner.GetBattle();
        auto take = [&] {
            for (int32_t i = 0; withStats && i < battle->mUnits->GetCount(); ++i)
                if (Counted(battle->mUnits->GetUnit(i))) inPlay.insert(battle->mUnits->GetUnit(i));
        };
        take();
        // The file numbers the units of the battle as loaded in list order.
        for (int32_t i = 0, n = 0; withStats && i < battle->mUnits->GetCount(); ++i) {
            const Unit* u = battle->mUnits->GetUnit(i);
            if (u->mUnitType != kUnitInfantry && u->mUnitType != kUnitVehicle) continue;
            ++n;
            if (Counted(u)) fromTheStart.insert(std::to_string(n));
        }
        RunnerTurn turn;
        ASSERT_TRUE(runner.RunTurn(&turn, &error)) << error;
        take();
        digests[withStats] = turn.packetDigest + " " + turn.battleDigest;
    }
    EXPECT_EQ(digests[0], digests[1]);

    std::ifstream in(folder.File("stats.tsv"));
    std::string line;
    ASSERT_TRUE(std::getline(in, line));
    EXPECT_EQ(line[0], '#');
    std::set<std::string> units;
    int shots = 0, wholeTurns = 0, firedInSight = 0;
    while (std::getline(in, line)) {
        const std::vector<std::string> f = Fields(line);
        ASSERT_EQ(f.size(), 17u) << line;
        EXPECT_EQ(f[0], "1") << line;
        units.insert(f[1]);
        shots += std::stoi(f[7]);
        EXPECT_LE(std::stoi(f[8]), std::stoi(f[7])) << line; // hits among the shots
        // The turn has 2401 slices (0..2400); a unit out of play for some of
        // them has a pace for fewer.
        EXPECT_LE(SlicesOf(f[6]), kSlicesPerTurn + 1) << line;
        if (f[5] == "1" && fromTheStart.count(f[1]) && SlicesOf(f[6]) == kSlicesPerTurn + 1) ++wholeTurns;
        // An enemy in sight is one spotted by the side, and one spotted is within range.
        EXPECT_LE(std::stoi(f[15]), std::stoi(f[14])) << line;
        EXPECT_LE(std::stoi(f[14]), std::stoi(f[13])) << line;
        if (std::stoi(f[7]) > 0 && f[15] == "1") ++firedInSight;
    }
    // Every unit in play before or after the turn has its line.
    EXPECT_EQ(units.size(), inPlay.size());
    EXPECT_GT(wholeTurns, static_cast<int>(fromTheStart.size()) / 2);
    EXPECT_GT(shots, 0);
    // The casemate and the squads that open fire have their targets in sight.
    EXPECT_GT(firedInSight, 0);
}
