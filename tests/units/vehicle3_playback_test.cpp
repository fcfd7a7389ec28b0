// The vehicle's items of its unit packet carried into playback, and the
// engine sounds the replay drops for a dead, immobilised or vanished one.

#include <gtest/gtest.h>

#include <vector>

#include "battle/ActionPacket.h"
#include "engine/GFile.h"
#include "engine/GOLTA.h"
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
    a->mManeuverTried = true; // the panel's pictures travel with the replay
    a->mHidingAtStart = true;
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
    EXPECT_TRUE(c->mManeuverTried);
    EXPECT_TRUE(c->mHidingAtStart);

    // Clear flags replay clear, and a packet's unit bits are left as they were.
    a->mBurning = a->mWeaponKnockedOut = a->mBogged = a->mButtoned = false;
    a->mDriverShockTime = 0.0f;
    a->mManeuverTried = a->mHidingAtStart = false;
    a->mBailOutCountdown = 1234;
    a->mImmobile = true;
    c->ProcessActionPacket(a->FillPacket());
    EXPECT_FALSE(c->mBurning || c->mBogged || c->mButtoned || c->mShockShown || c->mManeuverTried ||
                 c->mHidingAtStart);
    EXPECT_EQ(c->mBailOutCountdown, 1234);
    EXPECT_TRUE(c->mImmobile);
}

// The panel's two marks travel in the turn's packet block each on its own:
// read back from the file and replayed on copies that hold neither, a vehicle
// hidden since the turn began shows no manoeuvre, and one that tried a
// manoeuvre was not hidden from the start.
TEST(VehiclePlayback, TheFileCarriesTheHidingAndManoeuvreMarksApart) {
    VehicleBattle b;
    Vehicle* hider = b.AddVehicle(kTestTank, kAllies, 100, 100);
    Vehicle* driver = b.AddVehicle(kTestTank, kAllies, 200, 100);
    hider->mActive = driver->mActive = true;
    hider->mHidingAtStart = true;
    driver->mManeuverTried = true;
    b.mBattle.mPackets.EmptyOut(true);
    ASSERT_NE(hider->FillPacket(), nullptr);
    ASSERT_NE(driver->FillPacket(), nullptr);
    GFile file;
    ASSERT_TRUE(file.ITempFile(false));
    b.mBattle.WriteActionPackets(&file);
    file.Rewind();
    GList read;
    read.IList();
    ASSERT_TRUE(ReadPacketList(&file, &read, &b.mBattle));
    ASSERT_EQ(read.GetCount(), 2);
    hider->mHidingAtStart = driver->mManeuverTried = false;
    for (int32_t i = 0; i < read.GetCount(); ++i) {
        auto* p = static_cast<ActionPacket*>(read.GetObjectA(i));
        ASSERT_TRUE(p->mUnit == hider || p->mUnit == driver);
        p->mUnit->ProcessActionPacket(p);
    }
    read.EmptyOut(true);
    EXPECT_TRUE(hider->mHidingAtStart);
    EXPECT_FALSE(hider->mManeuverTried) << "the hider shows a manoeuvre";
    EXPECT_TRUE(driver->mManeuverTried);
    EXPECT_FALSE(driver->mHidingAtStart) << "the driver shows as hidden since the turn began";
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

namespace {

// A tank that keeps its state as the turn's computation leaves it.
class RecordingTank : public Vehicle {
public:
    void FlushLastPacket(int32_t slice) override {
        Vehicle::FlushLastPacket(slice);
        if (mFlushed) return;
        mFlushed = true;
        mEnd = {mX, mY, mHeading, mTurretBearing, mButtoned, mBurning, mBogged, mWeaponKnockedOut};
    }
    struct State {
        float x, y, heading, turret;
        bool buttoned, burning, bogged, gunOut;
    };
    bool mFlushed = false;
    State mEnd{};
};

} // namespace

TEST(VehiclePlayback, AComputedTurnsPacketsReplayTheVehiclesEndState) {
    auto turn = [](RecordingTank::State* replayed, RecordingTank::State* computed, int32_t* packets) {
        VehicleBattle b(20, 20);
        SeedRandomGenerator(4242);
        auto* tank = new RecordingTank;
        tank->IVehicle(kTestTank, kForceDefaultAllies, kExperienceRegular, 100.0f, 100.0f, 0.0f);
        tank->mActive = true;
        tank->mButtoned = true;
        b.mBattle.mUnits->Add(tank);
        VehicleBattle::Order(tank, 160, 100, kPaceDefaultMove);
        VehicleBattle::Order(tank, 220, 160, kPaceDefaultMove, kWaypointLegEnd);
        tank->mAreaTarget = true; // the turret swings to it
        tank->mAreaTargetX = 300.0f;
        tank->mAreaTargetY = 350.0f;
        b.mBattle.ActionPhase(true, false);
        EXPECT_TRUE(tank->mFlushed);
        *computed = tank->mEnd;
        *packets = b.mBattle.mPackets.GetCount();
        // The replay starts from another pose and ends in the computed one.
        tank->mX = tank->mY = 1.0f;
        tank->mHeading = tank->mTurretBearing = 0.0f;
        tank->mButtoned = !computed->buttoned;
        b.mBattle.SetPlaypoint(kSlicesPerTurn + 40);
        *replayed = {tank->mX,        tank->mY,       tank->mHeading, tank->mTurretBearing,
                     tank->mButtoned, tank->mBurning, tank->mBogged,  tank->mWeaponKnockedOut};
        return GetRandomState();
    };
    RecordingTank::State replayed{}, computed{}, again{}, computedAgain{};
    int32_t n = 0, m = 0;
    const uint32_t r = turn(&replayed, &computed, &n);
    EXPECT_GT(computed.x, 150.0f); // it drove
    EXPECT_NE(computed.turret, 0.0f);
    EXPECT_NEAR(replayed.x, computed.x, 0.05f);
    EXPECT_NEAR(replayed.y, computed.y, 0.05f);
    EXPECT_NEAR(replayed.heading, computed.heading, 0.5f);
    EXPECT_NEAR(replayed.turret, computed.turret, 0.01f);
    EXPECT_EQ(replayed.buttoned, computed.buttoned);
    EXPECT_EQ(replayed.bogged, computed.bogged);
    // A seeded turn repeats exactly.
    EXPECT_EQ(turn(&again, &computedAgain, &m), r);
    EXPECT_EQ(m, n);
    EXPECT_EQ(computedAgain.x, computed.x);
    EXPECT_EQ(computedAgain.turret, computed.turret);
}

// Shells still in flight land after the turn's last slice, when the units no
// longer act: a hit there that sends the crew out of a wrecked tank reaches
// the replay, which would otherwise leave the wreck in play with no crew
// leaving it.
TEST(VehiclePlayback, AHitAfterTheLastSliceReachesTheReplay) {
    VehicleBattle b;
    Vehicle* tank = b.AddVehicle(kTestTank, kAllies, 100, 100);
    tank->mActive = true;
    b.mBattle.mPackets.EmptyOut(true);
    b.mBattle.mTimeSlice = kSlicesPerTurn + 1;
    tank->FlushLastPacket(0);
    b.mBattle.mTimeSlice = kSlicesPerTurn + 38;
    SeedRandomGenerator(7);
    tank->ApplyInternalDamage(true, false, false, 0.0f, false, false, 1.0f, 0.5f, false);
    ASSERT_TRUE(tank->mDestroyed);
    ASSERT_TRUE(tank->mActive);
    const int32_t countdown = tank->mBailOutCountdown;
    ASSERT_GE(countdown, 0);
    tank->FlushLastPacket(1);

    Vehicle* replay = b.AddVehicle(kTestTank, kAllies, 10, 10);
    for (int32_t i = 0; i < b.mBattle.mPackets.GetCount(); ++i) {
        auto* p = static_cast<ActionPacket*>(b.mBattle.mPackets.GetObjectA(i));
        if (p->mType == kPacketUnitState && p->mUnit == tank) replay->ProcessActionPacket(p);
    }
    EXPECT_EQ(replay->mBailOutCountdown, countdown);
}
