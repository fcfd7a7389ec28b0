// A unit's slices of the action phase: its clocks, heading, packets, the
// move to contact, the sewers, coming into play, and playback.

#include <gtest/gtest.h>

#include "engine/GOLTA.h"
#include "unit_conduct_fixtures.h"
#include "units/UnitGeometry.h"

TEST(UnitSlice, ClocksInSecondsStopAtExactlyZero) {
    SmallBattle b;
    Walker* u = b.Add(kAxis, 50, 50);
    u->mWalks = false;
    u->mCommandDelay = 0.02f;
    u->mAimPause = 0.05f;
    u->mFearClock = 1000;
    b.RunSlices(1);
    EXPECT_EQ(u->mCommandDelay, 0.0f);
    EXPECT_FLOAT_EQ(u->mAimPause, 0.025f);
    b.RunSlices(1);
    EXPECT_EQ(u->mAimPause, 0.0f);
    EXPECT_EQ(u->mSliceCount, 2);
}

TEST(UnitSlice, HeadingsStayWithinOneTurn) {
    SmallBattle b;
    Walker* u = b.Add(kAxis, 50, 50);
    u->mWalks = false;
    u->mFearClock = 1000;
    struct Case {
        float heading, rate, expected;
    } cases[] = {{359.9f, 0.5f, 0.4f}, {0.0f, -0.5f, 359.5f}, {359.0f, 1.0f, 0.0f}, {-0.5f, -719.5f, 0.0f}};
    for (const Case& c : cases) {
        u->mHeading = c.heading;
        u->mTurnRate = c.rate;
        b.RunSlices(1);
        EXPECT_NEAR(u->mHeading, c.expected, 1e-3f) << c.heading << " + " << c.rate;
        EXPECT_GE(u->mHeading, 0.0f);
        EXPECT_LT(u->mHeading, 360.0f);
    }
}

TEST(UnitSlice, APacketIsWrittenOnlyInSlicesThatChangedSomething) {
    SmallBattle b;
    Walker* u = b.Add(kAxis, 50, 50);
    u->mWalks = false;
    u->mFearClock = 1000;
    b.RunSlices(5);
    EXPECT_TRUE(u->mPackets.empty());
    u->mPacketDirty = true; // a change made outside the unit's own slice
    u->mAreaTarget = true;
    u->mGunElevationGoal = 0.3f;
    b.RunSlices(1);
    ASSERT_EQ(u->mPackets.size(), 1u);
    b.RunSlices(1); // the elevation reaches its goal: the slice is recorded
    EXPECT_EQ(u->mPackets.size(), 2u);
    EXPECT_EQ(u->mGunElevation, 0.3f);
    u->mPacketDirty = false;
    b.RunSlices(3);
    EXPECT_EQ(u->mPackets.size(), 2u);
}

TEST(UnitSlice, TheWeaponComesDownWithoutATarget) {
    SmallBattle b;
    Walker* u = b.Add(kAxis, 50, 50);
    u->mWalks = false;
    u->mFearClock = 1000;
    u->mGunElevation = 1.0f;
    u->mGunElevationGoal = 1.0f;
    b.RunSlices(1);
    EXPECT_EQ(u->mGunElevationGoal, 0.0f);
    EXPECT_FLOAT_EQ(u->mGunElevation, 0.85f);
    b.RunSlices(6);
    EXPECT_EQ(u->mGunElevation, 0.0f);
}

TEST(UnitSlice, AUnitOnTheFarEdgeLeavesTheMapButAnAircraftNever) {
    SmallBattle b(5, 5);
    Walker* walker = b.Add(kAxis, 100.0f, 50.0f); // x = width exactly
    Walker* plane = b.Add(kAxis, 100.0f, 50.0f, kUnitAirplane);
    walker->mWalks = plane->mWalks = false;
    walker->mFearClock = plane->mFearClock = 1000;
    b.RunSlices(1);
    EXPECT_NE(walker->mOffMapState, 0);
    EXPECT_EQ(plane->mOffMapState, 0);
}

TEST(UnitSlice, FearReactionsComeEveryTwoToSixSeconds) {
    SeedRandomGenerator(7);
    SmallBattle b;
    Walker* u = b.Add(kAxis, 50, 50);
    u->mWalks = false;
    b.Prepare(); // the first turn sets the clock to 120..279 slices
    EXPECT_GE(u->mFearClock, 120);
    EXPECT_LE(u->mFearClock, 279);
    int32_t first = u->mFearClock;
    b.RunSlices(first - 1);
    EXPECT_EQ(u->mFears, 0);
    b.RunSlices(1);
    EXPECT_EQ(u->mFears, 1);
    EXPECT_GE(u->mFearClock, 80);
    EXPECT_LE(u->mFearClock, 239);
}

TEST(UnitSlice, AMoveToContactEndsWhenTheUnitIsShotAtAndHidesAsOrdered) {
    SmallBattle b;
    Walker* u = b.Add(kAxis, 50, 50);
    u->mFearClock = 1000;
    u->mNrWaypoints = 2;
    u->mWaypoints[0] = {100, 50, 0, kPaceToContact, kWaypointActive, 0, 0};
    u->mWaypoints[1] = {150, 50, 0, kPaceToContact, kWaypointActiveEnd, 0, 1};
    b.RunSlices(10);
    EXPECT_EQ(u->mNrWaypoints, 2);
    EXPECT_GT(u->mX, 50.0f);
    u->mSuppression = 0.01f;
    b.RunSlices(1);
    EXPECT_EQ(u->mNrWaypoints, 0);
    EXPECT_TRUE(u->mHiding);
    float x = u->mX;
    b.RunSlices(5);
    EXPECT_EQ(u->mX, x); // it stays where contact was made
}

TEST(UnitSlice, AMoveToContactEndsAtTheSightOfALiveEnemy) {
    SmallBattle b;
    Walker* u = b.Add(kAxis, 20, 100);
    Walker* enemy = b.Add(kAllies, 120, 100);
    enemy->mWalks = false;
    u->mFearClock = enemy->mFearClock = 1000;
    u->mNrWaypoints = 1;
    u->mWaypoints[0] = {180, 100, 0, kPaceToContact, kWaypointActiveEnd, 0, 0};
    b.RunSlices(119); // not yet spotted by the unit's side
    EXPECT_EQ(u->mNrWaypoints, 1);
    enemy->mContactLevel = kContactSeen;
    b.RunSlices(1);
    EXPECT_EQ(u->mNrWaypoints, 1); // looked for every 3 s
    b.RunSlices(1);
    EXPECT_EQ(u->mNrWaypoints, 0);
}

TEST(UnitSlice, SewersHoldTheUnitUntilItEmergesOrIsLost) {
    SmallBattle b;
    static int32_t sewerTime = 0;
    gInfantryHooks.sewerTime = [](Unit*) { return sewerTime; };
    Walker* u = b.Add(kAxis, 10000, 10000);
    u->mFearClock = 1000;
    u->mOffMapState = 3;
    u->mNrWaypoints = 2;
    u->mWaypoints[1].mX = 60;
    u->mWaypoints[1].mY = 70;
    sewerTime = -1; // still underway
    b.RunSlices(3);
    EXPECT_EQ(u->mOffMapState, 3);
    sewerTime = 0; // arrived: waits out its delay, then comes up
    u->mCommandDelay = 0.05f;
    b.RunSlices(1);
    EXPECT_EQ(u->mOffMapState, 3);
    b.RunSlices(1);
    EXPECT_EQ(u->mOffMapState, 0);
    EXPECT_EQ(u->mX, 60.0f);
    EXPECT_EQ(u->mY, 70.0f);
    EXPECT_EQ(u->mNrWaypoints, 0);
    EXPECT_EQ(u->mAimTime, 15.0f);
    u->mOffMapState = 3;
    sewerTime = -2; // lost
    b.RunSlices(1);
    EXPECT_FALSE(u->mActive);
    EXPECT_EQ(u->mOffMapState, 1);
    gInfantryHooks = InfantryHooks{};
}

TEST(UnitSlice, AnInactiveUnitComesIntoPlayInTheSliceBeforeItsTime) {
    struct Arrival : Walker {
        void Resurrect() override { ++mArrivals; }
        int32_t mArrivals = 0;
    };
    SmallBattle b;
    auto* u = new Arrival;
    b.mBattle.mUnits->Add(u);
    u->mActive = false;
    u->mStatusTime = 100;
    u->mSliceCount = 98;
    b.RunSlices(1);
    EXPECT_EQ(u->mArrivals, 0);
    b.RunSlices(1);
    EXPECT_EQ(u->mArrivals, 1);
}

TEST(UnitSlice, APinnedObserverStillCarriesOnItsFireMission) {
    TableRows<InfantryData> infantry(gInfantryData, 2);
    TableRows<WeaponData> weapons(gWeaponData, 8);
    infantry[1].mHeavyWeapon = 7;
    weapons[7].mClass = kWClassIndirect;
    static int32_t missions = 0;
    missions = 0;
    gInfantryHooks.fireOffboardArtillery = [](Unit*) { ++missions; };
    SmallBattle b;
    Walker* fo = b.Add(kAxis, 50, 50);
    fo->mSubtype = 1;
    fo->mFearClock = 1000;
    fo->mAreaTarget = true;
    fo->mAmmo[0] = 5;
    b.RunSlices(2);
    EXPECT_EQ(missions, 0); // in good order its own action runs the mission
    fo->mSuppression = 400;
    b.RunSlices(2);
    EXPECT_EQ(missions, 2);
    gInfantryHooks = InfantryHooks{};
}

TEST(UnitSlice, PreparationResetsTheTurnAndConvertsPlannedOrders) {
    SmallBattle b;
    Walker* u = b.Add(kAxis, 50, 50);
    u->mQueuedDelay = 2;
    u->mSliceCount = 2400;
    u->mManeuverTries = 0;
    u->mHiding = true;
    u->mNrWaypoints = 2;
    u->mWaypoints[0].mKind = kWaypointPlanned;
    u->mWaypoints[1].mKind = kWaypointPlannedEnd;
    b.Prepare();
    EXPECT_EQ(u->mSliceCount, 0);
    EXPECT_EQ(u->mManeuverTries, 5);
    EXPECT_TRUE(u->mHidingAtStart);
    EXPECT_EQ(u->mQueuedDelay, 0);
    EXPECT_GE(u->mCommandDelay, 18.0f); // 20 s, give or take 2
    EXPECT_LE(u->mCommandDelay, 22.0f);
    EXPECT_EQ(u->mWaypoints[0].mKind, kWaypointActive);
    EXPECT_EQ(u->mWaypoints[1].mKind, kWaypointActiveEnd);
    ASSERT_EQ(u->mPackets.size(), 1u); // the opening state

    // No delay, no jitter draw: the draws are the stamp and the fear clock.
    Walker* v = b.Add(kAxis, 60, 60);
    SeedRandomGenerator(3);
    v->PrepareForAction();
    uint32_t after = GetRandomState();
    SeedRandomGenerator(3);
    RandomPair();
    RandomPair();
    EXPECT_EQ(GetRandomState(), after);
}

TEST(UnitSlice, TwoSeededRunsGiveTheSamePacketsAndStates) {
    auto run = [](std::vector<PacketShot>* packets, float* x, float* y) {
        SeedRandomGenerator(1234);
        SmallBattle b;
        b.Paint(100, 60, 120, 140, kTerrainWater);
        Walker* u = b.Add(kAxis, 40, 100);
        u->mNrWaypoints = 1;
        u->mWaypoints[0] = {180, 100, 0, kPaceDefaultMove, kWaypointActiveEnd, 0, 0};
        u->mQueuedDelay = 1;
        b.Prepare();
        b.RunSlices(2401);
        u->FlushLastPacket(0);
        *packets = u->mPackets;
        *x = u->mX;
        *y = u->mY;
    };
    std::vector<PacketShot> a, c;
    float ax, ay, cx, cy;
    run(&a, &ax, &ay);
    run(&c, &cx, &cy);
    EXPECT_EQ(a, c);
    EXPECT_EQ(ax, cx);
    EXPECT_EQ(ay, cy);
    EXPECT_GT(a.size(), 3u);
}

TEST(UnitPlayback, UnitsDeadReckonBetweenPackets) {
    SmallBattle b;
    Walker* u = b.Add(kAxis, 50, 50);
    u->mHeading = 90.0f;
    u->mPlaybackSpeed = 0.1f;
    u->mTurnRate = 2.0f;
    u->mGunElevationGoal = 1.0f;
    u->mAimPause = 1.0f;
    u->ProcessTimeSlice(10, 10, 10);
    EXPECT_NEAR(u->mX, 50.0f, 1e-4f);
    EXPECT_NEAR(u->mY, 51.0f, 1e-4f); // along the heading held before the turn
    EXPECT_FLOAT_EQ(u->mHeading, 110.0f);
    EXPECT_EQ(u->mGunElevation, 1.0f);
    EXPECT_FLOAT_EQ(u->mAimPause, 0.75f);
    EXPECT_EQ(u->mSliceCount, 10);
    u->mPlaybackSpeed = 0.0f;
    u->ProcessTimeSlice(2400, 2500, 90); // after the phase nothing moves
    EXPECT_FLOAT_EQ(u->mHeading, 110.0f);
    EXPECT_EQ(u->mSliceCount, 2500);
    EXPECT_EQ(u->SewerMoveMinutes(95.0f), 11);
    EXPECT_EQ(u->SewerMoveMinutes(0.0f), 2);
}
