#include "acquisition/ActiveCable.h"

#include <string>

namespace drumo {

bool SelectActiveCable(DeviceBus& bus, EventLog& log, Clock& clock, uint8_t address, uint16_t cable,
                       int attempts) {
    for (int i = 0; i < attempts; ++i) {
        uint16_t regs[kRegisterBufferSize] = {cable};
        uint16_t count = 1;
        if (bus.ModbusRequest(address, 16, 47, count, regs)) return true;
        log.Log(" > Сбой при смене активной термокосы для " + std::to_string(address));
        clock.SleepMs(RetryPauseMs);
    }
    return false;
}

}  // namespace drumo
