// Infantry movement and position: walking to a waypoint, climbing to an
// upper floor, the sewers, the pace under fire, stacking, turning, the
// preparation before an action phase, resupply and the unit packet.

#include "battle/ActionPacket.h"
#include "infantry2_fixture.h"

namespace {

using namespace infantry;

class InfantryMove : public InfantryFight {
protected:
    InfantryMove() {
        mPaces[kMove].mPaceKind = 2;
        mPaces[kFast].mPaceKind = 3;
    }
    static void Order(Infantry* u, float x, float y, MovementSpeedType pace, int8_t floor = 0) {
        u->mNrWaypoints = 1;
        u->mWaypoints[0] = Waypoint{x, y, 0.0f, pace, kWaypointLegEnd, floor, 0};
    }
    void Step(Infantry* u, int32_t slices) {
        for (int32_t s = 0; s < slices; ++s) {
            u->mMoveSpeed = u->GetActualMoveSpeed(false);
            u->Move();
            ++u->mSliceCount;
        }
    }
};

TEST_F(InfantryMove, ASquadWalksToItsWaypointAndArrivesOnIt) {
    Infantry* u = Place(kGermanSquad, kGerman, 50.0f, 50.0f);
    Order(u, 80.0f, 90.0f, kMove);
    Step(u, 4000);
    EXPECT_EQ(u->mNrWaypoints, 0);
    EXPECT_FLOAT_EQ(u->mX, 80.0f);
    EXPECT_FLOAT_EQ(u->mY, 90.0f);
}

TEST_F(InfantryMove, APaceOutsideTheTableIsRepairedToAnOrdinaryMove) {
    Infantry* u = Place(kGermanSquad, kGerman, 50.0f, 50.0f);
    Order(u, 80.0f, 50.0f, 23);
    EXPECT_EQ(u->GetActualMoveSpeed(false), kMove);
    EXPECT_EQ(u->mWaypoints[0].mOrder, kMove);
    Order(u, 80.0f, 50.0f, -3);
    EXPECT_EQ(u->GetActualMoveSpeed(false), kMove);
}

TEST_F(InfantryMove, SuppressionChangesThePaceButPaceNineIsExempt) {
    Infantry* u = Place(kGermanSquad, kGerman, 50.0f, 50.0f);
    Order(u, 80.0f, 50.0f, kMove);
    u->mSuppression = 400.0f; // band 5 in the open: it runs
    EXPECT_EQ(u->GetActualMoveSpeed(false), kFast);
    Paint(40.0f, 40.0f, 60.0f, 60.0f, kTerrainWoods);
    EXPECT_EQ(u->GetActualMoveSpeed(false), kHold); // in cover it holds
    Order(u, 80.0f, 50.0f, kPaceNoSuppression);
    EXPECT_EQ(u->GetActualMoveSpeed(false), kPaceNoSuppression);
}

TEST_F(InfantryMove, ASquadClimbsToTheUpperFloorInFourHundredSlices) {
    Paint(60.0f, 40.0f, 80.0f, 60.0f, kTerrainLightBuilding);
    Infantry* u = Place(kGermanSquad, kGerman, 70.0f, 50.0f);
    Order(u, 70.0f, 50.0f, kMove, 1);
    Step(u, 200);
    EXPECT_NEAR(u->mZ, 0.5f, 0.01f);
    Step(u, 201);
    EXPECT_FLOAT_EQ(u->mZ, 1.0f);
    Step(u, 2);
    EXPECT_EQ(u->mNrWaypoints, 0);
    EXPECT_NEAR(u->GetZ(), mBattle.map().GetZCoord(70.0f, 50.0f) + 6.0f, 1e-4f);
    // Stopping halfway down snaps to the nearer floor.
    u->mZ = 0.3f;
    u->Stop(false);
    EXPECT_FLOAT_EQ(u->mZ, 0.0f);
}

TEST_F(InfantryMove, ASquadGoesDownIntoTheSewerAndLeavesTheMap) {
    Infantry* u = Place(kGermanSquad, kGerman, 50.0f, 50.0f);
    Order(u, 150.0f, 150.0f, kPaceBuildingOnly);
    Step(u, 159);
    EXPECT_NEAR(u->mZ, -0.4f, 0.004f);
    EXPECT_EQ(u->mOffMapState, 0);
    for (int32_t s = 0; s < 3 && u->mOffMapState == 0; ++s)
        Step(u, 1);
    EXPECT_EQ(u->mOffMapState, 3);
    EXPECT_FLOAT_EQ(u->mZ, 0.0f);
    EXPECT_GT(u->mX, 10000.0f);
    if (u->mSewerTime == -1) {
        EXPECT_EQ(u->mNrWaypoints, 0);
    } else {
        ASSERT_EQ(u->mNrWaypoints, 2);
        // With no manhole about, any exit is where it went in or the goal.
        const Waypoint& exit = u->mWaypoints[1];
        const bool known = (exit.mX == 50.0f && exit.mY == 50.0f) || (exit.mX == 150.0f && exit.mY == 150.0f);
        EXPECT_TRUE(known);
    }
}

TEST_F(InfantryMove, SewerTripsFollowTheirDraws) {
    // Over many seeds every outcome appears; a trip with no exit is always
    // without waypoints.
    int32_t lost = 0, trips = 0;
    for (uint32_t seed = 1; seed < 60; ++seed) {
        SeedRandomGenerator(seed);
        Infantry* u = Place(kGermanSquad, kGerman, 50.0f, 50.0f);
        Order(u, 150.0f, 150.0f, kPaceBuildingOnly);
        u->mZ = -0.4f;
        u->Move();
        if (u->mSewerTime == -1) {
            ++lost;
            EXPECT_EQ(u->mNrWaypoints, 0);
        } else {
            ++trips;
            EXPECT_GE(u->mCommandDelay, 5.0f);
            EXPECT_LT(u->mCommandDelay, 40.0f);
        }
        u->mActive = false;
    }
    EXPECT_GT(lost, 0);
    EXPECT_GT(trips, lost);
}

TEST_F(InfantryMove, AWeakenedSquadCarriesLessAmmunition) {
    mTypes[kGermanMGTeam].mNrMen = 4;
    mTypes[kGermanMGTeam].mMaxAmmo = 100;
    Infantry* u = Place(kGermanMGTeam, kGerman, 50.0f, 50.0f);
    u->mCasualties = 1;
    bool slows = false, exempt = false;
    if (!u->CanSufferPerformanceLoss(&slows, &exempt) || !slows) GTEST_SKIP();
    u->mAmmo[0] = 80;
    u->mAmmo[1] = 40;
    Order(u, 60.0f, 50.0f, kMove);
    Step(u, 1);
    const int32_t cap = static_cast<int32_t>(100.0f * 0.69f + 0.5f);
    EXPECT_LE(u->mAmmo[0] + u->mAmmo[1], cap + 1);
    EXPECT_GT(u->mAmmo[0], u->mAmmo[1]);
}

TEST_F(InfantryMove, StackedSquadsMakeRoom) {
    Infantry* a = Place(kGermanSquad, kGerman, 100.0f, 100.0f);
    Infantry* b = Place(kGermanSquad, kGerman, 101.0f, 100.0f);
    Infantry* other = nullptr;
    ASSERT_TRUE(a->ViolatesStackingLimits(a->mX, a->mY, a->mZ, &other));
    EXPECT_EQ(other, b);
    ASSERT_TRUE(a->AbideByStackingLimits(true, other));
    ASSERT_GE(a->mNrWaypoints + b->mNrWaypoints, 1);
    Infantry* mover = a->mNrWaypoints > 0 ? a : b;
    Infantry* stayer = mover == a ? b : a;
    const Waypoint& w = mover->mWaypoints[mover->mNrWaypoints - 1];
    EXPECT_GT(std::hypot(w.mX - stayer->mX, w.mY - stayer->mY),
              std::max(a->StackingRadius(), b->StackingRadius()));
    // An enemy squad at the same spot is no crowding.
    Infantry* c = Place(kGermanSquad, kGerman, 150.0f, 150.0f);
    Place(kUSSquad, kAmerican, 151.0f, 150.0f);
    EXPECT_FALSE(c->ViolatesStackingLimits(c->mX, c->mY, c->mZ, nullptr));
}

TEST_F(InfantryMove, StackingRadiusShrinksWithMenAndOutsideBuildings) {
    Infantry* u = Place(kGermanSquad, kGerman, 100.0f, 100.0f);
    u->mCasualties = 6; // 3 men left
    EXPECT_NEAR(u->StackingRadius(), 3.0f * 0.6667f, 1e-4f);
    Paint(90.0f, 90.0f, 110.0f, 110.0f, kTerrainLightBuilding);
    EXPECT_NEAR(u->StackingRadius(), 3.0f, 1e-4f);
}

TEST_F(InfantryMove, APushedGunTurnsSlowerWithHalfItsMenLost) {
    Infantry* crew = Place(kGermanGunCrew, kGerman, 100.0f, 100.0f);
    mTypes[kGermanGunCrew].mNrMen = 4;
    const float full = crew->RotationSpeed();
    crew->mCasualties = 2;
    EXPECT_NEAR(crew->RotationSpeed(), full * 0.5f, 1e-6f);
    EXPECT_NEAR(full, 9.0f * 0.025f, 1e-6f); // mobility 4
}

TEST_F(InfantryMove, ALongApproachIsSplitBeforeTheAction) {
    Infantry* u = Place(kGermanSquad, kGerman, 0.0f, 100.0f);
    Order(u, 50.0f, 100.0f, kPaceSplitApproach);
    u->PrepareForAction();
    ASSERT_EQ(u->mNrWaypoints, 2);
    EXPECT_NEAR(u->mWaypoints[0].mX, 10.0f, 1e-4f);
    EXPECT_EQ(u->mWaypoints[1].mOrder, 8);
    Order(u, 200.0f, 100.0f, kPaceSplitApproach);
    u->PrepareForAction();
    EXPECT_NEAR(u->mWaypoints[0].mX, 120.0f, 1e-3f);
    // Both are carried out in this action phase.
    EXPECT_EQ(u->mWaypoints[0].mKind, kWaypointActive);
    EXPECT_EQ(u->mWaypoints[1].mKind, kWaypointActiveEnd);
}

TEST_F(InfantryMove, ResupplyNeverLowersGrenadesNorPassesTheCaps) {
    Infantry* u = Place(kGermanSquad, kGerman, 100.0f, 100.0f);
    for (int32_t i = 0; i < 50; ++i) {
        u->mGrenades = 120;
        u->mAntitankShots = 4;
        u->mExplosives = 3;
        u->Resupply();
        EXPECT_EQ(u->mGrenades, 120);
        EXPECT_LE(u->mAntitankShots, 4);
        EXPECT_LE(u->mExplosives, 3);
    }
}

TEST_F(InfantryMove, PacketsPlayTheInfantryBackWithEveryPace) {
    Infantry* u = Place(kGermanSquad, kGerman, 100.0f, 100.0f);
    u->mMoveSpeed = kPaceRotate; // 17 needs the five bits
    u->mGrenades = 7;
    u->mAntitankShots = 2;
    u->mExplosives = 1;
    u->mSurrendered = true;
    u->mOnSkis = true;
    u->mFatigueState = 5;
    ActionPacket* p = u->FillPacket();
    ASSERT_NE(p, nullptr);
    Infantry* copy = Place(kGermanSquad, kGerman, 0.0f, 0.0f);
    copy->ProcessActionPacket(p);
    EXPECT_EQ(copy->mMoveSpeed, kPaceRotate);
    EXPECT_EQ(copy->mGrenades, 7);
    EXPECT_EQ(copy->mAntitankShots, 2);
    EXPECT_EQ(copy->mExplosives, 1);
    EXPECT_TRUE(copy->mSurrendered);
    EXPECT_TRUE(copy->mOnSkis);
    EXPECT_EQ(copy->mFatigueState, 5);
    EXPECT_FLOAT_EQ(copy->mX, 100.0f);
}

TEST_F(InfantryMove, AnAbandonedSquadHasNoBinocularsAndSeesLess) {
    Infantry* leader = Place(kUSLeader, kAmerican, 100.0f, 100.0f);
    EXPECT_TRUE(leader->HaveBinoculars());
    EXPECT_TRUE(leader->UsingBinoculars(nullptr));
    Order(leader, 150.0f, 100.0f, kMove);
    EXPECT_FALSE(leader->UsingBinoculars(nullptr));
    Infantry* squad = Place(kUSSquad, kAmerican, 100.0f, 100.0f);
    EXPECT_FALSE(squad->HaveBinoculars());
}

TEST_F(InfantryMove, ASpotterSeesNothingBehindItAtAnEyesFrontPace) {
    Infantry* spotter = Place(kGermanSquad, kGerman, 100.0f, 100.0f);
    Infantry* target = Place(kUSSquad, kAmerican, 50.0f, 100.0f); // 180 degrees off
    mPaces[kStand].mEyesFront = 1;
    spotter->mMoveSpeed = kStand;
    float sight = 500.0f, hearing = 100.0f;
    spotter->SpotterMods(target, &sight, &hearing);
    EXPECT_FLOAT_EQ(sight, 0.0f);
    mPaces[kStand].mEyesFront = 0;
    sight = 500.0f;
    hearing = 100.0f;
    spotter->SpotterMods(target, &sight, &hearing);
    EXPECT_GT(sight, 0.0f);
}

TEST_F(InfantryMove, AVisibleSquadIsSeenAtLeastTenMetresAndLessAtNight) {
    Infantry* spotter = Place(kGermanSquad, kGerman, 100.0f, 100.0f);
    Infantry* target = Place(kUSSquad, kAmerican, 180.0f, 100.0f);
    const float day = target->SpottingRange(spotter);
    ASSERT_GT(day, 10.0f);
    mBattle.mBattle.mTimeOfDay = kNight;
    mBattle.map().DeleteLOSTable();
    EXPECT_NEAR(target->SpottingRange(spotter), std::fmax(day * 0.333333f, 10.0f), 1e-3f);
    // The stored answer is used from the second look on.
    EXPECT_NEAR(target->SpottingRange(spotter), std::fmax(day * 0.333333f, 10.0f), 1e-3f);
}

} // namespace

namespace {

TEST_F(InfantryMove, ASquadCrossesTheSewerAndComesUpAtItsExit) {
    Infantry* u = Place(kGermanSquad, kGerman, 50.0f, 50.0f);
    for (uint32_t seed = 1; seed < 100; ++seed) {
        SeedRandomGenerator(seed);
        u->mX = 50.0f;
        u->mY = 50.0f;
        u->mOffMapState = 0;
        Order(u, 150.0f, 150.0f, kPaceBuildingOnly);
        u->mZ = -0.4f;
        u->Move();
        if (u->mSewerTime > 0) break;
    }
    ASSERT_EQ(u->mOffMapState, 3);
    ASSERT_EQ(u->mNrWaypoints, 2);
    const float ex = u->mWaypoints[1].mX, ey = u->mWaypoints[1].mY;
    // Turns go by underground; the trip ends and the squad comes up.
    while (u->mSewerTime > 0)
        u->PrepareForAction();
    mBattle.RunSlices(40 * 41);
    EXPECT_EQ(u->mOffMapState, 0);
    EXPECT_FLOAT_EQ(u->mX, ex);
    EXPECT_FLOAT_EQ(u->mY, ey);
}

} // namespace
