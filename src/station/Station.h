#pragma once
// The station: the one owner of the serial line and of the program's state. From the services it
// is given (a serial port, the operator, the operations log, the window events and the clock) it
// builds the channel, the device link, the sensor frame decoder and the bus over them, and owns the
// program settings, the measurement store, the device search, data reception, the archive files
// and auto-save, with the scheduler that drives reception's timers. The desktop program, drumo-cli,
// the end-to-end tests and the benchmarks build a station; nobody else assembles that chain.
//
// It also knows which procedure holds the line. A procedure takes the line through Take (or
// through the station's own commands), which asks the holder to stop as the program's rules say or
// refuses; the lease it gets gives the line back when it ends. See Handover for the rules.
//
// The station sits above acquisition and files, which it ties together with the program settings,
// and below the procedures that take the line (notebook, calibration, device set-up) and the
// windows. The settings file itself is read and written in app, which hands the values in.

#include "acquisition/Discovery.h"
#include "acquisition/LinkBus.h"
#include "acquisition/Reception.h"
#include "station/ReceptionScheduler.h"
#include "model/ProgramSettings.h"
#include "files/ArchiveFiles.h"
#include "files/AutoSave.h"
#include "link/ComBuf.h"
#include "link/DeviceLink.h"
#include "link/SerialChannel.h"
#include "model/Store.h"

#include <map>
#include <memory>
#include <string>

namespace drumo {

class SerialPort;

// What happens when `user` wants the line that `holder` has.
enum class Handover {
    Free,           // the line is free, or user has it already
    Refuse,         // the holder's procedure runs to its end first; the newcomer does nothing
    StopHolder,     // the holder is stopped as the operator's own stop does, then the user has it
    SuspendHolder,  // the holder pauses and gets the line back when the user releases it
    Alongside,      // the user's single transactions run between the holder's; the holder keeps it
};
// The rules:
//  - a running search, notebook read, firmware update, calibration or device settings exchange
//    runs to its end: everyone else is refused meanwhile (reception does not start during a
//    search, the link test skips its ticks, the file commands do nothing);
//  - reception is stopped by every other user (the search does it by emptying the store, after
//    the operator's consent when readings would be lost); only the device settings dialogs and the
//    correction table's exchanges, whose single reads and writes fit between two passes, leave it
//    running (the corrections are computed from the running measurements);
//  - the link test is switched off by every other user except the search, during which it only
//    skips its ticks and after which it goes on.
Handover HandoverOf(LineUser holder, LineUser user);

class Station;

// The line held by one procedure: while the lease lives it gives the device bus, and when it ends
// (also through an early return or an exception) the line goes back to a suspended link test or
// is free. A refused lease is empty and holds nothing. A lease moves, and gives the line back once.
class LineLease {
public:
    LineLease() = default;
    LineLease(LineLease&& other) noexcept;
    LineLease& operator=(LineLease&& other) noexcept;
    LineLease(const LineLease&) = delete;
    LineLease& operator=(const LineLease&) = delete;
    ~LineLease() { Release(); }

    explicit operator bool() const { return station_ != nullptr; }
    // The bus of the line; only on a lease that was granted.
    DeviceBus& Bus() const;
    // Gives the line back before the lease ends; the lease is empty after.
    void Release();

private:
    friend class Station;
    LineLease(Station& station, LineUser user) : station_(&station), user_(user) {}

    Station* station_ = nullptr;
    LineUser user_ = LineUser::Idle;
};

// The port as it stands, for those that look at it: its name, whether it is open, its settings.
struct PortState {
    std::string PortName;  // "\\.\Com" + n, or a device node
    bool Connected = false;
    bool PollingActive = false;  // the background receive runs (it pauses during transactions)
    int BaudRate = 0;
    int StopBits = 1;
};

struct StationServices {
    SerialPort& Port;
    Operator& Op;
    EventLog& Log;
    Clock& Time;
    // The window events the long procedures let run; null where there are none (drumo-cli, the
    // benchmarks), in which case the channel's background receive runs in their place.
    EventPump* Events = nullptr;
    // The program's version, written into archive files.
    std::string ProgramVersion = "";
};

// Where the running procedures show their progress; a null view shows nothing. What they bring
// about goes to the subscribers of the store's events.
struct StationViews {
    SearchView* Search = nullptr;
    ReceptionView* Receiving = nullptr;
    ArchiveView* Archive = nullptr;
    AutoSaveView* Saving = nullptr;
};

class Station {
public:
    explicit Station(const StationServices& services, const StationViews& views = {});
    // The windows that show the procedures' progress, once they exist (the station is built
    // before them); null views show nothing.
    void SetViews(const StationViews& views);
    ~Station();
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    // --- What the station owns.
    DeviceBus& Bus() { return bus_; }
    MeasurementStore& Store() { return store_; }
    DeviceSearch& Search() { return search_; }
    Reception& Receiver() { return reception_; }
    ArchiveFiles& Files() { return files_; }
    AutoSave& AutoSaver() { return autoSave_; }
    ReceptionScheduler& Scheduler() { return scheduler_; }
    // The station clock's millisecond counter, the time the scheduler's timers are counted in.
    int64_t NowMs() const { return clock_.TickMs(); }
    EventPump& Events() { return *events_; }
    Clock& Time() { return clock_; }
    // Reception's calls into auto-save.
    AutoSaveHooks& ReceptionAutoSave();

    // What happened in the station; subscribers are told in the order they subscribed.
    StationEventHub& Subscribers() { return store_.Events(); }

    // --- Settings. The program settings are the one copy; the station pushes them to reception
    // and auto-save, and never reads them back from there.
    ProgramSettings& Settings() { return settings_; }
    const ProgramSettings& Settings() const { return settings_; }
    // The search settings in use; they change through ApplySearchSettings only.
    const SearchSettings& SearchSettingsInUse() const { return searchInUse_; }
    SearchSettings& SearchSettingsInUse() { return searchInUse_; }
    // New program settings (read from the settings file, or the settings dialog's).
    void UseSettings(const ProgramSettings& settings);
    // The settings file's search settings become the ones in use and go to the channel; the port
    // numbers lead to the [Ports] section's device nodes.
    void LoadSearchSettings();
    // The settings in use go back into the program settings that are written at closing.
    void SaveSearchSettings();
    // The polling interval in force, in ms (the settings' list position gives it at start; the
    // settings dialog may set another). Reception keeps it; the polling timer follows.
    int PollingInterval() const { return reception_.PollingInterval(); }
    void SetPollingInterval(int ms);
    // The alarm limits and the decimal mark in force reach reception.
    void ApplyReceptionSettings();

    // --- The line.
    // The serial settings every device of the program expects (8N1, no flow control, 100 ms
    // time-outs), its failures logged to the station's log.
    void UseProgramLine();
    // The port, whether it is open, and its serial settings, as they stand now.
    PortState Port() const;
    // The background receive's interval, in ms.
    int ReceiveIntervalMs() const { return channel_.PollingDelay(); }
    // The system's reason why the port did not open at the last try; empty when it did.
    const std::string& PortError() const { return channel_.LastError(); }
    // The device nodes of port numbers (the settings file's [Ports] section).
    void UsePorts(const std::map<int, std::string>& ports);
    LineUser Holder() const;
    bool Searching() const { return search_.Searching(); }
    // The line for `user` as HandoverOf says, for as long as the lease lives; an empty lease when
    // refused. Alongside reception the lease is granted and reception keeps the line.
    [[nodiscard]] LineLease Take(LineUser user);

    // --- Procedures that take the line themselves.
    // "Запустить поиск" with the wanted search settings; false when refused, stopped or nothing
    // was found.
    bool RunSearch(const SearchSettings& wanted);
    bool SearchNamedPort(const SearchSettings& wanted, const std::string& portName);
    // "Начать прием данных" and "Остановить прием данных".
    StartOutcome StartReception();
    void StopReception();
    // Switching the link test on: stops reception, opens the default port when it is closed.
    // False when refused or the port cannot be opened.
    bool StartLinkTest(const SearchSettings& wanted);
    void StopLinkTest();

    // --- Test seam: runs the channel's background receive once. The program's own pumps get it
    // from the scheduler's timer or from the station's pump; a test's pump that stands in for the
    // window events calls this instead.
    void TickLineForTests() { channel_.Tick(); }

private:
    friend class LineLease;
    class AutoSaveTimer;
    class AutoSaveSettings;
    class StoreHooks;

    bool ReceptionActive() const;
    void StopHolder(LineUser holder);
    // Takes the line for `user`; false when refused.
    bool TakeLine(LineUser user);
    // `user` is done with the line: it goes back to a suspended link test, or is free.
    void ReleaseLine(LineUser user);
    void Hold(LineUser user);

    Operator& op_;
    EventLog& log_;
    Clock& clock_;
    std::unique_ptr<EventPump> ownEvents_;
    EventPump* events_;
    std::unique_ptr<AutoSaveTimer> autoSaveTimer_;
    TSerialChannel channel_;
    DeviceLink link_;
    TComBuf decoder_;
    LinkBus bus_;
    ProgramSettings settings_;
    SearchSettings searchInUse_;
    MeasurementStore store_;
    DeviceSearch search_;
    Reception reception_;
    ArchiveFiles files_;
    AutoSave autoSave_;
    std::unique_ptr<AutoSaveSettings> autoSaveHooks_;
    std::unique_ptr<StoreHooks> storeHooks_;
    ReceptionScheduler scheduler_;
    LineUser holder_ = LineUser::Idle;
    bool linkTestSuspended_ = false;
};

}  // namespace drumo
