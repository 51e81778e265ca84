#include "app/ui/TerminationSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <iterator>
#include <unistd.h>

namespace drumo {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

// The pipe between the handler and the event loop; -1 while no instance is installed.
int gReadEnd = -1;
volatile sig_atomic_t gWriteEnd = -1;
struct sigaction gPrevious[3];

// Only async-signal-safe calls here: write() of the signal number, errno kept as it was.
extern "C" void OnTerminationSignal(int signalNumber) {
    const int savedErrno = errno;
    const int fd = gWriteEnd;
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(signalNumber);
        // A full pipe already holds a request that has not been read: nothing is lost.
        [[maybe_unused]] const ssize_t n = write(fd, &byte, 1);
    }
    errno = savedErrno;
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    if (gReadEnd >= 0) return;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return;
    gReadEnd = fds[0];
    gWriteEnd = fds[1];
    notifier_ = new QSocketNotifier(gReadEnd, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::Drain);

    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls resume: a read from the serial port is not cut short by a signal.
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &action, &gPrevious[i]);
}

TerminationSignals::~TerminationSignals() {
    if (!notifier_) return;
    for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &gPrevious[i], nullptr);
    delete notifier_;
    notifier_ = nullptr;
    const int writeEnd = gWriteEnd;
    gWriteEnd = -1;
    close(writeEnd);
    close(gReadEnd);
    gReadEnd = -1;
}

void TerminationSignals::Drain() {
    unsigned char bytes[64];
    int first = 0;
    ssize_t n;
    while ((n = read(gReadEnd, bytes, sizeof bytes)) > 0)
        if (first == 0) first = bytes[0];
    if (first != 0) emit Requested(first);
}

}  // namespace drumo
