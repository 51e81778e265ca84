#include "views/TimeGraphView.h"

#include <cmath>
#include <cstdio>

#include "model/Formats.h"
#include "views/ReadoutPlace.h"

namespace drumo {

namespace {
constexpr int LastTimeStep = static_cast<int>(TimeSteps.size()) - 1;
constexpr int LastTempStep = static_cast<int>(TemperatureSteps.size()) - 1;
}  // namespace

void ResetView(TimeGraphView& view, DateTime now) {
    view.TempStepIndex = ResetTemperatureStepIndex;
    view.TimeStepIndex = ResetTimeStepIndex;
    view.Time = {now - 1, now + 1};
    SnapTimeAxis(view.Time, view.TimeStepIndex, false);
    view.Temperature = {-1, 1};
    SnapTemperatureAxis(view.Temperature, view.TempStepIndex, false);
    view.TrackYCentred = false;
}

void ShowAll(TimeGraphView& view, const ShowAllInput& input, DateTime now) {
    if (input.LineCount == 0 || input.FirstLinePoints == 0) {
        ResetView(view, now);
        return;
    }
    if (input.FirstLinePoints == 1)
        view.Time = {input.FirstLineKey - 3 * OneSecond, input.FirstLineKey + 3 * OneSecond};
    else if (input.TimeData)
        view.Time = AutoRange(input.TimeData->Min, input.TimeData->Max);
    if (input.TemperatureData) view.Temperature = AutoRange(input.TemperatureData->Min, input.TemperatureData->Max);
    // A range too wide for the coarsest step stays as it is.
    SnapTimeAxis(view.Time, view.TimeStepIndex, true);
    SnapTemperatureAxis(view.Temperature, view.TempStepIndex, true);
}

void ZoomTime(TimeGraphView& view, bool finer) {
    if (finer ? view.TimeStepIndex >= LastTimeStep : view.TimeStepIndex <= 0) return;
    view.TimeStepIndex += finer ? 1 : -1;
    SnapTimeAxis(view.Time, view.TimeStepIndex, false);
}

void ZoomTemperature(TimeGraphView& view, bool finer) {
    if (finer ? view.TempStepIndex >= LastTempStep : view.TempStepIndex <= 0) return;
    view.TempStepIndex += finer ? 1 : -1;
    SnapTemperatureAxis(view.Temperature, view.TempStepIndex, false);
}

void Pan(TimeGraphView& view, PanDirection direction) {
    const double t = 0.1 * TimeStepDays(view.TimeStepIndex);
    const double y = 0.1 * TemperatureStep(view.TempStepIndex);
    const auto shift = [](AxisRange& r, double by) { r = {r.Min + by, r.Max + by}; };
    switch (direction) {
    case PanDirection::Left: shift(view.Time, t); break;
    case PanDirection::Right: shift(view.Time, -t); break;
    case PanDirection::Up: shift(view.Temperature, -y); break;
    case PanDirection::Down: shift(view.Temperature, y); break;
    }
}

void SnapAfterMouseZoom(TimeGraphView& view) {
    SnapTimeAxis(view.Time, view.TimeStepIndex, true);
    SnapTemperatureAxis(view.Temperature, view.TempStepIndex, true);
}

bool AutoDragTick(TimeGraphView& view, DateTime x, double y) {
    const TimeGraphView before = view;
    const double tstep = TimeStepDays(view.TimeStepIndex);
    const double a = RoundToStep(x, tstep);
    if (x >= view.Time.Max)
        view.Time = {a - 5 * tstep, a + tstep};
    else if (x <= view.Time.Min)
        view.Time = {a - tstep, a + 5 * tstep};

    const double ystep = TemperatureStep(view.TempStepIndex);
    const double o = RoundToStep(y, ystep);
    if (!view.TrackYCentred) {
        view.Temperature = {o - 5 * ystep, o + 5 * ystep};
        view.TrackYCentred = true;
    } else if (y >= view.Temperature.Max) {
        view.Temperature = {o - 9 * ystep, o + ystep};
    } else if (y <= view.Temperature.Min) {
        view.Temperature = {o - ystep, o + 9 * ystep};
    }
    return !(view.Time == before.Time) || !(view.Temperature == before.Temperature);
}

TrackedLineChange ChangeTrackedLine(int& trackedLine, double spinValue, int lineCount) {
    TrackedLineChange change;
    if (trackedLine >= 1 && trackedLine <= lineCount) change.Plain = trackedLine;
    trackedLine = static_cast<int>(std::lround(spinValue));
    if (trackedLine >= 1 && trackedLine <= lineCount) change.Highlighted = trackedLine;
    return change;
}

int TrackedLineAfterCreate(int spinValue, int lineCount) {
    if (spinValue <= lineCount) return spinValue;
    return lineCount == 0 ? 0 : 1;
}

std::string ReadoutTemperatureText(double celsius, char mark) {
    // Two decimals; a value with more than five digits before the point goes to exponent form.
    char buf[64];
    if (std::abs(celsius) >= 1e5)
        std::snprintf(buf, sizeof buf, "%.4E", celsius);
    else
        std::snprintf(buf, sizeof buf, "%.2f", celsius);
    std::string text = buf;
    if (text == "-0.00") text = "0.00";
    for (char& c : text)
        if (c == '.') c = mark;
    return text + " °C ";
}

std::string ReadoutTimeText(DateTime t) { return DateText(t) + " " + TimeText(t) + " "; }

ReadoutPlace PlaceReadout(int x, int y, int plotWidth) {
    const ReadoutTextPlace p = PlaceReadoutTexts(x, y, plotWidth, {100, 45, 90});
    return {p.FirstX, p.FirstY, p.SecondX, p.SecondY};
}

}  // namespace drumo
