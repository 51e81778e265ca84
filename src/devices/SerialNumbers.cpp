#include "devices/SerialNumbers.h"

#include "link/CommandProtocol.h"
#include "link/SignMagnitude.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace drumo {

namespace {

constexpr const char* kTypes[kDormaTypeItems] = {"100: Hexar-1/16",  "101: Hexar-1/100", "102: reserved",
                                                 "103: Dorma-1/100", "104: reserved",    "105: Dorma-2/200",
                                                 "106: Dorma-4/200", "107: Dorma-6/200"};
constexpr const char* kInterfaces[kInterfaceItems] = {"0: reserved", "1: RS232",  "2: USB",
                                                      "3: Ethernet", "4: Wi-Fi", "5: RS-485"};

bool In(int v, int lo, int hi) { return v >= lo && v <= hi; }

std::string Range(const char* name, int lo, int hi) {
    return std::string(name) + " must be " + std::to_string(lo) + ".." + std::to_string(hi);
}

// The two bytes of a sign-and-magnitude value, and back.
std::vector<uint16_t> Bytes(int value) {
    uint8_t hi = 0, lo = 0;
    IntToSignMagnitude(value, hi, lo);
    return {hi, lo};
}
int Value(const std::vector<uint16_t>& bytes) {
    return SignMagnitudeToInt(static_cast<uint8_t>(bytes[0]), static_cast<uint8_t>(bytes[1]), -1);
}

// One sign-and-magnitude value of a two-byte command; a reply without its two bytes is no read.
bool ReadValue(DeviceBus& bus, int code, ReadSnapshot& read, int& value) {
    uint8_t data[kCommandBufferSize] = {};
    uint16_t length = 0;
    if (!bus.DeviceCommand(code, data, length)) {
        read.Drop();
        return false;
    }
    if (!read.Take(data, length, 2)) {
        bus.SetLinkStatus(kWrongLengthStatus);
        return false;
    }
    value = Value(read.Values());
    return true;
}

// The value as typed when the operator changed it, else the two bytes as read.
std::optional<std::vector<uint16_t>> Block(const ReadSnapshot& read, int value) {
    if (!read.Held()) return std::nullopt;
    return read.Compose(Bytes(Value(read.Values())), Bytes(value));
}

bool WriteValue(DeviceBus& bus, int code, const std::vector<uint16_t>& bytes) {
    uint8_t data[kCommandBufferSize] = {static_cast<uint8_t>(bytes[0]), static_cast<uint8_t>(bytes[1])};
    uint16_t length = 2;
    return bus.DeviceCommand(code, data, length);
}

std::vector<uint16_t> Words(const DormaFactory& f) {
    return {static_cast<uint16_t>(f.TypeItem + 100), static_cast<uint16_t>(f.Interface),
            static_cast<uint16_t>(f.Serial), static_cast<uint16_t>(f.Year)};
}
void FromWords(DormaFactory& f, const std::vector<uint16_t>& w) {
    f.TypeItem = w[0] - 100;
    f.Interface = w[1];
    f.Serial = w[2];
    f.Year = w[3];
}
std::vector<uint16_t> Shown(const DormaFactory& f) {
    DormaFactory shown;
    FromWords(shown, f.Read.Values());
    return Words(shown);
}

}  // namespace

const char* DormaTypeText(int item) { return In(item, 0, kDormaTypeItems - 1) ? kTypes[item] : ""; }
const char* InterfaceItemText(int item) { return In(item, 0, kInterfaceItems - 1) ? kInterfaces[item] : ""; }

std::string RangeError(const HexarFactory& f) {
    const bool serialChanged = !f.SerialRead.Held() || Value(f.SerialRead.Values()) != f.Serial;
    const bool yearChanged = !f.YearRead.Held() || Value(f.YearRead.Values()) != f.Year;
    if (serialChanged && !In(f.Serial, 0, 32000)) return Range("serial", 0, 32000);
    if (yearChanged && !In(f.Year, 2010, 2099)) return Range("year", 2010, 2099);
    return "";
}

std::string RangeError(const DormaFactory& f) {
    const bool held = f.Read.Held();
    const std::vector<uint16_t> wanted = Words(f), shown = held ? Shown(f) : std::vector<uint16_t>{};
    auto changed = [&](size_t i) { return !held || ReadSnapshot::Changed(shown, wanted, i); };
    if (changed(0) && !In(f.TypeItem, 0, kDormaTypeItems - 1)) return Range("type", 100, 100 + kDormaTypeItems - 1);
    if (changed(1) && !In(f.Interface, 0, kInterfaceItems - 1)) return Range("interface", 0, kInterfaceItems - 1);
    if (changed(2) && !In(f.Serial, 1, 32000)) return Range("serial", 1, 32000);
    if (changed(3) && !In(f.Year, 2011, 2099)) return Range("year", 2011, 2099);
    return "";
}

bool ReadFactory(DeviceBus& bus, HexarFactory& f) {
    int serial = 0;
    if (!ReadValue(bus, 59, f.SerialRead, serial)) return false;
    f.Serial = serial;
    f.YearTyped = false;
    if (int year = 0; ReadValue(bus, 58, f.YearRead, year)) f.Year = year;
    // The year's failure is not reported: the serial number's read stands.
    bus.SetLinkStatus(0);
    return true;
}

bool WriteFactory(DeviceBus& bus, const HexarFactory& f) {
    const auto serial = Block(f.SerialRead, f.Serial);
    if (!serial || !RangeError(f).empty()) return false;
    if (!WriteValue(bus, 96, *serial)) return false;
    if (const auto year = Block(f.YearRead, f.Year)) {
        WriteValue(bus, 95, *year);
    } else if (f.YearTyped) {
        WriteValue(bus, 95, Bytes(f.Year));
    }
    return true;
}

bool ReadFactory(DeviceBus& bus, uint8_t address, DormaFactory& f) {
    uint16_t regs[kRegisterBufferSize] = {};
    if (!ReadRegisters(bus, address, 0, 4, regs)) {
        f.Read.Drop();
        return false;
    }
    f.Read.Take(regs, 4, 4);
    FromWords(f, f.Read.Values());
    return true;
}

bool WriteFactory(DeviceBus& bus, uint8_t address, const DormaFactory& f) {
    if (!f.Read.Held() || !RangeError(f).empty()) return false;
    const auto block = f.Read.Compose(Shown(f), Words(f));
    uint16_t regs[kRegisterBufferSize] = {};
    std::copy(block->begin(), block->end(), regs);
    regs[4] = 0;
    regs[5] = kFactoryWriteCode;
    uint16_t count = 6;
    return bus.ModbusRequest(address, 16, 64, count, regs);
}

}  // namespace drumo
