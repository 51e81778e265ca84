#pragma once
// The station as the desktop program builds it: the real serial port with the program's line
// settings and its background receive on a timer, window events between the transactions of a
// long procedure, the system clock, a log
// that keeps its early lines until the device manager exists, and views that the windows' wiring
// fills in once it is made. The program and the window tests build it the same way.

#include <QTimer>

#include "acquisition/ui/QtEvents.h"
#include "station/Station.h"
#include "app/ViewRelays.h"
#include "link/PosixSerialPort.h"

namespace drumo {

class DesktopStation {
public:
    explicit DesktopStation(Operator& op);

    Station& Get() { return station_; }
    LogRelay& Log() { return log_; }
    ViewRelays& Views() { return views_; }
    // Closing: the background receive stops and the port is closed.
    void Close();

private:
    PosixSerialPort port_;
    QtEventPump events_;
    LogRelay log_;
    ViewRelays views_;
    Station station_;
    QTimer receive_;
};

}  // namespace drumo
