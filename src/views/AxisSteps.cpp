#include "views/AxisSteps.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace drumo {

namespace {

std::vector<double> InDays(std::span<const double> seconds) {
    std::vector<double> days(seconds.size());
    std::transform(seconds.begin(), seconds.end(), days.begin(), [](double s) { return s / 86400.0; });
    return days;
}

}  // namespace

double RoundToStep(double value, double step) { return std::nearbyint(value / step) * step; }

bool SnapAxis(AxisRange& range, int& stepIndex, std::span<const double> steps, int divisions, bool fit) {
    const int last = static_cast<int>(steps.size()) - 1;
    if (fit) {
        const double factor = divisions + 0.001;
        stepIndex = last;
        while (steps[stepIndex] * factor < range.Width()) {
            if (stepIndex == 0) return false;
            --stepIndex;
        }
    }
    stepIndex = std::clamp(stepIndex, 0, last);
    const double step = steps[stepIndex];
    const double centre = RoundToStep((range.Max + range.Min) / 2, step);
    const double half = divisions / 2.0 * step;
    range = {centre - half, centre + half};
    return true;
}

bool SnapTimeAxis(AxisRange& range, int& stepIndex, bool fit) {
    static const std::vector<double> days = InDays(TimeSteps);
    return SnapAxis(range, stepIndex, days, 6, fit);
}

bool SnapTemperatureAxis(AxisRange& range, int& stepIndex, bool fit) {
    return SnapAxis(range, stepIndex, TemperatureSteps, 10, fit);
}

double TimeStepDays(int stepIndex) {
    return TimeSteps[std::clamp(stepIndex, 0, static_cast<int>(TimeSteps.size()) - 1)] / 86400.0;
}

double TemperatureStep(int stepIndex) {
    return TemperatureSteps[std::clamp(stepIndex, 0, static_cast<int>(TemperatureSteps.size()) - 1)];
}

AxisRange AutoRange(double lo, double hi) {
    const double margin = (hi - lo) * 0.025;
    return {lo - margin, hi + margin};
}

}  // namespace drumo
