#include "app/ui/AcquisitionWiring.h"

#include "acquisition/ManagerRows.h"
#include "acquisition/ui/TfrmAlarm.h"
#include "acquisition/ui/TfrmFind.h"
#include "acquisition/ui/TfrmMAC.h"
#include "acquisition/ui/TfrmScanM.h"
#include "model/Formats.h"

namespace drumo {

namespace {
QString Q(const std::string& text) { return QString::fromStdString(text); }
constexpr int CommentColumn = 5;
constexpr int AddressColumn = 0;
}  // namespace

AcquisitionWiring::AcquisitionWiring(const AcquisitionWindows& windows, Station& station, Operator& op,
                                     EventLog& log)
    : w_(windows), station_(station), store_(station.Store()), settings_(station.Settings()), op_(op),
      log_(log), searchSettings_(station.SearchSettingsInUse()), reception_(&station.Receiver()),
      rows_(windows.ScanM) {
    find_ = std::make_unique<TfrmFind>(station, SystemClock::Instance());
    find_->SetPeerView(this);
    find_->SetCentreOn(&w_.MainWindow);

    mac_ = std::make_unique<TfrmMAC>(station, op_, log_, SystemClock::Instance(), &w_.ScanM);
    mac_->SetView(this);
    mac_->SetShownSettings([this] { return find_->ShownSettings(); });

    w_.ScanM.SetSearch(this);
    store_.Events().Subscribe(this);
    WireCommands();
}

AcquisitionWiring::~AcquisitionWiring() {
    store_.Events().Unsubscribe(this);
    w_.ScanM.SetSearch(nullptr);
}

bool AcquisitionWiring::Searching() const { return station_.Searching(); }

void AcquisitionWiring::WireCommands() {
    connect(&w_.ScanM, &TfrmScanM::EditAddress, this, [this] { OpenEditor(EditMode::Address); });
    connect(&w_.ScanM, &TfrmScanM::EditComment, this, [this] { OpenEditor(EditMode::Comment); });
    connect(&w_.ScanM, &TfrmScanM::EditSpeed, this, [this] { OpenEditor(EditMode::Speed); });
}

// --- Start-up and closing --------------------------------------------------------------------

void AcquisitionWiring::LoadFindSettings() {
    findLoaded_ = true;
    // The station takes the settings file's search settings into use (rounding the speed and the
    // reply delay to the ones the program offers) and points the port numbers at the device nodes;
    // the search window then shows exactly the settings in use.
    station_.LoadSearchSettings();
    find_->SetControls(ControlsFromSettings(station_.SearchSettingsInUse()));
}

void AcquisitionWiring::SaveFindSettings() {
    if (!findLoaded_) return;  // nothing was read, so nothing of the file is overwritten
    station_.SaveSearchSettings();
    // The link-test address counts as soon as it is entered, without "Применить".
    settings_.Find.TestModbusAddr = find_->Controls().TestModbusAddr;
}

void AcquisitionWiring::ShowSearchWindowAtStart() {
    if (!findLoaded_) LoadFindSettings();
    find_->ShowSearchWindow(settings_.Find.AutoFindEnabled);
}

void AcquisitionWiring::OpenSearchWindow() { find_->ShowSearchWindow(false); }

void AcquisitionWiring::StopLongLoops() {
    find_->StopSearch();
    find_->SetLinkTest(false);
}

void AcquisitionWiring::StopReceptionNow() { station_.StopReception(); }

// --- Commands --------------------------------------------------------------------------------

void AcquisitionWiring::ApplyReceptionSettings() { station_.ApplyReceptionSettings(); }

// The station takes the line from the link test, whose switch then goes off. A controller whose
// configuration changed leads to the search window when the operator wants it.
void AcquisitionWiring::StartReception() {
    if (station_.StartReception() == StartOutcome::SearchWanted) ShowSearchWindowAtStart();
}

void AcquisitionWiring::StopReception() { station_.StopReception(); }

void AcquisitionWiring::SyncTime() {
    SyncDeviceTime(station_.Bus(), store_, searchSettings_.Protocol, SystemClock::Instance(), op_);
}

void AcquisitionWiring::SwitchOff() {
    SwitchDeviceOff(station_.Bus(), store_, [this] { StopReception(); }, [this] { w_.Panel.OfferDeviceCommands(); });
}

int AcquisitionWiring::DeviceRow(size_t device) const {
    return RowOfCable(CableCounts(store_), static_cast<int>(device), 0);
}

void AcquisitionWiring::OpenEditor(EditMode mode) {
    const QString comment =
        store_.HasDevice(store_.SelDevice()) ? w_.ScanM.Cell(DeviceRow(store_.SelDevice()), CommentColumn) : QString();
    mac_->Execute(mode, comment, find_->Controls().BaudItem);
}

// --- What a search shows in the device manager and the main window ----------------------------

void AcquisitionWiring::AddRow(bool checkEnabled) { rows_.Add(checkEnabled); }
void AcquisitionWiring::SetRowCheckEnabled(int row, bool enabled) { rows_.SetCheckEnabled(row, enabled); }
void AcquisitionWiring::SetCell(int row, int column, const std::string& text) {
    rows_.SetCell(row, column, text);
}

void AcquisitionWiring::SearchFinished(const SearchOutcome& outcome) {
    if (outcome.Devices > 1) w_.ScanM.show();
    emit DevicesListed();
    w_.Panel.ReceptionIndicators().SetLampGreen(true);
    if (outcome.Modbus) w_.ScanM.SetChangeCommandsEnabled(true);
    w_.ScanM.SelectRow(1);  // the windows show the first cable
    w_.Panel.OfferDeviceCommands();
    w_.Panel.SetStatus(outcome.Status);
}

void AcquisitionWiring::LineGivenBack(LineUser user) {
    if (user == LineUser::LinkTest) find_->LinkTestStopped();
}

// --- What reception shows --------------------------------------------------------------------

void AcquisitionWiring::RequestProgress(int position, int maximum) {
    TimerIndicators& row = w_.Panel.ReceptionIndicators();
    row.SetProgressMaximum(maximum > 0 ? maximum : 1);
    row.SetProgress(std::min(position, row.ProgressMaximum()));
}

void AcquisitionWiring::RequestCountdown(const std::string& text) {
    w_.Panel.ReceptionIndicators().SetCountdown(text);
}

void AcquisitionWiring::ReceptionLamp(bool lit) {
    w_.Panel.ReceptionIndicators().SetLampLit(lit);
}

void AcquisitionWiring::AlarmRaised(AlarmKind kind, const std::string& line) {
    (kind == AlarmKind::Upper ? w_.AlarmMax : w_.AlarmMin).AddLine(Q(line));
}

// --- What the device editor changes ----------------------------------------------------------

void AcquisitionWiring::CommentCell(size_t device, const std::string& text) {
    rows_.SetCell(DeviceRow(device), CommentColumn, text);
}

void AcquisitionWiring::AddressCell(size_t device, int address) {
    rows_.SetCell(DeviceRow(device), AddressColumn, std::to_string(address));
}

void AcquisitionWiring::BaudItemChosen(int item) { find_->SetBaudItem(item); }

}  // namespace drumo
