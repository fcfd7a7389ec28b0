// The retreat search's tree and its choice between the spot ahead and the
// spot behind, on open ground with a threat that can hit everything except
// the spots a test names.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "battle/ActionPacket.h"
#include "engine/GOLTA.h"
#include "units/Functions.h"
#include "units/UnitGeometry.h"
#include "units/vehicle_fixtures.h"

namespace {

class PickyThreat : public Vehicle {
public:
    void ComputeAction() override {}
    void FearReaction() override {}
    bool CanHitVehicleAt(float x, float y, DataKnowledge) override {
        for (const auto& p : safe)
            if (std::fabs(p[0] - x) < 0.01f && std::fabs(p[1] - y) < 0.01f) return false;
        return true;
    }
    std::vector<std::array<float, 2>> safe;
};

constexpr float kX = 200.0f, kY = 200.0f;
const float kC30 = std::cos(30.0f * 3.14159265f / 180.0f), kS30 = 0.5f;

struct Retreat : ::testing::Test {
    VehicleBattle b{20, 20};
    Vehicle* tank = nullptr;
    PickyThreat* threat = nullptr;
    void SetUp() override {
        SeedRandomGenerator(5);
        tank = b.AddVehicle(kTestTank, kAllies, kX, kY, 0.0f);
        tank->mActive = true;
        threat = new PickyThreat;
        threat->IVehicle(kTestTank, kForceDefaultAxis, kExperienceRegular, kX, kY + 300.0f, 0.0f);
        threat->mSide = 1;
        threat->mActive = true;
        b.mBattle.mUnits->Add(threat);
    }
    // The point n steps of 15 m straight ahead (negative: behind).
    static std::array<float, 2> Straight(int n) { return {kX + 15.0f * n, kY}; }
    bool Run(float heading) {
        tank->mNrWaypoints = 0;
        return tank->BugOut(threat, false, false, heading);
    }
    std::array<float, 2> Last() const {
        const Destination& w = tank->mWaypoints[tank->mNrWaypoints - 1];
        return {w.mX, w.mY};
    }
};

} // namespace

// The first 15 m lead straight on; then each node fans out to 0, -30 and
// +30 degrees, tried in that order, so of two safe spots the one at -30
// degrees is taken.
TEST_F(Retreat, TheSearchFansOutByThirtyDegreesStraightOnFirst) {
    const std::array<float, 2> minus = {kX + 15.0f + 15.0f * kC30, kY - 15.0f * kS30};
    const std::array<float, 2> plus = {kX + 15.0f + 15.0f * kC30, kY + 15.0f * kS30};
    threat->safe = {plus, minus};
    ASSERT_TRUE(Run(180.0f));
    ASSERT_EQ(tank->mNrWaypoints, 2);
    EXPECT_NEAR(tank->mWaypoints[0].mX, kX + 15.0f, 1e-3f);
    EXPECT_NEAR(tank->mWaypoints[0].mY, kY, 1e-3f);
    EXPECT_NEAR(Last()[0], minus[0], 1e-3f);
    EXPECT_NEAR(Last()[1], minus[1], 1e-3f);
    EXPECT_EQ(tank->mWaypoints[0].mOrder, 4); // forward
    // The straight child comes before both.
    threat->safe = {plus, minus, Straight(2)};
    ASSERT_TRUE(Run(180.0f));
    EXPECT_NEAR(Last()[0], kX + 30.0f, 1e-3f);
    EXPECT_NEAR(Last()[1], kY, 1e-3f);
    // Nothing at 15 m beside the first step: the first step is straight on.
    threat->safe = {{kX + 15.0f * kC30, kY - 15.0f * kS30}};
    EXPECT_FALSE(Run(180.0f));
}

// Seven levels (105 m of path) are searched, not eight.
TEST_F(Retreat, TheSearchGoesSevenStepsDeep) {
    threat->safe = {Straight(7)};
    ASSERT_TRUE(Run(180.0f));
    EXPECT_EQ(tank->mNrWaypoints, 7);
    EXPECT_NEAR(Last()[0], kX + 105.0f, 1e-3f);
    threat->safe = {Straight(8)};
    EXPECT_FALSE(Run(180.0f));
    threat->safe = {Straight(-7)};
    ASSERT_TRUE(Run(180.0f));
    EXPECT_EQ(tank->mNrWaypoints, 7);
    EXPECT_EQ(tank->mWaypoints[0].mOrder, 10); // backing
    threat->safe = {Straight(-8)};
    EXPECT_FALSE(Run(180.0f));
}

// With spots both ahead and behind: behind when the spot ahead lies more
// than one level deeper; otherwise behind when the given heading lies less
// than 90 degrees from the facing, ahead from 90 degrees on.
TEST_F(Retreat, BehindWhenTheSpotAheadIsTwoLevelsDeeperOrTheHeadingWithinNinetyDegrees) {
    threat->safe = {Straight(4), Straight(-2)};
    ASSERT_TRUE(Run(180.0f));
    EXPECT_EQ(tank->mNrWaypoints, 2);
    EXPECT_NEAR(Last()[0], kX - 30.0f, 1e-3f);
    threat->safe = {Straight(3), Straight(-2)};
    ASSERT_TRUE(Run(180.0f));
    EXPECT_EQ(tank->mNrWaypoints, 3);
    EXPECT_NEAR(Last()[0], kX + 45.0f, 1e-3f);
    ASSERT_TRUE(Run(90.0f));
    EXPECT_NEAR(Last()[0], kX + 45.0f, 1e-3f);
    ASSERT_TRUE(Run(270.0f));
    EXPECT_NEAR(Last()[0], kX + 45.0f, 1e-3f);
    ASSERT_TRUE(Run(89.5f));
    EXPECT_NEAR(Last()[0], kX - 30.0f, 1e-3f);
    ASSERT_TRUE(Run(270.5f));
    EXPECT_NEAR(Last()[0], kX - 30.0f, 1e-3f);
    // The same depth both ways: the heading decides too.
    threat->safe = {Straight(2), Straight(-2)};
    ASSERT_TRUE(Run(0.0f));
    EXPECT_NEAR(Last()[0], kX - 30.0f, 1e-3f);
    ASSERT_TRUE(Run(180.0f));
    EXPECT_NEAR(Last()[0], kX + 30.0f, 1e-3f);
    // The spot behind deeper by two: the heading still decides.
    threat->safe = {Straight(2), Straight(-4)};
    ASSERT_TRUE(Run(180.0f));
    EXPECT_NEAR(Last()[0], kX + 30.0f, 1e-3f);
}

namespace {

// The draws a retreat spends before its own: one for the smoke when the
// vehicle carries any.
void SkipSmokeDraw(Vehicle* v) {
    if (v->Data().mSmokeEquipment != 0) RandomFraction();
}

} // namespace

// No spot and no orders: without having to flee the vehicle stays and puts
// its next fear reaction off by (6 r + 6) x 40 slices; having to flee it
// drives blind 40 r + 80 m straight away from a threat ahead (backing), or
// on past a threat behind.
TEST_F(Retreat, NoSpotPutsTheNextFearOffOrFleesBlindEightyToAHundredAndTwentyMetres) {
    threat->safe.clear();
    const uint32_t seed = 31;
    SeedRandomGenerator(seed);
    SkipSmokeDraw(tank);
    const double r = RandomFraction();
    const int32_t before = tank->mFearClock;
    SeedRandomGenerator(seed);
    EXPECT_FALSE(Run(180.0f));
    EXPECT_EQ(tank->mFearClock - before, static_cast<int32_t>((6.0 * r + 6.0) * 40.0));

    // The threat ahead (60 degrees off the facing): backing away.
    threat->mX = kX + 100.0f, threat->mY = kY + 173.2f;
    SeedRandomGenerator(seed);
    tank->mNrWaypoints = 0;
    ASSERT_TRUE(tank->BugOut(threat, true, false, 180.0f));
    ASSERT_EQ(tank->mNrWaypoints, 1);
    EXPECT_NEAR(tank->mWaypoints[0].mX, kX - static_cast<float>(40.0 * r + 80.0), 1e-3f);
    EXPECT_NEAR(tank->mWaypoints[0].mY, kY, 1e-3f);
    EXPECT_EQ(tank->mWaypoints[0].mOrder, 10);
    // Behind (120 degrees off): on ahead.
    threat->mX = kX - 100.0f;
    SeedRandomGenerator(seed);
    tank->mNrWaypoints = 0;
    ASSERT_TRUE(tank->BugOut(threat, true, false, 180.0f));
    EXPECT_NEAR(tank->mWaypoints[0].mX, kX + static_cast<float>(40.0 * r + 80.0), 1e-3f);
    EXPECT_EQ(tank->mWaypoints[0].mOrder, 4);
}

// A blind flight that finds no usable point puts the next fear off by
// (6 r + 9) x 40 slices, r drawn after the flight's distance.
TEST_F(Retreat, AFailedBlindFlightPutsTheNextFearOffLonger) {
    threat->safe.clear();
    tank->mX = 3.0f; // backing off the map's edge
    threat->mX = 103.0f, threat->mY = kY;
    const uint32_t seed = 44;
    SeedRandomGenerator(seed);
    SkipSmokeDraw(tank);
    RandomFraction(); // the flight's distance
    const double r = RandomFraction();
    const int32_t before = tank->mFearClock;
    SeedRandomGenerator(seed);
    tank->mNrWaypoints = 0;
    EXPECT_FALSE(tank->BugOut(threat, true, false, 180.0f));
    EXPECT_EQ(tank->mFearClock - before, static_cast<int32_t>((6.0 * r + 9.0) * 40.0));
}

// Smoke before the retreat: dischargers along the gun (kind 2) at 25 m, smoke
// toward the threat (kind 3) at 10 m, each with chance 0.7; any other kind at
// the vehicle with chance 0.4; none without equipment.
TEST_F(Retreat, SmokeIsThrownWithTheChanceAndReachOfItsEquipment) {
    threat->safe = {Straight(-2)};
    tank->mTurretBearing = 0.0f;
    const float head = tank->ActualHeadFacing() * 3.14159265358979f / 180.0f;
    struct Kind {
        int32_t kind;
        double chance;
        float x, y;
    };
    const Kind kinds[] = {{1, 0.4, kX, kY},
                          {5, 0.4, kX, kY},
                          {2, 0.7, kX + 25.0f * std::cos(head), kY + 25.0f * std::sin(head)},
                          {3, 0.7, kX, kY + 10.0f}};
    auto seedDrawing = [](double lo, double hi) {
        for (uint32_t s = 1; s < 100000; ++s) {
            SeedRandomGenerator(s);
            const double u = RandomFraction();
            if (u >= lo && u < hi) return s;
        }
        return 0u;
    };
    auto smokeAt = [&](uint32_t s, float* x, float* y) {
        const int32_t before = b.mBattle.mPackets.GetCount();
        SeedRandomGenerator(s);
        Run(180.0f);
        for (int32_t i = b.mBattle.mPackets.GetCount() - 1; i >= before; --i) {
            auto* p = static_cast<ActionPacket*>(b.mBattle.mPackets.GetObjectA(i));
            if (p->mType == kPacketSmokeOn) {
                *x = p->mX, *y = p->mY;
                return true;
            }
        }
        return false;
    };
    for (const Kind& k : kinds) {
        b.mTables.vehicles[kTestTank].mSmokeEquipment = k.kind;
        float x = 0.0f, y = 0.0f;
        ASSERT_TRUE(smokeAt(seedDrawing(k.chance * 0.99, k.chance * 0.999), &x, &y)) << k.kind;
        EXPECT_NEAR(x, k.x, 1e-3f) << k.kind;
        EXPECT_NEAR(y, k.y, 1e-3f) << k.kind;
        EXPECT_FALSE(smokeAt(seedDrawing(k.chance * 1.001, k.chance * 1.01), &x, &y)) << k.kind;
    }
    b.mTables.vehicles[kTestTank].mSmokeEquipment = 0;
    float x = 0.0f, y = 0.0f;
    EXPECT_FALSE(smokeAt(seedDrawing(0.0, 0.01), &x, &y));
}

// The current move leads to safety when the point it tests is out of the
// threat's reach: the second waypoint when it lies within 100 m, else the
// first, and never when the first lies beyond 100 m.
TEST_F(Retreat, TheMoveLeadsToSafetyThroughTheWaypointsWithinAHundredMetres) {
    auto route = [&](float first, float second) {
        tank->mNrWaypoints = second > 0.0f ? 2 : 1;
        tank->mWaypoints[0] = Destination{};
        tank->mWaypoints[0].mX = kX + first, tank->mWaypoints[0].mY = kY;
        tank->mWaypoints[0].mOrder = 4;
        tank->mWaypoints[1] = Destination{};
        tank->mWaypoints[1].mX = kX + second, tank->mWaypoints[1].mY = kY;
        tank->mWaypoints[1].mOrder = 4;
    };
    threat->safe = {{kX + 100.0f, kY}};
    route(100.0f, 0.0f);
    EXPECT_TRUE(tank->ApproachingSafetyFromEnemy(threat));
    route(100.0f, 100.0f);
    EXPECT_TRUE(tank->ApproachingSafetyFromEnemy(threat));
    route(100.0f, 100.5f); // the second too far: the first decides
    EXPECT_TRUE(tank->ApproachingSafetyFromEnemy(threat));
    route(60.0f, 100.0f); // the second decides
    EXPECT_TRUE(tank->ApproachingSafetyFromEnemy(threat));
    threat->safe = {{kX + 60.0f, kY}};
    EXPECT_FALSE(tank->ApproachingSafetyFromEnemy(threat));
    threat->safe = {{kX + 100.5f, kY}};
    route(100.5f, 0.0f); // the first too far
    EXPECT_FALSE(tank->ApproachingSafetyFromEnemy(threat));
    threat->safe = {{kX + 50.0f, kY}};
    route(50.0f, 0.0f);
    tank->mWaypoints[0].mOrder = 17; // turning on the spot
    EXPECT_FALSE(tank->ApproachingSafetyFromEnemy(threat));
    tank->mNrWaypoints = 0;
    EXPECT_FALSE(tank->ApproachingSafetyFromEnemy(threat));
}

// Backing along four or more waypoints, the vehicle shifts to a forward gear
// (orders 4 toward the threat) at the first waypoint that lies under 100 m
// from the threat and more than 7.5 m nearer than the one before.
TEST_F(Retreat, BackingTowardTheThreatShiftsGearUnderAHundredMetresAndSevenAndAHalfNearer) {
    auto ordersAfterBacking = [&](float ax, float ay, int steps) {
        threat->mX = kX - ax, threat->mY = kY + ay;
        threat->safe = {Straight(-steps)};
        tank->mNrWaypoints = 0;
        EXPECT_TRUE(tank->BugOut(threat, false, false, 180.0f));
        EXPECT_EQ(tank->mNrWaypoints, steps);
        return tank->mWaypoints[0].mOrder;
    };
    // Straight behind: the fourth waypoint at 99.9 m shifts, at 100.1 m not.
    EXPECT_EQ(ordersAfterBacking(159.9f, 0.0f, 4), 4);
    EXPECT_EQ(ordersAfterBacking(160.1f, 0.0f, 4), 10);
    // Three waypoints never shift.
    EXPECT_EQ(ordersAfterBacking(100.0f, 0.0f, 3), 10);
    EXPECT_EQ(ordersAfterBacking(100.0f, 0.0f, 4), 4);
    // Passing the threat 38.3 m aside the first step comes 7.52 m nearer
    // (shift); 38.6 m aside only 7.475 m, and no later step comes 7.5 m nearer.
    EXPECT_EQ(ordersAfterBacking(30.0f, 38.3f, 4), 4);
    EXPECT_EQ(ordersAfterBacking(30.0f, 38.6f, 4), 10);
}

// Facing the threat: a heading within 60 degrees of the facing becomes the
// search's ahead (beyond 60 it does not), and with spots both ways the
// vehicle backs.
TEST_F(Retreat, FacingTheThreatSearchesAlongAHeadingWithinSixtyDegreesAndBacks) {
    const float a = 60.0f * 3.14159265358979f / 180.0f;
    threat->safe = {{kX + 15.0f * std::cos(a), kY + 15.0f * std::sin(a)}};
    tank->mNrWaypoints = 0;
    ASSERT_TRUE(tank->BugOut(threat, false, true, 60.0f));
    ASSERT_EQ(tank->mNrWaypoints, 1);
    EXPECT_NEAR(tank->mWaypoints[0].mY, kY + 15.0f * std::sin(a), 1e-3f);
    EXPECT_EQ(tank->mHeading, 0.0f); // the facing is put back
    const float b = 60.5f * 3.14159265358979f / 180.0f;
    threat->safe = {{kX + 15.0f * std::cos(b), kY + 15.0f * std::sin(b)}};
    tank->mNrWaypoints = 0;
    EXPECT_FALSE(tank->BugOut(threat, false, true, 60.5f));
    threat->safe = {{kX + 15.0f * std::cos(a), kY + 15.0f * std::sin(a)}};
    tank->mNrWaypoints = 0;
    EXPECT_FALSE(tank->BugOut(threat, false, false, 60.0f));
    // Both ways at the same depth, the heading behind: backing all the same.
    threat->safe = {Straight(2), Straight(-2)};
    tank->mNrWaypoints = 0;
    ASSERT_TRUE(tank->BugOut(threat, false, true, 180.0f));
    EXPECT_NEAR(Last()[0], kX - 30.0f, 1e-3f);
}
