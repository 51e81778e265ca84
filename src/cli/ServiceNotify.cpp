#include "cli/ServiceNotify.h"

#include <systemd/sd-daemon.h>

namespace drumo::cli {

ServiceNotify::ServiceNotify(Clock& clock) : clock_(clock) {
    uint64_t usec = 0;
    if (sd_watchdog_enabled(0, &usec) > 0) watchdogMs_ = static_cast<int64_t>(usec / 1000);
}

void ServiceNotify::Tick(bool stopping) {
    if (stopping_) return;
    const int64_t now = clock_.TickMs();
    if (stopping) {
        stopping_ = true;
        sd_notify(0, "STOPPING=1\nSTATUS=stopping: the last pass is written");
    } else if (!ready_) {
        ready_ = true;
        lastPingMs_ = now;
        sd_notify(0, "READY=1\nSTATUS=receiving");
    } else if (watchdogMs_ > 0 && now - lastPingMs_ >= watchdogMs_ / 2) {
        lastPingMs_ = now;
        sd_notify(0, "WATCHDOG=1");
    }
}

}  // namespace drumo::cli
