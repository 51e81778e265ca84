#include "acquisition/DeviceActions.h"

namespace drumo {

namespace {
// Capability bits of a device record that decide the commands.
constexpr uint16_t kSettings = 0x0002, kNotebook = 0x0004, kTimeSync = 0x0008, kPowerOff = 0x0010,
                   kSerial = 0x0020, kFirmware = 0x0040, kAutoSet = 0x0080, kReadRom = 0x0100;
}  // namespace

DeviceActionSet DeviceActionsFor(const DeviceActionInput& in) {
    const bool listed = in.SelDevice >= 0 && in.SelDevice < in.ListedDevices;
    const bool present = in.DeviceCount != 0 && listed && !in.ArchiveLoaded;
    const uint16_t caps = listed ? in.Caps : 0;

    DeviceActionSet set;
    if (present) {
        set.Settings = caps & kSettings;
        set.Notebook = caps & kNotebook;
        set.PowerOff = caps & kPowerOff;
        set.TimeSync = caps & kTimeSync;
        set.AutoSet = caps & kAutoSet;
        set.Serial = caps & kSerial;
        set.ReadRom = caps & kReadRom;
        set.NotebookInfo = in.DevType != 100;
    } else {
        // Without a device the notebook stays reachable for files read from disk.
        set.Notebook = true;
    }
    set.Firmware = in.DeviceCount == 0 || (caps & kFirmware);
    return set;
}

}  // namespace drumo
