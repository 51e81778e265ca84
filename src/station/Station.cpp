#include "station/Station.h"

#include "acquisition/LinkTest.h"
#include "acquisition/ProgramLine.h"
#include "acquisition/SearchSettings.h"
#include "station/SearchSettingsFile.h"
#include "link/PortMap.h"
#include "model/Formats.h"
#include "model/Intervals.h"

#include <utility>

namespace drumo {

namespace {

bool LongProcedure(LineUser user) {
    switch (user) {
    case LineUser::Search:
    case LineUser::Notebook:
    case LineUser::Firmware:
    case LineUser::Calibration:
    case LineUser::DeviceSettings:
        return true;
    default:
        return false;
    }
}

// Without window events the channel's background receive is all that runs between two
// transactions of a long procedure.
class ChannelEvents final : public EventPump {
public:
    explicit ChannelEvents(TSerialChannel& channel) : channel_(channel) {}
    void ProcessEvents() override { channel_.Tick(); }

private:
    TSerialChannel& channel_;
};

SearchView noSearchView;
ReceptionView noReceptionView;
AutoSaveView noAutoSaveView;
LineView noLineView;

}  // namespace

Handover HandoverOf(LineUser holder, LineUser user) {
    if (holder == LineUser::Idle || holder == user || user == LineUser::Idle) return Handover::Free;
    if (LongProcedure(holder)) return Handover::Refuse;
    if (holder == LineUser::Reception)
        return user == LineUser::DeviceSettings || user == LineUser::Calibration ? Handover::Alongside
                                                                                  : Handover::StopHolder;
    // The link test.
    return user == LineUser::Search ? Handover::SuspendHolder : Handover::StopHolder;
}

// Reception's and auto-save's timer switches reach the scheduler as well as the windows.
class Station::Views final : public ReceptionView, public AutoSaveView {
public:
    Views(Station& station, const StationViews& views)
        : station_(station),
          reception_(views.Receiving ? *views.Receiving : noReceptionView),
          saving_(views.Saving ? *views.Saving : noAutoSaveView),
          line_(views.Line ? *views.Line : noLineView) {}

    LineView& Line() { return line_; }

    // ReceptionView
    void PollingTimer(bool on) override {
        station_.scheduler_.PollingTimer(on, station_.clock_.TickMs());
        reception_.PollingTimer(on);
    }
    void UpdateTimer(bool on) override {
        station_.scheduler_.UpdateTimer(on, station_.clock_.TickMs());
        reception_.UpdateTimer(on);
    }
    void RequestProgress(int position, int maximum) override { reception_.RequestProgress(position, maximum); }
    void RequestCountdown(const std::string& text) override { reception_.RequestCountdown(text); }
    void ReceptionLamp(bool lit) override { reception_.ReceptionLamp(lit); }
    void ShowNewSample(size_t d, size_t c) override { reception_.ShowNewSample(d, c); }
    void ResetGraphViews() override { reception_.ResetGraphViews(); }
    void RebuildView() override { reception_.RebuildView(); }
    void FollowMode(bool on) override { reception_.FollowMode(on); }
    void FitSystemTrend() override { reception_.FitSystemTrend(); }
    void UpdateSystemTrend() override { reception_.UpdateSystemTrend(); }
    void UpperAlarm(const std::string& line) override { reception_.UpperAlarm(line); }
    void LowerAlarm(const std::string& line) override { reception_.LowerAlarm(line); }
    void ShowSearchWindow() override { reception_.ShowSearchWindow(); }

    // AutoSaveView
    void StartTimer(int intervalMs) override {
        station_.scheduler_.SetAutoSaveInterval(intervalMs, station_.clock_.TickMs());
        station_.scheduler_.AutoSaveTimer(true, station_.clock_.TickMs());
        saving_.StartTimer(intervalMs);
    }
    void StopTimer() override {
        station_.scheduler_.AutoSaveTimer(false, station_.clock_.TickMs());
        saving_.StopTimer();
    }
    void SetTimerInterval(int intervalMs) override {
        station_.scheduler_.SetAutoSaveInterval(intervalMs, station_.clock_.TickMs());
        saving_.SetTimerInterval(intervalMs);
    }
    void FileIndicator(bool lit) override { saving_.FileIndicator(lit); }
    void SetProgressMaximum(int maximum) override { saving_.SetProgressMaximum(maximum); }
    void SetProgress(int value) override { saving_.SetProgress(value); }
    void StepProgress() override { saving_.StepProgress(); }
    void ShowCountdown(const std::string& hhnnss) override { saving_.ShowCountdown(hhnnss); }

private:
    Station& station_;
    ReceptionView& reception_;
    AutoSaveView& saving_;
    LineView& line_;
};

// Reception's calls into auto-save, with the settings as they stand at that moment.
class Station::AutoSaveSettings final : public AutoSaveHooks {
public:
    explicit AutoSaveSettings(Station& station) : s_(station) {}
    void Start() override {
        Take();
        s_.autoSave_.StartReception();
    }
    void Stop() override { s_.autoSave_.StopReception(); }
    void EndOfPass() override {
        Take();
        s_.autoSave_.EndOfPass();
    }
    void DisplayTick() override {
        s_.autoSave_.AutoSaveEnabled = s_.settings_.Main.AutoSaveEnabled;
        s_.autoSave_.UpdateTick(Reception::UpdateIntervalMs);
    }

private:
    void Take() {
        s_.autoSave_.ArchiveFolder = s_.settings_.Main.ArchiveFolder;
        s_.autoSave_.AutoSaveEnabled = s_.settings_.Main.AutoSaveEnabled;
        s_.autoSave_.SetPeriodIndex(s_.settings_.Main.AutoSaveIndex);
    }
    Station& s_;
};

// The store asks whether a search runs before it clears results, and stops reception before it
// empties itself.
class Station::StoreHooks final : public StoreListener {
public:
    explicit StoreHooks(Station& station) : s_(station) {}
    bool SearchRunning() const override { return s_.Searching(); }
    void StopReception() override { s_.reception_.StopReception(); }

private:
    Station& s_;
};

Station::Station(const StationServices& services, const StationViews& views)
    : op_(services.Op), log_(services.Log), clock_(services.Time),
      ownEvents_(services.Events ? nullptr : std::make_unique<ChannelEvents>(channel_)),
      events_(services.Events ? services.Events : ownEvents_.get()),
      views_(std::make_unique<Views>(*this, views)),
      channel_(services.Port, services.Time),
      link_(channel_, services.Time),
      bus_(link_, decoder_),
      pollingIntervalMs_(IntervalMs(settings_.Main.RequestAllIndex)),
      store_(services.Op, services.Log),
      search_(bus_, store_, searchInUse_, services.Op, services.Log, *events_, services.Time,
              views.Search ? *views.Search : noSearchView),
      reception_(bus_, store_, searchInUse_, services.Op, services.Log, *events_, services.Time, *views_),
      files_(store_, services.Op, services.Log, services.Time,
             services.ProgramVersion, views.Archive),
      autoSave_(files_, services.Time, views_.get()),
      autoSaveHooks_(std::make_unique<AutoSaveSettings>(*this)),
      storeHooks_(std::make_unique<StoreHooks>(*this)),
      scheduler_(reception_, autoSave_, channel_) {
    channel_.SetLog(&log_);  // a refused open and a port that went away are logged
    reception_.SetAutoSave(autoSaveHooks_.get());
    reception_.SetSearchRunning([this] { return Searching(); });
    store_.AddListener(storeHooks_.get());
    ApplyReceptionSettings();
}

AutoSaveHooks& Station::ReceptionAutoSave() { return *autoSaveHooks_; }

Station::~Station() {
    store_.RemoveListener(storeHooks_.get());
    channel_.Disconnect();
}

// --- Settings --------------------------------------------------------------------------------

void Station::UseSettings(const ProgramSettings& settings) {
    settings_ = settings;
    pollingIntervalMs_ = IntervalMs(settings_.Main.RequestAllIndex);
    ApplyReceptionSettings();
    autoSave_.SetPeriodIndex(settings_.Main.AutoSaveIndex);
}

void Station::UsePorts(const std::map<int, std::string>& ports) {
    PortMap map;
    map.SetConfigured(ports);
    channel_.SetPortMap(std::move(map));
}

void Station::LoadSearchSettings() {
    UsePorts(settings_.Ports);
    ApplySearchSettings(SearchSettingsFromFile(settings_.Find), searchInUse_, bus_);
}

void Station::SaveSearchSettings() { SearchSettingsToFile(searchInUse_, settings_.Find); }

void Station::SetPollingInterval(int ms) {
    pollingIntervalMs_ = ms;
    reception_.SetPollingInterval(ms);
    scheduler_.SetPollingInterval(ms, clock_.TickMs());
}

void Station::ApplyReceptionSettings() {
    reception_.SetPollingInterval(pollingIntervalMs_);
    if (scheduler_.PollingInterval() != pollingIntervalMs_)
        scheduler_.SetPollingInterval(pollingIntervalMs_, clock_.TickMs());
    reception_.SetAlarmLimits(settings_.Main.AlarmTMax, settings_.Main.AlarmTMin);
    reception_.SetDecimalMark(DecimalMark());
}

// --- The line --------------------------------------------------------------------------------

void Station::UseProgramLine() { drumo::UseProgramLine(channel_, log_); }

bool Station::ReceptionActive() const { return store_.Receiving || reception_.PollingTimerOn(); }

LineUser Station::Holder() const {
    if (search_.Searching()) return LineUser::Search;
    if (holder_ == LineUser::Reception && !ReceptionActive()) return LineUser::Idle;
    if (holder_ == LineUser::Idle && ReceptionActive()) return LineUser::Reception;
    return holder_;
}

void Station::StopHolder(LineUser holder) {
    if (holder == LineUser::Reception) {
        reception_.StopReception();
    } else if (holder == LineUser::LinkTest) {
        linkTestSuspended_ = false;
        views_->Line().LinkTestStopped();
    }
    holder_ = LineUser::Idle;
}

LineLease Station::Take(LineUser user) {
    if (!TakeLine(user)) return {};
    return LineLease(*this, user);
}

LineLease::LineLease(LineLease&& other) noexcept
    : station_(std::exchange(other.station_, nullptr)), user_(other.user_) {}

LineLease& LineLease::operator=(LineLease&& other) noexcept {
    if (this != &other) {
        Release();
        station_ = std::exchange(other.station_, nullptr);
        user_ = other.user_;
    }
    return *this;
}

DeviceBus& LineLease::Bus() const { return station_->bus_; }

void LineLease::Release() {
    if (station_) std::exchange(station_, nullptr)->ReleaseLine(user_);
}

bool Station::TakeLine(LineUser user) {
    const LineUser holder = Holder();
    switch (HandoverOf(holder, user)) {
    case Handover::Refuse:
        return false;
    case Handover::Alongside:
        return true;
    case Handover::StopHolder:
        StopHolder(holder);
        break;
    case Handover::SuspendHolder:
        linkTestSuspended_ = holder == LineUser::LinkTest;
        break;
    case Handover::Free:
        break;
    }
    if (user != LineUser::Idle) holder_ = user;
    return true;
}

void Station::ReleaseLine(LineUser user) {
    if (holder_ != user) return;
    holder_ = linkTestSuspended_ ? LineUser::LinkTest : LineUser::Idle;
    linkTestSuspended_ = false;
}

// --- Procedures ------------------------------------------------------------------------------

bool Station::RunSearch(const SearchSettings& wanted) {
    if (Searching()) return false;  // "Запустить поиск" is ignored while a search runs
    const LineUser before = Holder();
    const Handover handover = HandoverOf(before, LineUser::Search);
    if (handover == Handover::Refuse) return false;
    // Reception is not stopped here: the search's first step empties the store, which asks the
    // operator when readings would be lost and stops reception only on Yes.
    if (handover == Handover::SuspendHolder) linkTestSuspended_ = true;
    holder_ = LineUser::Search;
    const bool found = search_.RunSearch(wanted);
    ReleaseLine(LineUser::Search);
    return found;
}

bool Station::SearchNamedPort(const SearchSettings& wanted, const std::string& portName) {
    if (Searching() || !TakeLine(LineUser::Search)) return false;
    const bool found = search_.SearchNamedPort(wanted, portName);
    ReleaseLine(LineUser::Search);
    return found;
}

void Station::StartReception() {
    const LineUser holder = Holder();
    if (HandoverOf(holder, LineUser::Reception) == Handover::Refuse) return;
    // The link test's requests would fall between the passes' transactions, and into the sensor
    // stream of a Hexar: reception takes the line for itself when it can start at all.
    if (holder == LineUser::LinkTest && !store_.ArchiveLoaded && store_.DeviceCount != 0)
        StopHolder(holder);
    ApplyReceptionSettings();
    reception_.StartReception();
    if (ReceptionActive()) holder_ = LineUser::Reception;
}

void Station::StopReception() {
    reception_.StopReception();
    if (holder_ == LineUser::Reception) holder_ = LineUser::Idle;
}

bool Station::StartLinkTest(const SearchSettings& wanted) {
    if (!TakeLine(LineUser::LinkTest)) return false;
    if (OpenLinkTestPort(bus_, wanted, searchInUse_, op_, nullptr)) return true;
    ReleaseLine(LineUser::LinkTest);
    return false;
}

void Station::StopLinkTest() {
    if (holder_ == LineUser::LinkTest)
        ReleaseLine(LineUser::LinkTest);
    else
        linkTestSuspended_ = false;
}

}  // namespace drumo
