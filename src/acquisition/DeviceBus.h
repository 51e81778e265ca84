#pragma once
// What the acquisition procedures (search, link test, polling, stream reception, service commands)
// need from the device link: the one serial port, one transaction of either protocol, and the feed
// of the sensor frame decoder. The desktop program and drumo-cli use LinkBus, which forwards every
// call to the real channel and protocol layers; the unit tests use a scripted bus.
//
// Buffers are passed per call instead of through the shared CommandBuffer and RegisterBuffer, so a
// procedure always fills its data right before the transaction and reads it right after.

#include "link/CommandProtocol.h"

#include <cstdint>
#include <functional>
#include <string>

namespace drumo {

// Protocols of the search settings (key Protocol).
enum class ExchangeProtocol { Command = 0, Modbus = 1 };

// "\\.\Com" + n: the port name the operator sees.
std::string ComPortName(int port);

class DeviceBus {
public:
    using StreamHandler = std::function<void(int sensor, double celsius)>;

    virtual ~DeviceBus() = default;

    // The serial channel.
    virtual void Disconnect() = 0;
    virtual void SetPortName(const std::string& name) = 0;
    virtual std::string PortName() const = 0;
    virtual bool Connect() = 0;
    virtual bool Connected() const = 0;
    virtual bool PollingActive() const = 0;
    virtual void PausePolling() = 0;
    virtual void ResumePolling() = 0;
    virtual void SetRTS(bool on) = 0;
    virtual void SetDTR(bool on) = 0;
    virtual int BaudRate() const = 0;
    // Baud rate and stop bits (1 for the command protocol, 2 for Modbus RTU).
    virtual void SetLine(int baudRate, int stopBits) = 0;
    virtual void FlushBuffers() = 0;
    // The reply time-out added to every reply wait, in milliseconds.
    virtual void SetAdditionalDelay(int ms) = 0;

    // One command of the maker's protocol. data holds kCommandBufferSize bytes; length is the
    // caller's length for writes and the number of bytes received for reads.
    virtual bool DeviceCommand(int code, uint8_t* data, uint16_t& length) = 0;
    // One Modbus transaction. data holds kRegisterBufferSize registers; count is the number of
    // registers to read or write (the data word for function 8) and, for reads, the number received.
    virtual bool ModbusRequest(uint8_t address, uint8_t function, uint16_t start, uint16_t& count,
                               uint16_t* data) = 0;
    // Status code of the last transaction (0 success) and its message for the operator.
    virtual int LinkStatus() const = 0;
    virtual std::string LinkStatusMessage() const = 0;
    // Marks the last transaction as failed with `status` when a procedure finds its reply unusable
    // (see ReadRegisters), so that its message is reported like any other failure.
    virtual void SetLinkStatus(int status) = 0;

    // Stream reception of the command protocol: every received byte goes to the sensor frame
    // decoder, which reports each reading to handler. Detach ends both.
    virtual void AttachStream(StreamHandler handler) = 0;
    virtual void DetachStream() = 0;
};

// Status of a register read that returned fewer registers than asked: the message of a reply of
// the wrong length ("Команда 3: Ответ содержит неверное количество байт").
inline constexpr int kShortReadStatus = 60;
// The same for a command of the maker's protocol answered without its data, or with too few
// ("Кличество байт в теле ответа не совпадает с запрошенным").
inline constexpr int kWrongLengthStatus = 15;

// Function 3 that succeeds only when every register asked for came back. A device may answer with
// fewer; such a reply is a failed read (status kShortReadStatus), never a partial success, so
// that no caller takes the registers that did not come from the buffer's old content.
bool ReadRegisters(DeviceBus& bus, uint8_t address, uint16_t start, uint16_t count, uint16_t* data);

}  // namespace drumo
