#include "station/ReceptionScheduler.h"

#include "acquisition/Reception.h"
#include "files/AutoSave.h"
#include "link/SerialChannel.h"

#include <algorithm>

namespace drumo {

bool ReceptionScheduler::Due::Fire(bool on, int intervalMs, int64_t now) {
    if (!on || now < AtMs) return false;
    if (intervalMs <= 0) {
        AtMs = now;
        return true;
    }
    AtMs += intervalMs;
    if (AtMs <= now) AtMs = now + intervalMs - (now - AtMs) % intervalMs;
    return true;
}

ReceptionScheduler::ReceptionScheduler(Reception& reception, AutoSave& autoSave, TSerialChannel& channel,
                                       Clock& clock)
    : reception_(reception), autoSaveFiles_(autoSave), channel_(channel), clock_(clock) {
    receive_.AtMs = clock_.TickMs() + BackgroundReceiveMs;
}

int ReceptionScheduler::PollingInterval() const { return reception_.PollingInterval(); }
bool ReceptionScheduler::PollingTimerOn() const { return reception_.Polling(); }
bool ReceptionScheduler::UpdateTimerOn() const { return reception_.Running(); }
bool ReceptionScheduler::AutoSaveTimerOn() const { return autoSaveFiles_.TimerRunning(); }

ReceptionScheduler::Fired ReceptionScheduler::Step(int64_t nowMs) {
    Fired fired;
    fired.Receive = receive_.Fire(true, BackgroundReceiveMs, nowMs);
    fired.Pass = polling_.Fire(PollingTimerOn(), PollingInterval(), nowMs);
    fired.Update = update_.Fire(UpdateTimerOn(), Reception::UpdateIntervalMs, nowMs);
    fired.AutoSave = autoSave_.Fire(AutoSaveTimerOn(), autoSaveFiles_.PeriodSeconds() * 1000, nowMs);
    DueMoved();
    if (fired.Receive) channel_.Tick();
    // A pass already running (events let run inside it) ignores the tick.
    if (fired.Pass) reception_.PollingPass();
    if (fired.Update) reception_.UpdateTick();
    if (fired.AutoSave) autoSaveFiles_.TimerTick();
    return fired;
}

void ReceptionScheduler::ReceptionStarted(bool) {
    const int64_t now = clock_.TickMs();
    polling_.AtMs = now + PollingInterval();
    update_.AtMs = now + Reception::UpdateIntervalMs;
    DueMoved();
}

void ReceptionScheduler::PollingIntervalChanged() {
    polling_.AtMs = clock_.TickMs() + PollingInterval();
    DueMoved();
}

void ReceptionScheduler::AutoSaveTimerStarted() {
    autoSave_.AtMs = clock_.TickMs() + autoSaveFiles_.PeriodSeconds() * 1000;
    DueMoved();
}

int64_t ReceptionScheduler::NextDueMs() const {
    int64_t next = receive_.AtMs;
    if (PollingTimerOn()) next = std::min(next, polling_.AtMs);
    if (UpdateTimerOn()) next = std::min(next, update_.AtMs);
    if (AutoSaveTimerOn()) next = std::min(next, autoSave_.AtMs);
    return next;
}

}  // namespace drumo
