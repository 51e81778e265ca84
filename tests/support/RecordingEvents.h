#pragma once
// Subscribes to the station's events and keeps them: each as one line of text in the order they
// came (Seen), and the samples and alarm lines as they were sent.

#include "model/StationEvents.h"

#include <string>
#include <vector>

namespace drumo::test {

inline const char* UserName(LineUser user) {
    switch (user) {
    case LineUser::Idle: return "idle";
    case LineUser::Search: return "search";
    case LineUser::LinkTest: return "link test";
    case LineUser::Reception: return "reception";
    case LineUser::Notebook: return "notebook";
    case LineUser::Firmware: return "firmware";
    case LineUser::Calibration: return "calibration";
    case LineUser::DeviceSettings: return "device settings";
    }
    return "?";
}

class RecordingEvents final : public StationEvents {
public:
    explicit RecordingEvents(StationEventHub& hub) : hub_(hub) { hub_.Subscribe(this); }
    ~RecordingEvents() override { hub_.Unsubscribe(this); }
    RecordingEvents(const RecordingEvents&) = delete;
    RecordingEvents& operator=(const RecordingEvents&) = delete;

    std::vector<std::string> Seen;
    std::vector<SamplePlace> Samples;
    std::vector<std::string> Upper, Lower;
    ArchiveLoad LastLoad;

    int CountOf(const std::string& line) const {
        int n = 0;
        for (const auto& s : Seen) n += s == line;
        return n;
    }

    void ReceptionStarted(bool fresh) override { Seen.push_back(fresh ? "started fresh" : "started"); }
    void ReceptionStopped() override { Seen.push_back("stopped"); }
    void SampleAdded(const SamplePlace& p) override {
        Samples.push_back(p);
        Seen.push_back("sample " + std::to_string(p.Device) + "/" + std::to_string(p.Cable) + " #" +
                       std::to_string(p.Index) + (p.Selected ? " shown" : ""));
    }
    void PacketReceived(DateTime, int bytes) override { Seen.push_back("packet " + std::to_string(bytes)); }
    void AlarmRaised(AlarmKind kind, const std::string& line) override {
        (kind == AlarmKind::Upper ? Upper : Lower).push_back(line);
        Seen.push_back(kind == AlarmKind::Upper ? "upper alarm" : "lower alarm");
    }
    void SearchFinished(const SearchOutcome& o) override {
        Seen.push_back("found " + std::to_string(o.Devices) + (o.Modbus ? " modbus: " : ": ") + o.Status);
    }
    void ArchiveLoaded(const ArchiveLoad& load) override {
        LastLoad = load;
        Seen.push_back("loaded " + std::to_string(load.Devices));
    }
    void LineTaken(LineUser user) override { Seen.push_back(std::string("line to ") + UserName(user)); }
    void LineGivenBack(LineUser user) override { Seen.push_back(std::string("line back from ") + UserName(user)); }
    void StoreCleared() override { Seen.push_back("cleared"); }
    void StoreEmptied() override { Seen.push_back("emptied"); }
    void SelectionChanged() override { Seen.push_back("selection"); }

private:
    StationEventHub& hub_;
};

}  // namespace drumo::test
