#include "devices/DeviceSettings.h"

#include "link/CommandProtocol.h"
#include "link/SignMagnitude.h"
#include "model/Formats.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace drumo {

namespace {

constexpr const char* kHexar100Periods[kHexar100Items] = {
    "10 секунд", "20 секунд", "30 секунд", "1 минута", "2 минуты", "3 минуты",
    "5 минут",   "10 минут",  "20 минут",  "30 минут", "1 час"};
constexpr const char* kDormaPeriods[kDormaPeriodItems] = {"10 секунд (тест)", "20 секунд", "30 секунд",
                                                          "60 секунд *",      "2 минуты",  "5 минут"};
constexpr const char* kDormaAutoSave[kDormaAutoSaveItems] = {
    "20 секунд (тест)", "1 час", "6 часов", "12 часов", "24 часа *", "5 суток", "10 суток", "30 суток"};

constexpr int kHexar16Read = 41, kHexar16Write = 94;
constexpr int kHexar100Read = 39, kHexar100Write = 98;
constexpr uint16_t kDormaFirst = 32;
constexpr uint16_t kDormaCount = 9;
constexpr int kSpeedItems = 7;

bool In(int v, int lo, int hi) { return v >= lo && v <= hi; }

std::string Range(const char* name, int lo, int hi) {
    return std::string(name) + " must be " + std::to_string(lo) + ".." + std::to_string(hi);
}

}  // namespace

const char* Hexar100PeriodText(int item) { return In(item, 0, 10) ? kHexar100Periods[item] : ""; }

const char* Hexar100AutoWriteText(int item) {
    if (item == 0) return "отключено";
    return In(item, 1, 10) ? kHexar100Periods[item] : "";
}

const char* DormaPeriodText(int item) { return In(item, 0, kDormaPeriodItems - 1) ? kDormaPeriods[item] : ""; }
const char* DormaAutoSaveText(int item) {
    return In(item, 0, kDormaAutoSaveItems - 1) ? kDormaAutoSave[item] : "";
}

std::string SupplyText(const Hexar100Settings& s) {
    if (s.Bytes[5] == 0) return "undefined";
    return HundredthsText(SignMagnitudeToInt(s.Bytes[5], s.Bytes[6], -1)) + " V";
}

int CoupledAutoWrite(int period, int autoWrite) {
    // From position 1 on both lists name the same periods.
    return autoWrite > 0 && autoWrite < period ? period : autoWrite;
}

std::string InsideTemperatureText(int hundredths) { return HundredthsText(hundredths) + "°C"; }

int DormaListChoice(int chosen, int defaultItem, bool testItemsUnlocked) {
    return chosen == 0 && !testItemsUnlocked ? defaultItem : chosen;
}

bool AddressTaken(const MeasurementStore& store, int ownIndex, int address) {
    for (int d = 0; d < store.DeviceCount() && store.HasDevice(d); ++d) {
        if (d != ownIndex && store.DevSig(d).Address == address) return true;
    }
    return false;
}

uint8_t SelectedAddress(const MeasurementStore& store) {
    if (store.DeviceCount() == 0 || !store.HasDevice(store.SelDevice())) return 255;
    return static_cast<uint8_t>(store.DevSig(store.SelDevice()).Address);
}

bool Listed(int item, int items) { return In(item, 0, items - 1); }

namespace {

// Each block as words, and back: the fields as the controls hold them, not yet composed with what
// was read.
std::vector<uint16_t> Words(const Hexar16Settings& s) {
    return {static_cast<uint16_t>(s.Period), uint16_t{s.Backlight}, uint16_t{s.AutoOff}};
}
void FromWords(Hexar16Settings& s, const std::vector<uint16_t>& w) {
    s.Period = w[0];
    s.Backlight = w[1] != 0;
    s.AutoOff = w[2] != 0;
}

std::vector<uint16_t> Words(const Hexar100Settings& s) {
    std::vector<uint16_t> w(s.Bytes.begin(), s.Bytes.end());
    w[0] = static_cast<uint16_t>(s.Period);
    w[1] = s.Backlight;
    w[2] = s.AutoOff;
    w[3] = static_cast<uint16_t>(s.AutoWrite);
    w[4] = static_cast<uint16_t>(s.SpeedItem + 1);
    return w;
}
void FromWords(Hexar100Settings& s, const std::vector<uint16_t>& w) {
    std::copy(w.begin(), w.end(), s.Bytes.begin());
    s.Period = w[0];
    s.Backlight = w[1] != 0;
    s.AutoOff = w[2] != 0;
    s.AutoWrite = w[3];
    s.SpeedItem = w[4] - 1;
}

std::vector<uint16_t> Words(const DormaSettings& s) {
    return {static_cast<uint16_t>(s.Address),       static_cast<uint16_t>(s.Protocol),
            static_cast<uint16_t>(s.SpeedItem + 5), static_cast<uint16_t>(s.Period),
            uint16_t{s.AutoSave},                   static_cast<uint16_t>(s.AutoSavePeriod),
            static_cast<uint16_t>(s.InsideHundredths), uint16_t{s.Heating},
            static_cast<uint16_t>(s.SwitchOnDelay)};
}
void FromWords(DormaSettings& s, const std::vector<uint16_t>& w) {
    s.Address = w[0];
    s.Protocol = w[1];
    s.SpeedItem = w[2] - 5;
    s.Period = w[3];
    s.AutoSave = w[4] == 1;
    s.AutoSavePeriod = w[5];
    s.InsideHundredths = static_cast<int16_t>(w[6]);
    s.Heating = w[7] == 1;
    s.SwitchOnDelay = w[8];
}

// What the controls showed right after the read.
template <typename S>
std::vector<uint16_t> Shown(const S& s) {
    S shown;
    FromWords(shown, s.Read.Values());
    return Words(shown);
}

// The block to write: the changed values as the controls hold them, the others as read.
template <typename S>
std::optional<std::vector<uint16_t>> Block(const S& s) {
    if (!s.Read.Held()) return std::nullopt;
    return s.Read.Compose(Shown(s), Words(s));
}

// Range checks of the values the operator changed: word i is checked when nothing was read or it
// differs from what was shown.
template <typename S>
class ChangedValues {
public:
    explicit ChangedValues(const S& s) : held_(s.Read.Held()), wanted_(Words(s)) {
        if (held_) shown_ = Shown(s);
    }
    // The first failed check wins.
    ChangedValues& Check(size_t word, const char* name, int value, int lo, int hi) {
        if (error_.empty() && (!held_ || ReadSnapshot::Changed(shown_, wanted_, word)) && !In(value, lo, hi))
            error_ = Range(name, lo, hi);
        return *this;
    }
    std::string Error() const { return error_; }

private:
    bool held_;
    std::vector<uint16_t> wanted_, shown_;
    std::string error_;
};

}  // namespace

std::string RangeError(const Hexar16Settings& s) {
    return ChangedValues(s).Check(0, "period", s.Period, kHexar16PeriodMin, kHexar16PeriodMax).Error();
}

std::string RangeError(const Hexar100Settings& s) {
    return ChangedValues(s)
        .Check(0, "period", s.Period, 0, 10)
        .Check(3, "autowrite", s.AutoWrite, 0, 10)
        .Check(4, "speed item", s.SpeedItem, 0, kSpeedItems - 1)
        .Error();
}

std::string RangeError(const DormaSettings& s) {
    return ChangedValues(s)
        .Check(0, "address", s.Address, 1, 255)
        .Check(1, "protocol", s.Protocol, 0, 1)
        .Check(2, "speed item", s.SpeedItem, 0, kSpeedItems - 1)
        .Check(3, "period", s.Period, 0, kDormaPeriodItems - 1)
        .Check(5, "autosave-period", s.AutoSavePeriod, 0, kDormaAutoSaveItems - 1)
        .Check(8, "delay", s.SwitchOnDelay, 0, 60)
        .Error();
}

namespace {

// One read command of the maker's protocol whose reply must hold `size` bytes.
template <typename S>
bool ReadBytes(DeviceBus& bus, int code, size_t size, S& s) {
    uint8_t data[kCommandBufferSize] = {};
    uint16_t length = 0;
    if (!bus.DeviceCommand(code, data, length)) {
        s.Read.Drop();
        return false;
    }
    // A status reply 0 instead of the data, or fewer bytes than the block has: nothing was read.
    if (!s.Read.Take(data, length, size)) {
        bus.SetLinkStatus(kWrongLengthStatus);
        return false;
    }
    FromWords(s, s.Read.Values());
    return true;
}

template <typename S>
bool WriteBytes(DeviceBus& bus, int code, const S& s) {
    const auto block = Block(s);
    if (!block || !RangeError(s).empty()) return false;
    uint8_t data[kCommandBufferSize] = {};
    std::copy(block->begin(), block->end(), data);
    uint16_t length = static_cast<uint16_t>(block->size());
    return bus.DeviceCommand(code, data, length);
}

}  // namespace

bool ReadSettings(DeviceBus& bus, Hexar16Settings& s) { return ReadBytes(bus, kHexar16Read, 3, s); }
bool WriteSettings(DeviceBus& bus, const Hexar16Settings& s) { return WriteBytes(bus, kHexar16Write, s); }
bool ReadSettings(DeviceBus& bus, Hexar100Settings& s) { return ReadBytes(bus, kHexar100Read, 10, s); }
bool WriteSettings(DeviceBus& bus, const Hexar100Settings& s) { return WriteBytes(bus, kHexar100Write, s); }

bool ReadSettings(DeviceBus& bus, uint8_t address, DormaSettings& s) {
    uint16_t regs[kRegisterBufferSize] = {};
    if (!ReadRegisters(bus, address, kDormaFirst, kDormaCount, regs)) {
        s.Read.Drop();
        return false;
    }
    s.Read.Take(regs, kDormaCount, kDormaCount);
    FromWords(s, s.Read.Values());
    return true;
}

bool WriteSettings(DeviceBus& bus, uint8_t address, const DormaSettings& s) {
    auto block = Block(s);
    if (!block || !RangeError(s).empty()) return false;
    (*block)[6] = 0;  // the inside temperature is measured by the device; it is always written as 0
    uint16_t regs[kRegisterBufferSize] = {};
    std::copy(block->begin(), block->end(), regs);
    uint16_t count = kDormaCount;
    return bus.ModbusRequest(address, 16, kDormaFirst, count, regs);
}

}  // namespace drumo
