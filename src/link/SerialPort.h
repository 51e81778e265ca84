#pragma once
// A serial port of the operating system as the channel sees it: open a device exclusively, apply
// the line settings, and move bytes without ever blocking for more than about a millisecond.
// Every time-out that matters is measured by the channel above it, not by the port.
//
// PosixSerialPort is the termios implementation; tests use an in-memory fake.

#include <cstddef>
#include <cstdint>
#include <string>

namespace drumo {

enum class ParityMode { None, Odd, Even };
enum class HwFlowMode { None, RtsCts };
enum class SwFlowMode { None, XonXoff };

struct LineSettings {
    int BaudRate = 19200;
    int DataBits = 8;  // 5..8
    ParityMode Parity = ParityMode::None;
    int StopBits = 1;  // 1 or 2
    HwFlowMode HwFlow = HwFlowMode::None;
    SwFlowMode SwFlow = SwFlowMode::None;
};

class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Opens the device for exclusive reading and writing. On failure returns false and leaves
    // the reason in LastError(); PermissionDenied() tells a lack of rights from a missing device.
    virtual bool Open(const std::string& devicePath) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

    // Raw bytes, no character translation, the given framing and flow control.
    virtual bool Apply(const LineSettings& settings) = 0;

    virtual int BytesWaiting() = 0;    // bytes queued for reading; 0 on error
    virtual int BytesQueuedOut() = 0;  // bytes written but not yet sent; 0 when unknown
    // Non-blocking transfer: the number of bytes moved, 0 when none could be.
    virtual size_t Read(uint8_t* buffer, size_t count) = 0;
    virtual size_t Write(const uint8_t* data, size_t count) = 0;
    // Waits at most us microseconds for input (or output room); returns as soon as there is some.
    virtual bool WaitReadableUs(int64_t us) = 0;
    virtual bool WaitWritableUs(int64_t us) = 0;
    // Waits at most us microseconds for everything written to have left the line: the output
    // queue is empty and the last byte has had its own time on the wire at the applied speed.
    // True once it has.
    virtual bool WaitSentUs(int64_t us) = 0;
    // The device went away under the open port (a USB converter pulled, a pseudo-terminal
    // closed): nothing passes any more until it is opened again. LastError() tells why.
    virtual bool Lost() const = 0;

    virtual bool Flush(bool input, bool output) = 0;
    virtual void SetDTR(bool on) = 0;
    virtual void SetRTS(bool on) = 0;
    virtual void ClearErrors() = 0;

    virtual std::string LastError() const = 0;
    virtual bool PermissionDenied() const = 0;
};

}  // namespace drumo
