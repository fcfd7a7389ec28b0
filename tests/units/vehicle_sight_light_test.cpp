// How far a vehicle is seen follows the light of the battle's time of day.
#include <gtest/gtest.h>

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

} // namespace
