// A forward observer of a demo battle as the game builds it: given a locked area
// mission, its battery fires a volley each reload until its rounds are
// spent, rather than one volley and a silence of minutes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ScenarioPaths.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "tools/scenarios/BattleRunner.h"
#include "units/Hack.h"
#include "units/Infantry.h"

TEST(ObserverMission, BrueckesObserverFiresAVolleyEachReloadUntilItsRoundsAreSpent) {
    ASSERT_TRUE(DecryptData());
    BattleRunner runner;
    runner.PlanSides(false, false);
    std::string error;
    ASSERT_TRUE(runner.Load(std::string(DM_SCENARIO_BUILT_DIR) + "/bruecke.mvg", &error)) << error;
    Battle* battle = runner.GetBattle();
    Infantry* observer = nullptr;
    for (int32_t i = 0; i < battle->mUnits->GetCount() && !observer; ++i) {
        auto* u = dynamic_cast<Infantry*>(battle->mUnits->GetUnit(i));
        if (u && u->IsForwardObserver() && u->GetAffiliation() == kAllies) observer = u;
    }
    ASSERT_NE(observer, nullptr);
    observer->ReceiveTargetOrders(nullptr, 700.0f, 500.0f, true, 0);
    std::vector<int32_t> rounds{observer->mAmmo[kAmmoHE]};
    ASSERT_GT(rounds[0], 0);
    for (int32_t turn = 0; turn < 8 && observer->mAmmo[kAmmoHE] > 0 && !runner.Over(); ++turn) {
        RunnerTurn result;
        ASSERT_TRUE(runner.RunTurn(&result, &error)) << error;
        rounds.push_back(observer->mAmmo[kAmmoHE]);
    }
    EXPECT_EQ(observer->mAmmo[kAmmoHE], 0) << ::testing::PrintToString(rounds);
}
