#pragma once
// The device bus of the running program and of drumo-cli: every call goes to the one DeviceLink
// (its channel, shared buffers and status) and, for stream reception, to the sensor frame decoder.

#include "acquisition/DeviceBus.h"
#include "link/ComBuf.h"
#include "link/DeviceLink.h"

namespace drumo {

class LinkBus final : public DeviceBus {
public:
    LinkBus(DeviceLink& link, TComBuf& decoder) : link_(link), decoder_(decoder) {}

    void Disconnect() override { link_.SerialLink.Disconnect(); }
    void SetPortName(const std::string& name) override { link_.SerialLink.SetPortName(name); }
    std::string PortName() const override { return link_.SerialLink.PortName(); }
    bool Connect() override { return link_.SerialLink.Connect(); }
    bool Connected() const override { return link_.SerialLink.Connected(); }
    bool PollingActive() const override { return link_.SerialLink.PollingActive(); }
    void PausePolling() override { link_.SerialLink.PausePolling(); }
    void ResumePolling() override { link_.SerialLink.ResumePolling(); }
    void SetRTS(bool on) override { link_.SerialLink.SetRTS(on); }
    void SetDTR(bool on) override { link_.SerialLink.SetDTR(on); }
    int BaudRate() const override { return link_.SerialLink.BaudRateValue(); }
    void SetLine(int baudRate, int stopBits) override;
    void FlushBuffers() override { link_.SerialLink.FlushBuffers(true, true); }
    void SetAdditionalDelay(int ms) override { link_.AdditionalDelay = static_cast<uint16_t>(ms); }

    bool DeviceCommand(int code, uint8_t* data, uint16_t& length) override;
    bool ModbusRequest(uint8_t address, uint8_t function, uint16_t start, uint16_t& count,
                       uint16_t* data) override;
    int LinkStatus() const override { return link_.LinkStatus; }
    std::string LinkStatusMessage() const override { return link_.LinkStatusMessage(); }
    void SetLinkStatus(int status) override { link_.LinkStatus = status; }

    void AttachStream(StreamHandler handler) override;
    void DetachStream() override;

private:
    DeviceLink& link_;
    TComBuf& decoder_;
};

}  // namespace drumo
