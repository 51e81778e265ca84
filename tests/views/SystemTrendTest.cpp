// The system trend: each cable's line at the slider's moment, the slider, the position and
// temperature axes, and the status texts.

#include "views/SystemTrend.h"

#include <gtest/gtest.h>

#include "support/RecordingLog.h"
#include "support/ScriptedOperator.h"
#include "support/StoreFill.h"

namespace drumo {
namespace {

using test::CableSpec;

const DateTime T10 = EncodeDateTime(2026, 12, 9, 10, 0, 0);

struct TrendStore : ::testing::Test {
    test::ScriptedOperator op;
    test::RecordingLog log;
    MeasurementStore store{op, log};

    std::vector<ProfilePoint> At(size_t d, size_t c, DateTime t) {
        TimeOrder order;
        order.Update(store.SampleTimes(d, c));
        std::vector<ProfilePoint> out{{99, 99}};  // the line is emptied first
        CableProfile(store, d, c, t, order, out);
        return out;
    }
};

TEST_F(TrendStore, ProfileInterpolatesEachSensorBetweenTheSamplesAroundTheMoment) {
    test::AddDevice(store, 4,
                    {CableSpec(1, 1, {150, 300, 450},
                               {{T10, {2000, NoValue, 1000}},
                                {T10 + OneMinute, {2100, 500, 1000}},
                                {T10 + 2 * OneMinute, {2200, 600, NoValue}}})});
    struct Case {
        const char* name;
        DateTime t;
        std::vector<ProfilePoint> points;
    } cases[] = {
        // A NoValue at either end of the interval leaves the sensor out.
        {"half way", T10 + 30 * OneSecond, {{1.5, 20.5}, {4.5, 10.0}}},
        {"at the first sample", T10, {{1.5, 20.0}, {4.5, 10.0}}},
        // Exactly at a sample's time its readings count alone: the sensor that had none shows.
        {"at the middle sample", T10 + OneMinute, {{1.5, 21.0}, {3.0, 5.0}, {4.5, 10.0}}},
        {"second interval", T10 + 90 * OneSecond, {{1.5, 21.5}, {3.0, 5.5}}},
        {"at the last sample", T10 + 2 * OneMinute, {{1.5, 22.0}, {3.0, 6.0}}},
        {"before the first", T10 - OneSecond, {}},
        {"after the last", T10 + 3 * OneMinute, {}},
    };
    for (const auto& c : cases) {
        const auto got = At(0, 0, c.t);
        ASSERT_EQ(got.size(), c.points.size()) << c.name;
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_DOUBLE_EQ(got[i].Position, c.points[i].Position) << c.name;
            EXPECT_NEAR(got[i].Temperature, c.points[i].Temperature, 1e-6) << c.name;
        }
    }
}

TEST_F(TrendStore, CableWithOneSampleShowsItOnlyAtExactlyItsTime) {
    test::AddDevice(store, 4, {CableSpec(1, 1, {0, 100}, {{T10, {1234, NoValue}}})});
    EXPECT_EQ(At(0, 0, T10), (std::vector<ProfilePoint>{{0, 12.34}}));
    EXPECT_TRUE(At(0, 0, T10 + OneSecond).empty());
}

TEST_F(TrendStore, TimesOutOfOrderAreSearchedFromTheStart) {
    // A group of files loaded newest first: the first pair that holds the moment counts.
    test::AddDevice(store, 4,
                    {CableSpec(1, 1, {100}, {{T10 + 2 * OneMinute, {3000}}, {T10 + 3 * OneMinute, {4000}},
                                             {T10, {1000}}, {T10 + OneMinute, {2000}}})});
    TimeOrder order;
    order.Update(store.SampleTimes(0, 0));
    EXPECT_FALSE(order.Ascending());
    EXPECT_NEAR(At(0, 0, T10 + 150 * OneSecond)[0].Temperature, 35.0, 1e-9);
    EXPECT_NEAR(At(0, 0, T10 + 30 * OneSecond)[0].Temperature, 15.0, 1e-9);
    EXPECT_TRUE(At(0, 0, T10 + 90 * OneSecond).empty());  // no pair runs forward through it
}

TEST(SystemTrendAxes, LengthAxisHasAtMostSixteenWholeSteps) {
    struct Case {
        int lo, hi;
        LengthAxis axis;
    } cases[] = {
        {1, 10, {1, 10, 10}},    // the window's start
        {0, 15, {0, 15, 16}},    // labels 0 .. 1500
        {0, 40, {0, 42, 15}},    // span 39: steps of 3
        {5, 5, {4, 6, 3}},       // a single place
        {7, 3, {2, 4, 3}},
    };
    for (const auto& c : cases) EXPECT_EQ(SetLengthAxis(c.lo, c.hi), c.axis) << c.lo << ".." << c.hi;
    EXPECT_EQ(LengthAxisOfLabels(0, 1500), (LengthAxis{0, 15, 16}));
    EXPECT_EQ(LengthAxisOfLabels(150, 1001), (LengthAxis{1, 11, 11}));
    EXPECT_FALSE(LengthAxisOfLabels(NoSmallestLabel, 0));
}

TEST(SystemTrendAxes, TemperatureAxisResetsZoomsAndShowsAll) {
    SystemTrendView view;
    EXPECT_EQ(view.Temperature(), (AxisRange{-50, 50}));
    EXPECT_EQ(view.TempStepIndex(), 2);
    EXPECT_TRUE(view.ZoomOut());
    EXPECT_TRUE(view.ZoomOut());
    EXPECT_FALSE(view.ZoomOut());
    EXPECT_EQ(view.TempStepIndex(), 0);
    for (int i = 0; i < 11; ++i) EXPECT_TRUE(view.ZoomIn());
    EXPECT_FALSE(view.ZoomIn());
    EXPECT_EQ(view.TempStepIndex(), 11);

    view.ShowAll(true, AxisRange{12.0, 31.0});  // with margins 11.525 .. 31.475: 2 degrees a step
    EXPECT_EQ(view.TempStepIndex(), 4);
    EXPECT_EQ(view.Temperature(), (AxisRange{12, 32}));
    view.ShowAll(false, std::nullopt);
    EXPECT_EQ(view.Temperature(), (AxisRange{-50, 50}));

    view.SetTemperature({20.02, 20.6});  // a mouse zoom
    view.AfterMouseZoom();
    EXPECT_EQ(view.TempStepIndex(), 8);
    EXPECT_NEAR(view.Temperature().Min, 19.8, 1e-9);
    EXPECT_NEAR(view.Temperature().Max, 20.8, 1e-9);
}

TEST(SystemTrendSlider, FollowsTheNewestSampleOnlyFromItsEnd) {
    TimeSlider slider;
    EXPECT_FALSE(slider.Update(1000000.0, 0.0, 20, true));  // no samples: nothing
    EXPECT_TRUE(slider.Update(T10, T10, 20, true));         // one sample: 0..0
    EXPECT_EQ(slider.Maximum(), 0);
    EXPECT_EQ(slider.Moment(T10, T10), T10);
    EXPECT_TRUE(slider.TakeSlice(true));
    EXPECT_FALSE(slider.TakeSlice(true));  // drawn already

    EXPECT_TRUE(slider.Update(T10, T10 + 10 * OneMinute, 60, true));
    EXPECT_EQ(slider.Maximum(), 10);
    EXPECT_TRUE(slider.AtEnd());
    slider.SetPosition(4);
    EXPECT_TRUE(slider.TakeSlice(true));
    EXPECT_NEAR(slider.Moment(T10, T10 + 10 * OneMinute), T10 + 4 * OneMinute, 1e-9);
    // A new sample while the operator looks back: the range grows, the view stays.
    EXPECT_FALSE(slider.Update(T10, T10 + 11 * OneMinute, 60, false));
    EXPECT_EQ(slider.Position(), 4);
    EXPECT_FALSE(slider.TakeSlice(false));  // no valid values in the store
    slider.Reset();
    EXPECT_EQ(slider.Maximum(), 0);
    EXPECT_TRUE(slider.TakeSlice(true));
    EXPECT_EQ(SliderMaximum(T10, T10 + 50 * OneSecond, 20), 2);  // 2.5 rounds to even
}

TEST(SystemTrendTexts, StatusPanelsAndReadout) {
    EXPECT_EQ(SpanText(T10, T10 + OneHour), "от 09.12.26 10:00:00 до 09.12.26 11:00:00");
    EXPECT_EQ(SliceModeText(true, true), "Файл.....");
    EXPECT_EQ(SliceModeText(false, true), "Слежение.....");
    EXPECT_EQ(SliceModeText(false, false), "Просмотр.....");
    EXPECT_EQ(ReadoutPositionText(-0.5), "L -0.50 м ");
    EXPECT_EQ(SystemReadoutPlace(100, 40, 600), (SliceReadoutPlace{116, 46, 58}));
    EXPECT_EQ(SystemReadoutPlace(531, 40, 600), (SliceReadoutPlace{481, 46, 58}));
}

}  // namespace
}  // namespace drumo
