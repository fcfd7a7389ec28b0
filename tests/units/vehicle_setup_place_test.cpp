// A vehicle placed by the computer side's set-up takes its riders along.

#include "infantry_fixture.h"
#include "units/Vehicle.h"

namespace {

class SetupTruck : public Vehicle {
public:
    void ConcatName(GString*, bool) override {}
    void TakeAreaHit(float, int32_t, PendingAttack*) override {}
    void DrawCode(bool, float, float) override {}
    bool CouldMoveIfNotBogged() override { return true; }
};

class VehicleSetupPlace : public InfantryTest {};

} // namespace

TEST_F(VehicleSetupPlace, RidersFollowTheVehicle) {
    mVehicles[1].mTransportClass = 8;
    mVehicles[1].mPassengerSlots = 2;
    mVehicles[1].mCrew = 2;
    SetupTruck truck;
    truck.mSubtype = 1;
    truck.mActive = true;
    truck.mX = 52.0f;
    truck.mY = 50.0f;
    auto rider = Make(kUSSquad, kAmerican);
    truck.mSide = rider->mSide;
    rider->mEmbarkTarget = &truck;
    ASSERT_TRUE(rider->Embark());
    auto walker = Make(kUSSquad, kAmerican);
    walker->mX = 40.0f;
    truck.AISetLocation(120.0f, 90.0f);
    EXPECT_EQ(truck.mX, 120.0f);
    EXPECT_EQ(rider->mX, 120.0f);
    EXPECT_EQ(rider->mY, 90.0f);
    EXPECT_EQ(walker->mX, 40.0f);
}
