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

// Auto-save's timer reaches the scheduler; its progress reaches the window that shows it.
class Station::AutoSaveTimer final : public AutoSaveView {
public:
    explicit AutoSaveTimer(Station& station) : s_(station) {}
    void SetView(AutoSaveView* view) { view_ = view ? view : &none_; }

    void StartTimer(int) override { s_.scheduler_.AutoSaveTimerStarted(); }
    void SetTimerInterval(int) override {
        if (s_.autoSave_.TimerRunning()) s_.scheduler_.AutoSaveTimerStarted();
    }
    void FileIndicator(bool lit) override { view_->FileIndicator(lit); }
    void SetProgressMaximum(int maximum) override { view_->SetProgressMaximum(maximum); }
    void SetProgress(int value) override { view_->SetProgress(value); }
    void StepProgress() override { view_->StepProgress(); }
    void ShowCountdown(const std::string& hhnnss) override { view_->ShowCountdown(hhnnss); }

private:
    Station& s_;
    AutoSaveView none_;
    AutoSaveView* view_ = &none_;
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
// empties itself. Reception holds the line from its start, its first pass included: the holder is
// told before the start reaches the other subscribers.
class Station::StoreHooks final : public StoreGuard, public StationEvents {
public:
    explicit StoreHooks(Station& station) : s_(station) {}
    bool SearchRunning() const override { return s_.Searching(); }
    void StopReception() override { s_.StopReception(); }
    void ReceptionStarted(bool) override {
        if (s_.holder_ == LineUser::Idle) s_.Hold(LineUser::Reception);
    }

private:
    Station& s_;
};

Station::Station(const StationServices& services, const StationViews& views)
    : op_(services.Op), log_(services.Log), clock_(services.Time),
      ownEvents_(services.Events ? nullptr : std::make_unique<ChannelEvents>(channel_)),
      events_(services.Events ? services.Events : ownEvents_.get()),
      autoSaveTimer_(std::make_unique<AutoSaveTimer>(*this)),
      channel_(services.Port, services.Time),
      link_(channel_, services.Time),
      bus_(link_, decoder_),
      store_(services.Op, services.Log),
      search_(bus_, store_, searchInUse_, services.Op, services.Log, *events_, services.Time),
      reception_(bus_, store_, searchInUse_, services.Op, services.Log, *events_, services.Time),
      files_(store_, services.Op, services.Log, services.Time,
             services.ProgramVersion),
      autoSave_(files_, services.Time, autoSaveTimer_.get()),
      autoSaveHooks_(std::make_unique<AutoSaveSettings>(*this)),
      storeHooks_(std::make_unique<StoreHooks>(*this)),
      scheduler_(reception_, autoSave_, channel_, services.Time) {
    channel_.SetLog(&log_);  // a refused open and a port that went away are logged
    reception_.SetAutoSave(autoSaveHooks_.get());
    reception_.SetSearchRunning([this] { return Searching(); });
    reception_.SetPollingInterval(IntervalMs(settings_.Main.RequestAllIndex));
    store_.SetGuard(storeHooks_.get());
    store_.Events().Subscribe(storeHooks_.get());  // first: the holder is told before the start
    store_.Events().Subscribe(&scheduler_);
    SetViews(views);
    ApplyReceptionSettings();
}

void Station::SetViews(const StationViews& views) {
    search_.SetView(views.Search);
    reception_.SetView(views.Receiving);
    files_.SetView(views.Archive);
    autoSaveTimer_->SetView(views.Saving);
}

AutoSaveHooks& Station::ReceptionAutoSave() { return *autoSaveHooks_; }

Station::~Station() {
    store_.Events().Unsubscribe(&scheduler_);
    store_.Events().Unsubscribe(storeHooks_.get());
    store_.SetGuard(nullptr);
    channel_.Disconnect();
}

// --- Settings --------------------------------------------------------------------------------

void Station::UseSettings(const ProgramSettings& settings) {
    settings_ = settings;
    SetPollingInterval(IntervalMs(settings_.Main.RequestAllIndex));
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
    if (ms == reception_.PollingInterval()) return;
    reception_.SetPollingInterval(ms);
    scheduler_.PollingIntervalChanged();
}

void Station::ApplyReceptionSettings() {
    reception_.SetAlarmLimits(settings_.Main.AlarmTMax, settings_.Main.AlarmTMin);
    reception_.SetDecimalMark(DecimalMark());
}

// --- The line --------------------------------------------------------------------------------

void Station::UseProgramLine() { drumo::UseProgramLine(channel_, log_); }

PortState Station::Port() const {
    return {channel_.PortName(), channel_.Connected(), channel_.PollingActive(), channel_.BaudRateValue(),
            channel_.StopBits()};
}

bool Station::ReceptionActive() const { return reception_.Running(); }

void Station::Hold(LineUser user) {
    if (holder_ == user) return;
    const LineUser before = holder_;
    holder_ = user;
    if (before != LineUser::Idle) store_.Events().Send(&StationEvents::LineGivenBack, before);
    if (user != LineUser::Idle) store_.Events().Send(&StationEvents::LineTaken, user);
}

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
    }
    Hold(LineUser::Idle);
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
    if (user != LineUser::Idle) Hold(user);
    return true;
}

void Station::ReleaseLine(LineUser user) {
    if (holder_ != user) return;
    const bool resume = linkTestSuspended_;
    linkTestSuspended_ = false;
    Hold(resume ? LineUser::LinkTest : LineUser::Idle);
}

// --- Procedures ------------------------------------------------------------------------------

bool Station::RunSearch(const SearchSettings& wanted) {
    if (Searching()) return false;  // "Запустить поиск" is ignored while a search runs
    const LineUser before = Holder();
    const Handover handover = HandoverOf(before, LineUser::Search);
    if (handover == Handover::Refuse) return false;
    // Reception is not stopped here: the search's first step empties the store, which asks the
    // operator when readings would be lost and stops reception only on Yes.
    if (handover == Handover::SuspendHolder) {
        linkTestSuspended_ = true;
        holder_ = LineUser::Idle;  // paused, not given back
    }
    Hold(LineUser::Search);
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

StartOutcome Station::StartReception() {
    const LineUser holder = Holder();
    if (HandoverOf(holder, LineUser::Reception) == Handover::Refuse) return StartOutcome::NotStarted;
    // The link test's requests would fall between the passes' transactions, and into the sensor
    // stream of a Hexar: reception takes the line for itself when it can start at all.
    if (holder == LineUser::LinkTest && !store_.ArchiveLoaded() && store_.DeviceCount() != 0)
        StopHolder(holder);
    ApplyReceptionSettings();
    return reception_.StartReception();
}

void Station::StopReception() {
    reception_.StopReception();
    if (holder_ == LineUser::Reception) Hold(LineUser::Idle);
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
