#pragma once
// The grid steps of the graph windows and the rule that snaps an axis to whole steps. A snapped
// time axis is 6 steps wide, a snapped temperature axis 10 steps, both centred on their middle
// rounded to a whole step. The time graph, the thermal plots, the length trend and the system
// trend share these tables.

#include <array>
#include <span>

#include "model/DateTime.h"

namespace drumo {

// Seconds per grid division, coarsest first: two years of 365.25 days down to one second.
inline constexpr std::array<double, 27> TimeSteps = {
    63115200, 31557600, 15778800, 7889400, 5259600, 2592000, 864000, 432000, 172800,
    86400,    43200,    21600,    10800,   7200,    3600,    1800,   1200,   600,
    300,      120,      60,       30,      20,      10,      5,       2,      1};
// Degrees per grid division, coarsest first.
inline constexpr std::array<double, 12> TemperatureSteps = {50, 20, 10, 5, 2, 1, 0.5, 0.2, 0.1, 0.05, 0.02, 0.01};

// The step index a view gets after a reset.
inline constexpr int ResetTimeStepIndex = 22;         // 20 s
inline constexpr int ResetTemperatureStepIndex = 2;   // 10 degrees

struct AxisRange {
    double Min = 0;
    double Max = 0;
    double Width() const { return Max - Min; }
    bool operator==(const AxisRange&) const = default;
};

// Snaps `range` to whole steps of `steps` (in axis units). With `fit` the finest step whose
// `divisions` + 0.001 widths still cover the range is chosen first, searching from the finest; when
// even the coarsest does not cover it, the index is left at 0 and the range as it was (false).
// The result is [c - divisions/2 steps, c + divisions/2 steps] around the middle rounded to a
// whole step (halves to even).
bool SnapAxis(AxisRange& range, int& stepIndex, std::span<const double> steps, int divisions, bool fit);

// The same for the two tables: the time axis holds DateTime values (days), 6 divisions; the
// temperature axis degrees, 10 divisions.
bool SnapTimeAxis(AxisRange& range, int& stepIndex, bool fit);
bool SnapTemperatureAxis(AxisRange& range, int& stepIndex, bool fit);

// The current steps in axis units (days for time).
double TimeStepDays(int stepIndex);
double TemperatureStep(int stepIndex);

// Rounds to the nearest multiple of `step`, halves to even.
double RoundToStep(double value, double step);

// The range automatic ranging gives to data from `lo` to `hi`: 2.5 % of the width added at each
// side. Data of no width keep their single value at both ends.
AxisRange AutoRange(double lo, double hi);

}  // namespace drumo
