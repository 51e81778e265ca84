#pragma once
// The constant catalogue of the device models the program knows. Discovery looks a found device
// up by the type code it reports, the archive readers by code or by model name; the device record
// of the store copies its name, picture, capabilities and dialog names from the entry found.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace drumo {

// Capability flags of a model (TDAct::Caps, TDevSig::Caps): which device commands it offers.
enum : uint16_t {
    capStopStream = 0x0001,  // stop the sensor stream (mode command 73, data 0) after search and stop
    capSettings = 0x0002,    // "Настройки прибора"
    capNotebook = 0x0004,    // "Блокнот"
    capTimeSync = 0x0008,    // "Синхронизация времени"
    capPowerOff = 0x0010,    // "Выключить прибор"
    capSerial = 0x0020,      // "Серийный номер прибора"
    capFirmware = 0x0040,    // "Обновить прошивку прибора"
    capAutoSet = 0x0080,     // "Автонастройка термокосы"
    capReadRom = 0x0100,     // reading the sensors' ROM codes in the sensor report
};

// Interface codes of TDevSig::Interface and TDAct::DefaultInterface.
enum : uint8_t {
    ifRs232 = 0,
    ifRs232Alt = 1,
    ifUsb = 2,
    ifEthernet = 3,
    ifWiFi = 4,
    ifRs485 = 5,
    ifMicroSd = 6,
    ifRadio = 7,
    ifNone = 255,
};

// One catalogue entry.
struct TDAct {
    uint16_t Code;             // type code as the device reports it; 0 for unrecognised devices
    uint8_t DefaultInterface;  // interface given to a device of this model read from a file
    std::string_view Name;     // model name, also the name matched in archive files
    uint16_t Picture;          // index in the device picture list
    uint16_t MaxSensors;       // most sensors of the model, for devices read from files
    uint16_t Caps;             // capability flags
    std::string_view SettingsModule;  // settings dialog serving the model, empty for none
    std::string_view SerialModule;    // serial-number dialog, empty for none
    std::string_view FirmwareModule;  // firmware update dialog, empty for none
};

inline constexpr int DeviceTypeCount = 9;

// Position 0 stands for a device that is not recognised.
inline constexpr std::array<TDAct, DeviceTypeCount> DeviceTypes = {{
    {0, 255, "Unknown", 1, 0, 0x0000, "", "", ""},
    {100, 1, "Hexar-1/16", 2, 16, 0x0037, "Hexar16Set.dll", "Serial96.dll", ""},
    {101, 2, "Hexar-1/100", 3, 100, 0x01FF, "Hexar100Set.dll", "Serial96.dll",
     "ModbusFirmwareUpd.dll"},
    {103, 5, "Dorma-1/100", 4, 100, 0x006E, "ModbusDormaSet.dll", "ModbusDormaSerial.dll",
     "ModbusFirmwareUpd.dll"},
    {105, 5, "Dorma-2/200", 5, 200, 0x006E, "ModbusDormaSet.dll", "ModbusDormaSerial.dll",
     "ModbusFirmwareUpd.dll"},
    {106, 5, "Dorma-4/200", 6, 200, 0x006E, "ModbusDormaSet.dll", "ModbusDormaSerial.dll",
     "ModbusFirmwareUpd.dll"},
    {107, 5, "Dorma-6/200", 7, 200, 0x006E, "ModbusDormaSet.dll", "ModbusDormaSerial.dll",
     "ModbusFirmwareUpd.dll"},
    {120, 6, "Sevio-1/100-K", 8, 100, 0x0000, "", "", ""},
    {122, 7, "Sevio-1/100-M", 9, 100, 0x0000, "", "", ""},
}};

// Position 1..8 of the entry with this code, or 0 when no model has it (code 0 included).
int FindTypeByCode(uint16_t code);

// Position 1..8 of the entry with exactly this model name (case-sensitive), or 0.
int FindTypeByName(std::string_view name);

// The name shown for an interface code ("RS-232", "USB" ...); nothing for codes 8..254.
std::optional<std::string_view> InterfaceName(uint8_t code);

}  // namespace drumo
