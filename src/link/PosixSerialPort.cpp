#include "link/PosixSerialPort.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace drumo {

unsigned SpeedConstant(int baudRate) {
    switch (baudRate) {
        case 1200: return B1200;
        case 2400: return B2400;
        case 4800: return B4800;
        case 9600: return B9600;
        case 19200: return B19200;
        case 38400: return B38400;
        case 57600: return B57600;
        case 115200: return B115200;
        case 230400: return B230400;
        default: return 0;
    }
}

namespace {

int64_t MonotonicUs() {
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return int64_t{t.tv_sec} * 1000000 + t.tv_nsec / 1000;
}

}  // namespace

PosixSerialPort::~PosixSerialPort() { Close(); }

void PosixSerialPort::NoteFailure(int err) {
    if (lost_ || (err != EIO && err != ENXIO && err != ENODEV)) return;
    lost_ = true;
    lastError_ = path_ + ": устройство отключено (" + std::strerror(err) + ")";
}

bool PosixSerialPort::Open(const std::string& devicePath) {
    Close();
    permissionDenied_ = false;
    lost_ = false;
    lineFreeUs_ = 0;
    lastError_.clear();
    const int fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        permissionDenied_ = (err == EACCES || err == EPERM);
        lastError_ = devicePath + ": " + std::strerror(err);
        if (permissionDenied_)
            lastError_ += " (нет прав на порт: добавьте пользователя в группу dialout командой "
                          "«sudo usermod -aG dialout $USER» и войдите в систему заново)";
        return false;
    }
    if (!::isatty(fd)) {
        lastError_ = devicePath + ": не последовательный порт";
        ::close(fd);
        return false;
    }
    // Exclusive use: TIOCEXCL keeps other processes from opening the terminal, and the advisory
    // lock keeps out other programs that honour it (TIOCEXCL does not stop root).
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        lastError_ = devicePath + ": порт занят другой программой";
        ::close(fd);
        return false;
    }
    ::ioctl(fd, TIOCEXCL);
    fd_ = fd;
    path_ = devicePath;
    return true;
}

void PosixSerialPort::Close() {
    if (fd_ < 0) return;
    ::ioctl(fd_, TIOCNXCL);
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
}

bool PosixSerialPort::Apply(const LineSettings& s) {
    if (fd_ < 0) return false;
    const unsigned speed = SpeedConstant(s.BaudRate);
    if (speed == 0) {
        lastError_ = path_ + ": скорость " + std::to_string(s.BaudRate) + " не поддерживается";
        return false;
    }
    termios tio{};
    if (::tcgetattr(fd_, &tio) != 0) {
        lastError_ = path_ + ": " + std::strerror(errno);
        return false;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS | HUPCL);
    tio.c_cflag |= CLOCAL | CREAD;
    switch (s.DataBits) {
        case 5: tio.c_cflag |= CS5; break;
        case 6: tio.c_cflag |= CS6; break;
        case 7: tio.c_cflag |= CS7; break;
        default: tio.c_cflag |= CS8; break;
    }
    if (s.Parity != ParityMode::None) {
        tio.c_cflag |= PARENB;
        if (s.Parity == ParityMode::Odd) tio.c_cflag |= PARODD;
    }
    if (s.StopBits == 2) tio.c_cflag |= CSTOPB;
    if (s.HwFlow == HwFlowMode::RtsCts) tio.c_cflag |= CRTSCTS;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    if (s.SwFlow == SwFlowMode::XonXoff) tio.c_iflag |= IXON | IXOFF;
    // Reads return at once with whatever is queued; the channel does the waiting.
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);
    if (::tcsetattr(fd_, TCSANOW, &tio) != 0) {
        lastError_ = path_ + ": " + std::strerror(errno);
        return false;
    }
    const int bits = 1 + std::clamp(s.DataBits, 5, 8) + (s.Parity != ParityMode::None ? 1 : 0) + (s.StopBits == 2 ? 2 : 1);
    byteUs_ = (int64_t{bits} * 1000000 + s.BaudRate - 1) / s.BaudRate;
    return true;
}

int PosixSerialPort::BytesWaiting() {
    int n = 0;
    if (fd_ < 0) return 0;
    if (::ioctl(fd_, FIONREAD, &n) != 0) {
        NoteFailure(errno);
        return 0;
    }
    return n;
}

int PosixSerialPort::BytesQueuedOut() {
    int n = 0;
    if (fd_ < 0) return 0;
    if (::ioctl(fd_, TIOCOUTQ, &n) != 0) {
        NoteFailure(errno);
        return 0;
    }
    return n;
}

size_t PosixSerialPort::Read(uint8_t* buffer, size_t count) {
    if (fd_ < 0 || count == 0) return 0;
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, count);
        if (n > 0) return static_cast<size_t>(n);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) NoteFailure(errno);
        return 0;
    }
}

size_t PosixSerialPort::Write(const uint8_t* data, size_t count) {
    if (fd_ < 0 || count == 0) return 0;
    for (;;) {
        const ssize_t n = ::write(fd_, data, count);
        if (n > 0) {
            // The bytes follow whatever is still on its way; a pseudo-terminal, which has no
            // wire, takes them at once, and this is what makes it behave like a line.
            lineFreeUs_ = std::max(lineFreeUs_, MonotonicUs()) + byteUs_ * n;
            return static_cast<size_t>(n);
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) NoteFailure(errno);
        return 0;
    }
}

bool PosixSerialPort::Wait(short events, int64_t us) {
    if (fd_ < 0) return false;
    if (us < 0) us = 0;
    const timespec limit{static_cast<time_t>(us / 1000000), static_cast<long>(us % 1000000) * 1000L};
    pollfd p{fd_, events, 0};
    const int r = ::ppoll(&p, 1, &limit, nullptr);
    if (r > 0 && (p.revents & events)) return true;
    if (r > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) {
        // Hung up with nothing left to read: the device is gone (on a port opened with CLOCAL a
        // lost carrier does not hang up, so only a vanished device comes here).
        if (!lost_) {
            lost_ = true;
            lastError_ = path_ + ": устройство отключено";
        }
        return false;
    }
    if (r > 0 && us > 0) {
        // Hang-up or error without data: poll would return at once again and again, so wait
        // out the asked time here rather than let the caller spin.
        ::nanosleep(&limit, nullptr);
    }
    return false;
}

bool PosixSerialPort::WaitReadableUs(int64_t us) { return Wait(POLLIN, us); }
bool PosixSerialPort::WaitWritableUs(int64_t us) { return Wait(POLLOUT, us); }

bool PosixSerialPort::WaitSentUs(int64_t us) {
    if (fd_ < 0 || lost_) return false;
    // The driver's queue (TIOCOUTQ) does not count the bytes in the UART's own buffer, and a
    // pseudo-terminal has no queue at all; the time of the bytes on the wire covers both.
    for (int pass = 0;; ++pass) {
        const int queued = BytesQueuedOut();
        if (lost_) return false;
        const int64_t left = std::max<int64_t>(lineFreeUs_ - MonotonicUs(), queued * byteUs_);
        if (queued == 0 && left <= 0) return true;
        if (pass > 0 || us <= 0) return false;
        const int64_t wait = std::clamp<int64_t>(left, 1, us);
        const timespec t{static_cast<time_t>(wait / 1000000), static_cast<long>(wait % 1000000) * 1000L};
        ::nanosleep(&t, nullptr);
    }
}

bool PosixSerialPort::Flush(bool input, bool output) {
    if (fd_ < 0) return false;
    if (!input && !output) return true;
    const int which = input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH;
    if (output) lineFreeUs_ = 0;  // what was queued is discarded
    return ::tcflush(fd_, which) == 0;
}

void PosixSerialPort::SetModemLine(int line, bool on) {
    if (fd_ < 0) return;
    // Pseudo-terminals and some converters have no modem lines; their refusal is harmless.
    ::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &line);
}

void PosixSerialPort::SetDTR(bool on) { SetModemLine(TIOCM_DTR, on); }
void PosixSerialPort::SetRTS(bool on) { SetModemLine(TIOCM_RTS, on); }

void PosixSerialPort::ClearErrors() {
    // The termios driver reports framing and overrun errors in the data stream or drops the
    // bytes (raw mode without INPCK/PARMRK); there is no sticky error state to clear.
}

}  // namespace drumo
