#pragma once
// Switching a multi-cable Modbus controller to one of its cables (holding register 47). Discovery
// gives it three attempts, the polling pass one.

#include "acquisition/DeviceBus.h"
#include "base/Services.h"

#include <cstdint>

namespace drumo {

// Up to `attempts` writes of register 47 with the value `cable`. Each failure is logged
// (" > Сбой при смене активной термокосы для " + address) and followed by a 32 ms pause.
// True at the first success.
bool SelectActiveCable(DeviceBus& bus, EventLog& log, Clock& clock, uint8_t address, uint16_t cable,
                       int attempts);

// The pause after a failed attempt wherever a procedure retries a transaction.
inline constexpr int RetryPauseMs = 32;

}  // namespace drumo
