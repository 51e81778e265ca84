#include "support/PtyPeer.h"

#include <chrono>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace drumo::test {

PtyPeer::PtyPeer() {
    const int fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    if (::grantpt(fd) != 0 || ::unlockpt(fd) != 0) {
        ::close(fd);
        return;
    }
    char name[128];
    if (::ptsname_r(fd, name, sizeof name) != 0) {
        ::close(fd);
        return;
    }
    // Raw from the start, so nothing is echoed or translated before the program applies its own
    // settings.
    termios tio{};
    if (::tcgetattr(fd, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(fd, TCSANOW, &tio);
    }
    master_ = fd;
    slavePath_ = name;
}

PtyPeer::~PtyPeer() {
    Stop();
    if (master_ >= 0) ::close(master_);
}

void PtyPeer::Start(Behaviour behaviour) {
    Stop();
    behaviour_ = std::move(behaviour);
    stop_ = false;
    thread_ = std::thread([this] { Run(); });
}

void PtyPeer::Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

void PtyPeer::Run() {
    std::vector<uint8_t> pending;
    uint8_t chunk[4096];
    while (!stop_) {
        pollfd p{master_, POLLIN, 0};
        const int r = ::poll(&p, 1, 1);
        if (r > 0 && (p.revents & POLLIN)) {
            const ssize_t n = ::read(master_, chunk, sizeof chunk);
            if (n > 0) {
                pending.insert(pending.end(), chunk, chunk + n);
                std::lock_guard lock(mutex_);
                received_.insert(received_.end(), chunk, chunk + n);
                received_cv_.notify_all();
            }
        } else if (r > 0) {
            // No program on the slave side (it closed the port): nothing to read, do not spin.
            PeerPause(0.001);
        }
        if (behaviour_) behaviour_(*this, pending);
    }
}

void PtyPeer::Send(const std::vector<uint8_t>& bytes, double byteTimeS) {
    Send(bytes.data(), bytes.size(), byteTimeS);
}

void PtyPeer::Send(const uint8_t* data, size_t n, double byteTimeS) {
    using namespace std::chrono;
    const auto start = steady_clock::now();
    size_t i = 0;
    while (i < n && !stop_) {
        size_t upTo = n;
        if (byteTimeS > 0) {
            const auto due = start + duration_cast<steady_clock::duration>(duration<double>(byteTimeS * (i + 1)));
            std::this_thread::sleep_until(due);
            // Every byte whose time has come goes out in one write.
            const double elapsed = duration<double>(steady_clock::now() - start).count();
            upTo = std::min(n, static_cast<size_t>(elapsed / byteTimeS));
            if (upTo <= i) upTo = i + 1;
        }
        const ssize_t w = ::write(master_, data + i, upTo - i);
        if (w > 0) {
            i += static_cast<size_t>(w);
        } else if (w < 0 && errno != EAGAIN && errno != EINTR) {
            return;
        } else {
            pollfd p{master_, POLLOUT, 0};
            ::poll(&p, 1, 1);
        }
    }
}

std::vector<uint8_t> PtyPeer::Received() const {
    std::lock_guard lock(mutex_);
    return received_;
}

bool PtyPeer::WaitReceived(size_t n, int timeoutMs) const {
    std::unique_lock lock(mutex_);
    return received_cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                 [&] { return received_.size() >= n; });
}

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<uint8_t> out;
    for (int v : values) out.push_back(static_cast<uint8_t>(v));
    return out;
}

void PeerPause(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

}  // namespace drumo::test
