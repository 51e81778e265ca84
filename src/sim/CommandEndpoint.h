#pragma once
// The maker's command protocol on one line, with the one Hexar controller that it serves.
//
// Requests: a 3-byte header (code, length, 254 - code - length modulo 256); writes (codes 64..127)
// carry the data and a 16-bit checksum (0xFFFE minus the byte sum, high byte first). Replies: a
// data header whose three bytes sum to 254, the data and their checksum; or a status reply
// 8, status, 246 - status. Malformed requests are answered with a status: 1 a wrong check byte or
// checksum, 2 a length that does not fit the command (or data that never came), 3 an unknown
// command, 4 a value the device refuses.
//
// Besides, the controller streams a 7-byte frame per sensor every measuring period. The mode
// command 0 stops the burst under way; the next period streams again. A Hexar-1/100 also answers
// Modbus RTU frames at address 255 through its boot loader.

#include "sim/BootLoader.h"
#include "sim/Bus.h"
#include "sim/Faults.h"
#include "sim/Hexar.h"

#include <memory>
#include <vector>

namespace drumo::sim {

class CommandEndpoint final : public Endpoint {
public:
    CommandEndpoint(Clock& clock, std::unique_ptr<Hexar> device);

    Hexar& Device() { return *device_; }
    FaultSlot& Faults() { return faults_; }
    BootLoader* Boot() { return boot_.get(); }

    bool StrictSpeed = true;     // bytes at a speed other than the device's own are not understood
    bool Streaming = true;       // the device streams its readings each period
    int64_t StreamPeriodMs = 0;  // >0: overrides the device's measuring period (tests, demos)
    int64_t SearchMs = 5000;     // the sensor search keeps the device busy and silent this long
    // Moves the next burst to now (tests use it to get a burst at once).
    void StreamNow() { nextStreamMs_ = clock_.TickMs(); }
    uint64_t Requests() const { return requests_; }

    void Heard(const uint8_t* data, size_t n, const LineState& line, int64_t nowUs, Transmitter& tx) override;
    void Idle(const LineState& line, int64_t nowUs, Transmitter& tx) override;

private:
    void Process(Transmitter& tx);
    bool ProcessModbus(Transmitter& tx);  // false while the frame is incomplete
    void HandleRead(uint8_t code, uint8_t length, Transmitter& tx);
    void HandleWrite(uint8_t code, const std::vector<uint8_t>& data, Transmitter& tx);
    void SendStatus(uint8_t status, Transmitter& tx);
    void SendData(uint8_t code, std::vector<uint8_t> data, Transmitter& tx);
    void Deliver(std::vector<uint8_t> bytes, bool isData, Fault fault, Transmitter& tx);
    void AfterWrite(Transmitter& tx);
    bool Busy() const;

    Clock& clock_;
    std::unique_ptr<Hexar> device_;
    std::unique_ptr<BootLoader> boot_;
    FaultSlot faults_;
    std::vector<uint8_t> buffer_;
    int64_t lastByteUs_ = 0;
    int64_t nextStreamMs_ = 0;
    int64_t busyUntilMs_ = 0;
    uint64_t requests_ = 0;
    uint32_t noise_ = 0x2468ACE1;
};

}  // namespace drumo::sim
