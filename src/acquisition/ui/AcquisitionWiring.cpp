#include "acquisition/ui/AcquisitionWiring.h"

#include <QAction>
#include <QLabel>
#include <QProgressBar>

#include "acquisition/ManagerRows.h"
#include "acquisition/ui/TfrmAlarm.h"
#include "acquisition/ui/TfrmFind.h"
#include "acquisition/ui/TfrmMAC.h"
#include "acquisition/ui/TfrmScanM.h"
#include "app/SearchSettingsFile.h"
#include "app/ui/TfrmMain.h"
#include "model/Formats.h"

namespace drumo {

namespace {
QString Q(const std::string& text) { return QString::fromStdString(text); }
constexpr int CommentColumn = 5;
constexpr int AddressColumn = 0;
}  // namespace

AcquisitionWiring::AcquisitionWiring(const AcquisitionWindows& windows, MeasurementStore& store,
                                     ProgramSettings& settings, Operator& op, EventLog& log)
    : w_(windows), store_(store), settings_(settings), op_(op), log_(log),
      link_(windows.Main.Channel(), SystemClock::Instance()), bus_(link_, decoder_),
      rows_(windows.ScanM) {
    find_ = std::make_unique<TfrmFind>(bus_, store_, searchSettings_, op_, log_, SystemClock::Instance());
    find_->SetPeerView(this);
    find_->SetCentreOn(&w_.Main);
    find_->SetStopReception([this] { StopReception(); });

    mac_ = std::make_unique<TfrmMAC>(bus_, store_, searchSettings_, op_, log_, SystemClock::Instance(),
                                     &w_.ScanM);
    mac_->SetView(this);
    mac_->SetShownSettings([this] { return find_->ShownSettings(); });

    reception_ = std::make_unique<Reception>(bus_, store_, searchSettings_, op_, log_, events_,
                                             SystemClock::Instance(), *this);
    reception_->SetSearchRunning([this] { return Searching(); });

    w_.Main.SetSearchRunning([this] { return Searching(); });
    w_.ScanM.SetSearchRunning([this] { return Searching(); });
    store_.AddListener(this);
    WireCommands();
}

AcquisitionWiring::~AcquisitionWiring() {
    store_.RemoveListener(this);
    w_.Main.SetSearchRunning({});
    w_.ScanM.SetSearchRunning({});
}

bool AcquisitionWiring::Searching() const { return find_ && find_->Searching(); }

void AcquisitionWiring::WireCommands() {
    TfrmMain& m = w_.Main;
    const auto wire = [&](const char* name, auto slot) {
        QAction* action = m.Action(QString::fromLatin1(name));
        action->setEnabled(true);
        connect(action, &QAction::triggered, this, slot);
    };
    wire("actFind", [this] { find_->ShowSearchWindow(false); });
    wire("actStart", [this] { StartReception(); });
    wire("actStop", [this] { StopReception(); });
    wire("actTimeSinhro", [this] { SyncTime(); });
    wire("actPowerOff", [this] { SwitchOff(); });

    connect(&w_.ScanM.TimerRequest(), &QTimer::timeout, this, &AcquisitionWiring::PollingTick);
    connect(&m.TimerUpdate(), &QTimer::timeout, this, [this] { reception_->UpdateTick(); });
    connect(&w_.ScanM, &TfrmScanM::EditAddress, this, [this] { OpenEditor(EditMode::Address); });
    connect(&w_.ScanM, &TfrmScanM::EditComment, this, [this] { OpenEditor(EditMode::Comment); });
    connect(&w_.ScanM, &TfrmScanM::EditSpeed, this, [this] { OpenEditor(EditMode::Speed); });
    connect(&m, &TfrmMain::FirstShown, this, [this] {
        if (!findLoaded_) LoadFindSettings();
    });
}

// --- Start-up and closing --------------------------------------------------------------------

void AcquisitionWiring::LoadFindSettings() {
    findLoaded_ = true;
    // Port numbers lead to the device nodes of the settings file's [Ports] section (after the
    // environment's DRUMO_PORTS, which the channel consults first).
    PortMap ports;
    ports.SetConfigured(settings_.Ports);
    w_.Main.Channel().SetPortMap(std::move(ports));
    find_->SetControls(ControlsFromSettings(SearchSettingsFromFile(settings_.Find)));
    find_->ApplySearchSettings();
}

void AcquisitionWiring::SaveFindSettings() {
    if (!findLoaded_) return;  // nothing was read, so nothing of the file is overwritten
    SearchSettingsToFile(searchSettings_, settings_.Find);
    // The link-test address counts as soon as it is entered, without "Применить".
    settings_.Find.TestModbusAddr = find_->Controls().TestModbusAddr;
}

void AcquisitionWiring::ShowSearchWindowAtStart() {
    if (!findLoaded_) LoadFindSettings();
    find_->ShowSearchWindow(settings_.Find.AutoFindEnabled);
}

void AcquisitionWiring::StopLongLoops() {
    find_->StopSearch();
    find_->SetLinkTest(false);
}

void AcquisitionWiring::StopReceptionNow() { reception_->StopReception(); }

// --- Commands --------------------------------------------------------------------------------

void AcquisitionWiring::ApplyReceptionSettings() {
    reception_->SetPollingInterval(w_.ScanM.TimerRequest().interval());
    reception_->SetAlarmLimits(settings_.Main.AlarmTMax, settings_.Main.AlarmTMin);
    reception_->SetDecimalMark(DecimalMark());
}

void AcquisitionWiring::StartReception() {
    // The link test's requests would fall between the passes' transactions, and into the sensor
    // stream of a Hexar; reception takes the line for itself.
    if (!Searching() && !store_.ArchiveLoaded && store_.DeviceCount != 0) find_->SetLinkTest(false);
    ApplyReceptionSettings();
    reception_->StartReception();
}

void AcquisitionWiring::StopReception() { reception_->StopReception(); }

void AcquisitionWiring::PollingTick() {
    // The limits and the interval are read at every pass, so the settings dialog's changes take
    // effect at the next one.
    ApplyReceptionSettings();
    reception_->PollingPass();
}

void AcquisitionWiring::SyncTime() {
    SyncDeviceTime(bus_, store_, searchSettings_.Protocol, SystemClock::Instance(), op_);
}

void AcquisitionWiring::SwitchOff() {
    SwitchDeviceOff(bus_, store_, [this] { StopReception(); }, [this] { w_.Main.ShowDeviceActions(); });
}

int AcquisitionWiring::DeviceRow(size_t device) const {
    return RowOfCable(CableCounts(store_), static_cast<int>(device), 0);
}

void AcquisitionWiring::OpenEditor(EditMode mode) {
    const QString comment =
        store_.HasDevice(store_.SelDevice) ? w_.ScanM.Cell(DeviceRow(store_.SelDevice), CommentColumn) : QString();
    mac_->Execute(mode, comment, find_->Controls().BaudItem);
}

// --- What a search shows in the device manager and the main window ----------------------------

void AcquisitionWiring::AddRow(bool checkEnabled) { rows_.Add(checkEnabled); }
void AcquisitionWiring::SetRowCheckEnabled(int row, bool enabled) { rows_.SetCheckEnabled(row, enabled); }
void AcquisitionWiring::SetCell(int row, int column, const std::string& text) {
    rows_.SetCell(row, column, Q(text));
}

void AcquisitionWiring::DevicesFound(int devices, bool modbus, const std::string& mainStatus) {
    if (devices > 1) w_.ScanM.show();
    w_.Main.ReceptionLamp()->SetColour(Qt::green);
    if (modbus) w_.ScanM.SetChangeCommandsEnabled(true);
    w_.ScanM.SelectRow(1);  // the main window rebuilds its view of the first cable
    w_.Main.ShowDeviceActions();
    w_.Main.SetStatusText(Q(mainStatus));
}

// --- What reception shows --------------------------------------------------------------------

void AcquisitionWiring::PollingTimer(bool on) {
    QTimer& timer = w_.ScanM.TimerRequest();
    if (on)
        timer.start();
    else
        timer.stop();
}

void AcquisitionWiring::UpdateTimer(bool on) {
    if (on)
        w_.Main.TimerUpdate().start();
    else
        w_.Main.TimerUpdate().stop();
}

void AcquisitionWiring::RequestProgress(int position, int maximum) {
    QProgressBar* bar = w_.Main.RequestProgress();
    bar->setMaximum(maximum > 0 ? maximum : 1);
    bar->setValue(std::min(position, bar->maximum()));
}

void AcquisitionWiring::RequestCountdown(const std::string& text) {
    w_.Main.RequestCountdown()->setText(Q(text));
}

void AcquisitionWiring::ReceptionLamp(bool lit) {
    w_.Main.ReceptionLamp()->SetLit(lit);
    w_.Main.ReceptionLamp()->repaint();
}

void AcquisitionWiring::ShowNewSample(size_t d, size_t c) {
    w_.Main.ShowNewSample(static_cast<int>(d), static_cast<int>(c));
}

void AcquisitionWiring::RebuildView() { w_.Main.RebuildView(); }
void AcquisitionWiring::UpperAlarm(const std::string& line) { w_.AlarmMax.AddLine(Q(line)); }
void AcquisitionWiring::LowerAlarm(const std::string& line) { w_.AlarmMin.AddLine(Q(line)); }
void AcquisitionWiring::ShowSearchWindow() { ShowSearchWindowAtStart(); }

// --- What the device editor changes ----------------------------------------------------------

void AcquisitionWiring::CommentCell(size_t device, const std::string& text) {
    rows_.SetCell(DeviceRow(device), CommentColumn, Q(text));
}

void AcquisitionWiring::AddressCell(size_t device, int address) {
    rows_.SetCell(DeviceRow(device), AddressColumn, QString::number(address));
}

void AcquisitionWiring::BaudItemChosen(int item) { find_->SetBaudItem(item); }

}  // namespace drumo
