// How far a vehicle is seen follows the light of the battle's time of day;
// a bank in front of a vehicle hides its hull.
#include <gtest/gtest.h>

#include "map/BuildingWallCrater.h"
#include "units/vehicle_fixtures.h"

namespace {

TEST(VehicleSight, TheTimeOfDaysLightShortensTheRangeAVehicleIsSeenAt) {
    VehicleBattle b(20, 20);
    Vehicle* seen = b.AddVehicle(kTestTank, kAllies, 300.0f, 300.0f);
    Vehicle* spotter = b.AddVehicle(kTestTank, kAxis, 100.0f, 300.0f);
    seen->mActive = spotter->mActive = true;
    b.mBattle.mTimeOfDay = kMidday;
    const float day = seen->SpottingRange(spotter);
    ASSERT_GT(day, 0.0f);
    const struct {
        Daytime light;
        float factor;
    } kLight[] = {{kMorning, 0.75f}, {kMidday, 1.0f}, {kEvening, 0.75f}, {kNight, 0.6f}};
    for (const auto& l : kLight) {
        b.mBattle.mTimeOfDay = l.light;
        // The battle's condition level plays no part in it.
        for (int32_t condition = 0; condition <= 3; ++condition) {
            b.mBattle.mConditionLevel = condition;
            EXPECT_FLOAT_EQ(seen->SpottingRange(spotter), day * l.factor) << "light " << l.light;
        }
    }
}

// On flat ground only a bank (type 42) between them puts the vehicle hull
// down to a place; the map's walls are read as they were last indexed.
TEST(VehicleSight, OnlyABankInFrontPutsAVehicleHullDown) {
    VehicleBattle b;
    Vehicle* tank = b.AddVehicle(kTestTank, kAxis, 150.0f, 100.0f);
    Map& map = *b.mBattle.mMap;
    EXPECT_FALSE(tank->HullDownToLocation(50.0f, 100.0f));
    auto* wall = new Wall;
    map.mWalls->Add(wall);
    for (Terrain type : {42, 44, 42}) {
        wall->IWall(type, 120.0f, 80.0f, 120.0f, 120.0f, 1.0f);
        map.IndexObjects();
        EXPECT_EQ(tank->HullDownToLocation(50.0f, 100.0f), type == 42) << "wall type " << type;
        EXPECT_FALSE(tank->HullDownToLocation(180.0f, 100.0f)); // the bank is behind it
    }
}

} // namespace
