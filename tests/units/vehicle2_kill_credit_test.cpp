// A destroyed vehicle in its killer's kill records: the final record always
// counts its true type; the running record counts the type only when the
// killer had identified it (contact level 5 or more), else an unidentified
// vehicle.

#include <gtest/gtest.h>

#include "units/vehicle2_fixtures.h"

namespace {

class VehicleKillCredit : public ::testing::Test {
protected:
    ~VehicleKillCredit() override { gCreditKiller = nullptr; }
    VehicleBattle battle;
    HitTables hit{battle.mTables};
};

TEST_F(VehicleKillCredit, TheTypeCountsInTheRunningRecordFromContactFive) {
    for (FogOfWarContact contact : {kContactSeen, FogOfWarContact(4), kContactFull}) {
        Vehicle* victim = battle.AddVehicle(kTestTank, kAxis, 50, 50, 0);
        Vehicle* killer = battle.AddVehicle(kTestTank, kAllies, 400, 50, 0);
        victim->mContactLevel = contact;
        gCreditKiller = killer;
        victim->Die();
        gCreditKiller = nullptr;
        const bool identified = contact >= kContactFull;
        EXPECT_EQ(killer->mKillRecords[0].VehicleKillsOfType(kTestTank), identified ? 1 : 0) << int(contact);
        EXPECT_EQ(killer->mKillRecords[0].VehicleKillsOfType(kVehicleUnidentified), identified ? 0 : 1)
            << int(contact);
        EXPECT_EQ(killer->mKillRecords[1].VehicleKillsOfType(kTestTank), 1) << int(contact);
        EXPECT_EQ(killer->mKillRecords[1].VehicleKills(), 1) << int(contact);
    }
}

} // namespace
