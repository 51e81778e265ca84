#pragma once
// Automatic numbering of a cable's sensors in their physical order: while reception runs the
// operator warms the sensors one after another by hand, and each tick looks for the sensor whose
// temperature rose by the detection level above its baseline and gives it the next identification
// code in the correction table. The codes reach the controller only when the table is written.

#include "calibration/CorrectionTable.h"
#include "model/DateTime.h"
#include "model/Store.h"

#include <string>
#include <vector>

namespace drumo {

// The two track bars, position 0 at the top: "disable", then coarse to fine.
inline constexpr int NumberingPositions = 6;
double DetectionLevel(int position);       // °C; 1000 at position 0
double DriftPeriodSeconds(int position);  // 60000 at position 0
const char* DetectionLevelLabel(int position);
const char* DriftPeriodLabel(int position);

enum class NumberingSound { None, Success, Error };
// The tones of a sound: frequency in Hz and duration in ms.
struct Tone {
    int Hz;
    int Ms;
};
std::vector<Tone> NumberingTones(NumberingSound sound);

enum class NumberingColour { Face, Red, Green };

// What one tick shows.
struct NumberingTick {
    bool Ran = false;                  // false: too few samples yet, nothing changes
    NumberingColour Colour = NumberingColour::Face;
    NumberingSound Sound = NumberingSound::None;
    std::string Status;                // the status bar
    bool LevelShown = false;           // the bar and the level texts below were computed
    int Bar = 0;                       // 0..200
    int LabelTop = 0;                  // the rise label's top
    std::string LevelText;             // "0.00__"
    int Best = 0;                      // the sensor (from 1) that rose most; 0: none eligible
    double Marker = 0;                 // its baseline + the level, °C
    int Numbered = 0;                  // the sensor that got its number in this tick
    std::string Caption;               // the large label's new text; empty: unchanged
    bool Stopped = false;              // the run ended in this tick
};

class SensorNumbering {
public:
    SensorNumbering(CorrectionTable& table, const MeasurementStore& store) : table_(table), store_(store) {}

    double Level = 3;            // °C
    double DriftSeconds = 180;

    bool Running() const { return running_; }
    bool Paused() const { return paused_; }
    int Beginning() const { return beg_; }

    // "Start": false when there is nothing to number (archive data, no device, no sensors, fewer
    // than two samples). While running it only ends a pause. On a fresh start every ordinary sensor's
    // "ID Code" becomes "---"; `shown` gets the sensors (from 1) whose lines are to be shown.
    bool Start(DateTime now, std::vector<int>* shown = nullptr);
    // "Pause": toggles while running; true when now paused.
    bool Pause();
    // "Stop", closing the window, the last number given, or no sensor left.
    void Stop();

    // The 1-second tick. `labelTop0` is the rise label's resting top.
    NumberingTick Tick(DateTime now, int labelTop0);

    // The sensors (from 1) whose Status is 0: their lines are shown again after a run.
    std::vector<int> OrdinarySensors() const;

private:
    bool Ordinary(int sensor) const;
    int SensorCount() const;

    CorrectionTable& table_;
    const MeasurementStore& store_;
    bool running_ = false;
    bool paused_ = false;
    int beg_ = 0;
    int next_ = 1;
    std::vector<bool> numbered_;
    DateTime start_ = 0;
};

}  // namespace drumo
