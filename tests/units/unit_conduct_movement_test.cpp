// Moving in the action phase: turning the short way, looking ahead, getting
// round water by a path and by a sidestep, splicing and deleting waypoints.

#include <gtest/gtest.h>

#include "map/AIPath.h"
#include "map/MapBattleLink.h"
#include "unit_conduct_fixtures.h"

namespace {

void Order(Unit* u, float x, float y, int32_t kind = kWaypointActiveEnd) {
    Destination& w = u->mWaypoints[u->mNrWaypoints++];
    w = Destination{};
    w.mX = x;
    w.mY = y;
    w.mOrder = kPaceDefaultMove;
    w.mKind = kind;
}

} // namespace

TEST(UnitTurning, UnitsTurnTheShortWayAndSnapOntoTheBearing) {
    SmallBattle b;
    Walker* u = b.Add(kAxis, 100, 100);
    struct Case {
        float heading, tx, ty, rate;
    } cases[] = {
        {350.0f, 200.0f, 100.0f + 100.0f * std::tan(10.0f * static_cast<float>(M_PI / 180.0)), 5.0f},
        {10.0f, 200.0f, 100.0f - 100.0f * std::tan(10.0f * static_cast<float>(M_PI / 180.0)), -5.0f},
        {270.0f, 100.0f, 200.0f, -5.0f}, // exactly behind (d = 180): clockwise
        {0.0f, 0.0f, 100.0f, 5.0f},      // d = -180: counter-clockwise
    };
    for (const Case& c : cases) {
        u->mHeading = c.heading;
        u->mTurnRate = 0.0f;
        EXPECT_FALSE(u->RotateBodyToward(c.tx, c.ty, false));
        EXPECT_EQ(u->mTurnRate, c.rate) << c.heading;
    }
    u->mHeading = 88.0f;
    u->mTurnRate = 5.0f;
    EXPECT_TRUE(u->RotateBodyToward(100, 200, false));
    EXPECT_EQ(u->mHeading, 90.0f);
    EXPECT_EQ(u->mTurnRate, 0.0f);
    u->mHeading = 272.0f; // backing toward the point: the rear faces it
    EXPECT_TRUE(u->RotateBodyToward(100, 200, true));
    EXPECT_EQ(u->mHeading, 270.0f);
}

TEST(UnitLookAhead, ProbesNeverBeyondHalfWayToTheWaypoint) {
    SmallBattle b;
    b.Paint(112, 90, 116, 110, kTerrainWater); // 12..16 m ahead
    Walker* u = b.Add(kAxis, 100, 100);
    u->mPlaybackSpeed = 0.1f;
    Order(u, 120, 100); // 20 m off: the probe stops half way, on dry land
    u->LookAhead();
    EXPECT_EQ(u->mManeuverTries, 5);
    u->mWaypoints[0].mX = 140; // 40 m off: the probe reaches 12.5 m, in the water
    u->LookAhead();
    EXPECT_LT(u->mManeuverTries, 5);
}

TEST(UnitManeuver, AWalkerFindsItsWayRoundWaterByAPath) {
    SmallBattle b;
    b.Paint(100, 40, 120, 160, kTerrainWater);
    Walker* u = b.Add(kAxis, 40, 100);
    u->mPace = 0.2f;
    Order(u, 180, 100);
    int32_t most = 0;
    for (int32_t s = 0; s < 2400 && u->mNrWaypoints > 0; ++s) {
        b.RunSlices(1);
        most = std::max(most, u->mNrWaypoints);
        ASSERT_NE(b.map().GetTerrain(u->mX, u->mY, false), kTerrainWater) << "slice " << s;
    }
    EXPECT_GT(most, 1); // a path was spliced in
    EXPECT_EQ(u->mNrWaypoints, 0);
    EXPECT_NEAR(u->mX, 180.0f, 0.01f);
    EXPECT_NEAR(u->mY, 100.0f, 0.01f);
}

TEST(UnitManeuver, OutOfSearchesAWalkerSidestepsAroundAnObstacle) {
    SmallBattle b;
    b.Paint(106, 96, 110, 104, kTerrainWater);
    Walker* u = b.Add(kAxis, 100, 100);
    Order(u, 160, 100);
    u->mPlaybackSpeed = 0.1f;
    u->mManeuverTries = 1; // the next search would be the last: it sidesteps
    EXPECT_TRUE(u->ManeuverAroundObstacle(false, false, false));
    ASSERT_EQ(u->mNrWaypoints, 2); // the goal stays second
    EXPECT_EQ(u->mWaypoints[1].mX, 160.0f);
    const Destination& side = u->mWaypoints[0];
    float dx = side.mX - 100.0f, dy = side.mY - 100.0f;
    EXPECT_NEAR(std::sqrt(dx * dx + dy * dy), 15.0f, 1e-3f);
    EXPECT_NE(dy, 0.0f);
    EXPECT_EQ(u->mX, 100.0f); // the walk was only a probe
    EXPECT_EQ(u->mHeading, 0.0f);

    // Boxed in by water: no 15 m gap anywhere; forced, the orders go.
    SmallBattle boxed;
    boxed.Paint(0, 0, 200, 200, kTerrainWater);
    boxed.Paint(98, 98, 102, 102, kTerrainOpen);
    Walker* v = boxed.Add(kAxis, 100, 100);
    Order(v, 160, 100);
    v->mManeuverTries = 1;
    EXPECT_FALSE(v->ManeuverAroundObstacle(true, false, false));
    EXPECT_TRUE(v->ManeuverAroundObstacle(false, false, true));
    EXPECT_EQ(v->mNrWaypoints, 0);
}

TEST(UnitWaypoints, ASplicedPathKeepsTheOrdersBehindIt) {
    SmallBattle b;
    Walker* u = b.Add(kAxis, 10, 10);
    for (int32_t i = 0; i < 3; ++i)
        Order(u, 100.0f + static_cast<float>(i), 10.0f, kWaypointActive);
    Path path;
    path.mCount = 4;
    for (int32_t i = 0; i < 4; ++i) {
        path.mX[i] = 20.0f + static_cast<float>(i);
        path.mY[i] = 30.0f;
    }
    u->InsertPath(&path, 8);
    ASSERT_EQ(u->mNrWaypoints, 6);
    EXPECT_EQ(u->mWaypoints[3].mX, 23.0f);
    EXPECT_EQ(u->mWaypoints[3].mOrder, 8);
    EXPECT_EQ(u->mWaypoints[4].mX, 101.0f);
    EXPECT_EQ(u->mWaypoints[5].mKind, kWaypointActiveEnd);

    // A full store: the path gives way so that the goal is never lost.
    u->mNrWaypoints = 0;
    for (int32_t i = 0; i < kMaxWaypoints; ++i)
        Order(u, static_cast<float>(i), 5.0f, kWaypointActive);
    path.mCount = kPathMaxPoints;
    u->InsertPath(&path, 8);
    ASSERT_EQ(u->mNrWaypoints, kMaxWaypoints);
    EXPECT_EQ(u->mWaypoints[0].mX, 20.0f);
    EXPECT_EQ(u->mWaypoints[kMaxWaypoints - 1].mX, 49.0f);

    // One spare entry during the phase; the phase's end trims a path point.
    u->mWaypoints[kMaxWaypoints] = u->mWaypoints[kMaxWaypoints - 1];
    u->mWaypoints[kMaxWaypoints].mX = 77.0f;
    u->mWaypoints[3].mKind = kWaypointPlanned;
    u->mNrWaypoints = kMaxWaypoints + 1;
    float fourth = u->mWaypoints[4].mX;
    u->FlushLastPacket(1);
    ASSERT_EQ(u->mNrWaypoints, kMaxWaypoints);
    EXPECT_EQ(u->mWaypoints[kMaxWaypoints - 1].mX, 77.0f);
    EXPECT_EQ(u->mWaypoints[3].mX, fourth);
}

TEST(UnitWaypoints, DeletingWaypointsKeepsTheOrderWhole) {
    TableRows<MovementSpeedChart> chart(gMovementSpeedChart, 18);
    SmallBattle b;
    Walker* u = b.Add(kAxis, 10, 10);
    Order(u, 20, 10, kWaypointPlanned);
    Order(u, 30, 10, kWaypointActive);
    Order(u, 40, 10, kWaypointPlanned);
    Order(u, 50, 10, kWaypointPlannedEnd);
    b.mBattle.mSelectedIndex = 3;
    u->DeletePlannedMidWaypoint(1); // active: untouched
    EXPECT_EQ(u->mNrWaypoints, 4);
    u->DeletePlannedMidWaypoint(2);
    ASSERT_EQ(u->mNrWaypoints, 3);
    EXPECT_EQ(u->mWaypoints[2].mX, 50.0f);
    u->DeleteLastWaypoint();
    ASSERT_EQ(u->mNrWaypoints, 2);
    EXPECT_EQ(u->mWaypoints[1].mKind, kWaypointActiveEnd);
    EXPECT_EQ(b.mBattle.mSelectedIndex, 1);
    u->DeleteLastWaypoint();
    u->mPlaybackSpeed = 0.1f;
    u->mCommandDelay = 5.0f;
    u->DeleteLastWaypoint(); // the only one: the orders go and it stops
    EXPECT_EQ(u->mNrWaypoints, 0);
    EXPECT_EQ(u->mPlaybackSpeed, 0.0f);
    EXPECT_EQ(u->mCommandDelay, 0.0f);
    EXPECT_EQ(b.mBattle.mSelectedIndex, -1);
}

namespace {

// Vehicles search over the tracked grid, which woods block.
class TrackedLink : public MapBattleLink {
public:
    bool HasReferencePointNear(float, float, Affiliation, float) override { return false; }
    PathType GetPathType(Unit*) override { return kPathTracked; }
};

} // namespace

TEST(UnitManeuver, AVehicleSearchesRoundAWoodFromBehindItself) {
    SmallBattle b;
    TrackedLink link;
    b.map().SetBattleLink(&link);
    b.Paint(80, 60, 120, 140, kTerrainWoods);
    Walker* tank = b.Add(kAxis, 60, 100, kUnitVehicle);
    Order(tank, 160, 100);
    EXPECT_TRUE(tank->ManeuverAroundObstacle(false, false, true));
    EXPECT_EQ(tank->mManeuverTries, 4);
    ASSERT_GT(tank->mNrWaypoints, 1);
    EXPECT_EQ(tank->mWaypoints[tank->mNrWaypoints - 1].mX, 160.0f);
    for (int32_t i = 0; i < tank->mNrWaypoints; ++i)
        EXPECT_NE(b.map().GetTerrain(tank->mWaypoints[i].mX, tank->mWaypoints[i].mY, false), kTerrainWoods);
    EXPECT_EQ(b.map().GetPathGrid(kAxis, kPathTracked), nullptr); // the grids go after the search
    b.map().SetBattleLink(nullptr);
}
