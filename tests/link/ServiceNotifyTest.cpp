// What drumo-cli log tells systemd, read from a notification socket of the test's own, the way
// systemd reads it.
#include "cli/ServiceNotify.h"
#include "support/FakeClock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace drumo {
namespace {

class NotifySocket {
public:
    NotifySocket() {
        path_ = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/drumo-notify-" +
                std::to_string(getpid());
        unlink(path_.c_str());
        fd_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path_.copy(address.sun_path, sizeof(address.sun_path) - 1);
        EXPECT_EQ(bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        setenv("NOTIFY_SOCKET", path_.c_str(), 1);
    }
    ~NotifySocket() {
        unsetenv("NOTIFY_SOCKET");
        unsetenv("WATCHDOG_USEC");
        close(fd_);
        unlink(path_.c_str());
    }
    // The messages that arrived since the last call.
    std::vector<std::string> Take() {
        std::vector<std::string> messages;
        char buffer[512];
        for (ssize_t n; (n = recv(fd_, buffer, sizeof(buffer), 0)) > 0;) messages.emplace_back(buffer, size_t(n));
        return messages;
    }

private:
    std::string path_;
    int fd_ = -1;
};

TEST(ServiceNotify, ReadyThenWatchdogAtHalfItsTimeThenStoppingOnce) {
    using Sent = std::vector<std::string>;
    const Sent ready = {"READY=1\nSTATUS=receiving"};
    const Sent stopping = {"STOPPING=1\nSTATUS=stopping: the last pass is written"};
    const struct {
        const char* WatchdogUsec;  // as systemd sets it for WatchdogSec=; null: no watchdog
        std::vector<std::tuple<int, bool, Sent>> Ticks;  // ms since the last tick, stopping, sent
    } cases[] = {
        {"10000000",
         {{0, false, ready},
          {4999, false, {}},
          {1, false, {"WATCHDOG=1"}},
          {100, false, {}},
          {4900, false, {"WATCHDOG=1"}},
          {0, true, stopping},
          {10000, true, {}},
          {10000, false, {}}}},
        {nullptr, {{0, false, ready}, {3600000, false, {}}, {0, true, stopping}, {0, true, {}}}},
    };
    for (const auto& c : cases) {
        NotifySocket socket;
        if (c.WatchdogUsec) setenv("WATCHDOG_USEC", c.WatchdogUsec, 1);
        test::FakeClock clock;
        cli::ServiceNotify notify(clock);
        int tick = 0;
        for (const auto& [ms, stopRequested, sent] : c.Ticks) {
            clock.Advance(ms);
            notify.Tick(stopRequested);
            EXPECT_EQ(socket.Take(), sent) << "tick " << tick++ << (c.WatchdogUsec ? " with watchdog" : "");
        }
    }
}

}  // namespace
}  // namespace drumo
