// The battle's owned objects on emptying and deletion: each is freed once.

#include <gtest/gtest.h>

#include "battle/Battle.h"
#include "battle/battle_fixtures.h"
#include "engine/GGraphic.h"
#include "engine/GView.h"

TEST(BattleLifecycle, ANewUnitAlreadyInTheUnitListIsFreedOnce) {
    Battle battle;
    battle.IBattleStub();
    StandInUnit* both = AddStandIn(battle.mUnits, kUnitInanimate, kAxis, 1.0f, 1.0f);
    battle.AddNewUnit(both);
    AddStandIn(battle.mUnits, kUnitInanimate, kAllies, 2.0f, 2.0f);
    battle.AddNewUnit(new StandInUnit(kUnitInanimate)); // waiting to join
    battle.IBattleStub(); // empties everything; a double free shows under the sanitizers
    EXPECT_EQ(battle.mUnits->GetCount(), 0);
    EXPECT_EQ(battle.mNewUnits.GetCount(), 0);
}

TEST(BattleLifecycle, ScreenPicturesAndGraphGoWithTheBattle) {
    auto* battle = new Battle;
    battle->IBattleStub();
    battle->mStub = false;
    battle->mObjectiveGraph = new GList;
    battle->mObjectiveGraph->IList();
    battle->mFillerGraphic = new GGraphic;
    battle->mBattleTextures[3] = new GGraphic;
    battle->mResultView = new GView;
    delete battle; // the leak checker reports anything left behind
    SUCCEED();
}
