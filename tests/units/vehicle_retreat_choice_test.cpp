// The retreat search's tree and its choice between the spot ahead and the
// spot behind, on open ground with a threat that can hit everything except
// the spots a test names.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

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
