#include "station/ReceptionScheduler.h"

#include "acquisition/Reception.h"
#include "files/AutoSave.h"
#include "link/SerialChannel.h"

#include <algorithm>

namespace drumo {

bool ReceptionScheduler::Timer::Fire(int64_t now) {
    if (!On || now < DueMs) return false;
    DueMs += IntervalMs;
    if (DueMs <= now && IntervalMs > 0) DueMs = now + IntervalMs - (now - DueMs) % IntervalMs;
    if (IntervalMs <= 0) DueMs = now;
    return true;
}

ReceptionScheduler::ReceptionScheduler(Reception& reception, AutoSave& autoSave, TSerialChannel& channel)
    : reception_(reception), autoSaveFiles_(autoSave), channel_(channel) {
    receive_.IntervalMs = BackgroundReceiveMs;
    receive_.On = true;
    polling_.IntervalMs = reception.PollingInterval();
    update_.IntervalMs = Reception::UpdateIntervalMs;
    autoSave_.IntervalMs = autoSave.PeriodSeconds() * 1000;
}

ReceptionScheduler::Fired ReceptionScheduler::Step(int64_t nowMs) {
    Fired fired;
    if (receive_.Fire(nowMs)) {
        fired.Receive = true;
        channel_.Tick();
    }
    if (polling_.Fire(nowMs)) {
        fired.Pass = true;
        reception_.PollingPass();
    }
    if (update_.Fire(nowMs)) {
        fired.Update = true;
        reception_.UpdateTick();
    }
    if (autoSave_.Fire(nowMs)) {
        fired.AutoSave = true;
        autoSaveFiles_.TimerTick();
    }
    return fired;
}

bool ReceptionScheduler::FireReceive(int64_t nowMs) {
    if (!receive_.Tick(nowMs)) return false;
    channel_.Tick();
    return true;
}

bool ReceptionScheduler::FirePolling(int64_t nowMs) {
    if (!polling_.Tick(nowMs)) return false;
    reception_.PollingPass();  // a pass already running (events pumped inside it) ignores the tick
    return true;
}

bool ReceptionScheduler::FireUpdate(int64_t nowMs) {
    if (!update_.Tick(nowMs)) return false;
    reception_.UpdateTick();
    return true;
}

bool ReceptionScheduler::FireAutoSave(int64_t nowMs) {
    if (!autoSave_.Tick(nowMs)) return false;
    autoSaveFiles_.TimerTick();
    return true;
}

void ReceptionScheduler::PollingTimer(bool on, int64_t nowMs) {
    if (on)
        polling_.Start(nowMs);
    else
        polling_.On = false;
}

void ReceptionScheduler::SetPollingInterval(int ms, int64_t nowMs) {
    polling_.IntervalMs = ms;
    if (polling_.On) polling_.Start(nowMs);
}

void ReceptionScheduler::UpdateTimer(bool on, int64_t nowMs) {
    if (on)
        update_.Start(nowMs);
    else
        update_.On = false;
}

void ReceptionScheduler::AutoSaveTimer(bool on, int64_t nowMs) {
    if (on)
        autoSave_.Start(nowMs);
    else
        autoSave_.On = false;
}

void ReceptionScheduler::SetAutoSaveInterval(int ms, int64_t nowMs) {
    autoSave_.IntervalMs = ms;
    if (autoSave_.On) autoSave_.Start(nowMs);
}

int64_t ReceptionScheduler::NextDueMs() const {
    int64_t next = receive_.DueMs;
    for (const Timer* t : {&polling_, &update_, &autoSave_})
        if (t->On) next = std::min(next, t->DueMs);
    return next;
}

}  // namespace drumo
