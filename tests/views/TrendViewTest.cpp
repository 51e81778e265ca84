// The length trend's rules: position axis, temperature zoom, sliders and their status texts,
// the turn "В грунте", and the mouse read-out.

#include "views/TrendView.h"

#include <gtest/gtest.h>

#include "model/Formats.h"
#include "support/RecordingLog.h"
#include "support/ScriptedOperator.h"
#include "support/StoreFill.h"

namespace drumo {
namespace {

TEST(TrendView, PositionAxisIsDividedIntoAtMostSixteenWholeSteps) {
    struct Case {
        int kind, lo, hi;
        bool zero;
        const char* caption;
        AxisRange range;
        int ticks;
    } cases[] = {
        {0, 1, 16, false, TrendNumberCaption, {1, 16}, 16},     // sensor numbers 1 ... 16
        {1, 0, 31, true, TrendDistanceCaption, {0, 32}, 17},    // 0.5 ... 30.2 m from zero
        {2, 5, 31, false, TrendDistanceCaption, {5, 31}, 14},   // 26 units: steps of 2
        {4, 0, 4, false, TrendNumberCaption, {0, 4}, 5},
        {3, 9, 9, false, TrendNumberCaption, {8, 10}, 3},       // lo not below hi
        {1, 12, 3, true, TrendDistanceCaption, {2, 4}, 3},      // labels falling along the cable
    };
    test::ScriptedOperator op;
    test::RecordingLog log;
    MeasurementStore store(op, log);
    for (const Case& c : cases) {
        TrendView view(store);
        view.SetZeroBegin(c.zero, false);
        view.SetPositionAxis(c.kind, c.lo, c.hi);
        const TrendAxis& axis = view.PositionAxis();
        EXPECT_EQ(axis.Caption, c.caption) << c.lo << ".." << c.hi;
        EXPECT_NEAR(axis.Range.Min, c.range.Min, 1e-9) << c.lo << ".." << c.hi;
        EXPECT_NEAR(axis.Range.Max, c.range.Max, 1e-9) << c.lo << ".." << c.hi;
        EXPECT_EQ(axis.Ticks, c.ticks) << c.lo << ".." << c.hi;
    }
}

// A cable of 4 sensors at 1 ... 4 m with three samples; sensor 3 has no reading in sample 1.
class TrendFixture : public ::testing::Test {
protected:
    void SetUp() override {
        test::AddDevice(store, 4, {{7, 1, {100, 200, 300, 400},
                                    {{t0, {1000, 1200, 1400, 1600}},
                                     {t0 + OneMinute, {1100, 1300, NoValue, 1700}},
                                     {t0 + 2 * OneMinute, {900, 2500, 1500, 1000}}}}});
    }
    const DateTime t0 = EncodeDateTime(2026, 12, 9, 10, 0, 0);
    test::ScriptedOperator op;
    test::RecordingLog log;
    MeasurementStore store{op, log};
    TrendView view{store};
};

TEST_F(TrendFixture, FollowsTheNewestSampleUntilTheOperatorStepsBack) {
    view.Update(true, true);
    EXPECT_EQ(view.SliderMaximum(), 2);
    EXPECT_EQ(view.MainSlider(), 2);
    EXPECT_EQ(view.Panel(2), "main:  09.12.26 10:02:00");
    EXPECT_EQ(view.Panel(4), "Слежение.....");

    ASSERT_TRUE(view.MoveMain(1));
    EXPECT_EQ(view.MainLine(), (std::vector<ProfilePoint>{{1, 11}, {2, 13}, {4, 17}}));  // NoValue left out
    EXPECT_EQ(view.Panel(4), "Просмотр.....");
    EXPECT_FALSE(view.MoveMain(1));  // already drawn

    // A new sample while the slider stands back: the slider stays, the maximum grows.
    store.AppendSample(0, 0, t0 + 3 * OneMinute, std::vector<Temperature>{1, 2, 3, 4});
    view.Update(view.MainAtMaximum(), false);
    EXPECT_EQ(view.SliderMaximum(), 3);
    EXPECT_EQ(view.MainSlider(), 1);
    EXPECT_EQ(view.Panel(2), "main:  09.12.26 10:01:00");

    ASSERT_TRUE(view.MoveTrace(0));
    EXPECT_EQ(view.Panel(3), "trace:  09.12.26 10:00:00");
    EXPECT_EQ(view.Panel(4), "Просмотр.....");  // the trace does not touch the mode
    view.Update(false, true);
    EXPECT_TRUE(view.TraceLine().empty());

    store.MarkArchiveLoaded();
    view.MoveMain(3);
    EXPECT_EQ(view.Panel(4), "Файл.....");

    store.SetNotebookOnGraphs(true);
    EXPECT_FALSE(view.MoveMain(0));

    view.Clear();
    EXPECT_TRUE(view.MainLine().empty());
    EXPECT_EQ(view.SliderMaximum(), 0);
    EXPECT_EQ(view.Panel(2) + view.Panel(3) + view.Panel(4), "");
}

TEST_F(TrendFixture, ZoomAndShowAllActOnTheTemperatureAxisOnly) {
    const AxisRange position = view.PositionAxis().Range;
    view.ShowAll();  // nothing drawn: the reset view
    EXPECT_EQ(view.TemperatureAxis().Range, (AxisRange{-50, 50}));

    view.Update(true, true);  // 9 ... 25 degrees
    view.ShowAll();
    EXPECT_EQ(view.TempStepIndex(), 4);
    EXPECT_EQ(view.TemperatureAxis().Range, (AxisRange{6, 26}));  // auto-ranged 8.6 ... 25.4, snapped
    EXPECT_EQ(view.PositionAxis().Range, position);

    // Step 1 degree: 5 ... 15 would cut the profile at the top only, so its top comes in view
    // one step below the upper end.
    view.SetTemperatureRange({0, 20});
    view.ZoomIn();
    EXPECT_EQ(view.TempStepIndex(), 5);
    EXPECT_EQ(view.TemperatureAxis().Range, (AxisRange{16, 26}));
    // Cut at both ends: the centred range stays.
    view.ZoomIn();
    EXPECT_EQ(view.TemperatureAxis().Range, (AxisRange{18.5, 23.5}));

    view.ZoomOut();
    EXPECT_EQ(view.TemperatureAxis().Range, (AxisRange{16, 26}));
    for (int i = 0; i < 12; ++i) view.ZoomOut();
    EXPECT_EQ(view.TempStepIndex(), 0);
    for (int i = 0; i < 12; ++i) view.ZoomIn();
    EXPECT_EQ(view.TempStepIndex(), 11);
}

TEST_F(TrendFixture, InTheGroundThePictureTurnsWithItsAxes) {
    view.Update(true, true);
    view.SetTemperatureRange({-2, 18});
    view.SetInGround(true);
    EXPECT_TRUE(view.LeftInverted());
    EXPECT_EQ(view.LeftAxis().Caption, TrendNumberCaption);
    EXPECT_EQ(view.LeftAxis().Format, TrendPositionFormat);
    EXPECT_EQ(view.BottomAxis().Range, (AxisRange{-2, 18}));
    EXPECT_EQ(view.BottomAxis().Ticks, 11);
    EXPECT_EQ(view.ToChart(view.MainLine().front()), (ChartPoint{9, 1}));
    view.SetInGround(false);
    EXPECT_EQ(view.LeftAxis().Caption, TrendTemperatureCaption);
    EXPECT_EQ(view.ToChart(view.MainLine().front()), (ChartPoint{1, 9}));
}

TEST_F(TrendFixture, StickerJumpsToTheNearestPointAlongTheCable) {
    SetDecimalMark('.');
    EXPECT_FALSE(view.ReadOut(10, 2, true).Shown);  // an empty main line shows nothing
    view.SetPositionAxis(1, 1, 4);
    view.Update(true, true);
    TrendReadOut out = view.ReadOut(0, 2.5, true);  // 2 and 3 m equally near: the first
    EXPECT_TRUE(out.Sticker);
    EXPECT_EQ(out.Marker, (ChartPoint{2, 25}));
    EXPECT_EQ(out.TemperatureText, "25.00 °C ");
    EXPECT_EQ(out.PositionText, "L 2.00 м ");

    view.SetInGround(true);
    out = view.ReadOut(3.9, 12.346, false);
    EXPECT_FALSE(out.Sticker);
    EXPECT_EQ(out.TemperatureText, "12.35 °C ");
    EXPECT_EQ(out.PositionText, "L 3.90 м ");
    view.SetPositionAxis(0, 1, 4);
    EXPECT_EQ(view.ReadOut(7, 0, false).PositionText, "Ndat 7.00 ");

    const ReadOutPlace right = CtrlReadOutPlace(440, 100, 500), left = CtrlReadOutPlace(429, 100, 500);
    EXPECT_EQ(right.TemperatureX, 390);
    EXPECT_EQ(right.PositionX, 380);
    EXPECT_EQ(left.TemperatureX, 445);
    EXPECT_EQ(left.PositionY, 118);
}

}  // namespace
}  // namespace drumo
