#include "app/DeviceActions.h"

#include "model/DeviceTypes.h"

namespace drumo {

DeviceActionSet DeviceActionsFor(const DeviceActionInput& in) {
    const bool listed = in.SelDevice >= 0 && in.SelDevice < in.ListedDevices;
    const bool present = in.DeviceCount != 0 && listed && !in.ArchiveLoaded;
    const uint16_t caps = listed ? in.Caps : 0;

    DeviceActionSet set;
    if (present) {
        set.Settings = caps & capSettings;
        set.Notebook = caps & capNotebook;
        set.PowerOff = caps & capPowerOff;
        set.TimeSync = caps & capTimeSync;
        set.AutoSet = caps & capAutoSet;
        set.Serial = caps & capSerial;
        set.ReadRom = caps & capReadRom;
        set.NotebookInfo = in.DevType != 100;
    } else {
        // Without a device the notebook stays reachable for files read from disk.
        set.Notebook = true;
    }
    set.Firmware = in.DeviceCount == 0 || (caps & capFirmware);
    return set;
}

DeviceActionInput DeviceActionInputOf(const MeasurementStore& store) {
    DeviceActionInput in;
    in.DeviceCount = store.DeviceCount();
    in.ListedDevices = static_cast<int>(store.Devices());
    in.SelDevice = store.SelDevice();
    in.ArchiveLoaded = store.ArchiveLoaded();
    if (store.HasDevice(store.SelDevice())) {
        in.Caps = store.DevSig(store.SelDevice()).Caps;
        in.DevType = store.DevSig(store.SelDevice()).DevType;
    }
    return in;
}

}  // namespace drumo
