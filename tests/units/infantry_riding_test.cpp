// Infantry riding: boarding a vehicle, following it, getting off, the
// vehicle's passenger slots, unlimbering and moving by itself.

#include "draw/InfantryDraw.h"
#include "infantry_fixture.h"
#include "units/Vehicle.h"

namespace {

class Truck : public Vehicle {
public:
    void ConcatName(GString*, bool) override {}
    void TakeAreaHit(float, int32_t, PendingAttack*) override {}
    void DrawCode(bool, float, float) override {}
    bool CouldMoveIfNotBogged() override { return true; }
};

class InfantryRiding : public InfantryTest {
protected:
    InfantryRiding() {
        mVehicles[1].mTransportClass = 8;
        mVehicles[1].mPassengerSlots = 2;
        mVehicles[1].mCrew = 2;
        mVehicles[2].mTransportClass = 3; // a tank: riders without heavy loads
        mVehicles[2].mPassengerSlots = 1;
        mTruck.mSubtype = 1;
        mTruck.mActive = true;
        mTruck.mX = 52.0f;
        mTruck.mY = 50.0f;
        mTruck.mHeading = 30.0f;
    }
    std::unique_ptr<Infantry> Aboard(InfantryType type, Force force) {
        auto u = Make(type, force);
        mTruck.mSide = u->mSide;
        u->mEmbarkTarget = &mTruck;
        EXPECT_TRUE(u->Embark());
        return u;
    }
    Truck mTruck;
};

TEST_F(InfantryRiding, ASquadAtTheTruckBoardsAndTakesAPassengerSlot) {
    auto u = Make(kUSSquad, kAmerican);
    u->mEmbarkTarget = &mTruck;
    u->mNrWaypoints = 1;
    gPacket = false;
    EXPECT_TRUE(u->Embark());
    EXPECT_EQ(u->mTransport, &mTruck);
    EXPECT_EQ(u->mEmbarkTarget, nullptr);
    EXPECT_EQ(u->mNrWaypoints, 0);
    EXPECT_EQ(mTruck.mPassengers[0], u.get());
    EXPECT_EQ(u->mX, mTruck.mX);
    EXPECT_TRUE(u->IsPassenger(false));
    EXPECT_TRUE(gPacket);
}

TEST_F(InfantryRiding, TheVehicleRefusesWhatItCannotCarry) {
    auto squad = Make(kUSSquad, kAmerican);
    EXPECT_TRUE(mTruck.CanTransport(squad.get(), true, false));
    squad->mX = 60.0f; // 8 m off
    EXPECT_FALSE(mTruck.CanTransport(squad.get(), true, false));
    EXPECT_TRUE(mTruck.CanTransport(squad.get(), false, false));
    mTruck.mDugIn = true;
    EXPECT_FALSE(mTruck.CanTransport(squad.get(), false, false));
    mTruck.mDugIn = false;
    mTypes[kGermanGunCrew].mMobility = 9; // too heavy but in set-up
    auto gun = Make(kGermanGunCrew, kGerman);
    EXPECT_FALSE(mTruck.CanTransport(gun.get(), false, false));
    mTypes[kGermanGunCrew].mMobility = 8;
    mTruck.mSubtype = 2;
    EXPECT_FALSE(mTruck.CanTransport(gun.get(), false, true)); // above the tank's class
}

TEST_F(InfantryRiding, TwoSlotsAndNoRoomForTwoFullSquads) {
    auto first = Aboard(kUSSquad, kAmerican);
    auto second = Make(kUSSquad, kAmerican);
    EXPECT_FALSE(mTruck.CanTransport(second.get(), true, false)); // nine men beside nine
    auto pair = Make(kGermanTankHunters, kAmerican);
    EXPECT_TRUE(mTruck.CanTransport(pair.get(), true, false));
    pair->mEmbarkTarget = &mTruck;
    EXPECT_TRUE(pair->Embark());
    EXPECT_EQ(mTruck.mPassengers[1], pair.get());
    auto third = Make(kGermanTankHunters, kAmerican);
    EXPECT_FALSE(mTruck.CanTransport(third.get(), true, false));
}

TEST_F(InfantryRiding, RidersFollowTheCarrierAndATowedGunFacesBack) {
    auto gun = Aboard(kGermanGunCrew, kGerman);
    mTruck.mX = 70.0f;
    mTruck.mHeading = 270.0f;
    EXPECT_TRUE(gun->UpdateRider(false));
    EXPECT_EQ(gun->mX, 70.0f);
    EXPECT_EQ(gun->mHeading, 90.0f);
    auto walker = Make(kUSSquad, kAmerican);
    EXPECT_FALSE(walker->UpdateRider(false));
}

TEST_F(InfantryRiding, NobodyGetsOffAMovingCarrierEvenABurningOne) {
    auto u = Aboard(kUSSquad, kAmerican);
    u->mNrWaypoints = 1;
    u->mWaypoints[0].mX = 20.0f;
    u->mWaypoints[0].mY = 50.0f;
    mTruck.mPlaybackSpeed = 0.11f;
    mTruck.mBurning = true;
    u->Disembark();
    EXPECT_EQ(u->mTransport, &mTruck);
    mTruck.mPlaybackSpeed = 0.0f;
    u->Disembark();
    EXPECT_EQ(u->mTransport, nullptr);
    EXPECT_EQ(mTruck.mPassengers[0], nullptr);
    const float d = std::hypot(u->mX - mTruck.mX, u->mY - mTruck.mY);
    EXPECT_TRUE(std::fabs(d - 5.0f) < 1e-3f || d == 0.0f);
    EXPECT_GT(mTruck.mCommandDelay, 0.0f);
}

// Riders whose waypoint lies far ahead ride on with a carrier that goes
// there; pinned riders jump off whatever the carrier does.
TEST_F(InfantryRiding, RidersRideOnTowardAFarWaypointUnlessPinned) {
    auto u = Aboard(kUSSquad, kAmerican);
    u->mNrWaypoints = 1;
    u->mWaypoints[0].mX = 150.0f;
    u->mWaypoints[0].mY = 50.0f;
    mTruck.mNrWaypoints = 1;
    mTruck.mWaypoints[0].mX = 150.0f;
    mTruck.mWaypoints[0].mOrder = kMove;
    u->Disembark();
    EXPECT_EQ(u->mTransport, &mTruck);
    u->mSuppression = 80.0f;
    u->Disembark();
    EXPECT_EQ(u->mTransport, nullptr);
    EXPECT_EQ(mTruck.mPassengers[0], nullptr);
}

TEST_F(InfantryRiding, AnEliteCrewUnlimbersInAboutFortyNineSeconds) {
    auto gun = Make(kGermanGunCrew, kGerman, kExperienceElite);
    gun->SetUnlimberTime(1.0f);
    const float base = 1.25f; // mobility 4
    EXPECT_NEAR(-gun->mLoadTime, (0.026667f * 25.0f - 0.30333f * 5.0f + 1.5f) * base * 60.0f, 1e-3f);
    auto squad = Make(kUSSquad, kAmerican);
    squad->SetUnlimberTime(1.0f); // no support weapon: nothing to unlimber
    EXPECT_EQ(squad->mLoadTime, 0.0f);
}

TEST_F(InfantryRiding, AUnitWaitingForItsVehicleWalksToIt) {
    auto u = Make(kUSSquad, kAmerican);
    u->mEmbarkTarget = &mTruck;
    mTruck.mPlaybackSpeed = 0.05f;
    EXPECT_TRUE(u->WaitingToEmbark());
    ASSERT_EQ(u->mNrWaypoints, 1);
    EXPECT_EQ(u->mWaypoints[0].mX, mTruck.mX);
    EXPECT_EQ(u->mWaypoints[0].mOrder, u->QuickSpeed());
    mTruck.mActive = false;
    EXPECT_FALSE(u->WaitingToEmbark());
    EXPECT_EQ(u->mEmbarkTarget, nullptr);
}

TEST_F(InfantryRiding, AUnitTooHeavyToWalkMovesOnlyWhileItRides) {
    mTypes[kGermanGunCrew].mMobility = 9;
    auto gun = Make(kGermanGunCrew, kGerman);
    EXPECT_FALSE(gun->CanMovePhysically());
    EXPECT_TRUE(gun->CanOnlyDebark());
    gun->mTransport = &mTruck;
    EXPECT_TRUE(gun->CanMovePhysically());
    gun->mTransport = nullptr;
    mBattle.mBattle.mSetupPhase = true;
    EXPECT_TRUE(gun->CanMovePhysically());
}

TEST_F(InfantryRiding, ADeadRiderLeavesItsSlot) {
    auto u = Aboard(kUSSquad, kAmerican);
    mTruck.mPlaybackSpeed = 0.5f; // too fast to get off
    u->ReceiveCasualties(9, 1.0f, true, false, false);
    EXPECT_FALSE(u->mActive);
    EXPECT_EQ(mTruck.mPassengers[0], nullptr);
    EXPECT_EQ(u->mTransport, nullptr);
}

} // namespace

namespace {

class InfantryBailOut : public InfantryRiding {
protected:
    InfantryBailOut() {
        for (int32_t n = 1; n <= 8; ++n)
            Team(kInfantryCrewGerman + n - 1, static_cast<int16_t>(n), 0);
        mVehicles[1].mCrew = 4;
        mTruck.mForce = kGerman;
        mTruck.mSide = 1;
        mBattle.mBattle.mTimeSlice = 300;
    }
    void TearDown() override { mBattle.mBattle.mNewUnits.EmptyOut(false); }
};

TEST_F(InfantryBailOut, TheSurvivorsLeaveAsACrewThatAppearsLaterAndTheVehicleDies) {
    mTruck.mCasualties = 1;
    mTruck.mPlaybackSpeed = 0.0f;
    std::unique_ptr<Infantry> crew(mTruck.BailOut(true, true));
    ASSERT_NE(crew, nullptr);
    EXPECT_EQ(crew->mSubtype, kInfantryCrewGerman + 3); // a crew of four
    EXPECT_EQ(crew->MenAlive(), 3);
    EXPECT_EQ(crew->mAbandonedVehicle, &mTruck);
    EXPECT_FALSE(crew->mActive);
    EXPECT_GE(crew->mStatusTime, 300 + 160); // the hatch takes 40..89 x 4 slices
    EXPECT_LT(crew->mStatusTime, 300 + 360);
    EXPECT_EQ(crew->mAmmo[0], 0);
    EXPECT_GE(crew->mSuppression, 100.0f);
    EXPECT_EQ(crew->mTeamSmallArms[0], 1); // the German pistol
    EXPECT_FALSE(mTruck.mActive);
    EXPECT_EQ(mBattle.mBattle.mNewUnits.GetCount(), 1);
    EXPECT_EQ(crew->Rank(), 1);
    crew->Resurrect();
    EXPECT_TRUE(crew->mActive);
    EXPECT_LE(std::hypot(crew->mX - mTruck.mX, crew->mY - mTruck.mY), 3.0f + 1e-4f);
}

TEST_F(InfantryBailOut, NobodyLeavesAVehicleWithoutSurvivors) {
    mTruck.mCasualties = 4;
    EXPECT_EQ(mTruck.BailOut(false, false), nullptr);
    EXPECT_FALSE(mTruck.mActive);
    EXPECT_EQ(mBattle.mBattle.mNewUnits.GetCount(), 0);
}

} // namespace

namespace {

// Riders in the frame of a lorry 6 m long and 2.2 m high: the squad on the
// deck behind the cab, two units side by side, a gun crew a little further
// forward and higher, a towed gun behind the tail.
class RiderPlaces : public InfantryRiding {
protected:
    RiderPlaces() {
        mVehicles[1].mModel = 2;
        mModels[2].mSize[0] = 6.0f;
        mModels[2].mSize[1] = 2.3f;
        mModels[2].mSize[2] = 2.2f;
        mTruck.mContactLevel = kContactFull;
        for (VehicleType& t : mTruck.mMistakenTypes)
            t = 1;
    }
    void Ride(Infantry* u, int32_t slot) {
        u->mTransport = &mTruck;
        mTruck.mPassengers[slot] = u;
    }
    TableRows<VehicleModelData> mModels{gVehicleModelData, 4};
};

TEST_F(RiderPlaces, OneOrTwoUnitsOnTheDeckAGunCrewAndATowedGun) {
    auto squad = Make(kUSSquad, kAmerican);
    Ride(squad.get(), 0);
    RiderPlacement p = PlaceRider(squad.get(), 1.0f);
    ASSERT_EQ(p.carrier, &mTruck);
    EXPECT_FALSE(p.towed);
    EXPECT_EQ(p.slot, 0.0f); // alone: the middle of the deck
    EXPECT_FLOAT_EQ(p.x, 0.0f);
    EXPECT_FLOAT_EQ(p.y, -1.248f);
    EXPECT_FLOAT_EQ(p.z, 1.76f * 2.2f / 3.0f);

    // A second unit: the first moves to the left, the second to the right,
    // both by 0.48 m times the enlargement.
    auto pair = Make(kGermanTankHunters, kAmerican);
    Ride(pair.get(), 1);
    p = PlaceRider(squad.get(), 1.5f);
    EXPECT_EQ(p.slot, -1.0f);
    EXPECT_FLOAT_EQ(p.x, -0.72f);
    EXPECT_FLOAT_EQ(p.y, -1.872f);
    const RiderPlacement q = PlaceRider(pair.get(), 1.5f);
    EXPECT_EQ(q.slot, 1.0f);
    EXPECT_FLOAT_EQ(q.x, 0.72f);
    EXPECT_FLOAT_EQ(q.z, p.z);
    // The first slot empty: the second rider takes the middle.
    mTruck.mPassengers[0] = nullptr;
    EXPECT_EQ(PlaceRider(pair.get(), 1.0f).slot, 0.0f);

    // A crew whose gun rides with it.
    mWeapons[kAntitankGun].mFlags = 3;
    auto crew = Make(kGermanGunCrew, kGerman);
    ASSERT_TRUE(crew->HasOrdnance(false, false));
    ASSERT_FALSE(crew->HasTowedOrdnance());
    Ride(crew.get(), 0);
    p = PlaceRider(crew.get(), 1.0f);
    EXPECT_FLOAT_EQ(p.x, -0.48f); // the pair is still in the second slot
    EXPECT_FLOAT_EQ(p.y, -0.66f);
    EXPECT_FLOAT_EQ(p.z, 2.0f * 2.2f / 3.0f);

    // A towed gun: only along the hull, behind the tail once turned round.
    mWeapons[kAntitankGun].mFlags = 0;
    ASSERT_TRUE(crew->HasTowedOrdnance());
    p = PlaceRider(crew.get(), 2.0f);
    EXPECT_TRUE(p.towed);
    EXPECT_FLOAT_EQ(p.x, 0.0f);
    EXPECT_FLOAT_EQ(p.y, 7.5f);
    EXPECT_FLOAT_EQ(p.z, 0.0f);
}

TEST_F(RiderPlaces, NoCarrierPlacementWithoutAVehicleOrItsModelRow) {
    auto squad = Make(kUSSquad, kAmerican);
    EXPECT_EQ(PlaceRider(squad.get(), 1.0f).carrier, nullptr); // on foot
    auto other = Make(kGermanSquad, kGerman);
    squad->mTransport = other.get(); // not a vehicle
    EXPECT_EQ(PlaceRider(squad.get(), 1.0f).carrier, nullptr);
    EXPECT_FALSE(RidesInCarrierFrame(squad.get()));
    Ride(squad.get(), 0);
    mVehicles[1].mModel = 200; // beyond the model rows
    EXPECT_EQ(PlaceRider(squad.get(), 1.0f).carrier, nullptr);
    mVehicles[1].mModel = 2;
    EXPECT_TRUE(RidesInCarrierFrame(squad.get()));
    EXPECT_EQ(PlaceRider(squad.get(), std::nanf("")).carrier, nullptr);
    // Without a carrier only the figure unit scales the frame.
    squad->mTransport = nullptr;
    float scale = 2.0f;
    squad->ScaleForType(&scale, 1.0f, 0.0f, 0.0f);
    EXPECT_FLOAT_EQ(scale, 2.0f * 0.012990149669349194f);
}

} // namespace
