#pragma once
// The ROM codes of a controller's sensors, read for the sensor report.

#include "acquisition/DeviceBus.h"
#include "base/Services.h"
#include "model/Store.h"

#include <cstdint>
#include <string>
#include <vector>

namespace drumo {

// An 8-byte ROM code as four groups of two bytes, last received byte first, each group after a
// blank: " A300 0005 1A4B FF28".
std::string RomCodeText(const uint8_t* eight);

struct RomCodeRow {
    std::string Number;  // "№" + sensor number
    std::string Code;
};

// "btnReadRom": blocks of up to 26 codes until one comes short. `rows` keeps the codes of the blocks
// read before a failure (shown as the status message); rows of an earlier, longer read beyond the
// new count go. Nothing happens while archive data are shown or without a device.
bool ReadRomCodes(DeviceBus& bus, const MeasurementStore& store, std::vector<RomCodeRow>& rows, Operator& op);

}  // namespace drumo
