#include "acquisition/LinkBus.h"

#include <algorithm>

namespace drumo {

void LinkBus::SetLine(int baudRate, int stopBits) {
    link_.SerialLink.SetBaudRateValue(baudRate);
    link_.SerialLink.SetStopBits(stopBits);
}

// The shared buffers stay the place where a transaction's data live, as every other part of the
// program expects; the caller's buffers are copied in before and out after.
bool LinkBus::DeviceCommand(int code, uint8_t* data, uint16_t& length) {
    std::copy(data, data + kCommandBufferSize, link_.CommandBuffer.begin());
    link_.TransferCount = length;
    const bool ok = link_.DeviceCommand(code, link_.CommandBuffer.data(), link_.TransferCount);
    std::copy(link_.CommandBuffer.begin(), link_.CommandBuffer.end(), data);
    length = link_.TransferCount;
    return ok;
}

bool LinkBus::ModbusRequest(uint8_t address, uint8_t function, uint16_t start, uint16_t& count,
                            uint16_t* data) {
    std::copy(data, data + kRegisterBufferSize, link_.RegisterBuffer.begin());
    link_.TransferCount = count;
    const bool ok = link_.ModbusRequest(address, function, start, link_.TransferCount,
                                        link_.RegisterBuffer.data());
    std::copy(link_.RegisterBuffer.begin(), link_.RegisterBuffer.end(), data);
    count = link_.TransferCount;
    return ok;
}

bool ReadRegisters(DeviceBus& bus, uint8_t address, uint16_t start, uint16_t count, uint16_t* data) {
    uint16_t received = count;
    if (!bus.ModbusRequest(address, 3, start, received, data)) return false;
    if (received == count) return true;
    bus.SetLinkStatus(kShortReadStatus);
    return false;
}

void LinkBus::AttachStream(StreamHandler handler) {
    decoder_.SetHandler(std::move(handler));
    link_.SerialLink.SetOnReceiveData(
        [this](const uint8_t* bytes, size_t size) { decoder_.PutBytes(bytes, size); });
}

void LinkBus::DetachStream() {
    link_.SerialLink.SetOnReceiveData(nullptr);
    decoder_.SetHandler(nullptr);
}

}  // namespace drumo
