// Unit identifiers in files: map units by index, reinforcement units by
// side, slot and index, and everything that must not name a wrong unit.

#include <gtest/gtest.h>

#include <memory>

#include "battle/Reinforcement.h"
#include "battle/UnitID.h"
#include "battle/battle_fixtures.h"

namespace {

class UnitIDs : public ::testing::Test {
protected:
    void SetUp() override {
        battle.IBattleStub();
        for (int i = 0; i < 3; ++i)
            map[i] = AddStandIn(battle.mUnits, kUnitInanimate, kAxis, 0, 0);
        for (int side = 0; side < 2; ++side) {
            for (int r = 0; r < 2; ++r) {
                auto* reinforcement = new Reinforcement;
                for (int i = 0; i < 3; ++i)
                    arriving[side][r][i] = AddStandIn(reinforcement->mUnits, kUnitInanimate, side, 0, 0);
                battle.mReinforcements[side].Add(reinforcement);
            }
        }
    }

    Battle battle;
    CurrentBattle current{&battle};
    Unit* map[3] = {};
    Unit* arriving[2][2][3] = {};
};

} // namespace

TEST_F(UnitIDs, MapUnitsAreIndexPlusOneAndReinforcementsAreCoded) {
    EXPECT_EQ(UnitIDOf(nullptr), 0);
    EXPECT_EQ(UnitIDOf(map[0]), 1);
    EXPECT_EQ(UnitIDOf(map[2]), 3);
    EXPECT_EQ(UnitIDOf(arriving[0][0][0]), 10000);
    EXPECT_EQ(UnitIDOf(arriving[1][1][2]), 20502);
    StandInUnit stray(kUnitInanimate);
    EXPECT_EQ(UnitIDOf(&stray), 0);
}

TEST_F(UnitIDs, EveryIdentifierResolvesBackToItsUnit) {
    for (Unit* u : map)
        EXPECT_EQ(battle.GetUnitPointer(UnitIDOf(u)), u);
    for (auto& side : arriving)
        for (auto& r : side)
            for (Unit* u : r)
                EXPECT_EQ(battle.GetUnitPointer(UnitIDOf(u)), u);
}

TEST_F(UnitIDs, IdentifiersOutOfRangeResolveToNothing) {
    EXPECT_EQ(battle.GetUnitPointer(0), nullptr);
    EXPECT_EQ(battle.GetUnitPointer(-5), nullptr);
    EXPECT_EQ(battle.GetUnitPointer(4), nullptr);     // past the map list
    EXPECT_EQ(battle.GetUnitPointer(10003), nullptr); // past reinforcement 0's units
    EXPECT_EQ(battle.GetUnitPointer(11000), nullptr); // reinforcement slot 2 does not exist
    EXPECT_EQ(battle.GetUnitPointer(30000), nullptr); // side 2
    EXPECT_EQ(battle.GetUnitPointer(32767), nullptr);
}

TEST_F(UnitIDs, WrittenAndReadIdentifiersKeepTheStreamInStep) {
    std::unique_ptr<GFile> file(NewScratchFile());
    ASSERT_TRUE(file);
    StandInUnit stray(kUnitInanimate);
    WriteUnitID(file.get(), map[1]);
    WriteUnitID(file.get(), arriving[1][1][2]);
    WriteUnitID(file.get(), &stray);
    WriteUnitID(file.get(), map[0]);
    file->Rewind();
    EXPECT_EQ(ReadUnitID(file.get(), true), map[1]);
    EXPECT_EQ(RawUnitID(ReadUnitID(file.get(), false)), 20502);
    EXPECT_EQ(ReadUnitID(file.get(), true), nullptr);
    EXPECT_EQ(ReadUnitID(file.get(), true), map[0]);
    EXPECT_FALSE(file->HasFailed());
}

TEST(UnitIDLimits, UnitsBeyondTheCodedRangesAreWrittenAsNone) {
    Battle battle;
    battle.IBattleStub();
    CurrentBattle current(&battle);
    Unit* last = nullptr;
    for (int i = 0; i < 10000; ++i)
        last = AddStandIn(battle.mUnits, kUnitInanimate, kAxis, 0, 0);
    EXPECT_EQ(UnitIDOf(battle.mUnits->GetUnit(9998)), 9999);
    EXPECT_EQ(UnitIDOf(last), 0); // would decode as a reinforcement unit
    auto* big = new Reinforcement;
    Unit* late = nullptr;
    for (int i = 0; i < 501; ++i)
        late = AddStandIn(big->mUnits, kUnitInanimate, kAxis, 0, 0);
    battle.mReinforcements[0].Add(big);
    EXPECT_EQ(UnitIDOf(big->mUnits->GetUnit(499)), 10499);
    EXPECT_EQ(UnitIDOf(late), 0); // would decode as the next slot's unit
}
