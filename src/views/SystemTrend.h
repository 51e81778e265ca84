#pragma once
// The rules of the system trend "Тренд системы": every cable of every device drawn as one line of
// temperature against position along the cable, at the one moment the time slider points at.
// Between two samples of a cable its temperatures are interpolated linearly in time. The window
// draws what these functions compute; nothing here knows a widget.

#include <optional>
#include <string>
#include <vector>

#include "model/DateTime.h"
#include "model/Series.h"
#include "model/Store.h"
#include "views/AxisSteps.h"
#include "views/TrendView.h"

namespace drumo {

// A point of a system trend line is a ProfilePoint of the length trend: position in metres
// (label ÷ 100), temperature in °C.

// The position axis: its range and the number of ticks.
struct LengthAxis {
    double Min = 0;
    double Max = 0;
    int Ticks = 0;
    bool operator==(const LengthAxis&) const = default;
};

// The position axis from `lo` to `hi` whole metres (or sensor numbers): at most about 16 divisions
// of a whole step; lo >= hi gives hi - 1 .. hi + 1 with 3 ticks.
LengthAxis SetLengthAxis(int lo, int hi);
// The axis for sensor labels (hundredths) from `smallest` to `largest`; nullopt when no cable has
// a sensor (smallest still at its start value 32767).
std::optional<LengthAxis> LengthAxisOfLabels(int smallest, int largest);
inline constexpr int NoSmallestLabel = 32767;

// Whether a cable's sample times run in order, checked once per new sample so that each slice can
// find its moment by bisection. A cable whose times go back (files of a group loaded out of order)
// is searched from its start instead, which finds the same first pair.
class TimeOrder {
public:
    void Update(const Series<DateTime>& times);
    bool Ascending() const { return ascending_; }

private:
    size_t checked_ = 0;
    bool ascending_ = true;
};

// The first k with times[k] <= t <= times[k + 1], or -1 when no pair of samples holds t.
long BracketingSample(const Series<DateTime>& times, DateTime t, bool ascending);

// The line of cable (d, c) at moment t, into `out` (emptied first): each sensor interpolated
// between the two samples around t; a sensor with NoValue at either of them has no point, except
// at exactly the time of the one that has a reading. A cable
// with one sample shows it only when t is exactly its time; a cable with no sample around t shows
// nothing.
void CableProfile(const MeasurementStore& store, size_t d, size_t c, DateTime t, const TimeOrder& order,
                  std::vector<ProfilePoint>& out);

// The time slider: positions 0..Maximum, one per step of the step list ("Дискретность:") between
// the first and the last sample of the store.
class TimeSlider {
public:
    int Maximum() const { return maximum_; }
    int Position() const { return position_; }
    bool AtEnd() const { return position_ >= maximum_; }

    // The store's time span in slider steps of `stepSeconds`. With `follow` the slider moves to its
    // end and the slice is drawn anew: true when the caller must draw it.
    bool Update(DateTime first, DateTime last, int stepSeconds, bool follow);
    // The operator (or the window) moved the slider.
    void SetPosition(int position);
    // True when the moment at the position is to be drawn: not drawn yet, and the store has values.
    bool TakeSlice(bool anyValues);
    // The moment the position points at.
    DateTime Moment(DateTime first, DateTime last) const;
    // Back to 0..0 with nothing drawn.
    void Reset();

private:
    int maximum_ = 0;
    int position_ = 0;
    int lastSlicePosition_ = -1;
};

int SliderMaximum(DateTime first, DateTime last, int stepSeconds);
DateTime SliceMoment(DateTime first, DateTime last, int maximum, int position);

// The temperature axis of the system trend: ten steps of TemperatureSteps, snapped to whole steps.
class SystemTrendView {
public:
    SystemTrendView() { Reset(); }

    int TempStepIndex() const { return tempStepIndex_; }
    AxisRange Temperature() const { return range_; }
    // The mouse zoomed or panned the chart to this range.
    void SetTemperature(AxisRange range) { range_ = range; }

    // Step 10 degrees, -50 .. 50.
    void Reset();
    void Snap();
    // The finest step that shows the whole range, then snap; a range wider than ten of the
    // coarsest steps is left as it is.
    void FitAndSnap();
    // "Увеличить масштаб" / "Уменьшить масштаб"; false at the end of the table.
    bool ZoomIn();
    bool ZoomOut();
    // "Показать всё": reset when every line is empty; otherwise the temperatures of the shown
    // lines (nullopt when the shown lines are empty) with the margins of automatic ranging, then
    // fit and snap.
    void ShowAll(bool anyPoints, std::optional<AxisRange> shownTemperatures);
    // After a mouse zoom, once its timer ran out.
    void AfterMouseZoom() { FitAndSnap(); }

private:
    int tempStepIndex_ = ResetTemperatureStepIndex;
    AxisRange range_;
};

// Status texts.
std::string SpanText(DateTime first, DateTime last);     // "от dd.mm.yy hh:nn:ss до ..."
std::string MomentText(DateTime t);                      // "dd.mm.yy hh:nn:ss"
std::string SliceModeText(bool archiveLoaded, bool atEnd);  // "Файл.....", "Слежение.....", "Просмотр....."
// The mouse read-out's position (its temperature is the time graph's ReadoutTemperatureText).
std::string ReadoutPositionText(double metres);          // "L 3.25 м "

// Where the Ctrl read-out texts go on the chart: right of the pointer, or left of it near the
// chart's right edge.
struct SliceReadoutPlace {
    int X = 0;
    int TemperatureY = 0;
    int PositionY = 0;
    bool operator==(const SliceReadoutPlace&) const = default;
};
SliceReadoutPlace SystemReadoutPlace(int x, int y, int chartWidth);

}  // namespace drumo
