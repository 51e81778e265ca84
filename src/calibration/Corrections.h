#pragma once
// The procedures of the correction window: reading the table from the controller and writing it
// back block by block, the two calculations of the corrections from the running measurements
// against a reference thermometer, a new group, zeroing a column, the controller's sensor search,
// and (through SensorFile.h) the sensor files.

#include "acquisition/DeviceBus.h"
#include "base/Services.h"
#include "calibration/CorrectionTable.h"
#include "calibration/SensorFile.h"
#include "model/Store.h"

#include <functional>
#include <string>
#include <vector>

namespace drumo {

// What the procedures show besides questions and messages.
class CorrectionView {
public:
    virtual ~CorrectionView() = default;
    virtual void Progress(int /*position*/, int /*maximum*/) {}
    virtual void BusyCursor(bool /*busy*/) {}
};

// The time graph's lines of the shown cable (line i, from 1, is sensor i and table row i) and the
// main window's current values, as far as the calculations and the write need them.
class CalibrationLines {
public:
    virtual ~CalibrationLines() = default;
    virtual int LineCount() const = 0;
    virtual size_t PointCount(int line) const = 0;
    // The newest `n` points of a line, newest first; fewer when it has fewer.
    virtual std::vector<double> NewestPoints(int line, size_t n) const = 0;
    // Whether the main table's current value of the line's sensor reads as a number.
    virtual bool CurrentValueReadable(int line) const = 0;
};

// The lines of the selected cable straight from the store: a line's points are its sensor's
// samples that hold a value.
class StoreCalibrationLines final : public CalibrationLines {
public:
    explicit StoreCalibrationLines(const MeasurementStore& store) : store_(store) {}
    int LineCount() const override;
    size_t PointCount(int line) const override;
    std::vector<double> NewestPoints(int line, size_t n) const override;
    bool CurrentValueReadable(int line) const override;

private:
    const MeasurementStore& store_;
};

// "Обновить". True when the calculation buttons may be offered: the read succeeded, found sensors
// and reception runs. Nothing happens while archive data are shown or without a device. The
// table's ReadWhole tells whether the read ended well; a reply cut inside a record fails it.
bool ReadCorrections(DeviceBus& bus, const MeasurementStore& store, CorrectionTable& table, Operator& op,
                     CorrectionView& view);

// "Записать". False when nothing was written completely. Nothing is sent unless every row passed
// CorrectionTable::ForWrite. The pause between blocks goes to `clock`.
bool WriteCorrections(DeviceBus& bus, const MeasurementStore& store, CorrectionTable& table,
                      const CalibrationLines& lines, Operator& op, Clock& clock, CorrectionView& view);

// The mean of the newest points of a row's line that came after the last write (at most 8); `count`
// is how many were taken (0: none, and the mean is 0).
double AverageSinceWrite(const CorrectionTable& table, const CalibrationLines& lines, int row, int& count);

// What a calculation did to its button: disabled it, and the count of its caption "AVG=" + count
// (-1 when no row was averaged).
struct CalculationOutcome {
    bool ButtonDisabled = false;
    int AverageCount = -1;
};

enum class Correction { S30, P100 };
// The "S30" and "P100" buttons: the reference is the text of the reference edit.
CalculationOutcome CalculateCorrections(Correction which, CorrectionTable& table, const std::string& reference,
                                        const CalibrationLines& lines, Operator& op);

// "Новая": true when done (the calculation buttons are then disabled).
bool NewSensorGroup(CorrectionTable& table, Operator& op);
// The pop-up's "Обнулить" on the column of the current cell.
void ZeroCorrectionColumn(CorrectionTable& table, CorrectionColumn column, Operator& op);

// "Поиск": stops reception, then lets the controller search and sort its sensors. Nothing happens
// while archive data are shown or without a device.
bool StartSensorSearch(DeviceBus& bus, const MeasurementStore& store, const std::function<void()>& stopReception,
                       Operator& op);

}  // namespace drumo
