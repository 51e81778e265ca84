#pragma once
// Puts the station's archive files and auto-save in the operator's hands: the commands "Открыть", "Сохранить",
// "Экспорт в Excel" and "Архив" (joined to the menus by the program), the archive window, the
// group loader's rows, titles and status text, a file named on the command line, and auto-save
// during data reception with the main window's lamp, progress bar and countdown.

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

#include "acquisition/Reception.h"
#include "acquisition/SearchActivity.h"
#include "acquisition/DeviceGrid.h"
#include "acquisition/MainPanel.h"
#include "app/Settings.h"
#include "station/Station.h"
#include "files/ArchiveFiles.h"
#include "files/AutoSave.h"

class QWidget;

namespace drumo {

class TfrmArhiv;

// What the file commands show and use besides their own window.
struct FilesWindows {
    MainPanel& Panel;
    QWidget& MainWindow;  // the file dialogs open over it
    DeviceGrid& Grid;
};

// The standard file dialogs; tests put scripted ones in their place.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    virtual QStringList OpenFiles(QWidget* parent, const QString& folder, const QString& filter);
    virtual QString SaveFile(QWidget* parent, const QString& folder, const QString& filter);
};

// "description|pattern|..." as the filter text of a Qt file dialog.
QString QtFilter(const char* filter);

class FilesWiring : public QObject, public ArchiveView, public AutoSaveView, public StationEvents {
    Q_OBJECT
public:
    // Loading and auto-save show themselves here once the station's archive and auto-save views
    // are pointed at this.
    FilesWiring(const FilesWindows& windows, Station& station, Operator& op, EventLog& log);
    ~FilesWiring() override;

    // The file commands do nothing while a device search runs.
    void SetSearch(const SearchActivity* search) { search_ = search; }
    void SetDialogs(FileDialogs* dialogs) { dialogs_ = dialogs ? dialogs : &ownDialogs_; }
    // The file dialogs of every file command of the program.
    FileDialogs& Dialogs() { return *dialogs_; }
    // What loading archive files asks of the windows of other parts.
    std::function<void()> UnsignedShown = [] {};
    std::function<void()> CorrectionWindowClosing = [] {};
    std::function<void()> NotebookWindowShown = [] {};
    std::function<void(const std::string&)> NotebookChosen = [](const std::string&) {};

    ArchiveFiles& Files() { return files_; }
    AutoSave& AutoSaver() { return autoSave_; }
    AutoSaveHooks& Hooks() { return hooks_; }  // reception's calls into auto-save
    TfrmArhiv& Arhiv() { return *arhiv_; }

    // --- Commands.
    void OpenCommand();    // "Открыть"
    void SaveCommand();    // "Сохранить"
    void ExportCommand();  // "Экспорт в Excel"
    void ArchiveCommand();  // "Архив"
    void OpenFromCommandLine(const std::string& path);
    // The settings dialog changed the auto-save period: schedule and countdown follow at once.
    void AutoSavePeriodChanged();
    // The program is being ended by the system: the running auto-save file gets what the store
    // holds now, before reception stops.
    void SaveRunningAutoSave();

    // --- ArchiveView.
    void BusyCursor(bool busy) override;
    void AddDeviceRow(const TDevSig& device, const std::string& fileNameOnly) override;
    void AddCableRow(size_t d, size_t c, int16_t serial, size_t sensors, bool firstOfDevice) override;
    void EnableLastRowCheck() override;
    void ColourUnsigned() override;
    void ShowNotebookWindow() override { NotebookWindowShown(); }
    void OpenNotebook(const std::string& fileName) override { NotebookChosen(fileName); }

    // --- StationEvents: after a load, titles and status; the correction window closes; with at
    // least one device, the device manager shows when there are two or more, the system trend
    // makes its lines, the first row is selected and the graphs switch "АвтоЗум" on.
    void ArchiveLoaded(const ArchiveLoad& load) override;

    // --- AutoSaveView: its progress on the main window's panel.
    void FileIndicator(bool lit) override;
    void SetProgressMaximum(int maximum) override;
    void SetProgress(int value) override;
    void StepProgress() override;
    void ShowCountdown(const std::string& hhnnss) override;

signals:
    // Files were loaded with at least one device; the system trend makes its lines before the
    // first row is selected.
    void DevicesLoaded();
    void SystemTrendTitle(const QString& title);
    // Archive files were loaded and the first loaded cable is shown: the graph windows switch
    // their automatic zoom on.
    void ArchiveShown();

private:
    bool Searching() const { return search_ && search_->SearchRunning(); }
    QString ArchiveFolder() const;

    FilesWindows w_;
    MeasurementStore& store_;
    ProgramSettings& settings_;
    Operator& op_;
    EventLog& log_;
    ArchiveFiles& files_;
    AutoSave& autoSave_;
    AutoSaveHooks& hooks_;
    GridRows rows_;
    FileDialogs ownDialogs_;
    FileDialogs* dialogs_ = &ownDialogs_;
    const SearchActivity* search_ = nullptr;
    std::unique_ptr<TfrmArhiv> arhiv_;
    bool busy_ = false;
};

}  // namespace drumo
