#include "app/ui/FilesWiring.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QUrl>

#include "acquisition/Discovery.h"
#include "app/AppPaths.h"
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

FilesWiring::FilesWiring(const FilesWindows& windows, Station& station, Operator& op, EventLog& log)
    : w_(windows), store_(station.Store()), settings_(station.Settings()), op_(op), log_(log),
      files_(station.Files()), autoSave_(station.AutoSaver()), hooks_(station.ReceptionAutoSave()),
      rows_(windows.Grid),
      arhiv_(std::make_unique<TfrmArhiv>(
          [this] { return settings_.Main.ArchiveFolder; },
          [this](const std::vector<std::string>& names) {
              if (!Searching()) files_.FileOpenArhiv(names);
          },
          op)) {
    store_.Events().Subscribe(this);
}

FilesWiring::~FilesWiring() { store_.Events().Unsubscribe(this); }

QString FilesWiring::ArchiveFolder() const { return Q(settings_.Main.ArchiveFolder); }

void FilesWiring::OpenCommand() {
    if (Searching()) return;
    log_.Log(" > Диалог загрузки файлов");
    const QStringList names = dialogs_->OpenFiles(&w_.MainWindow, ArchiveFolder(), QtFilter(ArchiveOpenFilter));
    if (names.isEmpty() || Searching()) return;
    files_.FileOpenArhiv(Names(names));
}

void FilesWiring::SaveCommand() {
    if (Searching()) return;
    log_.Log(" > Диалог сохранения файла");
    const QString name = dialogs_->SaveFile(&w_.MainWindow, ArchiveFolder(), QtFilter(ArchiveSaveFilter));
    if (name.isEmpty() || Searching()) return;
    files_.SaveAs(name.toStdString());
}

void FilesWiring::ExportCommand() {
    if (Searching()) return;
    log_.Log(" > Диалог экспорта в Excel");
    const QString name = dialogs_->SaveFile(&w_.MainWindow, ArchiveFolder(), QtFilter(ExcelFilter));
    if (name.isEmpty() || Searching()) return;
    const std::string written = ExportXls(store_, op_, log_, SystemClock::Instance(), ProgramVersion(),
                                          name.toStdString());
    // The exported file is handed to the desktop's spreadsheet program; its absence is no error.
    if (!written.empty() && qEnvironmentVariableIsEmpty("DRUMO_NO_OPEN"))
        QDesktopServices::openUrl(QUrl::fromLocalFile(Q(written)));
}

void FilesWiring::ArchiveCommand() {
    arhiv_->show();
    arhiv_->raise();
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
    if (device.Address != 0) rows_.SetCell(row, 0, std::to_string(device.Address));
    rows_.SetCell(row, 1, device.TypeName);
    rows_.SetCell(row, 2, SerialText(device.Serial));
    rows_.SetCell(row, 5, device.Comment);
    rows_.SetCell(row, 6, fileNameOnly);
}

void FilesWiring::AddCableRow(size_t, size_t, int16_t serial, size_t sensors, bool firstOfDevice) {
    int row = w_.Grid.ListedRows();
    if (!firstOfDevice || row == 0) {
        row = rows_.Add(false);
        rows_.SetCell(row, 1, "—>");
    }
    rows_.SetCell(row, 3, CableSerialText(serial));
    rows_.SetCell(row, 4, std::to_string(sensors));
}

void FilesWiring::EnableLastRowCheck() { rows_.SetCheckEnabled(w_.Grid.ListedRows(), true); }

void FilesWiring::ColourUnsigned() {
    w_.Grid.ColourUnsigned();
    UnsignedShown();
}

void FilesWiring::ArchiveLoaded(const ArchiveLoad& load) {
    w_.Grid.SetManagerTitle(load.DeviceManagerTitle);
    emit SystemTrendTitle(QString::fromStdString(load.SystemTrendTitle));
    w_.Panel.SetStatus(load.Status);
    CorrectionWindowClosing();
    if (load.Devices == 0) return;
    if (load.Devices >= 2) w_.Grid.ShowManager();
    emit DevicesLoaded();
    // Selecting the first row makes its device and cable the ones the windows show.
    if (!w_.Grid.SelectRow(1)) store_.AnnounceSelection();
    emit ArchiveShown();
}

// --- Auto-save -------------------------------------------------------------------------------

void FilesWiring::FileIndicator(bool lit) { w_.Panel.SaveIndicators().SetLampLit(lit); }
void FilesWiring::SetProgressMaximum(int maximum) {
    w_.Panel.SaveIndicators().SetProgressMaximum(maximum > 0 ? maximum : 1);
}
void FilesWiring::SetProgress(int value) { w_.Panel.SaveIndicators().SetProgress(value); }
void FilesWiring::StepProgress() {
    TimerIndicators& row = w_.Panel.SaveIndicators();
    if (row.Progress() < row.ProgressMaximum()) row.SetProgress(row.Progress() + 1);
}
void FilesWiring::ShowCountdown(const std::string& hhnnss) { w_.Panel.SaveIndicators().SetCountdown(hhnnss); }

}  // namespace drumo
