#pragma once
// What happened in the station's engine, told to whoever subscribed: the windows (through their
// wiring), drumo-cli and the logger. Each event is sent by the part that knows it: the store
// announces its own samples, selection and emptying; reception its start, stop, packets and alarms;
// the search its end; the archive files their loads; the station the line's holder. A subscriber
// derives what it shows from the event and the store; nobody is told what to draw.
//
// Subscribers are told in the order they subscribed and are not owned; one may unsubscribe itself
// (or another) while being told.

#include "model/DateTime.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

namespace drumo {

// Who uses the serial line.
enum class LineUser { Idle, Search, LinkTest, Reception, Notebook, Firmware, Calibration, DeviceSettings };

// A complete sample in the store: device, cable, its index in the cable's series and its time.
// Selected: it is a sample of the cable the main window shows.
struct SamplePlace {
    size_t Device = 0;
    size_t Cable = 0;
    size_t Index = 0;
    DateTime Time = 0;
    bool Selected = false;
};

// The end of a device search that found something.
struct SearchOutcome {
    int Devices = 0;
    bool Modbus = false;
    std::string Status;  // the main window's status text of the search
};

// Archive files were loaded into the store.
struct ArchiveLoad {
    size_t Devices = 0;
    std::string DeviceManagerTitle;
    std::string SystemTrendTitle;
    std::string Status;
};

enum class AlarmKind { Upper, Lower };

class StationEvents {
public:
    virtual ~StationEvents() = default;

    // Reception started; fresh: no sample of the selected cable was shown yet, or the notebook's
    // records leave the graphs, so views start anew. Sent before the first pass.
    virtual void ReceptionStarted(bool /*fresh*/) {}
    virtual void ReceptionStopped() {}
    // One cable's sample is complete (a polled cable, or a streamed sample whose last sensor
    // reported). The store's selection counts already include it.
    virtual void SampleAdded(const SamplePlace& /*place*/) {}
    // A pass (or a streamed sample) ended with data: its time is noted in the store.
    virtual void PacketReceived(DateTime /*time*/, int /*bytes*/) {}
    virtual void AlarmRaised(AlarmKind /*kind*/, const std::string& /*line*/) {}
    virtual void SearchFinished(const SearchOutcome& /*outcome*/) {}
    virtual void ArchiveLoaded(const ArchiveLoad& /*load*/) {}
    virtual void LineTaken(LineUser /*user*/) {}
    virtual void LineGivenBack(LineUser /*user*/) {}

    // The samples were dropped; devices, cables and sensors are kept.
    virtual void StoreCleared() {}
    // The store holds no device any more; selection, counters and flags are back to zero.
    virtual void StoreEmptied() {}
    // The selection moved, or the selected cable was filled anew; its counts are up to date.
    virtual void SelectionChanged() {}
};

// The list of subscribers and the sending of one event to each.
class StationEventHub {
public:
    void Subscribe(StationEvents* subscriber) {
        if (subscriber && std::find(list_.begin(), list_.end(), subscriber) == list_.end())
            list_.push_back(subscriber);
    }
    void Unsubscribe(StationEvents* subscriber) { std::erase(list_, subscriber); }

    // Calls (subscriber->*event)(args...) for every subscriber, over a copy of the list so that a
    // subscriber may unsubscribe while being told; one that was unsubscribed meanwhile is skipped.
    template <typename... Params, typename... Args>
    void Send(void (StationEvents::*event)(Params...), Args&&... args) {
        const auto subscribers = list_;
        for (StationEvents* s : subscribers)
            if (std::find(list_.begin(), list_.end(), s) != list_.end()) (s->*event)(args...);
    }

private:
    std::vector<StationEvents*> list_;
};

}  // namespace drumo
