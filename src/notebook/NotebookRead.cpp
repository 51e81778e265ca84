#include "notebook/NotebookRead.h"

#include "link/LinkStatus.h"
#include "link/SignMagnitude.h"

#include <algorithm>

namespace drumo {

namespace {

constexpr int kInfoCommand = 30;
constexpr int kBlockCommand = 31;
constexpr int kFirstPageCommand = 42;
constexpr int kModeCommand = 73;
constexpr int kPointerCommand = 97;
constexpr uint8_t kEraseMode = 2;
constexpr uint16_t kInfoRegister = 80;
constexpr uint16_t kBlockRegister = 768;
constexpr uint16_t kEraseRegister = 45;
constexpr uint16_t kPointerRegister = 46;
constexpr int kMaxRetries = 3;  // the fourth failure in a row ends a read
constexpr int kModbusRetryPauseMs = 32;
constexpr int kCommandRetryPauseMs = 100;

NotebookProgress noProgress;

}  // namespace

NotebookReader::NotebookReader(const NotebookLine& line, NotebookProgress* progress)
    : line_(line), progress_(progress ? progress : &noProgress) {}

bool NotebookReader::ReadInfo(const NotebookDevice& device, NotebookInfo& info) {
    DeviceBus& bus = line_.Bus;
    if (device.Modbus) {
        std::array<uint16_t, kRegisterBufferSize> r{};
        uint16_t count = 6;
        if (!bus.ModbusRequest(static_cast<uint8_t>(device.Address), 3, kInfoRegister, count, r.data()) ||
            count < 6) {
            if (bus.LinkStatus() == 0) bus.SetLinkStatus(kShortReadStatus);  // too few registers
            ShowLinkStatus(bus.LinkStatus(), line_.Op);
            return false;
        }
        // Counts and sizes are taken unsigned: a notebook of more than 32767 words would
        // otherwise read as negative and be lost. The voltage is signed.
        info = NotebookInfo{r[0], r[1], r[2], r[3], static_cast<int16_t>(r[4]), static_cast<int16_t>(r[5])};
        return true;
    }
    uint16_t length = 0;
    std::array<uint8_t, kCommandBufferSize> buffer{};
    const uint8_t* d = buffer.data();
    if (!bus.DeviceCommand(kInfoCommand, buffer.data(), length) || length < 13) {
        if (bus.LinkStatus() == 0) bus.SetLinkStatus(kWrongLengthStatus);  // too short a reply
        ShowLinkStatus(bus.LinkStatus(), line_.Op);
        return false;
    }
    info.Records = SignMagnitudeToInt(d[0], d[1], -1);
    info.MaxRecords = SignMagnitudeToInt(d[2], d[3], -1);
    info.UsedWords = SignMagnitudeToInt(d[4], d[5], d[6]);
    info.SizeWords = SignMagnitudeToInt(d[7], d[8], d[9]);
    info.Voltage = SignMagnitudeToInt(d[10], d[11], -1);
    info.AutoWrite = d[12];
    return true;
}

bool NotebookReader::RequestBlock(const NotebookDevice& device, int expected, std::vector<int16_t>& block) {
    DeviceBus& bus = line_.Bus;
    block.clear();
    if (device.Modbus) {
        std::array<uint16_t, kRegisterBufferSize> r{};
        uint16_t count = NotebookBlockWords;
        if (!bus.ModbusRequest(static_cast<uint8_t>(device.Address), 3, kBlockRegister, count, r.data()))
            return false;
        const int n = std::min<int>(count, NotebookBlockWords);
        for (int i = 0; i < n; ++i) block.push_back(static_cast<int16_t>(r[i]));
    } else {
        uint16_t length = 0;
        std::array<uint8_t, kCommandBufferSize> buffer{};
        const uint8_t* d = buffer.data();
        if (!bus.DeviceCommand(kBlockCommand, buffer.data(), length)) return false;
        const int n = std::min<int>(length / 2, NotebookBlockWords);
        for (int i = 0; i < n; ++i)
            block.push_back(static_cast<int16_t>(SignMagnitudeToInt(d[2 * i], d[2 * i + 1], -1)));
    }
    // Only the last block of the notebook may be short: a reply with fewer words than are still
    // to come was cut short, and taking it would end the read as if the notebook ended there.
    if (static_cast<int>(block.size()) >= expected) return true;
    bus.SetLinkStatus(device.Modbus ? kShortReadStatus : kWrongLengthStatus);
    return false;
}

bool NotebookReader::SetPointer(const NotebookDevice& device, int block) {
    DeviceBus& bus = line_.Bus;
    if (device.Modbus) {
        std::array<uint16_t, kRegisterBufferSize> r{};
        r[0] = static_cast<uint16_t>(block);
        uint16_t count = 1;
        return bus.ModbusRequest(static_cast<uint8_t>(device.Address), 16, kPointerRegister, count, r.data());
    }
    std::array<uint8_t, kCommandBufferSize> d{};
    IntToSignMagnitude(block, d[0], d[1]);
    uint16_t length = 2;
    return bus.DeviceCommand(kPointerCommand, d.data(), length);
}

bool NotebookReader::Failed(int& retries) {
    ++Failures;
    ++retries;
    if (retries <= kMaxRetries) return false;
    Error = true;
    ShowLinkStatus(line_.Bus.LinkStatus(), line_.Op);
    return true;
}

bool NotebookReader::ReadBlocks(const NotebookDevice& device, int usedWords, std::vector<int16_t>& words) {
    Reading = true;
    Stopped = Error = false;
    Bytes = Blocks = Failures = 0;
    words.assign(static_cast<size_t>(std::max(usedWords, 0)), 0);
    size_t received = 0;
    progress_->ProgressRange(usedWords);
    const int pause = device.Modbus ? kModbusRetryPauseMs : kCommandRetryPauseMs;
    int b = 0, retries = 0;
    std::vector<int16_t> block;
    block.reserve(NotebookBlockWords);
    bool critical = false;  // the read gave up
    while (static_cast<double>(usedWords) / NotebookBlockWords >= b && Reading) {
        const int expected = std::clamp(usedWords - b * NotebookBlockWords, 0, NotebookBlockWords);
        if (!RequestBlock(device, expected, block)) {
            if ((critical = Failed(retries))) break;
            // The device may have moved its pointer on: put it back at this block and try again.
            for (;;) {
                line_.Time.SleepMs(pause);
                if (SetPointer(device, b)) break;
                if ((critical = Failed(retries))) break;
            }
            if (critical) break;
            continue;
        }
        retries = 0;
        const int n = static_cast<int>(block.size());
        if (n == 0) break;
        Bytes += 2 * n;
        const size_t at = static_cast<size_t>(b) * NotebookBlockWords;
        for (int i = 0; i < n && at + i < words.size(); ++i) words[at + i] = block[i];
        received = std::max(received, std::min(words.size(), at + n));
        progress_->Progress(static_cast<int>(at) + n);
        if (n < NotebookBlockWords) break;
        ++b;
        line_.Events.ProcessEvents();
    }
    progress_->Progress(0);
    words.resize(received);
    if (!Reading) {
        Stopped = Error = true;
        return false;
    }
    Blocks = b + 1;
    Reading = false;
    return true;
}

bool NotebookReader::ReadPages(std::vector<std::array<uint8_t, NotebookPageBytes>>& pages) {
    Reading = true;
    Stopped = Error = false;
    Bytes = Blocks = Failures = 0;
    pages.clear();
    // The bar counts the pages read, so that the last of the nine fills it and the first shows.
    progress_->ProgressRange(NotebookPages);
    DeviceBus& bus = line_.Bus;
    for (int i = 0; i < NotebookPages && Reading; ++i) {
        uint16_t length = 0;
        std::array<uint8_t, kCommandBufferSize> buffer{};
        const uint8_t* d = buffer.data();
        if (!bus.DeviceCommand(kFirstPageCommand + i, buffer.data(), length) || length < NotebookPageBytes) {
            if (bus.LinkStatus() == 0) bus.SetLinkStatus(kWrongLengthStatus);
            Error = true;
            ShowLinkStatus(bus.LinkStatus(), line_.Op);
            Reading = false;
            progress_->Progress(0);
            return false;
        }
        std::array<uint8_t, NotebookPageBytes> page{};
        std::copy(d, d + NotebookPageBytes, page.begin());
        pages.push_back(page);
        progress_->Progress(i + 1);
        line_.Events.ProcessEvents();
    }
    progress_->Progress(0);
    if (!Reading) {
        Stopped = Error = true;
        return false;
    }
    Reading = false;
    return true;
}

bool NotebookReader::Erase(const NotebookDevice& device) {
    DeviceBus& bus = line_.Bus;
    bool ok;
    if (device.Modbus) {
        std::array<uint16_t, kRegisterBufferSize> r{};
        r[0] = kEraseMode;
        uint16_t count = 1;
        ok = bus.ModbusRequest(static_cast<uint8_t>(device.Address), 16, kEraseRegister, count, r.data());
    } else {
        std::array<uint8_t, kCommandBufferSize> d{};
        d[0] = kEraseMode;
        uint16_t length = 1;
        ok = bus.DeviceCommand(kModeCommand, d.data(), length);
    }
    Error = !ok;
    if (!ok) ShowLinkStatus(bus.LinkStatus(), line_.Op);
    return ok;
}

}  // namespace drumo
