#pragma once
// Data reception: Modbus devices are polled by a timer, one polling pass per tick; a controller of
// the maker's protocol streams its readings and a sample closes when the last sensor has reported.
// Every sample goes into the measurement store, is shown, and (polled samples) is checked against
// the alarm limits.
//
// Passes never overlap. A pass lets pending window events run after every cable, so the polling
// timer may fire while a pass is still running; such a tick is skipped, not deferred: the next
// regular tick starts the next pass. The same holds for the pass that StartReception runs at once
// when reception is stopped and started again from inside a running pass; the old pass ends at its
// next check and the new reception's first pass comes with the next tick.

#include "acquisition/DeviceBus.h"
#include "acquisition/SearchSettings.h"
#include "base/Services.h"
#include "model/DateTime.h"
#include "model/Store.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace drumo {

// The progress of a running reception, shown on the main window's panel while it runs. What
// reception brings about (start, stop, samples, packets, alarms) goes out as the store's events.
class ReceptionView {
public:
    virtual ~ReceptionView() = default;
    virtual void RequestProgress(int /*position*/, int /*maximum*/) {}
    virtual void RequestCountdown(const std::string& /*text*/) {}
    virtual void ReceptionLamp(bool /*lit*/) {}  // lit or out, repainted at once
};

// What the operator's "Начать прием данных" came to.
enum class StartOutcome {
    Started,
    NotStarted,
    // The controller's configuration changed and the operator wants the device search window.
    SearchWanted,
};

// Calls into the auto-save of the archive; the files part fills them in.
class AutoSaveHooks {
public:
    virtual ~AutoSaveHooks() = default;
    virtual void Start() {}
    virtual void Stop() {}
    virtual void EndOfPass() {}    // writes the auto-save archive when it is due
    virtual void DisplayTick() {}  // the auto-save progress bar and countdown
};

// Largest and smallest value of a sample other than NoValue.
struct SampleRange {
    bool Any = false;
    Temperature Max = 0;
    Temperature Min = 0;
};
SampleRange RangeOf(const Temperature* values, size_t n);

// The alarm lines of one cable's sample (empty strings when no alarm). time is the time text.
struct AlarmLines {
    std::string Upper;
    std::string Lower;
};
AlarmLines CheckAlarms(const SampleRange& range, double alarmTMax, double alarmTMin, int address,
                       int cable, const std::string& time, char decimalMark);

// How a device's readings fare while reception runs, for a collector beside the values: the reads
// that brought no sample since reception started (a failed cable switch or read, a short read, a
// failed read of the fault bits; with the maker's protocol a sample closed before its last sensor
// reported), and the fault bits as the device last reported them (register 13, bits 0..7).
struct DeviceHealth {
    uint64_t FailedReads = 0;
    int FaultBits = -1;  // -1: not read (the maker's protocol reports none; or the last read failed)
};

// "hh:nn:ss" of the time of day of a DateTime.
std::string TimeOfDayText(DateTime t);

// A stream reading in hundredths; readings that do not fit a temperature become NoValue.
Temperature StreamValue(double celsius);

class Reception {
public:
    Reception(DeviceBus& bus, MeasurementStore& store, const SearchSettings& settings, Operator& op,
              EventLog& log, EventPump& events, Clock& clock, ReceptionView* view = nullptr);

    // The view that shows the progress; null shows nothing.
    void SetView(ReceptionView* view) { view_ = view ? view : &noView_; }
    void SetAutoSave(AutoSaveHooks* hooks) { autoSave_ = hooks; }
    // Tells whether a device search runs; reception does not start during one.
    void SetSearchRunning(std::function<bool()> searchRunning) { searchRunning_ = std::move(searchRunning); }
    // The polling interval in force, in ms: the one copy, read by the scheduler and the windows.
    void SetPollingInterval(int ms) { pollingIntervalMs_ = ms; }
    int PollingInterval() const { return pollingIntervalMs_; }
    void SetAlarmLimits(double tMax, double tMin) {
        alarmTMax_ = tMax;
        alarmTMin_ = tMin;
    }
    double AlarmTMax() const { return alarmTMax_; }
    double AlarmTMin() const { return alarmTMin_; }
    void SetDecimalMark(char mark) { decimalMark_ = mark; }
    // Modbus: every pass also reads each device's fault bits (one register, before its cables), so
    // that they are known per sample; a change to bits that are set is logged as the search logs
    // them. Off by default: the program's own passes read the temperatures only.
    void SetReadFaultBits(bool on) { readFaultBits_ = on; }
    // The health of device d since reception started; an empty record for a device not polled.
    DeviceHealth Health(size_t d) const { return d < health_.size() ? health_[d] : DeviceHealth{}; }

    StartOutcome StartReception();
    void StopReception();
    // Reception runs (the store's flag, the one copy) and polls Modbus devices by a timer, rather
    // than taking a stream.
    bool Running() const { return store_.Receiving(); }
    bool Polling() const { return store_.Receiving() && polled_; }
    // One pass over every cable of every device; the polling timer's tick. Skipped while a pass runs.
    void PollingPass();
    void AfterSample(int bytes, DateTime time);
    // The sensor frame decoder's reading: sensor number from 1, temperature in °C (-273 for none).
    void StreamReading(int sensor, double celsius);
    // TimerUpdate's tick, once a second.
    void UpdateTick();

    bool PassRunning() const { return passRunning_; }
    DateTime NextRequestTime() const { return nextRequestTime_; }
    uint32_t UnpolledMs() const { return unpolledMs_; }
    bool StreamSampleClosed() const { return streamSampleClosed_; }
    uint16_t StreamBytes() const { return streamBytes_; }
    int ProgressPosition() const { return progress_; }
    int ProgressMaximum() const { return progressMax_; }

    static constexpr int UpdateIntervalMs = 1000;

private:
    // False when the controller cannot be asked or its configuration changed; then searchWanted
    // tells whether the operator wants a new search.
    bool CheckConfiguration(bool& searchWanted);
    void CloseStreamSample();
    void SetProgress(int position);
    DeviceHealth& HealthOf(size_t d);
    // Reads the fault bits of device d; false when the port went away meanwhile.
    bool ReadFaultBits(size_t d);

    DeviceBus& bus_;
    MeasurementStore& store_;
    const SearchSettings& settings_;
    Operator& op_;
    EventLog& log_;
    EventPump& events_;
    Clock& clock_;
    ReceptionView noView_;
    ReceptionView* view_;
    AutoSaveHooks noAutoSave_;
    AutoSaveHooks* autoSave_ = &noAutoSave_;
    std::function<bool()> searchRunning_;

    int pollingIntervalMs_ = 20000;
    double alarmTMax_ = 100.0;
    double alarmTMin_ = -50.0;
    char decimalMark_ = '.';
    bool readFaultBits_ = false;
    std::vector<DeviceHealth> health_;  // per device, from the start of reception

    bool polled_ = false;
    bool passRunning_ = false;
    bool inPass_ = false;
    DateTime nextRequestTime_ = 0;
    uint32_t unpolledMs_ = 0;
    bool streamSampleClosed_ = true;
    uint16_t streamBytes_ = 0;
    int progress_ = 0;
    int progressMax_ = 20;
};

}  // namespace drumo
