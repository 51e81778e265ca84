#include "devices/DeviceSettings.h"

#include "link/CommandProtocol.h"
#include "link/SignMagnitude.h"
#include "model/Formats.h"

#include <algorithm>

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
    for (int d = 0; d < store.DeviceCount && store.HasDevice(d); ++d) {
        if (d != ownIndex && store.DevSig(d).Address == address) return true;
    }
    return false;
}

uint8_t SelectedAddress(const MeasurementStore& store) {
    if (store.DeviceCount == 0 || !store.HasDevice(store.SelDevice)) return 255;
    return static_cast<uint8_t>(store.DevSig(store.SelDevice).Address);
}

std::string RangeError(const Hexar16Settings& s) {
    return In(s.Period, kHexar16PeriodMin, kHexar16PeriodMax) ? "" : Range("period", kHexar16PeriodMin, kHexar16PeriodMax);
}

std::string RangeError(const Hexar100Settings& s) {
    if (!In(s.Period, 0, 10)) return Range("period", 0, 10);
    if (!In(s.AutoWrite, 0, 10)) return Range("autowrite", 0, 10);
    if (!In(s.SpeedItem, 0, kSpeedItems - 1)) return Range("speed item", 0, kSpeedItems - 1);
    return "";
}

std::string RangeError(const DormaSettings& s) {
    if (!In(s.Address, 1, 255)) return Range("address", 1, 255);
    if (!In(s.Protocol, 0, 1)) return Range("protocol", 0, 1);
    if (!In(s.SpeedItem, 0, kSpeedItems - 1)) return Range("speed item", 0, kSpeedItems - 1);
    if (!In(s.Period, 0, kDormaPeriodItems - 1)) return Range("period", 0, kDormaPeriodItems - 1);
    if (!In(s.AutoSavePeriod, 0, kDormaAutoSaveItems - 1))
        return Range("autosave-period", 0, kDormaAutoSaveItems - 1);
    if (!In(s.SwitchOnDelay, 0, 60)) return Range("delay", 0, 60);
    return "";
}

bool ReadSettings(DeviceBus& bus, Hexar16Settings& s) {
    uint8_t data[kCommandBufferSize] = {};
    uint16_t length = 0;
    if (!bus.DeviceCommand(kHexar16Read, data, length)) return false;
    // A period the field cannot show is shown at the nearest end of its range.
    s.Period = std::clamp<int>(data[0], kHexar16PeriodMin, kHexar16PeriodMax);
    s.Backlight = data[1] != 0;
    s.AutoOff = data[2] != 0;
    return true;
}

bool WriteSettings(DeviceBus& bus, const Hexar16Settings& s) {
    if (!RangeError(s).empty()) return false;
    uint8_t data[kCommandBufferSize] = {static_cast<uint8_t>(s.Period), s.Backlight ? uint8_t{1} : uint8_t{0},
                                        s.AutoOff ? uint8_t{1} : uint8_t{0}};
    uint16_t length = 3;
    return bus.DeviceCommand(kHexar16Write, data, length);
}

bool ReadSettings(DeviceBus& bus, Hexar100Settings& s) {
    uint8_t data[kCommandBufferSize] = {};
    uint16_t length = 0;
    if (!bus.DeviceCommand(kHexar100Read, data, length)) return false;
    std::copy_n(data, s.Bytes.size(), s.Bytes.begin());
    s.Period = std::clamp<int>(data[0], 0, 10);
    s.Backlight = data[1] != 0;
    s.AutoOff = data[2] != 0;
    s.AutoWrite = std::clamp<int>(data[3], 0, 10);
    s.SpeedItem = std::clamp<int>(data[4], 1, kSpeedItems) - 1;
    return true;
}

bool WriteSettings(DeviceBus& bus, const Hexar100Settings& s) {
    if (!RangeError(s).empty()) return false;
    uint8_t data[kCommandBufferSize] = {};
    std::copy(s.Bytes.begin(), s.Bytes.end(), data);
    data[0] = static_cast<uint8_t>(s.Period);
    data[1] = s.Backlight ? 1 : 0;
    data[2] = s.AutoOff ? 1 : 0;
    data[3] = static_cast<uint8_t>(s.AutoWrite);
    data[4] = static_cast<uint8_t>(s.SpeedItem + 1);
    uint16_t length = 10;
    return bus.DeviceCommand(kHexar100Write, data, length);
}

bool ReadSettings(DeviceBus& bus, uint8_t address, DormaSettings& s) {
    uint16_t regs[kRegisterBufferSize] = {};
    uint16_t count = kDormaCount;
    if (!bus.ModbusRequest(address, 3, kDormaFirst, count, regs)) return false;
    // A reply with fewer registers sets only the controls it carries values for.
    auto has = [count](int i) { return i < count; };
    if (has(0)) s.Address = std::clamp<int>(regs[0], 1, 255);
    if (has(1)) s.Protocol = regs[1] != 0 ? 1 : 0;
    if (has(2)) s.SpeedItem = std::clamp<int>(regs[2], 5, 11) - 5;
    if (has(3)) s.Period = std::clamp<int>(regs[3], 0, kDormaPeriodItems - 1);
    if (has(4)) s.AutoSave = regs[4] == 1;
    if (has(5)) s.AutoSavePeriod = std::clamp<int>(regs[5], 0, kDormaAutoSaveItems - 1);
    if (has(6)) s.InsideHundredths = static_cast<int16_t>(regs[6]);
    if (has(7)) s.Heating = regs[7] == 1;
    if (has(8)) s.SwitchOnDelay = std::clamp<int>(regs[8], 0, 60);
    return true;
}

bool WriteSettings(DeviceBus& bus, uint8_t address, const DormaSettings& s) {
    if (!RangeError(s).empty()) return false;
    uint16_t regs[kRegisterBufferSize] = {
        static_cast<uint16_t>(s.Address),       static_cast<uint16_t>(s.Protocol),
        static_cast<uint16_t>(s.SpeedItem + 5), static_cast<uint16_t>(s.Period),
        static_cast<uint16_t>(s.AutoSave ? 1 : 0), static_cast<uint16_t>(s.AutoSavePeriod),
        0,  // the inside temperature is measured by the device; it is always written as 0
        static_cast<uint16_t>(s.Heating ? 1 : 0), static_cast<uint16_t>(s.SwitchOnDelay)};
    uint16_t count = kDormaCount;
    return bus.ModbusRequest(address, 16, kDormaFirst, count, regs);
}

}  // namespace drumo
