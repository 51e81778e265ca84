#include "calibration/RomCodes.h"

#include "calibration/CorrectionTable.h"

namespace drumo {

namespace {
constexpr int CommandReadRom = 20;  // 20..23
constexpr int RomBytes = 8;
}  // namespace

std::string RomCodeText(const uint8_t* eight) {
    static const char hex[] = "0123456789ABCDEF";
    std::string text;
    for (int i = RomBytes - 1; i >= 0; --i) {
        if (i % 2 == 1) text += ' ';
        text += hex[eight[i] >> 4];
        text += hex[eight[i] & 0x0F];
    }
    return text;
}

bool ReadRomCodes(DeviceBus& bus, const MeasurementStore& store, std::vector<RomCodeRow>& rows, Operator& op) {
    if (store.ArchiveLoaded() || store.DeviceCount() == 0) return false;
    for (int b = 0; b < CorrectionBlocks; ++b) {
        uint8_t data[kCommandBufferSize] = {};
        uint16_t length = 0;
        if (!bus.DeviceCommand(CommandReadRom + b, data, length)) {
            op.Error(bus.LinkStatusMessage());
            return false;
        }
        const int n = std::min<int>(length / RomBytes, CorrectionBlockSize);
        if (n == 0) break;
        for (int j = 1; j <= n; ++j) {
            const int number = b * CorrectionBlockSize + j;
            rows.resize(static_cast<size_t>(number));
            rows.back() = {"№" + std::to_string(number), RomCodeText(data + (j - 1) * RomBytes)};
        }
        if (n < CorrectionBlockSize) break;
    }
    return true;
}

}  // namespace drumo
