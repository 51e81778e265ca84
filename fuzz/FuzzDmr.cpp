// libFuzzer target: both ".dmr" readers over arbitrary bytes, then the store filled from what they
// read and saved as ".dml", which must read back signed with the same counts. The same bytes in a
// file, read from the disk in pieces, must give what the reader of bytes in memory gave.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "FuzzTempFile.h"
#include "files/ArchiveReader.h"
#include "files/ArchiveStore.h"

using namespace drumo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const ArchiveResult first = ReadDmr(bytes);

    static const std::string path = fuzz::TempPath(".dmr");
    fuzz::PutFile(path, bytes);
    const ArchiveResult disk = LoadArhivLegacy(path);
    if (!disk.Opened || disk.Completed != first.Completed || disk.Signed != first.Signed ||
        disk.StopLine != first.StopLine || disk.DeviceCount != first.DeviceCount ||
        disk.SampleCount != first.SampleCount || disk.ValidValues != first.ValidValues)
        std::abort();

    NullLog log;
    ConsoleOperator op(true);
    MeasurementStore store(op, log);
    StoreSink sink(store, "fuzz.dmr");
    ReplayArchive(first.Devices, sink);
    if (store.ValidValues() != first.ValidValues) std::abort();

    const ArchiveResult second = ReadDml(DmlBytes(store, "1.0.0.1", 43074.5));
    if (!second.Signed || second.Damaged() != 0 || second.DeviceCount != first.DeviceCount ||
        second.SampleCount != first.SampleCount || second.ValidValues != first.ValidValues)
        std::abort();
    return 0;
}
