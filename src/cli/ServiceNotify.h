#pragma once
// Tells systemd how drumo-cli log is doing when it runs as a service of Type=notify: ready once
// the devices are found, a watchdog ping while the logging loop goes round, and stopping once a
// stop was asked for. systemd restarts a logger whose loop hangs (a pass that never ends) when
// the pings stay away for the unit's WatchdogSec. Outside systemd (no NOTIFY_SOCKET) nothing is
// sent.

#include "base/Services.h"

#include <cstdint>

namespace drumo::cli {

class ServiceNotify {
public:
    explicit ServiceNotify(Clock& clock);

    // Called at every turn of the loop. The first call says ready; later calls ping the
    // watchdog at half its time-out; the first call with `stopping` says so, once.
    void Tick(bool stopping);

private:
    Clock& clock_;
    int64_t watchdogMs_ = 0;  // the time-out systemd gave, 0 when there is no watchdog
    int64_t lastPingMs_ = 0;
    bool ready_ = false;
    bool stopping_ = false;
};

}  // namespace drumo::cli
