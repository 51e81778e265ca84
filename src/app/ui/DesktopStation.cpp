#include "app/ui/DesktopStation.h"

#include "app/AppPaths.h"

#include <algorithm>

namespace drumo {

DesktopStation::DesktopStation(Operator& op) : station_({port_, op, log_, SystemClock::Instance(), &events_, ProgramVersion()}) {
    station_.UseProgramLine();
    due_.setSingleShot(true);
    QObject::connect(&due_, &QTimer::timeout, &due_, [this] {
        // The settings dialog's alarm limits and decimal mark count from the next pass on.
        station_.ApplyReceptionSettings();
        station_.Scheduler().Step(station_.NowMs());
        Arm();
    });
    station_.Scheduler().SetDueChanged([this] { Arm(); });
    Arm();
}

void DesktopStation::Arm() {
    if (closed_) return;
    const int64_t wait = station_.Scheduler().NextDueMs() - station_.NowMs();
    due_.start(static_cast<int>(std::clamp<int64_t>(wait, 0, ReceptionScheduler::BackgroundReceiveMs)));
}

void DesktopStation::Close() {
    closed_ = true;
    due_.stop();
    station_.Scheduler().SetDueChanged(nullptr);
    station_.Bus().Disconnect();
}

}  // namespace drumo
