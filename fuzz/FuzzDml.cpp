// libFuzzer target: the ".dml" reader over arbitrary bytes, then the store filled from what it read
// written out again, which must read back signed, undamaged and with the same content.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "files/ArchiveReader.h"
#include "files/ArchiveStore.h"

using namespace drumo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const ArchiveResult first = ReadDml(bytes);

    NullLog log;
    ConsoleOperator op(true);
    MeasurementStore store(op, log);
    StoreSink sink(store, "fuzz.dml");
    ReplayArchive(first.Devices, sink);

    const std::string again = DmlBytes(store, "1.0.0.1", 43074.5);
    const ArchiveResult second = ReadDml(again);
    if (!second.Signed || second.Damaged() != 0 || second.DeviceCount != first.DeviceCount ||
        second.CableCount != first.CableCount || second.SensorCount != first.SensorCount ||
        second.SampleCount != first.SampleCount || second.ValidValues != first.ValidValues ||
        store.ValidValues() != first.ValidValues)
        std::abort();
    return 0;
}
