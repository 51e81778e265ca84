#pragma once
// The station as the desktop program builds it: the real serial port with the program's line
// settings, window events between the transactions of a long procedure, the system clock, and a
// log that keeps its early lines until the device manager exists. Reception's timers and the
// channel's background receive run from one single-shot window timer, armed at the time the
// station's scheduler names next. The program and the window tests build it the same way.

#include <QTimer>

#include "acquisition/ui/QtEvents.h"
#include "base/LogRelay.h"
#include "station/Station.h"
#include "link/PosixSerialPort.h"

namespace drumo {

class DesktopStation {
public:
    explicit DesktopStation(Operator& op);

    Station& Get() { return station_; }
    LogRelay& Log() { return log_; }
    // Closing: the timers stop and the port is closed.
    void Close();

private:
    void Arm();

    PosixSerialPort port_;
    QtEventPump events_;
    LogRelay log_;
    Station station_;
    QTimer due_;
    bool closed_ = false;
};

}  // namespace drumo
