// libFuzzer target: the sensor file (".dms") reader over arbitrary text. What it read is written
// again and read back: the second file must be the first, and the limit check and the block
// bytes must not fail on anything the table holds.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "calibration/CorrectionTable.h"

using namespace drumo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CorrectionTable table;
    table.LoadFileText(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::string text = table.FileText();
    CorrectionTable again;
    again.LoadFileText(text);
    if (again.FileText() != text) std::abort();

    std::string list, error;
    std::vector<uint8_t> bytes;
    const int sensors = table.CompleteRows();
    if (sensors > CorrectionRows) std::abort();
    const int sent = std::min(sensors, CorrectionBlocks * CorrectionBlockSize);
    if (table.LimitCheck(sent, '.', list, error)) {
        for (int block = 0; block < CorrectionBlocks; ++block) {
            if (!table.BlockBytes(block, sent, '.', bytes)) continue;
            if (bytes.size() > 6u * CorrectionBlockSize) std::abort();
        }
    }
    return 0;
}
