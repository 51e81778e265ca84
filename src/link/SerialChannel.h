#pragma once
// TSerialChannel: the one serial channel through which all device traffic goes. It opens one
// port, applies the line settings, and moves bytes with time-outs it measures itself against the
// injected clock. The port's own calls never block for more than about a millisecond, so the
// protocol layers above can bound every step exactly.
//
// Background receive: while the port is open and the pause counter is 0 or less, Tick() takes
// whatever has arrived and hands it to OnReceiveData. The owner calls Tick() every PollingDelay()
// milliseconds (the main window from a QTimer with that interval, restarted when the delay
// changes); the channel has no thread and no timer of its own.

#include "base/Services.h"
#include "link/PortMap.h"
#include "link/SerialPort.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace drumo {

class TSerialChannel {
public:
    // Receives bytes collected in the background and the bytes the command protocol skips while
    // it looks for a reply header, always in stream order.
    using ReceiveHandler = std::function<void(const uint8_t* data, size_t size)>;

    TSerialChannel(SerialPort& port, Clock& clock);
    ~TSerialChannel();
    TSerialChannel(const TSerialChannel&) = delete;
    TSerialChannel& operator=(const TSerialChannel&) = delete;

    // "\\.\Com" plus the port number, or a device node such as "/dev/ttyUSB0". Ignored while open.
    const std::string& PortName() const { return portName_; }
    void SetPortName(std::string name);

    // Re-applies the line settings at once when the port is open; returns false if that failed.
    int BaudRateValue() const { return settings_.BaudRate; }
    bool SetBaudRateValue(int baud);
    int StopBits() const { return settings_.StopBits; }
    bool SetStopBits(int stopBits);
    int DataBits() const { return settings_.DataBits; }
    bool SetDataBits(int bits);
    ParityMode Parity() const { return settings_.Parity; }
    bool SetParity(ParityMode parity);
    HwFlowMode HwFlow() const { return settings_.HwFlow; }
    bool SetHwFlow(HwFlowMode flow);
    SwFlowMode SwFlow() const { return settings_.SwFlow; }
    bool SetSwFlow(SwFlowMode flow);

    bool EnableDTROnOpen() const { return enableDtrOnOpen_; }
    void SetEnableDTROnOpen(bool on) { enableDtrOnOpen_ = on; }
    // Kept for completeness: writing never depends on the modem status lines here.
    bool CheckLineStatus() const { return checkLineStatus_; }
    void SetCheckLineStatus(bool on) { checkLineStatus_ = on; }

    // Clamped to 128..8192; only while the port is closed.
    unsigned InBufSize() const { return inBufSize_; }
    void SetInBufSize(unsigned size);
    unsigned OutBufSize() const { return outBufSize_; }
    void SetOutBufSize(unsigned size);

    // Inactivity time-out of ReadData, ms. Negative values count as 0.
    int InputTimeout() const { return inputTimeout_; }
    void SetInputTimeout(int ms) { inputTimeout_ = ms < 0 ? 0 : ms; }

    // Period of the background receive, ms; at least 5.
    int PollingDelay() const { return pollingDelay_; }
    void SetPollingDelay(int ms) { pollingDelay_ = ms < 5 ? 5 : ms; }

    const ReceiveHandler& OnReceiveData() const { return onReceiveData_; }
    void SetOnReceiveData(ReceiveHandler handler) { onReceiveData_ = std::move(handler); }

    // Where port numbers lead (environment, settings file, built-in table).
    void SetPortMap(PortMap map) { portMap_ = std::move(map); }
    const PortMap& Ports() const { return portMap_; }
    // Where a refused open (for instance for lack of rights) and a port that went away are
    // logged; may be null.
    void SetLog(EventLog* log) { log_ = log; }
    // Why the last Connect failed, or why the port was closed when its device went away.
    const std::string& LastError() const { return lastError_; }

    bool Connect();
    void Disconnect();
    bool Connected() const { return port_.IsOpen(); }

    bool FlushBuffers(bool input, bool output);
    // Writes count bytes and returns once they have left the line, so that a reply wait after it
    // does not count the request's own time on the wire. Gives up after timeoutMs during which the
    // port accepted nothing, or timeoutMs beyond the bytes' wire time during which they did not
    // leave; returns the number of bytes that did.
    size_t SendData(const uint8_t* data, size_t count, int timeoutMs);
    // Reads count bytes; gives up after InputTimeout() ms of silence.
    size_t ReadData(uint8_t* buffer, size_t count);
    bool ReadByte(uint8_t& byte);

    void PausePolling() { ++pauseCount_; }
    void ResumePolling() { --pauseCount_; }
    bool PollingActive() const { return pauseCount_ < 1; }

    void SetDTR(bool on);
    void SetRTS(bool on);

    // One step of the background receive.
    void Tick();

private:
    bool Reapply();
    // When the device has gone away: closes the port, keeps and logs the reason; true then.
    bool CheckLost();
    // The time of count bytes on the wire at the line settings, in microseconds.
    int64_t WireTimeUs(size_t count) const;

    SerialPort& port_;
    Clock& clock_;
    PortMap portMap_;
    EventLog* log_ = nullptr;
    std::string portName_ = "\\\\.\\COM2";
    LineSettings settings_;
    bool enableDtrOnOpen_ = false;
    bool checkLineStatus_ = false;
    unsigned inBufSize_ = 8192;
    unsigned outBufSize_ = 8192;
    int inputTimeout_ = 100;
    int pollingDelay_ = 100;
    int pauseCount_ = 0;
    ReceiveHandler onReceiveData_;
    std::vector<uint8_t> receiveBuffer_;
    std::string lastError_;
};

}  // namespace drumo
