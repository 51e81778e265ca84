#pragma once
// The acquisition and archive procedures joined to the program's windows and to its start-up and
// closing: created once, right after the windows, and destroyed before them. Together with Shell,
// which creates the windows, this is the only place that knows the windows of every part of the
// program; the parts reach the main window only through its panel and its commands.

#include "acquisition/ui/AcquisitionWiring.h"
#include "app/ViewRelays.h"
#include "app/ui/CalibrationWiring.h"
#include "files/ui/FilesWiring.h"
#include "notebook/ui/NotebookWiring.h"

namespace drumo {

class Shell;
class TfrmMain;

// The main window's acquisition commands ("Поиск приборов", "Начать прием данных", ...) call
// `acquisition`; the search settings are read when the window is first shown.
void JoinAcquisitionCommands(TfrmMain& main, AcquisitionWiring& acquisition);
// "Открыть", "Сохранить", "Экспорт в Excel" and "Архив" call `files`.
void JoinFileCommands(TfrmMain& main, FilesWiring& files);
// "Блокнот" and the notebook's file commands call `notebook`.
void JoinNotebookCommands(TfrmMain& main, NotebookWiring& notebook);

class ProgramWiring {
public:
    // The station's views show in these windows until the wiring goes.
    explicit ProgramWiring(Shell& shell);
    ~ProgramWiring();

    AcquisitionWiring& Acquisition() { return acquisition_; }
    FilesWiring& Files() { return files_; }
    CalibrationWiring& Calibration() { return calibration_; }

    NotebookWiring& Notebook() { return notebook_; }

private:
    ViewRelays& views_;
    AcquisitionWiring acquisition_;
    FilesWiring files_;
    CalibrationWiring calibration_;

    NotebookWiring notebook_;
};

}  // namespace drumo
