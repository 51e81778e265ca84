#pragma once
// A scripted device bus for the acquisition procedures: ports that exist or not, Modbus
// controllers with their registers and cables, one controller of the maker's protocol, faults by
// count, and a record of every transaction.

#include "acquisition/DeviceBus.h"
#include "base/Services.h"
#include "sim/Dorma.h"
#include "support/CountingPump.h"
#include "support/FakeClock.h"
#include "support/RecordingLog.h"
#include "support/ScriptedOperator.h"

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace drumo::test {

struct FakeCable {
    int16_t Serial = 0;
    uint8_t Kind = 1;
    std::vector<int16_t> Labels;
    std::vector<int16_t> Temps;
};

// A Modbus controller on the fake bus: the simulator's Dorma holds the registers, and the fields
// below add faults on top of it.
struct FakeModbusDevice {
    std::shared_ptr<sim::Dorma> Model;  // none: the address stays silent
    bool Silent = false;
    int FailCableTable = 0;    // the next n reads of register 128 fail
    int FailLabels = 0;        // the next n reads of register 256 fail
    int FailSwitch = 0;        // the next n writes of register 47 fail
    int FailTemps = 0;         // the next n reads of register 512 fail
    int ShortLabels = -1;      // label reads return at most this many registers
    int ShortTemps = -1;       // temperature reads return at most this many registers
    bool RejectWrites = false; // function 16 answered with an exception

    // A Dorma controller of the given type code and serial, from 2021, supply 1.50 V below zero,
    // with exactly the given cables (fixed temperatures) and an empty comment.
    static FakeModbusDevice Dorma(uint16_t type, uint16_t serial, std::vector<FakeCable> cables);
};

struct FakeHexar {
    std::vector<uint8_t> Ident;   // 16 bytes of command 1
    std::vector<uint8_t> Config;  // reply of command 40
    bool Silent = false;
    int FailConfig = 0;
    static FakeHexar Hexar100(uint16_t serial, int16_t cableSerial, uint8_t kind,
                              std::vector<uint8_t> labels);
};

struct Transaction {
    uint8_t Address = 0;
    uint8_t Function = 0;  // Modbus function, or 0 for a command of the maker's protocol
    int Code = 0;          // command code
    uint16_t Start = 0;
    uint16_t Count = 0;
    std::vector<uint16_t> Values;  // registers written, or command data
    std::string Port;
};

class FakeBus final : public DeviceBus {
public:
    explicit FakeBus(Clock* clock = nullptr) : clock_(clock) {}

    // Ports that can be opened, by number, each with what sits on it.
    std::set<int> ExistingPorts;
    std::map<int, std::map<uint8_t, FakeModbusDevice>> ModbusOn;
    std::map<int, FakeHexar> HexarOn;
    // Milliseconds a silent device costs (advanced on the clock, when there is one).
    int TimeoutMs = 0;

    std::vector<Transaction> Log;
    std::vector<std::string> Opened;  // port names in the order connected
    bool Rts = false, Dtr = true;
    int Baud = 19200, StopBits = 1, Delay = 100;
    int Paused = 0;
    StreamHandler Stream;

    FakeModbusDevice& Dev(int port, uint8_t address) { return ModbusOn[port][address]; }
    int Port() const;
    std::vector<Transaction> Of(uint8_t function, uint16_t start) const;

    void Disconnect() override { open_ = false; }
    void SetPortName(const std::string& name) override {
        if (!open_) name_ = name;
    }
    std::string PortName() const override { return name_; }
    bool Connect() override;
    bool Connected() const override { return open_; }
    bool PollingActive() const override { return Paused < 1; }
    void PausePolling() override { ++Paused; }
    void ResumePolling() override { --Paused; }
    void SetRTS(bool on) override { Rts = on; }
    void SetDTR(bool on) override { Dtr = on; }
    int BaudRate() const override { return Baud; }
    void SetLine(int baud, int stopBits) override {
        Baud = baud;
        StopBits = stopBits;
    }
    void FlushBuffers() override { ++Flushes; }
    void SetAdditionalDelay(int ms) override { Delay = ms; }
    bool DeviceCommand(int code, uint8_t* data, uint16_t& length) override;
    bool ModbusRequest(uint8_t address, uint8_t function, uint16_t start, uint16_t& count,
                       uint16_t* data) override;
    int LinkStatus() const override { return status_; }
    std::string LinkStatusMessage() const override { return "status " + std::to_string(status_); }
    void SetLinkStatus(int status) override { status_ = status; }
    void AttachStream(StreamHandler handler) override { Stream = std::move(handler); }
    void DetachStream() override { Stream = nullptr; }

    int Flushes = 0;

private:
    bool Fail(int status);
    Clock* clock_;
    bool open_ = false;
    std::string name_ = "\\\\.\\COM2";
    int status_ = 0;
};

}  // namespace drumo::test
