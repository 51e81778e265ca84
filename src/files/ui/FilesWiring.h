#pragma once
// Puts the archive engine in the operator's hands: the main window's "Открыть", "Сохранить",
// "Экспорт в Excel" and "Архив", the archive window, the group loader's rows, titles and status
// text, a file named on the command line, and auto-save during data reception with the main
// window's auto-save timer, lamp, progress bar and countdown.

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

#include "acquisition/Reception.h"
#include "acquisition/ui/GridRows.h"
#include "app/Settings.h"
#include "files/ArchiveFiles.h"
#include "files/AutoSave.h"

class QWidget;

namespace drumo {

class TfrmMain;
class TfrmScanM;
class TfrmArhiv;

// The standard file dialogs; tests put scripted ones in their place.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    virtual QStringList OpenFiles(QWidget* parent, const QString& folder, const QString& filter);
    virtual QString SaveFile(QWidget* parent, const QString& folder, const QString& filter);
};

// "description|pattern|..." as the filter text of a Qt file dialog.
QString QtFilter(const char* filter);

class FilesWiring : public QObject, public ArchiveView, public AutoSaveView {
    Q_OBJECT
public:
    FilesWiring(TfrmMain& main, TfrmScanM& scanM, MeasurementStore& store, ProgramSettings& settings,
                Operator& op, EventLog& log);
    ~FilesWiring() override;

    // Whether a device search runs: the file commands do nothing during one.
    void SetSearchRunning(std::function<bool()> running) { searchRunning_ = std::move(running); }
    void SetDialogs(FileDialogs* dialogs) { dialogs_ = dialogs ? dialogs : &ownDialogs_; }

    ArchiveFiles& Files() { return files_; }
    AutoSave& AutoSaver() { return autoSave_; }
    AutoSaveHooks& Hooks() { return hooks_; }
    TfrmArhiv& Arhiv() { return *arhiv_; }

    // --- Commands.
    void OpenCommand();    // "Открыть"
    void SaveCommand();    // "Сохранить"
    void ExportCommand();  // "Экспорт в Excel"
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
    void SetTitles(const std::string& deviceManager, const std::string& systemTrend) override;
    void ShowStatus(const std::string& text) override;
    void ShowLoadedDevices(size_t deviceCount) override;

    // --- AutoSaveView.
    void StartTimer(int intervalMs) override;
    void StopTimer() override;
    void SetTimerInterval(int intervalMs) override;
    void FileIndicator(bool lit) override;
    void SetProgressMaximum(int maximum) override;
    void SetProgress(int value) override;
    void StepProgress() override;
    void ShowCountdown(const std::string& hhnnss) override;

private:
    // Reception's calls into auto-save, with the settings as they stand at that moment.
    class ReceptionHooks final : public AutoSaveHooks {
    public:
        explicit ReceptionHooks(FilesWiring& owner) : owner_(owner) {}
        void Start() override;
        void Stop() override;
        void EndOfPass() override;
        void DisplayTick() override;

    private:
        FilesWiring& owner_;
    };

    void TakeSettings();
    bool Searching() const { return searchRunning_ && searchRunning_(); }
    QString ArchiveFolder() const;

    TfrmMain& main_;
    TfrmScanM& scanM_;
    MeasurementStore& store_;
    ProgramSettings& settings_;
    Operator& op_;
    EventLog& log_;
    ArchiveFiles files_;
    AutoSave autoSave_;
    ReceptionHooks hooks_;
    GridRows rows_;
    FileDialogs ownDialogs_;
    FileDialogs* dialogs_ = &ownDialogs_;
    std::function<bool()> searchRunning_;
    std::unique_ptr<TfrmArhiv> arhiv_;
    bool busy_ = false;
};

}  // namespace drumo
