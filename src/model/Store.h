#pragma once
// The measurement store: the one program-wide model of the devices, their cables and sensors, and
// the measured series. Discovery and the archive readers build the configuration with
// SetDeviceCount, SetCableCount and SetSensorCount and count it with CountDevice and CountCables;
// the polling pass, the sensor stream and the archive readers add data with AppendSample (and, for
// the stream, OpenSample and SetValue); views, writers and exports read it. Its totals, selection
// and flags are read through accessors and changed only through the operations below.
//
// The store keeps these true after every operation:
//   - every device has as many cable serials, kinds, label lists, time series and sample lists as
//     it has cables; every cable has as many labels as sensor series;
//   - every sensor series of a cable has exactly as many values as the cable has sample times;
//   - ValidValues is the number of stored values other than NoValue;
//   - FirstSampleTime <= every sample time <= LastSampleTime (1000000 and 0 when there is none).
// The lists can be read freely; their lengths change only through the operations below.
//
// Indices out of range never fail: readers get empty lists and writers change nothing, so a
// selection that points past the lists (after ReleaseAll, for a device without cables) shows
// nothing.

#include "base/Services.h"
#include "model/DateTime.h"
#include "model/StationEvents.h"
#include "model/Series.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace drumo {

// Temperatures are hundredths of a degree Celsius; NoValue (0x955C, -273.00) is a missing reading.
using Temperature = int16_t;
inline constexpr Temperature NoValue = -27300;

inline constexpr DateTime NoFirstSampleTime = 1000000.0;
inline constexpr DateTime NoLastSampleTime = 0.0;

// One device.
struct TDevSig {
    int16_t DevType = 0;        // type code (catalogue)
    uint8_t Interface = 0;      // interface code (catalogue)
    std::string TypeName;       // model name
    uint16_t Picture = 0;       // picture number
    uint16_t Address = 0;       // Modbus address 1..255; 255 for the command protocol
    uint16_t Serial = 0;
    uint16_t Year = 0;          // year of manufacture, 0 when unknown
    uint16_t MaxSensors = 0;
    double AuxValue = 0;        // Modbus register 12 / 100; shown nowhere
    uint16_t Sensors = 0;       // sensors of all cables together
    uint8_t Cables = 0;
    std::string Firmware;       // "2.3", "n/a"
    std::string Comment;        // UTF-8 inside the program
    std::string Source;         // port name, or the archive file's full path
    uint16_t Caps = 0;          // capability flags
    std::string SettingsModule;
    std::string SerialModule;
    std::string FirmwareModule;
};

// Copies the model's name, picture, capabilities and dialog names of catalogue position `pos`
// (0..8; other values give position 0) into a device record.
void ApplyDeviceType(TDevSig& dev, int pos);

// What the store asks of the station before it drops samples or devices.
class StoreGuard {
public:
    virtual ~StoreGuard() = default;
    // True (a device search is running) makes ClearResults do nothing at all.
    virtual bool SearchRunning() const { return false; }
    // The devices are about to be released while reception runs: stop it as the operator's stop
    // command does. The selection still names the device that must be told.
    virtual void StopReception() {}
};

// The number of values other than NoValue.
uint32_t CountValid(std::span<const Temperature> values);

class MeasurementStore {
public:
    MeasurementStore(Operator& op, EventLog& log) : operator_(op), log_(log) {}
    MeasurementStore(const MeasurementStore&) = delete;
    MeasurementStore& operator=(const MeasurementStore&) = delete;

    // --- Events. The store's own (samples, selection, cleared, emptied) and every other part's of
    // the station go to the same subscribers.
    StationEventHub& Events() { return events_; }
    // The station's answers to the store's questions; null asks nobody.
    void SetGuard(StoreGuard* guard) { guard_ = guard; }
    // Whoever changes the selection's content without moving it tells the subscribers with this;
    // the selection's counts (SelSensors, SelSamples, ShownValues) are counted anew first, unless a
    // search is running.
    void AnnounceSelection();
    // Whoever completes the newest sample of cable (d, c) tells with this; when it is the selected
    // cable, SelSamples and ShownValues count it first.
    void AnnounceSample(size_t d, size_t c);

    // --- Totals of the configuration, counted by the search and the archive readers as they build
    // it. DeviceCount is the number of devices counted as present: 0 after a device was switched
    // off, while the lists keep it.
    uint16_t DeviceCount() const { return deviceCount_; }
    uint16_t CableCount() const { return cableCount_; }
    uint32_t SensorCount() const { return sensorCount_; }
    // One more device is present (the count stops at 65535).
    void CountDevice();
    // Cables and their sensors were added (the cable count stops at 65535).
    void CountCables(size_t cables, size_t sensors);
    // The cable and sensor totals become these: the configuration read from the one device of a
    // command-protocol search replaced what its identification announced.
    void ReplaceCableCounts(uint16_t cables, uint32_t sensors);
    // A device was switched off: no device counts as present until the next search; the lists
    // and their data stay.
    void DeviceSwitchedOff() { deviceCount_ = 0; }

    // --- The selection: the device and cable the main window shows, and the counts of what the
    // views show of it, which the store keeps itself.
    uint16_t SelDevice() const { return selDevice_; }
    uint16_t SelCable() const { return selCable_; }
    uint8_t SelSensors() const { return selSensors_; }
    uint32_t SelSamples() const { return selSamples_; }
    // Values other than NoValue of the selected cable's shown samples.
    uint32_t ShownValues() const { return shownValues_; }
    // Makes cable c of device d the selection (it may point past the lists) and announces it as
    // AnnounceSelection does.
    void Select(uint16_t d, uint16_t c);

    // --- Flags.
    // Reception runs. Reception alone says when it starts and stops; ReleaseAll stops it.
    bool Receiving() const { return receiving_; }
    void SetReceiving(bool running) { receiving_ = running; }
    // The content came from archive files; until ReleaseAll.
    bool ArchiveLoaded() const { return archiveLoaded_; }
    void MarkArchiveLoaded() { archiveLoaded_ = true; }
    // The graph windows show a notebook's records rather than the store's series.
    bool NotebookOnGraphs() const { return notebookOnGraphs_; }
    void SetNotebookOnGraphs(bool shown) { notebookOnGraphs_ = shown; }

    // --- Counters the store keeps itself.
    uint32_t ValidValues() const { return validValues_; }
    DateTime FirstSampleTime() const { return firstSampleTime_; }
    DateTime LastSampleTime() const { return lastSampleTime_; }

    // --- Shape of the lists.
    size_t Devices() const { return devSigs_.size(); }
    size_t Cables(size_t d) const;
    size_t Sensors(size_t d, size_t c) const;
    size_t SampleCount(size_t d, size_t c) const;
    bool HasDevice(size_t d) const { return d < devSigs_.size(); }
    bool HasCable(size_t d, size_t c) const { return c < Cables(d); }
    // The selection names an existing cable.
    bool SelectionValid() const { return HasCable(selDevice_, selCable_); }

    // --- The lists. Elements may be changed in place; lengths only through the operations.
    const std::vector<TDevSig>& DevSigs() const { return devSigs_; }
    // d must exist (std::out_of_range otherwise: a programming error).
    TDevSig& DevSig(size_t d) { return devSigs_.at(d); }
    const TDevSig& DevSig(size_t d) const { return devSigs_.at(d); }
    std::span<int16_t> CableSerials(size_t d);
    std::span<const int16_t> CableSerials(size_t d) const;
    std::span<uint8_t> CableKinds(size_t d);
    std::span<const uint8_t> CableKinds(size_t d) const;
    std::span<int16_t> SensorLabels(size_t d, size_t c);
    std::span<const int16_t> SensorLabels(size_t d, size_t c) const;
    const Series<DateTime>& SampleTimes(size_t d, size_t c) const;
    const Series<Temperature>& Samples(size_t d, size_t c, size_t s) const;

    // --- Configuration.
    // Resize to n devices; kept devices keep everything, new ones are empty with no cables.
    void SetDeviceCount(size_t n);
    // Resize device d to n cables; new cables have serial 0, kind 0, no sensors and no samples.
    void SetCableCount(size_t d, size_t n);
    // Resize cable (d, c) to n sensors (at most 255); new sensors have label 0. When the cable
    // already holds samples, a new sensor gets NoValue for each of them so that every series of
    // the cable stays as long as its times.
    void SetSensorCount(size_t d, size_t c, size_t n);

    // --- Data.
    // Appends one sample of cable (d, c): the time, and one value per sensor. Missing values are
    // NoValue, values beyond the sensor count are ignored. Counts ValidValues and notes the time.
    // Returns the index of the new sample, or -1 when the cable does not exist.
    long AppendSample(size_t d, size_t c, DateTime time, std::span<const Temperature> values);
    // AppendSample for several samples at once (an archive read), the values given sensor after
    // sensor: sensor s's value of sample k is values[s * times.size() + k]. Returns the index of
    // the first new sample, or -1 when the cable does not exist.
    long AppendSamples(size_t d, size_t c, std::span<const DateTime> times, std::span<const Temperature> values);
    // Replaces value k of sensor s (the stream fills the newest sample sensor by sensor), keeping
    // ValidValues equal to the values other than NoValue. False when there is no such value.
    bool SetValue(size_t d, size_t c, size_t s, size_t k, Temperature value);
    // if FirstSampleTime > t, it becomes t; if t > LastSampleTime, that becomes t.
    void NoteSampleTime(DateTime t);
    // Opens a sample of cable (d, c) that the sensor stream fills value by value with SetValue:
    // every sensor has NoValue until then. A sample of the selected cable counts in SelSamples at
    // once; its values count in ShownValues when AnnounceSample tells it is complete.
    void OpenSample(size_t d, size_t c, DateTime time);

    // --- Emptying.
    // The operator's "Очистить результаты": drops every sample, keeps the configuration. Asks
    // first when unsaved live readings exist, unless `ask` is false (the caller has saved them).
    // True when the samples were dropped.
    bool ClearResults(bool ask = true);
    // Empties the whole store. With `ask`, asks first when unsaved live readings exist; false
    // (and nothing changed) on the operator's No.
    bool ReleaseAll(bool ask);

    // Bytes held for sample times and values, for memory accounting.
    size_t DataBytes() const;

private:
    bool Confirm(const std::string& question);
    void DropSamples();
    static uint32_t CountValid(const Series<Temperature>& series);

    Operator& operator_;
    EventLog& log_;
    StationEventHub events_;
    StoreGuard* guard_ = nullptr;

    std::vector<TDevSig> devSigs_;
    std::vector<std::vector<int16_t>> cableSerials_;
    std::vector<std::vector<uint8_t>> cableKinds_;
    std::vector<std::vector<std::vector<int16_t>>> sensorLabels_;
    std::vector<std::vector<Series<DateTime>>> sampleTimes_;
    std::vector<std::vector<std::vector<Series<Temperature>>>> samples_;

    uint16_t deviceCount_ = 0;
    uint16_t cableCount_ = 0;
    uint32_t sensorCount_ = 0;
    uint16_t selDevice_ = 0;
    uint16_t selCable_ = 0;
    uint8_t selSensors_ = 0;
    uint32_t selSamples_ = 0;
    uint32_t shownValues_ = 0;
    bool receiving_ = false;
    bool archiveLoaded_ = false;
    bool notebookOnGraphs_ = false;

    uint32_t validValues_ = 0;
    DateTime firstSampleTime_ = NoFirstSampleTime;
    DateTime lastSampleTime_ = NoLastSampleTime;
};

}  // namespace drumo
