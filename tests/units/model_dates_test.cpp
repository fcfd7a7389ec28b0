// Newer models phased in by date: the share of units that carry the new
// model at each month, on both sides of every step, and the vehicle models
// drawn as their earlier variant before mid-1943.

#include <gtest/gtest.h>

#include "units/Functions.h"
#include "units/RuleContext.h"

namespace {

int32_t sDate = 4306;

class ModelDates : public ::testing::Test {
protected:
    void SetUp() override {
        RuleContext c;
        c.scenarioDate = [] { return sDate; };
        SetRuleContext(&c);
    }
    void TearDown() override { SetRuleContext(nullptr); }
};

} // namespace

TEST(NewModels, EachStepStartsInItsFirstMonthAndTakesExactlyItsShare) {
    // Per step: the last month of the one before, its own first month, and
    // the share of percentiles 0..99 that has the new model from then on.
    const struct {
        int32_t before, first, share;
    } steps[] = {{4206, 4207, 10}, {4212, 4213, 33}, {4306, 4307, 67}, {4312, 4313, 90}, {4406, 4407, 100}};
    int32_t previous = 0;
    for (const auto& s : steps) {
        int32_t atBefore = 0, atFirst = 0;
        for (int32_t p = 0; p < 100; ++p) {
            atBefore += NewModelPhasedIn(s.before, p);
            atFirst += NewModelPhasedIn(s.first, p);
        }
        EXPECT_EQ(atBefore, previous) << s.before;
        EXPECT_EQ(atFirst, s.share) << s.first;
        // The lowest percentiles get the new model first.
        if (s.share < 100) {
            EXPECT_TRUE(NewModelPhasedIn(s.first, s.share - 1)) << s.first;
            EXPECT_FALSE(NewModelPhasedIn(s.first, s.share)) << s.first;
        }
        previous = s.share;
    }
    EXPECT_FALSE(NewModelPhasedIn(3901, 0));
    EXPECT_TRUE(NewModelPhasedIn(4512, 99));
}

TEST_F(ModelDates, LateVehicleModelsAreDrawnAsTheirEarlierOneUntilJuly1943) {
    const VehicleModel late[] = {113, 115, 119, 122, 124, 126, 129};
    for (VehicleModel m : late) {
        sDate = 4306;
        EXPECT_EQ(GetActualModelX(m), m - 1) << m;
        sDate = 4307;
        EXPECT_EQ(GetActualModelX(m), m) << m;
    }
    // Their neighbours, and the earlier models themselves, never change.
    for (VehicleModel m : {0, 112, 114, 116, 117, 118, 120, 121, 123, 125, 127, 128, 130, 235}) {
        sDate = 4001;
        EXPECT_EQ(GetActualModelX(m), m) << m;
        sDate = 4306;
        EXPECT_EQ(GetActualModelX(m), m) << m;
    }
}

TEST_F(ModelDates, ASmallArmOnItsFixedPercentileFollowsTheSteps) {
    // Without a draw the percentile is 49: the new type (26) only once the
    // share passes half, in July 1943.
    sDate = 4306;
    EXPECT_EQ(ActualSmallArmType(29, 0, false), 24);
    sDate = 4307;
    EXPECT_EQ(ActualSmallArmType(29, 0, false), 26);
    EXPECT_EQ(ActualSmallArmType(30, 0, false), 27);
    EXPECT_EQ(ActualSmallArmType(38, 0, false), 37);
    sDate = 4207;
    EXPECT_EQ(ActualSmallArmType(38, 0, false), 36);
}
