#include "calibration/Corrections.h"

#include "link/LinkStatus.h"
#include "model/Formats.h"

#include <algorithm>
#include <cmath>

namespace drumo {

namespace {

constexpr int CommandReadBlock = 16;   // 16..19
constexpr int CommandWriteBlock = 84;  // 84..87
constexpr int CommandMode = 73;
constexpr uint8_t ModeSensorSearch = 4;
constexpr int PauseBetweenBlocksMs = 600;
constexpr size_t AveragedPoints = 8;

constexpr const char* RangeError = "Диапазон датчиков задан неверно!\r\n";

bool DeviceAvailable(const MeasurementStore& store) { return !store.ArchiveLoaded() && store.DeviceCount() != 0; }

// Clears the busy cursor and the progress bar whichever way a procedure ends.
struct Busy {
    explicit Busy(CorrectionView& v) : view(v) { view.BusyCursor(true); }
    ~Busy() {
        view.Progress(0, maximum);
        view.BusyCursor(false);
    }
    CorrectionView& view;
    int maximum = 0;
};

}  // namespace

// --- Lines from the store ---------------------------------------------------------------------

int StoreCalibrationLines::LineCount() const {
    return store_.SelectionValid() ? static_cast<int>(store_.Sensors(store_.SelDevice(), store_.SelCable())) : 0;
}

size_t StoreCalibrationLines::PointCount(int line) const {
    if (line < 1 || line > LineCount()) return 0;
    const auto& series = store_.Samples(store_.SelDevice(), store_.SelCable(), static_cast<size_t>(line - 1));
    return static_cast<size_t>(std::count_if(series.begin(), series.end(), [](Temperature v) { return v != NoValue; }));
}

std::vector<double> StoreCalibrationLines::NewestPoints(int line, size_t n) const {
    std::vector<double> points;
    if (line < 1 || line > LineCount()) return points;
    const auto& series = store_.Samples(store_.SelDevice(), store_.SelCable(), static_cast<size_t>(line - 1));
    for (size_t k = series.size(); k > 0 && points.size() < n; --k)
        if (series[k - 1] != NoValue) points.push_back(series[k - 1] / 100.0);
    return points;
}

bool StoreCalibrationLines::CurrentValueReadable(int line) const {
    if (line < 1 || line > LineCount()) return false;
    const auto& series = store_.Samples(store_.SelDevice(), store_.SelCable(), static_cast<size_t>(line - 1));
    return !series.empty() && series.back() != NoValue;
}

// --- Read and write ---------------------------------------------------------------------------

bool ReadCorrections(DeviceBus& bus, const MeasurementStore& store, CorrectionTable& table, Operator& op,
                     CorrectionView& view) {
    if (!DeviceAvailable(store)) return false;
    Busy busy(view);
    busy.maximum = CorrectionBlocks;
    view.Progress(0, CorrectionBlocks);
    table.Clear();
    table.SensorCount = 0;
    table.ReadWhole = false;
    const char mark = DecimalMark();
    for (int b = 0; b < CorrectionBlocks; ++b) {
        view.Progress(b + 1, CorrectionBlocks);
        uint8_t data[kCommandBufferSize] = {};
        uint16_t length = 0;
        if (!bus.DeviceCommand(CommandReadBlock + b, data, length)) {
            op.Error(bus.LinkStatusMessage());
            table.Clear();
            return false;
        }
        // A reply that ends inside a record, or holds more than a block, was cut or garbled on
        // the way: its sensors are unknown, and so is the count a write would rely on.
        if (length % 6 != 0 || length > CorrectionBlockSize * 6) {
            op.Error(LinkStatusMessage(lsLengthMismatch));
            table.Clear();
            return false;
        }
        const int n = length / 6;
        if (n == 0) break;
        for (int j = 1; j <= n; ++j)
            table.SetRecord(b * CorrectionBlockSize + j, SensorRecord::FromBytes(data + (j - 1) * 6), mark);
        table.SensorCount += n;
        if (n < CorrectionBlockSize) break;
    }
    table.ReadWhole = true;
    return table.SensorCount > 0 && store.Receiving();
}

bool WriteCorrections(DeviceBus& bus, const MeasurementStore& store, CorrectionTable& table,
                      const CalibrationLines& lines, Operator& op, Clock& clock, CorrectionView& view) {
    if (!DeviceAvailable(store)) return false;
    const int sensors = table.SensorCount;
    const int blocks = (sensors + CorrectionBlockSize - 1) / CorrectionBlockSize;
    view.Progress(0, blocks);
    // Every row is converted and checked before the first block goes out: a table refused half
    // way would leave the controller with some sensors new and some old.
    TableRefusal refusal;
    const auto records = table.ForWrite(DecimalMark(), refusal);
    if (!records) {
        if (refusal.Warning)
            op.Warning(refusal.Text);
        else
            op.Error(refusal.Text);
        return false;
    }

    Busy busy(view);
    busy.maximum = blocks;
    bool complete = true;
    int written = 0;
    for (int b = 0; b < CorrectionBlocks; ++b) {
        const std::vector<uint8_t> bytes = records->Block(b);
        if (bytes.empty()) break;
        view.Progress(b + 1, blocks);
        uint8_t data[kCommandBufferSize] = {};
        std::copy(bytes.begin(), bytes.end(), data);
        uint16_t length = static_cast<uint16_t>(bytes.size());
        if (!bus.DeviceCommand(CommandWriteBlock + b, data, length)) {
            std::string text = bus.LinkStatusMessage();
            if (written > 0)  // the blocks before stay written: say which sensors have the new values
                text += "\r\nЗаписаны датчики 1-" + std::to_string(written) + " из " + std::to_string(sensors);
            op.Error(text);
            complete = false;
            break;
        }
        written += static_cast<int>(bytes.size() / 6);
        if (b < CorrectionBlocks - 1) clock.SleepMs(PauseBetweenBlocksMs);
        if (bytes.size() < CorrectionBlockSize * 6u) break;
    }
    // The samples measured before this write carry the old corrections: the calculations count
    // only the points that come after it.
    const int count = std::min(lines.LineCount(), SnapshotLines);
    for (int i = 1; i <= count; ++i) table.Snapshot[i] = lines.PointCount(i);
    return complete;
}

// --- Calculations -----------------------------------------------------------------------------

double AverageSinceWrite(const CorrectionTable& table, const CalibrationLines& lines, int row, int& count) {
    count = 0;
    const size_t points = lines.PointCount(row);
    const size_t snapshot = row >= 1 && row <= SnapshotLines ? table.Snapshot[row] : 0;
    // Points are counted from 0; only those after the snapshot's index are new.
    if (points == 0 || points - 1 <= snapshot) return 0;
    const size_t fresh = std::min(AveragedPoints, points - 1 - snapshot);
    const auto values = lines.NewestPoints(row, fresh);
    if (values.empty()) return 0;
    double sum = 0;
    for (double v : values) sum += v;
    count = static_cast<int>(values.size());
    return sum / count;
}

CalculationOutcome CalculateCorrections(Correction which, CorrectionTable& table, const std::string& reference,
                                        const CalibrationLines& lines, Operator& op) {
    CalculationOutcome outcome;
    if (!table.RangeValid()) {
        op.Error(std::string(RangeError) + "Расчет отменен");
        return outcome;
    }
    outcome.ButtonDisabled = true;
    const char mark = DecimalMark();
    double ref = 0;
    if (!TryParseNumber(reference, ref, mark)) {
        op.Error(NotANumberText(reference));
        return outcome;
    }
    const CorrectionColumn column = which == Correction::S30 ? CorrectionColumn::S30 : CorrectionColumn::P100;
    std::string list;
    for (int r = table.D1; r <= table.D2; ++r) {
        double status = 0;
        if (!table.Number(r, CorrectionColumn::Status, mark, status)) {
            op.Error(NotANumberText(table.Cell(r, CorrectionColumn::Status)));
            return outcome;
        }
        if (status != 0 || r > lines.LineCount()) {
            table.SetCell(r, CorrectionColumn::S30, "0");
            continue;
        }
        const std::string number = std::to_string(r);
        if (!lines.CurrentValueReadable(r) &&
            !op.Ask("В сети неисправный датчик! ( №" + number + " )\r\nПродолжить?"))
            return outcome;
        int k = 0;
        const double avg = AverageSinceWrite(table, lines, r, k);
        if (k == 0) {
            if (!op.Ask("Не обновлены результаты измерений! ( №" + number + " )\r\nПродолжить?")) return outcome;
            continue;
        }
        outcome.AverageCount = k;
        double old = 0;
        if (!table.Number(r, column, mark, old)) {
            op.Error(NotANumberText(table.Cell(r, column)));
            return outcome;
        }
        if (which == Correction::S30) {
            double value = ref - avg + old;
            if (value > 0.4375 || value < -0.5) {
                value = std::clamp(value, -0.5, 0.4375);
                list += " №" + number;
            }
            table.SetCell(r, column, NumberText(value, mark));
        } else {
            const double d = avg - 35;
            if (d == 0) {
                // The correction term vanishes at 35 °C: no coefficient can be derived from this
                // sensor, so the row keeps its value and is listed.
                list += " №" + number;
                continue;
            }
            const double k0 = old * -10;
            const double corr = d * d * k0 / 56250;
            double value = (ref - avg - corr) * 56250 / (d * d);
            if (value > 0 || value < -15) {
                value = std::clamp(value, -15.0, 0.0);
                list += " №" + number;
            }
            table.SetCell(r, column, NumberText(value / 10, mark));
        }
    }
    if (!list.empty()) op.Warning("Значения поправок превысили допустимые пределы!\r\n" + list);
    return outcome;
}

bool NewSensorGroup(CorrectionTable& table, Operator& op) {
    if (!table.RangeValid()) {
        op.Error(std::string(RangeError) + "Расчет отменен");
        return false;
    }
    for (int r = table.D1; r <= table.D2; ++r) {
        table.SetCell(r, CorrectionColumn::Id, std::to_string(r));
        table.SetCell(r, CorrectionColumn::S30, "0");
        table.SetCell(r, CorrectionColumn::P100, "0");
        table.SetCell(r, CorrectionColumn::Status, "0");
    }
    return true;
}

void ZeroCorrectionColumn(CorrectionTable& table, CorrectionColumn column, Operator& op) {
    if (column == CorrectionColumn::Number) return;
    if (column == CorrectionColumn::Id && !op.AskDanger("Стереть все идентификационные коды датчиков?")) return;
    if (!table.RangeValid()) {
        op.Error(std::string(RangeError) + "Действие отменено");
        return;
    }
    for (int r = table.D1; r <= table.D2; ++r) table.SetCell(r, column, "0");
}

bool StartSensorSearch(DeviceBus& bus, const MeasurementStore& store, const std::function<void()>& stopReception,
                       Operator& op) {
    if (!DeviceAvailable(store)) return false;
    if (stopReception) stopReception();
    uint8_t data[kCommandBufferSize] = {ModeSensorSearch};
    uint16_t length = 1;
    if (!bus.DeviceCommand(CommandMode, data, length)) {
        op.Error(bus.LinkStatusMessage());
        return false;
    }
    return true;
}

}  // namespace drumo
