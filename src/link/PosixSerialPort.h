#pragma once
// The serial port over POSIX termios. The descriptor is non-blocking; waits go through poll()
// with at most the few milliseconds the caller asks for. Pseudo-terminals refuse the modem-line
// ioctls (DTR, RTS); that is ignored, so the same code serves real ports and simulated devices.

#include "link/SerialPort.h"

namespace drumo {

class PosixSerialPort final : public SerialPort {
public:
    PosixSerialPort() = default;
    ~PosixSerialPort() override;
    PosixSerialPort(const PosixSerialPort&) = delete;
    PosixSerialPort& operator=(const PosixSerialPort&) = delete;

    bool Open(const std::string& devicePath) override;
    void Close() override;
    bool IsOpen() const override { return fd_ >= 0; }
    bool Apply(const LineSettings& settings) override;
    int BytesWaiting() override;
    int BytesQueuedOut() override;
    size_t Read(uint8_t* buffer, size_t count) override;
    size_t Write(const uint8_t* data, size_t count) override;
    bool WaitReadableUs(int64_t us) override;
    bool WaitWritableUs(int64_t us) override;
    bool WaitSentUs(int64_t us) override;
    bool Lost() const override { return lost_; }
    bool Flush(bool input, bool output) override;
    void SetDTR(bool on) override;
    void SetRTS(bool on) override;
    void ClearErrors() override;
    std::string LastError() const override { return lastError_; }
    bool PermissionDenied() const override { return permissionDenied_; }

private:
    bool Wait(short events, int64_t us);
    void SetModemLine(int line, bool on);
    // Marks the port lost when err says the device is gone.
    void NoteFailure(int err);

    int64_t byteUs_ = 0;      // one byte's time on the wire at the applied settings
    int64_t lineFreeUs_ = 0;  // monotonic time at which the last byte written is through
    bool lost_ = false;

    int fd_ = -1;
    std::string path_;
    std::string lastError_;
    bool permissionDenied_ = false;
};

// The termios speed constant of a baud rate, or 0 when the rate is not supported.
unsigned SpeedConstant(int baudRate);

}  // namespace drumo
