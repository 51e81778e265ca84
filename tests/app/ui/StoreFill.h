#pragma once
// Builds store contents for window tests, as discovery or the archive readers would leave them.

#include <vector>

#include "model/DeviceTypes.h"
#include "model/Store.h"

namespace drumo::test {

struct CableSpec {
    int Serial = 0;
    int Kind = 0;
    std::vector<int16_t> Labels;
};

// Appends a found device of catalogue position `typePos` with the given cables and counts it as
// present. Returns its index.
inline size_t AddDevice(MeasurementStore& store, int typePos, const std::vector<CableSpec>& cables,
                        int address = 1, int serial = 42, int year = 2010, int iface = 5) {
    const size_t d = store.Devices();
    store.SetDeviceCount(d + 1);
    TDevSig& dev = store.DevSig(d);
    ApplyDeviceType(dev, typePos);
    dev.DevType = static_cast<int16_t>(DeviceTypes[typePos].Code);
    dev.Address = static_cast<uint16_t>(address);
    dev.Serial = static_cast<uint16_t>(serial);
    dev.Year = static_cast<uint16_t>(year);
    dev.Interface = static_cast<uint8_t>(iface);
    dev.Firmware = "2.3";
    dev.MaxSensors = DeviceTypes[typePos].MaxSensors;
    dev.Source = "\\\\.\\Com3";
    store.SetCableCount(d, cables.size());
    uint16_t sensors = 0;
    for (size_t c = 0; c < cables.size(); ++c) {
        store.CableSerials(d)[c] = static_cast<int16_t>(cables[c].Serial);
        store.CableKinds(d)[c] = static_cast<uint8_t>(cables[c].Kind);
        store.SetSensorCount(d, c, cables[c].Labels.size());
        for (size_t s = 0; s < cables[c].Labels.size(); ++s)
            store.SensorLabels(d, c)[s] = cables[c].Labels[s];
        sensors += static_cast<uint16_t>(cables[c].Labels.size());
    }
    dev.Cables = static_cast<uint8_t>(cables.size());
    dev.Sensors = sensors;
    store.DeviceCount = static_cast<uint16_t>(store.Devices());
    store.CableCount = static_cast<uint16_t>(store.CableCount + cables.size());
    store.SensorCount += sensors;
    return d;
}

}  // namespace drumo::test
