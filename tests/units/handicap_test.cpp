// The handicap adds copies of the favoured side's units, by value, up to its
// target and never beyond. Boats are used because their value is a fixed 10
// points whatever their data, so every total here is worked by hand.

#include <gtest/gtest.h>

#include "battle/Reinforcement.h"
#include "engine/GOLTA.h"
#include "units/vehicle_fixtures.h"

namespace {

constexpr VehicleType kBoat = 5;

class Handicap : public ::testing::Test {
protected:
    VehicleBattle b;
    TableRows<ForceTypeChart> forces{gForceTypeChart, 40};
    Handicap() {
        b.mTables.vehicles[kBoat].mKind = 5;
        forces[kForceDefaultAllies].mNation = kFirstAlliedNation; // copies keep their side
        SeedRandomGenerator(4242);
    }
    // Boats of one side in a list, each 10 points.
    void Boats(UnitList* list, Affiliation side, int32_t n) {
        for (int32_t i = 0; i < n; ++i)
            list->Add(MakeTestVehicle(kBoat, side, 50.0f + 10.0f * i, 60.0f));
    }
    static int32_t CountOf(UnitList* list, Affiliation side) {
        int32_t n = 0;
        for (int32_t i = 0; i < list->GetCount(); ++i)
            n += list->GetUnit(i)->GetAffiliation() == side;
        return n;
    }
    static int32_t ValueOf(UnitList* list, Affiliation side) {
        int32_t v = 0;
        for (int32_t i = 0; i < list->GetCount(); ++i)
            if (list->GetUnit(i)->GetAffiliation() == side)
                v += static_cast<int32_t>(list->GetUnit(i)->GetVPValue(true, kKnowTruth));
        return v;
    }
};

} // namespace

TEST_F(Handicap, AddsUnitsUpToItsTargetExactlyAndLeavesTheOtherSideAlone) {
    UnitList* units = b.mBattle.mUnits;
    // Axis 3 boats, 30 points; doubled (-100 %) the target is 60: three more
    // boats reach it exactly, a fourth would pass it.
    Boats(units, kAxis, 3);
    Boats(units, kAllies, 2);
    b.mBattle.Handicap(-100);
    EXPECT_EQ(CountOf(units, kAxis), 6);
    EXPECT_EQ(ValueOf(units, kAxis), 60);
    EXPECT_EQ(CountOf(units, kAllies), 2);
    // The copies stand where the boats they copy stand.
    for (int32_t i = 5; i < units->GetCount(); ++i) {
        Unit* u = units->GetUnit(i);
        EXPECT_EQ(u->mY, 60.0f);
        EXPECT_TRUE(u->mX == 50.0f || u->mX == 60.0f || u->mX == 70.0f) << u->mX;
    }
}

TEST_F(Handicap, ASmallShareIsCutToWholePointsAndFavoursTheAlliesWhenPositive) {
    UnitList* units = b.mBattle.mUnits;
    // Allies 4 boats, 40 points; +25 % gives 50: one boat more. Axis boats
    // are not the favoured side and stay as they are.
    Boats(units, kAllies, 4);
    Boats(units, kAxis, 4);
    b.mBattle.Handicap(25);
    EXPECT_EQ(CountOf(units, kAllies), 5);
    EXPECT_EQ(CountOf(units, kAxis), 4);
    // 3 boats (30 points) at -25 %: the target 37.5 is cut to 37, below the
    // 40 that one more boat would make: nothing is added.
    VehicleBattle other;
    other.mTables.vehicles[kBoat].mKind = 5;
    Boats(other.mBattle.mUnits, kAxis, 3);
    other.mBattle.Handicap(-25);
    EXPECT_EQ(other.mBattle.mUnits->GetCount(), 3);
}

TEST_F(Handicap, EachReinforcementOfTheFavouredSideGrowsByItsOwnValue) {
    Boats(b.mBattle.mUnits, kAxis, 1);
    auto* late = new Reinforcement;
    Boats(late->mUnits, kAxis, 2);
    b.mBattle.mReinforcements[kAxis].Add(late);
    auto* enemy = new Reinforcement;
    Boats(enemy->mUnits, kAllies, 2);
    b.mBattle.mReinforcements[kAllies].Add(enemy);
    // +100 % for the Axis: 10 -> 20 on the map, 20 -> 40 in the reinforcement.
    b.mBattle.Handicap(-100);
    EXPECT_EQ(b.mBattle.mUnits->GetCount(), 2);
    EXPECT_EQ(late->mUnits->GetCount(), 4);
    EXPECT_EQ(enemy->mUnits->GetCount(), 2);
}

TEST_F(Handicap, APlatoonLeaderCountsFourTimesAndBringsCopiesOfItsPlatoon) {
    UnitList* units = b.mBattle.mUnits;
    Vehicle* leader = MakeTestVehicle(kBoat, kAxis, 100.0f, 100.0f);
    leader->BecomeLeader(false);
    units->Add(leader);
    for (int32_t i = 0; i < 2; ++i) {
        Vehicle* follower = MakeTestVehicle(kBoat, kAxis, 110.0f + 10.0f * i, 100.0f);
        follower->mHQ = leader;
        units->Add(follower);
    }
    // 30 points; at -200 % the target is 90. Only the leader may be copied
    // (vehicles with a leader are not candidates): it counts 4 x 10, so one
    // copy (70) fits and a second (110) never does. Its followers come with
    // it without counting.
    b.mBattle.Handicap(-200);
    ASSERT_EQ(units->GetCount(), 6);
    auto* copy = static_cast<Vehicle*>(units->GetUnit(3));
    EXPECT_EQ(copy->mX, 100.0f);
    EXPECT_TRUE(copy->IsLeader(nullptr)); // the new platoon's leader leads it
    for (int32_t i = 4; i < 6; ++i) {
        Unit* u = units->GetUnit(i);
        EXPECT_EQ(u->mHQ, copy);
        EXPECT_EQ(u->mX, 110.0f + 10.0f * (i - 4));
    }
}
