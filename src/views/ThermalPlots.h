#pragma once
// The thermal plots "Термоплеты": for each temperature of a set of levels (from TBeg to TFin in
// steps of TStep) the places along one cable where that temperature lies, moment by moment, so
// that the isotherms show how zones of equal temperature move along the cable over time.
//
// At every moment each pair of neighbouring sensors is tested for each level: the level lies in
// the pair when it is above the lower and at most the upper temperature, and its place is
// interpolated linearly between the two sensors' positions. A level's points are kept in series
// that break where the isotherm changes its shape: when the number of crossings falls, the level
// continues in fresh series; when its single crossing jumps by more than half the cable, it
// starts a new one; of two crossings the one nearer the level's last place continues the first
// series.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "model/Colors.h"
#include "model/DateTime.h"
#include "model/Series.h"
#include "model/Store.h"
#include "views/AxisSteps.h"

namespace drumo {

// Number of levels from tBeg to tFin in steps of tStep, rounded halves to even.
int PletLevelCount(double tBeg, double tFin, double tStep);
// Temperature of level r, kept to the thousandth so that a level meets a sensor reading of the
// same value exactly (0.1 × 3 is not 0.3 in binary).
double PletLevelTemperature(double tBeg, double tStep, int r);

// "Проредить": >= 1 uses every round(R)-th sample; < 1 puts round(1 ÷ R) moments into each
// interval between two samples (the sample itself and round(1 ÷ R) - 1 interpolated ones).
struct Resampling {
    int Skip = 1;
    int SubSteps = 1;
    bool operator==(const Resampling&) const = default;
};
Resampling ResamplingOf(double r);

struct PletPoint {
    DateTime Time = 0;
    double Position = 0;  // metres or sensor number: label ÷ 100
    bool operator==(const PletPoint&) const = default;
};

struct PletLevel {
    double Temperature = 0;
    std::vector<std::vector<PletPoint>> Series;
    bool HasSeries() const { return !Series.empty(); }
};

struct PletParameters {
    double TBeg = 0;
    double TFin = 0;
    double TStep = 1;
    double Resampling = 1;
};

// One cable's data: its sample times, one value series per sensor, and the sensor labels.
struct PletCable {
    const Series<DateTime>* Times = nullptr;
    std::vector<const Series<Temperature>*> Values;
    std::span<const int16_t> Labels;
};
PletCable PletCableOf(const MeasurementStore& store, size_t d, size_t c);

// Told now and then how far the computation is (the sample it reached, of `total`); returning
// false stops it. It is called after a fixed amount of work, not per sample, so that letting the
// window's events run from it costs nothing measurable.
using PletProgress = std::function<bool(size_t sample, size_t total)>;

struct PletResult {
    bool Stopped = false;
    std::vector<PletLevel> Levels;  // one per level; empty when stopped
};

// Whether the computation can run: at least two samples and two sensors.
bool PletComputable(const PletCable& cable);

// Computes the isotherms. Needs TFin > TBeg, TStep > 0 and a computable cable (else no levels).
// A sensor with no reading (NoValue) at either end of an interval takes no part in it: the pairs
// it belongs to have no crossing there, rather than isotherms at -273 degrees.
PletResult ComputePlets(const PletCable& cable, const PletParameters& p, const PletProgress& progress = {},
                        size_t workPerReport = 1 << 16);

// The colours of the level list: blue at the lowest level with series, through cyan, green and
// yellow to red at the highest.
Color PletColour(double temperature, double lowest, double highest);
// The colour of every level (-1 for a level without series), lowest and highest taken from the
// levels that have series.
std::vector<Color> PletColours(const std::vector<PletLevel>& levels, const PletParameters& p);

// The level "Выделить,°C" highlights: the integer part of (tSel - TBeg) ÷ TStep, or -1 when that
// is no level or a level without series.
int PletHighlightLevel(double tSel, const PletParameters& p, const std::vector<PletLevel>& levels);

// The thermal plots' view: a time axis of 6 steps of TimeSteps and a position axis of 10 steps of
// TemperatureSteps (read as metres or sensor numbers), both snapped to whole steps.
class PletView {
public:
    int TimeStepIndex() const { return timeIndex_; }
    int PositionStepIndex() const { return positionIndex_; }
    AxisRange Time() const { return time_; }
    AxisRange Position() const { return position_; }
    void SetRanges(AxisRange time, AxisRange position) {
        time_ = time;
        position_ = position;
    }

    // Two hours a step, now ± 6 hours rounded to two hours; 10 a step, -50 .. 50.
    void Reset(DateTime now);
    // "Показать всё": the data's extent with the margins of automatic ranging, both axes fitted
    // and snapped; no data resets.
    void ShowAll(std::optional<AxisRange> time, std::optional<AxisRange> position, DateTime now);
    // After a mouse zoom, once its timer ran out: both axes fitted and snapped.
    void AfterMouseZoom();
    // The zoom buttons: finer (in) or coarser (out) steps; false at the end of the table.
    bool ZoomInX();
    bool ZoomOutX();
    bool ZoomInY();
    bool ZoomOutY();

private:
    int timeIndex_ = 13;
    int positionIndex_ = ResetTemperatureStepIndex;
    AxisRange time_;
    AxisRange position_;
};

}  // namespace drumo
