// libFuzzer target: the sensor file (".dms") reader over arbitrary text. What it read is written
// again and read back: the second file must be the first, and the limit check and the checked
// records a write would send must not fail on anything the table holds.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "calibration/CorrectionTable.h"

using namespace drumo;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CorrectionTable table;
    std::string problem;
    if (!table.LoadFileText(std::string_view(reinterpret_cast<const char*>(data), size), '.', problem)) return 0;
    const std::string text = table.FileText();
    CorrectionTable again;
    if (!again.LoadFileText(text, '.', problem)) std::abort();
    if (again.FileText() != text) std::abort();

    std::string list, error;
    const int sensors = table.CompleteRows();
    if (sensors > CorrectionRows) std::abort();
    const int sent = std::min(sensors, CorrectionBlocks * CorrectionBlockSize);
    table.LimitCheck(sent, '.', list, error);
    TableRefusal refusal;
    if (const auto records = table.Check(sent, '.', refusal)) {
        if (records->Count() != sent) std::abort();
        for (int block = 0; block < CorrectionBlocks; ++block)
            if (records->Block(block).size() > 6u * CorrectionBlockSize) std::abort();
    }
    return 0;
}
