#pragma once
// The settings of each controller model as its settings dialog shows them, read from the device and
// written back to it: the Hexar-1/16 and Hexar-1/100 with one read and one write command of the
// maker's protocol, the Dorma models with nine Modbus holding registers (32 to 40).
//
// A read fills the values only when it is complete; a failed or short read leaves them as they
// were and drops the snapshot of the last read, so nothing can be written until a read succeeds.
// The values are the device's own, also those no control can show (a speed code outside the list,
// a period beyond the field): the dialogs mark them, and a write sends every value the operator
// did not change exactly as it was read (ReadSnapshot). Writes check every changed value first
// (RangeError) and send nothing when one is out of range.

#include "acquisition/DeviceBus.h"
#include "link/ReadSnapshot.h"
#include "model/Store.h"

#include <array>
#include <cstdint>
#include <string>

namespace drumo {

// --- Hexar-1/16: command 41 reads, command 94 writes three bytes.
struct Hexar16Settings {
    int Period = 20;        // measuring period in seconds, 5..90
    bool Backlight = false;
    bool AutoOff = false;
    ReadSnapshot Read;      // the three bytes as read
};
inline constexpr int kHexar16PeriodMin = 5;
inline constexpr int kHexar16PeriodMax = 90;

// --- Hexar-1/100: command 39 reads, command 98 writes ten bytes.
struct Hexar100Settings {
    int Period = 0;       // list position 0..10 ("10 секунд" .. "1 час")
    bool Backlight = false;
    bool AutoOff = false;
    int AutoWrite = 0;    // list position 0..10 ("отключено", "20 секунд" .. "1 час")
    int SpeedItem = 3;    // exchange speed code - 1, 0..6 (2400 .. 115200 bit/s)
    // The ten bytes as the device last sent them; bytes 5 to 9 go back unchanged.
    std::array<uint8_t, 10> Bytes{};
    ReadSnapshot Read;
};
inline constexpr int kHexar100Items = 11;
const char* Hexar100PeriodText(int item);     // "10 секунд" .. "1 час"
const char* Hexar100AutoWriteText(int item);  // "отключено" .. "1 час"
// The supply voltage of bytes 5 and 6: the value / 100 and " V", or "undefined" when byte 5 is 0.
std::string SupplyText(const Hexar100Settings& s);
// The auto-write list after either list changed: never more often than the device measures.
int CoupledAutoWrite(int period, int autoWrite);

// --- Dorma: holding registers 32 to 40.
struct DormaSettings {
    int Address = 1;         // 1..255
    int Protocol = 1;        // 0 "Drumo", 1 "MODBUS RTU"; shown, not changed
    int SpeedItem = 3;       // speed code - 5, 0..6
    int Period = 3;          // 0..5, "10 секунд (тест)" .. "5 минут"
    bool AutoSave = false;
    int AutoSavePeriod = 4;  // 0..7, "20 секунд (тест)" .. "30 суток"
    int InsideHundredths = 0;
    bool Heating = false;
    int SwitchOnDelay = 0;   // seconds, 0..60
    ReadSnapshot Read;       // registers 32 to 40 as read
};
inline constexpr int kDormaPeriodItems = 6;
inline constexpr int kDormaAutoSaveItems = 8;
inline constexpr int kDormaPeriodDefault = 3;    // "60 секунд *"
inline constexpr int kDormaAutoSaveDefault = 4;  // "24 часа *"
const char* DormaPeriodText(int item);
const char* DormaAutoSaveText(int item);
// " Температура внутри прибора ": the value / 100 followed by "°C".
std::string InsideTemperatureText(int hundredths);
// The test items (position 0) of the two lists may be chosen only after the corner double-click;
// without it a chosen test item goes back to the list's default.
int DormaListChoice(int chosen, int defaultItem, bool testItemsUnlocked);
// Whether another device of the store (not `ownIndex`, below DeviceCount) has this address.
bool AddressTaken(const MeasurementStore& store, int ownIndex, int address);

// Whether a value the device holds has a place in its control (list item, field range); the
// dialogs mark the others and keep them as read.
bool Listed(int item, int items);

// --- Range checks: empty when every value the operator changed fits its control (every value,
// when nothing was read), else which value and its range.
std::string RangeError(const Hexar16Settings& s);
std::string RangeError(const Hexar100Settings& s);
std::string RangeError(const DormaSettings& s);

// --- Device transactions; false with the bus's status on failure (a short read fails with
// kShortReadStatus). A write without a complete read before it, or whose changed values are out
// of range (check RangeError first), returns false and sends nothing.
bool ReadSettings(DeviceBus& bus, Hexar16Settings& s);
bool WriteSettings(DeviceBus& bus, const Hexar16Settings& s);
bool ReadSettings(DeviceBus& bus, Hexar100Settings& s);
bool WriteSettings(DeviceBus& bus, const Hexar100Settings& s);
bool ReadSettings(DeviceBus& bus, uint8_t address, DormaSettings& s);
bool WriteSettings(DeviceBus& bus, uint8_t address, const DormaSettings& s);

// The devices whose settings can be read: the device's Modbus address, or 255 when no device is
// selected.
uint8_t SelectedAddress(const MeasurementStore& store);

}  // namespace drumo
