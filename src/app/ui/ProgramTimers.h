#pragma once
// The desktop program's timers, kept together by the part that builds the program: the polling
// timer (a pass at every interval during Modbus reception), the once-a-second update timer
// and the auto-save timer.

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
};

}  // namespace drumo
