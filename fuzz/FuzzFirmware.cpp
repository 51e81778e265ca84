// libFuzzer target: loading a firmware image file of arbitrary bytes. Only a file of at least the
// whole image loads, and then exactly its first bytes; a shorter file leaves the image as it was.
// The identification registers are decoded from the same bytes.

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "FuzzTempFile.h"
#include "acquisition/LinkBus.h"
#include "devices/Firmware.h"
#include "link/ComBuf.h"
#include "link/DeviceLink.h"
#include "support/CountingPump.h"
#include "support/FakeClock.h"
#include "support/FakeSerialPort.h"
#include "support/ScriptedOperator.h"

using namespace drumo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = fuzz::TempPath(".bin");
    fuzz::PutFile(path, std::string_view(reinterpret_cast<const char*>(data), size));

    test::FakeClock clock;
    test::FakeSerialPort port{clock};
    TSerialChannel channel{port, clock};
    DeviceLink link{channel, clock};
    TComBuf decoder;
    LinkBus bus{link, decoder};
    test::ScriptedOperator op;
    test::CountingPump pump;
    FirmwareUpdate update{bus, op, pump, clock};
    const std::vector<uint8_t> before = update.Image();

    const bool loaded = update.LoadImageFile(path);
    if (loaded != (size >= static_cast<size_t>(kImageBytes))) std::abort();
    if (loaded ? !std::equal(update.Image().begin(), update.Image().end(), data) : update.Image() != before)
        std::abort();

    std::vector<uint16_t> regs;
    for (size_t i = 0; i + 1 < size && regs.size() < 128; i += 2) regs.push_back(static_cast<uint16_t>(data[i] << 8 | data[i + 1]));
    IdentityFromRegisters(regs.data(), static_cast<int>(regs.size()));
    return 0;
}
