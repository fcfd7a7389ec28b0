// The generated battle of 600 units (bench/scenarios/schlacht600.txt): it
// loads, plays and saves; its saved game loads, plays on and saves again.
// (That a saved game plays on alike each time it is loaded is held on the
// demo scenarios, where a turn costs a tenth.)

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "BenchScenarioPaths.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/FileTestFolder.h"
#include "tools/scenarios/BattleRunner.h"
#include "units/Hack.h"

namespace {

// Resumes the saved game, computes its next turn and saves it to `saveTo`.
// One battle at a time: the battle's globals belong to it.
RunnerTurn ResumeAndPlay(const std::string& path, const std::string& saveTo, int32_t* units) {
    RunnerTurn turn;
    BattleRunner runner;
    std::string error;
    EXPECT_TRUE(runner.Resume(path, &error)) << error;
    if (!runner.GetBattle()) return turn;
    EXPECT_EQ(runner.GetBattle()->mTurn, 2);
    *units = runner.GetBattle()->mUnits->GetCount();
    EXPECT_TRUE(runner.RunTurn(&turn, &error)) << error;
    EXPECT_TRUE(runner.Save(saveTo, &error)) << error;
    return turn;
}

} // namespace

TEST(LargeBattle, SixHundredUnitsPlaySaveAndPlayOnFromTheSavedGame) {
    ASSERT_TRUE(DecryptData());
    FileTestFolder folder("large_battle_");
    const std::string saved = folder.File("turn2.mvg");
    const std::string savedAgain = folder.File("turn3.mvg");
    int32_t units = 0;
    {
        BattleRunner played;
        std::string error;
        ASSERT_TRUE(played.Load(std::string(DM_BENCH_SCENARIO_DIR) + "/schlacht600.mvg", &error)) << error;
        EXPECT_EQ(played.GetBattle()->mUnits->GetCount(), 600);
        RunnerTurn turn;
        ASSERT_TRUE(played.RunTurn(&turn, &error)) << error;
        ASSERT_TRUE(played.Save(saved, &error)) << error;
        units = played.GetBattle()->mUnits->GetCount();
    }
    // The saved game plays on and saves again.
    int32_t unitsResumed = 0;
    const RunnerTurn resumed = ResumeAndPlay(saved, savedAgain, &unitsResumed);
    EXPECT_EQ(unitsResumed, units);
    EXPECT_EQ(resumed.packetDigest.size(), 64u);

    BattleRunner third;
    std::string error;
    ASSERT_TRUE(third.Resume(savedAgain, &error)) << error;
    EXPECT_EQ(third.GetBattle()->mTurn, 3);
}
