#include "acquisition/ui/ProgramWiring.h"

#include "app/ui/Shell.h"
#include "app/ui/TfrmProgSet.h"

namespace drumo {

ProgramWiring::ProgramWiring(Shell& shell)
    : acquisition_({shell.Main(), shell.ScanM(), shell.AlarmMax(), shell.AlarmMin()}, shell.Store(),
                   shell.Settings(), shell.Op(), shell.Log()),
      files_(shell.Main(), shell.ScanM(), shell.Store(), shell.Settings(), shell.Op(), shell.Log()) {
    files_.SetSearchRunning([this] { return acquisition_.Searching(); });
    acquisition_.SetAutoSave(&files_.Hooks());

    ShellHooks hooks;
    hooks.SettingsLoaded = [this] { acquisition_.LoadFindSettings(); };
    hooks.SavingSettings = [this] { acquisition_.SaveFindSettings(); };
    hooks.ShowSearchWindow = [this] { acquisition_.ShowSearchWindowAtStart(); };
    hooks.StopLongLoops = [this] { acquisition_.StopLongLoops(); };
    hooks.StopReception = [this] { acquisition_.StopReceptionNow(); };
    hooks.OpenArchive = [this](const std::string& path) { files_.OpenFromCommandLine(path); };
    hooks.SaveRunningAutoSave = [this] { files_.SaveRunningAutoSave(); };
    shell.SetHooks(std::move(hooks));

    QObject::connect(&shell.ProgSet(), &TfrmProgSet::Applied, &acquisition_,
                     [this] { acquisition_.ApplyReceptionSettings(); });
    QObject::connect(&shell.ProgSet(), &TfrmProgSet::AutoSaveIntervalChanged, &files_,
                     [this] { files_.AutoSavePeriodChanged(); });
}

}  // namespace drumo
