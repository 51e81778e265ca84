#include "model/Store.h"

#include "model/DeviceTypes.h"

#include <algorithm>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace drumo {
namespace {

const Series<DateTime> kNoTimes;
const Series<Temperature> kNoValues;

}  // namespace

uint32_t CountValid(std::span<const Temperature> values) {
    size_t i = 0;
    size_t missing = 0;
#ifdef __SSE2__
    // Eight values at a time: each lane that equals NoValue adds one to that lane's count, whose
    // 16 bits are summed up after at most 65535 rounds.
    const __m128i none = _mm_set1_epi16(NoValue);
    while (values.size() - i >= 8) {
        __m128i counts = _mm_setzero_si128();
        const size_t end = i + std::min<size_t>((values.size() - i) / 8, 65535) * 8;
        for (; i < end; i += 8) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(values.data() + i));
            counts = _mm_sub_epi16(counts, _mm_cmpeq_epi16(v, none));
        }
        alignas(16) uint16_t lanes[8];
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes), counts);
        for (const uint16_t lane : lanes) missing += lane;
    }
#endif
    for (; i < values.size(); ++i) missing += values[i] == NoValue;
    return static_cast<uint32_t>(values.size() - missing);
}

void ApplyDeviceType(TDevSig& dev, int pos) {
    const TDAct& type = DeviceTypes[pos >= 0 && pos < DeviceTypeCount ? pos : 0];
    dev.TypeName = type.Name;
    dev.Picture = type.Picture;
    dev.Caps = type.Caps;
    dev.SettingsModule = type.SettingsModule;
    dev.SerialModule = type.SerialModule;
    dev.FirmwareModule = type.FirmwareModule;
}

void MeasurementStore::AnnounceSelection() {
    if (!(guard_ && guard_->SearchRunning()) && HasDevice(selDevice_)) {
        selSensors_ = 0;
        selSamples_ = 0;
        shownValues_ = 0;
        if (HasCable(selDevice_, selCable_)) {
            selSensors_ = static_cast<uint8_t>(std::min<size_t>(Sensors(selDevice_, selCable_), 255));
            selSamples_ = static_cast<uint32_t>(SampleCount(selDevice_, selCable_));
            for (size_t s = 0; s < selSensors_; ++s) {
                const auto& series = samples_[selDevice_][selCable_][s];
                shownValues_ += static_cast<uint32_t>(std::count_if(
                    series.begin(), series.begin() + selSamples_, [](Temperature v) { return v != NoValue; }));
            }
        }
    }
    events_.Send(&StationEvents::SelectionChanged);
}

void MeasurementStore::AnnounceSample(size_t d, size_t c) {
    const size_t n = SampleCount(d, c);
    if (n == 0) return;
    SamplePlace place{d, c, n - 1, sampleTimes_[d][c][n - 1], d == selDevice_ && c == selCable_};
    if (place.Selected) {
        selSamples_ = static_cast<uint32_t>(n);
        const size_t sensors = std::min<size_t>(selSensors_, Sensors(d, c));
        for (size_t s = 0; s < sensors; ++s)
            if (samples_[d][c][s][n - 1] != NoValue) ++shownValues_;
    }
    events_.Send(&StationEvents::SampleAdded, place);
}

void MeasurementStore::CountDevice() {
    if (deviceCount_ < 0xFFFF) ++deviceCount_;
}

void MeasurementStore::CountCables(size_t cables, size_t sensors) {
    cableCount_ = static_cast<uint16_t>(std::min<size_t>(cableCount_ + cables, 0xFFFF));
    sensorCount_ += static_cast<uint32_t>(sensors);
}

void MeasurementStore::ReplaceCableCounts(uint16_t cables, uint32_t sensors) {
    cableCount_ = cables;
    sensorCount_ = sensors;
}

void MeasurementStore::Select(uint16_t d, uint16_t c) {
    selDevice_ = d;
    selCable_ = c;
    AnnounceSelection();
}

size_t MeasurementStore::Cables(size_t d) const {
    return d < cableSerials_.size() ? cableSerials_[d].size() : 0;
}

size_t MeasurementStore::Sensors(size_t d, size_t c) const {
    return HasCable(d, c) ? sensorLabels_[d][c].size() : 0;
}

size_t MeasurementStore::SampleCount(size_t d, size_t c) const {
    return HasCable(d, c) ? sampleTimes_[d][c].size() : 0;
}

std::span<int16_t> MeasurementStore::CableSerials(size_t d) {
    return d < cableSerials_.size() ? std::span<int16_t>(cableSerials_[d]) : std::span<int16_t>();
}

std::span<const int16_t> MeasurementStore::CableSerials(size_t d) const {
    return d < cableSerials_.size() ? std::span<const int16_t>(cableSerials_[d])
                                    : std::span<const int16_t>();
}

std::span<uint8_t> MeasurementStore::CableKinds(size_t d) {
    return d < cableKinds_.size() ? std::span<uint8_t>(cableKinds_[d]) : std::span<uint8_t>();
}

std::span<const uint8_t> MeasurementStore::CableKinds(size_t d) const {
    return d < cableKinds_.size() ? std::span<const uint8_t>(cableKinds_[d])
                                  : std::span<const uint8_t>();
}

std::span<int16_t> MeasurementStore::SensorLabels(size_t d, size_t c) {
    return HasCable(d, c) ? std::span<int16_t>(sensorLabels_[d][c]) : std::span<int16_t>();
}

std::span<const int16_t> MeasurementStore::SensorLabels(size_t d, size_t c) const {
    return HasCable(d, c) ? std::span<const int16_t>(sensorLabels_[d][c])
                          : std::span<const int16_t>();
}

const Series<DateTime>& MeasurementStore::SampleTimes(size_t d, size_t c) const {
    return HasCable(d, c) ? sampleTimes_[d][c] : kNoTimes;
}

const Series<Temperature>& MeasurementStore::Samples(size_t d, size_t c, size_t s) const {
    return s < Sensors(d, c) ? samples_[d][c][s] : kNoValues;
}

uint32_t MeasurementStore::CountValid(const Series<Temperature>& series) {
    uint32_t n = 0;
    for (size_t p = 0; p < series.PageCount(); ++p) n += drumo::CountValid(series.Page(p));
    return n;
}

void MeasurementStore::SetDeviceCount(size_t n) {
    // Devices that go take their values out of the count with them.
    for (size_t d = n; d < devSigs_.size(); ++d) SetCableCount(d, 0);
    devSigs_.resize(n);
    cableSerials_.resize(n);
    cableKinds_.resize(n);
    sensorLabels_.resize(n);
    sampleTimes_.resize(n);
    samples_.resize(n);
}

void MeasurementStore::SetCableCount(size_t d, size_t n) {
    if (d >= devSigs_.size()) return;
    for (size_t c = n; c < Cables(d); ++c) SetSensorCount(d, c, 0);
    cableSerials_[d].resize(n, 0);
    cableKinds_[d].resize(n, 0);
    sensorLabels_[d].resize(n);
    sampleTimes_[d].resize(n);
    samples_[d].resize(n);
}

void MeasurementStore::SetSensorCount(size_t d, size_t c, size_t n) {
    if (!HasCable(d, c)) return;
    n = std::min<size_t>(n, 255);
    auto& series = samples_[d][c];
    for (size_t s = n; s < series.size(); ++s) validValues_ -= CountValid(series[s]);
    const size_t kept = std::min(n, series.size());
    series.resize(n);
    const size_t samples = sampleTimes_[d][c].size();
    for (size_t s = kept; s < n; ++s) series[s].resize(samples, NoValue);
    sensorLabels_[d][c].resize(n, 0);
}

long MeasurementStore::AppendSample(size_t d, size_t c, DateTime time,
                                    std::span<const Temperature> values) {
    if (!HasCable(d, c)) return -1;
    auto& times = sampleTimes_[d][c];
    auto& series = samples_[d][c];
    const size_t n = series.size();
    const size_t given = std::min(n, values.size());
    uint32_t valid = 0;
    for (size_t s = 0; s < given; ++s) {
        const Temperature v = values[s];
        series[s].push_back(v);
        valid += v != NoValue;
    }
    for (size_t s = given; s < n; ++s) series[s].push_back(NoValue);
    times.push_back(time);
    validValues_ += valid;
    NoteSampleTime(time);
    return static_cast<long>(times.size() - 1);
}

long MeasurementStore::AppendSamples(size_t d, size_t c, std::span<const DateTime> times,
                                     std::span<const Temperature> values) {
    if (!HasCable(d, c)) return -1;
    auto& series = samples_[d][c];
    const size_t count = times.size();
    const size_t first = sampleTimes_[d][c].size();
    const size_t given = count == 0 ? 0 : std::min(series.size(), values.size() / count);
    for (size_t s = 0; s < given; ++s) {
        const auto run = values.subspan(s * count, count);
        series[s].Append(run);
        validValues_ += drumo::CountValid(run);
    }
    for (size_t s = given; s < series.size(); ++s) series[s].resize(series[s].size() + count, NoValue);
    for (const DateTime t : times) {
        sampleTimes_[d][c].push_back(t);
        NoteSampleTime(t);
    }
    return static_cast<long>(first);
}

bool MeasurementStore::SetValue(size_t d, size_t c, size_t s, size_t k, Temperature value) {
    if (s >= Sensors(d, c) || k >= SampleCount(d, c)) return false;
    Temperature& slot = samples_[d][c][s][k];
    if (slot != NoValue) --validValues_;
    if (value != NoValue) ++validValues_;
    slot = value;
    return true;
}

void MeasurementStore::NoteSampleTime(DateTime t) {
    if (firstSampleTime_ > t) firstSampleTime_ = t;
    if (t > lastSampleTime_) lastSampleTime_ = t;
}

void MeasurementStore::OpenSample(size_t d, size_t c, DateTime time) {
    const long k = AppendSample(d, c, time, {});
    if (k >= 0 && d == selDevice_ && c == selCable_) selSamples_ = static_cast<uint32_t>(k + 1);
}

bool MeasurementStore::Confirm(const std::string& question) {
    const bool yes = operator_.AskDanger(question);
    log_.Log(std::string(" > Запрос на удаление данных. Продолжить? ") + (yes ? "Да" : "Нет"));
    return yes;
}

void MeasurementStore::DropSamples() {
    for (auto& device : sampleTimes_) {
        for (auto& times : device) times.clear();
    }
    for (auto& device : samples_) {
        for (auto& cable : device) {
            for (auto& series : cable) series.clear();
        }
    }
    validValues_ = 0;
    firstSampleTime_ = NoFirstSampleTime;
    lastSampleTime_ = NoLastSampleTime;
}

bool MeasurementStore::ClearResults(bool ask) {
    if (guard_ && guard_->SearchRunning()) return false;
    if (ask && !archiveLoaded_ && validValues_ != 0 &&
        !Confirm("Результаты измерений будут удалены.\r\nПродолжить?")) {
        return false;
    }
    DropSamples();
    selSamples_ = 0;
    shownValues_ = 0;
    events_.Send(&StationEvents::StoreCleared);
    log_.Log(" > Результаты измерений удалены");
    return true;
}

bool MeasurementStore::ReleaseAll(bool ask) {
    if (ask && !archiveLoaded_ && validValues_ != 0 &&
        !Confirm("Действие приведет к потере данных.\r\nПродолжить?")) {
        return false;
    }
    // Reception stops first, while the selection still names the device that must be told.
    if (receiving_) {
        if (guard_) guard_->StopReception();
        receiving_ = false;
    }
    deviceCount_ = 0;
    cableCount_ = 0;
    sensorCount_ = 0;
    selDevice_ = 0;
    selCable_ = 0;
    selSamples_ = 0;
    selSensors_ = 0;
    shownValues_ = 0;
    archiveLoaded_ = false;
    notebookOnGraphs_ = false;
    DropSamples();
    SetDeviceCount(0);
    events_.Send(&StationEvents::StoreEmptied);
    log_.Log(" > Динамическая память освобождена");
    return true;
}

size_t MeasurementStore::DataBytes() const {
    size_t bytes = 0;
    for (const auto& device : sampleTimes_) {
        for (const auto& times : device) bytes += times.CapacityBytes();
    }
    for (const auto& device : samples_) {
        for (const auto& cable : device) {
            for (const auto& series : cable) bytes += series.CapacityBytes();
        }
    }
    return bytes;
}

}  // namespace drumo
