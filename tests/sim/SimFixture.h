#pragma once
// The program's own link layer (POSIX port, channel, transactions) connected to a line of simulated
// devices over a real pseudo-terminal. The devices run on a manual clock; the link measures its
// time-outs on the machine's clock, as in the program.

#include "link/DeviceLink.h"
#include "link/PosixSerialPort.h"
#include "sim/Presets.h"
#include "sim/SimClock.h"

#include <gtest/gtest.h>

#include <memory>

namespace drumo::sim::test {

class SimLinkTest : public ::testing::Test {
protected:
    ~SimLinkTest() override {
        channel.Disconnect();
        if (line.Line) line.Line->Close();
    }

    // Opens the line, connects the channel at the given speed and stop bits.
    void Connect(SimLine built, int baud = 19200, int stopBits = 2) {
        line = std::move(built);
        ASSERT_TRUE(line.Line->Open()) << line.Line->Error();
        line.Line->Start();
        channel.SetPortName(line.Line->SlavePath());
        channel.SetBaudRateValue(baud);
        channel.SetStopBits(stopBits);
        ASSERT_TRUE(channel.Connect()) << channel.LastError();
        channel.PausePolling();
    }


    // A line with the given stations, built directly.
    void ConnectModbus(std::vector<std::unique_ptr<Dorma>> stations) {
        auto endpoint = std::make_unique<RtuEndpoint>();
        SimLine built;
        for (auto& s : stations) built.Dormas.push_back(endpoint->Add(std::move(s)));
        built.Line = std::make_unique<Bus>(std::move(endpoint));
        Connect(std::move(built));
    }

    void ConnectHexar(std::unique_ptr<Hexar> device, bool streaming = false) {
        auto endpoint = std::make_unique<CommandEndpoint>(clock, std::move(device));
        endpoint->Streaming = streaming;
        SimLine built;
        built.Command = endpoint.get();
        built.Line = std::make_unique<Bus>(std::move(endpoint));
        Connect(std::move(built), 19200, 1);
    }

    bool Modbus(uint8_t address, uint8_t function, uint16_t start, uint16_t count) {
        link.TransferCount = count;
        return link.ModbusRequest(address, function, start, link.TransferCount, link.RegisterBuffer.data());
    }
    bool Write(uint8_t address, uint16_t start, std::vector<uint16_t> values) {
        std::copy(values.begin(), values.end(), link.RegisterBuffer.begin());
        return Modbus(address, 16, start, static_cast<uint16_t>(values.size()));
    }
    uint16_t Reg(int i) const { return link.RegisterBuffer[i]; }

    bool Command(int code, std::vector<uint8_t> data = {}) {
        std::copy(data.begin(), data.end(), link.CommandBuffer.begin());
        length = static_cast<uint16_t>(data.size());
        return link.DeviceCommand(code, link.CommandBuffer.data(), length);
    }
    std::vector<uint8_t> Reply() const {
        return std::vector<uint8_t>(link.CommandBuffer.begin(), link.CommandBuffer.begin() + length);
    }

    // Raw bytes both ways through the channel, for requests the link layer would never build.
    std::vector<uint8_t> Raw(const std::vector<uint8_t>& request, size_t expect, int timeoutMs = 200) {
        channel.FlushBuffers(true, true);
        channel.SendData(request.data(), request.size(), 50);
        std::vector<uint8_t> reply(expect);
        channel.SetInputTimeout(timeoutMs);
        reply.resize(channel.ReadData(reply.data(), expect));
        return reply;
    }

    template <class F>
    auto Device(F&& f) {
        return line.Line->With(std::forward<F>(f));
    }

    ManualClock clock;
    PosixSerialPort port;
    TSerialChannel channel{port, SystemClock::Instance()};
    DeviceLink link{channel, SystemClock::Instance()};
    SimLine line;
    uint16_t length = 0;
};

}  // namespace drumo::sim::test
