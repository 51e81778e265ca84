#include "files/ui/FilesWiring.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLabel>
#include <QProgressBar>
#include <QTableWidget>
#include <QUrl>

#include "acquisition/Discovery.h"
#include "acquisition/ui/TfrmScanM.h"
#include "app/AppPaths.h"
#include "app/ui/Lamp.h"
#include "app/ui/TfrmMain.h"
#include "files/ArchiveBrowser.h"
#include "files/StoreExport.h"
#include "files/ui/TfrmArhiv.h"

namespace drumo {

namespace {
QString Q(const std::string& text) { return QString::fromStdString(text); }

std::vector<std::string> Names(const QStringList& list) {
    std::vector<std::string> names;
    for (const QString& name : list) names.push_back(name.toStdString());
    return names;
}
}  // namespace

// --- File dialogs ----------------------------------------------------------------------------

QString QtFilter(const char* filter) {
    QStringList parts;
    for (const auto& [description, pattern] : FilterPairs(filter)) {
        QString patterns = Q(pattern);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // "*.*" means every file, also those without a dot in their name.
        if (patterns == QLatin1String("*.*")) patterns = QStringLiteral("*");
        parts << Q(description) + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return parts.join(QStringLiteral(";;"));
}

QStringList FileDialogs::OpenFiles(QWidget* parent, const QString& folder, const QString& filter) {
    return QFileDialog::getOpenFileNames(parent, QString(), folder, filter);
}

QString FileDialogs::SaveFile(QWidget* parent, const QString& folder, const QString& filter) {
    return QFileDialog::getSaveFileName(parent, QString(), folder, filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

// --- The wiring ------------------------------------------------------------------------------

FilesWiring::FilesWiring(TfrmMain& main, TfrmScanM& scanM, MeasurementStore& store,
                         ProgramSettings& settings, Operator& op, EventLog& log)
    : main_(main), scanM_(scanM), store_(store), settings_(settings), op_(op), log_(log),
      files_(store, op, log, SystemClock::Instance(), ProgramVersion(), this),
      autoSave_(files_, SystemClock::Instance(), this), hooks_(*this), rows_(scanM),
      arhiv_(std::make_unique<TfrmArhiv>(
          [this] { return settings_.Main.ArchiveFolder; },
          [this](const std::vector<std::string>& names) {
              if (!Searching()) files_.FileOpenArhiv(names);
          },
          op)) {

    const auto wire = [&](const char* name, auto slot) {
        QAction* action = main_.Action(QString::fromLatin1(name));
        action->setEnabled(true);
        connect(action, &QAction::triggered, this, slot);
    };
    wire("actFileOpen", [this] { OpenCommand(); });
    wire("actFileSave", [this] { SaveCommand(); });
    wire("actFileExcelExport", [this] { ExportCommand(); });
    wire("actFileArhiv", [this] {
        arhiv_->show();
        arhiv_->raise();
    });
    connect(&main_.TimerAutoSave(), &QTimer::timeout, this, [this] { autoSave_.TimerTick(); });
}

FilesWiring::~FilesWiring() = default;

QString FilesWiring::ArchiveFolder() const { return Q(settings_.Main.ArchiveFolder); }

void FilesWiring::OpenCommand() {
    if (Searching()) return;
    log_.Log(" > Диалог загрузки файлов");
    const QStringList names = dialogs_->OpenFiles(&main_, ArchiveFolder(), QtFilter(ArchiveOpenFilter));
    if (names.isEmpty() || Searching()) return;
    files_.FileOpenArhiv(Names(names));
}

void FilesWiring::SaveCommand() {
    if (Searching()) return;
    log_.Log(" > Диалог сохранения файла");
    const QString name = dialogs_->SaveFile(&main_, ArchiveFolder(), QtFilter(ArchiveSaveFilter));
    if (name.isEmpty() || Searching()) return;
    files_.SaveAs(name.toStdString());
}

void FilesWiring::ExportCommand() {
    if (Searching()) return;
    log_.Log(" > Диалог экспорта в Excel");
    const QString name = dialogs_->SaveFile(&main_, ArchiveFolder(), QtFilter(ExcelFilter));
    if (name.isEmpty() || Searching()) return;
    const std::string written = ExportXls(store_, op_, log_, SystemClock::Instance(), ProgramVersion(),
                                          name.toStdString());
    // The exported file is handed to the desktop's spreadsheet program; its absence is no error.
    if (!written.empty() && qEnvironmentVariableIsEmpty("DRUMO_NO_OPEN"))
        QDesktopServices::openUrl(QUrl::fromLocalFile(Q(written)));
}

void FilesWiring::OpenFromCommandLine(const std::string& path) { files_.FileOpenArhiv({path}); }

void FilesWiring::AutoSavePeriodChanged() { autoSave_.SetPeriodIndex(settings_.Main.AutoSaveIndex); }

void FilesWiring::SaveRunningAutoSave() {
    autoSave_.AutoSaveEnabled = settings_.Main.AutoSaveEnabled;
    autoSave_.SaveNow();
}

// --- What loading shows ----------------------------------------------------------------------

void FilesWiring::BusyCursor(bool busy) {
    if (busy == busy_) return;
    busy_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QApplication::restoreOverrideCursor();
}

void FilesWiring::AddDeviceRow(const TDevSig& device, const std::string& fileNameOnly) {
    const int row = rows_.Add(false);
    if (device.Address != 0) rows_.SetCell(row, 0, QString::number(device.Address));
    rows_.SetCell(row, 1, Q(device.TypeName));
    rows_.SetCell(row, 2, Q(SerialText(device.Serial)));
    rows_.SetCell(row, 5, Q(device.Comment));
    rows_.SetCell(row, 6, Q(fileNameOnly));
}

void FilesWiring::AddCableRow(size_t, size_t, int16_t serial, size_t sensors, bool firstOfDevice) {
    int row = scanM_.ListedRows();
    if (!firstOfDevice || row == 0) {
        row = rows_.Add(false);
        rows_.SetCell(row, 1, QStringLiteral("—>"));
    }
    rows_.SetCell(row, 3, Q(CableSerialText(serial)));
    rows_.SetCell(row, 4, QString::number(sensors));
}

void FilesWiring::EnableLastRowCheck() { rows_.SetCheckEnabled(scanM_.ListedRows(), true); }

void FilesWiring::ColourUnsigned() {
    if (auto* grid = scanM_.findChild<QTableWidget*>(QStringLiteral("SGDevices")))
        grid->setStyleSheet(QStringLiteral("QTableWidget { background: rgb(255, 168, 227); }"));
}

void FilesWiring::SetTitles(const std::string& deviceManager, const std::string&) {
    scanM_.setWindowTitle(Q(deviceManager));
}

void FilesWiring::ShowStatus(const std::string& text) { main_.SetStatusText(Q(text)); }

void FilesWiring::ShowLoadedDevices(size_t deviceCount) {
    if (deviceCount >= 2) scanM_.show();
    // Selecting the first row makes its device and cable the ones the windows show.
    if (!scanM_.SelectRow(1)) main_.RebuildView();
}

// --- Auto-save -------------------------------------------------------------------------------

void FilesWiring::TakeSettings() {
    autoSave_.ArchiveFolder = settings_.Main.ArchiveFolder;
    autoSave_.AutoSaveEnabled = settings_.Main.AutoSaveEnabled;
    autoSave_.SetPeriodIndex(settings_.Main.AutoSaveIndex);
}

void FilesWiring::ReceptionHooks::Start() {
    owner_.TakeSettings();
    owner_.autoSave_.StartReception();
}

void FilesWiring::ReceptionHooks::Stop() { owner_.autoSave_.StopReception(); }

void FilesWiring::ReceptionHooks::EndOfPass() {
    owner_.TakeSettings();
    owner_.autoSave_.EndOfPass();
}

void FilesWiring::ReceptionHooks::DisplayTick() {
    owner_.autoSave_.AutoSaveEnabled = owner_.settings_.Main.AutoSaveEnabled;
    owner_.autoSave_.UpdateTick(owner_.main_.TimerUpdate().interval());
}

void FilesWiring::StartTimer(int intervalMs) { main_.TimerAutoSave().start(intervalMs); }
void FilesWiring::StopTimer() { main_.TimerAutoSave().stop(); }
void FilesWiring::SetTimerInterval(int intervalMs) { main_.TimerAutoSave().setInterval(intervalMs); }

void FilesWiring::FileIndicator(bool lit) {
    main_.FileLamp()->SetLit(lit);
    main_.FileLamp()->repaint();
}

void FilesWiring::SetProgressMaximum(int maximum) { main_.SaveProgress()->setMaximum(maximum > 0 ? maximum : 1); }
void FilesWiring::SetProgress(int value) { main_.SaveProgress()->setValue(value); }
void FilesWiring::StepProgress() {
    QProgressBar* bar = main_.SaveProgress();
    if (bar->value() < bar->maximum()) bar->setValue(bar->value() + 1);
}
void FilesWiring::ShowCountdown(const std::string& hhnnss) { main_.SaveCountdown()->setText(Q(hhnnss)); }

}  // namespace drumo
