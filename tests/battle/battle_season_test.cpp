// The season of a scenario date at every month boundary.

#include <gtest/gtest.h>

#include "battle/ScenarioCore.h"

TEST(Season, EachMonthBelongsToItsSeason) {
    // Spring March to May, summer June to August, autumn September to
    // November, winter December to February.
    const int32_t byMonth[13] = {-1, 3, 3, 0, 0, 0, 1, 1, 1, 2, 2, 2, 3};
    for (int32_t year : {39, 44}) {
        for (int32_t month = 1; month <= 12; ++month)
            EXPECT_EQ(GetSeason(year * 100 + month), byMonth[month]) << year * 100 + month;
    }
}

TEST(Season, AMonthOutOfRangeCountsAsSpring) {
    EXPECT_EQ(GetSeason(4300), 0);
    EXPECT_EQ(GetSeason(4313), 0);
    EXPECT_EQ(GetSeason(4399), 0);
}
