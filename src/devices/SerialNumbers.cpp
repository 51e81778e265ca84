#include "devices/SerialNumbers.h"

#include "link/CommandProtocol.h"
#include "link/SignMagnitude.h"

#include <algorithm>

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

// One sign-and-magnitude value of a two-byte command.
bool ReadValue(DeviceBus& bus, int code, int& value) {
    uint8_t data[kCommandBufferSize] = {};
    uint16_t length = 0;
    if (!bus.DeviceCommand(code, data, length)) return false;
    value = SignMagnitudeToInt(data[0], data[1], -1);
    return true;
}

bool WriteValue(DeviceBus& bus, int code, int value) {
    uint8_t data[kCommandBufferSize] = {};
    IntToSignMagnitude(value, data[0], data[1]);
    uint16_t length = 2;
    return bus.DeviceCommand(code, data, length);
}

}  // namespace

const char* DormaTypeText(int item) { return In(item, 0, kDormaTypeItems - 1) ? kTypes[item] : ""; }
const char* InterfaceItemText(int item) { return In(item, 0, kInterfaceItems - 1) ? kInterfaces[item] : ""; }

std::string RangeError(const HexarFactory& f) {
    if (!In(f.Serial, 0, 32000)) return Range("serial", 0, 32000);
    if (!In(f.Year, 2010, 2099)) return Range("year", 2010, 2099);
    return "";
}

std::string RangeError(const DormaFactory& f) {
    if (!In(f.TypeItem, 0, kDormaTypeItems - 1)) return Range("type", 100, 100 + kDormaTypeItems - 1);
    if (!In(f.Interface, 0, kInterfaceItems - 1)) return Range("interface", 0, kInterfaceItems - 1);
    if (!In(f.Serial, 1, 32000)) return Range("serial", 1, 32000);
    if (!In(f.Year, 2011, 2099)) return Range("year", 2011, 2099);
    return "";
}

bool ReadFactory(DeviceBus& bus, HexarFactory& f) {
    int serial = 0;
    if (!ReadValue(bus, 59, serial)) return false;
    f.Serial = std::clamp(serial, 0, 32000);
    if (int year = 0; ReadValue(bus, 58, year)) f.Year = std::clamp(year, 2010, 2099);
    return true;
}

bool WriteFactory(DeviceBus& bus, const HexarFactory& f) {
    if (!RangeError(f).empty()) return false;
    if (!WriteValue(bus, 96, f.Serial)) return false;
    WriteValue(bus, 95, f.Year);
    return true;
}

bool ReadFactory(DeviceBus& bus, uint8_t address, DormaFactory& f) {
    uint16_t regs[kRegisterBufferSize] = {};
    uint16_t count = 4;
    if (!bus.ModbusRequest(address, 3, 0, count, regs)) return false;
    if (count > 0) f.TypeItem = std::clamp<int>(regs[0], 100, 100 + kDormaTypeItems - 1) - 100;
    if (count > 1) f.Interface = std::clamp<int>(regs[1], 0, kInterfaceItems - 1);
    if (count > 2) f.Serial = std::clamp<int>(regs[2], 1, 32000);
    if (count > 3) f.Year = std::clamp<int>(regs[3], 2011, 2099);
    return true;
}

bool WriteFactory(DeviceBus& bus, uint8_t address, const DormaFactory& f) {
    if (!RangeError(f).empty()) return false;
    uint16_t regs[kRegisterBufferSize] = {static_cast<uint16_t>(f.TypeItem + 100), static_cast<uint16_t>(f.Interface),
                                          static_cast<uint16_t>(f.Serial),        static_cast<uint16_t>(f.Year),
                                          0,                                      kFactoryWriteCode};
    uint16_t count = 6;
    return bus.ModbusRequest(address, 16, 64, count, regs);
}

}  // namespace drumo
