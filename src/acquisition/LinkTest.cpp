#include "acquisition/LinkTest.h"

#include <cmath>
#include <cstdio>

namespace drumo {

void LinkTest::Reset(DateTime start) {
    answered_ = 0;
    missed_ = 0;
    ring_.fill(0);
    position_ = 0;
    start_ = start;
    SetAxisFrom(start);
}

void LinkTest::Record(bool answered) {
    if (answered)
        ++answered_;
    else
        ++missed_;
    ring_[position_] = answered ? 1 : 0;
    position_ = (position_ + 1) % RingSize;
}

bool LinkTest::Tick(DeviceBus& bus, ExchangeProtocol protocol, int testModbusAddr) {
    bool ok;
    if (protocol == ExchangeProtocol::Command) {
        uint8_t data[kCommandBufferSize] = {};
        uint16_t length = 0;
        ok = bus.DeviceCommand(1, data, length);
    } else {
        uint16_t regs[kRegisterBufferSize] = {};
        uint16_t count = 0;
        ok = bus.ModbusRequest(static_cast<uint8_t>(testModbusAddr), 8, 0, count, regs);
    }
    Record(ok);
    return ok;
}

double LinkTest::Quality() const {
    int total = answered_ + missed_;
    return total == 0 ? 0.0 : static_cast<double>(answered_) / total;
}

double LinkTest::RecentShare() const {
    int ones = 0;
    for (int r : ring_) ones += r;
    return ones / static_cast<double>(RingSize);
}

std::string LinkTest::QualityText(char decimalMark) const {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", Quality());
    std::string s = text;
    for (char& ch : s)
        if (ch == '.') ch = decimalMark;
    return s;
}

std::string SecondsText(long long seconds) {
    if (seconds < 0) seconds = 0;
    char text[48];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return text;
}

std::string LinkTest::ElapsedText(DateTime now) const {
    return SecondsText(std::llround((now - start_) / OneSecond));
}

void LinkTest::SetAxisFrom(DateTime now) {
    axisStart_ = now;
    axisEnd_ = now + 60 * OneSecond;
}

bool LinkTest::FollowAxis(DateTime now) {
    if (now < axisEnd_) return false;
    axisStart_ = now - 50 * OneSecond;
    axisEnd_ = now + 10 * OneSecond;
    return true;
}

void PreparePortLines(DeviceBus& bus, ExchangeProtocol protocol) {
    if (bus.PollingActive()) bus.PausePolling();
    bus.SetRTS(true);
    bus.SetDTR(protocol == ExchangeProtocol::Modbus);
}

bool OpenLinkTestPort(DeviceBus& bus, const SearchSettings& wanted, SearchSettings& settings,
                      Operator& op, const std::function<void()>& stopReception) {
    if (stopReception) stopReception();
    if (bus.Connected()) return true;
    bus.SetPortName(ComPortName(settings.PortDefault));
    ApplySearchSettings(wanted, settings, bus);
    if (!bus.Connect()) {
        op.Error("Порт " + bus.PortName() + " недоступен");
        return false;
    }
    PreparePortLines(bus, settings.Protocol);
    return true;
}

}  // namespace drumo
