#pragma once
// Which device commands the main window offers for the selected device.

#include <cstdint>
#include <optional>

#include "model/Store.h"

namespace drumo {

// What the rules need to know about the store.
struct DeviceActionInput {
    int DeviceCount = 0;     // devices counted as present (0 after a device was switched off)
    int ListedDevices = 0;   // length of the device list
    int SelDevice = 0;
    bool ArchiveLoaded = false;
    uint16_t Caps = 0;       // of the selected device, when it is in the list
    int DevType = 0;         // of the selected device, when it is in the list
};

struct DeviceActionSet {
    bool Settings = false;
    bool Notebook = false;
    bool PowerOff = false;
    bool TimeSync = false;
    bool AutoSet = false;
    bool Serial = false;
    bool ReadRom = false;   // the report's button that reads the sensors' ROM codes
    bool Firmware = false;
    // The notebook window's information button; nothing means "leave it as it is".
    std::optional<bool> NotebookInfo;
};

DeviceActionSet DeviceActionsFor(const DeviceActionInput& in);

// The same for the store as it stands.
DeviceActionInput DeviceActionInputOf(const MeasurementStore& store);

}  // namespace drumo
