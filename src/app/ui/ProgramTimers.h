#pragma once
// The desktop program's timers, kept together by the part that builds the program: the polling
// timer (a pass at every interval during Modbus reception), the once-a-second update timer, the
// auto-save timer, and the channel's background receive.

#include <QTimer>

namespace drumo {

struct ProgramTimers {
    ProgramTimers() {
        Polling.setInterval(20000);
        Update.setInterval(1000);
        AutoSave.setInterval(300000);
    }
    QTimer Polling;
    QTimer Update;
    QTimer AutoSave;
    QTimer Receive;
};

}  // namespace drumo
