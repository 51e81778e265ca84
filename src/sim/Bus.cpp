#include "sim/Bus.h"

#include "sim/SimClock.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>
#include <termios.h>
#include <unistd.h>

namespace drumo::sim {
namespace {

int BaudOf(speed_t speed, int fallback) {
    switch (speed) {
    case B1200: return 1200;
    case B2400: return 2400;
    case B4800: return 4800;
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    case B230400: return 230400;
    default: return fallback;
    }
}

void SetNonBlocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

}  // namespace

Bus::Bus(std::unique_ptr<Endpoint> endpoint, BusOptions options)
    : endpoint_(std::move(endpoint)), options_(options) {
    line_.Baud = options_.FallbackBaud;
}

Bus::~Bus() { Close(); }

bool Bus::Open() {
    auto lock = Lock();
    if (master_ >= 0) return true;
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        error_ = std::string("no pseudo-terminal: ") + std::strerror(errno);
        CloseFds();
        return false;
    }
    char name[128] = {};
    if (ptsname_r(master_, name, sizeof name) != 0) {
        error_ = std::string("no slave name: ") + std::strerror(errno);
        CloseFds();
        return false;
    }
    slavePath_ = name;
    slave_ = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slave_ < 0) {
        error_ = "cannot open " + slavePath_ + ": " + std::strerror(errno);
        CloseFds();
        return false;
    }
    // Raw both ways until the program applies its own settings: no echo, no line editing, no
    // translation of carriage returns, which would all corrupt binary frames.
    termios tio{};
    tcgetattr(slave_, &tio);
    cfmakeraw(&tio);
    cfsetispeed(&tio, B19200);
    cfsetospeed(&tio, B19200);
    tcsetattr(slave_, TCSANOW, &tio);
    SetNonBlocking(master_);
    if (pipe(wake_) != 0) {
        error_ = std::string("no pipe: ") + std::strerror(errno);
        CloseFds();
        return false;
    }
    SetNonBlocking(wake_[0]);
    SetNonBlocking(wake_[1]);
    gone_ = false;
    nextIdleUs_ = MonotonicUs();
    return true;
}

bool Bus::MakeLink(const std::string& path) {
    auto lock = Lock();
    if (slavePath_.empty()) return false;
    unlink(path.c_str());
    if (symlink(slavePath_.c_str(), path.c_str()) != 0) {
        error_ = "cannot link " + path + ": " + std::strerror(errno);
        return false;
    }
    linkPath_ = path;
    return true;
}

void Bus::Start() {
    {
        auto lock = Lock();
        if (running_ || master_ < 0) return;
        running_ = true;
    }
    thread_ = std::thread([this] {
        // Wake-ups within a microsecond or so of the byte times, not the default 50 us of slack.
        prctl(PR_SET_TIMERSLACK, 1000UL, 0, 0, 0);
        auto lock = Lock();
        while (running_ && !gone_) RoundLocked(options_.IdlePeriodUs, lock);
    });
    auto lock = Lock();
    ApplyPriority();
}

void Bus::ApplyPriority() {
    // A paced line is time-critical: its thread sleeps between bytes and must wake on time even
    // on a busy machine. Where the system refuses real-time scheduling the pacing just gets less
    // exact under load.
    if (!thread_.joinable()) return;
    sched_param param{};
    param.sched_priority = options_.Pacing ? 1 : 0;
    pthread_setschedparam(thread_.native_handle(), options_.Pacing ? SCHED_FIFO : SCHED_OTHER, &param);
}

void Bus::Stop() {
    {
        auto lock = Lock();
        if (!running_) return;
        running_ = false;
        if (wake_[1] >= 0) {
            const char c = 1;
            [[maybe_unused]] auto n = write(wake_[1], &c, 1);
        }
    }
    if (thread_.joinable()) thread_.join();
}

void Bus::Close() {
    Stop();
    auto lock = Lock();
    CloseFds();
}

void Bus::CloseFds() {
    for (int* fd : {&master_, &slave_, &wake_[0], &wake_[1]}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
    if (!linkPath_.empty()) {
        unlink(linkPath_.c_str());
        linkPath_.clear();
    }
    out_.clear();
    in_.clear();
    full_ = false;
    gone_ = true;
}

void Bus::Step(int64_t maxWaitUs) {
    auto lock = Lock();
    if (!gone_ && master_ >= 0) RoundLocked(maxWaitUs, lock);
}

bool Bus::Gone() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return gone_;
}

void Bus::SetPacing(bool on) {
    auto lock = Lock();
    options_.Pacing = on;
    ApplyPriority();
}

Bus::Traffic Bus::TakeTraffic() {
    auto lock = Lock();
    Traffic t = traffic_;
    traffic_ = Traffic{};
    return t;
}

size_t Bus::QueuedBytes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return Queued();
}

LineState Bus::Line() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return line_;
}

LineState Bus::ReadLine() const {
    LineState line;
    line.Baud = options_.FallbackBaud;
    termios tio{};
    if (slave_ >= 0 && tcgetattr(slave_, &tio) == 0) {
        line.Baud = BaudOf(cfgetospeed(&tio), options_.FallbackBaud);
        line.BitsPerByte = (tio.c_cflag & CSTOPB) ? 11 : 10;
    }
    return line;
}

void Bus::RoundLocked(int64_t maxWaitUs, std::unique_lock<std::mutex>& lock) {
    int64_t now = MonotonicUs();
    const int64_t wake = std::min(NextWakeUs(now), now + std::max<int64_t>(0, maxWaitUs));
    pollfd fds[2] = {{master_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    // Output that is due but did not fit into the terminal waits for room.
    if (full_) fds[0].events |= POLLOUT;
    const int64_t waitUs = std::max<int64_t>(0, wake - now);
    timespec ts{static_cast<time_t>(waitUs / 1000000), static_cast<long>(waitUs % 1000000) * 1000};
    lock.unlock();
    const int ready = ppoll(fds, 2, &ts, nullptr);
    lock.lock();
    if (master_ < 0 || gone_) return;
    if (ready > 0 && (fds[1].revents & POLLIN)) {
        char drain[16];
        while (read(wake_[0], drain, sizeof drain) > 0) {
        }
    }
    now = MonotonicUs();
    if (ready > 0 && (fds[0].revents & POLLOUT)) full_ = false;
    if (ready > 0 && (fds[0].revents & POLLIN)) ReadInput(now);
    if (gone_) return;
    HandOver(now);
    if (gone_) return;
    if (now >= nextIdleUs_) {
        nextIdleUs_ = now + options_.IdlePeriodUs;
        line_ = ReadLine();  // the program may have changed the speed without sending anything yet
        endpoint_->Idle(line_, now, *this);
    }
    if (!gone_) WriteDue(MonotonicUs());
}

int64_t Bus::NextWakeUs(int64_t now) const {
    int64_t wake = nextIdleUs_;
    if (!in_.empty()) wake = std::min(wake, in_.front().DueUs);
    // A full terminal is waited for with POLLOUT, not by waking at once again and again.
    if (!out_.empty() && !full_) {
        int64_t due = out_.front().NotBeforeUs;
        if (options_.Pacing) due = std::max(due, nextByteUs_);
        wake = std::min(wake, due);
    }
    return std::max(wake, now);
}

void Bus::ReadInput(int64_t nowUs) {
    uint8_t buffer[4096];
    for (;;) {
        const ssize_t n = read(master_, buffer, sizeof buffer);
        if (n <= 0) break;
        traffic_.BytesIn += static_cast<uint64_t>(n);
        line_ = ReadLine();
        if (options_.Pacing) {
            // A pseudo-terminal hands over the bytes of a write at once; on a line the last of
            // them arrives only after each has had its byte time, and a device cannot act sooner.
            inLineFreeUs_ = std::max(inLineFreeUs_, nowUs) + line_.ByteTimeUs() * n;
            in_.push_back({std::vector<uint8_t>(buffer, buffer + n), inLineFreeUs_});
            continue;
        }
        endpoint_->Heard(buffer, static_cast<size_t>(n), line_, nowUs, *this);
        if (gone_) return;
    }
}

void Bus::HandOver(int64_t nowUs) {
    while (!in_.empty() && (!options_.Pacing || in_.front().DueUs <= nowUs)) {
        const Arriving a = std::move(in_.front());
        in_.pop_front();
        endpoint_->Heard(a.Bytes.data(), a.Bytes.size(), line_, std::min(a.DueUs, nowUs), *this);
        if (gone_) return;
    }
}

void Bus::WriteDue(int64_t nowUs) {
    if (full_) return;
    const int64_t byteUs = line_.ByteTimeUs();
    while (!out_.empty() && master_ >= 0) {
        Pending& p = out_.front();
        if (p.NotBeforeUs > nowUs) return;
        size_t count = p.Bytes.size() - p.Offset;
        if (options_.Pacing) {
            // A byte reaches the other side when its stop bit is through. Bytes whose time has come
            // go out together, so a late wake-up never slows the line down on average.
            if (nextByteUs_ < p.NotBeforeUs) nextByteUs_ = std::max(nowUs, p.NotBeforeUs) + byteUs;
            if (nextByteUs_ > nowUs) return;
            const int64_t due = (nowUs - nextByteUs_) / byteUs + 1;
            count = std::min<size_t>(count, static_cast<size_t>(due));
        }
        const ssize_t n = write(master_, p.Bytes.data() + p.Offset, count);
        if (n <= 0) {
            // Nobody reads the terminal and its buffer is full: wait until it has room.
            if (n < 0 && errno == EAGAIN) {
                full_ = true;
                ++traffic_.RefusedWrites;
            }
            return;
        }
        if (traffic_.BytesOut == 0) traffic_.FirstOutUs = nowUs;
        traffic_.BytesOut += static_cast<uint64_t>(n);
        traffic_.LastOutUs = nowUs;
        if (options_.Pacing) nextByteUs_ += byteUs * n;
        p.Offset += static_cast<size_t>(n);
        if (p.Offset == p.Bytes.size()) out_.pop_front();
    }
}

void Bus::Send(std::vector<uint8_t> bytes, int64_t delayUs, int tag) {
    if (bytes.empty() || gone_) return;
    const int64_t now = MonotonicUs();
    Pending p;
    p.Bytes = std::move(bytes);
    p.NotBeforeUs = now + std::max<int64_t>(0, delayUs);
    p.Tag = tag;
    auto at = out_.end();
    if (tag == 0) {
        // A reply goes out after the frame being sent, ahead of stream or noise still waiting.
        at = std::find_if(out_.begin(), out_.end(), [](const Pending& q) { return q.Tag != 0 && q.Offset == 0; });
    }
    out_.insert(at, std::move(p));
    WriteDue(now);
}

void Bus::Discard(int tag) {
    // The entry being sent is finished; a byte cannot be taken back once half of it is on the wire.
    for (auto it = out_.begin(); it != out_.end();) {
        if (it->Tag == tag && it->Offset == 0) {
            it = out_.erase(it);
        } else {
            ++it;
        }
    }
}

size_t Bus::Queued() const {
    size_t n = 0;
    for (const auto& p : out_) n += p.Bytes.size() - p.Offset;
    return n;
}

size_t Bus::QueuedOf(int tag) const {
    size_t n = 0;
    for (const auto& p : out_)
        if (p.Tag == tag) n += p.Bytes.size() - p.Offset;
    return n;
}

void Bus::Vanish() { CloseFds(); }

}  // namespace drumo::sim
