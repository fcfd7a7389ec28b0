// Equipment of the shipped battles at work, loaded as the game loads them and
// computed by the headless runner: the close-defence weapon of hatten's
// Panther against infantry at its hull, and grossangriff's Wasp burning fuel.

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "ScenarioPaths.h"
#include "battle/ActionPacket.h"
#include "battle/Battle.h"
#include "battle/UnitList.h"
#include "tools/scenarios/BattleRunner.h"
#include "tools/scenarios/OrderScript.h"
#include "units/DataTables.h"
#include "units/Hack.h"
#include "units/Unit.h"
#include "units/Vehicle.h"

namespace {

class ShippedEquipment : public testing::Test {
protected:
    void Load(const char* name) {
        ASSERT_TRUE(DecryptData());
        mRunner.PlanSides(false, false);
        std::string error;
        ASSERT_TRUE(mRunner.Load(std::string(DM_SCENARIO_BUILT_DIR) + "/" + name + ".mvg", &error)) << error;
    }
    Unit* Named(int32_t side, char company, int32_t platoon, int32_t number) {
        ScriptUnitName n{};
        n.side = side;
        n.company = company;
        n.platoon = platoon;
        n.number = number;
        return FindScriptUnit(mRunner.GetBattle(), n);
    }
    void Turn() {
        RunnerTurn turn;
        std::string error;
        ASSERT_TRUE(mRunner.RunTurn(&turn, &error)) << error;
    }
    // Counts, after each computed turn, the packets of a firer in a look.
    void CountShots(Unit* firer, int16_t look) {
        mRunner.OnComputed([this, firer, look](const Battle& b) {
            for (int32_t i = 0; i < b.mPackets.GetCount(); ++i) {
                auto* p = static_cast<ActionPacket*>(b.mPackets.GetObjectA(i));
                mShots += p->mFirer == firer && p->mLook == look;
            }
        });
    }
    // Stands the unit `metres` ahead of the vehicle (headings count from +x
    // toward +y), halted.
    static void StandAhead(Unit* u, Unit* v, float metres) {
        const float a = v->mHeading * 3.14159265f / 180.0f;
        u->CancelMovementOrders();
        u->mX = v->mX + metres * std::cos(a);
        u->mY = v->mY + metres * std::sin(a);
    }

    BattleRunner mRunner;
    int32_t mShots = 0;
};

} // namespace

// An American squad stands 25 m from the Panther: within a few turns its
// close-defence weapon fires at the squad (the grenade's look is 19), the
// tank buttoned up; the tank's own row carries it.
TEST_F(ShippedEquipment, HattensPantherFiresItsCloseDefenceWeaponAtInfantryWithin40Metres) {
    Load("hatten");
    auto* panther = static_cast<Vehicle*>(Named(0, 'B', 5, 2));
    Unit* squad = Named(1, 'B', 1, 1);
    ASSERT_NE(panther, nullptr);
    ASSERT_NE(squad, nullptr);
    ASSERT_EQ(gVehicleData[panther->mSubtype].mSpecialEquipment, 3);
    CountShots(panther, 19);
    for (int32_t t = 0; t < 8 && mShots == 0; ++t) {
        StandAhead(squad, panther, 25.0f);
        Turn();
    }
    EXPECT_GT(mShots, 0);
    EXPECT_TRUE(panther->mButtoned);
}

// A Wasp with a German squad 80 m ahead flames it: every burst is a flame
// stream (look 18) and burns fuel by the range, at 80 m two or three rounds,
// so the fuel left is what it carried (16) less at least two a burst.
TEST_F(ShippedEquipment, GrossangriffsWaspBurnsFuelAtTheRangeOfItsBursts) {
    Load("grossangriff");
    auto* wasp = static_cast<Vehicle*>(Named(1, 'S', 6, 5));
    ASSERT_NE(wasp, nullptr);
    ASSERT_TRUE(wasp->HasFlamethrower(kKnowTruth));
    ASSERT_EQ(wasp->mAmmo[0], 16);
    Battle* b = mRunner.GetBattle();
    Unit* squad = nullptr;
    for (int32_t i = 0; i < b->mUnits->GetCount() && !squad; ++i) {
        Unit* u = b->mUnits->GetUnit(i);
        if (u->mUnitType == kUnitInfantry && u->mSide != wasp->mSide && u->mActive) squad = u;
    }
    ASSERT_NE(squad, nullptr);
    CountShots(wasp, 18);
    for (int32_t t = 0; t < 4 && mShots == 0; ++t) {
        StandAhead(squad, wasp, 80.0f);
        Turn();
    }
    ASSERT_GT(mShots, 0);
    EXPECT_LE(wasp->mAmmo[0], 16 - 2 * mShots);
}
