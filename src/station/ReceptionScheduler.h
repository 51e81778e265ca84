#pragma once
// The timers of data reception on one millisecond counter, without an event loop of its own: the
// polling timer (a pass at every interval while Modbus reception runs), the once-a-second update
// timer, the auto-save timer, and the channel's background receive every 100 ms. Reception and
// auto-save switch their timers through their views; whoever owns the clock calls Step with the
// counter's value, as often as it likes: drumo-cli from its loop, tests with a fake clock. The
// desktop program keeps one window timer per timer, switched with this one's state, and its
// timeouts call the timer's own tick below, so both follow the same switches and rules.
//
// A timer fires at most once per Step. A timer that is late by more than its interval skips the
// ticks it missed rather than running them one after the other, as a window timer does: a pass is
// never started twice in a row to make up for time a long pass took.

#include <cstdint>

namespace drumo {

class Reception;
class AutoSave;
class TSerialChannel;

class ReceptionScheduler {
public:
    static constexpr int BackgroundReceiveMs = 100;

    ReceptionScheduler(Reception& reception, AutoSave& autoSave, TSerialChannel& channel);

    // What one Step ran.
    struct Fired {
        bool Receive = false;   // the channel's background receive
        bool Pass = false;      // a polling pass
        bool Update = false;    // reception's once-a-second tick
        bool AutoSave = false;  // the auto-save timer
    };
    Fired Step(int64_t nowMs);

    // One timer's tick, for an owner whose clock is one window timer per timer (the desktop
    // program): the timer's work runs if the timer is on, and its next tick is counted from nowMs,
    // so ticks it missed are skipped. A tick that arrives while the timer is off (a timeout already
    // queued when the timer was switched off) does nothing. Returns whether the work ran.
    bool FireReceive(int64_t nowMs);
    bool FirePolling(int64_t nowMs);
    bool FireUpdate(int64_t nowMs);
    bool FireAutoSave(int64_t nowMs);

    // Timer switches. Starting a timer, or changing the interval of a running one, counts its
    // interval from nowMs.
    void PollingTimer(bool on, int64_t nowMs);
    void SetPollingInterval(int ms, int64_t nowMs);
    void UpdateTimer(bool on, int64_t nowMs);
    void AutoSaveTimer(bool on, int64_t nowMs);
    void SetAutoSaveInterval(int ms, int64_t nowMs);

    int PollingInterval() const { return polling_.IntervalMs; }
    bool PollingTimerOn() const { return polling_.On; }
    bool UpdateTimerOn() const { return update_.On; }
    bool AutoSaveTimerOn() const { return autoSave_.On; }
    // The counter value at which the next timer is due.
    int64_t NextDueMs() const;

private:
    struct Timer {
        bool On = false;
        int IntervalMs = 0;
        int64_t DueMs = 0;
        void Start(int64_t now) {
            On = true;
            DueMs = now + IntervalMs;
        }
        // True when due; then schedules the next tick, skipping those already missed.
        bool Fire(int64_t now);
        // True when on; then the next tick is one interval from now.
        bool Tick(int64_t now) {
            if (!On) return false;
            Start(now);
            return true;
        }
    };

    Reception& reception_;
    AutoSave& autoSaveFiles_;
    TSerialChannel& channel_;
    Timer receive_;
    Timer polling_;
    Timer update_;
    Timer autoSave_;
};

}  // namespace drumo
