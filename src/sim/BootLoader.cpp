#include "sim/BootLoader.h"

namespace drumo::sim {
namespace {

constexpr int kRegisters = FirmwareBytes / 2;  // 63488

}  // namespace

BootLoader::BootLoader(Clock& clock) : clock_(clock), memory_(FirmwareBytes, 0xFF) {}

void BootLoader::Enter() {
    active_ = true;
    lastExchangeMs_ = clock_.TickMs();
}

void BootLoader::Tick() {
    if (active_ && clock_.TickMs() - lastExchangeMs_ >= TimeoutMs) active_ = false;
}

void BootLoader::LoadSampleFirmware(int pages) {
    std::fill(memory_.begin(), memory_.end(), 0xFF);
    for (int i = 0; i < pages * FirmwarePageSize && i < FirmwareBytes; ++i) {
        memory_[i] = static_cast<uint8_t>((i * 7 + i / 256) & 0xFF);
    }
}

bool BootLoader::FirmwarePresent() const {
    for (uint8_t b : memory_) {
        if (b != 0xFF) return true;
    }
    return false;
}

std::optional<ModbusReply> BootLoader::Handle(const uint8_t* pdu, size_t n, const DeviceIdentity& id) {
    lastExchangeMs_ = clock_.TickMs();
    const uint8_t function = pdu[0];
    switch (function) {
    case 3:
        return ReadMemory(pdu, n);
    case 16:
        return WriteMemory(pdu, n);
    case 8: {
        const uint16_t sub = Word(pdu + 1);
        const uint16_t data = Word(pdu + 3);
        ModbusReply echo{std::vector<uint8_t>(pdu, pdu + n)};
        if (sub == 0) return echo;
        if (sub == BootModeSubfunction) {
            if (data == 1) {
                active_ = false;
                return echo;
            }
            if (data == 0) return echo;  // already there
            return ExceptionReply(function, IllegalValue);
        }
        if (sub == EraseSubfunction) {
            std::fill(memory_.begin(), memory_.end(), 0xFF);
            echo.DelayUs = int64_t{EraseMs} * 1000;
            return echo;
        }
        return ExceptionReply(function, IllegalFunction);
    }
    case 17: {
        if (!id.Identifies) return ExceptionReply(function, IllegalFunction);
        // The boot loader runs (high byte 0); the low byte tells whether a firmware is there too.
        std::vector<uint16_t> regs = {static_cast<uint16_t>(FirmwarePresent() ? 0x0001 : 0x0000), id.Type,
                                      id.Variant, id.Serial, id.Year, id.Firmware};
        ModbusReply reply = RegistersReply(17, regs);
        return reply;
    }
    default:
        return ExceptionReply(function, IllegalFunction);
    }
}

std::optional<ModbusReply> BootLoader::ReadMemory(const uint8_t* pdu, size_t n) {
    if (n != 5) return ExceptionReply(3, IllegalValue);
    const int start = Word(pdu + 1);
    const int count = Word(pdu + 3);
    if (count < 1 || count > 125) return ExceptionReply(3, IllegalValue);
    if (start + count > kRegisters) return ExceptionReply(3, IllegalAddress);
    std::vector<uint16_t> regs;
    for (int r = start; r < start + count; ++r) regs.push_back(Word(&memory_[2 * r]));
    return RegistersReply(3, regs);
}

std::optional<ModbusReply> BootLoader::WriteMemory(const uint8_t* pdu, size_t n) {
    const WriteRequest request = ParseWriteRequest(pdu, n);
    if (request.Refusal) return request.Refusal;
    const int start = request.Start;
    const int count = static_cast<int>(request.Values.size());
    if (start + count > kRegisters) return ExceptionReply(16, IllegalAddress);
    for (int i = 0; i < count; ++i) {  // flash clears bits only
        memory_[2 * (start + i)] &= static_cast<uint8_t>(request.Values[i] >> 8);
        memory_[2 * (start + i) + 1] &= static_cast<uint8_t>(request.Values[i] & 0xFF);
    }
    return WriteEcho(pdu);
}

}  // namespace drumo::sim
