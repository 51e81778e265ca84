#include "views/ThermalPlots.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace drumo {

int PletLevelCount(double tBeg, double tFin, double tStep) {
    if (!(tStep > 0)) return 0;
    return static_cast<int>(std::nearbyint((tFin - tBeg) / tStep + 1));
}

double PletLevelTemperature(double tBeg, double tStep, int r) {
    return std::nearbyint((tBeg + r * tStep) * 1000.0) / 1000.0;
}

Resampling ResamplingOf(double r) {
    if (r >= 1) return {std::max(1, static_cast<int>(std::nearbyint(r))), 1};
    if (!(r > 0)) return {1, 1};
    return {1, std::max(1, static_cast<int>(std::nearbyint(1 / r)))};
}

PletCable PletCableOf(const MeasurementStore& store, size_t d, size_t c) {
    PletCable cable;
    cable.Times = &store.SampleTimes(d, c);
    for (size_t s = 0; s < store.Sensors(d, c); ++s) cable.Values.push_back(&store.Samples(d, c, s));
    cable.Labels = store.SensorLabels(d, c);
    return cable;
}

bool PletComputable(const PletCable& cable) {
    return cable.Times && cable.Times->size() > 1 && cable.Values.size() > 1 &&
           cable.Labels.size() >= cable.Values.size();
}

namespace {

// What one level remembers from one moment to the next.
struct LevelState {
    size_t Base = 0;   // index of the series its first crossing goes to
    size_t Prev = 0;   // crossings at the previous moment
    double Last = -1;  // place of its first crossing at the last moment that had one (hundredths)
};

class PletComputation {
public:
    PletComputation(const PletCable& cable, const PletParameters& p)
        : cable_(cable), n_(cable.Values.size()), levelCount_(PletLevelCount(p.TBeg, p.TFin, p.TStep)),
          tBeg_(p.TBeg), tStep_(p.TStep), temps_(n_), valid_(n_), levels_(levelCount_),
          states_(levelCount_), counts_(levelCount_), crossings_(levelCount_ * n_) {
        for (int r = 0; r < levelCount_; ++r) levels_[r].Temperature = PletLevelTemperature(tBeg_, tStep_, r);
        halfCable_ = std::abs(double(cable.Labels[0]) - double(cable.Labels[n_ - 1])) / 2;
    }

    // The moment j of `subSteps` between samples s and s + 1.
    void Moment(size_t s, int j, int subSteps) {
        const auto& times = *cable_.Times;
        const DateTime t = times[s] + (times[s + 1] - times[s]) / subSteps * j;
        for (size_t k = 0; k < n_; ++k) {
            const Temperature v0 = (*cable_.Values[k])[s];
            const Temperature v1 = (*cable_.Values[k])[s + 1];
            valid_[k] = v0 != NoValue && v1 != NoValue;
            temps_[k] = (double(j) * (v1 - v0) / subSteps + v0) / 100;
        }
        FindCrossings();
        for (int r = 0; r < levelCount_; ++r) Follow(r, t);
    }

    std::vector<PletLevel> TakeLevels() { return std::move(levels_); }
    size_t WorkPerMoment() const { return n_ + static_cast<size_t>(levelCount_); }

private:
    // Every level's crossings at this moment, in pair order. For each pair only the levels between
    // its two temperatures are visited: above the lower, at most the upper.
    void FindCrossings() {
        std::fill(counts_.begin(), counts_.end(), 0);
        for (size_t k = 0; k + 1 < n_; ++k) {
            if (!valid_[k] || !valid_[k + 1]) continue;
            const double a = temps_[k], b = temps_[k + 1];
            const double lo = std::min(a, b), hi = std::max(a, b);
            if (lo == hi) continue;
            const double first = std::clamp((lo - tBeg_) / tStep_, 0.0, double(levelCount_ - 1));
            int r = static_cast<int>(first);
            while (r > 0 && levels_[r - 1].Temperature > lo) --r;
            while (r < levelCount_ && levels_[r].Temperature <= lo) ++r;
            const double l0 = cable_.Labels[k], l1 = cable_.Labels[k + 1];
            for (; r < levelCount_ && levels_[r].Temperature <= hi; ++r) {
                const double f = (levels_[r].Temperature - a) / (b - a);
                crossings_[r * n_ + counts_[r]++] = (l1 - l0) * f + l0;
            }
        }
    }

    void Follow(int r, DateTime t) {
        LevelState& st = states_[r];
        double* c = &crossings_[r * n_];
        const size_t g = counts_[r];
        if (g < st.Prev) st.Base += st.Prev;  // fewer crossings: the level goes on in fresh series
        if (g >= 2 && std::abs(c[0] - st.Last) > std::abs(c[1] - st.Last)) {
            std::swap(c[0], c[1]);  // the nearer crossing continues the first series
        } else if (g == 1 && st.Prev == 1 && std::abs(c[0] - st.Last) > halfCable_) {
            ++st.Base;  // a jump of more than half the cable
        }
        auto& series = levels_[r].Series;
        if (series.size() < st.Base + g) series.resize(st.Base + g);
        for (size_t m = 0; m < g; ++m) series[st.Base + m].push_back({t, c[m] / 100});
        st.Prev = g;
        if (g > 0) st.Last = c[0];
    }

    const PletCable& cable_;
    const size_t n_;
    const int levelCount_;
    const double tBeg_, tStep_;
    double halfCable_ = 0;
    std::vector<double> temps_;
    std::vector<char> valid_;
    std::vector<PletLevel> levels_;
    std::vector<LevelState> states_;
    std::vector<size_t> counts_;
    std::vector<double> crossings_;
};

}  // namespace

PletResult ComputePlets(const PletCable& cable, const PletParameters& p, const PletProgress& progress,
                        size_t workPerReport) {
    PletResult result;
    if (!PletComputable(cable) || !(p.TFin > p.TBeg) || !(p.TStep > 0)) return result;
    PletComputation computation(cable, p);
    const Resampling steps = ResamplingOf(p.Resampling);
    const size_t last = cable.Times->size() - 1;
    const size_t workPerSample = computation.WorkPerMoment() * static_cast<size_t>(steps.SubSteps);
    size_t work = 0;
    for (size_t s = 0; s < last; s += static_cast<size_t>(steps.Skip)) {
        work += workPerSample;
        if (work >= workPerReport) {
            work = 0;
            if (progress && !progress(s, last)) {
                result.Stopped = true;
                return result;
            }
        }
        for (int j = 0; j < steps.SubSteps; ++j) computation.Moment(s, j, steps.SubSteps);
    }
    if (progress && !progress(last, last)) {
        result.Stopped = true;
        return result;
    }
    result.Levels = computation.TakeLevels();
    return result;
}

Color PletColour(double temperature, double lowest, double highest) {
    const double e = (highest - lowest) / 4;
    const double f = temperature - lowest;
    auto part = [](double x) { return static_cast<uint8_t>(std::clamp(std::nearbyint(255 * x), 0.0, 255.0)); };
    if (!(e > 0) || f <= e) return RgbColor(0, e > 0 ? part(f / e) : 0, 255);
    if (f <= 2 * e) return RgbColor(0, 255, part(1 - (f - e) / e));
    if (f <= 3 * e) return RgbColor(part((f - 2 * e) / e), 255, 0);
    return RgbColor(255, part(1 - (f - 3 * e) / e), 0);
}

std::vector<Color> PletColours(const std::vector<PletLevel>& levels, const PletParameters& p) {
    double lowest = p.TFin, highest = p.TBeg;
    const auto first = std::find_if(levels.begin(), levels.end(), [](const auto& l) { return l.HasSeries(); });
    const auto last = std::find_if(levels.rbegin(), levels.rend(), [](const auto& l) { return l.HasSeries(); });
    if (first != levels.end()) {
        lowest = first->Temperature;
        highest = last->Temperature;
    }
    if (highest - lowest < 0.1) {
        lowest = p.TBeg;
        highest = p.TFin;
    }
    std::vector<Color> colours;
    for (const auto& level : levels)
        colours.push_back(level.HasSeries() ? PletColour(level.Temperature, lowest, highest) : -1);
    return colours;
}

int PletHighlightLevel(double tSel, const PletParameters& p, const std::vector<PletLevel>& levels) {
    if (!(p.TStep > 0)) return -1;
    const double index = std::trunc((tSel - p.TBeg) / p.TStep);
    if (index < 0 || index >= static_cast<double>(levels.size())) return -1;
    const int r = static_cast<int>(index);
    return levels[r].HasSeries() ? r : -1;
}

void PletView::Reset(DateTime now) {
    timeIndex_ = 13;
    positionIndex_ = ResetTemperatureStepIndex;
    time_ = {now - 1, now + 1};
    position_ = {-1, 1};
    SnapTimeAxis(time_, timeIndex_, false);
    SnapTemperatureAxis(position_, positionIndex_, false);
}

void PletView::ShowAll(std::optional<AxisRange> time, std::optional<AxisRange> position, DateTime now) {
    if (!time && !position) {
        Reset(now);
        return;
    }
    if (time) time_ = AutoRange(time->Min, time->Max);
    if (position) position_ = AutoRange(position->Min, position->Max);
    AfterMouseZoom();
}

void PletView::AfterMouseZoom() {
    SnapTimeAxis(time_, timeIndex_, true);
    SnapTemperatureAxis(position_, positionIndex_, true);
}

bool PletView::ZoomInX() {
    if (timeIndex_ >= static_cast<int>(TimeSteps.size()) - 1) return false;
    ++timeIndex_;
    SnapTimeAxis(time_, timeIndex_, false);
    return true;
}

bool PletView::ZoomOutX() {
    if (timeIndex_ <= 0) return false;
    --timeIndex_;
    SnapTimeAxis(time_, timeIndex_, false);
    return true;
}

bool PletView::ZoomInY() {
    if (positionIndex_ >= static_cast<int>(TemperatureSteps.size()) - 1) return false;
    ++positionIndex_;
    SnapTemperatureAxis(position_, positionIndex_, false);
    return true;
}

bool PletView::ZoomOutY() {
    if (positionIndex_ <= 0) return false;
    --positionIndex_;
    SnapTemperatureAxis(position_, positionIndex_, false);
    return true;
}

}  // namespace drumo
