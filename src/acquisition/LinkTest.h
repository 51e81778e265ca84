#pragma once
// The link test of the search window: once a second one request to a device (command 1 of the
// maker's protocol, or the Modbus echo test), counting answered and missed requests overall and
// over the last ten, with the two shares drawn against time.

#include "acquisition/DeviceBus.h"
#include "acquisition/SearchSettings.h"
#include "base/Services.h"
#include "model/DateTime.h"

#include <array>
#include <functional>
#include <string>

namespace drumo {

class LinkTest {
public:
    static constexpr int RingSize = 10;

    // Zeroes the counters and the ring, notes the start and puts the time axis on the next 60 s.
    void Reset(DateTime start);

    // One result: counts it and writes it into the ring, whose position then advances.
    void Record(bool answered);

    // One tick: the probe request, then Record. Failures show no message.
    bool Tick(DeviceBus& bus, ExchangeProtocol protocol, int testModbusAddr);

    int Answered() const { return answered_; }
    int Missed() const { return missed_; }
    double Quality() const;      // answered / (answered + missed); 0 before the first request
    double RecentShare() const;  // number of answered requests in the ring / 10

    // "Качество": the quality with three decimals, e.g. "0.950" (decimalMark replaces the point).
    std::string QualityText(char decimalMark = '.') const;
    // Time since the start as "hh:nn:ss".
    std::string ElapsedText(DateTime now) const;

    // The time axis of the graph. With "Слежение" checked, once now reaches its end the axis moves to
    // [now - 50 s, now + 10 s]; returns true when it moved.
    DateTime AxisStart() const { return axisStart_; }
    DateTime AxisEnd() const { return axisEnd_; }
    void SetAxisFrom(DateTime now);
    bool FollowAxis(DateTime now);

private:
    int answered_ = 0;
    int missed_ = 0;
    std::array<int, RingSize> ring_{};
    int position_ = 0;
    DateTime start_ = 0;
    DateTime axisStart_ = 0;
    DateTime axisEnd_ = 0;
};

// Switching the link test on. Stops data reception first (stopReception), opens the default port
// when the port is closed (`wanted` becomes the settings in use with ApplySearchSettings, then the
// line control of the search); a port that cannot be opened gives the error "Порт " + name +
// " недоступен" and false, and the test must be switched off again.
bool OpenLinkTestPort(DeviceBus& bus, const SearchSettings& wanted, SearchSettings& settings,
                      Operator& op, const std::function<void()>& stopReception);

// Line control after the search or the link test opened a port: background receive paused, RTS
// raised, DTR raised for Modbus RTU and cleared for the command protocol.
void PreparePortLines(DeviceBus& bus, ExchangeProtocol protocol);

// "hh:nn:ss" of a number of seconds (negative counts as 0).
std::string SecondsText(long long seconds);

}  // namespace drumo
