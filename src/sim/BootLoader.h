#pragma once
// The boot loader of a device with flash memory: 496 pages of 256 bytes, seen as holding registers
// 0 to 63487 (register r holds bytes 2r and 2r + 1, the first in the high byte). While it runs it
// answers at its device's address and at 255; it reads and writes the memory with functions 3 and
// 16, echoes with function 8 sub-function 0, erases with sub-function 0xFFF3 (slowly, as flash
// does), identifies itself with function 17, and gives control back to the firmware on
// sub-function 0xFFF0 with data 1, or by itself 34 seconds after the last exchange.
//
// Writing behaves like flash: a write can only clear bits, so a page must be erased first.

#include "base/Services.h"
#include "sim/RtuEndpoint.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace drumo::sim {

inline constexpr int FirmwarePages = 496;
inline constexpr int FirmwarePageSize = 256;
inline constexpr int FirmwareBytes = FirmwarePages * FirmwarePageSize;
inline constexpr uint16_t BootModeSubfunction = 0xFFF0;
inline constexpr uint16_t EraseSubfunction = 0xFFF3;

struct DeviceIdentity {
    uint16_t Type = 0;
    uint16_t Variant = 1;
    uint16_t Serial = 0;
    uint16_t Year = 2024;
    uint16_t Firmware = 10;  // version times ten
    // Older devices do not know function 17 and answer it with an exception (illegal function).
    bool Identifies = true;
};

class BootLoader {
public:
    explicit BootLoader(Clock& clock);

    bool Active() const { return active_; }
    void Enter();
    void Leave() { active_ = false; }
    // Leaves the boot mode when 34 seconds have passed without an exchange.
    void Tick();

    // A request while the boot loader runs.
    std::optional<ModbusReply> Handle(const uint8_t* pdu, size_t n, const DeviceIdentity& id);

    // A firmware image: pages filled with a recognisable pattern, the rest erased (0xFF).
    void LoadSampleFirmware(int pages);
    bool FirmwarePresent() const;
    const std::vector<uint8_t>& Memory() const { return memory_; }
    std::vector<uint8_t>& Memory() { return memory_; }

    int EraseMs = 2000;      // how long an erase takes; the program waits 3 s longer for it
    int TimeoutMs = 34000;   // boot mode ends this long after the last exchange

private:
    std::optional<ModbusReply> ReadMemory(const uint8_t* pdu, size_t n);
    std::optional<ModbusReply> WriteMemory(const uint8_t* pdu, size_t n);

    Clock& clock_;
    bool active_ = false;
    int64_t lastExchangeMs_ = 0;
    std::vector<uint8_t> memory_;
};

}  // namespace drumo::sim
