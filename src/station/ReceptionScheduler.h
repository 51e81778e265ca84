#pragma once
// The timers of data reception on one millisecond counter, without an event loop of its own: the
// polling timer (a pass at every interval while Modbus reception runs), the once-a-second update
// timer, the auto-save timer, and the channel's background receive every 100 ms. Whoever owns the
// clock calls Step with the counter's value whenever NextDueMs has come: drumo-cli from its loop,
// tests with a fake clock, the desktop program from one single-shot window timer armed at
// NextDueMs.
//
// Which timers run is not kept here: the polling and update timers run while reception does (and
// polls), at reception's polling interval; the auto-save timer while auto-save's does. The
// scheduler keeps only when each is due next, counted from the moment it started.
//
// A timer fires at most once per Step. A timer that is late by more than its interval skips the
// ticks it missed rather than running them one after the other: a pass is never started twice in
// a row to make up for time a long pass took.

#include "model/StationEvents.h"

#include <cstdint>
#include <functional>

namespace drumo {

class Reception;
class AutoSave;
class TSerialChannel;
class Clock;

class ReceptionScheduler final : public StationEvents {
public:
    static constexpr int BackgroundReceiveMs = 100;

    ReceptionScheduler(Reception& reception, AutoSave& autoSave, TSerialChannel& channel, Clock& clock);

    // What one Step ran.
    struct Fired {
        bool Receive = false;   // the channel's background receive
        bool Pass = false;      // a polling pass
        bool Update = false;    // reception's once-a-second tick
        bool AutoSave = false;  // the auto-save timer
    };
    // Runs what is due at nowMs. The next due times are settled (and DueChanged called) before the
    // work runs, so that a long pass that lets window events run still gets its background receive.
    Fired Step(int64_t nowMs);

    // Reception's polling interval changed: a running polling timer counts anew from now.
    void PollingIntervalChanged();
    // Auto-save's timer started, or its interval changed: it counts from now.
    void AutoSaveTimerStarted();

    int PollingInterval() const;
    bool PollingTimerOn() const;
    bool UpdateTimerOn() const;
    bool AutoSaveTimerOn() const;
    // The counter value at which the next timer is due.
    int64_t NextDueMs() const;
    // Told whenever NextDueMs may have moved; the desktop program re-arms its timer there.
    void SetDueChanged(std::function<void()> dueChanged) { dueChanged_ = std::move(dueChanged); }

    // Reception's start arms its timers.
    void ReceptionStarted(bool fresh) override;

private:
    // When a timer is due next; the next tick after a fire skips those already missed.
    struct Due {
        int64_t AtMs = 0;
        bool Fire(bool on, int intervalMs, int64_t now);
    };
    void DueMoved() {
        if (dueChanged_) dueChanged_();
    }

    Reception& reception_;
    AutoSave& autoSaveFiles_;
    TSerialChannel& channel_;
    Clock& clock_;
    Due receive_;
    Due polling_;
    Due update_;
    Due autoSave_;
    std::function<void()> dueChanged_;
};

}  // namespace drumo
