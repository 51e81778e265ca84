#include "app/ui/ProgramWiring.h"

#include <QAction>

#include "acquisition/ui/TfrmFind.h"
#include "acquisition/ui/TfrmScanM.h"
#include "app/AppPaths.h"
#include "app/ui/Shell.h"
#include "app/ui/TfrmMain.h"
#include "app/ui/TfrmProgSet.h"
#include "views/ui/TfrmGraphic.h"
#include "model/ui/WindowPlaces.h"
#include "notebook/ui/TfrmNoteBig.h"

namespace drumo {

namespace {

// A command works once the part of the program behind it is wired.
template <typename Slot>
void Join(TfrmMain& main, const char* name, QObject* receiver, Slot slot) {
    QAction* action = main.Action(QString::fromLatin1(name));
    action->setEnabled(true);
    QObject::connect(action, &QAction::triggered, receiver, slot);
}

}  // namespace

void JoinAcquisitionCommands(TfrmMain& main, AcquisitionWiring& a) {
    Join(main, "actFind", &a, [&a] { a.OpenSearchWindow(); });
    Join(main, "actStart", &a, [&a] { a.StartReception(); });
    Join(main, "actStop", &a, [&a] { a.StopReception(); });
    Join(main, "actTimeSinhro", &a, [&a] { a.SyncTime(); });
    Join(main, "actPowerOff", &a, [&a] { a.SwitchOff(); });
    main.SetSearch(&a);
    QObject::connect(&a, &QObject::destroyed, &main, [&main] { main.SetSearch(nullptr); });
    QObject::connect(&main, &TfrmMain::FirstShown, &a, [&a] { a.LoadFindSettingsOnce(); });
}

void JoinFileCommands(TfrmMain& main, FilesWiring& f) {
    Join(main, "actFileOpen", &f, [&f] { f.OpenCommand(); });
    Join(main, "actFileSave", &f, [&f] { f.SaveCommand(); });
    Join(main, "actFileExcelExport", &f, [&f] { f.ExportCommand(); });
    Join(main, "actFileArhiv", &f, [&f] { f.ArchiveCommand(); });
}

void JoinGraph(GraphWiring& g, AcquisitionWiring& a, FilesWiring& f) {
    g.SetSearch(&a);
    QObject::connect(&f, &FilesWiring::ArchiveShown, &g, [&g] { g.ArchiveShown(); });
}

void JoinDeviceCommands(TfrmMain& main, DevicesWiring& d) {
    Join(main, "actDevSettings", &d, [&d] { d.OpenSettings(); });
    Join(main, "actDevSerial", &d, [&d] { d.OpenSerial(); });
    Join(main, "actFirmware", &d, [&d] { d.OpenFirmware(); });
}

void JoinNotebookCommands(TfrmMain& main, NotebookWiring& n) {
    Join(main, "actNotebook", &n, [&n] { n.ShowWindow(); });
    Join(main, "actFileOpenNote", &n, [&n] { n.OpenCommand(); });
    Join(main, "actFileSaveNote", &n, [&n] { n.SaveCommand(); });
}

ProgramWiring::ProgramWiring(Shell& shell)
    : station_(shell.Engine()),
      acquisition_({shell.Main(), shell.Main(), shell.ScanM(), shell.AlarmMax(), shell.AlarmMin()}, shell.Engine(),
                   shell.Op(), shell.Log()),
      files_({shell.Main(), shell.Main(), shell.ScanM()}, shell.Engine(), shell.Op(), shell.Log()),
      systemTrend_(shell, acquisition_, files_),
      graph_(shell.Graphic(), shell.Main(), shell.Store(), Paths().SettingsFile),
      trend_(shell.Trend(), shell.PrintDlg(), shell.Main(), shell.Store()),
      notebookGraphs_(shell.Graphic(), shell.Trend()),
      calibrationGraphs_(shell.Graphic(), shell.Trend()),
      calibration_(shell.Main(), shell.Engine(), shell.Op(), files_),
      devices_(shell.Engine(), shell.Op(), SystemClock::Instance(), shell.Main()),
      notebook_(shell.Engine(), shell.Op(), [&shell] { return shell.Settings().Main.ArchiveFolder; }) {
    station_.SetViews({&acquisition_.Find(), &acquisition_, &files_, &files_});
    JoinAcquisitionCommands(shell.Main(), acquisition_);
    JoinFileCommands(shell.Main(), files_);
    JoinDeviceCommands(shell.Main(), devices_);
    JoinNotebookCommands(shell.Main(), notebook_);
    files_.SetSearch(&acquisition_);
    JoinGraph(graph_, acquisition_, files_);
    trend_.SetSearch(&acquisition_);
    QObject::connect(&files_, &FilesWiring::ArchiveShown, &trend_, [this] { trend_.ArchiveShown(); });
    JoinPrintCommand(shell.Main(), "actPrintGraph", trend_, shell.Graphic().Graph());
    notebook_.SetGraphs(&notebookGraphs_);
    calibration_.Graphs().SetTarget(&calibrationGraphs_);
    files_.NotebookWindowShown = [this] { notebook_.ShowWindow(); };
    files_.NotebookChosen = [this](const std::string& path) { notebook_.OpenNotebook(path); };

    ShellHooks hooks;
    hooks.SettingsLoaded = [this, &shell] {
        acquisition_.LoadFindSettings();
        systemTrend_.LoadSettings();
        calibration_.ApplySettings(shell.Settings());
        PlaceWindow(notebook_.Window(), shell.Settings().NoteBig, true, true);
    };
    hooks.SavingSettings = [this, &shell] {
        acquisition_.SaveFindSettings();
        systemTrend_.SaveSettings();
        calibration_.CollectSettings(shell.Settings());
        NotePlace(notebook_.Window(), shell.Settings().NoteBig, true, true);
    };
    hooks.ShowSearchWindow = [this] { acquisition_.ShowSearchWindowAtStart(); };
    hooks.StopLongLoops = [this] {
        notebook_.StopReading();
        acquisition_.StopLongLoops();
        devices_.StopLongLoops();
        systemTrend_.StopLongLoops();
    };
    hooks.StopReception = [this] { acquisition_.StopReceptionNow(); };
    hooks.OpenArchive = [this](const std::string& path) {
        graph_.ShowGraph();
        trend_.ShowTrend();
        files_.OpenFromCommandLine(path);
    };
    hooks.OpenNotebook = [this](const std::string& path) { notebook_.OpenFromCommandLine(path); };
    hooks.SaveRunningAutoSave = [this] { files_.SaveRunningAutoSave(); };
    shell.SetHooks(std::move(hooks));

    QObject::connect(&shell.ProgSet(), &TfrmProgSet::Applied, &acquisition_,
                     [this] { acquisition_.ApplyReceptionSettings(); });
    QObject::connect(&shell.ProgSet(), &TfrmProgSet::AutoSaveIntervalChanged, &files_,
                     [this] { files_.AutoSavePeriodChanged(); });
}

ProgramWiring::~ProgramWiring() {
    notebook_.SetGraphs(nullptr);
    calibration_.Graphs().SetTarget(nullptr);
    station_.SetViews({});
}

}  // namespace drumo
