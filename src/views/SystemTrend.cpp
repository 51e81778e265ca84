#include "views/SystemTrend.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "model/Formats.h"
#include "views/ReadoutPlace.h"

namespace drumo {

LengthAxis SetLengthAxis(int lo, int hi) {
    if (hi <= lo) return {hi - 1.0, hi + 1.0, 3};
    const double span = hi - lo - 0.999999;
    const int step = static_cast<int>(span / 16) + 1;
    const int divisions = static_cast<int>(span / step);
    return {static_cast<double>(lo), static_cast<double>(lo + (divisions + 1) * step), divisions + 2};
}

std::optional<LengthAxis> LengthAxisOfLabels(int smallest, int largest) {
    if (smallest == NoSmallestLabel) return std::nullopt;
    return SetLengthAxis(static_cast<int>(smallest / 100.0), static_cast<int>(largest / 100.0 + 0.999999));
}

void TimeOrder::Update(const Series<DateTime>& times) {
    if (times.size() < checked_) {  // the cable was emptied
        checked_ = 0;
        ascending_ = true;
    }
    for (size_t k = std::max<size_t>(checked_, 1); k < times.size() && ascending_; ++k)
        if (times[k] < times[k - 1]) ascending_ = false;
    checked_ = times.size();
}

long BracketingSample(const Series<DateTime>& times, DateTime t, bool ascending) {
    const size_t n = times.size();
    if (n < 2) return -1;
    if (ascending) {
        // The first pair whose later time reaches t is the only candidate: every earlier pair ends
        // before t.
        const auto it = std::lower_bound(times.begin() + 1, times.end(), t);
        if (it == times.end()) return -1;
        const long k = (it - times.begin()) - 1;
        return times[k] <= t ? k : -1;
    }
    for (size_t k = 0; k + 1 < n; ++k)
        if (times[k] <= t && t <= times[k + 1]) return static_cast<long>(k);
    return -1;
}

void CableProfile(const MeasurementStore& store, size_t d, size_t c, DateTime t, const TimeOrder& order,
                  std::vector<ProfilePoint>& out) {
    out.clear();
    const auto& times = store.SampleTimes(d, c);
    const auto labels = store.SensorLabels(d, c);
    const size_t sensors = store.Sensors(d, c);
    const long k = BracketingSample(times, t, order.Ascending());
    if (k >= 0) {
        const double span = times[k + 1] - times[k];
        const double f = span > 0 ? (t - times[k]) / span : 0.0;
        for (size_t s = 0; s < sensors; ++s) {
            const auto& values = store.Samples(d, c, s);
            Temperature a = values[k];
            Temperature b = values[k + 1];
            // At exactly a sample's time that sample's reading counts alone, so that the newest
            // reading of a sensor that had none before shows at once.
            if (f == 1.0) a = b;
            if (f == 0.0) b = a;
            if (a == NoValue || b == NoValue) continue;
            out.push_back({labels[s] / 100.0, ((b - a) * f + a) / 100.0});
        }
    } else if (times.size() == 1 && times[0] == t) {
        for (size_t s = 0; s < sensors; ++s) {
            const Temperature v = store.Samples(d, c, s)[0];
            if (v != NoValue) out.push_back({labels[s] / 100.0, v / 100.0});
        }
    }
}

int SliderMaximum(DateTime first, DateTime last, int stepSeconds) {
    if (last < first || stepSeconds <= 0) return 0;
    return static_cast<int>(std::nearbyint((last - first) / (stepSeconds * OneSecond)));
}

DateTime SliceMoment(DateTime first, DateTime last, int maximum, int position) {
    if (maximum == 0) return first;
    return first + (last - first) / maximum * position;
}

bool TimeSlider::Update(DateTime first, DateTime last, int stepSeconds, bool follow) {
    if (last < first) return false;
    maximum_ = SliderMaximum(first, last, stepSeconds);
    position_ = std::min(position_, maximum_);
    if (!follow) return false;
    position_ = maximum_;
    lastSlicePosition_ = -1;
    return true;
}

void TimeSlider::SetPosition(int position) { position_ = std::clamp(position, 0, maximum_); }

bool TimeSlider::TakeSlice(bool anyValues) {
    if (position_ == lastSlicePosition_ || !anyValues) return false;
    lastSlicePosition_ = position_;
    return true;
}

DateTime TimeSlider::Moment(DateTime first, DateTime last) const {
    return SliceMoment(first, last, maximum_, position_);
}

void TimeSlider::Reset() {
    maximum_ = 0;
    position_ = 0;
    lastSlicePosition_ = -1;
}

void SystemTrendView::Reset() {
    tempStepIndex_ = ResetTemperatureStepIndex;
    range_ = {-1, 1};
    Snap();
}

void SystemTrendView::Snap() { SnapTemperatureAxis(range_, tempStepIndex_, false); }

void SystemTrendView::FitAndSnap() { SnapTemperatureAxis(range_, tempStepIndex_, true); }

bool SystemTrendView::ZoomIn() {
    if (tempStepIndex_ > static_cast<int>(TemperatureSteps.size()) - 2) return false;
    ++tempStepIndex_;
    Snap();
    return true;
}

bool SystemTrendView::ZoomOut() {
    if (tempStepIndex_ <= 0) return false;
    --tempStepIndex_;
    Snap();
    return true;
}

void SystemTrendView::ShowAll(bool anyPoints, std::optional<AxisRange> shownTemperatures) {
    if (!anyPoints) {
        Reset();
        return;
    }
    if (shownTemperatures) range_ = AutoRange(shownTemperatures->Min, shownTemperatures->Max);
    FitAndSnap();
}

std::string SpanText(DateTime first, DateTime last) {
    return "от " + DateTimeText(first) + " до " + DateTimeText(last);
}

std::string MomentText(DateTime t) { return DateTimeText(t); }

std::string SliceModeText(bool archiveLoaded, bool atEnd) {
    if (archiveLoaded) return "Файл.....";
    return atEnd ? "Слежение....." : "Просмотр.....";
}

namespace {
std::string Fixed2(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", value);
    std::string s = text;
    std::replace(s.begin(), s.end(), '.', DecimalMark());
    return s;
}
}  // namespace

std::string ReadoutPositionText(double metres) { return "L " + Fixed2(metres) + " м "; }

SliceReadoutPlace SystemReadoutPlace(int x, int y, int chartWidth) {
    // Both texts start at one x; they turn over one pixel nearer the edge than the length trend's.
    const ReadoutTextPlace p = PlaceReadoutTexts(x, y, chartWidth, {69, 50, 50});
    return {p.FirstX, p.FirstY, p.SecondY};
}

}  // namespace drumo
