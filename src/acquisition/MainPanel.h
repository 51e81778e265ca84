#pragma once
// What the main window shows of the program's state to the parts that drive it: one row of the
// timers panel for data reception and one for auto-save (a progress bar, its countdown and a
// lamp), the status text, and the device commands offered for the selection.

#include <string>

namespace drumo {

// One row of the timers panel.
class TimerIndicators {
public:
    virtual ~TimerIndicators() = default;
    virtual void SetProgressMaximum(int maximum) = 0;
    // A value beyond the maximum is ignored, as a progress bar does.
    virtual void SetProgress(int value) = 0;
    virtual int Progress() const = 0;
    virtual int ProgressMaximum() const = 0;
    virtual void SetCountdown(const std::string& hhnnss) = 0;
    virtual void SetLampGreen(bool green) = 0;  // green, or red
    virtual void SetLampLit(bool lit) = 0;      // lit or out, shown at once
};

class MainPanel {
public:
    virtual ~MainPanel() = default;
    virtual TimerIndicators& ReceptionIndicators() = 0;
    virtual TimerIndicators& SaveIndicators() = 0;
    virtual void SetStatus(const std::string& text) = 0;
    // The device rules decide anew which device commands are offered.
    virtual void OfferDeviceCommands() = 0;
};

}  // namespace drumo
