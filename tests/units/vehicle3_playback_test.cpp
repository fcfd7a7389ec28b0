// The vehicle's items of its unit packet carried into playback, and the
// engine sounds the replay drops for a dead, immobilised or vanished one.

#include <gtest/gtest.h>

#include <vector>

#include "battle/ActionPacket.h"
#include "units/vehicle_fixtures.h"

namespace {

std::vector<std::pair<Vehicle*, bool>> gDropped;
void RecordDrop(Vehicle* v, bool queuedToo) {
    gDropped.emplace_back(v, queuedToo);
}

} // namespace

TEST(VehiclePlayback, PacketItemsReplayTheVehiclesState) {
    VehicleBattle b;
    Vehicle* a = b.AddVehicle(kTestTank, kAllies, 100, 100);
    a->mActive = true;
    a->mBurning = true;
    a->mWeaponKnockedOut = true;
    a->mTurretBearing = -37.5f;
    a->mTurretRate = 0.125f;
    a->mBogged = true;
    a->mButtoned = true;
    a->mBailOutCountdown = -1;
    a->mDriverShockTime = 0.25f;
    a->mStatusNibble = 0x1B; // only four bits travel
    a->mMGRounds[0] = 200;
    a->mMGRounds[2] = 7;
    ActionPacket* p = a->FillPacket();
    ASSERT_NE(p, nullptr);

    Vehicle* c = b.AddVehicle(kTestTank, kAllies, 10, 10);
    c->ProcessActionPacket(p);
    EXPECT_TRUE(c->mBurning);
    EXPECT_TRUE(c->mWeaponKnockedOut);
    EXPECT_EQ(c->mTurretBearing, -37.5f);
    EXPECT_EQ(c->mTurretRate, 0.125f);
    EXPECT_TRUE(c->mBogged);
    EXPECT_TRUE(c->mButtoned);
    EXPECT_EQ(c->mBailOutCountdown, -1); // sign kept
    EXPECT_TRUE(c->mShockShown);
    EXPECT_EQ(c->mStatusNibble, 0x0B);
    EXPECT_EQ(c->mMGRounds[0], 200);
    EXPECT_EQ(c->mMGRounds[2], 7);
    EXPECT_EQ(c->mX, 100.0f);

    // Clear flags replay clear, and a packet's unit bits are left as they were.
    a->mBurning = a->mWeaponKnockedOut = a->mBogged = a->mButtoned = false;
    a->mDriverShockTime = 0.0f;
    a->mBailOutCountdown = 1234;
    a->mImmobile = true;
    c->ProcessActionPacket(a->FillPacket());
    EXPECT_FALSE(c->mBurning || c->mBogged || c->mButtoned || c->mShockShown);
    EXPECT_EQ(c->mBailOutCountdown, 1234);
    EXPECT_TRUE(c->mImmobile);
}

TEST(VehiclePlayback, ReplayDropsEngineSoundsOfDeadImmobilisedOrVanishedVehicles) {
    VehicleBattle b;
    Vehicle::sDropEngineSound = &RecordDrop;
    gDropped.clear();
    Vehicle* a = b.AddVehicle(kTestTank, kAllies, 100, 100);
    Vehicle* c = b.AddVehicle(kTestTank, kAllies, 100, 100);
    a->mActive = c->mActive = true;
    c->ProcessActionPacket(a->FillPacket());
    EXPECT_TRUE(gDropped.empty());

    a->mImmobile = true;
    c->ProcessActionPacket(a->FillPacket());
    ASSERT_EQ(gDropped.size(), 1u);
    EXPECT_FALSE(gDropped[0].second);
    c->ProcessActionPacket(a->FillPacket()); // already immobilised: nothing new
    EXPECT_EQ(gDropped.size(), 1u);

    a->mActive = false;
    c->ProcessActionPacket(a->FillPacket());
    ASSERT_EQ(gDropped.size(), 2u);
    EXPECT_TRUE(gDropped[1].second); // the queued sound goes too
    Vehicle::sDropEngineSound = nullptr;
}

TEST(VehiclePlayback, ResetAnimationDropsWaypointsOfAVehicleThatCannotMove) {
    VehicleBattle b;
    Vehicle* a = b.AddVehicle(kTestTank, kAllies, 100, 100);
    VehicleBattle::Order(a, 150, 100, kPaceDefaultMove);
    a->ResetAnimation();
    EXPECT_EQ(a->mNrWaypoints, 1);
    a->mImmobile = true;
    a->ResetAnimation();
    EXPECT_EQ(a->mNrWaypoints, 0);
    a->mHitRecordSlice = 40;
    a->CompletePlayback();
    EXPECT_EQ(a->mHitRecordSlice, -1);
}
