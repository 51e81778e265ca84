#pragma once
// Turns the system's requests to end the program (SIGTERM at shutdown, SIGHUP when the session
// ends, SIGINT from a terminal) into a Qt signal on the user-interface thread, so that the
// program can close in good order instead of being killed. The signal handler itself only writes
// one byte into a pipe; everything else runs later, from the event loop.

#include <QObject>

class QSocketNotifier;

namespace drumo {

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    // Whether the handlers are in place (a second instance, or a failed pipe, installs none).
    bool Installed() const { return notifier_ != nullptr; }

signals:
    // One of the three signals arrived; `signalNumber` is the first of a burst.
    void Requested(int signalNumber);

private:
    void Drain();

    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace drumo
