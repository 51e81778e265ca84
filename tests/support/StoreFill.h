#pragma once
// Builds store contents for tests, as discovery or the archive readers would leave them.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "model/DateTime.h"
#include "model/DeviceTypes.h"
#include "model/Store.h"

namespace drumo::test {

struct CableSpec {
    using SampleList = std::vector<std::pair<DateTime, std::vector<int16_t>>>;
    CableSpec(int16_t serial = 0, uint8_t kind = 1, std::vector<int16_t> labels = {}, SampleList samples = {})
        : Serial(serial), Kind(kind), Labels(std::move(labels)), Samples(std::move(samples)) {}

    int16_t Serial;
    uint8_t Kind;
    std::vector<int16_t> Labels;
    // Samples appended in this order: a time and one value per sensor.
    SampleList Samples;
};

struct DeviceSpec {
    // Catalogue position whose code, model name, picture, capabilities and sensor limit the device
    // takes; -1 keeps DevType and TypeName below.
    int TypePos = -1;
    int16_t DevType = 103;
    std::string TypeName = "Dorma-1/100";
    uint16_t Serial = 0;
    uint16_t Year = 0;
    std::string Firmware = "n/a";
    uint16_t Address = 0;
    uint8_t Interface = 0;
    std::string Comment;
    std::string Source;
    std::vector<CableSpec> Cables;
};

// Appends the device with its cables, labels and samples and counts it in the store's totals.
// Returns its index.
inline size_t AddDevice(MeasurementStore& store, const DeviceSpec& device) {
    const size_t d = store.Devices();
    store.SetDeviceCount(d + 1);
    TDevSig& dev = store.DevSig(d);
    dev.DevType = device.DevType;
    dev.TypeName = device.TypeName;
    if (device.TypePos >= 0) {
        ApplyDeviceType(dev, device.TypePos);
        dev.DevType = static_cast<int16_t>(DeviceTypes[device.TypePos].Code);
        dev.MaxSensors = DeviceTypes[device.TypePos].MaxSensors;
    }
    dev.Serial = device.Serial;
    dev.Year = device.Year;
    dev.Firmware = device.Firmware;
    dev.Address = device.Address;
    dev.Interface = device.Interface;
    dev.Comment = device.Comment;
    dev.Source = device.Source;
    store.SetCableCount(d, device.Cables.size());
    uint16_t sensors = 0;
    for (size_t c = 0; c < device.Cables.size(); ++c) {
        const CableSpec& cable = device.Cables[c];
        store.CableSerials(d)[c] = cable.Serial;
        store.CableKinds(d)[c] = cable.Kind;
        store.SetSensorCount(d, c, cable.Labels.size());
        for (size_t s = 0; s < cable.Labels.size(); ++s) store.SensorLabels(d, c)[s] = cable.Labels[s];
        for (const auto& [time, values] : cable.Samples) store.AppendSample(d, c, time, values);
        sensors = static_cast<uint16_t>(sensors + cable.Labels.size());
    }
    dev.Cables = static_cast<uint8_t>(device.Cables.size());
    dev.Sensors = sensors;
    store.CountDevice();
    store.CountCables(device.Cables.size(), sensors);
    return d;
}

// A device as a search on "\\.\Com3" finds it: catalogue position `typePos`, firmware "2.3".
inline size_t AddDevice(MeasurementStore& store, int typePos, const std::vector<CableSpec>& cables,
                        int address = 1, int serial = 42, int year = 2010, int iface = 5) {
    DeviceSpec device;
    device.TypePos = typePos;
    device.Address = static_cast<uint16_t>(address);
    device.Serial = static_cast<uint16_t>(serial);
    device.Year = static_cast<uint16_t>(year);
    device.Interface = static_cast<uint8_t>(iface);
    device.Firmware = "2.3";
    device.Source = "\\\\.\\Com3";
    device.Cables = cables;
    return AddDevice(store, device);
}

}  // namespace drumo::test
