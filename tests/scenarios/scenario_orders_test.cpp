// Which orders a unit of a shipped battle may take where riding and boarding
// decide: the sewers on foot only, boarding in the set-up onto the own
// side's vehicles only.

#include <gtest/gtest.h>

#include <string>

#include "ScenarioPaths.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "tools/scenarios/BattleRunner.h"
#include "units/Hack.h"
#include "units/Infantry.h"
#include "units/Unit.h"

namespace {

class ShippedOrders : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(DecryptData());
        mRunner.PlanSides(false, false);
        std::string error;
        ASSERT_TRUE(mRunner.Load(std::string(DM_SCENARIO_BUILT_DIR) + "/grossangriff.mvg", &error)) << error;
        mBattle = mRunner.GetBattle();
        // A squad on foot that can move, standing at an own vehicle that
        // could carry it.
        for (int32_t i = 0; i < mBattle->mUnits->GetCount() && !mCarrier; ++i) {
            Unit* s = mBattle->mUnits->GetUnit(i);
            if (s->mUnitType != kUnitInfantry || s->mTransport || !s->CanDoOrder(33)) continue;
            for (int32_t k = 0; k < mBattle->mUnits->GetCount() && !mCarrier; ++k) {
                Unit* v = mBattle->mUnits->GetUnit(k);
                if (v->mUnitType == kUnitVehicle && v->mSide == s->mSide && v->mActive &&
                    v->CanTransport(s, false, true)) {
                    mSquad = static_cast<Infantry*>(s);
                    mCarrier = v;
                }
            }
        }
        ASSERT_NE(mCarrier, nullptr) << "no squad with an own vehicle that could carry it";
        mCarrier->CancelMovementOrders();
        mSquad->mX = mCarrier->mX;
        mSquad->mY = mCarrier->mY;
        ASSERT_TRUE(mCarrier->CanTransport(mSquad, true, true));
    }

    BattleRunner mRunner;
    Battle* mBattle = nullptr;
    Infantry* mSquad = nullptr;
    Unit* mCarrier = nullptr;
};

} // namespace

// The sewers are for infantry on foot: the squad takes them until it rides.
TEST_F(ShippedOrders, ARidingSquadMayNotTakeTheSewers) {
    EXPECT_TRUE(mSquad->CanDoOrder(33));
    mSquad->mEmbarkTarget = mCarrier;
    ASSERT_TRUE(mSquad->Embark());
    ASSERT_EQ(mSquad->mTransport, mCarrier);
    EXPECT_FALSE(mSquad->CanDoOrder(33));
}

// In the set-up infantry that some vehicle of its own side could carry
// boards (60) instead of being placed with others (58); a vehicle of the
// enemy's that could carry it counts for nothing.
TEST_F(ShippedOrders, InTheSetUpInfantryBoardsOnlyTheOwnSidesVehicles) {
    mBattle->mSetupPhase = true;
    EXPECT_TRUE(mSquad->CanDoOrder(60));
    EXPECT_FALSE(mSquad->CanDoOrder(58));
    // Every own vehicle that could carry it goes over to the enemy.
    for (int32_t i = 0; i < mBattle->mUnits->GetCount(); ++i) {
        Unit* v = mBattle->mUnits->GetUnit(i);
        if (v->mUnitType == kUnitVehicle && v->mSide == mSquad->mSide && v->CanTransport(mSquad, true, true))
            v->mSide = mSquad->mSide ? 0 : 1;
    }
    ASSERT_TRUE(mCarrier->CanTransport(mSquad, true, true));
    EXPECT_FALSE(mSquad->CanDoOrder(60));
    EXPECT_TRUE(mSquad->CanDoOrder(58));
    mBattle->mSetupPhase = false;
}
