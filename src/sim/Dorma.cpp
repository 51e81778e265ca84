#include "sim/Dorma.h"

#include "model/Cp1251.h"

#include <algorithm>
#include <cmath>

namespace drumo::sim {
namespace {

const DormaModel kModels[] = {
    {103, "Dorma-1/100", 1, 100},
    {105, "Dorma-2/200", 2, 200},
    {106, "Dorma-4/200", 4, 200},
    {107, "Dorma-6/200", 6, 200},
};

constexpr int kPeriodSeconds[] = {10, 20, 30, 60, 120, 300};
constexpr int kAutoSaveSeconds[] = {20, 3600, 21600, 43200, 86400, 432000, 864000, 2592000};

}  // namespace

const DormaModel* FindDormaModel(uint16_t type) {
    for (const auto& m : kModels) {
        if (m.Type == type) return &m;
    }
    return nullptr;
}

int BaudOfSpeedCode(int code) {
    static constexpr int kBauds[] = {2400, 4800, 9600, 19200, 38400, 57600, 115200};
    return code >= 5 && code <= 11 ? kBauds[code - 5] : 0;
}

Dorma::Dorma(Clock& clock, uint16_t type, uint8_t address, std::vector<SimCable> cables, uint32_t seed)
    : clock_(clock),
      model_(FindDormaModel(type)),
      cables_(std::move(cables)),
      climate_(seed),
      boot_(clock) {
    id_.Type = type;
    id_.Serial = static_cast<uint16_t>(1000 + address);
    id_.Year = 2023;
    id_.Firmware = 23;
    const int modelCables = model_ ? model_->Cables : static_cast<int>(cables_.size());
    cables_.resize(std::max<size_t>(cables_.size(), static_cast<size_t>(modelCables)));
    settings_ = {address, 1, 8, 3, 0, 4, 0, 0, 0};
    SetComment(Utf8ToCp1251("Склад " + std::to_string(address)));
    boot_.LoadSampleFirmware(120);
}

std::string Dorma::Comment() const { return std::string(comment_.begin(), comment_.end()); }

void Dorma::SetComment(const std::string& cp1251) {
    comment_.fill(' ');
    std::copy_n(cp1251.begin(), std::min<size_t>(cp1251.size(), 32), comment_.begin());
}

bool Dorma::Answers(uint8_t address) const {
    return address == settings_[0] || (boot_.Active() && address == 255);
}

bool Dorma::Hears(const LineState& line) const {
    return !StrictSpeed || line.Baud == BaudOfSpeedCode(settings_[2]);
}

void Dorma::SetNotebook(NotebookContent content) {
    notebook_ = std::move(content.Words);
    records_ = content.Records;
    pointer_ = 0;
}

int Dorma::SensorsOf(int cable) const {
    return cable >= 0 && cable < static_cast<int>(cables_.size()) ? cables_[cable].Sensors() : 0;
}

int Dorma::TotalSensors() const {
    int total = 0;
    for (const auto& c : cables_) total += c.Sensors();
    return total;
}

DateTime Dorma::MeasuredAt() const {
    // The device measures once a period and holds the values until the next measurement.
    // The world runs on the simulation's time; the device's own clock only stamps its records.
    const int period = kPeriodSeconds[std::min<int>(settings_[3], 5)];
    const double seconds = std::floor(clock_.Now() * 86400.0 / period) * period;
    return seconds / 86400.0;
}

int16_t Dorma::InsideHundredths() const {
    // The electronics sit a few degrees above the day's air temperature.
    const DateTime at = MeasuredAt();
    return static_cast<int16_t>(2350 + std::lround(300.0 * std::sin(6.283185307179586 * (at - std::floor(at) - 0.375))));
}

std::vector<int16_t> Dorma::Temperatures(int cable) const {
    std::vector<int16_t> values;
    const DateTime at = MeasuredAt();
    for (int s = 0; s < SensorsOf(cable); ++s) values.push_back(climate_.Hundredths(cables_[cable], cable, s, at));
    return values;
}

std::optional<uint16_t> Dorma::Register(int r) const {
    const bool single = cables_.size() == 1;
    if (r >= 0 && r <= 15) {
        switch (r) {
        case 0: return id_.Type;
        case 1: return Interface;
        case 2: return id_.Serial;
        case 3: return id_.Year;
        case 4: return id_.Firmware;
        case 5: return static_cast<uint16_t>(model_ ? model_->MaxSensors : 255);
        case 6: return static_cast<uint16_t>(cables_.size());
        case 7: return static_cast<uint16_t>(TotalSensors());
        case 9: return static_cast<uint16_t>(single ? SensorsOf(0) : 0);
        case 10: return static_cast<uint16_t>(single ? cables_[0].Serial : 0);
        case 11: return static_cast<uint16_t>(single ? cables_[0].Kind : 0);
        case 12: return static_cast<uint16_t>(SupplyHundredths);
        case 13: {
            uint16_t bits = FaultBits;
            if (TotalSensors() == 0) bits |= 1u << 2;
            if (static_cast<int>(notebook_.size()) >= NotebookSizeWords) bits |= 1u << 6;
            return bits;
        }
        default: return 0;
        }
    }
    if (r >= 16 && r <= 31) return static_cast<uint16_t>(comment_[2 * (r - 16)] << 8 | comment_[2 * (r - 16) + 1]);
    if (r >= 32 && r <= 40) {
        if (r == 38) return static_cast<uint16_t>(InsideHundredths());
        return settings_[r - 32];
    }
    if (r >= 41 && r <= 45) return 0;
    if (r == 46) return static_cast<uint16_t>(pointer_);
    if (r == 47) return static_cast<uint16_t>(activeCable_);
    if (r >= 48 && r <= 54) {
        const CalendarTime t = DecodeDateTime(DeviceTime());
        const int weekday = t.DayOfWeek == 0 ? 7 : t.DayOfWeek;
        const int values[] = {t.Second, t.Minute, t.Hour, weekday, t.Day, t.Month, t.Year % 100};
        return static_cast<uint16_t>(values[r - 48]);
    }
    if (r >= 80 && r <= 85) {
        const int used = static_cast<int>(notebook_.size());
        const int values[] = {records_, NotebookMaxRecords, used, NotebookSizeWords, SupplyHundredths, settings_[4]};
        return static_cast<uint16_t>(values[r - 80]);
    }
    if (r >= 128 && r < 128 + 2 * static_cast<int>(cables_.size())) {
        const SimCable& c = cables_[(r - 128) / 2];
        if ((r - 128) % 2 == 0) return c.Serial;
        return static_cast<uint16_t>(c.Kind << 8 | (c.Sensors() & 0xFF));
    }
    const int n = SensorsOf(activeCable_);
    if (r >= 256 && r < 256 + n) return static_cast<uint16_t>(cables_[activeCable_].Labels[r - 256]);
    if (r >= 512 && r < 512 + n) {
        return static_cast<uint16_t>(climate_.Hundredths(cables_[activeCable_], activeCable_, r - 512, MeasuredAt()));
    }
    return std::nullopt;
}

std::optional<ModbusReply> Dorma::Handle(uint8_t address, const uint8_t* pdu, size_t n) {
    if (boot_.Active()) return boot_.Handle(pdu, n, id_);
    if (address == 255 && settings_[0] != 255) return std::nullopt;
    switch (pdu[0]) {
    case 3: return Read(pdu, n);
    case 16: return Write(pdu, n);
    case 8: return Diagnostics(pdu, n);
    case 17: return Identify();
    default: return ExceptionReply(pdu[0], IllegalFunction);
    }
}

std::optional<ModbusReply> Dorma::Read(const uint8_t* pdu, size_t n) {
    if (n != 5) return ExceptionReply(3, IllegalValue);
    const int start = Word(pdu + 1);
    const int count = Word(pdu + 3);
    if (count < 1 || count > 125) return ExceptionReply(3, IllegalValue);
    std::vector<uint16_t> regs;
    if (start >= 768 && start <= 831) {
        if (start + count > 832) return ExceptionReply(3, IllegalAddress);
        // The block at the pointer; the last block of the notebook is shorter.
        const int offset = pointer_ * 64 + (start - 768);
        const int available = std::max(0, static_cast<int>(notebook_.size()) - offset);
        for (int i = 0; i < std::min(count, available); ++i) regs.push_back(static_cast<uint16_t>(notebook_[offset + i]));
        if (start == 768) ++pointer_;
        return RegistersReply(3, regs);
    }
    for (int r = start; r < start + count; ++r) {
        const auto value = Register(r);
        if (!value) return ExceptionReply(3, IllegalAddress);
        regs.push_back(*value);
    }
    // Reading the notebook information starts a new read of the notebook: the block pointer
    // goes back to its first block.
    if (start <= 80 && start + count > 80) pointer_ = 0;
    return RegistersReply(3, regs);
}

std::optional<ModbusReply> Dorma::Write(const uint8_t* pdu, size_t n) {
    const WriteRequest request = ParseWriteRequest(pdu, n);
    if (request.Refusal) return request.Refusal;
    if (const uint8_t code = ApplyWrite(request.Start, request.Values); code != 0) return ExceptionReply(16, code);
    return WriteEcho(pdu);
}

uint8_t Dorma::ApplyWrite(int start, const std::vector<uint16_t>& values) {
    const int count = static_cast<int>(values.size());
    const int end = start + count;  // one past the last register
    auto covers = [&](int a, int b) { return start <= b && end > a; };
    // Blocks that only make sense whole.
    if (covers(48, 54) && (start != 48 || count != 7)) return IllegalAddress;
    if (covers(64, 69) && (start != 64 || count != 6)) return IllegalAddress;
    if (start == 48) {
        const int s = values[0], mi = values[1], h = values[2], wd = values[3], d = values[4], mo = values[5], y = values[6];
        DateTime date = 0, time = 0;
        if (wd < 1 || wd > 7 || y > 99 || !TryEncodeDate(2000 + y, mo, d, date) || !TryEncodeTime(h, mi, s, 0, time)) {
            return IllegalValue;
        }
        clockOffset_ = date + time - clock_.Now();
        return 0;
    }
    if (start == 64) {
        if (values[5] != FactoryWriteCode) return DeviceFailure;
        id_.Type = values[0];
        Interface = static_cast<uint8_t>(values[1]);
        id_.Serial = values[2];
        id_.Year = values[3];
        return 0;
    }
    // Check everything first, so that a refused write changes nothing.
    for (int r = start; r < end; ++r) {
        const uint16_t v = values[r - start];
        const bool ok = (r >= 16 && r <= 31) || (r == 32 && v >= 1 && v <= 254) || (r == 33 && v <= 1) ||
                        (r == 34 && BaudOfSpeedCode(v) != 0) || (r == 35 && v <= 5) || r == 36 ||
                        (r == 37 && v <= 7) || (r == 38 && v == 0) || r == 39 || (r == 40 && v <= 60) ||
                        (r == 45 && v == 2) ||
                        (r == 46 && int{v} * 64 <= static_cast<int>(notebook_.size())) ||
                        (r == 47 && v < cables_.size()) ||
                        // a device takes back the setting it holds, even one its lists do not have
                        (r >= 32 && r <= 40 && r != 38 && v == settings_[r - 32]);
        if (!ok) {
            const bool known = (r >= 16 && r <= 40) || (r >= 45 && r <= 47);
            return known ? IllegalValue : IllegalAddress;
        }
    }
    for (int r = start; r < end; ++r) {
        const uint16_t v = values[r - start];
        if (r >= 16 && r <= 31) {
            comment_[2 * (r - 16)] = static_cast<uint8_t>(v >> 8);
            comment_[2 * (r - 16) + 1] = static_cast<uint8_t>(v & 0xFF);
        } else if (r >= 32 && r <= 40) {
            if (r != 38) settings_[r - 32] = v;  // the inside temperature is measured, not set
            if (r == 36 || r == 37) nextAutoRecord_ = 0;  // the period starts afresh
        } else if (r == 45) {
            notebook_.clear();
            records_ = 0;
            pointer_ = 0;
        } else if (r == 46) {
            pointer_ = v;
        } else if (r == 47) {
            activeCable_ = v;
        }
    }
    return 0;
}

std::optional<ModbusReply> Dorma::Diagnostics(const uint8_t* pdu, size_t n) {
    if (n != 5) return ExceptionReply(8, IllegalValue);
    const uint16_t sub = Word(pdu + 1);
    const uint16_t data = Word(pdu + 3);
    ModbusReply echo{std::vector<uint8_t>(pdu, pdu + n)};
    if (sub == 0) return echo;
    if (sub == BootModeSubfunction) {
        if (data == 0) {
            boot_.Enter();
            return echo;
        }
        if (data == 1) return echo;  // the firmware runs already
        return ExceptionReply(8, IllegalValue);
    }
    // The firmware cannot erase itself: only the boot loader erases.
    if (sub == EraseSubfunction) return ExceptionReply(8, DeviceFailure);
    return ExceptionReply(8, IllegalFunction);
}

std::optional<ModbusReply> Dorma::Identify() const {
    if (!id_.Identifies) return ExceptionReply(17, IllegalFunction);
    // Firmware runs (high byte 1), boot loader present (low byte 1), then the identity and comment.
    std::vector<uint16_t> regs = {0x0101, id_.Type, id_.Variant, id_.Serial, id_.Year, id_.Firmware};
    for (int i = 0; i < 16; ++i) regs.push_back(static_cast<uint16_t>(comment_[2 * i] << 8 | comment_[2 * i + 1]));
    return RegistersReply(17, regs);
}

void Dorma::Warm(int cable, int sensor, double riseC, double seconds) {
    climate_.Warm(cable, sensor, riseC, clock_.Now(), seconds);
}

void Dorma::Tick() {
    boot_.Tick();
    if (settings_[4] == 1) AutoRecord();
}

void Dorma::AutoRecord() {
    const DateTime now = clock_.Now();
    const double period = kAutoSaveSeconds[std::min<int>(settings_[5], 7)] * OneSecond;
    if (nextAutoRecord_ == 0) nextAutoRecord_ = now + period;
    if (now < nextAutoRecord_) return;
    nextAutoRecord_ = now + period;
    for (size_t c = 0; c < cables_.size(); ++c) {
        if (cables_[c].Sensors() == 0) continue;
        NotebookRecord record = RecordOf(cables_[c], static_cast<int>(c), climate_, MeasuredAt(), records_ + 1);
        const CalendarTime stamp = DecodeDateTime(DeviceTime());
        record.Year = stamp.Year;
        record.Month = stamp.Month;
        record.Day = stamp.Day;
        record.Hour = stamp.Hour;
        record.Minute = stamp.Minute;
        record.Second = stamp.Second;
        std::vector<int16_t> words;
        AppendRecord(words, record);
        if (static_cast<int>(notebook_.size() + words.size()) > NotebookSizeWords) return;  // full
        notebook_.insert(notebook_.end(), words.begin(), words.end());
        ++records_;
    }
}

}  // namespace drumo::sim
