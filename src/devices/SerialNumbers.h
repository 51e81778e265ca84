#pragma once
// The factory data of a device as the serial-number dialogs show them: the serial number and year
// of a Hexar model through the maker's protocol (commands 59 and 58 read, 96 and 95 write), and the
// type, modification, serial number and year of a Dorma model through Modbus (registers 0 to 3
// read; registers 64 to 69 take new data together with the factory write code).
//
// Reads change the values only when complete, and keep them as the device holds them, also those
// no control can show; a write sends every value the operator did not change as it was read
// (ReadSnapshot) and is refused without a complete read before it.

#include "acquisition/DeviceBus.h"
#include "link/ReadSnapshot.h"

#include <string>

namespace drumo {

struct HexarFactory {
    int Serial = 0;     // 0..32000
    int Year = 2013;    // 2010..2099
    ReadSnapshot SerialRead;  // the two bytes of command 59
    ReadSnapshot YearRead;    // the two bytes of command 58, when they came
    // A year that could not be read goes to the device only when the operator typed one.
    bool YearTyped = false;
};

struct DormaFactory {
    int TypeItem = 3;   // type code - 100, 0..7
    int Interface = 5;  // 0..5
    int Serial = 1;     // 1..32000
    int Year = 2011;    // 2011..2099
    ReadSnapshot Read;  // registers 0 to 3
};

inline constexpr uint16_t kFactoryWriteCode = 7316;
inline constexpr int kDormaTypeItems = 8;
inline constexpr int kInterfaceItems = 6;
const char* DormaTypeText(int item);       // "100: Hexar-1/16" .. "107: Dorma-6/200"
const char* InterfaceItemText(int item);   // "0: reserved" .. "5: RS-485"

// Empty when every value the operator changed fits its control, else which value and its range.
std::string RangeError(const HexarFactory& f);
std::string RangeError(const DormaFactory& f);

// Command 59 gives the serial number; on its failure nothing changes and false is returned. The
// year of command 58 is taken when it comes; its failure is not reported.
bool ReadFactory(DeviceBus& bus, HexarFactory& f);
// Command 96 with the serial number; on success command 95 with the year (see YearTyped), whose
// result is not checked (as the device's own service program does).
bool WriteFactory(DeviceBus& bus, const HexarFactory& f);
bool ReadFactory(DeviceBus& bus, uint8_t address, DormaFactory& f);
bool WriteFactory(DeviceBus& bus, uint8_t address, const DormaFactory& f);

}  // namespace drumo
