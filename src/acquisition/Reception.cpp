#include "acquisition/Reception.h"

#include "acquisition/ActiveCable.h"
#include "acquisition/Discovery.h"
#include "model/Formats.h"
#include "model/DeviceTypes.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace drumo {

SampleRange RangeOf(const Temperature* values, size_t n) {
    SampleRange r;
    for (size_t i = 0; i < n; ++i) {
        const Temperature v = values[i];
        if (v == NoValue) continue;
        if (!r.Any || v > r.Max) r.Max = v;
        if (!r.Any || v < r.Min) r.Min = v;
        r.Any = true;
    }
    return r;
}

AlarmLines CheckAlarms(const SampleRange& range, double alarmTMax, double alarmTMin, int address,
                       int cable, const std::string& time, char mark) {
    AlarmLines lines;
    if (!range.Any) return lines;
    const std::string where = time + " > Адрес: " + std::to_string(address) + " Термокоса: " +
                              std::to_string(cable + 1);
    // The readings are whole hundredths; a limit such as 4.1 is not exact in binary, and 4.1 * 100
    // comes out as 409.99999999999994, which would raise an alarm at exactly 4.10. The limit is
    // rounded to hundredths first, so a reading equal to the limit never raises an alarm.
    if (range.Max > std::llround(alarmTMax * 100))
        lines.Upper = where + " Макс. температура: " + HundredthsText(range.Max, mark);
    if (range.Min < std::llround(alarmTMin * 100))
        lines.Lower = where + " Мин. температура: " + HundredthsText(range.Min, mark);
    return lines;
}

std::string TimeOfDayText(DateTime t) {
    const CalendarTime c = DecodeDateTime(t);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", c.Hour, c.Minute, c.Second);
    return text;
}

Temperature StreamValue(double celsius) {
    const double v = std::nearbyint(celsius * 100);
    if (!(v >= -32768 && v <= 32767)) return NoValue;
    return static_cast<Temperature>(v);
}

Reception::Reception(DeviceBus& bus, MeasurementStore& store, const SearchSettings& settings,
                     Operator& op, EventLog& log, EventPump& events, Clock& clock, ReceptionView* view)
    : bus_(bus), store_(store), settings_(settings), op_(op), log_(log), events_(events),
      clock_(clock), view_(view ? view : &noView_) {}

void Reception::SetProgress(int position) {
    progress_ = position;
    view_->RequestProgress(progress_, progressMax_);
}

bool Reception::CheckConfiguration(bool& searchWanted) {
    uint8_t d[kCommandBufferSize] = {};
    uint16_t n = 0;
    if (!bus_.DeviceCommand(40, d, n)) {
        op_.Error(bus_.LinkStatusMessage());
        return false;
    }
    // The reply is the cable serial, one label byte per sensor and the kind byte. A store without
    // the cable the stream fills counts as a changed configuration as well.
    bool same = store_.HasCable(0, 0) && n >= 3 && n == store_.DevSig(0).Sensors + 3;
    if (same) {
        const int16_t serial = static_cast<int16_t>(d[0] << 8 | d[1]);
        same = serial == store_.CableSerials(0)[0] && d[n - 1] == store_.CableKinds(0)[0];
    }
    if (same) return true;
    searchWanted = op_.Ask("Конфигурация системы изменилась.\r\nНеобходимо повторить поиск приборов.\r\n"
                           "Запустить поиск приборов?");
    return false;
}

StartOutcome Reception::StartReception() {
    if (store_.Receiving() || store_.ArchiveLoaded() || (searchRunning_ && searchRunning_()) ||
        store_.SensorCount() == 0 || store_.DeviceCount() == 0)
        return StartOutcome::NotStarted;
    const bool modbus = settings_.Protocol == ExchangeProtocol::Modbus;
    bool searchWanted = false;
    if (!modbus && !CheckConfiguration(searchWanted))
        return searchWanted ? StartOutcome::SearchWanted : StartOutcome::NotStarted;
    const bool fresh = store_.SelSamples() == 0 || store_.NotebookOnGraphs();
    const bool notebookLeaves = store_.NotebookOnGraphs();
    log_.Log(" > Автоматический прием данных активирован");
    health_.assign(store_.Devices(), DeviceHealth{});
    polled_ = modbus;
    if (modbus) {
        progressMax_ = static_cast<int>(std::lround(static_cast<double>(pollingIntervalMs_) / UpdateIntervalMs));
        view_->RequestProgress(progress_, progressMax_);
    } else {
        bus_.FlushBuffers();
        bus_.AttachStream([this](int sensor, double celsius) { StreamReading(sensor, celsius); });
        if (!bus_.PollingActive()) bus_.ResumePolling();
        nextRequestTime_ = clock_.Now() + unpolledMs_ / 1000.0 * OneSecond;
        streamSampleClosed_ = true;
    }
    // Running from here on: a stop during the first pass ends it, and the pass's auto-save hook
    // sees this reception's file.
    store_.SetReceiving(true);
    autoSave_->Start();
    store_.Events().Send(&StationEvents::ReceptionStarted, fresh);
    if (notebookLeaves) {
        // The graphs show the store's own series again instead of the notebook's records.
        store_.AnnounceSelection();
        store_.SetNotebookOnGraphs(false);
    }
    if (modbus) PollingPass();
    return StartOutcome::Started;
}

void Reception::StopReception() {
    if (!store_.Receiving() || store_.ArchiveLoaded()) return;
    store_.SetReceiving(false);
    autoSave_->Stop();
    view_->RequestCountdown("00:00:00");
    SetProgress(0);
    passRunning_ = false;
    view_->ReceptionLamp(false);
    if (bus_.PollingActive()) bus_.PausePolling();
    bus_.DetachStream();
    if (store_.HasDevice(store_.SelDevice()) && (store_.DevSig(store_.SelDevice()).Caps & capStopStream)) {
        uint8_t data[kCommandBufferSize] = {0};
        uint16_t one = 1;
        bus_.DeviceCommand(73, data, one);
    }
    log_.Log(" > Автоматический прием данных остановлен");
    store_.Events().Send(&StationEvents::ReceptionStopped);
}

DeviceHealth& Reception::HealthOf(size_t d) {
    if (health_.size() <= d) health_.resize(d + 1);
    return health_[d];
}

bool Reception::ReadFaultBits(size_t d) {
    const uint16_t address = store_.DevSig(d).Address;
    uint16_t regs[kRegisterBufferSize] = {};
    uint16_t count = 1;
    DeviceHealth& health = HealthOf(d);
    if (!bus_.ModbusRequest(static_cast<uint8_t>(address), 3, 13, count, regs) || count != 1) {
        if (!bus_.Connected()) return false;
        log_.Log(" > Сбой при чтении по адресу " + std::to_string(address));
        ++health.FailedReads;
        health.FaultBits = -1;  // not known now: an older value would pass for the device's word
        return true;
    }
    const int bits = regs[0] & 0xFF;
    if (bits != 0 && bits != health.FaultBits) log_.Log(FaultReport(address, static_cast<unsigned>(bits)));
    health.FaultBits = bits;
    return true;
}

void Reception::PollingPass() {
    if (inPass_) return;
    const DateTime t = clock_.Now();
    nextRequestTime_ = t + pollingIntervalMs_ / 1000.0 * OneSecond;
    const auto portUnavailable = [this] { log_.Log(" > Порт " + bus_.PortName() + " недоступен"); };
    if (!bus_.Connected()) {
        portUnavailable();
        return;
    }
    inPass_ = true;
    passRunning_ = true;
    view_->ReceptionLamp(true);
    int bytes = 0;
    bool any = false;
    bool portGone = false;
    std::vector<Temperature> values;
    for (size_t d = 0; passRunning_ && !portGone && d < store_.Devices() && d < store_.DeviceCount(); ++d) {
        if (readFaultBits_ && (portGone = !ReadFaultBits(d))) break;
        for (size_t c = 0; passRunning_ && d < store_.Devices() && c < store_.Cables(d); ++c) {
            const size_t n = store_.Sensors(d, c);
            if (n == 0) continue;
            const uint16_t address = store_.DevSig(d).Address;
            const uint8_t slave = static_cast<uint8_t>(address);
            // The port's device went away during the pass (the channel closed it): one line for
            // the pass instead of one failure per remaining cable.
            if (store_.Cables(d) > 1 &&
                !SelectActiveCable(bus_, log_, clock_, slave, static_cast<uint16_t>(c), 1)) {
                if ((portGone = !bus_.Connected())) break;
                ++HealthOf(d).FailedReads;
                events_.ProcessEvents();
                continue;
            }
            uint16_t regs[kRegisterBufferSize] = {};
            uint16_t count = static_cast<uint16_t>(n);
            if (!bus_.ModbusRequest(slave, 3, 512, count, regs)) {
                if ((portGone = !bus_.Connected())) break;
                log_.Log(" > Сбой при чтении по адресу " + std::to_string(address));
                ++HealthOf(d).FailedReads;
            } else if (count != n) {
                ++HealthOf(d).FailedReads;
                log_.Log(" > Количество датчиков по адресу " + std::to_string(address) +
                         " не совпадает. Повторите сканирование");
            } else {
                any = true;
                bytes += static_cast<int>(2 * n);
                values.assign(n, NoValue);
                for (size_t s = 0; s < n; ++s) values[s] = static_cast<Temperature>(regs[s]);
                store_.AppendSample(d, c, t, values);
                store_.AnnounceSample(d, c);
                const AlarmLines alarms =
                    CheckAlarms(RangeOf(values.data(), n), alarmTMax_, alarmTMin_, address,
                                static_cast<int>(c), TimeOfDayText(clock_.Now()), decimalMark_);
                StationEventHub& hub = store_.Events();
                if (!alarms.Upper.empty()) hub.Send(&StationEvents::AlarmRaised, AlarmKind::Upper, alarms.Upper);
                if (!alarms.Lower.empty()) hub.Send(&StationEvents::AlarmRaised, AlarmKind::Lower, alarms.Lower);
            }
            events_.ProcessEvents();
        }
    }
    passRunning_ = false;
    inPass_ = false;
    view_->ReceptionLamp(false);
    if (portGone) portUnavailable();
    if (any) AfterSample(bytes, t);
}

void Reception::AfterSample(int bytes, DateTime time) {
    SetProgress(0);
    store_.NoteSampleTime(time);
    store_.Events().Send(&StationEvents::PacketReceived, time, bytes);
    log_.Log(" > Получен пакет данных " + std::to_string(bytes) + " байт. •" +
             std::to_string(store_.ValidValues()));
    autoSave_->EndOfPass();
}

void Reception::StreamReading(int sensor, double celsius) {
    if (!store_.HasCable(0, 0)) return;
    const size_t n = store_.Sensors(0, 0);
    if (sensor == 1) {
        if (!streamSampleClosed_) {
            ++HealthOf(0).FailedReads;  // the sample closes without its last sensors' readings
            CloseStreamSample();
        }
        streamSampleClosed_ = false;
        view_->ReceptionLamp(true);
        store_.OpenSample(0, 0, clock_.Now());
        streamBytes_ = 0;
    }
    // Readings outside an open sample (before the first sensor 1, or after the sample closed and
    // before the next sensor 1) would change a finished sample: they are dropped.
    if (streamSampleClosed_ || sensor < 1 || static_cast<size_t>(sensor) > n) return;
    const size_t k = store_.SampleCount(0, 0);
    if (k == 0) return;
    store_.SetValue(0, 0, static_cast<size_t>(sensor - 1), k - 1, StreamValue(celsius));
    streamBytes_ = static_cast<uint16_t>(streamBytes_ + 7);
    if (static_cast<size_t>(sensor) == n) CloseStreamSample();
}

void Reception::CloseStreamSample() {
    nextRequestTime_ = clock_.Now() + unpolledMs_ / 1000.0 * OneSecond;
    progressMax_ = static_cast<int>(std::lround(static_cast<double>(unpolledMs_) / UpdateIntervalMs));
    unpolledMs_ = 0;
    streamSampleClosed_ = true;
    store_.AnnounceSample(0, 0);
    const size_t k = store_.SampleCount(0, 0);
    if (k > 0) AfterSample(streamBytes_, store_.SampleTimes(0, 0)[k - 1]);
    view_->ReceptionLamp(false);
}

void Reception::UpdateTick() {
    if (progress_ < progressMax_) SetProgress(progress_ + 1);
    view_->RequestCountdown(CountdownText(nextRequestTime_ - clock_.Now()));
    autoSave_->DisplayTick();
    if (!polled_) unpolledMs_ += UpdateIntervalMs;
}

}  // namespace drumo
