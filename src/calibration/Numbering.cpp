#include "calibration/Numbering.h"

#include "model/Formats.h"

#include <algorithm>
#include <cmath>

namespace drumo {

namespace {

constexpr double Levels[NumberingPositions] = {1000, 10, 5, 3, 2, 1};
constexpr double Drifts[NumberingPositions] = {60000, 600, 300, 180, 120, 60};
constexpr const char* LevelLabels[NumberingPositions] = {"disable", "10 °C", "5 °C", "3 °C", "2 °C", "1 °C"};
constexpr const char* DriftLabels[NumberingPositions] = {"disable", "10 min", "5 min", "3 min", "2 min", "1 min"};

int Clamp(int position) { return std::clamp(position, 0, NumberingPositions - 1); }

}  // namespace

double DetectionLevel(int position) { return Levels[Clamp(position)]; }
double DriftPeriodSeconds(int position) { return Drifts[Clamp(position)]; }
const char* DetectionLevelLabel(int position) { return LevelLabels[Clamp(position)]; }
const char* DriftPeriodLabel(int position) { return DriftLabels[Clamp(position)]; }

std::vector<Tone> NumberingTones(NumberingSound sound) {
    switch (sound) {
    case NumberingSound::Success: return {{500, 50}, {1000, 50}, {2000, 50}, {3000, 50}, {4000, 50}, {5000, 50}};
    case NumberingSound::Error: return {{100, 150}, {50, 150}};
    case NumberingSound::None: break;
    }
    return {};
}

int SensorNumbering::SensorCount() const {
    return store_.SelectionValid() ? static_cast<int>(store_.Sensors(store_.SelDevice(), store_.SelCable())) : 0;
}

// A sensor is numbered only when the table says it is an ordinary one; a Status that is empty or no
// whole number (the table was not read) leaves the sensor alone.
bool SensorNumbering::Ordinary(int sensor) const {
    int status = -1;
    return TryParseInt(table_.Cell(sensor, CorrectionColumn::Status), status) && status == 0;
}

std::vector<int> SensorNumbering::OrdinarySensors() const {
    std::vector<int> sensors;
    for (int i = 1; i <= SensorCount(); ++i)
        if (Ordinary(i)) sensors.push_back(i);
    return sensors;
}

bool SensorNumbering::Start(DateTime now, std::vector<int>* shown) {
    if (store_.ArchiveLoaded() || store_.DeviceCount() == 0 || SensorCount() == 0) return false;
    const size_t samples = store_.SampleCount(store_.SelDevice(), store_.SelCable());
    if (samples <= 1) return false;
    paused_ = false;
    if (running_) return true;
    running_ = true;
    numbered_.assign(static_cast<size_t>(SensorCount()) + 1, false);
    for (int i : OrdinarySensors()) {
        table_.SetCell(i, CorrectionColumn::Id, "---");
        if (shown) shown->push_back(i);
    }
    beg_ = static_cast<int>(samples);
    next_ = 1;
    start_ = now;
    return true;
}

bool SensorNumbering::Pause() {
    if (!running_) return false;
    paused_ = !paused_;
    return paused_;
}

void SensorNumbering::Stop() {
    running_ = false;
    paused_ = false;
    next_ = 1;
}

NumberingTick SensorNumbering::Tick(DateTime now, int labelTop0) {
    NumberingTick tick;
    const size_t d = store_.SelDevice(), c = store_.SelCable();
    const int sensors = SensorCount();
    const int count = sensors > 0 ? static_cast<int>(store_.SampleCount(d, c)) : 0;
    if (!running_ || sensors == 0 || count <= 1 || beg_ >= count) return tick;
    tick.Ran = true;

    // Samples are counted from 1: the tick works on sample count - 1, the one before the newest,
    // and the baseline is sample beg - 1.
    const auto& times = store_.SampleTimes(d, c);
    const auto age = [&] { return times[static_cast<size_t>(count - 2)] - times[static_cast<size_t>(beg_ - 2)]; };
    if (age() > DriftSeconds / 86400.0 && beg_ < count - 1) ++beg_;
    tick.Status = "Beg=" + std::to_string(beg_) + " Cur=" + std::to_string(count) + " Drift=" + TimeText(age()) +
                  " Work=" + TimeText(now - start_);

    double max = -1000;
    int best = 0;
    double bestBase = 0;
    for (int i = 1; i <= sensors; ++i) {
        if (!Ordinary(i) || numbered_[static_cast<size_t>(i)]) continue;
        const auto& series = store_.Samples(d, c, static_cast<size_t>(i - 1));
        const Temperature cur = series[static_cast<size_t>(count - 2)];
        const Temperature base = series[static_cast<size_t>(beg_ - 2)];
        if (cur == NoValue || base == NoValue) {
            tick.Colour = NumberingColour::Red;
            tick.Sound = NumberingSound::Error;
            if (cur != NoValue && beg_ < count - 1) ++beg_;
            return tick;
        }
        const double rise = (cur - base) / 100.0;
        if (rise > max) {
            max = rise;
            best = i;
            bestBase = base / 100.0;
        }
    }

    tick.LevelShown = true;
    if (max > 0) {
        tick.Bar = static_cast<int>(std::nearbyint(200 * 0.666 * max / Level));
        tick.LabelTop = std::max(0, static_cast<int>(std::nearbyint(labelTop0 - max / Level * labelTop0 * 0.666)));
    } else {
        tick.LabelTop = labelTop0;
    }
    tick.LevelText = NumberText(std::trunc(max * 100) / 100) + "__";

    if (best == 0) {
        if (!paused_) {
            Stop();
            tick.Stopped = true;
        }
        return tick;
    }
    tick.Best = best;
    tick.Marker = bestBase + Level;
    if (paused_) return tick;
    if (max >= Level) {
        tick.Colour = NumberingColour::Green;
        tick.Sound = NumberingSound::Success;
        table_.SetCell(best, CorrectionColumn::Id, std::to_string(next_));
        numbered_[static_cast<size_t>(best)] = true;
        tick.Numbered = best;
        ++next_;
    }
    tick.Caption = std::to_string(next_) + " / " + std::to_string(sensors);
    if (next_ > sensors) {
        Stop();
        tick.Stopped = true;
    }
    return tick;
}

}  // namespace drumo
