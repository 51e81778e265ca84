// The time graph's view rules: reset, show all, zoom and pan buttons, mouse zoom, auto-drag, the
// tracked line and the mouse read-out.

#include "views/TimeGraphView.h"

#include <gtest/gtest.h>

namespace drumo {
namespace {

constexpr double Second = OneSecond;
const DateTime Now = EncodeDateTime(2026, 12, 9, 10, 0, 29);

void ExpectRange(const AxisRange& r, double min, double max, double tolerance = 1e-9) {
    EXPECT_NEAR(r.Min, min, tolerance);
    EXPECT_NEAR(r.Max, max, tolerance);
}

TEST(TimeGraphView, ShowAllWithoutPointsResetsToSixtySecondsAroundNow) {
    const DateTime centre = EncodeDateTime(2026, 12, 9, 10, 0, 20);
    for (const ShowAllInput input : {ShowAllInput{0, 0, 0, {}, {}}, ShowAllInput{3, 0, 0, {}, {}}}) {
        TimeGraphView view;
        view.TimeStepIndex = 3;
        view.TrackYCentred = true;
        ShowAll(view, input, Now);
        ExpectRange(view.Time, centre - 60 * Second, centre + 60 * Second);
        ExpectRange(view.Temperature, -50, 50);
        EXPECT_EQ(view.TimeStepIndex, 22);
        EXPECT_EQ(view.TempStepIndex, 2);
        EXPECT_FALSE(view.TrackYCentred);
    }
}

TEST(TimeGraphView, ShowAllOfOnePointIsSixSecondsAroundItsWholeSecond) {
    TimeGraphView view;
    const DateTime x0 = Now + 0.4 * Second;
    ShowAll(view, {2, 1, x0, AxisRange{x0, x0}, AxisRange{21.5, 21.5}}, Now);
    EXPECT_EQ(view.TimeStepIndex, 26);
    ExpectRange(view.Time, Now - 3 * Second, Now + 3 * Second, 1e-10);
    ExpectRange(view.Temperature, 21.45, 21.55);
}

TEST(TimeGraphView, ShowAllFitsTheDataAndKeepsARangeTooWideForTheCoarsestStep) {
    TimeGraphView view;
    // One day of data with 2.5 % margins is 1.05 days: six steps of 6 hours (index 11) cover it,
    // six of 3 hours do not.
    ShowAll(view, {1, 100, Now, AxisRange{Now, Now + 1}, AxisRange{-3.2, 17.9}}, Now);
    EXPECT_EQ(view.TimeStepIndex, 11);
    EXPECT_NEAR(view.Time.Width(), 1.5, 1e-9);
    EXPECT_EQ(view.TempStepIndex, 3);
    ExpectRange(view.Temperature, -20, 30);

    const AxisRange wide{0, 6.001 * 63115200 / 86400 * 1.1};
    ShowAll(view, {1, 100, 0, wide, AxisRange{0, 1}}, Now);
    EXPECT_EQ(view.TimeStepIndex, 0);
    ExpectRange(view.Time, AutoRange(wide.Min, wide.Max).Min, AutoRange(wide.Min, wide.Max).Max);
}

TEST(TimeGraphView, ZoomButtonsStopAtTheEndsOfTheTables) {
    struct Case {
        bool time, finer;
        int from, to;
    } cases[] = {
        {true, true, 26, 26}, {true, false, 0, 0}, {true, true, 22, 23}, {true, false, 22, 21},
        {false, true, 11, 11}, {false, false, 0, 0}, {false, true, 10, 11}, {false, false, 2, 1},
    };
    for (const auto& c : cases) {
        TimeGraphView view;
        ResetView(view, Now);
        (c.time ? view.TimeStepIndex : view.TempStepIndex) = c.from;
        const TimeGraphView before = view;
        if (c.time)
            ZoomTime(view, c.finer);
        else
            ZoomTemperature(view, c.finer);
        EXPECT_EQ(c.time ? view.TimeStepIndex : view.TempStepIndex, c.to) << c.from;
        if (c.from == c.to) {
            EXPECT_EQ(view.Time, before.Time);
            EXPECT_EQ(view.Temperature, before.Temperature);
        }
    }
    // A step change keeps the view on its rounded middle: 10 °C steps to 5 °C.
    TimeGraphView view;
    ResetView(view, Now);
    ZoomTemperature(view, true);
    ExpectRange(view.Temperature, -25, 25);
}

TEST(TimeGraphView, PanButtonsMoveByATenthOfTheStep) {
    TimeGraphView view;
    ResetView(view, Now);
    const TimeGraphView start = view;
    Pan(view, PanDirection::Left);
    ExpectRange(view.Time, start.Time.Min + 2 * Second, start.Time.Max + 2 * Second);
    Pan(view, PanDirection::Right);
    Pan(view, PanDirection::Right);
    ExpectRange(view.Time, start.Time.Min - 2 * Second, start.Time.Max - 2 * Second);
    Pan(view, PanDirection::Up);
    ExpectRange(view.Temperature, -51, 49);
    Pan(view, PanDirection::Down);
    Pan(view, PanDirection::Down);
    ExpectRange(view.Temperature, -49, 51);
}

TEST(TimeGraphView, MouseZoomWidensTheRectangleToWholeSteps) {
    TimeGraphView view;
    view.Time = {Now, Now + 50 * Second};
    view.Temperature = {10.3, 14.1};
    SnapAfterMouseZoom(view);
    EXPECT_EQ(view.TimeStepIndex, 23);  // 10 s
    EXPECT_EQ(view.TempStepIndex, 6);   // 0.5 °C
    EXPECT_NEAR(view.Time.Width(), 60 * Second, 1e-10);
    ExpectRange(view.Temperature, 9.5, 14.5);
}

TEST(TimeGraphView, AutoDragFollowsTheTrackedPointOutOfTheView) {
    TimeGraphView view;
    ResetView(view, Now);  // 20 s steps, 10 °C steps
    const DateTime inside = view.Time.Min + 30 * Second;
    // First tick after switching: only the temperatures centre on the point.
    const AxisRange time = view.Time;
    EXPECT_TRUE(AutoDragTick(view, inside, 21.5));
    EXPECT_EQ(view.Time, time);
    ExpectRange(view.Temperature, -30, 70);
    EXPECT_TRUE(view.TrackYCentred);
    EXPECT_FALSE(AutoDragTick(view, inside, 21.5));

    // A sample past the right end: five steps before it, one after.
    const DateTime later = view.Time.Max + 5 * Second;
    EXPECT_TRUE(AutoDragTick(view, later, 21.5));
    const DateTime a = RoundToStep(later, 20 * Second);
    ExpectRange(view.Time, a - 100 * Second, a + 20 * Second);
    // Before the left end: one step before it, five after.
    const DateTime earlier = view.Time.Min - Second;
    AutoDragTick(view, earlier, 21.5);
    ExpectRange(view.Time, RoundToStep(earlier, 20 * Second) - 20 * Second, RoundToStep(earlier, 20 * Second) + 100 * Second);
    // Above and below the temperatures.
    AutoDragTick(view, view.Time.Min + 30 * Second, 75);
    ExpectRange(view.Temperature, -10, 90);
    AutoDragTick(view, view.Time.Min + 30 * Second, -12);
    ExpectRange(view.Temperature, -20, 80);
}

TEST(TimeGraphView, TrackedLineChangesAndTheSpinAfterCreatingLines) {
    int tracked = 5;
    TrackedLineChange change = ChangeTrackedLine(tracked, 2.4, 3);
    EXPECT_EQ(change.Plain, 0);  // 5 was past the lines
    EXPECT_EQ(change.Highlighted, 2);
    change = ChangeTrackedLine(tracked, 7, 3);
    EXPECT_EQ(change.Plain, 2);
    EXPECT_EQ(change.Highlighted, 0);
    EXPECT_EQ(tracked, 7);

    EXPECT_EQ(TrackedLineAfterCreate(5, 3), 1);
    EXPECT_EQ(TrackedLineAfterCreate(3, 3), 3);
    EXPECT_EQ(TrackedLineAfterCreate(1, 0), 0);
    EXPECT_EQ(TrackedLineAfterCreate(0, 0), 0);
}

TEST(TimeGraphView, MouseReadoutTextsAndPlace) {
    EXPECT_EQ(ReadoutTemperatureText(21.456, ','), "21,46 °C ");
    EXPECT_EQ(ReadoutTemperatureText(-0.001, '.'), "0.00 °C ");
    EXPECT_EQ(ReadoutTimeText(EncodeDateTime(2026, 12, 9, 14, 5, 9)), "09.12.26 14:05:09 ");

    const ReadoutPlace right = PlaceReadout(200, 50, 600);
    EXPECT_EQ(right.TemperatureX, 216);
    EXPECT_EQ(right.TimeX, 216);
    EXPECT_EQ(right.TemperatureY, 56);
    EXPECT_EQ(right.TimeY, 68);
    const ReadoutPlace left = PlaceReadout(500, 50, 600);  // within 100 pixels of the edge
    EXPECT_EQ(left.TemperatureX, 455);
    EXPECT_EQ(left.TimeX, 410);
}

}  // namespace
}  // namespace drumo
