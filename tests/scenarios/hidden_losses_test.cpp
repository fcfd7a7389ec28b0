// The losses a unit takes while the enemy does not see it at full contact
// are its hidden casualties: bruecke played by the runner with both sides
// planned until some unit has them, then saved and loaded.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ScenarioPaths.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "engine/FileTestFolder.h"
#include "tools/scenarios/BattleRunner.h"
#include "units/Hack.h"
#include "units/Unit.h"

TEST(HiddenLosses, UnseenLossesAreHiddenAndKeptInTheSavedGame) {
    ASSERT_TRUE(DecryptData());
    BattleRunner runner;
    std::string error;
    ASSERT_TRUE(runner.Load(std::string(DM_SCENARIO_BUILT_DIR) + "/bruecke.mvg", &error)) << error;
    runner.PlanSides(true, true);
    auto hidden = [&] {
        std::vector<int32_t> counts;
        UnitList* units = runner.GetBattle()->mUnits;
        for (int32_t i = 0; i < units->GetCount(); ++i)
            counts.push_back(units->GetUnit(i)->mHiddenCasualties);
        return counts;
    };
    bool some = false;
    for (int32_t turn = 0; turn < 12 && !some; ++turn) {
        RunnerTurn t;
        ASSERT_TRUE(runner.RunTurn(&t, &error)) << error;
        UnitList* units = runner.GetBattle()->mUnits;
        for (int32_t i = 0; i < units->GetCount(); ++i) {
            const Unit* u = units->GetUnit(i);
            EXPECT_GE(u->mHiddenCasualties, 0);
            EXPECT_LE(u->mHiddenCasualties, u->mCasualties);
            some = some || u->mHiddenCasualties > 0;
        }
    }
    ASSERT_TRUE(some) << "no unit lost men out of the enemy's full sight in 12 turns";
    const std::vector<int32_t> before = hidden();
    FileTestFolder folder;
    const std::string path = folder.File("hidden.mvg");
    ASSERT_TRUE(runner.Save(path, &error)) << error;
    BattleRunner loaded;
    ASSERT_TRUE(loaded.Resume(path, &error)) << error;
    std::vector<int32_t> after;
    for (int32_t i = 0; i < loaded.GetBattle()->mUnits->GetCount(); ++i)
        after.push_back(loaded.GetBattle()->mUnits->GetUnit(i)->mHiddenCasualties);
    EXPECT_EQ(after, before);
}
