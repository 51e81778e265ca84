#include "app/ui/DesktopStation.h"

#include "app/AppPaths.h"

namespace drumo {

DesktopStation::DesktopStation(Operator& op)
    : station_({port_, op, log_, SystemClock::Instance(), &events_, ProgramVersion()}, views_.Views()) {
    station_.UseProgramLine();
    receive_.setInterval(station_.ReceiveIntervalMs());
    QObject::connect(&receive_, &QTimer::timeout, &receive_, [this] { station_.Scheduler().FireReceive(station_.NowMs()); });
    receive_.start();
}

void DesktopStation::Close() {
    receive_.stop();
    station_.Bus().Disconnect();
}

}  // namespace drumo
