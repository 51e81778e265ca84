// Grid steps and the snapping of graph axes to whole steps.

#include "views/AxisSteps.h"

#include <gtest/gtest.h>

namespace drumo {
namespace {

constexpr double Second = 1.0 / 86400;

TEST(AxisSteps, ResetViewIsSixtySecondsAroundNowAndFiftyDegreesEitherSide) {
    const DateTime now = EncodeDateTime(2026, 12, 9, 10, 0, 29);
    AxisRange time{now - 1, now + 1};
    int timeIndex = ResetTimeStepIndex;
    ASSERT_TRUE(SnapTimeAxis(time, timeIndex, false));
    const DateTime centre = EncodeDateTime(2026, 12, 9, 10, 0, 20);
    EXPECT_NEAR(time.Min, centre - 60 * Second, 1e-9);
    EXPECT_NEAR(time.Max, centre + 60 * Second, 1e-9);

    AxisRange temperature{-1, 1};
    int tempIndex = ResetTemperatureStepIndex;
    ASSERT_TRUE(SnapTemperatureAxis(temperature, tempIndex, false));
    EXPECT_EQ(temperature, (AxisRange{-50, 50}));
}

TEST(AxisSteps, FittingChoosesTheFinestStepThatCoversTheRange) {
    struct Case {
        double min, max;
        int index;
        AxisRange snapped;
    } cases[] = {
        {-3.2, 17.9, 3, {-20, 30}},      // 21.1 degrees: 5 per division
        {20.0, 20.0, 11, {19.95, 20.05}},  // no width: the finest step
        {-0.3, 0.75, 7, {-0.8, 1.2}},    // 1.05 degrees: 0.1 x 10.001 is short of it
    };
    for (const auto& c : cases) {
        AxisRange r{c.min, c.max};
        int index = 0;
        ASSERT_TRUE(SnapTemperatureAxis(r, index, true));
        EXPECT_EQ(index, c.index) << c.min << ".." << c.max;
        EXPECT_NEAR(r.Min, c.snapped.Min, 1e-9) << c.min << ".." << c.max;
        EXPECT_NEAR(r.Max, c.snapped.Max, 1e-9) << c.min << ".." << c.max;
    }
}

TEST(AxisSteps, OnePointShowsThreeSecondsEitherSideRoundedToTheSecond) {
    const DateTime x0 = EncodeDateTime(2026, 12, 9, 10, 0, 7) + 0.4 * Second;
    AxisRange r{x0 - 3 * Second, x0 + 3 * Second};
    int index = 0;
    ASSERT_TRUE(SnapTimeAxis(r, index, true));
    EXPECT_EQ(index, 26);
    EXPECT_NEAR(r.Min, EncodeDateTime(2026, 12, 9, 10, 0, 4), 1e-9);
    EXPECT_NEAR(r.Max, EncodeDateTime(2026, 12, 9, 10, 0, 10), 1e-9);
}

TEST(AxisSteps, ARangeWiderThanTheCoarsestStepIsLeftAsItWas) {
    const AxisRange wide{0, 6.002 * TimeSteps[0] / 86400};
    AxisRange r = wide;
    int index = 9;
    EXPECT_FALSE(SnapTimeAxis(r, index, true));
    EXPECT_EQ(index, 0);
    EXPECT_EQ(r, wide);
}

TEST(AxisSteps, AutomaticRangingAddsTwoAndAHalfPercentAtEachSide) {
    EXPECT_EQ(AutoRange(10, 50), (AxisRange{9, 51}));
    EXPECT_EQ(AutoRange(7, 7), (AxisRange{7, 7}));
}

}  // namespace
}  // namespace drumo
