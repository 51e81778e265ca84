// libFuzzer target: loading a firmware image file of arbitrary bytes. Only a file of at least the
// whole image loads, and then exactly its first bytes; a shorter file leaves the image as it was.
// The first byte chooses the file: when odd, the rest repeated to a whole image and up to 127
// bytes more, so that loads that succeed are reached from short inputs; when even, the rest as it
// is. The dump shown after a load is stopped after its first page, as the operator may: the
// other 495 pages only repeat the same formatting, at a cost of 7920 lines a run. The
// identification registers are decoded from the same bytes.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
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

namespace {

// Stops the dump after its first page and checks the lines it was given.
class FirstPageView : public FirmwareView {
public:
    FirmwareUpdate* update = nullptr;
    void Progress(int page) override {
        if (page > 0) update->Abort();
    }
    void AddDumpLines(const std::vector<std::string>& lines) override {
        if (lines.size() != 16) std::abort();
        for (const std::string& line : lines)
            if (line.size() != 6 + 2 + 16 * 3) std::abort();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    // Kept from run to run: a fresh buffer of a whole image each time costs more than the load.
    static std::string file;
    file.assign(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] & 1 && !file.empty()) {
        const size_t length = kImageBytes + (data[0] >> 1);
        while (file.size() < length) file.append(file.data(), std::min(file.size(), length - file.size()));
    }
    static const std::string path = fuzz::TempPath(".bin");
    fuzz::PutFile(path, file);

    test::FakeClock clock;
    test::FakeSerialPort port{clock};
    TSerialChannel channel{port, clock};
    DeviceLink link{channel, clock};
    TComBuf decoder;
    LinkBus bus{link, decoder};
    test::ScriptedOperator op;
    test::CountingPump pump;
    FirmwareUpdate update{bus, op, pump, clock};
    FirstPageView view;
    view.update = &update;
    update.SetView(&view);

    const bool loaded = update.LoadImageFile(path);
    if (loaded != (file.size() >= static_cast<size_t>(kImageBytes))) std::abort();
    const auto& image = update.Image();
    if (loaded ? !std::equal(image.begin(), image.end(), reinterpret_cast<const uint8_t*>(file.data()))
               : std::any_of(image.begin(), image.end(), [](uint8_t b) { return b != 0; }))  // as it was made
        std::abort();
    if (update.Busy() || update.HasImage() != loaded) std::abort();

    std::vector<uint16_t> regs;
    for (size_t i = 0; i + 1 < size && regs.size() < 128; i += 2) regs.push_back(static_cast<uint16_t>(data[i] << 8 | data[i + 1]));
    IdentityFromRegisters(regs.data(), static_cast<int>(regs.size()));
    return 0;
}
