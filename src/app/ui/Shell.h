#pragma once
// The desktop program as a whole: the windows, created once in their fixed order and kept for the
// whole run, the station (the line, the measurement store, the settings) and the timers they share,
// the first show of the main window (settings, archive folder, command line, device rules,
// automatic search) and the closing sequence (question, stopping long loops and reception,
// settings saved, port closed). With ProgramWiring, which joins the engine's procedures to these
// windows, it is the one place that knows every window.

#include <QObject>
#include <QUrl>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/AppPaths.h"
#include "app/Settings.h"
#include "base/Services.h"
#include "app/ui/DesktopStation.h"
#include "model/Store.h"

namespace drumo {

class TfrmMain;
class TfrmGraphic;
class TfrmAbout;
class TfrmProgSet;
class TfrmScanM;
class TfrmAlarm;
class TfrmTrend;
class TMFPrintDlg;
class TerminationSignals;
class TfrmMGR;
class TfrmPlet;

// Operations of parts of the program that plug into start-up and closing.
struct ShellHooks {
    std::function<void()> ShowSearchWindow;         // shows the search window and searches
    std::function<void()> StopLongLoops;            // notebook read, search, pass, firmware, plots
    std::function<void()> StopReception;            // as the operator's stop command
    std::function<void(const std::string&)> OpenArchive;   // a file named on the command line
    std::function<void(const std::string&)> OpenNotebook;
    std::function<void()> SettingsLoaded;           // the settings file was just read and applied
    std::function<void()> SavingSettings;           // the settings file is about to be written
    std::function<void()> SaveRunningAutoSave;      // the program is ended by the system
};

class Shell : public QObject {
    Q_OBJECT
public:
    // `op` answers the operator's questions (message boxes when null); `args` are the command
    // line's arguments after the program name.
    Shell(std::vector<std::string> args, Operator* op = nullptr);
    ~Shell() override;

    void SetHooks(ShellHooks hooks) { hooks_ = std::move(hooks); }
    void Show();

    TfrmMain& Main() { return *main_; }
    TfrmGraphic& Graphic() { return *graphic_; }
    TfrmAbout& About() { return *about_; }
    TfrmProgSet& ProgSet() { return *progSet_; }
    TfrmScanM& ScanM() { return *scanM_; }
    TfrmAlarm& AlarmMax() { return *alarmMax_; }
    TfrmAlarm& AlarmMin() { return *alarmMin_; }
    TfrmMGR& MGR() { return *mgr_; }
    TfrmPlet& Plet() { return *plet_; }
    TfrmTrend& Trend() { return *trend_; }
    TMFPrintDlg& PrintDlg() { return *printDlg_; }
    // The one owner of the line, the store and the settings; the windows' wiring points its
    // views at itself and subscribes to its events.
    Station& Engine() { return station_.Get(); }
    MeasurementStore& Store() { return station_.Get().Store(); }
    ProgramSettings& Settings() { return station_.Get().Settings(); }
    EventLog& Log() { return station_.Log(); }
    Operator& Op() { return operator_; }
    bool ShowHint() const { return showHint_; }
    // Whether the first show ended at the command line (a file was opened or refused).
    bool StartedFromCommandLine() const { return fromCommandLine_; }

    // The help command: the operator's guide in the browser, or the error when it is missing or
    // no browser could be started.
    void ShowHelp();
    // "Домашняя страница": the maker's site in the browser, or an error when none could be started.
    void ShowHomePage();
    // How pages are handed to the desktop; true when a browser was started. Tests put their own.
    void SetDesktopOpener(std::function<bool(const QUrl&)> open) {
        openUrl_ = [open = std::move(open)](const QUrl& url, std::function<void()> failed) {
            if (!open(url)) failed();
        };
    }

    // The system asks the program to end (logout, shutdown, Ctrl+C): it closes as "Выход" does,
    // asking nothing, and writes the running auto-save file before reception stops.
    void Terminate();
    // From now on SIGTERM, SIGHUP and SIGINT end the program through Terminate.
    void EndOnTerminationSignals();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateWindows();
    void WireCommands();
    void OnFirstShown();
    void ApplySettings();
    void CollectSettings();
    bool CloseQuery();
    void OnClosing();
    void SetShowHint(bool on);

    std::vector<std::string> args_;
    std::unique_ptr<Operator> ownOperator_;
    Operator& operator_;
    DesktopStation station_;
    AppPaths paths_;
    ShellHooks hooks_;
    bool showHint_ = true;
    bool fromCommandLine_ = false;
    bool settingsLoaded_ = false;
    bool terminating_ = false;
    int modalCloseTries_ = 0;
    // Opens a page; the second argument runs when no browser could show it.
    std::function<void(const QUrl&, std::function<void()>)> openUrl_;
    std::unique_ptr<TerminationSignals> terminationSignals_;

    std::unique_ptr<TfrmMain> main_;
    std::unique_ptr<TfrmGraphic> graphic_;
    std::unique_ptr<TfrmAbout> about_;
    std::unique_ptr<TfrmProgSet> progSet_;
    std::unique_ptr<TfrmScanM> scanM_;
    std::unique_ptr<TfrmAlarm> alarmMax_;
    std::unique_ptr<TfrmAlarm> alarmMin_;
    std::unique_ptr<TfrmMGR> mgr_;
    std::unique_ptr<TfrmPlet> plet_;
    std::unique_ptr<TMFPrintDlg> printDlg_;
    std::unique_ptr<TfrmTrend> trend_;
};

}  // namespace drumo
